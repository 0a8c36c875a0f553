#pragma once

// Internal to the element decoder: the decoding state handed to each
// decoder, the decoders themselves (one .cpp per family), and the one table
// from element ID to name, help text, fixed length and decoder.

#include "elements/ElementReader.h"
#include "elements/SVField.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace sv::elements {

struct ElementDecoding {
    unsigned id;
    ElementReader body;
    std::vector<SVField> fields;          // the decoder appends its records
    QString summary;                      // one-line summary, empty for none
    std::optional<QString> identifier;    // set by decoders that refine "id=%lu"

    void add(SVField field) { fields.push_back(std::move(field)); }
    void setSummary(const QStringList& pieces, const QString& separator = QStringLiteral(", "))
    {
        summary = pieces.join(separator);
    }
};

using ElementDecoder = void (*)(ElementDecoding&);

struct ElementKind {
    const char* name;          // nullptr: "Unknown" (221 is named from its vendor)
    const char* description;   // help text, nullptr for none
    qsizetype minLength;       // body bytes the decoder's fixed part needs
    ElementDecoder decoder;
};

// The row for an element ID (every ID has one).
const ElementKind& elementKind(unsigned id);

// One "Data" entry with the whole body's hex.
void decodeGeneric(ElementDecoding&);

// Basic elements (ElementDecodersBasic.cpp).
void decodeSSID(ElementDecoding&);
void decodeSupportedRates(ElementDecoding&);
void decodeDSParameter(ElementDecoding&);
void decodeTIM(ElementDecoding&);
void decodeIBSSParameter(ElementDecoding&);
void decodeCountry(ElementDecoding&);
void decodeBSSLoad(ElementDecoding&);
void decodePowerConstraint(ElementDecoding&);
void decodePowerCapability(ElementDecoding&);
void decodeTPCReport(ElementDecoding&);
void decodeChannelSwitchAnnouncement(ElementDecoding&);
void decodeERPInformation(ElementDecoding&);
void decodeAPChannelReport(ElementDecoding&);
void decodeMobilityDomain(ElementDecoding&);
void decodeSecondaryChannelOffset(ElementDecoding&);
void decodeTimeAdvertisement(ElementDecoding&);
void decodeMultipleBSSID(ElementDecoding&);

// HT and VHT elements (ElementDecodersHT.cpp).
void decodeHTCapabilities(ElementDecoding&);
void decodeHTOperation(ElementDecoding&);
void decodeVHTCapabilities(ElementDecoding&);
void decodeVHTOperation(ElementDecoding&);
void decodeVHTTransmitPowerEnvelope(ElementDecoding&);
// Appends the "Rx Supported MCS Set" entry of a 16-byte HT MCS set and its
// streams text to the summary pieces; returns the bytes it read (16).
qsizetype parseMCSSet(const ElementReader& mcs, bool basic, std::vector<SVField>& fields, QStringList& summaryItems);

// Security, interworking, mesh, capability and vendor-specific elements:
// ElementDecodersSecurity.h.

} // namespace sv::elements
