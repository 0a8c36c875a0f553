#include "preferences/AdvancedPrefsViewController.h"
#include "preferences/ColumnsPrefsViewController.h"
#include "preferences/GeneralPrefsViewController.h"
#include "preferences/MASPreferencesWindowController.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "model/SVNetworkColumns.h"
#include "views/SVTableHeaderMenu.h"

#include "support/QStringPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// A pane of a given size, optionally resizable.
struct Pane : MASPreferencesViewController {
    Pane(QString id, QSize size, bool resizable) : id(std::move(id)), resizable(resizable)
    {
        widget.setMinimumSize(size);
        widget.resize(size);
    }
    QString identifier() const override { return id; }
    QIcon toolbarItemImage() const override { return {}; }
    QString toolbarItemLabel() const override { return id + QStringLiteral(" label"); }
    QWidget* view() override { return &widget; }
    std::optional<bool> hasResizableWidth() const override { return resizable; }
    std::optional<bool> hasResizableHeight() const override { return resizable; }
    bool commitEditing() override { return commits; }
    QString id;
    bool resizable;
    bool commits = true;
    QWidget widget;
};

struct Store {
    QTemporaryDir dir;
    sv::UserDefaults defaults{dir.filePath(QStringLiteral("prefs.conf"))};
};

// Records the panes' delegate operations.
struct Delegate : GeneralPrefsViewControllerDelegate,
                  ColumnsPrefsViewControllerDelegate,
                  AdvancedPrefsViewControllerDelegate {
    void valuesDidChange(GeneralPrefsViewController*) override { calls << QStringLiteral("valuesDidChange"); }
    void userDidToggleColumnState(const QString& id) override { calls << QStringLiteral("toggle ") + id; }
    void toggleDisplayAnnotations(bool on) override { calls << QStringLiteral("annotations %1").arg(on); }
    void toggleHideChannelGraphs() override { calls << QStringLiteral("toggleHideChannelGraphs"); }
    void toggleHideDFSChannels() override { calls << QStringLiteral("toggleHideDFSChannels"); }
    // Delegate operations arrive queued, after the action.
    bool waitFor(qsizetype n) { return QTest::qWaitFor([&] { return calls.size() >= n; }, 60000); }
    QStringList calls;
};

} // namespace

TEST(PreferencesWindow, SwitchesPanesAroundTheirSizesKeepingTheTopLeft)
{
    Store store;
    Pane big(QStringLiteral("Big"), QSize(500, 400), true);
    Pane small(QStringLiteral("Small"), QSize(300, 150), false);
    Pane last(QStringLiteral("Last"), QSize(320, 200), false);
    {
        MASPreferencesWindowController window({&big, nullptr, &small, &last}, QString(), store.defaults);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_EQ(window.selectedViewController(), &big) << "nothing stored: the first pane";
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Big label"));
        EXPECT_EQ(big.widget.size(), QSize(500, 400));
        const QPoint topLeft = window.pos();

        window.goNextTab(); // skips the flexible space
        EXPECT_EQ(window.selectedViewController(), &small);
        EXPECT_EQ(small.widget.size(), QSize(300, 150));
        EXPECT_EQ(window.pos(), topLeft);
        EXPECT_EQ(window.width(), 300);

        window.selectControllerAtIndex(0);
        window.goPreviousTab(); // from the first pane to the last
        EXPECT_EQ(window.selectedViewController(), &last);

        // A pane that will not commit its edits keeps the window on it.
        last.commits = false;
        window.selectControllerWithIdentifier(QStringLiteral("Big"));
        EXPECT_EQ(window.selectedViewController(), &last);
        last.commits = true;

        window.selectControllerWithIdentifier(QStringLiteral("Big"));
        window.resize(640, window.height() + 100); // the user resizes a resizable pane
        EXPECT_EQ(store.defaults.stringForKey(MASPreferencesWindowController::paneFrameKey(QStringLiteral("Big"))),
                  QStringLiteral("{{0, 0}, {640, 500}}"));
        window.selectControllerWithIdentifier(QStringLiteral("Small"));
        store.defaults.setString(QStringLiteral("{{0, 0}, {900, 900}}"),
                                 MASPreferencesWindowController::paneFrameKey(QStringLiteral("Small")));
        window.selectControllerWithIdentifier(QStringLiteral("Big"));
        window.selectControllerWithIdentifier(QStringLiteral("Small"));
        EXPECT_EQ(small.widget.size(), QSize(300, 150)) << "a fixed pane keeps its first size";
    }
    // Reopened: the last pane and the resized size come back.
    MASPreferencesWindowController again({&big, nullptr, &small, &last}, QString(), store.defaults);
    EXPECT_EQ(again.selectedViewController(), &small);
    again.selectControllerWithIdentifier(QStringLiteral("Big"));
    EXPECT_EQ(big.widget.size(), QSize(640, 500));

    // A stored pane that no longer exists falls back to the first.
    store.defaults.setString(QStringLiteral("Filters"), MASPreferencesWindowController::SelectedIdentifierKey);
    MASPreferencesWindowController fallback({nullptr, &small, &big}, QStringLiteral("Settings"), store.defaults);
    EXPECT_EQ(fallback.selectedViewController(), &small);
    EXPECT_EQ(fallback.windowTitle(), QStringLiteral("Settings"));
}

