#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include "model/SVVendorDatabaseHelper.h"
#include "model/SVVendorDatabaseUI.h"
#include "platform/ApplicationFolder.h"
#include "platform/Clock.h"
#include "platform/PropertyList.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotifications.h"
#include "platform/Zip.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTcpServer>
#include <QTcpSocket>
#include <QSet>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

const QDateTime T0(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::utc());

QString databasePath() { return sv::applicationSupportFolder() + "/vendors.plist"; }

using sv::test::readAll;
using sv::test::writeBytes;

void setFileDate(const QString& path, const QDateTime& date)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(date, QFileDevice::FileModificationTime));
}

// Installs a database file directly, dated as given.
void writeDatabase(const QVariantMap& entries, const QDateTime& date = T0)
{
    QDir().mkpath(sv::applicationSupportFolder());
    ASSERT_TRUE(sv::PropertyList::writeFile(entries, databasePath()));
    setFileDate(databasePath(), date);
}

QByteArray zipBytes(const QString& member, const QByteArray& content, const QDateTime& date = T0)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.zip");
    EXPECT_TRUE(sv::Zip::writeSingleMember(path, member, content, date));
    return readAll(path);
}

QByteArray databaseZip(const QVariantMap& entries, const QDateTime& date = T0)
{
    return zipBytes("vendors.plist", sv::PropertyList::toXml(entries), date);
}

bool waitUntil(const std::function<bool()>& done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void settle(int ms = 200)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Every sheet and alert, as one line of text each.
class RecordingUI : public SVVendorDatabaseUI {
public:
    QStringList events;
    UpdateChoice choice = UpdateChoice::No;
    bool suppress = false;

    void showProgress(const QString& message) override { events << "progress: " + message; }
    void hideProgress() override { events << "hide"; }
    void showInformationalAlert(const QString& message, const QString& informativeText,
                                const QString& button) override
    {
        events << "info: " + message + " | " + informativeText + " | " + button;
    }
    void askToUpdate(const QString& message, const QString& informativeText, const QStringList& buttons,
                     bool showsSuppressionButton, std::function<void(UpdateChoice, bool)> done) override
    {
        events << "ask: " + message + " | " + informativeText + " | " + buttons.join(", ")
                + (showsSuppressionButton ? " | suppression" : "");
        done(choice, suppress);
    }
    // The events other than the progress sheet's.
    QStringList alerts() const
    {
        QStringList a;
        for (const QString& e : events)
            if (e.startsWith("info") || e.startsWith("ask"))
                a << e;
        return a;
    }
};

class RecordingNotifications : public sv::UserNotifications {
public:
    bool available = true;
    QStringList delivered;
    bool isAvailable() const override { return available; }
    bool deliver(const QString& title, const QString& text) override
    {
        delivered << title + " | " + text;
        return true;
    }
};

// A one-answer HTTP server on 127.0.0.1: every request gets the same reply.
class HttpServer {
public:
    int status = 200;
    QByteArray reason = "OK";
    QList<QByteArray> headers;
    QByteArray body;
    qint64 declaredLength = -1; // Content-Length when it should differ from the body
    int requests = 0;
    QList<QByteArray> methods; // of every request, in order

    HttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                auto* buffer = new QByteArray;
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, buffer] {
                    delete buffer;
                    socket->deleteLater();
                });
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    buffer->append(socket->readAll());
                    if (!buffer->contains("\r\n\r\n"))
                        return;
                    const QByteArray method = buffer->left(buffer->indexOf(' '));
                    buffer->clear();
                    ++requests;
                    methods << method;
                    QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
                    for (const QByteArray& h : headers)
                        reply += h + "\r\n";
                    reply += "Content-Length: "
                        + QByteArray::number(declaredLength >= 0 ? declaredLength : body.size()) + "\r\n";
                    reply += "Connection: close\r\n\r\n";
                    if (method != "HEAD")
                        reply += body;
                    socket->write(reply);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/vendors.plist.zip").arg(m_server.serverPort());
    }
    void setLastModified(const QDateTime& date)
    {
        headers = {"Last-Modified: " + QLocale::c().toString(date, "ddd, dd MMM yyyy HH:mm:ss 'GMT'").toLatin1()};
    }

