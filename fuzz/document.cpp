// Feeds arbitrary bytes to the document reader, which reads the records side
// by side, and reads them again one after another as the reader did before
// it read side by side: both must end the same way.

#include "model/SVDocument.h"
#include "model/SVNetwork.h"
#include "platform/KeyedUnarchiver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Outcome {
    QString error;
    qsizetype records = -1;
};

Outcome oneAfterAnother(const QByteArray& bytes)
{
    sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromData(bytes);
    SVNetwork::registerArchivedClassNames(coder);
    Outcome o;
    qsizetype kept = 0;
    coder.decodeDictionaryWith("root", [&](sv::KeyedUnarchiver& root) {
        if (root.decodeArrayOfObjects("networks", [&](sv::KeyedUnarchiver& element) {
                if (!SVNetwork::isArchivedClass(element.classChain()))
                    return;
                const auto record = SVNetwork::initWithCoder(element);
                kept += record && !record->bssid().isEmpty() && record->channel() != 0;
            }) < 0)
            return;
        o.records = kept;
        if (root.containsValueForKey("lastScanTime"))
            root.decodeDate("lastScanTime");
    });
    o.error = coder.errorString();
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromData(bytes);
    QString error;
    const auto content = SVDocument::decode(coder, &error);
    for (const auto& record : content ? content->networks : QList<std::shared_ptr<SVNetwork>>())
        (void)record->toCSV({"BSSID", "SSID", "RSSI_AVG", "SNR_MAX", "CHANNEL", "FIRST_SEEN", "LAST_SEEN"}, true);

    // Damage found by the archive reader is the same either way. (A
    // document's own checks, such as a root that is no dictionary, come
    // after it and are not read twice here.)
    const Outcome inOrder = oneAfterAnother(bytes);
    const bool same = content ? inOrder.error.isEmpty() && inOrder.records == content->networks.size()
                              : !inOrder.error.isEmpty() ? inOrder.error == error : true;
    if (!same) {
        std::fprintf(stderr, "side by side: %s (%lld records); in order: %s (%lld records)\n", qPrintable(error),
                     content ? (long long)content->networks.size() : -1LL, qPrintable(inOrder.error),
                     (long long)inOrder.records);
        std::abort();
    }
    return 0;
}
