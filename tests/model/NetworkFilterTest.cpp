#include "model/SVNetworkFilter.h"

#include "model/SVDataPoint.h"
#include "model/SVNetwork.h"

#include "support/QStringPrinter.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

constexpr qint64 kUnknown = std::numeric_limits<qint64>::max();

std::shared_ptr<SVNetwork> record(const char* bssid, int channel, const char* ssid, qint64 security, qint64 phy,
                                  bool ibss, int rssi)
{
    const QVariantMap d{{"bssid", bssid},       {"channelNumber", channel}, {"ssid", ssid},
                        {"rssiValue", rssi},    {"noiseMeasurement", -95},  {"ibss", ibss},
                        {"beaconInterval", 100}, {"phyMode", phy},          {"securityMode", security}};
    auto n = SVNetwork::initWithDictionary(d);
    n->addDataPoint(SVDataPoint(rssi, -95, -1, -1, QDateTime::currentDateTimeUtc()));
    return n;
}

// Five records: secure and open, one ad hoc, both bands, levels around the
// 50 % (-70 dBm) line.
SVNetworkList fixture()
{
    using N = SVNetwork;
    return {
        record("00:11:22:33:44:01", 6, "Home", 4, N::PhyB | N::PhyG | N::PhyN, false, -50),
        record("00:11:22:33:44:02", 1, "Cafe", 0, N::PhyG, false, -70),
        record("00:11:22:33:44:03", 11, "Mesh", kUnknown, N::PhyG, true, -71),
        record("00:11:22:33:44:04", 36, "Office", 9, N::PhyA | N::PhyN | N::PhyAC, false, -69),
        record("00:11:22:33:44:05", 149, "Legacy", 1, N::PhyA, false, -85),
    };
}

QString names(const SVNetworkList& list)
{
    QStringList n;
    for (const auto& r : list)
        n << r->ssid();
    return n.join(' ');
}

