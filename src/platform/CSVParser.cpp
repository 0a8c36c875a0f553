#include "platform/CSVParser.h"

#include <QtGlobal>

namespace sv {

namespace {

QString generatedName(qsizetype index)
{
    return QStringLiteral("FIELD_%1").arg(index + 1);
}

} // namespace

// ---- record ----

QString CSVRecord::name(qsizetype index) const
{
    return index < m_source->names.size() ? m_source->names.at(index) : generatedName(index);
}

QString CSVRecord::value(qsizetype index) const
{
    const Field& f = m_fields[size_t(index)];
    if (f.length & Unescaped)
        return m_unescaped.at(qsizetype(f.start));
    return m_source->text.mid(qsizetype(f.start), qsizetype(f.length));
}

qsizetype CSVRecord::indexOf(const QString& name) const
{
    const QStringList& names = m_source->names;
    // A generated name is unique and lies after every given one.
    if (name.startsWith(u"FIELD_")) {
        bool ok = false;
        const qsizetype n = name.mid(6).toLongLong(&ok);
        if (ok && n > names.size() && n <= size() && generatedName(n - 1) == name)
            return n - 1;
    }
    for (qsizetype i = std::min(size(), names.size()) - 1; i >= 0; --i)
        if (names.at(i) == name)
            return i;
    return -1;
}

QString CSVRecord::value(const QString& name) const
{
    const qsizetype i = indexOf(name);
    return i < 0 ? QString() : value(i);
}

QVariantMap CSVRecord::toMap() const
{
    QVariantMap map;
    for (qsizetype i = 0; i < size(); ++i)
        map.insert(name(i), value(i));
    return map;
}

// ---- parser ----

CSVParser::CSVParser(const QString& csvString, const QString& separator, bool hasHeader,
                     const QStringList& fieldNames)
    : m_csvString(csvString),
      m_separator(separator),
      m_hasHeader(hasHeader),
      m_source(std::make_shared<CSVRecord::Source>(CSVRecord::Source{csvString, fieldNames})),
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

QStringList CSVParser::fieldNames() const
{
    QStringList names = m_source->names;
    for (qsizetype i = names.size(); i < m_widest; ++i)
        names.append(generatedName(i));
    return names;
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
    m_pos = 0;
    if (m_csvString.size() > MaximumLength) {
        m_stopPosition = 0;
        m_stoppedEarly = true;
        return std::nullopt;
    }
    m_receiver = receiver;
    auto rows = parseFile();
    m_stopPosition = m_pos;
    m_stoppedEarly = !atEnd();
    m_receiver = nullptr;
    return rows;
}

std::optional<QList<CSVParser::Record>> CSVParser::parseFile()
{
    if (m_hasHeader) {
        auto header = parseHeader();
        if (!header)
            return std::nullopt;
        m_source = std::make_shared<CSVRecord::Source>(CSVRecord::Source{m_csvString, *header});
        m_widest = 0;
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
            records.append(std::move(*record));
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
    Record record;
    auto field = parseField(record.m_unescaped);
    if (!field)
        return std::nullopt;
    record.m_source = m_source;
    for (;;) {
        record.m_fields.push_back(*field);
        if (!parseSeparator())
            break;
        field = parseField(record.m_unescaped);
        if (!field)
            break;
    }
    record.m_fields.shrink_to_fit();
    m_widest = std::max(m_widest, record.size());
    return record;
}

std::optional<QString> CSVParser::parseName()
{
    QStringList unescaped;
    const auto field = parseField(unescaped);
    if (!field)
        return std::nullopt;
    return text(*field, unescaped);
}

QString CSVParser::text(const Field& field, const QStringList& unescaped) const
{
    if (field.length & CSVRecord::Unescaped)
        return unescaped.at(qsizetype(field.start));
    return m_csvString.mid(qsizetype(field.start), qsizetype(field.length));
}

std::optional<CSVParser::Field> CSVParser::parseField(QStringList& unescaped)
{
    if (auto escaped = parseEscaped(unescaped))
        return escaped;
    if (auto plain = parseNonEscaped())
        return plain;
    if (atEnd() || atSeparator() || isNewline(m_csvString.at(m_pos)))
        return Field{quint32(m_pos), 0};
    return std::nullopt;
}

std::optional<CSVParser::Field> CSVParser::parseEscaped(QStringList& unescaped)
{
    const qsizetype start = m_pos;
    if (!parseDoubleQuote())
        return std::nullopt;
    // Separators and line breaks inside the quotes are text; two double
    // quotes are one.
    bool doubled = false;
    for (;;) {
        const qsizetype quote = m_csvString.indexOf(QLatin1Char('"'), m_pos);
        if (quote < 0)
            break;
        m_pos = quote;
        if (quote + 1 < m_csvString.size() && m_csvString.at(quote + 1) == QLatin1Char('"')) {
            doubled = true;
            m_pos += 2;
            continue;
        }
        ++m_pos; // the closing quote
        const qsizetype length = quote - start - 1;
        if (!doubled)
            return Field{quint32(start + 1), quint32(length)};
        unescaped.append(m_csvString.mid(start + 1, length).replace(QLatin1String("\"\""), QLatin1String("\"")));
        return Field{quint32(unescaped.size() - 1), CSVRecord::Unescaped};
    }
    // Back to the opening quote, so the parse stops there: a field
    // without its closing quote is not read as an empty one.
    m_pos = start;
    return std::nullopt;
}

std::optional<CSVParser::Field> CSVParser::parseNonEscaped()
{
    return parseTextData();
}

bool CSVParser::parseDoubleQuote()
{
    if (atEnd() || m_csvString.at(m_pos) != QLatin1Char('"'))
        return false;
    ++m_pos;
    return true;
}

bool CSVParser::atSeparator() const
{
    return QStringView(m_csvString).mid(m_pos).startsWith(m_separator);
}

bool CSVParser::parseSeparator()
{
    if (!atSeparator())
        return false;
    m_pos += m_separator.size();
    return true;
}

bool CSVParser::parseLineSeparator()
{
    const qsizetype start = m_pos;
    while (!atEnd() && isNewline(m_csvString.at(m_pos)))
        ++m_pos;
    return m_pos != start;
}

std::optional<CSVParser::Field> CSVParser::parseTextData()
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
    return Field{quint32(start), quint32(m_pos - start)};
}

} // namespace sv
