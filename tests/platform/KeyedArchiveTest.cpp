#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include "support/QStringPrinter.h"
#include "support/LibplistArchive.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

using namespace sv;
using namespace std::literals;
using sv::test::LibplistArchive;

namespace {

const QDateTime Epoch2001(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

struct Sample {
    qint64 rssi = 0, noise = 0, channel = 0, stations = 0, utilization = 0;
    QDateTime time;
    bool operator==(const Sample&) const = default;
};

void encodeSample(KeyedArchiver& coder, const Sample& s)
{
    coder.encodeInt("revision", 1);
    coder.encodeInt("rssiValue", s.rssi);
    coder.encodeInt("noiseValue", s.noise);
    coder.encodeInt("channel", s.channel);
    coder.encodeInt("stationCount", s.stations);
    coder.encodeInt("chUtilization", s.utilization);
    coder.encodeDate("timestamp", s.time);
}

Sample decodeSample(KeyedUnarchiver& coder)
{
    Sample s;
    s.rssi = coder.decodeInt("rssiValue");
    s.noise = coder.decodeInt("noiseValue");
    if (coder.decodeInt("revision") < 1) {
        s.channel = s.stations = s.utilization = -1;
    } else {
        s.channel = coder.decodeInt("channel");
        s.stations = coder.decodeInt("stationCount");
        s.utilization = coder.decodeInt("chUtilization");
    }
    s.time = coder.decodeDate("timestamp");
    return s;
}

const QStringList SampleClass{"SVDataPoint", "NSObject"};

struct Record : KeyedArchivable {
    QString className = "SVNetwork";
    QVariantMap network;
    QList<Sample> samples;
    QColor color;
    QDateTime lastSeen;

    QStringList archiveClassChain() const override { return {className, "NSObject"}; }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeObject("network", network);
        coder.beginArray("dataPoints");
        for (const Sample& s : samples)
            coder.appendObjectWith(SampleClass, [&](KeyedArchiver& c) { encodeSample(c, s); });
        coder.endArray();
        coder.encodeColor("color", color);
        coder.encodeDate("lastSeen", lastSeen);
    }
};

Record exampleRecord()
{
    Record r;
    r.network = {
        {"bssid", "00:1B:02:3C:04:D5"},
        {"ssid", QString::fromUtf8("Caf\xc3\xa9 \xe2\x98\x95")},
        {"channelNumber", 36},
        {"rssiValue", -61},
        {"informationElementData", QByteArray::fromHex("0003414243dd00")},
        {"ibss", false},
        {"beaconInterval", 100},
        {"securityMode", qint64(9223372036854775807LL)},
        {"ratio", 0.25},
        {"seen", Epoch2001.addMSecs(123456789)},
        {"list", QVariantList{1, "two", QVariantList{}, QVariantMap{{"x", true}}}},
    };
    for (int i = 0; i < 40; ++i)
        r.samples.append({-40 - i, -96, 36, i % 7, i % 101, Epoch2001.addSecs(700000000 + i)});
    r.color = QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.5f);
    r.lastSeen = Epoch2001.addSecs(700000040);
    return r;
}

QByteArray archive(const Record& r)
{
    QByteArray data;
    KeyedArchiver archiver(&data);
    archiver.beginArray("root");
    archiver.appendArchivable(r);
    archiver.endArray();
    EXPECT_TRUE(archiver.finish()) << archiver.errorString().toStdString();
    return data;
}

struct Decoded {
    QString className;
    QVariantMap network;
    QList<Sample> samples;
    std::optional<QColor> color;
    QDateTime lastSeen;
};

QList<Decoded> readRecords(KeyedUnarchiver& archive)
{
    QList<Decoded> records;
    archive.decodeArrayOfObjects("root", [&](KeyedUnarchiver& c) {
        Decoded d;
        d.className = c.className();
        d.network = c.decodeObject("network").toMap();
        c.decodeArrayOfObjects("dataPoints", [&](KeyedUnarchiver& s) {
            EXPECT_EQ(s.className(), "SVDataPoint");
            d.samples.append(decodeSample(s));
        });
        d.color = c.decodeColor("color");
        d.lastSeen = c.decodeDate("lastSeen");
        records.append(d);
    });
    return records;
}

// Walks everything an archive holds through the public API, the way a
// document reader would, whatever its shape.
void walk(KeyedUnarchiver& c, int depth = 0)
{
    for (const char* key : {"root", "network", "dataPoints", "color", "lastSeen", "NS.objects"}) {
        c.containsValueForKey(key);
        c.decodeObject(key);
        c.decodeInt("rssiValue");
        c.classNameForKey(key);
        c.decodeColor(key);
        if (depth < 4)
            c.decodeArrayOfObjects(key, [&](KeyedUnarchiver& e) { walk(e, depth + 1); });
    }
}

using Plist = std::unique_ptr<void, void (*)(plist_t)>;

Plist parseWithLibplist(const QByteArray& data)
{
    plist_t root = nullptr;
    plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    return Plist(root, plist_free);
}

QString plistString(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    char* s = nullptr;
    plist_get_string_val(node, &s);
    const QString result = QString::fromUtf8(s);
    free(s);
    return result;
}

uint64_t plistUid(plist_t node)
{
    uint64_t v = ~0ull;
    if (node && plist_get_node_type(node) == PLIST_UID)
        plist_get_uid_val(node, &v);
    return v;
}

qint64 plistInt(plist_t node)
{
    uint64_t v = 0;
    if (node && plist_get_node_type(node) == PLIST_UINT)
        plist_get_uint_val(node, &v);
    return qint64(v);
}


} // namespace

