// Filtering, and bringing the window up to date after it.

#include "app/AppDelegate.h"
#include "app/SVDocumentSession.h"
#include "model/SVDefaultsKeys.h"
#include "app/SVInspectController.h"

#include "app/SVDefaults.h"
#include "app/SVMainWindow.h"
#include "app/SVWindowTexts.h"
#include "platform/UserDefaults.h"
#include "platform/wlan/CWInterface.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVOutlineViews.h"
#include "views/SVSideViewModel.h"
#include "model/SVNetwork.h"

#include <QComboBox>
#include <QCompleter>
#include <QStringListModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

namespace {

SVSortDescriptor::Comparison comparisonFor(SVColumnComparison c)
{
    switch (c) {
    case SVColumnComparison::LocalizedStandard: return SVSortDescriptor::Comparison::LocalizedStandard;
    case SVColumnComparison::CaseInsensitive: return SVSortDescriptor::Comparison::CaseInsensitive;
    default: return SVSortDescriptor::Comparison::Compare;
    }
}

} // namespace

QList<SVSortDescriptor> AppDelegate::sortDescriptors() const
{
    const SVNetworkColumn* column = networkColumn(m_networksModel->sortIdentifier());
    if (!column || column->sortKey.isEmpty())
        return {};
    return {SVSortDescriptor{column->sortKey, m_networksModel->sortAscending(), comparisonFor(column->comparison)}};
}

void AppDelegate::filterAndSetNetworks(const SVNetworkList& list)
{
    std::lock_guard g(m_lock);
    SVFilterState state;
    state.showSecure = m_defaults.boolForKey(SVDefaultsKey::ShowSecure);
    state.showAdHoc = m_defaults.boolForKey(SVDefaultsKey::ShowAdHoc);
    state.quickFilter = m_quickFilterFlags;
    state.signalStrengthThreshold = m_signalStrengthThreshold;
    state.units = m_units;
    state.filterString = m_filterString;
    state.sourceItemFilterIdentifier = m_sideFilter.identifier();
    state.sourceItemFilterString = m_sideFilter.filterString();
    state.isScanning = isScanning();
    state.association = SVAssociation::of(m_currentInterface.get());
    state.sortDescriptors = sortDescriptors();
    state.footerNoticeShown = m_rightFooterNotice;

    SVFilterOutcome outcome = SVNetworkFilter::filterAndSetNetworks(list, state);
    m_networks = list;
    m_filteredNetworks = outcome.filteredNetworks;
    m_networksModel->setFilteredColumnIdentifiers(outcome.filteredColumnIdentifiers.value_or(QSet<QString>()));
    applyFooterNotice(outcome.footer);
    rebuildSideView(outcome.sideViewItems);
    prepareAndReload();
}

void AppDelegate::applyFooterNotice(const SVFooterNotice& notice)
{
    QLabel* footer = m_window->rightFooterLbl();
    switch (notice.action) {
    case SVFooterNotice::Action::Keep:
        break;
    case SVFooterNotice::Action::Show:
        footer->setText(notice.text);
        footer->setStyleSheet(QStringLiteral("color: %1").arg(notice.color.name(QColor::HexArgb)));
        m_rightFooterNotice = true;
        break;
    case SVFooterNotice::Action::Clear:
        footer->clear();
        footer->setStyleSheet(QString());
        m_rightFooterNotice = false;
        break;
    }
}

void AppDelegate::visitSideViewRows(const std::function<void(const QModelIndex&)>& visit) const
{
    std::vector<QModelIndex> stack{QModelIndex()};
    while (!stack.empty()) {
        const QModelIndex parent = stack.back();
        stack.pop_back();
        for (int row = 0; row < m_sideModel->rowCount(parent); ++row) {
            const QModelIndex index = m_sideModel->index(row, 0, parent);
            visit(index);
            stack.push_back(index);
        }
    }
}

