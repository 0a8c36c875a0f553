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
    };
    auto shared = std::make_shared<Shared>();
    const std::size_t total = count;
    auto work = [shared, total, &body] {
        for (std::size_t i; (i = shared->next.fetch_add(1)) < total;)
            body(i);
    };
    QThreadPool* pool = QThreadPool::globalInstance();
    const int helpers = int(std::min<std::size_t>(count - 1, std::size_t(std::max(0, pool->maxThreadCount() - 1))));
    for (int h = 0; h < helpers; ++h) {
        {
            std::lock_guard g(shared->mutex);
            ++shared->running;
        }
        const bool started = pool->tryStart([shared, work] {
            work();
            std::lock_guard g(shared->mutex);
            if (--shared->running == 0)
                shared->done.notify_all();
        });
        if (!started) {
            std::lock_guard g(shared->mutex);
            --shared->running;
            break;
        }
    }
    work();
    std::unique_lock g(shared->mutex);
    shared->done.wait(g, [&] { return shared->running == 0; });
}

} // namespace sv
