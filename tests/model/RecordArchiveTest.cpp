#include "Beacon.h"

#include "model/CWNetworkUtil.h"
#include "model/SVAnnotationsHelper.h"
#include "model/SVNetwork.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

using namespace beacon;
using sv::KeyedArchiver;
using sv::KeyedUnarchiver;

namespace {

const QDateTime kStart(QDate(2025, 11, 3), QTime(8, 30, 15, 250), Qt::UTC);

QByteArray archiveOf(const std::function<void(KeyedArchiver&)>& root)
{
    QByteArray data;
    KeyedArchiver archiver(&data);
    root(archiver);
    EXPECT_TRUE(archiver.finish()) << archiver.errorString().toStdString();
    return data;
}

// Reads the record under "root"; null when the reader would skip it.
std::shared_ptr<SVNetwork> readRecord(const QByteArray& data, QString* error = nullptr)
{
    KeyedUnarchiver coder = KeyedUnarchiver::fromData(data);
    SVNetwork::registerArchivedClassNames(coder);
    std::shared_ptr<SVNetwork> out;
    coder.decodeObjectWith("root", [&out](KeyedUnarchiver& c) {
        if (SVNetwork::isArchivedClass(c.classChain()))
            out = SVNetwork::initWithCoder(c);
    });
    if (error)
        *error = coder.errorString();
    return coder.failed() ? nullptr : out;
}

std::shared_ptr<SVNetwork> liveRecord()
{
    auto n = SVNetwork::initWithDictionary(
        scan(36, ssid("lab") + aRates() + htCapabilities(0x42, {0xFF, 0xFF}) + htOperation(36, 1, 0)
                     + rsn({4}, {2}) + cisco133("AP-Lab", 4)));
    n->setColor(QColor::fromRgbF(0.25f, 0.5f, 0.75f));
    n->setLastSeen(kStart.addSecs(60));
    for (int i = 0; i < 50; ++i)
        n->addDataPoint(SVDataPoint(i % 10 == 9 ? -120 : -50 - i % 20, -92, i % 5, i % 101, kStart.addSecs(i)));
    n->annotations(); // fills the cache: written with the record
    return n;
}

TEST(RecordArchiveTest, RoundTrip)
{
    auto original = liveRecord();
    original->setAnnotations("rack 4");
    (void)original->annotations();
    const QByteArray data = KeyedArchiver::archivedData(*original);
    original->setAnnotations(""); // the document's text is what the record shows

    auto copy = readRecord(data);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->loadedFromFile());
    EXPECT_EQ(copy->network(), original->network());
    EXPECT_EQ(copy->bssid(), original->bssid());
    EXPECT_EQ(copy->phyMode(), "a/n");
    EXPECT_EQ(copy->securityMode(), original->securityMode());
    EXPECT_EQ(copy->rates(), original->rates());
    EXPECT_EQ(copy->deviceName(), "AP-Lab");
    EXPECT_EQ(copy->annotations(), "rack 4");
    EXPECT_EQ(copy->color(), original->color());
    EXPECT_EQ(copy->lastSeen(), original->lastSeen());
    EXPECT_GT(copy->lastSeenElapsedSeconds(), 0);

    const auto a = original->dataPoints(), b = copy->dataPoints();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(b[i].rssiValue(), a[i].rssiValue());
        EXPECT_EQ(b[i].noiseValue(), a[i].noiseValue());
        EXPECT_EQ(b[i].channel(), a[i].channel());
        EXPECT_EQ(b[i].stationCount(), a[i].stationCount());
        EXPECT_EQ(b[i].chUtilization(), a[i].chUtilization());
        EXPECT_EQ(b[i].timestamp(), a[i].timestamp());
    }
    // Statistics are rebuilt from the samples.
    EXPECT_EQ(copy->rssiAvg(), original->rssiAvg());
    EXPECT_EQ(copy->snrMax(), original->snrMax());
    EXPECT_EQ(copy->rssiCount(), original->rssiCount());
    // A document's record shows its newest level though it is not in a scan.
    EXPECT_EQ(copy->rssi(), a.back().rssiValue());
}

