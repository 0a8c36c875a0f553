#pragma once

#include "model/SVScanDictionary.h"
#include "platform/wlan/CWNetwork.h"

#include <QVariantMap>

namespace CWNetworkUtil {

// The scan dictionary of one network: "bssid", "channelNumber", "ssid" (when
// given), "rssiValue", "noiseMeasurement", "informationElementData" (when
// given), "ibss", "beaconInterval", "phyMode" (0) and "securityMode" (1 for
// WEP, else the largest qint64).
QVariantMap dictionary(const CWNetwork& network);

} // namespace CWNetworkUtil