TEST(PreferencesWindow, ReopensWhereItWasMovedOnAScreen)
{
    Store store;
    Pane pane(QStringLiteral("General"), QSize(300, 200), false);
    QPoint moved;
    {
        MASPreferencesWindowController window({&pane}, QString(), store.defaults);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.move(window.pos() + QPoint(40, 30));
        moved = window.pos();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return store.defaults.stringForKey(MASPreferencesWindowController::FrameTopLeftKey)
                    == stringFromPoint(moved);
            },
            60000));
    }
    MASPreferencesWindowController again({&pane}, QString(), store.defaults);
    EXPECT_EQ(again.pos(), moved);

    // A place on no screen (a monitor since unplugged) is not restored.
    store.defaults.setString(QStringLiteral("{-50000, -50000}"), MASPreferencesWindowController::FrameTopLeftKey);
    MASPreferencesWindowController away({&pane}, QString(), store.defaults);
    EXPECT_NE(away.pos(), QPoint(-50000, -50000));
}

TEST(PreferencesWindow, PointAndRectangleTexts)
{
    EXPECT_EQ(stringFromRect(QRect(1, -2, 30, 40)), QStringLiteral("{{1, -2}, {30, 40}}"));
    EXPECT_EQ(rectFromString(QStringLiteral("{{0, 0}, {480.5, 270}}")), QRect(0, 0, 480, 270));
    EXPECT_EQ(pointFromString(QStringLiteral("{12, 34}")), QPoint(12, 34));
    for (const char* bad : {"", "{1, 2", "{{0, 0}, {-5, 3}}", "{{0, 0}, {1e300, 3}}", "{a, b}", "{{0,0},{1,2}} x"})
        EXPECT_FALSE(rectFromString(QString::fromLatin1(bad)).has_value() && pointFromString(QString::fromLatin1(bad)))
            << bad;
    EXPECT_FALSE(rectFromString(QStringLiteral("{{0, 0}, {1e300, 3}}")).has_value());
}

TEST(GeneralPrefs, SensitivityLabel)
{
    struct Case {
        int value;
        const char* text;
    };
    // 85 switches the cut off: the label says so rather than name a level.
    for (const Case& c : {Case{60, "Lowest"}, Case{100, "Highest"}, Case{70, "-70 dBm"}, Case{99, "-99 dBm"},
                          Case{85, "No limit"}, Case{84, "-84 dBm"}, Case{86, "-86 dBm"}})
        EXPECT_EQ(GeneralPrefsViewController::sensitivityLabelText(c.value, 60, 100), QString::fromLatin1(c.text));
}

