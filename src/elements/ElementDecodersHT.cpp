// Decoders of the HT and VHT elements and of the HT MCS set they share.

#include "elements/ElementDecoders.h"
#include "elements/ElementTablesHT.h"
#include "platform/wlan/CWChannel.h"
#include "platform/wlan/WlanElements.h"

namespace sv::elements {

using namespace ht;

namespace {

// Streams index of the Rx bitmask: the highest of its first four bytes that
// is not zero, kNoStreams when all are.
quint32 streamsIndex(quint32 bitmask)
{
    for (int row = 3; row >= 0; --row) {
        if ((bitmask >> (8 * row)) & 0xFF)
            return quint32(row);
    }
    return kNoStreams;
}

SVField spatialStreamRow(int row, quint32 bitmask)
{
    std::vector<SVField> indices;
    indices.reserve(8);
    const quint32 byte = (bitmask >> (8 * row)) & 0xFF;
    for (int i = 0; i < 8; ++i) {
        indices.push_back(entryWithName(QStringLiteral("MCS Index %1").arg(8 * row + i),
                                        (byte & (1u << i)) ? QStringLiteral("Supported") : QStringLiteral("Not supported"),
                                        QStringLiteral("(%1)").arg(QLatin1String(kMCSModulations[i]))));
    }
    return entryWithName(QString::fromUtf8(kSpatialStreamRows[row]), hexText(BitWidth::Bits32, bitmask & (0xFFu << (8 * row))),
                         std::nullopt, std::move(indices));
}

// Bits 2-3 of the Tx flags count the Tx streams less one, and only mean
// something when the Tx set is defined and differs from the Rx set; an equal
// set has the Rx streams.
std::optional<QString> txStreamsText(quint8 txFlags, quint32 rxStreams)
{
    if (!(txFlags & 0x01))
        return textForValue(kStreams, kStreamsNotDefined);
    if (!(txFlags & 0x02))
        return textForValue(kStreams, rxStreams);
    return textForValue(kStreams, (txFlags >> 2) & 0x03);
}

SVField vhtMCSMap(const char* name, quint16 map, FlagItems mapItems, quint16 highestRate, FlagItems rateItems)
{
    std::vector<SVField> items = flagItems(BitWidth::Bits16, map, mapItems);
    for (SVField& item : flagItems(BitWidth::Bits16, highestRate, rateItems))
        items.push_back(std::move(item));
    return entryWithName(QString::fromUtf8(name), hexText(BitWidth::Bits32, map), std::nullopt, std::move(items));
}

// A width code of 1 covers 160 and 80+80 MHz too: the second centre then
// tells which.
QString vhtChannelWidthText(quint8 width, quint8 center0, quint8 center1)
{
    if (width == 1) {
        switch (sv::wlan::vhtOperationWidth(width, center0, center1)) {
        case kCWChannelWidth160MHz: return QStringLiteral("160 MHz");
        case kCWChannelWidth80Plus80MHz: return QStringLiteral("80+80 MHz");
        default: break;
        }
    }
    return textOrReservedWithValue(kVHTChannelWidths, width);
}

} // namespace

qsizetype parseMCSSet(const ElementReader& mcs, bool basic, std::vector<SVField>& fields, QStringList& summaryItems)
{
    const quint32 b0 = mcs.le32(0);
    const quint32 b1 = mcs.le32(4);
    const quint32 b2 = mcs.le32(6);
    const quint16 highestRate = mcs.le16(10);
    const quint8 txFlags = mcs.u8(12);

    const quint32 s0 = streamsIndex(b0);
    std::vector<SVField> rx;
    for (int row = 0; row < 4; ++row) {
        if (s0 <= 3 && quint32(row) <= s0)
            rx.push_back(spatialStreamRow(row, b0));
        else
            rx.push_back(subEntryWithName(QString::fromUtf8(kRxBitmaskRows[row]), stringFor32BitMask(0xFFu << (8 * row), b0)));
    }
    rx.push_back(subEntryWithName(QStringLiteral("Rx MCS Bitmask Bit 32"), stringFor32BitMask(0x1, b1)));
    rx.push_back(subEntryWithName(QStringLiteral("Rx MCS Bitmask Bits 33-38"), stringFor32BitMask(0x7E, b1)));
    rx.push_back(subEntryWithName(QStringLiteral("Rx MCS Bitmask Bits 39-52"), stringFor32BitMask(0x1FFF80, b1)));
    rx.push_back(subEntryWithName(QStringLiteral("Rx MCS Bitmask Bits 53-76"), stringFor32BitMask(0x1FFFFFE0, b2)));

    // Unequal-modulation indices raise the stream count: 33-38 use two
    // streams, 39-52 three, 53-76 four.
    quint32 s = s0;
    if (b1 & 0x1FFFFE) {
        if (b1 & 0x1FFF80) {
            if (s0 <= 2)
                s = 2;
        } else if (s0 <= 1) {
            s = 1;
        }
    }
    if ((b2 & 0x1FFFFFE0) && s <= 3)
        s = 3;

    rx.push_back(decimalItem(BitWidth::Bits16, 0x3FF, QStringLiteral("Rx Highest Supported Data Rate"), highestRate));

    const std::optional<QString> streams = s <= 3 ? std::optional(capitalized(*textForValue(kStreams, s))) : std::nullopt;

    std::vector<SVField> subfields;
    subfields.push_back(entryWithName(basic ? QStringLiteral("Rx Basic MCS Set") : QStringLiteral("Rx MCS Set"), std::nullopt,
                                      std::nullopt, std::move(rx)));
    for (SVField& item : flagItems(BitWidth::Bits16, txFlags, kMCSTxFlagsLow))
        subfields.push_back(std::move(item));
    subfields.push_back(subEntryWithName(QStringLiteral("Tx Maximum Number of Spatial Streams Supported"),
                                         stringFor16BitMask(0x0C, txFlags), txStreamsText(txFlags, s)));
    for (SVField& item : flagItems(BitWidth::Bits16, txFlags, kMCSTxFlagsHigh))
        subfields.push_back(std::move(item));

    const QString setName = basic ? QStringLiteral("Basic MCS Set") : QStringLiteral("MCS Set");
    fields.push_back(entryWithName(QStringLiteral("Rx Supported MCS Set"),
                                   streams ? QStringLiteral("%1 (%2)").arg(setName, *streams) : setName, std::nullopt,
                                   std::move(subfields)));
    if (streams)
        summaryItems.append(*streams);
    return 16;
}

void decodeHTCapabilities(ElementDecoding& d)
{
    const quint16 info = d.body.le16(0);
    d.add(entryWithName(QStringLiteral("HT Capabilities Info"), QStringLiteral("0x%1").arg(info, 2, 16, QLatin1Char('0')),
                        std::nullopt, flagItems(BitWidth::Bits16, info, kHTCapabilitiesInfo)));
    d.add(flagWord(QStringLiteral("A-MPDU Parameters"), BitWidth::Bits8, d.body.u8(2), kAMPDUParameters));

    QStringList pieces;
    pieces.append((info & 0x0002) ? QStringLiteral("20/40 MHz") : QStringLiteral("20 MHz"));
    if (info & 0x0020)
        pieces.append(QStringLiteral("Short GI for 20 MHz"));
    if (info & 0x0040)
        pieces.append(QStringLiteral("Short GI for 40 MHz"));

    const qsizetype at = 3 + parseMCSSet(d.body.sub(3, 16), false, d.fields, pieces);
    d.add(flagWord(QStringLiteral("HT Extended Capabilities"), BitWidth::Bits16, d.body.le16(at), kHTExtendedCapabilities));
    d.add(flagWord(QStringLiteral("Transmit Beamforming (TxBF) Capabilities"), BitWidth::Bits32, d.body.le32(at + 2),
                   kTxBFCapabilities));
    d.add(flagWord(QStringLiteral("ASEL (Antenna Selection) Capabilities"), BitWidth::Bits8, d.body.u8(at + 6),
                   kASELCapabilities));
    d.setSummary(pieces);
}

void decodeHTOperation(ElementDecoding& d)
{
    const quint8 primary = d.body.u8(0);
    const quint8 subset1 = d.body.u8(1);
    const quint16 subset2 = d.body.le16(2);
    d.add(entryWithName(QStringLiteral("Primary Channel"), QString::number(primary)));
    d.add(flagWord(QStringLiteral("HT Information Subset (1 of 3)"), BitWidth::Bits8, subset1, kHTOperationSubset1));
    d.add(flagWord(QStringLiteral("HT Information Subset (2 of 3)"), BitWidth::Bits16, subset2, kHTOperationSubset2));
    d.add(flagWord(QStringLiteral("HT Information Subset (3 of 3)"), BitWidth::Bits16, d.body.le16(4), kHTOperationSubset3));

    QStringList pieces;
    pieces.append(((subset1 & 0x04) ? QStringLiteral("Primary Channel: %1 (Any Width Supported)")
                                    : QStringLiteral("Primary Channel: %1 (20 MHz Channel Width Only)"))
                      .arg(primary));
    if ((subset1 & 0x03) == 1)
        pieces.append(QStringLiteral("Secondary Channel Offset: +1"));
    else if ((subset1 & 0x03) == 3)
        pieces.append(QStringLiteral("Secondary Channel Offset: -1"));
    pieces.append(textOrReserved(kHTProtection, subset2 & 0x03));
    parseMCSSet(d.body.sub(6, 16), true, d.fields, pieces);
    d.setSummary(pieces);
}

void decodeVHTCapabilities(ElementDecoding& d)
{
    const quint32 info = d.body.le32(0);
    const quint16 rxMap = d.body.le16(4);
    d.add(flagWord(QStringLiteral("VHT Capabilities Info"), BitWidth::Bits32, info, kVHTCapabilitiesInfo));
    d.add(entryWithName(QStringLiteral("VHT Supported MCS Set"), std::nullopt, std::nullopt,
                        std::vector<SVField>{
                            vhtMCSMap("Rx MCS Map", rxMap, kVHTRxMCSMap, d.body.le16(6), kVHTRxHighestRate),
                            vhtMCSMap("Tx MCS Map", d.body.le16(8), kVHTTxMCSMap, d.body.le16(10), kVHTTxHighestRate),
                        }));

    QStringList pieces;
    if (info & 0x20)
        pieces.append(QStringLiteral("Short GI for 80 MHz"));
    if (info & 0x40)
        pieces.append(QStringLiteral("Short GI for 160 MHz"));
    int streams = 0;
    for (int ss = 0; ss < 8; ++ss) {
        if (((rxMap >> (2 * ss)) & 0x3) != kMCSMapNotSupported)
            ++streams;
    }
    pieces.append(QStringLiteral("%1 Spatial Streams").arg(streams));
    d.setSummary(pieces);
}

void decodeVHTOperation(ElementDecoding& d)
{
    const quint8 width = d.body.u8(0);
    const quint8 center0 = d.body.u8(1);
    const quint8 center1 = d.body.u8(2);
    const QString widthText = vhtChannelWidthText(width, center0, center1);
    d.add(entryWithName(QStringLiteral("VHT Operation Information"), std::nullopt, std::nullopt,
                        std::vector<SVField>{
                            entryWithName(QStringLiteral("Channel Width"), widthText),
                            entryWithName(QStringLiteral("Channel Center Frequency 0"), QString::number(center0)),
                            entryWithName(QStringLiteral("Channel Center Frequency 1"), QString::number(center1)),
                        }));
    d.add(flagWord(QStringLiteral("VHT Basic MCS Set"), BitWidth::Bits16, d.body.le16(3), kVHTBasicMCSSet));

    QStringList pieces{QStringLiteral("Channel Width: %1").arg(widthText)};
    if (center0)
        pieces.append(QStringLiteral("Channel Center Frequency: %1").arg(center0));
    if (center1)
        pieces.append(QStringLiteral("Channel Center Frequency: %1").arg(center1));
    d.setSummary(pieces);
}

void decodeVHTTransmitPowerEnvelope(ElementDecoding& d)
{
    const quint8 information = d.body.u8(0);
    d.add(entryWithName(QStringLiteral("Transmit Power Information"), std::nullopt, std::nullopt,
                        flagItems(BitWidth::Bits8, information, kTransmitPowerInformation)));
    // Only the powers that the body holds, whatever the count says.
    const qsizetype count = std::min<qsizetype>({(information & 0x07) + 1, 4, d.body.size() - 1});
    for (qsizetype i = 0; i < count; ++i) {
        d.add(entryWithName(QString::fromUtf8(kTransmitPowerWidths[i]), QString::number(d.body.s8(i + 1) * 0.5, 'f', 1),
                            QStringLiteral("dBm")));
    }
}

} // namespace sv::elements
