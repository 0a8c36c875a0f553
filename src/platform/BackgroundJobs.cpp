#include "platform/BackgroundJobs.h"

namespace sv {

void BackgroundJobs::start(std::function<void()> job)
{
    std::lock_guard g(m_mutex);
    // Threads whose job has ended are joined here, so none piles up.
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        if (*it->done) {
            it->thread.join();
            it = m_jobs.erase(it);
        } else {
            ++it;
        }
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    m_jobs.push_back({std::thread([job = std::move(job), done] {
                          job();
                          *done = true;
                      }),
                      done});
}

void BackgroundJobs::waitForAll()
{
    std::vector<Job> jobs;
    {
        std::lock_guard g(m_mutex);
        jobs.swap(m_jobs);
    }
    for (auto& j : jobs)
        j.thread.join();
}

void BackgroundJobs::startUnwaited(std::function<void()> job)
{
    std::thread(std::move(job)).detach();
}

} // namespace sv