TEST(KeyedArchive, RoundTripOfEveryValueKind)
{
    const Record r = exampleRecord();
    const QByteArray data = archive(r);
    KeyedUnarchiver unarchiver = KeyedUnarchiver::fromData(data);
    const QList<Decoded> records = readRecords(unarchiver);
    ASSERT_FALSE(unarchiver.failed()) << unarchiver.errorString().toStdString();
    ASSERT_EQ(records.size(), 1);
    const Decoded& d = records[0];
    EXPECT_EQ(d.className, "SVNetwork");
    EXPECT_EQ(d.samples, r.samples);
    EXPECT_EQ(d.lastSeen, r.lastSeen);
    ASSERT_TRUE(d.color);
    EXPECT_EQ(d.color->rgba64(), r.color.rgba64());
    // Numbers come back as 64-bit integers; compare values, not QVariant types.
    ASSERT_EQ(d.network.keys(), r.network.keys());
    for (auto it = r.network.cbegin(); it != r.network.cend(); ++it)
        EXPECT_EQ(d.network.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(d.network.value("ssid").toString(), r.network.value("ssid").toString());
}

TEST(KeyedArchive, ScalarsColoursAndNilAtTheTop)
{
    QByteArray data;
    KeyedArchiver archiver(&data);
    archiver.encodeInt("small", 7);
    archiver.encodeInt("negative", -120);
    archiver.encodeInt("big", std::numeric_limits<qint64>::min());
    archiver.encodeBool("flag", true);
    archiver.encodeDouble("real", -2.5);
    archiver.encodeColor("grey", QColor::fromRgbF(0.5f, 0.5f, 0.5f));
    archiver.encodeColor("none", QColor());
    archiver.encodeObject("nil", QVariant());
    ASSERT_TRUE(archiver.finish());

    KeyedUnarchiver u = KeyedUnarchiver::fromData(data);
    EXPECT_EQ(u.decodeInt("small"), 7);
    EXPECT_EQ(u.decodeInt("negative"), -120);
    EXPECT_EQ(u.decodeInt("big"), std::numeric_limits<qint64>::min());
    EXPECT_TRUE(u.decodeBool("flag"));
    EXPECT_EQ(u.decodeDouble("real"), -2.5);
    EXPECT_EQ(u.decodeColor("grey")->rgba64(), QColor::fromRgbF(0.5f, 0.5f, 0.5f).rgba64());
    EXPECT_FALSE(u.decodeColor("none"));
    EXPECT_TRUE(u.containsValueForKey("nil"));
    EXPECT_FALSE(u.decodeObject("nil").isValid());
    EXPECT_FALSE(u.containsValueForKey("absent"));
    EXPECT_EQ(u.decodeInt("absent"), 0);
    EXPECT_FALSE(u.failed()) << u.errorString().toStdString();
}

TEST(KeyedArchive, WriterRefusesWhatItCannotStore)
{
    struct Case { const char* name; std::function<void(KeyedArchiver&)> encode; } cases[] = {
        {"unarchivable value", [](KeyedArchiver& a) { a.encodeObject("x", QVariant::fromValue(QSize(1, 2))); }},
        {"unended array", [](KeyedArchiver& a) { a.beginArray("x"); }},
        {"keyed value in array", [](KeyedArchiver& a) { a.beginArray("x"); a.encodeInt("y", 1); a.endArray(); }},
        {"end without begin", [](KeyedArchiver& a) { a.endObject(); }},
    };
    for (const Case& c : cases) {
        QByteArray data;
        KeyedArchiver archiver(&data);
        c.encode(archiver);
        EXPECT_FALSE(archiver.finish()) << c.name;
        EXPECT_FALSE(archiver.errorString().isEmpty()) << c.name;
    }
}

TEST(KeyedArchive, StreamsToADevice)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.archive");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    Record r = exampleRecord();
    for (int i = 0; i < 30000; ++i) // large enough to flush several times
        r.samples.append({-50, -90, 1, -1, -1, Epoch2001.addMSecs(i)});
    {
        KeyedArchiver archiver(&file);
        archiver.beginArray("root");
        archiver.appendArchivable(r);
        archiver.endArray();
        ASSERT_TRUE(archiver.finish());
    }
    file.close();
    KeyedUnarchiver u = KeyedUnarchiver::fromFile(path);
    const QList<Decoded> records = readRecords(u);
    ASSERT_FALSE(u.failed()) << u.errorString().toStdString();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].samples, r.samples);

    KeyedUnarchiver missing = KeyedUnarchiver::fromFile(dir.filePath("missing"));
    EXPECT_TRUE(missing.failed());
}

