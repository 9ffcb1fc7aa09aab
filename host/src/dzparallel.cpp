#include "dzparallel.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThreadPool>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

class RangeTask : public QRunnable {
public:
    RangeTask(std::function<void(size_t, size_t)> const& fn, size_t begin, size_t end, QSemaphore& done)
        : m_fn(fn), m_begin(begin), m_end(end), m_done(done) {
        setAutoDelete(false);
    }
    void run() override {
        m_fn(m_begin, m_end);
        m_done.release();
    }

private:
    std::function<void(size_t, size_t)> const& m_fn;
    size_t m_begin;
    size_t m_end;
    QSemaphore& m_done;
};

}  // namespace

void dzParallelFor(size_t count, size_t grain, std::function<void(size_t, size_t)> const& fn) {
    if (count == 0)
        return;
    QThreadPool* pool = QThreadPool::globalInstance();
    size_t const threads = size_t(std::max(1, pool->maxThreadCount()));
    size_t const chunks = std::min(threads, count / std::max<size_t>(grain, 1));
    if (chunks <= 1) {
        fn(0, count);
        return;
    }
    QSemaphore done;
    std::vector<std::unique_ptr<RangeTask>> tasks;
    tasks.reserve(chunks - 1);
    auto bound = [&](size_t c) { return count * c / chunks; };
    for (size_t c = 1; c < chunks; ++c) {
        tasks.push_back(std::make_unique<RangeTask>(fn, bound(c), bound(c + 1), done));
        pool->start(tasks.back().get());
    }
    fn(0, bound(1));
    // Ranges still queued run here; each task releases the semaphore once, wherever it ran.
    for (auto& task : tasks)
        if (pool->tryTake(task.get()))
            task->run();
    done.acquire(int(chunks - 1));
}
