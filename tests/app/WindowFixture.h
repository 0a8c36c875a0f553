#pragma once

#include "app/AppDelegate.h"
#include "app/SVAlert.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Resources.h"

#include <QFile>
#include <QTest>

#include <memory>

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

// Waits until n more lists have been shown, with a bound a busy machine keeps.
inline bool waitForShownLists(int n)
{
    int seen = 0;
    auto token = sv::NotificationCenter::defaultCenter().addObserver(
        AppDelegate::DidFindNetworksNotification, [&](const sv::Notification&) { ++seen; });
    return QTest::qWaitFor([&] { return seen >= n; }, 60000);
}

} // namespace sv::test
