#include "model/SVActiveScanEngine.h"

#include "model/CWInterfaceUtil.h"
#include "model/CWNetworkUtil.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <unordered_set>
#include <utility>

namespace {

constexpr double kRetryPause = 3.0;
constexpr double kPowerOffPause = 1.0;
constexpr double kMinimumPass = 1.0;
// The extra wait after a directed scan belongs to every system newer than
// the oldest one the design knew; all Linux systems count as newer.
constexpr bool kWaitAfterDirectedScan = true;

// The networks of one pass, each BSS once: a BSSID compared without case
// and the band. The keys make a pass linear in the networks heard.
class UniqueNetworks {
public:
    void add(const CWNetwork& n)
    {
        if (m_keys.insert(keyOf(n.bssid(), n.wlanChannel().channelBand())).second)
            m_list.push_back(n);
    }
    bool contains(const QString& bssid, int band) const { return m_keys.contains(keyOf(bssid, band)); }
    bool isEmpty() const { return m_list.isEmpty(); }
    QList<CWNetwork> take() { return std::move(m_list); }

private:
    static std::pair<QString, int> keyOf(const QString& bssid, int band) { return {bssid.toCaseFolded(), band}; }

    struct Hash {
        size_t operator()(const std::pair<QString, int>& k) const { return qHash(k.first, size_t(k.second)); }
    };
    std::unordered_set<std::pair<QString, int>, Hash> m_keys;
    QList<CWNetwork> m_list;
};

} // namespace

SVActiveScanEngine::SVActiveScanEngine(std::shared_ptr<CWInterface> wifi, std::optional<QString> ssid,
                                       std::shared_ptr<sv::Clock> clock, sv::NotificationCenter* center)
    : m_wifi(std::move(wifi)),
      m_clock(clock ? std::move(clock) : std::make_shared<sv::SystemClock>()),
      m_center(center ? center : &sv::NotificationCenter::defaultCenter()),
      m_ssid(std::move(ssid))
{
}

SVActiveScanEngine::~SVActiveScanEngine()
{
    stopEngine();
    // Every wait of the loop is cut and the scan under way aborted, and the
    // loop starts nothing once stopped: the join only waits for the radio to
    // notice the abort.
    if (m_thread.joinable())
        m_thread.join();
}

void SVActiveScanEngine::runEngine()
{
    if (m_isRunning)
        return;
    // A loop that was stopped may still be ending: let it end first so two
    // loops never share the engine.
    if (m_thread.joinable())
        m_thread.join();
    m_clock->resume();
    m_wifi->resumeScans();
    m_isRunning = true;
    m_thread = std::thread([this] { scan(); });
}

void SVActiveScanEngine::stopEngine()
{
    {
        std::lock_guard lock(m_mutex);
        m_networks.reset();
        m_isRunning = false;
        m_scans = 0;
    }
    // Both stay in force until the engine is started again, so a wait or a
    // scan that begins after this ends at once too.
    m_clock->cancel();
    m_wifi->abortScans();
}

bool SVActiveScanEngine::hasResults() const
{
    std::lock_guard lock(m_mutex);
    return m_networks != nullptr;
}

SVScanResults SVActiveScanEngine::results() const
{
    std::lock_guard lock(m_mutex);
    return m_networks;
}

bool SVActiveScanEngine::powerOn() const { return m_wifi->powerOn(); }

std::optional<QString> SVActiveScanEngine::ssid() const
{
    std::lock_guard lock(m_mutex);
    return m_ssid;
}

void SVActiveScanEngine::setSsid(std::optional<QString> ssid)
{
    std::lock_guard lock(m_mutex);
    m_ssid = std::move(ssid);
}

void SVActiveScanEngine::setNetworks(SVScanResults networks)
{
    std::lock_guard lock(m_mutex);
    // A pass that ends after stopEngine must not bring back a result.
    if (m_isRunning)
        m_networks = std::move(networks);
}

void SVActiveScanEngine::post(const QString& name) { m_center->post(name); }

