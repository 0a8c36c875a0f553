#include "views/SVNetworksTableModel.h"

#include "model/SVNetwork.h"
#include "model/SVNetworkCollection.h"
#include "model/SVNetworkColumns.h"
#include "views/SVOutlineViews.h"

#include <QFont>
#include <QItemSelection>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>
#include <unordered_set>

SVNetworksTableModel::SVNetworksTableModel(QObject* parent)
    : QAbstractItemModel(parent), m_palette(networkCellPaletteFromTheme())
{
}

std::unique_lock<std::recursive_mutex> SVNetworksTableModel::guard() const
{
    return m_lock ? std::unique_lock<std::recursive_mutex>(*m_lock) : std::unique_lock<std::recursive_mutex>();
}

void SVNetworksTableModel::setRows(QVector<SVNetworkRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

SVNetworkRow SVNetworksTableModel::rowAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row] : nullptr;
}

int SVNetworksTableModel::rowOf(const SVNetworkDelegate* row) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].get() == row)
            return i;
    }
    return -1;
}

void SVNetworksTableModel::redrawAll()
{
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, columnCount() - 1));
}

void SVNetworksTableModel::setUnits(int units)
{
    if (std::exchange(m_context.units, units) != units)
        redrawAll();
}

void SVNetworksTableModel::setScanning(bool scanning)
{
    if (std::exchange(m_context.scanning, scanning) != scanning)
        redrawAll();
}

void SVNetworksTableModel::setFontSize(double size)
{
    if (std::exchange(m_fontSize, size) != size)
        redrawAll();
}

void SVNetworksTableModel::setFilteredColumnIdentifiers(const QSet<QString>& identifiers)
{
    if (std::exchange(m_filtered, identifiers) != identifiers)
        redrawAll();
}

void SVNetworksTableModel::setPalette(const SVNetworkCellPalette& palette)
{
    m_palette = palette;
    redrawAll();
}

QModelIndex SVNetworksTableModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= m_rows.size() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex SVNetworksTableModel::parent(const QModelIndex&) const
{
    return {}; // the rows are flat: no group row is built
}

int SVNetworksTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SVNetworksTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(networkColumns().size());
}

QVariant SVNetworksTableModel::data(const QModelIndex& index, int role) const
{
    const SVNetworkRow row = rowAt(index.row());
    if (!index.isValid() || !row)
        return {};
    const SVNetworkColumn& column = networkColumns()[size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole: {
        const auto g = guard();
        return networkCellText(*row, column.identifier, m_context);
    }
    case Qt::EditRole: {
        const auto g = guard();
        return column.editable ? QVariant(row->annotationsValue())
                               : QVariant(networkCellText(*row, column.identifier, m_context));
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue((column.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    case Qt::FontRole: {
        const auto g = guard();
        const QString text = networkCellText(*row, column.identifier, m_context);
        SVNetworkCellState state;
        state.fontSize = m_fontSize;
        state.units = m_context.units;
        state.scanning = m_context.scanning;
        const SVNetworkCellDressing d =
            dressNetworkCell(column.identifier, text, networkRowInfo(*row), state, m_palette);
        QFont font;
        font.setPointSizeF(d.fontSize);
        font.setBold(d.bold);
        font.setItalic(d.italic);
        return font;
    }
    case IdentifierRole:
        return column.identifier;
    default:
        return {};
    }
}

bool SVNetworksTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const SVNetworkRow row = rowAt(index.row());
    if (!row || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    {
        const auto g = guard();
        if (m_editor) {
            m_editor(*row, value.toString());
        } else if (auto* record = dynamic_cast<SVNetwork*>(row.get())) {
            record->setAnnotations(value.toString());
        }
    }
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags SVNetworksTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const SVNetworkRow row = rowAt(index.row());
    if (networkColumns()[size_t(index.column())].editable && !dynamic_cast<SVNetworkCollection*>(row.get()))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant SVNetworksTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const SVNetworkColumn& column = networkColumns()[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return networkColumnTitle(column);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case IdentifierRole:
        return column.identifier;
    default:
        return {};
    }
}

void SVNetworksTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount() || networkColumns()[size_t(column)].sortKey.isEmpty())
        return;
    m_sortIdentifier = networkColumns()[size_t(column)].identifier;
    m_sortAscending = order == Qt::AscendingOrder;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    QVector<SVNetworkDelegate*> rowsBefore;
    for (const QModelIndex& i : persistent)
        rowsBefore.append(m_rows[i.row()].get());
    {
        const auto g = guard();
        sortRows(m_rows);
    }
    QModelIndexList moved;
    for (int k = 0; k < persistent.size(); ++k)
        moved.append(index(rowOf(rowsBefore[k]), persistent[k].column()));
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit sortDescriptorsDidChange(m_sortIdentifier, m_sortAscending);
}

void SVNetworksTableModel::sortRows(QVector<SVNetworkRow>& rows) const
{
    if (!m_sortIdentifier.isEmpty())
        sortNetworkRows(rows, m_sortIdentifier, m_sortAscending);
}

bool isEditingCell(const QTreeView& view)
{
    // Editors live on the viewport; the table shows no other widgets there.
    const auto children = view.viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return std::any_of(children.begin(), children.end(), [](const QWidget* w) { return w->isVisible(); });
}

bool reloadNetworksView(QTreeView& view, SVNetworksTableModel& model, QVector<SVNetworkRow> rows,
                        const std::function<bool(const SVNetworkDelegate&)>& isUserHighlighted)
{
    if (isEditingCell(view))
        return false;
    // Rows hold still under a press or a drag until the button is up.
    if (const auto* table = qobject_cast<const SVNetworksView*>(&view); table && table->isPressed())
        return false;
    const int h = view.horizontalScrollBar()->value();
    const int v = view.verticalScrollBar()->value();

    std::unordered_set<const SVNetworkDelegate*> selected;
    std::shared_ptr<SVNetworkDelegate> current;
    if (!isUserHighlighted && view.selectionModel()) {
        for (const QModelIndex& i : view.selectionModel()->selectedRows())
            selected.insert(model.rowAt(i.row()).get());
    }
    if (view.selectionModel())
        current = model.rowAt(view.selectionModel()->currentIndex().row());

    // The old rows stay alive until the selection has been carried over.
    const QVector<SVNetworkRow> previous = model.rows();
    model.setRows(std::move(rows));

    QItemSelection selection;
    const int last = model.columnCount() - 1;
    for (int i = 0; i < model.rows().size(); ++i) {
        const SVNetworkDelegate* row = model.rows()[i].get();
        const bool keep = isUserHighlighted ? isUserHighlighted(*row) : selected.count(row) > 0;
        if (keep)
            selection.select(model.index(i, 0), model.index(i, last));
    }
    if (QItemSelectionModel* sm = view.selectionModel()) {
        const int currentRow = model.rowOf(current.get());
        if (currentRow >= 0)
            sm->setCurrentIndex(model.index(currentRow, 0), QItemSelectionModel::NoUpdate);
        sm->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    view.horizontalScrollBar()->setValue(h);
    view.verticalScrollBar()->setValue(v);
    return true;
}
