// Elements decoded per second: split the element data of typical beacons,
// then decode every element's fields and summary (what the details tab asks
// for when it shows a network), and separately the full text dump.

#include "elements/ElementList.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

#include <initializer_list>
#include <utility>
#include <vector>

namespace {

using Element = std::pair<int, const char*>; // ID, body as hex

QByteArray elementData(std::initializer_list<Element> elements)
{
    QByteArray data;
    for (const auto& [id, hex] : elements) {
        const QByteArray body = QByteArray::fromHex(hex);
        data += char(id);
        data += char(body.size());
        data += body;
    }
    return data;
}

constexpr const char* kRSN = "0100000FAC040100000FAC040100000FAC020C00";
constexpr const char* kWMM = "0050F2020101800003A4000027A4000042435E0062322F00";
constexpr const char* kWPS = "0050F204104A0001101044000102";

// A 2.4 GHz home router, a 5 GHz enterprise access point with VHT and fast
// transition, a hidden 5 GHz network and an older 2.4 GHz access point.
std::vector<QByteArray> beacons()
{
    return {
        elementData({{0, "486F6D654E6574776F726B"},
                     {1, "82848B960C121824"},
                     {3, "06"},
                     {5, "00010000"},
                     {7, "555320010B1E"},
                     {42, "00"},
                     {50, "3048606C"},
                     {45, "EF191BFFFF000000000000000000000000000000000000000000"},
                     {61, "06000000000000000000000000000000000000000000"},
                     {48, kRSN},
                     {221, kWMM},
                     {221, kWPS}}),
        elementData({{0, "436F727057694669"},
                     {1, "8C129824B048606C"},
                     {5, "01020000"},
                     {7, "444549240417340417640B1E"},
                     {11, "0C004E0000"},
                     {32, "00"},
                     {45, "EF0917FFFF000000000000000000000000000000000000000000"},
                     {61, "24050400000000000000000000000000000000000000"},
                     {70, "7208010000"},
                     {127, "0400080000000040"},
                     {191, "B259820FFAFF0000FAFF0000"},
                     {192, "012A00FCFF"},
                     {195, "02282828"},
                     {54, "341201"},
                     {48, kRSN},
                     {221, kWMM}}),
        elementData({{0, "0000000000000000"},
                     {1, "8C129824B048606C"},
                     {3, "95"},
                     {5, "00010000"},
                     {45, "6F0017FFFFFF0000000000000000000000000000000000000000"},
                     {61, "95070000000000000000000000000000000000000000"},
                     {191, "92018003FEFF0000FEFF0000"},
                     {192, "019B000000"},
                     {48, kRSN},
                     {221, kWMM}}),
        elementData({{0, "436166652047756573742032"},
                     {1, "82848B962430486C"},
                     {3, "0B"},
                     {5, "00010000"},
                     {7, "4742200D0D14"},
                     {42, "04"},
                     {50, "0C121860"},
                     {221, kWMM}}),
    };
}

void BM_DecodeBeaconElements(benchmark::State& state)
{
    const std::vector<QByteArray> data = beacons();
    int64_t elements = 0;
    for (auto _ : state) {
        for (const QByteArray& beacon : data) {
            for (const auto& element : splitInformationElements(beacon)) {
                benchmark::DoNotOptimize(element->fields().size());
                benchmark::DoNotOptimize(element->ieSummary());
                ++elements;
            }
        }
    }
    state.SetItemsProcessed(elements);
}
BENCHMARK(BM_DecodeBeaconElements);

void BM_DumpBeaconElements(benchmark::State& state)
{
    const std::vector<QByteArray> data = beacons();
    int64_t elements = 0;
    for (auto _ : state) {
        for (const QByteArray& beacon : data) {
            for (const auto& element : splitInformationElements(beacon)) {
                benchmark::DoNotOptimize(element->ieDump());
                ++elements;
            }
        }
    }
    state.SetItemsProcessed(elements);
}
BENCHMARK(BM_DumpBeaconElements);

} // namespace

BENCHMARK_MAIN();