void AppDelegate::rebuildSideView(const QVector<SVSideViewItem>& items)
{
    m_reloading = true;
    // The reader's place stays: selecting the kept row would scroll to it.
    const int scroll = m_sideView->verticalScrollBar()->value();
    const QModelIndex keep = m_sideModel->setItems(items, m_sideSelection);
    visitSideViewRows([&](const QModelIndex& index) {
        if (m_sideView->isExpandedTitle(index.data().toString()))
            m_sideView->expand(index);
    });
    // The kept row becomes the current one as well, so Up and Down go on
    // from it rather than from the top.
    if (keep.isValid())
        m_sideView->selectionModel()->setCurrentIndex(keep, QItemSelectionModel::ClearAndSelect |
                                                                QItemSelectionModel::Rows);
    m_sideView->doItemsLayout();
    m_sideView->verticalScrollBar()->setValue(scroll);
    m_reloading = false;
}

void AppDelegate::sideViewSelectionDidChange()
{
    if (m_reloading)
        return;
    const QModelIndexList selected = m_sideView->selectionModel()->selectedRows();
    const SVSideViewItem* item = selected.isEmpty() ? nullptr : m_sideModel->itemAt(selected.first());
    if (item)
        m_sideSelection = SVSideViewSelection::of(*item);
    else
        m_sideSelection.reset();
    if (m_sideFilter.selectionDidChange(item)) {
        for (const auto& n : networks())
            n->setUserHighlighted(false);
        QTimer::singleShot(0, this, [this] { filterAndSetNetworks(networks()); });
    }
}

void AppDelegate::networksSelectionDidChange()
{
    if (m_reloading)
        return;
    QTreeView* view = m_window->networksView();
    QSet<const SVNetworkDelegate*> selected;
    SVNetworkRow single;
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    for (const QModelIndex& index : rows) {
        if (const auto row = m_networksModel->rowAt(index.row())) {
            selected.insert(row.get());
            single = row;
        }
    }
    for (const auto& row : m_networksModel->rows())
        if (auto n = row->bestNetwork())
            n->setUserHighlighted(selected.contains(row.get()));
    // Only a single selected record is "the" selected network; several rows,
    // or a row standing for a group, select none.
    const auto chosen = selected.size() == 1 ? std::dynamic_pointer_cast<SVNetwork>(single) : nullptr;
    if (chosen != m_selectedNetwork)
        speechSelectionDidChange();
    m_selectedNetwork = chosen;
    graphsSelectionDidChange(!selected.isEmpty(), m_selectedNetwork);
    configureSelectedTabView();
}

void AppDelegate::prepareAndReload()
{
    if (isEditingCell(*m_window->networksView()))
        return;
    configureAll();
}

void AppDelegate::configureAll()
{
    configureNetworksView();
    configureSelectedTabView();
    m_window->leftFooterLbl()->setText(leftFooterText(networks().size(), filteredNetworks().size()));
    updateStateInfo();
}

void AppDelegate::configureNetworksView()
{
    std::lock_guard g(m_lock);
    QVector<SVNetworkRow> rows;
    rows.reserve(m_filteredNetworks.size());
    for (const auto& n : m_filteredNetworks)
        rows.append(n);
    QTreeView* view = m_window->networksView();
    const auto selectedRows = [&] {
        QSet<const SVNetworkDelegate*> out;
        for (const QModelIndex& index : view->selectionModel()->selectedRows())
            out.insert(m_networksModel->rowAt(index.row()).get());
        return out;
    };
    const QSet<const SVNetworkDelegate*> before = selectedRows();
    m_reloading = true;
    const bool reloaded = reloadNetworksView(*view, *m_networksModel, std::move(rows), [](const SVNetworkDelegate& row) {
        const auto n = row.bestNetwork();
        return n && n->userHighlighted();
    });
    m_reloading = false;
    // A reload that dropped or filtered out a selected row changed the
    // selection: its handler runs, so nothing keeps showing the old record.
    if (reloaded && selectedRows() != before)
        networksSelectionDidChange();
}

void AppDelegate::configureSelectedTabView()
{
    if (!m_rightFooterNotice) {
        QLabel* footer = m_window->rightFooterLbl();
        const auto network = m_selectedNetwork;
        const auto elements = network ? network->informationElements().size() : 0;
        if (elements > 0)
            footer->setText(informationElementsFooterText(qint64(elements), network->informationElementsLength()));
        else
            footer->clear();
    }
    switch (m_window->selectedTab()) {
    case SVMainWindow::NetworkDetailsTab: configureNetworkDetailsChart(); break;
    case SVMainWindow::SignalStrengthTab: configureSignalStrenghTabView(); break;
    case SVMainWindow::SpectrumTab: configureSpectrumTabView(); break;
    default: break;
    }
    scheduleSpeak();
    if (m_inspect)
        m_inspect->configureSelectedTab(m_window->selectedTab());
}

