#include "model/CWNetworkUtil.h"

#include <limits>

namespace CWNetworkUtil {

QVariantMap dictionary(const CWNetwork& network)
{
    QVariantMap d;
    d.insert(SVScanKey::Bssid, network.bssid());
    d.insert(SVScanKey::ChannelNumber, network.wlanChannel().channelNumber());
    if (!network.ssid().isNull())
        d.insert(SVScanKey::Ssid, network.ssid());
    d.insert(SVScanKey::RssiValue, network.rssiValue());
    d.insert(SVScanKey::NoiseMeasurement, network.noiseMeasurement());
    if (!network.informationElementData().isNull())
        d.insert(SVScanKey::InformationElementData, network.informationElementData());
    d.insert(SVScanKey::Ibss, network.ibss());
    d.insert(SVScanKey::BeaconInterval, network.beaconInterval());
    d.insert(SVScanKey::PhyMode, 0);
    d.insert(SVScanKey::SecurityMode,
             network.supportsSecurity(kCWSecurityWEP) ? qint64(1) : std::numeric_limits<qint64>::max());
    return d;
}

} // namespace CWNetworkUtil
