#include "platform/NSStringAdditions.h"

#include <QTextBoundaryFinder>

namespace sv {

namespace {

// The text starts, after any run of "'", with a character that makes a
// spreadsheet read a formula (a leading tab or carriage return is skipped
// by some of them before they look).
bool looksLikeFormula(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char('\''))
        ++i;
    if (i == text.size())
        return false;
    const QChar c = text.at(i);
    return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('@')
        || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

} // namespace

QString stringByAddingQuotationMarksForCSV(const QString& field)
{
    const bool formula = looksLikeFormula(field);
    const bool needsQuotes = formula || field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"'))
        || field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'));
    if (!needsQuotes)
        return field;
    QString quoted = formula ? QLatin1Char('\'') + field : field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString stringByRemovingCSVFormulaGuard(const QString& field)
{
    if (field.startsWith(QLatin1Char('\'')) && looksLikeFormula(field))
        return field.mid(1);
    return field;
}

namespace {

bool isEmojiSequence(QStringView s)
{
    const char16_t h = s.at(0).unicode();
    if (h >= 0xD800 && h <= 0xDBFF && s.size() >= 2) {
        const char16_t l = s.at(1).unicode();
        const char32_t cp = ((char32_t(h) - 0xD800) << 10) + (char32_t(l) - 0xDC00) + 0x10000;
        return cp >= 0x1D000 && cp <= 0x1F77F;
    }
    if (s.size() >= 2)
        return s.at(1).unicode() == 0x20E3;
    return (h >= 0x2100 && h <= 0x27FF) || (h >= 0x2B05 && h <= 0x2B07)
        || (h >= 0x2934 && h <= 0x2935) || (h >= 0x3297 && h <= 0x3299) || h == 0x00A9
        || h == 0x00AE || h == 0x303D || h == 0x3030 || h == 0x2B55 || h == 0x2B1C
        || h == 0x2B1B || h == 0x2B50;
}

} // namespace

bool containsEmoji(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end <= start)
            end = text.size();
        if (isEmojiSequence(QStringView(text).mid(start, end - start)))
            return true;
        start = end;
    }
    return false;
}

} // namespace sv
