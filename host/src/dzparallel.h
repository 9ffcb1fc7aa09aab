#pragma once

// Host-internal: work over large flat arrays split across Qt's global thread pool.

#include <cstddef>
#include <functional>

// Calls fn(begin, end) on disjoint ranges that cover [0, count), at least `grain` items each, on the pool's
// threads and the calling one; returns when all are done. A range nobody has started yet is run by the
// caller, so a call from a pool thread cannot wait on itself.
void dzParallelFor(size_t count, size_t grain, std::function<void(size_t, size_t)> const& fn);
