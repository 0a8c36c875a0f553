#include "model/SVDocument.h"
#include "model/SVNetwork.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include "support/LibplistArchive.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const QDateTime kScanTime = QDateTime::fromMSecsSinceEpoch(1700000000250, Qt::UTC);

std::shared_ptr<SVNetwork> record(const QString& bssid, int channel, QList<int> rssis)
{
    auto n = std::make_shared<SVNetwork>(QVariantMap{{"bssid", bssid},
                                                     {"channelNumber", channel},
                                                     {"ssid", QStringLiteral("Café, \"net\"")},
                                                     {"rssiValue", rssis.value(0)},
                                                     {"noiseMeasurement", -92}});
    for (int i = 0; i < rssis.size(); ++i)
        n->addDataPoint(SVDataPoint(rssis[i], -92, 3, 40, kScanTime.addMSecs(i * 2000 + 7)));
    return n;
}

QString tempFile(const QTemporaryDir& dir, const char* name)
{
    return QDir(dir.path()).filePath(QLatin1String(name));
}

// A document as another platform's archiver writes it, assembled with
// libplist from the standard layout: mutable containers, old class names,
// samples without "revision", numbers as reals and dates as integers.
struct ForeignDocument : sv::test::LibplistArchive {
    uint64_t array(const std::vector<uint64_t>& items)
    {
        return LibplistArchive::array(items, {"NSMutableArray", "NSArray", "NSObject"});
    }
    uint64_t dictionary(const std::vector<std::pair<const char*, uint64_t>>& entries)
    {
        return LibplistArchive::dictionary(entries, {"NSMutableDictionary", "NSDictionary", "NSObject"});
    }
};

// The same property list in XML form, as libplist writes it.
QByteArray asXml(const QByteArray& binary)
{
    plist_t top = nullptr;
    plist_from_bin(binary.constData(), uint32_t(binary.size()), &top);
    char* xml = nullptr;
    uint32_t length = 0;
    if (top)
        plist_to_xml(top, &xml, &length);
    const QByteArray out(xml, qsizetype(length));
    plist_to_xml_free(xml);
    plist_free(top);
    return out;
}

plist_t dictItem(plist_t dict, const char* key) { return plist_dict_get_item(dict, key); }

uint64_t uidOf(plist_t node)
{
    uint64_t v = ~0ull;
    if (node && plist_get_node_type(node) == PLIST_UID)
        plist_get_uid_val(node, &v);
    return v;
}

QString stringOf(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    char* s = nullptr;
    plist_get_string_val(node, &s);
    const QString out = QString::fromUtf8(s);
    free(s);
    return out;
}

} // namespace

TEST(Document, SavedSurveyReadsBackWithEveryRecordInOrder)
{
    QTemporaryDir dir;
    const QString path = tempFile(dir, "site.skyvane");
    const QList<std::shared_ptr<SVNetwork>> list = {record("0:1b:2:3c:4:d5", 6, {-60, -120, -71}),
                                                    record("AA:BB:CC:DD:EE:FF", 149, {-80})};
    list[0]->setAnnotations(QStringLiteral("by the stairs"));
    QString error;
    ASSERT_TRUE(SVDocument::write(path, list, kScanTime, &error)) << error.toStdString();

    const auto content = SVDocument::read(path, &error);
    ASSERT_TRUE(content) << error.toStdString();
    EXPECT_EQ(content->lastScanTime, kScanTime);
    ASSERT_EQ(content->networks.size(), 2);
    const auto& a = content->networks[0];
    EXPECT_EQ(a->bssid(), "00:1B:02:3C:04:D5");
    EXPECT_EQ(a->ssid(), "Café, \"net\"");
    EXPECT_TRUE(a->loadedFromFile());
    EXPECT_EQ(a->annotations(), "by the stairs");
    const auto points = a->dataPoints();
    const auto original = list[0]->dataPoints();
    ASSERT_EQ(points.size(), original.size());
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].rssiValue(), original[i].rssiValue());
        EXPECT_EQ(points[i].timestamp(), original[i].timestamp());
        EXPECT_EQ(points[i].stationCount(), 3);
    }
    // Statistics are rebuilt from the samples.
    EXPECT_EQ(a->rssiAvg(), list[0]->rssiAvg());
    EXPECT_EQ(a->rssiMin(), -71);
    EXPECT_EQ(content->networks[1]->channel(), 149);
}