// Our bytes as an independent reader sees them: the standard layout.
TEST(KeyedArchive, LibplistReadsOurLayout)
{
    const Record r = exampleRecord();
    const QByteArray data = archive(r);
    Plist root = parseWithLibplist(data);
    ASSERT_TRUE(root);
    plist_t top = root.get();
    EXPECT_EQ(plistString(plist_dict_get_item(top, "$archiver")), "NSKeyedArchiver");
    EXPECT_EQ(plistInt(plist_dict_get_item(top, "$version")), 100000);
    plist_t objects = plist_dict_get_item(top, "$objects");
    ASSERT_EQ(plist_get_node_type(objects), PLIST_ARRAY);
    EXPECT_EQ(plistString(plist_array_get_item(objects, 0)), "$null");
    auto object = [&](plist_t uid) { return plist_array_get_item(objects, uint32_t(plistUid(uid))); };
    auto classOf = [&](plist_t o) {
        plist_t cls = object(plist_dict_get_item(o, "$class"));
        QStringList chain;
        plist_t names = plist_dict_get_item(cls, "$classes");
        for (uint32_t i = 0; i < plist_array_get_size(names); ++i)
            chain << plistString(plist_array_get_item(names, i));
        EXPECT_EQ(plistString(plist_dict_get_item(cls, "$classname")), chain.value(0));
        return chain;
    };

    plist_t rootArray = object(plist_dict_get_item(plist_dict_get_item(top, "$top"), "root"));
    EXPECT_EQ(classOf(rootArray), QStringList({"NSArray", "NSObject"}));
    plist_t record = object(plist_array_get_item(plist_dict_get_item(rootArray, "NS.objects"), 0));
    EXPECT_EQ(classOf(record), QStringList({"SVNetwork", "NSObject"}));

    plist_t network = object(plist_dict_get_item(record, "network"));
    EXPECT_EQ(classOf(network).value(0), "NSDictionary");
    plist_t keys = plist_dict_get_item(network, "NS.keys");
    plist_t values = plist_dict_get_item(network, "NS.objects");
    ASSERT_EQ(plist_array_get_size(keys), uint32_t(r.network.size()));
    bool sawBssid = false;
    for (uint32_t i = 0; i < plist_array_get_size(keys); ++i)
        if (plistString(object(plist_array_get_item(keys, i))) == "bssid") {
            EXPECT_EQ(plistString(object(plist_array_get_item(values, i))), "00:1B:02:3C:04:D5");
            sawBssid = true;
        }
    EXPECT_TRUE(sawBssid);

    plist_t points = plist_dict_get_item(object(plist_dict_get_item(record, "dataPoints")), "NS.objects");
    ASSERT_EQ(plist_array_get_size(points), uint32_t(r.samples.size()));
    for (uint32_t i = 0; i < plist_array_get_size(points); ++i) {
        plist_t s = object(plist_array_get_item(points, i));
        EXPECT_EQ(classOf(s), SampleClass);
        EXPECT_EQ(plistInt(plist_dict_get_item(s, "revision")), 1);
        EXPECT_EQ(plistInt(plist_dict_get_item(s, "rssiValue")), r.samples[int(i)].rssi);
        EXPECT_EQ(plistInt(plist_dict_get_item(s, "noiseValue")), -96);
        EXPECT_EQ(plistInt(plist_dict_get_item(s, "stationCount")), r.samples[int(i)].stations);
        plist_t date = object(plist_dict_get_item(s, "timestamp"));
        EXPECT_EQ(classOf(date).value(0), "NSDate");
        double t = 0;
        plist_get_real_val(plist_dict_get_item(date, "NS.time"), &t);
        EXPECT_EQ(t, 700000000.0 + i);
    }

    plist_t color = object(plist_dict_get_item(record, "color"));
    EXPECT_EQ(classOf(color).value(0), "NSColor");
    EXPECT_EQ(plistInt(plist_dict_get_item(color, "NSColorSpace")), 1);
    char* rgb = nullptr;
    uint64_t length = 0;
    plist_get_data_val(plist_dict_get_item(color, "NSRGB"), &rgb, &length);
    EXPECT_EQ(QByteArray(rgb, qsizetype(length)), QByteArray("0.2 0.4 0.6 0.5", 16));
    free(rgb);
}

// An archive in the standard layout from another writer, with old class
// names, a sample from before "revision", grey and RGB colours.
TEST(KeyedArchive, ReadsLibplistArchivesWithOldClassNames)
{
    LibplistArchive a;
    const uint64_t arrayClass = a.addClass({"NSMutableArray", "NSArray", "NSObject"});
    const uint64_t recordClass = a.addClass({"SkyvaneNetwork", "SVNetwork", "NSObject"});
    const uint64_t sampleClass = a.addClass({"SkyvaneDataPoint", "SVDataPoint", "NSObject"});
    const uint64_t dateClass = a.addClass({"NSDate", "NSObject"});
    const uint64_t colorClass = a.addClass({"NSColor", "NSObject"});
    const uint64_t dictClass = a.addClass({"NSMutableDictionary", "NSDictionary", "NSObject"});

    auto date = [&](double t) {
        plist_t d = a.object(dateClass);
        plist_dict_set_item(d, "NS.time", plist_new_real(t));
        return a.add(d);
    };
    auto color = [&](int space, const char* key, const char* text) {
        plist_t c = a.object(colorClass);
        plist_dict_set_item(c, "NSColorSpace", plist_new_uint(uint64_t(space)));
        plist_dict_set_item(c, key, plist_new_data(text, strlen(text) + 1));
        return a.add(c);
    };
    auto sample = [&](int64_t rssi, bool revision) {
        plist_t s = a.object(sampleClass);
        if (revision)
            plist_dict_set_item(s, "revision", plist_new_uint(1));
        plist_dict_set_item(s, "rssiValue", plist_new_uint(uint64_t(rssi)));
        plist_dict_set_item(s, "noiseValue", plist_new_uint(uint64_t(int64_t(-92))));
        plist_dict_set_item(s, "channel", plist_new_uint(11));
        plist_dict_set_item(s, "stationCount", plist_new_uint(3));
        plist_dict_set_item(s, "chUtilization", plist_new_uint(12));
        plist_dict_set_item(s, "timestamp", plist_new_uid(date(600.5)));
        return a.add(s);
    };
    auto array = [&](std::initializer_list<uint64_t> elements) {
        plist_t arr = a.object(arrayClass);
        plist_t list = plist_new_array();
        for (uint64_t e : elements)
            plist_array_append_item(list, plist_new_uid(e));
        plist_dict_set_item(arr, "NS.objects", list);
        return a.add(arr);
    };
    auto record = [&](uint64_t points, uint64_t colour) {
        plist_t network = a.object(dictClass);
        plist_t keys = plist_new_array();
        plist_t values = plist_new_array();
        plist_array_append_item(keys, plist_new_uid(a.add(plist_new_string("bssid"))));
        plist_array_append_item(values, plist_new_uid(a.add(plist_new_string("0:1b:2:3c:4:d5"))));
        plist_dict_set_item(network, "NS.keys", keys);
        plist_dict_set_item(network, "NS.objects", values);
        const uint64_t networkIndex = a.add(network);
        plist_t r = a.object(recordClass);
        plist_dict_set_item(r, "network", plist_new_uid(networkIndex));
        plist_dict_set_item(r, "dataPoints", plist_new_uid(points));
        plist_dict_set_item(r, "color", plist_new_uid(colour));
        plist_dict_set_item(r, "lastSeen", plist_new_uid(date(601)));
        return a.add(r);
    };
    const uint64_t first = record(array({sample(-55, false), sample(-57, true)}), color(3, "NSWhite", "0.25"));
    const uint64_t second = record(array({}), color(2, "NSRGB", "1 0 0.5"));
    const QByteArray data = a.bytes(array({first, second}));

    KeyedUnarchiver u = KeyedUnarchiver::fromData(data);
    u.setClassNameMapping("SkyvaneNetwork", "SVNetwork");
    u.setClassNameMapping("SkyvaneDataPoint", "SVDataPoint");
    const QList<Decoded> records = readRecords(u);
    ASSERT_FALSE(u.failed()) << u.errorString().toStdString();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].className, "SVNetwork");
    EXPECT_EQ(records[0].network.value("bssid"), "0:1b:2:3c:4:d5");
    const QDateTime t = Epoch2001.addMSecs(600500);
    EXPECT_EQ(records[0].samples, (QList<Sample>{{-55, -92, -1, -1, -1, t}, {-57, -92, 11, 3, 12, t}}));
    EXPECT_EQ(records[0].lastSeen, Epoch2001.addSecs(601));
    EXPECT_EQ(records[0].color->rgba64(), QColor::fromRgbF(0.25f, 0.25f, 0.25f).rgba64());
    EXPECT_TRUE(records[1].samples.isEmpty());
    EXPECT_EQ(records[1].color->rgba64(), QColor::fromRgbF(1, 0, 0.5f).rgba64());
}

