#include "hv_threadpool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

struct HvThreadPoolTestAccess {
    static std::unique_ptr<HvThreadPool> Make(size_t workers) {
        return std::unique_ptr<HvThreadPool>(new HvThreadPool(workers));
    }
    static size_t WorkerCount(HvThreadPool const& pool) { return pool.m_workerCount; }
    static size_t WorkerCountFor(unsigned int hardwareThreads) {
        return HvThreadPool::WorkerCountFor(hardwareThreads);
    }
    static bool IsLaunched(HvThreadPool const& pool) { return pool.isLaunched(); }
    static std::vector<std::thread::id> WorkerIds(HvThreadPool const& pool) { return pool.getWorkerIds(); }
    static void SetBeforeWorkerStart(HvThreadPool& pool, std::function<void(size_t)> hook) {
        pool.setBeforeWorkerStart(std::move(hook));
    }
};

namespace {

using Access = HvThreadPoolTestAccess;
using Range = std::pair<size_t, size_t>;
using Ranges = std::vector<Range>;

struct Call {
    Range range;
    std::thread::id thread;
};

// Every call of a loop body, in the order the calls began.
class Recorder {
public:
    void operator()(size_t begin, size_t end) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back({{begin, end}, std::this_thread::get_id()});
    }
    std::vector<Call> calls() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
};

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct ChunkingCase {
    size_t workers;
    size_t count;
    Ranges queued;  // in chunk order
    Range rest;
};

std::vector<ChunkingCase> chunkingCases() {
    return {
        {7, 100, {{0, 14}, {14, 28}, {28, 42}, {42, 56}, {56, 70}, {70, 84}, {84, 98}}, {98, 100}},
        {7, 0, Ranges(7, {0, 0}), {0, 0}},
        {7, 5, Ranges(7, {0, 0}), {0, 5}},
        {7, 21, {{0, 3}, {3, 6}, {6, 9}, {9, 12}, {12, 15}, {15, 18}, {18, 21}}, {21, 21}},
        {3, 10, {{0, 3}, {3, 6}, {6, 9}}, {9, 10}},
        {1, 10, {{0, 10}}, {10, 10}},
    };
}

std::string describe(ChunkingCase const& c) {
    return std::to_string(c.workers) + " workers, count " + std::to_string(c.count);
}

TEST(HvThreadPool, ParallelQueuesEqualChunksAndRunsTheRestOnTheCaller) {
    for (ChunkingCase const& c : chunkingCases()) {
        SCOPED_TRACE(describe(c));
        auto pool = Access::Make(c.workers);
        Recorder recorder;
        pool->parallelFor(
            c.count, [&recorder](size_t begin, size_t end) { recorder(begin, end); }, true);

        std::vector<std::thread::id> const workers = Access::WorkerIds(*pool);
        Ranges onCaller;
        Ranges onWorkers;
        for (Call const& call : recorder.calls()) {
            if (call.thread == std::this_thread::get_id()) {
                onCaller.push_back(call.range);
            } else {
                EXPECT_NE(std::find(workers.begin(), workers.end(), call.thread), workers.end());
                onWorkers.push_back(call.range);
            }
        }
        EXPECT_EQ(onCaller, Ranges{c.rest});
        std::sort(onWorkers.begin(), onWorkers.end());
        EXPECT_EQ(onWorkers, c.queued);
    }
}

TEST(HvThreadPool, SerialRunsEveryChunkInOrderOnTheCaller) {
    for (ChunkingCase const& c : chunkingCases()) {
        SCOPED_TRACE(describe(c));
        auto pool = Access::Make(c.workers);
        Recorder recorder;
        pool->parallelFor(
            c.count, [&recorder](size_t begin, size_t end) { recorder(begin, end); }, false);

        Ranges expected = c.queued;
        expected.push_back(c.rest);
        Ranges seen;
        for (Call const& call : recorder.calls()) {
            EXPECT_EQ(call.thread, std::this_thread::get_id());
            seen.push_back(call.range);
        }
        EXPECT_EQ(seen, expected);
        EXPECT_FALSE(Access::IsLaunched(*pool));
        EXPECT_TRUE(Access::WorkerIds(*pool).empty());
    }
}

TEST(HvThreadPool, ZeroWorkersRunTheWholeRangeOnTheCaller) {
    for (bool parallel : {true, false}) {
        for (size_t count : {size_t(0), size_t(1), size_t(10)}) {
            SCOPED_TRACE(std::string(parallel ? "parallel" : "serial") + ", count " + std::to_string(count));
            auto pool = Access::Make(0);
            Recorder recorder;
            pool->parallelFor(
                count, [&recorder](size_t begin, size_t end) { recorder(begin, end); }, parallel);
            std::vector<Call> const calls = recorder.calls();
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0].range, Range(0, count));
            EXPECT_EQ(calls[0].thread, std::this_thread::get_id());
            EXPECT_EQ(Access::IsLaunched(*pool), parallel);
            EXPECT_TRUE(Access::WorkerIds(*pool).empty());
        }
    }
}

