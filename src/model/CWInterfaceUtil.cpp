#include "model/CWInterfaceUtil.h"

namespace CWInterfaceUtil {

bool isAssociated(const CWLinkState& link)
{
    return !link.bssid.isEmpty() && link.bssid.compare(QLatin1String("00:00:00:00:00:00"), Qt::CaseInsensitive) != 0;
}

bool isAssociated(const CWInterface& wifi) { return isAssociated(wifi.linkState()); }

int channelBand(const CWLinkState& link)
{
    return link.channel ? link.channel->channelBand() : kCWChannelBandUnknown;
}

int channelBand(const CWInterface& wifi) { return channelBand(wifi.linkState()); }

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
