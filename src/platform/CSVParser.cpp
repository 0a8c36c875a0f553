#include "platform/CSVParser.h"

#include <QtGlobal>

namespace sv {

CSVParser::CSVParser(const QString& csvString, const QString& separator, bool hasHeader,
                     const QStringList& fieldNames)
    : m_csvString(csvString),
      m_separator(separator),
      m_hasHeader(hasHeader),
      m_fieldNames(fieldNames),
      m_separatorIsSingleChar(separator.size() == 1)
{
    bool valid = !separator.isEmpty() && !separator.contains(QLatin1Char('"'));
    for (QChar c : separator)
        valid = valid && !isNewline(c);
    if (!valid)
        qFatal("CSV separator string must not be empty and must not contain the double quote character or "
               "newline characters.");
}

bool CSVParser::isNewline(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

bool CSVParser::isEndTextCharacter(QChar c) const
{
    return isNewline(c) || c == QLatin1Char('"') || c == m_separator.at(0);
}

std::optional<QList<CSVParser::Record>> CSVParser::arrayOfParsedRows()
{
    return run(nullptr);
}

void CSVParser::parseRowsForReceiver(const Receiver& receiver)
{
    run(&receiver);
}

std::optional<QList<CSVParser::Record>> CSVParser::run(const Receiver* receiver)
{
    m_receiver = receiver;
    m_pos = 0;
    m_scanning = true;
    auto rows = parseFile();
    m_stopPosition = m_pos;
    m_stoppedEarly = !atEnd();
    m_scanning = false;
    m_receiver = nullptr;
    return rows;
}

std::optional<QList<CSVParser::Record>> CSVParser::parseFile()
{
    if (m_hasHeader) {
        auto header = parseHeader();
        if (!header)
            return std::nullopt;
        m_fieldNames = *header;
        if (!parseLineSeparator())
            return std::nullopt;
    }
    QList<Record> records;
    auto record = parseRecord();
    if (!record)
        return std::nullopt;
    while (record) {
        if (m_receiver)
            (*m_receiver)(*record);
        else
            records.append(*record);
        if (!parseLineSeparator())
            break;
        record = parseRecord();
    }
    if (m_receiver)
        return std::nullopt;
    return records;
}

std::optional<QStringList> CSVParser::parseHeader()
{
    auto name = parseName();
    if (!name)
        return std::nullopt;
    QStringList names{*name};
    while (parseSeparator()) {
        name = parseName();
        if (!name)
            break;
        names.append(*name);
    }
    return names;
}

std::optional<CSVParser::Record> CSVParser::parseRecord()
{
    if (parseLineSeparator() || atEnd())
        return std::nullopt;
    auto field = parseField();
    if (!field)
        return std::nullopt;
    Record record;
    qsizetype n = 1;
    for (;;) {
        if (n > m_fieldNames.size())
            m_fieldNames.append(QStringLiteral("FIELD_%1").arg(n));
        record.insert(m_fieldNames.at(n - 1), *field);
        if (!parseSeparator())
            break;
        field = parseField();
        if (!field)
            break;
        ++n;
    }
    return record;
}

std::optional<QString> CSVParser::parseName()
{
    return parseField();
}

std::optional<QString> CSVParser::parseField()
{
    if (auto escaped = parseEscaped())
        return escaped;
    if (auto plain = parseNonEscaped())
        return plain;
    if (atEnd() || atSeparator() || isNewline(m_csvString.at(m_pos)))
        return QString();
    return std::nullopt;
}

std::optional<QString> CSVParser::parseEscaped()
{
    const qsizetype start = m_pos;
    if (!parseDoubleQuote())
        return std::nullopt;
    QString text;
    for (;;) {
        if (auto part = parseTextData())
            text += *part;
        else if (auto sep = parseSeparator())
            text += *sep;
        else if (auto lines = parseLineSeparator())
            text += *lines;
        else if (auto quote = parseTwoDoubleQuotes())
            text += QLatin1Char('"');
        else
            break;
    }
    if (!parseDoubleQuote()) {
        // Back to the opening quote, so the parse stops there: a field
        // without its closing quote is not read as an empty one.
        m_pos = start;
        return std::nullopt;
    }
    return text;
}

std::optional<QString> CSVParser::parseNonEscaped()
{
    return parseTextData();
}

std::optional<QString> CSVParser::scanString(const QString& s)
{
    if (QStringView(m_csvString).mid(m_pos).startsWith(s)) {
        m_pos += s.size();
        return s;
    }
    return std::nullopt;
}

std::optional<QString> CSVParser::parseTwoDoubleQuotes()
{
    return scanString(QStringLiteral("\"\""));
}

std::optional<QString> CSVParser::parseDoubleQuote()
{
    return scanString(QStringLiteral("\""));
}

bool CSVParser::atSeparator() const
{
    return QStringView(m_csvString).mid(m_pos).startsWith(m_separator);
}

std::optional<QString> CSVParser::parseSeparator()
{
    return scanString(m_separator);
}

std::optional<QString> CSVParser::parseLineSeparator()
{
    const qsizetype start = m_pos;
    while (!atEnd() && isNewline(m_csvString.at(m_pos)))
        ++m_pos;
    if (m_pos == start)
        return std::nullopt;
    return m_csvString.mid(start, m_pos - start);
}

std::optional<QString> CSVParser::parseTextData()
{
    const qsizetype start = m_pos;
    for (;;) {
        while (!atEnd() && !isEndTextCharacter(m_csvString.at(m_pos)))
            ++m_pos;
        if (m_separatorIsSingleChar || atEnd())
            break;
        // A longer separator's first character is text unless the whole
        // separator follows.
        if (m_csvString.at(m_pos) == m_separator.at(0) && !atSeparator()) {
            ++m_pos;
            continue;
        }
        break;
    }
    if (m_pos == start)
        return std::nullopt;
    return m_csvString.mid(start, m_pos - start);
}

} // namespace sv
