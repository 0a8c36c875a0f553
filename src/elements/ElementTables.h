#pragma once

#include "elements/ElementReader.h"

#include <QByteArrayView>

#include <array>
#include <optional>

// Tables and layouts shared by the element decoder and the network record's
// digest of the raw elements.
namespace sv::elements {

// Vendors whose vendor-specific elements have a layout of their own.
enum class VendorOUI { Cisco, Microsoft, Aruba, Zebra, Routerboard, WiFiAlliance };

struct VendorOUIRow {
    std::array<quint8, 3> oui;
    VendorOUI vendor;
};

// Tested in this order against the first three body bytes.
inline constexpr VendorOUIRow kVendorOUIs[] = {
    {{0x00, 0x40, 0x96}, VendorOUI::Cisco},
    {{0x00, 0x50, 0xF2}, VendorOUI::Microsoft},
    {{0x00, 0x0B, 0x86}, VendorOUI::Aruba},
    {{0x00, 0xA0, 0xF8}, VendorOUI::Zebra},
    {{0x00, 0x0C, 0x42}, VendorOUI::Routerboard},
    {{0x50, 0x6F, 0x9A}, VendorOUI::WiFiAlliance},
};

// The vendor of a vendor-specific body, by its first three bytes; none for a
// shorter body or an OUI not in the table.
constexpr std::optional<VendorOUI> vendorForBody(QByteArrayView body)
{
    if (body.size() < 3)
        return std::nullopt;
    for (const VendorOUIRow& row : kVendorOUIs) {
        if (quint8(body[0]) == row.oui[0] && quint8(body[1]) == row.oui[1] && quint8(body[2]) == row.oui[2])
            return row.vendor;
    }
    return std::nullopt;
}

// WPS attribute types the record's digest reads (kWPSAttributes names them
// all for the decoder).
enum WPSAttributeType : quint16 {
    kWPSState = 0x1044,
    kWPSSetupLocked = 0x1057,
};

// Calls visit(type, value) for each whole WPS attribute from offset at: type
// and length (big-endian), then the value. The walk ends at the first
// attribute that does not fit the body.
template <typename Visit>
void forEachWPSAttribute(const ElementReader& body, qsizetype at, Visit&& visit)
{
    while (body.has(at, 4)) {
        const quint16 type = body.be16(at);
        const quint16 length = body.be16(at + 2);
        if (!body.has(at + 4, length))
            break;
        visit(type, body.sub(at + 4, length));
        at += 4 + length;
    }
}

} // namespace sv::elements
