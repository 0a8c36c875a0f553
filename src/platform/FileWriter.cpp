#include "platform/FileWriter.h"

#include "platform/NotificationCenter.h"

#include <QDir>
#include <QDateTime>
#include <QFileInfo>

#include <cerrno>
#include <mutex>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

namespace {

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

std::mutex faultMutex;
FileWriterFaultHook faultHook;

// The errno the test hook wants this step to fail with, 0 for none.
int injectedFault(FileWriterStep step, qint64 written)
{
    std::lock_guard lock(faultMutex);
    return faultHook ? faultHook(step, written) : 0;
}

// Writes all of [data, data + size) to fd, retrying short writes; counts
// what reached the file in *written.
int writeAll(int fd, const char* data, qint64 size, qint64* written)
{
    while (size > 0) {
        if (const int err = injectedFault(FileWriterStep::Write, *written))
            return err;
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= n;
        *written += n;
    }
    return 0;
}

} // namespace

// A write-only device over the temporary file's descriptor with a buffer of
// its own, so that every byte's fate is known: QFile's buffered writes only
// report a full disk at a flush nobody checks.
class FileWriter::Device : public QIODevice {
public:
    Device(int fd, FileWriter* owner) : m_fd(fd), m_owner(owner) { m_buffer.reserve(BufferSize); }
    ~Device() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool isSequential() const override { return true; }

    // Writes out what is buffered; false once anything failed.
    bool drain()
    {
        if (m_failed)
            return false;
        if (m_buffer.isEmpty())
            return true;
        if (const int err = writeAll(m_fd, m_buffer.constData(), m_buffer.size(), &m_written)) {
            m_failed = true;
            m_owner->fail(QStringLiteral("write"), err);
            return false;
        }
        m_buffer.clear();
        startWriteback();
        return true;
    }

    // Syncs and closes the descriptor; false with the owner's error set.
    bool finish()
    {
        if (!drain())
            return false;
        if (const int err = injectedFault(FileWriterStep::Sync, m_written); err || ::fsync(m_fd) != 0) {
            m_owner->fail(QStringLiteral("sync"), err ? err : errno);
            m_failed = true;
            return false;
        }
        const int fd = m_fd;
        m_fd = -1;
        const int injected = injectedFault(FileWriterStep::Close, m_written);
        if (::close(fd) != 0 || injected) {
            m_owner->fail(QStringLiteral("close"), injected ? injected : errno);
            m_failed = true;
            return false;
        }
        return true;
    }

    bool failed() const { return m_failed; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (m_failed || m_fd < 0)
            return -1;
        if (m_buffer.size() + size > BufferSize && !drain())
            return -1;
        if (size >= BufferSize) {
            if (const int err = writeAll(m_fd, data, size, &m_written)) {
                m_failed = true;
                m_owner->fail(QStringLiteral("write"), err);
                return -1;
            }
            startWriteback();
            return size;
        }
        m_buffer.append(data, size);
        return size;
    }

private:
    // A large file goes to the disk while the rest is still being made, so
    // the sync at the end waits for the last part only. A hint: the sync
    // still checks everything.
    void startWriteback()
    {
        if (m_written - m_writebackStarted < WritebackStep)
            return;
        ::sync_file_range(m_fd, m_writebackStarted, m_written - m_writebackStarted, SYNC_FILE_RANGE_WRITE);
        m_writebackStarted = m_written;
    }

    static constexpr qint64 WritebackStep = 16 * 1024 * 1024;
    qint64 m_writebackStarted = 0;
    static constexpr qint64 BufferSize = 256 * 1024;
    int m_fd;
    FileWriter* m_owner;
    QByteArray m_buffer;
    bool m_failed = false;
    qint64 m_written = 0;
};

FileWriter::FileWriter(const QString& path) : m_path(QFileInfo(path).absoluteFilePath()) {}

FileWriter::~FileWriter()
{
    cancel();
}

void FileWriter::fail(const QString& what, int err)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("Cannot %1 \"%2\": %3").arg(what, m_path, systemReason(err));
}

bool FileWriter::open()
{
    if (m_device)
        return true;
    const QFileInfo target(m_path);
    QByteArray pattern = QFile::encodeName(target.absolutePath() + QLatin1String("/.")
                                           + target.fileName() + QLatin1String(".XXXXXX"));
    if (const int err = injectedFault(FileWriterStep::Create, 0)) {
        fail(QStringLiteral("create a file beside"), err);
        return false;
    }
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        fail(QStringLiteral("create a file beside"), errno);
        return false;
    }
    m_tempPath = QFile::decodeName(pattern);
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat old {};
    mode_t mode = 0666;
    if (::stat(QFile::encodeName(m_path).constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);
    m_device = std::make_unique<Device>(fd, this);
    m_device->open(QIODevice::WriteOnly);
    return true;
}

QIODevice* FileWriter::device()
{
    return m_device.get();
}

bool FileWriter::write(const QByteArray& data)
{
    return m_device && m_device->write(data) == data.size();
}

bool FileWriter::commit()
{
    if (!m_device) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("Cannot write \"%1\": it was not opened").arg(m_path);
        return false;
    }
    const bool written = !m_device->failed() && m_device->finish();
    int renameError = written ? injectedFault(FileWriterStep::Rename, 0) : 0;
    if (written && !renameError
        && ::rename(QFile::encodeName(m_tempPath).constData(), QFile::encodeName(m_path).constData()) != 0)
        renameError = errno;
    if (renameError)
        fail(QStringLiteral("replace"), renameError);
    else if (written) {
        // The rename itself lasts only once the folder is on disk.
        const int dir = ::open(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        m_device.reset();
        m_tempPath.clear();
        return true;
    }
    cancel();
    return false;
}

void FileWriter::cancel()
{
    m_device.reset();
    if (!m_tempPath.isEmpty()) {
        ::unlink(QFile::encodeName(m_tempPath).constData());
        m_tempPath.clear();
    }
}

QString asideName(const QString& path)
{
    QString aside = path + QStringLiteral(".corrupt");
    if (QFileInfo::exists(aside))
        aside += u'-' + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    return aside;
}

void postFileSaveResult(const QString& path, const QString& error)
{
    QVariantMap info{{QStringLiteral("path"), path}};
    if (error.isEmpty()) {
        NotificationCenter::defaultCenter().post(FileSaveDidSucceedNotification, info);
    } else {
        info.insert(QStringLiteral("reason"), error);
        NotificationCenter::defaultCenter().post(FileSaveDidFailNotification, info);
    }
}

void setFileWriterFaultHook(FileWriterFaultHook hook)
{
    std::lock_guard lock(faultMutex);
    faultHook = std::move(hook);
}

bool writeFileWhole(const QString& path, const QByteArray& data, QString* error)
{
    FileWriter writer(path);
    const bool ok = writer.open() && writer.write(data) && writer.commit();
    if (!ok && error)
        *error = writer.errorString();
    return ok;
}

} // namespace sv