TEST(GeneralPrefs, ControlsWriteTheirSettingsAndTellTheDelegate)
{
    Store store;
    store.defaults.registerDefaults({{QStringLiteral("Sensitivity"), 100}, {QStringLiteral("Units"), 0},
                                     {QStringLiteral("MaxElapsedTimeNotSeen"), 3},
                                     {QStringLiteral("DeleteIfNotSeen"), false}});
    GeneralPrefsViewController pane(store.defaults);
    Delegate delegate;
    pane.setDelegate(&delegate);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));

    auto* popUp = qobject_cast<QComboBox*>(pane.controlWithTag(GeneralPrefsViewController::MaxElapsedTimeNotSeenPopUp));
    auto* box = qobject_cast<QCheckBox*>(pane.controlWithTag(GeneralPrefsViewController::DeleteIfNotSeenCheckBox));
    ASSERT_TRUE(popUp && box);
    EXPECT_FALSE(popUp->isEnabled());
    EXPECT_EQ(popUp->currentData().toInt(), 3);

    store.defaults.setInteger(1, QStringLiteral("MaxElapsedTimeNotSeen")); // written elsewhere: the pop-up still says 3
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    EXPECT_TRUE(popUp->isEnabled());
    EXPECT_TRUE(store.defaults.boolForKey(QStringLiteral("DeleteIfNotSeen")));
    EXPECT_EQ(store.defaults.integerForKey(QStringLiteral("MaxElapsedTimeNotSeen")), 3) << "turning on writes the pop-up's value";
    ASSERT_TRUE(delegate.waitFor(2));
    EXPECT_EQ(delegate.calls, QStringList(2, QStringLiteral("valuesDidChange")));

    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    EXPECT_FALSE(popUp->isEnabled());
    EXPECT_FALSE(store.defaults.boolForKey(QStringLiteral("DeleteIfNotSeen")));
    EXPECT_EQ(store.defaults.integerForKey(QStringLiteral("MaxElapsedTimeNotSeen")), 3);

    auto* units = qobject_cast<QComboBox*>(pane.controlWithTag(GeneralPrefsViewController::UnitsPopUp));
    units->setFocus();
    QTest::keyClick(units, Qt::Key_Down);
    EXPECT_EQ(store.defaults.integerForKey(QStringLiteral("Units")), 1);
    EXPECT_EQ(units->currentText(), QStringLiteral("dBm"));

    auto* slider = qobject_cast<QSlider*>(pane.controlWithTag(GeneralPrefsViewController::SensitivitySlider));
    auto* label = qobject_cast<QLabel*>(pane.controlWithTag(GeneralPrefsViewController::SensitivityLabel));
    EXPECT_EQ(label->text(), QStringLiteral("Highest"));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Down);
    EXPECT_EQ(store.defaults.integerForKey(QStringLiteral("Sensitivity")), 99);
    EXPECT_EQ(label->text(), QStringLiteral("-99 dBm"));
    ASSERT_TRUE(delegate.waitFor(5));
}

TEST(ColumnsPrefs, ShowsAndHidesTheTablesColumns)
{
    Store store;
    QStandardItemModel model(0, int(networkColumns().size()));
    for (size_t i = 0; i < networkColumns().size(); ++i)
        model.setHeaderData(int(i), Qt::Horizontal, networkColumnTitle(networkColumns()[i]));
    QTreeView table;
    table.setModel(&model);
    ColumnsPrefsViewController pane(store.defaults);
    Delegate delegate;
    pane.setDelegate(&delegate);
    pane.setNetworksView(&table);
    pane.viewWillAppear();
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));

    QTreeWidget* list = pane.columnNamesTableView();
    EXPECT_EQ(list->topLevelItemCount(), int(networkColumns().size()) - 1) << "no row for the show/hide column";
    EXPECT_EQ(pane.columnDescriptionLabel()->text(), QStringLiteral("Select a column name for details."));
    QStringList names;
    QTreeWidgetItem* vendor = nullptr;
    QTreeWidgetItem* bssid = nullptr;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        names << item->text(ColumnsPrefsViewController::ColumnNameColumn);
        if (item->text(ColumnsPrefsViewController::ColumnNameColumn) == networkColumnTitle(*networkColumn(QStringLiteral("VENDOR"))))
            vendor = item;
        if (item->text(ColumnsPrefsViewController::ColumnNameColumn) == networkColumnTitle(*networkColumn(QStringLiteral("BSSID"))))
            bssid = item;
    }
    // In the user's alphabetical order (the locale's collation).
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return QString::localeAwareCompare(a, b) < 0; });
    EXPECT_EQ(names, sorted);
    ASSERT_TRUE(vendor && bssid);
    EXPECT_FALSE(bssid->flags() & Qt::ItemIsEnabled) << "the tree's column cannot be hidden";

    // A click on the vendor row's checkbox hides the column.
    const int vendorColumn = networkColumnIndex(QStringLiteral("VENDOR"));
    list->scrollToItem(vendor);
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.rect = list->visualItemRect(vendor);
    option.rect.setWidth(list->header()->sectionSize(0));
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_TRUE(table.header()->isSectionHidden(vendorColumn));
    ASSERT_TRUE(delegate.waitFor(1));
    EXPECT_EQ(delegate.calls.front(), QStringLiteral("toggle VENDOR"));

    // Shown again from the table header's menu: the pane follows.
    table.header()->setSectionHidden(vendorColumn, false);
    sv::NotificationCenter::defaultCenter().post(kColumnDidChangeHiddenStateNotification);
    QTest::qWait(0);
    bool shown = false;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(1) == networkColumnTitle(*networkColumn(QStringLiteral("VENDOR"))))
            shown = list->topLevelItem(i)->checkState(0) == Qt::Checked;
    EXPECT_TRUE(shown);

    QTest::mouseClick(pane.displayAnnotationsButton(), Qt::LeftButton, {},
                      pane.displayAnnotationsButton()->rect().center());
    EXPECT_TRUE(store.defaults.boolForKey(QStringLiteral("DisplayAnnotations")));
    ASSERT_TRUE(delegate.waitFor(2));
    EXPECT_EQ(delegate.calls[1], QStringLiteral("annotations 1"));
}

