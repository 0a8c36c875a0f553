#include "preferences/MoveApplication.h"

#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Result = MoveApplicationSystem::PrivilegedResult;

// The system over temporary folders; records what the move asked of it.
struct FakeSystem : MoveApplicationSystem {
    QString bundle;
    QString userApps;
    QString localApps;
    QStringList downloads;
    std::optional<QString> image;
    QStringList readOnly;
    Answer answer{true, false};
    // Runs the privileged script with a plain shell unless set.
    std::optional<Result> privileged;
    bool running = false;
    bool trashWorks = true;

    int asked = 0;
    QString title, informative;
    QStringList alerts, shells, opened, trashed;
    QStringList privilegedArguments;
    std::optional<int> exitStatus;

    QString bundlePath() const override { return bundle; }
    QString userApplicationsFolder() const override { return userApps; }
    QString localApplicationsFolder() const override { return localApps; }
    QStringList downloadsFolders() const override { return downloads; }
    std::optional<QString> diskImageDevice(const QString&) const override { return image; }
    bool isWritable(const QString& path) const override { return !readOnly.contains(path); }
    Answer askToMove(const QString& t, const QString& i) override
    {
        ++asked;
        title = t;
        informative = i;
        return answer;
    }
    void showFailureAlert(const QString& t) override { alerts << t; }
    Result runPrivileged(const QString& script, const QStringList& arguments) override
    {
        privilegedArguments = arguments;
        if (privileged)
            return *privileged;
        const int code = QProcess::execute(QStringLiteral("/bin/sh"),
                                           QStringList{QStringLiteral("-c"), script, QStringLiteral("sh")} + arguments);
        return code == 0 ? Result::Succeeded : Result::Failed;
    }
    void startShell(const QString& script) override { shells << script; }
    bool isRunningFrom(const QString&) const override { return running; }
    void open(const QString& path) override { opened << path; }
    bool moveToTrash(const QString& path) override
    {
        trashed << path;
        return trashWorks && QFile::remove(path);
    }
    qint64 processId() const override { return 4242; }
    void exit(int status) override { exitStatus = status; }
};