TEST(NetworkFilter, PipelineStepsInOrder)
{
    struct Case {
        const char* what;
        std::function<void(SVFilterState&)> set;
        const char* shown;
        const char* counted; // what the sidebar is built from; nullptr: all when a side filter is set, else shown
    };
    const Case cases[] = {
        {"nothing set", [](SVFilterState&) {}, "Home Cafe Mesh Office Legacy", nullptr},
        {"secure hidden", [](SVFilterState& s) { s.showSecure = false; }, "Cafe Mesh", nullptr},
        {"secure hidden beats the quick filter",
         [](SVFilterState& s) { s.showSecure = false; s.quickFilter = *SVQuickFilter::forTag(2); }, "", nullptr},
        {"ad hoc hidden", [](SVFilterState& s) { s.showAdHoc = false; }, "Home Cafe Office Legacy", nullptr},
        {"ad hoc hidden and only ad hoc",
         [](SVFilterState& s) { s.showAdHoc = false; s.quickFilter = *SVQuickFilter::forTag(3); }, "", nullptr},
        {"open only", [](SVFilterState& s) { s.quickFilter = *SVQuickFilter::forTag(1); }, "Cafe Mesh", nullptr},
        {"secure only", [](SVFilterState& s) { s.quickFilter = *SVQuickFilter::forTag(2); }, "Home Office Legacy",
         nullptr},
        {"threshold 70 dBm", [](SVFilterState& s) { s.signalStrengthThreshold = 70; s.units = 1; },
         "Home Cafe Office", nullptr},
        {"threshold 50 %", [](SVFilterState& s) { s.signalStrengthThreshold = 50; s.units = 0; },
         "Home Cafe Office", nullptr},
        {"threshold 51 %", [](SVFilterState& s) { s.signalStrengthThreshold = 51; s.units = 2; }, "Home Office",
         nullptr},
        {"filter string", [](SVFilterState& s) { s.filterString = "wpa2,wep"; }, "Home Office Legacy", nullptr},
        {"threshold before the filter string",
         [](SVFilterState& s) { s.filterString = "wep,cafe"; s.signalStrengthThreshold = 70; s.units = 1; }, "Cafe",
         nullptr},
        {"band item",
         [](SVFilterState& s) { s.sourceItemFilterIdentifier = "item-frequencyband"; s.sourceItemFilterString = "5 GHz"; },
         "Office Legacy", nullptr},
        {"side filter after the filter string",
         [](SVFilterState& s) {
             s.filterString = "n";
             s.sourceItemFilterIdentifier = "item-frequencyband";
             s.sourceItemFilterString = "2.4 GHz";
         },
         "Home", "Home Office"},
        {"name item", [](SVFilterState& s) { s.sourceItemFilterIdentifier = "item-networkname"; s.sourceItemFilterString = "Mesh"; },
         "Mesh", nullptr},
        {"name items compare case",
         [](SVFilterState& s) { s.sourceItemFilterIdentifier = "item-networkname"; s.sourceItemFilterString = "mesh"; },
         "", nullptr},
        {"PHY item", [](SVFilterState& s) { s.sourceItemFilterIdentifier = "item-phymode"; s.sourceItemFilterString = "g"; },
         "Cafe Mesh", nullptr},
        // unknown security counts as open
        {"open security item",
         [](SVFilterState& s) { s.sourceItemFilterIdentifier = "item-securitymode"; s.sourceItemFilterString = "Open"; },
         "Cafe Mesh", nullptr},
        {"security item",
         [](SVFilterState& s) {
             s.sourceItemFilterIdentifier = "item-securitymode";
             s.sourceItemFilterString = "WPA2 (802.1X)";
         },
         "Office", nullptr},
        {"unknown vendor item",
         [](SVFilterState& s) { s.sourceItemFilterIdentifier = "item-vendor"; s.sourceItemFilterString = "Unknown"; },
         "Home Cafe Mesh Office Legacy", nullptr},
        {"access point item",
         [](SVFilterState& s) { s.sourceItemFilterIdentifier = "item-accesspoint"; s.sourceItemFilterString = "nobody"; },
         "", nullptr},
        {"signal level item",
         [](SVFilterState& s) { s.sourceItemFilterIdentifier = "item-signallevel"; s.sourceItemFilterString = "rssi-yellow"; },
         "Mesh", nullptr},
        {"side filter string without identifier", [](SVFilterState& s) { s.sourceItemFilterString = "Mesh"; },
         "Home Cafe Mesh Office Legacy", nullptr},
    };
    for (const auto& c : cases) {
        SVFilterState state;
        c.set(state);
        const SVFilterOutcome out = SVNetworkFilter::filterAndSetNetworks(fixture(), state);
        EXPECT_EQ(names(out.filteredNetworks), QString(c.shown)) << c.what;
        const QString counted = c.counted                          ? QString(c.counted)
                                : state.sourceItemFilterIdentifier ? QString("Home Cafe Mesh Office Legacy")
                                                                   : QString(c.shown);
        EXPECT_EQ(names(out.textFilteredNetworks), counted) << c.what;
        // The sidebar counts the list before the side filter.
        QStringList sideNames;
        for (const auto& item : out.sideViewItems[2].children)
            sideNames << item.title;
        QStringList expected = counted.split(' ', Qt::SkipEmptyParts);
        expected.sort();
        EXPECT_EQ(sideNames, expected) << c.what;
    }
}

