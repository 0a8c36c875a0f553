#include <gtest/gtest.h>

#include "app/SVDefaults.h"
#include "platform/UserDefaults.h"

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
        d.setString("large", "SideViewFontSize"); // not a number: read as 0
        const SVLoadedDefaults loaded = loadDefaults(d);
        EXPECT_DOUBLE_EQ(loaded.networksViewFontSize, 18.0);
        EXPECT_DOUBLE_EQ(loaded.advancedDetailsViewFontSize, 10.0);
        EXPECT_DOUBLE_EQ(loaded.sideViewFontSize, 9.0);
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
        {"Sensitivity", 0, 0},
        {"Sensitivity", QStringLiteral("1e23"), 100},
        {"Sensitivity", QStringLiteral("1e308"), 100},
        {"Sensitivity", QVariant(std::numeric_limits<qint64>::min()), 100},
        {"Sensitivity", -1, 100},
        {"Sensitivity", 201, 100},
        {"Units", 1, 1},
        {"Units", 7, 0},
        {"QuickFilterSelectedItem", -3, 0},
        {"SignalStrengthViewTimescale", QStringLiteral("nan"), 300},
        {"MaxElapsedTimeNotSeen", 99, 99}, // its own rule gives any index a limit
    };
    QTemporaryDir dir;
    UserDefaults d(dir.filePath("s.conf"));
    loadDefaults(d);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + (" = " + c.stored.toString().toStdString()));
        d.setObject(c.stored, c.key);
        EXPECT_EQ(integerSetting(d, c.key), c.read);
    }
    d.setInteger(7, "Units");
    d.setInteger(9, "QuickFilterSelectedItem");
    const SVLoadedDefaults loaded = loadDefaults(d);
    EXPECT_EQ(loaded.units, 0);
    EXPECT_EQ(loaded.quickFilterSelectedItem, 0);
}
