#include "model/SVFilterLanguage.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <limits>

namespace {

// Six records that tell the keyword tests apart.
std::vector<SVFilterFacts> fixture()
{
    std::vector<SVFilterFacts> v(6);
    auto& home = v[0]; // WPA2 Personal
    home.ssid = "HomeNet";
    home.isWPA2 = home.isPSK = true;
    home.phyModeValue = "b/g/n";
    home.channel = 6;
    home.channelWidth = 1;
    home.is2Dot4GHz = true;
    home.rssiLast = -50;
    home.bssid = "00:11:22:33:44:55";
    home.vendor = "Apple";
    home.countryCode = "US";

    auto& cafe = v[1]; // open
    cafe.ssid = "CafeOpen";
    cafe.phyModeValue = "g";
    cafe.channel = 1;
    cafe.channelWidth = 1;
    cafe.is2Dot4GHz = true;
    cafe.rssiLast = -70;
    cafe.bssid = "AA:BB:CC:00:00:01";
    cafe.annotations = "near the window";

    auto& wep = v[2];
    wep.ssid = "OldWep";
    wep.isWEP = true;
    wep.phyModeValue = "b";
    wep.channel = 11;
    wep.channelWidth = 1;
    wep.is2Dot4GHz = true;
    wep.rssiLast = -96;
    wep.bssid = "AA:BB:CC:00:00:02";
    wep.vendor = "Netgear";
    wep.deviceName = "Garage";

    auto& office = v[3]; // WPA/WPA2 Enterprise
    office.ssid = "Office5";
    office.isWPA = office.isWPA2 = office.is80211X = true;
    office.phyModeValue = "a/n/ac";
    office.channel = 36;
    office.channelWidth = 3;
    office.is5GHz = true;
    office.rssiLast = -65;
    office.bssid = "00:11:22:AA:BB:CC";
    office.vendor = "Cisco";
    office.countryCode = "DE";

    auto& lab = v[4]; // WPA Personal, no PHY text
    lab.ssid = "Lab15";
    lab.isWPA = lab.isPSK = true;
    lab.channel = 149;
    lab.channelWidth = 2;
    lab.is5GHz = true;
    lab.rssiLast = -94;
    lab.bssid = "DE:AD:BE:EF:00:15";

    auto& quiet = v[5]; // open, no signal value
    quiet.ssid = "Quiet";
    quiet.phyModeValue = "n";
    quiet.channel = 44;
    quiet.channelWidth = 4;
    quiet.is5GHz = true;
    quiet.rssiLast = -120;
    quiet.bssid = "02:00:00:00:00:99";
    return v;
}

// The record with only the fields the expression says it reads.
SVFilterFacts masked(const SVFilterFacts& r, unsigned needed)
{
    using F = SVFilterFacts;
    SVFilterFacts m;
    if (needed & F::Rssi)
        m.rssiLast = r.rssiLast;
    if (needed & F::Security) {
        m.isWPA = r.isWPA;
        m.isWPA2 = r.isWPA2;
        m.isWEP = r.isWEP;
        m.isPSK = r.isPSK;
        m.is80211X = r.is80211X;
    }
    if (needed & F::Phy)
        m.phyModeValue = r.phyModeValue;
    if (needed & F::Bssid)
        m.bssid = r.bssid;
    if (needed & F::Band) {
        m.is2Dot4GHz = r.is2Dot4GHz;
        m.is5GHz = r.is5GHz;
    }
    if (needed & F::Width)
        m.channelWidth = r.channelWidth;
    if (needed & F::Channel)
        m.channel = r.channel;
    if (needed & F::Ssid)
        m.ssid = r.ssid;
    if (needed & F::DeviceName)
        m.deviceName = r.deviceName;
    if (needed & F::Annotations)
        m.annotations = r.annotations;
    if (needed & F::Vendor)
        m.vendor = r.vendor;
    if (needed & F::CountryCode)
        m.countryCode = r.countryCode;
    return m;
}

// Names of the records the filter shows. Each record is also filtered with
// only the fields the expression asks for, as the pipeline reads them; both
// must agree.
QString shown(const QString& filter, unsigned* marks = nullptr)
{
    const auto records = fixture();
    const SVFilterExpression e = SVFilterExpression::parse(filter);
    const auto flags = e.evaluate(records, marks);
    std::vector<SVFilterFacts> partial;
    for (const auto& r : records)
        partial.push_back(masked(r, e.neededFacts()));
    EXPECT_EQ(e.evaluate(partial, nullptr), flags) << "reads a field it does not ask for: " << filter.toStdString();
    QStringList names;
    for (size_t i = 0; i < records.size(); ++i) {
        if (flags[i])
            names << records[i].ssid;
    }
    return names.join(' ');
}

QString sortedMarks(unsigned marks)
{
    QStringList ids = SVFilterExpression::columnIdentifiers(marks).values();
    ids.sort();
    return ids.join(' ');
}

struct Case {
    const char* filter;
    const char* expected;
};

constexpr char kAll[] = "HomeNet CafeOpen OldWep Office5 Lab15 Quiet";

TEST(FilterLanguage, GroupsAlternativesAndNegation)
{
    const Case cases[] = {
        {"wep,wpa", "OldWep Office5 Lab15"},
        {"wpa2&6", "HomeNet"},
        {" wpa2 & 6 ", "HomeNet"},
        {"!wep", "HomeNet CafeOpen Office5 Lab15 Quiet"},
        {"! wep", "HomeNet CafeOpen Office5 Lab15 Quiet"},
        {"wep & 5GHz", ""},
        {"wep,5ghz & !36", "OldWep Lab15 Quiet"},
        {", ,wep,", "OldWep"},
        {"wpa&", ""},   // an empty group matches nothing
        {"   ", ""},
        {"\t", ""},
        {"!", kAll}, // nothing left after "!": everything, not negated
        {"wep,!", kAll},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shown(c.filter), QString(c.expected)) << c.filter;
}

TEST(FilterLanguage, KeywordTests)
{
    const Case cases[] = {
        // security, ignoring case, spaces, quotes and full stops
        {"wpa", "Office5 Lab15"},
        {"W.P.A", "Office5 Lab15"},
        {"\"wpa2\"", "HomeNet Office5"},
        {"wep", "OldWep"},
        {"psk", "HomeNet Lab15"},
        {"802.1X", "Office5"},
        {"8021x", "Office5"},
        // PHY: "n" never falls through to the SSID test ("CafeOpen" has an n)
        {"n", "HomeNet Office5 Quiet"},
        {"N", "HomeNet Office5 Quiet"},
        {"802.11n", "HomeNet Office5 Quiet"},
        {"11n", "HomeNet Office5 Quiet"},
        {"ac", "Office5"},
        {"802.11", "Lab15"}, // reduces to nothing: the empty PHY text
        // BSSID fragment in any case, and nothing else
        {"cc:00", "CafeOpen OldWep"},
        {"Cc:00", "CafeOpen OldWep"},
        {"\"00:11:22:33:44:55\"", "HomeNet"},
        {"\"00:11:22:33:44\"", ""},
        // band
        {"2.4 GHz", "HomeNet CafeOpen OldWep"},
        {"24ghz", "HomeNet CafeOpen OldWep"},
        {"5 GHz", "Office5 Lab15 Quiet"},
        // width
        {"20MHz", "HomeNet CafeOpen OldWep"},
        {"80 mhz", "Office5"},
        {"40MHz", "Lab15"},
        {"160MHz", "Quiet"},
        // channel: a valid number decides; others go on to the text tests
        {"6", "HomeNet"},
        {"06", "HomeNet"},
        {"\"149\"", "Lab15"},
        {"15", "Lab15"},
        {"5", ""},        // channel 5 only, never the SSID "Office5"
        {"0", ""},
        // texts
        {"home", "HomeNet"},
        {"\"home\"", ""},
        {"\"HOMENET\"", "HomeNet"},
        {"garage", "OldWep"},
        {"window", "CafeOpen"},
        {"\"near the window\"", "CafeOpen"},
        {"cisco", "Office5"},
        {"us", "HomeNet"},      // country code, exact
        {"\"de\"", "Office5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shown(c.filter), QString(c.expected)) << c.filter;
}

TEST(FilterLanguage, SignalComparisonsAtBoundaries)
{
    struct Cmp {
        const char* term;
        qint64 rssi;
        bool match;
    };
    const Cmp cases[] = {
        {">=-70", -70, true},  {">=-70", -71, false}, {"<=-70", -70, true},  {"<=-70", -69, false},
        {">-70", -70, false},  {">-70", -69, true},   {"<-70", -70, false},  {"<-70", -71, true},
        {">= -70", -70, true}, {">=-70dBm", -20, false},
        // percent on the unbounded curve: -70 is 50, -69 is 51, -96/-95/-94 are -6/-3/-1
        {">50%", -70, false},  {">50%", -69, true},   {">=50%", -70, true},  {"> 50 %", -69, true},
        {"<0%", -96, true},    {"<0%", -94, true},    {"<0%", -93, false},   {"<0%", -97, false},
        {">=-3%", -95, true},  {">=-3%", -96, false}, {"<=0%", -120, true},  {">=100%", -20, true},
        {">=100%", -21, false}, {">=100%", 5, true},
        // degenerate operators and operands
        {">", -50, false},     {"<", -50, false},     {">=", -50, false},    {"<=", -50, true},
        {">=-", -50, false},   {"<=-", -50, true},    {"<=--5", -3, true},   {"<=--5", 3, false},
        {">=5-", 5, true},     {">=5-", 4, false},    {">=-5-3", -5, true},  {">=-5-3", -6, false},
        {">=99999999999999999999999", -20, false},    {"<=99999999999999999999999", -120, true},
        {">=-99999999999999999999999", -120, true},
        // negated
        {"!>=-70", -71, true}, {"!>=-70", -70, false}, {"!>=-70dBm", -70, true},
    };
    for (const auto& c : cases) {
        SVFilterFacts r;
        r.rssiLast = c.rssi;
        const auto flags = SVFilterExpression::parse(c.term).evaluate({r}, nullptr);
        EXPECT_EQ(bool(flags[0]), c.match) << c.term << " at " << c.rssi;
    }
}

TEST(FilterLanguage, IntegerReadingOfOperands)
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    const std::pair<const char*, qint64> cases[] = {
        {"", 0},          {"-", 0},       {"--5", 0},        {"5-", 5},
        {"-5-3", -5},     {"007", 7},     {" +12", 12},      {"x1", 0},
        {"9223372036854775807", max},     {"9223372036854775808", max},
        {"-9223372036854775808", min},    {"-9223372036854775809", min},
        {"1234567890123456789012345", max}, {"-1234567890123456789012345", min},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(sv::integerValue(QString(text)), value) << text;
}

TEST(FilterLanguage, MarksTheColumnsMatchedThrough)
{
    const Case cases[] = {
        {"wep", "SECURITY_MODE"},
        {"!wep", "SECURITY_MODE"}, // the excluded record still marks
        {"home,cisco", "SSID VENDOR"},
        {"wpa2 & 6", "CHANNEL SECURITY_MODE"},
        {"wep & 5GHz", "CHANNEL_BAND SECURITY_MODE"}, // marks even when nothing is shown
        {"n", "PHY_MODE"},         // the first test that matches ends the record's testing
        {"ar", "ANNOTATIONS DEVICE_NAME"},
        {"us", "CC"},
        {"cc:00", "BSSID"},
        {"\"00:11:22:33:44:55\"", "BSSID"},
        {">=-70", "RSSI"},
        {">=-70dBm", ""},
        {"20MHz", "CHANNEL_WIDTH"},
        {"zzz", ""},
        {"!", ""},
    };
    for (const auto& c : cases) {
        unsigned marks = 0;
        shown(c.filter, &marks);
        EXPECT_EQ(sortedMarks(marks), QString(c.expected)) << c.filter;
    }

    // A negated term marks nothing when no record matches it.
    auto records = fixture();
    records.erase(records.begin() + 2); // the WEP record
    unsigned marks = 0;
    const auto flags = SVFilterExpression::parse("!wep").evaluate(records, &marks);
    EXPECT_EQ(std::count(flags.begin(), flags.end(), 1), 5);
    EXPECT_EQ(marks, 0u);
}

TEST(FilterLanguage, KeywordTermsReadOnlyTheirField)
{
    using F = SVFilterFacts;
    EXPECT_EQ(SVFilterExpression::parse(">=-70").neededFacts(), unsigned(F::Rssi));
    EXPECT_EQ(SVFilterExpression::parse("wpa&!").neededFacts(), unsigned(F::Security));
    EXPECT_EQ(SVFilterExpression::parse("11n").neededFacts(), unsigned(F::Phy));
}

} // namespace
