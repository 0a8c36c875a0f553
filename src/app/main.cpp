// Skyvane: starts the application and its main window.

#include "app/AppDelegate.h"
#include "app/SVCommandLine.h"
#include "platform/wlan/CWInterface.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
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
void quitOnSignals(AppDelegate& delegate)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, &delegate, [&delegate] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        delegate.terminateUnattended(); // no questions: shutdown still waits for a save under way
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

// The options, declared once for both ways of starting below.
struct CommandLine {
    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral("Surveys the Wi-Fi networks around the computer."));
        parser.addOption(scenario);
        parser.addOption(demo);
        parser.addOption(quitAfter);
        parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A survey document to open."),
                                     QStringLiteral("[file]"));
    }
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption scenario{QStringLiteral("scenario"), QStringLiteral("Scan a simulated radio playing <file>."),
                                      QStringLiteral("file")};
    const QCommandLineOption quitAfter{QStringLiteral("quit-after"),
                                       QStringLiteral("Quit after <seconds> (demonstrations, screenshots)."),
                                       QStringLiteral("seconds")};
    const QCommandLineOption demo{QStringLiteral("demo"),
                                  QStringLiteral("Scan a simulated radio playing the shipped scenario.")};
};

// Help and version are answered without the window system, so that they
// work where there is no display (a terminal over ssh, a build machine).
void answerHelpOrVersion(int argc, char** argv)
{
    bool asked = false;
    for (int i = 1; i < argc && qstrcmp(argv[i], "--") != 0; ++i)
        for (const char* name : {"-h", "-?", "--help", "-v", "--version"})
            asked = asked || qstrcmp(argv[i], name) == 0;
    if (!asked)
        return;
    QCoreApplication app(argc, argv);
    CommandLine line;
    // Unknown options may be the window system's own (-platform): they do
    // not stand in the way of the answer.
    line.parser.parse(app.arguments());
    if (line.parser.isSet(line.help))
        line.parser.showHelp(0);
    if (line.parser.isSet(line.version))
        line.parser.showVersion();
    // "--help" was another option's value: start as usual.
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("Skyvane"));
    QCoreApplication::setOrganizationName(QStringLiteral("Skyvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYVANE_VERSION));
    answerHelpOrVersion(argc, argv);

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("skyvane"));

    CommandLine line;
    QCommandLineParser& parser = line.parser;
    parser.process(app);
    std::optional<int> quitAfter;
    if (parser.isSet(line.quitAfter)) {
        QString error;
        quitAfter = quitAfterMilliseconds(parser.value(line.quitAfter), &error);
        if (!quitAfter) {
            qCritical("skyvane: %s", qPrintable(error));
            return 2;
        }
    }

    AppDelegate::Options options;
    options.scenarioPath = parser.value(line.scenario);
    if (options.scenarioPath.isEmpty() && parser.isSet(line.demo)) {
        options.scenarioPath = CWInterface::defaultScenarioPath();
        if (options.scenarioPath.isEmpty()) {
            qCritical("skyvane: --demo: the shipped scenario scenarios/office.json is not installed.");
            return 2;
        }
    }
    AppDelegate delegate(options);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationWillTerminate(); });
    quitOnSignals(delegate);
    // Not quit: that would close the window and ask the save question.
    if (quitAfter)
        QTimer::singleShot(*quitAfter, &delegate, [&delegate] { delegate.terminateUnattended(); });

    delegate.awakeFromNib();
    // Only the first file: the window shows one document.
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty())
        delegate.setLaunchOpensDocument();
    delegate.applicationWillFinishLaunching();
    if (!files.isEmpty())
        QTimer::singleShot(0, &delegate, [&delegate, path = files.front()] { delegate.applicationOpenFile(path); });
    const int code = app.exec();
    // Everything worth keeping was saved as the application ended. A document
    // reader still at work (a stalled disk) is not waited for, nor left to
    // run while the program's statics go.
    if (AppDelegate::runningDocumentReaders() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
