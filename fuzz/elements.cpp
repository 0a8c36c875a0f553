// Feeds raw element data as a scan delivers it to the element list and
// decoder (name, summary, fields and dump of every element) and to the scan
// parser's element helpers.

#include "elements/ElementList.h"
#include "platform/wlan/ElementWalk.h"
#include "platform/wlan/WlanElements.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const auto& element : splitInformationElements(bytes)) {
        (void)element->ieName();
        (void)element->ieIdentifier();
        (void)element->ieSummary();
        (void)element->fieldRecords();
        (void)element->ieDump();
    }
    const QByteArray raw = QByteArray::fromRawData(bytes.data(), bytes.size());
    (void)sv::wlan::ElementWalk(raw).complete();
    (void)sv::wlan::findElement(raw, sv::wlan::kSSID);
    (void)sv::wlan::hasWpaOrRsn(raw);
    (void)sv::wlan::channelWidthFromElements(raw);
    return 0;
}
