#pragma once

// Flag words and value texts of the HT and VHT elements, read by
// ElementDecodersHT.cpp. One row per bit field, from bit 0.

#include "elements/SVField.h"

namespace sv::elements::ht {

// ---- HT Capabilities

// Capability bits the record's digest reads too.
enum CapabilityBit : quint32 {
    kHTChannelWidth40 = 0x0002,
    kHTShortGI20 = 0x0020,
    kHTShortGI40 = 0x0040,
    kVHTShortGI80 = 0x20,
    kVHTShortGI160 = 0x40,
};

inline constexpr ValueText kSMPowerSave[] = {
    {0, "Static SM Power Save mode"}, {1, "Dynamic SM Power Save Mode"}, {3, "SM Power Save mode disabled"},
};
inline constexpr ValueText kHTRxSTBC[] = {
    {0, "Disabled"},
    {1, "Supported for one spatial stream"},
    {2, "Supported for two spatial streams"},
    {3, "Supported for three spatial streams"},
};

inline constexpr FlagItem kHTCapabilitiesInfo[] = {
    flagBool(0x0001, "LDPC Coding Capability", "STA is capable of receiving LDPC-coded packets",
             "STA is not capable of receiving LDPC-coded packets"),
    flagBool(kHTChannelWidth40, "Supported Channel Width Set", "STA supports both 20 MHz and 40 MHz channels",
             "STA supports only 20 MHz channels"),
    flagValue(0x000C, "SM Power Save", kSMPowerSave),
    flagBool(0x0010, "HT Greenfield", "STA is capable of receiving HT Greenfield PPDUs",
             "STA is not capable of receiving HT Greenfield PPDUs"),
    flagBool(kHTShortGI20, "Short GI for 20 MHz"),
    flagBool(kHTShortGI40, "Short GI for 40 MHz"),
    flagBool(0x0080, "Tx STBC", "Enabled", "Disabled"),
    flagValue(0x0300, "Rx STBC", kHTRxSTBC),
    flagBool(0x0400, "HT Delayed Block ACK"),
    flagBool(0x0800, "Maximum A-MSDU Length", "7935 bytes", "3839 bytes"),
    flagBool(0x1000, "DSSS/CCK Mode in 40 MHz"),
    flagBool(0x2000, "PSMP"),
    flagBool(0x4000, "Forty MHz Intolerant", "Use of 40 MHz transmissions restricted/disallowed",
             "Use of 40 MHz transmissions unrestricted/allowed"),
    flagBool(0x8000, "L-SIG TXOP Protection Support"),
};

inline constexpr ValueText kAMPDUSizes[] = {
    {0, "Maximum A-MPDU size is 8K"},    {1, "Maximum A-MPDU size is 16K"},  {2, "Maximum A-MPDU size is 32K"},
    {3, "Maximum A-MPDU size is 64K"},   {4, "Maximum A-MPDU size is 128K"}, {5, "Maximum A-MPDU size is 256K"},
    {6, "Maximum A-MPDU size is 512K"},  {7, "Maximum A-MPDU size is 1024K"},
};
// The HT field has two bits: only the first four rows apply.
inline constexpr ValueTable kHTAMPDUSizes = ValueTable(kAMPDUSizes).first(4);

inline constexpr ValueText kMPDUStartSpacing[] = {
    {0, "No restriction"}, {1, "1/4 usec"}, {2, "1/2 usec"}, {3, "1 usec"},
    {4, "2 usec"},         {5, "4 usec"},   {6, "8 usec"},   {7, "16 usec"},
};

inline constexpr FlagItem kAMPDUParameters[] = {
    flagValue(0x03, "Maximum A-MPDU Length Exponent", kHTAMPDUSizes),
    flagValue(0x1C, "Minimum MPDU Start Spacing", kMPDUStartSpacing),
    flagReserved(0xE0),
};

inline constexpr ValueText kPCOTransitionTimes[] = {
    {0, "No transition"}, {1, "400 usec"}, {2, "1.5 msec"}, {3, "5 msec"},
};
inline constexpr ValueText kMCSFeedback[] = {
    {0, "STA does not provide MCS feedback"},
    {1, "Reserved"},
    {2, "STA provides only unsolicited MCS feedback"},
    {3, "STA can provide unsolicited feedback and respond to an MRQ"},
};

inline constexpr FlagItem kHTExtendedCapabilities[] = {
    flagBool(0x0001, "PCO"),
    flagValue(0x0006, "PCO Transition Time", kPCOTransitionTimes),
    flagValue(0x0300, "MCS Feedback", kMCSFeedback),
    flagBool(0x0400, "+HTC Support", "Yes", "No"),
    flagBool(0x0800, "RD (Reverse Direction) Responder"),
};

inline constexpr ValueText kBFFeedback[] = {
    {0, "Not supported"},
    {1, "Delayed feedback capable"},
    {2, "Immediate feedback capable"},
    {3, "Delayed and immediate feedback capable"},
};
inline constexpr ValueText kBFAntennas[] = {
    {0, "1 Tx antenna"}, {1, "2 Tx antennas"}, {2, "3 Tx antennas"}, {3, "4 Tx antennas"},
};
inline constexpr ValueText kCalibration[] = {
    {0, "Not capable"},
    {1, "Limited involvement, cannot initiate"},
    {2, "Limited involvement, can initiate"},
    {3, "Fully capable"},
};
inline constexpr ValueText kMinimalGrouping[] = {
    {0, "No grouping supported"},
    {1, "Groups of 1 or 2 supported"},
    {2, "Groups of 1 or 4 supported"},
    {3, "Groups of 1, 2 or 4 supported"},
};
inline constexpr ValueText kCSIRows[] = {
    {0, "1 CSI row"}, {1, "2 CSI rows"}, {2, "3 CSI rows"}, {3, "4 CSI rows"},
};
inline constexpr ValueText kSpaceTimeStreams[] = {
    {0, "1 space-time stream"}, {1, "2 space-time streams"}, {2, "3 space-time streams"}, {3, "4 space-time streams"},
};

inline constexpr FlagItem kTxBFCapabilities[] = {
    flagBool(0x1, "Implicit TxBF Receiving"),
    flagBool(0x2, "Receive Staggered Sounding"),
    flagBool(0x4, "Transmit Staggered Sounding"),
    flagBool(0x8, "Receive NDP (Null Data Packet)"),
    flagBool(0x10, "Transmit NDP (Null Data Packet)"),
    flagBool(0x20, "Implicit TxBF"),
    flagValue(0xC0, "Calibration", kCalibration),
    flagBool(0x100, "Explicit CSI TxBF"),
    flagBool(0x200, "Explicit Noncompressed Steering"),
    flagBool(0x400, "Explicit Compressed Steering"),
    flagValue(0x1800, "Explicit TxBF CSI Feedback", kBFFeedback),
    flagValue(0x6000, "Explicit Noncompressed BF Feedback", kBFFeedback),
    flagValue(0x18000, "Explicit Compressed BF Feedback", kBFFeedback),
    flagValue(0x60000, "Minimal Grouping", kMinimalGrouping),
    flagValue(0x180000, "CSI Number of BF Antennas Supported", kBFAntennas),
    flagValue(0x600000, "Noncompressed Steering Number of BF Antennas Supported", kBFAntennas),
    flagValue(0x1800000, "Compressed Steering Number of BF Antennas Supported", kBFAntennas),
    flagValue(0x6000000, "CSI Max Number of Rows Beamformer Supported", kCSIRows),
    flagValue(0x18000000, "Channel Estimation", kSpaceTimeStreams),
    flagReserved(0xE0000000),
};

inline constexpr FlagItem kASELCapabilities[] = {
    flagBool(0x01, "Antenna Selection"),
    flagBool(0x02, "Explicit CSI Feedback Based Tx ASEL"),
    flagBool(0x04, "Antenna Indices Feedback Based Tx ASEL"),
    flagBool(0x08, "Explicit CSI Feedback"),
    flagBool(0x10, "Antenna Indices Feedback"),
    flagBool(0x20, "Rx ASEL"),
    flagBool(0x40, "Tx Sounding PPDUs"),
    flagReserved(0x80),
};

// ---- HT MCS set

inline constexpr const char* kSpatialStreamRows[] = {
    "One Spatial Stream", "Two Spatial Streams", "Three Spatial Streams", "Four Spatial Streams",
};
inline constexpr const char* kRxBitmaskRows[] = {
    "Rx MCS Bitmask Bits 0-7", "Rx MCS Bitmask Bits 8-15", "Rx MCS Bitmask Bits 16-23", "Rx MCS Bitmask Bits 24-31",
};
inline constexpr const char* kMCSModulations[] = {
    "BPSK 1/2", "QPSK 1/2", "QPSK 3/4", "16-QAM 1/2", "16-QAM 3/4", "64-QAM 2/3", "64-QAM 3/4", "64-QAM 5/6",
};
inline constexpr ValueText kStreams[] = {
    {0, "1 spatial stream"}, {1, "2 spatial streams"}, {2, "3 spatial streams"}, {3, "4 spatial streams"},
    {4, "Tx MCS set not defined"},
};
inline constexpr quint32 kStreamsNotDefined = 4;
inline constexpr quint32 kNoStreams = 8;

// Tx flags of the MCS set; "Tx Maximum Number of Spatial Streams Supported"
// (mask 0x0C) sits between the second and third rows and is built by hand.
inline constexpr FlagItem kMCSTxFlagsLow[] = {
    flagBool(0x01, "Tx MCS Set Defined", "Defined", "Not defined"),
    flagBool(0x02, "Tx Rx MCS Not Equal", "Not Equal", "Equal"),
};
inline constexpr FlagItem kMCSTxFlagsHigh[] = {
    flagBool(0x10, "Tx Unequal Modulation Supported"),
};

// ---- HT Operation

inline constexpr ValueText kSecondaryChannelOffsets[] = {
    {0, "No secondary channel (20 MHz BSS)"},
    {1, "Secondary channel is above primary channel"},
    {2, "Reserved"},
    {3, "Secondary channel is below primary channel"},
};
inline constexpr ValueText kSTAChannelWidths[] = {
    {0, "20 MHz channel width only"}, {1, "Channel of any width supported"},
};
inline constexpr ValueText kServiceIntervals[] = {
    {0, "5 ms"}, {1, "10 ms"}, {2, "15 ms"}, {3, "20 ms"}, {4, "25 ms"}, {5, "30 ms"}, {6, "35 ms"}, {7, "40 ms"},
};

inline constexpr FlagItem kHTOperationSubset1[] = {
    flagValue(0x03, "Secondary Channel Offset", kSecondaryChannelOffsets),
    flagValue(0x04, "STA Channel Width", kSTAChannelWidths),
    flagBool(0x08, "Reduced Interframe Spacing (RIFS) Mode", "Permitted", "Prohibited"),
    flagBool(0x10, "Power Save Multi-Poll (PSMP) Stations Only",
             "Association requests accepted only from PSMP capable STA",
             "Association requests accepted regardless of PSMP capability"),
    flagValue(0xE0, "Shortest Service Interval", kServiceIntervals),
};

inline constexpr ValueText kHTProtection[] = {
    {0, "Greenfield Mode (No Protection)"},
    {1, "Non Member Protection Mode"},
    {2, "20 MHz Protection Mode"},
    {3, "Non-HT Mixed Protection Mode"},
};

// Bits 5-12 carry the third channel centre of a 160 or 80+80 MHz BSS.
inline constexpr FlagItem kHTOperationSubset2[] = {
    flagValue(0x0003, "HT Protection", kHTProtection),
    flagBool(0x0004, "Non-Greenfield HT STAs Present", "One or more associated STAs are not greenfield capable",
             "All associated STAs are greenfield capable"),
    flagBool(0x0008, "Transmit Burst Limit", "6.16 ms for 2.4 GHz, all other bands 3.08 ms", "No limit"),
    flagBool(0x0010, "OBSS Non-HT STAs Present", "Use of protection for non-HT STAs by overlapping BSSs is needed",
             "Use of protection for non-HT STAs by overlapping BSSs is not needed"),
    flagDecimal(0x1FE0, "Channel Center Frequency Segment 2"),
    flagReserved(0xE000),
};

inline constexpr FlagItem kHTOperationSubset3[] = {
    flagReserved(0x003F),
    flagBool(0x0040, "Dual Beacon", "Yes", "No"),
    flagBool(0x0080, "Dual Clear-to-Send (CTS) Protection", "Required", "Not required"),
    flagBool(0x0100, "STBC Beacon", "Secondary", "Primary"),
    flagBool(0x0200, "L-SIG TXOP Protection Full Support", "All HT STAs in the BSS support L-SIG TXOP protection",
             "One or more HT STAs in the BSS do not support L-SIG TXOP protection"),
    flagBool(0x0400, "Phased Coexistence Operation (PCO) Active", "Set", "Not set"),
    flagBool(0x0800, "Phased Coexistence Operation (PCO) Phase", "Switch to or continue 40 MHz phase",
             "Switch to or continue 20 MHz phase"),
    flagReserved(0xF000),
};

// ---- VHT Capabilities

inline constexpr ValueText kMaximumMPDULengths[] = {
    {0, "3895 bytes"}, {1, "7991 bytes"}, {2, "11454 bytes"}, {3, "Reserved"},
};
inline constexpr ValueText kVHTChannelWidthSets[] = {
    {0, "Neither 160 nor 80+80 MHz supported"},
    {1, "160 MHz supported"},
    {2, "160 and 80+80 MHz supported"},
    {3, "Reserved"},
};
inline constexpr ValueText kVHTRxSTBC[] = {
    {0, "Not supported"},
    {1, "1 spatial stream supported"},
    {2, "1 to 2 spatial streams supported"},
    {3, "1 to 3 spatial streams supported"},
    {4, "1 to 4 spatial streams supported"},
    {5, "Reserved"},
    {6, "Reserved"},
    {7, "Reserved"},
};
inline constexpr ValueText kOneToEight[] = {
    {0, "1"}, {1, "2"}, {2, "3"}, {3, "4"}, {4, "5"}, {5, "6"}, {6, "7"}, {7, "8"},
};
inline constexpr ValueText kVHTLinkAdaptation[] = {
    {0, "No feedback"},
    {1, "Reserved (logically only solicited feedback)"},
    {2, "Unsolicited feedback only"},
    {3, "Can provide unsolicited feedback and respond to VHT MRQ"},
};

// Bits 30-31 widen the channel-width set for stations with fewer streams at
// 160 and 80+80 MHz; their meaning depends on the width set, so the raw value.
inline constexpr FlagItem kVHTCapabilitiesInfo[] = {
    flagValue(0x3, "Maximum MPDU Length", kMaximumMPDULengths),
    flagValue(0xC, "Supported Channel Width Set", kVHTChannelWidthSets),
    flagBool(0x10, "Rx LDPC"),
    flagBool(kVHTShortGI80, "Short GI for 80 MHz"),
    flagBool(kVHTShortGI160, "Short GI for 160 MHz and 80+80 MHz"),
    flagBool(0x80, "Tx STBC"),
    flagValue(0x700, "Rx STBC", kVHTRxSTBC),
    flagBool(0x800, "Single User (SU) Beamformer Capable", "Yes", "No"),
    flagBool(0x1000, "Single User (SU) Beamformee Capable", "Yes", "No"),
    flagValue(0xE000, "Compressed Steering Number of Beamforming Antennas Supported", kOneToEight),
    flagValue(0x70000, "Number of Sounding Dimensions", kOneToEight),
    flagBool(0x80000, "Multi User (MU) Beamformer Capable", "Yes", "No"),
    flagBool(0x100000, "Multi User (MU) Beamformee Capable", "Yes", "No"),
    flagBool(0x200000, "VHT TxOP Power-Save"),
    flagBool(0x400000, "+HTC-VHT Capable", "Yes", "No"),
    flagValue(0x3800000, "Max A-MPDU Length Exponent", kAMPDUSizes),
    flagValue(0xC000000, "VHT Link Adaptation", kVHTLinkAdaptation),
    flagBool(0x10000000, "Rx Antenna Pattern Consistency"),
    flagBool(0x20000000, "Tx Antenna Pattern Consistency"),
    flagDecimal(0xC0000000, "Extended NSS BW Support"),
};

inline constexpr ValueText kVHTMCSMap[] = {
    {0, "MCS 0-7"}, {1, "MCS 0-8"}, {2, "MCS 0-9"}, {3, "Not supported"},
};
inline constexpr quint32 kMCSMapNotSupported = 3;

inline constexpr FlagItem kVHTRxMCSMap[] = {
    flagValue(0x0003, "Rx 1 SS", kVHTMCSMap), flagValue(0x000C, "Rx 2 SS", kVHTMCSMap),
    flagValue(0x0030, "Rx 3 SS", kVHTMCSMap), flagValue(0x00C0, "Rx 4 SS", kVHTMCSMap),
    flagValue(0x0300, "Rx 5 SS", kVHTMCSMap), flagValue(0x0C00, "Rx 6 SS", kVHTMCSMap),
    flagValue(0x3000, "Rx 7 SS", kVHTMCSMap), flagValue(0xC000, "Rx 8 SS", kVHTMCSMap),
};
inline constexpr FlagItem kVHTTxMCSMap[] = {
    flagValue(0x0003, "Tx 1 SS", kVHTMCSMap), flagValue(0x000C, "Tx 2 SS", kVHTMCSMap),
    flagValue(0x0030, "Tx 3 SS", kVHTMCSMap), flagValue(0x00C0, "Tx 4 SS", kVHTMCSMap),
    flagValue(0x0300, "Tx 5 SS", kVHTMCSMap), flagValue(0x0C00, "Tx 6 SS", kVHTMCSMap),
    flagValue(0x3000, "Tx 7 SS", kVHTMCSMap), flagValue(0xC000, "Tx 8 SS", kVHTMCSMap),
};
inline constexpr FlagItem kVHTRxHighestRate[] = {
    flagDecimal(0x1FFF, "Rx Highest Long GI Data Rate (Mbps)"),
};
// Bit 13 of the Tx rate word tells whether the station reads bits 30-31 of
// the capabilities info as extended NSS support.
inline constexpr FlagItem kVHTTxHighestRate[] = {
    flagDecimal(0x1FFF, "Tx Highest Long GI Data Rate (Mbps)"),
    flagBool(0x2000, "VHT Extended NSS BW Capable", "Yes", "No"),
};

// ---- VHT Operation

inline constexpr ValueText kVHTChannelWidths[] = {
    {0, "20 MHz or 40 MHz"}, {1, "80 MHz"}, {2, "160 MHz"}, {3, "80+80 MHz"},
};

inline constexpr FlagItem kVHTBasicMCSSet[] = {
    flagValue(0x0003, "MCS Support 1 SS", kVHTMCSMap), flagValue(0x000C, "MCS Support 2 SS", kVHTMCSMap),
    flagValue(0x0030, "MCS Support 3 SS", kVHTMCSMap), flagValue(0x00C0, "MCS Support 4 SS", kVHTMCSMap),
    flagValue(0x0300, "MCS Support 5 SS", kVHTMCSMap), flagValue(0x0C00, "MCS Support 6 SS", kVHTMCSMap),
    flagValue(0x3000, "MCS Support 7 SS", kVHTMCSMap), flagValue(0xC000, "MCS Support 8 SS", kVHTMCSMap),
};

// ---- VHT Transmit Power Envelope

inline constexpr FlagItem kTransmitPowerInformation[] = {
    flagDecimal(0x07, "Local Maximum Transmit Power Count"),
    flagBool(0x38, "Local Maximum Transmit Power Unit Interpretation", "Reserved", "EIRP"),
    flagReserved(0xC0),
};
inline constexpr const char* kTransmitPowerWidths[] = {
    "Local Maximum Transmit Power for 20 MHz",
    "Local Maximum Transmit Power for 40 MHz",
    "Local Maximum Transmit Power for 80 MHz",
    "Local Maximum Transmit Power for 160/80+80 MHz",
};

} // namespace sv::elements::ht
