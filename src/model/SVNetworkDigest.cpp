#include "model/SVNetworkDigest.h"

#include "elements/ElementTablesBasic.h"
#include "model/SVElementDigest.h"
#include "platform/wlan/CWChannel.h"
#include "model/SVScanDictionary.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {


// Bits per subcarrier and coding rate of VHT/HT MCS 0-9.
constexpr int kBits[10] = {1, 2, 2, 4, 4, 6, 6, 6, 8, 8};
constexpr int kRateNum[10] = {1, 1, 3, 1, 3, 2, 3, 5, 3, 5};
constexpr int kRateDen[10] = {2, 2, 4, 2, 4, 3, 4, 6, 4, 6};

bool is5GHzChannel(qint64 c) { return c >= 36 && c <= 165; }
bool is2Dot4GHzChannel(qint64 c) { return c >= 1 && c <= 14; }

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

// Security mode of a network with an RSN element and no WPA element, from
// the RSN AKMs: SAE (8, 9; 24, 25 with the longer keys) is WPA3 Personal, or
// the WPA2/WPA3 transition beside a PSK suite; Suite-B 802.1X (12, 13) with
// management frame protection required is WPA3 Enterprise; OWE (18) alone is
// OWE. Anything else reads as WPA2 as it always did.
qint64 rsnSecurityMode(const SVSuiteInfo& rsn, bool enterprise)
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
    // One walk over the dictionary rather than a search per key: every scan
    // of every record comes through here.
    SVDigestInputs in;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        const QString& key = it.key();
        if (key == kPhyMode) {
            in.phyMode = it->toLongLong();
        } else if (key == kSecurityMode) {
            in.securityMode = it->toLongLong();
        } else if (key == kChannelNumber) {
            in.channelNumber = it->toLongLong();
        } else if (key == kElements) {
            in.hasElements = true;
            in.elements = it->toByteArray();
        }
    }
    return in;
}

