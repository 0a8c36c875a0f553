#include "views/SVNetworksTableSetup.h"

#include "views/SVColumnLayout.h"
#include "views/SVNetworkCellDelegate.h"
#include "views/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVTableHeaderMenu.h"
#include "views/SVThemeHelper.h"

#include <QHeaderView>
#include <QPalette>
#include <QTreeView>

SVColumnAutosave* setUpNetworksTable(QTreeView& view, SVNetworksTableModel& model, SVNetworkCellDelegate& delegate,
                                     sv::UserDefaults& defaults,
                                     std::function<void(const QString&)> userDidToggleColumnState)
{
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.setRootIsDecorated(false);
    view.setIndentation(0);
    view.setUniformRowHeights(true);
    view.setAllColumnsShowFocus(true);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    view.setTextElideMode(Qt::ElideRight);
    view.setAlternatingRowColors(true);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor::fromRgbF(0.961f, 0.961f, 0.961f));
    view.setPalette(palette);

    QHeaderView* header = view.header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(true);
    header->setFirstSectionMovable(true);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setTextElideMode(Qt::ElideRight);
    QPalette headerPalette = header->palette();
    headerPalette.setColor(QPalette::ButtonText, SVThemeHelper::textColorForTableHeader());
    headerPalette.setColor(QPalette::WindowText, SVThemeHelper::textColorForTableHeader());
    header->setPalette(headerPalette);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    view.setSortingEnabled(true);
    // The swatch column has no sort key: a click on it leaves the sort as it was.
    QObject::connect(header, &QHeaderView::sortIndicatorChanged, &view, [&model, header](int section, Qt::SortOrder) {
        if (section >= 0 && section < int(networkColumns().size())
            && networkColumns()[size_t(section)].sortKey.isEmpty()) {
            const QSignalBlocker block(header);
            const int previous = networkColumnIndex(model.sortIdentifier());
            header->setSortIndicator(previous,
                                     model.sortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
        }
    });

    auto* autosave = new SVColumnAutosave(header, defaults);
    installTableHeaderMenu(view, std::move(userDidToggleColumnState));
    return autosave;
}
