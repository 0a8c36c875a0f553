#pragma once

#include "app/AppDelegate.h"
#include "app/SVAlert.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/NotificationCenter.h"

#include <QFile>
#include <QTest>

#include <memory>

namespace sv::test {

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

// Waits until n more lists have been shown, with a bound a busy machine keeps.
inline bool waitForShownLists(int n)
{
    int seen = 0;
    auto token = sv::NotificationCenter::defaultCenter().addObserver(
        AppDelegate::DidFindNetworksNotification, [&](const sv::Notification&) { ++seen; });
    return QTest::qWaitFor([&] { return seen >= n; }, 60000);
}

} // namespace sv::test
