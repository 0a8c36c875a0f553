#pragma once

#include "model/SVScanMerge.h"

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <limits>
#include <span>

namespace sv {
class UserDefaults;
}

// Settings keys. The first group is registered by loadDefaults; the second
// never is, so a missing value reads as NO, 0 or empty until first written.
namespace SVDefaultsKey {
inline const QString Sensitivity = QStringLiteral("Sensitivity");
inline const QString Units = QStringLiteral("Units");
inline const QString ShowAdHoc = QStringLiteral("ShowAdHoc");
inline const QString ShowSecure = QStringLiteral("ShowSecure");
inline const QString AutoScan = QStringLiteral("AutoScan");
inline const QString DeleteIfNotSeen = QStringLiteral("DeleteIfNotSeen");
inline const QString MaxElapsedTimeNotSeen = QStringLiteral("MaxElapsedTimeNotSeen");
inline const QString HighlightAssociatedNetwork = QStringLiteral("HighlightAssociatedNetwork");
inline const QString Metric = QStringLiteral("Metric");
inline const QString SignalStrengthViewTimescale = QStringLiteral("SignalStrengthViewTimescale");
inline const QString NetworkSignalStrengthViewTimescale = QStringLiteral("NetworkSignalStrengthViewTimescale");
inline const QString QuickFilterSelectedItem = QStringLiteral("QuickFilterSelectedItem");
inline const QString FilterString = QStringLiteral("FilterString");
inline const QString SaveAlertSupressionButton = QStringLiteral("SaveAlertSupressionButton");
inline const QString UpdateAlertSuppressionButton = QStringLiteral("UpdateAlertSuppressionButton");
inline const QString SelectedScanInterval = QStringLiteral("SelectedScanInterval");
inline const QString HideDFSChannels = QStringLiteral("HideDFSChannels");
inline const QString HideChannelGraphs = QStringLiteral("HideChannelGraphs");
inline const QString NetworksViewFontSize = QStringLiteral("NetworksViewFontSize");
inline const QString AdvancedDetailsViewFontSize = QStringLiteral("AdvancedDetailsViewFontSize");
inline const QString SideViewFontSize = QStringLiteral("SideViewFontSize");
inline const QString ShowNetworkLabel = QStringLiteral("ShowNetworkLabel");

inline const QString InterfaceName = QStringLiteral("InterfaceName");
inline const QString RanOnce = QStringLiteral("RanOnce");
inline const QString WindowFrame = QStringLiteral("WindowFrame");
inline const QString LastLaunchedVersion = QStringLiteral("LastLaunchedVersion");
inline const QString SelectedTabViewIdentifier = QStringLiteral("SelectedTabViewIdentifier");
inline const QString SideViewExpandedItems = QStringLiteral("SideViewExpandedItems");
inline const QString SignalStrengthThreshold = QStringLiteral("SignalStrengthThreshold");
inline const QString UserDefinedColors = QStringLiteral("UserDefinedColors");
inline const QString SpeakOn = QStringLiteral("SpeakOn");
inline const QString SpeakWhenOnBackground = QStringLiteral("SpeakWhenOnBackground");
inline const QString SpeakIntervalInSeconds = QStringLiteral("SpeakIntervalInSeconds");
inline const QString OrganizeNetworksBy = QStringLiteral("OrganizeNetworksBy");
inline const QString RecentFilters = QStringLiteral("RecentFilters");
inline const QString AutoUpdateVendorsDatabase = QStringLiteral("AutoUpdateVendorsDatabase");
inline const QString LastVendorsDatabaseCheck = QStringLiteral("LastVendorsDatabaseCheck");
inline const QString Annotations = QStringLiteral("Annotations");
inline const QString DisplayAnnotations = QStringLiteral("DisplayAnnotations");
inline const QString MoveToApplicationsFolderAlertSuppress = QStringLiteral("moveToApplicationsFolderAlertSuppress");
} // namespace SVDefaultsKey

// One registered setting: its key, the type it is read as, and its default;
// for integers also the range a stored value must lie in (outside it, or
// when it is no number, the setting reads as its default).
struct SVRegisteredDefault {
    QString key;
    QMetaType::Type type;
    QVariant value;
    qint64 minimum = std::numeric_limits<qint64>::min();
    qint64 maximum = std::numeric_limits<qint64>::max();
};

// Every registered setting, in one table.
std::span<const SVRegisteredDefault> registeredDefaultsTable();

// Registers every default and the ranges of the integer settings.
void registerDefaults(sv::UserDefaults& defaults);

// What loadDefaults hands the controller.
struct SVLoadedDefaults {
    int units = 0; // 0 percent, otherwise dBm
    bool highlightAssociatedNetwork = false;
    qint64 maxLastSeenElapsedSeconds = kOneYearSeconds;
    int quickFilterSelectedItem = 0;
    double networksViewFontSize = 11.0;
    double advancedDetailsViewFontSize = 12.0;
    double sideViewFontSize = 11.0;
};

// Registers every default, reads the settings the controller keeps, and
// clamps the font sizes (writing the clamped values back).
SVLoadedDefaults loadDefaults(sv::UserDefaults& defaults);

// Adds delta to each font size and writes them back within their bounds
// (the View menu's bigger and smaller text commands).
void changeFontSizes(sv::UserDefaults& defaults, double delta);

// The signal threshold slider for a units setting.
struct SVThresholdSliderRange {
    int minimum;
    int maximum;
    int tickMarks;
};
SVThresholdSliderRange thresholdSliderRange(int units);