TEST(NetworkFilter, MatchedColumnsAndFooterNotice)
{
    SVFilterState state;
    auto out = SVNetworkFilter::filterAndSetNetworks(fixture(), state);
    EXPECT_FALSE(out.filteredColumnIdentifiers.has_value());
    EXPECT_EQ(out.footer.action, SVFooterNotice::Action::Keep);

    state.footerNoticeShown = true;
    EXPECT_EQ(SVNetworkFilter::filterAndSetNetworks(fixture(), state).footer.action, SVFooterNotice::Action::Clear);

    state.filterString = "zzz";
    out = SVNetworkFilter::filterAndSetNetworks(fixture(), state);
    ASSERT_TRUE(out.filteredColumnIdentifiers.has_value());
    EXPECT_TRUE(out.filteredColumnIdentifiers->isEmpty());

    state.filterString = "!wep & cafe,6";
    out = SVNetworkFilter::filterAndSetNetworks(fixture(), state);
    EXPECT_EQ(names(out.filteredNetworks), QString("Home Cafe"));
    EXPECT_EQ(*out.filteredColumnIdentifiers, (QSet<QString>{"SECURITY_MODE", "SSID", "CHANNEL"}));

    state.signalStrengthThreshold = 70;
    state.units = 1;
    out = SVNetworkFilter::filterAndSetNetworks(fixture(), state);
    EXPECT_EQ(out.footer.action, SVFooterNotice::Action::Show);
    EXPECT_EQ(out.footer.text, QString("Showing only networks with signal strength >= -70 dBm"));
    EXPECT_EQ(out.footer.color, QColor::fromRgbF(0.728f, 0.078f, 0.12f, 1.0f));
    state.units = 0;
    state.signalStrengthThreshold = 50;
    EXPECT_EQ(SVNetworkFilter::filterAndSetNetworks(fixture(), state).footer.text,
              QString("Showing only networks with signal strength >= 50%"));
}

TEST(NetworkFilter, AssociatedFlagOnlyForRecordsThatStay)
{
    const SVNetworkList list = fixture();
    SVFilterState state;
    state.isScanning = true;
    state.association = {"00:11:22:33:44:01", "Home", 1};
    list[2]->setAssociated(true); // set earlier, dropped below: keeps its flag
    state.filterString = "!mesh";

    SVNetworkFilter::filterAndSetNetworks(list, state);
    EXPECT_TRUE(list[0]->associated());
    EXPECT_FALSE(list[1]->associated());
    EXPECT_TRUE(list[2]->associated());

    struct Case {
        const char* what;
        SVAssociation association;
        bool scanning;
    };
    const Case notAssociated[] = {
        {"not scanning", {"00:11:22:33:44:01", "Home", 1}, false},
        {"other band", {"00:11:22:33:44:01", "Home", 2}, true},
        {"other name", {"00:11:22:33:44:01", "home", 1}, true},
        {"no BSSID", {"", "Home", 1}, true},
    };
    for (const auto& c : notAssociated) {
        state.association = c.association;
        state.isScanning = c.scanning;
        SVNetworkFilter::filterAndSetNetworks(list, state);
        EXPECT_FALSE(list[0]->associated()) << c.what;
    }
    state.isScanning = true;
    state.association = {"00:11:22:33:44:01", "Home", 1};
    state.association.bssid = state.association.bssid.toLower();
    SVNetworkFilter::filterAndSetNetworks(list, state);
    EXPECT_TRUE(list[0]->associated());

    EXPECT_TRUE(SVAssociation::of(nullptr).bssid.isEmpty());
}