TEST(RecordArchiveTest, OldClassNamesAndSamplesWithoutRevision)
{
    const QByteArray data = archiveOf([](KeyedArchiver& a) {
        a.encodeObjectWith("root", {"SkyvaneNetwork", "NSObject"}, [](KeyedArchiver& c) {
            c.encodeObject("network", scan(6, bgRates()));
            c.beginArray("dataPoints");
            c.appendObjectWith({"SkyvaneDataPoint", "NSObject"}, [](KeyedArchiver& s) {
                s.encodeInt("rssiValue", -130); // not clamped when read
                s.encodeInt("noiseValue", 0);
                s.encodeInt("channel", 6);
                s.encodeDate("timestamp", kStart);
            });
            c.appendObjectWith({"SVDataPoint", "NSObject"}, [](KeyedArchiver& s) {
                s.encodeInt("revision", 1);
                s.encodeInt("rssiValue", -60);
                s.encodeInt("noiseValue", -90);
                s.encodeInt("channel", 6);
                s.encodeInt("stationCount", 3);
                s.encodeInt("chUtilization", 40);
                s.encodeDate("timestamp", kStart.addSecs(2));
            });
            c.endArray();
            c.encodeColor("color", QColor::fromRgbF(1, 0, 0));
            c.encodeDate("lastSeen", kStart);
        });
    });
    auto n = readRecord(data);
    ASSERT_TRUE(n);
    const auto points = n->dataPoints();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].rssiValue(), -130);
    EXPECT_EQ(points[0].noiseValue(), 0);
    EXPECT_EQ(points[0].channel(), -1);
    EXPECT_EQ(points[0].stationCount(), -1);
    EXPECT_EQ(points[0].chUtilization(), -1);
    EXPECT_EQ(points[1].channel(), 6);
    EXPECT_EQ(points[1].stationCount(), 3);
    EXPECT_EQ(points[1].chUtilization(), 40);
    EXPECT_EQ(n->phyMode(), "b/g");
}

TEST(RecordArchiveTest, PlatformNetworkObjectDigestsLikeALiveScan)
{
    const QByteArray elements = ssid("old") + bgRates() + dsChannel(11) + htOperation(11, 0, 0) + wpa({2}, {2});
    CWNetwork live;
    live.setBssid("00:11:22:33:44:55");
    live.setSsidData("old");
    live.setWlanChannel(CWChannel(11, 1, 1));
    live.setRssiValue(-55);
    live.setNoiseMeasurement(-91);
    live.setBeaconInterval(100);
    live.setInformationElementData(elements);
    live.setSecurityFrom(true, elements);
    SVNetwork reference(CWNetworkUtil::dictionary(live));

    const QByteArray data = archiveOf([&](KeyedArchiver& a) {
        a.encodeObjectWith("root", {"SVNetwork", "NSObject"}, [&](KeyedArchiver& c) {
            c.encodeObjectWith("network", {"CWNetwork", "NSObject"}, [&](KeyedArchiver& w) {
                w.encodeObject("bssid", live.bssid());
                w.encodeObject("ssidData", live.ssidData());
                w.encodeObjectWith("wlanChannel", {"CWChannel", "NSObject"}, [](KeyedArchiver& ch) {
                    ch.encodeInt("channelNumber", 11);
                    ch.encodeInt("channelBand", 1);
                    ch.encodeInt("channelWidth", 1);
                });
                w.encodeInt("rssiValue", -55);
                w.encodeInt("noiseMeasurement", -91);
                w.encodeInt("beaconInterval", 100);
                w.encodeObject("informationElementData", elements);
            });
            c.beginArray("dataPoints");
            c.endArray();
        });
    });
    auto n = readRecord(data);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->bssid(), reference.bssid());
    EXPECT_EQ(n->channel(), 11);
    EXPECT_EQ(n->ssid(), "old");
    EXPECT_EQ(n->phyModeFlags(), reference.phyModeFlags());
    EXPECT_EQ(n->securityModeCode(), reference.securityModeCode());
    EXPECT_EQ(n->rates(), reference.rates());
    EXPECT_EQ(n->beaconInterval(), reference.beaconInterval());
}

