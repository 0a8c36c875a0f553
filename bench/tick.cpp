// The work of one scan tick without painting: the scan result merged into
// the list, the list filtered and sorted by signal, and the network table
// reloaded, for lists whose records each hold an hour of samples, and
// records at their sample cap (18 hours) where that fits in memory.

#include "model/SVNetworkFilter.h"
#include "model/SVScanMerge.h"
#include "model/CWNetworkUtil.h"
#include "model/SVDataPoint.h"
#include "model/SVNetwork.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/ApplicationFolder.h"
#include "platform/PropertyList.h"
#include "platform/wlan/CWNetwork.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>

namespace {

constexpr double kScanInterval = 2.0; // seconds between scans
constexpr double kNeverDropped = std::numeric_limits<double>::infinity();

QByteArray element(int id, const QByteArray& body)
{
    return QByteArray(1, char(id)) + QByteArray(1, char(body.size())) + body;
}

// A beacon's elements as a busy access point sends them (about 200 bytes).
QByteArray elementsFor(const QByteArray& ssid, int channel, bool fiveGHz, bool secure)
{
    QByteArray htCap(26, 0), htOp(22, 0), vhtCap(12, 0), extCap(8, 0);
    htCap[0] = char(0x6E);
    htCap[3] = htCap[4] = char(0xFF);
    htOp[0] = char(channel);
    htOp[1] = fiveGHz ? 1 : 0;
    vhtCap[0] = 0x60;
    vhtCap[8] = char(0xFA);
    extCap[2] = 0x08;
    QByteArray e = element(0, ssid) + element(1, QByteArray::fromHex(fiveGHz ? "8c129824b048606c" : "82848b960c121824"))
        + element(3, QByteArray(1, char(channel))) + element(5, QByteArray::fromHex("00010000"))
        + element(7, QByteArray("DE\x20\x01\x0d\x14", 6)) + element(11, QByteArray::fromHex("0c00800000"))
        + element(45, htCap) + element(61, htOp) + element(127, extCap)
        + element(221, QByteArray::fromHex("0050f202010180000003a4000027a4000042435e0062322f00"));
    if (secure)
        e += element(48, QByteArray::fromHex("0100000fac040100000fac040100000fac02800c"));
    if (fiveGHz)
        e += element(191, vhtCap) + element(192, QByteArray::fromHex("012a00fcff"));
    return e;
}

// One survey: the records with their samples and the scans that come next.
struct Survey {
    SVNetworkList networks;
    // Alternate rounds: the second misses one network in twenty.
    QVector<QVariantMap> scans[2];
    double lastScan = 0;           // seconds since the reference date
    int round = 0;
    bool warm = false;             // past the ticks that first fetch the rings' memory
};

// A scan result as the scan engine makes it.
QVariantMap scanOf(int i, int round)
{
    static const int channels[] = {1, 6, 11, 36, 40, 44, 48, 100, 149, 157};
    static const char* names[] = {"Home", "Office", "Guest", "Cafe", "Lab", "Printer", "Mesh", "Library"};
    const bool unknown = i % 10 == 3;
    const int vendor = unknown ? bench::kVendors + i % 7 : i % bench::kVendors;
    const QString bssid = QStringLiteral("%1:%2:%3:%4")
                              .arg(bench::oui(vendor))
                              .arg((i >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                              .arg(i & 0xFF, 2, 16, QLatin1Char('0'))
                              .arg(i % 3, 2, 16, QLatin1Char('0'));
    const int channel = channels[i % std::size(channels)];
    const bool hidden = i % 25 == 0;
    const bool secure = i % 9 != 0;
    const QByteArray ssid = hidden ? QByteArray() : QStringLiteral("%1-%2").arg(names[i % std::size(names)]).arg(i % 97).toUtf8();
    const QByteArray elements = elementsFor(ssid, channel, channel >= 36, secure);
    CWNetwork network;
    network.setBssid(bssid);
    network.setSsidData(ssid);
    network.setRssiValue(-40 - (i * 13 + round * 3) % 55);
    network.setNoiseMeasurement(-92);
    network.setBeaconInterval(100);
    network.setIbss(i % 50 == 7);
    network.setInformationElementData(elements);
    network.setWlanChannel(CWChannel(channel, CWChannel::bandForChannelNumber(channel), 0));
    network.setSecurityFrom(secure, elements);
    return CWNetworkUtil::dictionary(network);
}

// Every record starts with `samples` samples, one scan every two seconds.
std::unique_ptr<Survey> makeSurvey(int count, std::size_t samples)
{
    auto s = std::make_unique<Survey>();
    for (int round = 0; round < 2; ++round) {
        s->scans[round].reserve(count);
        for (int i = 0; i < count; ++i)
            if (round == 0 || i % 20 != 5)
                s->scans[round].append(scanOf(i, round));
    }
    const double start = SVDataPoint::secondsSinceReferenceDate(QDateTime::currentDateTimeUtc())
        - kScanInterval * double(samples);
    s->networks.reserve(count);
    for (int i = 0; i < count; ++i) {
        auto n = SVNetwork::initWithDictionary(s->scans[0][i]);
        const qint64 rssi = s->scans[0][i].value("rssiValue").toLongLong();
        for (std::size_t k = 0; k < samples; ++k)
            n->addDataPoint(SVDataPoint::fromArchive(rssi - qint64(k % 7), -92, 0, 3, 40,
                                                     start + kScanInterval * double(k)));
        s->networks.append(std::move(n));
    }
    s->lastScan = start + kScanInterval * double(samples);
    return s;
}

// One survey at a time: 5,000 networks at the cap hold gigabytes.
Survey& surveyOf(int count, std::size_t samples)
{
    static std::unique_ptr<Survey> survey;
    static std::pair<int, std::size_t> made{-1, 0};
    if (made != std::pair{count, samples}) {
        survey.reset();
        survey = makeSurvey(count, samples);
        made = {count, samples};
    }
    return *survey;
}

QVector<SVNetworkRow> rowsOf(const SVNetworkList& list)
{
    QVector<SVNetworkRow> rows;
    rows.reserve(list.size());
    for (const auto& n : list)
        rows.append(n);
    return rows;
}


void BM_ScanTick(benchmark::State& state)
{
    const std::size_t samples = state.range(1) == 0 ? SVNetwork::MaximumDataPoints
                                                    : std::size_t(state.range(1) / kScanInterval);
    Survey& survey = surveyOf(int(state.range(0)), samples);

    SVFilterState filter;
    filter.isScanning = true;
    const SVNetworkColumn* rssiColumn = networkColumn(QStringLiteral("RSSI"));
    filter.sortDescriptors = {{rssiColumn->sortKey, false, SVSortDescriptor::Comparison::Compare}};

    QTreeView view;
    view.resize(1200, 800);
    SVNetworksTableModel model;
    view.setModel(&model);
    reloadNetworksView(view, model, rowsOf(survey.networks));
    view.selectionModel()->select(model.index(int(model.rows().size() / 2), 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);

    using Clock = std::chrono::steady_clock;
    // One tick: its merge, filter and reload times in seconds.
    struct Times {
        double merge, filter, reload;
    };
    qsizetype shown = 0;
    const auto tick = [&] {
        survey.lastScan += kScanInterval;
        const QDateTime scanTime = SVDataPoint::dateFromSecondsSinceReferenceDate(survey.lastScan);
        const auto t0 = Clock::now();
        survey.networks = mergeNetworks(survey.scans[survey.round ^= 1], survey.networks, scanTime,
                                        SVSensitivityNoCut, kNeverDropped);
        const auto t1 = Clock::now();
        const SVFilterOutcome out = SVNetworkFilter::filterAndSetNetworks(survey.networks, filter);
        const auto t2 = Clock::now();
        reloadNetworksView(view, model, rowsOf(out.filteredNetworks));
        const auto t3 = Clock::now();
        shown = out.filteredNetworks.size();
        return Times{std::chrono::duration<double>(t1 - t0).count(), std::chrono::duration<double>(t2 - t1).count(),
                     std::chrono::duration<double>(t3 - t2).count()};
    };
    // Five minutes of ticks first, untimed: a survey just made takes the
    // memory its rings grow into from the system, which a running survey
    // has long done.
    for (int i = 0; !survey.warm && i < 150; ++i)
        tick();
    survey.warm = true;

    double mergeSeconds = 0, filterSeconds = 0, reloadSeconds = 0, slowestSeconds = 0;
    for (auto _ : state) {
        const Times t = tick();
        mergeSeconds += t.merge;
        filterSeconds += t.filter;
        reloadSeconds += t.reload;
        slowestSeconds = std::max(slowestSeconds, t.merge + t.filter + t.reload);
    }
    const double ticks = double(state.iterations());
    state.counters["merge_ms"] = mergeSeconds * 1e3 / ticks;
    state.counters["filter_ms"] = filterSeconds * 1e3 / ticks;
    state.counters["reload_ms"] = reloadSeconds * 1e3 / ticks;
    state.counters["shown"] = double(shown);
    // The tick a user waits longest for: one where many records' sample rings grow at once.
    state.counters["slowest_ms"] = slowestSeconds * 1e3;
    // Wall time of the three steps per network and tick: the figure that must stay flat as the list grows.
    state.counters["us_per_network"] = (mergeSeconds + filterSeconds + reloadSeconds) * 1e6 / ticks
        / double(state.range(0));
    state.counters["samples"] = double(survey.networks.value(0)->dataPointCount());
    state.counters["rss_MiB"] = double(bench::residentKiB()) / 1024.0;
}
// Networks and seconds of history (0: every record at its sample cap).
BENCHMARK(BM_ScanTick)
    ->ArgNames({"networks", "history_s"})
    ->Args({50, 3600})
    ->Args({500, 3600})
    ->Args({5000, 3600})
    ->Args({20000, 3600})
    ->Args({500, 0})
    ->Args({5000, 0})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
// Ten minutes of ticks on lists an hour in, long enough for the rings to grow.
BENCHMARK(BM_ScanTick)
    ->ArgNames({"networks", "history_s"})
    ->Args({500, 3600})
    ->Args({5000, 3600})
    ->Args({20000, 3600})
    ->Iterations(300)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runInApplication<QApplication>(argc, argv);
}
