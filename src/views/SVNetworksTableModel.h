#pragma once

#include "views/SVNetworkCellDressing.h"
#include "model/SVNetworkCellText.h"

#include <QAbstractItemModel>
#include <QSet>
#include <QVector>

#include <functional>
#include <memory>
#include <mutex>

class QTreeView;
class SVNetworkDelegate;

using SVNetworkRow = std::shared_ptr<SVNetworkDelegate>;

// The network table's model: one row per row handed to it, one column per
// network column (networkColumns() order). It reads every value through the
// row protocol and holds no record of its own beyond the list of one reload.
class SVNetworksTableModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        IdentifierRole = Qt::UserRole + 1, // the column identifier
    };
    // Stores an edited annotation; the default hands it to the record.
    using AnnotationEditor = std::function<void(SVNetworkDelegate& row, const QString& text)>;

    explicit SVNetworksTableModel(QObject* parent = nullptr);

    // Replaces the rows (a reset: the view forgets its selection; see
    // reloadNetworksView for the reload that keeps it).
    void setRows(QVector<SVNetworkRow> rows);
    const QVector<SVNetworkRow>& rows() const { return m_rows; }
    SVNetworkRow rowAt(int row) const;
    int rowOf(const SVNetworkDelegate* row) const;

    // How the cells read and dress; each change redraws every cell.
    int units() const { return m_context.units; }
    void setUnits(int units);
    bool isScanning() const { return m_context.scanning; }
    void setScanning(bool scanning);
    double fontSize() const { return m_fontSize; }
    void setFontSize(double size);
    const QSet<QString>& filteredColumnIdentifiers() const { return m_filtered; }
    void setFilteredColumnIdentifiers(const QSet<QString>& identifiers);
    const SVNetworkCellPalette& palette() const { return m_palette; }
    void setPalette(const SVNetworkCellPalette& palette);
    SVNetworkCellContext context() const { return m_context; }

    // The controller's lock, taken by every value and edit call when set.
    void setLock(std::recursive_mutex* lock) { m_lock = lock; }
    std::recursive_mutex* lock() const { return m_lock; }
    void setAnnotationEditor(AnnotationEditor editor) { m_editor = std::move(editor); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A click on a sortable column's header: sorts the rows (the view keeps
    // its selection) and reports the new sort descriptor.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The table's sort descriptor: a column identifier (empty: unsorted).
    QString sortIdentifier() const { return m_sortIdentifier; }
    bool sortAscending() const { return m_sortAscending; }
    // Sorts rows as the table's sort descriptor asks.
    void sortRows(QVector<SVNetworkRow>& rows) const;

signals:
    void sortDescriptorsDidChange(const QString& identifier, bool ascending);

private:
    void redrawAll();
    std::unique_lock<std::recursive_mutex> guard() const;

    QVector<SVNetworkRow> m_rows;
    SVNetworkCellContext m_context;
    double m_fontSize = 11.0;
    QSet<QString> m_filtered;
    SVNetworkCellPalette m_palette;
    std::recursive_mutex* m_lock = nullptr;
    AnnotationEditor m_editor;
    QString m_sortIdentifier;
    bool m_sortAscending = true;
};

// True while a cell editor of the view is open.
bool isEditingCell(const QTreeView& view);

// Hands the view a new list of rows, keeping the selection and the scroll
// position. The rows selected afterwards are those isUserHighlighted
// answers for or, without it, the rows that were selected before, by
// identity. While a cell is being edited, or a button is down on the rows,
// nothing is reloaded, so the editor survives and the rows hold still under
// the pointer: answers false then.
bool reloadNetworksView(QTreeView& view, SVNetworksTableModel& model, QVector<SVNetworkRow> rows,
                        const std::function<bool(const SVNetworkDelegate&)>& isUserHighlighted = {});
