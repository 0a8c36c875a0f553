#include <gtest/gtest.h>

#include "app/SVDefaults.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <limits>

using sv::UserDefaults;

TEST(Defaults, EveryKeyRegistersWithItsTypeAndDefault)
{
    struct Case {
        const char* key;
        QVariant value;
    };
    const Case cases[] = {
        {"Sensitivity", 100}, {"Units", 0}, {"ShowAdHoc", true}, {"ShowSecure", true},
        {"AutoScan", true}, {"DeleteIfNotSeen", true}, {"MaxElapsedTimeNotSeen", 3},
        {"HighlightAssociatedNetwork", true}, {"Metric", 0}, {"SignalStrengthViewTimescale", 300},
        {"NetworkSignalStrengthViewTimescale", 300}, {"QuickFilterSelectedItem", 0},
        {"FilterString", QString()}, {"SaveAlertSupressionButton", 0},
        {"UpdateAlertSuppressionButton", 0}, {"SelectedScanInterval", 1}, {"HideDFSChannels", false},
        {"HideChannelGraphs", false}, {"NetworksViewFontSize", 11.0},
        {"AdvancedDetailsViewFontSize", 12.0}, {"SideViewFontSize", 11.0}, {"ShowNetworkLabel", true},
    };
    QTemporaryDir dir;
    UserDefaults d(dir.filePath("s.conf"));
    loadDefaults(d);

    const QVariantMap registered = d.registeredDefaults();
    EXPECT_EQ(registered.size(), int(std::size(cases)));
    QSet<QString> tableKeys;
    for (const SVRegisteredDefault& entry : registeredDefaultsTable()) {
        tableKeys.insert(entry.key);
        EXPECT_EQ(entry.value.typeId(), int(entry.type)) << entry.key.toStdString();
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(tableKeys.contains(c.key));
        const QVariant v = d.objectForKey(c.key);
        ASSERT_TRUE(v.isValid());
        EXPECT_EQ(v.typeId(), c.value.typeId());
        EXPECT_EQ(v, c.value);
    }
    // Keys outside the table stay absent.
    for (const char* key : {"InterfaceName", "RanOnce", "WindowFrame", "SignalStrengthThreshold"})
        EXPECT_FALSE(d.objectForKey(key).isValid()) << key;
}

TEST(Defaults, LoadedValuesFollowTheStore)
{
    QTemporaryDir dir;
    UserDefaults d(dir.filePath("s.conf"));
    SVLoadedDefaults first = loadDefaults(d);
    EXPECT_EQ(first.units, 0);
    EXPECT_TRUE(first.highlightAssociatedNetwork);
    EXPECT_EQ(first.maxLastSeenElapsedSeconds, 300);
    EXPECT_DOUBLE_EQ(first.networksViewFontSize, 11.0);

    d.setInteger(1, "Units");
    d.setBool(false, "HighlightAssociatedNetwork");
    d.setInteger(2, "QuickFilterSelectedItem");
    d.setInteger(6, "MaxElapsedTimeNotSeen");
    SVLoadedDefaults second = loadDefaults(d);
    EXPECT_EQ(second.units, 1);
    EXPECT_FALSE(second.highlightAssociatedNetwork);
    EXPECT_EQ(second.quickFilterSelectedItem, 2);
    EXPECT_EQ(second.maxLastSeenElapsedSeconds, 7200);
    d.setBool(false, "DeleteIfNotSeen");
    EXPECT_EQ(loadDefaults(d).maxLastSeenElapsedSeconds, kOneYearSeconds);
}

TEST(Defaults, DropLimitByIndex)
{
    const std::pair<qint64, qint64> cases[] = {{0, kOneYearSeconds}, {1, 60}, {2, 120}, {3, 300},
                                               {4, 1800}, {5, 3600}, {6, 7200}, {7, kOneYearSeconds},
                                               {-1, kOneYearSeconds}};
    for (auto [index, limit] : cases) {
        EXPECT_EQ(maxLastSeenElapsedSecondsFor(index, true), limit) << index;
        EXPECT_EQ(maxLastSeenElapsedSecondsFor(index, false), kOneYearSeconds) << index;
    }
}

TEST(Defaults, FontSizesAreClampedAndWrittenBack)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    {
        UserDefaults d(file);
        d.setDouble(30.0, "NetworksViewFontSize");
        d.setDouble(9.0, "AdvancedDetailsViewFontSize");
        d.setString("large", "SideViewFontSize"); // not a number: read as the default
        const SVLoadedDefaults loaded = loadDefaults(d);
        EXPECT_DOUBLE_EQ(loaded.networksViewFontSize, 18.0);
        EXPECT_DOUBLE_EQ(loaded.advancedDetailsViewFontSize, 10.0);
        EXPECT_DOUBLE_EQ(loaded.sideViewFontSize, 11.0);
        ASSERT_TRUE(d.synchronize());
    }
    UserDefaults reopened(file);
    EXPECT_DOUBLE_EQ(reopened.doubleForKey("NetworksViewFontSize"), 18.0);
    EXPECT_DOUBLE_EQ(reopened.doubleForKey("AdvancedDetailsViewFontSize"), 10.0);

    // Smaller text at the lower bound of one size still moves the others.
    reopened.setDouble(9.0, "NetworksViewFontSize");
    reopened.setDouble(12.0, "AdvancedDetailsViewFontSize");
    changeFontSizes(reopened, -1.0);
    EXPECT_DOUBLE_EQ(reopened.doubleForKey("NetworksViewFontSize"), 9.0);
    EXPECT_DOUBLE_EQ(reopened.doubleForKey("AdvancedDetailsViewFontSize"), 11.0);
}

