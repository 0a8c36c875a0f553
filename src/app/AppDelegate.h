#pragma once

#include "model/SVNetworkFilter.h"
#include "model/SVScanMerge.h"
#include "model/SVDocument.h"
#include "platform/NotificationCenter.h"
#include "model/SVSideViewItem.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CWInterface;
class MASPreferencesWindowController;
class QAction;
class QMenu;
struct SVOpenJob;
struct SVSaveJob;
class SVDocumentSession;
class QModelIndex;
class QTimer;
class QTreeView;
class SVAlert;
class SVInspectController;
struct SVInspectHost;
class SVColumnAutosave;
class SVMainWindow;
class SVNetworkCellDelegate;
class SVNetworksTableModel;
class SVPreferencesPanes;
class SVProgressPanel;
class SVScanSession;
class SVSideView;
class SVSideViewModel;
class SVSignalStrengthView;
class SVSpectrumView;
class SVNetworkDetailsView;
class SVVendorDatabaseWindowUI;
class SVSpeechReporter;
class SVSpeechSynthesizer;
namespace sv {
class BackgroundJobs;
}
namespace sv {
class Clock;
class UserDefaults;
}

// The application's controller and the controller of its one main window:
// start-up and shutdown, the scan cycle and its merge, filtering, and
// keeping the table, sidebar, footers and toolbar up to date.
class SVFileAlerts;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    struct Options {
        // Play this scenario on a simulated radio instead of a real interface.
        QString scenarioPath;
        // Without a Wi-Fi interface, scan the simulated radio with the shipped
        // scenario (off: the no-interface sheet). The simulated radio runs
        // only when asked: a scenario, or --demo.
        bool simulateWithoutInterface = false;
        // Clock of the scan engine; the system clock when none.
        std::shared_ptr<sv::Clock> clock;
        // Milliseconds between merges of the engine's results.
        int scanTimerIntervalMs = 2000;
        // Reads a document on the open's own thread; SVDocument::read when
        // none (tests stand in a reader that waits as a stalled disk would).
        std::function<std::optional<SVDocument::Content>(const QString& path, QString* error)> documentReader;
    };

    static constexpr int ScanTag = 1001;
    static constexpr int StopTag = 1002;
    static inline const QString DidFindNetworksNotification = QStringLiteral("DidFindNetworks");
    static inline const QString UserDidPickNetworkNotification = QStringLiteral("UserDidPickNetwork");
    static inline const QString FilterUsingKeysNotification = QStringLiteral("FilterUsingKeys");

    explicit AppDelegate(Options options, QObject* parent = nullptr);
    ~AppDelegate() override;

    // ---- start-up and shutdown ----
    void awakeFromNib();
    void applicationWillFinishLaunching();
    void showWindow();
    void loadDefaults();
    void saveDefaults();
    // The tab "SelectedTabViewIdentifier" names, 0 when it names none.
    int storedTab() const;
    void applicationWillTerminate();
    // Ends the application whatever dialog is open, for a signal or
    // --quit-after: nobody may be there to answer. The saves of the end are
    // made; one that fails is logged, not asked about.
    void terminateUnattended();
    void updateWindowTitle();
    bool windowShouldClose();

    // ---- scan cycle ----
    void doStart();
    void doStartCallback();
    void doStop();
    void doStopAndClearResults();
    void clearResults();
    void doAutoStart();
    void setIsScanning(bool scanning);
    void onScanStop(int tag);
    void scan();
    void didFindNetworks(const SVNetworkList& networks);
    void didFindNetworks(const SVNetworkList& networks, const QDateTime& lastScanTime);
    void showPowerOffAlert();

    // ---- filtering and refresh ----
    void filterAndSetNetworks(const SVNetworkList& networks);
    void prepareAndReload();
    void configureAll();
    void configureNetworksView();
    void configureSelectedTabView();
    void updateStateInfo();
    void selectGraph(int index);
    // The user's choice of a quick filter: clears the highlighted rows first.
    void selectQuickFilter(int tag);
    // Applies a quick filter, keeping the highlighted rows.
    void applyQuickFilter(int tag);
    void onFilter(const QString& text);
    void userDidToggleColumnState(const QString& identifier);

    // ---- documents (AppDelegateDocuments.cpp) ----
    bool hasUnsavedResults() const;
    // 1000 Save, 1001 Cancel, 1002 Don't Save (also when nothing is asked).
    int showSaveAlertIfNeeded();
    // The chosen path, or empty; stops scanning when a path is chosen.
    QString showSavePanel();
    // Saves on a thread of its own; followUp runs on the main thread after a
    // save that succeeded (a failed save is reported and drops it).
    void doSaveWithFileInBackground(const QString& path, std::function<void()> followUp = {});
    void didSaveFile(const QString& path);
    // The document the user chose to open, or empty.
    QString showOpenPanel();
    void doOpen();
    // Reads and checks the whole file on a thread of its own; only a good
    // document replaces the list.
    void doOpenWithFileInBackground(const QString& path);
    void didOpenFile(const QString& path, const SVNetworkList& networks, const QDateTime& lastScanTime);
    // Gives up the open under way: the list, the title and scanning stay as
    // they were, and what the reader still finds reaches nobody.
    void cancelOpen();
    void onFileOpen();
    void onFileSaveAs();
    // A file handed over by the command line, the desktop or a drop.
    bool applicationOpenFile(const QString& path);
    // Before applicationWillFinishLaunching: this launch opens a document.
    void setLaunchOpensDocument();
    // Runs action now, or after the save question and a save, or not at all.
    void proceedAfterSaveQuestion(const std::function<void()>& action);
    bool isSaving() const;
    bool isOpening() const;
    // Blocks until a running save has reached its file (quitting waits for
    // it). An open is not waited for: a stalled disk would hold it for ever.
    void waitForBackgroundJobs();
    // Document readers still at work in the whole process, given up or not:
    // the program ends without waiting for them.
    static int runningDocumentReaders();
    QStringList recentDocuments() const;
    // Panels stand-ins for tests: answer the path instead of showing a dialog.
    void setSavePanelResponder(std::function<QString()> responder);
    void setOpenPanelResponder(std::function<QString()> responder);

    // ---- graphs (AppDelegateGraphs.cpp) ----
    void configureSignalStrenghTabView();
    void configureSpectrumTabView();
    void configureNetworkDetailsChart();
    SVSignalStrengthView* ssView() const { return m_ssView; }
    SVSpectrumView* spectrumView() const { return m_spectrumView; }
    SVNetworkDetailsView* netView() const { return m_netView; }

    // ---- preferences ----
    // Shows the preferences window, made on first use; an identifier picks the pane.
    void showPreferencesWithIdentifier(const QString& identifier = {});
    MASPreferencesWindowController* preferencesWindow() const;
    void closePreferencesWindow();
    // The panes' delegate operations.
    void valuesDidChange();
    void toggleHideDFSChannels();
    void toggleHideChannelGraphs();

    // ---- CSV, annotations and copy (AppDelegateExport.cpp) ----
    // Which file panel is asked for: "export", "annotationsExport", "annotationsImport".
    using FilePanelResponder = std::function<QString(const QString& panel, const QString& suggestedName)>;
    // Tests answer the file panels with this instead of showing them.
    void setFilePanelResponder(FilePanelResponder responder) { m_filePanelResponder = std::move(responder); }
    void onFileSummaryExportAllNetworks();
    void onFileSummaryExportDisplayedNetworks();
    void onFileSummaryExportSelectedNetworks();
    QString showExportPanel();
    void doExportWithFileInBackground(const QString& path, const SVNetworkList& networks);
    void onFileAnnotationsExportCSV();
    void onFileAnnotationsImportCSV();
    void copy();

    // ---- speech (AppDelegateSpeech.cpp) ----
    void setSpeechSynthesizer(std::unique_ptr<SVSpeechSynthesizer> synthesizer);
    void speak(const std::shared_ptr<SVNetwork>& network);
    void onSpeak();
    void applicationDidBecomeActive();

    // ---- state, for the window and for tests ----
    SVMainWindow* window() const { return m_window; }
    QTreeView* networksView() const;
    SVSideView* sideView() const { return m_sideView; }
    SVNetworksTableModel* networksModel() const { return m_networksModel; }
    SVSideViewModel* sideViewModel() const { return m_sideModel; }
    bool isScanning() const;
    SVNetworkList networks() const;
    SVNetworkList filteredNetworks() const;
    std::shared_ptr<SVNetwork> selectedNetwork() const { return m_selectedNetwork; }
    std::shared_ptr<CWInterface> currentInterface() const { return m_currentInterface; }
    bool isSimulated() const { return m_simulated; }
    // The engine, the merge timer and the run, and their state.
    SVScanSession& scanSession() const { return *m_scanSession; }
    QDateTime lastScanTime() const { return m_lastScanTime; }
    bool isShowingPowerOffAlert() const;
    qint64 signalStrengthThreshold() const { return m_signalStrengthThreshold; }
    int units() const { return m_units; }
    int quickFilterTag() const { return m_quickFilterTag; }
    // The details tabs, the colour per network, the View and Help commands.
    SVInspectController* inspect() const { return m_inspect; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // An export's file was written (or not) and its sheet hidden.
    void csvExportDidEnd(const QString& path, bool written);

private slots:
    void prepareForSleep(bool sleeping);

private:
    void buildWindow();
    void buildMenus();
    void buildSideView();
    void buildGraphs();
    // What the details tabs and the View and Help commands need of this controller.
    SVInspectHost inspectHost();
    void saveGraphDefaults();
    void graphsSelectionDidChange(bool anySelected, const std::shared_ptr<SVNetwork>& single);
    void setGraphsReferenceTime(const QDateTime& time);
    void setGraphsScanning(bool scanning);
    void observeNotifications();
    void chooseInterface();
    void restoreWindowFrame();
    void showNoInterfaceSheet();
    void showScenarioErrorSheet();

    void handleScanDidStart();
    void handleScanDidEnd();
    void handlePowerDidChange();
    void handleUserDidPickNetwork(const QString& bssid);
    void handleFilterUsingKeys(const QVariantMap& userInfo);
    void powerOffAlertDidEnd(int returnCode);
    void validateScanStopItems();
    void buildDocumentMenuItems(QMenu* file);
    void rebuildRecentDocumentsMenu();
    void noteRecentDocument(const QString& path);
    bool documentsEventFilter(QEvent* event);
    void saveDidEnd(const std::shared_ptr<SVSaveJob>& job);
    // Waits for a save under way and ends it; false when it failed.
    bool endRunningSave();
    void showDocumentTitle();
    void openDidEnd(const std::shared_ptr<SVOpenJob>& job);
    // Tells the open job to reach nobody; false when none runs.
    bool abandonOpen();
    // The file alert of an open that failed.
    void showOpenFailedAlert(const QString& path, const QString& reason, const QString& details);
    // Once per opened document: how many of its samples no record could keep.
    void reportDataPointsLeftOut(const QString& path, const SVNetworkList& list);

    void applyFooterNotice(const SVFooterNotice& notice);
    void rebuildSideView(const QVector<SVSideViewItem>& items);
    // Every sidebar row, depth first.
    void visitSideViewRows(const std::function<void(const QModelIndex&)>& visit) const;
    void sideViewSelectionDidChange();
    void networksSelectionDidChange();
    QList<SVSortDescriptor> sortDescriptors() const;
    void selectRows(const std::function<bool(const SVNetwork&)>& chosen);
    void onViewShow(int tag);
    void onViewMakeText(double delta);
    void applyFontSizes();
    void buildExportMenus();
    void validateExportItems();
    void buildSpeechItems(QMenu* view);
    void scheduleSpeak();
    void speechSelectionDidChange();
    void speechIsUnavailable();
    QString runFilePanel(const QString& panel, const QString& suggestedName);
    void recordRecentFilter(const QString& text);

    Options m_options;
    sv::UserDefaults& m_defaults;
    std::shared_ptr<sv::Clock> m_clock;

    QString m_title;
    int m_units = 0;
    double m_maxLastSeenElapsedSeconds = 31536000.0;
    bool m_highlightAssociatedNetwork = false;
    bool m_disableAutoScan = false;
    bool m_didFindNetworksFirstTime = true;
    bool m_windowDidShowFirstTime = false;
    bool m_firstLaunchLayoutPending = false;
    bool m_rightFooterNotice = false; // the threshold notice holds the right footer
    bool m_reloading = false;
    bool m_simulated = false;
    QString m_scenarioError; // why the scenario asked for cannot be played
    qint64 m_signalStrengthThreshold = 0;
    SVQuickFilter m_quickFilterFlags;
    int m_quickFilterTag = 0;
    QString m_filterString;
    SVSideFilter m_sideFilter;
    std::optional<SVSideViewSelection> m_sideSelection;
    QDateTime m_lastScanTime;
    mutable std::recursive_mutex m_lock;
    SVNetworkList m_networks;
    SVNetworkList m_filteredNetworks;
    std::shared_ptr<SVNetwork> m_selectedNetwork;

    std::shared_ptr<CWInterface> m_currentInterface;
    std::unique_ptr<SVScanSession> m_scanSession;
    QTimer* m_filterTypingTimer = nullptr;
    std::vector<sv::NotificationCenter::Observation> m_observations;

    SVMainWindow* m_window = nullptr;
    // Ended before the window goes: closing it moves the focus.
    QMetaObject::Connection m_copyFocusWatch;
    SVSideView* m_sideView = nullptr;
    SVSideViewModel* m_sideModel = nullptr;
    SVNetworksTableModel* m_networksModel = nullptr;
    SVNetworkCellDelegate* m_cellDelegate = nullptr;
    SVColumnAutosave* m_columnAutosave = nullptr;
    QAction* m_scanAction = nullptr;
    QAction* m_stopAction = nullptr;
    QList<QAction*> m_showActions; // tags 1001..1004
    QList<QAction*> m_tabActions;  // tags 2001..2004
    std::unique_ptr<SVProgressPanel> m_progress;
    std::unique_ptr<SVVendorDatabaseWindowUI> m_vendorUI;
    SVSignalStrengthView* m_ssView = nullptr;
    SVSpectrumView* m_spectrumView = nullptr;
    SVNetworkDetailsView* m_netView = nullptr;
    std::unique_ptr<SVFileAlerts> m_fileAlerts;

    // CSV and copy.
    FilePanelResponder m_filePanelResponder;
    QList<QAction*> m_exportActions; // all, displayed, selected
    // Speech.
    QAction* m_speakAction = nullptr;
    std::shared_ptr<SVSpeechSynthesizer> m_speechSynth;
    std::shared_ptr<SVSpeechReporter> m_speech;
    bool m_toldSpeechUnavailable = false; // said once a run
    std::shared_ptr<sv::BackgroundJobs> m_exportJobs;
    std::unique_ptr<SVPreferencesPanes> m_preferences;
    SVInspectController* m_inspect = nullptr; // a child of this object

    // The shown document, the save and open under way, recent documents.
    std::unique_ptr<SVDocumentSession> m_documents;
};