private:
    QTcpServer m_server;
};

class VendorDatabase : public ::testing::Test {
protected:
    QTemporaryDir settingsDir;
    std::shared_ptr<sv::ManualClock> clock = std::make_shared<sv::ManualClock>(T0.addDays(10));
    RecordingUI ui;
    RecordingNotifications notifications;
    SVVendorDatabaseHelper db;
    HttpServer server;

    void SetUp() override
    {
        QDir(sv::applicationSupportFolder()).removeRecursively();
        sv::UserDefaults::setStandardUserDefaults(
            std::make_unique<sv::UserDefaults>(settingsDir.filePath("settings.conf")));
        defaults().setString(server.url(), "VendorsDatabaseURL");
        defaults().setString(QStringLiteral(SKYVANE_VERSION), "LastLaunchedVersion");
        db.setUI(&ui);
        db.setUserNotifications(&notifications);
        db.setClock(clock);
    }
    void TearDown() override { sv::UserDefaults::setStandardUserDefaults(nullptr); }

    static sv::UserDefaults& defaults() { return sv::UserDefaults::standardUserDefaults(); }

    // Runs one check and waits for its answer.
    void check(bool interactive, int expectedRequests = 1)
    {
        db.checkForDatabaseUpdates(interactive);
        waitUntil([&] { return server.requests >= expectedRequests; });
        settle();
    }
};

const QVariantMap SampleEntries{
    {"00:11:22", "Cisco Systems, Inc"},
    {"00:15:6D", "Ubiquiti Networks Inc."},
    {"00:18:0A", "Cisco Meraki"},
    {"04:27:22", "Step Four Corp"},
    {"3C:22:FB", "Apple, Inc."},
    {"A8:F2:E3", "Samsung Electronics Co.,Ltd"},
    {"A8:F7:E3", "Apple, Inc."},
    {"A8:F2:E5", "NETGEAR"},
};