namespace {

// HT and VHT rates of the gathered capabilities at the network's width.
std::vector<double> mcsRates(const SVElementFacts& f, qint64 width, bool twentyMHz)
{
    RateSet rates;
    int subcarriers = 0;
    bool shortGI = false;
    if (twentyMHz) {
        subcarriers = 52;
        shortGI = f.shortGI20;
    } else if (width == kCWChannelWidth40MHz) {
        subcarriers = 108;
        shortGI = f.shortGI40;
    } else if (width == kCWChannelWidth80MHz) {
        subcarriers = 234;
        shortGI = f.shortGI80;
    } else if (width == kCWChannelWidth160MHz || width == kCWChannelWidth80Plus80MHz) {
        // 80+80 MHz carries the same rates as 160 MHz.
        subcarriers = 468;
        shortGI = f.shortGI160;
    }
    for (int n = 1; n <= 4 && subcarriers != 0; ++n) {
        const int code = f.vhtMapCode[n - 1];
        for (int mcs = 0; code >= 0 && mcs <= 7 + code; ++mcs) {
            // Combinations the standard leaves out.
            if (subcarriers == 52 && mcs == 9 && (n == 1 || n == 2 || n == 4))
                continue;
            if (subcarriers == 234 && mcs == 6 && n == 3)
                continue;
            if (subcarriers == 468 && mcs == 9 && n == 3)
                continue;
            if (shortGI)
                rates.add(mcsRateTenths(subcarriers, mcs, n, true));
            rates.add(mcsRateTenths(subcarriers, mcs, n, false));
        }
    }
    const bool forty = width == kCWChannelWidth40MHz;
    const int htSubcarriers = forty ? 108 : 52;
    const bool htShortGI = forty ? f.shortGI40 : f.shortGI20;
    for (int m = 0; m < 32; ++m) {
        if (!(f.htMcs & (1u << m)))
            continue;
        const int n = m / 8 + 1;
        const int mcs = m % 8;
        if (htShortGI)
            rates.add(mcsRateTenths(htSubcarriers, mcs, n, true));
        rates.add(mcsRateTenths(htSubcarriers, mcs, n, false));
    }
    return rates.ascending();
}

// The legacy rate sets laid over the HT and VHT rates: a rate named again
// replaces its entry, negated when it is basic.
void addLegacyRates(std::vector<double>& rates, const QByteArray& rateBytes)
{
    for (const char c : rateBytes) {
        const auto b = quint8(c);
        // A membership selector names no rate.
        if (sv::elements::basic::isMembershipSelector(b))
            continue;
        const double r = (b & 0x7F) * 0.5;
        const auto same = std::find(rates.begin(), rates.end(), r);
        if (same != rates.end())
            rates.erase(same);
        rates.push_back((b & 0x80) ? -r : r);
    }
    std::stable_sort(rates.begin(), rates.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
}

} // namespace

void digestNetwork(const QVariantMap& dictionary, SVNetworkDigest& d)
{
    d.phyMode = dictionary.value(kPhyMode).toLongLong();
    d.securityMode = dictionary.value(kSecurityMode).toLongLong();
    const qint64 dictionarySecurity = d.securityMode;
    const qint64 dictionaryChannel = dictionary.value(kChannelNumber).toLongLong();

    qint64 phyFlags = 0;
    SVElementFacts f;

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
        f = gatherElementFacts(ieIt->toByteArray());
        // The channel this very digest finds, so a new record's first digest
        // agrees with every later one.
        const qint64 channelNow = f.channel != 0 ? f.channel : dictionaryChannel;
        if (f.spectrumElementSeen && is5GHzChannel(channelNow))
            f.amendments.add('h');
        if (f.vhtSeen && d.phyMode == 0 && is5GHzChannel(channelNow))
            phyFlags = PhyAC;
        if (f.htOperationSeen && d.phyMode == 0 && phyFlags != PhyAC)
            phyFlags |= PhyN;
        if (f.utilizationMax >= 0)
            d.channelUtilizationMax = std::max(d.channelUtilizationMax, f.utilizationMax);
        if (f.ccxClientMFP)
            d.ccxClientMFP = *f.ccxClientMFP ? QCoreApplication::translate("SVNetwork", "Enabled")
                                             : QCoreApplication::translate("SVNetwork", "Disabled");
        if (f.ccxDTPC)
            d.ccxDTPC = *f.ccxDTPC;

        qint64 width = f.vhtWidth != 0 ? f.vhtWidth : f.twentyMHzOnly ? kCWChannelWidth20MHz : 0;
        qint64 secondaryOffset = f.secondaryOffset;
        bool twentyMHz = false;
        if (width == kCWChannelWidth20MHz) {
            secondaryOffset = 0;
            twentyMHz = true;
        } else if (width == 0) {
            if (secondaryOffset == 1 || secondaryOffset == 3) {
                width = kCWChannelWidth40MHz;
            } else {
                secondaryOffset = 0;
                width = kCWChannelWidth20MHz;
                twentyMHz = true;
            }
        }

        std::vector<double> rates = mcsRates(f, width, twentyMHz);
        addLegacyRates(rates, f.legacyRates);
        d.minBasicRate = d.maxBasicRate = 0;
        for (double r : rates) {
            if (r < 0) {
                if (d.minBasicRate == 0)
                    d.minBasicRate = static_cast<float>(-r);
                d.maxBasicRate = static_cast<float>(-r);
            }
        }
        d.rates = std::move(rates);
        d.amendments = f.amendments.list();
        d.secondaryChannelOffset = secondaryOffset;
        d.cipherType = f.cipherType;

        d.streams = f.streams;
        d.channelWidth = width;
        d.stationCount = f.stationCount;
        d.channelUtilization = f.utilization;
        d.htProtection = f.htProtection;
        d.fastBssTransition = f.fastBssTransition;
        d.ssid = f.ssid;
        d.deviceName = f.deviceName;
        d.countryCode = f.countryCode.toUpper();
        d.channel = f.channel;
        d.wpsEnabled = f.wpsEnabled;
        d.wpsConfigured = f.wpsConfigured;
        d.wpsLocked = f.wpsLocked;
    }

    if (f.adaptive && (d.fastBssTransition == 0 || d.fastBssTransition == 1))
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
        if (f.rsnSeen && f.wpaSeen)
            d.securityMode = f.enterprise ? 8 : 3;
        else if (f.wpaSeen)
            d.securityMode = f.enterprise ? 7 : 2;
        else if (f.rsnSeen)
            d.securityMode = rsnSecurityMode(f.rsn, f.enterprise);
        // The open network of an OWE transition pair names its OWE twin in
        // a Wi-Fi Alliance element; it has no privacy of its own.
        else if (f.oweTransitionSeen && dictionarySecurity == std::numeric_limits<qint64>::max())
            d.securityMode = 15;
    }

    if (d.phyMode != 0 && d.streams == 0)
        d.streams = 1;
}
