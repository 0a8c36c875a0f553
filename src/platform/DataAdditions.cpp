#include "platform/DataAdditions.h"

#include <QStringDecoder>

#include <algorithm>

namespace sv {

QString hexadecimalString(QByteArrayView data, qsizetype offset, qsizetype length, QStringView separator)
{
    if (offset < 0 || length <= 0 || offset >= data.size())
        return {};
    const qsizetype count = std::min(length, data.size() - offset);
    static constexpr char digits[] = "0123456789ABCDEF";
    const QString upperSeparator = separator.toString().toUpper();
    QString text;
    text.reserve(count * (2 + upperSeparator.size()));
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            text += upperSeparator;
        const auto byte = static_cast<unsigned char>(data[offset + i]);
        text += QLatin1Char(digits[byte >> 4]);
        text += QLatin1Char(digits[byte & 0x0F]);
    }
    return text;
}

QString hexadecimalString(QByteArrayView data, qsizetype offset, qsizetype length)
{
    return hexadecimalString(data, offset, length, QStringView());
}

QString hexadecimalString(QByteArrayView data)
{
    return hexadecimalString(data, 0, data.size(), QStringView());
}

QString elementText(QByteArrayView bytes)
{
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        bytes = bytes.first(nul);
    // A leading byte-order mark is part of the name, not a hint to drop.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString() : text;
}

QString ssidText(QByteArrayView body) { return elementText(body.first(std::min<qsizetype>(body.size(), 33))); }

} // namespace sv
