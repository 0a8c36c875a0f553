#include "support/QStringPrinter.h"
#include "model/Beacon.h"
#include "support/TestSupport.h"

#include "model/SVCSVExport.h"
#include "model/SVAnnotationsHelper.h"
#include "model/SVNetwork.h"
#include "model/SVNetworkColumns.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace beacon;

namespace {

const QDateTime kStart(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

std::shared_ptr<SVNetwork> heard(const QByteArray& name, const QString& bssid, std::initializer_list<int> levels)
{
    auto n = SVNetwork::initWithDictionary(scan(6, ssid(name) + bgRates(), 4, bssid));
    int t = 0;
    for (int level : levels)
        n->addDataPoint(SVDataPoint(level, -90, -1, -1, kStart.addSecs(t++)));
    return n;
}

TEST(CSVExport, UnitSuffixes)
{
    struct Case { const char* id; int units; const char* suffix; };
    const Case cases[] = {
        {"RSSI", 1, " (dBm)"}, {"RSSI_AVG", 0, " (%)"}, {"NOISE_MIN", 1, " (dBm)"}, {"NOISE", 0, " (%)"},
        {"SNR_MAX", 0, " (dB)"}, {"BEACON_INT", 1, " (ms)"}, {"CHANNEL_UTILIZATION", 1, " (%)"},
        {"BASIC_RATES", 1, " (Mbps)"}, {"MAX_RATE", 0, " (Mbps)"}, {"CENTER_FREQUENCY", 1, " (MHz)"},
        {"SSID", 1, ""}, {"CHANNEL", 0, ""}, {"FIRST_SEEN", 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(csvUnitSuffix(c.id, c.units), c.suffix) << c.id << " units " << c.units;
}

// The file a user opens in a spreadsheet: texts others chose (SSIDs) with
// quotes, commas, line breaks, formula starts and non-ASCII letters.
TEST(CSVExport, GoldenFile)
{
    const SVNetworkList networks = {
        heard("plain", "00:1b:63:00:00:01", {-70, -67}),
        heard("a,\"b\"", "00:1b:63:00:00:02", {-60}),
        heard("line\nbreak", "00:1b:63:00:00:03", {-80}),
        heard("=HYPERLINK(\"x\")", "00:1b:63:00:00:04", {-50}),
        heard("+1", "00:1b:63:00:00:05", {-55}),
        heard("-2", "00:1b:63:00:00:06", {-65}),
        heard("@SUM(A1)", "00:1b:63:00:00:07", {-75}),
        heard("Caf\xc3\xa9 \xe2\x98\x95 \xe6\x97\xa5\xe6\x9c\xac", "00:1b:63:00:00:08", {-85}),
        heard("\t=1+2", "00:1b:63:00:00:09", {-45}),
        heard("\r@A1", "00:1b:63:00:00:0a", {-44}),
    };
    // The colour column is never written; hidden columns are, in table order.
    const QStringList ids = {"IS_USER_HIDDEN", "SSID", "BSSID", "RSSI", "NOISE_MIN", "SNR", "CHANNEL_BAND",
                             "MAX_RATE", "CHANNEL_UTILIZATION"};
    QTemporaryDir dir;
    const auto snapshot = csvExportSnapshot(dir.filePath("out.csv"), networks, ids, 1);
    QString error;
    ASSERT_TRUE(writeCSVExport(snapshot, &error)) << error.toStdString();
    const QByteArray expected =
        "SSID,BSSID,Signal (dBm),Noise Min (dBm),SNR (dB),Band,Max Rate (Mbps),Channel Utilization (%)\n"
        "plain,00:1B:63:00:00:01,-67,-90,23,2.4 GHz,54,\n"
        "\"a,\"\"b\"\"\",00:1B:63:00:00:02,-60,-90,30,2.4 GHz,54,\n"
        "\"line\nbreak\",00:1B:63:00:00:03,-80,-90,10,2.4 GHz,54,\n"
        "\"'=HYPERLINK(\"\"x\"\")\",00:1B:63:00:00:04,-50,-90,40,2.4 GHz,54,\n"
        "\"'+1\",00:1B:63:00:00:05,-55,-90,35,2.4 GHz,54,\n"
        "\"'-2\",00:1B:63:00:00:06,-65,-90,25,2.4 GHz,54,\n"
        "\"'@SUM(A1)\",00:1B:63:00:00:07,-75,-90,15,2.4 GHz,54,\n"
        "Caf\xc3\xa9 \xe2\x98\x95 \xe6\x97\xa5\xe6\x9c\xac,00:1B:63:00:00:08,-85,-90,5,2.4 GHz,54,\n"
        "\"'\t=1+2\",00:1B:63:00:00:09,-45,-90,45,2.4 GHz,54,\n"
        "\"'\r@A1\",00:1B:63:00:00:0A,-44,-90,46,2.4 GHz,54,\n";
    EXPECT_EQ(sv::test::readAll(dir.filePath("out.csv")).toStdString(), expected.toStdString());

    // Percent units: level titles and values change, SNR stays in dB.
    const auto percent = csvExportSnapshot(QString(), {networks[0]}, {"RSSI", "NOISE_MIN", "SNR"}, 0);
    EXPECT_EQ(csvExportData(percent), "Signal (%),Noise Min (%),SNR (dB)\n55,8,23\n");
}

TEST(CSVExport, EmptyListWritesTheHeaderAndALineFeed)
{
    const auto snapshot = csvExportSnapshot(QString(), {}, {"BSSID", "SSID"}, 1);
    EXPECT_EQ(csvExportData(snapshot), "BSSID,SSID\n");
}

TEST(CSVExport, FailedWriteKeepsTheOldFileAndSaysWhy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("missing/out.csv");
    QString error;
    EXPECT_FALSE(writeCSVExport(csvExportSnapshot(path, {}, {"BSSID"}, 1), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST(CSVExport, DefaultFileName)
{
    const QDateTime when(QDate(2026, 12, 10), QTime(21, 5, 9), Qt::LocalTime);
    EXPECT_EQ(defaultCSVExportFileName("1.2", when), "skyvane-1.2_20261210_210509.csv");
}

// ---- annotations ----

struct Store {
    QTemporaryDir dir;
    SVAnnotationsHelper store{dir.path()};
    Store() { store.readFromDisk(); }
};

TEST(AnnotationsCSV, RoundTripKeepsEveryText)
{
    const QMap<QString, QString> notes = {
        {"00:1B:63:00:00:02", "kitchen, upstairs"},
        {"00:1B:63:00:00:01", "the \"good\" one"},
        {"00:1B:63:00:00:03", "=cmd|' /C calc'!A0"},
        {"00:1B:63:00:00:04", "'-already quoted"},
        {"00:1B:63:00:00:05", "Caf\u00e9 \u65e5\u672c\nsecond line"},
        {"00:1B:63:00:00:06", "-"},
    };
    const QByteArray data = annotationsCSVData(notes);
    EXPECT_TRUE(data.startsWith("00:1B:63:00:00:01,\"the \"\"good\"\" one\"\n"
                                "00:1B:63:00:00:02,\"kitchen, upstairs\"\n"
                                "00:1B:63:00:00:03,\"'=cmd|' /C calc'!A0\"\n"
                                "00:1B:63:00:00:04,\"''-already quoted\"\n"))
        << data.toStdString();
    EXPECT_TRUE(data.endsWith("00:1B:63:00:00:06,\"'-\"\n")) << data.toStdString();

    Store s;
    const SVAnnotationsImport import = parseAnnotationsCSV(QString::fromUtf8(data));
    ASSERT_EQ(import.refusal, SVAnnotationsImport::Refusal::None);
    const SVAnnotationsImportCounts counts = importAnnotations(s.store, import);
    EXPECT_EQ(s.store.annotations(), notes);
    EXPECT_EQ(counts.added, 6);
    EXPECT_EQ(counts.skipped, 0);

    EXPECT_EQ(annotationsCSVData({}), "\n");
    EXPECT_EQ(parseAnnotationsCSV("\n").entries.size(), 0);
}

TEST(AnnotationsCSV, ImportAddsReplacesRemovesAndSkips)
{
    Store s;
    s.store.setAnnotationsForNetwork("00:1B:63:00:00:01", "old");
    s.store.setAnnotationsForNetwork("00:1B:63:00:00:02", "stays removed");
    s.store.setAnnotationsForNetwork("00:1B:63:00:00:03", "untouched");
    s.store.setAnnotationsForNetwork("00:1B:63:00:00:04", "blanked");
    const QString file = "0:1b:63:0:0:1,\"new\"\n"   // lower case, short octets: the same BSSID
                         "00:1B:63:00:00:02\n"        // no annotation: removes it
                         "00:1b:63:00:00:04,\"   \"\n" // only spaces: removes it
                         "00:1B:63:00:00:05,\"fresh\"\n"
                         "not a bssid,\"x\"\n"
                         "Kitchen,\"y\"\n";
    const SVAnnotationsImport import = parseAnnotationsCSV(file);
    ASSERT_EQ(import.refusal, SVAnnotationsImport::Refusal::None);
    const SVAnnotationsImportCounts c = importAnnotations(s.store, import);
    EXPECT_EQ(c.added, 1);
    EXPECT_EQ(c.replaced, 1);
    EXPECT_EQ(c.removed, 2);
    EXPECT_EQ(c.skipped, 2);
    const QMap<QString, QString> expected = {
        {"00:1B:63:00:00:01", "new"}, {"00:1B:63:00:00:03", "untouched"}, {"00:1B:63:00:00:05", "fresh"}};
    EXPECT_EQ(s.store.annotations(), expected);
}

TEST(AnnotationsCSV, RefusedFilesChangeNothing)
{
    // A network export: its BSSID,SSID pairs must never become annotations.
    const SVNetworkList networks = {heard("plain", "00:1b:63:00:00:01", {-70})};
    const QString networkCsv = QString::fromUtf8(
        csvExportData(csvExportSnapshot(QString(), networks, {"BSSID", "SSID", "RSSI", "CHANNEL"}, 1)));
    struct Case { const char* what; QString text; SVAnnotationsImport::Refusal refusal; int line; };
    const Case cases[] = {
        {"network CSV", networkCsv, SVAnnotationsImport::Refusal::NotAnnotations, 0},
        {"text after a closing quote", "00:1B:63:00:00:01,\"a\"\n00:1B:63:00:00:02,\"b\"junk\n",
         SVAnnotationsImport::Refusal::Malformed, 2},
        {"unclosed quote", "00:1B:63:00:00:01,\"a\n", SVAnnotationsImport::Refusal::Malformed, 1},
        {"begins with an empty line", "\n00:1B:63:00:00:01,\"a\"\n", SVAnnotationsImport::Refusal::Malformed, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const SVAnnotationsImport import = parseAnnotationsCSV(c.text);
        EXPECT_EQ(import.refusal, c.refusal);
        EXPECT_TRUE(import.entries.isEmpty());
        if (c.line) {
            EXPECT_EQ(import.line, c.line);
        }
    }
}

} // namespace
