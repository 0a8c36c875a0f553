#include "views/SVAdvancedDetailsView.h"

#include "platform/RtfWriter.h"

#include "elements/SVInfoElement.h"
#include "views/SVElementTreeModel.h"
#include "views/SVOutlineViews.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

// ---- rich text ----

QMimeData* richTextMimeData(const QString& text)
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/rtf"), sv::rtfData(text, QStringLiteral("Courier"), 12));
    data->setData(QStringLiteral("application/rtf"), data->data(QStringLiteral("text/rtf")));
    data->setText(text);
    return data;
}

// ---- cells ----

void SVElementCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QList<SVTextRun> runs = index.data(SVElementTreeModel::RunsRole).value<QList<SVTextRun>>();
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (runs.isEmpty())
        return;

    const bool selected = opt.state & QStyle::State_Selected;
    const bool active = widget && widget->hasFocus();
    // Selected rows: white in the focused tree, dark grey otherwise.
    const QColor highlight = active ? opt.palette.color(QPalette::HighlightedText) : QColor(0, 0, 0, 178);
    const QColor normal = opt.palette.color(QPalette::Text);
    QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);

    int total = 0;
    for (const SVTextRun& r : runs)
        total += QFontMetrics(r.font).horizontalAdvance(r.text);
    int x = area.left();
    if ((opt.displayAlignment & Qt::AlignRight) && total <= area.width())
        x = area.right() + 1 - total;

    painter->save();
    painter->setClipRect(area);
    for (const SVTextRun& r : runs) {
        if (x >= area.right())
            break;
        const QFontMetrics fm(r.font);
        const int room = area.right() + 1 - x;
        // Whole when the text fits: eliding at the exact width can cut by rounding.
        const QString shown = total <= area.width() ? r.text : fm.elidedText(r.text, Qt::ElideRight, room);
        painter->setFont(r.font);
        painter->setPen(selected ? highlight : (r.color.isValid() ? r.color : normal));
        const QRect rect(x, area.top(), room, area.height());
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        x += fm.horizontalAdvance(shown);
    }
    painter->restore();
}

QSize SVElementCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    int width = 8;
    int height = size.height();
    for (const SVTextRun& r : index.data(SVElementTreeModel::RunsRole).value<QList<SVTextRun>>()) {
        const QFontMetrics fm(r.font);
        width += fm.horizontalAdvance(r.text);
        height = std::max(height, fm.height() + 4);
    }
    return {std::max(size.width(), width), height};
}

// ---- the view ----

SVAdvancedDetailsView::SVAdvancedDetailsView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("advDetailsView"));
    setItemDelegate(new SVElementCellDelegate(this));
    setAlternatingRowColors(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& i) { remember(i, true); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& i) { remember(i, false); });
}

void SVAdvancedDetailsView::setElementModel(SVElementTreeModel* model)
{
    m_model = model;
    setModel(model);
    header()->setStretchLastSection(true);
    header()->resizeSection(SVElementTreeModel::IeColumn, 260);
    header()->resizeSection(SVElementTreeModel::IdColumn, 64);
    header()->resizeSection(SVElementTreeModel::LengthColumn, 100);
    // Unsorted until the user clicks a column; the model keeps the order for
    // the elements of later scans.
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
}

void SVAdvancedDetailsView::remember(const QModelIndex& index, bool expanded)
{
    // Only rows that can open are remembered.
    if (m_restoring || !m_model || m_model->rowCount(index) == 0)
        return;
    const QString key = m_model->keyAt(index);
    if (key.isEmpty())
        return;
    if (expanded)
        m_expandedItems.insert(key);
    else
        m_expandedItems.remove(key);
}

void SVAdvancedDetailsView::rememberSubtree(const QModelIndex& parent)
{
    if (!m_model)
        return;
    forEachRowWithChildren(parent, [&](const QModelIndex& i) {
        const QString key = m_model->keyAt(i);
        if (isExpanded(i))
            m_expandedItems.insert(key);
        else
            m_expandedItems.remove(key);
    });
}

void SVAdvancedDetailsView::forEachRowWithChildren(const QModelIndex& parent,
                                                   const std::function<void(const QModelIndex&)>& visit)
{
    // Iterative, so a deep tree needs no deep stack.
    QList<QModelIndex> pending;
    if (parent.isValid())
        pending << parent;
    else
        for (int r = 0; r < m_model->rowCount(); ++r)
            pending << m_model->index(r, 0);
    while (!pending.isEmpty()) {
        const QModelIndex i = pending.takeLast();
        const int rows = m_model->rowCount(i);
        if (rows == 0)
            continue;
        visit(i);
        for (int r = 0; r < rows; ++r)
            pending << m_model->index(r, 0, i);
    }
}

bool SVAdvancedDetailsView::isExpandedItem(const QModelIndex& index) const
{
    return m_model && m_expandedItems.contains(m_model->keyAt(index));
}