namespace {

// Byte-level surgery on a small valid archive of ours.
struct Bytes {
    QByteArray data;
    int offsetSize() const { return quint8(data[data.size() - 26]); }
    int refSize() const { return quint8(data[data.size() - 25]); }
    quint64 big(qsizetype at, int n) const
    {
        quint64 v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | quint8(data[at + i]);
        return v;
    }
    void setBig(qsizetype at, int n, quint64 v)
    {
        for (int i = n - 1; i >= 0; --i, v >>= 8)
            data[at + i] = char(v & 0xff);
    }
    quint64 objectCount() const { return big(data.size() - 24, 8); }
    quint64 tableOffset() const { return big(data.size() - 8, 8); }
    quint64 offset(quint64 ref) const { return big(qsizetype(tableOffset() + ref * quint64(offsetSize())), offsetSize()); }
    // The first object whose marker satisfies pred.
    quint64 find(const std::function<bool(quint8)>& pred) const
    {
        for (quint64 i = 0; i < objectCount(); ++i)
            if (pred(quint8(data[qsizetype(offset(i))])))
                return i;
        return ~0ull;
    }
};

// A binary property list of the given objects (1-byte offsets and
// references), the first object on top.
QByteArray handBuilt(std::initializer_list<std::string_view> objects)
{
    QByteArray data("bplist00");
    QByteArray table;
    for (std::string_view o : objects) {
        table += char(data.size());
        data.append(o.data(), qsizetype(o.size()));
    }
    const qsizetype tableOffset = data.size();
    data += table;
    data += QByteArray(6, '\0');
    data += char(1);
    data += char(1);
    Bytes trailer{QByteArray(24, '\0')};
    trailer.setBig(0, 8, objects.size());
    trailer.setBig(16, 8, quint64(tableOffset));
    return data + trailer.data;
}

QByteArray smallArchive()
{
    Record r = exampleRecord();
    r.samples.resize(3);
    return archive(r);
}

} // namespace

