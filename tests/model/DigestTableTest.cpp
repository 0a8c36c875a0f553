#include "Beacon.h"

#include "model/SVNetwork.h"
#include "model/SVNetworkDigest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace beacon;

namespace {

constexpr qint64 kUnknown = std::numeric_limits<qint64>::max();

struct Expect {
    std::optional<qint64> phy{}, width{}, offset{}, security{}, cipher{}, fastBss{}, stations{}, utilization{};
    std::optional<quint64> streams{};
    std::optional<double> maxRate{};
    std::optional<QString> ssid{}, countryCode{}, deviceName{}, amendments{};
    std::optional<bool> wpsEnabled{}, wpsConfigured{}, wpsLocked{};
};

struct Case {
    const char* name;
    int channel;
    QByteArray elements;
    qint64 securityMode;
    Expect expect;
};

std::vector<Case> cases()
{
    const QByteArray wpsConfigured = wpsAttribute(0x104A, bytes({0x10})) + wpsAttribute(0x1044, bytes({2}));
    return {
        {"2.4 GHz b/g/n at 20 MHz", 6,
         ssid("cafe") + bgRates() + dsChannel(6) + htCapabilities(0x00, {0xFF}) + htOperation(6, 0, 0), kUnknown,
         {.phy = 2 | 4 | 8, .width = 1, .offset = 0, .streams = 1u, .maxRate = 65.0, .ssid = "cafe"}},
        {"2.4 GHz b only", 1, rates({0x82, 0x84, 0x8B, 0x96}) + dsChannel(1), kUnknown,
         {.phy = 2, .width = 1, .streams = 1u, .maxRate = 11.0}},
        {"5 GHz a/n at 40 MHz, short GI 40, two streams", 36,
         aRates() + htCapabilities(0x42, {0xFF, 0xFF}) + htOperation(36, 1, 0), kUnknown,
         {.phy = 1 | 8, .width = 2, .offset = 1, .streams = 2u, .maxRate = 300.0}},
        {"HT at 20 MHz with short GI 20: MCS 15 gives 144.4", 1,
         bgRates() + htCapabilities(0x20, {0xFF, 0xFF}) + htOperation(1, 0, 0), kUnknown,
         {.width = 1, .streams = 2u, .maxRate = 144.4}},
        {"HT four streams", 1, htCapabilities(0x00, {0xFF, 0xFF, 0xFF, 0x01}) + htOperation(1, 0, 0), kUnknown,
         {.streams = 4u}},
        {"5 GHz ac at 80 MHz, short GI 80: 866.7; VHT after HT sets the streams", 36,
         aRates() + htCapabilities(0x02, {0xFF, 0xFF, 0xFF}) + htOperation(36, 1, 0)
             + vhtCapabilities(0x20, 0xFA) + vhtOperation(1, 42, 0),
         kUnknown, {.phy = 16, .width = 3, .streams = 2u, .maxRate = 866.7}},
        {"ac at 80 MHz, long GI: 780", 36, vhtCapabilities(0x00, 0xFA) + vhtOperation(1, 42, 0), kUnknown,
         {.phy = 16, .width = 3, .streams = 2u, .maxRate = 780.0}},
        {"ac at 160 MHz, one stream MCS 0-9, short GI 160", 36,
         vhtCapabilities(0x40, 0xFE) + vhtOperation(2, 50, 0), kUnknown,
         {.width = 4, .streams = 1u, .maxRate = 866.7}},
        {"VHT elements on a 2.4 GHz channel are not ac", 6,
         bgRates() + htOperation(6, 0, 0) + vhtCapabilities(0x00, 0xFE), kUnknown, {.phy = 2 | 4 | 8}},
        {"RSN CCMP+TKIP with PSK and mobility domain: adaptive over the air", 36,
         rsn({4, 2}, {2}) + mobilityDomain(0), kUnknown,
         {.security = 4, .cipher = 6, .fastBss = 2, .amendments = "i, r"}},
        {"RSN 802.1X with fast transition over the DS", 36, rsn({4}, {1, 3}) + mobilityDomain(1), kUnknown,
         {.security = 9, .cipher = 4, .fastBss = 1}},
        {"RSN with management frame protection", 36, rsn({4}, {2}, 0x80), kUnknown,
         {.security = 4, .amendments = "i, w"}},
        {"WEP in the dictionary with WPA and RSN PSK: WPA/WPA2 Personal", 6,
         wpa({2}, {2}) + rsn({4}, {2}), 1, {.security = 3, .cipher = 6}},
        {"WPA Enterprise only", 6, wpa({2}, {1}), kUnknown, {.security = 7, .cipher = 2}},
        {"WPA and RSN Enterprise", 6, wpa({2}, {1}) + rsn({4}, {1}), kUnknown, {.security = 8}},
        {"a known dictionary security mode stays", 6, rsn({4}, {2}), 0, {.security = 0}},
        {"RSN pairwise list cut short: the whole suites only", 6,
         element(48, bytes({1, 0, 0, 0x0F, 0xAC, 4, 2, 0, 0, 0x0F, 0xAC, 4})), kUnknown,
         {.security = 4, .cipher = 4}},
        {"no security elements", 6, bgRates(), kUnknown, {.security = kUnknown, .cipher = 0}},
        {"WPS configured", 6, wps(wpsConfigured), kUnknown,
         {.wpsEnabled = true, .wpsConfigured = true, .wpsLocked = false}},
        {"WPS locked", 6, wps(wpsConfigured + wpsAttribute(0x1057, bytes({1}))), kUnknown,
         {.wpsEnabled = true, .wpsLocked = true}},
        {"WPS attribute longer than the element ends the attributes", 6,
         wps(wpsAttribute(0x104A, bytes({0x10})) + bytes({0x10, 0x44, 0x00, 0x09, 2})), kUnknown,
         {.wpsEnabled = true, .wpsConfigured = false}},
        {"BSS load full", 6, bssLoad(258, 255), kUnknown,
         {.stations = 258, .utilization = 100, .amendments = "e"}},
        {"BSS load half", 6, bssLoad(3, 128), kUnknown, {.stations = 3, .utilization = 50}},
        {"BSS load of the wrong length", 6, element(11, {1, 0, 128}), kUnknown,
         {.stations = -1, .utilization = -1}},
        {"country and spectrum management on 5 GHz", 36, country("de") + element(32, {3}), kUnknown,
         {.countryCode = "DE", .amendments = "d, h"}},
        {"other amendments", 6,
         element(70, {0, 0, 0, 0, 0}) + vendor({0x00, 0x50, 0xF2}, 2, bytes({0, 1, 0}))
             + vendor({0x50, 0x6F, 0x9A}, 0x10, bytes({0})) + element(127, {0, 0, 0x08})
             + element(113, {0, 0, 0, 0, 0, 0, 0}) + element(69, {0}),
         kUnknown, {.amendments = "e, k, p, s, u, v"}},
        {"Cisco element of 26 bytes: a name, no station count", 6, cisco133("AP-Lobby"), kUnknown,
         {.stations = -1, .deviceName = "AP-Lobby"}},
        {"Cisco element with a station count", 6, cisco133("AP-2", 7), kUnknown,
         {.stations = 7, .deviceName = "AP-2"}},
        {"Aruba access-point name", 6, vendor({0x00, 0x0B, 0x86}, 1, bytes({3, 8}) + "aruba-01"), kUnknown,
         {.deviceName = "aruba-01"}},
        {"Symbol access-point name", 6,
         vendor({0x00, 0xA0, 0xF8}, 1, bytes({3, 0, 0, 0, 0, 0, 0, 0}) + QByteArray("sym-ap\0\0", 8)), kUnknown,
         {.deviceName = "sym-ap"}},
        {"MikroTik access-point name", 6,
         vendor({0x00, 0x0C, 0x42}, 0, element(1, QByteArray(10, '\0') + "mt-hap")), kUnknown,
         {.deviceName = "mt-hap"}},
        {"SSID that is not UTF-8 gives none", 6, ssid(bytes({0xFF, 0xFE, 0x41})), kUnknown, {.ssid = ""}},
        {"element cut at the end: the ones before count", 6,
         ssid("x") + dsChannel(6) + QByteArray("\x07\x06US", 4), kUnknown, {.ssid = "x", .countryCode = ""}},
        {"header cut at the end", 6, ssid("y") + QByteArray("\x30", 1), kUnknown,
         {.security = kUnknown, .ssid = "y"}},
    };
}

class DigestTable : public ::testing::TestWithParam<Case> {};

TEST_P(DigestTable, Digest)
{
    const Case& c = GetParam();
    SVNetworkDigest d;
    digestNetwork(scan(c.channel, c.elements, c.securityMode), d);
    const Expect& e = c.expect;
    if (e.phy) {
        EXPECT_EQ(d.phyMode, *e.phy);
    }
    if (e.width) {
        EXPECT_EQ(d.channelWidth, *e.width);
    }
    if (e.offset) {
        EXPECT_EQ(d.secondaryChannelOffset, *e.offset);
    }
    if (e.streams) {
        EXPECT_EQ(d.streams, *e.streams);
    }
    if (e.maxRate) {
        ASSERT_FALSE(d.rates.empty());
        EXPECT_DOUBLE_EQ(std::fabs(d.rates.back()), *e.maxRate);
    }
    if (e.security) {
        EXPECT_EQ(d.securityMode, *e.security);
    }
    if (e.cipher) {
        EXPECT_EQ(d.cipherType, *e.cipher);
    }
    if (e.fastBss) {
        EXPECT_EQ(d.fastBssTransition, *e.fastBss);
    }
    if (e.stations) {
        EXPECT_EQ(d.stationCount, *e.stations);
    }
    if (e.utilization) {
        EXPECT_EQ(d.channelUtilization, *e.utilization);
    }
    if (e.ssid) {
        EXPECT_EQ(d.ssid, *e.ssid);
    }
    if (e.countryCode) {
        EXPECT_EQ(d.countryCode, *e.countryCode);
    }
    if (e.deviceName) {
        EXPECT_EQ(d.deviceName, *e.deviceName);
    }
    if (e.amendments) {
        EXPECT_EQ(d.amendments.join(", "), *e.amendments);
    }
    if (e.wpsEnabled) {
        EXPECT_EQ(d.wpsEnabled, *e.wpsEnabled);
    }
    if (e.wpsConfigured) {
        EXPECT_EQ(d.wpsConfigured, *e.wpsConfigured);
    }
    if (e.wpsLocked) {
        EXPECT_EQ(d.wpsLocked, *e.wpsLocked);
    }
}

INSTANTIATE_TEST_SUITE_P(Beacons, DigestTable, ::testing::ValuesIn(cases()),
                         [](const auto& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p)
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });

