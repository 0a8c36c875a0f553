#pragma once

// Decoders of the security, interworking, mesh and capability elements
// (ElementDecodersSecurity.cpp) and of vendor-specific elements
// (ElementDecodersVendor.cpp). Each sees a body at least as long as the
// fixed part its row in ElementTable.cpp names.

#include "elements/ElementDecoders.h"

namespace sv::elements {

void decodeRSN(ElementDecoding&);                    // 8 bytes
void decodeRMEnabledCapabilities(ElementDecoding&);  // 5 bytes
void decodeInterworking(ElementDecoding&);           // 1 byte
void decodeRoamingConsortium(ElementDecoding&);      // 2 bytes
void decodeMeshConfiguration(ElementDecoding&);      // 7 bytes
void decodeMeshID(ElementDecoding&);
void decodeExtendedCapabilities(ElementDecoding&);
void decodeCiscoCCX1CKIP(ElementDecoding&);          // 30 bytes
void decodeVendorSpecific(ElementDecoding&);         // 4 bytes: OUI and type

// OUI bytes as upper-case hex joined by the separator ("00-0F-AC").
QString ouiText(QByteArrayView oui, QChar separator);
// "(vendor name)" for an OUI the vendor database knows; nothing otherwise.
Text vendorNotes(QByteArrayView oui);
// "0x" and at least `digits` upper-case hex digits.
QString upperHex(quint32 value, int digits = 2);

enum class SuiteKind { Cipher, KeyManagement };

// The name of a cipher or key-management suite: from the standard's table
// for OUI 00-0F-AC, from the WPA table for 00-50-F2, "Vendor Specific" for
// any other OUI, "Unknown" for a type its table does not name.
QString suiteName(SuiteKind kind, QByteArrayView oui, quint8 type);

// A suite list as RSN and WPA carry it: "<label> Count" (16-bit at
// countAt), then "<label> List" with "<label> OUI" / "<label> Type" per
// whole suite inside the body. Returns the suite names and sets next to the
// position after the declared list.
QStringList appendSuiteList(std::vector<SVField>& fields, const ElementReader& body, qsizetype countAt,
                            const QString& label, SuiteKind kind, qsizetype& next);
// "<label> OUI" and "<label> Type" of the 4-byte suite at `at`; returns its name.
QString appendSuite(std::vector<SVField>& fields, const ElementReader& body, qsizetype at, const QString& label,
                    SuiteKind kind);

} // namespace sv::elements
