#pragma once

#include <QString>

#include <functional>

class QAction;
class QMenu;
class QTreeView;
class QWidget;

// The network table header's context menu: "Auto Size Column", "Auto Size
// All Columns", a separator, then one checkable item per column (the swatch
// column left out) sorted by title; the outline column's item is disabled.
// Each item's data is its identifier ("autosizecolumn",
// "autosizeallcolumns" or a column identifier).
namespace SVTableHeaderMenuItem {
inline const QString AutoSizeColumn = QStringLiteral("autosizecolumn");
inline const QString AutoSizeAllColumns = QStringLiteral("autosizeallcolumns");
} // namespace SVTableHeaderMenuItem

inline const QString kColumnDidChangeHiddenStateNotification = QStringLiteral("ColumnDidChangeHiddenState");

QMenu* menuForTableHeader(const QTreeView& view, QWidget* parent = nullptr);

// Runs one item of that menu for the column the header was clicked on
// (-1 when the click was not on a column). A column item flips the
// column's hidden state, calls userDidToggleColumnState with its
// identifier and posts "ColumnDidChangeHiddenState".
void onTableHeaderMenu(const QAction& item, QTreeView& view, int clickedColumn,
                       const std::function<void(const QString&)>& userDidToggleColumnState);

// Opens the menu on a right click in the view's header.
void installTableHeaderMenu(QTreeView& view, std::function<void(const QString&)> userDidToggleColumnState);
