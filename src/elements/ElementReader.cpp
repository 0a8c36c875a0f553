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

} // namespace

QString ElementReader::hex(qsizetype at, qsizetype count, QStringView separator) const
{
    const QByteArrayView range = slice(at, count);
    return hexadecimalString(range, 0, range.size(), separator);
}

QString ElementReader::utf8(qsizetype at, qsizetype count) const
{
    return sv::elementText(slice(at, count));
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
