#pragma once

#include <QString>

#include <optional>

namespace sv {

// The one normal form of a BSSID text: every octet two hex digits, upper
// case ("0:1b:2:3c:4:d5" -> "00:1B:02:3C:04:D5"). Groups of one character
// get a leading "0"; anything else is kept as it is, upper-cased, so a
// malformed text stays recognisably itself.
QString normalizedBssid(const QString& bssid);

// True for exactly six colon-separated groups of two hex digits, the form
// normalizedBssid gives a well-formed address.
bool isWellFormedBssid(const QString& normalized);

// The 48-bit address of a text of six colon-separated groups of one or two
// hex digits, the forms normalizedBssid turns into the same normal form;
// none for any other text.
std::optional<quint64> parsedBssid(QStringView text);

} // namespace sv