TEST(Document, OursIsTheStandardLayoutAsAnotherReaderSeesIt)
{
    QByteArray data;
    sv::KeyedArchiver coder(&data);
    SVDocument::encode(coder, {record("00:11:22:33:44:55", 1, {-50, -51})}, kScanTime);
    ASSERT_TRUE(coder.finish());

    plist_t top = nullptr;
    plist_from_bin(data.constData(), uint32_t(data.size()), &top);
    ASSERT_TRUE(top);
    plist_t objects = dictItem(top, "$objects");
    auto at = [&](uint64_t i) { return plist_array_get_item(objects, uint32_t(i)); };
    auto className = [&](plist_t o) { return stringOf(dictItem(at(uidOf(dictItem(o, "$class"))), "$classname")); };
    plist_t root = at(uidOf(dictItem(dictItem(top, "$top"), "root")));
    ASSERT_EQ(className(root), "NSDictionary");
    plist_t keys = dictItem(root, "NS.keys");
    plist_t values = dictItem(root, "NS.objects");
    ASSERT_EQ(plist_array_get_size(keys), 2u);
    QMap<QString, plist_t> entries;
    for (uint32_t i = 0; i < 2; ++i)
        entries[stringOf(at(uidOf(plist_array_get_item(keys, i))))] = at(uidOf(plist_array_get_item(values, i)));
    ASSERT_TRUE(entries.contains("networks") && entries.contains("lastScanTime"));
    EXPECT_EQ(className(entries["lastScanTime"]), "NSDate");
    double seconds = 0;
    plist_get_real_val(dictItem(entries["lastScanTime"], "NS.time"), &seconds);
    EXPECT_DOUBLE_EQ(seconds, 1700000000.25 - 978307200.0);
    EXPECT_EQ(className(entries["networks"]), "NSArray");
    plist_t records = dictItem(entries["networks"], "NS.objects");
    ASSERT_EQ(plist_array_get_size(records), 1u);
    plist_t network = at(uidOf(plist_array_get_item(records, 0)));
    EXPECT_EQ(className(network), "SVNetwork");
    plist_t samples = dictItem(at(uidOf(dictItem(network, "dataPoints"))), "NS.objects");
    EXPECT_EQ(plist_array_get_size(samples), 2u);
    plist_free(top);
}

