#include <gtest/gtest.h>

#include "elements/ElementDecoders.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Resources.h"
#include "platform/wlan/CWInterface.h"
#include "platform/wlan/SimulatedRadio.h"
#include "platform/wlan/ElementWalk.h"
#include "platform/wlan/WlanElements.h"

#include <QTemporaryDir>
#include <QTest>

#include <set>

using sv::wlan::SimulatedRadio;

namespace {

const char* kScenario = R"({
  "associated": {"bssid": "02:00:00:00:00:02", "transmitRate": 433.3},
  "scanScript": [{"scan": 1, "error": -3905}, {"scan": 2, "empty": true},
                 {"scan": 3, "error": -3931, "description": "Radio busy."}],
  "networks": [
    {"bssid": "02:00:00:00:00:01", "ssid": "Open", "channel": 6, "rssi": [-40, -41, -42, -43, -44, null], "noise": -91},
    {"bssid": "02:00:00:00:00:02", "ssid": "Joined", "channel": 44, "width": 3, "rssi": -55,
     "privacy": true, "ies": "0006 4a6f696e6564", "beaconInterval": 200},
    {"bssid": "02:00:00:00:00:03", "ssid": "Quiet", "hidden": true, "channel": 11, "ibss": true}
  ]})";

std::shared_ptr<SimulatedRadio> load(const QByteArray& json, std::shared_ptr<sv::Clock> clock = nullptr,
                                     QString* error = nullptr)
{
    QString e;
    auto radio = SimulatedRadio::fromJson(QStringLiteral("sim0"), json, QStringLiteral("case.json"),
                                          clock ? clock : std::make_shared<sv::ManualClock>(), &e);
    if (error)
        *error = e;
    return radio;
}

QStringList names(const QList<CWNetwork>& networks)
{
    QStringList out;
    for (const CWNetwork& n : networks)
        out << (n.ssid().isNull() ? QStringLiteral("-") : n.ssid());
    return out;
}

} // namespace

TEST(SimulatedInterface, ReportsTheLinkAndTheNetworks)
{
    auto radio = load(kScenario);
    ASSERT_TRUE(radio);
    CWInterface wifi(radio);
    EXPECT_EQ(wifi.interfaceName(), QStringLiteral("sim0"));
    EXPECT_TRUE(wifi.powerOn());
    EXPECT_EQ(wifi.bssid(), QStringLiteral("02:00:00:00:00:02"));
    EXPECT_EQ(wifi.ssid(), QStringLiteral("Joined"));
    EXPECT_EQ(wifi.ssidData(), QByteArray("Joined"));
    EXPECT_EQ(wifi.wlanChannel(), CWChannel(44, kCWChannelBand5GHz, kCWChannelWidth80MHz));
    EXPECT_DOUBLE_EQ(wifi.transmitRate(), 433.3);

    const QList<CWNetwork> cached = wifi.cachedScanResults();
    ASSERT_EQ(cached.size(), 3);
    EXPECT_EQ(names(cached), QStringList({"Open", "Joined", "-"})); // the hidden one without a name
    const CWNetwork& joined = cached[1];
    EXPECT_EQ(joined.informationElementData(), QByteArray("\x00\x06Joined", 8));
    EXPECT_EQ(joined.beaconInterval(), 200);
    EXPECT_TRUE(joined.supportsSecurity(kCWSecurityWEP));
    EXPECT_FALSE(cached[0].supportsSecurity(kCWSecurityWEP));
    EXPECT_TRUE(cached[0].supportsSecurity(kCWSecurityNone));
    EXPECT_EQ(cached[0].noiseMeasurement(), -91);
    EXPECT_TRUE(cached[2].ibss());
}

TEST(SimulatedInterface, PlaysScansAndScriptedOutcomesInOrder)
{
    auto radio = load(kScenario);
    ASSERT_TRUE(radio);
    CWInterface wifi(radio);
    struct Step {
        std::optional<QByteArray> ssid;
        QStringList found;
        int code;
    } steps[] = {
        {std::nullopt, {"Open", "Joined", "-"}, kCWNoErr},
        {std::nullopt, {}, kCWTimeoutErr},
        {std::nullopt, {}, kCWNoErr},    // scripted empty
        {QByteArray("Quiet"), {}, -3931},
        {QByteArray("Quiet"), {"Quiet"}, kCWNoErr}, // a directed scan names the hidden network
        {std::nullopt, {"Joined", "-"}, kCWNoErr},  // "Open" is absent from scan 5
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        CWError error;
        const QList<CWNetwork> found = wifi.scanForNetworksWithSSID(steps[i].ssid, &error);
        EXPECT_EQ(names(found), steps[i].found);
        EXPECT_EQ(error.code, steps[i].code);
        EXPECT_EQ(error.localizedDescription.isEmpty(), !error);
    }
    EXPECT_EQ(wifi.cachedScanResults().size(), 2); // the last broadcast scan
}

