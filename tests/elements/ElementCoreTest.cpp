#include <gtest/gtest.h>

#include "support/QStringPrinter.h"

#include "elements/ElementReader.h"
#include "elements/ElementTables.h"
#include "elements/SVField.h"
#include "elements/SVInfoElement.h"
#include "platform/DataAdditions.h"

using namespace sv::elements;

namespace {

QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

struct MaskCase {
    BitWidth width;
    quint32 mask;
    quint32 value;
    const char* pattern;
};

} // namespace

TEST(BitPattern, MarksMaskBitsMostSignificantFirst)
{
    const MaskCase cases[] = {
        {BitWidth::Bits8, 0x02, 0x02, ".... ..1."},
        {BitWidth::Bits8, 0x0F, 0x0A, ".... 1010"},
        {BitWidth::Bits8, 0x00, 0xFF, ".... ...."},
        {BitWidth::Bits8, 0xF8, 0x02, "0000 0..."},
        {BitWidth::Bits16, 0x0300, 0x0100, ".... ..01 .... ...."},
        {BitWidth::Bits16, 0x3000, 0x1000, "..01 .... .... ...."},
        {BitWidth::Bits32, 0xE0000000, 0x40000000, "010. .... .... .... .... .... .... ...."},
        {BitWidth::Bits32, 0x1, 0xFFFFFFFF, ".... .... .... .... .... .... .... ...1"},
    };
    for (const MaskCase& c : cases)
        EXPECT_EQ(stringForMask(c.width, c.mask, c.value), QString::fromLatin1(c.pattern)) << c.pattern;
    EXPECT_EQ(stringFor8BitMask(0x0F, 0x0A).size(), 9);
    EXPECT_EQ(stringFor16BitMask(0, 0).size(), 19);
    EXPECT_EQ(stringFor32BitMask(0, 0).size(), 39);
}

TEST(MaskItems, ShiftFieldValueAndFormatByWidth)
{
    constexpr ValueText table[] = {{2, "Two"}};
    const SVField value = valueItem(BitWidth::Bits8, 0x1C, QStringLiteral("Spacing"), 0x0B, table);
    EXPECT_EQ(value.notes, QStringLiteral("Two (0x02)"));
    EXPECT_EQ(value.value, QStringLiteral("Spacing"));
    EXPECT_EQ(value.subfieldName, QStringLiteral("...0 10.."));
    EXPECT_FALSE(value.name);

    // A value the table does not name reads as reserved, with its raw value.
    EXPECT_EQ(valueItem(BitWidth::Bits16, 0x000C, QStringLiteral("SM"), 0x0004, {}).notes,
              QStringLiteral("Reserved (0x0001)"));
    EXPECT_EQ(decimalItem(BitWidth::Bits32, 0x1FFF, QStringLiteral("Rate"), 0x0FFF).notes,
              QStringLiteral("4095 (0x00000fff)"));
    EXPECT_EQ(hexItem(BitWidth::Bits8, 0x70, QStringLiteral("Reserved"), 0xFF).notes, QStringLiteral("0x07"));
    EXPECT_EQ(boolItem(BitWidth::Bits8, 0x80, QStringLiteral("B"), 0x80, QStringLiteral("Yes"), QStringLiteral("No")).notes,
              QStringLiteral("Yes"));
    EXPECT_EQ(boolItem(BitWidth::Bits8, 0x80, QStringLiteral("B"), 0x7F, QStringLiteral("Yes"), QStringLiteral("No")).notes,
              QStringLiteral("No"));
    EXPECT_EQ(fieldValue(0, 0xFFFFFFFF), 0u);
    EXPECT_EQ(fieldValue(0x80000000, 0x80000000), 1u);
}

TEST(FieldRecord, StoresOnlyPresentKeys)
{
    const QVariantMap entry = entryWithName(QStringLiteral("Length"), QStringLiteral("1"), QStringLiteral("bytes")).toVariantMap();
    EXPECT_EQ(entry.keys(), (QStringList{"fieldName", "fieldNotes", "fieldValue"}));

    const QVariantMap sub = subEntryWithName(QStringLiteral("Reserved"), QStringLiteral("0000 0...")).toVariantMap();
    EXPECT_EQ(sub.keys(), (QStringList{"fieldSubfieldName", "fieldValue"}));
    EXPECT_EQ(sub.value("fieldSubfieldName").toString(), QStringLiteral("0000 0..."));

    const QVariantMap group = entryWithName(QStringLiteral("List"), std::nullopt, std::nullopt,
                                            std::vector<SVField>{entryWithName(QStringLiteral("A"))})
                                  .toVariantMap();
    ASSERT_EQ(group.value("fieldSubfields").toList().size(), 1);
    EXPECT_EQ(group.value("fieldSubfields").toList().first().toMap().value("fieldName").toString(), QStringLiteral("A"));
}