void AppDelegate::updateStateInfo()
{
    if (!m_window)
        return;
    SVStateInfoInput in;
    in.scanning = isScanning();
    // The document's own title: the window holds it marked up for Qt.
    in.windowTitle = m_documents->title().isEmpty() ? m_window->windowTitle() : m_documents->title();
    in.showsDocument = !m_documents->title().isEmpty();
    if (m_currentInterface) {
        in.hasInterface = true;
        in.interfaceName = m_currentInterface->interfaceName();
        if (m_simulated)
            in.interfaceName += tr(" (simulated)");
        in.associated = !m_currentInterface->bssid().isEmpty();
        in.ssid = m_currentInterface->ssid();
        if (const auto channel = m_currentInterface->wlanChannel()) {
            in.channel = channel->channelNumber();
            in.channelWidthMHz = channelWidthInMHz(channel->channelWidth());
        }
        in.transmitRate = m_currentInterface->transmitRate();
    }
    const SVStateInfo info = stateInfoText(in);
    m_window->toolbar().setInfoText(info.title, info.toolTip);
}

void AppDelegate::selectGraph(int index)
{
    // The one way to change tabs: the bar, the pane and the menu's check
    // marks move together.
    if (index < 0 || index >= SVMainWindow::TabCount)
        return;
    m_window->selectGraph(index);
    for (int i = 0; i < m_tabActions.size(); ++i)
        m_tabActions[i]->setChecked(i == index);
    configureSelectedTabView();
}

void AppDelegate::selectQuickFilter(int tag)
{
    if (!SVQuickFilter::forTag(tag))
        return;
    for (const auto& n : networks())
        n->setUserHighlighted(false);
    applyQuickFilter(tag);
}

void AppDelegate::applyQuickFilter(int tag)
{
    const auto flags = SVQuickFilter::forTag(tag);
    if (!flags)
        return;
    m_quickFilterFlags = *flags;
    m_quickFilterTag = tag;
    m_defaults.setInteger(tag, SVDefaultsKey::QuickFilterSelectedItem);
    QComboBox* popUp = m_window->toolbar().quickFilter;
    if (popUp->currentIndex() != tag)
        popUp->setCurrentIndex(tag);
    for (int i = 0; i < m_showActions.size(); ++i)
        m_showActions[i]->setChecked(i == tag);
    filterAndSetNetworks(networks());
}

void AppDelegate::onFilter(const QString& text)
{
    if (text == m_filterString)
        return;
    m_filterString = text;
    for (const auto& n : networks())
        n->setUserHighlighted(false);
    filterAndSetNetworks(networks());
}

void AppDelegate::recordRecentFilter(const QString& text)
{
    if (text.trimmed().isEmpty())
        return;
    QStringList recent = m_defaults.stringArrayForKey(SVDefaultsKey::RecentFilters);
    recent.removeAll(text);
    recent.prepend(text);
    while (recent.size() > 10)
        recent.removeLast();
    m_defaults.setObject(recent, SVDefaultsKey::RecentFilters);
    if (QCompleter* completer = m_window->toolbar().filterField->completer())
        if (auto* model = qobject_cast<QStringListModel*>(completer->model()))
            model->setStringList(recent);
}

void AppDelegate::userDidToggleColumnState(const QString& identifier)
{
    if (m_inspect)
        m_inspect->userDidToggleColumnState(identifier);
}

void AppDelegate::applyFontSizes()
{
    m_networksModel->setFontSize(m_defaults.doubleForKey(SVDefaultsKey::NetworksViewFontSize));
    QFont side = m_sideView->font();
    side.setPointSizeF(m_defaults.doubleForKey(SVDefaultsKey::SideViewFontSize));
    m_sideView->setFont(side);
}

void AppDelegate::onViewMakeText(double delta)
{
    changeFontSizes(m_defaults, delta);
    sv::NotificationCenter::defaultCenter().post(QStringLiteral("FontSizeDidChange"));
    applyFontSizes();
    configureAll();
}

void AppDelegate::onViewShow(int tag)
{
    const int index = (tag >= 1001 && tag <= 1004) ? tag - 1001 : 0;
    selectQuickFilter(index);
}
