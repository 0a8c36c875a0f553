// The menu bar: view commands, scanning and quitting.

#include "app/AppDelegate.h"
#include "app/SVInspectController.h"

#include "app/SVMainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLineEdit>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>

void AppDelegate::buildMenus()
{
    QMenuBar* bar = m_window->menuBar();

    QMenu* file = bar->addMenu(tr("&File"));
    buildDocumentMenuItems(file);
    QAction* quit = file->addAction(tr("Quit"), qApp, [this] { m_window->close(); });
    // Not the platform's standard key: some desktops have none for quitting.
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    QMenu* edit = bar->addMenu(tr("E&dit"));
    QAction* preferences = edit->addAction(tr("Preferences..."), this, [this] { showPreferencesWithIdentifier(); });
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);

    QMenu* scanMenu = bar->addMenu(tr("&Scan"));
    QAction* start = scanMenu->addAction(tr("Scan"), this, [this] { onScanStop(ScanTag); });
    start->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_scanAction = start;
    QAction* stop = scanMenu->addAction(tr("Stop"), this, [this] { onScanStop(StopTag); });
    stop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
    m_stopAction = stop;

    QMenu* view = bar->addMenu(tr("&View"));
    auto* shows = new QActionGroup(this);
    const QStringList showTitles = {tr("Show All Networks"), tr("Show Open Networks"), tr("Show Secure Networks"),
                                    tr("Show Ad Hoc Networks")};
    for (int i = 0; i < showTitles.size(); ++i) {
        QAction* a = view->addAction(showTitles[i], this, [this, i] { onViewShow(1001 + i); });
        a->setCheckable(true);
        a->setData(1001 + i);
        shows->addAction(a);
        m_showActions << a;
    }
    view->addSeparator();
    auto* tabs = new QActionGroup(this);
    for (int i = 0; i < SVMainWindow::TabCount; ++i) {
        QAction* a = view->addAction(tabTitle(i), this, [this, i] { selectGraph(i); });
        a->setCheckable(true);
        a->setData(2001 + i);
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)));
        tabs->addAction(a);
        m_tabActions << a;
    }
    QAction* next = view->addAction(tr("Select Next Tab"), this, [this] {
        selectGraph((m_window->selectedTab() + 1) % SVMainWindow::TabCount);
    });
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    QAction* previous = view->addAction(tr("Select Previous Tab"), this, [this] {
        selectGraph((m_window->selectedTab() + SVMainWindow::TabCount - 1) % SVMainWindow::TabCount);
    });
    previous->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    view->addSeparator();
    QAction* bigger = view->addAction(tr("Bigger"), this, [this] { onViewMakeText(1); });
    bigger->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    QAction* smaller = view->addAction(tr("Smaller"), this, [this] { onViewMakeText(-1); });
    smaller->setShortcut(QKeySequence::ZoomOut);
    view->addSeparator();
    QAction* sidebar = view->addAction(tr("Toggle Sidebar"), this, [this] { m_window->toggleLeftArea(); });
    sidebar->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    QAction* bottom = view->addAction(tr("Toggle Bottom Area"), this, [this] { m_window->toggleBottomArea(); });
    bottom->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B));
    QAction* find = view->addAction(tr("Filter"), this, [this] {
        m_window->toolbar().filterField->setFocus();
        m_window->toolbar().filterField->selectAll();
    });
    find->setShortcut(QKeySequence::Find);

    buildExportMenus();
    buildSpeechItems(view);

    m_inspect->addViewMenuItems(view);

    m_inspect->buildHelpMenu(bar->addMenu(tr("&Help")));
}