TEST_F(VendorDatabase, LookupsFollowEveryFallback)
{
    writeDatabase(SampleEntries);
    struct Case {
        const char* bssid;
        const char* vendor;
        const char* shortVendor;
    };
    const Case cases[] = {
        {"00:11:22:33:44:55", "Cisco Systems, Inc", "Cisco"},
        {"02:15:6D:11:22:33", "Ubiquiti Networks Inc.", "Ubiquiti"},  // fixed prefix
        {"06:27:22:00:00:01", "Step Four Corp", "Step"},              // fixed key unlisted: falls through
        {"AA:BB:CC:DD:E3:FF", "Apple, Inc.", "Apple"},                // derived address, Apple only
        {"AA:BB:CC:DD:E5:F2", "", ""},                                // derived match that is not Apple
        {"3E:22:FB:00:00:01", "Apple, Inc.", "Apple"},                // locally administered
        {"00:18:0A:01:02:03", "Cisco Meraki", "Meraki"},
        {"12:34:56:78:9A:BC", "", ""},
        {"00:11:22", "Cisco Systems, Inc", "Cisco"},                  // an OUI alone
        {"", "", ""},
        {"zz:11", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(db.stringForVendor(c.bssid), QString(c.vendor)) << c.bssid;
        EXPECT_EQ(db.shortStringForVendor(c.bssid), QString(c.shortVendor)) << c.bssid;
    }
}

TEST_F(VendorDatabase, WithoutADatabaseEveryLookupAnswersNone)
{
    EXPECT_EQ(db.stringForVendor("00:11:22:33:44:55"), "");
    QDir().mkpath(sv::applicationSupportFolder());
    writeBytes(databasePath(), "garbage");
    db.dropDatabase();
    EXPECT_EQ(db.stringForVendor("00:11:22:33:44:55"), "");
}

TEST_F(VendorDatabase, LinksComeFromTheShippedListAndNameShippedVendors)
{
    EXPECT_EQ(db.urlForVendor("Apple, Inc."), "https://www.apple.com");
    EXPECT_EQ(db.urlForVendor("Nobody Ltd"), "");
    // Every linked name must be one the shipped database can answer.
    sv::Zip::Member member;
    ASSERT_TRUE(sv::Zip::readMember(sv::resourcePath("vendors.plist.zip"), "vendors.plist",
                                    SVVendorDatabaseHelper::MaximumDatabaseSize, &member));
    QSet<QString> names;
    for (const QVariant& v : sv::PropertyList::fromData(member.data).toMap())
        names.insert(v.toString());
    const QVariantMap urls = sv::PropertyList::readFile(sv::resourcePath("urls.plist")).toMap();
    ASSERT_FALSE(urls.isEmpty());
    for (auto it = urls.begin(); it != urls.end(); ++it) {
        EXPECT_TRUE(names.contains(it.key())) << it.key().toStdString();
        EXPECT_TRUE(it.value().toString().startsWith("https://")) << it.key().toStdString();
    }
}

TEST_F(VendorDatabase, ShippedDatabaseInstallsOncePerVersion)
{
    defaults().removeObjectForKey("LastLaunchedVersion");
    ASSERT_TRUE(db.expandDatabase());
    EXPECT_EQ(db.stringForVendor("00:00:0C:12:34:56"), "Cisco Systems, Inc");
    EXPECT_FALSE(QFileInfo::exists(databasePath() + ".bak"));

    // The same version again leaves the installed file alone; an older one
    // (an upgrade) reinstalls it.
    writeDatabase({{"00:00:0C", "Edited"}});
    defaults().setString(QStringLiteral(SKYVANE_VERSION), "LastLaunchedVersion");
    ASSERT_TRUE(db.expandDatabase());
    db.dropDatabase();
    EXPECT_EQ(db.stringForVendor("00:00:0C:12:34:56"), "Edited");
    defaults().setString("0.0.9", "LastLaunchedVersion");
    ASSERT_TRUE(db.expandDatabase());
    EXPECT_EQ(db.stringForVendor("00:00:0C:12:34:56"), "Cisco Systems, Inc");
}

TEST_F(VendorDatabase, DamagedDatabaseIsInstalledAgainAtTheNextStart)
{
    // Hostile files that used to abort or exhaust the reader, and plain damage.
    QList<QByteArray> levels;
    for (int i = 0; i < 20; ++i)
        levels << QByteArray(1, char(0xAC)) + QByteArray(12, char(i + 1));
    levels << QByteArray("\x51x");
    QByteArray bomb = "bplist00";
    QByteArray table;
    for (const QByteArray& o : levels) {
        table += char(bomb.size());
        bomb += o;
    }
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = char(levels.size());
    trailer[31] = char(bomb.size());
    bomb += table + trailer;
    const QByteArray nulKey = QByteArray("bplist00\xD1\x01\x02\x62\x00\x61\x00\x00\x51x\x08\x0B\x10", 21)
        + QByteArray(6, '\0') + "\x01\x01" + QByteArray(7, '\0') + "\x03" + QByteArray(15, '\0') + "\x12";
    ASSERT_EQ(nulKey.size(), 53);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {{"garbage", "garbage"}, {"cut short", "<?xml version=\"1.0\"?><plist><dict><key>00"},
                 {"shared-reference bomb", bomb}, {"UTF-16 key with a NUL", nulKey}};
    for (const auto& c : cases) {
        QDir().mkpath(sv::applicationSupportFolder());
        writeBytes(databasePath(), c.bytes);
        db.dropDatabase();
        ASSERT_TRUE(db.expandDatabase()) << c.name;
        EXPECT_EQ(db.stringForVendor("00:00:0C:12:34:56"), "Cisco Systems, Inc") << c.name;
    }
}

TEST_F(VendorDatabase, GoodArchiveInstallsWithItsDateOverAStaleBackup)
{
    writeDatabase({{"00:11:22", "Old"}});
    writeBytes(databasePath() + ".bak", "left over from an earlier run");
    QTemporaryDir dir;
    writeBytes(dir.filePath("new.zip"), databaseZip({{"00:11:22", "New"}}, T0.addDays(-3)));
    EXPECT_EQ(db.stringForVendor("00:11:22:00:00:00"), "Old");
    ASSERT_TRUE(db.expandDatabaseUsingFile(dir.filePath("new.zip"), true));
    EXPECT_EQ(db.stringForVendor("00:11:22:00:00:00"), "New");
    EXPECT_FALSE(QFileInfo::exists(databasePath() + ".bak"));
    EXPECT_EQ(QFileInfo(databasePath()).lastModified().toUTC(), T0.addDays(-3));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("new.zip"))) << "the caller's archive is not ours to remove";
}

