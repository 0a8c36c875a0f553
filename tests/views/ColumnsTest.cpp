#include <gtest/gtest.h>

#include "FakeRow.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "views/SVColumnLayout.h"
#include "model/SVNetworkColumns.h"
#include "views/SVTableHeaderMenu.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QHeaderView>
#include <QMenu>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTreeView>

#include <memory>

namespace {

// A tree view with one section per network column, as the window has.
struct Table {
    QStandardItemModel model{0, int(networkColumns().size())};
    QTreeView view;
    Table()
    {
        view.setModel(&model);
        view.resize(1200, 300);
    }
    QHeaderView& header() { return *view.header(); }
    int logical(const char* id) const { return networkColumnIndex(id); }
};

QStringList identifiers(const SVColumnLayout& layout)
{
    QStringList ids;
    for (const SVColumnState& s : layout)
        ids << s.identifier;
    return ids;
}

} // namespace

TEST(NetworkColumns, TableHasEveryColumnWithAnAccessorForItsSortKey)
{
    const auto columns = networkColumns();
    ASSERT_EQ(columns.size(), 40u);
    EXPECT_EQ(columns.front().identifier, "IS_USER_HIDDEN");
    EXPECT_EQ(columns.back().identifier, "SEEN");
    EXPECT_EQ(networkColumnIndex("RSSI_AVG"), 8);
    EXPECT_EQ(networkColumnIndex("NOPE"), -1);

    FakeRow row;
    int shown = 0;
    for (const SVNetworkColumn& c : columns) {
        SCOPED_TRACE(c.identifier.toStdString());
        shown += c.shownByDefault;
        EXPECT_LE(c.minWidth, c.width);
        EXPECT_LE(c.width, c.maxWidth);
        if (c.identifier == "IS_USER_HIDDEN") {
            EXPECT_TRUE(c.sortKey.isEmpty());
            EXPECT_EQ(networkColumnTitle(c), "");
            continue;
        }
        EXPECT_TRUE(row.valueForKey(c.sortKey).isValid()) << c.sortKey.toStdString();
        EXPECT_FALSE(networkColumnTitle(c).isEmpty());
    }
    EXPECT_EQ(shown, 12);
    EXPECT_EQ(networkColumn("SSID")->cell, SVColumnCell::TextAndImage);
    EXPECT_EQ(networkColumn("CHANNEL_UTILIZATION")->cell, SVColumnCell::LevelIndicator);
    EXPECT_TRUE(networkColumn("ANNOTATIONS")->editable);
}

TEST(NetworkColumns, SortComparisons)
{
    using C = SVColumnComparison;
    const QDateTime early = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    const QDateTime late = QDateTime::fromSecsSinceEpoch(2000, Qt::UTC);
    struct Case {
        C comparison;
        QVariant a, b;
        int expected;
    } cases[] = {
        {C::LocalizedStandard, "ch 9", "ch 10", -1}, // numbers inside text by value
        {C::LocalizedStandard, "Beta", "alpha", 1},
        {C::CaseInsensitive, "abc", "ABC", 0},
        {C::CaseInsensitive, "abc", "ABD", -1},
        {C::Compare, qint64(-80), qint64(-70), -1},
        {C::Compare, 2.5, 1.0, 1},
        {C::Compare, late, early, 1},
        {C::Compare, QVariant(), 0.0, -1},          // absent elapsed time first
        {C::Compare, QDateTime(), early, -1},       // absent date first
        {C::Compare, QVariant(), QVariant(), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compareColumnValues(c.comparison, c.a, c.b), c.expected)
            << c.a.toString().toStdString() << " vs " << c.b.toString().toStdString();
}

TEST(ColumnLayout, DecodeKeepsWhatItCanOfAStoredLayout)
{
    EXPECT_EQ(decodeColumnLayout(QVariant()), defaultColumnLayout());
    EXPECT_EQ(decodeColumnLayout(QString("garbage")), defaultColumnLayout());

    const QVariantList stored = {
        QVariantMap{{"identifier", "SEEN"}, {"width", 90}, {"hidden", true}},
        QVariantMap{{"identifier", "NO_SUCH_COLUMN"}, {"width", 90}},
        QVariantMap{{"identifier", "SSID"}, {"width", 10}},          // below its minimum
        QVariantMap{{"identifier", "SEEN"}, {"width", 300}},         // repeated
        QVariantMap{{"identifier", "BSSID"}, {"hidden", true}},      // outline column stays
        QVariantMap{{"identifier", "IS_USER_HIDDEN"}, {"width", 50}},
        QString("not a column"),
    };
    const SVColumnLayout layout = decodeColumnLayout(stored);
    ASSERT_EQ(layout.size(), 40);
    const QStringList ids = identifiers(layout);
    EXPECT_EQ(ids.mid(0, 3), QStringList({"SEEN", "SSID", "BSSID"}));
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), 40);
    EXPECT_EQ(layout[ids.indexOf("SEEN")], (SVColumnState{"SEEN", 90, true}));
    EXPECT_EQ(layout[ids.indexOf("SSID")].width, 40);
    EXPECT_FALSE(layout[ids.indexOf("BSSID")].hidden);
    EXPECT_EQ(layout[ids.indexOf("IS_USER_HIDDEN")].width, 4);
    EXPECT_TRUE(layout[ids.indexOf("NOISE")].hidden); // missing: default state
}

