#include "model/SVNetworkDigest.h"

#include "model/SVElementWalk.h"
#include "model/SVScanDictionary.h"
#include "model/SVVendorOUI.h"
#include "platform/DataAdditions.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using u8 = std::uint8_t;

// Amendment letters in the order they are shown.
constexpr char kAmendmentLetters[] = {'d', 'e', 'h', 'i', 'k', 'p', 'r', 's', 'u', 'v', 'w'};

struct Amendments {
    unsigned bits = 0;
    void add(char letter)
    {
        for (unsigned i = 0; i < sizeof kAmendmentLetters; ++i)
            if (kAmendmentLetters[i] == letter)
                bits |= 1u << i;
    }
    QStringList list() const
    {
        QStringList out;
        for (unsigned i = 0; i < sizeof kAmendmentLetters; ++i)
            if (bits & (1u << i))
                out << QString(QLatin1Char(kAmendmentLetters[i]));
        return out;
    }
};

// Bits per subcarrier and coding rate of VHT/HT MCS 0-9.
constexpr int kBits[10] = {1, 2, 2, 4, 4, 6, 6, 6, 8, 8};
constexpr int kRateNum[10] = {1, 1, 3, 1, 3, 2, 3, 5, 3, 5};
constexpr int kRateDen[10] = {2, 2, 4, 2, 4, 3, 4, 6, 4, 6};

bool is5GHzChannel(qint64 c) { return c >= 36 && c <= 165; }
bool is2Dot4GHzChannel(qint64 c) { return c >= 1 && c <= 14; }

// A device name of at most maxLength bytes, read as the element tree reads it.
QString nameText(const u8* bytes, int length, int maxLength = 128)
{
    return sv::elementText(QByteArrayView(bytes, std::min(length, maxLength)));
}

// HT and VHT rates in tenths of Mb/s, each once: collected, then sorted and
// made unique in one go rather than searched for on every addition.
struct RateSet {
    std::vector<int> tenths;
    void add(int rate)
    {
        if (rate > 0)
            tenths.push_back(rate);
    }
    std::vector<double> ascending()
    {
        std::sort(tenths.begin(), tenths.end());
        tenths.erase(std::unique(tenths.begin(), tenths.end()), tenths.end());
        std::vector<double> out;
        out.reserve(tenths.size() + 16);
        for (int t : tenths)
            out.push_back(t / 10.0);
        return out;
    }
};

struct SecurityFlags {
    bool enterprise = false;
    bool adaptive = false;
};

// What an RSN or WPA element's AKM list and capabilities say.
struct SuiteInfo {
    quint32 akms = 0; // bit n: the suite of type n (0-31) of the element's OUI is listed
    bool mfpCapable = false;
    bool mfpRequired = false;
    bool has(int type) const { return akms & (1u << type); }
};

// Pairwise cipher and AKM suite lists of an RSN or WPA element. Lists end at
// the last whole suite inside the body; a cut list leaves what follows absent
// (the capabilities among it).
SuiteInfo parseSuites(const u8* body, int length, int countPos, int suitesPos, const sv::oui::Oui& oui,
                      qint64& cipherType, SecurityFlags& flags)
{
    SuiteInfo info;
    if (countPos >= length)
        return info;
    const int pairwise = body[countPos];
    int pos = suitesPos;
    for (int i = 0; i < pairwise; ++i, pos += 4) {
        if (pos + 4 > length)
            return info;
        if (!sv::oui::matches(body + pos, oui))
            continue;
        switch (body[pos + 3]) {
        case 1: cipherType |= 1; break;
        case 2: cipherType |= 2; break;
        case 4: cipherType |= 4; break;
        case 5: cipherType |= 8; break;
        default: break;
        }
    }
    if (pos + 2 > length)
        return info;
    const int akmCount = body[pos];
    pos += 2;
    bool fastTransition = false;
    bool cut = false;
    for (int i = 0; i < akmCount; ++i, pos += 4) {
        if (pos + 4 > length) {
            cut = true;
            break;
        }
        if (!sv::oui::matches(body + pos, oui))
            continue;
        const u8 type = body[pos + 3];
        if (type < 32)
            info.akms |= 1u << type;
        if (type == 1 || type == 3 || type == 5)
            flags.enterprise = true;
        if (type == 3 || type == 4)
            fastTransition = true;
    }
    if (!fastTransition)
        flags.adaptive = true;
    if (!cut && pos < length) {
        info.mfpCapable = body[pos] & 0x80;
        info.mfpRequired = body[pos] & 0x40;
    }
    return info;
}

