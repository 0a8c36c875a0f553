#pragma once

#include "model/SVSideViewItem.h"

#include <QAbstractItemModel>
#include <QPixmap>

#include <optional>

// The sidebar's rows for a QTreeView: column 0 the title ("ITEM_COLUMN"),
// column 1 the count of a counting category ("DETAIL_COLUMN"). The sidebar
// has two levels: top-level rows and the items of each category.
class SVSideViewModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        IdentifierRole = Qt::UserRole + 1,
        FilterStringRole,
        ImageNameRole, // "category", "yellow"; none for the group row
        LeftMarginRole,  // the cell's margins (double), read by the sidebar's delegate
        RightMarginRole,
    };
    enum Column { ItemColumn = 0, DetailColumn = 1 };

    explicit SVSideViewModel(QObject* parent = nullptr);

    // Replaces every row; returns the index of the row that keep names in the
    // new rows (invalid when it is gone), for the view to select again.
    QModelIndex setItems(QVector<SVSideViewItem> items, const std::optional<SVSideViewSelection>& keep = {});
    const QVector<SVSideViewItem>& items() const { return m_items; }

    const SVSideViewItem* itemAt(const QModelIndex& index) const;
    QModelIndex indexOf(const SVSideViewSelection& selection) const;

    // The sidebar's images by name ("category", "yellow", "orange"), drawn
    // once per name.
    static QPixmap image(const QString& name);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QVector<SVSideViewItem> m_items;
};
