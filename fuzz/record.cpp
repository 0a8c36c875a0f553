// Feeds arbitrary bytes to a network record two ways: as the raw elements
// of a scan (element split, digest and the texts made from it) and as an
// archive whose root is a record.

#include "elements/ElementList.h"
#include "model/SVNetwork.h"
#include "model/SVNetworkDigest.h"
#include "platform/KeyedUnarchiver.h"

#include <cstdint>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    const int channel = size > 0 ? data[0] % 2 ? 36 : 6 : 1;
    const QVariantMap scan = {
        {"bssid", QStringLiteral("00:11:22:33:44:55")}, {"channelNumber", channel}, {"phyMode", 0},
        {"securityMode", std::numeric_limits<qint64>::max()}, {"informationElementData", bytes},
    };
    for (const auto& element : splitInformationElements(bytes))
        (void)element->ieID();
    SVNetworkDigest digest;
    digestNetwork(scan, digest);
    SVNetwork record(scan);
    record.addDataPoint(SVDataPoint(-60, -90, -1, -1, QDateTime::currentDateTimeUtc()));
    (void)record.toCSV({"SSID", "PHY_MODE", "MAX_RATE", "BASIC_RATES", "CHANNEL_CENTER", "SECURITY_MODE",
                        "WPS", "CC", "DEVICE_NAME", "STREAMS", "CHANNEL_WIDTH"},
                       false);
    (void)record.humanReadableDataRates();
    (void)record.humanReadableChannelRange().text();
    (void)record.apid();

    sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromData(bytes);
    SVNetwork::registerArchivedClassNames(coder);
    coder.decodeObjectWith("root", [](sv::KeyedUnarchiver& c) {
        if (const auto n = SVNetwork::initWithCoder(c))
            (void)n->toCSV({"BSSID", "RSSI", "SNR_MAX", "FIRST_SEEN"}, true);
    });
    return 0;
}
