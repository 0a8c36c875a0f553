#include <gtest/gtest.h>

#include "model/SVNetServiceBrowser.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <avahi-client/client.h>
#include <avahi-common/simple-watch.h>

namespace {

sv::ServiceInfo station(const QString& name, QList<QByteArray> txt)
{
    sv::ServiceInfo s;
    s.interfaceIndex = 2;
    s.protocol = 0;
    s.name = name;
    s.type = SVNetServiceBrowser::ServiceType;
    s.domain = SVNetServiceBrowser::ServiceDomain;
    s.txt = std::move(txt);
    return s;
}

TEST(NetServiceBrowser, RadioAddressesInTXT)
{
    struct Case {
        QByteArray value;
        QStringList addresses;
    };
    const Case cases[] = {
        {"00-11-22-33-44-55,raMA=AA-BB-CC-DD-EE-01,raM2=AA-BB-CC-DD-EE-02,syAP=115",
         {"AA:BB:CC:DD:EE:01", "AA:BB:CC:DD:EE:02"}},
        {"raMA=aa-bb-cc-dd-ee-03", {"aa:bb:cc:dd:ee:03"}},
        // Pieces without exactly one "=", empty values and other names add nothing.
        {"raMA,raM2=x=y,raMA=,rama=AA-BB-CC-DD-EE-04,waMA=AA-BB-CC-DD-EE-05", {}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SVNetServiceBrowser::radioAddressesInTXT(c.value), c.addresses) << c.value.constData();
}

TEST(NetServiceBrowser, ResolvedServicesNameTheirRadios)
{
    SVNetServiceBrowser browser;
    browser.netServiceDidResolveAddress(station(
        "Office", {"waMA=00-11-22-33-44-55,raMA=AA-BB-CC-DD-EE-01,raM2=aa-bb-cc-dd-ee-02", "syVs=7.8"}));
    EXPECT_EQ(browser.deviceNameFor("AA:BB:CC:DD:EE:01"), "Office");
    // Names are stored under the text as announced: case matters.
    EXPECT_EQ(browser.deviceNameFor("AA:BB:CC:DD:EE:02"), "");
    EXPECT_EQ(browser.deviceNameFor("aa:bb:cc:dd:ee:02"), "Office");

    // A later announcement for the same radio wins; one without "waMA" adds nothing.
    browser.netServiceDidResolveAddress(station("Lobby", {"waMA=raMA=AA-BB-CC-DD-EE-01"}));
    browser.netServiceDidResolveAddress(station("Printer", {"raMA=AA-BB-CC-DD-EE-09"}));
    EXPECT_EQ(browser.deviceNameFor("AA:BB:CC:DD:EE:01"), "Lobby");
    EXPECT_EQ(browser.stations().size(), 2);
}

TEST(NetServiceBrowser, PausesBetweenCyclesDoubleUpToThirtySeconds)
{
    SVNetServiceBrowser browser;
    EXPECT_DOUBLE_EQ(browser.searchInterval(), 2.0);
    EXPECT_EQ(browser.pendingSearchDelay(), -1);
    const int expected[] = {4000, 8000, 16000, 30000, 30000, 30000};
    for (int ms : expected) {
        browser.netServiceBrowserDidStopSearch();
        EXPECT_EQ(browser.pendingSearchDelay(), ms);
        EXPECT_DOUBLE_EQ(browser.searchInterval(), ms / 1000.0);
    }
}

TEST(NetServiceBrowser, ServiceFoundAgainIsResolvedOnce)
{
    // Without a daemon the resolve fails (queued), which drops the service.
    SVNetServiceBrowser browser;
    const sv::ServiceInfo s = station("Office", {});
    browser.didFindService(s);
    browser.didFindService(s);
    EXPECT_EQ(browser.services().size(), 1);
    browser.netServiceDidResolveAddress(s);
    EXPECT_TRUE(browser.services().isEmpty());
}

QByteArray radios(int first, int count)
{
    QByteArray value = "waMA=00-00-00-00-00-00";
    for (int i = first; i < first + count; ++i)
        value += QStringLiteral(",raMA=02-00-00-00-%1-%2")
                     .arg(i >> 8, 2, 16, QLatin1Char('0'))
                     .arg(i & 0xFF, 2, 16, QLatin1Char('0'))
                     .toLatin1();
    return value;
}

TEST(NetServiceBrowser, NamesGoWithTheirService)
{
    SVNetServiceBrowser browser;
    const auto office = station("Office", {radios(0, 2)});
    const auto lobby = station("Lobby", {radios(1, 2)}); // claims Office's second radio
    browser.netServiceDidResolveAddress(office);
    browser.netServiceDidResolveAddress(lobby);
    ASSERT_EQ(browser.stations().size(), 3);

    browser.didRemoveService(office);
    EXPECT_EQ(browser.stations(), (QMap<QString, QString>{{"02:00:00:00:00:01", "Lobby"},
                                                          {"02:00:00:00:00:02", "Lobby"}}));

    // A cycle that does not find a service again drops its names.
    browser.netServiceDidResolveAddress(office);
    browser.didFindService(office);
    browser.didFinishBatch();
    EXPECT_EQ(browser.stations(), (QMap<QString, QString>{{"02:00:00:00:00:00", "Office"},
                                                          {"02:00:00:00:00:01", "Office"}}));
}

TEST(NetServiceBrowser, TableIsBounded)
{
    SVNetServiceBrowser browser;
    // One service names only a few radios.
    browser.netServiceDidResolveAddress(station("Many", {radios(0, 100)}));
    EXPECT_EQ(browser.stations().size(), SVNetServiceBrowser::MaximumRadiosPerService);

    const int services = int(SVNetServiceBrowser::MaximumStations / 2) + 10;
    for (int i = 0; i < services; ++i)
        browser.netServiceDidResolveAddress(station(QStringLiteral("s%1").arg(i), {radios(1000 + 2 * i, 2)}));
    EXPECT_EQ(browser.stations().size(), SVNetServiceBrowser::MaximumStations);
    // A radio already known may still change its name; room comes back when services go.
    browser.netServiceDidResolveAddress(station("Renamed", {radios(0, 1)}));
    EXPECT_EQ(browser.deviceNameFor("02:00:00:00:00:00"), "Renamed");
    browser.didRemoveService(station("s0", {}));
    browser.netServiceDidResolveAddress(station("Late", {radios(60000, 1)}));
    EXPECT_EQ(browser.deviceNameFor("02:00:00:00:ea:60"), "Late");
}

bool avahiDaemonReachable()
{
    AvahiSimplePoll* poll = avahi_simple_poll_new();
    if (!poll)
        return false;
    int error = 0;
    AvahiClient* client = avahi_client_new(
        avahi_simple_poll_get(poll), AvahiClientFlags(0), [](AvahiClient*, AvahiClientState, void*) {}, nullptr,
        &error);
    const bool running = client && avahi_client_get_state(client) == AVAHI_CLIENT_S_RUNNING;
    if (client)
        avahi_client_free(client);
    avahi_simple_poll_free(poll);
    return running;
}

TEST(NetServiceBrowserLive, FindsAnAnnouncedBaseStation)
{
    if (!avahiDaemonReachable())
        GTEST_SKIP() << "no avahi-daemon reachable on the system bus";
    const QString publish = QStandardPaths::findExecutable("avahi-publish");
    if (publish.isEmpty())
        GTEST_SKIP() << "avahi-publish is not installed";

    // Names and addresses of this process only, so parallel runs do not meet.
    const qint64 pid = QCoreApplication::applicationPid();
    const QString name = QStringLiteral("Skyvane test %1").arg(pid);
    const QString mac = QStringLiteral("02-5C-%1-%2-%3")
                            .arg((pid >> 16) & 0xFF, 2, 16, QChar('0'))
                            .arg((pid >> 8) & 0xFF, 2, 16, QChar('0'))
                            .arg(pid & 0xFF, 2, 16, QChar('0'))
                            .toUpper();
    QProcess announcer;
    announcer.start(publish, {"-s", name, SVNetServiceBrowser::ServiceType, "5009",
                              QStringLiteral("waMA=00-00-00-00-00-00,raMA=%1-01,raM2=%1-02").arg(mac)});
    ASSERT_TRUE(announcer.waitForStarted(5000));

    SVNetServiceBrowser browser;
    browser.searchServices();
    const QString first = QString(mac).replace('-', ':') + ":01";
    const QString second = QString(mac).replace('-', ':') + ":02";
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()
           && (browser.deviceNameFor(first).isEmpty() || browser.deviceNameFor(second).isEmpty()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    announcer.terminate();
    announcer.waitForFinished(5000);
    EXPECT_EQ(browser.deviceNameFor(first), name);
    EXPECT_EQ(browser.deviceNameFor(second), name);
}

} // namespace
