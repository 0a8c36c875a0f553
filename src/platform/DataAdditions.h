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

} // namespace sv
