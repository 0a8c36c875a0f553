#include <gtest/gtest.h>

#include "platform/UserDefaults.h"

#ifdef SKYVANE_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif
#include <QByteArray>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

namespace {

// Whether a nested event loop (a dialog's, a menu's) still runs: once the
// application was told to exit, each returns at once until the main loop
// has run again.
bool eventLoopsRun()
{
    QEventLoop probe;
    QTimer::singleShot(0, &probe, [&probe] { probe.exit(1); });
    return probe.exec() == 1;
}

// A test whose window closes ends the application's loops, as closing the
// window does in use; later tests of the same process would find every
// dialog and menu answering at once. A moment of the main loop clears that.
class EventLoopReset final : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        if (eventLoopsRun())
            return;
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        TestApplication::exec();
    }
};

} // namespace

int main(int argc, char** argv)
{
    // Everything a test writes lands in one temporary folder: settings, the
    // application folder, caches. Set before the application object exists
    // so Qt picks the folders up.
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);

    TestApplication app(argc, argv);
    TestApplication::setApplicationName(QStringLiteral("Skyvane"));
    TestApplication::setOrganizationName(QStringLiteral("Skyvane"));
    sv::test::setTestHome(home.path());
    // The tests' own speech engine comes before the machine's.
    TestApplication::addLibraryPath(QStringLiteral(SKYVANE_TEST_PLUGINS));

    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new EventLoopReset);
    const int result = RUN_ALL_TESTS();
    // Settings are laid out with Qt's help: write them while Qt is still up,
    // leaving nothing for the store's destructor at exit.
    sv::UserDefaults::standardUserDefaults().synchronize();
    return result;
}
