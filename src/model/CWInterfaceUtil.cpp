#include "model/CWInterfaceUtil.h"

namespace CWInterfaceUtil {

bool isAssociated(const CWInterface& wifi)
{
    const QString bssid = wifi.bssid();
    return !bssid.isEmpty() && bssid.compare(QLatin1String("00:00:00:00:00:00"), Qt::CaseInsensitive) != 0;
}

int channelBand(const CWInterface& wifi)
{
    const auto channel = wifi.wlanChannel();
    return channel ? channel->channelBand() : kCWChannelBandUnknown;
}

int channelWidthForCode(int code)
{
    static constexpr int kWidths[] = {0, 20, 40, 80, 160};
    return code >= 1 && code <= 4 ? kWidths[code] : -1;
}

int channelWidth(const CWInterface& wifi)
{
    const auto channel = wifi.wlanChannel();
    return channelWidthForCode(channel ? channel->channelWidth() : 0);
}

} // namespace CWInterfaceUtil
