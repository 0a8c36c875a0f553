#include "model/SVNetServiceBrowser.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <utility>
#include <cmath>

SVNetServiceBrowser::SVNetServiceBrowser(QObject* parent) : QObject(parent), m_searchTimer(this)
{
    m_searchTimer.setSingleShot(true);
    connect(&m_searchTimer, &QTimer::timeout, this, &SVNetServiceBrowser::searchServices);
}

SVNetServiceBrowser::~SVNetServiceBrowser() = default;

SVNetServiceBrowser& SVNetServiceBrowser::sharedBrowser()
{
    // Never destroyed: records on other threads may still ask for names at exit.
    static SVNetServiceBrowser* browser = [] {
        auto* b = new SVNetServiceBrowser;
        // Made wherever it was first asked for; its timers and callbacks
        // belong on the main thread.
        if (QCoreApplication* app = QCoreApplication::instance())
            b->moveToThread(app->thread());
        return b;
    }();
    return *browser;
}

sv::ServiceBrowser* SVNetServiceBrowser::browser()
{
    if (m_browser)
        return m_browser;
    m_browser = new sv::ServiceBrowser(this);
    connect(m_browser, &sv::ServiceBrowser::serviceFound, this, &SVNetServiceBrowser::didFindService);
    connect(m_browser, &sv::ServiceBrowser::allForNow, this, &SVNetServiceBrowser::didFinishBatch);
    connect(m_browser, &sv::ServiceBrowser::serviceResolved, this,
            &SVNetServiceBrowser::netServiceDidResolveAddress);
    connect(m_browser, &sv::ServiceBrowser::resolveFailed, this, &SVNetServiceBrowser::didNotResolve);
    connect(m_browser, &sv::ServiceBrowser::serviceRemoved, this, &SVNetServiceBrowser::didRemoveService);
    connect(m_browser, &sv::ServiceBrowser::browseStopped, this,
            &SVNetServiceBrowser::netServiceBrowserDidStopSearch);
    return m_browser;
}

void SVNetServiceBrowser::searchServices()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, &SVNetServiceBrowser::searchServices, Qt::QueuedConnection);
        return;
    }
    browser()->browse(ServiceType, ServiceDomain);
}

QString SVNetServiceBrowser::deviceNameFor(const QString& bssid) const
{
    std::lock_guard lock(m_stationsMutex);
    return m_stations.value(bssid);
}

QMap<QString, QString> SVNetServiceBrowser::stations() const
{
    std::lock_guard lock(m_stationsMutex);
    return m_stations;
}

void SVNetServiceBrowser::setStations(const QMap<QString, QString>& stations)
{
    std::lock_guard lock(m_stationsMutex);
    m_stations = stations;
    m_stationOwners.clear();
}

QString SVNetServiceBrowser::serviceKey(const sv::ServiceInfo& service)
{
    // The parts isSameService compares, one per line.
    return QStringLiteral("%1\n%2\n%3\n%4\n%5")
        .arg(service.interfaceIndex)
        .arg(service.protocol)
        .arg(service.type, service.domain, service.name);
}

void SVNetServiceBrowser::removeStations(const std::function<bool(const QString& owner)>& gone)
{
    std::lock_guard lock(m_stationsMutex);
    for (auto it = m_stationOwners.begin(); it != m_stationOwners.end();) {
        if (gone(it.value())) {
            m_stations.remove(it.key());
            it = m_stationOwners.erase(it);
        } else {
            ++it;
        }
    }
    if (m_stations.size() < MaximumStations)
        m_reportedFull = false;
}

double SVNetServiceBrowser::searchInterval() const { return m_searchInterval; }

int SVNetServiceBrowser::pendingSearchDelay() const
{
    return m_searchTimer.isActive() ? m_searchTimer.interval() : -1;
}

void SVNetServiceBrowser::didFindService(const sv::ServiceInfo& service)
{
    // Each cycle finds the same services again: one pending resolve each.
    const bool pending = std::any_of(m_services.begin(), m_services.end(),
                                     [&service](const sv::ServiceInfo& s) { return s.isSameService(service); });
    m_foundThisCycle.insert(serviceKey(service));
    if (pending || m_services.size() >= MaximumPendingServices)
        return;
    m_services.append(service);
    browser()->resolve(service, ResolveTimeoutMs);
}

void SVNetServiceBrowser::didFinishBatch()
{
    // The daemon has told every service it knows: the others are gone.
    const QSet<QString> found = std::exchange(m_foundThisCycle, {});
    removeStations([&found](const QString& owner) { return !found.contains(owner); });
    if (m_browser)
        m_browser->stop();
}

QStringList SVNetServiceBrowser::radioAddressesInTXT(const QByteArray& value)
{
    QStringList addresses;
    for (const QString& piece : QString::fromLatin1(value).split(u',')) {
        const QStringList parts = piece.split(u'=');
        if (parts.size() != 2 || parts.at(1).isEmpty())
            continue;
        if (parts.at(0) == u"raMA" || parts.at(0) == u"raM2")
            addresses << QString(parts.at(1)).replace(u'-', u':');
    }
    return addresses;
}

void SVNetServiceBrowser::netServiceDidResolveAddress(const sv::ServiceInfo& service)
{
    if (const std::optional<QByteArray> value = service.txtValue("waMA")) {
        const QStringList addresses = radioAddressesInTXT(*value);
        const QString owner = serviceKey(service);
        std::lock_guard lock(m_stationsMutex);
        for (const QString& mac : addresses.mid(0, MaximumRadiosPerService)) {
            if (m_stations.size() >= MaximumStations && !m_stations.contains(mac)) {
                if (!std::exchange(m_reportedFull, true))
                    qCWarning(lcSkyvane).noquote()
                        << "Base-station names: the table is full; names of further radios are not kept";
                break;
            }
            m_stations.insert(mac, service.name);
            m_stationOwners.insert(mac, owner);
        }
    }
    m_services.removeIf([&service](const sv::ServiceInfo& s) { return s.isSameService(service); });
}

void SVNetServiceBrowser::didNotResolve(const sv::ServiceInfo& service)
{
    // Adds no name; dropped so that the next cycle, which finds it again,
    // tries once more instead of piling up copies.
    m_services.removeIf([&service](const sv::ServiceInfo& s) { return s.isSameService(service); });
}

void SVNetServiceBrowser::didRemoveService(const sv::ServiceInfo& service)
{
    const QString key = serviceKey(service);
    m_foundThisCycle.remove(key);
    removeStations([&key](const QString& owner) { return owner == key; });
    m_services.removeIf([&service](const sv::ServiceInfo& s) { return s.isSameService(service); });
}

void SVNetServiceBrowser::netServiceBrowserDidStopSearch()
{
    m_searchInterval = std::min(m_searchInterval * 2, LongestSearchInterval);
    m_searchTimer.start(int(std::lround(m_searchInterval * 1000)));
}
