#pragma once

#include "model/SVScanEngine.h"
#include "platform/wlan/CWInterface.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace sv {
class Clock;
class NotificationCenter;
}

// Scans one interface in a loop on its own thread and publishes each pass.
// Posts "ScanDidStart" and "ScanDidEnd" on that thread. Stopping cuts the
// loop's waits and the interface's scan under way short, and the loop then
// starts no scan; dropping the engine stops it and joins its thread.
class SVActiveScanEngine final : public SVScanEngine {
public:
    static inline const QString ScanDidStartNotification = QStringLiteral("ScanDidStart");
    static inline const QString ScanDidEndNotification = QStringLiteral("ScanDidEnd");

    // The engine cancels the clock's sleeps when stopped and resumes them
    // when started: no one else may sleep on it.
    SVActiveScanEngine(std::shared_ptr<CWInterface> wifi, std::optional<QString> ssid = std::nullopt,
                       std::shared_ptr<sv::Clock> clock = nullptr, sv::NotificationCenter* center = nullptr);
    ~SVActiveScanEngine() override;

    void runEngine() override;
    void stopEngine() override;
    bool hasResults() const override;
    SVScanResults results() const override;
    bool powerOn() const override;

    std::shared_ptr<CWInterface> wifi() const { return m_wifi; }
    std::optional<QString> ssid() const;
    void setSsid(std::optional<QString> ssid);
    bool isDirected() const { return ssid().has_value(); }
    double scanInterval() const { return m_scanInterval; }
    void setScanInterval(double seconds) { m_scanInterval = seconds; }
    qint64 scans() const { return m_scans; }
    bool isRunning() const { return m_isRunning; }

private:
    void scan();
    QList<CWNetwork> scanForNetworks();
    void setNetworks(SVScanResults networks);
    void post(const QString& name);
    // Sleeps (cut short by a stop); true while the engine still runs.
    bool wait(double seconds);

    const std::shared_ptr<CWInterface> m_wifi;
    const std::shared_ptr<sv::Clock> m_clock;
    sv::NotificationCenter* const m_center;
    mutable std::mutex m_mutex; // guards m_networks, m_ssid
    SVScanResults m_networks;
    std::optional<QString> m_ssid;
    std::atomic<qint64> m_scans{0};
    std::atomic<double> m_scanInterval{3.0};
    std::atomic<bool> m_isRunning{false};
    bool m_didPerformedDirectedScan = false; // engine thread only
    bool m_firstTime = true;                 // engine thread only
    std::thread m_thread;
};