TEST(Document, AnotherArchiversDocumentOpens)
{
    ForeignDocument f;
    const uint64_t netClass = f.addClass({"SkyvaneNetwork", "SVNetwork", "NSObject"});
    const uint64_t pointClass = f.addClass({"SkyvaneDataPoint", "SVDataPoint", "NSObject"});
    auto sample = [&](bool revision, plist_t time) {
        plist_t p = f.object(pointClass);
        if (revision) {
            plist_dict_set_item(p, "revision", plist_new_uint(1));
            plist_dict_set_item(p, "channel", plist_new_uint(11));
            plist_dict_set_item(p, "stationCount", plist_new_real(4.0));
            plist_dict_set_item(p, "chUtilization", plist_new_uint(12));
        }
        plist_dict_set_item(p, "rssiValue", plist_new_uint(uint64_t(int64_t(-64))));
        plist_dict_set_item(p, "noiseValue", plist_new_uint(uint64_t(int64_t(-95))));
        plist_dict_set_item(p, "timestamp", plist_new_uid(f.date(time)));
        return f.add(p);
    };
    auto network = [&](const char* bssid, int channel) {
        std::vector<std::pair<const char*, uint64_t>> entries = {{"channelNumber", f.add(plist_new_uint(channel))},
                                                                 {"rssiValue", f.add(plist_new_uint(uint64_t(int64_t(-64))))}};
        if (bssid)
            entries.push_back({"bssid", f.add(plist_new_string(bssid))});
        plist_t n = f.object(netClass);
        plist_dict_set_item(n, "network", plist_new_uid(f.dictionary(entries)));
        plist_dict_set_item(n, "dataPoints",
                            plist_new_uid(f.array({sample(false, plist_new_real(700000000.5)),
                                                   sample(true, plist_new_uint(700000002))})));
        plist_dict_set_item(n, "lastSeen", plist_new_uid(f.date(plist_new_real(700000002.0))));
        return f.add(n);
    };
    const uint64_t kept = network("a:b:c:d:e:f", 11);
    const uint64_t noChannel = network("00:00:00:00:00:01", 0);
    const uint64_t noBssid = network(nullptr, 6);
    const uint64_t root = f.dictionary({{"networks", f.array({noChannel, kept, noBssid})},
                                        {"lastScanTime", f.date(plist_new_uint(700000002))},
                                        {"somethingNewer", f.add(plist_new_string("ignored"))}});
    sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromData(f.bytes(root));
    QString error;
    const auto content = SVDocument::decode(coder, &error);
    ASSERT_TRUE(content) << error.toStdString();
    EXPECT_EQ(content->lastScanTime, QDateTime::fromSecsSinceEpoch(978307200 + 700000002, Qt::UTC));
    ASSERT_EQ(content->networks.size(), 1);
    const auto& n = content->networks[0];
    EXPECT_EQ(n->bssid(), "0A:0B:0C:0D:0E:0F");
    const auto points = n->dataPoints();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].channel(), -1);
    EXPECT_EQ(points[0].stationCount(), -1);
    EXPECT_EQ(points[0].timestamp(), QDateTime::fromMSecsSinceEpoch((978307200 + 700000000) * 1000LL + 500, Qt::UTC));
    EXPECT_EQ(points[1].channel(), 11);
    EXPECT_EQ(points[1].stationCount(), 4);
    EXPECT_EQ(points[1].chUtilization(), 12);
    EXPECT_EQ(n->rssiAvg(), -64);
}

TEST(Document, DamagedAndForeignFilesAreRefusedWithoutCrashing)
{
    QTemporaryDir dir;
    const QString good = tempFile(dir, "good.skyvane");
    ASSERT_TRUE(SVDocument::write(good, {record("00:11:22:33:44:55", 1, {-50, -51, -52})}, kScanTime));
    const QByteArray bytes = sv::test::readAll(good);

    QByteArray rootArray;
    {
        sv::KeyedArchiver coder(&rootArray);
        coder.beginArray("root");
        coder.endArray();
        coder.finish();
    }
    QByteArray noNetworks;
    {
        sv::KeyedArchiver coder(&noNetworks);
        coder.beginDictionary("root");
        coder.encodeDate("lastScanTime", kScanTime);
        coder.endDictionary();
        coder.finish();
    }
    QByteArray timeNotADate;
    {
        sv::KeyedArchiver coder(&timeNotADate);
        coder.beginDictionary("root");
        coder.beginArray("networks");
        coder.endArray();
        coder.encodeObject("lastScanTime", QStringLiteral("yesterday"));
        coder.endDictionary();
        coder.finish();
    }
    const QByteArray xml = asXml(bytes);
    QByteArray tooDeep = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    tooDeep += QByteArray("<array>").repeated(300) + QByteArray("</array>").repeated(300) + "</plist>";
    QByteArray wrongTrailer = bytes;
    wrongTrailer[wrongTrailer.size() - 9] = char(0x7f); // table offset far beyond the file
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"empty", {}},
        {"text", "networks,lastScanTime\n"},
        {"truncated", bytes.left(bytes.size() / 2)},
        {"trailer out of range", wrongTrailer},
        {"root is an array", rootArray},
        {"no networks", noNetworks},
        {"last scan time is text", timeNotADate},
        {"XML cut short", xml.left(xml.size() / 2)},
        {"XML nested too deeply", tooDeep},
        {"XML of no archive", "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>networks</string></plist>"},
    };
    for (const auto& c : cases) {
        const QString path = tempFile(dir, "bad.skyvane");
        sv::test::writeBytes(path, c.data);
        QString error;
        EXPECT_FALSE(SVDocument::read(path, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
    }
    bool unreadable = false;
    EXPECT_FALSE(SVDocument::read(tempFile(dir, "missing.skyvane"), nullptr, &unreadable));
    EXPECT_TRUE(unreadable);

    // Every single-byte change reads or fails, never crashes or hangs.
    for (qsizetype i = 0; i < bytes.size(); i += 3) {
        QByteArray damaged = bytes;
        damaged[i] = char(damaged[i] ^ 0x5a);
        sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromData(damaged);
        SVDocument::decode(coder);
    }
}

// The file is opened once: a second open could read another file than the
// one checked, and a slow disk pays twice.
TEST(Document, AReadOpensTheFileOnce)
{
    QTemporaryDir dir;
    const QString path = tempFile(dir, "once.skyvane");
    ASSERT_TRUE(SVDocument::write(path, {record("00:11:22:33:44:55", 6, {-50, -51})}, kScanTime));
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    // Closes are watched too: like events in a row are merged into one.
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(path).constData(), IN_OPEN | IN_CLOSE), 0);
    ASSERT_TRUE(SVDocument::read(path));
    int opens = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
            opens += (reinterpret_cast<inotify_event*>(p)->mask & IN_OPEN) ? 1 : 0;
    ::close(watch);
    EXPECT_EQ(opens, 1);
}

