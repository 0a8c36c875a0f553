// The Network Details and Advanced Details tabs, the colour chosen per
// network, and the View and Help commands with their enabling rules.

#include "app/SVInspectController.h"
#include "model/SVDefaultsKeys.h"

#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "app/SVNetworkDetailsPane.h"
#include "app/SVUpdater.h"
#include "model/SVNetwork.h"
#include "platform/KeyedArchiver.h"
#include "platform/UserDefaults.h"
#include "views/SVAdvancedDetailsView.h"
#include "views/SVElementTreeModel.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVOutlineViews.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

std::function<bool(const QUrl&)>& urlOpener()
{
    static std::function<bool(const QUrl&)> opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

const char* const kAcknowledgments =
    "<p>Skyvane is built with these libraries; their authors' work is gratefully acknowledged.</p>"
    "<ul>"
    "<li><b>Qt</b> &mdash; The Qt Company Ltd and other contributors; GNU LGPL version 3.</li>"
    "<li><b>libnl</b> &mdash; Thomas Graf and contributors; GNU LGPL version 2.1.</li>"
    "<li><b>libplist</b> &mdash; the libimobiledevice project; GNU LGPL version 2.1.</li>"
    "<li><b>Avahi</b> &mdash; Lennart Poettering, Trent Lloyd and contributors; GNU LGPL version 2.1.</li>"
    "<li><b>libzip</b> &mdash; Dieter Baron and Thomas Klausner; BSD 3-clause licence.</li>"
    "</ul>";

} // namespace

QVariantMap userDefinedColorsWithColor(const QVariantMap& colors, const QString& bssid, const QColor& color)
{
    QVariantMap out = colors;
    // The record reads an archived colour back (its keyed archive form).
    out.insert(bssid, sv::KeyedArchiver::archivedValue(QVariant::fromValue(color)));
    return out;
}

