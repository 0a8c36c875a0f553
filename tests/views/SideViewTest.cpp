#include "model/SVSideViewItem.h"
#include "views/SVSideViewModel.h"

#include "support/QStringPrinter.h"

#include <QAbstractItemModelTester>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

SVSideViewSource source(QString ssid, QString phy, QString sec, QString shortSec, QString apid, QString deviceid,
                        QString vendor)
{
    return {ssid, phy, sec, shortSec, apid, deviceid, vendor};
}

// Two virtual BSSIDs of one Apple radio, a record of unknown security and
// vendor, an enterprise network and a second "Home" on another radio.
QVector<SVSideViewSource> fixture()
{
    return {
        source("Home", "b/g/n", "WPA2 Personal", "WPA2 (PSK)", "Apple:DD:EE:F#", "Apple:DD:EE:F0", "Apple"),
        source("Home-Guest", "b/g/n", "None", "", "Apple:DD:EE:F#", "Apple:DD:EE:F1", "Apple"),
        source("Cafe", "ac", "", "", "AA:BB:CC:00:00:01", "AA:BB:CC:00:00:01", ""),
        source("Lab", "a/n/ac", "WPA/WPA2 Enterprise", "WPA/WPA2 (802.1X)", "Cisco:01:02:03", "Cisco:01:02:03",
               "Cisco"),
        source("Home", "a/n", "WPA2 Personal", "WPA2 (PSK)", "Other:04:05:06", "Other:04:05:06", "Other"),
    };
}

QString titles(const SVSideViewItem& parent)
{
    QStringList t;
    for (const auto& c : parent.children)
        t << c.title;
    return t.join('|');
}

QString filterStrings(const SVSideViewItem& parent)
{
    QStringList t;
    for (const auto& c : parent.children)
        t << c.filterString;
    return t.join('|');
}

TEST(SideView, WithoutAListOnlyTheGroupRow)
{
    const auto items = sideViewItemsForSources(std::nullopt);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].title, QString("RESULTS"));
    EXPECT_EQ(items[0].identifier, QString("group"));
    EXPECT_FALSE(items[0].hasChildren());
}

TEST(SideView, EmptyListKeepsTheBandsAndShowsNoCounts)
{
    const auto items = sideViewItemsForSources(QVector<SVSideViewSource>{});
    ASSERT_EQ(items.size(), 7);
    QStringList cats;
    for (int i = 1; i < 7; ++i) {
        cats << items[i].title;
        EXPECT_EQ(items[i].identifier, QString("category"));
        EXPECT_TRUE(items[i].countText().isEmpty());
    }
    EXPECT_EQ(cats.join('|'), QString("Frequency Band|Network Name|PHY Mode|Security|Access Point|Vendor"));
    EXPECT_EQ(filterStrings(items[1]), QString("2.4 GHz|5 GHz"));
    EXPECT_EQ(items[1].children[0].identifier, QString("item-frequencyband"));
    EXPECT_FALSE(items[1].showCount);
}

TEST(SideView, ItemsCountsAndIdentifiers)
{
    const auto items = sideViewItemsForSources(fixture());
    ASSERT_EQ(items.size(), 7);
    struct Expect {
        int category;
        const char* identifier;
        const char* titles;
        const char* filters;
        const char* count;
    };
    const Expect expected[] = {
        {1, "item-frequencyband", "2.4 GHz|5 GHz", "2.4 GHz|5 GHz", ""},
        {2, "item-networkname", "Cafe|Home|Home-Guest|Lab", "Cafe|Home|Home-Guest|Lab", "4"},
        {3, "item-phymode", "802.11ac|802.11a/n|802.11a/n/ac|802.11b/g/n", "ac|a/n|a/n/ac|b/g/n", "4"},
        // unknown security is left out; "None" is listed as open
        {4, "item-securitymode", "Open|WPA/WPA2 (802.1X)|WPA2 (PSK)", "Open|WPA/WPA2 (802.1X)|WPA2 (PSK)", "3"},
        // the radio with two BSSIDs is titled by its radio identifier
        {5, "item-accesspoint", "AA:BB:CC:00:00:01|Apple:DD:EE:F#|Cisco:01:02:03|Other:04:05:06",
         "AA:BB:CC:00:00:01|Apple:DD:EE:F#|Cisco:01:02:03|Other:04:05:06", "4"},
        {6, "item-vendor", "Apple|Cisco|Other|Unknown", "Apple|Cisco|Other|Unknown", "4"},
    };
    for (const auto& e : expected) {
        const auto& cat = items[e.category];
        EXPECT_EQ(titles(cat), QString(e.titles)) << e.identifier;
        EXPECT_EQ(filterStrings(cat), QString(e.filters)) << e.identifier;
        EXPECT_EQ(cat.countText(), QString(e.count)) << e.identifier;
        for (const auto& child : cat.children)
            EXPECT_EQ(child.identifier, QString(e.identifier));
    }
    EXPECT_EQ(items[0].imageName(), QString());
    EXPECT_EQ(items[3].imageName(), QString("category"));
    EXPECT_EQ(items[3].children[0].imageName(false), QString("yellow"));
    EXPECT_EQ(items[3].children[0].imageName(true), QString("orange"));

    // A radio heard with a single BSSID is titled by its device identifier.
    QVector<SVSideViewSource> single{source("X", "", "", "", "Apple:DD:EE:F#", "Apple:DD:EE:F0", "Apple")};
    EXPECT_EQ(titles(sideViewItemsForSources(single)[5]), QString("Apple:DD:EE:F0"));
    EXPECT_EQ(filterStrings(sideViewItemsForSources(single)[5]), QString("Apple:DD:EE:F#"));
}

