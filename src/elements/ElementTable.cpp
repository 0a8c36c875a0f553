#include "elements/ElementDecoders.h"
#include "elements/ElementDecodersSecurity.h"

#include <array>

namespace sv::elements {

namespace {

struct ElementRow {
    unsigned id;
    ElementKind kind;
};

// Element ID -> name, help text, fixed part (body bytes), decoder.
// A body shorter than the fixed part is shown by decodeGeneric.
constexpr ElementRow kElementRows[] = {
    {0, {"Service Set Identifier", "Identifies the service set identifier (SSID) or network name.", 0, decodeSSID}},
    {1, {"Supported Rates", "Identifies the supported and basic (mandatory) data rates.", 1, decodeSupportedRates}},
    {2, {"FH Parameter Set", "Identifies the necessary parameters to join a frequency-hopping (FH) 802.11 network.", 1, decodeGeneric}},
    {3, {"DS Parameter Set", "Identifies the current channel number used by a direct-sequence (DS) 802.11 network.", 1, decodeDSParameter}},
    {4, {"CF Parameter Set", "Identifies the contention-free (CF) options supported by the BSS.", 1, decodeGeneric}},
    {5, {"Traffic Indication Map", "Identifies which sleeping stations have buffered traffic waiting to be picked up.", 3, decodeTIM}},
    {6, {"IBSS Parameter Set", "Identifies the number of time units (TUs) between ATIM frames in an IBSS.", 2, decodeIBSSParameter}},
    {7, {"Country Information", "Identifies the constraints of the regulatory domain in which the BSS is located.", 3, decodeCountry}},
    {8, {"Hopping Pattern Parameters", nullptr, 1, decodeGeneric}},
    {9, {"Hopping Pattern Table", nullptr, 1, decodeGeneric}},
    {10, {"Request", "Identifies requested information elements.", 1, decodeGeneric}},
    {11, {"QBSS Load", "Identifies information on the cell load from the AP point of view.", 5, decodeBSSLoad}},
    {12, {"EDCA Parameter Set", "Identifies information needed by STAs for proper operation of the QoS capabilities.", 1, decodeGeneric}},
    {13, {"Traffic Specification", nullptr, 1, decodeGeneric}},
    {14, {"Traffic Classification", nullptr, 1, decodeGeneric}},
    {15, {"Schedule", nullptr, 1, decodeGeneric}},
    {16, {"Challenge Text", nullptr, 1, decodeGeneric}},
    {32, {"Power Constraint", "Identifies the maximum transmit power to stations.", 1, decodePowerConstraint}},
    {33, {"Power Capability", "Identifies the station's minimum and maximum transmit power.", 2, decodePowerCapability}},
    {34, {"TPC Request", "Identifies a request for radio link management information.", 1, decodeGeneric}},
    {35, {"TPC Report", "Identifies the transmit power and link margin parameters used by stations to adapt its transmission power.", 2, decodeTPCReport}},
    {36, {"Supported Channels", "Identifies supported sub-bands.", 1, decodeGeneric}},
    {37, {"Channel Switch Announcement", "Identifies an impending channel change.", 3, decodeChannelSwitchAnnouncement}},
    {38, {"Measurement Request", nullptr, 1, decodeGeneric}},
    {39, {"Measurement Response", nullptr, 1, decodeGeneric}},
    {40, {"Quiet", "Identifies quiet periods to improve quality of measurements for radar detection.", 1, decodeGeneric}},
    {41, {"IBSS DFS", "Identifies the station responsible for maintaining DFS information in an IBSS.", 1, decodeGeneric}},
    {42, {"ERP Information", "Identifies whether stations should use protection mechanisms when other non-802.11g stations join the network.", 1, decodeERPInformation}},
    {43, {"TS Delay", nullptr, 1, decodeGeneric}},
    {44, {"TCLAS Processing", nullptr, 1, decodeGeneric}},
    {45, {"HT Capabilities", "Identifies capabilities for High Throughput (HT, 802.11n) operation.", 26, decodeHTCapabilities}},
    {46, {"QoS Capability", nullptr, 1, decodeGeneric}},
    {47, {"ERP Information", "Identifies whether stations should use protection mechanisms when other non-802.11g stations join the network.", 1, decodeERPInformation}},
    {48, {"RSN Information", "Identifies the RSN parameters for establishing secure communications over an 802.11 network.", 8, decodeRSN}},
    {50, {"Extended Supported Rates", "Identifies additional supported and basic (mandatory) data rates.", 1, decodeSupportedRates}},
    {51, {"AP Channel Report", "Identifies a list of channels where a station is likely to find an AP.", 1, decodeAPChannelReport}},
    {52, {"Neighbor Report", "Identifies neighboring APs", 1, decodeGeneric}},
    {53, {"RCPI", nullptr, 1, decodeGeneric}},
    {54, {"Mobility Domain", "Identifies the existence of a mobility domain and the method of fast BSS transition.", 3, decodeMobilityDomain}},
    {55, {"Fast BSS Transition", nullptr, 1, decodeGeneric}},
    {56, {"Timeout Interval", nullptr, 1, decodeGeneric}},
    {57, {"RIC Data", nullptr, 1, decodeGeneric}},
    {58, {"DSE Registered Location", nullptr, 1, decodeGeneric}},
    {60, {"Extended Channel Switch Announcement", nullptr, 1, decodeGeneric}},
    {61, {"HT Operation", "Identifies operational parameters of an HT station within a BSS.", 22, decodeHTOperation}},
    {62, {"Seconday Channel Offset", "Identifies position of the secondary channel relative to the primary channel.", 1, decodeSecondaryChannelOffset}},
    {63, {"BSS Average Access Delay", nullptr, 1, decodeGeneric}},
    {64, {"Antenna", nullptr, 1, decodeGeneric}},
    {65, {"RSNI", nullptr, 1, decodeGeneric}},
    {66, {"Measurement Pilot Transmission", nullptr, 1, decodeGeneric}},
    {67, {"BSS Available Admission Capacity", nullptr, 1, decodeGeneric}},
    {69, {"Time Advertisement", nullptr, 1, decodeTimeAdvertisement}},
    {70, {"RM Enabled Capabilities", "Identifies support for radio measurements.", 5, decodeRMEnabledCapabilities}},
    {71, {"Multiple BSSID", nullptr, 1, decodeMultipleBSSID}},
    {72, {"20/40 BSS Coexistence", nullptr, 1, decodeGeneric}},
    {73, {"20/40 BSS Intolerant Channel Report", nullptr, 1, decodeGeneric}},
    {74, {"Overlapping BSS Scan Parameters", "Identifies values to be used by BSS members when performing overlapping BSS scan operations.", 1, decodeGeneric}},
    {107, {"Interworking", "Identifies interworking service capabilities of a station.", 1, decodeInterworking}},
    {108, {"Advertisement Protocol", "Identifies a particular advertisement protocol and its corresponding Advertisement Control.", 1, decodeGeneric}},
    {111, {"Roaming Consortium", nullptr, 2, decodeRoamingConsortium}},
    // Decoded at exactly 7 bytes; the decoder shows any other length as data.
    {113, {"Mesh Configuration", "Identifies the mesh capabilities of the local mesh station.", 7, decodeMeshConfiguration}},
    {114, {"Mesh ID", "Identifies the MBSS.", 1, decodeMeshID}},
    {127, {"Extended Capabilities", "Identifies additional station capabilities.", 1, decodeExtendedCapabilities}},
    {133, {"Cisco CCX1 CKIP + Device Name", "Identifies proprietary Cisco Client eXtension (CCX) information.", 30, decodeCiscoCCX1CKIP}},
    {136, {"Cisco CCX2", nullptr, 1, decodeGeneric}},
    {144, {"Extended Schedule", nullptr, 1, decodeGeneric}},
    {149, {"Cisco Unknown 95", nullptr, 1, decodeGeneric}},
    {150, {"Cisco Vendor Specific", nullptr, 4, decodeVendorSpecific}},
    {173, {"Symbol Proprietary", nullptr, 1, decodeGeneric}},
    {191, {"VHT Capabilities", "Identifies capabilities for Very High Throughput (VHT, 802.11ac) operation.", 12, decodeVHTCapabilities}},
    {192, {"VHT Operation", "Identifies additional VHT operational parameters.", 5, decodeVHTOperation}},
    {195, {"VHT Transmit Power Envelope", "Identifies transmission power limits for available channel bandwidths.", 1, decodeVHTTransmitPowerEnvelope}},
    // Named from its OUI (SVInfoElement::ieName).
    {221, {nullptr, nullptr, 4, decodeVendorSpecific}},
};

constexpr std::array<ElementKind, 256> makeKinds()
{
    std::array<ElementKind, 256> kinds{};
    for (ElementKind& kind : kinds)
        kind = {nullptr, nullptr, 1, decodeGeneric};
    for (const ElementRow& row : kElementRows)
        kinds[row.id] = row.kind;
    return kinds;
}

constexpr std::array<ElementKind, 256> kKinds = makeKinds();

} // namespace

const ElementKind& elementKind(unsigned id)
{
    static const ElementKind unknown{nullptr, nullptr, 1, decodeGeneric};
    return id < kKinds.size() ? kKinds[id] : unknown;
}

void decodeGeneric(ElementDecoding& d)
{
    d.add(entryWithName(QStringLiteral("Data"), d.body.hex()));
}

} // namespace sv::elements
