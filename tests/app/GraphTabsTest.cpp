#include "app/AppDelegate.h"
#include "app/SVInspectController.h"
#include "app/WindowFixture.h"
#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "views/SVNetworkDetailsView.h"
#include "views/SVSignalStrengthView.h"
#include "views/SVSpectrumView.h"
#include "views/SVNetworksTableModel.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

struct GraphWindow {
    GraphWindow()
    {
        SVAlert::setAutomaticResponder([](const SVAlert&) { return 1001; });
        app = sv::test::makeWindow();
        app->applicationWillFinishLaunching();
    }
    ~GraphWindow()
    {
        sv::test::endWindow(app);
    }
    bool waitForTicks(int n) { return sv::test::waitForShownLists(n); }
    std::unique_ptr<AppDelegate> app;
};

} // namespace

TEST(GraphTabs, TheControllerFeedsTheSelectedTabsGraph)
{
    GraphWindow w;
    ASSERT_TRUE(w.waitForTicks(2));
    AppDelegate& app = *w.app;
    ASSERT_FALSE(app.filteredNetworks().isEmpty());

    app.selectGraph(SVMainWindow::SignalStrengthTab);
    EXPECT_EQ(app.ssView()->networks().size(), app.filteredNetworks().size());
    EXPECT_EQ(app.ssView()->referenceTime(), app.lastScanTime());
    EXPECT_EQ(app.ssView()->units(), app.units());
    app.selectGraph(SVMainWindow::SpectrumTab);
    EXPECT_EQ(app.spectrumView()->networks().size(), app.filteredNetworks().size());
    EXPECT_TRUE(app.spectrumView()->displayOnlyLastSeen()) << "scanning";

    // One selected row: emphasis on, and the detail chart shows that network.
    app.selectGraph(SVMainWindow::NetworkDetailsTab);
    app.networksView()->selectionModel()->select(app.networksModel()->index(0, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_TRUE(app.ssView()->itemHighlightEnabled());
    EXPECT_TRUE(app.spectrumView()->itemHighlightEnabled());
    ASSERT_TRUE(app.netView()->network());
    EXPECT_EQ(app.netView()->network(), app.selectedNetwork());
    EXPECT_EQ(app.netView()->networks().size(), app.filteredNetworks().size());
    app.networksView()->selectionModel()->clearSelection();
    EXPECT_FALSE(app.ssView()->itemHighlightEnabled());
    EXPECT_FALSE(app.netView()->network());

    // Metric and zoom of the selected tab's graph, kept in the settings.
    SVInspectController& in = *app.inspect();
    in.metricPopUp()->activated(2);
    EXPECT_FALSE(app.netView()->willDrawSignal());
    // The zoom the View menu gives.
    QAction* longer = in.timescaleAction(4001);
    QAction* shorter = in.timescaleAction(4002);
    ASSERT_TRUE(longer && shorter);
    EXPECT_FALSE(in.menuValidator().isEnabled(shorter));
    longer->trigger();
    EXPECT_EQ(app.netView()->timescale(), 360);
    EXPECT_EQ(app.ssView()->timescale(), 300);
    app.selectGraph(SVMainWindow::SpectrumTab);
    EXPECT_FALSE(in.menuValidator().isEnabled(longer));
    app.saveDefaults();
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("NetworkSignalStrengthViewTimescale")), 360);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Metric")), 2);
    defaults.setInteger(2, QStringLiteral("Metric"));
    defaults.synchronize();
}

TEST(GraphTabs, TheSavedMetricComesBackAtStart)
{
    struct Case {
        int saved;
        bool signal, noise;
        int action; // the View > Graph item checked
    };
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    for (const Case& c : {Case{1, true, true, 3002}, Case{2, false, false, 3003}, Case{0, true, false, 3001}}) {
        defaults.setInteger(c.saved, QStringLiteral("Metric"));
        GraphWindow w;
        SVInspectController& in = *w.app->inspect();
        EXPECT_EQ(w.app->inspect()->metric(), c.saved);
        EXPECT_EQ(w.app->netView()->willDrawSignal(), c.signal) << c.saved;
        EXPECT_EQ(w.app->netView()->willDrawNoise(), c.noise) << c.saved;
        EXPECT_EQ(in.metricPopUp()->currentIndex(), c.saved);
        for (int tag = 3001; tag <= 3003; ++tag)
            EXPECT_EQ(in.metricAction(tag)->isChecked(), tag == c.action) << c.saved << " " << tag;

        // Chosen from the pop-up, kept for the next start.
        in.metricPopUp()->activated(2 - c.saved);
        EXPECT_EQ(w.app->inspect()->metric(), 2 - c.saved);
        w.app->saveDefaults();
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("Metric")), 2 - c.saved);
    }
    defaults.removeObjectForKey(QStringLiteral("Metric"));
    defaults.synchronize();
}

TEST(GraphTabs, SavedSpansAreKeptWithinBounds)
{
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.setInteger(-5, QStringLiteral("SignalStrengthViewTimescale"));
    defaults.setInteger(999999, QStringLiteral("NetworkSignalStrengthViewTimescale"));
    defaults.setInteger(42, QStringLiteral("Metric"));
    {
        GraphWindow w;
        EXPECT_EQ(w.app->ssView()->timescale(), 300);
        EXPECT_EQ(w.app->netView()->timescale(), 28800);
        EXPECT_EQ(w.app->inspect()->metric(), 0);
        EXPECT_TRUE(w.app->inspect()->metricAction(3001)->isChecked());
    }
    defaults.removeObjectForKey(QStringLiteral("SignalStrengthViewTimescale"));
    defaults.removeObjectForKey(QStringLiteral("NetworkSignalStrengthViewTimescale"));
    defaults.removeObjectForKey(QStringLiteral("Metric"));
    defaults.synchronize();
}