TEST(Defaults, ThresholdSliderFollowsUnits)
{
    const SVThresholdSliderRange percent = thresholdSliderRange(0);
    EXPECT_EQ(percent.maximum, 100);
    EXPECT_EQ(percent.tickMarks, 11);
    const SVThresholdSliderRange dbm = thresholdSliderRange(1);
    EXPECT_EQ(dbm.maximum, 90);
    EXPECT_EQ(dbm.tickMarks, 10);
    EXPECT_EQ(dbm.minimum, 0);
}

// The controller reads its integer settings within their ranges: values a
// settings file may hold that no control writes read as the default.
TEST(Defaults, IntegerSettingsOutsideTheirRangeReadAsTheDefault)
{
    struct Case {
        const char* key;
        QVariant stored;
        qint64 read;
    } cases[] = {
        {"Sensitivity", 70, 70},
        {"Sensitivity", 60, 60},
        {"Sensitivity", 100, 100},
        {"Sensitivity", 0, 100}, // a cut at 0 dBm would hide every network
        {"Sensitivity", 30, 100},
        {"Sensitivity", 101, 100},
        {"Sensitivity", QString(), 100},
        {"Sensitivity", QStringLiteral("abc"), 100},
        {"Sensitivity", QStringLiteral("1e23"), 100},
        {"Sensitivity", QStringLiteral("1e308"), 100},
        {"Sensitivity", QVariant(std::numeric_limits<qint64>::min()), 100},
        {"Sensitivity", -1, 100},
        {"Units", 1, 1},
        {"Units", 7, 0},
        {"QuickFilterSelectedItem", -3, 0},
        {"Metric", 3, 0},
        {"SelectedScanInterval", 9, 1},
        {"SignalStrengthViewTimescale", QStringLiteral("nan"), 300},
        {"MaxElapsedTimeNotSeen", 99, 99}, // its own rule gives any index a limit
    };
    QTemporaryDir dir;
    UserDefaults d(dir.filePath("s.conf"));
    loadDefaults(d);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + (" = " + c.stored.toString().toStdString()));
        d.setObject(c.stored, c.key);
        EXPECT_EQ(d.integerForKey(c.key), c.read);
    }
    d.setInteger(7, "Units");
    d.setInteger(9, "QuickFilterSelectedItem");
    const SVLoadedDefaults loaded = loadDefaults(d);
    EXPECT_EQ(loaded.units, 0);
    EXPECT_EQ(loaded.quickFilterSelectedItem, 0);
}

// A settings file that cannot be read at start may become readable while the
// application runs: the defaults it registered and the values it derived from
// them meanwhile never replace what the file holds; what the user changed does.
TEST(Defaults, AFileReadableOnlyLaterKeepsItsValues)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    ASSERT_TRUE(QDir().mkpath(file)); // cannot be read, even by root
    UserDefaults d(file);
    EXPECT_FALSE(d.readError().isEmpty());
    const SVLoadedDefaults loaded = loadDefaults(d);
    EXPECT_DOUBLE_EQ(loaded.networksViewFontSize, 11.0);
    // What the view state is saved as at sleep and at quit, unchanged.
    d.setInteger(0, "QuickFilterSelectedItem");
    d.setInteger(0, "Metric");
    d.setInteger(300, "SignalStrengthViewTimescale");
    changeFontSizes(d, 0.0);
    d.setInteger(1, "Units"); // the user's own change
    EXPECT_FALSE(d.synchronize());

    ASSERT_TRUE(QDir(file).removeRecursively());
    {
        UserDefaults before(file);
        before.setDouble(14.0, "NetworksViewFontSize");
        before.setInteger(2, "QuickFilterSelectedItem");
        before.setInteger(2, "Metric");
        before.setInteger(600, "SignalStrengthViewTimescale");
        ASSERT_TRUE(before.synchronize());
    }
    EXPECT_TRUE(d.synchronize());
    UserDefaults reread(file);
    loadDefaults(reread);
    EXPECT_DOUBLE_EQ(reread.doubleForKey("NetworksViewFontSize"), 14.0);
    EXPECT_EQ(reread.integerForKey("QuickFilterSelectedItem"), 2);
    EXPECT_EQ(reread.integerForKey("Metric"), 2);
    EXPECT_EQ(reread.integerForKey("SignalStrengthViewTimescale"), 600);
    EXPECT_EQ(reread.integerForKey("Units"), 1);
}
