#pragma once

// Value texts and flag words of the basic beacon elements, read by
// ElementDecodersBasic.cpp. Kept as data so each row can be checked by eye.

#include "elements/SVField.h"

namespace sv::elements::basic {

// Supported rates: rate in half-megabits -> modulation class.
inline constexpr ValueText kRateClasses[] = {
    {2, "DSSS"},     {4, "DSSS"},     {11, "HR-DSSS"}, {22, "HR-DSSS"}, {44, "PBCC"},  {66, "PBCC"},
    {12, "OFDM"},    {18, "OFDM"},    {24, "OFDM"},    {36, "OFDM"},    {48, "OFDM"},  {72, "OFDM"},
    {96, "OFDM"},    {108, "OFDM"},
};

// A rate byte with the basic bit whose low seven bits are one of these is a
// BSS membership selector, not a rate.
inline constexpr ValueText kMembershipSelectors[] = {
    {127, "HT PHY"}, {126, "VHT PHY"}, {125, "GLK"}, {124, "EPD"}, {123, "SAE Hash to Element Only"},
    {122, "HE PHY"},
};

constexpr bool isMembershipSelector(quint8 rateByte)
{
    if (!(rateByte & 0x80))
        return false;
    for (const ValueText& row : kMembershipSelectors)
        if (row.value == quint32(rateByte & 0x7F))
            return true;
    return false;
}

// Third byte of the country string.
inline constexpr ValueText kCountryEnvironments[] = {
    {'O', "Outdoor Only"}, {'I', "Indoor Only"}, {' ', "Any"}, {'X', "Non-Country Entity"},
    // The number of the operating-class table in use.
    {1, "United States Operating Classes"}, {2, "Europe Operating Classes"}, {3, "Japan Operating Classes"},
    {4, "Global Operating Classes"}, {5, "China Operating Classes"},
};

// A triplet whose first byte is at least this is an operating triplet
// (extension identifier, operating class, coverage class), not channels.
inline constexpr quint8 kFirstOperatingExtension = 201;

inline constexpr FlagItem kERPFlags[] = {
    flagBool(0x01, "Non ERP Present", "A non-ERP station is associated to the BSS", "Not set", "Non-ERP Stations Present"),
    flagBool(0x02, "Use Protection", "Set", "Not set", "Use Protection Set"),
    flagBool(0x04, "Barker Preamble Mode",
             "At least one associated non-ERP station is not capable of using short preambles", "Not set",
             "Barker Preamble Mode Set"),
    flagReserved(0xF8),
};

inline constexpr FlagItem kBitmapControl[] = {
    flagPattern(0x01, "Multicast"),
    flagPattern(0xFE, "Bitmap Offset"),
};

inline constexpr FlagItem kFTCapabilityAndPolicy[] = {
    flagBool(0x01, "Fast BSS Transition over DS", "Over-the-DS Fast BSS Transition", "Over-the-Air Fast BSS Transition"),
    flagPattern(0x02, "Resource Request Protocol Capability"),
};

inline constexpr ValueText kSecondaryChannelOffsets[] = {
    {0, "No secondary channel (20 MHz BSS)"},
    {1, "Secondary channel is above primary channel"},
    {2, "Reserved"},
    {3, "Secondary channel is below primary channel"},
};

inline constexpr ValueText kTimingCapabilities[] = {
    {0, "No standardized external time source"},
    {1, "Timestamp offset based on UTC"},
    {2, "UTC time at which the TSF timer is 0"},
};

} // namespace sv::elements::basic
