#include "platform/wlan/Nl80211Parse.h"

#include "platform/wlan/WlanElements.h"

#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <algorithm>
#include <ctime>
#include <limits>

namespace sv::wlan {

namespace {

constexpr int kCapabilityIbss = 0x0002;
constexpr int kCapabilityPrivacy = 0x0010;

// Parses the top level of a message; false (with a reason) when it does not
// hold a generic-netlink header and well-formed attributes.
bool parseTop(const nlmsghdr* msg, nlattr** tb, int max, QString* error)
{
    if (!msg || msg->nlmsg_len < NLMSG_HDRLEN + GENL_HDRLEN) {
        if (error)
            *error = QStringLiteral("netlink message too short");
        return false;
    }
    auto* hdr = const_cast<nlmsghdr*>(msg);
    if (genlmsg_parse(hdr, 0, tb, max, nullptr) < 0) {
        if (error)
            *error = QStringLiteral("malformed netlink attributes");
        return false;
    }
    return true;
}

bool parseNested(nlattr** tb, int max, nlattr* nest, QString* error, const char* what)
{
    if (nla_parse_nested(tb, max, nest, nullptr) < 0) {
        if (error)
            *error = QStringLiteral("malformed %1").arg(QLatin1String(what));
        return false;
    }
    return true;
}

std::optional<quint32> u32(nlattr* a)
{
    if (!a || nla_len(a) < 4)
        return std::nullopt;
    return nla_get_u32(a);
}

std::optional<quint16> u16(nlattr* a)
{
    if (!a || nla_len(a) < 2)
        return std::nullopt;
    return nla_get_u16(a);
}

std::optional<quint64> u64(nlattr* a)
{
    if (!a || nla_len(a) < 8)
        return std::nullopt;
    return nla_get_u64(a);
}

std::optional<quint8> u8(nlattr* a)
{
    if (!a || nla_len(a) < 1)
        return std::nullopt;
    return nla_get_u8(a);
}

QByteArray bytes(nlattr* a)
{
    if (!a || nla_len(a) <= 0)
        return {};
    return QByteArray(static_cast<const char*>(nla_data(a)), nla_len(a));
}

} // namespace

QString bssidText(const QByteArray& mac)
{
    return QString::fromLatin1(mac.toHex(':')).toLower();
}

std::optional<Nl80211Bss> parseScanBss(const nlmsghdr* msg, QString* error)
{
    nlattr* tb[NL80211_ATTR_MAX + 1] = {};
    if (!parseTop(msg, tb, NL80211_ATTR_MAX, error))
        return std::nullopt;
    if (!tb[NL80211_ATTR_BSS]) {
        if (error)
            *error = QStringLiteral("scan entry without BSS attribute");
        return std::nullopt;
    }
    nlattr* bss[NL80211_BSS_MAX + 1] = {};
    if (!parseNested(bss, NL80211_BSS_MAX, tb[NL80211_ATTR_BSS], error, "BSS attribute"))
        return std::nullopt;
    Nl80211Bss out;
    if (!bss[NL80211_BSS_BSSID] || nla_len(bss[NL80211_BSS_BSSID]) != 6) {
        if (error)
            *error = QStringLiteral("BSS without a 6-byte BSSID");
        return std::nullopt;
    }
    out.bssid = bytes(bss[NL80211_BSS_BSSID]);
    out.frequency = static_cast<int>(u32(bss[NL80211_BSS_FREQUENCY]).value_or(0));
    if (auto s = u32(bss[NL80211_BSS_SIGNAL_MBM]))
        out.signalMbm = static_cast<qint32>(*s);
    if (auto s = u8(bss[NL80211_BSS_SIGNAL_UNSPEC]))
        out.signalUnspec = *s;
    if (auto ms = u32(bss[NL80211_BSS_SEEN_MS_AGO]))
        out.seenMsAgo = *ms;
    // Far beyond any uptime: a damaged value, not a time.
    if (auto ns = u64(bss[NL80211_BSS_LAST_SEEN_BOOTTIME]); ns && *ns <= quint64(std::numeric_limits<qint64>::max() / 2))
        out.lastSeenBoottimeNs = qint64(*ns);
    out.ies = bytes(bss[NL80211_BSS_INFORMATION_ELEMENTS]);
    if (out.ies.isEmpty())
        out.ies = bytes(bss[NL80211_BSS_BEACON_IES]);
    out.capability = u16(bss[NL80211_BSS_CAPABILITY]).value_or(0);
    out.beaconInterval = u16(bss[NL80211_BSS_BEACON_INTERVAL]).value_or(0);
    if (auto s = u32(bss[NL80211_BSS_STATUS]))
        out.status = static_cast<int>(*s);
    return out;
}

std::optional<Nl80211Survey> parseSurvey(const nlmsghdr* msg, QString* error)
{
    nlattr* tb[NL80211_ATTR_MAX + 1] = {};
    if (!parseTop(msg, tb, NL80211_ATTR_MAX, error))
        return std::nullopt;
    if (!tb[NL80211_ATTR_SURVEY_INFO]) {
        if (error)
            *error = QStringLiteral("survey entry without survey info");
        return std::nullopt;
    }
    nlattr* si[NL80211_SURVEY_INFO_MAX + 1] = {};
    if (!parseNested(si, NL80211_SURVEY_INFO_MAX, tb[NL80211_ATTR_SURVEY_INFO], error, "survey info"))
        return std::nullopt;
    Nl80211Survey out;
    out.frequency = static_cast<int>(u32(si[NL80211_SURVEY_INFO_FREQUENCY]).value_or(0));
    if (si[NL80211_SURVEY_INFO_NOISE] && nla_len(si[NL80211_SURVEY_INFO_NOISE]) >= 1)
        out.noise = static_cast<qint8>(nla_get_u8(si[NL80211_SURVEY_INFO_NOISE]));
    return out;
}

void ChannelNoise::note(const Nl80211Survey& survey)
{
    if (survey.noise && CWChannel::fromFrequency(survey.frequency).channelBand() != kCWChannelBandUnknown)
        m_noise[survey.frequency] = *survey.noise;
}

void ChannelNoise::update(const ChannelNoise& latest)
{
    for (const auto& [frequency, value] : latest.m_noise)
        m_noise[frequency] = value;
}

int ChannelNoise::at(int frequency) const
{
    const auto it = m_noise.find(frequency);
    return it == m_noise.end() ? 0 : it->second;
}

std::optional<Nl80211Iface> parseInterface(const nlmsghdr* msg, QString* error)
{
    nlattr* tb[NL80211_ATTR_MAX + 1] = {};
    if (!parseTop(msg, tb, NL80211_ATTR_MAX, error))
        return std::nullopt;
    Nl80211Iface out;
    const auto index = u32(tb[NL80211_ATTR_IFINDEX]);
    if (!index || !tb[NL80211_ATTR_IFNAME]) {
        if (error)
            *error = QStringLiteral("interface entry without index or name");
        return std::nullopt;
    }
    out.ifindex = static_cast<int>(*index);
    // The name is a C string; never read past the attribute.
    QByteArray name = bytes(tb[NL80211_ATTR_IFNAME]);
    if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
        name.truncate(nul);
    out.name = QString::fromUtf8(name);
    out.iftype = static_cast<int>(u32(tb[NL80211_ATTR_IFTYPE]).value_or(0));
    out.frequency = static_cast<int>(u32(tb[NL80211_ATTR_WIPHY_FREQ]).value_or(0));
    if (auto w = u32(tb[NL80211_ATTR_CHANNEL_WIDTH]))
        out.channelWidth = static_cast<int>(*w);
    return out;
}

std::optional<Nl80211Event> parseEvent(const nlmsghdr* msg, QString* error)
{
    nlattr* tb[NL80211_ATTR_MAX + 1] = {};
    if (!parseTop(msg, tb, NL80211_ATTR_MAX, error))
        return std::nullopt;
    Nl80211Event out;
    out.cmd = static_cast<const genlmsghdr*>(nlmsg_data(msg))->cmd;
    out.ifindex = static_cast<int>(u32(tb[NL80211_ATTR_IFINDEX]).value_or(0));
    return out;
}

std::optional<double> parseStationTxRate(const nlmsghdr* msg, QString* error)
{
    nlattr* tb[NL80211_ATTR_MAX + 1] = {};
    if (!parseTop(msg, tb, NL80211_ATTR_MAX, error))
        return std::nullopt;
    if (!tb[NL80211_ATTR_STA_INFO]) {
        if (error)
            *error = QStringLiteral("station entry without station info");
        return std::nullopt;
    }
    nlattr* sta[NL80211_STA_INFO_MAX + 1] = {};
    if (!parseNested(sta, NL80211_STA_INFO_MAX, tb[NL80211_ATTR_STA_INFO], error, "station info"))
        return std::nullopt;
    if (!sta[NL80211_STA_INFO_TX_BITRATE])
        return std::nullopt;
    nlattr* rate[NL80211_RATE_INFO_MAX + 1] = {};
    if (!parseNested(rate, NL80211_RATE_INFO_MAX, sta[NL80211_STA_INFO_TX_BITRATE], error, "bit rate"))
        return std::nullopt;
    // Units of 100 kb/s.
    if (auto r = u32(rate[NL80211_RATE_INFO_BITRATE32]))
        return *r / 10.0;
    if (auto r = u16(rate[NL80211_RATE_INFO_BITRATE]))
        return *r / 10.0;
    return std::nullopt;
}

int widthFromNl80211(int chanWidth)
{
    switch (chanWidth) {
    case NL80211_CHAN_WIDTH_20_NOHT:
    case NL80211_CHAN_WIDTH_20:
        return kCWChannelWidth20MHz;
    case NL80211_CHAN_WIDTH_40:
        return kCWChannelWidth40MHz;
    case NL80211_CHAN_WIDTH_80:
        return kCWChannelWidth80MHz;
    case NL80211_CHAN_WIDTH_80P80:
        return kCWChannelWidth80Plus80MHz;
    case NL80211_CHAN_WIDTH_160:
        return kCWChannelWidth160MHz;
    default:
        return kCWChannelWidthUnknown;
    }
}

std::optional<CWNetwork> networkFromBss(const Nl80211Bss& bss, int noise)
{
    const CWChannel probe = CWChannel::fromFrequency(bss.frequency);
    if (probe.channelBand() == kCWChannelBandUnknown)
        return std::nullopt;
    int width = channelWidthFromElements(bss.ies);
    if (width == kCWChannelWidthUnknown)
        width = kCWChannelWidth20MHz;
    CWNetwork n;
    n.setBssid(bssidText(bss.bssid));
    n.setWlanChannel(CWChannel(probe.channelNumber(), probe.channelBand(), width));
    if (bss.signalMbm)
        n.setRssiValue(*bss.signalMbm / 100);
    else if (bss.signalUnspec)
        n.setRssiValue(dbmFromSignalUnspec(*bss.signalUnspec));
    n.setNoiseMeasurement(noise);
    if (!bss.ies.isEmpty())
        n.setInformationElementData(bss.ies);
    if (auto ssid = findElement(bss.ies, 0))
        n.setSsidData(*ssid);
    n.setIbss(bss.capability & kCapabilityIbss);
    n.setBeaconInterval(bss.beaconInterval);
    n.setSecurityFrom(bss.capability & kCapabilityPrivacy, bss.ies);
    return n;
}

int dbmFromSignalUnspec(int figure)
{
    // The figure read as the linear percentage that desktop network tools
    // show for -100 dBm (0) to -40 dBm (100), turned back into dBm: so 0
    // gives -100 and 50 gives -70. Not 0 dBm, which the merge would drop.
    const int q = std::clamp(figure, 0, 100);
    return -100 + (q * 60 + 50) / 100;
}

namespace {

// SEEN_MS_AGO counts in whole jiffies and the dump takes a moment: an entry
// heard just as the window opened must not fall out of it.
constexpr qint64 kHeardSlackNs = 50'000'000;

} // namespace

std::optional<qint64> heardWindowStart(ScanSource source, qint64 scanStartNs, std::optional<qint64> previousPassNs)
{
    switch (source) {
    case ScanSource::Cached:
        return std::nullopt;
    case ScanSource::OwnScan:
        return scanStartNs - kHeardSlackNs;
    case ScanSource::SystemScans:
        if (!previousPassNs)
            return std::nullopt;
        return *previousPassNs - kHeardSlackNs;
    }
    return std::nullopt;
}

bool heardSince(const Nl80211Bss& bss, qint64 sinceNs, qint64 dumpNs)
{
    // The boot-time stamp is read from the clock when the frame arrived; the
    // age counts timer ticks, which fall behind that clock on a busy or
    // virtual machine. A stamp of 0 means the kernel gave none.
    if (bss.lastSeenBoottimeNs && *bss.lastSeenBoottimeNs > 0)
        return *bss.lastSeenBoottimeNs >= sinceNs;
    if (bss.seenMsAgo)
        return dumpNs - *bss.seenMsAgo * 1'000'000 >= sinceNs;
    return true;
}

qint64 boottimeNs()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

} // namespace sv::wlan
