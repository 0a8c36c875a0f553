#include "platform/wlan/CWInterface.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Resources.h"
#include "platform/wlan/Nl80211Backend.h"
#include "platform/wlan/SimulatedRadio.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <mutex>

// The latest link reading of one interface, shared by its getters and its
// event watch; read and written from the main thread and the engine's.
struct CWInterface::LinkReading {
    std::mutex mutex;
    std::optional<CWLinkState> state;

    CWLinkState refresh(CWWlanBackend& backend)
    {
        CWLinkState link = backend.linkState();
        std::lock_guard lock(mutex);
        state = link;
        return link;
    }
    CWLinkState get(CWWlanBackend& backend)
    {
        {
            std::lock_guard lock(mutex);
            if (state)
                return *state;
        }
        return refresh(backend);
    }
    void drop()
    {
        std::lock_guard lock(mutex);
        state.reset();
    }
};

namespace {

std::mutex g_scenarioMutex;
QString g_scenarioPath;

// Polls the radio and posts a notification for each change it sees.
class Monitor : public QObject {
public:
    Monitor(std::shared_ptr<CWWlanBackend> backend, std::shared_ptr<CWInterface::LinkReading> reading, int intervalMs)
        : m_backend(std::move(backend)), m_reading(std::move(reading))
    {
        m_power = m_backend->powerOn();
        const CWLinkState link = m_reading->refresh(*m_backend);
        m_bssid = link.bssid;
        m_rssi = link.rssi;
        m_rate = link.transmitRate;
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start(intervalMs);
    }

private:
    void poll()
    {
        auto& center = sv::NotificationCenter::defaultCenter();
        const QVariantMap info{{QStringLiteral("interfaceName"), m_backend->interfaceName()}};
        const bool power = m_backend->powerOn();
        if (power != m_power) {
            m_power = power;
            center.post(CWInterface::PowerDidChangeNotification, info);
        }
        const CWLinkState link = m_reading->refresh(*m_backend);
        if (link.bssid.compare(m_bssid, Qt::CaseInsensitive) != 0) {
            m_bssid = link.bssid;
            center.post(CWInterface::BSSIDDidChangeNotification, info);
        }
        if (link.rssi != m_rssi || link.transmitRate != m_rate) {
            m_rssi = link.rssi;
            m_rate = link.transmitRate;
            QVariantMap quality = info;
            quality.insert(QStringLiteral("rssi"), link.rssi);
            quality.insert(QStringLiteral("transmitRate"), link.transmitRate);
            center.post(CWInterface::LinkQualityDidChangeNotification, quality);
        }
    }

    std::shared_ptr<CWWlanBackend> m_backend;
    std::shared_ptr<CWInterface::LinkReading> m_reading;
    QTimer m_timer;
    bool m_power = false;
    QString m_bssid;
    int m_rssi = 0;
    double m_rate = 0;
};

} // namespace

CWInterface::CWInterface(std::shared_ptr<CWWlanBackend> backend)
    : m_backend(std::move(backend)), m_link(std::make_shared<LinkReading>())
{
}

CWInterface::~CWInterface() { stopMonitoringEvents(); }

QStringList CWInterface::interfaceNames() { return sv::wlan::Nl80211Backend::interfaceNames(); }

QString CWInterface::defaultInterfaceName(const QList<Candidate>& candidates)
{
    auto rank = [](const Candidate& c) { return c.up ? (c.associated ? 0 : 1) : 2; };
    const Candidate* best = nullptr;
    for (const Candidate& c : candidates)
        if (!best || rank(c) < rank(*best))
            best = &c;
    return best ? best->name : QString();
}

