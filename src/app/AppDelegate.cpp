// Start-up, settings, the window's construction and shutdown.

#include "app/AppDelegate.h"
#include "app/SVDocumentSession.h"
#include "model/SVDefaultsKeys.h"
#include "app/SVInspectController.h"

#include "app/SVAlert.h"
#include "app/SVDefaults.h"
#include "app/SVFileAlerts.h"
#include "app/SVMainWindow.h"
#include "app/SVPreferencesPanes.h"
#include "app/SVProgressWindowController.h"
#include "app/SVScanSession.h"
#include "app/SVStartupAlerts.h"
#include "app/SVVendorDatabaseWindowUI.h"
#include "app/SVWindowFrame.h"
#include "app/SVWindowTexts.h"
#include "elements/SVInfoElement.h"
#include "model/SVActiveScanEngine.h"
#include "model/SVAnnotationsHelper.h"
#include "model/SVNetServiceBrowser.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/wlan/CWInterface.h"
#include "preferences/MoveApplication.h"
#include "views/SVColumnLayout.h"
#include "views/SVImageAndTextDelegate.h"
#include "views/SVNetworkCellDelegate.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVNetworksTableSetup.h"
#include "views/SVOutlineViews.h"
#include "views/SVSideViewModel.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QStringListModel>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QHeaderView>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

namespace {
const QUrl kSupportPage(QStringLiteral("https://skyvane.app/support"));

QStringList categoryTitles()
{
    QStringList titles;
    for (const SVSideViewItem& item : sideViewItemsForSources(QVector<SVSideViewSource>()))
        if (item.isCategory())
            titles << item.title;
    return titles;
}
} // namespace

AppDelegate::AppDelegate(Options options, QObject* parent)
    : QObject(parent),
      m_options(std::move(options)),
      m_defaults(sv::UserDefaults::standardUserDefaults()),
      m_clock(m_options.clock ? m_options.clock : std::make_shared<sv::SystemClock>()),
      m_scanSession(std::make_unique<SVScanSession>(m_clock, m_options.scanTimerIntervalMs)),
      m_documents(std::make_unique<SVDocumentSession>(m_defaults))
{
    connect(m_scanSession.get(), &SVScanSession::mergeDue, this, &AppDelegate::scan);
}

AppDelegate::~AppDelegate()
{
    // The engine's thread ends before anything it uses goes, and so do a
    // save or open under way.
    waitForBackgroundJobs();
    m_observations.clear();
    m_scanSession->stop();
    if (m_currentInterface)
        m_currentInterface->stopMonitoringEvents();
    SVVendorDatabaseHelper::sharedDatabase().setUI(nullptr);
    SVInfoElement::setVendorNameLookup({});
    m_vendorUI.reset();
    m_progress.reset();
    m_preferences.reset();
    disconnect(m_copyFocusWatch);
    delete m_window;
}

QTreeView* AppDelegate::networksView() const
{
    return m_window ? m_window->networksView() : nullptr;
}

SVNetworkList AppDelegate::networks() const
{
    std::lock_guard g(m_lock);
    return m_networks;
}

SVNetworkList AppDelegate::filteredNetworks() const
{
    std::lock_guard g(m_lock);
    return m_filteredNetworks;
}

void AppDelegate::awakeFromNib()
{
    m_title = QStringLiteral("Skyvane");
    m_selectedNetwork.reset();
    m_lastScanTime = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    m_didFindNetworksFirstTime = true;
    m_highlightAssociatedNetwork = false;

    buildWindow();
    filterAndSetNetworks({});
    chooseInterface();
    validateScanStopItems();
    observeNotifications();
    updateWindowTitle();
    restoreWindowFrame();
    m_window->rightFooterLbl()->clear();
    m_window->rightFooterLbl()->show();
}