TEST(KeyedArchive, DamagedArchivesAreReportedNotTrusted)
{
    const QByteArray good = smallArchive();
    struct Case { const char* name; std::function<QByteArray()> make; };
    const Case cases[] = {
        {"empty", [] { return QByteArray(); }},
        {"not a property list", [] { return QByteArray(64, 'x'); }},
        {"truncated in the trailer", [&] { return good.left(good.size() - 5); }},
        {"truncated in the objects", [&] { return good.left(good.size() / 2); }},
        {"offset size zero", [&] { Bytes b{good}; b.data[b.data.size() - 26] = 0; return b.data; }},
        {"reference size nine", [&] { Bytes b{good}; b.data[b.data.size() - 25] = 9; return b.data; }},
        {"top object beyond the count", [&] { Bytes b{good}; b.setBig(b.data.size() - 16, 8, b.objectCount()); return b.data; }},
        {"object count beyond the table", [&] { Bytes b{good}; b.setBig(b.data.size() - 24, 8, ~0ull / 2); return b.data; }},
        {"table offset beyond the file", [&] { Bytes b{good}; b.setBig(b.data.size() - 8, 8, quint64(b.data.size())); return b.data; }},
        {"object offset beyond the objects", [&] {
            Bytes b{good};
            for (quint64 i = 0; i < b.objectCount(); ++i)
                b.setBig(qsizetype(b.tableOffset() + i * quint64(b.offsetSize())), b.offsetSize(), b.tableOffset() + 1);
            return b.data;
        }},
        {"object reference out of range", [&] {
            Bytes b{good};
            const quint64 dict = b.find([](quint8 m) { return (m >> 4) == 0xd && (m & 0xf) >= 7; });
            b.setBig(qsizetype(b.offset(dict) + 1), b.refSize(), 0xfffffff0u);
            return b.data;
        }},
        {"archive reference out of range", [&] {
            Bytes b{good};
            for (quint64 i = 0; i < b.objectCount(); ++i) // every UID
                if (quint8(b.data[qsizetype(b.offset(i))]) == 0x80)
                    b.data[qsizetype(b.offset(i)) + 1] = char(0xff);
            return b.data;
        }},
        {"huge element count", [] {
            // The $objects array claims 2^62 elements.
            return handBuilt({"\xd4\x01\x03\x05\x07\x02\x04\x06\x08"sv, "\x59$archiver"sv,
                              "\x5f\x10\x0fNSKeyedArchiver"sv, "\x58$version"sv, "\x12\x00\x01\x86\xa0"sv,
                              "\x54$top"sv, "\xd1\x09\x0a"sv, "\x58$objects"sv,
                              "\xaf\x13\x40\x00\x00\x00\x00\x00\x00\x00"sv, "\x54root"sv, "\x80\x01"sv});
        }},
        {"wrong type: text where a number belongs", [] {
            LibplistArchive a;
            plist_t s = a.object(a.addClass({"SVDataPoint", "NSObject"}));
            plist_dict_set_item(s, "rssiValue", plist_new_string("loud"));
            const uint64_t si = a.add(s);
            plist_t arr = a.object(a.addClass({"NSArray", "NSObject"}));
            plist_t list = plist_new_array();
            plist_array_append_item(list, plist_new_uid(si));
            plist_dict_set_item(arr, "NS.objects", list);
            return a.bytes(a.add(arr));
        }},
        {"wrong type: class that is not a dictionary", [] {
            LibplistArchive a;
            plist_t o = a.object(a.add(plist_new_string("SVNetwork")));
            return a.bytes(a.add(o));
        }},
        {"cycle through an array", [] {
            LibplistArchive a;
            const uint64_t cls = a.addClass({"NSArray", "NSObject"});
            plist_t arr = a.object(cls);
            plist_t list = plist_new_array();
            plist_array_append_item(list, plist_new_uid(cls + 1)); // itself
            plist_dict_set_item(arr, "NS.objects", list);
            return a.bytes(a.add(arr));
        }},
        {"shared references that explode", [] {
            // Forty arrays, each holding the next one twice: 2^40 visits if followed naively.
            LibplistArchive a;
            const uint64_t cls = a.addClass({"NSArray", "NSObject"});
            const uint64_t first = cls + 1;
            for (uint64_t i = 0; i < 40; ++i) {
                plist_t arr = a.object(cls);
                plist_t list = plist_new_array();
                for (int twice = 0; twice < 2; ++twice)
                    plist_array_append_item(list, plist_new_uid(i < 39 ? first + i + 1 : 0));
                plist_dict_set_item(arr, "NS.objects", list);
                a.add(arr);
            }
            return a.bytes(first);
        }},
        {"cycle through a dictionary", [] {
            LibplistArchive a;
            const uint64_t cls = a.addClass({"NSDictionary", "NSObject"});
            const uint64_t key = a.add(plist_new_string("network"));
            plist_t dict = a.object(cls);
            plist_t keys = plist_new_array();
            plist_t values = plist_new_array();
            plist_array_append_item(keys, plist_new_uid(key));
            plist_array_append_item(values, plist_new_uid(key + 1));
            plist_dict_set_item(dict, "NS.keys", keys);
            plist_dict_set_item(dict, "NS.objects", values);
            return a.bytes(a.add(dict));
        }},
    };
    for (const Case& c : cases) {
        const QByteArray bytes = c.make();
        KeyedUnarchiver u = KeyedUnarchiver::fromData(bytes);
        walk(u);
        readRecords(u);
        EXPECT_TRUE(u.failed()) << c.name;
        EXPECT_FALSE(u.errorString().isEmpty()) << c.name;
    }
    // The surgery above starts from a file that reads cleanly.
    KeyedUnarchiver u = KeyedUnarchiver::fromData(good);
    walk(u);
    EXPECT_FALSE(u.failed()) << u.errorString().toStdString();
}

// A colour this reader does not understand is no damage: the caller picks its own.
TEST(KeyedArchive, UnknownColourIsAbsentNotDamage)
{
    LibplistArchive a;
    plist_t c = a.object(a.addClass({"NSColor", "NSObject"}));
    plist_dict_set_item(c, "NSColorSpace", plist_new_uint(6));
    plist_dict_set_item(c, "NSCatalogName", plist_new_string("System"));
    const QByteArray data = a.bytes(a.add(c));
    KeyedUnarchiver u = KeyedUnarchiver::fromData(data);
    EXPECT_EQ(u.classNameForKey("root"), "NSColor");
    EXPECT_FALSE(u.decodeColor("root"));
    EXPECT_FALSE(u.failed());
}

// More distinct values than the writer remembers: values written again after
// being forgotten, and ones still remembered, must all read back as written.
TEST(KeyedArchive, UniquingBeyondWhatTheWriterRemembers)
{
    QVariantList values;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 70000; ++i)
            values.append(i % 3 ? QVariant(qint64(i)) : QVariant(QString::number(i)));
    for (int i = 0; i < 1000; ++i)
        values.append(Epoch2001.addSecs(i % 10));
    const QByteArray data = KeyedArchiver::archivedValue(values);
    QString error;
    const QVariantList read = KeyedUnarchiver::unarchivedValue(data, &error).toList();
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(read.size(), values.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        ASSERT_EQ(read[i], values[i]) << i;
}

