#include "platform/Zip.h"

#include "platform/FileWriter.h"

#include <QFile>

#include <zip.h>

#include <array>
#include <memory>

namespace sv::Zip {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString archiveError(zip_t* archive)
{
    return QString::fromUtf8(zip_strerror(archive));
}

QString openError(int code)
{
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

struct ArchiveDiscard {
    void operator()(zip_t* a) const { zip_discard(a); }
};
struct SourceFree {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};
struct FileClose {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

} // namespace

quint32 crc32(const QByteArray& data)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : data)
        crc = table[(crc ^ quint8(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool readMember(const QString& archivePath, const QString& memberName, qint64 maximumSize,
                Member* out, QString* error)
{
    int code = 0;
    std::unique_ptr<zip_t, ArchiveDiscard> archive(
        zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!archive) {
        setError(error, openError(code));
        return false;
    }
    const zip_int64_t index = zip_name_locate(archive.get(), memberName.toUtf8().constData(), 0);
    if (index < 0) {
        setError(error, QStringLiteral("archive holds no %1").arg(memberName));
        return false;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive.get(), zip_uint64_t(index), 0, &st) != 0
        || !(st.valid & ZIP_STAT_SIZE) || !(st.valid & ZIP_STAT_CRC)) {
        setError(error, archiveError(archive.get()));
        return false;
    }
    if (maximumSize < 0 || st.size > zip_uint64_t(maximumSize)) {
        setError(error, QStringLiteral("%1 is too large").arg(memberName));
        return false;
    }
    std::unique_ptr<zip_file_t, FileClose> file(zip_fopen_index(archive.get(), zip_uint64_t(index), 0));
    if (!file) {
        setError(error, archiveError(archive.get()));
        return false;
    }
    QByteArray data(qsizetype(st.size), Qt::Uninitialized);
    zip_uint64_t done = 0;
    while (done < st.size) {
        const zip_int64_t n = zip_fread(file.get(), data.data() + done, st.size - done);
        if (n < 0) {
            setError(error, QString::fromUtf8(zip_file_strerror(file.get())));
            return false;
        }
        if (n == 0)
            break;
        done += zip_uint64_t(n);
    }
    if (done != st.size) {
        setError(error, QStringLiteral("%1 is truncated").arg(memberName));
        return false;
    }
    // Reading on to the end lets libzip check the stream too; then our own check.
    char probe = 0;
    if (zip_fread(file.get(), &probe, 1) != 0 || crc32(data) != st.crc) {
        setError(error, QStringLiteral("%1 is damaged (CRC mismatch)").arg(memberName));
        return false;
    }
    out->data = std::move(data);
    out->modified = (st.valid & ZIP_STAT_MTIME) ? QDateTime::fromSecsSinceEpoch(st.mtime) : QDateTime();
    return true;
}

bool writeSingleMember(const QString& archivePath, const QString& memberName,
                       const QByteArray& data, const QDateTime& modified,
                       Compression compression, QString* error)
{
    // The archive is made in memory and written by our own writer, so a
    // failed write leaves the old archive as it was.
    zip_error_t sourceError;
    zip_error_init(&sourceError);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &sourceError);
    if (!memory) {
        setError(error, QString::fromUtf8(zip_error_strerror(&sourceError)));
        zip_error_fini(&sourceError);
        return false;
    }
    zip_t* opened = zip_open_from_source(memory, ZIP_TRUNCATE, &sourceError);
    if (!opened) {
        zip_source_free(memory);
        setError(error, QString::fromUtf8(zip_error_strerror(&sourceError)));
        zip_error_fini(&sourceError);
        return false;
    }
    zip_source_keep(memory); // read back after zip_close
    std::unique_ptr<zip_source_t, SourceFree> keep(memory);
    std::unique_ptr<zip_t, ArchiveDiscard> archive(opened);
    zip_error_fini(&sourceError);
    zip_source_t* source = zip_source_buffer(archive.get(), data.constData(), zip_uint64_t(data.size()), 0);
    if (!source) {
        setError(error, archiveError(archive.get()));
        return false;
    }
    const zip_int64_t index = zip_file_add(archive.get(), memberName.toUtf8().constData(), source,
                                           ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(source);
        setError(error, archiveError(archive.get()));
        return false;
    }
    const zip_int32_t method = compression == Compression::Store ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    if (zip_set_file_compression(archive.get(), zip_uint64_t(index), method, 0) != 0
        || (modified.isValid()
            && zip_file_set_mtime(archive.get(), zip_uint64_t(index), time_t(modified.toSecsSinceEpoch()), 0) != 0)) {
        setError(error, archiveError(archive.get()));
        return false;
    }
    zip_t* a = archive.release();
    if (zip_close(a) != 0) {
        setError(error, archiveError(a));
        zip_discard(a);
        return false;
    }

    zip_stat_t st;
    zip_stat_init(&st);
    QByteArray bytes;
    if (zip_source_stat(memory, &st) == 0 && (st.valid & ZIP_STAT_SIZE) && zip_source_open(memory) == 0) {
        bytes.resize(qsizetype(st.size));
        const zip_int64_t n = zip_source_read(memory, bytes.data(), st.size);
        zip_source_close(memory);
        if (n != zip_int64_t(st.size))
            bytes.clear();
    }
    if (bytes.isEmpty()) {
        setError(error, QString::fromUtf8(zip_error_strerror(zip_source_error(memory))));
        return false;
    }
    QString writeError;
    if (!writeFileWhole(archivePath, bytes, &writeError)) {
        setError(error, writeError);
        return false;
    }
    return true;
}

} // namespace sv::Zip
