#pragma once

#include "platform/wlan/CWWlanBackend.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace sv {
class Clock;
}

namespace sv::wlan {

// A radio that plays a scenario file (JSON), the same way every run:
//
// { "power": true | [{"at": seconds, "on": bool}, ...],
//   "cachedResults": bool,           (default true: results before any scan)
//   "associated": {"bssid", "ssid", "channel", "band", "width", "transmitRate"},
//   "scanScript": [{"scan": n, "error": code, "description": text} |
//                  {"scan": n, "empty": true}],
//   "networks": [{"bssid", "ssid", "hidden", "broadcast", "channel", "band",
//                 "width", "rssi": dBm | [dBm or null, ...], "noise": dBm | [...],
//                 "ies": hex, "beaconInterval", "ibss", "privacy"}] }
//
// Scans are counted from 0; a list of values is read at the scan's number,
// cycling, and null leaves the network out of that scan. "hidden" networks
// answer broadcast scans without a name and directed scans with it;
// "broadcast": false networks answer directed scans only. Power times are
// seconds on the radio's clock since it was made.
class SimulatedRadio final : public CWWlanBackend {
public:
    struct ScanCall {
        int number = 0;
        std::optional<QByteArray> ssid;
    };

    // nullptr on failure, with a message naming the file, the line or key,
    // and what is wrong.
    static std::shared_ptr<SimulatedRadio> fromFile(const QString& name, const QString& path,
                                                    std::shared_ptr<Clock> clock, QString* error);
    static std::shared_ptr<SimulatedRadio> fromJson(const QString& name, const QByteArray& json,
                                                    const QString& sourceName,
                                                    std::shared_ptr<Clock> clock, QString* error);

    QString interfaceName() const override;
    QList<CWNetwork> cachedScanResults() override;
    QList<CWNetwork> scan(const std::optional<QByteArray>& ssid, CWError* error) override;
    bool powerOn() override;
    bool setPower(bool on, CWError* error) override;
    CWLinkState linkState() override;
    void abortScans() override;
    void resumeScans() override;

    std::vector<ScanCall> scanCalls() const;
    int cachedResultCalls() const;

    struct Scenario;
    SimulatedRadio(QString name, std::unique_ptr<Scenario> scenario, std::shared_ptr<Clock> clock);
    ~SimulatedRadio() override;

private:
    QList<CWNetwork> networksAt(int number, const std::optional<QByteArray>& ssid) const;

    const QString m_name;
    const std::unique_ptr<Scenario> m_scenario;
    const std::shared_ptr<Clock> m_clock;
    const double m_start;
    mutable std::mutex m_mutex;
    std::optional<bool> m_powerOverride;
    std::vector<ScanCall> m_calls;
    QList<CWNetwork> m_last;
    int m_cachedCalls = 0;
    bool m_aborted = false; // scans fail while set, as a real radio's do
};

} // namespace sv::wlan
