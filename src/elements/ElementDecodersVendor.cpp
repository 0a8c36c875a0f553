#include "elements/ElementDecodersSecurity.h"

#include "elements/ElementTablesVendor.h"
#include "platform/wlan/ElementWalk.h"

#include <algorithm>

namespace sv::elements {

using namespace vendor;

namespace {

using Fields = std::vector<SVField>;
// A vendor's decoder: appends its fields after "OUI" and "Vendor Specific
// Type" and collects its summary pieces. It sees at least its fixed part.
using VendorDecoder = void (*)(const ElementReader& body, Fields& fields, QStringList& summary);

SVField entry(const char* name, Text value = std::nullopt, Text notes = std::nullopt,
              std::optional<Fields> subfields = std::nullopt)
{
    return entryWithName(QString::fromUtf8(name), std::move(value), std::move(notes), std::move(subfields));
}

// Vendor tables grow with later versions of their documents: a value
// missing here is unknown to us rather than reserved.
QString textOrUnknown(ValueTable table, quint32 value)
{
    if (auto text = textForValue(table, value))
        return *text;
    return QStringLiteral("Unknown (%1)").arg(value);
}

QString trimmedSpacesAndTabs(const QString& text)
{
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// ---- Cisco

void decodeCisco(const ElementReader& b, Fields& f, QStringList& s)
{
    const quint8 type = b.u8(3);
    switch (type) {
    case 0: {
        const int level = b.s8(4);
        f.push_back(entry("Type", QStringLiteral("DTPC"), QStringLiteral("Dynamic Transmit Power Control")));
        f.push_back(entry("Power Level", QStringLiteral("%1 dBm").arg(level), QStringLiteral("0x") + b.hex(4)));
        s << QStringLiteral("DTPC") << QStringLiteral("Power Level: %1 dBm").arg(level);
        break;
    }
    case 3:
        f.push_back(entry("Type", QStringLiteral("CCX Version")));
        f.push_back(entry("CCX Version", QString::number(b.u8(4))));
        s << QStringLiteral("CCX Version %1").arg(b.u8(4));
        break;
    case 14:
        f.push_back(entry("Type", QStringLiteral("QBSS V2 - CCA")));
        f.push_back(entry("Data", b.hex(4)));
        s << QStringLiteral("QBSS V2 - CCA");
        break;
    case 20: {
        const QString state = (b.u8(4) & 0x01) ? QStringLiteral("Enabled") : QStringLiteral("Disabled");
        f.push_back(entry("Type", QStringLiteral("Client MFP"), QStringLiteral("Client Management Frame Protection")));
        f.push_back(entry("Client MFP", state));
        s << QStringLiteral("Client MFP %1").arg(state);
        break;
    }
    default:
        f.push_back(entry("Type", QStringLiteral("Unknown")));
        f.push_back(entry("Data", b.hex(4)));
        s << QStringLiteral("Unknown (%1)").arg(type);
        break;
    }
}

// ---- Microsoft: WPA, WMM, WPS

void decodeWPA(const ElementReader& b, Fields& f, QStringList& s)
{
    f.push_back(entry("Type", QStringLiteral("WPA")));
    s << QStringLiteral("Wi-Fi Protected Access (WPA)");
    f.push_back(entry("WPA Version", QString::number(b.le16(4))));
    s << QStringLiteral("Multicast Cipher: %1")
             .arg(appendSuite(f, b, 6, QStringLiteral("Multicast Cipher Suite"), SuiteKind::Cipher));
    qsizetype akmAt = 0;
    const QStringList unicast =
        appendSuiteList(f, b, 10, QStringLiteral("Unicast Cipher Suite"), SuiteKind::Cipher, akmAt);
    s << QStringLiteral("Unicast Cipher(s): %1").arg(unicast.join(QStringLiteral(", ")));
    if (b.has(akmAt, 2)) {
        qsizetype end = 0;
        const QStringList akms = appendSuiteList(f, b, akmAt, QStringLiteral("Auth Key Management Suite"),
                                                 SuiteKind::KeyManagement, end);
        s << QStringLiteral("AKM Suite(s): %1").arg(akms.join(QStringLiteral(", ")));
    }
}

void decodeWMM(const ElementReader& b, Fields& f, QStringList& s)
{
    const quint8 subtype = b.u8(4);
    f.push_back(entry("Type", QStringLiteral("WMM/WME")));
    s << QStringLiteral("Wireless Multimedia (WMM)");
    f.push_back(entry("WMM Subtype", textOrUnknown(kWMMSubtypes, subtype)));
    f.push_back(entry("WMM Version", QString::number(b.u8(5))));
    switch (subtype) {
    case 0:
        f.push_back(flagWord(QStringLiteral("WMM QoS Info"), BitWidth::Bits8, b.u8(6), kWMMQoSInfo));
        break;
    case 1:
        f.push_back(flagWord(QStringLiteral("WMM QoS Info"), BitWidth::Bits8, b.u8(6), kWMMQoSInfo));
        f.push_back(entry("Reserved", hexText(BitWidth::Bits8, b.u8(7))));
        // Records come in the order best effort, background, video, voice.
        for (quint32 i = 0; i < std::size(kAccessCategories); ++i) {
            const qsizetype at = 8 + 4 * qsizetype(i);
            f.push_back(entryWithName(
                QStringLiteral("Access Category - %1").arg(*textForValue(kAccessCategories, i)), std::nullopt,
                std::nullopt,
                Fields{
                    flagWord(QStringLiteral("ACI / AIFSN Field"), BitWidth::Bits8, b.u8(at), kWMMACIAIFSN),
                    flagWord(QStringLiteral("ECW"), BitWidth::Bits8, b.u8(at + 1), kWMMECW),
                    entry("TXOP Limit", QString::number(b.le16(at + 2))),
                }));
        }
        break;
    case 2:
        f.push_back(entry("Data", b.hex(6)));
        break;
    default:
        break;
    }
}

SVField wpsDataElement(quint16 type, const ElementReader& data)
{
    return entry("Data Element", upperHex(type), std::nullopt,
                 Fields{
                     entry("Type", upperHex(type)),
                     entry("Length", QString::number(data.size()), QStringLiteral("bytes")),
                     entry("Data", data.hex()),
                 });
}

SVField wpsPrimaryDeviceType(const char* name, const ElementReader& data, QStringList& s)
{
    // Category and subcategory are 16-bit numbers; both halves count.
    const quint16 category = data.be16(0);
    const quint16 subcategory = data.be16(6);
    Fields subfields{entry("Category", textOrUnknown(kWPSDeviceCategories, category))};
    Text value;
    if (data.slice(2, 4) == QByteArrayView(kWPSDeviceTypeOUI, sizeof kWPSDeviceTypeOUI)) {
        const Text subName = textForValue(kWPSDeviceSubcategories, deviceKey(category, subcategory));
        subfields.push_back(entry("Subcategory", subName ? subName : QStringLiteral("Unknown (%1)").arg(subcategory)));
        if (subName) {
            value = subName;
            s << *subName;
        }
    } else {
        subfields.push_back(entry("Subcategory", upperHex(subcategory)));
    }
    return entry(name, value, std::nullopt, std::move(subfields));
}

SVField wpsAttribute(quint16 type, const ElementReader& data, QStringList& s)
{
    const auto found = std::find_if(std::begin(kWPSAttributes), std::end(kWPSAttributes),
                                    [&](const WPSAttribute& a) { return a.type == type; });
    if (found == std::end(kWPSAttributes))
        return wpsDataElement(type, data);
    const WPSAttribute& a = *found;
    const bool isText = a.kind == WPSKind::Text || a.kind == WPSKind::DeviceName;
    // Data shorter than its layout reads as an unknown attribute would.
    if (!isText && data.size() < a.bytes)
        return wpsDataElement(type, data);

    switch (a.kind) {
    case WPSKind::ConfigMethods: {
        const quint16 methods = data.be16(0);
        QStringList names;
        for (const FlagItem& item : kWPSConfigMethods) {
            if (methods & item.mask)
                names << QString::fromUtf8(item.description);
        }
        if (!names.isEmpty())
            s << QStringLiteral("Methods: %1").arg(names.join(QStringLiteral(", ")));
        return entry(a.name, names.join(QStringLiteral(", ")), std::nullopt,
                     flagItems(BitWidth::Bits16, methods, kWPSConfigMethods));
    }
    case WPSKind::DeviceName: {
        const QString deviceName = trimmedSpacesAndTabs(data.utf8(0, a.bytes));
        if (!deviceName.isEmpty())
            s << deviceName;
        return entry(a.name, deviceName);
    }
    case WPSKind::Text:
        return entry(a.name, data.utf8(0, a.bytes));
    case WPSKind::Choice:
        return entry(a.name, textOrUnknown(a.table, data.u8(0)));
    case WPSKind::State: {
        const Text state = textForValue(a.table, data.u8(0));
        if (state)
            s << *state;
        return entry(a.name, state ? state : QStringLiteral("Unknown (%1)").arg(data.u8(0)));
    }
    case WPSKind::Hex:
        return entry(a.name, data.hex());
    case WPSKind::VendorExtension:
        return entry(a.name, std::nullopt, std::nullopt,
                     Fields{entry("Vendor ID", QString::number(data.be24(0))), entry("Vendor Data", data.hex(3))});
    case WPSKind::Version: {
        const quint8 version = data.u8(0);
        return entry(a.name, QString::number((version >> 4) + (version & 0x0F) / 10.0, 'f', 1));
    }
    case WPSKind::PrimaryDeviceType:
        return wpsPrimaryDeviceType(a.name, data, s);
    case WPSKind::SetupLocked: {
        const bool locked = data.u8(0) != 0;
        if (locked)
            s << QStringLiteral("Locked");
        return entry(a.name, locked ? QStringLiteral("Yes") : QStringLiteral("No"));
    }
    }
    return wpsDataElement(type, data);
}

void decodeWPS(const ElementReader& b, Fields& f, QStringList& s)
{
    f.push_back(entry("Type", QStringLiteral("WPS")));
    s << QStringLiteral("Wi-Fi Protected Setup (WPS)");
    // Type and length (big-endian), then the data; the walk ends at the
    // first attribute that does not fit the body.
    forEachWPSAttribute(b, 4, [&](quint16 type, const ElementReader& data) { f.push_back(wpsAttribute(type, data, s)); });
}

void decodeMicrosoft(const ElementReader& b, Fields& f, QStringList& s)
{
    switch (b.u8(3)) {
    case 1:
        decodeWPA(b, f, s);
        break;
    case 2:
        decodeWMM(b, f, s);
        break;
    case 4:
        decodeWPS(b, f, s);
        break;
    default:
        f.push_back(entry("Type", QStringLiteral("Unknown")));
        f.push_back(entry("Data", b.hex(4)));
        break;
    }
}

// ---- Aruba, Zebra, Routerboard, Wi-Fi Alliance

// Access-point names are read to this many bytes, as the record reads them.
constexpr qsizetype kNameBytes = 128;

void decodeAruba(const ElementReader& b, Fields& f, QStringList& s)
{
    const quint8 subtype = b.u8(4);
    if (subtype == 3) {
        const QString apName = b.utf8(6, kNameBytes);
        f.push_back(entry("Subtype", QStringLiteral("AP Name (%1)").arg(subtype)));
        f.push_back(entry("AP Name", apName));
        s << QStringLiteral("AP Name: %1").arg(apName);
    } else {
        f.push_back(entry("Subtype", QStringLiteral("Unknown (%1)").arg(subtype)));
        f.push_back(entry("Data", b.hex(5)));
    }
}

void decodeZebra(const ElementReader& b, Fields& f, QStringList& s)
{
    const quint8 subtype = b.u8(4);
    if (subtype == 3 && b.size() >= 13) {
        const QString apName = b.utf8(12, kNameBytes);
        f.push_back(entry("Subtype", QString::number(subtype)));
        f.push_back(entry("Unknown", b.hex(5, 7)));
        f.push_back(entry("AP Name", apName));
        s << QStringLiteral("AP Name: %1").arg(apName);
    } else {
        f.push_back(entry("Subtype", QStringLiteral("Unknown (%1)").arg(subtype)));
        f.push_back(entry("Data", b.hex(5)));
    }
}

void decodeRouterboard(const ElementReader& b, Fields& f, QStringList& s)
{
    // Sub-elements: type byte, length byte, data; the walk ends at the
    // first one that does not fit the body.
    for (const sv::wlan::Element& element : sv::wlan::ElementWalk(b.slice(4))) {
        const quint8 type = quint8(element.id);
        const auto length = quint8(element.body.size());
        const ElementReader data(element.body);
        Fields subfields{
            entry("Type", upperHex(type)),
            entry("Length", QString::number(length), QStringLiteral("bytes")),
        };
        if (type == 1 && length >= 10) {
            const QString radioName = data.utf8(10, kNameBytes);
            subfields.push_back(entry("Unknown", data.hex(0, 10)));
            subfields.push_back(entry("Radio Name", radioName));
            s << QStringLiteral("Radio Name: %1").arg(radioName);
        } else if (length > 0) {
            subfields.push_back(entry("Data", data.hex()));
        }
        f.push_back(entry("Data Element", upperHex(type), std::nullopt, std::move(subfields)));
    }
}

void decodeWiFiAlliance(const ElementReader& b, Fields& f, QStringList& s)
{
    switch (b.u8(3)) {
    case 16:
        f.push_back(entry("Type", QStringLiteral("Hotspot 2.0 Indication")));
        f.push_back(entry("Hotspot 2.0 Indication", std::nullopt, std::nullopt,
                          Fields{boolItem(BitWidth::Bits8, 0x01, QStringLiteral("DGAF Disabled"), b.u8(4),
                                          QStringLiteral("Set"), QStringLiteral("Not set"))}));
        s << QStringLiteral("Hotspot 2.0 Indication");
        break;
    case 10:
        f.push_back(entry("Type", QStringLiteral("Wi-Fi Display")));
        f.push_back(entry("Data", b.hex(4)));
        s << QStringLiteral("Wi-Fi Display");
        break;
    case 9:
        f.push_back(entry("Type", QStringLiteral("P2P")));
        f.push_back(entry("Data", b.hex(4)));
        s << QStringLiteral("P2P");
        break;
    default:
        // Other types keep their bytes visible, as an unknown vendor's do.
        f.push_back(entry("Vendor Specific Data", b.hex(4)));
        break;
    }
}

struct VendorRow {
    VendorOUI vendor;
    VendorDecoder decode;
    const char* separator;
};
constexpr VendorRow kVendorDecoders[] = {
    {VendorOUI::Cisco, decodeCisco, "; "},
    {VendorOUI::Microsoft, decodeMicrosoft, "; "},
    {VendorOUI::Aruba, decodeAruba, ", "},
    {VendorOUI::Zebra, decodeZebra, ", "},
    {VendorOUI::Routerboard, decodeRouterboard, ", "},
    {VendorOUI::WiFiAlliance, decodeWiFiAlliance, ", "},
};

qsizetype fixedPart(VendorOUI vendor, const ElementReader& b)
{
    for (const FixedPart& row : kFixedParts) {
        if (row.vendor != vendor || (row.type != kAny && row.type != b.u8(3)))
            continue;
        if (row.subtype != kAny && (!b.has(4) || row.subtype != b.u8(4)))
            continue;
        return row.bytes;
    }
    return 4;
}

} // namespace

void decodeVendorSpecific(ElementDecoding& d)
{
    const ElementReader& b = d.body;
    const QByteArrayView oui = b.slice(0, 3);
    const quint8 type = b.u8(3);
    const QString ouiDashes = ouiText(oui, QLatin1Char('-'));
    // Element 150 carries the same layout and takes the same identifier.
    d.identifier = QStringLiteral("id=221,oui=%1,type=%2").arg(ouiDashes).arg(type);
    d.add(entry("OUI", ouiDashes, vendorNotes(oui)));
    d.add(entry("Vendor Specific Type", QString::number(type)));

    const std::optional<VendorOUI> vendor = vendorForBody(b.bytes());
    const auto row = std::find_if(std::begin(kVendorDecoders), std::end(kVendorDecoders),
                                  [&](const VendorRow& r) { return vendor && r.vendor == *vendor; });
    if (row == std::end(kVendorDecoders) || b.size() < fixedPart(*vendor, b)) {
        d.add(entry("Vendor Specific Data", b.hex(4)));
        return;
    }
    QStringList summary;
    row->decode(b, d.fields, summary);
    d.setSummary(summary, QString::fromUtf8(row->separator));
}

} // namespace sv::elements
