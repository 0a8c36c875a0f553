#pragma once

#include <QString>

namespace sv {

// The one normal form of a BSSID text: every octet two hex digits, upper
// case ("0:1b:2:3c:4:d5" -> "00:1B:02:3C:04:D5"). Groups of one character
// get a leading "0"; anything else is kept as it is, upper-cased, so a
// malformed text stays recognisably itself.
QString normalizedBssid(const QString& bssid);

// True for exactly six colon-separated groups of two hex digits, the form
// normalizedBssid gives a well-formed address.
bool isWellFormedBssid(const QString& normalized);

} // namespace sv
