#include <gtest/gtest.h>

#include "platform/ServiceBrowser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

namespace {

TEST(ServiceBrowser, TxtValueFindsTheFirstEntryWithExactlyThatKey)
{
    sv::ServiceInfo s;
    s.txt = {"waMAX=no", "flag", "waMA=00-11,raMA=AA-BB", "waMA=second", "empty="};
    EXPECT_EQ(s.txtValue("waMA"), QByteArray("00-11,raMA=AA-BB"));
    EXPECT_EQ(s.txtValue("flag"), QByteArray());
    EXPECT_EQ(s.txtValue("empty"), QByteArray());
    EXPECT_EQ(s.txtValue("wa"), std::nullopt);
    EXPECT_EQ(s.txtValue("missing"), std::nullopt);
}

TEST(ServiceBrowser, RequestsNeverWaitForTheDaemon)
{
    // Whether or not a daemon runs, asking returns at once and answers arrive
    // later through the event loop; a resolve without a daemon fails.
    sv::ServiceBrowser browser;
    QSignalSpy failed(&browser, &sv::ServiceBrowser::resolveFailed);
    QSignalSpy stopped(&browser, &sv::ServiceBrowser::browseStopped);
    sv::ServiceInfo s;
    s.interfaceIndex = 1;
    s.protocol = 0;
    s.name = "Nobody here";
    s.type = "_skyvane-none._tcp";
    s.domain = "local";
    QElapsedTimer t;
    t.start();
    browser.browse(s.type, s.domain);
    browser.resolve(s, 500);
    browser.stop();
    EXPECT_LT(t.elapsed(), 100);
    EXPECT_TRUE(stopped.wait(5000));
    EXPECT_TRUE(failed.count() > 0 || failed.wait(5000));
}

} // namespace
