#include <gtest/gtest.h>

#include "platform/PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <plist/plist.h>

#include <locale.h>

namespace {

// XML dates carry whole seconds.
const QVariantMap Sample{
    {"flag", true},
    {"negative", qint64(-42)},
    {"large", qint64(1) << 40},
    {"real", 2.5},
    {"text", QString::fromUtf8("caf\xc3\xa9 <&> \"quoted\"")},
    {"empty", QString()},
    {"data", QByteArray("\x00\x01\xff", 3)},
    {"date", QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), QTimeZone::utc())},
    {"list", QVariantList{qint64(1), "two", QVariantMap{{"three", qint64(3)}}}},
    {"map", QVariantMap{{"00:15:6D", "Ubiquiti"}}},
};

// libplist's own binary writer stands in for files written elsewhere (its
// XML reader takes numbers in the C locale's form).
QByteArray toBinary(const QByteArray& xml)
{
    plist_t root = nullptr;
    const locale_t c = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
    const locale_t previous = uselocale(c);
    plist_from_memory(xml.constData(), uint32_t(xml.size()), &root);
    uselocale(previous);
    freelocale(c);
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    QByteArray result(bin, qsizetype(length));
    plist_to_bin_free(bin);
    plist_free(root);
    return result;
}

TEST(PropertyList, ValuesRoundTripThroughXmlAndBinary)
{
    bool ok = false;
    const QByteArray xml = sv::PropertyList::toXml(Sample, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(sv::PropertyList::fromData(xml), QVariant(Sample));
    EXPECT_EQ(sv::PropertyList::fromData(toBinary(xml)), QVariant(Sample));
}

TEST(PropertyList, WrittenTextsReadBackWholeByLibplist)
{
    // libplist's own reader is the oracle for the bytes our writer streams.
    const QStringList texts = {
        "plain", "<b>&amp;</b> \"q\" 'a'", "line\r\nbreaks\rand\n", "\ttabs\t", "]]> <!-- -->",
        QString::fromUtf8("caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\xb6"), QString(1, QChar(1)) + "ctl",
        "", QString(70000, 'x'),
    };
    QVariantMap map;
    for (int i = 0; i < texts.size(); ++i)
        map.insert(texts[i] + QString::number(i), texts[i]);
    bool ok = false;
    const QByteArray xml = sv::PropertyList::toXml(map, &ok);
    ASSERT_TRUE(ok);
    plist_t root = nullptr;
    plist_from_memory(xml.constData(), uint32_t(xml.size()), &root);
    ASSERT_NE(root, nullptr) << xml.left(400).constData();
    ASSERT_EQ(plist_dict_get_size(root), uint32_t(texts.size()));
    for (int i = 0; i < texts.size(); ++i) {
        const QByteArray key = (texts[i] + QString::number(i)).toUtf8();
        plist_t node = plist_dict_get_item(root, key.constData());
        ASSERT_NE(node, nullptr) << i;
        char* value = nullptr;
        plist_get_string_val(node, &value);
        EXPECT_EQ(QString::fromUtf8(value), texts[i]) << i;
        free(value);
    }
    plist_free(root);
    // Our reader agrees, and a list written to a file reads back the same.
    EXPECT_EQ(sv::PropertyList::fromData(xml), QVariant(map));
    QTemporaryDir dir;
    ASSERT_TRUE(sv::PropertyList::writeFile(map, dir.filePath("texts.plist")));
    EXPECT_EQ(sv::PropertyList::readFile(dir.filePath("texts.plist")), QVariant(map));
}

TEST(PropertyList, ValuesWithoutAPlistFormFailTheWholeWrite)
{
    bool ok = true;
    sv::PropertyList::toXml(QVariantMap{{"a", "fine"}, {"b", QVariant::fromValue(QDir())}}, &ok);
    EXPECT_FALSE(ok);
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.plist");
    ASSERT_TRUE(sv::PropertyList::writeFile(Sample, path));
    QString error;
    EXPECT_FALSE(sv::PropertyList::writeFile(QVariant(), path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(sv::PropertyList::readFile(path), QVariant(Sample)) << "the old file stays whole";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.plist"});
    EXPECT_FALSE(sv::PropertyList::writeFile(Sample, dir.filePath("missing/folder/x.plist")));
}

QByteArray nestedXml(int depth)
{
    QByteArray s = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i)
        s += "<array>";
    for (int i = 0; i < depth; ++i)
        s += "</array>";
    return s + "</plist>";
}

// A binary list of depth nested arrays, each holding the next.
QByteArray nestedBinary(int depth)
{
    QByteArray data = "bplist00";
    QList<quint32> offsets;
    for (int i = 0; i < depth; ++i) {
        offsets << quint32(data.size());
        if (i + 1 < depth) {
            data += char(0xA1);
            const quint32 next = quint32(i + 1);
            data += char(next >> 24) + QByteArray() + char(next >> 16) + char(next >> 8) + char(next);
        } else {
            data += char(0xA0);
        }
    }
    const quint64 table = quint64(data.size());
    for (quint32 o : offsets)
        data += QByteArray() + char(o >> 24) + char(o >> 16) + char(o >> 8) + char(o);
    QByteArray trailer(32, '\0');
    trailer[6] = 4;
    trailer[7] = 4;
    for (int i = 0; i < 8; ++i) {
        trailer[8 + i] = char(quint64(depth) >> (56 - 8 * i));
        trailer[24 + i] = char(table >> (56 - 8 * i));
    }
    return data + trailer;
}

TEST(PropertyList, HostileInputReadsAsInvalid)
{
    EXPECT_TRUE(sv::PropertyList::fromData(nestedXml(10)).isValid());
    EXPECT_TRUE(sv::PropertyList::fromData(nestedBinary(10)).isValid());

    const QByteArray binary = toBinary(sv::PropertyList::toXml(Sample));
    QByteArray loop = nestedBinary(2);
    loop[12] = 0; // the outer array now holds itself
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"empty", ""},
        {"garbage", "hello world"},
        {"unterminated xml", "<?xml version=\"1.0\"?><plist><dict><key>a</key><string>b"},
        {"deep xml", nestedXml(200000)},
        {"deep binary", nestedBinary(300000)},
        {"array holding itself", loop},
        {"trailer only", "bplist00" + QByteArray(32, '\xff')},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(sv::PropertyList::fromData(c.data).isValid()) << c.name;
    // Every cut of a good binary list is refused or read, never a crash.
    for (qsizetype n = 0; n < binary.size(); ++n)
        (void)sv::PropertyList::fromData(binary.left(n));
    // So is every single-byte change.
    for (qsizetype i = 0; i < binary.size(); ++i) {
        QByteArray changed = binary;
        changed[i] = char(changed[i] ^ 0xFF);
        (void)sv::PropertyList::fromData(changed);
    }
}

// A binary list of the given encoded objects (object 0 on top), with
// references refSize bytes wide.
QByteArray binaryList(const QList<QByteArray>& objects, int refSize = 1)
{
    QByteArray data = "bplist00";
    QList<quint32> offsets;
    for (const QByteArray& o : objects) {
        offsets << quint32(data.size());
        data += o;
    }
    const quint64 table = quint64(data.size());
    for (quint32 o : offsets)
        data += QByteArray() + char(o >> 24) + char(o >> 16) + char(o >> 8) + char(o);
    QByteArray trailer(32, '\0');
    trailer[6] = 4;
    trailer[7] = char(refSize);
    for (int i = 0; i < 8; ++i) {
        trailer[8 + i] = char(quint64(objects.size()) >> (56 - 8 * i));
        trailer[24 + i] = char(table >> (56 - 8 * i));
    }
    return data + trailer;
}

QByteArray ref16(int r)
{
    return QByteArray() + char(r >> 8) + char(r);
}

TEST(PropertyList, HostileBinaryListsCostLittleAndCrashNothing)
{
    // A dictionary whose key is UTF-16 "a" and a NUL: read as it is, and
    // refused by the XML writer rather than cut short.
    const QByteArray nulKey = binaryList({QByteArray("\xD1\x01\x02"), QByteArray("\x62\x00\x61\x00\x00", 5),
                                          QByteArray("\x51x")});
    QString error;
    const QVariant read = sv::PropertyList::fromData(nulKey, &error);
    ASSERT_EQ(read.toMap(), (QVariantMap{{QStringView(u"a\0", 2).toString(), "x"}})) << error.toStdString();
    bool ok = true;
    sv::PropertyList::toXml(read, &ok);
    EXPECT_FALSE(ok);

    // Twenty arrays, each holding the next twelve times: 12^20 leaves from a
    // file of 300 bytes.
    QList<QByteArray> levels;
    for (int i = 0; i < 20; ++i)
        levels << QByteArray(1, char(0xAC)) + QByteArray(12, char(i + 1));
    levels << QByteArray("\x51x");
    const QByteArray arrays = binaryList(levels);
    EXPECT_LT(arrays.size(), 400);
    EXPECT_FALSE(sv::PropertyList::fromData(arrays, &error).isValid());
    EXPECT_TRUE(error.contains("shared references")) << error.toStdString();

    // One 4 KB text held 60,000 times: a quarter of a gigabyte of copies.
    QByteArray many = "\xAF\x11" + ref16(60000);
    for (int i = 0; i < 60000; ++i)
        many += ref16(1);
    const QByteArray texts = binaryList({many, QByteArray("\x5F\x11\x10\x00", 4) + QByteArray(4096, 'v')}, 2);
    EXPECT_FALSE(sv::PropertyList::fromData(texts, &error).isValid());
    EXPECT_TRUE(error.contains("shared references")) << error.toStdString();
}

TEST(PropertyList, SharedNamesAsInAVendorDatabaseReadWhole)
{
    // Binary writers store each name once; thousands of keys share a few.
    QVariantMap vendors;
    const QStringList names{"Cisco Systems, Inc", "Apple, Inc.", "Ubiquiti Networks Inc.", "Hewlett Packard"};
    for (int i = 0; i < 20000; ++i)
        vendors.insert(QString::asprintf("%02X:%02X:%02X", i >> 16, (i >> 8) & 0xFF, i & 0xFF), names[i % 4]);
    const QByteArray binary = toBinary(sv::PropertyList::toXml(vendors));
    EXPECT_EQ(sv::PropertyList::fromData(binary), QVariant(vendors));
}

} // namespace
