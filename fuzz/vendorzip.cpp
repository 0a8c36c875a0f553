// Feeds arbitrary bytes as a vendor-database archive: the zip, the
// vendors.plist inside it and its vendor entries, as an update would.

#include "model/SVVendorDatabaseHelper.h"

#include "ScratchFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = scratchFileWith("vendorzip", data, size);
    if (path.isEmpty())
        return 0;
    sv::Zip::Member member;
    QString error;
    SVVendorDatabaseHelper::databaseInArchive(path, &member, &error);
    return 0;
}
