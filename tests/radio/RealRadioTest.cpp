// Runs inside the radio guest (guest.sh): the kernel's Wi-Fi stack drives
// simulated radios, hostapd runs access points on them, and these tests scan
// them through the real backend, engine and window. Expected values come
// from the access points' configuration files and from what the kernel
// itself reports (iw), never from our own output.

#include "app/AppDelegate.h"
#include "app/SVAlert.h"
#include "model/SVScanMerge.h"
#include "app/WindowFixture.h"
#include "model/SVActiveScanEngine.h"
#include "model/SVNetwork.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/wlan/CWInterface.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVThemeHelper.h"

#include <QFile>
#include <QFont>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <mutex>

namespace {

constexpr int kBoundMs = 120000; // a loaded machine emulating the guest is slow

const QString kRun = qEnvironmentVariable("RADIO_RUN", QStringLiteral("/run/radio"));
const QString kSource = qEnvironmentVariable("RADIO_SOURCE");

// The station radios (guest.sh): wlan13 down, wlan14 up, wlan15 up and joined.
const QString kDown = QStringLiteral("wlan13");
const QString kUp = QStringLiteral("wlan14");
const QString kJoined = QStringLiteral("wlan15");

QString sh(const QString& command, int* exitCode = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
}

// key=value lines of one access point's hostapd configuration.
std::map<QString, QString> apConfig(const QString& name)
{
    std::map<QString, QString> out;
    QFile f(kSource + QStringLiteral("/ap/%1.conf").arg(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    for (const QByteArray& line : f.readAll().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            out[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1));
    }
    return out;
}

QString macOf(const QString& iface)
{
    QFile f(QStringLiteral("/sys/class/net/%1/address").arg(iface));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).trimmed().toUpper();
}

QString apBssid(const QString& name) { return macOf(apConfig(name)["interface"]); }

// The kernel's own view of one BSS through iw: its signal in dBm.
// The kernel's whole entry of one BSS through iw, for failure messages.
QString iwEntry(const QString& station, const QString& bssid)
{
    const QString dump = sh(QStringLiteral("iw dev %1 scan dump").arg(station));
    const qsizetype at = dump.indexOf(QStringLiteral("BSS ") + bssid.toLower());
    return at < 0 ? QStringLiteral("(none)") : dump.mid(at, dump.indexOf(QStringLiteral("\nBSS "), at + 4) - at).left(400);
}

std::optional<int> iwSignal(const QString& station, const QString& bssid)
{
    const QString dump = sh(QStringLiteral("iw dev %1 scan dump").arg(station));
    const qsizetype at = dump.indexOf(QStringLiteral("BSS ") + bssid.toLower());
    if (at < 0)
        return std::nullopt;
    const auto m = QRegularExpression(QStringLiteral("signal: (-?\\d+)\\.")).match(dump, at);
    return m.hasMatch() ? std::optional(m.captured(1).toInt()) : std::nullopt;
}

// The survey's noise on one channel. While a scan is under way the kernel
// lists only the channels it has visited so far: wait until it lists this one.
std::optional<int> iwNoise(const QString& station, int mhz)
{
    const QRegularExpression entry(QStringLiteral("frequency:\\s+%1 MHz[^\\n]*\\n\\s+noise:\\s+(-?\\d+) dBm").arg(mhz));
    std::optional<int> noise;
    (void)QTest::qWaitFor(
        [&] {
            const auto m = entry.match(sh(QStringLiteral("iw dev %1 survey dump").arg(station)));
            if (m.hasMatch())
                noise = m.captured(1).toInt();
            return noise.has_value();
        },
        kBoundMs);
    return noise;
}

int frequencyOf(int channel) { return channel < 36 ? 2407 + 5 * channel : 5000 + 5 * channel; }

// The program's own log lines, for the ways of scanning it reports.
class LogCapture {
public:
    LogCapture() { s_self = this; m_previous = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(m_previous); s_self = nullptr; }
    QStringList lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    bool contains(const QString& text) const
    {
        for (const QString& l : lines())
            if (l.contains(text))
                return true;
        return false;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (s_self) {
            std::lock_guard lock(s_self->m_mutex);
            s_self->m_lines << text;
        }
        if (s_self && s_self->m_previous)
            s_self->m_previous(type, context, text);
    }
    static inline LogCapture* s_self = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable std::mutex m_mutex;
    QStringList m_lines;
};

// Published passes of one engine over a real interface.
class EngineRun {
public:
    explicit EngineRun(const QString& iface)
    {
        wifi = CWInterface::interfaceWithName(iface);
        EXPECT_TRUE(wifi) << iface.toStdString();
        if (!wifi)
            return;
        engine = std::make_unique<SVActiveScanEngine>(wifi, std::nullopt, nullptr, &center);
        // The engine's thread ends its last pass while the engine is being
        // destroyed: the observer holds the engine itself, not the pointer
        // that reset() clears first.
        token = center.addObserver(
            SVActiveScanEngine::ScanDidEndNotification,
            [this, e = engine.get()](const sv::Notification&) {
                if (auto r = e->results()) {
                    std::lock_guard lock(mutex);
                    passes.push_back(*r);
                }
            },
            sv::NotificationCenter::Delivery::PostingThread);
        engine->runEngine();
    }
    ~EngineRun()
    {
        if (engine)
            engine->stopEngine();
        engine.reset();
        token = {};
    }
    // Waits for a pass from index `from` on that holds what pred asks for;
    // returns its index. Pass 0 is what the kernel held before the engine
    // scanned: from 1 on, each pass comes from a scan of its own.
    std::optional<size_t> waitFor(const std::function<bool(const QVector<QVariantMap>&)>& pred, size_t from = 0)
    {
        std::optional<size_t> found;
        size_t seen = from;
        (void)QTest::qWaitFor(
            [&] {
                std::lock_guard lock(mutex);
                for (; seen < passes.size() && !found; ++seen)
                    if (pred(passes[seen]))
                        found = seen;
                return found.has_value();
            },
            kBoundMs);
        return found;
    }
    std::vector<QVector<QVariantMap>> snapshot()
    {
        std::lock_guard lock(mutex);
        return passes;
    }

