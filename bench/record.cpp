// Network record costs: memory per stored sample and element digests per second.

#include "model/SVNetwork.h"
#include "model/SVNetworkDigest.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <limits>

namespace {

QByteArray element(int id, const QByteArray& body)
{
    return QByteArray(1, char(id)) + QByteArray(1, char(body.size())) + body;
}

// A busy 5 GHz access point's beacon: about 330 bytes of elements.
QByteArray typicalElements()
{
    QByteArray htCap(26, 0), htOp(22, 0), vhtCap(12, 0), extCap(8, 0);
    htCap[0] = char(0x6E);
    htCap[3] = htCap[4] = char(0xFF);
    htOp[0] = 36;
    htOp[1] = 1;
    vhtCap[0] = 0x60;
    vhtCap[8] = char(0xFA);
    extCap[2] = 0x08;
    return element(0, "Office-Guest") + element(1, QByteArray::fromHex("8c129824b048606c"))
        + element(3, QByteArray(1, 36)) + element(5, QByteArray::fromHex("00010000"))
        + element(7, QByteArray("DEI\x24\x04\x17", 6)) + element(11, QByteArray::fromHex("0c00800000"))
        + element(45, htCap) + element(61, htOp) + element(127, extCap) + element(191, vhtCap)
        + element(192, QByteArray::fromHex("012a00fcff"))
        + element(48, QByteArray::fromHex("0100000fac040100000fac040100000fac02800c"))
        + element(54, QByteArray::fromHex("123400"))
        + element(221, QByteArray::fromHex("0050f202010180000003a4000027a4000042435e0062322f00"))
        + element(221, QByteArray::fromHex("0050f204104a0001101044000102"))
        + element(133, QByteArray(10, 0) + QByteArray("AP-3rd-Floor\0\0\0\0", 16) + QByteArray(1, 9))
        + element(221, QByteArray::fromHex("00409614" "01"))
        + element(221, QByteArray::fromHex("506f9a10" "00"));
}

QVariantMap typicalScan()
{
    return {{"bssid", QStringLiteral("0:1b:2:3c:4:d5")}, {"channelNumber", 36}, {"ssid", "Office-Guest"},
            {"rssiValue", -61}, {"noiseMeasurement", -92}, {"ibss", false}, {"beaconInterval", 100},
            {"phyMode", 0}, {"securityMode", std::numeric_limits<qint64>::max()},
            {"informationElementData", typicalElements()}};
}

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Heap growth of a record per sample held, after minutes to hours of
// recording at one sample every 2 s (0: filled to its sample cap).
void BM_BytesPerStoredSample(benchmark::State& state)
{
    const std::size_t samples = state.range(0) > 0
        ? std::min<std::size_t>(std::size_t(state.range(0)) * 60 / 2, SVNetwork::MaximumDataPoints)
        : SVNetwork::MaximumDataPoints;
    const QDateTime start = QDateTime::currentDateTimeUtc();
    double perSample = 0;
    for (auto _ : state) {
        SVNetwork record(typicalScan());
        const std::size_t before = heapInUse();
        for (std::size_t i = 0; i < samples; ++i)
            record.addDataPoint(SVDataPoint(-60 - int(i % 30), -92, 3, 40, start.addSecs(qint64(i) * 2)));
        perSample = double(heapInUse() - before) / double(samples);
        benchmark::DoNotOptimize(record.rssiAvg());
    }
    state.counters["bytes_per_sample"] = perSample;
    state.counters["samples"] = double(samples);
    state.counters["sizeof_sample"] = double(sizeof(SVDataPoint));
    state.SetItemsProcessed(state.iterations() * qint64(samples));
}
BENCHMARK(BM_BytesPerStoredSample)
    ->ArgName("minutes")
    ->Arg(10)
    ->Arg(60)
    ->Arg(90)
    ->Arg(240)
    ->Arg(480)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);

void BM_DigestNetwork(benchmark::State& state)
{
    const QVariantMap scan = typicalScan();
    SVNetworkDigest digest;
    for (auto _ : state) {
        digestNetwork(scan, digest);
        benchmark::DoNotOptimize(digest.phyMode);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("records/s = items_per_second");
}
BENCHMARK(BM_DigestNetwork);

// What the merge pays per record and tick: a new dictionary and a new sample.
void BM_MergeTick(benchmark::State& state)
{
    const QVariantMap scan = typicalScan();
    SVNetwork record(scan);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (auto _ : state) {
        record.setNetwork(scan);
        record.addDataPoint(SVDataPoint(-60, -92, 3, 40, now));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MergeTick);

} // namespace

BENCHMARK_MAIN();