TEST_F(VendorDatabase, BadArchivesLeaveTheOldDatabaseInPlace)
{
    const QByteArray good = databaseZip(SampleEntries);
    QByteArray truncated = good.left(good.size() / 2);
    QByteArray corrupt = good;
    corrupt[40] = char(corrupt[40] ^ 0x55); // inside the compressed data
    corrupt[41] = char(corrupt[41] ^ 0x55);
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"truncated", truncated},
        {"corrupt", corrupt},
        {"wrong member", zipBytes("vendors.txt", sv::PropertyList::toXml(SampleEntries))},
        {"member in a folder", zipBytes("evil/vendors.plist", sv::PropertyList::toXml(SampleEntries))},
        {"not a property list", zipBytes("vendors.plist", "hello")},
        {"no entries", zipBytes("vendors.plist", sv::PropertyList::toXml(QVariantMap{{"key", "value"}}))},
        {"array", zipBytes("vendors.plist", sv::PropertyList::toXml(QVariantList{"00:11:22"}))},
        {"not a zip", "PK\x03\x04 nothing else"},
        {"empty", ""},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        writeDatabase({{"00:11:22", "Old"}});
        const QByteArray before = readAll(databasePath());
        writeBytes(dir.filePath("bad.zip"), c.bytes);
        EXPECT_FALSE(db.expandDatabaseUsingFile(dir.filePath("bad.zip"), true)) << c.name;
        EXPECT_EQ(readAll(databasePath()), before) << c.name;
        EXPECT_FALSE(QFileInfo::exists(databasePath() + ".bak")) << c.name;
        EXPECT_EQ(db.stringForVendor("00:11:22:00:00:00"), "Old") << c.name;
    }
    EXPECT_FALSE(db.expandDatabaseUsingFile(dir.filePath("missing.zip"), true));
}

TEST_F(VendorDatabase, DatabaseLeftOnlyInTheBackupIsRestored)
{
    writeDatabase({{"00:11:22", "Old"}});
    const QByteArray before = readAll(databasePath());
    ASSERT_TRUE(QFile::rename(databasePath(), databasePath() + ".bak"));
    QTemporaryDir dir;
    writeBytes(dir.filePath("bad.zip"), "not a zip");
    EXPECT_FALSE(db.expandDatabaseUsingFile(dir.filePath("bad.zip"), true));
    EXPECT_EQ(readAll(databasePath()), before);
    EXPECT_FALSE(QFileInfo::exists(databasePath() + ".bak"));
}