    sv::NotificationCenter center;
    std::shared_ptr<CWInterface> wifi;
    std::unique_ptr<SVActiveScanEngine> engine;
    sv::NotificationCenter::Observation token;
    std::mutex mutex;
    std::vector<QVector<QVariantMap>> passes;
};

QList<QVariantMap> entriesOf(const QVector<QVariantMap>& pass, const QString& bssid)
{
    QList<QVariantMap> out;
    for (const QVariantMap& d : pass)
        if (d.value(QStringLiteral("bssid")).toString().compare(bssid, Qt::CaseInsensitive) == 0)
            out << d;
    return out;
}

bool holds(const QVector<QVariantMap>& pass, const QString& bssid) { return !entriesOf(pass, bssid).isEmpty(); }

// The window on a real interface, offscreen, as a user starts it.
struct Window {
    explicit Window(std::function<int(const SVAlert&)> responder = [](const SVAlert&) { return 1001; })
    {
        passes = sv::NotificationCenter::defaultCenter().addObserver(
            SVActiveScanEngine::ScanDidEndNotification, [this](const sv::Notification&) { ++passesEnded; },
            sv::NotificationCenter::Delivery::PostingThread);
        SVAlert::setAutomaticResponder(std::move(responder));
        AppDelegate::Options options;
        options.clock = clock;
        options.scanTimerIntervalMs = 500;
        app = std::make_unique<AppDelegate>(options);
        app->awakeFromNib();
        app->applicationWillFinishLaunching();
    }
    ~Window() { sv::test::endWindow(app); }