// Each tick rebuilds the sidebar from lists that mostly come back the
// same: a list of the same length that differs in one text shows that text.
TEST(SideView, ARebuildShowsWhatChangedSinceTheLastOne)
{
    auto list = fixture();
    const auto first = sideViewItemsForSources(list);
    EXPECT_EQ(titles(sideViewItemsForSources(list)[6]), titles(first[6]));

    list[3] = source("Lab", "a/n/ac", "WPA/WPA2 Enterprise", "WPA/WPA2 (802.1X)", "Cisco:01:02:0#", "Cisco:01:02:03",
                     "Aruba");
    const auto changed = sideViewItemsForSources(list);
    EXPECT_EQ(titles(changed[6]), QString("Apple|Aruba|Other|Unknown"));
    // The radio keeps its title and takes its new filter string.
    EXPECT_EQ(titles(changed[5]), titles(first[5]));
    EXPECT_EQ(filterStrings(changed[5]), QString("AA:BB:CC:00:00:01|Apple:DD:EE:F#|Cisco:01:02:0#|Other:04:05:06"));

    EXPECT_EQ(filterStrings(sideViewItemsForSources(fixture())[5]), filterStrings(first[5]));
}

TEST(SideView, SelectionFoundAgainOnlyInItsOwnCategory)
{
    // A vendor and a network both called "Cisco".
    auto list = fixture();
    list.append(source("Cisco", "", "", "", "X:1", "X:1", ""));
    const auto before = sideViewItemsForSources(list);
    const auto vendorPath = findSideViewItem(before, {"item-vendor", "Cisco", "Cisco"});
    ASSERT_EQ(vendorPath.size(), 2);
    EXPECT_EQ(vendorPath[0], 6);
    const SVSideViewSelection selected = SVSideViewSelection::of(before[6].children[vendorPath[1]]);

    // A new network sorts in front of it: found again at its new place.
    list.prepend(source("Aardvark", "", "", "", "Y:1", "Y:1", "Acme"));
    auto after = sideViewItemsForSources(list);
    auto path = findSideViewItem(after, selected);
    ASSERT_EQ(path.size(), 2);
    EXPECT_EQ(after[path[0]].children[path[1]].identifier, QString("item-vendor"));
    EXPECT_EQ(after[path[0]].children[path[1]].title, QString("Cisco"));

    // The vendor leaves: the network of the same title is not selected instead.
    list.removeIf([](const SVSideViewSource& s) { return s.vendor == "Cisco"; });
    after = sideViewItemsForSources(list);
    EXPECT_TRUE(findSideViewItem(after, selected).isEmpty());

    // A category is found again by its title.
    EXPECT_EQ(findSideViewItem(after, SVSideViewSelection::of(after[3])), QVector<int>{3});
}

TEST(SideView, ItemModelServesATreeView)
{
    SVSideViewModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setItems(sideViewItemsForSources(fixture()));

    ASSERT_EQ(model.rowCount(), 7);
    const QModelIndex group = model.index(0, 0);
    EXPECT_EQ(model.data(group).toString(), QString("RESULTS"));
    EXPECT_FALSE(model.flags(group) & Qt::ItemIsSelectable);
    EXPECT_FALSE(model.data(group, SVSideViewModel::ImageNameRole).isValid());

    const QModelIndex names = model.index(2, 0);
    EXPECT_EQ(model.rowCount(names), 4);
    EXPECT_EQ(model.data(model.index(2, 1)).toString(), QString("4"));
    EXPECT_FALSE(model.data(model.index(1, 1)).isValid()); // bands show no count
    EXPECT_EQ(model.data(names, SVSideViewModel::ImageNameRole).toString(), QString("category"));

    const QModelIndex home = model.index(1, 0, names);
    EXPECT_EQ(model.parent(home), names);
    EXPECT_EQ(model.data(home).toString(), QString("Home"));
    EXPECT_EQ(model.data(home, SVSideViewModel::IdentifierRole).toString(), QString("item-networkname"));
    EXPECT_EQ(model.data(home, SVSideViewModel::ImageNameRole).toString(), QString("yellow"));
    EXPECT_TRUE(model.flags(home) & Qt::ItemIsSelectable);

    // A rebuild hands back where the kept selection is now.
    auto list = fixture();
    list.prepend(source("Attic", "", "", "", "Z:1", "Z:1", ""));
    const QModelIndex kept = model.setItems(sideViewItemsForSources(list), SVSideViewSelection::of(*model.itemAt(home)));
    ASSERT_TRUE(kept.isValid());
    EXPECT_EQ(kept.row(), 2);
    EXPECT_EQ(kept.parent().row(), 2);
    EXPECT_EQ(model.data(kept).toString(), QString("Home"));
}

} // namespace
