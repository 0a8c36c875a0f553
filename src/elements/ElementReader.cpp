#include "elements/ElementReader.h"

#include "platform/DataAdditions.h"

namespace sv::elements {

namespace {

QByteArrayView withoutNulPadding(QByteArrayView bytes)
{
    qsizetype end = bytes.size();
    while (end > 0 && bytes[end - 1] == '\0')
        --end;
    return bytes.first(end);
}

// Length of the well-formed UTF-8 sequence at i, or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF are refused).
qsizetype sequenceLength(QByteArrayView b, qsizetype i)
{
    const auto at = [&](qsizetype k) { return quint8(b[k]); };
    const quint8 lead = at(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    quint8 low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (length > b.size() - i)
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

} // namespace

QString textFromBytes(QByteArrayView bytes)
{
    const QByteArrayView b = withoutNulPadding(bytes);
    QString text;
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < b.size()) {
        const qsizetype length = sequenceLength(b, i);
        if (length == 0) {
            text += QString::fromUtf8(b.sliced(runStart, i - runStart));
            ++i;
            runStart = i;
        } else {
            i += length;
        }
    }
    text += QString::fromUtf8(b.sliced(runStart, b.size() - runStart));
    return text;
}

QString ElementReader::hex(qsizetype at, qsizetype count, QStringView separator) const
{
    const QByteArrayView range = slice(at, count);
    return hexadecimalString(range, 0, range.size(), separator);
}

QString ElementReader::utf8(qsizetype at, qsizetype count) const
{
    return textFromBytes(slice(at, count));
}

QString ElementReader::ascii(qsizetype at, qsizetype count) const
{
    const QByteArrayView range = withoutNulPadding(slice(at, count));
    QString text;
    text.reserve(range.size());
    for (char c : range) {
        if (quint8(c) < 0x80)
            text += QLatin1Char(c);
    }
    return text;
}

} // namespace sv::elements
