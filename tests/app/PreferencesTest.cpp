#include "app/AppDelegate.h"
#include "app/WindowFixture.h"
#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "preferences/ColumnsPrefsViewController.h"
#include "preferences/GeneralPrefsViewController.h"
#include "preferences/MASPreferencesWindowController.h"
#include "views/SVNetworksTableModel.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenuBar>
#include <QTest>
#include <QHeaderView>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

TEST(Preferences, TheMenuOpensThemAndUnitsReachTheWindowAtOnce)
{
    SVAlert::setAutomaticResponder([](const SVAlert&) { return SVAlert::FirstButtonReturn; });
    AppDelegate::Options options;
    options.scenarioPath = sv::resourcePath(QStringLiteral("scenarios/office.json"));
    options.clock = std::make_shared<sv::ManualClock>();
    auto app = std::make_unique<AppDelegate>(options);
    app->awakeFromNib();
    app->applicationWillFinishLaunching();
    sv::UserDefaults::standardUserDefaults().setInteger(0, QStringLiteral("Units"));
    app->loadDefaults();
    ASSERT_EQ(app->units(), 0);

    QAction* item = nullptr;
    for (QAction* a : app->window()->menuBar()->findChildren<QAction*>())
        if (a->text() == QStringLiteral("Preferences..."))
            item = a;
    ASSERT_TRUE(item);
    item->trigger();
    MASPreferencesWindowController* prefs = app->preferencesWindow();
    ASSERT_TRUE(prefs && prefs->isVisible());
    prefs->selectControllerWithIdentifier(QStringLiteral("General"));
    auto* general = dynamic_cast<GeneralPrefsViewController*>(prefs->selectedViewController());
    ASSERT_TRUE(general);
    auto* units = qobject_cast<QComboBox*>(general->controlWithTag(GeneralPrefsViewController::UnitsPopUp));
    units->setFocus();
    QTest::keyClick(units, Qt::Key_Down);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app->units() == 1; }, 60000)) << "the table turns to dBm at once";

    sv::test::endWindow(app);
}

TEST(Preferences, TheColumnsPaneShownLastListsTheColumnsAtOnce)
{
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.setString(QStringLiteral("Columns"), MASPreferencesWindowController::SelectedIdentifierKey);
    auto app = sv::test::makeWindow();
    app->applicationWillFinishLaunching();

    app->showPreferencesWithIdentifier(QString());
    MASPreferencesWindowController* prefs = app->preferencesWindow();
    ASSERT_TRUE(prefs && prefs->isVisible());
    auto* columns = dynamic_cast<ColumnsPrefsViewController*>(prefs->selectedViewController());
    ASSERT_TRUE(columns) << "the pane shown last comes back";
    EXPECT_EQ(columns->columnNamesTableView()->topLevelItemCount(), app->networksView()->header()->count() - 1)
        << "every column but the show/hide one";

    defaults.removeObjectForKey(MASPreferencesWindowController::SelectedIdentifierKey);
    sv::test::endWindow(app);
}