TEST(SimulatedInterface, PowerSwitchesScansAndLinkAndIsNotified)
{
    auto radio = load(kScenario);
    ASSERT_TRUE(radio);
    CWInterface wifi(radio);
    QStringList seen;
    auto obs = sv::NotificationCenter::defaultCenter().addObserver(
        QString(), [&](const sv::Notification& n) {
            if (n.userInfo.value("interfaceName") == QStringLiteral("sim0"))
                seen << n.name;
        });
    wifi.startMonitoringEvents(5);

    CWError error;
    EXPECT_TRUE(wifi.setPower(false, &error));
    EXPECT_FALSE(wifi.powerOn());
    EXPECT_TRUE(wifi.bssid().isNull());
    EXPECT_TRUE(wifi.scanForNetworksWithSSID(std::nullopt, &error).isEmpty());
    EXPECT_TRUE(error);
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen.contains(CWInterface::PowerDidChangeNotification); }, 5000));
    EXPECT_TRUE(seen.contains(CWInterface::BSSIDDidChangeNotification));

    seen.clear();
    EXPECT_TRUE(wifi.setPower(true, &error));
    EXPECT_TRUE(wifi.powerOn());
    EXPECT_EQ(wifi.bssid(), QStringLiteral("02:00:00:00:00:02"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen.contains(CWInterface::PowerDidChangeNotification); }, 5000));
    wifi.stopMonitoringEvents();
}

TEST(SimulatedInterface, PowerScheduleFollowsTheClock)
{
    auto clock = std::make_shared<sv::ManualClock>();
    auto radio = load(R"({"power": [{"at": 0, "on": false}, {"at": 2.5, "on": true}, {"at": 4, "on": false}]})",
                      clock);
    ASSERT_TRUE(radio);
    const std::pair<double, bool> times[] = {{0, false}, {2.5, true}, {1.0, true}, {0.5, false}};
    for (auto [step, on] : times) {
        clock->advance(step);
        EXPECT_EQ(radio->powerOn(), on) << clock->monotonicSeconds();
    }
}

TEST(SimulatedInterface, ByNameFromAScenarioFile)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.json");
    const QString bad = dir.filePath("bad.json");
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kScenario);
    f.close();
    QFile g(bad);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("{\n  \"networks\": [\n    {\"bssid\": \"02:00:00:00:00:01\",,}\n  ]\n}\n");
    g.close();

    QString error;
    CWInterface::setScenarioPath(good);
    auto wifi = CWInterface::interfaceWithName(QStringLiteral("sim1"), &error);
    ASSERT_TRUE(wifi) << error.toStdString();
    EXPECT_EQ(wifi->interfaceName(), QStringLiteral("sim1"));
    EXPECT_EQ(wifi->cachedScanResults().size(), 3);

    CWInterface::setScenarioPath(bad);
    EXPECT_FALSE(CWInterface::interfaceWithName(QStringLiteral("sim0"), &error));
    EXPECT_TRUE(error.startsWith(bad)) << error.toStdString();
    EXPECT_TRUE(error.contains("line 3")) << error.toStdString();

    CWInterface::setScenarioPath(dir.filePath("missing.json"));
    EXPECT_FALSE(CWInterface::interfaceWithName(QStringLiteral("sim0"), &error));
    EXPECT_TRUE(error.contains("missing.json"));
    CWInterface::setScenarioPath(QString());

    EXPECT_FALSE(CWInterface::interfaceWithName(QStringLiteral("nowifi7"), &error));
    EXPECT_TRUE(error.contains("nowifi7"));
}

