#include "app/SVMainWindow.h"

#include "app/SVSplitViewLimits.h"
#include "platform/UserDefaults.h"
#include "views/SVOutlineViews.h"
#include "views/SVPlainText.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMetaMethod>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProxyStyle>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <array>

namespace {

struct TabText {
    const char* key;
    const char* english;
};
constexpr std::array<TabText, SVMainWindow::TabCount> kTabs = {{
    {"Network Details Title", "Network Details"},
    {"Signal Strength Title", "Signal Strength"},
    {"Spectrum Title", "Spectrum"},
    {"Advanced Details Title", "Advanced Details"},
}};

void replaceContent(QWidget* holder, QWidget* view)
{
    QLayout* layout = holder->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (view)
        layout->addWidget(view);
}

// Alt alone belongs to the window (the graphs' noise bubble, the threshold
// keys): the menu bar never takes the keyboard when it is pressed and
// released. The menus' mnemonics still open them.
class SVMenuBarStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QWidget* holder(QWidget* parent = nullptr)
{
    auto* w = new QWidget(parent);
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return w;
}

} // namespace

QString tabTitle(int index)
{
    if (index < 0 || index >= int(kTabs.size()))
        return QString();
    const TabText& t = kTabs[size_t(index)];
    const QString translated = QCoreApplication::translate("SVMainWindow", t.key);
    return translated == QLatin1String(t.key) ? QString::fromLatin1(t.english) : translated;
}

SVMainWindow::SVMainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Skyvane"));
    auto* barStyle = new SVMenuBarStyle(QApplication::style()->name());
    barStyle->setParent(menuBar());
    menuBar()->setStyle(barStyle);
    m_toolbar = buildMainToolbar(*this);

    m_networksView = new SVNetworksView;
    m_topView = holder();
    m_topView->layout()->addWidget(m_networksView);
    m_topView->setMinimumHeight(100);

    m_tabBar = new QTabBar;
    m_tabBar->setExpanding(false);
    m_tabBar->setDrawBase(false);
    for (int i = 0; i < TabCount; ++i) {
        m_tabBar->addTab(tabTitle(i));
    }
    m_tabView = new QStackedWidget;
    for (int i = 0; i < TabCount; ++i)
        m_tabView->addWidget(holder());
    m_bottomView = new QWidget;
    auto* bottom = new QVBoxLayout(m_bottomView);
    bottom->setContentsMargins(0, 4, 0, 0);
    bottom->addWidget(m_tabBar, 0, Qt::AlignHCenter);
    bottom->addWidget(m_tabView, 1);
    m_bottomView->setMinimumHeight(400);

    m_horizontalSplit = new QSplitter(Qt::Vertical);
    m_horizontalSplit->addWidget(m_topView);
    m_horizontalSplit->addWidget(m_bottomView);
    m_horizontalSplit->setCollapsible(0, false);
    m_horizontalSplit->setCollapsible(1, true);
    m_horizontalSplit->setStretchFactor(0, 1);

    m_leftView = holder();
    m_leftView->setMinimumWidth(125);
    m_rightView = holder();
    m_rightView->layout()->addWidget(m_horizontalSplit);
    m_verticalSplit = new QSplitter(Qt::Horizontal);
    m_verticalSplit->addWidget(m_leftView);
    m_verticalSplit->addWidget(m_rightView);
    m_verticalSplit->setCollapsible(0, true);
    m_verticalSplit->setCollapsible(1, false);
    m_verticalSplit->setStretchFactor(1, 1);

    m_toggleLeft = new QToolButton;
    m_toggleLeft->setCheckable(true);
    m_toggleLeft->setToolTip(tr("Show or hide the sidebar"));
    m_toggleLeft->setText(QStringLiteral("\u25E7"));
    m_toggleBottom = new QToolButton;
    m_toggleBottom->setCheckable(true);
    m_toggleBottom->setToolTip(tr("Show or hide the tab area"));
    m_toggleBottom->setText(QStringLiteral("\u2B13"));
    m_leftFooter = sv::newPlainLabel();
    m_rightFooter = sv::newPlainLabel();
    m_rightFooter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Each footer keeps to its half rather than writing over the other.
    for (QLabel* label : {m_leftFooter, m_rightFooter})
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(6, 2, 6, 2);
    footer->addWidget(m_toggleLeft);
    footer->addWidget(m_leftFooter, 1);
    footer->addWidget(m_rightFooter, 1);
    footer->addWidget(m_toggleBottom);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_verticalSplit, 1);
    layout->addLayout(footer);
    setCentralWidget(central);
    setMinimumSize(minimumWindowSize().expandedTo(minimumSizeHint()));

    // Clicks, the wheel and the keyboard all change the bar's current tab;
    // the pane follows through the controller's selectGraph when there is one.
    connect(m_tabBar, &QTabBar::currentChanged, this, [this](int index) {
        if (isSignalConnected(QMetaMethod::fromSignal(&SVMainWindow::userDidSelectTab)))
            emit userDidSelectTab(index);
        else
            selectGraph(index);
    });
    connect(m_verticalSplit, &QSplitter::splitterMoved, this, [this] { constrainDividers(true); });
    connect(m_horizontalSplit, &QSplitter::splitterMoved, this, [this] { constrainDividers(false); });
    connect(m_toggleLeft, &QToolButton::clicked, this, [this] { toggleLeftArea(); });
    connect(m_toggleBottom, &QToolButton::clicked, this, [this] { toggleBottomArea(); });
    updateToggleButtons();
}

