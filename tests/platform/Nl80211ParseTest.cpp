#include <gtest/gtest.h>

#include "platform/wlan/Nl80211Parse.h"
#include "platform/wlan/ElementWalk.h"
#include "platform/wlan/WlanElements.h"

#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>

using namespace sv::wlan;

namespace {

using Message = std::unique_ptr<nl_msg, void (*)(nl_msg*)>;

// A generic-netlink message of nl80211 as the kernel would send it.
Message message(int cmd, const std::function<void(nl_msg*)>& fill)
{
    Message msg(nlmsg_alloc(), nlmsg_free);
    genlmsg_put(msg.get(), 0, 0, 0x1c, 0, 0, static_cast<uint8_t>(cmd), 0);
    nla_put_u32(msg.get(), NL80211_ATTR_IFINDEX, 3);
    fill(msg.get());
    return msg;
}

void putBytes(nl_msg* m, int type, const QByteArray& b) { nla_put(m, type, static_cast<int>(b.size()), b.constData()); }

void nest(nl_msg* m, int type, const std::function<void(nl_msg*)>& fill)
{
    nlattr* n = nla_nest_start(m, type);
    fill(m);
    nla_nest_end(m, n);
}

const QByteArray kMac = QByteArray::fromHex("021122334455");
const QByteArray kSsidLab = QByteArray::fromHex("00034c6162");
const QByteArray kRsn = QByteArray::fromHex("30140100000fac040100000fac040100000fac020c00");
const QByteArray kWpa = QByteArray::fromHex("dd160050f20101000050f20201000050f20201000050f202");

QByteArray htOperation(int primary, int info)
{
    QByteArray body(22, '\0');
    body[0] = char(primary);
    body[1] = char(info);
    return QByteArray::fromHex("3d16") + body;
}

QByteArray vhtOperation(int code, int seg0, int seg1)
{
    return QByteArray::fromHex("c005") + QByteArray(1, char(code)) + char(seg0) + char(seg1) + QByteArray::fromHex("fcff");
}

// A scan entry with the given attributes inside its BSS nest.
Message bssMessage(const std::function<void(nl_msg*)>& fill)
{
    return message(NL80211_CMD_NEW_SCAN_RESULTS, [&](nl_msg* m) { nest(m, NL80211_ATTR_BSS, fill); });
}

Message fullBss()
{
    return bssMessage([](nl_msg* m) {
        putBytes(m, NL80211_BSS_BSSID, kMac);
        nla_put_u32(m, NL80211_BSS_FREQUENCY, 5180);
        nla_put_u32(m, NL80211_BSS_SIGNAL_MBM, static_cast<uint32_t>(-6550));
        putBytes(m, NL80211_BSS_INFORMATION_ELEMENTS, kSsidLab + htOperation(36, 0x05) + vhtOperation(1, 42, 0));
        putBytes(m, NL80211_BSS_BEACON_IES, QByteArray::fromHex("0000"));
        nla_put_u16(m, NL80211_BSS_CAPABILITY, 0x0011);
        nla_put_u16(m, NL80211_BSS_BEACON_INTERVAL, 100);
        nla_put_u32(m, NL80211_BSS_STATUS, NL80211_BSS_STATUS_ASSOCIATED);
    });
}

// Runs every parser over one message; what matters is that none reads out
// of range or crashes.
void parseAll(const nlmsghdr* h)
{
    QString error;
    if (auto bss = parseScanBss(h, &error))
        networkFromBss(*bss, 0);
    parseSurvey(h, &error);
    parseInterface(h, &error);
    parseStationTxRate(h, &error);
    parseEvent(h, &error);
}

} // namespace

