// Feeds arbitrary bytes to the property-list reader (binary and XML), and
// writes whatever it reads back as XML and reads that again, the way the
// annotations store keeps entries it does not understand.

#include "platform/PropertyList.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const QVariant value = sv::PropertyList::fromData(bytes, &error);
    if (!value.isValid())
        return 0;
    bool ok = false;
    const QByteArray xml = sv::PropertyList::toXml(value, &ok);
    if (ok)
        sv::PropertyList::fromData(xml, &error);
    return 0;
}
