#pragma once

#include "app/SVToolbar.h"

#include <QMainWindow>

class QLabel;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QToolButton;
class QTreeView;
class SVNetworksView;

namespace sv {
class UserDefaults;
}

// The settings keys of the table/tab-area divider and the sidebar divider.
inline const QString kHorizontalSplitViewAutosaveName = QStringLiteral("HorizontalSplitView");
inline const QString kVerticalSplitViewAutosaveName = QStringLiteral("VerticalSplitView");

// The main window's widgets, built in code: toolbar, the sidebar beside
// the rest, the network table above the tab area, the four tab panes (empty
// until their views are set), and the footer. It holds no records; the
// controller fills it.
class SVMainWindow : public QMainWindow {
    Q_OBJECT
public:
    enum Tab { NetworkDetailsTab = 0, SignalStrengthTab = 1, SpectrumTab = 2, AdvancedDetailsTab = 3, TabCount = 4 };

    explicit SVMainWindow(QWidget* parent = nullptr);

    SVMainToolbar& toolbar() { return m_toolbar; }
    QSplitter* verticalSplitView() const { return m_verticalSplit; }     // sidebar | rest
    QSplitter* horizontalSplitView() const { return m_horizontalSplit; } // table over tab area
    QWidget* leftView() const { return m_leftView; }
    QWidget* topView() const { return m_topView; }
    QWidget* bottomView() const { return m_bottomView; }
    SVNetworksView* networksView() const { return m_networksView; }
    QTabBar* tabViewControl() const { return m_tabBar; }
    QStackedWidget* tabView() const { return m_tabView; }
    QLabel* leftFooterLbl() const { return m_leftFooter; }
    QLabel* rightFooterLbl() const { return m_rightFooter; }
    QToolButton* toggleLeftAreaBtn() const { return m_toggleLeft; }
    QToolButton* toggleBottomAreaBtn() const { return m_toggleBottom; }

    // Puts a view into the sidebar or into a tab pane (the window owns it).
    void setSidebarView(QWidget* view);
    void setTabPane(int index, QWidget* view);

    int selectedTab() const;
    // Selects the tab; other indexes change nothing.
    void selectGraph(int index);

    // The first launch: sidebar collapsed, tab area at its smallest.
    void applyFirstLaunchLayout();
    // The smallest size at which the toolbar, the filter field and both
    // footers stay usable.
    static QSize minimumWindowSize();

    // Both dividers, kept in the defaults across launches.
    void saveDividers(sv::UserDefaults& defaults) const;
    void restoreDividers(const sv::UserDefaults& defaults);

    void toggleLeftArea();
    void toggleBottomArea();
    bool isSidebarCollapsed() const;
    bool isBottomAreaCollapsed() const;

signals:
    // Before the tab changes (the controller configures the tab's view).
    void willSelectTab(int index);
    // The user picked a tab on the tab bar (click, wheel or keys); the
    // controller answers with its selectGraph, so bar, pane and menu agree.
    void userDidSelectTab(int index);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void constrainDividers(bool userMoved);
    void updateToggleButtons();

    SVMainToolbar m_toolbar;
    QSplitter* m_verticalSplit;
    QSplitter* m_horizontalSplit;
    QWidget* m_leftView;
    QWidget* m_rightView;
    QWidget* m_topView;
    QWidget* m_bottomView;
    SVNetworksView* m_networksView;
    QTabBar* m_tabBar;
    QStackedWidget* m_tabView;
    QLabel* m_leftFooter;
    QLabel* m_rightFooter;
    QToolButton* m_toggleLeft;
    QToolButton* m_toggleBottom;
    int m_sidebarWidth = 200;
    int m_bottomHeight = 400;
    bool m_constraining = false;
};

// The tab's title: the translation of its key ("Network Details Title"...)
// or its English title.
QString tabTitle(int index);
