#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace sv {

// A general CSV reader: records of field name -> field text.
//
// Fields may be quoted ("a,b", "say ""hi"""), where separators and line
// breaks are text; a run of line breaks (\r\n, empty lines) separates two
// records. Parsing stops, without an error, at the first place where a
// record is not followed by a line separator or a quoted field is not
// closed; stoppedEarly() tells so.
class CSVParser {
public:
    using Record = QVariantMap;
    using Receiver = std::function<void(const Record&)>;

    // separator: one or more characters, neither a double quote nor a
    // newline (a violation is a programming error and aborts).
    CSVParser(const QString& csvString, const QString& separator, bool hasHeader, const QStringList& fieldNames);

    // Every record, or nothing when the text holds no record (or no header
    // when one is expected).
    std::optional<QList<Record>> arrayOfParsedRows();
    // The same parse, each record handed to receiver instead of collected.
    void parseRowsForReceiver(const Receiver& receiver);

    QStringList fieldNames() const { return m_fieldNames; }
    // After a parse: it ended before the end of the text (a malformed line).
    bool stoppedEarly() const { return m_stoppedEarly; }
    // After a parse: where it stopped, as an offset into the text.
    qsizetype stopPosition() const { return m_stopPosition; }

    // The grammar, one rule each; a rule that does not match returns nothing.
    // They work on the parse in progress and are public for tests only.
    std::optional<QList<Record>> parseFile();
    std::optional<QStringList> parseHeader();
    std::optional<Record> parseRecord();
    std::optional<QString> parseName();
    std::optional<QString> parseField();
    std::optional<QString> parseEscaped();
    std::optional<QString> parseNonEscaped();
    std::optional<QString> parseTwoDoubleQuotes();
    std::optional<QString> parseDoubleQuote();
    std::optional<QString> parseSeparator();
    std::optional<QString> parseLineSeparator();
    std::optional<QString> parseTextData();

    static bool isNewline(QChar c);

private:
    std::optional<QList<Record>> run(const Receiver* receiver);
    bool atEnd() const { return m_pos >= m_csvString.size(); }
    bool atSeparator() const;
    bool isEndTextCharacter(QChar c) const;
    std::optional<QString> scanString(const QString& s);

    QString m_csvString;
    QString m_separator;
    bool m_hasHeader;
    QStringList m_fieldNames;
    bool m_separatorIsSingleChar;
    const Receiver* m_receiver = nullptr;
    qsizetype m_pos = 0;
    bool m_scanning = false;
    bool m_stoppedEarly = false;
    qsizetype m_stopPosition = 0;
};

} // namespace sv