TEST_F(VendorDatabase, LookupsFromManyThreadsWhileNewDatabasesInstall)
{
    writeDatabase({{"00:11:22", "Old"}});
    QTemporaryDir dir;
    writeBytes(dir.filePath("a.zip"), databaseZip({{"00:11:22", "A"}}));
    writeBytes(dir.filePath("b.zip"), databaseZip({{"00:11:22", "B"}}));
    std::atomic<bool> stop{false};
    std::atomic<int> odd{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([&] {
            while (!stop) {
                const QString v = db.stringForVendor("00:11:22:33:44:55");
                if (v != "Old" && v != "A" && v != "B")
                    ++odd;
            }
        });
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(db.expandDatabaseUsingFile(dir.filePath(i % 2 ? "b.zip" : "a.zip"), true));
    stop = true;
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(odd, 0);
    EXPECT_EQ(db.stringForVendor("00:11:22:33:44:55"), "B");
}

TEST(VendorDatabaseDates, LastModifiedIsReadTheSameInAnyLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QDateTime expected(QDate(1994, 11, 6), QTime(8, 49, 37), QTimeZone::utc());
    EXPECT_EQ(SVVendorDatabaseHelper::parseLastModified("Sun, 06 Nov 1994 08:49:37 GMT"), expected);
    EXPECT_EQ(SVVendorDatabaseHelper::parseLastModified(" Sun, 06 Nov 1994 08:49:37 GMT\r\n"), expected);
    for (const char* odd : {"So, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                            "Sun Nov  6 08:49:37 1994", "Sun, 31 Feb 2020 08:49:37 GMT",
                            "Sun, 06 Nov 1994 25:49:37 GMT", "Sun, 06 Nov 1994 08:49:37 +0000", "", "yesterday"})
        EXPECT_FALSE(SVVendorDatabaseHelper::parseLastModified(odd).isValid()) << odd;
    QLocale::setDefault(before);
}

TEST(VendorDatabaseDates, RemoteIsNewerFromThirteenWholeHours)
{
    const QDateTime local = T0;
    EXPECT_FALSE(SVVendorDatabaseHelper::isRemoteNewer(local.addSecs(12 * 3600 + 59 * 60), local));
    EXPECT_TRUE(SVVendorDatabaseHelper::isRemoteNewer(local.addSecs(13 * 3600), local));
    EXPECT_FALSE(SVVendorDatabaseHelper::isRemoteNewer(local.addDays(-30), local));
    EXPECT_TRUE(SVVendorDatabaseHelper::isRemoteNewer(local, QDateTime())) << "no local database";
    EXPECT_FALSE(SVVendorDatabaseHelper::isRemoteNewer(QDateTime(), local));
}

TEST_F(VendorDatabase, InteractiveCheckAnswersEveryReply)
{
    const QString upToDate =
        "info: The database is up-to-date! | The existing database is the newest version available. | OK";
    const QString available = "ask: A new vendors database is available! | Do you want to update it now? | "
                              "Update, No, Turn On Auto Update";
    struct Case {
        const char* name;
        bool localDatabase;
        int status;
        QList<QByteArray> headers;
        QString alert;
        bool storesCheckDate;
    };
    auto lastModified = [](const QDateTime& d) {
        return QList<QByteArray>{
            "Last-Modified: " + QLocale::c().toString(d, "ddd, dd MMM yyyy HH:mm:ss 'GMT'").toLatin1()};
    };
    const Case cases[] = {
        {"13 h newer", true, 200, lastModified(T0.addSecs(13 * 3600)), available, true},
        {"12 h 59 min newer", true, 200, lastModified(T0.addSecs(12 * 3600 + 59 * 60)), upToDate, true},
        {"older", true, 200, lastModified(T0.addDays(-2)), upToDate, true},
        {"no local database", false, 200, lastModified(T0.addDays(-2)), available, true},
        {"unparsable date", true, 200, {"Last-Modified: tomorrow"}, upToDate, true},
        {"no date", true, 200, {}, upToDate, false},
        {"not found", true, 404, lastModified(T0.addDays(2)), "info: Unable to check for updates. | Not Found | OK",
         false},
        {"unknown status", true, 299, lastModified(T0.addDays(2)), upToDate, false},
    };
    for (const Case& c : cases) {
        QDir(sv::applicationSupportFolder()).removeRecursively();
        if (c.localDatabase)
            writeDatabase(SampleEntries);
        defaults().removeObjectForKey("LastVendorsDatabaseCheck");
        ui.events.clear();
        server.requests = 0;
        server.methods.clear();
        server.status = c.status;
        server.headers = c.headers;
        server.body = QByteArray(4096, 'z'); // what a GET would bring
        check(true);
        EXPECT_EQ(server.methods, QList<QByteArray>{"HEAD"}) << c.name;
        EXPECT_EQ(ui.events.value(0), "progress: Checking for database updates...") << c.name;
        EXPECT_TRUE(ui.events.contains("hide")) << c.name;
        EXPECT_EQ(ui.alerts(), QStringList{c.alert}) << c.name;
        EXPECT_EQ(defaults().objectForKey("LastVendorsDatabaseCheck").toDateTime() == clock->now(),
                  c.storesCheckDate)
            << c.name;
        EXPECT_EQ(defaults().integerForKey("UpdateAlertSuppressionButton"), 0) << c.name;
    }
}

TEST_F(VendorDatabase, UnreachableServerIsReportedOnlyToAnInteractiveUser)
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    defaults().setString(QStringLiteral("http://127.0.0.1:%1/v.zip").arg(closed.serverPort()), "VendorsDatabaseURL");
    closed.close();
    db.checkForDatabaseUpdates(true);
    ASSERT_TRUE(waitUntil([&] { return !ui.alerts().isEmpty(); }));
    EXPECT_TRUE(ui.alerts().first().startsWith("info: Unable to check for updates. | ")) << ui.alerts().first().toStdString();
    EXPECT_FALSE(ui.alerts().first().endsWith("|  | OK"));

    ui.events.clear();
    db.checkForDatabaseUpdates(false);
    settle(500);
    EXPECT_TRUE(ui.alerts().isEmpty());
}

