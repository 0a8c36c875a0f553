#include "model/SVElementDigest.h"

#include "elements/ElementReader.h"
#include "elements/ElementTables.h"
#include "elements/ElementTablesHT.h"
#include "elements/ElementTablesSecurity.h"
#include "platform/DataAdditions.h"
#include "platform/wlan/ElementWalk.h"
#include "platform/wlan/WlanElements.h"

#include <algorithm>
#include <array>
#include <bit>

using sv::elements::ElementReader;
using namespace sv::wlan;

namespace {

constexpr char kAmendmentLetters[] = {'d', 'e', 'h', 'i', 'k', 'p', 'r', 's', 'u', 'v', 'w'};

// Access-point names are read to this many bytes, as the element tree reads them.
constexpr qsizetype kNameBytes = 128;

using Digester = void (*)(SVElementFacts&, const ElementReader&);

void takeChannel(SVElementFacts& f, const ElementReader& b)
{
    if (f.channel == 0 && b.has(0))
        f.channel = b.u8(0);
}

void digestSSID(SVElementFacts& f, const ElementReader& b) { f.ssid = sv::ssidText(b.bytes()); }
void digestRates(SVElementFacts& f, const ElementReader& b) { f.legacyRates += b.bytes(); }
void digestSpectrum(SVElementFacts& f, const ElementReader&) { f.spectrumElementSeen = true; }
void digestTimeAdvertisement(SVElementFacts& f, const ElementReader&) { f.amendments.add('p'); }
void digestRMCapabilities(SVElementFacts& f, const ElementReader&) { f.amendments.add('k'); }
void digestMesh(SVElementFacts& f, const ElementReader&) { f.amendments.add('s'); }

void digestCountry(SVElementFacts& f, const ElementReader& b)
{
    f.amendments.add('d');
    if (b.has(0, 2))
        f.countryCode = QString::fromLatin1(b.slice(0, 2));
}

void digestBSSLoad(SVElementFacts& f, const ElementReader& b)
{
    f.amendments.add('e');
    if (b.size() == 4 || b.size() == 5) {
        f.stationCount = b.le16(0);
        f.utilization = b.u8(2) * 100 / 255;
        f.utilizationMax = std::max(f.utilizationMax, f.utilization);
    }
}

void digestHTCapabilities(SVElementFacts& f, const ElementReader& b)
{
    using namespace sv::elements::ht;
    if (b.has(0)) {
        const quint8 info = b.u8(0);
        f.twentyMHzOnly |= !(info & kHTChannelWidth40);
        f.shortGI20 = info & kHTShortGI20;
        f.shortGI40 = info & kHTShortGI40;
    }
    // Rx MCS bitmask from byte 3: bit j of byte m is MCS 8m + j.
    quint32 mcs = 0;
    for (int i = 0; i < 4; ++i)
        mcs |= quint32(b.u8(3 + i)) << (8 * i);
    f.htMcs |= mcs;
    const int highest = 31 - std::countl_zero(mcs);
    f.streams = highest > 23 ? 4 : highest >= 16 ? 3 : highest >= 8 ? 2 : 1;
}

// Pairwise cipher and AKM suite lists of an RSN or WPA element: a one-byte
// count (the low byte of two) and 4-byte suites. Lists end at the last whole
// suite inside the body; a cut list leaves what follows absent.
SVSuiteInfo digestSuites(SVElementFacts& f, const ElementReader& b, qsizetype countAt, qsizetype suitesAt,
                         const std::array<quint8, 3>& oui)
{
    const QByteArrayView suiteOUI(oui.data(), qsizetype(oui.size()));
    SVSuiteInfo info;
    if (!b.has(countAt))
        return info;
    const int pairwise = b.u8(countAt);
    qsizetype at = suitesAt;
    for (int i = 0; i < pairwise; ++i, at += 4) {
        if (!b.has(at, 4))
            return info;
        if (b.slice(at, 3) != suiteOUI)
            continue;
        switch (b.u8(at + 3)) {
        case 1: f.cipherType |= 1; break; // WEP-40
        case 2: f.cipherType |= 2; break; // TKIP
        case 4: f.cipherType |= 4; break; // CCMP
        case 5: f.cipherType |= 8; break; // WEP-104
        default: break;
        }
    }
    if (!b.has(at, 2))
        return info;
    const int akmCount = b.u8(at);
    at += 2;
    bool fastTransition = false;
    bool cut = false;
    for (int i = 0; i < akmCount; ++i, at += 4) {
        if (!b.has(at, 4)) {
            cut = true;
            break;
        }
        if (b.slice(at, 3) != suiteOUI)
            continue;
        const quint8 type = b.u8(at + 3);
        if (type < 32)
            info.akms |= 1u << type;
        if (type == 1 || type == 3 || type == 5) // 802.1X, FT 802.1X, 802.1X SHA-256
            f.enterprise = true;
        if (type == 3 || type == 4) // FT 802.1X, FT PSK
            fastTransition = true;
    }
    if (!fastTransition)
        f.adaptive = true;
    if (!cut && b.has(at)) {
        info.mfpCapable = b.u8(at) & 0x80;
        info.mfpRequired = b.u8(at) & 0x40;
    }
    return info;
}

void digestRSN(SVElementFacts& f, const ElementReader& b)
{
    f.amendments.add('i');
    f.rsnSeen = true;
    if (b.size() <= 8)
        return;
    const SVSuiteInfo info = digestSuites(f, b, 6, 8, sv::elements::security::kIEEE80211SuiteOUI);
    f.rsn.akms |= info.akms;
    f.rsn.mfpRequired |= info.mfpRequired;
    if (info.mfpCapable)
        f.amendments.add('w');
}

void digestMobilityDomain(SVElementFacts& f, const ElementReader& b)
{
    f.amendments.add('r');
    if (b.size() == 3)
        f.fastBssTransition = b.u8(2) & 0x01;
}

void digestHTOperation(SVElementFacts& f, const ElementReader& b)
{
    takeChannel(f, b);
    if (b.has(1))
        f.secondaryOffset = b.u8(1) & 0x03;
    if (b.has(2))
        f.htProtection = b.u8(2) & 0x03;
    f.htOperationSeen = true;
}

void digestExtendedCapabilities(SVElementFacts& f, const ElementReader& b)
{
    if (b.u8(2) & 0x08) // BSS transition
        f.amendments.add('v');
}

void digestCiscoCCX1(SVElementFacts& f, const ElementReader& b)
{
    f.deviceName = b.utf8(10, 16);
    if (f.stationCount == -1 && b.has(26))
        f.stationCount = b.u8(26);
}

void digestCisco(SVElementFacts& f, const ElementReader& b)
{
    if (b.u8(3) == 0x14)
        f.ccxClientMFP = b.u8(4) & 0x01;
    else if (b.u8(3) == 0)
        f.ccxDTPC = b.u8(4);
}

void digestCiscoVendorSpecific(SVElementFacts& f, const ElementReader& b)
{
    if (sv::elements::vendorForBody(b.bytes()) == sv::elements::VendorOUI::Cisco)
        digestCisco(f, b);
}

void digestVHTCapabilities(SVElementFacts& f, const ElementReader& b)
{
    using namespace sv::elements::ht;
    f.vhtSeen = true;
    if (b.has(0)) {
        f.shortGI80 = b.u8(0) & kVHTShortGI80;
        f.shortGI160 = b.u8(0) & kVHTShortGI160;
    }
    if (!b.has(8))
        return;
    // First byte of the Tx VHT-MCS map: two bits per stream, stream 1 lowest.
    const quint8 map = b.u8(8);
    quint64 supported = 0;
    for (int n = 0; n < 4; ++n) {
        const int code = (map >> (2 * n)) & 0x03;
        if (code == 3)
            continue;
        ++supported;
        f.vhtMapCode[n] = std::max(f.vhtMapCode[n], code);
    }
    if (supported > 0)
        f.streams = supported;
}

void digestVHTOperation(SVElementFacts& f, const ElementReader& b)
{
    f.vhtSeen = true;
    if (const int width = vhtOperationWidth(b.u8(0), b.u8(1), b.u8(2)))
        f.vhtWidth = width;
}

void digestMicrosoft(SVElementFacts& f, const ElementReader& b)
{
    switch (b.u8(3)) {
    case 1:
        f.wpaSeen = true;
        digestSuites(f, b, 10, 12, sv::elements::security::kWPASuiteOUI);
        break;
    case 2: // WMM
        f.amendments.add('e');
        break;
    case 4:
        f.wpsEnabled = true;
        sv::elements::forEachWPSAttribute(b, 4, [&](quint16 type, const ElementReader& value) {
            if (type == sv::elements::kWPSSetupLocked && value.u8(0) != 0)
                f.wpsLocked = true;
            if (type == sv::elements::kWPSState && value.u8(0) == 2) // configured
                f.wpsConfigured = true;
        });
        break;
    default: break;
    }
}

void digestVendorSpecific(SVElementFacts& f, const ElementReader& b)
{
    using sv::elements::VendorOUI;
    const quint8 type = b.u8(3);
    const std::optional<VendorOUI> vendor = sv::elements::vendorForBody(b.bytes());
    if (!vendor)
        return;
    switch (*vendor) {
    case VendorOUI::Cisco: digestCisco(f, b); break;
    case VendorOUI::Microsoft: digestMicrosoft(f, b); break;
    case VendorOUI::Aruba:
        if (type == 1 && b.size() > 6 && b.u8(4) == 3)
            f.deviceName = b.utf8(6, kNameBytes);
        break;
    case VendorOUI::Zebra:
        if (type == 1 && b.size() > 12 && b.u8(4) == 3)
            f.deviceName = b.utf8(12, kNameBytes);
        break;
    case VendorOUI::Routerboard:
        for (const Element& sub : ElementWalk(b.slice(4)))
            if (sub.id == 1 && sub.body.size() > 10)
                f.deviceName = ElementReader(sub.body).utf8(10, kNameBytes);
        break;
    case VendorOUI::WiFiAlliance:
        if (type == 0x10) // Hotspot 2.0 indication
            f.amendments.add('u');
        else if (type == 0x1C) // OWE transition mode
            f.oweTransitionSeen = true;
        break;
    }
}

struct DigestRow {
    unsigned id;
    qsizetype minLength; // shorter bodies are skipped
    Digester digest;
};

// Element ID -> the body bytes it needs and its digester.
constexpr DigestRow kDigestRows[] = {
    {kSSID, 1, digestSSID},
    {kSupportedRates, 0, digestRates},
    {kDSParameterSet, 1, takeChannel},
    {kCountry, 0, digestCountry},
    {kBSSLoad, 0, digestBSSLoad},
    {kPowerConstraint, 0, digestSpectrum},
    {kTPCReport, 0, digestSpectrum},
    {kChannelSwitchAnnouncement, 0, digestSpectrum},
    {kQuiet, 0, digestSpectrum},
    {kHTCapabilities, 0, digestHTCapabilities},
    {kRSN, 0, digestRSN},
    {kExtendedSupportedRates, 0, digestRates},
    {kMobilityDomain, 0, digestMobilityDomain},
    {kHTOperation, 0, digestHTOperation},
    {kTimeAdvertisement, 0, digestTimeAdvertisement},
    {kRMEnabledCapabilities, 0, digestRMCapabilities},
    {kMeshConfiguration, 0, digestMesh},
    {kMeshID, 0, digestMesh},
    {kExtendedCapabilities, 0, digestExtendedCapabilities},
    {kCiscoCCX1, 26, digestCiscoCCX1},
    {kCiscoVendorSpecific, 5, digestCiscoVendorSpecific},
    {kVHTCapabilities, 0, digestVHTCapabilities},
    {kVHTOperation, 0, digestVHTOperation},
    {kVendorSpecific, 5, digestVendorSpecific},
};

constexpr std::array<DigestRow, 256> makeDigesters()
{
    std::array<DigestRow, 256> rows{};
    for (const DigestRow& row : kDigestRows)
        rows[row.id] = row;
    return rows;
}

constexpr std::array<DigestRow, 256> kDigesters = makeDigesters();

} // namespace

void SVAmendments::add(char letter)
{
    for (unsigned i = 0; i < sizeof kAmendmentLetters; ++i)
        if (kAmendmentLetters[i] == letter)
            bits |= 1u << i;
}

QStringList SVAmendments::list() const
{
    QStringList out;
    for (unsigned i = 0; i < sizeof kAmendmentLetters; ++i)
        if (bits & (1u << i))
            out << QString(QLatin1Char(kAmendmentLetters[i]));
    return out;
}

SVElementFacts gatherElementFacts(QByteArrayView elements)
{
    SVElementFacts facts;
    for (const Element& e : ElementWalk(elements)) {
        const DigestRow& row = kDigesters[e.id];
        if (row.digest && e.body.size() >= row.minLength)
            row.digest(facts, ElementReader(e.body));
    }
    return facts;
}
