#pragma once

// Layouts and value texts of the vendor-specific elements decoded in
// ElementDecodersVendor.cpp. The OUIs themselves are kVendorOUIs
// (ElementTables.h), shared with the record's digest.

#include "elements/ElementTables.h"
#include "elements/SVField.h"

namespace sv::elements::vendor {

inline constexpr int kAny = -1;

// Bytes a vendor's layout needs, by vendor type (byte 3) and, where it
// matters, subtype (byte 4); the first matching row wins. A shorter body is
// shown as "Vendor Specific Data", like an unknown vendor's.
struct FixedPart {
    VendorOUI vendor;
    int type;
    int subtype;
    qsizetype bytes;
};
inline constexpr FixedPart kFixedParts[] = {
    {VendorOUI::Cisco, 0, kAny, 5},
    {VendorOUI::Cisco, 3, kAny, 5},
    {VendorOUI::Cisco, 20, kAny, 5},
    {VendorOUI::Cisco, kAny, kAny, 4},
    {VendorOUI::Microsoft, 1, kAny, 12},
    {VendorOUI::Microsoft, 2, 0, 7},
    {VendorOUI::Microsoft, 2, 1, 24},
    {VendorOUI::Microsoft, 2, kAny, 6},
    {VendorOUI::Microsoft, kAny, kAny, 4},
    {VendorOUI::Aruba, kAny, kAny, 5},
    {VendorOUI::Zebra, kAny, kAny, 5},
    {VendorOUI::Routerboard, kAny, kAny, 5},
    {VendorOUI::WiFiAlliance, 16, kAny, 5},
    {VendorOUI::WiFiAlliance, kAny, kAny, 4},
};

// ---- WMM.

inline constexpr ValueText kWMMSubtypes[] = {
    {0, "Information Element"}, {1, "Parameter Element"}, {2, "TSPEC Element"},
};
inline constexpr ValueText kAccessCategories[] = {
    {0, "Best Effort"}, {1, "Background"}, {2, "Video"}, {3, "Voice"},
};
inline constexpr FlagItem kWMMQoSInfo[] = {
    flagBool(0x80, "U-APSD", "Enabled", "Disabled"),
    flagDecimal(0x0F, "Parameter Set Count"),
    flagHex(0x70, "Reserved"),
};
inline constexpr FlagItem kWMMACIAIFSN[] = {
    flagValue(0x60, "ACI", kAccessCategories),
    flagBool(0x10, "Admission Control Mandatory", "Yes", "No"),
    flagDecimal(0x0F, "AIFSN"),
    flagHex(0x80, "Reserved"),
};
inline constexpr FlagItem kWMMECW[] = {
    flagDecimal(0xF0, "ECW Max"),
    flagDecimal(0x0F, "ECW Min"),
};

// ---- WPS attributes.

enum class WPSKind : quint8 {
    ConfigMethods, // 16-bit method bits
    DeviceName,    // text, trimmed, joins the summary
    Text,          // text
    Choice,        // first byte named from the table
    State,         // like Choice; a named state joins the summary
    Hex,           // all data bytes as hex
    VendorExtension,
    Version,
    PrimaryDeviceType,
    SetupLocked,
};

struct WPSAttribute {
    quint16 type;
    const char* name;
    WPSKind kind;
    qsizetype bytes; // text: at most this many; others: data bytes the layout needs
    ValueTable table = {};
};

inline constexpr ValueText kWPSResponseTypes[] = {
    {0, "Enrollee, Info Only"}, {1, "Enrollee, Open 802.1X"}, {2, "Registrar"}, {3, "AP"},
};
inline constexpr ValueText kWPSRFBands[] = {{1, "2.4 GHz"}, {2, "5 GHz"}, {3, "2.4 and 5 GHz"}};
inline constexpr ValueText kWPSStates[] = {{1, "Not configured"}, {2, "Configured"}};

inline constexpr WPSAttribute kWPSAttributes[] = {
    {0x1008, "Configuration Methods", WPSKind::ConfigMethods, 2},
    {0x1011, "Device Name", WPSKind::DeviceName, 32},
    {0x1021, "Manufacturer", WPSKind::Text, 64},
    {0x1023, "Model", WPSKind::Text, 32},
    {0x1024, "Model Number", WPSKind::Text, 32},
    {0x103B, "Response Type", WPSKind::Choice, 1, kWPSResponseTypes},
    {0x103C, "RF Bands", WPSKind::Choice, 1, kWPSRFBands},
    {0x1042, "Serial Number", WPSKind::Text, 32},
    {kWPSState, "Wi-Fi Protected Setup State", WPSKind::State, 1, kWPSStates},
    {0x1047, "UUID-E", WPSKind::Hex, 0},
    {0x1049, "Vendor Extension", WPSKind::VendorExtension, 3},
    {0x104A, "Version", WPSKind::Version, 1},
    {0x1054, "Primary Device Type", WPSKind::PrimaryDeviceType, 8},
    {kWPSSetupLocked, "AP Setup Locked", WPSKind::SetupLocked, 1},
};

inline constexpr FlagItem kWPSConfigMethods[] = {
    flagBool(0x0001, "USB", "Yes", "No"),
    flagBool(0x0002, "Ethernet", "Yes", "No"),
    flagBool(0x0004, "Label", "Yes", "No"),
    flagBool(0x0008, "Display", "Yes", "No"),
    flagBool(0x0010, "External NFC", "Yes", "No"),
    flagBool(0x0020, "Internal NFC", "Yes", "No"),
    flagBool(0x0080, "Push Button", "Yes", "No"),
    flagBool(0x0100, "Keypad", "Yes", "No"),
    flagBool(0x0200, "Virtual Push Button", "Yes", "No"),
    flagBool(0x0400, "Physical Push Button", "Yes", "No"),
    flagBool(0x2000, "Virtual Display", "Yes", "No"),
    flagBool(0x4000, "Physical Display", "Yes", "No"),
};

// The OUI and type that mark the standard device categories.
inline constexpr quint8 kWPSDeviceTypeOUI[] = {0x00, 0x50, 0xF2, 0x04};

inline constexpr ValueText kWPSDeviceCategories[] = {
    {1, "Computer"}, {2, "Input Device"}, {3, "Printers, Scanners, Faxes and Copiers"}, {4, "Camera"},
    {5, "Storage"}, {6, "Network Infrastructure"}, {7, "Displays"}, {8, "Multimedia Devices"},
    {9, "Gaming Devices"}, {10, "Telephone"}, {11, "Audio Devices"},
};

// Keyed by category << 16 | subcategory, so that no two pairs share a key.
constexpr quint32 deviceKey(quint32 category, quint32 subcategory)
{
    return category << 16 | subcategory;
}
inline constexpr ValueText kWPSDeviceSubcategories[] = {
    {deviceKey(1, 1), "PC"}, {deviceKey(1, 2), "Server"}, {deviceKey(1, 3), "Media Center"},
    {deviceKey(1, 4), "Ultra-mobile PC"}, {deviceKey(1, 5), "Notebook"}, {deviceKey(1, 6), "Desktop"},
    {deviceKey(1, 7), "MID (Mobile Internet Device)"}, {deviceKey(1, 8), "Netbook"},
    {deviceKey(2, 1), "Keyboard"}, {deviceKey(2, 2), "Mouse"}, {deviceKey(2, 3), "Joystick"},
    {deviceKey(2, 4), "Trackball"}, {deviceKey(2, 5), "Gaming Controller"}, {deviceKey(2, 6), "Remote"},
    {deviceKey(2, 7), "Touchscreen"}, {deviceKey(2, 8), "Biometric Reader"}, {deviceKey(2, 9), "Barcode Reader"},
    {deviceKey(3, 1), "Printer or Print Server"}, {deviceKey(3, 2), "Scanner"}, {deviceKey(3, 3), "Fax"},
    {deviceKey(3, 4), "Copier"}, {deviceKey(3, 5), "All-in-One (Printer, Scanner, Fax, Copier)"},
    {deviceKey(4, 1), "Digital Still Camera"}, {deviceKey(4, 2), "Video Camera"}, {deviceKey(4, 3), "Web Camera"},
    {deviceKey(4, 4), "Security Camera"},
    {deviceKey(5, 1), "NAS"},
    {deviceKey(6, 1), "AP"}, {deviceKey(6, 2), "Router"}, {deviceKey(6, 3), "Switch"}, {deviceKey(6, 4), "Gateway"},
    {deviceKey(6, 5), "Bridge"},
    {deviceKey(7, 1), "Television"}, {deviceKey(7, 2), "Electronic Picture Frame"}, {deviceKey(7, 3), "Projector"},
    {deviceKey(7, 4), "Monitor"},
    {deviceKey(8, 1), "DAR"}, {deviceKey(8, 2), "PVR"}, {deviceKey(8, 3), "MCX"}, {deviceKey(8, 4), "Set-Top Box"},
    {deviceKey(8, 5), "Media Server/Media Adapter/Media Extender"}, {deviceKey(8, 6), "Portable Video Player"},
    {deviceKey(9, 1), "Xbox"}, {deviceKey(9, 2), "Xbox360"}, {deviceKey(9, 3), "Playstation"},
    {deviceKey(9, 4), "Game Console/Game Console Adapter"}, {deviceKey(9, 5), "Portable Gaming Device"},
    {deviceKey(10, 1), "Windows Mobile"}, {deviceKey(10, 2), "Phone - Single Mode"},
    {deviceKey(10, 3), "Phone - Dual Mode"}, {deviceKey(10, 4), "Smartphone - Single Mode"},
    {deviceKey(10, 5), "Smartphone - Dual Mode"},
    {deviceKey(11, 1), "Audio Tuner"}, {deviceKey(11, 2), "Speakers"}, {deviceKey(11, 3), "Portable Music Player (PMP)"},
    {deviceKey(11, 4), "Headset (headphones + microphone)"}, {deviceKey(11, 5), "Headphones"},
};

} // namespace sv::elements::vendor
