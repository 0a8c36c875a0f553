#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QVariant>

namespace sv::PropertyList {

// Property lists as QVariant: dict <-> QVariantMap, array <-> QVariantList,
// string <-> QString, integer <-> qint64, real <-> double, bool <-> bool,
// data <-> QByteArray, date <-> QDateTime (UTC). Input is untrusted: sizes
// and nesting are bounded, and anything malformed reads as an invalid QVariant.

// Largest property list read from memory or disk.
constexpr qint64 MaximumSize = 64 * 1024 * 1024;

// Reads an XML or binary property list. On failure returns an invalid
// QVariant and, when given, sets *error.
QVariant fromData(const QByteArray& data, QString* error = nullptr);
QVariant readFile(const QString& path, QString* error = nullptr);

// Whether data begins as an XML property list does (after any byte-order
// mark and blanks).
bool looksLikeXml(const QByteArray& data);
// An XML property list as the same list in binary form, for the readers of
// binary lists (keyed archives in XML form hold their references as
// CF$UID dictionaries, which become references). Empty, with *error set,
// when it is too large, nested too deeply or not a property list.
QByteArray binaryFromXml(const QByteArray& xml, QString* error = nullptr);
// Writes XML to device as it goes (a failed write stops it). Values with no
// property-list form (invalid variants, maps with unsupported values, texts
// holding NUL) make it fail; what was written then is not a whole list.
bool writeXml(QIODevice& device, const QVariant& value);

// Writes XML. Values with no property-list form (invalid variants, maps
// with unsupported values) make the whole write fail rather than drop data.
QByteArray toXml(const QVariant& value, bool* ok = nullptr);

// Writes XML through the file writer (streaming), so the old file stays
// whole if anything fails.
bool writeFile(const QVariant& value, const QString& path, QString* error = nullptr);

} // namespace sv::PropertyList
