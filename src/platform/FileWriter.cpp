#include "platform/FileWriter.h"

#include "platform/NotificationCenter.h"

#include <QDir>
#include <QDateTime>
#include <QFileInfo>

#include <cctype>
#include <cerrno>
#include <mutex>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// Where path's chain of symbolic links ends; path itself when it is no link.
// The end need not exist: writing through a dangling link makes its file.
QString writeTargetOf(const QString& path)
{
    QString at = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QByteArray name = QFile::encodeName(at);
        struct stat st {};
        if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return at;
        QByteArray link(st.st_size > 0 ? st.st_size + 1 : 4096, '\0');
        const ssize_t n = ::readlink(name.constData(), link.data(), size_t(link.size()));
        if (n <= 0 || n >= link.size())
            return at;
        link.truncate(n);
        const QString next = QFile::decodeName(link);
        at = QDir::cleanPath(QDir::isAbsolutePath(next) ? next : QFileInfo(at).absolutePath() + u'/' + next);
    }
    return at; // a loop of links: the rename replaces the last one
}

// The temporaries of writers of target are ".<name>.XXXXXX" beside it.
bool isTemporaryNameOf(const QByteArray& entry, const QByteArray& targetName)
{
    constexpr qsizetype SuffixLength = 6; // what mkstemp puts in place of XXXXXX
    if (entry.size() != targetName.size() + 2 + SuffixLength || !entry.startsWith('.')
        || entry.mid(1, targetName.size()) != targetName || entry[targetName.size() + 1] != '.')
        return false;
    for (const char c : entry.right(SuffixLength))
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Removes the temporaries that writers of target left when they were killed.
// A live writer holds a lock on its temporary from the moment it made it, so
// only files nobody holds go, and only plain files of this user.
void removeLeftoversOf(const QString& target)
{
    const QFileInfo info(target);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray targetName = QFile::encodeName(info.fileName());
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryNameOf(QByteArray(entry->d_name), targetName))
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == held.st_ino
            && named.st_dev == held.st_dev)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
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
    m_targetPath = writeTargetOf(m_path);
    removeLeftoversOf(m_targetPath);
    const QFileInfo target(m_targetPath);
    const QByteArray pattern = QFile::encodeName(target.absolutePath() + QLatin1String("/.")
                                                 + target.fileName() + QLatin1String(".XXXXXX"));
    if (const int err = injectedFault(FileWriterStep::Create, 0)) {
        fail(QStringLiteral("create a file beside"), err);
        return false;
    }
    int fd = -1;
    QByteArray made;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        made = pattern;
        fd = ::mkstemp(made.data());
        if (fd < 0) {
            fail(QStringLiteral("create a file beside"), errno);
            return false;
        }
        // Held until the writer is done, so another writer's clean-up leaves
        // it alone. One that removed it between its making and the lock
        // leaves it without a name: then take another.
        struct stat st {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink == 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        fail(QStringLiteral("create a file beside"), EEXIST);
        return false;
    }
    m_tempPath = QFile::decodeName(made);
    // The lock lasts while any descriptor of the file is open: this one
    // keeps it past the device's close, until the rename is done.
    m_lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat old {};
    mode_t mode = 0666;
    if (::stat(QFile::encodeName(m_targetPath).constData(), &old) == 0) {
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
        && ::rename(QFile::encodeName(m_tempPath).constData(), QFile::encodeName(m_targetPath).constData()) != 0)
        renameError = errno;
    if (renameError)
        fail(QStringLiteral("replace"), renameError);
    else if (written) {
        // The rename itself lasts only once the folder is on disk.
        const int dir = ::open(QFile::encodeName(QFileInfo(m_targetPath).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        m_device.reset();
        m_tempPath.clear();
        releaseLock();
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
    releaseLock();
}

void FileWriter::releaseLock()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
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
