#pragma once

#include "views/SVTableCells.h"

#include <QColor>
#include <QSet>
#include <QString>

#include <optional>

class SVNetworkDelegate;

// What dressing a network-table cell needs to know of its row.
struct SVNetworkRowInfo {
    bool isGroup = false;
    // Of the row's best record:
    qint64 rssi = -120; // current level; -120 when not in the latest scan
    qint64 rssiLast = -120, rssiMax = -120;
    qint64 noiseLast = -120, noiseMax = -120;
    qint64 snrPerc = 0, snrPercMax = 0;
    qint64 channelUtilization = -1, channelUtilizationMax = -1;
    QColor color;
    bool isHidden = false;     // the SSID is hidden
    bool isOpen = true;
    bool isAssociated = false; // of a group: any member
};

SVNetworkRowInfo networkRowInfo(const SVNetworkDelegate& row);

// The colours of the network table. Tests set their own; the window uses
// networkCellPaletteFromTheme().
struct SVNetworkCellPalette {
    QColor textColorForNetwork;
    QColor textColorForNetworkAssociated;
    QColor textColorForNetworkNotFound;
    QColor textColorForNetworkCollection;
    QColor textColorForNetworkCollectionNotFound;
    QColor textColorForMultipleValuesPlaceholder;
    QColor controlTextColor;
    QColor barColorForRSSI;
    QColor barColorForNoise;
    QColor barColorForSNR;
    QColor barColorForChUtilization;
    QColor backgroundColorForFilteredCell;
    bool isDarkTheme = false;
};

// The palette from the shared theme and the system's control text colour.
SVNetworkCellPalette networkCellPaletteFromTheme();

// Where the cell stands when it is drawn.
struct SVNetworkCellState {
    double fontSize = 11.0;
    int units = 0;                  // 0 percent, anything else dBm
    bool scanning = false;
    bool rowSelected = false;
    bool cellHighlighted = false;   // the cell draws as selected
    bool editing = false;           // a cell of the table is being edited
    bool tableIsFirstResponder = false;
    bool columnFiltered = false;    // the filter string matched through this column
};

enum class SVPadlock { None, Normal, Highlighted, AlternateHighlighted, NoData };

struct SVNetworkCellDressing {
    double fontSize = 11.0;
    bool bold = false;
    bool italic = false;
    QColor textColor;
    std::optional<QColor> background; // drawn over the whole cell
    bool highlighted = false;         // draws the selection
    SVPadlock padlock = SVPadlock::None;
    std::optional<SVLevelBar> levelBar;
};

// How one cell of the network table is dressed before it is drawn.
SVNetworkCellDressing dressNetworkCell(const QString& identifier, const QString& text, const SVNetworkRowInfo& row,
                                       const SVNetworkCellState& state, const SVNetworkCellPalette& palette);
