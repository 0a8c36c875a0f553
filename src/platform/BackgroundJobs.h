#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sv {

// Runs jobs each on a thread of its own. What start() runs is waited for by
// waitForAll() and when the runner goes, so no job outlives what it reports
// to. What startUnwaited() runs is never waited for (a read from a stalled
// disk may never end): it must hold whatever it uses itself.
class BackgroundJobs {
public:
    BackgroundJobs() = default;
    ~BackgroundJobs() { waitForAll(); }
    BackgroundJobs(const BackgroundJobs&) = delete;
    BackgroundJobs& operator=(const BackgroundJobs&) = delete;

    void start(std::function<void()> job);
    // Returns once every job start() began has ended.
    void waitForAll();
    static void startUnwaited(std::function<void()> job);

private:
    struct Job {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex m_mutex;
    std::vector<Job> m_jobs;
};

} // namespace sv