TEST(SimulatedInterface, ScenarioErrorsNameTheKeyAndTheFault)
{
    struct Case {
        const char* json;
        const char* where;
    } cases[] = {
        {"[1, 2]", "top level"},
        {R"({"power": "yes"})", "power"},
        {R"({"power": [{"at": 5, "on": true}, {"at": 1, "on": false}]})", "power[1].at"},
        {R"({"networks": {}})", "networks"},
        {R"({"networks": [{"bssid": "01:02:03:04:05", "channel": 1}]})", "networks[0].bssid"},
        {R"({"networks": [{"bssid": "01:02:03:04:05:06"}]})", "networks[0].channel"},
        {R"({"networks": [{"channel": 1}, {"channel": 200}]})", "networks[1].channel"},
        {R"({"networks": [{"channel": 1, "band": 3}]})", "networks[0].band"},
        {R"({"networks": [{"channel": 1, "rssi": [-50, 7]}]})", "networks[0].rssi[1]"},
        {R"({"networks": [{"channel": 1, "rssi": []}]})", "networks[0].rssi"},
        {R"({"networks": [{"channel": 1, "noise": -90.5}]})", "networks[0].noise"},
        {R"({"networks": [{"channel": 1, "ies": "0001a"}]})", "networks[0].ies"},
        {R"({"networks": [{"channel": 1, "ssid": 5}]})", "networks[0].ssid"},
        {R"({"networks": [{"channel": 1, "ibss": "no"}]})", "networks[0].ibss"},
        {R"({"associated": [1]})", "associated"},
        {R"({"associated": {"bssid": "zz"}})", "associated.bssid"},
        {R"({"associated": {"transmitRate": -1}})", "associated.transmitRate"},
        {R"({"scanScript": [{"error": -3905}]})", "scanScript[0].scan"},
        {R"({"scanScript": [{"scan": 0}]})", "scanScript[0]"},
        {R"({"scanScript": [{"scan": 0, "error": 3}]})", "scanScript[0].error"},
        {R"({"scanScript": [{"scan": 0, "empty": true}, {"scan": 0, "empty": true}]})", "scanScript[1].scan"},
        // Numbers far outside every range, which must be refused before any
        // conversion to an integer.
        {R"({"networks": [{"channel": 1e30}]})", "networks[0].channel"},
        {R"({"networks": [{"channel": -1e30}]})", "networks[0].channel"},
        {R"({"networks": [{"channel": 1, "band": 9.3e18}]})", "networks[0].band"},
        {R"({"networks": [{"channel": 1, "width": -1e19}]})", "networks[0].width"},
        {R"({"networks": [{"channel": 1, "beaconInterval": 1e40}]})", "networks[0].beaconInterval"},
        {R"({"networks": [{"channel": 1, "rssi": [-50, 1e300]}]})", "networks[0].rssi[1]"},
        {R"({"networks": [{"channel": 1, "noise": -9.3e18}]})", "networks[0].noise"},
        {R"({"associated": {"channel": 1e30}})", "associated.channel"},
        {R"({"associated": {"transmitRate": 1e308}})", "associated.transmitRate"},
        {R"({"power": [{"at": 1e308, "on": true}]})", "power[0].at"},
        {R"({"scanScript": [{"scan": 1e300, "empty": true}]})", "scanScript[0].scan"},
        {R"({"scanScript": [{"scan": 0, "error": -1e19}]})", "scanScript[0].error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        QString error;
        EXPECT_FALSE(load(c.json, nullptr, &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("case.json: %1: ").arg(QLatin1String(c.where))))
            << error.toStdString();
    }
}

TEST(ShippedScenario, IsRealisticAndItsElementsAreWellFormed)
{
    const QString path = CWInterface::defaultScenarioPath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(path, sv::resourcePath(QStringLiteral("scenarios/office.json")));
    QString error;
    auto radio = SimulatedRadio::fromFile(QStringLiteral("sim0"), path, std::make_shared<sv::ManualClock>(), &error);
    ASSERT_TRUE(radio) << error.toStdString();

    // Over a run of scans: both bands, every width, hidden and ad-hoc
    // networks, WEP, and networks that come and go.
    std::map<QString, int> seenCount;
    std::set<int> bands, widths;
    std::set<unsigned> ids;
    bool hidden = false, ibss = false, wep = false;
    const int scans = 16;
    for (int i = 0; i < scans; ++i) {
        CWError e;
        for (const CWNetwork& n : radio->scan(std::nullopt, &e)) {
            ++seenCount[n.bssid() + QString::number(n.wlanChannel().channelBand())];
            bands.insert(n.wlanChannel().channelBand());
            widths.insert(n.wlanChannel().channelWidth());
            hidden |= n.ssid().isNull();
            ibss |= n.ibss();
            wep |= n.supportsSecurity(kCWSecurityWEP);
            const QByteArray ies = n.informationElementData();
            const sv::wlan::ElementWalk walk(ies);
            for (const sv::wlan::Element& e : walk) {
                ids.insert(e.id);
                // An empty name is how hidden networks send it.
                const qsizetype needed = e.id == 0 ? 0 : sv::elements::elementKind(e.id).minLength;
                EXPECT_GE(e.body.size(), needed) << n.bssid().toStdString() << " " << e.id;
            }
            EXPECT_TRUE(walk.complete()) << n.bssid().toStdString();
            // The name element agrees with the name; hidden networks send it empty.
            EXPECT_EQ(sv::wlan::findElement(ies, 0).value_or(QByteArray("?")), n.ssidData());
        }
    }
    EXPECT_GE(seenCount.size(), 30u);
    EXPECT_TRUE(std::any_of(seenCount.begin(), seenCount.end(), [&](auto& kv) { return kv.second < scans - 1; }))
        << "some networks come and go";
    EXPECT_EQ(bands, std::set<int>({kCWChannelBand2GHz, kCWChannelBand5GHz}));
    EXPECT_EQ(widths, std::set<int>({kCWChannelWidth20MHz, kCWChannelWidth40MHz, kCWChannelWidth80MHz,
                                     kCWChannelWidth160MHz}));
    EXPECT_TRUE(hidden && ibss && wep);
    for (unsigned id : {0u, 1u, 3u, 5u, 7u, 11u, 42u, 45u, 48u, 50u, 61u, 127u, 191u, 192u, 221u})
        EXPECT_TRUE(ids.count(id)) << id;
}
