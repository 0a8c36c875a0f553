#include "Beacon.h"

#include "model/SVNetwork.h"

#include <gtest/gtest.h>

#include <cctype>

using namespace beacon;

namespace {

constexpr qint64 kUnknown = std::numeric_limits<qint64>::max();

// Predicates in the order of the struct below.
struct Predicates {
    bool wpa, wpa2, wpa3, sae, owe, psk, dot1x, open;
};

struct Case {
    const char* name;
    QByteArray elements;
    qint64 dictionarySecurity;
    qint64 code;
    const char* text;
    const char* shortText;
    Predicates is;
};

// The Wi-Fi Alliance element that names the other half of an OWE transition pair.
QByteArray oweTransition()
{
    return vendor({0x50, 0x6F, 0x9A}, 0x1C, bytes({0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 3, 'o', 'w', 'e'}));
}

constexpr int kMfpCapable = 0x80;
constexpr int kMfpRequired = 0x40;

std::vector<Case> cases()
{
    return {
        // What was WPA or WPA2 stays as it was.
        {"RSN PSK", rsn({4}, {2}), kUnknown, 4, "WPA2 Personal", "WPA2 (PSK)",
         {false, true, false, false, false, true, false, false}},
        {"RSN PSK-SHA256 with MFP", rsn({4}, {6}, kMfpCapable | kMfpRequired), kUnknown, 4, "WPA2 Personal",
         "WPA2 (PSK)", {false, true, false, false, false, true, false, false}},
        {"RSN 802.1X", rsn({4}, {1}), kUnknown, 9, "WPA2 Enterprise", "WPA2 (802.1X)",
         {false, true, false, false, false, false, true, false}},
        {"WPA and RSN PSK", wpa({2}, {2}) + rsn({4}, {2}), kUnknown, 3, "WPA/WPA2 Personal", "WPA/WPA2 (PSK)",
         {true, true, false, false, false, true, false, false}},
        {"WPA beside an RSN with SAE keeps the WPA reading", wpa({2}, {2}) + rsn({4}, {2, 8}), kUnknown, 3,
         "WPA/WPA2 Personal", "WPA/WPA2 (PSK)", {true, true, false, false, false, true, false, false}},
        {"Suite-B without MFP required is not WPA3", rsn({4}, {12}, kMfpCapable), kUnknown, 4, "WPA2 Personal",
         "WPA2 (PSK)", {false, true, false, false, false, true, false, false}},
        {"no security elements", bgRates(), kUnknown, kUnknown, "", "",
         {false, false, false, false, false, false, false, true}},
        {"privacy alone is WEP", bgRates(), 1, 1, "WEP", "WEP",
         {false, false, false, false, false, false, false, false}},
        // WPA3 and OWE from the AKMs.
        {"SAE alone", rsn({4}, {8}, kMfpCapable | kMfpRequired), kUnknown, 11, "WPA3 Personal", "WPA3 (SAE)",
         {false, false, true, true, false, false, false, false}},
        {"FT-SAE alone", rsn({4}, {9}, kMfpCapable | kMfpRequired), kUnknown, 11, "WPA3 Personal", "WPA3 (SAE)",
         {false, false, true, true, false, false, false, false}},
        {"SAE with the longer keys", rsn({4}, {24}, kMfpCapable | kMfpRequired), kUnknown, 11, "WPA3 Personal",
         "WPA3 (SAE)", {false, false, true, true, false, false, false, false}},
        {"PSK and SAE: the transition", rsn({4}, {2, 8}, kMfpCapable), kUnknown, 13, "WPA2/WPA3 Personal",
         "WPA2/WPA3 (PSK/SAE)", {false, true, true, true, false, true, false, false}},
        {"SAE with the privacy bit in the dictionary", rsn({4}, {8}, kMfpCapable | kMfpRequired), 1, 11,
         "WPA3 Personal", "WPA3 (SAE)", {false, false, true, true, false, false, false, false}},
        {"Suite-B 192 with MFP required", rsn({4}, {12}, kMfpCapable | kMfpRequired), kUnknown, 12,
         "WPA3 Enterprise", "WPA3 (802.1X)", {false, false, true, false, false, false, true, false}},
        {"FT Suite-B with MFP required", rsn({4}, {13}, kMfpCapable | kMfpRequired), kUnknown, 12,
         "WPA3 Enterprise", "WPA3 (802.1X)", {false, false, true, false, false, false, true, false}},
        {"OWE", rsn({4}, {18}, kMfpCapable | kMfpRequired), kUnknown, 14, "OWE", "OWE",
         {false, false, false, false, true, false, false, false}},
        {"OWE half of a transition pair", rsn({4}, {18}, kMfpCapable | kMfpRequired) + oweTransition(), kUnknown,
         14, "OWE", "OWE", {false, false, false, false, true, false, false, false}},
        {"open half of a transition pair", bgRates() + oweTransition(), kUnknown, 15, "OWE Transition",
         "Open/OWE", {false, false, false, false, true, false, false, true}},
        {"a known dictionary security mode stays", rsn({4}, {8}), 0, 0, "None", "",
         {false, false, false, false, false, false, false, true}},
        {"AKM list cut short: the suites inside count",
         element(48, bytes({1, 0, 0, 0x0F, 0xAC, 4, 1, 0, 0, 0x0F, 0xAC, 4, 2, 0, 0, 0x0F, 0xAC, 8, 0, 0x0F})),
         kUnknown, 11, "WPA3 Personal", "WPA3 (SAE)", {false, false, true, true, false, false, false, false}},
    };
}

class SecurityModeTable : public ::testing::TestWithParam<Case> {};

TEST_P(SecurityModeTable, FromTheElements)
{
    const Case& c = GetParam();
    SVNetwork n(scan(36, ssid("x") + c.elements, c.dictionarySecurity));
    EXPECT_EQ(n.securityModeCode(), c.code);
    EXPECT_EQ(n.securityMode(), QString::fromUtf8(c.text));
    EXPECT_EQ(n.shortSecurityMode(), QString::fromUtf8(c.shortText));
    const Predicates is{n.isWPA(), n.isWPA2(), n.isWPA3(), n.isSAE(), n.isOWE(), n.isPSK(), n.is80211X(),
                        n.isOpen()};
    EXPECT_EQ(is.wpa, c.is.wpa);
    EXPECT_EQ(is.wpa2, c.is.wpa2);
    EXPECT_EQ(is.wpa3, c.is.wpa3);
    EXPECT_EQ(is.sae, c.is.sae);
    EXPECT_EQ(is.owe, c.is.owe);
    EXPECT_EQ(is.psk, c.is.psk);
    EXPECT_EQ(is.dot1x, c.is.dot1x);
    EXPECT_EQ(is.open, c.is.open);
    EXPECT_EQ(n.isWEP(), c.code == 1);
}

INSTANTIATE_TEST_SUITE_P(Elements, SecurityModeTable, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(SecurityMode, ANewDigestOfTheSameRecordFollowsTheElements)
{
    // A stored dictionary decides: the record's security comes back from its
    // elements whenever they are digested, as when a document is opened.
    SVNetwork n(scan(36, rsn({4}, {2})));
    EXPECT_EQ(n.securityModeCode(), 4);
    n.setNetwork(scan(36, rsn({4}, {2, 8}, kMfpCapable)));
    EXPECT_EQ(n.securityModeCode(), 13);
    n.setNetwork(scan(36, rsn({4}, {2})));
    EXPECT_EQ(n.securityModeCode(), 4);
}

} // namespace
