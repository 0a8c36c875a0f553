// One scan pass of the engine over a simulated radio with a manual clock,
// so that the figure is the engine's own work (the radio's answer, removing
// duplicates, the scan dictionaries), never its pauses.

#include "model/SVActiveScanEngine.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/wlan/CWInterface.h"
#include "platform/wlan/SimulatedRadio.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <condition_variable>
#include <mutex>

namespace {

QByteArray scenarioOf(int count)
{
    static const int channels[] = {1, 6, 11, 36, 40, 44, 48, 100, 149, 157};
    QJsonArray networks;
    for (int i = 0; i < count; ++i) {
        QJsonObject n;
        n["bssid"] = QStringLiteral("%1:%2:%3:00:%4:%5")
                         .arg(0x10 + i % 7, 2, 16, QLatin1Char('0'))
                         .arg((i >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
                         .arg((i >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                         .arg(i & 0xFF, 2, 16, QLatin1Char('0'))
                         .arg(i % 3, 2, 16, QLatin1Char('0'));
        n["ssid"] = QStringLiteral("Net-%1").arg(i % 97);
        n["channel"] = channels[i % std::size(channels)];
        n["rssi"] = -40 - i % 50;
        networks.append(n);
    }
    QJsonObject scenario;
    scenario["cachedResults"] = false;
    scenario["networks"] = networks;
    return QJsonDocument(scenario).toJson(QJsonDocument::Compact);
}

void BM_ScanPass(benchmark::State& state)
{
    const int count = int(state.range(0));
    auto clock = std::make_shared<sv::ManualClock>();
    QString error;
    auto radio = sv::wlan::SimulatedRadio::fromJson(QStringLiteral("sim0"), scenarioOf(count),
                                                     QStringLiteral("bench.json"), clock, &error);
    if (!radio) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    sv::NotificationCenter center;
    std::mutex mutex;
    std::condition_variable cv;
    qint64 passes = 0;
    // Each pass holds the engine until the benchmark has counted it, so the
    // measured interval is one pass and nothing else.
    bool waiting = false;
    auto onEnd = center.addObserver(
        SVActiveScanEngine::ScanDidEndNotification,
        [&](const sv::Notification&) {
            std::unique_lock lock(mutex);
            ++passes;
            cv.notify_all();
            cv.wait(lock, [&] { return !waiting; });
            waiting = true;
        },
        sv::NotificationCenter::Delivery::PostingThread);

    SVActiveScanEngine engine(std::make_shared<CWInterface>(radio), std::nullopt, clock, &center);
    {
        std::unique_lock lock(mutex);
        waiting = true;
    }
    engine.runEngine();
    qint64 seen = 0;
    {
        // The first pass finds the radio's networks for the first time.
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return passes > seen; });
        seen = passes;
    }
    qsizetype heard = 0;
    for (auto _ : state) {
        std::unique_lock lock(mutex);
        waiting = false;
        cv.notify_all();
        cv.wait(lock, [&] { return passes > seen; });
        seen = passes;
        if (const SVScanResults r = engine.results())
            heard = r->size();
    }
    engine.stopEngine();
    {
        std::unique_lock lock(mutex);
        waiting = false;
        cv.notify_all();
    }
    state.counters["networks_heard"] = double(heard);
}
BENCHMARK(BM_ScanPass)
    ->ArgName("networks")
    ->Arg(50)
    ->Arg(500)
    ->Arg(5000)
    ->Arg(20000)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return bench::runBenchmarks(argc, argv);
}
