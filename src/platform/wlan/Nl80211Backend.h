#pragma once

#include "platform/wlan/CWWlanBackend.h"
#include "platform/wlan/Nl80211Parse.h"

#include <QStringList>

#include <atomic>
#include <mutex>

namespace sv::wlan {

// A real radio reached over nl80211. Each operation opens its own netlink
// socket, so calls from several threads do not share state.
class Nl80211Backend final : public CWWlanBackend {
public:
    // Names of the station-mode Wi-Fi interfaces; empty without nl80211.
    static QStringList interfaceNames();

    explicit Nl80211Backend(QString name);

    QString interfaceName() const override;
    QList<CWNetwork> cachedScanResults() override;
    QList<CWNetwork> scan(const std::optional<QByteArray>& ssid, CWError* error) override;
    bool powerOn() override;
    bool setPower(bool on, CWError* error) override;
    CWLinkState linkState() override;
    void abortScans() override;
    void resumeScans() override;

private:
    enum class Mode { Unknown, Trigger, NetworkManager, Passive };
    // The scan-results dump, with the survey's noise when asked for, keeping
    // only entries heard since `since` (CLOCK_BOOTTIME ns) when given.
    // Fills *dumpNs with the time the dump was taken.
    QList<CWNetwork> dumpResults(std::optional<qint64> since, bool withNoise,
                                 std::optional<CWNetwork>* associated = nullptr, qint64* dumpNs = nullptr);
    // The dump that ends a pass: the entries heard since the scan from this
    // source began; the pass's time is the next window's start.
    QList<CWNetwork> passResults(ScanSource source, qint64 scanStartNs);
    void noteMode(Mode mode);

    const QString m_name;
    std::atomic<Mode> m_mode{Mode::Unknown};
    std::atomic<bool> m_aborted{false}; // scans fail at once while set
    std::atomic<qint64> m_previousPassNs{-1}; // -1: no pass yet
    std::mutex m_noiseMutex;
    ChannelNoise m_noise; // the latest survey of each channel
};

} // namespace sv::wlan