TEST(ColumnsPrefs, SelectingAColumnShowsItsDescription)
{
    Store store;
    QStandardItemModel model(0, int(networkColumns().size()));
    QTreeView table;
    table.setModel(&model);
    ColumnsPrefsViewController pane(store.defaults);
    pane.setNetworksView(&table);
    pane.viewWillAppear();
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));

    QTreeWidget* list = pane.columnNamesTableView();
    QLabel* label = pane.columnDescriptionLabel();
    QSet<QString> seen;
    int selectable = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (!(item->flags() & Qt::ItemIsEnabled))
            continue; // the tree's own column
        ++selectable;
        list->setCurrentItem(item);
        const SVNetworkColumn* column = networkColumn(item->data(0, ColumnsPrefsViewController::IdentifierRole).toString());
        ASSERT_TRUE(column) << i;
        SCOPED_TRACE(column->identifier.toStdString());
        EXPECT_FALSE(label->text().isEmpty());
        EXPECT_EQ(label->text(), networkColumnDescription(*column));
        seen.insert(label->text());
    }
    EXPECT_EQ(seen.size(), selectable) << "each column tells its own";
    list->clearSelection();
    EXPECT_EQ(label->text(), QString());
}

TEST(AdvancedPrefs, CheckboxesWriteTheirSettingsAndTellTheDelegate)
{
    Store store;
    store.defaults.setInteger(7, QStringLiteral("UpdateAlertSuppressionButton"));
    AdvancedPrefsViewController pane(store.defaults);
    Delegate delegate;
    pane.setDelegate(&delegate);
    int checks = 0;
    pane.setCheckNow([&] { ++checks; });
    pane.viewWillAppear();
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    EXPECT_TRUE(pane.checkForUpdatesCheckbox()->isChecked()) << "any value but 1 shows the box on";

    auto click = [](QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center()); };
    click(pane.hideChannelGraphsCheckbox());
    click(pane.hideDFSChannelsCheckbox());
    click(pane.checkForUpdatesCheckbox());
    click(pane.autoUpdateCheckbox());
    click(pane.checkNowButton());
    EXPECT_TRUE(store.defaults.boolForKey(QStringLiteral("HideChannelGraphs")));
    EXPECT_TRUE(store.defaults.boolForKey(QStringLiteral("HideDFSChannels")));
    EXPECT_EQ(store.defaults.integerForKey(QStringLiteral("UpdateAlertSuppressionButton")), 1);
    EXPECT_TRUE(store.defaults.boolForKey(QStringLiteral("AutoUpdateVendorsDatabase")));
    EXPECT_EQ(checks, 1);
    ASSERT_TRUE(delegate.waitFor(2));
    EXPECT_EQ(delegate.calls, (QStringList{QStringLiteral("toggleHideChannelGraphs"), QStringLiteral("toggleHideDFSChannels")}));
}
