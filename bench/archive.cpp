// Keyed archives of surveys: writing, and reading with our unarchiver beside
// libplist's parser on the same file. Peak memory of each reader is measured
// in a fresh process (this program re-run with --peak), so one reader's pages
// do not count against the other.

#include "BenchSupport.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace sv;

namespace {

const QStringList RecordClass{"SVNetwork", "NSObject"};
const QStringList SampleClass{"SVDataPoint", "NSObject"};

// What a reader keeps per sample: a compact value, as the record stores it.
struct Sample {
    qint16 rssi, noise, channel, stations, utilization;
    qint64 msecs;
};

QVariantMap networkFor(int record)
{
    const QString bssid = QString::asprintf("00:1B:%02X:3C:%02X:D5", record & 0xff, record >> 8);
    return {
        {"bssid", bssid},
        {"ssid", QStringLiteral("Survey network %1").arg(record)},
        {"channelNumber", record % 2 ? 36 : 6},
        {"rssiValue", -60},
        {"noiseMeasurement", -92},
        {"informationElementData", QByteArray(220, char(record))},
        {"ibss", false},
        {"beaconInterval", 100},
        {"phyMode", 0},
        {"securityMode", 4},
    };
}

bool writeSurvey(const QString& path, int records, int samples)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const qint64 start = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    KeyedArchiver archiver(&file);
    archiver.beginArray("root");
    for (int r = 0; r < records; ++r) {
        archiver.appendObjectWith(RecordClass, [&](KeyedArchiver& c) {
            c.encodeObject("network", networkFor(r));
            c.beginArray("dataPoints");
            for (int s = 0; s < samples; ++s) {
                c.appendObjectWith(SampleClass, [&](KeyedArchiver& p) {
                    p.encodeInt("revision", 1);
                    p.encodeInt("rssiValue", -40 - (s + r) % 60);
                    p.encodeInt("noiseValue", -96 + s % 5);
                    p.encodeInt("channel", r % 2 ? 36 : 6);
                    p.encodeInt("stationCount", s % 20);
                    p.encodeInt("chUtilization", s % 101);
                    p.encodeDate("timestamp", QDateTime::fromMSecsSinceEpoch(start + 1500LL * s + r, Qt::UTC));
                });
            }
            c.endArray();
            c.encodeColor("color", QColor::fromHsv(r * 37 % 360, 200, 220));
            c.encodeDate("lastSeen", QDateTime::fromMSecsSinceEpoch(start + 1500LL * samples, Qt::UTC));
        });
    }
    archiver.endArray();
    return archiver.finish();
}

// Reads every record and sample into compact storage; returns the sample count.
qint64 readOurs(const QString& path, std::vector<std::vector<Sample>>* keep = nullptr)
{
    KeyedUnarchiver archive = KeyedUnarchiver::fromFile(path);
    std::vector<std::vector<Sample>> records;
    qint64 count = 0;
    archive.decodeArrayOfObjects("root", [&](KeyedUnarchiver& record) {
        const QVariantMap network = record.decodeObject("network").toMap();
        benchmark::DoNotOptimize(network);
        std::vector<Sample> samples;
        samples.reserve(size_t(std::max<qsizetype>(0, record.countForKey("dataPoints"))));
        record.decodeArrayOfObjects("dataPoints", [&](KeyedUnarchiver& p) {
            Sample s;
            s.rssi = qint16(p.decodeInt("rssiValue"));
            s.noise = qint16(p.decodeInt("noiseValue"));
            s.channel = qint16(p.decodeInt("channel"));
            s.stations = qint16(p.decodeInt("stationCount"));
            s.utilization = qint16(p.decodeInt("chUtilization"));
            s.msecs = p.decodeDate("timestamp").toMSecsSinceEpoch();
            samples.push_back(s);
        });
        count += qint64(samples.size());
        benchmark::DoNotOptimize(record.decodeColor("color"));
        benchmark::DoNotOptimize(record.decodeDate("lastSeen"));
        records.push_back(std::move(samples));
    });
    if (archive.failed()) {
        std::fprintf(stderr, "read failed: %s\n", qPrintable(archive.errorString()));
        return -1;
    }
    if (keep)
        *keep = std::move(records);
    return count;
}

bool readLibplist(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    plist_t root = nullptr;
    plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    const bool ok = root != nullptr;
    plist_free(root);
    return ok;
}

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString surveyFile(int records, int samples)
{
    static std::map<std::pair<int, int>, QString> made;
    auto& path = made[{records, samples}];
    if (path.isEmpty()) {
        path = folder().filePath(QStringLiteral("survey-%1x%2").arg(records).arg(samples));
        if (!writeSurvey(path, records, samples))
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    }
    return path;
}


// Peak resident memory of one read in a fresh process, in MiB.
double peakMiB(const char* reader, const QString& path)
{
    // popen runs a shell, whose /proc/self/exe is the shell: name this program itself.
    static const std::string self = QFile::symLinkTarget("/proc/self/exe").toStdString();
    const std::string command = "'" + self + "' --peak " + std::string(reader) + " '" + path.toStdString() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    long kib = -1;
    if (std::fscanf(pipe, "%ld", &kib) != 1)
        kib = -1;
    pclose(pipe);
    return kib / 1024.0;
}

void reportMemory(benchmark::State& state, const char* reader, const QString& path)
{
    const double fileMiB = QFile(path).size() / (1024.0 * 1024.0);
    const double peak = peakMiB(reader, path);
    state.counters["file_MiB"] = fileMiB;
    state.counters["peak_MiB"] = peak;
    state.counters["peak_per_file"] = peak / fileMiB;
}

void BM_Write(benchmark::State& state)
{
    const int records = int(state.range(0)), samples = int(state.range(1));
    const QString path = folder().filePath("written");
    for (auto _ : state)
        if (!writeSurvey(path, records, samples))
            state.SkipWithError("write failed");
    state.counters["file_MiB"] = QFile(path).size() / (1024.0 * 1024.0);
    state.counters["samples"] = double(records) * samples;
    QFile::remove(path);
}

void BM_ReadOurs(benchmark::State& state)
{
    const QString path = surveyFile(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        if (readOurs(path) != state.range(0) * state.range(1))
            state.SkipWithError("read failed");
    reportMemory(state, "ours", path);
}

void BM_ReadLibplist(benchmark::State& state)
{
    const QString path = surveyFile(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        if (!readLibplist(path))
            state.SkipWithError("libplist could not read the file");
    reportMemory(state, "libplist", path);
}

} // namespace

BENCHMARK(BM_Write)->Args({300, 3000})->Args({300, 43200})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ReadOurs)->Args({300, 3000})->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLibplist)->Args({300, 3000})->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOurs)->Args({300, 43200})->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) {
        const QString path = QString::fromLocal8Bit(argv[3]);
        bool ok;
        if (std::strcmp(argv[2], "ours") == 0) {
            std::vector<std::vector<Sample>> kept;
            ok = readOurs(path, &kept) >= 0;
        } else {
            ok = readLibplist(path);
        }
        std::printf("%ld\n", ok ? bench::highWaterKiB() : -1L);
        return ok ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
