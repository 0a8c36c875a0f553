// Until the main window exists, skyvane runs the scan engine in the console
// and prints every pass.

#include "model/SVActiveScanEngine.h"
#include "platform/NotificationCenter.h"
#include "platform/wlan/CWInterface.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

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

// Ctrl-C and SIGTERM end the event loop from inside it, so the engine is
// stopped and its thread joined on the way out.
bool quitOnSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0;
}

void printPass(QTextStream& out, qint64 number, const SVScanResults& results)
{
    out << "Pass " << number << ": " << (results ? results->size() : 0) << " networks\n";
    if (!results)
        return;
    for (const QVariantMap& d : *results) {
        const QString ssid = d.contains(QStringLiteral("ssid")) ? d.value(QStringLiteral("ssid")).toString()
                                                                 : QStringLiteral("<Hidden Network>");
        out << "  " << d.value(QStringLiteral("bssid")).toString().leftJustified(17) << "  ch "
            << QString::number(d.value(QStringLiteral("channelNumber")).toInt()).rightJustified(3) << "  "
            << QString::number(d.value(QStringLiteral("rssiValue")).toInt()).rightJustified(4) << " dBm  " << ssid
            << '\n';
    }
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Skyvane"));
    QCoreApplication::setOrganizationName(QStringLiteral("Skyvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Surveys the Wi-Fi networks around the computer. Until the main "
                                                    "window is built, it prints every scan in the console."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption scenarioOption(QStringLiteral("scenario"),
                                            QStringLiteral("Scan the simulated radio playing <file>."),
                                            QStringLiteral("file"));
    const QCommandLineOption passesOption(QStringLiteral("passes"), QStringLiteral("Stop after <n> passes."),
                                          QStringLiteral("n"));
    parser.addOption(scenarioOption);
    parser.addOption(passesOption);
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    qint64 passLimit = 0;
    if (parser.isSet(passesOption)) {
        bool ok = false;
        passLimit = parser.value(passesOption).toLongLong(&ok);
        if (!ok || passLimit <= 0) {
            err << "skyvane: --passes takes a whole number above 0, not \"" << parser.value(passesOption) << "\".\n";
            return 2;
        }
    }

    std::shared_ptr<CWInterface> wifi;
    QString error;
    if (parser.isSet(scenarioOption)) {
        CWInterface::setScenarioPath(parser.value(scenarioOption));
        wifi = CWInterface::interfaceWithName(QStringLiteral("sim0"), &error);
        if (wifi)
            out << "Scanning the simulated radio sim0 (scenario " << parser.value(scenarioOption) << ").\n";
    } else if ((wifi = CWInterface::interface())) {
        out << "Scanning " << wifi->interfaceName() << ".\n";
    } else {
        wifi = CWInterface::interfaceWithName(QStringLiteral("sim0"), &error);
        if (wifi)
            out << "No Wi-Fi interface found: scanning the simulated radio sim0 with the shipped scenario ("
                << CWInterface::defaultScenarioPath() << ").\n";
    }
    if (!wifi) {
        err << "skyvane: " << error << '\n';
        return 1;
    }
    out.flush();
    if (!quitOnSignals())
        err << "skyvane: cannot catch Ctrl-C; end with --passes.\n";

    auto engine = std::make_unique<SVActiveScanEngine>(wifi);
    qint64 passes = 0;
    auto observation = sv::NotificationCenter::defaultCenter().addObserver(
        SVActiveScanEngine::ScanDidEndNotification,
        [&](const sv::Notification&) {
            if (!engine)
                return;
            ++passes;
            if (engine->powerOn())
                printPass(out, passes, engine->results());
            else
                out << "Pass " << passes << ": the Wi-Fi radio is off.\n" << Qt::flush;
            if (passLimit > 0 && passes >= passLimit)
                QCoreApplication::quit();
        },
        sv::NotificationCenter::Delivery::MainThread);
    engine->runEngine();
    const int status = app.exec();

    observation.reset();
    engine->stopEngine();
    engine.reset(); // waits for the engine's thread to end
    out << "Stopped after " << passes << (passes == 1 ? " pass" : " passes") << ".\n";
    return status;
}
