#pragma once

#include <QString>

// The keys of a scan dictionary, the map each scan result becomes
// (CWNetworkUtil::dictionary) and every record keeps as its network().
namespace SVScanKey {
inline const QString Bssid = QStringLiteral("bssid");
inline const QString ChannelNumber = QStringLiteral("channelNumber");
inline const QString Ssid = QStringLiteral("ssid");                 // only when the scan gave one
inline const QString RssiValue = QStringLiteral("rssiValue");       // dBm
inline const QString NoiseMeasurement = QStringLiteral("noiseMeasurement"); // dBm
inline const QString InformationElementData = QStringLiteral("informationElementData"); // only when given
inline const QString Ibss = QStringLiteral("ibss");
inline const QString BeaconInterval = QStringLiteral("beaconInterval");
inline const QString PhyMode = QStringLiteral("phyMode");
inline const QString SecurityMode = QStringLiteral("securityMode");
} // namespace SVScanKey
