#pragma once

#include <QDateTime>
#include <QString>

namespace sv {

// The date in local time, formatted with a date-format pattern in the
// Unicode form the system's texts use ("yyyy/MM/dd hh:mm:ss a",
// "yyyyMMdd_HHmmss", "HH:mm"). An invalid date gives an empty text.
QString timeStringWithFormat(const QDateTime& date, const QString& pattern);

// The pattern translated to the format QDateTime::toString understands.
QString qtDateFormatForPattern(const QString& pattern);

} // namespace sv
