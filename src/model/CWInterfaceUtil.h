#pragma once

#include "platform/wlan/CWInterface.h"

namespace CWInterfaceUtil {

// A BSSID other than 00:00:00:00:00:00 is reported.
bool isAssociated(const CWInterface& wifi);
bool isAssociated(const CWLinkState& link);
// Band value of the current channel (0 unknown, 1 2.4 GHz, 2 5 GHz).
int channelBand(const CWInterface& wifi);
int channelBand(const CWLinkState& link);
// Width of the current channel in MHz; -1 for none or an unknown code.
int channelWidth(const CWInterface& wifi);
int channelWidthForCode(int code);

} // namespace CWInterfaceUtil
