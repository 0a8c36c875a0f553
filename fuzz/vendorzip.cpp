// Feeds arbitrary bytes as a vendor-database archive: the zip, the
// vendors.plist inside it and its vendor entries, as an update would.

#include "model/SVVendorDatabaseHelper.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader takes a path: one scratch file per process.
    static const QString path =
        QDir::tempPath() + QStringLiteral("/skyvane-fuzz-vendorzip-%1.zip").arg(qint64(::getpid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    sv::Zip::Member member;
    QString error;
    SVVendorDatabaseHelper::databaseInArchive(path, &member, &error);
    return 0;
}
