#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <limits>

namespace sv::elements {

// A read-only view of one element body. Every read is checked against the
// body: a read that does not fit yields 0 (or an empty view/text) and never
// touches memory outside it. Decoders ask has() before reading optional parts.
class ElementReader {
public:
    static constexpr qsizetype kToEnd = std::numeric_limits<qsizetype>::max();

    explicit ElementReader(QByteArrayView bytes) : m_bytes(bytes) {}

    qsizetype size() const { return m_bytes.size(); }
    QByteArrayView bytes() const { return m_bytes; }

    // Whether count bytes from offset lie inside the body.
    bool has(qsizetype offset, qsizetype count = 1) const
    {
        return offset >= 0 && count >= 0 && offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    // Bytes left from offset (0 when offset lies past the end).
    qsizetype remaining(qsizetype offset) const
    {
        return (offset >= 0 && offset < m_bytes.size()) ? m_bytes.size() - offset : 0;
    }

    quint8 u8(qsizetype at) const { return has(at, 1) ? quint8(m_bytes[at]) : 0; }
    qint8 s8(qsizetype at) const { return qint8(u8(at)); }
    quint16 le16(qsizetype at) const { return has(at, 2) ? quint16(u8(at) | u8(at + 1) << 8) : 0; }
    quint16 be16(qsizetype at) const { return has(at, 2) ? quint16(u8(at) << 8 | u8(at + 1)) : 0; }
    quint32 be24(qsizetype at) const
    {
        return has(at, 3) ? quint32(u8(at)) << 16 | quint32(u8(at + 1)) << 8 | u8(at + 2) : 0;
    }
    quint32 le32(qsizetype at) const
    {
        return has(at, 4) ? quint32(u8(at)) | quint32(u8(at + 1)) << 8 | quint32(u8(at + 2)) << 16
                                | quint32(u8(at + 3)) << 24
                          : 0;
    }

    // The bytes from offset, at most count of them, clipped to the body.
    QByteArrayView slice(qsizetype at, qsizetype count = kToEnd) const
    {
        const qsizetype left = remaining(at);
        if (left == 0 || count <= 0)
            return {};
        return m_bytes.sliced(at, std::min(count, left));
    }
    ElementReader sub(qsizetype at, qsizetype count = kToEnd) const { return ElementReader(slice(at, count)); }

    // Upper-case hex of the clipped range.
    QString hex(qsizetype at = 0, qsizetype count = kToEnd, QStringView separator = {}) const;
    // Text of the clipped range by the one rule for beacon text
    // (sv::elementText): it ends at the first zero byte, and damaged UTF-8
    // gives no text.
    QString utf8(qsizetype at = 0, qsizetype count = kToEnd) const;
    // Text of the clipped range without its trailing NUL padding, keeping
    // only 7-bit ASCII.
    QString ascii(qsizetype at = 0, qsizetype count = kToEnd) const;

private:
    QByteArrayView m_bytes;
};

} // namespace sv::elements