namespace {

// What one element of an array reads as, key by key or by position.
struct ReadSample {
    QStringList chain;
    qint64 rssi = 0, noise = 0, revision = 0, channel = 0, stations = 0, utilization = 0;
    std::optional<qint64> time;
    bool operator==(const ReadSample&) const = default;
};

const char* const SampleKeys[] = {"rssiValue", "noiseValue", "revision", "channel", "stationCount", "chUtilization", "timestamp"};

struct ReadBack {
    QList<ReadSample> samples;
    qsizetype visited = 0;
    bool failed = false;
};

ReadBack readKeyByKey(const QByteArray& data)
{
    KeyedUnarchiver archive = KeyedUnarchiver::fromData(data);
    ReadBack r;
    r.visited = archive.decodeArrayOfObjects("root", [&](KeyedUnarchiver& c) {
        ReadSample s;
        s.chain = c.classChain();
        s.rssi = c.decodeInt("rssiValue");
        s.noise = c.decodeInt("noiseValue");
        s.revision = c.decodeInt("revision");
        s.channel = c.decodeInt("channel");
        s.stations = c.decodeInt("stationCount");
        s.utilization = c.decodeInt("chUtilization");
        if (const QDateTime t = c.decodeDate("timestamp"); t.isValid())
            s.time = t.toMSecsSinceEpoch();
        r.samples.append(s);
    });
    r.failed = archive.failed();
    return r;
}

ReadBack readByRow(const QByteArray& data)
{
    KeyedUnarchiver archive = KeyedUnarchiver::fromData(data);
    ReadBack r;
    r.visited = archive.decodeArrayOfRows("root", SampleKeys, [&](KeyedUnarchiver::Row& row) {
        ReadSample s;
        s.chain = row.classChain();
        s.rssi = row.decodeInt(0);
        s.noise = row.decodeInt(1);
        s.revision = row.decodeInt(2);
        s.channel = row.decodeInt(3);
        s.stations = row.decodeInt(4);
        s.utilization = row.decodeInt(5);
        s.time = row.decodeDateMSecs(6);
        r.samples.append(s);
    });
    r.failed = archive.failed();
    return r;
}

} // namespace

// Reading by position must give what reading key by key gives, whatever the
// layout of each element: keys in another order, keys missing or extra,
// numbers stored as reals or flags, dates inline, shared or not dates at
// all, more layouts than are remembered, and elements that are not objects.
TEST(KeyedArchive, RowsReadWhatKeysRead)
{
    LibplistArchive a;
    const uint64_t sampleClass = a.addClass({"SkyvaneDataPoint", "NSObject"});
    const uint64_t otherClass = a.addClass({"Other", "NSObject"});
    const uint64_t dateClass = a.addClass({"NSDate", "NSObject"});
    auto date = [&](double seconds) {
        plist_t d = a.object(dateClass);
        plist_dict_set_item(d, "NS.time", plist_new_real(seconds));
        return a.add(d);
    };
    const uint64_t shared = date(700000000.25);
    const uint64_t text = a.add(plist_new_string("not a date"));
    std::vector<uint64_t> elements;
    for (int i = 0; i < 60; ++i) {
        plist_t o = a.object(i % 13 == 5 ? otherClass : sampleClass);
        // Rotating the order of insertion gives layouts of their own.
        const int start = i % 7;
        for (int k = 0; k < 7; ++k) {
            const int key = (start + k) % 7;
            const char* name = SampleKeys[key];
            if (key == 2 && i % 5 == 1)
                continue; // no revision
            if (key == 0 && i % 11 == 3)
                continue; // no signal
            plist_t value;
            switch (key) {
            case 4: value = i % 3 == 0 ? plist_new_real(4.75) : plist_new_uint(uint64_t(i * 1000)); break;
            case 5: value = i % 4 == 0 ? plist_new_bool(1) : plist_new_uint(uint64_t(i)); break;
            case 6:
                switch (i % 6) {
                case 0: value = plist_new_uid(shared); break;
                case 1: value = plist_new_uid(date(700000000.0 + i * 1.5)); break;
                case 2: value = plist_new_date(700000000 + i, 1000); break;
                case 3: value = plist_new_uid(text); break;
                case 4: value = plist_new_uid(0); break;
                default: value = plist_new_uint(12); break;
                }
                break;
            default: value = plist_new_uint(uint64_t(int64_t(-40 - i - key))); break;
            }
            plist_dict_set_item(o, name, value);
        }
        if (i > 30)
            plist_dict_set_item(o, QByteArray("extra%1").replace("%1", QByteArray::number(i)).constData(), plist_new_uint(1));
        elements.push_back(a.add(o));
        if (i % 17 == 2)
            elements.push_back(0);
        if (i % 19 == 4)
            elements.push_back(text);
    }
    plist_t array = a.object(a.addClass({"NSMutableArray", "NSArray", "NSObject"}));
    plist_t refs = plist_new_array();
    for (uint64_t e : elements)
        plist_array_append_item(refs, plist_new_uid(e));
    plist_dict_set_item(array, "NS.objects", refs);
    const QByteArray data = a.bytes(a.add(array));

    const ReadBack keys = readKeyByKey(data);
    const ReadBack rows = readByRow(data);
    ASSERT_FALSE(keys.failed);
    EXPECT_FALSE(rows.failed);
    EXPECT_EQ(rows.visited, 60);
    EXPECT_EQ(rows.visited, keys.visited);
    ASSERT_EQ(rows.samples.size(), keys.samples.size());
    for (qsizetype i = 0; i < rows.samples.size(); ++i)
        EXPECT_EQ(rows.samples[i], keys.samples[i]) << "element " << i;
    EXPECT_EQ(rows.samples[0].time, QDateTime::fromMSecsSinceEpoch(978307200000LL + 700000000250LL, Qt::UTC).toMSecsSinceEpoch());
}

