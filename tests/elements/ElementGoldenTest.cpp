#include <gtest/gtest.h>

#include "support/QStringPrinter.h"
#include "elements/ElementList.h"
#include "elements/SVInfoElement.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <random>

namespace {

struct GoldenCase {
    QString file;
    int line;
    unsigned id;
    QByteArray body;
    QString dump;
};

void loadGoldenFile(const QString& path, const QString& name, std::vector<GoldenCase>& cases)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const std::size_t first = cases.size();
    QStringList dumpLines;
    const auto finish = [&] {
        if (cases.size() > first)
            cases.back().dump = dumpLines.join(QLatin1Char('\n'));
        dumpLines.clear();
    };
    int lineNumber = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        ++lineNumber;
        const QString line = QString::fromUtf8(raw);
        if (line.startsWith(QLatin1String("element "))) {
            finish();
            const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            const QByteArray hex = parts.value(2).toLatin1();
            cases.push_back({name, lineNumber, parts.value(1).toUInt(), hex == "-" ? QByteArray() : QByteArray::fromHex(hex), {}});
        } else if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        } else {
            dumpLines.append(line);
        }
    }
    finish();
}

// The cases of every golden*.txt fixture.
std::vector<GoldenCase> loadGoldenCases()
{
    std::vector<GoldenCase> cases;
    const QDir folder(sv::test::fixturePath(QStringLiteral("elements")));
    for (const QString& name : folder.entryList({QStringLiteral("golden*.txt")}, QDir::Files, QDir::Name))
        loadGoldenFile(folder.filePath(name), name, cases);
    return cases;
}

// Stands in for the vendor database in every element test.
class ElementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SVInfoElement::setVendorNameLookup([](const QString& oui) {
            static const QHash<QString, QString> names{
                {QStringLiteral("00:40:96"), QStringLiteral("Cisco Systems, Inc")},
                {QStringLiteral("00:50:F2"), QStringLiteral("Microsoft Corp.")},
                {QStringLiteral("50:6F:9A"), QStringLiteral("Wi-Fi Alliance")},
                {QStringLiteral("00:0C:42"), QStringLiteral("Routerboard.com")},
                {QStringLiteral("00:0B:86"), QStringLiteral("Aruba Networks")},
                {QStringLiteral("00:A0:F8"), QStringLiteral("Zebra Technologies Inc.")},
                {QStringLiteral("00:10:18"), QStringLiteral("Broadcom")},
            };
            return names.value(oui);
        });
    }
    void TearDown() override { SVInfoElement::setVendorNameLookup({}); }
};

// Everything a caller can ask of an element, so sanitizers see every path.
void exercise(const SVInfoElement& element)
{
    const QString dump = element.ieDump();
    ASSERT_FALSE(dump.isEmpty());
    ASSERT_GE(element.fields().size(), 2u);
    (void)element.ieIdentifier();
    (void)element.ieSummary();
    (void)element.ieDescription();
    (void)element.fieldRecords();
}

using GoldenDumps = ElementTest;

TEST_F(GoldenDumps, MatchTheFixture)
{
    const std::vector<GoldenCase> cases = loadGoldenCases();
    ASSERT_FALSE(cases.empty());
    for (const GoldenCase& c : cases) {
        const SVInfoElement element(c.id, c.body);
        EXPECT_EQ(element.ieDump(), c.dump) << c.file.toStdString() << " line " << c.line;
    }
}

TEST_F(GoldenDumps, EveryPrefixOfEveryBodyDecodes)
{
    for (const GoldenCase& c : loadGoldenCases()) {
        for (qsizetype length = 0; length <= c.body.size(); ++length) {
            SCOPED_TRACE(testing::Message() << c.file.toStdString() << " line " << c.line << ", " << length << " bytes");
            exercise(SVInfoElement(c.id, c.body.first(length)));
        }
    }
}

TEST_F(GoldenDumps, RandomBodiesOfEveryIDAndLengthDecode)
{
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    for (unsigned id = 0; id < 256; ++id) {
        for (int length = 0; length < 256; ++length) {
            QByteArray body(length, '\0');
            for (char& b : body)
                b = char(byte(random));
            SCOPED_TRACE(testing::Message() << "id " << id << ", body " << body.toHex().constData());
            exercise(SVInfoElement(id, body));
            // The extremes drive counts, lengths and shifts to their limits.
            exercise(SVInfoElement(id, QByteArray(length, '\xFF')));
            exercise(SVInfoElement(id, QByteArray(length, '\0')));
        }
    }
}

TEST(ElementSplit, StopsAtATruncatedElement)
{
    const auto elements = splitInformationElements(QByteArray::fromHex("0003414243" "0301" "06" "0000" "3205"));
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0]->ieData(), QByteArray("ABC"));
    EXPECT_EQ(elements[1]->ieID(), 3u);
    EXPECT_EQ(elements[2]->ieLength(), 0);
    EXPECT_TRUE(splitInformationElements(QByteArray::fromHex("00")).empty());
}

} // namespace