void SVAdvancedDetailsView::restoreExpandedItems()
{
    if (!m_model || m_expandedItems.isEmpty())
        return;
    m_restoring = true;
    forEachRowWithChildren({}, [&](const QModelIndex& i) {
        if (m_expandedItems.contains(m_model->keyAt(i)))
            expand(i);
    });
    m_restoring = false;
}

QModelIndex SVAdvancedDetailsView::clickedIndex() const
{
    return m_model && !m_clickedPath.isEmpty() ? m_model->indexOf(m_clickedPath) : QModelIndex();
}

QMenu* SVAdvancedDetailsView::menuForPoint(const QPoint& point)
{
    const QModelIndex at = indexAt(point).siblingAtColumn(0);
    m_clickedRow = at.isValid() ? at.row() : -1;
    m_clickedPath = at.isValid() && m_model ? m_model->pathAt(at) : SVElementRowPath();
    if (!at.isValid())
        return nullptr;
    const bool expandable = m_model && m_model->rowCount(at) > 0;
    if (expandable) {
        selectionModel()->select(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
    }
    const bool expanded = expandable && isExpanded(at);
    const bool element = at.data(SVElementTreeModel::IsElementRole).toBool();

    auto* menu = new QMenu(this);
    QAction* a = menu->addAction(tr("Expand Item"), this, &SVAdvancedDetailsView::onContextMenuExpandItem);
    a->setEnabled(expandable && !expanded);
    menu->addAction(tr("Expand All Items"), this, &SVAdvancedDetailsView::onContextMenuExpandAll);
    a = menu->addAction(tr("Collapse Item"), this, &SVAdvancedDetailsView::onContextMenuCollapseItem);
    a->setEnabled(expandable && expanded);
    menu->addAction(tr("Collapse All Items"), this, &SVAdvancedDetailsView::onContextMenuCollapseAll);
    menu->addSeparator();
    a = menu->addAction(tr("Copy Element"), this, &SVAdvancedDetailsView::onContextMenuCopyElement);
    a->setEnabled(element);
    menu->addAction(tr("Copy All Elements"), this, &SVAdvancedDetailsView::onContextMenuCopyAllElements);
    return menu;
}

void SVAdvancedDetailsView::mousePressEvent(QMouseEvent* event)
{
    if (!takeSecondaryPress(*event))
        QTreeView::mousePressEvent(event);
}

void SVAdvancedDetailsView::contextMenuEvent(QContextMenuEvent* event)
{
    popUpContextMenu(*this, *event, [this](QPoint at) { return menuForPoint(at); });
}

void SVAdvancedDetailsView::onContextMenuExpandItem()
{
    const QModelIndex clicked = clickedIndex();
    if (!clicked.isValid())
        return;
    m_restoring = true;
    expandRecursively(clicked);
    m_restoring = false;
    rememberSubtree(clicked);
}

void SVAdvancedDetailsView::onContextMenuCollapseItem()
{
    if (!m_model)
        return;
    QModelIndex i = clickedIndex();
    if (!i.isValid())
        return;
    while (i.isValid() && m_model->rowCount(i) == 0)
        i = i.parent();
    if (!i.isValid()) {
        onContextMenuCollapseAll();
        return;
    }
    // Top-down: once a row is closed its hidden children close without a
    // layout pass each.
    QList<QModelIndex> order{i};
    for (qsizetype k = 0; k < order.size(); ++k)
        for (int r = 0; r < m_model->rowCount(order[k]); ++r) {
            const QModelIndex child = m_model->index(r, 0, order[k]);
            if (m_model->rowCount(child) > 0)
                order << child;
        }
    m_restoring = true;
    for (const QModelIndex& k : order)
        collapse(k);
    m_restoring = false;
    rememberSubtree(i);
}

void SVAdvancedDetailsView::onContextMenuExpandAll()
{
    m_restoring = true;
    expandAll();
    m_restoring = false;
    rememberSubtree({});
}

void SVAdvancedDetailsView::onContextMenuCollapseAll()
{
    m_restoring = true;
    collapseAll();
    m_restoring = false;
    rememberSubtree({});
}

void SVAdvancedDetailsView::onContextMenuCopyElement()
{
    const QModelIndex clicked = clickedIndex();
    if (!clicked.isValid())
        return;
    const auto element = m_model->elementAt(clicked);
    if (!element)
        return;
    QApplication::clipboard()->setMimeData(richTextMimeData(element->ieDump()));
}

void SVAdvancedDetailsView::onContextMenuCopyAllElements()
{
    QStringList dumps;
    if (m_model)
        for (const auto& e : m_model->elements())
            if (e)
                dumps << e->ieDump();
    QApplication::clipboard()->setMimeData(richTextMimeData(dumps.join(QStringLiteral("\n\n"))));
}

void SVAdvancedDetailsView::keyPressEvent(QKeyEvent* event)
{
    if (event->text().startsWith(QLatin1Char(' '))) {
        const QModelIndex i = currentIndex().siblingAtColumn(0);
        if (i.isValid()) {
            if (isExpanded(i))
                collapse(i);
            else
                expand(i);
        }
        return;
    }
    QTreeView::keyPressEvent(event);
}
