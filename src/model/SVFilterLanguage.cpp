#include "model/SVFilterLanguage.h"

#include "model/SVSignalQuality.h"

#include <limits>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Spaces and tabs only: a line break typed into the field stays part of the term.
QString trimmed(const QString& s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

QString without(QString s, std::initializer_list<QChar> chars)
{
    for (QChar c : chars)
        s.remove(c);
    return s;
}

bool isDigitsOnly(const QString& s)
{
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool isOperandText(const QString& s)
{
    for (QChar c : s) {
        if (c != u'-' && (c < u'0' || c > u'9'))
            return false;
    }
    return true;
}

bool hasPart(const QString& slashJoined, const QString& part)
{
    for (QStringView p : QStringView(slashJoined).tokenize(u'/')) {
        if (p == part)
            return true;
    }
    return false;
}

bool containsCI(const QString& haystack, const QString& needle)
{
    return haystack.contains(needle, Qt::CaseInsensitive);
}

bool equalsCI(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const QVector<QString>& phyKeywords()
{
    static const QVector<QString> keywords{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("g"),
                                           QStringLiteral("n"), QStringLiteral("ac")};
    return keywords;
}

void prepareComparison(SVFilterTerm& t)
{
    using Op = SVFilterTerm::Comparison;
    t.isComparison = true;
    QString s = t.text;
    if (s.size() < 2)
        return;
    if (s.endsWith(u'%')) {
        t.percent = true;
        qsizetype begin = 0;
        qsizetype end = s.size();
        while (begin < end && s[begin] == u'%')
            ++begin;
        while (end > begin && s[end - 1] == u'%')
            --end;
        s = s.mid(begin, end - begin);
    }
    static const std::pair<QString, Op> ops[] = {
        {QStringLiteral(">="), Op::GreaterOrEqual},
        {QStringLiteral("<="), Op::LessOrEqual},
        {QStringLiteral(">"), Op::Greater},
        {QStringLiteral("<"), Op::Less},
    };
    for (const auto& [text, op] : ops) {
        if (s.contains(text)) {
            t.op = op;
            s.remove(text);
            break;
        }
    }
    if (t.op == Op::None)
        return;
    s = trimmed(s);
    if (!isOperandText(s))
        return;
    t.operand = sv::integerValue(s);
    t.comparisonValid = true;
}

bool compare(SVFilterTerm::Comparison op, qint64 value, qint64 operand)
{
    using Op = SVFilterTerm::Comparison;
    switch (op) {
    case Op::GreaterOrEqual:
        return value >= operand;
    case Op::LessOrEqual:
        return value <= operand;
    case Op::Greater:
        return value > operand;
    case Op::Less:
        return value < operand;
    case Op::None:
        break;
    }
    return false;
}

} // namespace

// What one term may read, so the caller fetches no more of each record.
unsigned SVFilterExpression::neededFacts(const SVFilterTerm& t)
{
    using F = SVFilterFacts;
    if (t.matchesAll)
        return 0;
    if (t.isComparison)
        return F::Rssi;
    if (t.security != SVFilterTerm::Security::None)
        return F::Security;
    if (t.phyDeciding)
        return F::Phy;
    unsigned needed = F::Phy;
    if (t.quoted || t.bssidFragment)
        needed |= F::Bssid;
    if (t.bssidFragment)
        return needed;
    if (t.band != SVFilterTerm::Band::None)
        return needed | F::Band;
    if (t.widthCode != 0)
        return needed | F::Width;
    if (t.channel)
        return needed | F::Channel;
    return needed | F::Ssid | F::DeviceName | F::Annotations | F::Vendor | F::CountryCode;
}

namespace sv {

qint64 integerValue(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    // Accumulate towards the sign's end so that the minimum itself is reachable.
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (negative) {
            if (value < (min + digit) / 10)
                return min;
            value = value * 10 - digit;
        } else {
            if (value > (max - digit) / 10)
                return max;
            value = value * 10 + digit;
        }
    }
    return value;
}

bool isValidFilterChannel(qint64 c)
{
    if (c >= 1 && c <= 14)
        return true;
    if (c >= 36 && c <= 64)
        return c % 4 == 0;
    if (c >= 100 && c <= 140)
        return c % 4 == 0;
    if (c >= 149 && c <= 165)
        return (c - 149) % 4 == 0;
    return false;
}

} // namespace sv

SVFilterTerm SVFilterExpression::parseTerm(const QString& raw)
{
    SVFilterTerm t;
    QString s = trimmed(raw);
    if (s.startsWith(u'!')) {
        t.negated = true;
        s = trimmed(s.mid(1));
    }
    t.text = s;
    if (s.isEmpty()) {
        t.matchesAll = true;
        return t;
    }
    t.quoted = s.startsWith(u'"') && s.endsWith(u'"');
    if (!t.quoted && (s.startsWith(u'>') || s.startsWith(u'<'))) {
        prepareComparison(t);
        return t;
    }

    using Sec = SVFilterTerm::Security;
    const QString securityWord = without(s, {u' ', u'"', u'.'});
    static const std::pair<QString, Sec> securityWords[] = {
        {QStringLiteral("wpa"), Sec::WPA}, {QStringLiteral("wpa2"), Sec::WPA2}, {QStringLiteral("wep"), Sec::WEP},
        {QStringLiteral("psk"), Sec::PSK}, {QStringLiteral("8021X"), Sec::Dot1X},
        {QStringLiteral("wpa3"), Sec::WPA3}, {QStringLiteral("sae"), Sec::SAE}, {QStringLiteral("owe"), Sec::OWE},
    };
    for (const auto& [word, kind] : securityWords) {
        if (equalsCI(securityWord, word)) {
            t.security = kind;
            return t;
        }
    }

    t.phyReduced = s;
    t.phyReduced.remove(u'.');
    t.phyReduced.remove(QStringLiteral("80211"));
    t.phyReduced.remove(QStringLiteral("11"));
    t.phyReduced = t.phyReduced.toLower();
    t.phyDeciding = phyKeywords().contains(t.phyReduced);

    t.exactText = t.quoted ? s.mid(1, s.size() - 2) : s;
    t.unquotedText = without(s, {u'"'});
    t.bssidFragment = !t.quoted && s.contains(u':');

    const QString bandWord = without(s, {u' ', u'.', u'"'});
    if (equalsCI(bandWord, QStringLiteral("24GHz")))
        t.band = SVFilterTerm::Band::TwoDotFour;
    else if (equalsCI(bandWord, QStringLiteral("5GHz")))
        t.band = SVFilterTerm::Band::Five;

    const QString widthWord = without(s, {u' ', u'"'});
    static const QString widths[] = {QStringLiteral("20MHz"), QStringLiteral("40MHz"), QStringLiteral("80MHz"),
                                     QStringLiteral("160MHz")};
    for (int i = 0; i < 4; ++i) {
        if (equalsCI(widthWord, widths[i]))
            t.widthCode = i + 1;
    }

    if (!t.unquotedText.isEmpty() && isDigitsOnly(t.unquotedText)) {
        const qint64 channel = sv::integerValue(t.unquotedText);
        if (sv::isValidFilterChannel(channel))
            t.channel = channel;
    }
    return t;
}

SVFilterExpression SVFilterExpression::parse(const QString& filter)
{
    SVFilterExpression e;
    for (const QString& group : filter.split(u'&')) {
        SVFilterGroup g;
        for (const QString& term : group.split(u',')) {
            if (trimmed(term).isEmpty())
                continue;
            g.terms.append(parseTerm(term));
            e.m_needed |= neededFacts(g.terms.last());
        }
        e.m_groups.append(std::move(g));
    }
    return e;
}

bool SVFilterExpression::matchTerm(const SVFilterTerm& t, const SVFilterFacts& r, unsigned* mark)
{
    const auto matched = [mark](unsigned m) {
        *mark = m;
        return true;
    };
    *mark = 0;
    if (t.matchesAll)
        return true;

    if (t.isComparison) {
        if (!t.comparisonValid)
            return false;
        const qint64 value = t.percent ? sv::signalQualityPercentUnclamped(r.rssiLast) : r.rssiLast;
        return compare(t.op, value, t.operand) && matched(MarkRssi);
    }

    using Sec = SVFilterTerm::Security;
    switch (t.security) {
    case Sec::WPA:
        return r.isWPA && matched(MarkSecurityMode);
    case Sec::WPA2:
        return r.isWPA2 && matched(MarkSecurityMode);
    case Sec::WPA3:
        return r.isWPA3 && matched(MarkSecurityMode);
    case Sec::SAE:
        return r.isSAE && matched(MarkSecurityMode);
    case Sec::OWE:
        return r.isOWE && matched(MarkSecurityMode);
    case Sec::WEP:
        return r.isWEP && matched(MarkSecurityMode);
    case Sec::PSK:
        return r.isPSK && matched(MarkSecurityMode);
    case Sec::Dot1X:
        return r.is80211X && matched(MarkSecurityMode);
    case Sec::None:
        break;
    }

    if (hasPart(r.phyModeValue, t.phyReduced))
        return matched(MarkPhyMode);
    if (t.phyDeciding)
        return false;

    if (t.quoted && equalsCI(r.bssid, t.exactText))
        return matched(MarkBssid);
    if (t.bssidFragment)
        return containsCI(r.bssid, t.text) && matched(MarkBssid);

    if (t.band == SVFilterTerm::Band::TwoDotFour)
        return r.is2Dot4GHz && matched(MarkChannelBand);
    if (t.band == SVFilterTerm::Band::Five)
        return r.is5GHz && matched(MarkChannelBand);

    if (t.widthCode != 0)
        return r.channelWidth == t.widthCode && matched(MarkChannelWidth);

    if (t.channel)
        return r.channel == *t.channel && matched(MarkChannel);

    const auto textMatches = [&t](const QString& value) {
        return t.quoted ? equalsCI(value, t.exactText) : containsCI(value, t.text);
    };
    if (textMatches(r.ssid))
        return matched(MarkSsid);
    if (!r.deviceName.isEmpty() && textMatches(r.deviceName))
        return matched(MarkDeviceName);
    if (!r.annotations.isEmpty() && textMatches(r.annotations))
        return matched(MarkAnnotations);
    if (!r.vendor.isEmpty() && textMatches(r.vendor))
        return matched(MarkVendor);
    if (!r.countryCode.isEmpty() && equalsCI(r.countryCode, t.unquotedText))
        return matched(MarkCountryCode);
    return false;
}

std::vector<char> SVFilterExpression::evaluateTerm(const SVFilterTerm& t, const std::vector<SVFilterFacts>& records,
                                                   unsigned* marks)
{
    std::vector<char> flags(records.size());
    unsigned seen = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        unsigned mark = 0;
        const bool match = matchTerm(t, records[i], &mark);
        seen |= mark;
        flags[i] = t.matchesAll || match != t.negated;
    }
    if (marks)
        *marks |= seen;
    return flags;
}

