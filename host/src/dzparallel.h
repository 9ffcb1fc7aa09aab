#pragma once

// Host-internal: work over large flat arrays split across the host's worker threads.

#include <cstddef>
#include <functional>

// Calls fn(begin, end) on disjoint ranges that cover [0, count), at least `grain` items each, on the host's
// workers and the calling thread; returns when all are done. Ranges that no worker has taken yet are run by
// the caller, so a call from a worker (or one made while the workers are busy) never waits on itself. The
// workers are plain standard threads, started on first use, so that ThreadSanitizer sees every hand-over.
void dzParallelFor(size_t count, size_t grain, std::function<void(size_t, size_t)> const& fn);