TEST(ColumnLayout, OrderWidthsAndHiddenStateSurviveARelaunch)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    SVColumnLayout arranged;
    {
        sv::UserDefaults defaults(file);
        Table t;
        SVColumnAutosave autosave(&t.header(), defaults);
        EXPECT_EQ(autosave.layout(), defaultColumnLayout());
        EXPECT_TRUE(t.header().isSectionHidden(t.logical("NOISE")));
        EXPECT_EQ(t.header().sectionSize(t.logical("SSID")), 160);

        t.header().moveSection(t.header().visualIndex(t.logical("SEEN")), 1);
        t.header().resizeSection(t.logical("VENDOR"), 222);
        t.header().resizeSection(t.logical("RSSI"), 20); // held to its minimum of 60
        t.header().setSectionHidden(t.logical("NOISE"), false);
        t.header().resizeSection(t.logical("CHANNEL"), 77);
        t.header().setSectionHidden(t.logical("CHANNEL"), true);
        EXPECT_EQ(t.header().sectionSize(t.logical("RSSI")), 60);
        arranged = autosave.layout();
        ASSERT_TRUE(defaults.synchronize());
    }
    EXPECT_EQ(identifiers(arranged)[1], "SEEN");

    sv::UserDefaults defaults(file);
    Table t;
    SVColumnAutosave autosave(&t.header(), defaults);
    EXPECT_EQ(autosave.layout(), arranged);
    EXPECT_EQ(t.header().logicalIndex(1), t.logical("SEEN"));
    EXPECT_EQ(t.header().sectionSize(t.logical("VENDOR")), 222);
    EXPECT_FALSE(t.header().isSectionHidden(t.logical("NOISE")));
    EXPECT_TRUE(t.header().isSectionHidden(t.logical("CHANNEL")));
    // A hidden column comes back at the width it had when shown.
    t.header().setSectionHidden(t.logical("CHANNEL"), false);
    EXPECT_EQ(t.header().sectionSize(t.logical("CHANNEL")), 77);
}

TEST(TableHeaderMenu, EntriesAndActions)
{
    Table t;
    QTemporaryDir dir;
    sv::UserDefaults defaults(dir.filePath("s.conf"));
    SVColumnAutosave autosave(&t.header(), defaults);
    std::unique_ptr<QMenu> menu(menuForTableHeader(t.view));
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 3 + 39);
    EXPECT_EQ(items[0]->text(), "Auto Size Column");
    EXPECT_EQ(items[0]->data().toString(), "autosizecolumn");
    EXPECT_EQ(items[1]->data().toString(), "autosizeallcolumns");
    EXPECT_TRUE(items[2]->isSeparator());
    QAction* noise = nullptr;
    for (int i = 3; i < items.size(); ++i) {
        const QString id = items[i]->data().toString();
        SCOPED_TRACE(id.toStdString());
        EXPECT_NE(id, "IS_USER_HIDDEN");
        if (i > 3) {
            EXPECT_LE(items[i - 1]->text().compare(items[i]->text(), Qt::CaseInsensitive), 0);
        }
        EXPECT_EQ(items[i]->isChecked(), networkColumn(id)->shownByDefault);
        EXPECT_EQ(items[i]->isEnabled(), id != "BSSID");
        EXPECT_EQ(items[i]->text(), networkColumnTitle(*networkColumn(id)));
        if (id == "NOISE")
            noise = items[i];
    }
    ASSERT_TRUE(noise);

    int posted = 0;
    auto observation = sv::NotificationCenter::defaultCenter().addObserver(
        "ColumnDidChangeHiddenState", [&](const sv::Notification&) { ++posted; },
        sv::NotificationCenter::Delivery::PostingThread);
    QStringList toggled;
    const auto callback = [&](const QString& id) { toggled << id; };
    onTableHeaderMenu(*noise, t.view, -1, callback);
    EXPECT_FALSE(t.header().isSectionHidden(t.logical("NOISE")));
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(toggled, QStringList{"NOISE"});
    EXPECT_FALSE(decodeColumnLayout(defaults.objectForKey(kNetworksTableAutosaveName))
                     [identifiers(autosave.layout()).indexOf("NOISE")].hidden);

    // Auto size with no clicked column changes nothing and posts nothing.
    const int width = t.header().sectionSize(t.logical("VENDOR"));
    onTableHeaderMenu(*items[0], t.view, -1, callback);
    EXPECT_EQ(t.header().sectionSize(t.logical("VENDOR")), width);
    EXPECT_EQ(posted, 1);
}

TEST(TableHeaderMenu, OpensOnARightClickInTheHeader)
{
    Table t;
    t.view.show();
    QStringList toggled;
    installTableHeaderMenu(t.view, [&](const QString& id) { toggled << id; });
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (QAction* a : menu->actions()) {
            if (a->data().toString() == "NOISE") {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
            }
        }
    });
    ASSERT_FALSE(t.header().isSectionHidden(t.logical("NOISE")));
    const QPoint inHeader(t.view.header()->sectionViewportPosition(t.logical("SSID")) + 5, 5);
    emit t.view.header()->customContextMenuRequested(inHeader);
    EXPECT_EQ(toggled, QStringList{"NOISE"});
    EXPECT_TRUE(t.header().isSectionHidden(t.logical("NOISE")));
}
