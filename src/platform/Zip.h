#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace sv::Zip {

// One member read out of an archive.
struct Member {
    QByteArray data;
    QDateTime modified; // as stored in the archive; invalid when absent
};

// Reads the member stored under exactly this name. Fails (false, *error set)
// when the archive cannot be opened or is inconsistent, the member is
// missing, larger than maximumSize, shorter than its directory says, or its
// CRC does not match.
bool readMember(const QString& archivePath, const QString& memberName, qint64 maximumSize,
                Member* out, QString* error = nullptr);

enum class Compression { Deflate, Store };

// Writes an archive holding one file; an existing archive at the path is
// replaced only once the new one is complete.
bool writeSingleMember(const QString& archivePath, const QString& memberName,
                       const QByteArray& data, const QDateTime& modified,
                       Compression compression = Compression::Deflate, QString* error = nullptr);

// The CRC-32 that zip archives carry (polynomial 0xEDB88320).
quint32 crc32(const QByteArray& data);

} // namespace sv::Zip