TEST(NetworkFilter, StableSortByDescriptors)
{
    using C = SVSortDescriptor::Comparison;
    SVNetworkList list = {
        record("00:00:00:00:00:01", 6, "Net10", 4, 0, false, -60),
        record("00:00:00:00:00:02", 6, "net2", 0, 0, false, -60),
        record("00:00:00:00:00:03", 6, "Net1", 4, 0, false, -40),
        record("00:00:00:00:00:04", 6, "Alpha", 0, 0, false, -80),
    };
    struct Case {
        QList<SVSortDescriptor> by;
        const char* order;
    };
    const Case cases[] = {
        {{}, "Net10 net2 Net1 Alpha"},
        {{{"rssiValue", false, C::Compare}}, "Net1 Net10 net2 Alpha"}, // ties keep their order
        {{{"rssiValue", true, C::Compare}}, "Alpha Net10 net2 Net1"},
        {{{"ssidValue", true, C::LocalizedStandard}}, "Alpha Net1 net2 Net10"},
        {{{"ssidValue", false, C::LocalizedStandard}}, "Net10 net2 Net1 Alpha"},
        {{{"ssidValue", true, C::CaseInsensitive}}, "Alpha Net1 Net10 net2"},
        {{{"securityValue", true, C::CaseInsensitive}, {"rssiValue", true, C::Compare}},
         "Alpha net2 Net10 Net1"},
        {{{"noSuchKey", true, C::Compare}}, "Net10 net2 Net1 Alpha"},
    };
    for (const auto& c : cases) {
        SVNetworkList sorted = list;
        SVNetworkFilter::sortNetworks(sorted, c.by);
        EXPECT_EQ(names(sorted), QString(c.order));
    }

    SVFilterState state;
    state.sortDescriptors = {{"rssiValue", false, C::Compare}};
    EXPECT_EQ(names(SVNetworkFilter::filterAndSetNetworks(list, state).filteredNetworks),
              QString("Net1 Net10 net2 Alpha"));
}

TEST(NetworkFilter, OneTermAndOneStringOverTheRecords)
{
    QSet<QString> ids;
    EXPECT_EQ(names(SVNetworkFilter::filterNetworksUsing("!wep", fixture(), &ids)),
              QString("Home Cafe Mesh Office"));
    EXPECT_EQ(ids, QSet<QString>{"SECURITY_MODE"});
    EXPECT_EQ(names(SVNetworkFilter::filterNetworksUsing("", fixture(), nullptr)),
              QString("Home Cafe Mesh Office Legacy"));
    ids.clear();
    EXPECT_EQ(names(SVNetworkFilter::filterNetworks(fixture(), "5ghz & >=-70", &ids)), QString("Office"));
    EXPECT_EQ(ids, (QSet<QString>{"CHANNEL_BAND", "RSSI"}));
}

TEST(NetworkFilter, SideFilterFollowsTheSelection)
{
    const auto item = [](const char* id, const char* title) { return SVSideViewItem::itemWithTitle(title, id); };
    const SVSideViewItem ciscoName = item("item-networkname", "Cisco");
    const SVSideViewItem ciscoVendor = item("item-vendor", "Cisco");
    const SVSideViewItem vendors = item("category", "Vendor");
    const SVSideViewItem vendorItem = item("item-vendor", "Vendor");

    struct Step {
        const SVSideViewItem* select;
        bool refilter;
        const char* identifier; // nullptr: none
        const char* filterString;
    };
    const Step steps[] = {
        {&ciscoName, true, "item-networkname", "Cisco"},
        {&ciscoName, false, "item-networkname", "Cisco"},
        {&ciscoVendor, true, "item-vendor", "Cisco"}, // same text, another category
        {&vendors, true, nullptr, "Vendor"},          // a category sets no side filter
        {&vendorItem, true, "item-vendor", "Vendor"}, // same text, now an item
        {nullptr, true, nullptr, "Vendor"},           // nothing selected: no side filter
        {nullptr, false, nullptr, "Vendor"},
    };
    SVSideFilter filter;
    int i = 0;
    for (const auto& s : steps) {
        EXPECT_EQ(filter.selectionDidChange(s.select), s.refilter) << "step " << i;
        EXPECT_EQ(filter.identifier().has_value(), s.identifier != nullptr) << "step " << i;
        if (s.identifier && filter.identifier()) {
            EXPECT_EQ(*filter.identifier(), QString(s.identifier)) << "step " << i;
        }
        EXPECT_EQ(filter.filterString(), QString(s.filterString)) << "step " << i;
        ++i;
    }
    filter.selectionDidChange(&ciscoVendor);
    EXPECT_TRUE(filter.clear());
    EXPECT_FALSE(filter.identifier().has_value());
    EXPECT_FALSE(filter.clear());
}

