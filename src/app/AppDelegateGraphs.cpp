// The three graphs: building them into the tab panes and feeding them.

#include "app/AppDelegate.h"

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

void AppDelegate::buildGraphs()
{
    m_ssView = new SVSignalStrengthView;
    m_spectrumView = new SVSpectrumView;
    m_netView = new SVNetworkDetailsView;
    m_window->setTabPane(SVMainWindow::SignalStrengthTab, m_ssView);
    m_window->setTabPane(SVMainWindow::SpectrumTab, m_spectrumView);
    // The details tab's labels join the chart here later.
    auto* details = new QWidget;
    auto* layout = new QVBoxLayout(details);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_netView, 1);
    m_window->setTabPane(SVMainWindow::NetworkDetailsTab, details);

    m_ssView->setTimescale(savedTimescale(m_defaults, SVDefaultsKey::SignalStrengthViewTimescale, *m_ssView));
    m_netView->setTimescale(savedTimescale(m_defaults, SVDefaultsKey::NetworkSignalStrengthViewTimescale, *m_netView));
    // An index out of range leaves the signal metric.
    const qint64 metric = m_defaults.integerForKey(SVDefaultsKey::Metric);
    userDidSelectMetric(metric >= 0 && metric <= 2 ? int(metric) : 0);
}

void AppDelegate::saveGraphDefaults()
{
    if (m_ssView)
        m_defaults.setInteger(m_ssView->timescale(), SVDefaultsKey::SignalStrengthViewTimescale);
    if (m_netView)
        m_defaults.setInteger(m_netView->timescale(), SVDefaultsKey::NetworkSignalStrengthViewTimescale);
    m_defaults.setInteger(m_metric, SVDefaultsKey::Metric);
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

void AppDelegate::userDidSelectMetric(int index)
{
    if (index < 0 || index > 2)
        return;
    m_metric = index;
    m_netView->setWillDrawSignal(index != 2);
    m_netView->setWillDrawNoise(index == 1);
    m_netView->update();
}

static SVSignalStrengthView* timeGraphForTab(int tab, SVSignalStrengthView* details, SVSignalStrengthView* signal)
{
    return tab == SVMainWindow::NetworkDetailsTab ? details : tab == SVMainWindow::SignalStrengthTab ? signal : nullptr;
}

bool AppDelegate::canMagnifySelectedGraph(double m) const
{
    const SVSignalStrengthView* v = timeGraphForTab(m_window->selectedTab(), m_netView, m_ssView);
    if (!v)
        return false;
    return m > 0 ? v->timescale() != v->maxTimescale() : v->timescale() != v->minTimescale();
}

void AppDelegate::magnifySelectedGraph(double m)
{
    if (SVSignalStrengthView* v = timeGraphForTab(m_window->selectedTab(), m_netView, m_ssView))
        v->magnifyWithMagnification(m);
}
