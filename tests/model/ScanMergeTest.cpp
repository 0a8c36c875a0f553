#include "model/SVScanMerge.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

QVariantMap scan(const QString& bssid, int channel, int rssi, int noise = -92)
{
    return {{QStringLiteral("bssid"), bssid},
            {QStringLiteral("channelNumber"), channel},
            {QStringLiteral("ssid"), QStringLiteral("net-") + bssid.right(2)},
            {QStringLiteral("rssiValue"), rssi},
            {QStringLiteral("noiseMeasurement"), noise}};
}

const QDateTime T0 = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
constexpr double NoLimit = 31536000.0;

std::vector<qint64> rssiHistory(const SVNetwork& n)
{
    std::vector<qint64> out;
    for (const auto& p : n.dataPoints())
        out.push_back(p.rssiValue());
    return out;
}

} // namespace

TEST(ScanMerge, SensitivityCutKeepsTheBoundary)
{
    struct Case { qint64 sensitivity; int rssi; bool kept; };
    const Case cases[] = {
        {100, -100, true}, {100, -101, false}, {85, -110, true}, {70, -70, true}, {70, -71, false},
        // Negating the smallest 64-bit value overflows: the cut lies above every reading.
        {std::numeric_limits<qint64>::min(), -50, false}, {std::numeric_limits<qint64>::max(), -120, true},
    };
    for (const auto& c : cases) {
        const auto merged = mergeNetworks({scan("00:11:22:33:44:55", 6, c.rssi)}, {}, T0,
                                          c.sensitivity, NoLimit);
        EXPECT_EQ(merged.size(), c.kept ? 1u : 0u) << c.sensitivity << " " << c.rssi;
    }
}

TEST(ScanMerge, IdentityIsBssidAndBand)
{
    const auto merged = mergeNetworks(
        {scan("00:11:22:33:44:55", 6, -50), scan("00:11:22:33:44:55", 36, -60),
         scan("00:11:22:33:44:55", 11, -55), scan("0:11:22:33:44:55", 1, -40)},
        {}, T0, 100, NoLimit);
    ASSERT_EQ(merged.size(), 2u);
    // One record per band; the 2.4 GHz one got three samples at the same time.
    EXPECT_EQ(rssiHistory(*merged[0]), (std::vector<qint64>{-50, -55, -40}));
    EXPECT_EQ(rssiHistory(*merged[1]), (std::vector<qint64>{-60}));
    EXPECT_EQ(merged[0]->lastDataPoint()->timestamp(), T0);
}

TEST(ScanMerge, ReadingsWithoutLevel)
{
    // A new BSS without a level is never listed.
    EXPECT_TRUE(mergeNetworks({scan("00:00:00:00:00:01", 6, 0)}, {}, T0, 100, NoLimit).empty());

    auto list = mergeNetworks({scan("00:00:00:00:00:01", 6, -61)}, {}, T0, 100, NoLimit);
    // A level of 0 repeats the last level heard.
    list = mergeNetworks({scan("00:00:00:00:00:01", 6, 0)}, list, T0.addSecs(2), 100, NoLimit);
    EXPECT_EQ(rssiHistory(*list[0]), (std::vector<qint64>{-61, -61}));
    // Missed once: a no-signal sample; then a reading without level does not revive it.
    list = mergeNetworks({}, list, T0.addSecs(4), 100, NoLimit);
    list = mergeNetworks({scan("00:00:00:00:00:01", 6, 0)}, list, T0.addSecs(6), 100, NoLimit);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(rssiHistory(*list[0]), (std::vector<qint64>{-61, -61, -120, -120}));
    EXPECT_DOUBLE_EQ(list[0]->lastSeenElapsedSeconds(), 4.0);
    // A real reading brings it back with its history kept.
    list = mergeNetworks({scan("00:00:00:00:00:01", 6, -70)}, list, T0.addSecs(8), 100, NoLimit);
    EXPECT_EQ(rssiHistory(*list[0]), (std::vector<qint64>{-61, -61, -120, -120, -70}));
    EXPECT_DOUBLE_EQ(list[0]->lastSeenElapsedSeconds(), 0.0);
    EXPECT_EQ(list[0]->lastSeen(), T0.addSecs(8));
}

