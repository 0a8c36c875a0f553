#pragma once

#include "platform/ServiceBrowser.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <mutex>

// Base-station names learnt from the services that base stations announce on
// the local network: their TXT record lists the MAC addresses of their
// radios. Browsing runs in cycles with growing pauses; all its work happens
// on the main thread, and names can be asked for from any thread.
// Any host may announce anything: the table is bounded, and a service's
// names go with the service (removed, or not found again by a cycle).
class SVNetServiceBrowser : public QObject {
    Q_OBJECT
public:
    static inline const QString ServiceType = QStringLiteral("_airport._tcp");
    static inline const QString ServiceDomain = QStringLiteral("local");
    static constexpr int ResolveTimeoutMs = 5000;
    static constexpr double FirstSearchInterval = 2.0;
    static constexpr double LongestSearchInterval = 30.0;
    // Far more radios than any network has; names beyond are not kept.
    static constexpr qsizetype MaximumStations = 4096;
    // A base station has a radio or two; more from one service are ignored.
    static constexpr qsizetype MaximumRadiosPerService = 8;
    // Services being resolved at once; more wait for a later cycle.
    static constexpr qsizetype MaximumPendingServices = 256;

    explicit SVNetServiceBrowser(QObject* parent = nullptr);
    ~SVNetServiceBrowser() override;

    // The application's browser (it lives on the main thread).
    static SVNetServiceBrowser& sharedBrowser();

    // Starts a browsing cycle; from any thread.
    void searchServices();
    // The base-station name stored under exactly this MAC text, or empty.
    QString deviceNameFor(const QString& bssid) const;

    QMap<QString, QString> stations() const;
    void setStations(const QMap<QString, QString>& stations);
    double searchInterval() const;
    // Services found and being resolved.
    QList<sv::ServiceInfo> services() const { return m_services; }
    // Milliseconds until the next cycle starts; -1 when none is scheduled.
    int pendingSearchDelay() const;

    // What the browser reports (main thread).
    void didFindService(const sv::ServiceInfo& service);
    void didFinishBatch(); // no more services are coming for now
    void netServiceDidResolveAddress(const sv::ServiceInfo& service);
    void didNotResolve(const sv::ServiceInfo& service);
    void didRemoveService(const sv::ServiceInfo& service);
    void netServiceBrowserDidStopSearch();

    // The radio MAC texts of a "waMA" TXT value ("raMA" and "raM2" entries),
    // with dashes turned into colons, in the order given.
    static QStringList radioAddressesInTXT(const QByteArray& value);

private:
    sv::ServiceBrowser* browser();
    static QString serviceKey(const sv::ServiceInfo& service);
    // Drops the names that the services matching gone announced.
    void removeStations(const std::function<bool(const QString& owner)>& gone);

    sv::ServiceBrowser* m_browser = nullptr; // made on first search
    QList<sv::ServiceInfo> m_services;
    QTimer m_searchTimer;
    double m_searchInterval = FirstSearchInterval;
    mutable std::mutex m_stationsMutex;
    QMap<QString, QString> m_stations;
    QHash<QString, QString> m_stationOwners; // MAC text -> key of the service that named it
    bool m_reportedFull = false;
    QSet<QString> m_foundThisCycle;          // keys of the services found since the last batch ended
};
