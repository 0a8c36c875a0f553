#pragma once

#include <QFont>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class QHeaderView;
class QTreeView;
class SVColumnAutosave;
class SVNetworkCellDelegate;
class SVNetworksTableModel;

namespace sv {
class UserDefaults;
}

// The starting width of each column whose usual content needs more room
// than its default, measured in the table's font (padding, padlock and
// level bar included).
QHash<QString, int> startingColumnWidths(const QFont& font);

// Builds the network table in a tree view: the model and the cell
// delegate, flat rows without indentation, whole-row extended selection,
// annotations edited on double click, sorting by header clicks on sortable
// columns, the columns' layout restored and kept in the defaults, centred
// headers that truncate at the tail, and the header's show/hide menu.
// Returns the layout keeper (owned by the header).
SVColumnAutosave* setUpNetworksTable(QTreeView& view, SVNetworksTableModel& model, SVNetworkCellDelegate& delegate,
                                     sv::UserDefaults& defaults,
                                     std::function<void(const QString&)> userDidToggleColumnState = {});

// Column identifiers of the table in display order, shown or hidden.
QStringList tableColumnIdentifiers(const QHeaderView& header);
