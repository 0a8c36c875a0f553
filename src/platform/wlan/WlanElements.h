#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

namespace sv::wlan {

// Walks 802.11 elements (ID, length, body). A last element whose length runs
// past the end is not reported. Returns false when the walk stopped early for
// that reason.
bool forEachElement(const QByteArray& elements, const std::function<bool(unsigned id, QByteArray body)>& visit);

// The body of the first element with this ID, if any.
std::optional<QByteArray> findElement(const QByteArray& elements, unsigned id);

// Whether a vendor-specific element with this OUI and type is present.
bool hasVendorElement(const QByteArray& elements, const QByteArray& oui, unsigned type);

// The WPA or RSN element is present (security beyond WEP).
bool hasWpaOrRsn(const QByteArray& elements);

// Width code (CWChannelWidth) from the HT and VHT operation elements; 20 MHz
// when neither widens the channel; kCWChannelWidthUnknown without either.
int channelWidthFromElements(const QByteArray& elements);

} // namespace sv::wlan
