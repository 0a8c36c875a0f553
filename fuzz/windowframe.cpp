// Feeds arbitrary bytes to the reader of the stored window frame, as the
// "WindowFrame" setting would hold them.

#include "app/SVWindowFrame.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto frame = unarchivedWindowFrame(bytes))
        firstLaunchWindowFrame(*frame);
    return 0;
}
