#include "platform/Bssid.h"

namespace sv {

QString normalizedBssid(const QString& bssid)
{
    QString out;
    out.reserve(17);
    qsizetype groupStart = 0;
    for (qsizetype i = 0; i <= bssid.size(); ++i) {
        if (i == bssid.size() || bssid.at(i) == QLatin1Char(':')) {
            if (i - groupStart == 1)
                out.append(QLatin1Char('0'));
            out.append(bssid.mid(groupStart, i - groupStart));
            if (i < bssid.size())
                out.append(QLatin1Char(':'));
            groupStart = i + 1;
        }
    }
    return out.toUpper();
}

bool isWellFormedBssid(const QString& normalized)
{
    if (normalized.size() != 17)
        return false;
    for (qsizetype i = 0; i < 17; ++i) {
        const QChar c = normalized.at(i);
        if (i % 3 == 2) {
            if (c != QLatin1Char(':'))
                return false;
        } else if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                       || (c >= QLatin1Char('A') && c <= QLatin1Char('F')))) {
            return false;
        }
    }
    return true;
}

} // namespace sv