void AppDelegate::buildWindow()
{
    // The table measures its starting widths in the font size the settings give.
    registerDefaults(m_defaults);
    m_window = new SVMainWindow;
    m_window->installEventFilter(this);
    m_window->setAcceptDrops(true);
    m_progress = std::make_unique<SVProgressPanel>(m_window);
    // As the File menu's Quit, which the sheet keeps from the window.
    m_progress->setQuitAction([this] { m_window->close(); });
    m_fileAlerts = std::make_unique<SVFileAlerts>(m_window);
    m_vendorUI = std::make_unique<SVVendorDatabaseWindowUI>(m_window, *m_progress);
    SVVendorDatabaseHelper::sharedDatabase().setUI(m_vendorUI.get());

    QTreeView* table = m_window->networksView();
    m_networksModel = new SVNetworksTableModel(table);
    m_networksModel->setLock(&m_lock);
    m_networksModel->setAnnotationEditor([](SVNetworkDelegate& row, const QString& text) {
        // The edited row's own record, whatever the selection is.
        if (auto network = row.bestNetwork())
            network->setAnnotations(text);
    });
    m_cellDelegate = new SVNetworkCellDelegate(table);
    m_columnAutosave = setUpNetworksTable(*table, *m_networksModel, *m_cellDelegate, m_defaults,
                                          [this](const QString& id) { userDidToggleColumnState(id); });
    // Sorting is part of filtering: a new sort order filters again.
    connect(m_networksModel, &SVNetworksTableModel::sortDescriptorsDidChange, this,
            [this](const QString&, bool) { filterAndSetNetworks(networks()); });
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { networksSelectionDidChange(); });

    buildSideView();
    m_inspect = new SVInspectController(inspectHost(), this);
    m_inspect->buildTabs();
    buildGraphs();

    SVMainToolbar& toolbar = m_window->toolbar();
    connect(toolbar.scanButton, &QToolButton::clicked, this, [this] { onScanStop(ScanTag); });
    connect(toolbar.stopButton, &QToolButton::clicked, this, [this] { onScanStop(StopTag); });
    toolbar.quickFilter->addItems(SVQuickFilter::titles());
    connect(toolbar.quickFilter, &QComboBox::activated, this, [this](int index) { selectQuickFilter(index); });
    m_filterTypingTimer = new QTimer(this);
    m_filterTypingTimer->setSingleShot(true);
    m_filterTypingTimer->setInterval(250);
    connect(m_filterTypingTimer, &QTimer::timeout, this,
            [this] { onFilter(m_window->toolbar().filterField->text()); });
    connect(toolbar.filterField, &QLineEdit::textEdited, m_filterTypingTimer, qOverload<>(&QTimer::start));
    // Recent filters come back as completions of what is typed.
    auto* recents = new QCompleter(new QStringListModel(m_defaults.stringArrayForKey(SVDefaultsKey::RecentFilters),
                                                        toolbar.filterField),
                                   toolbar.filterField);
    recents->setCaseSensitivity(Qt::CaseInsensitive);
    recents->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    toolbar.filterField->setCompleter(recents);
    connect(recents, qOverload<const QString&>(&QCompleter::activated), this, [this](const QString& text) {
        m_filterTypingTimer->stop();
        onFilter(text);
    });
    connect(toolbar.filterField, &QLineEdit::returnPressed, this, [this] {
        m_filterTypingTimer->stop();
        const QString text = m_window->toolbar().filterField->text();
        onFilter(text);
        recordRecentFilter(text);
        m_window->networksView()->setFocus();
    });
    connect(m_window, &SVMainWindow::userDidSelectTab, this, [this](int index) { selectGraph(index); });
    connect(m_window, &SVMainWindow::willSelectTab, this, [this](int) {
        QTimer::singleShot(0, this, [this] { configureSelectedTabView(); });
    });
    buildMenus();
    validateScanStopItems();
}

void AppDelegate::buildSideView()
{
    m_sideView = new SVSideView;
    if (m_defaults.hasStoredValue(SVDefaultsKey::SideViewExpandedItems))
        m_sideView->setExpandedTitles(m_defaults.stringArrayForKey(SVDefaultsKey::SideViewExpandedItems));
    else
        m_sideView->setExpandedTitles(categoryTitles()); // the categories start open
    m_sideModel = new SVSideViewModel(m_sideView);
    m_sideView->setModel(m_sideModel);
    auto* cells = new SVImageAndTextDelegate(m_sideView);
    cells->setMarginRoles(SVSideViewModel::LeftMarginRole, SVSideViewModel::RightMarginRole);
    m_sideView->setItemDelegate(cells);
    m_sideView->setHeaderHidden(true);
    m_sideView->setRootIsDecorated(true);
    m_sideView->setIndentation(12); // room for titles in a narrow sidebar
    m_sideView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sideView->header()->setStretchLastSection(false);
    m_sideView->header()->setSectionResizeMode(SVSideViewModel::ItemColumn, QHeaderView::Stretch);
    m_sideView->header()->setSectionResizeMode(SVSideViewModel::DetailColumn, QHeaderView::ResizeToContents);
    connect(m_sideView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { sideViewSelectionDidChange(); });
    m_window->setSidebarView(m_sideView);
}