TEST(HexString, ClipsToTheData)
{
    const QByteArray data = bytes("0A0B0C0D");
    EXPECT_EQ(sv::hexadecimalString(data, 1, 2, u" "), QStringLiteral("0B 0C"));
    EXPECT_EQ(sv::hexadecimalString(data, 4, 2, u" "), QString());
    EXPECT_EQ(sv::hexadecimalString(data, 2, 10, u" "), QStringLiteral("0C 0D"));
    EXPECT_EQ(sv::hexadecimalString(data, 0, std::numeric_limits<qsizetype>::max()), QStringLiteral("0A0B0C0D"));
    EXPECT_EQ(sv::hexadecimalString(data, -1, 2), QString());
    EXPECT_EQ(sv::hexadecimalString(QByteArray()), QString());
    EXPECT_EQ(sv::hexadecimalString(bytes("ab"), 0, 1, u"x"), QStringLiteral("AB"));
    EXPECT_EQ(sv::hexadecimalString(bytes("abcd"), 0, 2, u"x"), QStringLiteral("ABXCD"));
}

TEST(ElementReaderTest, ReadsPastTheEndYieldNothing)
{
    const QByteArray data = bytes("0102030405");
    const ElementReader r(data);
    EXPECT_EQ(r.le16(0), 0x0201);
    EXPECT_EQ(r.le32(1), 0x05040302u);
    EXPECT_EQ(r.be16(3), 0x0405);
    EXPECT_EQ(r.le32(2), 0u); // only three bytes left
    EXPECT_EQ(r.u8(5), 0);
    EXPECT_EQ(r.u8(-1), 0);
    EXPECT_FALSE(r.has(4, 2));
    EXPECT_FALSE(r.has(1, std::numeric_limits<qsizetype>::max()));
    EXPECT_TRUE(r.has(5, 0));
    EXPECT_EQ(r.hex(3), QStringLiteral("0405"));
    EXPECT_EQ(r.hex(9, 2), QString());
    EXPECT_EQ(r.sub(3, 100).size(), 2);
    EXPECT_EQ(r.remaining(7), 0);
}

TEST(ElementText, EndsAtTheFirstZeroByteAndDamagedUtf8GivesNone)
{
    struct Case {
        const char* hex;
        QString text;
    };
    const Case cases[] = {
        {"486f6d65", QStringLiteral("Home")},
        {"486f6d65000000", QStringLiteral("Home")},      // NUL padding
        {"4142004344", QStringLiteral("AB")},             // text ends at the first zero byte
        {"00000000", QString()},                          // hidden network
        {"436166c3a9", QStringLiteral("Caf\u00e9")},
        {"436166c3a9004142ff", QStringLiteral("Caf\u00e9")}, // what follows the zero byte does not count
        {"436166c3", QString()},                          // cut mid-character
        {"41b242", QString()},                            // stray continuation byte
        {"41ff42", QString()},                            // invalid byte
        {"41c0af42", QString()},                          // overlong form
        {"eda080", QString()},                            // surrogate
        {"efbbbf41", QStringLiteral("\ufeffA")},          // a byte-order mark is part of the name
        {"f09f9aa8", QString::fromUtf8("\xF0\x9F\x9A\xA8")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sv::elementText(bytes(c.hex)), c.text) << c.hex;
        EXPECT_EQ(ElementReader(bytes(c.hex)).utf8(), c.text) << c.hex;
    }
}

