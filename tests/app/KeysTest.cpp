// The window's keys as a user presses them: menu shortcuts, Alt, the
// threshold keys, Copy and Paste, the save question.

#include "app/AppDelegate.h"
#include "app/SVInspectController.h"
#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "app/WindowFixture.h"
#include "model/SVNetwork.h"
#include "platform/UserDefaults.h"
#include "preferences/MASPreferencesWindowController.h"
#include "views/SVAdvancedDetailsView.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVOutlineViews.h"
#include "views/SVSignalStrengthView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

constexpr int kEventBoundMs = 60000;
constexpr int Save = SVAlert::FirstButtonReturn;
constexpr int Cancel = SVAlert::SecondButtonReturn;
constexpr int DontSave = SVAlert::ThirdButtonReturn;

// Every action of the menu bar, submenus included.
QList<QAction*> menuActions(const QMenuBar* bar)
{
    QList<QAction*> out;
    std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& actions) {
        for (QAction* a : actions) {
            out << a;
            if (a->menu())
                walk(a->menu()->actions());
        }
    };
    walk(bar->actions());
    return out;
}

// The window on the shipped scenario, stopped after two scans with one row
// selected, shown and active. Alerts are answered with `answer` and counted.
struct KeysWindow {
    // beforeLaunch runs on the built window before its first scan.
    explicit KeysWindow(const std::function<void(AppDelegate&)>& beforeLaunch = {})
    {
        auto& defaults = sv::UserDefaults::standardUserDefaults();
        defaults.removeObjectForKey(QStringLiteral("SaveAlertSupressionButton"));
        defaults.removeObjectForKey(kSignalStrengthThresholdKey);
        SVAlert::setAutomaticResponder([this](const SVAlert&) {
            ++alerts;
            return answer;
        });
        app = sv::test::makeWindow();
        app->setOpenPanelResponder([this] {
            ++openPanels;
            return QString();
        });
        app->setSavePanelResponder([this] {
            ++savePanels;
            return QString();
        });
        if (beforeLaunch)
            beforeLaunch(*app);
        app->applicationWillFinishLaunching();
    }
    ~KeysWindow()
    {
        sv::test::endWindow(app);
        sv::UserDefaults::standardUserDefaults().removeObjectForKey(kSignalStrengthThresholdKey);
    }
    bool start()
    {
        if (!sv::test::waitForShownLists(2))
            return false;
        SVMainWindow* window = app->window();
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window))
            return false;
        app->networksView()->selectionModel()->select(
            app->networksModel()->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        app->networksView()->setFocus();
        return true;
    }
    QAction* menuAction(const QString& title) const
    {
        for (QAction* a : menuActions(app->window()->menuBar()))
            if (a->text() == title)
                return a;
        return nullptr;
    }
    std::unique_ptr<AppDelegate> app;
    int answer = Cancel;
    int alerts = 0, openPanels = 0, savePanels = 0;
};

} // namespace

