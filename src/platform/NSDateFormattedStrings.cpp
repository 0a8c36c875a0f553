#include "platform/NSDateFormattedStrings.h"

#include <QLocale>

namespace sv {

QString qtDateFormatForPattern(const QString& pattern)
{
    QString out;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\'')) {
            // Quoted literal text, '' being one quote: Qt reads it the same way.
            qsizetype j = i + 1;
            while (j < pattern.size() && pattern.at(j) != QLatin1Char('\''))
                ++j;
            out += pattern.mid(i, qMin(j + 1, pattern.size()) - i);
            if (j >= pattern.size())
                out += QLatin1Char('\'');
            i = j + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run) == c)
            ++run;
        if (c == QLatin1Char('a')) {
            out += QStringLiteral("AP");
        } else if (c == QLatin1Char('E')) {
            out += run >= 4 ? QStringLiteral("dddd") : QStringLiteral("ddd");
        } else if (c == QLatin1Char('S')) {
            out += QString(qMin<qsizetype>(run, 3), QLatin1Char('z'));
        } else if (c.isLetter() && !QStringLiteral("yMdHhms").contains(c)) {
            // A field Qt would read differently: keep it out rather than misprint it.
        } else {
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

QString timeStringWithFormat(const QDateTime& date, const QString& pattern)
{
    if (!date.isValid())
        return {};
    return QLocale::c().toString(date.toLocalTime(), qtDateFormatForPattern(pattern));
}

} // namespace sv
