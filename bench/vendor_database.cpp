// Vendor database: load time of the full registry, lookups per second, and
// the resident memory the loaded table costs.

#include "model/SVVendorDatabaseHelper.h"
#include "platform/Resources.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <malloc.h>
#include <random>
#include <unistd.h>

namespace {

SVVendorDatabaseHelper& database()
{
    static SVVendorDatabaseHelper* db = [] {
        auto* d = new SVVendorDatabaseHelper;
        if (!d->expandDatabaseUsingFile(sv::resourcePath(QStringLiteral("vendors.plist.zip")), true))
            std::abort();
        return d;
    }();
    return *db;
}

double residentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

QStringList addresses(bool listed)
{
    std::mt19937 random(7);
    // Listed: first octets of common makers' blocks; otherwise random, which
    // mostly misses and runs every fallback step.
    const QStringList known{"00:00:0C", "00:15:6D", "3C:22:FB", "F0:9F:C2", "00:18:0A", "00:1B:63"};
    QStringList list;
    for (int i = 0; i < 4096; ++i) {
        const QString tail = QStringLiteral(":%1:%2:%3")
                                 .arg(random() % 256, 2, 16, QChar('0'))
                                 .arg(random() % 256, 2, 16, QChar('0'))
                                 .arg(random() % 256, 2, 16, QChar('0'))
                                 .toUpper();
        const QString head = listed ? known.at(i % known.size())
                                    : QStringLiteral("%1:%2:%3")
                                          .arg(random() % 256, 2, 16, QChar('0'))
                                          .arg(random() % 256, 2, 16, QChar('0'))
                                          .arg(random() % 256, 2, 16, QChar('0'))
                                          .toUpper();
        list << head + tail;
    }
    return list;
}

double heapInUseMiB() { return double(mallinfo2().uordblks) / (1024.0 * 1024.0); }

// Registered first so that it measures the process's first load.
void BM_ResidentMemory(benchmark::State& state)
{
    SVVendorDatabaseHelper& db = database();
    const double residentBefore = residentMiB();
    double heapGrowth = 0;
    for (auto _ : state) {
        db.dropDatabase();
        const double heapBefore = heapInUseMiB();
        benchmark::DoNotOptimize(db.stringForVendor(QStringLiteral("00:00:0C:00:00:00")));
        heapGrowth = heapInUseMiB() - heapBefore;
    }
    state.counters["table_heap_MiB"] = heapGrowth;
    state.counters["resident_growth_MiB"] = residentMiB() - residentBefore;
    state.counters["resident_MiB"] = residentMiB();
}
BENCHMARK(BM_ResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_LoadDatabase(benchmark::State& state)
{
    SVVendorDatabaseHelper& db = database();
    for (auto _ : state) {
        db.dropDatabase();
        benchmark::DoNotOptimize(db.stringForVendor(QStringLiteral("00:00:0C:00:00:00")));
    }
}
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond);

void lookups(benchmark::State& state, bool listed)
{
    SVVendorDatabaseHelper& db = database();
    const QStringList list = addresses(listed);
    db.stringForVendor(list.first());
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(db.stringForVendor(list.at(i)));
        i = (i + 1) % list.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_LookupListed(benchmark::State& state) { lookups(state, true); }
void BM_LookupRandom(benchmark::State& state) { lookups(state, false); }
// Threads share one table: lookups in all should grow with the threads.
BENCHMARK(BM_LookupListed)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK(BM_LookupRandom)->ThreadRange(1, 8)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    // The database is installed into a folder of its own, never the user's.
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
