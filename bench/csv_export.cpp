// CSV export of a day-long survey: 500 networks heard every 2 s for 8 hours
// (14,400 samples each). The whole path a user waits on is timed: the lines
// made on the main thread, then the bytes written through the file writer.

#include "BenchSupport.h"

#include "model/SVCSVExport.h"
#include "model/SVNetwork.h"
#include "model/SVNetworkColumns.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <limits>

namespace {

constexpr int kNetworks = 500;
constexpr int kSamples = 8 * 3600 / 2;

const SVNetworkList& survey()
{
    static const SVNetworkList list = [] {
        SVNetworkList l;
        const QDateTime start(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
        for (int r = 0; r < kNetworks; ++r) {
            const QString bssid = bench::oui(r % bench::kVendors) + QString::asprintf(":%02X:%02X:%02X", r & 0xff, r >> 8, r % 7);
            const QVariantMap scan = {
                {"bssid", bssid}, {"ssid", QStringLiteral("Survey, network \"%1\"").arg(r)},
                {"channelNumber", r % 2 ? 36 + 4 * (r % 8) : 1 + r % 11}, {"rssiValue", -60},
                {"noiseMeasurement", -92}, {"ibss", false}, {"beaconInterval", 100}, {"phyMode", 0},
                {"securityMode", std::numeric_limits<qint64>::max()}};
            auto n = SVNetwork::initWithDictionary(scan);
            for (int i = 0; i < kSamples; ++i)
                n->addDataPoint(SVDataPoint(-50 - (i + r) % 40, -92, -1, -1, start.addSecs(qint64(i) * 2)));
            l.append(n);
        }
        return l;
    }();
    return list;
}

QStringList allColumns()
{
    QStringList ids;
    for (const auto& c : networkColumns())
        ids << c.identifier;
    return ids;
}

void BM_CSVExportEightHourSurvey(benchmark::State& state)
{
    const SVNetworkList& networks = survey();
    const QStringList ids = allColumns();
    QTemporaryDir dir;
    const QString path = dir.filePath("survey.csv");
    for (auto _ : state) {
        const SVCSVExportSnapshot snapshot = csvExportSnapshot(path, networks, ids, int(state.range(0)));
        QString error;
        if (!writeCSVExport(snapshot, &error))
            state.SkipWithError(error.toUtf8().constData());
    }
    state.counters["file_bytes"] = double(QFileInfo(path).size());
    state.counters["samples"] = double(kNetworks) * kSamples;
}
BENCHMARK(BM_CSVExportEightHourSurvey)->Arg(1)->Arg(0)->ArgName("units")->Unit(benchmark::kMillisecond);

// The part that holds the main thread: making the lines.
void BM_CSVExportSnapshotOnly(benchmark::State& state)
{
    const SVNetworkList& networks = survey();
    const QStringList ids = allColumns();
    for (auto _ : state)
        benchmark::DoNotOptimize(csvExportSnapshot(QString(), networks, ids, 1));
}
BENCHMARK(BM_CSVExportSnapshotOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runInApplication<QCoreApplication>(argc, argv);
}
