#include "platform/wlan/WlanElements.h"

#include "platform/wlan/CWChannel.h"
#include "platform/wlan/ElementWalk.h"

#include <cstdlib>

namespace sv::wlan {

std::optional<QByteArray> findElement(const QByteArray& elements, unsigned id)
{
    for (const Element& e : ElementWalk(elements))
        if (e.id == id)
            return e.body.toByteArray();
    return std::nullopt;
}

bool hasVendorElement(const QByteArray& elements, const QByteArray& oui, unsigned type)
{
    for (const Element& e : ElementWalk(elements))
        if (e.id == kVendorSpecific && e.body.size() >= 4 && e.body.first(3) == oui && quint8(e.body[3]) == type)
            return true;
    return false;
}

bool hasWpaOrRsn(const QByteArray& elements)
{
    return findElement(elements, kRSN).has_value() || hasVendorElement(elements, QByteArray("\x00\x50\xF2", 3), 1);
}

int channelWidthFromElements(const QByteArray& elements)
{
    int width = kCWChannelWidthUnknown;
    if (auto ht = findElement(elements, kHTOperation); ht && ht->size() >= 2) {
        const auto info = static_cast<unsigned char>((*ht)[1]);
        const bool secondary = (info & 0x03) == 1 || (info & 0x03) == 3;
        width = (secondary && (info & 0x04)) ? kCWChannelWidth40MHz : kCWChannelWidth20MHz;
    }
    if (auto vht = findElement(elements, kVHTOperation); vht && vht->size() >= 3) {
        const auto byte = [&](int i) { return static_cast<quint8>((*vht)[i]); };
        if (const int announced = vhtOperationWidth(byte(0), byte(1), byte(2)))
            width = announced;
    }
    return width;
}

int vhtOperationWidth(quint8 width, quint8 center0, quint8 center1)
{
    switch (width) {
    case 1:
        if (center1 != 0) {
            const int distance = std::abs(int(center1) - int(center0));
            if (distance == 8)
                return kCWChannelWidth160MHz;
            if (distance > 16)
                return kCWChannelWidth80Plus80MHz;
        }
        return kCWChannelWidth80MHz;
    case 2: return kCWChannelWidth160MHz;
    case 3: return kCWChannelWidth80Plus80MHz;
    default: return kCWChannelWidthUnknown;
    }
}

} // namespace sv::wlan
