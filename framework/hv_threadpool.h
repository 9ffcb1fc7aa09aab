#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

// Unbounded FIFO shared by any number of producers and consumers. There is no close: consumers are ended by
// pushing an element they recognise as "stop".
template <typename T>
class SafeQueue {
public:
    void push(T value) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deque.push_back(std::move(value));
        m_condition.notify_one();
    }

    // Blocks while the queue is empty.
    T pop() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_condition.wait(lock, [this] { return !m_deque.empty(); });
        T value = std::move(m_deque.front());
        m_deque.pop_front();
        return value;
    }

private:
    std::deque<T> m_deque;
    std::mutex m_mutex;
    std::condition_variable m_condition;
};

struct HvThreadPoolTestAccess;

// The process-wide worker pool. Made on first use, never freed; its workers are started by the first parallel
// loop and then wait on the queue for the life of the process. Loops are run from the GUI thread only.
class HvThreadPool {
public:
    // What a parallel loop hands back. A body without result is the only kind there is: by the time it is
    // returned every chunk has been waited on.
    template <typename R>
    struct Results;

    struct QueueItem {
        std::function<void(size_t, size_t)> function;  // empty: the worker that takes it ends
        size_t begin = 0;
        size_t end = 0;
    };

    static HvThreadPool* Get();

    ~HvThreadPool();
    HvThreadPool(HvThreadPool const&) = delete;
    HvThreadPool& operator=(HvThreadPool const&) = delete;

    void pushParallelForTask(std::function<void(size_t, size_t)> function, size_t begin, size_t end);

    // Calls body(begin, end) over half-open ranges that together cover [0, count) exactly once: one chunk of
    // count / workers indices per worker, queued, and the remainder on the calling thread. With parallel
    // false every range runs on the calling thread, in order. Returns only when no chunk is queued or running
    // any more, also when a body throws: then the calling thread's exception is rethrown, else the first
    // chunk's in chunk order.
    template <typename Body>
    Results<void> parallelFor(size_t count, Body const& body, bool parallel);

private:
    friend struct HvThreadPoolTestAccess;
    struct Impl;

    HvThreadPool();
    explicit HvThreadPool(size_t workerCount);

    // One fewer than the hardware threads, leaving one to the caller; 8 when the platform does not know.
    static size_t WorkerCountFor(unsigned int hardwareThreads);

    void launchThreads();
    void workerLoop();

    // Read and set by tests only.
    bool isLaunched() const;
    std::vector<std::thread::id> getWorkerIds() const;
    void setBeforeWorkerStart(std::function<void(size_t)> hook);

    size_t const m_workerCount;
    std::unique_ptr<Impl> m_pImpl;
};

template <>
struct HvThreadPool::Results<void> {};

template <typename Body>
HvThreadPool::Results<void> HvThreadPool::parallelFor(size_t count, Body const& body, bool parallel) {
    size_t const workers = m_workerCount;
    if (!parallel) {
        // Nothing is queued, so an exception may leave at once.
        if (workers == 0) {
            body(size_t(0), count);
            return {};
        }
        size_t const chunk = count / workers;
        for (size_t i = 0; i < workers; ++i) {
            body(i * chunk, (i + 1) * chunk);
        }
        body(workers * chunk, count);
        return {};
    }

    launchThreads();
    if (workers == 0) {
        body(size_t(0), count);
        return {};
    }

    using Copy = std::decay_t<Body>;
    size_t const chunk = count / workers;
    std::vector<std::future<void>> futures;
    futures.reserve(workers);
    // Workers report when they have let go of their task, so that the last reference to each chunk's shared
    // state (and to an exception stored in it) is always dropped here, on the calling thread.
    struct Released {
        std::mutex mutex;
        std::condition_variable condition;
        size_t count = 0;
    } released;
    std::exception_ptr callerError;
    try {
        for (size_t i = 0; i < workers; ++i) {
            // Each chunk calls its own copy of the body, and destroys it before the task reports the chunk
            // done, so no copy outlives the loop on a worker. The task keeps the body's exception for get().
            auto task = std::make_shared<std::packaged_task<void(size_t, size_t)>>(
                [copy = std::make_unique<Copy>(body)](size_t begin, size_t end) mutable {
                    std::unique_ptr<Copy> const own = std::move(copy);
                    (*own)(begin, end);
                });
            std::future<void> future = task->get_future();
            pushParallelForTask(
                [task, &released](size_t begin, size_t end) mutable {
                    (*task)(begin, end);
                    task.reset();
                    std::lock_guard<std::mutex> lock(released.mutex);
                    ++released.count;
                    released.condition.notify_one();
                },
                i * chunk, (i + 1) * chunk);
            futures.push_back(std::move(future));  // room was reserved: cannot throw
        }
        body(workers * chunk, count);
    } catch (...) {
        callerError = std::current_exception();
    }

    // Queued chunks use the caller's data: every one of them must be done before this function is left.
    std::exception_ptr chunkError;
    for (std::future<void>& future : futures) {
        try {
            future.get();
        } catch (...) {
            if (!chunkError) {
                chunkError = std::current_exception();
            }
        }
    }
    {
        std::unique_lock<std::mutex> lock(released.mutex);
        released.condition.wait(lock, [&] { return released.count == futures.size(); });
    }
    if (callerError) {
        std::rethrow_exception(callerError);
    }
    if (chunkError) {
        std::rethrow_exception(chunkError);
    }
    return {};
}
