// Skyvane: starts the application and its main window.

#include "app/AppDelegate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// Ctrl-C and SIGTERM end the event loop from inside it, so shutdown runs
// as for Quit: settings saved, the engine stopped and its thread joined.
void quitOnSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        QCoreApplication::exit(0); // no questions: shutdown still waits for a save under way
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Skyvane"));
    QCoreApplication::setOrganizationName(QStringLiteral("Skyvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("skyvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Surveys the Wi-Fi networks around the computer."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption scenarioOption(QStringLiteral("scenario"),
                                            QStringLiteral("Scan a simulated radio playing <file>."),
                                            QStringLiteral("file"));
    const QCommandLineOption quitAfterOption(QStringLiteral("quit-after"),
                                             QStringLiteral("Quit after <seconds> (demonstrations, screenshots)."),
                                             QStringLiteral("seconds"));
    parser.addOption(scenarioOption);
    parser.addOption(quitAfterOption);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A survey document to open."),
                                 QStringLiteral("[file]"));
    parser.process(app);

    AppDelegate::Options options;
    options.scenarioPath = parser.value(scenarioOption);
    AppDelegate delegate(options);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationWillTerminate(); });
    quitOnSignals();
    if (parser.isSet(quitAfterOption)) {
        bool ok = false;
        const double seconds = parser.value(quitAfterOption).toDouble(&ok);
        if (!ok || seconds <= 0) {
            qCritical("skyvane: --quit-after takes a number of seconds above 0.");
            return 2;
        }
        QTimer::singleShot(int(seconds * 1000), &app, [] { QCoreApplication::exit(0); });
    }

    delegate.awakeFromNib();
    // Only the first file: the window shows one document.
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty())
        delegate.setLaunchOpensDocument();
    delegate.applicationWillFinishLaunching();
    if (!files.isEmpty())
        QTimer::singleShot(0, &delegate, [&delegate, path = files.front()] { delegate.applicationOpenFile(path); });
    return app.exec();
}
