#pragma once

#include <functional>

#include <QSet>
#include <QString>
#include <QStyledItemDelegate>
#include <QTreeView>

#include "views/SVElementTreeModel.h"

class QMenu;
class QMimeData;

// Plain text with its RTF (Courier 12) beside it, as the clipboard takes them.
QMimeData* richTextMimeData(const QString& text);

// Draws a tree cell's styled runs one after another, cut at the right end.
class SVElementCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The element tree of the Advanced Details tab: a context menu and the
// space key to expand, collapse and copy, and a memory of the expanded rows
// by key, so rows stay open when the tree is rebuilt after a scan.
class SVAdvancedDetailsView : public QTreeView {
    Q_OBJECT
public:
    explicit SVAdvancedDetailsView(QWidget* parent = nullptr);

    void setElementModel(SVElementTreeModel* model);
    SVElementTreeModel* elementModel() const { return m_model; }

    // Whether the row's key was expanded by the user (kept across rebuilds).
    bool isExpandedItem(const QModelIndex& index) const;
    // Opens the rows remembered as expanded; the controller calls it after
    // giving the model new elements.
    void restoreExpandedItems();
    int expandedItemCount() const { return int(m_expandedItems.size()); }
    QStringList expandedKeys() const { return m_expandedItems.values(); }

    // The context menu for a point in the viewport; null over no row. The
    // caller owns it.
    QMenu* menuForPoint(const QPoint& point);
    int clickedRow() const { return m_clickedRow; }
    // The row the menu was opened on, found again in the tree as it is now;
    // invalid when a rebuild left it out.
    QModelIndex clickedIndex() const;

    void onContextMenuExpandItem();
    void onContextMenuExpandAll();
    void onContextMenuCollapseItem();
    void onContextMenuCollapseAll();
    void onContextMenuCopyElement();
    void onContextMenuCopyAllElements();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void remember(const QModelIndex& index, bool expanded);
    // Records the open state of every row under parent (all rows for none).
    void rememberSubtree(const QModelIndex& parent);
    // Every row under parent (all rows for none) that has rows of its own.
    void forEachRowWithChildren(const QModelIndex& parent, const std::function<void(const QModelIndex&)>& visit);

    SVElementTreeModel* m_model = nullptr;
    QSet<QString> m_expandedItems;
    SVElementRowPath m_clickedPath;
    int m_clickedRow = -1;
    bool m_restoring = false;
};
