#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace sv {

// Time and waiting, behind one interface so tests can run the scan engine's
// seconds of pauses in no time. All operations are thread-safe.
class Clock {
public:
    virtual ~Clock() = default;

    // Seconds on a monotonic scale, for measuring intervals.
    virtual double monotonicSeconds() const = 0;
    // Wall-clock time, UTC.
    virtual QDateTime now() const = 0;
    // Waits the given seconds, or less when cancel() is called meanwhile.
    // Returns false when the wait was cut short.
    virtual bool sleep(double seconds) = 0;
    // Ends every wait under way and every later one until resume().
    virtual void cancel() = 0;
    virtual void resume() = 0;

    // The process's real clock, shared.
    static std::shared_ptr<Clock> system();
};

class SystemClock final : public Clock {
public:
    double monotonicSeconds() const override;
    QDateTime now() const override;
    bool sleep(double seconds) override;
    void cancel() override;
    void resume() override;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_cancelled = false;
};

// A clock that only moves when told: sleep() advances it at once by the
// requested time and records the request.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC));

    double monotonicSeconds() const override;
    QDateTime now() const override;
    bool sleep(double seconds) override;
    void cancel() override;
    void resume() override;

    void advance(double seconds);
    std::vector<double> sleeps() const; // every sleep asked for, in order
    void clearSleeps();

private:
    mutable std::mutex m_mutex;
    QDateTime m_start;
    double m_elapsed = 0;
    bool m_cancelled = false;
    std::vector<double> m_sleeps;
};

} // namespace sv