void AppDelegate::chooseInterface()
{
    QString error;
    if (!m_options.scenarioPath.isEmpty()) {
        CWInterface::setScenarioPath(m_options.scenarioPath);
        m_currentInterface = CWInterface::interfaceWithName(QStringLiteral("sim0"), &error);
        if (!m_currentInterface) {
            m_scenarioError = error.isEmpty() ? m_options.scenarioPath : error;
            qCWarning(lcSkyvane).noquote() << "Cannot play the scenario:" << m_scenarioError;
        }
    } else {
        const QString name = m_defaults.stringForKey(SVDefaultsKey::InterfaceName);
        if (!name.isEmpty()) {
            m_currentInterface = CWInterface::interfaceWithName(name);
            if (!m_currentInterface)
                qCWarning(lcSkyvane).noquote() << QStringLiteral("Invalid interface name: %1, using default.").arg(name);
        }
        if (!m_currentInterface)
            m_currentInterface = CWInterface::interface();
        if (!m_currentInterface && m_options.simulateWithoutInterface) {
            m_currentInterface = CWInterface::interfaceWithName(QStringLiteral("sim0"), &error);
            if (m_currentInterface)
                qCInfo(lcSkyvane).noquote() << "No Wi-Fi interface found: scanning the simulated radio with"
                                            << CWInterface::defaultScenarioPath();
            else
                qCWarning(lcSkyvane).noquote() << "No Wi-Fi interface, and no simulated radio:" << error;
        }
    }
    m_simulated = m_currentInterface && CWInterface::isSimulatedName(m_currentInterface->interfaceName());
    if (m_simulated)
        m_title = tr("Skyvane (simulated radio)");
    if (m_currentInterface)
        m_currentInterface->startMonitoringEvents();
}

void AppDelegate::observeNotifications()
{
    auto& center = sv::NotificationCenter::defaultCenter();
    auto observe = [&](const QString& name, std::function<void(const sv::Notification&)> handler) {
        m_observations.push_back(
            center.addObserver(name, std::move(handler), sv::NotificationCenter::Delivery::MainThread, this));
    };
    observe(CWInterface::PowerDidChangeNotification, [this](const sv::Notification&) { handlePowerDidChange(); });
    observe(CWInterface::BSSIDDidChangeNotification, [this](const sv::Notification&) { updateStateInfo(); });
    observe(CWInterface::LinkQualityDidChangeNotification, [this](const sv::Notification&) { updateStateInfo(); });
    observe(UserDidPickNetworkNotification, [this](const sv::Notification& n) {
        handleUserDidPickNetwork(n.userInfo.value(QStringLiteral("object")).toString());
    });
    observe(SVActiveScanEngine::ScanDidStartNotification, [this](const sv::Notification&) { handleScanDidStart(); });
    observe(SVActiveScanEngine::ScanDidEndNotification, [this](const sv::Notification&) { handleScanDidEnd(); });
    observe(FilterUsingKeysNotification, [this](const sv::Notification& n) { handleFilterUsingKeys(n.userInfo); });
    observe(sv::UserDefaults::DidChangeNotification, [this](const sv::Notification&) {
        // While scanning the next tick shows the change anyway.
        if (!isScanning())
            configureAll();
    });

    QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
                                         QStringLiteral("/org/freedesktop/login1"),
                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                         QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
}

void AppDelegate::prepareForSleep(bool sleeping)
{
    if (!sleeping) {
        // No power change with the radio on comes across a suspend, so the
        // mark goes on waking; the radio found off afterwards asks again.
        m_scanSession->setDidReceiveSleepNote(false);
        return;
    }
    m_scanSession->setDidReceiveSleepNote(true);
    saveDefaults();
}

