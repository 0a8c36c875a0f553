// The scan cycle: start and stop, the merge timer, and the radio.

#include "app/AppDelegate.h"
#include "app/SVDocumentSession.h"
#include "model/SVDefaultsKeys.h"

#include "app/SVAlert.h"
#include "app/SVDefaults.h"
#include "app/SVMainWindow.h"
#include "app/SVScanSession.h"
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

bool AppDelegate::isScanning() const
{
    return m_scanSession->isScanning();
}

bool AppDelegate::isShowingPowerOffAlert() const
{
    return m_scanSession->powerOffAlert() != nullptr;
}

void AppDelegate::doStart()
{
    if (!m_currentInterface)
        return;
    m_scanSession->start(m_currentInterface);
    doStartCallback();
}

void AppDelegate::doStartCallback()
{
    m_scanSession->beginRun();
    setIsScanning(true);
    m_documents->showLiveResults();
    updateStateInfo();
    validateScanStopItems();
    m_didFindNetworksFirstTime = true;
    updateWindowTitle();
    m_window->leftFooterLbl()->hide();
    clearResults();
    m_scanSession->runEngine();
}

void AppDelegate::doStop()
{
    m_scanSession->stop();
    setIsScanning(false);
    m_documents->showLiveResults();
    updateWindowTitle();
    configureAll();
    m_window->toolbar().activityIndicator->stopAnimation();
    validateScanStopItems();
}

void AppDelegate::doStopAndClearResults()
{
    doStop();
    clearResults();
}

void AppDelegate::clearResults()
{
    m_scanSession->beginRun();
    m_sideView->clearSelection();
    m_sideFilter.clear();
    m_sideSelection.reset();
    filterAndSetNetworks({});
    prepareAndReload();
}

void AppDelegate::doAutoStart()
{
    if (isScanning() || m_disableAutoScan)
        return;
    if (m_defaults.boolForKey(SVDefaultsKey::AutoScan))
        doStart();
    else
        doStop();
}

// The views follow the session's state.
void AppDelegate::setIsScanning(bool scanning)
{
    m_networksModel->setScanning(scanning);
    setGraphsScanning(scanning);
}

void AppDelegate::onScanStop(int tag)
{
    // A shortcut fires without the menu's enabling being looked at again, so
    // the state is checked here: Scan while scanning would throw the survey
    // away.
    if (tag == ScanTag && !isScanning()) {
        proceedAfterSaveQuestion([this] { doStart(); });
    } else if (tag == StopTag && isScanning()) {
        doStop();
    }
}

void AppDelegate::validateScanStopItems()
{
    const bool canScan = m_currentInterface != nullptr;
    const bool scanning = isScanning();
    m_window->toolbar().validateScanStopItems(scanning, canScan);
    if (m_scanAction)
        m_scanAction->setEnabled(canScan && !scanning);
    if (m_stopAction)
        m_stopAction->setEnabled(scanning);
}

void AppDelegate::scan()
{
    SVActiveScanEngine* engine = m_scanSession->engine();
    if (!engine)
        return;
    const bool powerOn = engine->powerOn();
    if (!powerOn && !m_scanSession->didReceiveSleepNote())
        QTimer::singleShot(0, this, [this] { showPowerOffAlert(); });
    // Sampling goes on while dialogs and sheets are open: none of today's
    // dialogs works on the list, so none needs it to stand still.
    if (!powerOn || !engine->hasResults())
        return;
    const SVScanResults results = engine->results();
    std::optional<SVNetworkList> merged;
    if (results) {
        const qint64 sensitivity = m_defaults.integerForKey(SVDefaultsKey::Sensitivity);
        merged = mergeNetworks(*results, networks(), m_clock->now(), sensitivity, m_maxLastSeenElapsedSeconds);
    }
    QTimer::singleShot(0, this, [this] { m_window->toolbar().activityIndicator->stopAnimation(); });
    if (merged)
        QTimer::singleShot(0, this, [this, list = *merged, run = m_scanSession->runIdentity()] {
            if (m_scanSession->isCurrentRun(run))
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
    if (m_scanSession->state() == SVScanSession::State::Starting) {
        scan();
        m_scanSession->startMergingAfterFirstPass();
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
    if (m_scanSession->powerOffAlert())
        return;
    SVAlert* alert = newWiFiOffAlert(m_window);
    m_scanSession->setPowerOffAlert(alert);
    alert->beginSheetModalForWindow(m_window, [this](int code) { powerOffAlertDidEnd(code); });
}

void AppDelegate::powerOffAlertDidEnd(int returnCode)
{
    m_scanSession->setPowerOffAlert(nullptr);
    if (!m_currentInterface)
        return;
    if (returnCode == SVAlert::FirstButtonReturn) {
        CWError error;
        if (m_currentInterface->setPower(true, &error)) {
            // Restart the loop on the same list: switching the radio on does
            // not throw the survey away.
            if (isScanning()) {
                m_scanSession->restartEngine(m_currentInterface);
            } else {
                doStart();
            }
        } else {
            qCWarning(lcSkyvane).noquote() << QStringLiteral("error: %1").arg(error.localizedDescription);
            // The user asked for the radio and would otherwise see only the
            // same question again; it stays away while this one shows.
            SVAlert* failed = newWiFiStaysOffAlert(error.localizedDescription, m_window);
            m_scanSession->setPowerOffAlert(failed);
            failed->beginSheetModalForWindow(m_window, [this](int) { m_scanSession->setPowerOffAlert(nullptr); });
        }
    } else if (!m_currentInterface->powerOn()) {
        doStop();
    }
}

void AppDelegate::handlePowerDidChange()
{
    if (!m_currentInterface || !m_currentInterface->powerOn())
        return;
    if (SVAlert* alert = m_scanSession->powerOffAlert()) {
        m_scanSession->setPowerOffAlert(nullptr);
        alert->done(SVAlert::AbortReturn); // the radio is back: the question is moot
        if (!m_scanSession->didReceiveSleepNote() && !isScanning())
            doStart();
    }
    m_scanSession->setDidReceiveSleepNote(false);
}
