#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace sv {

// Upper-case hex text of the bytes from offset up to offset + length (clipped
// to the data), with the separator between bytes. An offset at or past the
// end, or a negative offset or length, gives the empty text.
QString hexadecimalString(QByteArrayView data, qsizetype offset, qsizetype length, QStringView separator);
QString hexadecimalString(QByteArrayView data, qsizetype offset, qsizetype length);
QString hexadecimalString(QByteArrayView data);

// Text of a field decoded from a beacon (SSID, device names, WPS strings),
// the one rule for damaged text wherever such a field is shown: the text
// ends at the first zero byte, and the bytes before it must be well-formed
// UTF-8, else there is no text. Empty when there is none.
QString elementText(QByteArrayView bytes);

// An SSID element's text: its first 33 bytes at most, by the rule above.
QString ssidText(QByteArrayView body);

} // namespace sv