TEST(DigestTest, HtRatesAtTwentyMHzWithShortGuardInterval)
{
    SVNetworkDigest d;
    digestNetwork(scan(1, htCapabilities(0x20, {0xFF, 0xFF}) + htOperation(1, 0, 0)), d);
    for (double rate : {130.0, 117.0, 144.4, 7.2, 6.5})
        EXPECT_NE(std::find(d.rates.begin(), d.rates.end(), rate), d.rates.end()) << rate;
}

TEST(DigestTest, RatesAreSortedWithBasicRatesNegative)
{
    SVNetworkDigest d;
    digestNetwork(scan(6, bgRates()), d);
    const std::vector<double> expected = {-1, -2, 5.5, 6, 9, 11, 12, 18, 24, 36, 48, 54};
    EXPECT_EQ(d.rates, expected);
    EXPECT_EQ(d.minBasicRate, 1.0f);
    EXPECT_EQ(d.maxBasicRate, 2.0f);
}

TEST(DigestTest, LaterDigestsKeepWhatTheyDoNotReplace)
{
    SVNetworkDigest d;
    digestNetwork(scan(6, bssLoad(1, 200) + vendor({0x00, 0x40, 0x96}, 0x14, bytes({1}))
                              + vendor({0x00, 0x40, 0x96}, 0, bytes({17}))),
                  d);
    EXPECT_EQ(d.ccxClientMFP, "Enabled");
    EXPECT_EQ(d.ccxDTPC, 17);
    digestNetwork(scan(6, bssLoad(1, 51)), d);
    EXPECT_EQ(d.channelUtilization, 20);
    EXPECT_EQ(d.channelUtilizationMax, 78); // 200 * 100 / 255
    EXPECT_EQ(d.ccxClientMFP, "Enabled");
    EXPECT_EQ(d.ccxDTPC, 17);

    // A dictionary without elements clears the element values but keeps the rates.
    digestNetwork(scan(6, bgRates()), d);
    QVariantMap bare = scan(6, {});
    bare.remove("informationElementData");
    digestNetwork(bare, d);
    EXPECT_EQ(d.stationCount, -1);
    EXPECT_EQ(d.channelWidth, 0);
    EXPECT_FALSE(d.rates.empty());
    EXPECT_EQ(d.phyMode, 2 | 4);
}