TEST_F(VendorDatabase, AutomaticCheckWaitsADayAndHonoursSuppression)
{
    writeDatabase(SampleEntries);
    server.setLastModified(T0.addDays(-1));
    struct Case {
        const char* name;
        QVariant lastCheck;
        int suppression;
        int requests;
    };
    const Case cases[] = {
        {"never checked", QVariant(), 0, 1},
        {"23 h ago", clock->now().addSecs(-23 * 3600), 0, 0},
        {"25 h ago", clock->now().addSecs(-25 * 3600), 0, 1},
        {"dated in the future", clock->now().addDays(3), 0, 1},
        {"suppressed", QVariant(), 1, 0},
    };
    for (const Case& c : cases) {
        server.requests = 0;
        defaults().setObject(c.lastCheck, "LastVendorsDatabaseCheck");
        if (!c.lastCheck.isValid())
            defaults().removeObjectForKey("LastVendorsDatabaseCheck");
        defaults().setInteger(c.suppression, "UpdateAlertSuppressionButton");
        check(false, c.requests);
        EXPECT_EQ(server.requests, c.requests) << c.name;
        EXPECT_TRUE(ui.events.isEmpty()) << c.name << ": " << ui.events.join("; ").toStdString();
    }
    // The interactive check ignores both rules.
    server.requests = 0;
    check(true);
    EXPECT_EQ(server.requests, 1);
}

TEST_F(VendorDatabase, AutomaticCheckAsksWithASuppressionBox)
{
    writeDatabase({{"00:11:22", "Old"}});
    server.setLastModified(T0.addDays(2));
    ui.choice = SVVendorDatabaseUI::UpdateChoice::No;
    ui.suppress = true;
    check(false);
    EXPECT_EQ(ui.alerts(), QStringList{"ask: A new vendors database is available! | Do you want to update it now? | "
                                       "Update, No, Turn On Auto Update | suppression"});
    EXPECT_EQ(defaults().integerForKey("UpdateAlertSuppressionButton"), 1);
    EXPECT_EQ(server.requests, 1) << "No downloads nothing";
}

