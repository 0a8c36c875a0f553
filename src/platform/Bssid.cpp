#include "platform/Bssid.h"

namespace {

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

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

std::optional<quint64> parsedBssid(QStringView text)
{
    quint64 value = 0;
    unsigned group = 0;
    int groups = 0, digits = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char(':')) {
            if (digits == 0 || ++groups > 5)
                return std::nullopt;
            value = value << 8 | group;
            group = 0;
            digits = 0;
            continue;
        }
        const int d = hexDigit(c.unicode());
        if (d < 0 || ++digits > 2)
            return std::nullopt;
        group = group << 4 | unsigned(d);
    }
    if (groups != 5 || digits == 0)
        return std::nullopt;
    return value << 8 | group;
}

} // namespace sv
