#pragma once

#include <QByteArrayView>

#include <array>
#include <optional>

// Tables shared by the element decoder and the network record's digest of
// the raw elements.
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

// Element IDs that the record and the decoder both name.
enum ElementID : unsigned {
    kSSID = 0,
    kSupportedRates = 1,
    kDSParameterSet = 3,
    kTIM = 5,
    kCountry = 7,
    kBSSLoad = 11,
    kERPInformation = 42,
    kHTCapabilities = 45,
    kRSN = 48,
    kExtendedSupportedRates = 50,
    kMobilityDomain = 54,
    kHTOperation = 61,
    kExtendedCapabilities = 127,
    kCiscoVendorSpecific = 150,
    kVHTCapabilities = 191,
    kVHTOperation = 192,
    kVendorSpecific = 221,
};

} // namespace sv::elements
