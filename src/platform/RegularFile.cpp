#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

namespace {

bool refuse(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

QString notRegular()
{
    return QStringLiteral("It is not a regular file.");
}

} // namespace

bool openRegularFile(QFile& file, QString* error)
{
    const QByteArray name = QFile::encodeName(file.fileName());
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return refuse(error, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(st.st_mode))
        return refuse(error, notRegular());
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refuse(error, QString::fromLocal8Bit(std::strerror(errno)));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse(error, notRegular());
    }
    // A regular file reads the same either way; reads past here may wait.
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(error, file.errorString());
    }
    return true;
}

} // namespace sv