// Security mode of a network with an RSN element and no WPA element, from
// the RSN AKMs: SAE (8, 9; 24, 25 with the longer keys) is WPA3 Personal, or
// the WPA2/WPA3 transition beside a PSK suite; Suite-B 802.1X (12, 13) with
// management frame protection required is WPA3 Enterprise; OWE (18) alone is
// OWE. Anything else reads as WPA2 as it always did.
qint64 rsnSecurityMode(const SuiteInfo& rsn, bool enterprise)
{
    const bool sae = rsn.has(8) || rsn.has(9) || rsn.has(24) || rsn.has(25);
    const bool psk = rsn.has(2) || rsn.has(4) || rsn.has(6) || rsn.has(19) || rsn.has(20);
    if ((rsn.has(12) || rsn.has(13)) && rsn.mfpRequired)
        return 12;
    if (sae)
        return psk ? 13 : 11;
    if (rsn.has(18) && !psk && !enterprise)
        return 14;
    return enterprise ? 9 : 4;
}

// VHT Operation: the channel width code it announces, or 0 to leave it.
qint64 vhtOperationWidth(const u8* body, int length)
{
    if (length < 1)
        return 0;
    switch (body[0]) {
    case 1:
        if (length >= 3 && body[2] != 0) {
            // 80 MHz element form of 160 and 80+80 MHz: the second centre
            // segment names the whole 160 MHz block or the other 80 MHz block.
            const int distance = std::abs(int(body[2]) - int(body[1]));
            if (distance == 8)
                return 4;
            if (distance > 16)
                return 5;
        }
        return 3;
    case 2: return 4;
    case 3: return 5;
    default: return 0;
    }
}

// Rate bytes 0xFA-0xFF (the basic bit with values 122-127) select a
// membership rather than name a rate, as the element decoder reads them.
bool isMembershipSelector(u8 b) { return b >= 0xFA; }

} // namespace

int mcsRateTenths(int dataSubcarriers, int mcs, int streams, bool shortGuardInterval)
{
    if (mcs < 0 || mcs > 9 || streams < 1)
        return 0;
    // rate (Mb/s) = subcarriers x bits x coding rate x streams / symbol time (us);
    // symbol time 4.0 us, or 3.6 us with the short guard interval.
    const qint64 symbolTenthsUs = shortGuardInterval ? 36 : 40;
    const qint64 num = qint64(dataSubcarriers) * kBits[mcs] * kRateNum[mcs] * streams * 100;
    const qint64 den = qint64(kRateDen[mcs]) * symbolTenthsUs;
    return static_cast<int>((2 * num + den) / (2 * den));
}

namespace {

const QString& kPhyMode = SVScanKey::PhyMode;
const QString& kSecurityMode = SVScanKey::SecurityMode;
const QString& kChannelNumber = SVScanKey::ChannelNumber;
const QString& kElements = SVScanKey::InformationElementData;

} // namespace

SVDigestInputs SVDigestInputs::of(const QVariantMap& dictionary)
{
    SVDigestInputs in;
    in.phyMode = dictionary.value(kPhyMode).toLongLong();
    in.securityMode = dictionary.value(kSecurityMode).toLongLong();
    in.channelNumber = dictionary.value(kChannelNumber).toLongLong();
    const auto elements = dictionary.constFind(kElements);
    in.hasElements = elements != dictionary.constEnd();
    if (in.hasElements)
        in.elements = elements->toByteArray();
    return in;
}

