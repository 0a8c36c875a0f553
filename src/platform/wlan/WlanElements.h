#pragma once

#include <QByteArray>

#include <optional>

namespace sv::wlan {

// The body of the first element with this ID, if any (see ElementWalk.h).
std::optional<QByteArray> findElement(const QByteArray& elements, unsigned id);

// Whether a vendor-specific element with this OUI and type is present.
bool hasVendorElement(const QByteArray& elements, const QByteArray& oui, unsigned type);

// The WPA or RSN element is present (security beyond WEP).
bool hasWpaOrRsn(const QByteArray& elements);

// Width code (CWChannelWidth) from the HT and VHT operation elements; 20 MHz
// when neither widens the channel; kCWChannelWidthUnknown without either.
int channelWidthFromElements(const QByteArray& elements);

// The width code a VHT Operation element's width byte and centre segments
// announce: 80, 160 or 80+80 MHz; kCWChannelWidthUnknown for 20 or 40 MHz
// (byte 0) and reserved bytes, which leave the HT width. Width byte 1 with a
// second centre names 160 MHz (8 channels from the first) or 80+80 MHz
// (more than 16 away).
int vhtOperationWidth(quint8 width, quint8 center0, quint8 center1);

} // namespace sv::wlan
