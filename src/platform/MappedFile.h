#pragma once

#include <QString>
#include <QtGlobal>

namespace sv {

// A file mapped read-only, to be read in place without a copy in memory.
// Another program may shrink the file while it is mapped (copying a file
// over it truncates it first); touching a page past the new end would end
// this process with SIGBUS. Here such a page reads as zeros instead and
// changed() turns true, as it does once the file's size or modification
// time moves: whoever reads checks changed() at the end and throws away
// what came from a file that did not hold still.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // False, with *error set, when the file cannot be opened or mapped. An
    // empty file maps as no bytes.
    bool open(const QString& path, QString* error);

    const uchar* data() const { return m_data; }
    quint64 size() const { return m_size; }
    bool changed() const;

private:
    int m_fd = -1;
    uchar* m_data = nullptr;
    quint64 m_size = 0;
    int m_region = -1; // where the fault handler knows the mapping, -1: nowhere
    qint64 m_modified = 0; // when mapped, in nanoseconds
};

} // namespace sv