TEST(Nl80211Parse, ScanEntryBecomesANetwork)
{
    const Message msg = fullBss();
    QString error;
    const auto bss = parseScanBss(nlmsg_hdr(msg.get()), &error);
    ASSERT_TRUE(bss) << error.toStdString();
    EXPECT_EQ(bss->status, NL80211_BSS_STATUS_ASSOCIATED);

    const auto n = networkFromBss(*bss, -92);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->bssid(), QStringLiteral("02:11:22:33:44:55"));
    EXPECT_EQ(n->wlanChannel(), CWChannel(36, kCWChannelBand5GHz, kCWChannelWidth80MHz));
    EXPECT_EQ(n->rssiValue(), -65);
    EXPECT_EQ(n->noiseMeasurement(), -92);
    EXPECT_EQ(n->ssid(), QStringLiteral("Lab"));
    EXPECT_EQ(n->informationElementData().left(5), kSsidLab); // probe elements win over beacon ones
    EXPECT_EQ(n->beaconInterval(), 100);
    EXPECT_FALSE(n->ibss());
    EXPECT_TRUE(n->supportsSecurity(kCWSecurityWEP));
}

TEST(Nl80211Parse, BeaconElementsWhenTheOthersAreMissingOrEmpty)
{
    for (const bool emptyAttribute : {false, true}) {
        const Message msg = bssMessage([&](nl_msg* m) {
            putBytes(m, NL80211_BSS_BSSID, kMac);
            nla_put_u32(m, NL80211_BSS_FREQUENCY, 2437);
            if (emptyAttribute)
                nla_put(m, NL80211_BSS_INFORMATION_ELEMENTS, 0, nullptr);
            putBytes(m, NL80211_BSS_BEACON_IES, kSsidLab);
        });
        const auto bss = parseScanBss(nlmsg_hdr(msg.get()));
        ASSERT_TRUE(bss);
        const auto n = networkFromBss(*bss, 0);
        ASSERT_TRUE(n);
        EXPECT_EQ(n->informationElementData(), kSsidLab);
        EXPECT_EQ(n->ssid(), QStringLiteral("Lab"));
        EXPECT_EQ(n->rssiValue(), 0); // no signal reported
        EXPECT_EQ(n->wlanChannel(), CWChannel(6, kCWChannelBand2GHz, kCWChannelWidth20MHz));
    }
}

TEST(Nl80211Parse, FrequencyGivesChannelAndBandOrLeavesTheNetworkOut)
{
    struct Case {
        int mhz;
        int channel; // 0: left out
        int band;
    } cases[] = {
        {2412, 1, kCWChannelBand2GHz},   {2472, 13, kCWChannelBand2GHz}, {2484, 14, kCWChannelBand2GHz},
        {5180, 36, kCWChannelBand5GHz},  {5500, 100, kCWChannelBand5GHz}, {5825, 165, kCWChannelBand5GHz},
        {5885, 177, kCWChannelBand5GHz}, {4920, 184, kCWChannelBand5GHz},
        {2407, 0, 0},  // not a channel
        {2414, 0, 0},  // off the raster
        {5955, 0, 0},  // 6 GHz channel 1
        {5935, 0, 0},  // 6 GHz channel 2
        {6115, 0, 0},  // 6 GHz channel 33
        {58320, 0, 0}, // 60 GHz
        {0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mhz);
        Nl80211Bss bss;
        bss.bssid = kMac;
        bss.frequency = c.mhz;
        const auto n = networkFromBss(bss, 0);
        ASSERT_EQ(n.has_value(), c.channel != 0);
        if (n) {
            EXPECT_EQ(n->wlanChannel().channelNumber(), c.channel);
            EXPECT_EQ(n->wlanChannel().channelBand(), c.band);
        }
    }
}

TEST(Nl80211Parse, SignalInHundredthsOfDbm)
{
    const std::pair<int, int> cases[] = {{-6550, -65}, {-3000, -30}, {-9999, -99}, {-50, 0}};
    for (auto [mbm, dbm] : cases) {
        Nl80211Bss bss;
        bss.bssid = kMac;
        bss.frequency = 2412;
        bss.signalMbm = mbm;
        EXPECT_EQ(networkFromBss(bss, 0)->rssiValue(), dbm) << mbm;
    }
}

