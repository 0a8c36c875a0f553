// The scan cycle: start and stop, the merge timer, and the radio.

#include "app/AppDelegate.h"
#include "app/SVDocumentSession.h"
#include "model/SVDefaultsKeys.h"

#include "app/SVAlert.h"
#include "app/SVDefaults.h"
#include "app/SVMainWindow.h"
#include "app/SVStartupAlerts.h"
#include "model/SVActiveScanEngine.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/wlan/CWError.h"
#include "platform/wlan/CWInterface.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVOutlineViews.h"

#include <QApplication>
#include <QLabel>
#include <QItemSelectionModel>
#include <QTimer>
#include <QTreeView>

void AppDelegate::doStart()
{
    // Never two scan loops: the engine held goes first.
    stopEngine();
    if (!m_currentInterface)
        return;
    m_scanEngine = std::make_unique<SVActiveScanEngine>(m_currentInterface, std::nullopt, m_clock);
    doStartCallback();
}

void AppDelegate::doStartCallback()
{
    ++m_runIdentity;
    setIsScanning(true);
    m_documents->showLiveResults();
    updateStateInfo();
    validateScanStopItems();
    m_didFindNetworksFirstTime = true;
    updateWindowTitle();
    m_window->leftFooterLbl()->hide();
    clearResults();
    if (m_scanEngine)
        m_scanEngine->runEngine();
}

void AppDelegate::doStop()
{
    ++m_runIdentity;
    delete m_scanTimer;
    m_scanTimer = nullptr;
    setIsScanning(false);
    m_documents->showLiveResults();
    updateWindowTitle();
    configureAll();
    stopEngine();
    m_window->toolbar().activityIndicator->stopAnimation();
    validateScanStopItems();
}

void AppDelegate::stopEngine()
{
    if (!m_scanEngine)
        return;
    m_scanEngine->stopEngine();
    m_scanEngine.reset(); // joins the engine's thread
}

void AppDelegate::doStopAndClearResults()
{
    doStop();
    clearResults();
}

void AppDelegate::clearResults()
{
    ++m_runIdentity;
    m_sideView->clearSelection();
    m_sideFilter.clear();
    m_sideSelection.reset();
    filterAndSetNetworks({});
    prepareAndReload();
}

void AppDelegate::doAutoStart()
{
    if (m_isScanning || m_disableAutoScan)
        return;
    if (m_defaults.boolForKey(SVDefaultsKey::AutoScan))
        doStart();
    else
        doStop();
}

void AppDelegate::setIsScanning(bool scanning)
{
    m_isScanning = scanning;
    m_networksModel->setScanning(scanning);
    setGraphsScanning(scanning);
}

void AppDelegate::onScanStop(int tag)
{
    // A shortcut fires without the menu's enabling being looked at again, so
    // the state is checked here: Scan while scanning would throw the survey
    // away.
    if (tag == ScanTag && !m_isScanning) {
        proceedAfterSaveQuestion([this] { doStart(); });
    } else if (tag == StopTag && m_isScanning) {
        doStop();
    }
}

void AppDelegate::validateScanStopItems()
{
    const bool canScan = m_currentInterface != nullptr;
    m_window->toolbar().validateScanStopItems(m_isScanning, canScan);
    if (m_scanAction)
        m_scanAction->setEnabled(canScan && !m_isScanning);
    if (m_stopAction)
        m_stopAction->setEnabled(m_isScanning);
}

void AppDelegate::scan()
{
    if (!m_isScanning || !m_scanEngine)
        return;
    const bool powerOn = m_scanEngine->powerOn();
    if (!powerOn && !m_didReceiveSleepNote)
        QTimer::singleShot(0, this, [this] { showPowerOffAlert(); });
    // Sampling goes on while dialogs and sheets are open: none of today's
    // dialogs works on the list, so none needs it to stand still.
    if (!powerOn || !m_scanEngine->hasResults())
        return;
    const SVScanResults results = m_scanEngine->results();
    std::optional<SVNetworkList> merged;
    if (m_isScanning && results) {
        const qint64 sensitivity = m_defaults.integerForKey(SVDefaultsKey::Sensitivity);
        merged = mergeNetworks(*results, networks(), m_clock->now(), sensitivity, m_maxLastSeenElapsedSeconds);
    }
    QTimer::singleShot(0, this, [this] { m_window->toolbar().activityIndicator->stopAnimation(); });
    if (merged && m_isScanning)
        QTimer::singleShot(0, this, [this, list = *merged, run = m_runIdentity] {
            if (m_isScanning && run == m_runIdentity)
                didFindNetworks(list);
        });
}

