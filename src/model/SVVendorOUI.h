#pragma once

#include <array>
#include <cstdint>

// Vendor OUIs the record's digest looks for in vendor-specific elements.
// The element decoder keeps the same table; the two are to become one.
namespace sv::oui {

using Oui = std::array<std::uint8_t, 3>;

inline constexpr Oui Cisco = {0x00, 0x40, 0x96};        // Client MFP, DTPC power level
inline constexpr Oui Microsoft = {0x00, 0x50, 0xF2};    // WPA (1), WMM (2), WPS (4)
inline constexpr Oui Aruba = {0x00, 0x0B, 0x86};        // access-point name
inline constexpr Oui Symbol = {0x00, 0xA0, 0xF8};       // access-point name
inline constexpr Oui MikroTik = {0x00, 0x0C, 0x42};     // access-point name
inline constexpr Oui WiFiAlliance = {0x50, 0x6F, 0x9A}; // Hotspot 2.0 indication (0x10)
inline constexpr Oui Ieee80211 = {0x00, 0x0F, 0xAC};    // RSN cipher and AKM suites

inline bool matches(const std::uint8_t* bytes, const Oui& oui)
{
    return bytes[0] == oui[0] && bytes[1] == oui[1] && bytes[2] == oui[2];
}

} // namespace sv::oui
