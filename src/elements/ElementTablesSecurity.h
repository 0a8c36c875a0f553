#pragma once

// Value texts and flag words of the security, interworking, mesh and
// capability elements, as data read by the decoders in
// ElementDecodersSecurity.cpp.

#include "elements/SVField.h"

#include <array>

namespace sv::elements::security {

// ---- Suite selectors: names by suite type, per OUI.

inline constexpr std::array<quint8, 3> kIEEE80211SuiteOUI{0x00, 0x0F, 0xAC};
inline constexpr std::array<quint8, 3> kWPASuiteOUI{0x00, 0x50, 0xF2};

inline constexpr ValueText kIEEE80211Ciphers[] = {
    {0, "None"},
    {1, "WEP (40-bit)"},
    {2, "TKIP"},
    {3, "Reserved"},
    {4, "AES (CCM)"},
    {5, "WEP (104-bit)"},
    {6, "BIP"},
    {7, "Group addressed traffic not allowed"},
    {8, "GCMP"},
    {9, "GCMP-256"},
    {10, "CCMP-256"},
    {11, "BIP-GMAC-128"},
    {12, "BIP-GMAC-256"},
    {13, "BIP-CMAC-256"},
};

inline constexpr ValueText kIEEE80211AKMs[] = {
    {0, "Reserved"},
    {1, "802.1X"},
    {2, "PSK"},
    {3, "FT over IEEE 802.1X"},
    {4, "FT using PSK"},
    {5, "802.1X (SHA256)"},
    {6, "PSK (SHA256)"},
    {7, "TDLS / TPK Handshake"},
    {8, "SAE"},
    {9, "FT over SAE"},
    {10, "APPeerKey"},
    {11, "802.1X Suite B (SHA256)"},
    {12, "802.1X Suite B (SHA384)"},
    {13, "FT over IEEE 802.1X (SHA384)"},
    {14, "FILS (SHA256)"},
    {15, "FILS (SHA384)"},
    {16, "FT over FILS (SHA256)"},
    {17, "FT over FILS (SHA384)"},
    {18, "OWE"},
    {19, "FT using PSK (SHA384)"},
    {20, "PSK (SHA384)"},
};

// The pre-standard WPA element's own selectors (OUI 00-50-F2).
inline constexpr ValueText kWPACiphers[] = {
    {0, "None"}, {1, "WEP (40-bit)"}, {2, "TKIP"}, {3, "AES (OCB)"}, {4, "AES (CCM)"}, {5, "WEP (104-bit)"},
};
inline constexpr ValueText kWPAAKMs[] = {{0, "None"}, {1, "802.1X"}, {2, "PSK"}};

// ---- RSN capabilities (16-bit).

inline constexpr ValueText kReplayCounters[] = {
    {0, "1 replay counter"}, {1, "2 replay counters"}, {2, "4 replay counters"}, {3, "16 replay counters"},
};

inline constexpr FlagItem kRSNCapabilities[] = {
    flagBool(0x0001, "RSN Pre-Authentication Capabilities"),
    flagBool(0x0002, "RSN No Pairwise Capabilities", "STA cannot support WEP default key simultaneously with Pairwise key",
             "STA can support WEP default key simultaneously with Pairwise key"),
    flagValue(0x000C, "RSN PTKSA Replay Counter Capabilities", kReplayCounters),
    flagValue(0x0030, "RSN GTKSA Replay Counter Capabilities", kReplayCounters),
    flagBool(0x0040, "Management Frame Protection Required", "Yes", "No"),
    flagBool(0x0080, "Management Frame Protection Capable", "Yes", "No"),
    flagBool(0x0100, "Joint Multi-band RSNA"),
    flagBool(0x0200, "PeerKey Enabled", "Yes", "No"),
    flagBool(0x0400, "SPP A-MSDU Capable"),
    flagBool(0x0800, "SPP A-MSDU Required", "Yes", "No"),
    flagBool(0x1000, "PBAC"),
    flagBool(0x2000, "Extended Key ID for Individually Addressed Frames"),
    flagBool(0x4000, "OCVC"),
    flagReserved(0x8000),
};

// ---- RM Enabled Capabilities: five octets.

inline constexpr const char* kEnabled = "Enabled";
inline constexpr const char* kNotEnabled = "Not enabled";

constexpr FlagItem rmBool(quint32 mask, const char* description)
{
    return flagBool(mask, description, kEnabled, kNotEnabled);
}

inline constexpr FlagItem kRMOctet1[] = {
    rmBool(0x01, "Link Measurement"),
    rmBool(0x02, "Neighbor Report"),
    rmBool(0x04, "Parallel Measurements"),
    rmBool(0x08, "Repeated Measurements"),
    rmBool(0x10, "Beacon Passive Measurement"),
    rmBool(0x20, "Beacon Active Measurement"),
    rmBool(0x40, "Beacon Table Measurement"),
    rmBool(0x80, "Beacon Measurement Reporting Conditions"),
};
inline constexpr FlagItem kRMOctet2[] = {
    rmBool(0x01, "Frame Measurement"),
    rmBool(0x02, "Channel Load Measurement"),
    rmBool(0x04, "Noise Histogram Measurement"),
    rmBool(0x08, "Statistics Measurement"),
    rmBool(0x10, "LCI Measurement"),
    rmBool(0x20, "LCI Azimuth"),
    rmBool(0x40, "Transmit Stream/Category Measurement"),
    rmBool(0x80, "Triggered Transmit Stream/Category Measurement"),
};
inline constexpr FlagItem kRMOctet3[] = {
    rmBool(0x01, "AP Channel Report"),
    rmBool(0x02, "RM MIB"),
    flagDecimal(0x1C, "Operating Channel Max Measurement Duration"),
    flagDecimal(0xE0, "Non-operating Channel Max Measurement Duration"),
};
inline constexpr FlagItem kRMOctet4[] = {
    flagDecimal(0x07, "Measurement Pilot"),
    rmBool(0x08, "Measurement Pilot Transmission Information"),
    rmBool(0x10, "Neighbor Report TSF Offset"),
    rmBool(0x20, "RCPI Measurement"),
    rmBool(0x40, "RSNI Measurement"),
    rmBool(0x80, "BSS Average Access Delay"),
};
inline constexpr FlagItem kRMOctet5[] = {
    rmBool(0x01, "BSS Available Admission Capacity"),
    rmBool(0x02, "Antenna Information"),
    rmBool(0x04, "FTM Range Report"),
    rmBool(0x08, "Civic Location Measurement"),
    flagReserved(0xF0),
};
inline constexpr FlagItems kRMOctets[] = {kRMOctet1, kRMOctet2, kRMOctet3, kRMOctet4, kRMOctet5};

// ---- Interworking.

inline constexpr ValueText kAccessNetworkTypes[] = {
    {0, "Private Network"},
    {1, "Private Network with Guest Access"},
    {2, "Chargeable Public Network"},
    {3, "Free Public Network"},
    {4, "Personal Device Network"},
    {5, "Emergency Services Only Network"},
    {6, "Reserved"}, {7, "Reserved"}, {8, "Reserved"}, {9, "Reserved"},
    {10, "Reserved"}, {11, "Reserved"}, {12, "Reserved"}, {13, "Reserved"},
    {14, "Test or Experimental"},
    {15, "Wilcard"},
};

inline constexpr quint32 kInternetMask = 0x10;

inline constexpr FlagItem kAccessNetworkOptions[] = {
    flagValue(0x0F, "Access Network Type", kAccessNetworkTypes),
    flagBool(kInternetMask, "Internet", "Provides connectivity to the Internet", "Connectivity to the Internet is unspecified",
             "Provides Internet Connectivity"),
    flagBool(0x20, "ASRA", "Network requires a further step for access", "Does not require a further step for access"),
    flagBool(0x40, "ESR", "Emergency services are reachable through the AP", "Emergency services reachability is unspecified"),
    flagBool(0x80, "UESA", "Higher layer unauthenticated emergency services are reachable through the AP.",
             "No unauthenticated emergency services are reachable through the AP"),
};

inline constexpr ValueText kVenueGroups[] = {
    {0, "Unspecified"}, {1, "Assembly"}, {2, "Business"}, {3, "Educational"},
    {4, "Factory and Industrial"}, {5, "Institutional"}, {6, "Mercantile"}, {7, "Residential"},
    {8, "Storage"}, {9, "Utility and Miscellaneous"}, {10, "Vehicular"}, {11, "Outdoor"},
};

inline constexpr ValueText kVenueTypesUnspecified[] = {{0, "Unspecified"}};
inline constexpr ValueText kVenueTypesAssembly[] = {
    {0, "Unspecified Assembly"}, {1, "Arena"}, {2, "Stadium"}, {3, "Passenger Terminal"},
    {4, "Amphitheater"}, {5, "Amusement Park"}, {6, "Place of Workship"}, {7, "Convention Center"},
    {8, "Library"}, {9, "Museum"}, {10, "Restaurant"}, {11, "Theater"},
    {12, "Bar"}, {13, "Coffee Shop"}, {14, "Zoo or Aquarium"}, {15, "Emergency Coordination Center"},
};
// Code 5 is not assigned in this group.
inline constexpr ValueText kVenueTypesBusiness[] = {
    {0, "Unspecified Business"}, {1, "Doctor or Dentist Office"}, {2, "Bank"}, {3, "Fire Station"},
    {4, "Police Station"}, {6, "Post Office"}, {7, "Professional Office"},
    {8, "Research and Development Facility"}, {9, "Attorney Office"},
};
inline constexpr ValueText kVenueTypesEducational[] = {
    {0, "Unspecified Educational"}, {1, "School, Primary"}, {2, "School, Secondary"}, {3, "University or College"},
};
inline constexpr ValueText kVenueTypesFactory[] = {{0, "Unspeficied Factory and Industrial"}, {1, "Factory"}};
inline constexpr ValueText kVenueTypesInstitutional[] = {
    {0, "Unspecified Institutional"}, {1, "Hospital"}, {2, "Long-Term Care Facility"},
    {3, "Alcohol and Drug Re-habilitation Center"}, {4, "Group Home"}, {5, "Prison or Jail"},
};
inline constexpr ValueText kVenueTypesMercantile[] = {
    {0, "Unspecified Mercantile"}, {1, "Retail Store"}, {2, "Grocery Market"},
    {3, "Automotive Service Station"}, {4, "Shopping Mall"}, {5, "Gas Station"},
};
inline constexpr ValueText kVenueTypesResidential[] = {
    {0, "Unspecified Residential"}, {1, "Private Residence"}, {2, "Hotel or Motel"}, {3, "Dormitory"}, {4, "Boarding House"},
};
inline constexpr ValueText kVenueTypesStorage[] = {{0, "Unspecified Storage"}};
inline constexpr ValueText kVenueTypesUtility[] = {{0, "Unspecified Utility and Miscellaneous"}};
inline constexpr ValueText kVenueTypesVehicular[] = {
    {0, "Unspecified Vehicular"}, {1, "Automobile or Truck"}, {2, "Airplane"}, {3, "Bus"},
    {4, "Ferry"}, {5, "Ship or Boat"}, {6, "Train"}, {7, "Motor Bike"},
};
inline constexpr ValueText kVenueTypesOutdoor[] = {
    {0, "Unspecified Outdoor"}, {1, "Muni-mesh Network"}, {2, "City Park"}, {3, "Rest Area"},
    {4, "Traffic Control"}, {5, "Bus Stop"}, {6, "Kiosk"},
};

// Indexed by venue group.
inline constexpr ValueTable kVenueTypes[] = {
    kVenueTypesUnspecified, kVenueTypesAssembly, kVenueTypesBusiness, kVenueTypesEducational,
    kVenueTypesFactory, kVenueTypesInstitutional, kVenueTypesMercantile, kVenueTypesResidential,
    kVenueTypesStorage, kVenueTypesUtility, kVenueTypesVehicular, kVenueTypesOutdoor,
};

// ---- Mesh Configuration.

inline constexpr ValueText kPathSelectionProtocols[] = {
    {1, "Hybrid wireless mesh protocol (default)"}, {255, "Vendor specific path selection protocol"},
};
inline constexpr ValueText kPathSelectionMetrics[] = {
    {1, "Airtime link metric (default)"}, {255, "Vendor specific path selection metric"},
};
inline constexpr ValueText kCongestionControlModes[] = {
    {0, "Congestion control is not activated"},
    {1, "Congestion control signaling protocol"},
    {255, "Vendor specific congestion control protocol"},
};
inline constexpr ValueText kSynchronizationMethods[] = {
    {1, "Neighbor offset synchronization method (default)"}, {255, "Vendor specific synchronization method"},
};
inline constexpr ValueText kAuthenticationProtocols[] = {
    {0, "No authentication method is required"},
    {1, "Simultaneous Authentication of Equals (SAE)"},
    {2, "IEEE 802.1X"},
    {255, "Vendor specific authentication protocol"},
};

struct MeshIdentifier {
    const char* name;
    ValueTable table;
};
// Bytes 0 to 4, in order.
inline constexpr MeshIdentifier kMeshIdentifiers[] = {
    {"Path Selection Protocol", kPathSelectionProtocols},
    {"Path Selection Metric", kPathSelectionMetrics},
    {"Congestion Control Mode", kCongestionControlModes},
    {"Synchronization Method", kSynchronizationMethods},
    {"Authentication Protocol", kAuthenticationProtocols},
};

inline constexpr FlagItem kMeshFormationInfo[] = {
    flagBool(0x01, "Connected to Mesh Gate", "Yes", "No"),
    flagDecimal(0x7E, "Number of Peerings"),
    flagBool(0x80, "Connected to Authentication Server", "Yes", "No"),
};
inline constexpr FlagItem kMeshCapability[] = {
    flagBool(0x01, "Accepting Additional Mesh Peerings", "Yes", "No"),
    flagBool(0x02, "MCCA Supported", "Yes", "No"),
    flagBool(0x04, "MCCA Enabled", "Yes", "No"),
    flagBool(0x08, "Forwarding", "Yes", "No"),
    flagBool(0x10, "MBCA Enabled", "Yes", "No"),
    flagBool(0x20, "TBTT Adjusting", "Yes", "No"),
    flagBool(0x40, "Mesh Power Save Level", "At least one of the peer-specific mesh power modes is deep sleep mode",
             "None of the peer-specific mesh power modes is deep sleep mode"),
};

// ---- Extended Capabilities: the first nine octets.

inline constexpr FlagItem kExtCapOctet1[] = {
    flagBool(0x01, "20/40 BSS Coexistence Management Support"),
    flagBool(0x02, "General Link (GLK)"),
    flagBool(0x04, "Extended Channel Switching"),
    flagBool(0x08, "GLK-GCR"),
    flagBool(0x10, "PSMP Capability"),
    flagReserved(0x20),
    flagBool(0x40, "S-PSMP Support"),
    flagBool(0x80, "Event"),
};
inline constexpr FlagItem kExtCapOctet2[] = {
    flagBool(0x01, "Diagnostics"),
    flagBool(0x02, "Multicast Diagnostics"),
    flagBool(0x04, "Location Tracking"),
    flagBool(0x08, "FMS"),
    flagBool(0x10, "Proxy ARP Service"),
    flagBool(0x20, "Collocated Interference Reporting"),
    flagBool(0x40, "Civic Location"),
    flagBool(0x80, "Geospatial Location"),
};
inline constexpr FlagItem kExtCapOctet3[] = {
    flagBool(0x01, "TFS"),
    flagBool(0x02, "WNM-Speep Mode"),
    flagBool(0x04, "TIM Broadcast"),
    flagBool(0x08, "BSS Transition"),
    flagBool(0x10, "QoS Traffic Capability"),
    flagBool(0x20, "AC Station Count"),
    flagBool(0x40, "Multiple BSSID"),
    flagBool(0x80, "Timing Measurement"),
};
inline constexpr FlagItem kExtCapOctet4[] = {
    flagBool(0x01, "Channel Usage"),
    flagBool(0x02, "SSID List"),
    flagBool(0x04, "DMS"),
    flagBool(0x08, "UTC TSF Offset"),
    flagBool(0x10, "Peer U-APSD Buffer STA Support"),
    flagBool(0x20, "TDLS Peer PSM Support"),
    flagBool(0x40, "TDLS Channel Switching"),
    flagBool(0x80, "Interworking"),
};
inline constexpr FlagItem kExtCapOctet5[] = {
    flagBool(0x01, "QoS Map"),
    flagBool(0x02, "EBR"),
    flagBool(0x04, "SSPN Interface"),
    flagReserved(0x08),
    flagBool(0x10, "MSGCF Capability"),
    flagBool(0x20, "TDLS Support"),
    flagBool(0x40, "TDLS Prohibited"),
    flagBool(0x80, "TDLS Channel Switching Prohibited"),
};
inline constexpr ValueText kServiceIntervalGranularity[] = {
    {0, "5 ms"}, {1, "10 ms"}, {2, "15 ms"}, {3, "20 ms"}, {4, "25 ms"}, {5, "30 ms"}, {6, "35 ms"}, {7, "40 ms"},
};
inline constexpr FlagItem kExtCapOctet6[] = {
    flagBool(0x01, "Rejected Unadmitted Frame"),
    flagValue(0x0E, "Service Interval Granularity", kServiceIntervalGranularity),
    flagBool(0x10, "Identifier Location"),
    flagBool(0x20, "U-APSD Coexistence"),
    flagBool(0x40, "WNM-Notification"),
    flagReserved(0x80),
};
inline constexpr FlagItem kExtCapOctet7[] = {
    flagBool(0x01, "UTF-8 SSID", "SSID is interpreted using UTF-8 encoding", "SSID is not interpreted using UTF-8 encoding"),
    flagBool(0x02, "QMFActivated"),
    flagBool(0x04, "QMFReconfigurationActivated"),
    flagBool(0x08, "Robust AV Streaming"),
    flagBool(0x10, "Advanced GCR"),
    flagBool(0x20, "Mesh GCR"),
    flagBool(0x40, "SCS"),
    flagBool(0x80, "QLoad Report"),
};
inline constexpr FlagItem kExtCapOctet8[] = {
    flagBool(0x01, "Alternate EDCA"),
    flagBool(0x02, "Unprotected TXOP Negotiation"),
    flagBool(0x04, "Protected TXOP Negotiation"),
    flagReserved(0x08),
    flagBool(0x10, "Protected QLoad Report"),
    flagBool(0x20, "TDLS Wider Bandwidth"),
    flagBool(0x40, "Operating Mode Notification"),
    flagPattern(0x80, "Max Number of MSDUs in A-MSDU (bit63)"),
};
inline constexpr FlagItem kExtCapOctet9[] = {
    flagPattern(0x01, "Max Number of MSDUs in A-MSDU (bit64)"),
    flagBool(0x02, "Channel Schedule Management"),
    flagBool(0x04, "Geodatabase Inband Enabling Signal"),
    flagBool(0x08, "Network Channel Control"),
    flagBool(0x10, "White Space Map"),
    flagBool(0x20, "Channel Availability Query"),
    flagBool(0x40, "Fine Timing Measurement Responder"),
    flagBool(0x80, "Fine Timing Measurement Initiator"),
};
inline constexpr FlagItems kExtCapOctets[] = {
    kExtCapOctet1, kExtCapOctet2, kExtCapOctet3, kExtCapOctet4, kExtCapOctet5,
    kExtCapOctet6, kExtCapOctet7, kExtCapOctet8, kExtCapOctet9,
};

} // namespace sv::elements::security