TEST(Keys, EveryShortcutRunsItsOwnCommand)
{
    KeysWindow w;
    ASSERT_TRUE(w.start());
    AppDelegate& app = *w.app;
    SVMainWindow* window = app.window();
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    const QString fontKey = QStringLiteral("NetworksViewFontSize");
    defaults.setDouble(12, fontKey);
    app.ssView()->setTimescale(app.ssView()->minTimescale());
    const qint64 shortest = app.ssView()->minTimescale();
    const bool sidebarWasCollapsed = window->isSidebarCollapsed();
    const bool bottomWasCollapsed = window->isBottomAreaCollapsed();
    const QString selectedBssid = app.networksModel()->rowAt(0)->bssidValue();
    const int alertsBefore = w.alerts;

    // Which actions ran: a key must run its own and no other.
    QStringList ran;
    for (QAction* a : menuActions(window->menuBar()))
        QObject::connect(a, &QAction::triggered, window, [&ran, a] { ran << a->text(); });

    struct Case {
        QString action; // the menu item the key shows on; empty for the threshold keys
        QKeyCombination key;
        std::function<bool()> done;
        int answer = Cancel; // to the save question the key asks
    };
    const Case cases[] = {
        {tabTitle(1), Qt::CTRL | Qt::Key_2, [&] { return window->selectedTab() == 1; }},
        {"Longer Span", Qt::CTRL | Qt::ALT | Qt::Key_Minus, [&] { return app.ssView()->timescale() > shortest; }},
        {"Shorter Span", Qt::CTRL | Qt::ALT | Qt::Key_Equal, [&] { return app.ssView()->timescale() == shortest; }},
        {tabTitle(0), Qt::CTRL | Qt::Key_1, [&] { return window->selectedTab() == 0; }},
        {tabTitle(2), Qt::CTRL | Qt::Key_3, [&] { return window->selectedTab() == 2; }},
        {tabTitle(3), Qt::CTRL | Qt::Key_4, [&] { return window->selectedTab() == 3; }},
        {"Select Next Tab", Qt::CTRL | Qt::Key_BracketRight, [&] { return window->selectedTab() == 0; }},
        {"Select Previous Tab", Qt::CTRL | Qt::Key_BracketLeft, [&] { return window->selectedTab() == 3; }},
        {"Bigger", Qt::CTRL | Qt::Key_Plus, [&] { return defaults.doubleForKey(fontKey) == 13; }},
        {"Bigger", Qt::CTRL | Qt::Key_Equal, [&] { return defaults.doubleForKey(fontKey) == 14; }},
        {"Smaller", Qt::CTRL | Qt::Key_Minus, [&] { return defaults.doubleForKey(fontKey) == 13; }},
        {"Toggle Sidebar", Qt::CTRL | Qt::ALT | Qt::Key_S,
         [&] { return window->isSidebarCollapsed() != sidebarWasCollapsed; }},
        {"Toggle Bottom Area", Qt::CTRL | Qt::ALT | Qt::Key_B,
         [&] { return window->isBottomAreaCollapsed() != bottomWasCollapsed; }},
        {"Filter", Qt::CTRL | Qt::Key_F, [&] { return window->toolbar().filterField->hasFocus(); }},
        {"Copy", Qt::CTRL | Qt::Key_C,
         [&] { return QGuiApplication::clipboard()->text().contains(selectedBssid, Qt::CaseInsensitive); }},
        {"", Qt::ALT | Qt::Key_5, [&] { return app.signalStrengthThreshold() == 50; }},
        {"", Qt::ALT | Qt::Key_E, [&] { return app.signalStrengthThreshold() == 35; }},
        {"", QKeyCombination(Qt::Key_Escape), [&] { return app.signalStrengthThreshold() == 0; }},
        {"Save As...", Qt::CTRL | Qt::SHIFT | Qt::Key_S, [&] { return w.savePanels == 1; }},
        {"Save As...", Qt::CTRL | Qt::Key_S, [&] { return w.savePanels == 2; }},
        {"Open...", Qt::CTRL | Qt::Key_O, [&] { return w.openPanels == 1; }, DontSave},
        // Quitting asks first; Cancel keeps the window.
        {"Quit", Qt::CTRL | Qt::Key_Q, [&] { return w.alerts == alertsBefore + 2 && window->isVisible(); }},
        {"Stop", Qt::CTRL | Qt::Key_Period, [&] { return !app.isScanning(); }},
        // A new scan asks first too: the results go.
        {"Scan", Qt::CTRL | Qt::Key_R, [&] { return app.isScanning(); }, DontSave},
        // Last: the preferences window takes the keys from the main window.
        {"Preferences...", Qt::CTRL | Qt::Key_Comma,
         [&] { return app.preferencesWindow() && app.preferencesWindow()->isVisible(); }},
    };
    for (const Case& c : cases) {
        const QKeySequence pressed(c.key);
        SCOPED_TRACE(pressed.toString().toStdString());
        if (!c.action.isEmpty()) {
            QAction* action = w.menuAction(c.action);
            ASSERT_TRUE(action) << c.action.toStdString();
            // The key is the one the menu shows.
            EXPECT_TRUE(action->shortcuts().contains(pressed)) << c.action.toStdString();
        }
        w.answer = c.answer;
        QGuiApplication::clipboard()->clear();
        ran.clear();
        app.networksView()->setFocus();
        QTest::keyClick(app.networksView(), c.key.key(), c.key.keyboardModifiers());
        EXPECT_TRUE(QTest::qWaitFor(c.done, kEventBoundMs)) << c.action.toStdString();
        EXPECT_EQ(ran, c.action.isEmpty() ? QStringList() : QStringList{c.action});
    }

    // Shift with a key whose character Shift changes ("+" on "=") cannot be
    // typed as shown on most keyboards.
    for (QAction* a : menuActions(window->menuBar()))
        for (const QKeySequence& s : a->shortcuts()) {
            const QKeyCombination k = s[0];
            const bool letterOrNamed = (k.key() >= Qt::Key_A && k.key() <= Qt::Key_Z) || k.key() >= Qt::Key_Escape;
            EXPECT_TRUE(!(k.keyboardModifiers() & Qt::ShiftModifier) || letterOrNamed)
                << a->text().toStdString() << " " << s.toString().toStdString();
        }
    defaults.removeObjectForKey(fontKey);
}

TEST(Keys, AltAloneLeavesTheKeysWithTheWindow)
{
    KeysWindow w;
    ASSERT_TRUE(w.start());
    SVMainWindow* window = w.app->window();
    QMenuBar* bar = window->menuBar();
    QTreeView* table = w.app->networksView();
    const int row = table->currentIndex().row();

    // Alt pressed and let go, then Down: the table's next row, no menu.
    QTest::keyPress(table, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(table, Qt::Key_Alt, Qt::NoModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(bar->activeAction(), nullptr);
    EXPECT_EQ(table->currentIndex().row(), row + 1);
    EXPECT_TRUE(table->hasFocus());

    // No menu's mnemonic is a threshold key, and each still opens its menu.
    for (QAction* menu : bar->actions()) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(menu->text());
        ASSERT_FALSE(mnemonic.isEmpty()) << menu->text().toStdString();
        EXPECT_FALSE(thresholdForKey(mnemonic[0].key(), Qt::AltModifier, 0)) << menu->text().toStdString();
    }
    QMenu* edit = nullptr;
    for (QAction* menu : bar->actions())
        if (menu->menu()->actions().contains(w.menuAction("Copy")))
            edit = menu->menu();
    ASSERT_TRUE(edit);
    const QKeySequence editKey = QKeySequence::mnemonic(edit->title());
    QTest::keyClick(table, editKey[0].key(), Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == edit; }, kEventBoundMs));
    edit->close();
    EXPECT_EQ(w.app->signalStrengthThreshold(), 0);
}

