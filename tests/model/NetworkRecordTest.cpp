#include "Beacon.h"

#include "elements/SVInfoElement.h"
#include "model/SVAnnotationsHelper.h"
#include "model/SVNetwork.h"
#include "model/SVNetworkCollection.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/KeyedArchiver.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace beacon;

namespace {

const QDateTime kStart(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

SVDataPoint sample(qint64 rssi, qint64 noise, int second = 0)
{
    return SVDataPoint(rssi, noise, -1, -1, kStart.addSecs(second));
}

std::shared_ptr<SVNetwork> record(const QVariantMap& dictionary,
                                  std::initializer_list<std::pair<int, int>> samples = {})
{
    auto n = SVNetwork::initWithDictionary(dictionary);
    int t = 0;
    for (auto [r, s] : samples)
        n->addDataPoint(sample(r, s, t++));
    return n;
}

struct StatsCase {
    const char* name;
    std::vector<std::pair<int, int>> samples;
    qint64 rssiAvg, rssiMin, rssiMax, noiseAvg, noiseMin, noiseMax;
    qint64 snrAvg, snrMin, snrMax, snrPerc, snrPercMax;
};

TEST(NetworkStatisticsTest, Table)
{
    const StatsCase cases[] = {
        {"no data keeps the initial bounds", {{-120, -120}, {-120, -120}}, 0, 120, -120, 0, 120, -120, 0, 100, 0, 0, 0},
        {"one sample", {{-70, -90}}, -70, -70, -70, -90, -90, -90, 20, 20, 20, 42, 42},
        {"samples without data do not count", {{-60, -90}, {-120, -120}, {-70, -90}},
         -65, -70, -60, -90, -90, -90, 25, 20, 30, 42, 58},
        {"averages truncate toward zero", {{-61, -95}, {-62, -95}}, -61, -62, -61, -95, -95, -95, 33, 33, 34, 62, 63},
        {"an SNR above 100 never lowers the minimum; noise -120 counts",
         {{-10, -120}}, -10, -10, -10, -120, -120, -120, 110, 100, 110, 100, 100},
        {"negative SNRs leave the maximum at 0", {{-90, -80}}, -90, -90, -90, -80, -80, -80, -10, -10, 0, -22, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto n = SVNetwork::initWithDictionary(scan(6, {}));
        int t = 0;
        for (auto [r, s] : c.samples)
            n->addDataPoint(sample(r, s, t++));
        EXPECT_EQ(n->dataPointCount(), c.samples.size());
        EXPECT_EQ(n->rssiAvg(), c.rssiAvg);
        EXPECT_EQ(n->rssiMin(), c.rssiMin);
        EXPECT_EQ(n->rssiMax(), c.rssiMax);
        EXPECT_EQ(n->noiseAvg(), c.noiseAvg);
        EXPECT_EQ(n->noiseMin(), c.noiseMin);
        EXPECT_EQ(n->noiseMax(), c.noiseMax);
        EXPECT_EQ(n->snrAvg(), c.snrAvg);
        EXPECT_EQ(n->snrMin(), c.snrMin);
        EXPECT_EQ(n->snrMax(), c.snrMax);
        EXPECT_EQ(n->snrPerc(), c.snrPerc);
        EXPECT_EQ(n->snrPercMax(), c.snrPercMax);
    }
}

TEST(NetworkStatisticsTest, SampleCapDropsTheOldestButKeepsItsStatistics)
{
    auto n = SVNetwork::initWithDictionary(scan(6, {}));
    n->addDataPoint(sample(-30, -90, 0));
    for (std::size_t i = 1; i < SVNetwork::MaximumDataPoints; ++i)
        n->addDataPoint(sample(-80, -90, int(i)));
    EXPECT_EQ(n->dataPointCount(), SVNetwork::MaximumDataPoints);
    EXPECT_EQ(n->firstDataPoint()->rssiValue(), -30);
    n->addDataPoint(sample(-80, -90, 99999));
    EXPECT_EQ(n->dataPointCount(), SVNetwork::MaximumDataPoints);
    EXPECT_EQ(n->firstDataPoint()->rssiValue(), -80);
    EXPECT_EQ(n->firstDataPoint()->timestamp(), kStart.addSecs(1));
    EXPECT_EQ(n->rssiMax(), -30);
    EXPECT_EQ(n->rssiCount(), SVNetwork::MaximumDataPoints + 1);
}

TEST(NetworkStatisticsTest, CurrentAndLastLevels)
{
    auto n = record(scan(6, {}), {{-60, -90}, {-120, -120}});
    EXPECT_EQ(n->rssi(), -120);      // newest sample has no signal
    EXPECT_EQ(n->rssiLast(), -60);   // the last one heard
    EXPECT_EQ(n->noiseLast(), -90);
    EXPECT_EQ(n->snrLast(), 30);
    n->addDataPoint(sample(-55, -90, 5));
    EXPECT_EQ(n->rssi(), -55);
    n->setLastSeenElapsedSeconds(4);  // missed the latest scan
    EXPECT_EQ(n->rssi(), -120);
    EXPECT_EQ(n->rssiLast(), -55);
    auto empty = SVNetwork::initWithDictionary(scan(6, {}));
    EXPECT_EQ(empty->rssiLast(), -120);
    EXPECT_EQ(empty->snrLast(), 0);
    EXPECT_FALSE(empty->firstDataPoint());
}

TEST(NetworkStatisticsTest, ExportReadsWhileTheMergeAppends)
{
    auto n = record(scan(6, bgRates()), {{-60, -90}});
    std::atomic<bool> done = false;
    std::thread exporter([&] {
        const QStringList columns = {"BSSID", "RSSI", "RSSI_AVG", "FIRST_SEEN", "PHY_MODE"};
        while (!done)
            EXPECT_EQ(n->toCSV(columns, false).count(','), 4);
    });
    for (int i = 0; i < 20000; ++i) {
        n->addDataPoint(sample(-60 - i % 30, -90, i));
        if (i % 100 == 0)
            n->setNetwork(scan(6, bgRates() + bssLoad(i % 50, i % 255)));
        if (i % 1000 == 0)
            (void)n->dataPoints();
    }
    done = true;
    exporter.join();
    EXPECT_EQ(n->dataPointCount(), 20001u);
}

class VendorFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        auto& db = SVVendorDatabaseHelper::sharedDatabase();
        QDir().mkpath(QFileInfo(db.pathToDatabase()).path());
        const QVariantMap vendors = {
            {"AC:BC:32", "Apple, Inc."}, {"00:24:82", "Ruckus Wireless"},
            {"24:A4:3C", "Ubiquiti Networks Inc."}, {"00:18:4A", "Cisco Meraki"},
            {"00:14:6C", "Netgear"},
        };
        ASSERT_TRUE(sv::PropertyList::writeFile(vendors, db.pathToDatabase()));
        db.dropDatabase();
    }
    static void TearDownTestSuite()
    {
        auto& db = SVVendorDatabaseHelper::sharedDatabase();
        QFile::remove(db.pathToDatabase());
        db.dropDatabase();
    }
};

TEST_F(VendorFixture, IdentityOfTheRadio)
{
    struct Case { const char* bssid; const char* normal; const char* vendor; const char* deviceid; const char* apid; };
    const Case cases[] = {
        {"ac:bc:32:dd:ee:ff", "AC:BC:32:DD:EE:FF", "Apple, Inc.", "Apple:DD:EE:FF", "Apple:DD:EE:##"},
        {"ae:bc:32:dd:ee:ff", "AE:BC:32:DD:EE:FF", "Apple, Inc.", "Apple:DD:EE:FF", "Apple:DD:32:##"},
        {"0:24:82:dd:ee:ff", "00:24:82:DD:EE:FF", "Ruckus Wireless", "Ruckus:DD:EE:FF", "Ruckus:#D:EE:F#"},
        {"24:a4:3c:dd:ee:ff", "24:A4:3C:DD:EE:FF", "Ubiquiti Networks Inc.", "Ubiquiti:DD:EE:FF", "Ubiquiti:D#:EE:FF"},
        {"02:18:4a:11:22:33", "02:18:4A:11:22:33", "Cisco Meraki", "Meraki:11:22:33", "Meraki:11:22:3#"},
        {"00:18:4a:11:22:33", "00:18:4A:11:22:33", "Cisco Meraki", "Meraki:11:22:33", "Meraki:11:22:33"},
        {"0:14:6c:d:e:f", "00:14:6C:0D:0E:0F", "Netgear", "Netgear:0D:0E:0F", "Netgear:0D:0E:0#"},
        {"12:34:56:78:9a:bc", "12:34:56:78:9A:BC", "", "12:34:56:78:9A:BC", "12:34:56:78:9A:B#"},
        // Short or malformed texts from a document: no vendor, nothing read out of range.
        {"a:b", "0A:0B", "", "0A:0B", "0A:0#"},
        {"ac:bc:32", "AC:BC:32", "", "AC:BC:32", "AC:BC:3#"},
        {"", "", "", "", ""},
        {"zz:zz:zz:zz:zz:zz", "ZZ:ZZ:ZZ:ZZ:ZZ:ZZ", "", "ZZ:ZZ:ZZ:ZZ:ZZ:ZZ", "ZZ:ZZ:ZZ:ZZ:ZZ:Z#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bssid);
        auto n = SVNetwork::initWithDictionary(scan(6, {}, 0, c.bssid));
        EXPECT_EQ(n->bssid(), c.normal);
        EXPECT_EQ(n->vendor(), c.vendor);
        EXPECT_EQ(n->deviceid(), c.deviceid);
        EXPECT_EQ(n->apid(), c.apid);
    }
}

TEST_F(VendorFixture, AnUnknownVendorIsFoundOnceTheDatabaseChanges)
{
    auto n = SVNetwork::initWithDictionary(scan(6, {}, 0, "12:34:56:78:9a:bc"));
    EXPECT_EQ(n->vendor(), "");
    EXPECT_EQ(n->deviceid(), "12:34:56:78:9A:BC");
    EXPECT_EQ(n->apid(), "12:34:56:78:9A:B#");

    auto& db = SVVendorDatabaseHelper::sharedDatabase();
    const QVariant before = sv::PropertyList::readFile(db.pathToDatabase());
    QVariantMap vendors = before.toMap();
    vendors.insert("12:34:56", "Netgear");
    ASSERT_TRUE(sv::PropertyList::writeFile(vendors, db.pathToDatabase()));
    db.dropDatabase();
    EXPECT_EQ(n->apid(), "Netgear:78:9A:B#");
    EXPECT_EQ(n->deviceid(), "Netgear:78:9A:BC");
    EXPECT_EQ(n->vendor(), "Netgear");

    ASSERT_TRUE(sv::PropertyList::writeFile(before, db.pathToDatabase()));
    db.dropDatabase();
    EXPECT_EQ(n->vendor(), "Netgear"); // a known vendor stays
}

TEST(NetworkDigestTest, ANewBeaconReplacesWhatTheOldOneSaid)
{
    const QByteArray ht40 = ssid("lab") + aRates() + htCapabilities(0x02, {0xFF}) + htOperation(36, 1, 2)
        + rsn({4}, {2}) + country("de");
    QVariantMap phySet = scan(36, ht40);
    phySet["phyMode"] = 8;
    QVariantMap open = scan(36, ht40, 0);
    const QVariantMap nextDictionaries[] = {
        scan(36, ht40),
        scan(36, ssid("lab") + aRates() + htOperation(40, 3, 0)),
        scan(40, ht40),
        phySet,
        open,
        scan(6, bgRates() + htOperation(6, 0, 0)),
    };
    for (const QVariantMap& next : nextDictionaries) {
        SCOPED_TRACE(next.value("channelNumber").toInt());
        SVNetwork heardTwice(scan(36, ht40));
        heardTwice.setNetwork(next);
        const SVNetwork heardOnce(next);
        EXPECT_EQ(heardTwice.ssid(), heardOnce.ssid());
        EXPECT_EQ(heardTwice.channel(), heardOnce.channel());
        EXPECT_EQ(heardTwice.channelWidth(), heardOnce.channelWidth());
        EXPECT_EQ(heardTwice.secondaryChannelOffset(), heardOnce.secondaryChannelOffset());
        EXPECT_EQ(heardTwice.phyModeFlags(), heardOnce.phyModeFlags());
        EXPECT_EQ(heardTwice.securityModeCode(), heardOnce.securityModeCode());
        EXPECT_EQ(heardTwice.htProtection(), heardOnce.htProtection());
        EXPECT_EQ(heardTwice.countryCode(), heardOnce.countryCode());
        EXPECT_EQ(heardTwice.rates(), heardOnce.rates());
        EXPECT_EQ(heardTwice.amendments(), heardOnce.amendments());
    }

    // Edited values give way to the next beacon, even an unchanged one.
    SVNetwork edited(scan(36, ht40));
    const std::vector<double> rates = edited.rates();
    edited.setRates({1, 2});
    edited.setSecondaryChannelOffset(0);
    edited.setNetwork(scan(36, ht40));
    EXPECT_EQ(edited.rates(), rates);
    EXPECT_EQ(edited.secondaryChannelOffset(), 1);
}

TEST_F(VendorFixture, GroupRowFromItsMembers)
{
    auto a = record(scan(1, bgRates() + htOperation(1, 0, 0) + bssLoad(3, 0), 4, "ac:bc:32:dd:ee:f0"),
                    {{-60, -90}});
    auto b = record(scan(36, aRates() + htCapabilities(0x02, {0xFF}) + htOperation(36, 1, 0)
                                 + vhtCapabilities(0, 0xFE) + vhtOperation(1, 42, 0),
                         4, "ac:bc:32:dd:ee:f1"),
                    {{-70, -95}});
    auto other = record(scan(6, bgRates(), 4, "0:14:6c:1:2:3"), {{-50, -90}});

    SVNetworkCollection group("radio");
    group.addObject(a);
    group.addObject(b);
    EXPECT_EQ(group.bssidValue(), "Apple:DD:EE:##");
    EXPECT_EQ(group.channelWidthValue(), "20, 80 MHz");
    EXPECT_EQ(group.channelBandValue(), "2.4, 5 GHz");
    EXPECT_EQ(group.channelValue(), "1, 36");
    EXPECT_EQ(group.phyModeValue(), "b/g/n/ac");
    EXPECT_EQ(group.vendorValue(), "Apple, Inc.");
    EXPECT_EQ(group.securityValue(), "WPA2 (PSK)");
    EXPECT_EQ(group.stationCountValue(), "3");
    EXPECT_EQ(group.maxRateValue(), "54, 390");
    EXPECT_EQ(group.basicDataRatesValue(), "1, 2, 6, 12, 24");
    EXPECT_EQ(group.rssiMaxValue(), -60);
    EXPECT_EQ(group.rssiMinValue(), -70);
    EXPECT_EQ(group.bestNetwork(), a); // SNR 30 against 25
    EXPECT_EQ(group.rssiValue(), -60);

    group.addObject(other);
    EXPECT_EQ(group.bssidValue(), "<Multiple values>");
    EXPECT_EQ(group.vendorValue(), "<Multiple values>");
    EXPECT_EQ(group.bestNetwork(), other);

    // Nobody in range: the best last SNR still picks a member.
    for (const auto& n : {a, b, other})
        n->setLastSeenElapsedSeconds(10);
    EXPECT_EQ(group.bestNetwork(), other);

    SVNetworkCollection empty("none");
    EXPECT_EQ(empty.bestNetwork(), nullptr);
    EXPECT_EQ(empty.bssidValue(), "");
    EXPECT_EQ(empty.rssiAvgValue(), std::numeric_limits<qint64>::min());
    EXPECT_EQ(empty.rssiMinValue(), std::numeric_limits<qint64>::max());
    EXPECT_FALSE(empty.lastSeenElapsedSecondsValue());
    EXPECT_EQ(empty.channelBandValue(), "");
}

TEST(NetworkIdentityTest, BssidAndBandCompare)
{
    auto n = SVNetwork::initWithDictionary(scan(6, {}, 0, "0:1b:2:3c:4:d5"));
    EXPECT_EQ(n->bssid(), "00:1B:02:3C:04:D5");
    EXPECT_TRUE(n->bssidAndBandCompare(scan(11, {}, 0, "00:1B:02:3C:04:D5")));
    EXPECT_TRUE(n->bssidAndBandCompare(scan(1, {}, 0, "0:1B:2:3c:4:d5")));
    EXPECT_FALSE(n->bssidAndBandCompare(scan(36, {}, 0, "00:1B:02:3C:04:D5")));
    EXPECT_FALSE(n->bssidAndBandCompare(scan(6, {}, 0, "00:1B:02:3C:04:D6")));
}

TEST(NetworkIdentityTest, SsidFallbacks)
{
    QVariantMap named = scan(6, {});
    named["ssid"] = "from scan";
    EXPECT_EQ(SVNetwork(named).ssid(), "from scan");
    EXPECT_FALSE(SVNetwork(named).isHidden());
    named["informationElementData"] = ssid("from elements");
    EXPECT_EQ(SVNetwork(named).ssid(), "from elements");
    SVNetwork hidden(scan(6, ssid(QByteArray(3, '\0'))));
    EXPECT_EQ(hidden.ssid(), "<Hidden Network>");
    EXPECT_TRUE(hidden.isHidden());
}

TEST(NetworkIdentityTest, Annotations)
{
    SVNetwork n(scan(6, {}, 0, "0:aa:bb:cc:dd:ee"));
    EXPECT_EQ(n.annotations(), "");
    n.setAnnotations("by the window");
    EXPECT_EQ(SVAnnotationsHelper::sharedAnnotations().annotationsForNetwork("00:AA:BB:CC:DD:EE"), "by the window");
    EXPECT_EQ(n.annotations(), "by the window");
    SVAnnotationsHelper::sharedAnnotations().setAnnotationsForNetwork("00:AA:BB:CC:DD:EE", "moved");
    EXPECT_EQ(n.annotations(), "by the window"); // cached until told
    n.annotationsDidChange();
    EXPECT_EQ(n.annotationsValue(), "moved");
    n.setAnnotations("");
}

TEST(NetworkChannelTest, CentreFrequencyBandAndRange)
{
    struct Case { int channel; QByteArray elements; qint64 center; const char* range; qint64 mhz; const char* band; };
    const Case cases[] = {
        {6, {}, 6, "6", 2437, "2.4 GHz ISM"},
        {14, {}, 14, "14", 2484, "2.4 GHz ISM"},
        {44, htOperation(44, 3, 0), 42, "40 44", 5220, "5 GHz UNII-1"},
        {52, htOperation(52, 1, 0) + vhtOperation(1, 58, 0), 58, "52 56 60 64", 5260, "5 GHz UNII-2"},
        {116, htOperation(116, 1, 0) + vhtOperation(2, 114, 0), 114, "100 104 108 112 116 120 124 128", 5580,
         "5 GHz UNII-2 Extended"},
        {161, htOperation(161, 3, 0) + vhtOperation(1, 155, 0), 155, "149 153 157 161", 5805, "5 GHz UNII-3"},
        {165, htOperation(165, 0, 0) + vhtOperation(1, 155, 0), 165, "0", 5825, "5 GHz UNII-3"},
        {0, {}, 0, "0", 0, "2.4 GHz ISM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.channel);
        SVNetwork n(scan(c.channel, c.elements));
        EXPECT_EQ(n.channelCenter(), c.center);
        EXPECT_EQ(n.humanReadableChannelRange().text(), c.range);
        EXPECT_EQ(n.centerFrequency(), c.mhz);
        EXPECT_EQ(n.humanReadableChannelBand(), c.band);
    }
    SVNetwork wide(scan(52, htOperation(52, 1, 0) + vhtOperation(1, 58, 0)));
    EXPECT_EQ(wide.humanReadableChannelRange().html(), "<u>52</u> 56 60 64");
}

TEST(NetworkRowTest, RowValues)
{
    QVariantMap d = scan(6, ssid("home") + bgRates() + dsChannel(6) + htOperation(6, 0, 1) + rsn({4}, {2})
                                + wps(wpsAttribute(0x1044, bytes({1}))) + country("us"));
    auto n = record(d, {{-70, -90}, {-60, -90}, {-120, -120}});
    EXPECT_EQ(n->bestNetwork(), n);
    EXPECT_EQ(n->ssidValue(), "home");
    EXPECT_EQ(n->rssiValue(), -60);
    EXPECT_EQ(n->rssiAvgValue(), -65);
    EXPECT_EQ(n->noiseValue(), -90);
    EXPECT_EQ(n->snrValue(), 30);
    EXPECT_EQ(n->channelValue(), "6");
    EXPECT_EQ(n->securityValue(), "WPA2 (PSK)");
    EXPECT_EQ(n->wpsValue(), "Not Configured");
    EXPECT_EQ(n->channelBandValue(), "2.4 GHz");
    EXPECT_EQ(n->channelWidthValue(), "20 MHz");
    EXPECT_EQ(n->channelCenterValue(), "6");
    EXPECT_EQ(n->phyModeValue(), "b/g/n");
    EXPECT_EQ(n->minRateValue(), "1");
    EXPECT_EQ(n->maxRateValue(), "54");
    EXPECT_EQ(n->networkTypeValue(), "Infrastructure");
    EXPECT_EQ(n->firstSeenValue(), kStart);
    EXPECT_EQ(n->countryCodeValue(), "US");
    EXPECT_EQ(n->streamsValue(), "1");
    EXPECT_EQ(n->stationCountValue(), "");
    EXPECT_EQ(n->channelUtilizationValue(), -1);
    EXPECT_EQ(n->htProtectionValue(), "Non Member");
    EXPECT_EQ(n->fastBssTransitionValue(), "");
    EXPECT_EQ(n->centerFrequencyValue(), "2437");
    EXPECT_EQ(n->beaconIntervalValue(), "102.4");
    EXPECT_EQ(n->basicDataRatesValue(), "1, 2");
    EXPECT_EQ(n->valueForKey("rssi").toLongLong(), -120);
    EXPECT_EQ(n->valueForKey("rssiAvg").toLongLong(), -65);
    EXPECT_EQ(n->valueForKey("shortChannelBand").toString(), "2.4 GHz");
    EXPECT_EQ(n->valueForKey("snrMaxValue").toLongLong(), 30);
    EXPECT_FALSE(n->valueForKey("noSuchColumn").isValid());

    EXPECT_EQ(SVNetwork::rateText(5.5), "5.5");
    EXPECT_EQ(SVNetwork::rateText(54), "54");
    EXPECT_EQ(SVNetwork::rateText(0), "");
}

TEST(NetworkRowTest, CsvLine)
{
    QVariantMap d = scan(6, ssid("a,\"b\"") + bgRates() + bssLoad(2, 51));
    auto heard = record(d, {{-70, -90}, {-60, -90}, {-120, -120}});
    auto silent = record(scan(6, ssid("plain")), {{-120, -120}});
    struct Case { const char* name; std::shared_ptr<SVNetwork> n; QStringList columns; bool percent; QString line; };
    const QStringList levels = {"RSSI", "RSSI_AVG", "RSSI_MIN", "NOISE", "NOISE_MAX", "SNR", "SNR_MAX"};
    const Case cases[] = {
        {"levels in dBm", heard, levels, false, "-60,-65,-70,-90,-90,30,30"},
        {"levels in percent, SNR stays dB", heard, levels, true, "66,58,50,8,8,30,30"},
        {"no sample with data: empty levels and statistics", silent, levels, false, ",,,,,,"},
        {"quoted texts", heard, {"SSID", "CHANNEL_BAND", "BASIC_RATES", "MIN_RATE", "MAX_RATE"}, false,
         "\"a,\"\"b\"\"\",2.4 GHz,\"1, 2\",1,54"},
        {"bare SSID", silent, {"SSID", "BSSID"}, false, "plain,00:1B:63:AA:BB:CC"},
        {"station count and utilisation", heard, {"STATION_COUNT", "CHANNEL_UTILIZATION"}, false, "2,20"},
        {"unknown after all", silent, {"STATION_COUNT", "CHANNEL_UTILIZATION", "CC", "WPS"}, false, ",,,"},
        {"columns the line does not know", heard, {"SEEN", "IS_USER_HIDDEN", "NOPE"}, false, ",,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.n->toCSV(c.columns, c.percent), c.line);
    }
    const QString dates = heard->toCSV({"FIRST_SEEN", "LAST_SEEN"}, false);
    EXPECT_EQ(dates.count(','), 1);
    EXPECT_TRUE(dates.contains(kStart.toLocalTime().toString("yyyy/MM/dd"))) << dates.toStdString();
}

TEST(NetworkRowTest, EstimatedMcs)
{
    auto n = record(scan(36, vhtCapabilities(0, 0xFE) + vhtOperation(1, 42, 0)), {{-60, -90}});
    EXPECT_EQ(n->estimatedMCS(), 6); // SNR 30 at 80 MHz
    auto none = record(scan(36, {}), {{-90, -90}});
    EXPECT_EQ(none->estimatedMCS(), -1);
}

} // namespace

namespace {

TEST(NetworkColorTest, UserDefinedColorsByBssid)
{
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    const QColor chosen = QColor::fromRgbF(0.1f, 0.2f, 0.3f);
    defaults.setObject(QVariantMap{{"00:1B:63:AA:BB:01", sv::KeyedArchiver::archivedValue(chosen)},
                                   {"00:1B:63:AA:BB:02", QByteArray("not an archive")}},
                       "UserDefinedColors");
    EXPECT_EQ(SVNetwork(scan(6, {}, 0, "0:1b:63:aa:bb:1")).color(), chosen);
    const QColor fallback = SVNetwork(scan(6, {}, 0, "00:1b:63:aa:bb:02")).color();
    EXPECT_TRUE(fallback.isValid());
    defaults.removeObjectForKey("UserDefinedColors");
}

} // namespace

namespace {

TEST(NetworkElementsTest, SplitOfTheRecordsElements)
{
    struct Case { const char* hex; std::vector<unsigned> ids; };
    const Case cases[] = {
        {"000341424301028284", {0, 1}},
        {"00054142", {}},
        {"", {}},
        {"0000dd", {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        SVNetwork n(scan(6, QByteArray::fromHex(c.hex)));
        std::vector<unsigned> ids;
        for (const auto& e : n.informationElements())
            ids.push_back(e->ieID());
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(n.informationElementsLength(), qint64(std::strlen(c.hex) / 2));
    }
    SVNetwork n(scan(6, QByteArray::fromHex("000341424301028284")));
    ASSERT_EQ(n.informationElements().size(), 2u);
    EXPECT_EQ(n.informationElements()[0]->ieData(), "ABC");
}

} // namespace
