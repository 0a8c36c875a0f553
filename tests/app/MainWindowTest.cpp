#include <gtest/gtest.h>

#include "app/SVMainWindow.h"
#include "app/SVWindowFrame.h"
#include "platform/UserDefaults.h"
#include "views/SVNetworkCellDelegate.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVNetworksTableSetup.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>

TEST(WindowFrame, ArchiveRoundTripAndDamage)
{
    const QRect frame(40, 60, 990, 625);
    const QByteArray data = archivedWindowFrame(frame);
    ASSERT_FALSE(data.isEmpty());
    EXPECT_TRUE(data.startsWith("bplist00"));
    EXPECT_EQ(unarchivedWindowFrame(data), frame);
    EXPECT_EQ(unarchivedWindowFrame(archivedWindowFrame(QRect(-200, -10, 800, 600))), QRect(-200, -10, 800, 600));

    EXPECT_FALSE(unarchivedWindowFrame(QByteArray()));
    EXPECT_FALSE(unarchivedWindowFrame("not an archive"));
    EXPECT_FALSE(unarchivedWindowFrame(data.left(data.size() / 2)));
    EXPECT_FALSE(unarchivedWindowFrame(archivedWindowFrame(QRect(0, 0, 0, 10))));
}

TEST(WindowFrame, FirstLaunchIsSmallerAndCentred)
{
    const QRect frame = firstLaunchWindowFrame(QRect(0, 0, 1920, 1080));
    EXPECT_EQ(frame.size(), QSize(990, 625));
    EXPECT_EQ(frame.center(), QRect(0, 0, 1920, 1080).center());
}

TEST(MainWindow, PanesTabsAndSplitLimits)
{
    SVMainWindow window;
    window.resize(1000, 800);
    window.show();
    ASSERT_EQ(window.tabViewControl()->count(), 4);
    EXPECT_EQ(window.tabViewControl()->tabText(0), "Network Details");
    EXPECT_EQ(window.tabViewControl()->tabText(3), "Advanced Details");

    QSignalSpy willSelect(&window, &SVMainWindow::willSelectTab);
    window.selectGraph(2);
    EXPECT_EQ(window.selectedTab(), 2);
    EXPECT_EQ(window.tabViewControl()->currentIndex(), 2);
    ASSERT_EQ(willSelect.count(), 1);
    EXPECT_EQ(willSelect.at(0).at(0).toInt(), 2);
    window.selectGraph(7); // not a tab: nothing changes
    EXPECT_EQ(window.selectedTab(), 2);
    EXPECT_EQ(willSelect.count(), 1);

    auto* pane = new QLabel("spectrum");
    window.setTabPane(2, pane);
    EXPECT_TRUE(window.tabView()->currentWidget()->isAncestorOf(pane));

    // The sidebar grows to a quarter of the width at most and collapses.
    QSplitter* vertical = window.verticalSplitView();
    const int total = vertical->sizes()[0] + vertical->sizes()[1];
    vertical->setSizes({total / 2, total / 2});
    emit vertical->splitterMoved(total / 2, 1);
    EXPECT_EQ(vertical->sizes()[0], total / 4);
    window.toggleLeftArea();
    EXPECT_TRUE(window.isSidebarCollapsed());
    EXPECT_FALSE(window.toggleLeftAreaBtn()->isChecked());
    window.toggleLeftArea();
    EXPECT_FALSE(window.isSidebarCollapsed());
    EXPECT_GE(vertical->sizes()[0], 125);

    // The tab area collapses and comes back at its height; the table never collapses.
    window.toggleBottomArea();
    EXPECT_TRUE(window.isBottomAreaCollapsed());
    window.toggleBottomArea();
    EXPECT_FALSE(window.isBottomAreaCollapsed());
    EXPECT_GE(window.horizontalSplitView()->sizes()[1], 400);
    EXPECT_FALSE(window.horizontalSplitView()->isCollapsible(0));

    // Set SKYVANE_WINDOW_PNG to look at the window.
    const QString out = qEnvironmentVariable("SKYVANE_WINDOW_PNG");
    if (!out.isEmpty()) {
        QTemporaryDir dir;
        sv::UserDefaults defaults(dir.filePath("s.conf"));
        SVNetworksTableModel model;
        SVNetworkCellDelegate delegate;
        setUpNetworksTable(*window.networksView(), model, delegate, defaults);
        window.leftFooterLbl()->setText("Networks Found: 0, Displayed: 0 (0%)");
        window.toolbar().setInfoText("wlan0: Not scanning  |  Not associated");
        window.grab().save(out);
    }
}

TEST(MainWindow, FirstLaunchLayoutAndDividersAcrossLaunches)
{
    QTemporaryDir dir;
    sv::UserDefaults defaults(dir.filePath("s.conf"));
    QList<int> saved;
    {
        SVMainWindow window;
        window.resize(1000, 900);
        window.show();
        window.applyFirstLaunchLayout();
        EXPECT_TRUE(window.isSidebarCollapsed());
        EXPECT_EQ(window.horizontalSplitView()->sizes()[1], 400);
        const int total = window.horizontalSplitView()->sizes()[0] + 400;
        window.horizontalSplitView()->setSizes({total - 450, 450});
        saved = window.horizontalSplitView()->sizes();
        window.saveDividers(defaults);
    }
    SVMainWindow window;
    window.resize(1000, 900);
    window.show();
    window.restoreDividers(defaults);
    EXPECT_EQ(window.horizontalSplitView()->sizes(), saved);

    defaults.setObject(QByteArray("garbage"), "HorizontalSplitView");
    SVMainWindow other;
    other.resize(1000, 900);
    other.show();
    const QList<int> before = other.horizontalSplitView()->sizes();
    other.restoreDividers(defaults);
    EXPECT_EQ(other.horizontalSplitView()->sizes(), before);
}
