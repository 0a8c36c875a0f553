#pragma once

#include "elements/ElementTables.h"

#include <array>
#include <cstdint>

// Vendor OUIs the record's digest looks for in vendor-specific elements,
// taken from the decoder's one vendor table.
namespace sv::oui {

using Oui = std::array<std::uint8_t, 3>;

constexpr Oui ouiOf(sv::elements::VendorOUI vendor)
{
    for (const auto& row : sv::elements::kVendorOUIs)
        if (row.vendor == vendor)
            return {row.oui[0], row.oui[1], row.oui[2]};
    return {0, 0, 0};
}

inline constexpr Oui Cisco = ouiOf(sv::elements::VendorOUI::Cisco);               // Client MFP, DTPC power level
inline constexpr Oui Microsoft = ouiOf(sv::elements::VendorOUI::Microsoft);       // WPA (1), WMM (2), WPS (4)
inline constexpr Oui Aruba = ouiOf(sv::elements::VendorOUI::Aruba);               // access-point name
inline constexpr Oui Symbol = ouiOf(sv::elements::VendorOUI::Zebra);              // access-point name
inline constexpr Oui MikroTik = ouiOf(sv::elements::VendorOUI::Routerboard);      // access-point name
inline constexpr Oui WiFiAlliance = ouiOf(sv::elements::VendorOUI::WiFiAlliance); // Hotspot 2.0 indication (0x10)
inline constexpr Oui Ieee80211 = {0x00, 0x0F, 0xAC};                              // RSN cipher and AKM suites

static_assert(Symbol == Oui{0x00, 0xA0, 0xF8} && MikroTik == Oui{0x00, 0x0C, 0x42});

inline bool matches(const std::uint8_t* bytes, const Oui& oui)
{
    return bytes[0] == oui[0] && bytes[1] == oui[1] && bytes[2] == oui[2];
}

} // namespace sv::oui
