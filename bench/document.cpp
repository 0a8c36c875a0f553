// Saving and opening a day-long survey through the document code: 500
// networks heard every 2 s for 8 hours (7.2 million samples). And refusing
// a small document built to explode: one array of a million samples shared
// by 2,000 records.
//
// Open reads and checks the archive, rebuilds every record and its
// statistics and hands the list over. Memory is measured in a fresh process
// (this program re-run with --peak), against the in-memory survey plus the
// file's size.

#include "BenchSupport.h"

#include "model/SVDocument.h"
#include "model/SVNetwork.h"
#include "support/LibplistArchive.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kNetworks = 500;
constexpr int kSamples = 8 * 3600 / 2;
const QDateTime kStart(QDate(2026, 3, 2), QTime(8, 0), Qt::UTC);

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

QList<std::shared_ptr<SVNetwork>> survey(int networks, int samples)
{
    QList<std::shared_ptr<SVNetwork>> list;
    for (int r = 0; r < networks; ++r) {
        const int channel = r % 3 == 2 ? 36 + 4 * (r % 8) : 1 + 5 * (r % 3);
        auto n = std::make_shared<SVNetwork>(QVariantMap{
            {"bssid", QStringLiteral("%1:00:5E:%2:%3:01").arg(bench::oui(r % bench::kVendors).left(5))
                          .arg((r >> 8) & 0xFF, 2, 16, QLatin1Char('0')).arg(r & 0xFF, 2, 16, QLatin1Char('0'))},
            {"ssid", QStringLiteral("net-%1").arg(r)},
            {"channelNumber", channel},
            {"rssiValue", -60},
            {"noiseMeasurement", -92},
            {"informationElementData", QByteArray::fromHex("0005") + QByteArray("net-x") + QByteArray::fromHex("030106")},
        });
        for (int s = 0; s < samples; ++s) {
            const int rssi = (s + r) % 23 == 0 ? -120 : -40 - (s * 7 + r) % 55;
            n->addDataPoint(SVDataPoint(rssi, -92 - s % 4, (s + r) % 30, (s * 3) % 101, kStart.addMSecs(2000LL * s))); // one scan time for all
        }
        list.append(std::move(n));
    }
    return list;
}

QDateTime lastScanTime(int samples)
{
    return kStart.addMSecs(2000LL * (samples - 1));
}

QString documentFile(int networks, int samples)
{
    const QString path = folder().filePath(QStringLiteral("survey-%1-%2.skyvane").arg(networks).arg(samples));
    if (!QFile::exists(path))
        SVDocument::write(path, survey(networks, samples), lastScanTime(samples));
    return path;
}

