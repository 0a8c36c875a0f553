#include "platform/Clock.h"

#include <chrono>

namespace sv {

std::shared_ptr<Clock> Clock::system()
{
    static const std::shared_ptr<Clock> clock = std::make_shared<SystemClock>();
    return clock;
}

double SystemClock::monotonicSeconds() const
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

QDateTime SystemClock::now() const { return QDateTime::currentDateTimeUtc(); }

bool SystemClock::sleep(double seconds)
{
    std::unique_lock lock(m_mutex);
    if (seconds <= 0)
        return !m_cancelled;
    const auto deadline = std::chrono::steady_clock::now()
        + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
    return !m_cv.wait_until(lock, deadline, [this] { return m_cancelled; });
}

void SystemClock::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_cv.notify_all();
}

void SystemClock::resume()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

ManualClock::ManualClock(QDateTime start) : m_start(std::move(start)) {}

double ManualClock::monotonicSeconds() const
{
    std::lock_guard lock(m_mutex);
    return m_elapsed;
}

QDateTime ManualClock::now() const
{
    std::lock_guard lock(m_mutex);
    return m_start.addMSecs(static_cast<qint64>(m_elapsed * 1000.0));
}

bool ManualClock::sleep(double seconds)
{
    std::lock_guard lock(m_mutex);
    m_sleeps.push_back(seconds);
    if (m_cancelled)
        return false;
    if (seconds > 0)
        m_elapsed += seconds;
    return true;
}

void ManualClock::cancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
}

void ManualClock::resume()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

void ManualClock::advance(double seconds)
{
    std::lock_guard lock(m_mutex);
    m_elapsed += seconds;
}

std::vector<double> ManualClock::sleeps() const
{
    std::lock_guard lock(m_mutex);
    return m_sleeps;
}

void ManualClock::clearSleeps()
{
    std::lock_guard lock(m_mutex);
    m_sleeps.clear();
}

} // namespace sv
