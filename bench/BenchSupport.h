#pragma once

// What the benchmarks share: a throwaway home, a small vendor database and
// the process's memory figures.

#include "model/SVVendorDatabaseHelper.h"
#include "platform/ApplicationFolder.h"
#include "platform/PropertyList.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>
#include <type_traits>

namespace bench {

// Records read the settings store and the vendor database: keep both away
// from the user's own. Call before the application object is made.
inline void useThrowawayHome(const QTemporaryDir& home)
{
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    QStandardPaths::setTestModeEnabled(true);
}

inline constexpr int kVendors = 20;

// The OUI of vendor number v; the database names the first kVendors.
inline QString oui(int vendor)
{
    return QStringLiteral("00:%1:40").arg(0x10 + vendor, 2, 16, QLatin1Char('0')).toUpper();
}

inline void installVendorDatabase()
{
    QVariantMap vendors;
    for (int v = 0; v < kVendors; ++v)
        vendors.insert(oui(v), QStringLiteral("Vendor %1 Inc.").arg(v));
    QDir().mkpath(sv::applicationSupportFolder());
    sv::PropertyList::writeFile(vendors, SVVendorDatabaseHelper::sharedDatabase().pathToDatabase());
    SVVendorDatabaseHelper::sharedDatabase().dropDatabase();
}

// A figure of this process from /proc/self/status, in KiB; -1 when unknown.
inline long statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field) && line.size() > qsizetype(qstrlen(field)) && line[qstrlen(field)] == ':')
            return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}
// Peak and current resident size.
inline long highWaterKiB() { return statusKiB("VmHWM"); }
inline long residentKiB() { return statusKiB("VmRSS"); }

// Runs the benchmarks the command line names.
inline int runBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Runs the benchmarks as the application runs: a throwaway home, the
// application object (a QApplication for views, drawn offscreen), its name
// and the small vendor database; prepare, when given, runs just before.
template <typename App>
int runInApplication(int argc, char** argv, const std::function<void()>& prepare = {})
{
    QTemporaryDir home;
    useThrowawayHome(home);
    if constexpr (!std::is_same_v<App, QCoreApplication>)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Skyvane"));
    installVendorDatabase();
    if (prepare)
        prepare();
    return runBenchmarks(argc, argv);
}

} // namespace bench