    std::shared_ptr<SVNetwork> record(const QString& bssid) const
    {
        for (const auto& n : app->networks())
            if (n->bssid() == bssid)
                return n;
        return nullptr;
    }
    bool waitForRecords(const QStringList& bssids, int bound = kBoundMs) const
    {
        return QTest::qWaitFor(
            [&] {
                for (const QString& b : bssids)
                    if (!record(b))
                        return false;
                return true;
            },
            bound);
    }
    // What the table shows in one column of one record's row.
    QModelIndex cell(const QString& bssid, const QString& identifier) const
    {
        SVNetworksTableModel* model = app->networksModel();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->rowAt(row)->bssidValue() == bssid)
                return model->index(row, networkColumnIndex(identifier));
        return {};
    }
    QString text(const QString& bssid, const QString& identifier) const
    {
        return cell(bssid, identifier).data().toString();
    }

    // The window's timer shows the engine's latest pass on every tick: waits
    // until a pass from a scan of its own (the first one takes what the
    // kernel held) has ended and the window has shown it.
    bool waitForScannedPass()
    {
        const int wanted = std::max(2, passesEnded.load() + 1);
        return QTest::qWaitFor([&] { return passesEnded >= wanted; }, kBoundMs) && sv::test::waitForShownLists(1);
    }

    std::atomic<int> passesEnded{0};
    sv::NotificationCenter::Observation passes;
    std::shared_ptr<sv::ManualClock> clock = std::make_shared<sv::ManualClock>();
    std::unique_ptr<AppDelegate> app;
};

void setDefaults(std::initializer_list<std::pair<const char*, QVariant>> values)
{
    auto& d = sv::UserDefaults::standardUserDefaults();
    for (const auto& [key, value] : values) {
        if (value.isNull())
            d.removeObjectForKey(QString::fromLatin1(key));
        else
            d.setObject(value, QString::fromLatin1(key));
    }
}

int rfkillIndexOf(const QString& iface)
{
    const QString out = sh(QStringLiteral("ls -d /sys/class/net/%1/phy80211/rfkill*").arg(iface));
    const auto m = QRegularExpression(QStringLiteral("rfkill(\\d+)")).match(out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The administrative state in ip's flag list ("<NO-CARRIER,BROADCAST,MULTICAST,UP>").
bool interfaceIsUp(const QString& iface)
{
    const auto m = QRegularExpression(QStringLiteral("<([^>]*)>")).match(sh(QStringLiteral("ip -o link show %1").arg(iface)));
    return m.hasMatch() && m.captured(1).split(QLatin1Char(',')).contains(QStringLiteral("UP"));
}

} // namespace

// ---- with CAP_NET_ADMIN ----

TEST(RealRadio, DefaultInterfaceIsTheOneInUse)
{
    const QStringList names = CWInterface::interfaceNames();
    for (const QString& n : {kDown, kUp, kJoined})
        EXPECT_TRUE(names.contains(n)) << n.toStdString();
    auto chosen = CWInterface::interface();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->interfaceName(), kJoined);

    // A name that is not there: the message, and the same choice.
    setDefaults({{"InterfaceName", QStringLiteral("wlan99")}});
    LogCapture log;
    {
        Window w;
        ASSERT_TRUE(w.app->currentInterface());
        EXPECT_EQ(w.app->currentInterface()->interfaceName(), kJoined);
    }
    EXPECT_TRUE(log.contains(QStringLiteral("Invalid interface name: wlan99, using default.")));
    setDefaults({{"InterfaceName", QVariant()}});
}

