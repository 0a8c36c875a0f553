#include "views/SVSideViewModel.h"

#include "views/SVThemeHelper.h"

#include <QHash>
#include <QPainter>

// internalId: 0 for a top-level row, else the row of its category plus one.

SVSideViewModel::SVSideViewModel(QObject* parent)
    : QAbstractItemModel(parent)
{
}

QModelIndex SVSideViewModel::setItems(QVector<SVSideViewItem> items, const std::optional<SVSideViewSelection>& keep)
{
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
    return keep ? indexOf(*keep) : QModelIndex();
}

const SVSideViewItem* SVSideViewModel::itemAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    const quintptr id = index.internalId();
    if (id == 0)
        return index.row() < m_items.size() ? &m_items[index.row()] : nullptr;
    const qsizetype top = qsizetype(id) - 1;
    if (top >= m_items.size() || index.row() >= m_items[top].children.size())
        return nullptr;
    return &m_items[top].children[index.row()];
}

QModelIndex SVSideViewModel::indexOf(const SVSideViewSelection& selection) const
{
    const QVector<int> path = findSideViewItem(m_items, selection);
    if (path.isEmpty() || path.size() > 2)
        return {};
    const QModelIndex top = index(path[0], ItemColumn);
    return path.size() == 1 ? top : index(path[1], ItemColumn, top);
}

QPixmap SVSideViewModel::image(const QString& name)
{
    static QHash<QString, QPixmap> cache;
    if (const auto it = cache.constFind(name); it != cache.constEnd())
        return *it;
    QPixmap pixmap;
    if (name == QLatin1String("yellow") || name == QLatin1String("orange")) {
        // A dot in the item's colour.
        pixmap = QPixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor fill = name == QLatin1String("yellow") ? QColor(245, 196, 0) : QColor(255, 149, 0);
        p.setPen(QPen(fill.darker(130), 1));
        p.setBrush(fill);
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    } else if (name == QLatin1String("category")) {
        // A small stack of rows: a category holds items.
        pixmap = QPixmap(14, 12);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(SVThemeHelper::textColorForCategory());
        for (int i = 0; i < 3; ++i)
            p.drawRoundedRect(QRectF(1, 1 + 4 * i, 12, 2.5), 1, 1);
    }
    cache.insert(name, pixmap);
    return pixmap;
}

QModelIndex SVSideViewModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column > DetailColumn)
        return {};
    if (!parent.isValid())
        return row < m_items.size() ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.column() != ItemColumn || parent.internalId() != 0 || parent.row() >= m_items.size())
        return {};
    if (row >= m_items[parent.row()].children.size())
        return {};
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex SVSideViewModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), ItemColumn, quintptr(0));
}

int SVSideViewModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_items.size());
    if (parent.column() != ItemColumn || parent.internalId() != 0)
        return 0;
    const SVSideViewItem* item = itemAt(parent);
    return item ? int(item->children.size()) : 0;
}

int SVSideViewModel::columnCount(const QModelIndex&) const
{
    return 2;
}

QVariant SVSideViewModel::data(const QModelIndex& index, int role) const
{
    const SVSideViewItem* item = itemAt(index);
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == ItemColumn)
            return item->title;
        if (item->isCategory()) {
            const QString count = item->countText();
            return count.isEmpty() ? QVariant() : QVariant(count);
        }
        return {};
    case IdentifierRole:
        return item->identifier;
    case FilterStringRole:
        return item->filterString;
    case ImageNameRole:
        if (index.column() != ItemColumn)
            return {};
        if (const QString name = item->imageName(SVThemeHelper::isDarkTheme()); !name.isEmpty())
            return name;
        return {};
    case Qt::DecorationRole:
        if (index.column() == ItemColumn && !item->isGroup())
            if (const QString name = item->imageName(SVThemeHelper::isDarkTheme()); !name.isEmpty())
                return image(name);
        return {};
    case Qt::ForegroundRole:
        if (item->isCategory())
            return SVThemeHelper::textColorForCategory();
        if (item->isFilterItem() && index.column() == ItemColumn)
            return SVThemeHelper::textColorForItem();
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == DetailColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case LeftMarginRole:
        return index.column() == ItemColumn && item->isFilterItem() ? 12.0 : 0.0;
    case RightMarginRole:
        return index.column() == DetailColumn ? 12.0 : 0.0;
    default:
        return {};
    }
}

Qt::ItemFlags SVSideViewModel::flags(const QModelIndex& index) const
{
    const SVSideViewItem* item = itemAt(index);
    if (!item)
        return Qt::NoItemFlags;
    if (item->isGroup())
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
