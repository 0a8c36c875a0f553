#pragma once

#include "app/AppDelegate.h"
#include "app/SVAlert.h"
#include "model/SVNetworkColumns.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "preferences/ColumnsPrefsViewController.h"
#include "preferences/MASPreferencesWindowController.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <memory>

#include <gtest/gtest.h>

namespace sv::test {

// A window on the shipped scenario (or the one the options name), its clock
// held still and its scan timer quick, made up to awakeFromNib (launch it
// when the test's responders stand).
inline std::unique_ptr<AppDelegate> makeWindow(AppDelegate::Options options = {})
{
    if (options.scenarioPath.isEmpty())
        options.scenarioPath = sv::resourcePath(QStringLiteral("scenarios/office.json"));
    options.clock = std::make_shared<sv::ManualClock>();
    options.scanTimerIntervalMs = 20;
    auto app = std::make_unique<AppDelegate>(options);
    app->awakeFromNib();
    return app;
}

inline std::unique_ptr<AppDelegate> makeWindow(const QString& scenarioPath)
{
    AppDelegate::Options options;
    options.scenarioPath = scenarioPath;
    return makeWindow(std::move(options));
}

// Ends a window test: the controller shuts down, alerts are shown again, and
// the shipped vendor database its start-up installed is removed, since other
// tests of the same process expect none.
inline void endWindow(std::unique_ptr<AppDelegate>& app)
{
    app->applicationWillTerminate();
    app.reset();
    SVAlert::setAutomaticResponder({});
    auto& vendors = SVVendorDatabaseHelper::sharedDatabase();
    QFile::remove(vendors.pathToDatabase());
    vendors.dropDatabase();
}

// Shows or hides a column of the network table as the user does, from the
// table header's menu; nothing when it already is so.
inline void setColumnShown(AppDelegate& app, const QString& identifier, bool shown)
{
    QHeaderView* header = app.networksView()->header();
    const int column = networkColumnIndex(identifier);
    ASSERT_GE(column, 0) << identifier.toStdString();
    if (header->isSectionHidden(column) != shown)
        return;
    bool chosen = false;
    QTimer::singleShot(0, qApp, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (QAction* a : menu->actions())
            if (a->data().toString() == identifier) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
                chosen = true;
                return;
            }
        menu->close();
    });
    const int first = header->logicalIndexAt(0);
    emit header->customContextMenuRequested(QPoint(header->sectionViewportPosition(first) + 2, 2));
    ASSERT_TRUE(chosen) << identifier.toStdString();
    ASSERT_NE(header->isSectionHidden(column), shown) << identifier.toStdString();
}

// Turns "Show annotations in the graphs" on or off as the user does, in the
// Columns pane of the preferences; nothing when it already is so.
inline void setDisplayAnnotationsOption(AppDelegate& app, bool on)
{
    app.showPreferencesWithIdentifier(QStringLiteral("Columns"));
    auto* pane = dynamic_cast<ColumnsPrefsViewController*>(app.preferencesWindow()->selectedViewController());
    ASSERT_TRUE(pane);
    QCheckBox* box = pane->displayAnnotationsButton();
    if (box->isChecked() != on) {
        QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
        // The pane tells the controller once the click is over.
        QCoreApplication::sendPostedEvents(pane, QEvent::MetaCall);
    }
    ASSERT_EQ(box->isChecked(), on);
    app.closePreferencesWindow();
    // The pane and place it was shown in stay out of later windows' settings.
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(MASPreferencesWindowController::SelectedIdentifierKey);
    defaults.removeObjectForKey(MASPreferencesWindowController::FrameTopLeftKey);
}

// Waits until n more lists have been shown, with a bound a busy machine keeps.
inline bool waitForShownLists(int n)
{
    int seen = 0;
    auto token = sv::NotificationCenter::defaultCenter().addObserver(
        AppDelegate::DidFindNetworksNotification, [&](const sv::Notification&) { ++seen; });
    return QTest::qWaitFor([&] { return seen >= n; }, 60000);
}

} // namespace sv::test