TEST(RecordArchiveTest, RecordsTheReaderSkips)
{
    struct Case { const char* name; std::function<void(KeyedArchiver&)> body; };
    const Case cases[] = {
        {"no network", [](KeyedArchiver& c) { c.encodeDate("lastSeen", kStart); }},
        {"network without bssid", [](KeyedArchiver& c) { c.encodeObject("network", QVariantMap{{"channelNumber", 6}}); }},
        {"bssid that is not text", [](KeyedArchiver& c) { c.encodeObject("network", QVariantMap{{"bssid", 42}}); }},
        {"network that is not a dictionary", [](KeyedArchiver& c) { c.encodeObject("network", "00:11:22:33:44:55"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray data = archiveOf([&](KeyedArchiver& a) {
            a.encodeObjectWith("root", {"SVNetwork", "NSObject"}, c.body);
        });
        EXPECT_FALSE(readRecord(data));
    }
}

TEST(RecordArchiveTest, OddValuesFallBackSafely)
{
    const QByteArray data = archiveOf([](KeyedArchiver& a) {
        a.encodeObjectWith("root", {"SVNetwork", "NSObject"}, [](KeyedArchiver& c) {
            c.encodeObject("network", QVariantMap{{"bssid", "a:b"}, {"channelNumber", 3}});
            c.encodeObject("color", "blue");
        });
    });
    QString error;
    auto n = readRecord(data, &error);
    ASSERT_TRUE(n) << error.toStdString();
    EXPECT_EQ(n->bssid(), "0A:0B");
    EXPECT_EQ(n->vendor(), "");
    EXPECT_EQ(n->deviceid(), "0A:0B");
    EXPECT_TRUE(n->color().isValid());
    EXPECT_EQ(n->dataPointCount(), 0u);
    EXPECT_FALSE(n->lastSeen().isValid());
}

TEST(RecordArchiveTest, DamagedBytesAreRefusedNotRead)
{
    const QByteArray data = KeyedArchiver::archivedData(*liveRecord());
    ASSERT_TRUE(readRecord(data));
    // Every cut and a spread of flipped bytes: never a crash or a read out of range.
    for (qsizetype cut = 0; cut < data.size(); cut += 7)
        EXPECT_FALSE(readRecord(data.left(cut))) << cut;
    for (qsizetype i = 0; i < data.size(); i += 3) {
        QByteArray damaged = data;
        damaged[i] = char(damaged[i] ^ 0x5A);
        (void)readRecord(damaged);
    }
}

} // namespace

TEST(RecordArchiveTest, SecurityComesBackFromTheStoredElements)
{
    // The archive holds the scan dictionary, not the mode: a document saved
    // by a version that read SAE as WPA2 opens as WPA3.
    const auto original = SVNetwork::initWithDictionary(scan(36, ssid("annex") + rsn({4}, {2, 8}, 0x80)));
    const auto copy = readRecord(KeyedArchiver::archivedData(*original));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->network().value("securityMode").toLongLong(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(copy->securityMode(), "WPA2/WPA3 Personal");
    EXPECT_TRUE(copy->isWPA3());
}

TEST(RecordArchiveTest, ANoteNothingHasReadYetIsArchivedWithItsRecord)
{
    auto& store = SVAnnotationsHelper::sharedAnnotations();
    auto noted = SVNetwork::initWithDictionary(scan(6, bgRates()));
    auto plain = SVNetwork::initWithDictionary(scan(11, bgRates(), std::numeric_limits<qint64>::max(), "00:11:22:33:44:66"));
    // Imported into the store; no table column has asked the record since.
    store.setAnnotationsForNetwork(noted->bssid(), "under the stairs");
    const QByteArray withNote = KeyedArchiver::archivedData(*noted);
    const QByteArray withoutNote = KeyedArchiver::archivedData(*plain);
    store.setAnnotationsForNetwork(noted->bssid(), "");

    auto copy = readRecord(withNote);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->annotations(), "under the stairs");
    EXPECT_FALSE(withoutNote.contains("annotations")) << "no note, no key";
}

TEST(RecordArchiveTest, SamplesBeyondWhatARecordKeepsAreCountedWhenRead)
{
    constexpr std::size_t Kept = SVNetwork::MaximumDataPoints;
    for (const std::size_t archived : {std::size_t(10), Kept, Kept + 1, Kept + 250}) {
        const QByteArray data = archiveOf([archived](KeyedArchiver& a) {
            a.encodeObjectWith("root", {"SVNetwork", "NSObject"}, [archived](KeyedArchiver& c) {
                c.encodeObject("network", scan(6, bgRates()));
                std::vector<SVDataPoint> points;
                for (std::size_t i = 0; i < archived; ++i)
                    points.emplace_back(-50 - int(i % 30), -92, 1, 10, kStart.addSecs(qint64(i)));
                c.beginArray("dataPoints");
                SVDataPoint::encodeArray(c, points, {});
                c.endArray();
            });
        });
        auto n = readRecord(data);
        ASSERT_TRUE(n) << archived;
        EXPECT_EQ(n->dataPointCount(), std::min(archived, Kept)) << archived;
        EXPECT_EQ(n->dataPointsLeftOut(), archived - std::min(archived, Kept)) << archived;
        // The newest stay.
        EXPECT_EQ(n->lastDataPoint()->timestamp(), kStart.addSecs(qint64(archived) - 1)) << archived;
    }
}
