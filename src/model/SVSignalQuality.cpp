#include "model/SVSignalQuality.h"

namespace sv {

qint64 signalQualityPercentUnclamped(qint64 dBm)
{
    if (dBm == -120 || dBm < -96)
        return 0;
    if (dBm > -20)
        return 100;
    const qint64 d = -20 - dBm;
    return (422500 - (65 * d + 975) * d) / 4225;
}

qint64 signalQualityPercent(qint64 dBm)
{
    const qint64 q = signalQualityPercentUnclamped(dBm);
    if (q > 100)
        return 100;
    if (q == 0)
        return 0;
    if (q < 0)
        return 1;
    return q;
}

} // namespace sv