TEST(RealRadio, TableShowsWhatTheAccessPointsAnnounce)
{
    // What the configuration asks for, as the table words it. The radios
    // offer two HT and eight VHT spatial streams, of which the table counts
    // the first four of the VHT map; rates follow from the streams, the
    // width and the guard interval the configuration allows. A 5 GHz network
    // with VHT reads "ac" alone.
    struct Expect {
        const char* conf;
        const char* width;
        int center;
        const char* phy;
        const char* security;
        const char* wps;
        const char* streams;
        const char* basicRates;
        const char* maxRate;
        const char* country;
        const char* stations;
        qint64 utilization; // -1: no BSS Load element
    };
    const Expect table[] = {
        {"open", "20 MHz", 1, "b/g", "", "", "1", "1, 2, 5.5, 11 Mbps", "54 Mbps", "", "", -1},
        {"wpa2", "20 MHz", 6, "b/g/n", "WPA2 (PSK)", "", "2", "1, 2, 5.5, 11 Mbps", "130 Mbps", "", "", -1},
        {"sae", "20 MHz", 11, "b/g/n", "WPA3 (SAE)", "", "2", "1, 2, 5.5, 11 Mbps", "130 Mbps", "", "", -1},
        {"transition", "20 MHz", 36, "a/n", "WPA2/WPA3 (PSK/SAE)", "", "2", "6, 12, 24 Mbps", "130 Mbps", "", "", -1},
        {"enterprise", "20 MHz", 40, "a/n", "WPA2 (802.1X)", "", "2", "6, 12, 24 Mbps", "130 Mbps", "", "", -1},
        {"hidden", "20 MHz", 6, "b/g/n", "WPA2 (PSK)", "", "2", "1, 2, 5.5, 11 Mbps", "130 Mbps", "", "", -1},
        {"ht40", "40 MHz", 3, "b/g/n", "WPA2 (PSK)", "", "2", "1, 2, 5.5, 11 Mbps", "300 Mbps", "", "", -1},
        {"vht80", "80 MHz", 42, "ac", "WPA2 (PSK)", "", "4", "6, 12, 24 Mbps", "1733.3 Mbps", "DE", "", -1},
        {"wps", "20 MHz", 11, "b/g/n", "WPA2 (PSK)", "Configured", "2", "1, 2, 5.5, 11 Mbps", "130 Mbps", "", "", -1},
        {"bssload", "20 MHz", 6, "g/n", "", "", "2", "6, 12, 24 Mbps", "130 Mbps", "DE", "12", 31},
    };
    QStringList bssids;
    for (const Expect& e : table)
        bssids << apBssid(QString::fromLatin1(e.conf));

    Window w;
    ASSERT_TRUE(w.app->isScanning());
    ASSERT_TRUE(w.waitForRecords(bssids)) << "heard: " << w.app->networks().size();
    ASSERT_TRUE(w.waitForScannedPass());
    w.app->doStop();

    for (const Expect& e : table) {
        const QString name = QString::fromLatin1(e.conf);
        auto conf = apConfig(name);
        const QString bssid = apBssid(name);
        SCOPED_TRACE(name.toStdString());
        const int channel = conf["channel"].toInt();
        const bool hidden = conf["ignore_broadcast_ssid"] == QLatin1String("1");
        EXPECT_EQ(w.text(bssid, "BSSID"), bssid);
        EXPECT_EQ(w.text(bssid, "SSID"), hidden ? QStringLiteral("<Hidden Network>") : conf["ssid"]);
        EXPECT_EQ(w.text(bssid, "CHANNEL"), QString::number(channel));
        EXPECT_EQ(w.text(bssid, "CHANNEL_BAND"), conf["hw_mode"] == QLatin1String("a") ? "5 GHz" : "2.4 GHz");
        EXPECT_EQ(w.text(bssid, "CHANNEL_WIDTH"), e.width);
        EXPECT_EQ(w.text(bssid, "CHANNEL_CENTER"), QString::number(e.center));
        EXPECT_EQ(w.text(bssid, "PHY_MODE"), e.phy);
        EXPECT_EQ(w.text(bssid, "SECURITY_MODE"), e.security);
        EXPECT_EQ(w.text(bssid, "WPS"), e.wps);
        EXPECT_EQ(w.text(bssid, "STREAMS"), e.streams);
        EXPECT_EQ(w.text(bssid, "BASIC_RATES"), e.basicRates);
        EXPECT_EQ(w.text(bssid, "MAX_RATE"), e.maxRate);
        EXPECT_EQ(w.text(bssid, "CC"), e.country);
        EXPECT_EQ(w.text(bssid, "STATION_COUNT"), e.stations);
        auto n = w.record(bssid);
        ASSERT_TRUE(n);
        EXPECT_EQ(n->channelUtilizationValue(), e.utilization);
        // Signal and noise as the kernel reports them to anyone who asks.
        EXPECT_EQ(std::optional<int>(int(n->rssiValue())), iwSignal(kJoined, bssid));
        EXPECT_EQ(std::optional<int>(int(n->noiseValue())), iwNoise(kJoined, frequencyOf(channel)));
    }

    // The network the station joined: marked, highlighted, and its link read.
    const QString home = apBssid(QStringLiteral("wpa2"));
    EXPECT_EQ(w.app->currentInterface()->bssid().toUpper(), home);
    EXPECT_EQ(w.app->currentInterface()->ssid(), QStringLiteral("Home WPA2"));
    for (const QString& b : bssids) {
        const auto n = w.record(b);
        const QModelIndex ssid = w.cell(b, "SSID");
        EXPECT_EQ(n->associated(), b == home) << b.toStdString();
        EXPECT_EQ(ssid.data(Qt::FontRole).value<QFont>().bold(), b == home) << b.toStdString();
    }
}