// Damage met while reading by position fails the archive as reading key by
// key does.
TEST(KeyedArchive, RowsRefuseWhatKeysRefuse)
{
    enum Damage { DateIsTheElement, DateIsTheArray, TextForANumber, NoClass, ArrayForADate };
    for (Damage damage : {DateIsTheElement, DateIsTheArray, TextForANumber, NoClass, ArrayForADate}) {
        SCOPED_TRACE(int(damage));
        LibplistArchive a;
        const uint64_t sampleClass = a.addClass({"SVDataPoint", "NSObject"});
        const uint64_t arrayClass = a.addClass({"NSArray", "NSObject"});
        // Objects go in at known indexes: the array, then its one element.
        const uint64_t arrayIndex = plist_array_get_size(a.objects);
        const uint64_t elementIndex = arrayIndex + 1;
        plist_t array = a.object(arrayClass);
        plist_t refs = plist_new_array();
        plist_array_append_item(refs, plist_new_uid(elementIndex));
        plist_dict_set_item(array, "NS.objects", refs);
        a.add(array);
        plist_t o = damage == NoClass ? plist_new_dict() : a.object(sampleClass);
        plist_dict_set_item(o, "revision", plist_new_uint(1));
        plist_dict_set_item(o, "rssiValue", damage == TextForANumber ? plist_new_string("-60") : plist_new_uint(7));
        plist_dict_set_item(o, "timestamp",
                            damage == ArrayForADate ? plist_new_array()
                            : plist_new_uid(damage == DateIsTheArray ? arrayIndex : elementIndex));
        a.add(o);
        const QByteArray data = a.bytes(arrayIndex);
        const ReadBack keys = readKeyByKey(data);
        const ReadBack rows = readByRow(data);
        EXPECT_TRUE(keys.failed);
        EXPECT_TRUE(rows.failed);
        EXPECT_EQ(rows.visited, -1);
    }
}

// Samples written as rows make the very bytes that writing them key by key
// makes, beyond what the writer's tables remember: numbers outside the small
// ones, more distinct dates than are kept, nil dates, and a second array
// that finds the keys already written.
TEST(KeyedArchive, RowsWriteWhatKeysWrite)
{
    QList<QList<Sample>> arrays(3);
    for (int i = 0; i < 70000; ++i)
        arrays[0].append({-40 - i % 300, -96, i % 2000 - 1000, i * 37, i % 101, Epoch2001.addMSecs(700000000000LL + i * 1500LL)});
    for (int i = 0; i < 500; ++i)
        arrays[1].append({i, -i, 36, 70000 + i, -1, i % 9 == 0 ? QDateTime() : Epoch2001.addSecs(700000000 + i % 40)});
    static constexpr KeyedArchiver::RowKey keys[] = {{"revision"},     {"rssiValue"},     {"noiseValue"}, {"channel"},
                                                     {"stationCount"}, {"chUtilization"}, {"timestamp", true}};
    QByteArray byKey, byRow;
    for (QByteArray* data : {&byKey, &byRow}) {
        KeyedArchiver archiver(data);
        archiver.beginArray("root");
        for (const QList<Sample>& samples : arrays) {
            archiver.appendObjectWith({"Holder", "NSObject"}, [&](KeyedArchiver& c) {
                c.encodeInt("count", samples.size());
                c.beginArray("dataPoints");
                if (data == &byKey) {
                    for (const Sample& s : samples)
                        c.appendObjectWith(SampleClass, [&](KeyedArchiver& e) { encodeSample(e, s); });
                } else {
                    c.appendRows(SampleClass, keys, size_t(samples.size()), [&](size_t i, qint64* v) {
                        const Sample& s = samples[qsizetype(i)];
                        const qint64 values[] = {1, s.rssi, s.noise, s.channel, s.stations, s.utilization,
                                                 s.time.isValid() ? s.time.toMSecsSinceEpoch() : KeyedArchiver::NoDate};
                        std::copy(std::begin(values), std::end(values), v);
                    });
                }
                c.endArray();
                c.encodeDate("lastSeen", Epoch2001.addSecs(700000000));
            });
        }
        archiver.endArray();
        ASSERT_TRUE(archiver.finish()) << archiver.errorString().toStdString();
    }
    EXPECT_EQ(byRow.size(), byKey.size());
    EXPECT_TRUE(byRow == byKey);

    // And outside an array they are refused like any element.
    QByteArray misplaced;
    KeyedArchiver archiver(&misplaced);
    archiver.appendRows(SampleClass, keys, 1, [](size_t, qint64* v) { std::fill(v, v + 7, 0); });
    EXPECT_FALSE(archiver.finish());
}

namespace {

enum class Flaw { None, BadReference, ListNotAnArray, NoClass };

// An array of holders, each naming one shared list of texts; some flawed.
QByteArray holders(int count, int listLength, const std::map<int, Flaw>& flaws)
{
    LibplistArchive a;
    const uint64_t holderClass = a.addClass({"Holder", "NSObject"});
    const uint64_t arrayClass = a.addClass({"NSArray", "NSObject"});
    const uint64_t text = a.add(plist_new_string("shared"));
    plist_t list = a.object(arrayClass);
    plist_t refs = plist_new_array();
    for (int i = 0; i < listLength; ++i)
        plist_array_append_item(refs, plist_new_uid(text));
    plist_dict_set_item(list, "NS.objects", refs);
    const uint64_t listIndex = a.add(list);
    plist_t notAList = a.object(arrayClass);
    plist_dict_set_item(notAList, "NS.objects", plist_new_uint(3));
    const uint64_t notAListIndex = a.add(notAList);
    std::vector<uint64_t> elements;
    for (int i = 0; i < count; ++i) {
        const auto flaw = flaws.count(i) ? flaws.at(i) : Flaw::None;
        plist_t o = flaw == Flaw::NoClass ? plist_new_dict() : a.object(holderClass);
        plist_dict_set_item(o, "position", plist_new_uint(uint64_t(i)));
        plist_dict_set_item(o, "list", plist_new_uid(flaw == Flaw::BadReference     ? 1000000
                                                     : flaw == Flaw::ListNotAnArray ? notAListIndex
                                                                                    : listIndex));
        elements.push_back(a.add(o));
        if (i % 7 == 3)
            elements.push_back(0);
    }
    plist_t array = a.object(arrayClass);
    plist_t elementRefs = plist_new_array();
    for (uint64_t e : elements)
        plist_array_append_item(elementRefs, plist_new_uid(e));
    plist_dict_set_item(array, "NS.objects", elementRefs);
    return a.bytes(a.add(array));
}

struct Outcome {
    qsizetype visited = 0;
    QList<qint64> positions; // where each holder said it was, in order
    QString error;
    bool operator==(const Outcome&) const = default;
};

Outcome readInOrder(const QByteArray& data)
{
    KeyedUnarchiver archive = KeyedUnarchiver::fromData(data);
    Outcome o;
    o.visited = archive.decodeArrayOfObjects("root", [&](KeyedUnarchiver& c) {
        c.decodeObject("list");
        o.positions.append(c.decodeInt("position"));
    });
    o.error = archive.errorString();
    return o;
}

Outcome readSideBySide(const QByteArray& data)
{
    KeyedUnarchiver archive = KeyedUnarchiver::fromData(data);
    std::map<qsizetype, qint64> found;
    std::mutex lock;
    Outcome o;
    o.visited = archive.decodeArrayOfObjectsConcurrently("root", [&](qsizetype i, KeyedUnarchiver& c) {
        c.decodeObject("list");
        const qint64 position = c.decodeInt("position");
        std::lock_guard g(lock);
        found[i] = position;
    });
    if (!archive.failed())
        for (const auto& [i, position] : found)
            o.positions.append(position);
    o.error = archive.errorString();
    return o;
}

} // namespace

