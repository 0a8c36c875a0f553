#pragma once

#include <QString>

// Every settings key, for every layer. The first group is registered by
// loadDefaults (app/SVDefaults); the second never is, so a missing value
// reads as NO, 0 or empty until first written.
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
inline const QString RecentDocuments = QStringLiteral("RecentDocuments");
inline const QString AutoUpdateVendorsDatabase = QStringLiteral("AutoUpdateVendorsDatabase");
inline const QString LastVendorsDatabaseCheck = QStringLiteral("LastVendorsDatabaseCheck");
inline const QString VendorsDatabaseURL = QStringLiteral("VendorsDatabaseURL"); // where updates come from; tests point it at a local server
inline const QString Annotations = QStringLiteral("Annotations");
inline const QString DisplayAnnotations = QStringLiteral("DisplayAnnotations");
inline const QString MoveToApplicationsFolderAlertSuppress = QStringLiteral("moveToApplicationsFolderAlertSuppress");
} // namespace SVDefaultsKey