TEST(HvThreadPool, FirstParallelLoopStartsTheWorkersAndLaterOnesStartNone) {
    auto pool = Access::Make(3);
    EXPECT_FALSE(Access::IsLaunched(*pool));
    EXPECT_TRUE(Access::WorkerIds(*pool).empty());

    pool->parallelFor(
        30, [](size_t, size_t) {}, false);
    EXPECT_FALSE(Access::IsLaunched(*pool));

    pool->parallelFor(
        30, [](size_t, size_t) {}, true);
    EXPECT_TRUE(Access::IsLaunched(*pool));
    std::vector<std::thread::id> const started = Access::WorkerIds(*pool);
    ASSERT_EQ(started.size(), 3u);

    for (int loop = 0; loop < 3; ++loop) {
        Recorder recorder;
        pool->parallelFor(
            30, [&recorder](size_t begin, size_t end) { recorder(begin, end); }, true);
        EXPECT_EQ(Access::WorkerIds(*pool), started);
        for (Call const& call : recorder.calls()) {
            if (call.thread != std::this_thread::get_id()) {
                EXPECT_NE(std::find(started.begin(), started.end(), call.thread), started.end());
            }
        }
    }
}

// A throw in the body, by chunk (0 .. workers - 1, or kRest for the caller's range), after a delay.
struct Throw {
    size_t chunk;
    int delayMs;
};

constexpr size_t kWorkers = 7;
constexpr size_t kChunk = 10;
constexpr size_t kCount = kWorkers * kChunk + 3;
constexpr size_t kRest = kWorkers;

struct ExceptionCase {
    char const* name;
    std::vector<Throw> throws;
    std::string expected;
};

std::string chunkName(size_t chunk) {
    return chunk == kRest ? "rest" : "chunk " + std::to_string(chunk);
}

TEST(HvThreadPool, ExceptionLeavesOnlyAfterEveryChunkAndInOrder) {
    std::vector<ExceptionCase> const cases = {
        // chunk 3 throws first in time, chunk 1 first in chunk order
        {"chunks 3 and 1", {{3, 0}, {1, 40}}, "chunk 1"},
        {"one late chunk", {{6, 40}}, "chunk 6"},
        {"rest and chunk 0 at once", {{kRest, 0}, {0, 0}}, "rest"},
        {"late rest, early chunk", {{kRest, 40}, {2, 0}}, "rest"},
        {"rest alone", {{kRest, 0}}, "rest"},
    };
    auto pool = Access::Make(kWorkers);
    for (ExceptionCase const& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> entered{0};
        std::atomic<int> running{0};
        auto body = [&](size_t begin, size_t) {
            ++entered;
            ++running;
            struct Leave {
                std::atomic<int>& running;
                ~Leave() { --running; }
            } leave{running};
            size_t const chunk = begin == kWorkers * kChunk ? kRest : begin / kChunk;
            for (Throw const& t : c.throws) {
                if (t.chunk == chunk) {
                    sleepMs(t.delayMs);
                    throw std::runtime_error(chunkName(chunk));
                }
            }
            sleepMs(20);  // still running when a quick throw happens elsewhere
        };
        try {
            pool->parallelFor(kCount, body, true);
            ADD_FAILURE() << "no exception";
        } catch (std::runtime_error const& e) {
            EXPECT_EQ(std::string(e.what()), c.expected);
        }
        EXPECT_EQ(running.load(), 0);
        EXPECT_EQ(entered.load(), int(kWorkers) + 1);
    }

    // The workers go on with later loops.
    std::vector<int> hits(kCount, 0);
    pool->parallelFor(
        kCount,
        [&hits](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                ++hits[i];
            }
        },
        true);
    EXPECT_EQ(hits, std::vector<int>(kCount, 1));
}

TEST(HvThreadPool, SerialExceptionLeavesAtOnce) {
    auto pool = Access::Make(4);
    Recorder recorder;
    try {
        pool->parallelFor(
            40,
            [&recorder](size_t begin, size_t end) {
                recorder(begin, end);
                if (begin == 10) {
                    throw std::runtime_error("chunk 1");
                }
            },
            false);
        ADD_FAILURE() << "no exception";
    } catch (std::runtime_error const& e) {
        EXPECT_STREQ(e.what(), "chunk 1");
    }
    std::vector<Call> const calls = recorder.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].range, Range(0, 10));
    EXPECT_EQ(calls[1].range, Range(10, 20));
}

TEST(HvThreadPool, EmptyFunctionRaisesBadFunctionCall) {
    auto pool = Access::Make(3);
    std::function<void(size_t, size_t)> const empty;
    EXPECT_THROW(pool->parallelFor(9, empty, false), std::bad_function_call);
    EXPECT_THROW(pool->parallelFor(9, empty, true), std::bad_function_call);
    EXPECT_THROW(pool->parallelFor(0, empty, true), std::bad_function_call);

    std::atomic<size_t> visited{0};
    pool->parallelFor(
        9, [&visited](size_t begin, size_t end) { visited += end - begin; }, true);
    EXPECT_EQ(visited.load(), 9u);
}