std::shared_ptr<CWInterface> CWInterface::interface()
{
    // The first name the kernel lists may well be a radio nobody uses while
    // another one is up and joined.
    QList<Candidate> candidates;
    std::map<QString, std::shared_ptr<sv::wlan::Nl80211Backend>> backends;
    for (const QString& name : interfaceNames()) {
        auto backend = std::make_shared<sv::wlan::Nl80211Backend>(name);
        Candidate c{name, backend->powerOn(), false};
        c.associated = c.up && !backend->linkState().bssid.isEmpty();
        candidates << c;
        backends[name] = std::move(backend);
    }
    const QString name = defaultInterfaceName(candidates);
    if (name.isEmpty()) {
        qCInfo(lcSkyvane) << "No Wi-Fi interface found.";
        return nullptr;
    }
    return std::make_shared<CWInterface>(backends[name]);
}

bool CWInterface::isSimulatedName(const QString& name) { return name.startsWith(QLatin1String("sim")); }

void CWInterface::setScenarioPath(const QString& path)
{
    std::lock_guard lock(g_scenarioMutex);
    g_scenarioPath = path;
}

QString CWInterface::scenarioPath()
{
    std::lock_guard lock(g_scenarioMutex);
    return g_scenarioPath;
}

QString CWInterface::defaultScenarioPath() { return sv::resourcePath(QStringLiteral("scenarios/office.json")); }

std::shared_ptr<CWInterface> CWInterface::interfaceWithName(const QString& name, QString* error)
{
    if (isSimulatedName(name)) {
        QString path = scenarioPath();
        if (path.isEmpty())
            path = defaultScenarioPath();
        if (path.isEmpty()) {
            if (error)
                *error = QStringLiteral("The default scenario scenarios/office.json is not installed.");
            return nullptr;
        }
        auto radio = sv::wlan::SimulatedRadio::fromFile(name, path, sv::Clock::system(), error);
        return radio ? std::make_shared<CWInterface>(std::move(radio)) : nullptr;
    }
    if (!interfaceNames().contains(name)) {
        if (error)
            *error = QStringLiteral("No Wi-Fi interface named %1.").arg(name);
        return nullptr;
    }
    return std::make_shared<CWInterface>(std::make_shared<sv::wlan::Nl80211Backend>(name));
}

QString CWInterface::interfaceName() const { return m_backend->interfaceName(); }
QList<CWNetwork> CWInterface::cachedScanResults() const { return m_backend->cachedScanResults(); }

QList<CWNetwork> CWInterface::scanForNetworksWithSSID(const std::optional<QByteArray>& ssid, CWError* error) const
{
    CWError e;
    QList<CWNetwork> found = m_backend->scan(ssid, &e);
    if (error)
        *error = e;
    return found;
}

bool CWInterface::powerOn() const { return m_backend->powerOn(); }

bool CWInterface::setPower(bool on, CWError* error)
{
    CWError e;
    const bool ok = m_backend->setPower(on, &e);
    m_link->drop();
    if (error)
        *error = e;
    return ok;
}

CWLinkState CWInterface::linkState() const { return m_link->get(*m_backend); }
CWLinkState CWInterface::refreshLinkState() const { return m_link->refresh(*m_backend); }

QString CWInterface::bssid() const { return linkState().bssid; }

QString CWInterface::ssid() const
{
    CWNetwork decode;
    decode.setSsidData(ssidData());
    return decode.ssid();
}

QByteArray CWInterface::ssidData() const { return linkState().ssidData; }
std::optional<CWChannel> CWInterface::wlanChannel() const { return linkState().channel; }
double CWInterface::transmitRate() const { return linkState().transmitRate; }
void CWInterface::abortScans() const { m_backend->abortScans(); }
void CWInterface::resumeScans() const { m_backend->resumeScans(); }

void CWInterface::startMonitoringEvents(int intervalMs)
{
    stopMonitoringEvents();
    m_monitor = new Monitor(m_backend, m_link, intervalMs);
}

void CWInterface::stopMonitoringEvents()
{
    if (m_monitor)
        m_monitor->deleteLater();
    m_monitor = nullptr;
}