TEST(RealRadio, AccessPointThatGoesAwayAgesAndIsRemoved)
{
    setDefaults({{"DeleteIfNotSeen", true}, {"MaxElapsedTimeNotSeen", 1}}); // 60 s
    Window w;
    const QString leaving = apBssid(QStringLiteral("leaving"));
    ASSERT_TRUE(w.waitForRecords({leaving}));
    sh(QStringLiteral("kill $(cat %1/leaving.pid)").arg(kRun));
    // Not heard again: a no-signal sample per tick, and it ages.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            auto n = w.record(leaving);
            return n && n->dataPointCount() >= 2 && n->lastDataPoint()->rssiValue() == -120;
        },
        kBoundMs));
    const auto n = w.record(leaving);
    ASSERT_TRUE(n);
    const double seen = n->lastSeenElapsedSeconds();
    EXPECT_LT(seen, 60);
    // The clock moves past the limit in two steps with a pass between them,
    // so the others are heard after each step: one jump of 61 s would age
    // every record whose next pass had not yet come in.
    const QString staying = apBssid(QStringLiteral("open"));
    w.clock->advance(30);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            auto o = w.record(staying);
            return o && o->lastSeen() >= w.clock->now().addSecs(-10);
        },
        kBoundMs));
    w.clock->advance(35);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.record(leaving); }, kBoundMs));
    EXPECT_TRUE(w.record(staying));
    setDefaults({{"DeleteIfNotSeen", QVariant()}, {"MaxElapsedTimeNotSeen", QVariant()}});
}

TEST(RealRadio, AccessPointThatChangesChannel)
{
    const QString hopper = apBssid(QStringLiteral("hopper"));
    auto onChannel = [&](int channel) {
        return [&, channel](const QVector<QVariantMap>& pass) {
            const auto e = entriesOf(pass, hopper);
            return e.size() == 1 && e[0].value(QStringLiteral("channelNumber")).toInt() == channel;
        };
    };
    EngineRun run(kUp);
    ASSERT_TRUE(run.waitFor(onChannel(6)));
    int rc = -1;
    const QString out = sh(QStringLiteral("hostapd_cli -p %1/hostapd -i wlan11 chan_switch 5 2462").arg(kRun), &rc);
    ASSERT_EQ(rc, 0) << out.toStdString();
    const auto moved = run.waitFor(onChannel(11));
    ASSERT_TRUE(moved);
    // Merged into the list, it stays one record that moved.
    const auto passes = run.snapshot();
    SVNetworkList list;
    QDateTime t = QDateTime::currentDateTimeUtc();
    for (const auto& pass : passes) {
        t = t.addSecs(3);
        list = mergeNetworks(pass, list, t, SVSensitivityNoCut, 3600);
    }
    int records = 0;
    for (const auto& n : list)
        if (n->bssid() == hopper) {
            ++records;
            EXPECT_EQ(n->channel(), 11);
        }
    EXPECT_EQ(records, 1);
}

