#include "model/SVDataPointBuffer.h"
#include "model/SVNetworkDigest.h"
#include "model/SVSignalQuality.h"
#include "platform/Bssid.h"
#include "platform/NSStringAdditions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

QByteArray element(int id, std::initializer_list<int> body)
{
    QByteArray out;
    out.append(char(id));
    out.append(char(body.size()));
    for (int b : body)
        out.append(char(b));
    return out;
}

QVariantMap scan(int channel, const QByteArray& elements)
{
    return {{"bssid", "0:1b:2:3c:4:d5"}, {"channelNumber", channel}, {"phyMode", 0},
            {"securityMode", std::numeric_limits<qint64>::max()},
            {"informationElementData", elements}};
}

TEST(DigestTest, TwoFourGHzBGN)
{
    const QByteArray ies = element(0, {'a', 'b'}) + element(1, {0x82, 0x84, 0x0B, 0x16, 0x0C, 0x12, 0x18, 0x24})
        + element(3, {6}) + element(50, {0x30, 0x48, 0x60, 0x6C, 0xFF})
        + element(45, {0x20, 0, 0, 0xFF, 0, 0, 0}) + element(61, {6, 0, 0});
    SVNetworkDigest d;
    digestNetwork(scan(6, ies), d);
    EXPECT_EQ(d.phyMode, 2 | 4 | 8);
    EXPECT_EQ(d.channel, 6);
    EXPECT_EQ(d.channelWidth, 1);
    EXPECT_EQ(d.secondaryChannelOffset, 0);
    EXPECT_EQ(d.ssid, "ab");
    EXPECT_EQ(d.minBasicRate, 1.0f);
    EXPECT_EQ(d.maxBasicRate, 2.0f);
    // 0xFF is a membership selector, not a 63.5 Mb/s rate.
    for (double r : d.rates)
        EXPECT_NE(std::fabs(r), 63.5);
}

TEST(DigestTest, MembershipSelectorsAreNoRates)
{
    // 0xFA-0xFF, basic bit included, name a membership (HT, VHT, SAE, ...), not a rate.
    for (int selector = 0xFA; selector <= 0xFF; ++selector) {
        SCOPED_TRACE(selector);
        SVNetworkDigest d;
        digestNetwork(scan(6, element(1, {0x82, selector}) + element(50, {selector, 0x0C})), d);
        EXPECT_EQ(d.rates, (std::vector<double>{-1.0, 6.0}));
        EXPECT_EQ(d.maxBasicRate, 1.0f);
    }
}

TEST(DigestTest, NewFiveGHzVhtNetworkIsAcOnFirstDigest)
{
    QByteArray vhtCap(12, 0);
    vhtCap[0] = 0x20;                      // short GI 80
    vhtCap[8] = char(0xFA);                // streams 1-2: MCS 0-9
    const QByteArray ies = element(61, {36, 1, 0}) +
        QByteArray("\xBF\x0C", 2) + vhtCap + element(192, {1, 42, 0});
    SVNetworkDigest d;
    digestNetwork(scan(36, ies), d);
    EXPECT_EQ(d.phyMode, 16);
    EXPECT_EQ(d.channelWidth, 3);
    EXPECT_EQ(d.streams, 2u);
    EXPECT_DOUBLE_EQ(std::fabs(d.rates.back()), 866.7);
}

TEST(DigestTest, VhtOperationSecondSegmentGives160Or8080)
{
    for (auto [ccfs1, width] : {std::pair{50, 4}, std::pair{155, 5}, std::pair{0, 3}}) {
        SVNetworkDigest d;
        digestNetwork(scan(36, element(192, {1, 42, ccfs1})), d);
        EXPECT_EQ(d.channelWidth, width) << ccfs1;
    }
}

TEST(DigestTest, TruncatedElementEndsWalkKeepingEarlierOnes)
{
    QByteArray ies = element(0, {'x'}) + QByteArray("\x07\x05US", 4);
    SVNetworkDigest d;
    digestNetwork(scan(1, ies), d);
    EXPECT_EQ(d.ssid, "x");
    EXPECT_TRUE(d.countryCode.isEmpty());
}

TEST(DigestTest, RatesRoundHalfAwayFromZero)
{
    EXPECT_EQ(mcsRateTenths(468, 9, 1, true), 8667);
    EXPECT_EQ(mcsRateTenths(234, 0, 1, false), 293);
    EXPECT_EQ(mcsRateTenths(52, 7, 2, false), 1300);
}

TEST(DataPointTest, RingDropsOldestAtLimit)
{
    SVDataPointBuffer buffer(3, 1);
    for (int i = 0; i < 5; ++i)
        buffer.push(SVDataPoint(-50 - i, -90, -1, -1, QDateTime::currentDateTimeUtc()));
    ASSERT_EQ(buffer.size(), 3u);
    EXPECT_EQ(buffer.front().rssiValue(), -52);
    EXPECT_EQ(buffer.back().rssiValue(), -54);
    EXPECT_LE(sizeof(SVDataPoint), 24u);
}

// A survey's records are heard in the same scans: were their rings to grow
// on the same scan, that scan would copy every record's samples at once.
// Each ring keeps its samples in order and its spare room within a
// sixteenth of its size.
TEST(DataPointTest, RingsFilledTogetherGrowOnDifferentScans)
{
    constexpr int kRings = 256, kScans = 4000;
    std::vector<SVDataPointBuffer> rings;
    for (int r = 0; r < kRings; ++r)
        rings.emplace_back(100000, 4);
    const QDateTime start = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    int mostAtOnce = 0;
    for (int scan = 0; scan < kScans; ++scan) {
        int grew = 0;
        for (SVDataPointBuffer& ring : rings) {
            const std::size_t before = ring.capacity();
            ring.push(SVDataPoint(-50 - scan % 40, -90, -1, -1, start.addSecs(scan)));
            grew += ring.capacity() != before;
        }
        if (scan >= 100)
            mostAtOnce = std::max(mostAtOnce, grew);
    }
    EXPECT_LE(mostAtOnce, kRings / 4); // in step, all of them would
    for (const SVDataPointBuffer& ring : rings) {
        ASSERT_EQ(ring.size(), std::size_t(kScans));
        EXPECT_LE(ring.capacity() - ring.size(), std::max<std::size_t>(16, ring.size() / 16));
        EXPECT_EQ(ring.front().rssiValue(), -50);
        EXPECT_EQ(ring.back().rssiValue(), -50 - (kScans - 1) % 40);
    }
}

TEST(NetworkHelpersTest, CurveBssidAndCsv)
{
    EXPECT_EQ(sv::signalQualityPercent(-70), 50);
    EXPECT_EQ(sv::signalQualityPercent(-95), 1);
    EXPECT_EQ(sv::signalQualityPercent(-97), 0);
    EXPECT_EQ(sv::signalQualityPercentUnclamped(-96), -6);
    EXPECT_EQ(sv::normalizedBssid("a:b:c:d:e:f"), "0A:0B:0C:0D:0E:0F");
    EXPECT_FALSE(sv::isWellFormedBssid(sv::normalizedBssid("a:b")));
    EXPECT_EQ(sv::stringByAddingQuotationMarksForCSV("a,\"b\""), "\"a,\"\"b\"\"\"");
    EXPECT_EQ(sv::stringByAddingQuotationMarksForCSV("ab"), "ab");
}

} // namespace
