#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>

namespace sv {

// The one way this program writes a file: whole or not at all.
//
// Bytes go to a temporary file beside the target. Every write is checked (a
// full disk is an error, never a short file), and commit() flushes, syncs and
// only then renames the temporary over the target. On any failure, or when the
// writer is destroyed without a commit, the temporary is removed and the old
// file stays exactly as it was.
//
// A path that is a symbolic link is written through it: the temporary goes
// beside the file the link leads to and replaces that file, so the link
// stays. Temporaries that a killed run left beside the file (".name.XXXXXX")
// are removed when the file is next written; one that a live writer holds
// is left alone.
class FileWriter {
public:
    explicit FileWriter(const QString& path);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    QString path() const { return m_path; }

    // Creates the temporary file. False (with errorString()) when it cannot.
    bool open();
    // The device to write to; null until open() succeeded. A failed write
    // returns -1 and makes commit() fail.
    QIODevice* device();
    // Convenience: writes all of data to device().
    bool write(const QByteArray& data);
    // Flushes, syncs and replaces the target. False (with errorString())
    // on any failure, and then the target is untouched.
    bool commit();
    // Drops the temporary file; the target is untouched.
    void cancel();

    // The system's reason for the first failure, empty when none.
    QString errorString() const { return m_error; }

private:
    class Device;
    void fail(const QString& what, int err);
    void releaseLock();

    QString m_path;
    QString m_targetPath; // m_path, or the file its links lead to
    QString m_tempPath;
    int m_lockFd = -1; // holds the temporary's lock until the rename
    std::unique_ptr<Device> m_device;
    QString m_error;
};

// A save the user relies on (annotations, settings) reports its outcome
// here, so that the window can tell the user once: a failure posts
// FileSaveDidFailNotification, a success FileSaveDidSucceedNotification,
// each with the userInfo "path" and, for a failure, "reason" (the error text,
// naming the file and the system's reason).
inline const QString FileSaveDidFailNotification = QStringLiteral("FileSaveDidFail");
inline const QString FileSaveDidSucceedNotification = QStringLiteral("FileSaveDidSucceed");
void postFileSaveResult(const QString& path, const QString& error);

// Where a file we cannot read is moved so that the next save does not write
// over it: "<path>.corrupt", never over an earlier one.
QString asideName(const QString& path);

// For tests: makes the writer's system calls fail as a full or failing disk
// would. The hook is asked before each call with the step and the bytes
// written to the temporary so far; a non-zero answer is the errno the call
// fails with. An empty hook removes it.
enum class FileWriterStep { Create, Write, Sync, Close, Rename };
using FileWriterFaultHook = std::function<int(FileWriterStep step, qint64 written)>;
void setFileWriterFaultHook(FileWriterFaultHook hook);

// Writes data to path whole or not at all. On failure returns false and, when
// given, sets *error to a text naming the file and the system's reason.
bool writeFileWhole(const QString& path, const QByteArray& data, QString* error = nullptr);

} // namespace sv