TEST(RealRadio, TwoInterfacesScanSideBySide)
{
    // Each waits for the end of its own scan, not the other's.
    const QString open = apBssid(QStringLiteral("open"));
    const QString five = apBssid(QStringLiteral("vht80"));
    LogCapture log;
    EngineRun a(kUp), b(kJoined);
    auto both = [&](const QVector<QVariantMap>& pass) { return holds(pass, open) && holds(pass, five); };
    EXPECT_TRUE(a.waitFor(both, 1));
    EXPECT_TRUE(b.waitFor(both, 1));
    EXPECT_TRUE(log.contains(kUp + QStringLiteral(" : scanning through nl80211")));
    EXPECT_TRUE(log.contains(kJoined + QStringLiteral(" : scanning through nl80211")));
}

TEST(RealRadio, BlockedRadioAsksAndTurnsWiFiOn)
{
    const int index = rfkillIndexOf(kUp);
    ASSERT_GE(index, 0);
    setDefaults({{"InterfaceName", kUp}});
    int asked = 0;
    Window w([&](const SVAlert& alert) {
        if (alert.messageText() != QStringLiteral("Wi-Fi is off. Do you want to turn it on?"))
            return 1001;
        ++asked;
        return 1000; // "Turn Wi-Fi On"
    });
    ASSERT_EQ(w.app->currentInterface()->interfaceName(), kUp);
    ASSERT_TRUE(w.waitForRecords({apBssid(QStringLiteral("open"))}));
    sh(QStringLiteral("rfkill block %1").arg(index));
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked > 0; }, kBoundMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.app->currentInterface()->powerOn(); }, kBoundMs));
    EXPECT_TRUE(interfaceIsUp(kUp));
    EXPECT_TRUE(sh(QStringLiteral("rfkill list %1").arg(index)).contains(QStringLiteral("Soft blocked: no")));
    EXPECT_TRUE(w.app->isScanning());
    // Scanning goes on: the list is shown again after the radio came back.
    EXPECT_TRUE(sv::test::waitForShownLists(2));
    setDefaults({{"InterfaceName", QVariant()}});
}

// ---- as an ordinary user ----

