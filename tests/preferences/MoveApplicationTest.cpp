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

#include <sys/stat.h>

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
    QString root; // every path the move may touch lies below
    QStringList alerts, shells, opened, trashed, inTrashAt;
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
    // The real trash, which the test main keeps inside the test home; a
    // path outside this test's folders is refused, never trashed.
    bool moveToTrash(const QString& path) override
    {
        trashed << path;
        if (!trashWorks || !path.startsWith(root + QLatin1Char('/'))
            || QDir::homePath() != sv::test::testHome())
            return false;
        QString inTrash;
        if (!::moveToTrash(path, &inTrash))
            return false;
        EXPECT_TRUE(inTrash.startsWith(sv::test::testHome() + QLatin1Char('/'))) << inTrash.toStdString();
        inTrashAt << inTrash;
        return true;
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
        system.root = tmp.path();
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
    ~Folders()
    {
        // Read-only folders of the copies would keep the temporary folders.
        openUp(tmp.path());
        for (const QString& path : system.inTrashAt)
            openUp(path);
    }
    static void openUp(const QString& path)
    {
        const QFileInfo info(path);
        if (!info.isDir() || info.isSymLink())
            return;
        QFile::setPermissions(path, info.permissions() | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOwner);
        for (const QString& name : QDir(path).entryList(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden))
            openUp(path + QLatin1Char('/') + name);
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
    {
        Folders f;
        const QString project = f.tmp.filePath(QStringLiteral("home/src/myproject"));
        QDir().mkpath(project);
        sv::test::writeBytes(project + QStringLiteral("/main.c"), "int main;");
        f.system.bundle = project;
        f.run();
        EXPECT_EQ(f.system.asked, 0) << "a folder without an application's name";
        EXPECT_EQ(sv::test::readAll(project + QStringLiteral("/main.c")), QByteArray("int main;"));
        EXPECT_TRUE(f.system.trashed.isEmpty());
        EXPECT_TRUE(QDir(f.system.localApps).isEmpty());
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
    // Something of the user's under the name a partial copy would take first.
    const QString usersPart = old + QStringLiteral(".part-4242");
    sv::test::writeBytes(usersPart, "mine");
    f.run();
    EXPECT_EQ(f.system.title, QStringLiteral("Move to Applications folder in your Home folder?"));
    EXPECT_EQ(f.system.trashed, (QStringList{old, f.system.bundle}));
    EXPECT_EQ(sv::test::readAll(old), QByteArray("#!/bin/sh\n# new\n"));
    EXPECT_FALSE(QFileInfo::exists(f.system.bundle)) << "the launched copy went to the trash";
    ASSERT_EQ(f.system.inTrashAt.size(), 2);
    EXPECT_EQ(sv::test::readAll(f.system.inTrashAt[1]), QByteArray("#!/bin/sh\n# new\n"));
    EXPECT_EQ(sv::test::readAll(usersPart), QByteArray("mine"));
    EXPECT_TRUE(QFileInfo(old).isExecutable());
    ASSERT_EQ(f.system.shells.size(), 1);
    EXPECT_TRUE(f.system.shells[0].contains(QStringLiteral("kill -0 4242")));
    EXPECT_TRUE(f.system.shells[0].contains(shellQuotedPath(old)));
    EXPECT_FALSE(f.system.shells[0].contains(QRegularExpression(QStringLiteral(">&[^0-9]")))) << "dash has no >&file";
    EXPECT_EQ(f.system.exitStatus, 0);
    EXPECT_TRUE(f.system.alerts.isEmpty());
    EXPECT_EQ(QDir(f.system.userApps).entryList(QDir::Files).size(), 3) << "no partial copy left";
}

TEST(MoveApplication, AnAppDirIsCopiedWholeAndStartedThroughAppRun)
{
    Folders f;
    const QString appDir = f.tmp.filePath(QStringLiteral("home/Downloads/Skyvane.AppDir"));
    QDir().mkpath(appDir + QStringLiteral("/usr/bin"));
    QDir().mkpath(appDir + QStringLiteral("/usr/share/locked"));
    Folders::makeAppImage(appDir + QStringLiteral("/usr/bin/skyvane"), "binary");
    sv::test::writeBytes(appDir + QStringLiteral("/usr/share/locked/data"), "data");
    QFile::setPermissions(appDir + QStringLiteral("/usr/share/locked"), QFile::ReadOwner | QFile::ExeOwner);
    // AppRun is, as usual, a relative link to the program.
    QFile::link(QStringLiteral("usr/bin/skyvane"), appDir + QStringLiteral("/AppRun"));
    f.system.bundle = appDir;
    f.run();
    const QString installed = f.system.localApps + QStringLiteral("/Skyvane.AppDir");
    EXPECT_TRUE(f.system.alerts.isEmpty());
    EXPECT_EQ(sv::test::readAll(installed + QStringLiteral("/usr/share/locked/data")), QByteArray("data"));
    struct stat locked {};
    ASSERT_EQ(::stat(QFile::encodeName(installed + QStringLiteral("/usr/share/locked")).constData(), &locked), 0);
    EXPECT_EQ(locked.st_mode & 07777, 0500u) << "the read-only folder keeps its mode";
    const QFileInfo appRun(installed + QStringLiteral("/AppRun"));
    EXPECT_TRUE(appRun.isSymLink());
    EXPECT_EQ(appRun.canonicalFilePath(), QFileInfo(installed + QStringLiteral("/usr/bin/skyvane")).canonicalFilePath())
        << "the link points into the new copy, not at the old one";
    EXPECT_FALSE(QFileInfo::exists(appDir));
    ASSERT_EQ(f.system.inTrashAt.size(), 1);
    EXPECT_EQ(sv::test::readAll(f.system.inTrashAt[0] + QStringLiteral("/usr/share/locked/data")), QByteArray("data"))
        << "the old copy is in the trash, whole";
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
        // A copy that fails half-way, after a read-only folder was made.
        const QString appDir = f.tmp.filePath(QStringLiteral("home/Downloads/Skyvane.AppDir"));
        QDir().mkpath(appDir + QStringLiteral("/a-locked"));
        sv::test::writeBytes(appDir + QStringLiteral("/a-locked/data"), "data");
        QFile::setPermissions(appDir + QStringLiteral("/a-locked"), QFile::ReadOwner | QFile::ExeOwner);
        ASSERT_EQ(::mkfifo(QFile::encodeName(appDir + QStringLiteral("/z-pipe")).constData(), 0600), 0);
        f.system.bundle = appDir;
        f.run();
        EXPECT_EQ(f.system.alerts.size(), 1);
        EXPECT_TRUE(QDir(f.system.localApps).isEmpty()) << "the partial copy is gone";
        EXPECT_EQ(sv::test::readAll(appDir + QStringLiteral("/a-locked/data")), QByteArray("data"));
        EXPECT_TRUE(f.system.trashed.isEmpty());
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

// APPIMAGE and APPDIR reach every program started beneath a portable
// application: only a copy this process really runs from is offered.
TEST(MoveApplication, TheCopyOnOfferIsTheOneThisProcessRunsFrom)
{
    QTemporaryDir tmp;
    const QString root = tmp.path();
    auto make = [&](const QString& name) {
        const QString path = root + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        sv::test::writeBytes(path, "x");
        return path;
    };
    const QString otherImage = make(QStringLiteral("Downloads/Other.AppImage"));
    const QString ourImage = make(QStringLiteral("Downloads/Skyvane.AppImage"));
    const QString otherMount = root + QStringLiteral("/run/.mount_Other");
    const QString ourMount = root + QStringLiteral("/run/.mount_Skyvane");
    const QString inOtherMount = make(QStringLiteral("run/.mount_Other/usr/bin/other"));
    const QString inOurMount = make(QStringLiteral("run/.mount_Skyvane/usr/bin/skyvane"));
    const QString appDir = root + QStringLiteral("/Skyvane.AppDir");
    const QString inAppDir = make(QStringLiteral("Skyvane.AppDir/usr/bin/skyvane"));
    const QString buildTree = make(QStringLiteral("build/src/app/skyvane"));
    const QString project = QFileInfo(make(QStringLiteral("src/myproject/main.c"))).absolutePath();
    const QString prefix = root + QStringLiteral("/Skyvane");
    QDir().mkpath(prefix);
    const QString linked = root + QStringLiteral("/bin/skyvane");
    QDir().mkpath(root + QStringLiteral("/bin"));
    QFile::link(inAppDir, linked);
    auto mountSource = [&](const QString& folder) {
        if (folder == otherMount)
            return otherImage;
        if (folder == ourMount)
            return ourImage;
        return QString();
    };

    struct Case {
        const char* what;
        QString appImage, appDir, executable, copy;
    } cases[] = {
        {"a build tree started from another image's terminal", otherImage, otherMount, buildTree, {}},
        {"APPDIR naming a project folder", {}, project, buildTree, {}},
        {"APPIMAGE alone", ourImage, {}, buildTree, {}},
        {"a folder whose name begins like APPDIR", {}, prefix, inAppDir, {}},
        {"an image mounted from elsewhere than APPIMAGE says", ourImage, otherMount, inOtherMount, {}},
        {"a mounted image without APPIMAGE", {}, ourMount, inOurMount, {}},
        {"our image", ourImage, ourMount, inOurMount, ourImage},
        {"our AppDir", {}, appDir, inAppDir, appDir},
        {"our AppDir under another image's APPIMAGE", otherImage, appDir, inAppDir, appDir},
        {"our AppDir through a link to the program", {}, appDir, linked, appDir},
    };
    for (const Case& c : cases)
        EXPECT_EQ(runningPortableCopy(c.appImage, c.appDir, c.executable, mountSource), c.copy) << c.what;

    // The real system reads this process's own environment and executable.
    const QByteArray savedImage = qgetenv("APPIMAGE"), savedDir = qgetenv("APPDIR");
    qputenv("APPIMAGE", QFile::encodeName(otherImage));
    qputenv("APPDIR", QFile::encodeName(project));
    EXPECT_EQ(realMoveApplicationSystem().bundlePath(), QString());
    const QString ownFolder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    qputenv("APPDIR", QFile::encodeName(ownFolder));
    EXPECT_EQ(realMoveApplicationSystem().bundlePath(), ownFolder);
    savedImage.isNull() ? qunsetenv("APPIMAGE") : qputenv("APPIMAGE", savedImage);
    savedDir.isNull() ? qunsetenv("APPDIR") : qputenv("APPDIR", savedDir);
}
