// The three graphs: building them into the tab panes and feeding them; what
// the details tabs are given of the controller.

#include "app/AppDelegate.h"
#include "app/SVInspectController.h"
#include "app/SVNetworkDetailsPane.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVOutlineViews.h"

#include "app/SVDefaults.h"
#include "app/SVMainWindow.h"
#include "platform/UserDefaults.h"
#include "views/SVNetworkDetailsView.h"
#include "views/SVSignalStrengthView.h"
#include "views/SVSpectrumView.h"

#include <QVBoxLayout>

#include <algorithm>

namespace {

// A saved span, kept within the graph's bounds (settings are untrusted).
qint64 savedTimescale(const sv::UserDefaults& defaults, const QString& key, const SVSignalStrengthView& view)
{
    return std::clamp(defaults.integerForKey(key), view.minTimescale(), view.maxTimescale());
}

} // namespace

SVInspectHost AppDelegate::inspectHost()
{
    SVInspectHost host;
    host.window = m_window;
    host.sideView = m_sideView;
    host.networksModel = m_networksModel;
    host.defaults = &m_defaults;
    host.networks = [this] { return networks(); };
    host.filteredNetworks = [this] { return filteredNetworks(); };
    host.selectedNetwork = [this] { return selectedNetwork(); };
    host.units = [this] { return units(); };
    host.isScanning = [this] { return isScanning(); };
    host.filter = [this](const QString& text) { onFilter(text); };
    host.refilter = [this] { filterAndSetNetworks(networks()); };
    host.configureAll = [this] { configureAll(); };
    host.configureSelectedTab = [this] { configureSelectedTabView(); };
    host.configureSpectrum = [this] { configureSpectrumTabView(); };
    return host;
}

void AppDelegate::buildGraphs()
{
    m_ssView = new SVSignalStrengthView;
    m_spectrumView = new SVSpectrumView;
    m_netView = new SVNetworkDetailsView;
    m_window->setTabPane(SVMainWindow::SignalStrengthTab, m_ssView);
    m_window->setTabPane(SVMainWindow::SpectrumTab, m_spectrumView);
    // The chart sits beside the details tab's labels.
    m_inspect->detailsPane()->setChartView(m_netView);

    m_ssView->setTimescale(savedTimescale(m_defaults, SVDefaultsKey::SignalStrengthViewTimescale, *m_ssView));
    m_netView->setTimescale(savedTimescale(m_defaults, SVDefaultsKey::NetworkSignalStrengthViewTimescale, *m_netView));

    // The View menu's graph and time-span commands and the metric pop-up.
    auto spanControls = [](SVSignalStrengthView* v) {
        SVGraphControls c;
        c.timescale = [v] { return double(v->timescale()); };
        c.minTimescale = [v] { return double(v->minTimescale()); };
        c.maxTimescale = [v] { return double(v->maxTimescale()); };
        c.magnifyWithMagnification = [v](double m) { v->magnifyWithMagnification(m); };
        c.redraw = [v] { v->update(); };
        return c;
    };
    SVGraphControls chart = spanControls(m_netView);
    chart.setDrawing = [v = m_netView](bool signal, bool noise) {
        v->setWillDrawSignal(signal);
        v->setWillDrawNoise(noise);
    };
    m_inspect->setGraphControls(SVMainWindow::NetworkDetailsTab, chart);
    // The texts beside the curves follow the table's columns.
    SVGraphControls signal = spanControls(m_ssView);
    signal.setShowsDeviceNames = [v = m_ssView](bool on) { v->setDisplayDeviceName(on); };
    signal.setShowsAnnotations = [v = m_ssView](bool on) { v->setDisplayAnnotations(on); };
    m_inspect->setGraphControls(SVMainWindow::SignalStrengthTab, signal);
    SVGraphControls spectrum;
    spectrum.redraw = [v = m_spectrumView] { v->update(); };
    spectrum.setShowsDeviceNames = [v = m_spectrumView](bool on) { v->setDisplayDeviceName(on); };
    spectrum.setShowsAnnotations = [v = m_spectrumView](bool on) { v->setDisplayAnnotations(on); };
    m_inspect->setGraphControls(SVMainWindow::SpectrumTab, spectrum);
    // The inspecting part owns the metric (its pop-up and View > Graph items).
    m_inspect->userDidSelectMetric(int(m_defaults.integerForKey(SVDefaultsKey::Metric)));
}

void AppDelegate::saveGraphDefaults()
{
    if (m_ssView)
        m_defaults.setInteger(m_ssView->timescale(), SVDefaultsKey::SignalStrengthViewTimescale);
    if (m_netView)
        m_defaults.setInteger(m_netView->timescale(), SVDefaultsKey::NetworkSignalStrengthViewTimescale);
    m_defaults.setInteger(m_inspect->metric(), SVDefaultsKey::Metric);
}

void AppDelegate::configureSignalStrenghTabView()
{
    m_ssView->setUnits(m_units);
    m_ssView->setNetworks(filteredNetworks());
    m_ssView->update();
}

void AppDelegate::configureSpectrumTabView()
{
    m_spectrumView->setUnits(m_units);
    m_spectrumView->setNetworks(filteredNetworks());
    m_spectrumView->update();
}

void AppDelegate::configureNetworkDetailsChart()
{
    m_netView->setUnits(m_units);
    m_netView->setNetworks(filteredNetworks());
    m_netView->update();
}

void AppDelegate::graphsSelectionDidChange(bool anySelected, const std::shared_ptr<SVNetwork>& single)
{
    m_ssView->setItemHighlightEnabled(anySelected);
    m_spectrumView->setItemHighlightEnabled(anySelected);
    m_netView->setNetwork(single);
}

void AppDelegate::setGraphsReferenceTime(const QDateTime& time)
{
    for (SVSignalStrengthView* v : {static_cast<SVSignalStrengthView*>(m_ssView),
                                    static_cast<SVSignalStrengthView*>(m_spectrumView),
                                    static_cast<SVSignalStrengthView*>(m_netView)})
        if (v)
            v->setReferenceTime(time);
}

void AppDelegate::setGraphsScanning(bool scanning)
{
    if (m_spectrumView)
        m_spectrumView->setDisplayOnlyLastSeen(scanning);
}