TEST(ScanMerge, MissedRecordsAgeAndGoPastTheLimit)
{
    struct Case { qint64 msecsLater; bool kept; };
    const Case cases[] = {{30000, true}, {60000, true}, {60999, true}, {61000, false}};
    for (const auto& c : cases) {
        auto list = mergeNetworks({scan("00:00:00:00:00:02", 40, -50)}, {}, T0, 100,
                                  double(maxLastSeenElapsedSecondsFor(1, true)));
        list = mergeNetworks({}, list, T0.addMSecs(c.msecsLater), 100,
                             double(maxLastSeenElapsedSecondsFor(1, true)));
        EXPECT_EQ(list.size(), c.kept ? 1u : 0u) << c.msecsLater;
        if (!list.empty()) {
            EXPECT_DOUBLE_EQ(list[0]->lastSeenElapsedSeconds(), c.msecsLater / 1000.0);
            EXPECT_EQ(list[0]->lastDataPoint()->noiseValue(), -120);
        }
    }
}

TEST(ScanMerge, KeepsRecordsAndOrder)
{
    auto list = mergeNetworks({scan("00:00:00:00:00:0a", 1, -50), scan("00:00:00:00:00:0b", 6, -60)},
                              {}, T0, 100, NoLimit);
    const auto first = list[0];
    list = mergeNetworks({scan("00:00:00:00:00:0c", 11, -70), scan("00:00:00:00:00:0A", 1, -52)},
                         list, T0.addSecs(2), 100, NoLimit);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], first); // the same record object, updated in place
    EXPECT_EQ(list[0]->bssid(), QStringLiteral("00:00:00:00:00:0A"));
    EXPECT_EQ(list[1]->bssid(), QStringLiteral("00:00:00:00:00:0B"));
    EXPECT_EQ(list[2]->bssid(), QStringLiteral("00:00:00:00:00:0C"));
    EXPECT_EQ(rssiHistory(*list[1]), (std::vector<qint64>{-60, -120}));
    EXPECT_FALSE(list[2]->userHidden());
}

TEST(ScanMerge, MalformedAddressesStillMatchThemselves)
{
    auto list = mergeNetworks({scan("not-a-bssid", 6, -50), scan("00:11:22:33:44", 6, -51)}, {}, T0, 100, NoLimit);
    list = mergeNetworks({scan("NOT-A-BSSID", 11, -52), scan("00:11:22:33:44", 1, -53),
                          scan("00:11:22:33:44:5", 1, -54), scan("00:11:22:33:44:05", 1, -55)},
                         list, T0.addSecs(2), 100, NoLimit);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(rssiHistory(*list[0]), (std::vector<qint64>{-50, -52}));
    EXPECT_EQ(rssiHistory(*list[1]), (std::vector<qint64>{-51, -53}));
    EXPECT_EQ(rssiHistory(*list[2]), (std::vector<qint64>{-54, -55})); // one digit reads as "05"
}

TEST(ScanMerge, BeaconNamingTheOtherBandKeepsItsRecord)
{
    // Heard on channel 6, its DS element says 36: every scan is the same BSS.
    QVariantMap beacon = scan("00:11:22:33:44:66", 6, -50);
    beacon.insert(QStringLiteral("informationElementData"), QByteArray("\x03\x01\x24", 3));
    auto list = mergeNetworks({beacon}, {}, T0, 100, NoLimit);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(list[0]->channel(), 36);
    const auto first = list[0];
    for (int tick = 1; tick < 20; ++tick)
        list = mergeNetworks({beacon}, list, T0.addSecs(2 * tick), 100, NoLimit);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0], first);
    EXPECT_EQ(list[0]->dataPointCount(), 20u);
    EXPECT_TRUE(first->bssidAndBandCompare(beacon));
    // The same BSSID heard in the other band is another BSS.
    list = mergeNetworks({scan("00:11:22:33:44:66", 36, -60)}, list, T0.addSecs(40), 100, NoLimit);
    EXPECT_EQ(list.size(), 2u);
}