TEST(Document, AFailedWriteIsReported)
{
    QTemporaryDir dir;
    // A folder in the way cannot be replaced by a file, not even by root.
    const QString path = tempFile(dir, "taken.skyvane");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.skyvane"));
    QString error;
    EXPECT_FALSE(SVDocument::write(path, {record("00:11:22:33:44:66", 1, {-40, -41})}, kScanTime, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_FALSE(SVDocument::write(tempFile(dir, "no/such/folder.skyvane"), {}, kScanTime, &error));
}

TEST(Document, AnArchiveInXmlFormOpensAsInBinaryForm)
{
    QTemporaryDir dir;
    const QString binary = tempFile(dir, "binary.skyvane"), xml = tempFile(dir, "xml.skyvane");
    const QList<std::shared_ptr<SVNetwork>> list = {record("0:1b:2:3c:4:d5", 6, {-60, -120, -71}),
                                                    record("AA:BB:CC:DD:EE:FF", 149, {-80})};
    list[1]->setAnnotations(QStringLiteral("by the <door> & \"window\""));
    ASSERT_TRUE(SVDocument::write(binary, list, kScanTime));
    const QByteArray xmlBytes = asXml(sv::test::readAll(binary));
    ASSERT_TRUE(xmlBytes.startsWith("<?xml")) << xmlBytes.left(40).toStdString();
    sv::test::writeBytes(xml, xmlBytes);

    QString error;
    const auto expected = SVDocument::read(binary);
    const auto content = SVDocument::read(xml, &error);
    ASSERT_TRUE(expected && content) << error.toStdString();
    EXPECT_EQ(content->lastScanTime, expected->lastScanTime);
    ASSERT_EQ(content->networks.size(), expected->networks.size());
    for (qsizetype i = 0; i < content->networks.size(); ++i) {
        const auto& a = content->networks[i];
        const auto& b = expected->networks[i];
        EXPECT_EQ(a->bssid(), b->bssid());
        EXPECT_EQ(a->ssid(), b->ssid());
        EXPECT_EQ(a->annotations(), b->annotations());
        EXPECT_EQ(a->color(), b->color());
        EXPECT_EQ(a->lastSeen(), b->lastSeen());
        const auto pa = a->dataPoints(), pb = b->dataPoints();
        ASSERT_EQ(pa.size(), pb.size());
        for (size_t p = 0; p < pa.size(); ++p) {
            EXPECT_EQ(pa[p].rssiValue(), pb[p].rssiValue());
            EXPECT_EQ(pa[p].timestamp(), pb[p].timestamp());
        }
    }
}

// The file is read in place: a document that another program cuts short,
// empties or lengthens while it is read is refused, never a crash (reading
// past a cut end would otherwise end the process).
TEST(Document, ADocumentThatChangesWhileItIsReadIsRefused)
{
    QTemporaryDir dir;
    QList<std::shared_ptr<SVNetwork>> list;
    QList<int> levels;
    for (int s = 0; s < 400; ++s)
        levels.append(-40 - s % 50);
    for (int r = 0; r < 30; ++r)
        list.append(record(QStringLiteral("00:11:22:33:44:%1").arg(r, 2, 16, QLatin1Char('0')), 6, levels));
    const QString original = tempFile(dir, "original.skyvane");
    ASSERT_TRUE(SVDocument::write(original, list, kScanTime));
    ASSERT_GT(QFileInfo(original).size(), 64 * 1024);

    const struct {
        const char* name;
        std::function<void(QFile&)> change;
    } cases[] = {
        {"cut short", [](QFile& f) { f.resize(f.size() / 4); }},
        {"emptied", [](QFile& f) { f.resize(0); }},
        {"lengthened", [](QFile& f) {
             f.open(QIODevice::Append);
             f.write("more");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tempFile(dir, "changing.skyvane");
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(original, path));
        sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromFile(path);
        QFile file(path);
        c.change(file);
        file.close();
        QString error;
        EXPECT_FALSE(SVDocument::decode(coder, &error));
        EXPECT_EQ(error, "The file changed while it was read.");
    }
}

// Documents built to explode (one sample array shared by every record, one
// data value shared by every record) are refused as damaged.
TEST(Document, SharingBuiltToExplodeIsRefused)
{
    // count records, each with a network dictionary of its own plus extra
    // entries, and dataPoints when given.
    auto document = [](sv::test::LibplistArchive& f, int count,
                       const std::vector<std::pair<const char*, uint64_t>>& extra, uint64_t dataPoints) {
        const uint64_t netClass = f.addClass({"SVNetwork", "NSObject"});
        std::vector<uint64_t> records;
        for (int r = 0; r < count; ++r) {
            plist_t n = f.object(netClass);
            const std::string bssid = "00:11:22:33:" + std::to_string(r / 100) + ":" + std::to_string(r % 100);
            auto entries = extra;
            entries.push_back({"bssid", f.add(plist_new_string(bssid.c_str()))});
            entries.push_back({"channelNumber", f.add(plist_new_uint(6))});
            plist_dict_set_item(n, "network", plist_new_uid(f.dictionary(entries)));
            if (dataPoints)
                plist_dict_set_item(n, "dataPoints", plist_new_uid(dataPoints));
            records.push_back(f.add(n));
        }
        return f.bytes(f.dictionary({{"networks", f.array(records)}}));
    };
    auto sharedSamples = [&] {
        sv::test::LibplistArchive f;
        plist_t p = f.object(f.addClass({"SVDataPoint", "NSObject"}));
        plist_dict_set_item(p, "revision", plist_new_uint(1));
        plist_dict_set_item(p, "rssiValue", plist_new_uint(uint64_t(int64_t(-60))));
        plist_dict_set_item(p, "timestamp", plist_new_uid(f.date(plist_new_real(700000000.0))));
        const uint64_t sample = f.add(p);
        return document(f, 300, {}, f.array(std::vector<uint64_t>(5000, sample)));
    };
    auto sharedData = [&] {
        sv::test::LibplistArchive f;
        const uint64_t elements = f.add(plist_new_data(std::string(65536, '\xdd').data(), 65536));
        return document(f, 2000, {{"informationElementData", elements}}, 0);
    };
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"shared samples", sharedSamples()},
        {"shared elements", sharedData()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromData(c.data);
        QString error;
        EXPECT_FALSE(SVDocument::decode(coder, &error));
        EXPECT_TRUE(error.contains("too many shared references")) << error.toStdString();
    }
}
