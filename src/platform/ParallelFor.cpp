#include "platform/ParallelFor.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace sv {

struct ParallelFor::Shared {
    std::function<void(std::size_t)> body;
    std::size_t total = 0;
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable done;
    std::atomic<int> unstarted{0}; // helpers still to be started
    int running = 0;
    bool closed = false; // the caller is done: late helpers leave body alone

    void work()
    {
        for (std::size_t i; (i = next.fetch_add(1)) < total;)
            body(i);
    }
};

namespace {

// Starts up to two more helpers of shared's: each wakes a sleeping pool
// thread, a system call that costs far more than it looks, so the caller
// wakes one and every helper passes the waking on.
template <typename Shared>
void startHelpers(const std::shared_ptr<Shared>& shared, int fanOut)
{
    for (int k = 0; k < fanOut && shared->unstarted.fetch_sub(1) > 0; ++k) {
        QThreadPool::globalInstance()->start([shared] {
            {
                std::lock_guard g(shared->mutex);
                if (shared->closed)
                    return;
                ++shared->running;
            }
            startHelpers(shared, 2);
            shared->work();
            std::lock_guard g(shared->mutex);
            if (--shared->running == 0)
                shared->done.notify_all();
        });
    }
}

} // namespace

ParallelFor::ParallelFor(std::size_t count, std::function<void(std::size_t)> body, std::size_t maxHelpers)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->body = std::move(body);
    m_shared->total = count;
    // Queued rather than tried: the threads of a previous call still count as
    // busy for a moment after their work is done, and a refused helper is
    // lost. A helper that starts after the caller finished does nothing (and
    // starts no other), and the caller waits only for helpers that started
    // before.
    const int helpers = int(std::min(
        {count, maxHelpers, std::size_t(std::max(0, QThreadPool::globalInstance()->maxThreadCount() - 1))}));
    m_shared->unstarted = helpers;
    startHelpers(m_shared, 1);
}

void ParallelFor::wait()
{
    if (!m_shared)
        return;
    m_shared->work();
    std::unique_lock g(m_shared->mutex);
    m_shared->closed = true;
    m_shared->done.wait(g, [&] { return m_shared->running == 0; });
    g.unlock();
    m_shared.reset();
}

void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body)
{
    if (count == 0)
        return;
    // The caller takes part from the start: one helper fewer.
    ParallelFor(count, body, count - 1).wait();
}

} // namespace sv
