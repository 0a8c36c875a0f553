// Feeds arbitrary bytes to the zip reader as an archive file, asking for
// the member a vendor-database update carries.

#include "platform/Zip.h"

#include "ScratchFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = scratchFileWith("zip", data, size);
    if (path.isEmpty())
        return 0;
    sv::Zip::Member member;
    QString error;
    sv::Zip::readMember(path, QStringLiteral("vendors.plist"), 1 << 20, &member, &error);
    return 0;
}
