#include "dzparallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// One call's ranges: taken one at a time by whoever comes first, the caller included.
struct Job {
    std::function<void(size_t, size_t)> const* fn = nullptr;
    size_t count = 0;
    size_t chunks = 0;
    std::atomic<size_t> next{0};
    size_t done = 0;  // guarded by mutex
    std::mutex mutex;
    std::condition_variable finished;

    // Runs ranges until none is left; true when it ran any.
    void work() {
        for (size_t c; (c = next.fetch_add(1)) < chunks;) {
            (*fn)(count * c / chunks, count * (c + 1) / chunks);
            std::lock_guard<std::mutex> lock(mutex);
            if (++done == chunks)
                finished.notify_all();
        }
    }
};

class Workers {
public:
    static Workers& Get() {
        // Never destroyed: workers may still be parked at exit, and static destruction order is not ours.
        static Workers* const workers = new Workers;
        return *workers;
    }
    size_t size() const { return m_threads.size(); }

    void post(std::shared_ptr<Job> const& job, size_t helpers) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (size_t i = 0; i < helpers; ++i) m_queue.push_back(job);
        }
        m_wake.notify_all();
    }

private:
    Workers() {
        unsigned const hw = std::thread::hardware_concurrency();
        size_t const n = hw > 1 ? hw - 1 : 0;
        for (size_t i = 0; i < n; ++i) m_threads.emplace_back([this] { loop(); });
        for (std::thread& t : m_threads) t.detach();
    }
    void loop() {
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return !m_queue.empty(); });
                job = std::move(m_queue.front());
                m_queue.pop_front();
            }
            job->work();
        }
    }

    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_queue;
};

}  // namespace

void dzParallelFor(size_t count, size_t grain, std::function<void(size_t, size_t)> const& fn) {
    if (count == 0)
        return;
    Workers& workers = Workers::Get();
    size_t const chunks = std::min(workers.size() + 1, count / std::max<size_t>(grain, 1));
    if (chunks <= 1) {
        fn(0, count);
        return;
    }
    auto job = std::make_shared<Job>();
    job->fn = &fn;
    job->count = count;
    job->chunks = chunks;
    workers.post(job, chunks - 1);
    job->work();
    std::unique_lock<std::mutex> lock(job->mutex);
    job->finished.wait(lock, [&] { return job->done == job->chunks; });
}