TEST(Nl80211Parse, CapabilityGivesAdHocAndWep)
{
    struct Case {
        const char* name;
        int capability;
        QByteArray ies;
        bool ibss;
        bool wep;
    } cases[] = {
        {"open", 0x0001, kSsidLab, false, false},
        {"ad hoc", 0x0002, kSsidLab, true, false},
        {"privacy alone", 0x0011, kSsidLab, false, true},
        {"privacy with RSN", 0x0011, kSsidLab + kRsn, false, false},
        {"privacy with WPA", 0x0011, kSsidLab + kWpa, false, false},
        {"ad hoc with privacy", 0x0012, QByteArray(), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Nl80211Bss bss;
        bss.bssid = kMac;
        bss.frequency = 2412;
        bss.capability = c.capability;
        bss.ies = c.ies;
        const auto n = networkFromBss(bss, 0);
        ASSERT_TRUE(n);
        EXPECT_EQ(n->ibss(), c.ibss);
        EXPECT_EQ(n->supportsSecurity(kCWSecurityWEP), c.wep);
        EXPECT_EQ(n->supportsSecurity(kCWSecurityNone), (c.capability & 0x10) == 0);
    }
}

TEST(Nl80211Parse, WidthFromHtAndVhtOperation)
{
    struct Case {
        const char* name;
        QByteArray ies;
        int width;
    } cases[] = {
        {"neither", kSsidLab, kCWChannelWidthUnknown},
        {"HT 20", htOperation(6, 0x00), kCWChannelWidth20MHz},
        {"HT 40 above", htOperation(36, 0x05), kCWChannelWidth40MHz},
        {"HT 40 below", htOperation(40, 0x07), kCWChannelWidth40MHz},
        {"HT offset without the width bit", htOperation(40, 0x03), kCWChannelWidth20MHz},
        {"HT width bit without an offset", htOperation(40, 0x04), kCWChannelWidth20MHz},
        {"HT body too short", QByteArray::fromHex("3d0124"), kCWChannelWidthUnknown},
        {"VHT 20/40 keeps HT", htOperation(36, 0x05) + vhtOperation(0, 0, 0), kCWChannelWidth40MHz},
        {"VHT 80", htOperation(36, 0x05) + vhtOperation(1, 42, 0), kCWChannelWidth80MHz},
        {"VHT 160 by second segment", htOperation(36, 0x05) + vhtOperation(1, 42, 50), kCWChannelWidth160MHz},
        {"VHT 80+80 by second segment", htOperation(36, 0x05) + vhtOperation(1, 42, 155), kCWChannelWidth80Plus80MHz},
        {"VHT 160 old style", htOperation(36, 0x05) + vhtOperation(2, 50, 0), kCWChannelWidth160MHz},
        {"VHT 80+80 old style", htOperation(36, 0x05) + vhtOperation(3, 42, 155), kCWChannelWidth80Plus80MHz},
        {"VHT body too short", htOperation(36, 0x05) + QByteArray::fromHex("c002012a"), kCWChannelWidth40MHz},
        {"HT element cut by the end", htOperation(36, 0x05).left(10), kCWChannelWidthUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(channelWidthFromElements(c.ies), c.width);
        // A network always has a width: 20 MHz when nothing says more.
        Nl80211Bss bss;
        bss.bssid = kMac;
        bss.frequency = 5180;
        bss.ies = c.ies;
        EXPECT_EQ(networkFromBss(bss, 0)->wlanChannel().channelWidth(),
                  c.width == kCWChannelWidthUnknown ? int(kCWChannelWidth20MHz) : c.width);
    }
}

TEST(Nl80211Parse, ElementsCutShortGiveNoName)
{
    // The name element claims 32 bytes and has 3.
    Nl80211Bss bss;
    bss.bssid = kMac;
    bss.frequency = 2412;
    bss.ies = QByteArray::fromHex("00204c6162");
    const auto n = networkFromBss(bss, 0);
    ASSERT_TRUE(n);
    EXPECT_TRUE(n->ssid().isNull());
    EXPECT_EQ(n->informationElementData(), bss.ies); // passed on unchanged
    EXPECT_FALSE(ElementWalk(bss.ies).complete());
}

TEST(Nl80211Parse, SurveyNoiseIsASignedByte)
{
    const Message msg = message(NL80211_CMD_NEW_SURVEY_RESULTS, [](nl_msg* m) {
        nest(m, NL80211_ATTR_SURVEY_INFO, [](nl_msg* m) {
            nla_put_u32(m, NL80211_SURVEY_INFO_FREQUENCY, 2437);
            nla_put_u8(m, NL80211_SURVEY_INFO_NOISE, static_cast<uint8_t>(-95));
            nla_put_flag(m, NL80211_SURVEY_INFO_IN_USE);
        });
    });
    const auto s = parseSurvey(nlmsg_hdr(msg.get()));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->frequency, 2437);
    EXPECT_EQ(s->noise, -95);

    const Message quiet = message(NL80211_CMD_NEW_SURVEY_RESULTS, [](nl_msg* m) {
        nest(m, NL80211_ATTR_SURVEY_INFO, [](nl_msg* m) { nla_put_u32(m, NL80211_SURVEY_INFO_FREQUENCY, 5180); });
    });
    const auto q = parseSurvey(nlmsg_hdr(quiet.get()));
    ASSERT_TRUE(q);
    EXPECT_FALSE(q->noise);
}

TEST(Nl80211Parse, ChannelNoiseKeepsEachChannelsLatestReadingAndOnlyRealChannels)
{
    auto survey = [](quint32 frequency, std::optional<int> noise) {
        const Message msg = message(NL80211_CMD_NEW_SURVEY_RESULTS, [&](nl_msg* m) {
            nest(m, NL80211_ATTR_SURVEY_INFO, [&](nl_msg* m) {
                nla_put_u32(m, NL80211_SURVEY_INFO_FREQUENCY, frequency);
                if (noise)
                    nla_put_u8(m, NL80211_SURVEY_INFO_NOISE, static_cast<uint8_t>(*noise));
            });
        });
        const auto s = parseSurvey(nlmsg_hdr(msg.get()));
        EXPECT_TRUE(s) << frequency;
        return s.value_or(Nl80211Survey{});
    };
    ChannelNoise kept;
    ChannelNoise first;
    first.note(survey(2437, -95));
    first.note(survey(5180, -100));
    first.note(survey(2412, std::nullopt)); // no reading
    kept.update(first);
    // A survey taken while a scan is under way lists only part of the channels.
    ChannelNoise partial;
    partial.note(survey(2437, -90));
    kept.update(partial);
    EXPECT_EQ(kept.at(2437), -90);
    EXPECT_EQ(kept.at(5180), -100);
    EXPECT_EQ(kept.at(2412), 0);
    EXPECT_EQ(kept.size(), 2u);

    // Frequencies no channel has (6 GHz, 60 GHz, nonsense) are never kept,
    // however many a survey names: survey after survey, it stays as small
    // as the channel table.
    std::size_t afterFirst = 0;
    for (int pass = 0; pass < 2; ++pass) {
        ChannelNoise flood;
        for (quint32 f = 0; f < 80000; ++f)
            flood.note(Nl80211Survey{int(f), -80});
        for (quint32 f : {5955u, 58320u, 0xFFFFFFFFu, 0x80000000u})
            flood.note(survey(f, -80));
        kept.update(flood);
        EXPECT_LT(kept.size(), 200u); // the 2.4 and 5 GHz channels
        if (pass == 0)
            afterFirst = kept.size();
    }
    EXPECT_EQ(kept.size(), afterFirst);
    EXPECT_EQ(kept.at(5955), 0);
    EXPECT_EQ(kept.at(58320), 0);
    EXPECT_EQ(kept.at(5180), -80);
}

TEST(Nl80211Parse, StationRateInterfaceAndEvent)
{
    struct RateCase {
        int bitrate32; // 0: absent
        int bitrate16;
        std::optional<double> mbps;
    } rates[] = {{8667, 0, 866.7}, {0, 540, 54.0}, {24020, 65535, 2402.0}, {0, 0, std::nullopt}};
    for (const RateCase& c : rates) {
        const Message msg = message(NL80211_CMD_NEW_STATION, [&](nl_msg* m) {
            putBytes(m, NL80211_ATTR_MAC, kMac);
            nest(m, NL80211_ATTR_STA_INFO, [&](nl_msg* m) {
                nla_put_u8(m, NL80211_STA_INFO_SIGNAL, static_cast<uint8_t>(-60));
                nest(m, NL80211_STA_INFO_TX_BITRATE, [&](nl_msg* m) {
                    if (c.bitrate32)
                        nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, c.bitrate32);
                    if (c.bitrate16)
                        nla_put_u16(m, NL80211_RATE_INFO_BITRATE, c.bitrate16);
                });
            });
        });
        EXPECT_EQ(parseStationTxRate(nlmsg_hdr(msg.get())), c.mbps) << c.bitrate32 << "/" << c.bitrate16;
    }

    const Message iface = message(NL80211_CMD_NEW_INTERFACE, [](nl_msg* m) {
        putBytes(m, NL80211_ATTR_IFNAME, QByteArray("wlp2s0", 7)); // with its terminating zero
        nla_put_u32(m, NL80211_ATTR_IFTYPE, NL80211_IFTYPE_STATION);
        nla_put_u32(m, NL80211_ATTR_WIPHY_FREQ, 5745);
        nla_put_u32(m, NL80211_ATTR_CHANNEL_WIDTH, NL80211_CHAN_WIDTH_80);
    });
    const auto i = parseInterface(nlmsg_hdr(iface.get()));
    ASSERT_TRUE(i);
    EXPECT_EQ(i->ifindex, 3);
    EXPECT_EQ(i->name, QStringLiteral("wlp2s0"));
    EXPECT_EQ(i->iftype, NL80211_IFTYPE_STATION);
    EXPECT_EQ(i->frequency, 5745);
    EXPECT_EQ(widthFromNl80211(*i->channelWidth), kCWChannelWidth80MHz);
    EXPECT_EQ(widthFromNl80211(NL80211_CHAN_WIDTH_20_NOHT), kCWChannelWidth20MHz);
    EXPECT_EQ(widthFromNl80211(NL80211_CHAN_WIDTH_80P80), kCWChannelWidth80Plus80MHz);
    EXPECT_EQ(widthFromNl80211(NL80211_CHAN_WIDTH_320), kCWChannelWidthUnknown);

    const Message aborted = message(NL80211_CMD_SCAN_ABORTED, [](nl_msg*) {});
    const auto e = parseEvent(nlmsg_hdr(aborted.get()));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->cmd, NL80211_CMD_SCAN_ABORTED);
    EXPECT_EQ(e->ifindex, 3);
}