TEST_F(VendorDatabase, UpdateChoicesDownloadAndReport)
{
    server.body = databaseZip({{"00:11:22", "New"}}, T0.addDays(1));
    server.setLastModified(T0.addDays(2));
    struct Case {
        const char* name;
        SVVendorDatabaseUI::UpdateChoice choice;
        bool autoUpdateBefore;
        bool notificationsAvailable;
        bool asks;
        bool notified;
    };
    using C = SVVendorDatabaseUI::UpdateChoice;
    const Case cases[] = {
        {"update", C::Update, false, true, true, false},
        {"turn on auto update", C::TurnOnAutoUpdate, false, true, true, true},
        {"auto update", C::No, true, true, false, true},
        {"auto update, no notifications", C::No, true, false, false, false},
    };
    for (const Case& c : cases) {
        writeDatabase({{"00:11:22", "Old"}});
        db.dropDatabase();
        EXPECT_EQ(db.stringForVendor("00:11:22:00:00:00"), "Old") << c.name;
        ui.events.clear();
        ui.choice = c.choice;
        ui.suppress = true;
        notifications.delivered.clear();
        notifications.available = c.notificationsAvailable;
        defaults().setBool(c.autoUpdateBefore, "AutoUpdateVendorsDatabase");
        server.requests = 0;
        server.methods.clear();
        db.checkForDatabaseUpdates(true);
        ASSERT_TRUE(waitUntil([&] { return db.stringForVendor("00:11:22:00:00:00") == "New"; })) << c.name;
        settle();
        // The check asks for the headers only; the database comes once.
        EXPECT_EQ(server.methods, (QList<QByteArray>{"HEAD", "GET"})) << c.name;
        EXPECT_EQ(ui.alerts().size(), (c.asks ? 1 : 0) + (c.notified ? 0 : 1)) << c.name;
        if (!c.notified) {
            EXPECT_EQ(ui.alerts().value(ui.alerts().size() - 1),
                      "info: Update finished. | The vendors database was updated successfully. | OK")
                << c.name;
        }
        EXPECT_EQ(notifications.delivered.size(), c.notified ? 1 : 0) << c.name;
        if (c.choice == C::TurnOnAutoUpdate) {
            EXPECT_TRUE(defaults().boolForKey("AutoUpdateVendorsDatabase"));
            EXPECT_EQ(defaults().integerForKey("UpdateAlertSuppressionButton"), 0);
        }
        // Dated as the server's copy, so the next check finds nothing newer.
        EXPECT_GE(QFileInfo(databasePath()).lastModified().toUTC(), T0.addDays(2)) << c.name;
    }
}

TEST_F(VendorDatabase, FailedDownloadsAreReportedAndKeepTheOldDatabase)
{
    const QByteArray good = databaseZip({{"00:11:22", "New"}});
    struct Case {
        const char* name;
        int status;
        QByteArray body;
        qint64 declaredLength;
        QString informative; // empty: any text
    };
    const Case cases[] = {
        {"not found", 404, good, -1, ""},
        {"cut short", 200, good.left(good.size() / 2), good.size(), ""},
        {"truncated archive", 200, good.left(good.size() / 2), -1, "The downloaded database could not be installed."},
        {"not an archive", 200, "<html>moved</html>", -1, "The downloaded database could not be installed."},
    };
    for (const Case& c : cases) {
        writeDatabase({{"00:11:22", "Old"}});
        db.dropDatabase();
        const QByteArray before = readAll(databasePath());
        ui.events.clear();
        server.status = c.status;
        server.reason = c.status == 200 ? "OK" : "Not Found";
        server.body = c.body;
        server.declaredLength = c.declaredLength;
        db.startDatabaseUpdate();
        ASSERT_TRUE(waitUntil([&] { return !ui.alerts().isEmpty(); })) << c.name;
        const QString alert = ui.alerts().first();
        EXPECT_TRUE(alert.startsWith("info: Unable to download database update. | ")) << alert.toStdString();
        if (!c.informative.isEmpty()) {
            EXPECT_EQ(alert, "info: Unable to download database update. | " + c.informative + " | OK");
        }
        EXPECT_EQ(readAll(databasePath()), before) << c.name;
        EXPECT_EQ(db.stringForVendor("00:11:22:00:00:00"), "Old") << c.name;
        EXPECT_FALSE(QFileInfo::exists(databasePath() + ".bak")) << c.name;
    }
}

} // namespace
