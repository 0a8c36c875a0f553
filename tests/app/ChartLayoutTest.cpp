// The details tab's layout, and the View menu and column options that
// decide which texts the graphs draw, in a real window.

#include "../model/Beacon.h"
#include "support/QStringPrinter.h"
#include "app/AppDelegate.h"
#include "app/SVInspectController.h"
#include "app/SVMainWindow.h"
#include "app/SVNetworkDetailsPane.h"
#include "app/WindowFixture.h"
#include "model/SVNetwork.h"
#include "platform/UserDefaults.h"
#include "views/SVElidingLabel.h"
#include "views/SVGraphGeometry.h"
#include "model/SVNetworkColumns.h"
#include "views/SVSignalStrengthView.h"
#include "views/SVSpectrumView.h"

#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace beacon;

namespace {

std::shared_ptr<SVNetwork> named(const QByteArray& name)
{
    auto n = SVNetwork::initWithDictionary(scan(36, ssid(name) + rsn({4}, {2}), 4));
    n->addDataPoint(SVDataPoint(-60, -95, -1, -1, QDateTime(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC)));
    return n;
}

struct Window {
    Window()
    {
        SVAlert::setAutomaticResponder([](const SVAlert&) { return 1001; });
        app = sv::test::makeWindow();
        app->applicationWillFinishLaunching();
    }
    ~Window()
    {
        auto& defaults = sv::UserDefaults::standardUserDefaults();
        defaults.removeObjectForKey(QStringLiteral("DisplayAnnotations"));
        defaults.removeObjectForKey(QStringLiteral("ShowNetworkLabel"));
        sv::test::endWindow(app);
    }
    QAction* action(const QString& name) const { return app->window()->menuBar()->findChild<QAction*>(name); }
    std::unique_ptr<AppDelegate> app;
};

} // namespace

TEST(ChartLayout, TheLabelPanelKeepsItsWidthWhateverTheNetworkSays)
{
    SVNetworkDetailsPane pane;
    auto* chart = new QWidget;
    pane.setChartView(chart);
    pane.show();
    const auto plain = named("Office");
    const auto wordy = named("A name of thirty-two characters!");
    for (int width : {744, 974, 1584}) {
        pane.resize(width, 360);
        pane.configure(plain, 1, false);
        QCoreApplication::processEvents();
        const int chartWidth = chart->width();
        pane.configure(wordy, 1, false);
        QCoreApplication::processEvents();
        EXPECT_EQ(chart->width(), chartWidth) << width;
        // The history keeps its room beside the bar charts' margins.
        EXPECT_GE(chart->width(), sv::graph::kMinHistoryWidth + 95) << width;
        auto* label = qobject_cast<SVElidingLabel*>(pane.label(QStringLiteral("ssidLbl")));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), "A name of thirty-two characters!") << width;
    }
    // Where the name is cut it is whole in the tooltip, as plain text.
    pane.resize(744, 360);
    pane.configure(named("<b>cut</b> and a long tail here"), 1, false);
    QCoreApplication::processEvents();
    auto* label = qobject_cast<SVElidingLabel*>(pane.label(QStringLiteral("ssidLbl")));
    EXPECT_TRUE(label->isElided());
    EXPECT_EQ(label->displayedText(), "<b>cut</b> and a long tail here");
}

TEST(ChartLayout, ShowNetworkLabelsSwitchesTheSpectrumsLabels)
{
    Window w;
    ASSERT_TRUE(sv::test::waitForShownLists(1));
    QAction* labels = w.action(QStringLiteral("showNetworkLabelMenuItem"));
    ASSERT_NE(labels, nullptr);
    EXPECT_TRUE(labels->isCheckable());
    EXPECT_TRUE(labels->isChecked()); // the setting is on by default
    w.app->doStop();
    w.app->selectGraph(SVMainWindow::SpectrumTab);
    QCoreApplication::processEvents();
    auto* spectrum = w.app->spectrumView();
    const QImage on = spectrum->grab().toImage();

    labels->trigger();
    EXPECT_FALSE(sv::UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("ShowNetworkLabel")));
    EXPECT_FALSE(labels->isChecked());
    QCoreApplication::processEvents();
    EXPECT_NE(spectrum->grab().toImage(), on) << "the labels went";

    labels->trigger();
    EXPECT_TRUE(sv::UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("ShowNetworkLabel")));
    EXPECT_TRUE(labels->isChecked());
    QCoreApplication::processEvents();
    EXPECT_EQ(spectrum->grab().toImage(), on) << "the labels came back";
}

TEST(ChartLayout, ColumnsAndTheAnnotationsOptionReachBothGraphs)
{
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.setBool(true, QStringLiteral("DisplayAnnotations"));
    Window w;
    QHeaderView* header = w.app->networksView()->header();
    const int device = networkColumnIndex(QStringLiteral("DEVICE_NAME"));
    const int notes = networkColumnIndex(QStringLiteral("ANNOTATIONS"));
    ASSERT_GE(device, 0);
    ASSERT_GE(notes, 0);
    SVSignalStrengthView* graphs[] = {w.app->ssView(), w.app->spectrumView()};
    // At start-up the graphs follow the columns as restored.
    for (SVSignalStrengthView* g : graphs) {
        EXPECT_EQ(g->displayDeviceName(), !header->isSectionHidden(device));
        EXPECT_EQ(g->displayAnnotations(), !header->isSectionHidden(notes));
    }
    sv::test::setColumnShown(*w.app, QStringLiteral("ANNOTATIONS"), false);
    struct Step {
        const char* what;
        const char* column;
        bool hidden;
        bool option;
        bool deviceNames, annotations;
    } steps[] = {
        {"device names shown", "DEVICE_NAME", false, true, true, false},
        {"annotations shown", "ANNOTATIONS", false, true, true, true},
        {"device names hidden", "DEVICE_NAME", true, true, false, true},
        {"device names back", "DEVICE_NAME", false, true, true, true},
        {"annotations hidden", "ANNOTATIONS", true, true, true, false},
        {"annotations shown again", "ANNOTATIONS", false, true, true, true},
        {"annotations kept out of the graphs", "ANNOTATIONS", false, false, true, false},
    };
    for (const Step& s : steps) {
        sv::test::setDisplayAnnotationsOption(*w.app, s.option);
        sv::test::setColumnShown(*w.app, QLatin1String(s.column), !s.hidden);
        for (SVSignalStrengthView* g : graphs) {
            EXPECT_EQ(g->displayDeviceName(), s.deviceNames) << s.what;
            EXPECT_EQ(g->displayAnnotations(), s.annotations) << s.what;
        }
    }
}