void SVMainWindow::setSidebarView(QWidget* view)
{
    replaceContent(m_leftView, view);
}

void SVMainWindow::setTabPane(int index, QWidget* view)
{
    if (index >= 0 && index < TabCount)
        replaceContent(m_tabView->widget(index), view);
}

int SVMainWindow::selectedTab() const
{
    return m_tabView->currentIndex();
}

void SVMainWindow::selectGraph(int index)
{
    if (index < 0 || index >= TabCount)
        return;
    emit willSelectTab(index);
    m_tabView->setCurrentIndex(index);
    const QSignalBlocker block(m_tabBar);
    m_tabBar->setCurrentIndex(index);
}

bool SVMainWindow::isSidebarCollapsed() const
{
    return m_verticalSplit->sizes().value(0) == 0;
}

bool SVMainWindow::isBottomAreaCollapsed() const
{
    return m_horizontalSplit->sizes().value(1) == 0;
}

void SVMainWindow::applyFirstLaunchLayout()
{
    QList<int> v = m_verticalSplit->sizes();
    m_verticalSplit->setSizes({0, v.value(0) + v.value(1)});
    QList<int> h = m_horizontalSplit->sizes();
    const int total = h.value(0) + h.value(1);
    const int top = int(constrainHorizontalDivider(total, total));
    m_horizontalSplit->setSizes({top, total - top});
    updateToggleButtons();
}

QSize SVMainWindow::minimumWindowSize()
{
    return QSize(760, 600);
}

void SVMainWindow::saveDividers(sv::UserDefaults& defaults) const
{
    defaults.setObject(m_horizontalSplit->saveState(), kHorizontalSplitViewAutosaveName);
    defaults.setObject(m_verticalSplit->saveState(), kVerticalSplitViewAutosaveName);
}

void SVMainWindow::restoreDividers(const sv::UserDefaults& defaults)
{
    // restoreState refuses what it cannot read.
    const QByteArray horizontal = defaults.dataForKey(kHorizontalSplitViewAutosaveName);
    if (!horizontal.isEmpty())
        m_horizontalSplit->restoreState(horizontal);
    const QByteArray vertical = defaults.dataForKey(kVerticalSplitViewAutosaveName);
    if (!vertical.isEmpty() && m_verticalSplit->restoreState(vertical)) {
        const int width = m_verticalSplit->sizes().value(0);
        if (width > 0)
            m_sidebarWidth = width;
    }
    updateToggleButtons();
}

bool SVMainWindow::event(QEvent* event)
{
    // The threshold keys reach the window from any of its views; on this
    // platform Alt with a letter would open a menu first.
    if (event->type() == QEvent::ShortcutOverride && thresholdForKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QMainWindow::event(event);
}

void SVMainWindow::keyPressEvent(QKeyEvent* event)
{
    if (postThresholdForKey(*event)) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void SVMainWindow::toggleLeftArea()
{
    QList<int> sizes = m_verticalSplit->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (isSidebarCollapsed()) {
        const int width = int(constrainVerticalDivider(m_sidebarWidth, total));
        sizes = {width, total - width};
    } else {
        m_sidebarWidth = sizes.value(0);
        sizes = {0, total};
    }
    m_verticalSplit->setSizes(sizes);
    updateToggleButtons();
}

void SVMainWindow::toggleBottomArea()
{
    QList<int> sizes = m_horizontalSplit->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (isBottomAreaCollapsed()) {
        const int top = int(constrainHorizontalDivider(total - m_bottomHeight, total));
        sizes = {top, total - top};
    } else {
        m_bottomHeight = sizes.value(1);
        sizes = {total, 0};
    }
    m_horizontalSplit->setSizes(sizes);
    updateToggleButtons();
}

void SVMainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // Without a window manager nothing holds the window to its minimum size.
    if (isWindow() && (width() < minimumWidth() || height() < minimumHeight()))
        QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
    constrainDividers(false);
}

// The splitters keep the minimum sizes themselves; this adds the sidebar's
// upper bound of a quarter of the width. The width the user gave the sidebar
// is remembered, so a window made narrow and then wide again gets it back.
void SVMainWindow::constrainDividers(bool userMoved)
{
    if (m_constraining)
        return;
    m_constraining = true;
    QList<int> sizes = m_verticalSplit->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (sizes.size() == 2 && sizes[0] > 0 && total > 0) {
        if (userMoved)
            m_sidebarWidth = sizes[0];
        const int width = int(constrainVerticalDivider(m_sidebarWidth, total));
        if (width != sizes[0])
            m_verticalSplit->setSizes({width, total - width});
        if (userMoved)
            m_sidebarWidth = width;
    }
    m_constraining = false;
    updateToggleButtons();
}

void SVMainWindow::updateToggleButtons()
{
    m_toggleLeft->setChecked(!isSidebarCollapsed());
    m_toggleBottom->setChecked(!isBottomAreaCollapsed());
}
