#include "platform/wlan/CWChannel.h"

CWChannel CWChannel::fromFrequency(int mhz, int width)
{
    if (mhz == 2484)
        return CWChannel(14, kCWChannelBand2GHz, width);
    if (mhz >= 2412 && mhz < 2484 && (mhz - 2407) % 5 == 0)
        return CWChannel((mhz - 2407) / 5, kCWChannelBand2GHz, width);
    // 5 GHz channels 32..177 (5160..5885 MHz), and the Japanese 182..196
    // (4910..4980 MHz) that radios list in the same band. 6 GHz channels reuse
    // the low numbers and must not pass for 5 GHz.
    if (mhz >= 5160 && mhz <= 5885 && (mhz - 5000) % 5 == 0)
        return CWChannel((mhz - 5000) / 5, kCWChannelBand5GHz, width);
    if (mhz >= 4910 && mhz <= 4980 && (mhz - 4000) % 5 == 0)
        return CWChannel((mhz - 4000) / 5, kCWChannelBand5GHz, width);
    return CWChannel(0, kCWChannelBandUnknown, width);
}

int CWChannel::bandForChannelNumber(int number)
{
    if (number <= 0)
        return kCWChannelBandUnknown;
    return isChannelIn5GHzBand(number) ? kCWChannelBand5GHz : kCWChannelBand2GHz;
}