void AppDelegate::restoreWindowFrame()
{
    if (m_defaults.boolForKey(SVDefaultsKey::RanOnce)) {
        if (auto frame = unarchivedWindowFrame(m_defaults.dataForKey(SVDefaultsKey::WindowFrame))) {
            // A frame left on a screen that is gone comes back onto the primary one.
            QList<QRect> areas;
            for (const QScreen* screen : QGuiApplication::screens())
                areas << screen->availableGeometry();
            const QScreen* primary = QGuiApplication::primaryScreen();
            m_window->setGeometry(frameOnScreens(*frame, areas, primary ? primary->availableGeometry() : QRect()));
        }
        m_window->restoreDividers(m_defaults);
        return;
    }
    QRect area(0, 0, 1440, 900);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    m_window->setGeometry(firstLaunchWindowFrame(area));
    // The dividers are placed once the window is laid out at its size.
    m_firstLaunchLayoutPending = true;
}

void AppDelegate::applicationWillFinishLaunching()
{
    MoveToApplicationsFolderIfNeeded(m_defaults, realMoveApplicationSystem());
    SVVendorDatabaseHelper::sharedDatabase().expandDatabase();
    // Vendor-specific elements in the element tree are named after the
    // vendor of their OUI.
    SVInfoElement::setVendorNameLookup(
        [](const QString& oui) { return SVVendorDatabaseHelper::sharedDatabase().stringForVendor(oui); });
    m_selectedNetwork.reset();
    // A launch that opens a document does not start scanning on its own.
    m_disableAutoScan = m_documents->launchOpensDocument();
    loadDefaults();

    selectGraph(storedTab());
    // The graphs' texts follow the columns as restored.
    m_inspect->toggleDisplayAnnotations();
    m_inspect->toggleDisplayDeviceName();
    prepareAndReload();

    const QString preRelease = preReleaseName(QCoreApplication::applicationVersion());
    if (!preRelease.isEmpty()) {
        std::unique_ptr<SVAlert> alert(newPreReleaseAlert(preRelease, m_window));
        if (alert->runModal() == SVAlert::SecondButtonReturn) {
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            return;
        }
    }
    showWindow();
}

void AppDelegate::showWindow()
{
    updateWindowTitle();
    updateStateInfo();
    if (m_window->isVisible() && m_window->isActiveWindow())
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    if (m_firstLaunchLayoutPending) {
        m_firstLaunchLayoutPending = false;
        QTimer::singleShot(0, m_window, [w = m_window] { w->applyFirstLaunchLayout(); });
    }
    m_fileAlerts->reportAnnotationsReadError(SVAnnotationsHelper::sharedAnnotations().readError());
    m_fileAlerts->reportSettingsReadProblem(m_defaults.readError(), m_defaults.setAsideFileName());
    m_fileAlerts->reportAnnotationsMovedAside(SVAnnotationsHelper::sharedAnnotations().movedAsidePath());

    if (!m_currentInterface) {
        // Without Wi-Fi a survey made elsewhere can still be read: a launch
        // that opens one shows it, with scanning unavailable.
        if (!m_scenarioError.isEmpty())
            showScenarioErrorSheet();
        else if (!m_documents->launchOpensDocument())
            showNoInterfaceSheet();
        return;
    }
    SVNetServiceBrowser::sharedBrowser().searchServices();
    if (m_defaults.boolForKey(SVDefaultsKey::RanOnce))
        QTimer::singleShot(5000, this, [] { SVVendorDatabaseHelper::sharedDatabase().checkForDatabaseUpdates(false); });
    if (!m_windowDidShowFirstTime) {
        doAutoStart();
        m_windowDidShowFirstTime = true;
    }
    m_window->networksView()->setFocus();
}

