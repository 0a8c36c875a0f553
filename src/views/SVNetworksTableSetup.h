#pragma once

#include <QString>

#include <functional>

class QTreeView;
class SVColumnAutosave;
class SVNetworkCellDelegate;
class SVNetworksTableModel;

namespace sv {
class UserDefaults;
}

// Builds the network table in a tree view: the model and the cell
// delegate, flat rows without indentation, whole-row extended selection,
// annotations edited on double click, sorting by header clicks on sortable
// columns, the columns' layout restored and kept in the defaults, centred
// headers that truncate at the tail, and the header's show/hide menu.
// Returns the layout keeper (owned by the header).
SVColumnAutosave* setUpNetworksTable(QTreeView& view, SVNetworksTableModel& model, SVNetworkCellDelegate& delegate,
                                     sv::UserDefaults& defaults,
                                     std::function<void(const QString&)> userDidToggleColumnState = {});
