#pragma once

// Readers that take a path get the fuzz input through one scratch file per
// process and target.

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <unistd.h>

// The path of a file holding exactly the input; empty when it cannot be written.
inline QString scratchFileWith(const char* name, const uint8_t* data, size_t size)
{
    const QString path =
        QDir::tempPath() + QStringLiteral("/skyvane-fuzz-%1-%2.zip").arg(QLatin1String(name)).arg(qint64(::getpid()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        return QString();
    return path;
}