TEST(NetworkFilter, QuickFilterTags)
{
    EXPECT_EQ(SVQuickFilter::titles(),
              (QStringList{"All Networks", "Open Networks", "Secure Networks", "Ad Hoc Networks"}));
    EXPECT_FALSE(SVQuickFilter::forTag(4).has_value());
    EXPECT_FALSE(SVQuickFilter::forTag(kUnknown).has_value());
    const auto adHoc = SVQuickFilter::forTag(3);
    ASSERT_TRUE(adHoc.has_value());
    EXPECT_TRUE(adHoc->adHocOnly && !adHoc->openOnly && !adHoc->secureOnly);
}

} // namespace

namespace {

// A record whose security comes from its RSN element alone: AKM suite types
// and the capability byte (0x80 MFP capable, 0x40 MFP required).
std::shared_ptr<SVNetwork> rsnRecord(const char* bssid, const char* ssid, std::initializer_list<int> akms, int caps)
{
    QByteArray rsn = QByteArray::fromHex("0100000fac040100000fac04");
    rsn += char(akms.size());
    rsn += '\0';
    for (int a : akms)
        rsn += QByteArray::fromHex("000fac") + char(a);
    rsn += char(caps);
    rsn += '\0';
    const QByteArray elements = QByteArray(1, 0) + char(qstrlen(ssid)) + ssid + QByteArray(1, 48) + char(rsn.size()) + rsn;
    const QVariantMap d{{"bssid", bssid},       {"channelNumber", 36},          {"rssiValue", -60},
                        {"noiseMeasurement", -95}, {"beaconInterval", 100},     {"phyMode", 0},
                        {"securityMode", kUnknown}, {"informationElementData", elements}};
    auto n = SVNetwork::initWithDictionary(d);
    n->addDataPoint(SVDataPoint(-60, -95, -1, -1, QDateTime::currentDateTimeUtc()));
    return n;
}

SVNetworkList securityFixture()
{
    return {
        rsnRecord("00:11:22:33:55:01", "Plain", {2}, 0x00),
        rsnRecord("00:11:22:33:55:02", "Annex", {8}, 0xC0),
        rsnRecord("00:11:22:33:55:03", "Loft", {2, 8}, 0x80),
        rsnRecord("00:11:22:33:55:04", "Vault", {12}, 0xC0),
        rsnRecord("00:11:22:33:55:05", "Cafe", {18}, 0xC0),
    };
}

} // namespace

TEST(NetworkFilter, WpaThreeAndOweKeywordsAndSidebar)
{
    struct Case {
        const char* filter;
        const char* shown;
    } cases[] = {
        {"wpa3", "Annex Loft Vault"}, {"WPA 3", "Annex Loft Vault"}, {"sae", "Annex Loft"},
        {"owe", "Cafe"},              {"wpa2", "Plain Loft"},        {"psk", "Plain Loft"},
        {"8021x", "Vault"},           {"wpa", ""},                   {"!wpa3", "Plain Cafe"},
    };
    for (const Case& c : cases) {
        QSet<QString> ids;
        EXPECT_EQ(names(SVNetworkFilter::filterNetworksUsing(c.filter, securityFixture(), &ids)), QString(c.shown))
            << c.filter;
    }

    SVFilterState state;
    const SVFilterOutcome all = SVNetworkFilter::filterAndSetNetworks(securityFixture(), state);
    QStringList titles;
    for (const auto& item : all.sideViewItems[4].children)
        titles << item.title;
    EXPECT_EQ(titles.join('|'), QString("OWE|WPA2 (PSK)|WPA2/WPA3 (PSK/SAE)|WPA3 (802.1X)|WPA3 (SAE)"));

    state.sourceItemFilterIdentifier = "item-securitymode";
    state.sourceItemFilterString = "WPA3 (SAE)";
    EXPECT_EQ(names(SVNetworkFilter::filterAndSetNetworks(securityFixture(), state).filteredNetworks),
              QString("Annex"));
}