TEST(Nl80211Parse, MalformedEntriesAreRefusedOrTheirAttributesSkipped)
{
    struct Case {
        const char* name;
        std::function<void(nl_msg*)> bss; // inside the BSS nest; null: no nest at all
        bool parses;
        bool becomesNetwork;
    } cases[] = {
        {"no BSS nest", nullptr, false, false},
        {"no BSSID", [](nl_msg* m) { nla_put_u32(m, NL80211_BSS_FREQUENCY, 2412); }, false, false},
        {"short BSSID",
         [](nl_msg* m) {
             putBytes(m, NL80211_BSS_BSSID, kMac.left(5));
             nla_put_u32(m, NL80211_BSS_FREQUENCY, 2412);
         },
         false, false},
        {"short frequency",
         [](nl_msg* m) {
             putBytes(m, NL80211_BSS_BSSID, kMac);
             nla_put_u16(m, NL80211_BSS_FREQUENCY, 2412);
         },
         true, false},
        {"short signal and capability",
         [](nl_msg* m) {
             putBytes(m, NL80211_BSS_BSSID, kMac);
             nla_put_u32(m, NL80211_BSS_FREQUENCY, 2412);
             nla_put_u8(m, NL80211_BSS_SIGNAL_MBM, 7);
             nla_put_u8(m, NL80211_BSS_CAPABILITY, 0x12);
         },
         true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Message msg = c.bss ? bssMessage(c.bss) : message(NL80211_CMD_NEW_SCAN_RESULTS, [](nl_msg*) {});
        QString error;
        const auto bss = parseScanBss(nlmsg_hdr(msg.get()), &error);
        EXPECT_EQ(bss.has_value(), c.parses);
        EXPECT_EQ(error.isEmpty(), c.parses);
        if (bss) {
            EXPECT_FALSE(bss->signalMbm);
            const auto n = networkFromBss(*bss, 0);
            EXPECT_EQ(n.has_value(), c.becomesNetwork);
            EXPECT_FALSE(n && n->ibss());
        }
    }

    // A message too short for its generic header.
    Message bare(nlmsg_alloc_simple(0x1c, 0), nlmsg_free);
    QString error;
    EXPECT_FALSE(parseScanBss(nlmsg_hdr(bare.get()), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(parseSurvey(nlmsg_hdr(bare.get())));
    EXPECT_FALSE(parseEvent(nlmsg_hdr(bare.get())));
}

TEST(Nl80211Parse, TruncatedAndCorruptedMessagesNeverReadOutOfRange)
{
    // Each message is copied into a buffer of exactly its (cut) length, so
    // the sanitizer sees any read past it.
    std::vector<Message> samples;
    samples.push_back(fullBss());
    samples.push_back(message(NL80211_CMD_NEW_STATION, [](nl_msg* m) {
        nest(m, NL80211_ATTR_STA_INFO, [](nl_msg* m) {
            nest(m, NL80211_STA_INFO_TX_BITRATE, [](nl_msg* m) { nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 8667); });
        });
    }));
    samples.push_back(message(NL80211_CMD_NEW_SURVEY_RESULTS, [](nl_msg* m) {
        nest(m, NL80211_ATTR_SURVEY_INFO, [](nl_msg* m) {
            nla_put_u32(m, NL80211_SURVEY_INFO_FREQUENCY, 2437);
            nla_put_u8(m, NL80211_SURVEY_INFO_NOISE, 0xa1);
        });
    }));
    for (const Message& sample : samples) {
        const nlmsghdr* full = nlmsg_hdr(sample.get());
        const auto size = static_cast<size_t>(full->nlmsg_len);
        for (size_t cut = NLMSG_HDRLEN; cut <= size; ++cut) {
            auto copy = std::make_unique<char[]>(cut);
            memcpy(copy.get(), full, cut);
            reinterpret_cast<nlmsghdr*>(copy.get())->nlmsg_len = static_cast<uint32_t>(cut);
            parseAll(reinterpret_cast<const nlmsghdr*>(copy.get()));
        }
        for (size_t at = NLMSG_HDRLEN; at < size; ++at) {
            for (const unsigned char value : {0x00, 0x03, 0x7f, 0xff}) {
                auto copy = std::make_unique<char[]>(size);
                memcpy(copy.get(), full, size);
                copy[at] = static_cast<char>(value);
                parseAll(reinterpret_cast<const nlmsghdr*>(copy.get()));
            }
        }
    }
    // The whole BSS still parses when nothing was cut.
    EXPECT_TRUE(parseScanBss(nlmsg_hdr(samples[0].get())));
}

TEST(Nl80211Parse, OnlyEntriesHeardInsideThePassWindowArePublished)
{
    constexpr qint64 kSecond = 1'000'000'000;
    constexpr qint64 kDump = 500 * kSecond; // boot time of the dump
    struct Case {
        const char* name;
        std::optional<uint32_t> msAgo;
        std::optional<uint64_t> boottime;
        qint64 since;
        bool heard;
    } cases[] = {
        {"heard 200 ms ago, window opened 2 s ago", 200, std::nullopt, kDump - 2 * kSecond, true},
        {"heard 25 s ago: a cached entry", 25000, std::nullopt, kDump - 2 * kSecond, false},
        {"heard just as the window opened", 2000, std::nullopt, kDump - 2 * kSecond, true},
        {"the boot time wins over a lagging age", 200, uint64_t(kDump - 5 * kSecond), kDump - 2 * kSecond, false},
        {"the boot time wins over an old age", 25000, uint64_t(kDump - kSecond), kDump - 2 * kSecond, true},
        {"a boot time of 0 says nothing", std::nullopt, uint64_t(0), kDump - 2 * kSecond, true},
        {"a boot time of 0 leaves it to the age", 25000, uint64_t(0), kDump - 2 * kSecond, false},
        {"boot time before the window", std::nullopt, uint64_t(kDump - 3 * kSecond), kDump - 2 * kSecond, false},
        {"boot time inside the window", std::nullopt, uint64_t(kDump - kSecond), kDump - 2 * kSecond, true},
        {"neither says when: counts as heard", std::nullopt, std::nullopt, kDump - 2 * kSecond, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Message msg = bssMessage([&](nl_msg* m) {
            putBytes(m, NL80211_BSS_BSSID, kMac);
            nla_put_u32(m, NL80211_BSS_FREQUENCY, 2412);
            if (c.msAgo)
                nla_put_u32(m, NL80211_BSS_SEEN_MS_AGO, *c.msAgo);
            if (c.boottime)
                nla_put_u64(m, NL80211_BSS_LAST_SEEN_BOOTTIME, *c.boottime);
        });
        const auto bss = parseScanBss(nlmsg_hdr(msg.get()));
        ASSERT_TRUE(bss);
        EXPECT_EQ(bss->seenMsAgo.has_value(), c.msAgo.has_value());
        EXPECT_EQ(bss->lastSeenBoottimeNs.has_value(), c.boottime.has_value());
        EXPECT_EQ(heardSince(*bss, c.since, kDump), c.heard);
    }

    // A time attribute of the wrong size is skipped, not read past.
    const Message shortTime = bssMessage([](nl_msg* m) {
        putBytes(m, NL80211_BSS_BSSID, kMac);
        nla_put_u16(m, NL80211_BSS_SEEN_MS_AGO, 7);
        nla_put_u32(m, NL80211_BSS_LAST_SEEN_BOOTTIME, 7);
    });
    const auto bss = parseScanBss(nlmsg_hdr(shortTime.get()));
    ASSERT_TRUE(bss);
    EXPECT_FALSE(bss->seenMsAgo);
    EXPECT_FALSE(bss->lastSeenBoottimeNs);
}

TEST(Nl80211Parse, TheWindowOfEachKindOfScan)
{
    constexpr qint64 kSlack = 50'000'000;
    constexpr qint64 kStart = 900'000'000'000;
    constexpr qint64 kPrevious = 896'000'000'000;
    // The first pass after a start takes the cached results as they are.
    EXPECT_EQ(heardWindowStart(ScanSource::Cached, kStart, kPrevious), std::nullopt);
    // After its own scan a pass publishes what that scan heard.
    EXPECT_EQ(heardWindowStart(ScanSource::OwnScan, kStart, kPrevious), kStart - kSlack);
    EXPECT_EQ(heardWindowStart(ScanSource::OwnScan, kStart, std::nullopt), kStart - kSlack);
    // On the system's scans: what was heard since the previous pass.
    EXPECT_EQ(heardWindowStart(ScanSource::SystemScans, kStart, kPrevious), kPrevious - kSlack);
    EXPECT_EQ(heardWindowStart(ScanSource::SystemScans, kStart, std::nullopt), std::nullopt);
    // The clock the kernel stamps entries with runs.
    const qint64 a = boottimeNs();
    EXPECT_GT(a, 0);
    EXPECT_GE(boottimeNs(), a);
}

TEST(Nl80211Parse, AZeroToHundredSignalBecomesDbm)
{
    const std::pair<int, int> cases[] = {{0, -100}, {50, -70}, {100, -40}, {73, -56}, {255, -40}};
    for (auto [figure, dbm] : cases) {
        const Message msg = bssMessage([&](nl_msg* m) {
            putBytes(m, NL80211_BSS_BSSID, kMac);
            nla_put_u32(m, NL80211_BSS_FREQUENCY, 2412);
            nla_put_u8(m, NL80211_BSS_SIGNAL_UNSPEC, uint8_t(figure));
        });
        const auto bss = parseScanBss(nlmsg_hdr(msg.get()));
        ASSERT_TRUE(bss);
        EXPECT_EQ(bss->signalUnspec, figure);
        const auto n = networkFromBss(*bss, 0);
        ASSERT_TRUE(n);
        EXPECT_EQ(n->rssiValue(), dbm) << figure;
        EXPECT_EQ(n->noiseMeasurement(), 0); // no survey: noise 0
    }
    // A dBm value, where the driver gives one, wins.
    Nl80211Bss both;
    both.bssid = kMac;
    both.frequency = 2412;
    both.signalMbm = -6100;
    both.signalUnspec = 90;
    EXPECT_EQ(networkFromBss(both, 0)->rssiValue(), -61);
}
