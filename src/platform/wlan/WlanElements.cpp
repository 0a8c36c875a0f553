#include "platform/wlan/WlanElements.h"

#include "platform/wlan/CWChannel.h"

#include <cstdlib>

namespace sv::wlan {

namespace {
constexpr unsigned kRsn = 48;
constexpr unsigned kHtOperation = 61;
constexpr unsigned kVhtOperation = 192;
constexpr unsigned kVendorSpecific = 221;
}

bool forEachElement(const QByteArray& elements, const std::function<bool(unsigned, QByteArray)>& visit)
{
    const auto* p = reinterpret_cast<const unsigned char*>(elements.constData());
    const qsizetype n = elements.size();
    qsizetype i = 0;
    while (i + 2 <= n) {
        const unsigned id = p[i];
        const qsizetype len = p[i + 1];
        if (i + 2 + len > n)
            return false;
        if (!visit(id, elements.mid(i + 2, len)))
            return true;
        i += 2 + len;
    }
    return i == n;
}

std::optional<QByteArray> findElement(const QByteArray& elements, unsigned id)
{
    std::optional<QByteArray> found;
    forEachElement(elements, [&](unsigned eid, QByteArray body) {
        if (eid != id)
            return true;
        found = std::move(body);
        return false;
    });
    return found;
}

bool hasVendorElement(const QByteArray& elements, const QByteArray& oui, unsigned type)
{
    bool found = false;
    forEachElement(elements, [&](unsigned id, QByteArray body) {
        if (id == kVendorSpecific && body.size() >= 4 && body.left(3) == oui
            && static_cast<unsigned char>(body[3]) == type)
            found = true;
        return !found;
    });
    return found;
}

bool hasWpaOrRsn(const QByteArray& elements)
{
    return findElement(elements, kRsn).has_value()
        || hasVendorElement(elements, QByteArray("\x00\x50\xF2", 3), 1);
}

int channelWidthFromElements(const QByteArray& elements)
{
    int width = kCWChannelWidthUnknown;
    if (auto ht = findElement(elements, kHtOperation); ht && ht->size() >= 2) {
        const auto info = static_cast<unsigned char>((*ht)[1]);
        const bool secondary = (info & 0x03) == 1 || (info & 0x03) == 3;
        width = (secondary && (info & 0x04)) ? kCWChannelWidth40MHz : kCWChannelWidth20MHz;
    }
    if (auto vht = findElement(elements, kVhtOperation); vht && vht->size() >= 3) {
        const auto code = static_cast<unsigned char>((*vht)[0]);
        const int seg0 = static_cast<unsigned char>((*vht)[1]);
        const int seg1 = static_cast<unsigned char>((*vht)[2]);
        if (code == 1) {
            // 160 and 80+80 are signalled through the second segment.
            if (seg1 == 0)
                width = kCWChannelWidth80MHz;
            else if (std::abs(seg1 - seg0) == 8)
                width = kCWChannelWidth160MHz;
            else
                width = std::abs(seg1 - seg0) > 16 ? kCWChannelWidth80Plus80MHz : kCWChannelWidth80MHz;
        } else if (code == 2) {
            width = kCWChannelWidth160MHz;
        } else if (code == 3) {
            width = kCWChannelWidth80Plus80MHz;
        }
    }
    return width;
}

} // namespace sv::wlan
