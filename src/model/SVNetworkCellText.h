#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class SVNetworkDelegate;

// What the network table's cells show, without a window.
struct SVNetworkCellContext {
    int units = 0;         // 0 percent, anything else dBm
    bool scanning = false; // the SEEN column counts while scanning
};

// The text of one cell; empty where the cell shows nothing.
QString networkCellText(const SVNetworkDelegate& row, const QString& identifier,
                        const SVNetworkCellContext& context);

// A level in the units: "%ld" dBm, or the signal-quality percentage "%d%%".
QString levelText(qint64 dBm, int units);

// The SEEN column: while scanning, how long ago ("Just now", "%d sec ago",
// "%d min ago", "%d hours ago"); otherwise the last-seen date.
// inLatestScan: the row's best record has a current signal.
QString seenText(std::optional<double> elapsedSeconds, bool inLatestScan, bool scanning,
                 const QDateTime& lastSeen);

// "yyyy/MM/dd hh:mm:ss a" in local time, for the first and last seen columns.
QString seenDateText(const QDateTime& date);
