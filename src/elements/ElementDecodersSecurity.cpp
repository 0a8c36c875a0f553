#include "elements/ElementDecodersSecurity.h"

#include "elements/ElementTablesSecurity.h"
#include "elements/SVInfoElement.h"

#include <algorithm>

namespace sv::elements {

using namespace security;

namespace {

bool sameOUI(QByteArrayView oui, const std::array<quint8, 3>& expected)
{
    return oui.size() == 3 && quint8(oui[0]) == expected[0] && quint8(oui[1]) == expected[1]
        && quint8(oui[2]) == expected[2];
}

} // namespace

QString ouiText(QByteArrayView oui, QChar separator)
{
    QStringList octets;
    for (char c : oui)
        octets.append(QStringLiteral("%1").arg(quint8(c), 2, 16, QLatin1Char('0')).toUpper());
    return octets.join(separator);
}

Text vendorNotes(QByteArrayView oui)
{
    const QString vendor = SVInfoElement::vendorNameForOUI(ouiText(oui, QLatin1Char(':')));
    if (vendor.isEmpty())
        return std::nullopt;
    return QStringLiteral("(%1)").arg(vendor);
}

QString upperHex(quint32 value, int digits)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString suiteName(SuiteKind kind, QByteArrayView oui, quint8 type)
{
    ValueTable table;
    if (sameOUI(oui, kIEEE80211SuiteOUI))
        table = kind == SuiteKind::Cipher ? ValueTable(kIEEE80211Ciphers) : ValueTable(kIEEE80211AKMs);
    else if (sameOUI(oui, kWPASuiteOUI))
        table = kind == SuiteKind::Cipher ? ValueTable(kWPACiphers) : ValueTable(kWPAAKMs);
    else
        return QStringLiteral("Vendor Specific");
    return textForValue(table, type).value_or(QStringLiteral("Unknown"));
}

QString appendSuite(std::vector<SVField>& fields, const ElementReader& body, qsizetype at, const QString& label,
                    SuiteKind kind)
{
    const QByteArrayView oui = body.slice(at, 3);
    const quint8 type = body.u8(at + 3);
    const QString name = suiteName(kind, oui, type);
    fields.push_back(entryWithName(label + QStringLiteral(" OUI"), ouiText(oui, QLatin1Char('-')), vendorNotes(oui)));
    fields.push_back(entryWithName(label + QStringLiteral(" Type"), name, QStringLiteral("(%1)").arg(type)));
    return name;
}

QStringList appendSuiteList(std::vector<SVField>& fields, const ElementReader& body, qsizetype countAt,
                            const QString& label, SuiteKind kind, qsizetype& next)
{
    const quint16 count = body.le16(countAt);
    fields.push_back(entryWithName(label + QStringLiteral(" Count"), QString::number(count)));
    const qsizetype first = countAt + 2;
    std::vector<SVField> suites;
    QStringList names;
    // A count larger than the body holds shows the suites that are there.
    for (qsizetype k = 0; k < count && body.has(first + 4 * k, 4); ++k)
        names.append(appendSuite(suites, body, first + 4 * k, label, kind));
    fields.push_back(entryWithName(label + QStringLiteral(" List"), std::nullopt, std::nullopt,
                                   suites.empty() ? std::nullopt : std::optional(std::move(suites))));
    next = first + 4 * qsizetype(count);
    return names;
}

void decodeRSN(ElementDecoding& d)
{
    const ElementReader& b = d.body;
    d.add(entryWithName(QStringLiteral("RSN Version"), QString::number(b.le16(0))));
    QStringList summary;
    summary.append(QStringLiteral("Group Cipher: %1")
                       .arg(appendSuite(d.fields, b, 2, QStringLiteral("Group Cipher Suite"), SuiteKind::Cipher)));
    qsizetype akmAt = 0;
    const QStringList pairwise =
        appendSuiteList(d.fields, b, 6, QStringLiteral("Pairwise Cipher Suite"), SuiteKind::Cipher, akmAt);
    summary.append(QStringLiteral("Pairwise Cipher(s): %1").arg(pairwise.join(QStringLiteral(", "))));
    if (b.has(akmAt, 2)) {
        qsizetype capabilitiesAt = 0;
        const QStringList akms = appendSuiteList(d.fields, b, akmAt, QStringLiteral("Auth Key Management Suite"),
                                                 SuiteKind::KeyManagement, capabilitiesAt);
        summary.append(QStringLiteral("AKM Suite(s): %1").arg(akms.join(QStringLiteral(", "))));
        if (b.has(capabilitiesAt, 2))
            d.add(flagWord(QStringLiteral("RSN Capabilities"), BitWidth::Bits16, b.le16(capabilitiesAt),
                           kRSNCapabilities));
    }
    d.setSummary(summary, QStringLiteral("; "));
}

void decodeRMEnabledCapabilities(ElementDecoding& d)
{
    QStringList enabled;
    for (qsizetype i = 0; i < qsizetype(std::size(kRMOctets)); ++i) {
        SVField octet = flagWord(QStringLiteral("RM Enabled Capabilities (octet %1)").arg(i + 1), BitWidth::Bits8,
                                 d.body.u8(i), kRMOctets[i]);
        for (const SVField& item : *octet.subfields) {
            if (item.notes == QLatin1String(kEnabled))
                enabled.append(*item.value);
        }
        d.add(std::move(octet));
    }
    d.summary = enabled.isEmpty() ? QStringLiteral("No capabilities enabled") : enabled.join(QStringLiteral(", "));
}

void decodeInterworking(ElementDecoding& d)
{
    const ElementReader& b = d.body;
    const quint8 options = b.u8(0);
    d.add(flagWord(QStringLiteral("Access Network Options"), BitWidth::Bits8, options, kAccessNetworkOptions));
    QStringList summary{textOrReserved(kAccessNetworkTypes, options & 0x0F)};
    appendSetSummaries(summary, options, kAccessNetworkOptions);

    // Venue information (2 bytes) and the HESSID (6 bytes) are each present
    // or not: the body length says which.
    const qsizetype length = b.size();
    qsizetype hessidAt = 1;
    if (length == 3 || length == 9) {
        const quint8 group = b.u8(1);
        const quint8 type = b.u8(2);
        const QString groupText = textOrReserved(kVenueGroups, group);
        const QString typeText =
            group < std::size(kVenueTypes) ? textOrReserved(kVenueTypes[group], type) : QStringLiteral("Reserved");
        d.add(entryWithName(QStringLiteral("Venue Info"), std::nullopt, std::nullopt,
                            std::vector<SVField>{
                                entryWithName(QStringLiteral("Venue Group"), groupText, QStringLiteral("(%1)").arg(group)),
                                entryWithName(QStringLiteral("Venue Type"), typeText, QStringLiteral("(%1)").arg(type)),
                            }));
        summary.append(QStringLiteral("%1 (%2)").arg(groupText, typeText));
        hessidAt = 3;
    }
    if (length == 7 || length == 9) {
        QStringList octets;
        for (qsizetype i = 0; i < 6; ++i)
            octets.append(upperHex(b.u8(hessidAt + i)));
        d.add(entryWithName(QStringLiteral("Homogeneous ESS Identifier (HESSID)"), octets.join(QLatin1Char(':'))));
    }
    d.setSummary(summary, QStringLiteral(", "));
}

void decodeRoamingConsortium(ElementDecoding& d)
{
    const ElementReader& b = d.body;
    const quint8 lengths = b.u8(1);
    const qsizetype length1 = lengths & 0x0F;
    const qsizetype length2 = lengths >> 4;
    d.add(entryWithName(QStringLiteral("Number of ANQP OIs"), QString::number(b.u8(0)), std::nullopt,
                        std::vector<SVField>{
                            subEntryWithName(QStringLiteral("OI #1 Length"), stringFor8BitMask(0x0F, lengths),
                                             QString::number(length1)),
                            subEntryWithName(QStringLiteral("OI #2 Length"), stringFor8BitMask(0xF0, lengths),
                                             QString::number(length2)),
                        }));
    // The declared lengths may run past the body: each OI shows the bytes
    // that are there, and one with none there is left out.
    d.add(entryWithName(QStringLiteral("OI #1"), b.hex(2, length1)));
    const qsizetype oi2At = 2 + length1;
    if (length2 != 0 && b.remaining(oi2At) > 0)
        d.add(entryWithName(QStringLiteral("OI #2"), b.hex(oi2At, length2)));
    const qsizetype oi3At = oi2At + length2;
    if (b.remaining(oi3At) > 0)
        d.add(entryWithName(QStringLiteral("OI #3"), b.hex(oi3At)));
}

void decodeMeshConfiguration(ElementDecoding& d)
{
    const ElementReader& b = d.body;
    // The element has one layout of exactly seven bytes; any other length
    // is shown as data rather than guessed at or hidden.
    if (b.size() != 7) {
        decodeGeneric(d);
        return;
    }
    for (qsizetype i = 0; i < qsizetype(std::size(kMeshIdentifiers)); ++i) {
        const quint8 value = b.u8(i);
        d.add(entryWithName(QString::fromUtf8(kMeshIdentifiers[i].name), upperHex(value),
                            textOrReserved(kMeshIdentifiers[i].table, value)));
    }
    d.add(entryWithName(QStringLiteral("Mesh Formation Info"), upperHex(b.u8(5)), std::nullopt,
                        flagItems(BitWidth::Bits8, b.u8(5), kMeshFormationInfo)));
    d.add(entryWithName(QStringLiteral("Mesh Capability"), upperHex(b.u8(6)), std::nullopt,
                        flagItems(BitWidth::Bits8, b.u8(6), kMeshCapability)));
}

void decodeMeshID(ElementDecoding& d)
{
    const QString meshID = d.body.utf8();
    d.add(entryWithName(QStringLiteral("Mesh ID"), meshID.isEmpty() ? Text() : Text(meshID)));
    d.summary = meshID;
}

void decodeExtendedCapabilities(ElementDecoding& d)
{
    const qsizetype shown = std::min(d.body.size(), qsizetype(std::size(kExtCapOctets)));
    for (qsizetype i = 0; i < shown; ++i)
        d.add(flagWord(QStringLiteral("Extended Capabilities (octet %1)").arg(i + 1), BitWidth::Bits8, d.body.u8(i),
                       kExtCapOctets[i]));
}

void decodeCiscoCCX1CKIP(ElementDecoding& d)
{
    const ElementReader& b = d.body;
    const QString deviceName = b.utf8(10, 16);
    const quint8 stations = b.u8(26);
    d.add(entryWithName(QStringLiteral("Unknown 1"), b.hex(0, 10)));
    d.add(entryWithName(QStringLiteral("Device Name"), deviceName));
    d.add(entryWithName(QStringLiteral("Stations"), QString::number(stations)));
    d.add(entryWithName(QStringLiteral("Unknown 2"), b.hex(27, 3)));
    d.setSummary({QStringLiteral("Device Name: %1").arg(deviceName), QStringLiteral("Stations: %1").arg(stations)},
                 QStringLiteral(", "));
}

} // namespace sv::elements