TEST(OrdinaryUser, SystemScans)
{
    // guest.sh: wpa_supplicant scans on wlan14; "Brief Visit" was heard and
    // then went, so the kernel still lists it without hearing it again.
    const QString brief = apBssid(QStringLiteral("brief"));
    const QString open = apBssid(QStringLiteral("open"));
    LogCapture log;
    EngineRun run(kUp);
    // Two passes after the first (which takes what the kernel holds).
    ASSERT_TRUE(run.waitFor([&](const QVector<QVariantMap>&) { return run.passes.size() >= 4; }));
    EXPECT_TRUE(log.contains(kUp + QStringLiteral(" : no permission to scan; reading the system's own scan results")));
    const auto passes = run.snapshot();
    for (size_t i = 1; i < passes.size(); ++i) {
        EXPECT_FALSE(holds(passes[i], brief)) << "pass " << i << "; the kernel's entry now: "
                                              << iwEntry(kUp, brief).toStdString();
    }
    bool heardOpen = false;
    for (size_t i = 1; i < passes.size(); ++i)
        heardOpen = heardOpen || holds(passes[i], open);
    EXPECT_TRUE(heardOpen);
    // The system scans all the time, so most dumps come while its survey is
    // part-way through the channels: a channel's noise, once read, stays the
    // kernel's and never falls back to "none" (0).
    std::map<int, int> noiseRead; // MHz -> the first pass that had it
    std::map<int, std::optional<int>> kernel;
    for (size_t i = 0; i < passes.size(); ++i)
        for (const QVariantMap& d : passes[i]) {
            const int mhz = frequencyOf(d.value(QStringLiteral("channelNumber")).toInt());
            const int noise = d.value(QStringLiteral("noiseMeasurement")).toInt();
            SCOPED_TRACE(QStringLiteral("pass %1, %2 MHz").arg(i).arg(mhz).toStdString());
            if (noise != 0) {
                if (!kernel.contains(mhz))
                    kernel[mhz] = iwNoise(kUp, mhz);
                EXPECT_EQ(std::optional(noise), kernel[mhz]);
                noiseRead.try_emplace(mhz, int(i));
            } else {
                EXPECT_FALSE(noiseRead.contains(mhz)) << "read in pass " << noiseRead[mhz];
            }
        }
    // Merged: the entry the kernel kept but did not hear gets no-signal samples.
    SVNetworkList list;
    QDateTime t = QDateTime::currentDateTimeUtc();
    for (const auto& pass : passes) {
        t = t.addSecs(3);
        list = mergeNetworks(pass, list, t, SVSensitivityNoCut, 3600);
    }
    for (const auto& n : list) {
        if (n->bssid() == brief) {
            EXPECT_EQ(n->lastDataPoint()->rssiValue(), -120);
        }
    }
}

TEST(OrdinaryUser, TurningWiFiOnWithoutPermission)
{
    // guest.sh blocked wlan13's radio; this user may not unblock it.
    setDefaults({{"InterfaceName", kDown}});
    QString informative;
    Window w([&](const SVAlert& alert) {
        if (alert.messageText() == QStringLiteral("Wi-Fi is off. Do you want to turn it on?"))
            return informative.isEmpty() ? 1000 : 1001; // once "Turn Wi-Fi On", then "Cancel"
        if (alert.messageText() == QStringLiteral("Wi-Fi could not be turned on."))
            informative = alert.informativeText();
        return 1000;
    });
    ASSERT_EQ(w.app->currentInterface()->interfaceName(), kDown);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.app->isScanning(); }, kBoundMs));
    EXPECT_EQ(informative, QStringLiteral("Not permitted to switch the Wi-Fi radio (/dev/rfkill: Permission denied)."));
    EXPECT_FALSE(w.app->currentInterface()->powerOn());
    setDefaults({{"InterfaceName", QVariant()}});
}

TEST(OrdinaryUser, NetworkManagerScans)
{
    // NetworkManager's debug log names each scan it starts for a request
    // ("explicit"), apart from its own periodic ones.
    QFile nm(qEnvironmentVariable("RADIO_NM_LOG"));
    auto explicitScans = [&] {
        if (!nm.isOpen() && !nm.open(QIODevice::ReadOnly))
            return -1;
        nm.seek(0);
        return int(QString::fromUtf8(nm.readAll()).count(QStringLiteral("wlan14): wifi-scan: start explicit scan")));
    };
    const int before = explicitScans();
    ASSERT_GE(before, 0) << "no NetworkManager log";
    const QString open = apBssid(QStringLiteral("open"));
    const QString five = apBssid(QStringLiteral("vht80"));
    LogCapture log;
    {
        EngineRun run(kUp);
        EXPECT_TRUE(run.waitFor([&](const QVector<QVariantMap>& pass) { return holds(pass, open) && holds(pass, five); }, 1));
    }
    EXPECT_TRUE(log.contains(kUp + QStringLiteral(" : no permission to scan; asking NetworkManager for scans")));
    EXPECT_GT(explicitScans(), before);
}