// The crafted document, assembled with libplist: every record names the
// same array, whose million entries all name the same sample.
QString craftedFile()
{
    const QString path = folder().filePath(QStringLiteral("crafted.skyvane"));
    if (QFile::exists(path))
        return path;
    sv::test::LibplistArchive a;
    plist_t point = a.object(a.addClass({"SVDataPoint", "NSObject"}));
    plist_dict_set_item(point, "revision", plist_new_uint(1));
    plist_dict_set_item(point, "rssiValue", plist_new_uint(uint64_t(int64_t(-60))));
    plist_dict_set_item(point, "timestamp", plist_new_uid(a.date(plist_new_real(700000000.0))));
    const uint64_t samples = a.array(std::vector<uint64_t>(1000000, a.add(point)));
    const uint64_t networkClass = a.addClass({"SVNetwork", "NSObject"});
    std::vector<uint64_t> records;
    for (int r = 0; r < 2000; ++r) {
        plist_t n = a.object(networkClass);
        const QByteArray bssid = QStringLiteral("00:11:22:33:%1:%2").arg(r / 256, 2, 16, QLatin1Char('0'))
                                     .arg(r % 256, 2, 16, QLatin1Char('0')).toLatin1();
        plist_dict_set_item(n, "network", plist_new_uid(a.dictionary({{"bssid", a.add(plist_new_string(bssid.constData()))},
                                                                      {"channelNumber", a.add(plist_new_uint(6))}})));
        plist_dict_set_item(n, "dataPoints", plist_new_uid(samples));
        records.push_back(a.add(n));
    }
    const QByteArray bytes = a.bytes(a.dictionary({{"networks", a.array(records)}}));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// Runs this program again for one measurement; it prints numbers.
std::vector<double> measure(const std::string& what)
{
    static const std::string self = QFile::symLinkTarget("/proc/self/exe").toStdString();
    FILE* pipe = popen(("'" + self + "' --peak " + what).c_str(), "r");
    std::vector<double> out;
    if (!pipe)
        return out;
    double v;
    while (std::fscanf(pipe, "%lf", &v) == 1)
        out.push_back(v);
    pclose(pipe);
    return out;
}

void BM_DocumentSave(benchmark::State& state)
{
    const int networks = int(state.range(0)), samples = int(state.range(1));
    const auto list = survey(networks, samples);
    const QString path = folder().filePath("saved.skyvane");
    for (auto _ : state)
        if (!SVDocument::write(path, list, lastScanTime(samples)))
            state.SkipWithError("save failed");
    const double samplesHeld = double(networks) * samples;
    state.counters["file_MiB"] = QFile(path).size() / (1024.0 * 1024.0);
    state.counters["file_B_per_sample"] = QFile(path).size() / samplesHeld;
    const auto peak = measure("save " + std::to_string(networks) + " " + std::to_string(samples) + " '"
                              + path.toStdString() + "'");
    if (peak.size() == 2) {
        state.counters["survey_MiB"] = peak[0] / 1024.0;
        state.counters["peak_over_survey_MiB"] = (peak[1] - peak[0]) / 1024.0;
    }
    QFile::remove(path);
}

void BM_DocumentOpen(benchmark::State& state)
{
    const int networks = int(state.range(0)), samples = int(state.range(1));
    const QString path = documentFile(networks, samples);
    QList<std::shared_ptr<SVNetwork>> shown;
    for (auto _ : state) {
        auto content = SVDocument::read(path);
        if (!content || content->networks.size() != networks) {
            state.SkipWithError("open failed");
            break;
        }
        shown = std::move(content->networks); // the list replaced
    }
    shown.clear();
    const double fileMiB = QFile(path).size() / (1024.0 * 1024.0);
    state.counters["file_MiB"] = fileMiB;
    const auto peak = measure("open " + std::to_string(networks) + " " + std::to_string(samples) + " '"
                              + path.toStdString() + "'");
    if (peak.size() == 3) {
        state.counters["peak_MiB"] = peak[0] / 1024.0;
        state.counters["survey_MiB"] = peak[1] / 1024.0;
        state.counters["peak_under_survey_plus_file"] = peak[0] / 1024.0 < peak[1] / 1024.0 + fileMiB ? 1 : 0;
        state.counters["B_per_sample_held"] = peak[2];
    }
}

void BM_CraftedDocumentRefused(benchmark::State& state)
{
    const QString path = craftedFile();
    for (auto _ : state) {
        QString error;
        if (SVDocument::read(path, &error) || !error.contains(QLatin1String("too many shared references"))) {
            state.SkipWithError("the crafted document was not refused as damaged");
            break;
        }
    }
    state.counters["file_MiB"] = QFile(path).size() / (1024.0 * 1024.0);
    const auto peak = measure("refuse 0 0 '" + path.toStdString() + "'");
    if (peak.size() == 1)
        state.counters["peak_MiB"] = peak[0] / 1024.0;
}

} // namespace

// Opening reads records on several threads: CPU is the whole process's.
BENCHMARK(BM_DocumentSave)->Args({kNetworks, kSamples})->Iterations(1)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentOpen)->Args({kNetworks, kSamples})->Iterations(1)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CraftedDocumentRefused)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QTemporaryDir home;
    bench::useThrowawayHome(home);
    QCoreApplication app(argc, argv);
    if (argc == 6 && std::strcmp(argv[1], "--peak") == 0) {
        const int networks = std::atoi(argv[3]), samples = std::atoi(argv[4]);
        const QString path = QString::fromLocal8Bit(argv[5]);
        if (std::strcmp(argv[2], "save") == 0) {
            // Resident size of the survey alone, then the peak while saving it.
            const long before = bench::residentKiB();
            const auto list = survey(networks, samples);
            const long held = bench::residentKiB() - before;
            const long base = bench::highWaterKiB();
            if (!SVDocument::write(path, list, lastScanTime(samples)))
                return 1;
            std::printf("%ld %ld\n", held, held + (bench::highWaterKiB() - base));
            return 0;
        }
        if (std::strcmp(argv[2], "refuse") == 0) {
            // The peak of a fresh process while it refuses the file.
            const long before = bench::residentKiB();
            if (SVDocument::read(path))
                return 1;
            std::printf("%ld\n", bench::highWaterKiB() - before);
            return 0;
        }
        // Open: the peak of a fresh process that opens the file, against
        // the resident size of the survey it holds afterwards.
        const long before = bench::residentKiB();
        auto content = SVDocument::read(path);
        if (!content)
            return 1;
        const long peak = bench::highWaterKiB() - before;
        const long held = bench::residentKiB() - before;
        std::printf("%ld %ld %.1f\n", peak, held, held * 1024.0 / (double(networks) * samples));
        return 0;
    }
    return bench::runBenchmarks(argc, argv);
}
