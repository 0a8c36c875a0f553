#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include "platform/CSVParser.h"

#include <optional>
#include <type_traits>
#include <vector>

namespace {

using sv::CSVParser;
using Fields = std::vector<std::pair<QString, QString>>;

QVariantMap rec(const Fields& fields)
{
    QVariantMap m;
    for (const auto& [k, v] : fields)
        m.insert(k, v);
    return m;
}

template <typename Row>
std::string show(const std::optional<QList<Row>>& rows)
{
    if (!rows)
        return "nothing";
    std::string s;
    for (const auto& row : *rows) {
        QVariantMap r;
        if constexpr (std::is_same_v<Row, QVariantMap>)
            r = row;
        else
            r = row.toMap();
        s += "{";
        for (auto it = r.begin(); it != r.end(); ++it)
            s += it.key().toStdString() + "=[" + it.value().toString().toStdString() + "] ";
        s += "}";
    }
    return s;
}

struct GrammarCase {
    const char* what;
    QString text;
    QString separator;
    bool hasHeader;
    QStringList names;
    std::optional<QList<QVariantMap>> rows;
    bool stoppedEarly;
};

TEST(CSVParser, Grammar)
{
    const QStringList ab = {"bssid", "annotations"};
    const std::vector<GrammarCase> cases = {
        {"plain fields", "a,b\nc,d\n", ",", false, ab,
         QList{rec({{"bssid", "a"}, {"annotations", "b"}}), rec({{"bssid", "c"}, {"annotations", "d"}})}, false},
        {"no final line feed", "a,b", ",", false, ab, QList{rec({{"bssid", "a"}, {"annotations", "b"}})}, false},
        {"quoted comma is text", "a,\"x,y\"\n", ",", false, ab,
         QList{rec({{"bssid", "a"}, {"annotations", "x,y"}})}, false},
        {"two double quotes read as one", "a,\"a\"\"b\"\n", ",", false, ab,
         QList{rec({{"bssid", "a"}, {"annotations", "a\"b"}})}, false},
        {"line breaks inside quotes are text", "a,\"l1\r\nl2\"\nb,c\n", ",", false, ab,
         QList{rec({{"bssid", "a"}, {"annotations", "l1\r\nl2"}}), rec({{"bssid", "b"}, {"annotations", "c"}})},
         false},
        {"CRLF and empty lines separate once", "a,b\r\n\r\n\nc,d", ",", false, ab,
         QList{rec({{"bssid", "a"}, {"annotations", "b"}}), rec({{"bssid", "c"}, {"annotations", "d"}})}, false},
        {"Unicode line separators", QString("a\u2028b\u0085c"), ",", false, {"x"},
         QList{rec({{"x", "a"}}), rec({{"x", "b"}}), rec({{"x", "c"}})}, false},
        {"empty fields", "a,,\n", ",", false, {"p", "q", "r"},
         QList{rec({{"p", "a"}, {"q", ""}, {"r", ""}})}, false},
        {"record of one field", "a\n", ",", false, ab, QList{rec({{"bssid", "a"}})}, false},
        {"extra fields get FIELD_n names", "x,y,z\nw\n", ",", false, {"name"},
         QList{rec({{"name", "x"}, {"FIELD_2", "y"}, {"FIELD_3", "z"}}), rec({{"name", "w"}})}, false},
        {"two-character separator", "a;b;;c\n", ";;", false, {},
         QList{rec({{"FIELD_1", "a;b"}, {"FIELD_2", "c"}})}, false},
        {"header names the fields", "id,name\n1,x\n2,y\n", ",", true, {},
         QList{rec({{"id", "1"}, {"name", "x"}}), rec({{"id", "2"}, {"name", "y"}})}, false},
        {"header without a line after it", "id,name", ",", true, {}, std::nullopt, false},
        {"empty text", "", ",", false, ab, std::nullopt, false},
        {"text that begins with a line break", "\na,b\n", ",", false, ab, std::nullopt, true},
        {"text after a closing quote stops the parse", "a,\"b\"x\nc,d\n", ",", false, ab,
         QList{rec({{"bssid", "a"}, {"annotations", "b"}})}, true},
        {"unclosed quote stops the parse", "a,b\nc,\"d\n", ",", false, ab,
         QList{rec({{"bssid", "a"}, {"annotations", "b"}}), rec({{"bssid", "c"}})}, true},
        {"stray quote inside a bare field", "a,b\"c\n", ",", false, ab,
         QList{rec({{"bssid", "a"}, {"annotations", "b"}})}, true},
    };
    for (const auto& c : cases) {
        CSVParser parser(c.text, c.separator, c.hasHeader, c.names);
        const auto rows = parser.arrayOfParsedRows();
        EXPECT_EQ(show(rows), show(c.rows)) << c.what;
        EXPECT_EQ(parser.stoppedEarly(), c.stoppedEarly) << c.what;
    }
}

TEST(CSVParser, ParsesAgainAndKeepsNamesFound)
{
    CSVParser parser("a,b\n", ",", false, {"first"});
    ASSERT_TRUE(parser.arrayOfParsedRows());
    EXPECT_EQ(parser.fieldNames(), (QStringList{"first", "FIELD_2"}));
    const auto again = parser.arrayOfParsedRows();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->size(), 1);
}

TEST(CSVParser, ReceiverGetsEachRecordInOrder)
{
    CSVParser parser("1\n2\n3\n", ",", false, {"n"});
    QStringList seen;
    parser.parseRowsForReceiver([&](const sv::CSVRecord& r) { seen << r.value("n"); });
    EXPECT_EQ(seen, (QStringList{"1", "2", "3"}));
}

TEST(CSVParser, RecordsAnswerByNameAsTheirMapDoes)
{
    // Repeated names (the later field wins), given names that look made up,
    // and made-up names past the given ones.
    CSVParser parser("a,a,FIELD_2,\"x\"\"y\"\nv,w,x,y,z\n", ",", true, {});
    const auto rows = parser.arrayOfParsedRows();
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1);
    const sv::CSVRecord& row = rows->at(0);
    const QVariantMap map = row.toMap();
    EXPECT_EQ(map, (QVariantMap{{"a", "w"}, {"FIELD_2", "x"}, {"x\"y", "y"}, {"FIELD_5", "z"}}));
    for (const QString name : {"a", "FIELD_2", "x\"y", "FIELD_5", "FIELD_05", "FIELD_1", "b"}) {
        EXPECT_EQ(row.contains(name), map.contains(name)) << name.toStdString();
        EXPECT_EQ(row.value(name), map.value(name).toString()) << name.toStdString();
    }
    EXPECT_EQ(parser.fieldNames(), (QStringList{"a", "a", "FIELD_2", "x\"y", "FIELD_5"}));
}

TEST(CSVParserDeathTest, RefusesSeparatorsThatCannotWork)
{
    for (const QString& bad : {QString(), QString("\""), QString(";\n")})
        EXPECT_DEATH(CSVParser("x", bad, false, {}), "CSV separator string must not be empty") << bad.toStdString();
}

} // namespace