struct Folders {
    Folders()
    {
        QDir root(tmp.path());
        for (const char* d : {"home/Downloads", "home/Applications", "opt"})
            root.mkpath(QString::fromLatin1(d));
        system.userApps = tmp.filePath(QStringLiteral("home/Applications"));
        system.localApps = tmp.filePath(QStringLiteral("opt"));
        system.downloads = {tmp.filePath(QStringLiteral("home/Downloads"))};
        system.bundle = makeAppImage(tmp.filePath(QStringLiteral("home/Downloads/Sky vane's.AppImage")), "new");
        defaults = std::make_unique<sv::UserDefaults>(tmp.filePath(QStringLiteral("settings.conf")));
    }
    static QString makeAppImage(const QString& path, const QByteArray& body)
    {
        sv::test::writeBytes(path, "#!/bin/sh\n# " + body + "\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }
    void run() { MoveToApplicationsFolderIfNeeded(*defaults, system); }
    QTemporaryDir tmp;
    FakeSystem system;
    std::unique_ptr<sv::UserDefaults> defaults;
};

} // namespace

TEST(MoveApplication, AsksNothingWhereThereIsNothingToMove)
{
    {
        Folders f;
        f.system.bundle.clear(); // a package, build tree or checkout
        f.run();
        EXPECT_EQ(f.system.asked, 0);
    }
    {
        Folders f;
        f.system.bundle = Folders::makeAppImage(f.system.userApps + QStringLiteral("/Skyvane.AppImage"), "x");
        f.run();
        EXPECT_EQ(f.system.asked, 0) << "already installed";
    }
    {
        Folders f;
        const QString installed = Folders::makeAppImage(f.system.localApps + QStringLiteral("/S.AppImage"), "x");
        f.system.bundle = f.tmp.filePath(QStringLiteral("home/Downloads/S.AppImage"));
        QFile::link(installed, f.system.bundle);
        f.run();
        EXPECT_EQ(f.system.asked, 0) << "a link to the installed copy";
        EXPECT_TRUE(QFileInfo::exists(installed));
    }
}

TEST(MoveApplication, DecliningWithTheBoxOnIsRemembered)
{
    Folders f;
    f.system.answer = {false, true};
    f.run();
    EXPECT_EQ(f.system.asked, 1);
    EXPECT_EQ(f.system.title, QStringLiteral("Move to Applications folder?"));
    EXPECT_EQ(f.system.informative, QStringLiteral("I can move myself to the Applications folder if you'd like. "
                                                   "This will keep your Downloads folder uncluttered."));
    EXPECT_TRUE(QFileInfo::exists(f.system.bundle));
    f.run();
    EXPECT_EQ(f.system.asked, 1);
}

TEST(MoveApplication, MovesIntoTheUsersFolderAndRelaunchesFromThere)
{
    Folders f;
    Folders::makeAppImage(f.system.userApps + QStringLiteral("/Other.AppImage"), "other");
    const QString old = Folders::makeAppImage(f.system.userApps + QStringLiteral("/Sky vane's.AppImage"), "old");
    f.run();
    EXPECT_EQ(f.system.title, QStringLiteral("Move to Applications folder in your Home folder?"));
    EXPECT_EQ(f.system.trashed, QStringList{old});
    EXPECT_EQ(sv::test::readAll(old), QByteArray("#!/bin/sh\n# new\n"));
    EXPECT_FALSE(QFileInfo::exists(f.system.bundle)) << "the launched copy is removed";
    EXPECT_TRUE(QFileInfo(old).isExecutable());
    ASSERT_EQ(f.system.shells.size(), 1);
    EXPECT_TRUE(f.system.shells[0].contains(QStringLiteral("kill -0 4242")));
    EXPECT_TRUE(f.system.shells[0].contains(shellQuotedPath(old)));
    EXPECT_FALSE(f.system.shells[0].contains(QRegularExpression(QStringLiteral(">&[^0-9]")))) << "dash has no >&file";
    EXPECT_EQ(f.system.exitStatus, 0);
    EXPECT_TRUE(f.system.alerts.isEmpty());
    EXPECT_EQ(QDir(f.system.userApps).entryList(QDir::Files).size(), 2) << "no partial copy left";
}

TEST(MoveApplication, AnAppDirIsCopiedWholeAndStartedThroughAppRun)
{
    Folders f;
    const QString appDir = f.tmp.filePath(QStringLiteral("home/Downloads/Skyvane.AppDir"));
    QDir().mkpath(appDir + QStringLiteral("/usr/bin"));
    Folders::makeAppImage(appDir + QStringLiteral("/AppRun"), "run");
    sv::test::writeBytes(appDir + QStringLiteral("/usr/bin/skyvane"), "binary");
    QFile::link(QStringLiteral("usr/bin/skyvane"), appDir + QStringLiteral("/skyvane"));
    f.system.bundle = appDir;
    f.run();
    const QString installed = f.system.localApps + QStringLiteral("/Skyvane.AppDir");
    EXPECT_EQ(sv::test::readAll(installed + QStringLiteral("/usr/bin/skyvane")), QByteArray("binary"));
    EXPECT_TRUE(QFileInfo(installed + QStringLiteral("/skyvane")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(appDir));
    ASSERT_EQ(f.system.shells.size(), 1);
    EXPECT_TRUE(f.system.shells[0].contains(shellQuotedPath(installed + QStringLiteral("/AppRun"))));
}

TEST(MoveApplication, AlreadyRunningCopyIsBroughtForward)
{
    Folders f;
    const QString installed = Folders::makeAppImage(f.system.localApps + QStringLiteral("/Sky vane's.AppImage"), "x");
    f.system.running = true;
    f.run();
    EXPECT_EQ(f.system.opened, QStringList{installed});
    EXPECT_EQ(f.system.exitStatus, 0);
    EXPECT_TRUE(f.system.trashed.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(f.system.bundle));
}

TEST(MoveApplication, FailuresKeepTheLaunchedCopyAndSaySo)
{
    {
        Folders f;
        Folders::makeAppImage(f.system.localApps + QStringLiteral("/Sky vane's.AppImage"), "old");
        f.system.trashWorks = false;
        f.run();
        EXPECT_EQ(f.system.alerts, QStringList{QStringLiteral("Could not move to Applications folder")});
        EXPECT_TRUE(QFileInfo::exists(f.system.bundle));
        EXPECT_FALSE(f.system.exitStatus.has_value());
    }
    {
        Folders f;
        // The destination folder vanished between the question and the copy.
        QDir(f.system.localApps).removeRecursively();
        f.system.readOnly.clear();
        f.run();
        EXPECT_EQ(f.system.alerts.size(), 1);
        EXPECT_TRUE(QFileInfo::exists(f.system.bundle));
        EXPECT_FALSE(f.system.exitStatus.has_value());
    }
}

TEST(MoveApplication, AdministratorRights)
{
    struct Case {
        std::optional<Result> result;
        bool alert;
        bool relaunch;
    };
    for (const Case& c : {Case{Result::Canceled, false, false}, Case{Result::Failed, true, false},
                          Case{std::nullopt, false, true}}) {
        Folders f;
        const QString old = Folders::makeAppImage(f.system.localApps + QStringLiteral("/Sky vane's.AppImage"), "old");
        f.system.readOnly = {f.system.localApps};
        f.system.privileged = c.result;
        f.run();
        EXPECT_TRUE(f.system.informative.endsWith(QStringLiteral("Note that this will require an administrator password.")));
        ASSERT_EQ(f.system.privilegedArguments.size(), 3);
        EXPECT_EQ(f.system.privilegedArguments[0], f.system.bundle);
        EXPECT_EQ(f.system.privilegedArguments[1], old);
        EXPECT_EQ(!f.system.alerts.isEmpty(), c.alert);
        EXPECT_EQ(f.system.exitStatus.has_value(), c.relaunch);
        if (c.relaunch) {
            // The script really ran (with a plain shell): replaced whole, nothing left beside it.
            EXPECT_EQ(sv::test::readAll(old), QByteArray("#!/bin/sh\n# new\n"));
            EXPECT_EQ(QDir(f.system.localApps).entryList(QDir::Files), QStringList{QStringLiteral("Sky vane's.AppImage")});
        } else {
            EXPECT_EQ(sv::test::readAll(old), QByteArray("#!/bin/sh\n# old\n"));
        }
    }
}

TEST(MoveApplication, NestedOrImageCopiesStayWhereTheyAre)
{
    {
        Folders f;
        const QString outer = f.system.userApps + QStringLiteral("/Outer.AppDir/usr");
        QDir().mkpath(outer);
        f.system.bundle = Folders::makeAppImage(outer + QStringLiteral("/Inner.AppImage"), "new");
        f.run();
        EXPECT_EQ(f.system.asked, 1) << "nested copies are asked about even inside Applications";
        EXPECT_TRUE(QFileInfo::exists(f.system.bundle));
        EXPECT_EQ(f.system.shells.size(), 1);
    }
    {
        Folders f;
        f.system.image = QStringLiteral("/dev/loop7");
        f.run();
        EXPECT_TRUE(QFileInfo::exists(f.system.bundle));
        ASSERT_EQ(f.system.shells.size(), 2);
        EXPECT_TRUE(f.system.shells[1].contains(QStringLiteral("sleep 5")));
        EXPECT_TRUE(f.system.shells[1].contains(QStringLiteral("'/dev/loop7'")));
    }
}

TEST(MoveApplication, RelaunchScriptRunsUnderPlainShellWithAwkwardPaths)
{
    EXPECT_EQ(shellQuotedPath(QStringLiteral("/a/it's here")), QStringLiteral("'/a/it'\\''s here'"));

    Folders f;
    f.run();
    ASSERT_EQ(f.system.shells.size(), 1);
    // Stand in for the installed copy: it leaves a mark where it runs.
    const QString installed = f.system.localApps + QStringLiteral("/Sky vane's.AppImage");
    const QString mark = f.tmp.filePath(QStringLiteral("started"));
    sv::test::writeBytes(installed, "#!/bin/sh\ntouch " + QFile::encodeName(shellQuotedPath(mark)) + "\n");
    QString script = f.system.shells[0];
    script.replace(QStringLiteral("kill -0 4242"), QStringLiteral("false")); // this process never ends here
    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    ASSERT_TRUE(sh.waitForFinished(60000));
    EXPECT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(mark); }, 60000));
}
