// Feeds arbitrary bytes to the scenario reader as a scenario file, then
// plays a few scans of whatever it accepted.

#include "platform/Clock.h"
#include "platform/wlan/SimulatedRadio.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    auto clock = std::make_shared<sv::ManualClock>();
    QString error;
    auto radio = sv::wlan::SimulatedRadio::fromJson(QStringLiteral("sim0"), json, QStringLiteral("fuzz.json"), clock,
                                                    &error);
    if (!radio)
        return 0;
    radio->cachedScanResults();
    for (int i = 0; i < 4; ++i) {
        CWError e;
        radio->scan(i == 2 ? std::optional<QByteArray>(QByteArrayLiteral("Home")) : std::nullopt, &e);
        radio->linkState();
        radio->powerOn();
        clock->advance(1.5);
    }
    return 0;
}