void SVInspectController::setUrlOpener(std::function<bool(const QUrl&)> opener)
{
    urlOpener() = opener ? std::move(opener) : [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

SVInspectController::SVInspectController(SVInspectHost host, QObject* parent)
    : QObject(parent), m_host(std::move(host)), m_defaults(*m_host.defaults), m_validator(new SVMenuValidator(this))
{
}

SVInspectController::~SVInspectController() = default;

QTreeView* SVInspectController::networksView() const
{
    return m_host.window ? m_host.window->networksView() : nullptr;
}

// ---- tabs ----

void SVInspectController::buildTabs()
{
    SVMainWindow* window = m_host.window;

    auto* detailsTab = new QWidget;
    auto* column = new QVBoxLayout(detailsTab);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_metricPopUp = new QComboBox;
    m_metricPopUp->setObjectName(QStringLiteral("metricPopUpBtn"));
    m_metricPopUp->addItems({tr("Signal"), tr("Signal and Noise"), tr("Signal-to-Noise Ratio")});
    connect(m_metricPopUp, &QComboBox::activated, this, [this](int index) { userDidSelectMetric(index); });
    auto* top = new QHBoxLayout;
    top->setContentsMargins(8, 6, 8, 0);
    top->addWidget(m_metricPopUp);
    top->addStretch(1);
    column->addLayout(top);
    m_details = new SVNetworkDetailsPane;
    connect(m_details, &SVNetworkDetailsPane::userDidSelectColor, this,
            [this](const QColor& color, const QString& bssid) { userDidSelectColor(color, bssid); });
    column->addWidget(m_details, 1);
    window->setTabPane(SVMainWindow::NetworkDetailsTab, detailsTab);

    m_advView = new SVAdvancedDetailsView;
    m_elementModel = new SVElementTreeModel(m_advView);
    m_advView->setElementModel(m_elementModel);
    window->setTabPane(SVMainWindow::AdvancedDetailsTab, m_advView);

    window->installEventFilter(this);
    m_filterField = window->toolbar().filterField;
    m_filterField->installEventFilter(this);
}

bool SVInspectController::eventFilter(QObject* watched, QEvent* event)
{
    // Checked by type: while the window is being destroyed it is no longer
    // a main window, and its parts are gone.
    if (auto* window = qobject_cast<SVMainWindow*>(watched)) {
        QTreeView* table = window->networksView();
        if (event->type() == QEvent::WindowActivate) {
            // Back to the table when it holds the selection.
            if (table && table->selectionModel() && table->selectionModel()->hasSelection())
                table->setFocus(Qt::ActiveWindowFocusReason);
        } else if (event->type() == QEvent::WindowDeactivate) {
            if (QWidget* focus = window->focusWidget())
                focus->clearFocus();
        }
    } else if (event->type() == QEvent::KeyPress && watched == m_filterField) {
        // Escape abandons the edit, as a search field's does: the text and
        // its filter go, and the keys go to the table.
        if (m_host.window && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (!m_filterField->text().isEmpty()) {
                m_filterField->clear();
                m_host.filter(QString());
            }
            m_host.window->networksView()->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

std::shared_ptr<SVNetwork> SVInspectController::inspectedNetwork() const
{
    const auto selected = m_host.selectedNetwork();
    if (!selected)
        return nullptr;
    // A record that left the list, or a selection of several rows, shows nothing.
    const SVNetworkList listed = m_host.filteredNetworks();
    if (std::find(listed.begin(), listed.end(), selected) == listed.end())
        return nullptr;
    QTreeView* table = networksView();
    if (!table || !table->selectionModel() || !m_host.networksModel)
        return selected;
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    if (rows.size() != 1)
        return nullptr;
    const auto row = m_host.networksModel->rowAt(rows.first().row());
    if (!row || row->bestNetwork() != selected)
        return nullptr;
    return selected;
}

void SVInspectController::configureSelectedTab(int tab)
{
    if (tab == SVMainWindow::NetworkDetailsTab)
        configureNetworkDetailsTabView();
    else if (tab == SVMainWindow::AdvancedDetailsTab)
        configureAdvancedDetailsTabView();
}

void SVInspectController::configureNetworkDetailsTabView()
{
    if (!m_details)
        return;
    if (m_graphs[0].redraw)
        m_graphs[0].redraw();
    m_details->configure(inspectedNetwork(), m_host.units(), m_host.isScanning());
}

void SVInspectController::configureAdvancedDetailsTabView()
{
    if (!m_advView)
        return;
    const auto network = inspectedNetwork();
    auto elements = network ? network->informationElements() : std::vector<std::shared_ptr<SVInfoElement>>{};
    const double size = m_defaults.doubleForKey(SVDefaultsKey::AdvancedDetailsViewFontSize);
    const bool sameElements = network == m_treeNetwork.lock() && elements == m_elementModel->givenElements();
    if (sameElements && (size <= 0 || size == m_elementModel->fontSize()))
        return;

    // Keep the reader's place: the scroll position and the selected row's key.
    const int scroll = m_advView->verticalScrollBar()->value();
    const QString currentKey = m_elementModel->keyAt(m_advView->currentIndex().siblingAtColumn(0));
    m_treeNetwork = network;
    if (size > 0)
        m_elementModel->setFontSize(size);
    m_elementModel->setElements(std::move(elements));
    m_advView->restoreExpandedItems();
    if (!currentKey.isEmpty()) {
        const QModelIndexList found = m_elementModel->match(m_elementModel->index(0, 0), SVElementTreeModel::KeyRole,
                                                            currentKey, 1, Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty())
            m_advView->setCurrentIndex(found.first());
    }
    m_advView->verticalScrollBar()->setValue(scroll);
}

// ---- colour ----

void SVInspectController::userDidSelectColor(const QColor& color, const QString& bssid)
{
    const auto network = inspectedNetwork();
    if (!network || network->bssid() != bssid || !color.isValid())
        return;
    network->setColor(color);
    const QString key = SVDefaultsKey::UserDefinedColors;
    m_defaults.setObject(userDefinedColorsWithColor(m_defaults.dictionaryForKey(key), network->bssid(), color), key);
    m_host.configureAll();
}

// ---- menus ----

void SVInspectController::addValidatedAction(QAction* action, SVMenuItemInfo info, std::function<void()> handler)
{
    m_validator->add(action, [this, info] { return validateMenuItem(info, menuState()); }, std::move(handler));
}

SVMenuState SVInspectController::menuState() const
{
    SVMenuState s;
    const SVNetworkList all = m_host.networks();
    const SVNetworkList filtered = m_host.filteredNetworks();
    s.hasNetworks = !all.empty();
    s.hasFilteredNetworks = !filtered.empty();
    s.hasHighlightedNetwork = std::any_of(filtered.begin(), filtered.end(),
                                          [](const auto& n) { return n && n->userHighlighted(); });
    s.selectedTab = m_host.window ? m_host.window->selectedTab() : 0;
    if (s.selectedTab == 0 || s.selectedTab == 1) {
        const SVGraphControls& g = m_graphs[s.selectedTab];
        if (g.timescale && g.minTimescale && g.maxTimescale)
            s.graphSpan = SVMenuState::Span{g.timescale(), g.minTimescale(), g.maxTimescale()};
    }
    s.hasUnsavedResults = m_hasUnsavedResults && m_hasUnsavedResults();
    const SVMenuState focused = focusState();
    s.firstResponder = focused.firstResponder;
    s.hasSelectedRows = focused.hasSelectedRows;
    return s;
}

SVMenuState SVInspectController::focusState() const
{
    SVMenuState s;
    QWidget* focus = QApplication::focusWidget();
    if (focus && m_host.sideView && (focus == m_host.sideView || m_host.sideView->isAncestorOf(focus)))
        s.firstResponder = SVFirstResponder::Sidebar;
    else if (focus && m_advView && (focus == m_advView || m_advView->isAncestorOf(focus)))
        s.firstResponder = SVFirstResponder::ElementOutline;
    else if (focus && focus == networksView())
        s.firstResponder = SVFirstResponder::NetworksOutline;
    QTreeView* table = networksView();
    s.hasSelectedRows = table && table->selectionModel() && table->selectionModel()->hasSelection();
    return s;
}

QAction* SVInspectController::metricAction(int tag) const
{
    return m_metricActions.value(tag - 3001);
}

QAction* SVInspectController::timescaleAction(int tag) const
{
    return m_timescaleActions.value(tag - 4001);
}

void SVInspectController::addViewMenuItems(QMenu* view)
{
    m_validator->watch(view);
    view->addSeparator();
    QMenu* graph = view->addMenu(tr("Graph"));
    m_validator->watch(graph);
    const QStringList metricTitles = {tr("Signal"), tr("Signal and Noise"), tr("Signal-to-Noise Ratio")};
    for (int i = 0; i < metricTitles.size(); ++i) {
        const int tag = 3001 + i;
        QAction* a = graph->addAction(metricTitles[i]);
        a->setData(tag);
        a->setCheckable(true);
        addValidatedAction(a, {SVMenuCommand::ViewGraph, tag, {}, false, false}, [this, tag] { onViewGraph(tag); });
        m_metricActions << a;
    }
    QMenu* timescale = view->addMenu(tr("Timescale"));
    m_validator->watch(timescale);
    const QStringList spanTitles = {tr("Longer Span"), tr("Shorter Span")};
    // The text size's keys with Alt added. Not with Shift: Ctrl+Shift on the
    // "=" key types Ctrl++, the text size's own key, on most keyboards.
    const QKeySequence spanKeys[] = {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Minus),
                                     QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Equal)};
    for (int i = 0; i < spanTitles.size(); ++i) {
        const int tag = 4001 + i;
        QAction* a = timescale->addAction(spanTitles[i]);
        a->setData(tag);
        a->setShortcut(spanKeys[i]);
        addValidatedAction(a, {SVMenuCommand::ViewTimescale, tag, {}, false, false},
                           [this, tag] { onViewTimescale(tag); });
        m_timescaleActions << a;
    }
    // Bound to its setting: the check shows the setting whenever the menu opens.
    QAction* labels = view->addAction(tr("Show Network Labels"));
    labels->setObjectName(QStringLiteral("showNetworkLabelMenuItem"));
    labels->setCheckable(true);
    m_showNetworkLabelAction = labels;
    auto syncLabels = [this, labels] {
        labels->setChecked(m_defaults.boolForKey(QStringLiteral("ShowNetworkLabel")));
    };
    syncLabels();
    connect(view, &QMenu::aboutToShow, labels, syncLabels);
    addValidatedAction(labels, {}, [this] { onViewShowNetworkLabel(); });
    // Networks are organised one way only; its command stays out of sight.
    QAction* organize = view->addAction(tr("Organize Networks by Name"));
    organize->setVisible(false);
    addValidatedAction(organize, {}, [this] { onViewOrganizeNetworksBy(); });
    syncMetricChecks();
}

void SVInspectController::buildHelpMenu(QMenu* help)
{
    m_validator->watch(help);
    addValidatedAction(help->addAction(tr("Skyvane Support")), {}, [this] { openHelpPage(SVHelpPages::Support); });
    addValidatedAction(help->addAction(tr("Skyvane on Twitter")), {}, [this] { openHelpPage(SVHelpPages::Twitter); });
    addValidatedAction(help->addAction(tr("Skyvane on Facebook")), {}, [this] { openHelpPage(SVHelpPages::Facebook); });
    help->addSeparator();
    addValidatedAction(help->addAction(tr("Acknowledgments")), {}, [this] { onHelpAcknowledgments(); });
    QAction* updates = help->addAction(tr("Check for Updates..."));
    updates->setMenuRole(QAction::ApplicationSpecificRole);
    addValidatedAction(updates, {}, [this] { checkForUpdates(); });
    help->addSeparator();
    QAction* about = help->addAction(tr("About Skyvane"));
    about->setMenuRole(QAction::AboutRole);
    addValidatedAction(about, {}, [this] { onAbout(); });
}

void SVInspectController::syncMetricChecks()
{
    for (int i = 0; i < m_metricActions.size(); ++i)
        m_metricActions[i]->setChecked(i == m_metric);
    if (m_metricPopUp)
        m_metricPopUp->setCurrentIndex(m_metric);
}

void SVInspectController::applyMetricToChart()
{
    // SNR is drawn in place of the signal; noise only beside it.
    if (m_graphs[0].setDrawing)
        m_graphs[0].setDrawing(m_metric != 2, m_metric == 1);
}

void SVInspectController::userDidSelectMetric(int index)
{
    if (index < 0 || index > 2)
        return;
    m_metric = index;
    applyMetricToChart();
    syncMetricChecks();
    if (m_graphs[0].redraw)
        m_graphs[0].redraw();
}

void SVInspectController::onViewGraph(int tag)
{
    if (tag < 3001 || tag > 3003)
        return;
    userDidSelectMetric(tag - 3001);
}

void SVInspectController::onViewTimescale(int tag)
{
    const double delta = tag == 4001 ? 0.2 : tag == 4002 ? -0.2 : 0.0;
    if (delta == 0.0 || !m_host.window)
        return;
    const int tab = m_host.window->selectedTab();
    if ((tab == 0 || tab == 1) && m_graphs[tab].magnifyWithMagnification)
        m_graphs[tab].magnifyWithMagnification(delta);
}

void SVInspectController::onViewOrganizeNetworksBy()
{
    m_defaults.setInteger(0, SVDefaultsKey::OrganizeNetworksBy);
    m_host.refilter();
    m_host.configureAll();
}

void SVInspectController::onViewShowNetworkLabel()
{
    const QString key = QStringLiteral("ShowNetworkLabel");
    const bool on = !m_defaults.boolForKey(key);
    m_defaults.setBool(on, key);
    if (m_showNetworkLabelAction)
        m_showNetworkLabelAction->setChecked(on);
    m_host.configureSpectrum();
}

void SVInspectController::setGraphControls(int tab, SVGraphControls controls)
{
    if (tab < 0 || tab > 2)
        return;
    m_graphs[tab] = std::move(controls);
    if (tab == 0)
        applyMetricToChart();
}

// ---- preference callbacks ----

bool SVInspectController::isNetworkColumnShown(const QString& identifier) const
{
    QTreeView* table = networksView();
    const int column = networkColumnIndex(identifier);
    return table && column >= 0 && column < table->header()->count() && !table->header()->isSectionHidden(column);
}

void SVInspectController::userDidToggleColumnState(const QString& identifier)
{
    if (identifier == u"ANNOTATIONS")
        toggleDisplayAnnotations();
    else if (identifier == u"DEVICE_NAME")
        toggleDisplayDeviceName();
}

void SVInspectController::toggleDisplayAnnotations()
{
    const bool shown = isNetworkColumnShown(QStringLiteral("ANNOTATIONS"))
                       && m_defaults.boolForKey(QStringLiteral("DisplayAnnotations"));
    for (int tab : {1, 2}) {
        if (m_graphs[tab].setShowsAnnotations)
            m_graphs[tab].setShowsAnnotations(shown);
        if (m_graphs[tab].redraw)
            m_graphs[tab].redraw();
    }
}

void SVInspectController::toggleDisplayDeviceName()
{
    const bool shown = isNetworkColumnShown(QStringLiteral("DEVICE_NAME"));
    for (int tab : {1, 2})
        if (m_graphs[tab].setShowsDeviceNames)
            m_graphs[tab].setShowsDeviceNames(shown);
    m_host.configureSelectedTab();
}

// ---- help ----

void SVInspectController::openHelpPage(const QUrl& page)
{
    urlOpener()(page);
}

void SVInspectController::onHelpAcknowledgments()
{
    auto* alert = new SVAlert(m_host.window);
    alert->setAlertStyle(SVAlert::Style::Informational);
    alert->setMessageText(tr("Acknowledgments"));
    alert->setInformativeText(tr("Portions of this software may utilize the following copyrighted material, the use "
                                 "of which is hereby acknowledged."));
    alert->addButtonWithTitle(tr("OK"));
    auto* text = new QTextEdit;
    text->setReadOnly(true);
    text->setHtml(QString::fromUtf8(kAcknowledgments));
    text->setFixedSize(300, 100);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    alert->setAccessoryView(text);
    alert->runModal();
    delete alert;
}

void SVInspectController::onAbout()
{
    QMessageBox::about(m_host.window, tr("About Skyvane"),
                       tr("<b>Skyvane</b> %1<br>Surveys the Wi-Fi networks around this computer.")
                           .arg(QCoreApplication::applicationVersion().toHtmlEscaped()));
}

void SVInspectController::checkForUpdates()
{
    SVUpdater::sharedUpdater().checkForUpdates(m_host.window);
}
