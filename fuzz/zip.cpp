// Feeds arbitrary bytes to the zip reader as an archive file, asking for
// the member a vendor-database update carries.

#include "platform/Zip.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader takes a path: one scratch file per process.
    static const QString path =
        QDir::tempPath() + QStringLiteral("/skyvane-fuzz-zip-%1.zip").arg(qint64(::getpid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    sv::Zip::Member member;
    QString error;
    sv::Zip::readMember(path, QStringLiteral("vendors.plist"), 1 << 20, &member, &error);
    return 0;
}
