// Decoders of the plain elements of a beacon or probe response.

#include "elements/ElementDecoders.h"
#include "elements/ElementTablesBasic.h"
#include "platform/DataAdditions.h"

namespace sv::elements {

using namespace basic;

namespace {

QString number(qint64 value)
{
    return QString::number(value);
}

// Printable ASCII only, so a garbled code never reaches the summary.
std::optional<QString> countryCode(const ElementReader& body)
{
    QString code;
    for (qsizetype i = 0; i < 2; ++i) {
        const quint8 c = body.u8(i);
        if (c < 0x20 || c > 0x7E)
            return std::nullopt;
        code += QLatin1Char(char(c));
    }
    return code.toUpper();
}

SVField countryTriplet(quint8 first, quint8 second, quint8 third)
{
    if (first >= kFirstOperatingExtension) {
        return entryWithName(QStringLiteral("Operating Triplet"),
                             QStringLiteral("Operating Class %1, Coverage Class %2").arg(second).arg(third), std::nullopt,
                             std::vector<SVField>{
                                 entryWithName(QStringLiteral("Operating Extension Identifier"), number(first)),
                                 entryWithName(QStringLiteral("Operating Class"), number(second)),
                                 entryWithName(QStringLiteral("Coverage Class"), number(third)),
                             });
    }
    const int power = qint8(third);
    QString value;
    if (second < 2) {
        value = QStringLiteral("Channel %1: %2").arg(first).arg(power);
    } else {
        // 2.4 GHz channels step by one, 5 GHz channels by four.
        const int last = first < 15 ? first + second - 1 : first + 4 * (second - 1);
        value = QStringLiteral("Channels %1 to %2: %3").arg(first).arg(last).arg(power);
    }
    return entryWithName(QStringLiteral("Country Info"), value, QStringLiteral("dBm"),
                         std::vector<SVField>{
                             entryWithName(QStringLiteral("First Channel"), number(first)),
                             entryWithName(QStringLiteral("Number of Channels"), number(second)),
                             entryWithName(QStringLiteral("Maximum Transmit Power Level"), number(power),
                                           QStringLiteral("dBm")),
                         });
}

} // namespace

void decodeSSID(ElementDecoding& d)
{
    const QString ssid = sv::ssidText(d.body.bytes());
    d.add(entryWithName(QStringLiteral("SSID"), ssid.isEmpty() ? Text() : Text(ssid)));
    if (d.body.size() > 0) // a hidden network's empty SSID has no bytes to show
        d.add(entryWithName(QStringLiteral("SSID Data"), d.body.hex(0, ElementReader::kToEnd, u" ")));
    d.summary = ssid;
}

void decodeSupportedRates(ElementDecoding& d)
{
    QStringList pieces;
    for (qsizetype i = 0; i < d.body.size(); ++i) {
        const quint8 b = d.body.u8(i);
        const bool isBasic = b & 0x80;
        const quint8 halfMbps = b & 0x7F;
        if (isMembershipSelector(b)) {
            d.add(entryWithName(QStringLiteral("BSS Membership Selector"), number(halfMbps),
                                QStringLiteral("(%1)").arg(*textForValue(kMembershipSelectors, halfMbps))));
            continue;
        }
        const QString rate = (halfMbps % 2) ? QString::number(halfMbps / 2.0, 'f', 1) : number(halfMbps / 2);
        const std::optional<QString> modulation = textForValue(kRateClasses, halfMbps);
        const QString notes = QStringLiteral("Mbps%1%2").arg(modulation ? QStringLiteral(" (%1)").arg(*modulation) : QString(),
                                                            isBasic ? QStringLiteral(" (BSS Basic Rate)") : QString());
        d.add(entryWithName(QStringLiteral("Supported Rate"), rate, notes));
        pieces.append(isBasic ? rate + QStringLiteral("(B)") : rate);
    }
    if (!pieces.isEmpty())
        d.summary = QStringLiteral("%1 Mbps").arg(pieces.join(QStringLiteral(", ")));
}

void decodeDSParameter(ElementDecoding& d)
{
    const quint8 channel = d.body.u8(0);
    d.add(entryWithName(QStringLiteral("Current Channel"), number(channel)));
    d.summary = QStringLiteral("Current channel: %1").arg(channel);
}

void decodeTIM(ElementDecoding& d)
{
    d.add(entryWithName(QStringLiteral("DTIM Count"), number(d.body.u8(0))));
    d.add(entryWithName(QStringLiteral("DTIM Period"), number(d.body.u8(1))));
    d.add(flagWord(QStringLiteral("Bitmap Control"), BitWidth::Bits8, d.body.u8(2), kBitmapControl));
    d.add(entryWithName(QStringLiteral("Partial Virtual Bitmap"), d.body.hex(3)));
}

void decodeIBSSParameter(ElementDecoding& d)
{
    d.add(entryWithName(QStringLiteral("ATIM Window"), number(d.body.le16(0)), QStringLiteral("Time Units")));
}

void decodeCountry(ElementDecoding& d)
{
    const std::optional<QString> code = countryCode(d.body);
    const quint8 environmentByte = d.body.u8(2);
    const QString environment = textForValue(kCountryEnvironments, environmentByte)
                                    .value_or(QStringLiteral("Unknown (%1)").arg(hexText(BitWidth::Bits8, environmentByte)));
    d.add(entryWithName(QStringLiteral("Country Code"), code));
    d.add(entryWithName(QStringLiteral("Environment"), environment));
    // Only whole triplets; a pad byte at the end is left out.
    for (qsizetype at = 3; d.body.has(at, 3); at += 3)
        d.add(countryTriplet(d.body.u8(at), d.body.u8(at + 1), d.body.u8(at + 2)));
    d.summary = QStringLiteral("%1 (%2 Environment)").arg(code.value_or(QString()), environment);
}

void decodeBSSLoad(ElementDecoding& d)
{
    const quint16 stations = d.body.le16(0);
    const quint8 utilization = d.body.u8(2);
    const int percent = utilization * 100 / 255;
    d.add(entryWithName(QStringLiteral("Station Count"), number(stations)));
    d.add(entryWithName(QStringLiteral("Channel Utilization"), number(utilization), QStringLiteral("(%1%)").arg(percent)));
    d.add(entryWithName(QStringLiteral("Available Admission Capacity"), number(d.body.le16(3))));
    d.summary = QStringLiteral("Stations: %1, Channel Utilization: %2%").arg(stations).arg(percent);
}

void decodePowerConstraint(ElementDecoding& d)
{
    const quint8 constraint = d.body.u8(0);
    d.add(entryWithName(QStringLiteral("Local Power Constraint"), number(constraint), QStringLiteral("dBm")));
    d.summary = QStringLiteral("%1 dBm").arg(constraint);
}

// Transmit powers and the link margin are signed: stations may send below 0 dBm.
void decodePowerCapability(ElementDecoding& d)
{
    d.add(entryWithName(QStringLiteral("Minimum Transmit Power"), number(d.body.s8(0)), QStringLiteral("dBm")));
    d.add(entryWithName(QStringLiteral("Maximum Transmit Power"), number(d.body.s8(1)), QStringLiteral("dBm")));
}

void decodeTPCReport(ElementDecoding& d)
{
    const qint8 power = d.body.s8(0);
    const qint8 margin = d.body.s8(1);
    d.add(entryWithName(QStringLiteral("Transmit Power"), number(power), QStringLiteral("dBm")));
    d.add(entryWithName(QStringLiteral("Link Margin"), number(margin)));
    d.summary = QStringLiteral("Transmit Power: %1 dBm, Link Margin: %2").arg(power).arg(margin);
}

void decodeChannelSwitchAnnouncement(ElementDecoding& d)
{
    const quint8 channel = d.body.u8(1);
    d.add(entryWithName(QStringLiteral("Channel Switch Mode"), number(d.body.u8(0))));
    d.add(entryWithName(QStringLiteral("New Channel Number"), number(channel)));
    d.add(entryWithName(QStringLiteral("Channel Switch Count"), number(d.body.u8(2)), QStringLiteral("TBTTs")));
    d.summary = QStringLiteral("New Channel Number: %1").arg(channel);
}

void decodeERPInformation(ElementDecoding& d)
{
    const quint8 flags = d.body.u8(0);
    d.add(flagWord(QStringLiteral("ERP Flags"), BitWidth::Bits8, flags, kERPFlags));
    QStringList pieces;
    appendSetSummaries(pieces, flags, kERPFlags);
    d.setSummary(pieces);
}

void decodeAPChannelReport(ElementDecoding& d)
{
    d.add(entryWithName(QStringLiteral("Operating Class"), number(d.body.u8(0))));
    QStringList channels;
    for (qsizetype i = 1; i < d.body.size(); ++i)
        channels.append(number(d.body.u8(i)));
    d.add(entryWithName(QStringLiteral("Channel List"), channels.join(QStringLiteral(", "))));
}

void decodeMobilityDomain(ElementDecoding& d)
{
    const quint8 policy = d.body.u8(2);
    d.add(entryWithName(QStringLiteral("MDID (Mobility Domain Identifier)"), hexText(BitWidth::Bits16, d.body.le16(0))));
    d.add(flagWord(QStringLiteral("FT Capability and Policy"), BitWidth::Bits8, policy, kFTCapabilityAndPolicy));
    d.summary = QString::fromUtf8((policy & 0x01) ? kFTCapabilityAndPolicy[0].trueText : kFTCapabilityAndPolicy[0].falseText);
}

void decodeSecondaryChannelOffset(ElementDecoding& d)
{
    d.add(entryWithName(QStringLiteral("Secondary Channel Offset"),
                        textOrReservedWithValue(kSecondaryChannelOffsets, d.body.u8(0))));
}

void decodeTimeAdvertisement(ElementDecoding& d)
{
    d.add(entryWithName(QStringLiteral("Timing Capabilities"), textOrReservedWithValue(kTimingCapabilities, d.body.u8(0))));
    if (d.body.size() >= 2)
        d.add(entryWithName(QStringLiteral("Data"), d.body.hex(1)));
}

void decodeMultipleBSSID(ElementDecoding& d)
{
    const quint8 indicator = d.body.u8(0);
    // 2^n, told without overflow for any byte.
    const QString bssids =
        indicator < 64 ? QString::number(quint64(1) << indicator) : QStringLiteral("2^%1").arg(indicator);
    d.add(entryWithName(QStringLiteral("Max BSSID Indicator"), hexText(BitWidth::Bits8, indicator),
                        QStringLiteral("(%1 BSSIDs)").arg(bssids)));
    if (d.body.size() >= 2)
        d.add(entryWithName(QStringLiteral("Data"), d.body.hex(1)));
}

} // namespace sv::elements