// Counts its live copies; knows whether it is the caller's own object.
class CopyCountingBody {
public:
    CopyCountingBody(std::atomic<int>& live, std::atomic<int>& callsOnOriginal)
        : m_live(live), m_callsOnOriginal(callsOnOriginal), m_pOriginal(this) {
        ++m_live;
    }
    CopyCountingBody(CopyCountingBody const& other)
        : m_live(other.m_live), m_callsOnOriginal(other.m_callsOnOriginal), m_pOriginal(other.m_pOriginal) {
        ++m_live;
    }
    CopyCountingBody& operator=(CopyCountingBody const&) = delete;
    ~CopyCountingBody() { --m_live; }

    void operator()(size_t, size_t) const {
        if (this == m_pOriginal) {
            ++m_callsOnOriginal;
        }
    }

private:
    std::atomic<int>& m_live;
    std::atomic<int>& m_callsOnOriginal;
    CopyCountingBody const* m_pOriginal;
};

TEST(HvThreadPool, ChunksCallCopiesThatAreGoneWhenTheLoopReturns) {
    auto pool = Access::Make(5);
    std::atomic<int> live{0};
    std::atomic<int> callsOnOriginal{0};
    {
        CopyCountingBody const body(live, callsOnOriginal);
        for (int loop = 0; loop < 20; ++loop) {
            pool->parallelFor(100, body, true);
            ASSERT_EQ(live.load(), 1) << "loop " << loop;
        }
    }
    EXPECT_EQ(live.load(), 0);
    EXPECT_EQ(callsOnOriginal.load(), 20);  // the rest range only
}

TEST(HvThreadPool, FailedWorkerStartRaisesAndALaterLoopStartsOnlyTheMissingOnes) {
    auto failAtTwo = [](size_t index) {
        if (index == 2) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        }
    };

    auto pool = Access::Make(4);
    Access::SetBeforeWorkerStart(*pool, failAtTwo);
    std::atomic<int> calls{0};
    auto body = [&calls](size_t, size_t) { ++calls; };
    try {
        pool->parallelFor(40, body, true);
        ADD_FAILURE() << "no exception";
    } catch (std::system_error const& e) {
        EXPECT_EQ(std::string(e.what()).rfind("thread constructor failed", 0), 0u) << e.what();
        EXPECT_EQ(e.code(), std::errc::resource_unavailable_try_again);
    }
    EXPECT_EQ(calls.load(), 0);
    EXPECT_FALSE(Access::IsLaunched(*pool));
    std::vector<std::thread::id> const partial = Access::WorkerIds(*pool);
    ASSERT_EQ(partial.size(), 2u);

    Access::SetBeforeWorkerStart(*pool, {});
    pool->parallelFor(40, body, true);
    EXPECT_EQ(calls.load(), 5);
    EXPECT_TRUE(Access::IsLaunched(*pool));
    std::vector<std::thread::id> const all = Access::WorkerIds(*pool);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_TRUE(std::equal(partial.begin(), partial.end(), all.begin()));

    // A pool left half-started is destroyed cleanly.
    auto halfStarted = Access::Make(4);
    Access::SetBeforeWorkerStart(*halfStarted, failAtTwo);
    EXPECT_THROW(halfStarted->parallelFor(40, body, true), std::system_error);
    halfStarted.reset();
}

TEST(HvThreadPool, WorkerCountIsHardwareThreadsMinusOneOrEight) {
    EXPECT_EQ(Access::WorkerCountFor(0), 8u);
    EXPECT_EQ(Access::WorkerCountFor(1), 0u);
    EXPECT_EQ(Access::WorkerCountFor(2), 1u);
    EXPECT_EQ(Access::WorkerCountFor(16), 15u);
}

TEST(HvThreadPool, GetMakesOneProcessWidePool) {
    std::vector<HvThreadPool*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = HvThreadPool::Get(); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    HvThreadPool* const pool = HvThreadPool::Get();
    ASSERT_NE(pool, nullptr);
    for (HvThreadPool* p : seen) {
        EXPECT_EQ(p, pool);
    }
    EXPECT_EQ(Access::WorkerCount(*pool), Access::WorkerCountFor(std::thread::hardware_concurrency()));

    // Each index is written by one range only: overlapping ranges would race.
    std::vector<int> hits(1001, 0);
    pool->parallelFor(
        hits.size(),
        [&hits](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                ++hits[i];
            }
        },
        true);
    EXPECT_EQ(hits, std::vector<int>(hits.size(), 1));
    EXPECT_TRUE(Access::IsLaunched(*pool));
}

}  // namespace
