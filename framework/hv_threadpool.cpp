#include "hv_threadpool.h"

#include <system_error>

static HvThreadPool* g_pThePool = nullptr;
static std::mutex g_thePoolMutex;

struct HvThreadPool::Impl {
    bool launched = false;
    std::vector<std::thread> workers;
    SafeQueue<std::shared_ptr<QueueItem>> queue;
    // Called before each worker is started, with its index; lets tests make a start fail.
    std::function<void(size_t)> beforeWorkerStart;
};

HvThreadPool* HvThreadPool::Get() {
    std::lock_guard<std::mutex> lock(g_thePoolMutex);
    if (!g_pThePool) {
        g_pThePool = new HvThreadPool();
    }
    return g_pThePool;
}

HvThreadPool::HvThreadPool() : HvThreadPool(WorkerCountFor(std::thread::hardware_concurrency())) {}

HvThreadPool::HvThreadPool(size_t workerCount)
    : m_workerCount(workerCount), m_pImpl(std::make_unique<Impl>()) {}

size_t HvThreadPool::WorkerCountFor(unsigned int hardwareThreads) {
    return hardwareThreads == 0 ? 8 : size_t(hardwareThreads) - 1;
}

HvThreadPool::~HvThreadPool() {
    // One stop item per started worker, also after a launch that failed part-way: a joinable thread must not
    // be destroyed.
    for (size_t i = 0; i < m_pImpl->workers.size(); ++i) {
        pushParallelForTask({}, 0, 0);
    }
    for (std::thread& worker : m_pImpl->workers) {
        worker.join();
    }
}

void HvThreadPool::launchThreads() {
    Impl& impl = *m_pImpl;
    if (impl.launched) {
        return;
    }
    impl.workers.reserve(m_workerCount);
    // Workers that an earlier, failed launch did start are kept, so the pool never grows past its count.
    while (impl.workers.size() < m_workerCount) {
        try {
            if (impl.beforeWorkerStart) {
                impl.beforeWorkerStart(impl.workers.size());
            }
            impl.workers.emplace_back([this] { workerLoop(); });
        } catch (std::system_error const& e) {
            throw std::system_error(e.code(), "thread constructor failed");
        }
    }
    impl.launched = true;
}

void HvThreadPool::workerLoop() {
    for (;;) {
        std::shared_ptr<QueueItem> item = m_pImpl->queue.pop();
        if (!item->function) {
            return;
        }
        // Loop chunks keep their exception in their future; anything else pushed here must not end the
        // worker or the process.
        try {
            item->function(item->begin, item->end);
        } catch (...) {
        }
    }
}

void HvThreadPool::pushParallelForTask(std::function<void(size_t, size_t)> function, size_t begin,
                                       size_t end) {
    auto item = std::make_shared<QueueItem>();
    item->function = std::move(function);
    item->begin = begin;
    item->end = end;
    m_pImpl->queue.push(std::move(item));
}

bool HvThreadPool::isLaunched() const {
    return m_pImpl->launched;
}

std::vector<std::thread::id> HvThreadPool::getWorkerIds() const {
    std::vector<std::thread::id> ids;
    for (std::thread const& worker : m_pImpl->workers) {
        ids.push_back(worker.get_id());
    }
    return ids;
}

void HvThreadPool::setBeforeWorkerStart(std::function<void(size_t)> hook) {
    m_pImpl->beforeWorkerStart = std::move(hook);
}
