// Feeds arbitrary attributes to every nl80211 message parser. The first
// byte is the command; the rest follows the generic-netlink header. The
// message length is the input's, as libnl checks it against what the
// socket received before any parser sees it.

#include "platform/wlan/Nl80211Parse.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 65536)
        return 0;
    const size_t length = NLMSG_HDRLEN + GENL_HDRLEN + (size - 1);
    std::vector<uint32_t> buffer((length + 3) / 4); // aligned as a socket buffer is
    auto* header = reinterpret_cast<nlmsghdr*>(buffer.data());
    header->nlmsg_len = uint32_t(length);
    header->nlmsg_type = 0x1c;
    auto* genl = static_cast<genlmsghdr*>(NLMSG_DATA(header));
    genl->cmd = data[0];
    std::memcpy(reinterpret_cast<char*>(buffer.data()) + NLMSG_HDRLEN + GENL_HDRLEN, data + 1, size - 1);

    using namespace sv::wlan;
    QString error;
    if (const auto bss = parseScanBss(header, &error)) {
        networkFromBss(*bss, -90);
        bssidText(bss->bssid);
        // A dump some days after boot, asking for the last three seconds.
        constexpr qint64 kDumpNs = 500'000'000'000'000;
        heardSince(*bss, kDumpNs - 3'000'000'000, kDumpNs);
    }
    if (const auto survey = parseSurvey(header, &error)) {
        ChannelNoise noise;
        noise.note(*survey);
        noise.at(survey->frequency);
    }
    if (const auto iface = parseInterface(header, &error); iface && iface->channelWidth)
        widthFromNl80211(*iface->channelWidth);
    parseEvent(header, &error);
    parseStationTxRate(header, &error);
    return 0;
}