// Reading elements side by side ends as reading them in order does: the same
// elements, in order, and on damage the message of the first damage in
// order, also when the damage is that the elements together visit more
// shared objects than the file allows while each alone stays within it.
TEST(KeyedArchive, ElementsSideBySideEndAsInOrder)
{
    struct Case {
        const char* name;
        int count;
        int listLength;
        std::map<int, Flaw> flaws;
        bool fails;
    };
    const Case cases[] = {
        {"sound", 200, 20, {}, false},
        {"one bad reference", 200, 20, {{150, Flaw::BadReference}}, true},
        {"first of two damages", 200, 20, {{40, Flaw::ListNotAnArray}, {30, Flaw::BadReference}}, true},
        {"damage before a class missing", 200, 20, {{60, Flaw::NoClass}, {50, Flaw::ListNotAnArray}}, true},
        {"class missing before damage", 200, 20, {{60, Flaw::NoClass}, {70, Flaw::ListNotAnArray}}, true},
        {"shared list read too often", 160, 1000, {}, true},
        {"damage after the budget is spent", 160, 1000, {{150, Flaw::BadReference}}, true},
        // Arrays are read in batches of thousands.
        {"sound beyond a batch", 17000, 2, {}, false},
        {"damage in a later batch", 17000, 2, {{16999, Flaw::ListNotAnArray}}, true},
        {"budget spent in a later batch", 17000, 134, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray data = holders(c.count, c.listLength, c.flaws);
        const Outcome inOrder = readInOrder(data);
        ASSERT_EQ(!inOrder.error.isEmpty(), c.fails) << inOrder.error.toStdString();
        if (!c.fails) {
            ASSERT_EQ(inOrder.positions.size(), c.count);
            EXPECT_EQ(inOrder.positions.last(), c.count - 1);
        } else if (c.listLength > 100) {
            EXPECT_TRUE(inOrder.error.contains("too many shared references")) << inOrder.error.toStdString();
        }
        const Outcome sideBySide = readSideBySide(data);
        EXPECT_EQ(sideBySide.error, inOrder.error);
        EXPECT_EQ(sideBySide.visited, inOrder.visited);
        if (!c.fails) {
            EXPECT_EQ(sideBySide.positions, inOrder.positions);
        }
    }
}

namespace {

// An array of holders that all name one shared value under "value".
QByteArray sharers(int count, plist_t value)
{
    LibplistArchive a;
    const uint64_t holderClass = a.addClass({"Holder", "NSObject"});
    const uint64_t arrayClass = a.addClass({"NSArray", "NSObject"});
    const uint64_t shared = a.add(value);
    plist_t array = a.object(arrayClass);
    plist_t refs = plist_new_array();
    for (int i = 0; i < count; ++i) {
        plist_t o = a.object(holderClass);
        plist_dict_set_item(o, "value", plist_new_uid(shared));
        plist_array_append_item(refs, plist_new_uid(a.add(o)));
    }
    plist_dict_set_item(array, "NS.objects", refs);
    return a.bytes(a.add(array));
}

} // namespace

// However many elements run at once, an archive that shares one value among
// them is refused after about as much reading as in order, not after every
// element has read it whole: objects visited and bytes copied out are
// both bounded by the file's size.
TEST(KeyedArchive, SharingIsRefusedAfterLittleWorkEitherWay)
{
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        // A list of a thousand texts: many objects.
        {"shared list", holders(2000, 1000, {})},
        // 64 KiB of data: many bytes, few objects.
        {"shared data", sharers(2000, plist_new_data(std::string(65536, '\xdd').data(), 65536))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> inOrderRead{0}, sideBySideRead{0};
        auto read = [](KeyedUnarchiver& element, std::atomic<int>& count) {
            if (element.decodeObject(element.containsValueForKey("list") ? "list" : "value").isValid())
                ++count;
        };
        KeyedUnarchiver inOrder = KeyedUnarchiver::fromData(c.data);
        inOrder.decodeArrayOfObjects("root", [&](KeyedUnarchiver& e) { read(e, inOrderRead); });
        KeyedUnarchiver sideBySide = KeyedUnarchiver::fromData(c.data);
        sideBySide.decodeArrayOfObjectsConcurrently("root", [&](qsizetype, KeyedUnarchiver& e) { read(e, sideBySideRead); });
        EXPECT_TRUE(inOrder.errorString().contains("too many shared references")) << inOrder.errorString().toStdString();
        EXPECT_EQ(sideBySide.errorString(), inOrder.errorString());
        EXPECT_LT(inOrderRead, 500);
        // A few elements beyond, read while the others ran out.
        EXPECT_LT(sideBySideRead, inOrderRead + 100);
    }
}