TEST(DigestTest, RecordTextsOfADigestedBeacon)
{
    SVNetwork n(scan(36, ssid("lab") + aRates() + htCapabilities(0x42, {0xFF, 0xFF}) + htOperation(36, 1, 2)
                             + rsn({4, 2}, {2}) + mobilityDomain(0)));
    EXPECT_EQ(n.phyMode(), "a/n");
    EXPECT_EQ(n.securityMode(), "WPA2 Personal");
    EXPECT_EQ(n.shortSecurityMode(), "WPA2 (PSK)");
    EXPECT_EQ(n.cipher(), "AES + TKIP");
    EXPECT_EQ(n.humanReadableChannelWidth(), "40 MHz");
    EXPECT_EQ(n.humanReadableChannel(), "36,+1");
    EXPECT_EQ(n.channelCenter(), 38);
    EXPECT_EQ(n.humanReadableChannelRange().text(), "36 40");
    EXPECT_EQ(n.humanReadableHtProtection(), "20 MHz");
    EXPECT_EQ(n.humanReadableFastBssTransition(), "OTA (Adaptive)");
    EXPECT_EQ(n.humanReadableBasicDataRates(), "6, 12, 24");
    EXPECT_TRUE(n.humanReadableDataRates().startsWith("6(B), 9, 12(B), 13.5, 15, 18, 24(B), 27"));
    EXPECT_TRUE(n.isWPA2());
    EXPECT_TRUE(n.isPSK());
    EXPECT_FALSE(n.isOpen());
}

} // namespace
