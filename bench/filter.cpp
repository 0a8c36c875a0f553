// One filtering of the network list, as each scan tick runs it, with a
// four-group filter string, the sort by signal and the sidebar rebuild.

#include "model/SVNetworkFilter.h"
#include "model/SVDataPoint.h"
#include "model/SVNetwork.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/ApplicationFolder.h"
#include "platform/PropertyList.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {


// unknownPercent of the records carry an OUI the database does not name.
SVNetworkList makeNetworks(int count, int unknownPercent)
{
    static const qint64 securities[] = {0, 1, 2, 3, 4, 7, 8, 9, std::numeric_limits<qint64>::max()};
    static const qint64 phys[] = {SVNetwork::PhyB | SVNetwork::PhyG | SVNetwork::PhyN, SVNetwork::PhyG,
                                  SVNetwork::PhyA | SVNetwork::PhyN | SVNetwork::PhyAC, SVNetwork::PhyA | SVNetwork::PhyN};
    static const int channels[] = {1, 6, 11, 36, 40, 44, 48, 100, 149, 157};
    static const char* names[] = {"Home", "Office", "Guest", "Cafe", "Lab", "Printer", "Mesh", "Library"};
    SVNetworkList list;
    list.reserve(count);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < count; ++i) {
        const bool unknown = (i * 37) % 100 < unknownPercent;
        const int vendor = unknown ? bench::kVendors + i % 7 : i % bench::kVendors;
        const QString bssid = QStringLiteral("%1:%2:%3:%4")
                                  .arg(bench::oui(vendor))
                                  .arg((i >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                                  .arg(i & 0xFF, 2, 16, QLatin1Char('0'))
                                  .arg(i % 3, 2, 16, QLatin1Char('0'));
        const int channel = channels[i % std::size(channels)];
        const int rssi = -40 - (i * 13) % 55;
        const QVariantMap d{{"bssid", bssid},
                            {"channelNumber", channel},
                            {"ssid", QStringLiteral("%1-%2").arg(names[i % std::size(names)]).arg(i % 97)},
                            {"rssiValue", rssi},
                            {"noiseMeasurement", -92},
                            {"ibss", i % 50 == 0},
                            {"beaconInterval", 100},
                            {"phyMode", phys[i % std::size(phys)]},
                            {"securityMode", securities[i % std::size(securities)]}};
        auto n = SVNetwork::initWithDictionary(d);
        n->addDataPoint(SVDataPoint(rssi, -92, -1, -1, now));
        list.append(std::move(n));
    }
    return list;
}

void BM_FilterAndSetNetworks(benchmark::State& state)
{
    const SVNetworkList list = makeNetworks(int(state.range(0)), int(state.range(1)));
    SVFilterState s;
    s.filterString = QStringLiteral("wpa2,wep,psk & n,ac & >=-85 & !guest");
    s.sortDescriptors = {{QStringLiteral("rssiValue"), false, SVSortDescriptor::Comparison::Compare}};
    s.isScanning = true;
    s.association = {QStringLiteral("00:00:00:10:20:00"), QStringLiteral("Home-0"), 1};
    qsizetype shown = 0;
    for (auto _ : state) {
        const SVFilterOutcome out = SVNetworkFilter::filterAndSetNetworks(list, s);
        shown = out.filteredNetworks.size();
        benchmark::DoNotOptimize(out.sideViewItems.data());
    }
    state.counters["shown"] = double(shown);
}
// Networks, percent of them of unknown vendor: a tenth as in a typical
// survey, and the worst case of no vendor known.
BENCHMARK(BM_FilterAndSetNetworks)
    ->ArgNames({"networks", "unknownVendorPercent"})
    ->Args({500, 10})
    ->Args({5000, 10})
    ->Args({500, 100})
    ->Args({5000, 100})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runInApplication<QCoreApplication>(argc, argv);
}
