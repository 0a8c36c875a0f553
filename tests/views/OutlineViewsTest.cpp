#include "platform/NotificationCenter.h"
#include "model/SVDefaultsKeys.h"
#include "platform/UserDefaults.h"
#include "views/SVOutlineViews.h"

#include <QAction>
#include <QMenu>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Collects the list views' notifications.
struct Posted {
    Posted()
    {
        auto& center = sv::NotificationCenter::defaultCenter();
        for (const QString& name : {kFilterUsingKeysNotification, kAltKeyDownNotification, kAltKeyUpNotification})
            tokens.push_back(center.addObserver(name, [this](const sv::Notification& n) {
                names << n.name;
                if (n.userInfo.contains(kSignalStrengthThresholdKey))
                    thresholds << n.userInfo.value(kSignalStrengthThresholdKey).toInt();
            }));
    }
    QStringList names;
    QList<int> thresholds;
    std::vector<sv::NotificationCenter::Observation> tokens;
};

} // namespace

TEST(OutlineViews, ThresholdKeys)
{
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        qint64 stored;
        std::optional<int> threshold;
    } cases[] = {
        {Qt::Key_0, alt, 0, 0},
        {Qt::Key_5, alt, 0, 50},
        {Qt::Key_9, alt, 0, 90},
        {Qt::Key_Q, alt, 0, 15},
        {Qt::Key_O, alt, 0, 95},
        {Qt::Key_5, alt | Qt::ShiftModifier, 0, std::nullopt},
        {Qt::Key_5, alt | Qt::ControlModifier, 0, std::nullopt},
        {Qt::Key_5, Qt::NoModifier, 0, std::nullopt},
        {Qt::Key_P, alt, 0, std::nullopt},
        {Qt::Key_Escape, Qt::NoModifier, 20, 0},
        {Qt::Key_Escape, Qt::ShiftModifier, 1, 0},
        {Qt::Key_Escape, Qt::NoModifier, 0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(thresholdForKey(c.key, c.modifiers, c.stored), c.threshold) << c.key << " " << int(c.modifiers);
}

TEST(OutlineViews, NetworksViewPostsThresholdsAndAltKey)
{
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(SVDefaultsKey::SignalStrengthThreshold);
    QStandardItemModel model(3, 1);
    SVNetworksView view;
    view.setModel(&model);
    EXPECT_FALSE(view.isAnimated());
    view.show();
    Posted posted;

    QTest::keyClick(&view, Qt::Key_5, Qt::AltModifier);
    QTest::keyClick(&view, Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(&view, Qt::Key_5, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(posted.thresholds, (QList<int>{50, 15}));

    // Two presses of Alt: down, up, down, up.
    posted.names.clear();
    for (int i = 0; i < 2; ++i) {
        QTest::keyPress(&view, Qt::Key_Alt);
        QTest::keyRelease(&view, Qt::Key_Alt);
    }
    EXPECT_EQ(posted.names, (QStringList{kAltKeyDownNotification, kAltKeyUpNotification, kAltKeyDownNotification,
                                         kAltKeyUpNotification}));

    // Escape clears a stored threshold; without one it deselects.
    view.selectionModel()->select(model.index(1, 0), QItemSelectionModel::ClearAndSelect);
    defaults.setInteger(20, SVDefaultsKey::SignalStrengthThreshold);
    posted.thresholds.clear();
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(posted.thresholds, QList<int>{0});
    EXPECT_TRUE(view.selectionModel()->hasSelection());
    defaults.removeObjectForKey(SVDefaultsKey::SignalStrengthThreshold);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(posted.thresholds, QList<int>{0});
    EXPECT_FALSE(view.selectionModel()->hasSelection());
}

TEST(OutlineViews, SidebarRemembersOpensAndOffersItsMenu)
{
    QStandardItemModel model;
    auto* names = new QStandardItem(QStringLiteral("Network Name"));
    names->appendRow(new QStandardItem(QStringLiteral("Home")));
    names->appendRow(new QStandardItem(QStringLiteral("Office")));
    auto* vendor = new QStandardItem(QStringLiteral("Vendor"));
    vendor->appendRow(new QStandardItem(QStringLiteral("Unknown")));
    model.appendRow(names);
    model.appendRow(vendor);
    SVSideView view;
    view.setModel(&model);
    view.resize(200, 300);
    view.show();

    // A stored title counts as expanded before the user touches the sidebar.
    view.setExpandedTitles({QStringLiteral("Vendor")});
    EXPECT_TRUE(view.isExpandedTitle(QStringLiteral("Vendor")));
    EXPECT_FALSE(view.isExpandedTitle(QStringLiteral("Network Name")));

    // Space toggles the selected row, and the change is remembered.
    const QModelIndex namesIndex = model.indexFromItem(names);
    view.setCurrentIndex(namesIndex);
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_TRUE(view.isExpanded(namesIndex));
    EXPECT_TRUE(view.isExpandedTitle(QStringLiteral("Network Name")));
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(view.isExpanded(namesIndex));
    EXPECT_FALSE(view.isExpandedTitle(QStringLiteral("Network Name")));

    // Letters and Page Down do not move the selection; Down does.
    view.expand(namesIndex);
    QTest::keyClick(&view, Qt::Key_O);
    QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_EQ(view.currentIndex(), namesIndex);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.currentIndex().data().toString(), QStringLiteral("Home"));

    // The context menu: item commands only for an expandable row, whose
    // row it selects; a leaf keeps the selection.
    auto titles = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << a->text() + (a->isEnabled() ? "" : " (off)");
        return out;
    };
    const QModelIndex home = model.indexFromItem(names->child(0));
    std::unique_ptr<QMenu> leaf(view.menuForPoint(view.visualRect(home).center()));
    ASSERT_TRUE(leaf);
    EXPECT_EQ(titles(leaf.get()), (QStringList{"Expand Item (off)", "Collapse Item (off)", "Expand All", "Collapse All"}));
    EXPECT_EQ(view.selectionModel()->selectedRows().value(0), home);

    std::unique_ptr<QMenu> category(view.menuForPoint(view.visualRect(namesIndex).center()));
    ASSERT_TRUE(category);
    EXPECT_EQ(titles(category.get()), (QStringList{"Expand Item", "Collapse Item", "Expand All", "Collapse All"}));
    EXPECT_EQ(view.selectionModel()->selectedRows().value(0), namesIndex);
    category->actions()[1]->trigger();
    EXPECT_FALSE(view.isExpanded(namesIndex));
    category->actions()[2]->trigger();
    EXPECT_TRUE(view.isExpanded(namesIndex));
    EXPECT_TRUE(view.isExpanded(model.indexFromItem(vendor)));

    EXPECT_EQ(view.menuForPoint(QPoint(5, 290)), nullptr); // below every row
}

TEST(OutlineViews, SidebarMenuFindsItsRowAfterARebuild)
{
    // The sidebar is rebuilt every scan: new rows, possibly in new places.
    QStandardItemModel model;
    const auto rebuild = [&](const QStringList& categories) {
        model.clear();
        for (const QString& title : categories) {
            auto* category = new QStandardItem(title);
            category->appendRow(new QStandardItem(title + QStringLiteral(" item")));
            model.appendRow(category);
        }
    };
    const auto row = [&](const QString& title) {
        return model.findItems(title).value(0) ? model.indexFromItem(model.findItems(title).first()) : QModelIndex();
    };
    SVSideView view;
    view.setModel(&model);
    view.resize(200, 300);
    view.show();

    struct Case {
        QStringList after;
        bool vendorOpen;
    } cases[] = {
        {{QStringLiteral("Security"), QStringLiteral("Network Name"), QStringLiteral("Vendor")}, true},
        {{QStringLiteral("Security"), QStringLiteral("Network Name")}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after.join(',').toStdString());
        rebuild({QStringLiteral("Vendor"), QStringLiteral("Network Name")});
        std::unique_ptr<QMenu> menu(view.menuForPoint(view.visualRect(row(QStringLiteral("Vendor"))).center()));
        ASSERT_TRUE(menu);
        rebuild(c.after);
        menu->actions()[0]->trigger(); // Expand Item
        EXPECT_EQ(view.isExpanded(row(QStringLiteral("Vendor"))), c.vendorOpen);
        EXPECT_FALSE(view.isExpanded(row(QStringLiteral("Network Name"))));
        EXPECT_FALSE(view.isExpanded(row(QStringLiteral("Security"))));
    }

    // A secondary click on an item opens the menu without selecting it.
    rebuild({QStringLiteral("Vendor"), QStringLiteral("Network Name")});
    view.expandAll();
    const QModelIndex item = model.index(0, 0, row(QStringLiteral("Network Name")));
    view.setCurrentIndex(row(QStringLiteral("Vendor")));
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, view.visualRect(item).center());
    QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, view.visualRect(item).center());
    EXPECT_EQ(view.selectionModel()->selectedRows(), QModelIndexList{row(QStringLiteral("Vendor"))});
}