std::vector<char> SVFilterExpression::evaluate(const std::vector<SVFilterFacts>& records, unsigned* marks) const
{
    // Union and intersection as flags per record: linear in terms times records.
    const size_t n = records.size();
    std::vector<char> result(n, 1);
    std::vector<char> group(n);
    for (const SVFilterGroup& g : m_groups) {
        std::fill(group.begin(), group.end(), 0);
        for (const SVFilterTerm& t : g.terms) {
            const auto flags = evaluateTerm(t, records, marks);
            for (size_t i = 0; i < n; ++i)
                group[i] |= flags[i];
        }
        for (size_t i = 0; i < n; ++i)
            result[i] &= group[i];
    }
    return result;
}

QSet<QString> SVFilterExpression::columnIdentifiers(unsigned marks)
{
    static const QString names[] = {
        QStringLiteral("RSSI"),    QStringLiteral("SECURITY_MODE"), QStringLiteral("PHY_MODE"),
        QStringLiteral("BSSID"),   QStringLiteral("CHANNEL_BAND"),  QStringLiteral("CHANNEL_WIDTH"),
        QStringLiteral("CHANNEL"), QStringLiteral("SSID"),          QStringLiteral("DEVICE_NAME"),
        QStringLiteral("ANNOTATIONS"), QStringLiteral("VENDOR"),    QStringLiteral("CC"),
    };
    QSet<QString> ids;
    for (unsigned i = 0; i < std::size(names); ++i) {
        if (marks & (1u << i))
            ids.insert(names[i]);
    }
    return ids;
}