TEST(InfoElement, NamesIdentifiesAndFallsBackToData)
{
    EXPECT_EQ(SVInfoElement(36, bytes("01020A")).ieName(), QStringLiteral("Supported Channels"));
    EXPECT_EQ(SVInfoElement(200, bytes("00")).ieName(), QStringLiteral("Unknown"));
    EXPECT_EQ(SVInfoElement(62, bytes("00")).ieName(), QStringLiteral("Seconday Channel Offset"));
    EXPECT_EQ(SVInfoElement(3, bytes("06")).ieIdentifier(), QStringLiteral("id=3"));

    const SVInfoElement unknown(36, bytes("01020A"));
    ASSERT_EQ(unknown.fields().size(), 3u);
    EXPECT_EQ(unknown.fields()[2], entryWithName(QStringLiteral("Data"), QStringLiteral("01020A")));
    EXPECT_EQ(unknown.ieSummary(), QString());
    EXPECT_EQ(unknown.ieDump(), QStringLiteral("Supported Channels\n    Element ID: 36\n    Length: 3 bytes\n    Data: 01020A"));
    EXPECT_EQ(&unknown.fields(), &unknown.fields()); // cached

    // An empty body: a hidden network's SSID without a value; for an element
    // with a fixed part, only the two header fields.
    const SVInfoElement hidden(0, QByteArray());
    EXPECT_EQ(hidden.ieDump(), QStringLiteral("Service Set Identifier\n    Element ID: 0\n    Length: 0 bytes\n    SSID"));
    const SVInfoElement emptyLoad(11, QByteArray());
    EXPECT_EQ(emptyLoad.fields().size(), 2u);
    EXPECT_EQ(emptyLoad.ieDump(), QStringLiteral("QBSS Load\n    Element ID: 11\n    Length: 0 bytes"));

    // A body shorter than the fixed part shows as "Data".
    const SVInfoElement shortBSSLoad(11, bytes("01000A"));
    ASSERT_EQ(shortBSSLoad.fields().size(), 3u);
    EXPECT_EQ(shortBSSLoad.fields()[2].name, QStringLiteral("Data"));
    EXPECT_EQ(shortBSSLoad.ieSummary(), QString());

    const QVariantList records = unknown.fieldRecords();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[1].toMap().value("fieldNotes").toString(), QStringLiteral("bytes"));
}

TEST(InfoElement, VendorSpecificNameComesFromTheLookup)
{
    SVInfoElement::setVendorNameLookup([](const QString& oui) {
        if (oui == QLatin1String("00:40:96"))
            return QStringLiteral("CISCO SYSTEMS, INC.");
        if (oui == QLatin1String("50:6F:9A"))
            return QStringLiteral("Wi-Fi Alliance");
        if (oui == QLatin1String("00:17:F2"))
            return QStringLiteral("Apple Inc");
        return QString();
    });
    EXPECT_EQ(SVInfoElement(221, bytes("00409603")).ieName(), QStringLiteral("Vendor Specific (Cisco)"));
    EXPECT_EQ(SVInfoElement(221, bytes("0017F20101")).ieName(), QStringLiteral("Vendor Specific (Apple)"));
    EXPECT_EQ(SVInfoElement(221, bytes("506F9A10")).ieName(), QStringLiteral("Vendor Specific (Wi-fi Alliance)"));
    EXPECT_EQ(SVInfoElement(221, bytes("001122")).ieName(), QStringLiteral("Vendor Specific"));
    EXPECT_EQ(SVInfoElement(221, bytes("0040")).ieName(), QStringLiteral("Vendor Specific"));
    EXPECT_EQ(SVInfoElement(221, bytes("00409603")).parseOUI(), QStringLiteral("CISCO SYSTEMS, INC."));
    SVInfoElement::setVendorNameLookup({});
    EXPECT_EQ(SVInfoElement(221, bytes("00409603")).ieName(), QStringLiteral("Vendor Specific"));
}

TEST(VendorTable, MatchesTheFirstThreeBytes)
{
    EXPECT_EQ(vendorForBody(bytes("0050F201")), VendorOUI::Microsoft);
    EXPECT_EQ(vendorForBody(bytes("506F9A")), VendorOUI::WiFiAlliance);
    EXPECT_EQ(vendorForBody(bytes("0050")), std::nullopt);
    EXPECT_EQ(vendorForBody(bytes("001122")), std::nullopt);
}

TEST(Capitalized, UpperFirstLetterOfEachWord)
{
    EXPECT_EQ(capitalized(QStringLiteral("2 spatial streams")), QStringLiteral("2 Spatial Streams"));
    EXPECT_EQ(capitalized(QStringLiteral("CISCO")), QStringLiteral("Cisco"));
    EXPECT_EQ(capitalized(QStringLiteral("Tx MCS set not defined")), QStringLiteral("Tx Mcs Set Not Defined"));
}