bool SVActiveScanEngine::wait(double seconds)
{
    m_clock->sleep(seconds);
    return m_isRunning;
}

void SVActiveScanEngine::scan()
{
    while (m_isRunning) {
        post(ScanDidStartNotification);
        double pause = kPowerOffPause;
        if (m_wifi->powerOn()) {
            auto dictionaries = std::make_shared<QVector<QVariantMap>>();
            for (const CWNetwork& n : scanForNetworks()) {
                if (n.bssid().isEmpty()) {
                    qCInfo(lcSkyvane).noquote() << QStringLiteral("Network (%1) found but BSSID cannot be determined.")
                                                       .arg(n.ssid().isNull() ? QStringLiteral("<unknown>") : n.ssid());
                    continue;
                }
                dictionaries->push_back(CWNetworkUtil::dictionary(n));
            }
            setNetworks(std::move(dictionaries));
            pause = m_scanInterval;
        }
        post(ScanDidEndNotification);
        wait(pause);
    }
}

QList<CWNetwork> SVActiveScanEngine::scanForNetworks()
{
    const double start = m_clock->monotonicSeconds();
    const std::optional<QString> directedName = ssid();
    const std::optional<QByteArray> directedBytes =
        directedName ? std::optional<QByteArray>(directedName->toUtf8()) : std::nullopt;
    UniqueNetworks collected;
    QList<CWNetwork> inHand;
    CWError lastError;

    // The running flag is read again after every wait and every call that
    // may block, so a stopped engine starts no scan.
    for (int attempt = 0; attempt < 3 && m_isRunning; ++attempt) {
        lastError = CWError();
        if (m_firstTime) {
            m_firstTime = false;
            if (!directedName)
                inHand = m_wifi->cachedScanResults();
        }
        if (inHand.isEmpty() && m_isRunning)
            inHand = m_wifi->scanForNetworksWithSSID(directedBytes, &lastError);
        if (!inHand.isEmpty() && !lastError)
            for (const CWNetwork& n : inHand)
                collected.add(n);
        if (collected.isEmpty()) {
            wait(kRetryPause);
            continue;
        }
        if (kWaitAfterDirectedScan && m_didPerformedDirectedScan) {
            wait(kRetryPause);
            m_didPerformedDirectedScan = false;
            continue;
        }
        lastError = CWError();
        break;
    }

    ++m_scans;
    QList<CWNetwork> front;

    if (m_isRunning) {
        bool directedRescan = true;
        if (lastError) {
            qCInfo(lcSkyvane).noquote() << QStringLiteral("scan: %1").arg(lastError.localizedDescription);
            directedRescan = lastError.code == kCWTimeoutErr;
        }
        // One reading of the link serves the whole pass (and the window's
        // getters until the next one).
        const CWLinkState link = directedRescan && !directedName ? m_wifi->refreshLinkState() : CWLinkState();
        if (directedRescan && !directedName && CWInterfaceUtil::isAssociated(link)) {
            const int band = CWInterfaceUtil::channelBand(link);
            const bool present = collected.contains(link.bssid, band);
            CWNetwork joined;
            joined.setSsidData(link.ssidData);
            if (!present && !joined.ssid().isNull()) {
                if (m_clock->monotonicSeconds() - start < kRetryPause)
                    wait(kRetryPause);
                CWError error;
                QList<CWNetwork> directed;
                if (m_isRunning) {
                    directed = m_wifi->scanForNetworksWithSSID(link.ssidData, &error);
                    m_didPerformedDirectedScan = true;
                }
                // The directed scan's networks go in front, each once; the
                // rest of the pass follows as it was.
                UniqueNetworks joinedScan;
                if (!directed.isEmpty() && !error)
                    for (const CWNetwork& n : directed)
                        joinedScan.add(n);
                front = joinedScan.take();
            }
        }
    }

    const double elapsed = m_clock->monotonicSeconds() - start;
    if (elapsed < kMinimumPass)
        wait(kMinimumPass - elapsed);
    front.append(collected.take());
    return front;
}