void digestNetwork(const QVariantMap& dictionary, SVNetworkDigest& d)
{
    d.phyMode = dictionary.value(kPhyMode).toLongLong();
    d.securityMode = dictionary.value(kSecurityMode).toLongLong();
    const qint64 dictionarySecurity = d.securityMode;
    const qint64 dictionaryChannel = dictionary.value(kChannelNumber).toLongLong();

    qint64 phyFlags = 0;
    SecurityFlags security;
    SuiteInfo rsn;
    bool oweTransitionSeen = false;
    bool rsnSeen = false;
    bool wpaSeen = false;

    const auto ieIt = dictionary.constFind(kElements);
    if (ieIt == dictionary.constEnd()) {
        d.streams = 0;
        d.channelWidth = 0;
        d.stationCount = d.channelUtilization = d.htProtection = d.fastBssTransition = -1;
        d.ssid.clear();
        d.deviceName.clear();
        d.countryCode.clear();
        d.channel = 0;
        d.wpsEnabled = d.wpsConfigured = d.wpsLocked = false;
    } else {
        const QByteArray elements = ieIt->toByteArray();
        d.cipherType = 0;
        qint64 stationCount = -1, utilization = -1, htProtection = -1, fastBss = -1;
        QString deviceName, ssid, countryCode;
        qint64 elementChannel = 0;
        qint64 width = 0;
        qint64 secondaryOffset = 0;
        bool sgi20 = false, sgi40 = false, sgi80 = false, sgi160 = false;
        bool htOperationSeen = false, vhtSeen = false, spectrumElementSeen = false;
        bool wpsEnabled = false, wpsConfigured = false, wpsLocked = false;
        Amendments amendments;

        // First pass: SSID, channel, country, capabilities that need no channel.
        sv::forEachElement(elements, [&](unsigned id, const u8* body, int len) {
            switch (id) {
            case 0:
                if (len > 0)
                    ssid = sv::ssidText(QByteArrayView(body, len));
                break;
            case 3:
            case 61:
                if (elementChannel == 0 && len >= 1)
                    elementChannel = body[0];
                break;
            case 7:
                amendments.add('d');
                if (len >= 2)
                    countryCode = QString::fromLatin1(reinterpret_cast<const char*>(body), 2);
                break;
            case 32: case 35: case 37: case 40:
                spectrumElementSeen = true;
                break;
            case 45:
                if (len >= 1 && !(body[0] & 0x02))
                    width = 1;
                break;
            case 69: amendments.add('p'); break;
            case 70: amendments.add('k'); break;
            case 113: case 114: amendments.add('s'); break;
            case 127:
                if (len > 2 && (body[2] & 0x08))
                    amendments.add('v');
                break;
            case 191: case 192: vhtSeen = true; break;
            default: break;
            }
        });
        // The channel this very digest finds, so a new record's first digest
        // agrees with every later one.
        const qint64 channelNow = elementChannel != 0 ? elementChannel : dictionaryChannel;
        if (spectrumElementSeen && is5GHzChannel(channelNow))
            amendments.add('h');
        if (vhtSeen && d.phyMode == 0 && is5GHzChannel(channelNow))
            phyFlags = PhyAC;

        // Second pass: load, security, mobility, HT/VHT operation, vendor elements.
        sv::forEachElement(elements, [&](unsigned id, const u8* body, int len) {
            switch (id) {
            case 11:
                amendments.add('e');
                if (len == 4 || len == 5) {
                    stationCount = body[0] | (body[1] << 8);
                    utilization = body[2] * 100 / 255;
                    d.channelUtilizationMax = std::max(d.channelUtilizationMax, utilization);
                }
                break;
            case 45:
                if (len >= 1) {
                    sgi20 = body[0] & 0x20;
                    sgi40 = body[0] & 0x40;
                }
                break;
            case 48:
                amendments.add('i');
                rsnSeen = true;
                if (len > 8) {
                    const SuiteInfo info = parseSuites(body, len, 6, 8, sv::oui::Ieee80211, d.cipherType, security);
                    rsn.akms |= info.akms;
                    rsn.mfpRequired |= info.mfpRequired;
                    if (info.mfpCapable)
                        amendments.add('w');
                }
                break;
            case 54:
                amendments.add('r');
                if (len == 3)
                    fastBss = body[2] & 0x01;
                break;
            case 61:
                if (len >= 2)
                    secondaryOffset = body[1] & 0x03;
                if (len >= 3)
                    htProtection = body[2] & 0x03;
                if (d.phyMode == 0 && phyFlags != PhyAC)
                    phyFlags |= PhyN;
                htOperationSeen = true;
                break;
            case 133:
                if (len >= 26) {
                    deviceName = nameText(body + 10, 16);
                    if (stationCount == -1 && len >= 27)
                        stationCount = body[26];
                }
                break;
            case 191:
                if (len >= 1) {
                    sgi80 = body[0] & 0x20;
                    sgi160 = body[0] & 0x40;
                }
                break;
            case 192:
                if (const qint64 w = vhtOperationWidth(body, len))
                    width = w;
                break;
            case 221: {
                if (len <= 4)
                    break;
                const u8 type = body[3];
                if (sv::oui::matches(body, sv::oui::WiFiAlliance)) {
                    if (type == 0x10)
                        amendments.add('u');
                    else if (type == 0x1C)
                        oweTransitionSeen = true;
                } else if (sv::oui::matches(body, sv::oui::Microsoft)) {
                    if (type == 4) {
                        wpsEnabled = true;
                        if (len > 8) {
                            int pos = 4;
                            while (len - pos > 4) {
                                const int attr = (body[pos] << 8) | body[pos + 1];
                                const int attrLen = (body[pos + 2] << 8) | body[pos + 3];
                                if (attrLen > len - pos - 4)
                                    break;
                                const u8* value = body + pos + 4;
                                if (attr == 0x1057 && attrLen >= 1 && value[0] != 0)
                                    wpsLocked = true;
                                if (attr == 0x1044 && attrLen >= 1 && value[0] == 2)
                                    wpsConfigured = true;
                                pos += 4 + attrLen;
                            }
                        }
                    } else if (type == 2) {
                        amendments.add('e');
                    } else if (type == 1) {
                        wpaSeen = true;
                        parseSuites(body, len, 10, 12, sv::oui::Microsoft, d.cipherType, security);
                    }
                } else if (sv::oui::matches(body, sv::oui::Aruba)) {
                    if (type == 1 && len > 6 && body[4] == 3)
                        deviceName = nameText(body + 6, len - 6);
                } else if (sv::oui::matches(body, sv::oui::Symbol)) {
                    if (type == 1 && len > 12 && body[4] == 3)
                        deviceName = nameText(body + 12, len - 12);
                } else if (sv::oui::matches(body, sv::oui::MikroTik)) {
                    int pos = 4;
                    while (len - pos >= 2) {
                        const int subId = body[pos];
                        const int subLen = body[pos + 1];
                        if (subLen > len - pos - 2)
                            break;
                        if (subId == 1 && subLen > 10)
                            deviceName = nameText(body + pos + 2 + 10, subLen - 10);
                        pos += 2 + subLen;
                    }
                }
                break;
            }
            default: break;
            }
        });

        if (!htOperationSeen)
            secondaryOffset = 0;
        bool twentyMHz = false;
        if (width == 1) {
            secondaryOffset = 0;
            twentyMHz = true;
        } else if (width == 0) {
            if (secondaryOffset == 1 || secondaryOffset == 3) {
                width = 2;
            } else {
                secondaryOffset = 0;
                width = 1;
                twentyMHz = true;
            }
        }

        // Third pass: HT and VHT rates and streams.
        RateSet mcsRates;
        quint64 streams = 0;
        sv::forEachElement(elements, [&](unsigned id, const u8* body, int len) {
            if (id == 191 && len >= 9) {
                int subcarriers = 0;
                bool shortGI = false;
                if (twentyMHz) {
                    subcarriers = 52;
                    shortGI = sgi20;
                } else if (width == 2) {
                    subcarriers = 108;
                    shortGI = sgi40;
                } else if (width == 3) {
                    subcarriers = 234;
                    shortGI = sgi80;
                } else if (width == 4 || width == 5) {
                    // 80+80 MHz carries the same rates as 160 MHz.
                    subcarriers = 468;
                    shortGI = sgi160;
                }
                const u8 map = body[8];
                quint64 supported = 0;
                for (int n = 1; n <= 4; ++n) {
                    const int code = (map >> (2 * (n - 1))) & 0x03;
                    if (code == 3)
                        continue;
                    ++supported;
                    if (subcarriers == 0)
                        continue;
                    for (int mcs = 0; mcs <= 7 + code; ++mcs) {
                        // Combinations the standard leaves out.
                        if (subcarriers == 52 && mcs == 9 && (n == 1 || n == 2 || n == 4))
                            continue;
                        if (subcarriers == 234 && mcs == 6 && n == 3)
                            continue;
                        if (subcarriers == 468 && mcs == 9 && n == 3)
                            continue;
                        if (shortGI)
                            mcsRates.add(mcsRateTenths(subcarriers, mcs, n, true));
                        mcsRates.add(mcsRateTenths(subcarriers, mcs, n, false));
                    }
                }
                if (supported > 0)
                    streams = supported;
            } else if (id == 45) {
                const bool forty = width == 2;
                const int subcarriers = forty ? 108 : 52;
                const bool shortGI = forty ? sgi40 : sgi20;
                int highest = -1;
                for (int m = 0; m < 32; ++m) {
                    const int byteIndex = 3 + m / 8;
                    if (byteIndex >= len)
                        break;
                    if (!(body[byteIndex] & (1 << (m % 8))))
                        continue;
                    highest = m;
                    const int n = m / 8 + 1;
                    const int mcs = m % 8;
                    if (shortGI)
                        mcsRates.add(mcsRateTenths(subcarriers, mcs, n, true));
                    mcsRates.add(mcsRateTenths(subcarriers, mcs, n, false));
                }
                streams = highest > 23 ? 4 : highest >= 16 ? 3 : highest >= 8 ? 2 : 1;
            }
        });

        std::vector<double> rates = mcsRates.ascending();

        // Fourth pass: Cisco extensions and the legacy rate sets.
        sv::forEachElement(elements, [&](unsigned id, const u8* body, int len) {
            if ((id == 150 || id == 221) && len > 4 && sv::oui::matches(body, sv::oui::Cisco)) {
                if (body[3] == 0x14)
                    d.ccxClientMFP = body[4] & 0x01
                        ? QCoreApplication::translate("SVNetwork", "Enabled")
                        : QCoreApplication::translate("SVNetwork", "Disabled");
                else if (body[3] == 0)
                    d.ccxDTPC = body[4];
            } else if (id == 1 || id == 50) {
                for (int i = 0; i < len; ++i) {
                    const u8 b = body[i];
                    if (isMembershipSelector(b))
                        continue;
                    const double r = (b & 0x7F) * 0.5;
                    const auto same = std::find(rates.begin(), rates.end(), r);
                    if (same != rates.end())
                        rates.erase(same);
                    rates.push_back((b & 0x80) ? -r : r);
                }
            }
        });

        std::stable_sort(rates.begin(), rates.end(),
                         [](double a, double b) { return std::fabs(a) < std::fabs(b); });
        d.minBasicRate = d.maxBasicRate = 0;
        for (double r : rates) {
            if (r < 0) {
                if (d.minBasicRate == 0)
                    d.minBasicRate = static_cast<float>(-r);
                d.maxBasicRate = static_cast<float>(-r);
            }
        }
        d.rates = std::move(rates);
        d.amendments = amendments.list();
        d.secondaryChannelOffset = secondaryOffset;

        d.streams = streams;
        d.channelWidth = width;
        d.stationCount = stationCount;
        d.channelUtilization = utilization;
        d.htProtection = htProtection;
        d.fastBssTransition = fastBss;
        d.ssid = ssid;
        d.deviceName = deviceName;
        d.countryCode = countryCode.toUpper();
        d.channel = elementChannel;
        d.wpsEnabled = wpsEnabled;
        d.wpsConfigured = wpsConfigured;
        d.wpsLocked = wpsLocked;
    }

    if (security.adaptive && (d.fastBssTransition == 0 || d.fastBssTransition == 1))
        d.fastBssTransition += 2;

    if (d.phyMode == 0) {
        const qint64 channel = d.channel != 0 ? d.channel : dictionaryChannel;
        auto hasRate = [&](std::initializer_list<double> wanted) {
            for (double r : d.rates)
                for (double w : wanted)
                    if (std::fabs(r) == w)
                        return true;
            return false;
        };
        const std::initializer_list<double> ofdm = {6, 12, 18, 24, 36, 48, 54};
        qint64 modes = phyFlags;
        if (is5GHzChannel(channel)) {
            if (phyFlags != PhyAC && hasRate(ofdm))
                modes |= PhyA;
        } else if (is2Dot4GHzChannel(channel)) {
            if (hasRate({1, 2, 5.5, 11}))
                modes |= PhyB;
            if (hasRate(ofdm))
                modes |= PhyG;
        }
        d.phyMode = modes;
    }

    if (dictionarySecurity == std::numeric_limits<qint64>::max() || dictionarySecurity == 1) {
        if (rsnSeen && wpaSeen)
            d.securityMode = security.enterprise ? 8 : 3;
        else if (wpaSeen)
            d.securityMode = security.enterprise ? 7 : 2;
        else if (rsnSeen)
            d.securityMode = rsnSecurityMode(rsn, security.enterprise);
        // The open network of an OWE transition pair names its OWE twin in
        // a Wi-Fi Alliance element; it has no privacy of its own.
        else if (oweTransitionSeen && dictionarySecurity == std::numeric_limits<qint64>::max())
            d.securityMode = 15;
    }

    if (d.phyMode != 0 && d.streams == 0)
        d.streams = 1;
}
