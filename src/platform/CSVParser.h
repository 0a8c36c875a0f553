#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sv {

// One record read by CSVParser: its fields in order, each named by the
// parser's field names. A field is kept as a place in the parsed text
// (which the record shares), so a field costs 8 bytes beside that text;
// only a quoted field holding doubled quotes has a text of its own.
class CSVRecord {
public:
    qsizetype size() const { return qsizetype(m_fields.size()); }
    QString name(qsizetype index) const;
    QString value(qsizetype index) const;
    // The text of the last field of that name; a null text when none.
    QString value(const QString& name) const;
    bool contains(const QString& name) const { return indexOf(name) >= 0; }
    // Field name -> text, a later field of the same name replacing an earlier one.
    QVariantMap toMap() const;

private:
    friend class CSVParser;
    struct Source {
        QString text;
        QStringList names; // given or read from the header; FIELD_n after them
    };
    // start/length into the text; a length with Unescaped set is the index
    // into m_unescaped instead.
    struct Field {
        quint32 start;
        quint32 length;
    };
    static constexpr quint32 Unescaped = 0x80000000u;
    qsizetype indexOf(const QString& name) const;

    std::shared_ptr<const Source> m_source;
    std::vector<Field> m_fields;
    QStringList m_unescaped;
};

// A general CSV reader: records of named field texts.
//
// Fields may be quoted ("a,b", "say ""hi"""), where separators and line
// breaks are text; a run of line breaks (\r\n, empty lines) separates two
// records. Parsing stops, without an error, at the first place where a
// record is not followed by a line separator or a quoted field is not
// closed; stoppedEarly() tells so. Its memory is the text, 8 bytes a field
// and a record's few handles: handed to a receiver, records are not kept.
class CSVParser {
public:
    using Record = CSVRecord;
    using Receiver = std::function<void(const Record&)>;

    // Longest text read; a longer one is not parsed (stoppedEarly at 0).
    static constexpr qsizetype MaximumLength = qsizetype(CSVRecord::Unescaped) - 1;

    // separator: one or more characters, neither a double quote nor a
    // newline (a violation is a programming error and aborts).
    CSVParser(const QString& csvString, const QString& separator, bool hasHeader, const QStringList& fieldNames);

    // Every record, or nothing when the text holds no record (or no header
    // when one is expected).
    std::optional<QList<Record>> arrayOfParsedRows();
    // The same parse, each record handed to receiver instead of collected.
    void parseRowsForReceiver(const Receiver& receiver);

    // The names given or read from the header, then "FIELD_n" up to the
    // widest record read so far.
    QStringList fieldNames() const;
    // After a parse: it ended before the end of the text (a malformed line).
    bool stoppedEarly() const { return m_stoppedEarly; }
    // After a parse: where it stopped, as an offset into the text.
    qsizetype stopPosition() const { return m_stopPosition; }

    static bool isNewline(QChar c);

private:
    using Field = CSVRecord::Field;
    std::optional<QList<Record>> run(const Receiver* receiver);

    // The grammar, one rule each; a rule that does not match returns nothing.
    std::optional<QList<Record>> parseFile();
    std::optional<QStringList> parseHeader();
    std::optional<Record> parseRecord();
    std::optional<QString> parseName();
    std::optional<Field> parseField(QStringList& unescaped);
    std::optional<Field> parseEscaped(QStringList& unescaped);
    std::optional<Field> parseNonEscaped();
    bool parseDoubleQuote();
    bool parseSeparator();
    bool parseLineSeparator();
    std::optional<Field> parseTextData();

    bool atEnd() const { return m_pos >= m_csvString.size(); }
    bool atSeparator() const;
    bool isEndTextCharacter(QChar c) const;
    QString text(const Field& field, const QStringList& unescaped) const;

    QString m_csvString;
    QString m_separator;
    bool m_hasHeader;
    std::shared_ptr<CSVRecord::Source> m_source; // the text and the names records share
    qsizetype m_widest = 0;                      // most fields in one record so far
    bool m_separatorIsSingleChar;
    const Receiver* m_receiver = nullptr;
    qsizetype m_pos = 0;
    bool m_stoppedEarly = false;
    qsizetype m_stopPosition = 0;
};

} // namespace sv
