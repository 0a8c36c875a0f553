#include "views/SVTableHeaderMenu.h"

#include "platform/NotificationCenter.h"
#include "model/SVNetworkColumns.h"

#include <QAction>
#include <QCollator>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

#include <algorithm>

QMenu* menuForTableHeader(const QTreeView& view, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->addAction(QMenu::tr("Auto Size Column"))->setData(SVTableHeaderMenuItem::AutoSizeColumn);
    menu->addAction(QMenu::tr("Auto Size All Columns"))->setData(SVTableHeaderMenuItem::AutoSizeAllColumns);
    menu->addSeparator();

    struct Entry {
        QString title;
        const SVNetworkColumn* column;
        int logical;
    };
    QVector<Entry> entries;
    const auto columns = networkColumns();
    const int count = std::min(int(columns.size()), view.header()->count());
    for (int i = 0; i < count; ++i) {
        const SVNetworkColumn& column = columns[size_t(i)];
        if (column.identifier != SVColumnId::IsUserHidden)
            entries.append({networkColumnTitle(column), &column, i});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const Entry& a, const Entry& b) { return collator.compare(a.title, b.title) < 0; });
    for (const Entry& e : entries) {
        QAction* action = menu->addAction(e.title);
        action->setData(e.column->identifier);
        action->setCheckable(true);
        action->setChecked(!view.header()->isSectionHidden(e.logical));
        action->setEnabled(e.column->identifier != outlineColumnIdentifier());
    }
    return menu;
}

void onTableHeaderMenu(const QAction& item, QTreeView& view, int clickedColumn,
                       const std::function<void(const QString&)>& userDidToggleColumnState)
{
    const QString id = item.data().toString();
    if (id == SVTableHeaderMenuItem::AutoSizeColumn) {
        if (clickedColumn >= 0)
            view.resizeColumnToContents(clickedColumn);
        return;
    }
    if (id == SVTableHeaderMenuItem::AutoSizeAllColumns) {
        for (int i = 0; i < view.header()->count(); ++i)
            view.resizeColumnToContents(i);
        return;
    }
    const int logical = networkColumnIndex(id);
    if (logical < 0 || logical >= view.header()->count() || id == SVColumnId::IsUserHidden)
        return;
    view.header()->setSectionHidden(logical, !view.header()->isSectionHidden(logical));
    if (userDidToggleColumnState)
        userDidToggleColumnState(id);
    sv::NotificationCenter::defaultCenter().post(kColumnDidChangeHiddenStateNotification);
}

void installTableHeaderMenu(QTreeView& view, std::function<void(const QString&)> userDidToggleColumnState)
{
    QHeaderView* header = view.header();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(header, &QHeaderView::customContextMenuRequested, &view,
                     [&view, header, callback = std::move(userDidToggleColumnState)](const QPoint& pos) {
                         const int clicked = header->logicalIndexAt(pos);
                         QMenu* menu = menuForTableHeader(view, &view);
                         if (QAction* chosen = menu->exec(header->mapToGlobal(pos)))
                             onTableHeaderMenu(*chosen, view, clicked, callback);
                         menu->deleteLater();
                     });
}