TEST(Keys, CopyIsEnabledWhereItCopiesAndPasteNever)
{
    KeysWindow w;
    ASSERT_TRUE(w.start());
    QAction* copy = w.menuAction("Copy");
    QAction* paste = w.menuAction("Paste");
    ASSERT_TRUE(copy && paste);
    QTreeView* table = w.app->networksView();
    QTreeView* tree = w.app->inspect()->advancedDetailsView();
    w.app->selectGraph(SVMainWindow::AdvancedDetailsTab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->model()->rowCount() > 0; }, kEventBoundMs));
    tree->setCurrentIndex(tree->model()->index(0, 0));
    const QString bssid = w.app->selectedNetwork()->bssid();

    const struct {
        const char* where;
        QWidget* focus;
        bool selected;
        bool copies;
    } cases[] = {
        {"table with a selected row", table, true, true},
        {"table without one", table, false, false},
        {"sidebar", w.app->sideView(), true, false},
        {"element tree", tree, true, false},
        {"filter field", w.app->window()->toolbar().filterField, true, false},
    };
    for (const auto& c : cases) {
        if (c.selected)
            table->selectionModel()->select(w.app->networksModel()->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else
            table->clearSelection();
        c.focus->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.focus->hasFocus(); }, kEventBoundMs)) << c.where;
        EXPECT_EQ(copy->isEnabled(), c.copies) << c.where;
        EXPECT_FALSE(paste->isEnabled()) << c.where;
        // Disabled, its key goes to the focused view instead.
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        int copied = 0;
        auto counting = QObject::connect(copy, &QAction::triggered, [&] { ++copied; });
        QTest::keyClick(c.focus, Qt::Key_C, Qt::ControlModifier);
        QObject::disconnect(counting);
        EXPECT_EQ(copied, c.copies ? 1 : 0) << c.where;
        const QString text = QGuiApplication::clipboard()->text();
        if (c.copies) {
            EXPECT_TRUE(text.contains(bssid, Qt::CaseInsensitive)) << text.toStdString();
        }
        if (c.focus == tree) { // the tree copies its own row
            EXPECT_EQ(text, tree->currentIndex().data().toString());
        }
    }
}

TEST(Keys, SaveQuestionAnswersItsLettersAndEscape)
{
    KeysWindow w;
    ASSERT_TRUE(w.start());
    SVAlert::setAutomaticResponder({});
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int answer;
    } cases[] = {
        {Qt::Key_S, Qt::NoModifier, Save},
        {Qt::Key_S, Qt::AltModifier, Save},
        {Qt::Key_D, Qt::NoModifier, DontSave},
        {Qt::Key_D, Qt::AltModifier, DontSave},
        {Qt::Key_C, Qt::AltModifier, Cancel},
        {Qt::Key_Escape, Qt::NoModifier, Cancel},
    };
    for (const auto& c : cases) {
        QTimer::singleShot(0, qApp, [&] {
            QWidget* alert = QApplication::activeModalWidget();
            ASSERT_TRUE(alert);
            alert->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(alert));
            QTest::keyClick(alert->focusWidget() ? alert->focusWidget() : alert, c.key, c.modifiers);
            // A key that does not answer fails the case rather than the run.
            QPointer<QWidget> open(alert);
            if (!QTest::qWaitFor([&] { return !open || !open->isVisible(); }, kEventBoundMs)) {
                ADD_FAILURE() << "the question is still open";
                static_cast<QDialog*>(alert)->done(0);
            }
        });
        EXPECT_EQ(w.app->showSaveAlertIfNeeded(), c.answer) << QKeySequence(c.key | c.modifiers).toString().toStdString();
    }
    sv::UserDefaults::standardUserDefaults().removeObjectForKey(QStringLiteral("SaveAlertSupressionButton"));
}

TEST(Keys, SaveAsKeysWorkOnceThereAreResultsWhateverTheMenuShowedBefore)
{
    // The File menu opened while there is nothing to save.
    KeysWindow w([](AppDelegate& app) {
        for (QAction* a : menuActions(app.window()->menuBar()))
            if (a->text() == "Save As...") {
                QMenu* file = qobject_cast<QMenu*>(a->parent());
                ASSERT_TRUE(file);
                file->popup(QPoint(0, 0));
                EXPECT_FALSE(a->isEnabled());
                file->close();
            }
    });
    ASSERT_TRUE(w.start());
    ASSERT_TRUE(w.app->hasUnsavedResults());
    QTest::keyClick(w.app->networksView(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.savePanels == 1; }, kEventBoundMs));
}
