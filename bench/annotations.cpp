// A million annotations: the store written to annotations.plist (what the
// background saver does after an edit), and an annotations CSV file of the
// same size read for import; and the memory of reading a hostile file, a
// 32 MB line of commas (run first, so the process's peak is its own).

#include "BenchSupport.h"

#include "model/SVCSVExport.h"
#include "model/SVAnnotationsHelper.h"

#include <QTemporaryDir>

namespace {

void BM_ImportA32MBLineOfCommas(benchmark::State& state)
{
    const QString text(32 * 1024 * 1024, QLatin1Char(','));
    const long before = bench::residentKiB();
    for (auto _ : state)
        benchmark::DoNotOptimize(parseAnnotationsCSV(text).refusal);
    state.counters["peak_MiB_above_text"] = double(bench::highWaterKiB() - before) / 1024.0;
}
BENCHMARK(BM_ImportA32MBLineOfCommas)->Unit(benchmark::kMillisecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

constexpr int kNotes = 1000000;

QString bssid(int i)
{
    return QString::asprintf("02:%02X:%02X:%02X:%02X:%02X", (i >> 24) & 0xFF, (i >> 16) & 0xFF, (i >> 8) & 0xFF,
                             i & 0xFF, i % 251);
}

void BM_SaveAMillionNotes(benchmark::State& state)
{
    QTemporaryDir dir;
    SVAnnotationsHelper store(dir.filePath("Skyvane"));
    for (int i = 0; i < kNotes; ++i)
        store.setAnnotationsForNetwork(bssid(i), QStringLiteral("desk %1 <by the door> & window").arg(i));
    for (auto _ : state) {
        store.setAnnotationsForNetwork(bssid(0), QStringLiteral("edited %1").arg(state.iterations()));
        if (!store.saveToDisk())
            state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_SaveAMillionNotes)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime();

void BM_ParseAMillionLineImport(benchmark::State& state)
{
    QMap<QString, QString> notes;
    for (int i = 0; i < kNotes; ++i)
        notes.insert(bssid(i), QStringLiteral("desk %1, \"by the door\"").arg(i));
    const QString text = QString::fromUtf8(annotationsCSVData(notes));
    for (auto _ : state) {
        const SVAnnotationsImport import = parseAnnotationsCSV(text);
        benchmark::DoNotOptimize(import.entries.size());
    }
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_ParseAMillionLineImport)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return bench::runInApplication<QCoreApplication>(argc, argv);
}
