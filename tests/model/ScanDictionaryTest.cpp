#include <gtest/gtest.h>

#include "model/CWInterfaceUtil.h"
#include "model/CWNetworkUtil.h"
#include "platform/Clock.h"
#include "platform/wlan/SimulatedRadio.h"

#include <limits>

namespace {

const QByteArray kRsn = QByteArray::fromHex("30140100000fac040100000fac040100000fac020c00");
const QByteArray kWpa = QByteArray::fromHex("dd160050f20101000050f20201000050f20201000050f202");

CWNetwork network(const QByteArray& ssid, const QByteArray& ies, bool privacy)
{
    CWNetwork n;
    n.setBssid(QStringLiteral("a:b:c:d:e:f"));
    n.setSsidData(ssid);
    n.setWlanChannel(CWChannel(149, kCWChannelBand5GHz, kCWChannelWidth80MHz));
    n.setRssiValue(-67);
    n.setNoiseMeasurement(-95);
    n.setInformationElementData(ies);
    n.setIbss(true);
    n.setBeaconInterval(102);
    n.setSecurityFrom(privacy, ies);
    return n;
}

} // namespace

TEST(ScanDictionary, CarriesTheNetworkAsReported)
{
    const QByteArray ies = QByteArray::fromHex("0004436166e9") + kRsn;
    const QVariantMap d = CWNetworkUtil::dictionary(network("Caf\xc3\xa9", ies, true));
    EXPECT_EQ(d.keys(), QStringList({"beaconInterval", "bssid", "channelNumber", "ibss", "informationElementData",
                                     "noiseMeasurement", "phyMode", "rssiValue", "securityMode", "ssid"}));
    EXPECT_EQ(d.value("bssid"), QVariant(QStringLiteral("a:b:c:d:e:f"))); // as given, not normalised
    EXPECT_EQ(d.value("channelNumber"), QVariant(149));
    EXPECT_EQ(d.value("ssid"), QVariant(QStringLiteral("Café")));
    EXPECT_EQ(d.value("rssiValue"), QVariant(-67));
    EXPECT_EQ(d.value("noiseMeasurement"), QVariant(-95));
    EXPECT_EQ(d.value("informationElementData"), QVariant(ies));
    EXPECT_EQ(d.value("ibss"), QVariant(true));
    EXPECT_EQ(d.value("beaconInterval"), QVariant(102));
    EXPECT_EQ(d.value("phyMode"), QVariant(0));
}

TEST(ScanDictionary, LeavesOutWhatTheRadioDidNotGive)
{
    struct Case {
        const char* name;
        QByteArray ssid;
        bool hasSsid;
    } cases[] = {
        {"empty name", QByteArray(), false},
        {"name of zero bytes", QByteArray(6, '\0'), false},
        {"not UTF-8", QByteArray("\xff\xfe", 2), false},
        {"plain", QByteArray("x"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVariantMap d = CWNetworkUtil::dictionary(network(c.ssid, QByteArray(), false));
        EXPECT_EQ(d.contains("ssid"), c.hasSsid);
        EXPECT_FALSE(d.contains("informationElementData"));
        EXPECT_TRUE(d.contains("bssid"));
    }
}

TEST(ScanDictionary, SecurityModeIsWepOnlyForPrivacyWithoutWpaOrRsn)
{
    constexpr qint64 unknown = std::numeric_limits<qint64>::max();
    struct Case {
        const char* name;
        bool privacy;
        QByteArray ies;
        qint64 mode;
    } cases[] = {
        {"open", false, QByteArray(), unknown},
        {"privacy alone", true, QByteArray::fromHex("000141"), 1},
        {"privacy with RSN", true, kRsn, unknown},
        {"privacy with WPA", true, kWpa, unknown},
        // A truncated RSN element is not there as far as the walk can tell.
        {"privacy with a cut RSN", true, kRsn.left(10), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVariant mode = CWNetworkUtil::dictionary(network("n", c.ies, c.privacy)).value("securityMode");
        EXPECT_EQ(mode.toLongLong(), c.mode);
    }
}

TEST(InterfaceUtil, WidthCodesToMegahertz)
{
    const std::pair<int, int> cases[] = {{0, -1}, {1, 20}, {2, 40}, {3, 80}, {4, 160}, {5, -1}, {6, -1}, {-1, -1}};
    for (auto [code, mhz] : cases)
        EXPECT_EQ(CWInterfaceUtil::channelWidthForCode(code), mhz) << code;
}

TEST(InterfaceUtil, AssociationBandAndWidthOfTheSimulatedLink)
{
    struct Case {
        const char* associated;
        bool isAssociated;
        int band;
        int width;
    } cases[] = {
        {"null", false, kCWChannelBandUnknown, -1},
        {R"({"bssid": "00:00:00:00:00:00", "channel": 6})", false, kCWChannelBand2GHz, 20},
        {R"({"bssid": "F0:00:00:00:00:01"})", true, kCWChannelBand5GHz, 80}, // from the scanned network
        {R"({"bssid": "f0:00:00:00:00:02", "channel": 11, "width": 2})", true, kCWChannelBand2GHz, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.associated);
        QString error;
        auto radio = sv::wlan::SimulatedRadio::fromJson(
            QStringLiteral("sim0"),
            QStringLiteral(R"({"associated": %1, "networks": [
                {"bssid": "f0:00:00:00:00:01", "ssid": "Joined", "channel": 100, "width": 3}]})")
                .arg(QLatin1String(c.associated))
                .toUtf8(),
            QStringLiteral("t.json"), std::make_shared<sv::ManualClock>(), &error);
        ASSERT_TRUE(radio) << error.toStdString();
        const CWInterface wifi(radio);
        EXPECT_EQ(CWInterfaceUtil::isAssociated(wifi), c.isAssociated);
        EXPECT_EQ(CWInterfaceUtil::channelBand(wifi), c.band);
        EXPECT_EQ(CWInterfaceUtil::channelWidth(wifi), c.width);
    }
}