void AppDelegate::showNoInterfaceSheet()
{
    SVAlert* alert = newNoInterfaceAlert(kSupportPage, m_window);
    alert->beginSheetModalForWindow(m_window, [this](int code) {
        if (code == SVAlert::SecondButtonReturn) {
            // After the sheet has gone: the panel runs its own event loop.
            QTimer::singleShot(0, this, [this] {
                const QString path = showOpenPanel();
                if (path.isEmpty())
                    showNoInterfaceSheet(); // nothing to show: the choice stands again
                else
                    doOpenWithFileInBackground(path);
            });
            return;
        }
        // Every other way out quits.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
}

void AppDelegate::showScenarioErrorSheet()
{
    SVAlert* alert = newScenarioErrorAlert(m_scenarioError, m_window);
    alert->beginSheetModalForWindow(m_window, [](int) { QTimer::singleShot(0, qApp, &QCoreApplication::quit); });
}

void AppDelegate::loadDefaults()
{
    const SVLoadedDefaults loaded = ::loadDefaults(m_defaults);
    m_units = loaded.units;
    m_highlightAssociatedNetwork = loaded.highlightAssociatedNetwork;
    m_maxLastSeenElapsedSeconds = double(loaded.maxLastSeenElapsedSeconds);
    m_networksModel->setUnits(m_units);
    // Settings read again are no filter action of the user's: the selection stays.
    applyQuickFilter(loaded.quickFilterSelectedItem);
    applyFontSizes();
}

int AppDelegate::storedTab() const
{
    const QString identifier = m_defaults.stringForKey(SVDefaultsKey::SelectedTabViewIdentifier);
    for (int i = 0; i < SVMainWindow::TabCount; ++i)
        if (QString::number(i) == identifier)
            return i;
    return 0;
}

void AppDelegate::saveDefaults()
{
    if (!m_window)
        return;
    // The tab nothing stored stands for is no choice of this run.
    if (m_window->selectedTab() != storedTab())
        m_defaults.setString(QString::number(m_window->selectedTab()), SVDefaultsKey::SelectedTabViewIdentifier);
    m_defaults.setInteger(m_quickFilterTag, SVDefaultsKey::QuickFilterSelectedItem);
    m_defaults.setObject(m_sideView->expandedTitles(), SVDefaultsKey::SideViewExpandedItems);
    m_window->saveDividers(m_defaults);
    saveGraphDefaults();
    if (m_columnAutosave)
        m_columnAutosave->save();
}

void AppDelegate::applicationWillTerminate()
{
    // A save under way finishes its file before anything else goes.
    waitForBackgroundJobs();
    if (m_fileAlerts)
        m_fileAlerts->setTerminating(true);
    // The last save, once those asked for in the background are written,
    // so that none is left running as the process ends.
    auto& annotations = SVAnnotationsHelper::sharedAnnotations();
    annotations.waitForBackgroundSaves();
    annotations.saveToDisk();
    saveDefaults();
    m_defaults.setBool(true, SVDefaultsKey::RanOnce);
    m_defaults.removeObjectForKey(SVDefaultsKey::SignalStrengthThreshold);
    if (m_window)
        m_defaults.setObject(archivedWindowFrame(m_window->geometry()), SVDefaultsKey::WindowFrame);
    m_defaults.setString(QCoreApplication::applicationVersion(), SVDefaultsKey::LastLaunchedVersion);
    m_defaults.synchronize();
    // Its thread must end before the interface and the notification centre
    // it uses are destroyed, so the engine is stopped here.
    m_scanSession->stop();
}

void AppDelegate::terminateUnattended()
{
    if (m_fileAlerts)
        m_fileAlerts->setUnattended(true);
    // Ends every event loop, a modal dialog's as well as the main one.
    QCoreApplication::exit(0);
    // A dialog of the launch runs before the main loop, whose start would
    // forget that exit: this ends that loop too once it runs.
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void AppDelegate::updateWindowTitle()
{
    if (!m_window)
        return;
    if (!m_documents->title().isEmpty())
        showDocumentTitle();
    else
        m_window->setWindowTitle(
            windowTitleText(m_title, preReleaseName(QCoreApplication::applicationVersion()), isScanning()));
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && documentsEventFilter(event))
        return true;
    if (watched == m_window && event->type() == QEvent::Close) {
        if (!windowShouldClose()) {
            event->ignore();
            return true;
        }
        closePreferencesWindow();
        // exit, not quit: quit would close the window again and ask again.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }
    return QObject::eventFilter(watched, event);
}
