#include "model/CWNetworkUtil.h"

#include <limits>

namespace CWNetworkUtil {

QVariantMap dictionary(const CWNetwork& network)
{
    QVariantMap d;
    d.insert(QStringLiteral("bssid"), network.bssid());
    d.insert(QStringLiteral("channelNumber"), network.wlanChannel().channelNumber());
    if (!network.ssid().isNull())
        d.insert(QStringLiteral("ssid"), network.ssid());
    d.insert(QStringLiteral("rssiValue"), network.rssiValue());
    d.insert(QStringLiteral("noiseMeasurement"), network.noiseMeasurement());
    if (!network.informationElementData().isNull())
        d.insert(QStringLiteral("informationElementData"), network.informationElementData());
    d.insert(QStringLiteral("ibss"), network.ibss());
    d.insert(QStringLiteral("beaconInterval"), network.beaconInterval());
    d.insert(QStringLiteral("phyMode"), 0);
    d.insert(QStringLiteral("securityMode"), network.supportsSecurity(kCWSecurityWEP)
                                                 ? qint64(1)
                                                 : std::numeric_limits<qint64>::max());
    return d;
}

} // namespace CWNetworkUtil
