#pragma once

#include "model/SVNetworkList.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class SVNetwork;
namespace sv {
class KeyedArchiver;
class KeyedUnarchiver;
}

// A kept survey: a keyed archive whose root dictionary holds the records
// under "networks" and the time of the last merged scan under
// "lastScanTime". Other keys of the root are ignored.
namespace SVDocument {

inline constexpr char Extension[] = "skyvane";

struct Content {
    SVNetworkList networks;
    QDateTime lastScanTime;
};

// Writes the document whole or not at all: on any failure the file that was
// there stays as it was, and *error says why.
bool write(const QString& path, const SVNetworkList& networks, const QDateTime& lastScanTime,
           QString* error = nullptr);
// The root dictionary into coder's "root" (the coder is not finished).
void encode(sv::KeyedArchiver& coder, const SVNetworkList& networks,
            const QDateTime& lastScanTime);

// Reads and checks the whole document. Keeps, in order, the records that
// have a BSSID and a channel other than 0. Nothing when the file cannot be
// read (*error the system's reason, *unreadable set) or is not a valid
// document (*error names the damage).
std::optional<Content> read(const QString& path, QString* error = nullptr, bool* unreadable = nullptr);
// The same from an open archive.
std::optional<Content> decode(sv::KeyedUnarchiver& coder, QString* error = nullptr);

} // namespace SVDocument
