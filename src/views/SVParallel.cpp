#include "views/SVParallel.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace sv {

void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body)
{
    if (count == 0)
        return;
    struct Shared {
        std::atomic<std::size_t> next{0};
        std::mutex mutex;
        std::condition_variable done;
        int running = 0;
        bool closed = false; // the caller is done: late helpers leave body alone
    };
    auto shared = std::make_shared<Shared>();
    const std::size_t total = count;
    const std::function<void(std::size_t)>* work = &body;
    // Queued rather than tried: the threads of a previous call still count as
    // busy for a moment after their work is done, and a refused helper is
    // lost. A helper that starts after the caller finished does nothing, and
    // the caller waits only for helpers that started before.
    QThreadPool* pool = QThreadPool::globalInstance();
    const int helpers = int(std::min<std::size_t>(count - 1, std::size_t(std::max(0, pool->maxThreadCount() - 1))));
    for (int h = 0; h < helpers; ++h) {
        pool->start([shared, total, work] {
            {
                std::lock_guard g(shared->mutex);
                if (shared->closed)
                    return;
                ++shared->running;
            }
            for (std::size_t i; (i = shared->next.fetch_add(1)) < total;)
                (*work)(i);
            std::lock_guard g(shared->mutex);
            if (--shared->running == 0)
                shared->done.notify_all();
        });
    }
    for (std::size_t i; (i = shared->next.fetch_add(1)) < total;)
        body(i);
    std::unique_lock g(shared->mutex);
    shared->closed = true;
    shared->done.wait(g, [&] { return shared->running == 0; });
}

} // namespace sv
