#pragma once

#include "platform/wlan/CWError.h"
#include "platform/wlan/CWNetwork.h"
#include "platform/wlan/CWWlanBackend.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace sv {
class Clock;
}
class QObject;

// One wireless interface. Real interfaces are reached over nl80211; names
// starting with "sim" are simulated radios playing a scenario file.
class CWInterface {
public:
    static inline const QString PowerDidChangeNotification = QStringLiteral("CWPowerDidChangeNotification");
    static inline const QString BSSIDDidChangeNotification = QStringLiteral("CWBSSIDDidChangeNotification");
    static inline const QString LinkQualityDidChangeNotification = QStringLiteral("CWLinkQualityDidChangeNotification");

    explicit CWInterface(std::shared_ptr<CWWlanBackend> backend);
    ~CWInterface();
    CWInterface(const CWInterface&) = delete;
    CWInterface& operator=(const CWInterface&) = delete;

    // The real Wi-Fi interface a user means (see defaultInterfaceName), or
    // nullptr when the machine has none.
    static std::shared_ptr<CWInterface> interface();
    // What the default choice weighs of one interface.
    struct Candidate {
        QString name;
        bool up = false;         // up, its radio not blocked
        bool associated = false; // joined to a network
    };
    // One that is up and joined, else one that is up, else any; among equals
    // the first in the given (the kernel's) order. Empty for no candidates.
    static QString defaultInterfaceName(const QList<Candidate>& candidates);
    // A real interface by name, or a simulated one ("sim0", ...); nullptr
    // when there is no such interface or its scenario cannot be read (the
    // reason goes to error when given).
    static std::shared_ptr<CWInterface> interfaceWithName(const QString& name, QString* error = nullptr);
    // Names of the real Wi-Fi interfaces.
    static QStringList interfaceNames();

    // Scenario the simulated interfaces play; empty: the shipped default.
    static void setScenarioPath(const QString& path);
    static QString scenarioPath();
    static bool isSimulatedName(const QString& name);
    static QString defaultScenarioPath();

    QString interfaceName() const;
    QList<CWNetwork> cachedScanResults() const;
    QList<CWNetwork> scanForNetworksWithSSID(const std::optional<QByteArray>& ssid, CWError* error) const;
    bool powerOn() const;
    bool setPower(bool on, CWError* error);
    // What the interface is joined to, as last read from the radio (read on
    // first use). The getters below share this one reading: reading the link
    // costs a dump of every scan result on a real radio. refreshLinkState
    // reads it again; the scan engine does so once per pass, the event watch
    // once per poll, and switching the power drops the reading.
    CWLinkState linkState() const;
    CWLinkState refreshLinkState() const;
    QString bssid() const;
    QString ssid() const;
    QByteArray ssidData() const;
    std::optional<CWChannel> wlanChannel() const;
    double transmitRate() const;
    // Ends the scan under way on this interface and every later one (they
    // fail) until resumeScans().
    void abortScans() const;
    void resumeScans() const;

    // Watches power, BSSID and link quality every interval seconds and posts
    // the notifications above on the default centre, with "interfaceName" in
    // the user info. The watch runs on the calling thread's event loop.
    void startMonitoringEvents(int intervalMs = 1000);
    void stopMonitoringEvents();

    struct LinkReading;

private:
    std::shared_ptr<CWWlanBackend> m_backend;
    std::shared_ptr<LinkReading> m_link; // shared with the event watch
    QObject* m_monitor = nullptr;
};