void AppDelegate::didFindNetworks(const SVNetworkList& list)
{
    m_lastScanTime = m_clock->now();
    didFindNetworks(list, m_lastScanTime);
}

void AppDelegate::didFindNetworks(const SVNetworkList& list, const QDateTime& lastScanTime)
{
    m_lastScanTime = lastScanTime;
    setGraphsReferenceTime(lastScanTime);
    filterAndSetNetworks(list);
    if (m_didFindNetworksFirstTime) {
        m_didFindNetworksFirstTime = false;
        std::lock_guard g(m_lock);
        if (m_highlightAssociatedNetwork)
            selectRows([](const SVNetwork& n) { return n.associated(); });
    }
    m_window->leftFooterLbl()->show();
    sv::NotificationCenter::defaultCenter().post(DidFindNetworksNotification);
}

void AppDelegate::selectRows(const std::function<bool(const SVNetwork&)>& chosen)
{
    QTreeView* view = m_window->networksView();
    QItemSelection selection;
    int first = -1;
    const auto& rows = m_networksModel->rows();
    for (int row = 0; row < rows.size(); ++row) {
        const auto network = rows[row]->bestNetwork();
        if (network && chosen(*network)) {
            selection.select(m_networksModel->index(row, 0),
                             m_networksModel->index(row, m_networksModel->columnCount() - 1));
            if (first < 0)
                first = row;
        }
    }
    view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (first >= 0)
        view->scrollTo(m_networksModel->index(first, 0));
}

void AppDelegate::handleScanDidStart()
{
    m_window->toolbar().activityIndicator->startAnimation();
}

void AppDelegate::handleScanDidEnd()
{
    if (!m_scanTimer) {
        scan();
        m_scanTimer = new QTimer(this);
        m_scanTimer->setInterval(m_options.scanTimerIntervalMs);
        connect(m_scanTimer, &QTimer::timeout, this, &AppDelegate::scan);
        m_scanTimer->start();
    }
    m_window->toolbar().activityIndicator->stopAnimation();
}

void AppDelegate::handleUserDidPickNetwork(const QString& bssid)
{
    selectRows([&bssid](const SVNetwork& n) { return n.bssid() == bssid; });
}

void AppDelegate::handleFilterUsingKeys(const QVariantMap& userInfo)
{
    m_signalStrengthThreshold = userInfo.value(kSignalStrengthThresholdKey).toLongLong();
    m_defaults.setInteger(m_signalStrengthThreshold, SVDefaultsKey::SignalStrengthThreshold);
    filterAndSetNetworks(networks());
    configureAll();
}

void AppDelegate::showPowerOffAlert()
{
    if (m_checkWiFiAlert)
        return;
    SVAlert* alert = newWiFiOffAlert(m_window);
    m_checkWiFiAlert = alert;
    alert->beginSheetModalForWindow(m_window, [this](int code) { powerOffAlertDidEnd(code); });
}

void AppDelegate::powerOffAlertDidEnd(int returnCode)
{
    m_checkWiFiAlert = nullptr;
    if (!m_currentInterface)
        return;
    if (returnCode == SVAlert::FirstButtonReturn) {
        CWError error;
        if (m_currentInterface->setPower(true, &error)) {
            // Restart the loop on the same list: switching the radio on does
            // not throw the survey away.
            if (m_isScanning) {
                stopEngine();
                m_scanEngine = std::make_unique<SVActiveScanEngine>(m_currentInterface, std::nullopt, m_clock);
                m_scanEngine->runEngine();
            } else {
                doStart();
            }
        } else {
            qCWarning(lcSkyvane).noquote() << QStringLiteral("error: %1").arg(error.localizedDescription);
            // The user asked for the radio and would otherwise see only the
            // same question again; it stays away while this one shows.
            SVAlert* failed = newWiFiStaysOffAlert(error.localizedDescription, m_window);
            m_checkWiFiAlert = failed;
            failed->beginSheetModalForWindow(m_window, [this](int) { m_checkWiFiAlert = nullptr; });
        }
    } else if (!m_currentInterface->powerOn()) {
        doStop();
    }
}

void AppDelegate::handlePowerDidChange()
{
    if (!m_currentInterface || !m_currentInterface->powerOn())
        return;
    if (m_checkWiFiAlert) {
        SVAlert* alert = m_checkWiFiAlert;
        m_checkWiFiAlert = nullptr;
        alert->done(SVAlert::AbortReturn); // the radio is back: the question is moot
        if (!m_didReceiveSleepNote && !m_isScanning)
            doStart();
    }
    m_didReceiveSleepNote = false;
}
