#pragma once

#include "app/SVMenuValidation.h"
#include "model/SVNetworkList.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QTreeView;
class QWidget;
class SVAdvancedDetailsView;
class SVElementTreeModel;
class SVMainWindow;
class SVNetwork;
class SVNetworkDetailsPane;
class SVNetworksTableModel;
namespace sv {
class UserDefaults;
}

// What the inspecting part reads of the window's controller and asks of it.
// The window and its parts are made before this part; the window is
// destroyed first, and from then on they read as none.
struct SVInspectHost {
    QPointer<SVMainWindow> window;
    QPointer<QWidget> sideView;
    QPointer<SVNetworksTableModel> networksModel; // the table's rows
    sv::UserDefaults* defaults = nullptr;
    std::function<SVNetworkList()> networks;
    std::function<SVNetworkList()> filteredNetworks;
    std::function<std::shared_ptr<SVNetwork>()> selectedNetwork;
    std::function<int()> units;
    std::function<bool()> isScanning;
    // Filters the list with this text (the filter field's own command).
    std::function<void(const QString&)> filter;
    // Sorts and filters the whole list again.
    std::function<void()> refilter;
    std::function<void()> configureAll;
    std::function<void()> configureSelectedTab;
    std::function<void()> configureSpectrum;
};

// What the window needs of a graph for the metric and timescale commands;
// the graphs are joined to these when they are placed.
struct SVGraphControls {
    std::function<double()> timescale, minTimescale, maxTimescale;
    std::function<void(double)> magnifyWithMagnification;
    // Detail chart only: which curves it draws.
    std::function<void(bool drawSignal, bool drawNoise)> setDrawing;
    std::function<void()> redraw;
    // Signal and spectrum graphs: the texts drawn beside the curves.
    std::function<void(bool)> setShowsDeviceNames;
    std::function<void(bool)> setShowsAnnotations; // signal and spectrum graphs
};

// The help pages opened in the desktop's browser.
namespace SVHelpPages {
inline const QUrl Support(QStringLiteral("https://skyvane.app/support"));
inline const QUrl Twitter(QStringLiteral("https://skyvane.app/twitter"));
inline const QUrl Facebook(QStringLiteral("https://skyvane.app/facebook"));
} // namespace SVHelpPages

// The part of the main window that inspects one network (the Network
// Details and Advanced Details tabs, the colour chosen per network) and the
// window's View and Help commands with their enabling rules.
class SVInspectController : public QObject {
    Q_OBJECT
public:
    SVInspectController(SVInspectHost host, QObject* parent);
    ~SVInspectController() override;

    // Places the two tabs' views into the window.
    void buildTabs();
    // Adds the graph, timescale and layout commands to the View menu.
    void addViewMenuItems(QMenu* view);
    void buildHelpMenu(QMenu* help);

    // Rewrites the selected tab's views when it is one of this controller's.
    void configureSelectedTab(int tab);
    void configureNetworkDetailsTabView();
    void configureAdvancedDetailsTabView();

    // The record the two tabs show: the one selected network while it is
    // the single selected row and still listed; none otherwise.
    std::shared_ptr<SVNetwork> inspectedNetwork() const;

    // The colour well picked a colour for the network with that BSSID: the
    // inspected network when it still is that one, else nothing.
    void userDidSelectColor(const QColor& color, const QString& bssid);

    // ---- commands ----
    void onViewGraph(int tag);
    void userDidSelectMetric(int index);
    void onViewTimescale(int tag);
    void onViewOrganizeNetworksBy();
    // Switches the spectrum's network labels ("ShowNetworkLabel") off or on.
    void onViewShowNetworkLabel();
    void onHelpAcknowledgments();
    void openHelpPage(const QUrl& page);
    void onAbout();
    void checkForUpdates();

    // The Columns pane showed or hid a column of the network table.
    void userDidToggleColumnState(const QString& identifier);
    // The graphs show annotations while the "ANNOTATIONS" column is shown
    // and "Show annotations in the graphs" ("DisplayAnnotations") is on;
    // device names while the "DEVICE_NAME" column is shown.
    void toggleDisplayAnnotations();
    void toggleDisplayDeviceName();
    // Whether the network table shows the column now.
    bool isNetworkColumnShown(const QString& identifier) const;

    // tab 0: the detail chart, tab 1: the signal graph, tab 2: the spectrum.
    // The detail chart is given the metric at once.
    void setGraphControls(int tab, SVGraphControls controls);
    // The detail chart's metric: 0 signal, 1 signal with noise, 2 SNR.
    int metric() const { return m_metric; }

    // The state the enabling rules read, and the validator that other
    // commands (documents, exports, copy) register with.
    SVMenuState menuState() const;
    // Only what the focus decides (the first responder, the table's
    // selection); it takes no lock, so it may run while the lists change.
    SVMenuState focusState() const;
    SVMenuValidator& menuValidator() { return *m_validator; }
    // Whether the window holds results not yet saved (the documents' part
    // answers it; none: nothing to save).
    void setHasUnsavedResults(std::function<bool()> answer) { m_hasUnsavedResults = std::move(answer); }
    // Registers an action with the rule for its command.
    void addValidatedAction(QAction* action, SVMenuItemInfo info, std::function<void()> handler);

    SVNetworkDetailsPane* detailsPane() const { return m_details; }
    QComboBox* metricPopUp() const { return m_metricPopUp; }
    SVAdvancedDetailsView* advancedDetailsView() const { return m_advView; }
    SVElementTreeModel* elementModel() const { return m_elementModel; }
    QAction* metricAction(int tag) const;
    QAction* timescaleAction(int tag) const;
    QAction* showNetworkLabelAction() const { return m_showNetworkLabelAction; }

    // Where help pages go; the desktop's browser by default (tests replace it).
    static void setUrlOpener(std::function<bool(const QUrl&)> opener);

protected:
    // Focus: the window's activation and Escape in the filter field.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void syncMetricChecks();
    void applyMetricToChart();

    QTreeView* networksView() const;

    SVInspectHost m_host;
    sv::UserDefaults& m_defaults;
    SVMenuValidator* m_validator;
    SVNetworkDetailsPane* m_details = nullptr;
    QComboBox* m_metricPopUp = nullptr;
    SVAdvancedDetailsView* m_advView = nullptr;
    SVElementTreeModel* m_elementModel = nullptr;
    QList<QAction*> m_metricActions;    // 3001..3003
    QList<QAction*> m_timescaleActions; // 4001, 4002
    QAction* m_showNetworkLabelAction = nullptr;
    SVGraphControls m_graphs[3];
    int m_metric = 0; // what the detail chart, its pop-up and View > Graph show
    std::function<bool()> m_hasUnsavedResults;
    QPointer<QLineEdit> m_filterField;
    std::weak_ptr<SVNetwork> m_treeNetwork; // whose elements the tree shows
};

// The colours chosen per BSSID ("UserDefinedColors"): the entry for a BSSID
// as the records read it back.
QVariantMap userDefinedColorsWithColor(const QVariantMap& colors, const QString& bssid, const QColor& color);
