#include "app/AppDelegate.h"
#include "app/WindowFixture.h"
#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "app/SVScanSession.h"
#include "elements/SVInfoElement.h"
#include "model/SVActiveScanEngine.h"
#include "model/SVDataPoint.h"
#include "model/SVDocument.h"
#include "model/SVNetwork.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/FileWriter.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "platform/wlan/CWError.h"
#include "platform/wlan/CWInterface.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"

#include "views/SVOutlineViews.h"
#include "views/SVSideViewModel.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QHelpEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

constexpr int kEventBoundMs = 60000;

// A left-button event with its own timestamp, so that two clicks make one
// double-click whatever time the test spends between them.
void sendMouse(QWidget* to, QEvent::Type type, QPoint at, quint64 time)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(to->mapToGlobal(at)), Qt::LeftButton, held, Qt::NoModifier);
    e.setTimestamp(time);
    QApplication::sendEvent(to, &e);
}

// The window on the shipped scenario, scanning on a clock that does not wait.
struct Window {
    explicit Window(std::function<int(const SVAlert&)> responder = [](const SVAlert&) { return 1001; })
    {
        SVAlert::setAutomaticResponder(std::move(responder));
        app = sv::test::makeWindow();
        app->applicationWillFinishLaunching();
    }
    ~Window()
    {
        sv::test::endWindow(app);
    }
    // Waits until n more lists have been shown. The engine runs on its own
    // thread, so this waits on the event, with a bound generous enough for
    // a loaded machine.
    bool waitForTicks(int n) { return sv::test::waitForShownLists(n); }
    QAction* menuAction(const QString& title) const
    {
        for (QAction* menu : app->window()->menuBar()->actions())
            for (QAction* a : menu->menu()->actions())
                if (a->text() == title)
                    return a;
        return nullptr;
    }
    int rowOf(const QString& bssid) const { return int(shownBssids().indexOf(bssid)); }
    void selectRows(std::initializer_list<int> rows) const
    {
        QItemSelection selection;
        for (int row : rows)
            selection.select(app->networksModel()->index(row, 0), app->networksModel()->index(row, 0));
        app->networksView()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect |
                                                                     QItemSelectionModel::Rows);
    }
    QStringList shownBssids() const
    {
        QStringList out;
        for (const auto& row : app->networksModel()->rows())
            out << row->bssidValue();
        return out;
    }
    QStringList selectedBssids() const
    {
        QStringList out;
        for (const QModelIndex& i : app->networksView()->selectionModel()->selectedRows())
            out << app->networksModel()->rowAt(i.row())->bssidValue();
        return out;
    }
    // Stops after two scans with one network selected that every scan of the
    // scenario hears; its BSSID, empty when the scans did not come.
    QString selectSteadyNetwork()
    {
        if (!waitForTicks(2))
            return {};
        app->doStop();
        const QString chosen = QStringLiteral("14:CC:20:5A:10:01");
        selectRows({rowOf(chosen)});
        return chosen;
    }
    // A window tall enough for a screenful of rows, sorted by signal, so
    // that the rows move at every scan.
    QTreeView* tableSortedBySignal()
    {
        app->window()->resize(1200, 900);
        if (!waitForTicks(2))
            return nullptr;
        QTreeView* view = app->networksView();
        view->sortByColumn(networkColumnIndex(QStringLiteral("RSSI")), Qt::DescendingOrder);
        return view;
    }
    std::unique_ptr<AppDelegate> app;
};

} // namespace

TEST(MainWindow, ScansMergesAndShowsTheSurvey)
{
    Window w;
    ASSERT_TRUE(w.app->isSimulated());
    EXPECT_TRUE(w.app->isScanning());
    ASSERT_TRUE(w.waitForTicks(3));
    EXPECT_EQ(w.app->scanSession().state(), SVScanSession::State::Scanning); // the merge timer ticks
    EXPECT_TRUE(w.app->window()->windowTitle().endsWith(QStringLiteral(" - Scanning")));

    const auto shown = w.shownBssids();
    EXPECT_GE(shown.size(), 30);
    EXPECT_EQ(shown.size(), w.app->filteredNetworks().size());
    EXPECT_EQ(w.app->window()->leftFooterLbl()->text(),
              QStringLiteral("Networks Found: %1, Displayed: %1 (100%)").arg(w.app->networks().size()));
    // Every record got a sample per merged tick.
    for (const auto& n : w.app->networks())
        EXPECT_GE(n->dataPointCount(), 1u) << n->bssid().toStdString();

    w.app->doStop();
    EXPECT_FALSE(w.app->isScanning());
    EXPECT_EQ(w.app->scanSession().engine(), nullptr);
    EXPECT_EQ(w.app->scanSession().state(), SVScanSession::State::Stopped); // no merge timer
    EXPECT_EQ(w.shownBssids().size(), shown.size()); // the last results stay
}

TEST(MainWindow, SelectionSurvivesReloads)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    QTreeView* view = w.app->networksView();
    // A network heard in every scan of the scenario, so it is never dropped.
    const QString chosen = QStringLiteral("14:CC:20:5A:10:01");
    const int row = int(w.shownBssids().indexOf(chosen));
    ASSERT_GE(row, 0);
    view->selectionModel()->select(w.app->networksModel()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ASSERT_EQ(w.selectedBssids(), QStringList{chosen});
    ASSERT_TRUE(w.waitForTicks(4));
    EXPECT_EQ(w.selectedBssids(), QStringList{chosen});
    EXPECT_EQ(w.app->selectedNetwork()->bssid(), chosen);
}

TEST(MainWindow, QuickFilterAndFilterStringNarrowTheList)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    const int all = w.shownBssids().size();

    // The toolbar's quick filter, from the keyboard: the next item is open networks.
    QComboBox* quick = w.app->window()->toolbar().quickFilter;
    ASSERT_EQ(quick->currentIndex(), 0);
    QTest::keyClick(quick, Qt::Key_Down);
    EXPECT_EQ(quick->currentIndex(), 1);
    const auto open = w.app->filteredNetworks();
    EXPECT_GT(open.size(), 0);
    EXPECT_LT(open.size(), all);
    for (const auto& n : open)
        EXPECT_TRUE(n->isOpen()) << n->ssid().toStdString();

    QTest::keyClick(quick, Qt::Key_Up);
    ASSERT_EQ(quick->currentIndex(), 0);
    w.app->onFilter(QStringLiteral("5GHz"));
    const auto fiveGHz = w.app->filteredNetworks();
    EXPECT_GT(fiveGHz.size(), 0);
    for (const auto& n : fiveGHz)
        EXPECT_TRUE(n->is5GHz());
    EXPECT_EQ(w.app->window()->leftFooterLbl()->text(),
              QStringLiteral("Networks Found: %1, Displayed: %2 (%3%)")
                  .arg(all)
                  .arg(fiveGHz.size())
                  .arg(qint64(fiveGHz.size() * 100.0 / all + 0.5)));
}

TEST(MainWindow, WiFiOffAlert)
{
    struct Case { int answer; bool scanningAfter; };
    for (const Case c : {Case{1001, false}, Case{1000, true}}) {
        QString informative;
        Window w([&](const SVAlert& alert) {
            if (alert.messageText() != QStringLiteral("Wi-Fi is off. Do you want to turn it on?"))
                return 1001;
            informative = alert.informativeText();
            return c.answer;
        });
        ASSERT_TRUE(w.waitForTicks(2));
        const auto before = w.app->networks();
        CWError error;
        ASSERT_TRUE(w.app->currentInterface()->setPower(false, &error));
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.app->isScanning() != true || w.app->currentInterface()->powerOn(); },
                                    kEventBoundMs))
            << c.answer;
        EXPECT_EQ(w.app->isScanning(), c.scanningAfter) << c.answer;
        EXPECT_EQ(informative, QStringLiteral("Wi-Fi must be on to perform a scan for wireless networks."));
        EXPECT_EQ(w.app->currentInterface()->powerOn(), c.scanningAfter);
        if (c.scanningAfter) {
            // Switching the radio on restarted the loop on the same survey.
            ASSERT_NE(w.app->scanSession().engine(), nullptr);
            ASSERT_TRUE(w.waitForTicks(1));
            EXPECT_EQ(w.app->networks().first(), before.first());
        }
    }
}

TEST(MainWindow, WithoutAnInterfaceOnlyQuitting)
{
    if (!CWInterface::interfaceNames().isEmpty())
        GTEST_SKIP() << "this machine has a Wi-Fi interface";
    QStringList shown;
    SVAlert::setAutomaticResponder([&](const SVAlert& alert) {
        shown << alert.messageText();
        return 1000;
    });
    AppDelegate::Options options;
    options.simulateWithoutInterface = false;
    options.clock = std::make_shared<sv::ManualClock>();
    AppDelegate app(options);
    app.awakeFromNib();
    app.applicationWillFinishLaunching();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 2000));
    EXPECT_EQ(shown, QStringList{QStringLiteral("Unable to scan for wireless networks.")});
    EXPECT_EQ(app.currentInterface(), nullptr);
    EXPECT_FALSE(app.isScanning()); // nothing else starts
    SVAlert::setAutomaticResponder({});
}

// A survey opens on a machine without Wi-Fi, from the command line or from
// the no-interface sheet, and scanning stays unavailable.
TEST(MainWindow, WithoutAnInterfaceASurveyOpens)
{
    if (!CWInterface::interfaceNames().isEmpty())
        GTEST_SKIP() << "this machine has a Wi-Fi interface";
    QTemporaryDir dir;
    const QString survey = dir.filePath(QStringLiteral("field.skyvane"));
    auto record = std::make_shared<SVNetwork>(QVariantMap{{"bssid", "00:11:22:33:44:55"}, {"channelNumber", 6},
                                                          {"ssid", "Field"}, {"rssiValue", -50}});
    record->addDataPoint(SVDataPoint(-50, -92, -1, -1, QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC)));
    ASSERT_TRUE(SVDocument::write(survey, {record}, QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC)));

    struct Case {
        const char* name;
        bool launchOpensDocument;
        QList<int> answers;      // to the no-interface sheet, in turn
        QStringList panelPaths;  // chosen in the open panel, in turn
        int sheets, panels;
    };
    const Case cases[] = {
        {"from the command line", true, {}, {}, 0, 0},
        {"from the sheet", false, {SVAlert::SecondButtonReturn}, {survey}, 1, 1},
        {"the panel cancelled: the sheet again", false,
         {SVAlert::SecondButtonReturn, SVAlert::SecondButtonReturn}, {QString(), survey}, 2, 2},
    };
    for (const Case& c : cases) {
        QStringList buttons;
        int sheets = 0;
        SVAlert::setAutomaticResponder([&](const SVAlert& alert) {
            EXPECT_EQ(alert.messageText(), QStringLiteral("Unable to scan for wireless networks.")) << c.name;
            buttons.clear();
            for (const QPushButton* b : alert.alertButtons())
                buttons << b->text();
            return c.answers.value(sheets++, SVAlert::FirstButtonReturn);
        });
        AppDelegate::Options options;
        options.clock = std::make_shared<sv::ManualClock>();
        auto app = std::make_unique<AppDelegate>(options);
        int panels = 0;
        app->setOpenPanelResponder([&] { return c.panelPaths.value(panels++); });
        app->awakeFromNib();
        if (c.launchOpensDocument)
            app->setLaunchOpensDocument();
        app->applicationWillFinishLaunching();
        if (c.launchOpensDocument)
            app->applicationOpenFile(survey);
        EXPECT_TRUE(QTest::qWaitFor([&] { return app->networks().size() == 1 && !app->isOpening(); }, kEventBoundMs))
            << c.name;
        EXPECT_EQ(sheets, c.sheets) << c.name;
        EXPECT_EQ(panels, c.panels) << c.name;
        if (c.sheets > 0) {
            EXPECT_EQ(buttons, (QStringList{QStringLiteral("Quit"), QStringLiteral("Open Survey...")})) << c.name;
        }
        EXPECT_FALSE(app->window()->toolbar().scanButton->isEnabled()) << c.name << ": nothing to scan with";
        app->onScanStop(AppDelegate::ScanTag);
        EXPECT_FALSE(app->isScanning()) << c.name;
        sv::test::endWindow(app);
    }
}

// A survey given at launch that cannot be read is reported, and then the
// window offers what a launch without Wi-Fi offers instead of staying empty.
TEST(MainWindow, WithoutAnInterfaceASurveyThatCannotBeReadLeavesTheUsualChoice)
{
    if (!CWInterface::interfaceNames().isEmpty())
        GTEST_SKIP() << "this machine has a Wi-Fi interface";
    QTemporaryDir dir;
    const QString damaged = dir.filePath(QStringLiteral("damaged.skyvane"));
    sv::test::writeBytes(damaged, "not a survey");
    const QString foreign = dir.filePath(QStringLiteral("notes.txt"));
    sv::test::writeBytes(foreign, "text");
    for (const QString& path : {damaged, foreign}) {
        QStringList messages, buttons;
        SVAlert::setAutomaticResponder([&](const SVAlert& alert) {
            messages << alert.messageText();
            buttons.clear();
            for (const QPushButton* b : alert.alertButtons())
                buttons << b->text();
            return SVAlert::FirstButtonReturn;
        });
        AppDelegate::Options options;
        options.clock = std::make_shared<sv::ManualClock>();
        auto app = std::make_unique<AppDelegate>(options);
        app->awakeFromNib();
        app->setLaunchOpensDocument();
        app->applicationWillFinishLaunching();
        app->applicationOpenFile(path);
        EXPECT_TRUE(QTest::qWaitFor([&] { return messages.size() == 2; }, kEventBoundMs)) << qPrintable(path);
        EXPECT_EQ(messages.value(0), QStringLiteral("The file \"%1\" could not be read.").arg(QFileInfo(path).fileName()));
        EXPECT_EQ(messages.value(1), QStringLiteral("Unable to scan for wireless networks."));
        EXPECT_EQ(buttons, (QStringList{QStringLiteral("Quit"), QStringLiteral("Open Survey...")}));
        sv::test::endWindow(app);
    }
}

// A settings file the application cannot read at start is said to be
// unreadable, once; the saves that then cannot be made are not told again.
TEST(MainWindow, UnreadableSettingsAreToldOnceAsUnreadable)
{
    const QString file = sv::test::testHome() + QStringLiteral("/unreadable.conf");
    ASSERT_TRUE(QDir().mkpath(file)); // cannot be read, even by root
    sv::UserDefaults::setStandardUserDefaults(std::make_unique<sv::UserDefaults>(file));
    QStringList shown;
    {
        Window w([&](const SVAlert& alert) {
            shown << alert.messageText();
            return 1001;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, kEventBoundMs));
        sv::UserDefaults::standardUserDefaults().setInteger(1, QStringLiteral("Units"));
        EXPECT_FALSE(sv::UserDefaults::standardUserDefaults().synchronize());
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(shown, QStringList{QStringLiteral("The settings could not be read.")});
    sv::UserDefaults::setStandardUserDefaults(nullptr);
    QDir(file).removeRecursively();
}

TEST(MainWindow, RecentFiltersAreKept)
{
    // The settings store lives as long as the process: filters earlier
    // windows recorded would be listed too.
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(QStringLiteral("RecentFilters"));
    Window w;
    QLineEdit* field = w.app->window()->toolbar().filterField;
    for (const char* text : {"wpa2", "5GHz", "wpa2"}) {
        field->setText(QString::fromLatin1(text));
        QTest::keyClick(field, Qt::Key_Return);
    }
    EXPECT_EQ(defaults.stringArrayForKey(QStringLiteral("RecentFilters")),
              (QStringList{QStringLiteral("wpa2"), QStringLiteral("5GHz")}));
    defaults.removeObjectForKey(QStringLiteral("RecentFilters"));
}

TEST(MainWindow, AnnotationEditGoesToTheEditedRow)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    SVNetworksTableModel* model = w.app->networksModel();
    const int column = int(networkColumnIndex(QStringLiteral("ANNOTATIONS")));
    ASSERT_GE(column, 0);
    w.app->networksView()->selectionModel()->select(model->index(0, 0), QItemSelectionModel::ClearAndSelect |
                                                                            QItemSelectionModel::Rows);
    const auto selected = model->rowAt(0)->bestNetwork();
    const auto edited = model->rowAt(3)->bestNetwork();
    ASSERT_TRUE(model->setData(model->index(3, column), QStringLiteral("by the lift"), Qt::EditRole));
    EXPECT_EQ(edited->annotations(), QStringLiteral("by the lift"));
    EXPECT_TRUE(selected->annotations().isEmpty());
}

TEST(MainWindow, SignalThresholdFromFilterUsingKeys)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    const auto all = w.app->filteredNetworks().size();
    auto& center = sv::NotificationCenter::defaultCenter();
    auto& defaults = sv::UserDefaults::standardUserDefaults();

    center.post(AppDelegate::FilterUsingKeysNotification, {{QStringLiteral("SignalStrengthThreshold"), 50}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.app->signalStrengthThreshold() == 50; }, 2000));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("SignalStrengthThreshold")), 50);
    EXPECT_LT(w.app->filteredNetworks().size(), all);
    EXPECT_FALSE(w.app->window()->rightFooterLbl()->text().isEmpty()); // the threshold notice

    center.post(AppDelegate::FilterUsingKeysNotification, {{QStringLiteral("SignalStrengthThreshold"), 0}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.app->signalStrengthThreshold() == 0; }, 2000));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("SignalStrengthThreshold")), 0);
    EXPECT_TRUE(defaults.hasStoredValue(QStringLiteral("SignalStrengthThreshold")));
    EXPECT_EQ(w.app->filteredNetworks().size(), all);
}

TEST(MainWindow, ScanAndStopFollowTheScanningState)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    QAction* scan = w.menuAction(QStringLiteral("Scan"));
    QAction* stop = w.menuAction(QStringLiteral("Stop"));
    ASSERT_TRUE(scan && stop);
    EXPECT_FALSE(scan->isEnabled());
    EXPECT_TRUE(stop->isEnabled());

    // A shortcut reaches the handler without the menu being validated: Scan
    // while scanning must not restart and throw the survey away.
    const auto before = w.app->networks();
    ASSERT_GE(before.size(), 30);
    w.app->onScanStop(AppDelegate::ScanTag);
    EXPECT_TRUE(w.app->isScanning());
    EXPECT_EQ(w.app->networks(), before);

    w.app->onScanStop(AppDelegate::StopTag);
    EXPECT_FALSE(w.app->isScanning());
    EXPECT_TRUE(scan->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    w.app->onScanStop(AppDelegate::StopTag); // nothing to stop: the list stays
    EXPECT_EQ(w.app->networks().size(), before.size());
}

TEST(MainWindow, AMergeOfAnEarlierRunNeverComesBack)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    const auto old = w.app->networks();
    ASSERT_FALSE(old.isEmpty());
    // A merge deferred to the next pass of the event loop, then Stop and
    // Scan in the same pass.
    w.app->scan();
    w.app->doStop();
    w.app->doStart();
    QCoreApplication::processEvents();
    for (const auto& n : w.app->networks())
        EXPECT_FALSE(old.contains(n)) << n->bssid().toStdString();
    ASSERT_TRUE(w.waitForTicks(1));
    for (const auto& n : w.app->networks())
        EXPECT_FALSE(old.contains(n)) << n->bssid().toStdString();
}

TEST(MainWindow, APassEndingAfterStopLeavesNoTimerBehind)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(1));
    w.app->doStop();
    // The engine's last pass ended on its thread just before the stop; the
    // notice reaches the window after it.
    sv::NotificationCenter::defaultCenter().post(SVActiveScanEngine::ScanDidEndNotification);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.app->scanSession().state(), SVScanSession::State::Stopped);
    EXPECT_FALSE(w.app->isScanning());

    // The next start merges as soon as its own first pass ends.
    w.app->doStart();
    EXPECT_EQ(w.app->scanSession().state(), SVScanSession::State::Starting);
    ASSERT_TRUE(w.waitForTicks(1));
    EXPECT_EQ(w.app->scanSession().state(), SVScanSession::State::Scanning);
}

TEST(MainWindow, SamplingGoesOnWhileADialogIsOpen)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(1));
    QDialog about(w.app->window());
    about.setModal(true);
    about.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &about);
    EXPECT_TRUE(w.waitForTicks(3));
    about.close();
}

TEST(MainWindow, WakingClearsTheSleepMark)
{
    int asked = 0;
    Window w([&](const SVAlert& alert) {
        if (alert.messageText() == QStringLiteral("Wi-Fi is off. Do you want to turn it on?"))
            ++asked;
        return 1001; // keep it off
    });
    ASSERT_TRUE(w.waitForTicks(1));
    ASSERT_TRUE(QMetaObject::invokeMethod(w.app.get(), "prepareForSleep", Q_ARG(bool, true)));
    ASSERT_TRUE(QMetaObject::invokeMethod(w.app.get(), "prepareForSleep", Q_ARG(bool, false)));
    CWError error;
    ASSERT_TRUE(w.app->currentInterface()->setPower(false, &error));
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked > 0; }, kEventBoundMs));
}

TEST(MainWindow, SelectedNetworkIsTheSingleSelectedRow)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    w.selectRows({0});
    ASSERT_NE(w.app->selectedNetwork(), nullptr);
    EXPECT_EQ(w.app->selectedNetwork()->bssid(), w.shownBssids().first());
    w.selectRows({0, 1});
    EXPECT_EQ(w.app->selectedNetwork(), nullptr);

    // A reload that filters the selected row out runs the selection handler.
    const QString chosen = QStringLiteral("14:CC:20:5A:10:01");
    w.selectRows({w.rowOf(chosen)});
    ASSERT_NE(w.app->selectedNetwork(), nullptr);
    ASSERT_FALSE(w.app->window()->rightFooterLbl()->text().isEmpty()); // its elements
    w.app->onFilter(QStringLiteral("Nothing Has This Name"));
    EXPECT_EQ(w.app->selectedNetwork(), nullptr);
    EXPECT_TRUE(w.app->window()->rightFooterLbl()->text().isEmpty());
}

TEST(MainWindow, SidebarMovesOnlyWithUpAndDownAndKeepsItsPlace)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    SVSideView* side = w.app->sideView();
    SVSideViewModel* model = w.app->sideViewModel();
    // The first item of "Network Name".
    QModelIndex names;
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 0).data().toString() == QStringLiteral("Network Name"))
            names = model->index(row, 0);
    ASSERT_TRUE(names.isValid());
    ASSERT_GE(model->rowCount(names), 3);
    side->setFocus();
    side->selectionModel()->setCurrentIndex(model->index(0, 0, names),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCoreApplication::processEvents();
    const QString first = model->index(0, 0, names).data().toString();
    const int narrowed = w.app->filteredNetworks().size();

    // A letter does not jump to an item.
    QTest::keyClick(side, Qt::Key_V);
    QCoreApplication::processEvents();
    EXPECT_EQ(side->selectionModel()->selectedRows().value(0).data().toString(), first);
    EXPECT_EQ(w.app->filteredNetworks().size(), narrowed);

    // After the sidebar is rebuilt, Down goes on from the selected item.
    ASSERT_TRUE(w.waitForTicks(2));
    const QString second = model->index(1, 0, model->index(names.row(), 0)).data().toString();
    QTest::keyClick(side, Qt::Key_Down);
    QCoreApplication::processEvents();
    const QModelIndexList selected = side->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().data().toString(), second);
    EXPECT_TRUE(selected.first().parent().isValid()); // still an item, not the group row
}

TEST(MainWindow, TabBarPaneAndMenuAreOneState)
{
    Window w;
    SVMainWindow* window = w.app->window();
    auto checkedTab = [&] {
        for (int i = 0; i < SVMainWindow::TabCount; ++i) {
            QAction* a = w.menuAction(tabTitle(i));
            if (a && a->isChecked())
                return i;
        }
        return -1;
    };
    // The wheel and the keyboard move the bar's current tab, as a click does.
    for (int tab : {2, 1, 3, 0}) {
        window->tabViewControl()->setCurrentIndex(tab);
        EXPECT_EQ(window->tabView()->currentIndex(), tab);
        EXPECT_EQ(checkedTab(), tab);
    }
    w.menuAction(tabTitle(2))->trigger();
    EXPECT_EQ(window->tabViewControl()->currentIndex(), 2);
    EXPECT_EQ(window->tabView()->currentIndex(), 2);
}

TEST(MainWindow, AnOpenAnnotationEditorSurvivesTheRefresh)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    QTreeView* view = w.app->networksView();
    SVNetworksTableModel* model = w.app->networksModel();
    const int column = networkColumnIndex(QStringLiteral("ANNOTATIONS"));
    view->header()->setSectionHidden(column, false);
    const int row = w.rowOf(QStringLiteral("14:CC:20:5A:10:01"));
    ASSERT_GE(row, 0);
    const auto record = model->rowAt(row)->bestNetwork();
    view->edit(model->index(row, column));
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("by the li"));

    // Ticks, a new set of matched columns, Bigger text and Stop redraw every cell.
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->onFilter(QStringLiteral("Harbour"));
    w.app->onFilter(QString());
    w.menuAction(QStringLiteral("Bigger"))->trigger();
    w.app->doStop();
    ASSERT_TRUE(isEditingCell(*view));
    EXPECT_EQ(editor->text(), QStringLiteral("by the li"));

    editor->setText(QStringLiteral("by the lift"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(record->annotations(), QStringLiteral("by the lift"));
}

TEST(MainWindow, SidebarLookComesFromItsModel)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    SVSideView* side = w.app->sideView();
    SVSideViewModel* model = w.app->sideViewModel();
    side->resize(240, 600);
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    EXPECT_DOUBLE_EQ(side->font().pointSizeF(), defaults.doubleForKey(QStringLiteral("SideViewFontSize")));
    const QModelIndex band = model->index(1, 0);
    const QModelIndex item = model->index(0, 0, band);
    ASSERT_TRUE(side->isExpanded(band));
    const QImage image = side->viewport()->grab().toImage();

    auto hasColour = [&](const QRect& r, auto test) {
        for (int x = r.left(); x <= std::min(r.right(), r.left() + 40); ++x)
            for (int y = r.top(); y <= r.bottom(); ++y)
                if (test(image.pixelColor(x, y)))
                    return x - r.left();
        return -1;
    };
    // The item's yellow dot lies past its left margin of 12.
    const QRect itemRect = side->visualRect(item);
    const int dot = hasColour(itemRect, [](const QColor& c) { return c.red() > 200 && c.green() > 150 && c.blue() < 80; });
    EXPECT_GE(dot, 12);
    // The category carries its image; the group row none.
    EXPECT_FALSE(model->data(band, Qt::DecorationRole).isNull());
    EXPECT_TRUE(model->data(model->index(0, 0), Qt::DecorationRole).isNull());
    // The count stands 12 points from the right edge.
    const QModelIndex count = model->index(2, SVSideViewModel::DetailColumn);
    EXPECT_DOUBLE_EQ(model->data(count, SVSideViewModel::RightMarginRole).toDouble(), 12.0);
}

TEST(MainWindow, HidingAColumnHidesIt)
{
    Window w;
    QHeaderView* header = w.app->networksView()->header();
    const int vendor = networkColumnIndex(QStringLiteral("VENDOR"));
    header->setSectionHidden(vendor, true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(header->isSectionHidden(vendor));
    EXPECT_EQ(header->sectionSize(vendor), 0);
    header->setSectionHidden(vendor, false);
    EXPECT_GE(header->sectionSize(vendor), networkColumn(QStringLiteral("VENDOR"))->minWidth);
}

TEST(MainWindow, StartingWidthsHoldTheUsualContent)
{
    // Starting widths: no layout or text size kept from earlier windows.
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(QStringLiteral("NetworksTable"));
    defaults.removeObjectForKey(QStringLiteral("NetworksViewFontSize"));
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop(); // SEEN shows dates
    QTreeView* view = w.app->networksView();
    SVNetworksTableModel* model = w.app->networksModel();
    const QFontMetricsF metrics(view->font());
    for (const char* id : {"BSSID", "SSID", "SEEN", "SECURITY_MODE", "MAX_RATE"}) {
        const int column = networkColumnIndex(QString::fromLatin1(id));
        const int width = view->header()->sectionSize(column);
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, column);
            QFontMetricsF m(index.data(Qt::FontRole).value<QFont>());
            EXPECT_LE(m.horizontalAdvance(index.data().toString()), width - 10)
                << id << " " << index.data().toString().toStdString();
        }
    }
}

TEST(MainWindow, MinimumSizeKeepsTheControlsUsable)
{
    Window w;
    SVMainWindow* window = w.app->window();
    window->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_GE(window->width(), SVMainWindow::minimumWindowSize().width());
    EXPECT_GE(window->height(), SVMainWindow::minimumWindowSize().height());
    EXPECT_GE(window->minimumSize().height(), window->minimumSizeHint().height());
    QLabel* left = window->leftFooterLbl();
    QLabel* right = window->rightFooterLbl();
    left->show();
    right->show();
    left->setText(QStringLiteral("Networks Found: 320, Displayed: 320 (100%)"));
    right->setText(QStringLiteral("Information Elements: 25 (1234 bytes)"));
    window->resize(300, 200);
    QCoreApplication::processEvents();
    window->centralWidget()->layout()->activate();
    ASSERT_TRUE(left->isVisible() && right->isVisible());
    EXPECT_LE(left->geometry().left() + left->fontMetrics().horizontalAdvance(left->text()),
              right->geometry().right() - right->fontMetrics().horizontalAdvance(right->text()));
    EXPECT_LE(left->geometry().right(), right->geometry().left());
    QLineEdit* filter = window->toolbar().filterField;
    EXPECT_TRUE(filter->isVisible());
    EXPECT_GE(filter->width(), 80);

    // A narrow window narrows the sidebar; a wide one gives its width back.
    window->resize(1200, 700);
    window->toggleLeftArea();
    QCoreApplication::processEvents();
    window->verticalSplitView()->setSizes({260, 940});
    emit window->verticalSplitView()->splitterMoved(260, 1);
    const int chosen = window->verticalSplitView()->sizes().value(0);
    window->resize(SVMainWindow::minimumWindowSize());
    QCoreApplication::processEvents();
    EXPECT_LT(window->verticalSplitView()->sizes().value(0), chosen);
    window->resize(1200, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->verticalSplitView()->sizes().value(0), chosen);
}

TEST(MainWindow, SidebarDividerIsKept)
{
    QTemporaryDir dir;
    sv::UserDefaults defaults(dir.filePath(QStringLiteral("s.conf")));
    int width = 0;
    {
        SVMainWindow window;
        window.resize(1200, 700);
        window.show();
        window.toggleLeftArea();
        window.verticalSplitView()->setSizes({230, 970});
        width = window.verticalSplitView()->sizes().value(0);
        window.saveDividers(defaults);
    }
    SVMainWindow window;
    window.resize(1200, 700);
    window.show();
    window.restoreDividers(defaults);
    EXPECT_EQ(window.verticalSplitView()->sizes().value(0), width);
}

TEST(MainWindow, ScenarioThatCannotBePlayedIsNamedInASheet)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray content; // none: the file is missing
        const char* problem;
    } cases[] = {
        {"missing.json", QByteArray(), "cannot be read"},
        {"empty.json", QByteArray(""), "line"},
        {"broken.json", QByteArray("{\"power\": tru"), "line"},
        {"element.json", QByteArray(R"({"networks":[{"bssid":"00:11:22:33:44:55","channel":6,"ies":"0g"}]})"),
         "hexadecimal"},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        if (!c.content.isNull()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.content);
        }
        QString message, informative;
        SVAlert::setAutomaticResponder([&](const SVAlert& alert) {
            message = alert.messageText();
            informative = alert.informativeText();
            return 1000;
        });
        AppDelegate::Options options;
        options.scenarioPath = path;
        options.clock = std::make_shared<sv::ManualClock>();
        AppDelegate app(options);
        app.awakeFromNib();
        app.applicationWillFinishLaunching();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !message.isEmpty(); }, kEventBoundMs)) << c.name;
        EXPECT_EQ(message, QStringLiteral("Unable to play the scenario.")) << c.name;
        EXPECT_TRUE(informative.contains(path)) << informative.toStdString();
        EXPECT_TRUE(informative.contains(QString::fromLatin1(c.problem))) << informative.toStdString();
        EXPECT_FALSE(app.isScanning());
        SVAlert::setAutomaticResponder({});
        auto& vendors = SVVendorDatabaseHelper::sharedDatabase();
        QFile::remove(vendors.pathToDatabase());
        vendors.dropDatabase();
    }
}

TEST(MainWindow, ThresholdKeysReachTheFilterBeforeTheMenus)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    SVMainWindow* window = w.app->window();
    // An Alt+letter command of the window, as a menu mnemonic would be.
    int triggered = 0;
    auto* mnemonic = new QAction(window);
    mnemonic->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Q));
    QObject::connect(mnemonic, &QAction::triggered, [&] { ++triggered; });
    window->addAction(mnemonic);
    window->activateWindow();
    QTreeView* view = w.app->networksView();
    view->setFocus();

    struct Case {
        QWidget* target;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        qint64 threshold;
    } cases[] = {
        {view, Qt::Key_5, Qt::AltModifier, 50},
        {view, Qt::Key_Q, Qt::AltModifier, 15},
        {view, Qt::Key_Escape, Qt::NoModifier, 0},
        {window->tabViewControl(), Qt::Key_O, Qt::AltModifier, 95},
        {w.app->sideView(), Qt::Key_2, Qt::AltModifier, 20},
    };
    for (const Case& c : cases) {
        QTest::keyClick(c.target, c.key, c.modifiers);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.app->signalStrengthThreshold() == c.threshold; }, kEventBoundMs))
            << c.key;
    }
    EXPECT_EQ(triggered, 0);
    // A key outside the table, and Shift, go on as usual.
    QTest::keyClick(view, Qt::Key_5, Qt::AltModifier | Qt::ShiftModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.app->signalStrengthThreshold(), 20);
}

TEST(MainWindow, StartUpNamesVendorElementsFromTheVendorDatabase)
{
    // A WMM element of the Microsoft OUI.
    const SVInfoElement wmm(221, QByteArray::fromHex("0050f2020101000003a4000027a4000042435e0062322f00"));
    EXPECT_EQ(wmm.ieName(), QStringLiteral("Vendor Specific"));
    {
        Window w;
        const QString vendor = SVVendorDatabaseHelper::sharedDatabase().stringForVendor(QStringLiteral("00:50:F2"));
        ASSERT_FALSE(vendor.isEmpty());
        const SVInfoElement element(221, wmm.ieData());
        EXPECT_TRUE(element.ieName().startsWith(QStringLiteral("Vendor Specific (")));
        EXPECT_TRUE(element.ieName().contains(vendor.section(QLatin1Char(' '), 0, 0).section(QLatin1Char(','), 0, 0),
                                              Qt::CaseInsensitive))
            << element.ieName().toStdString() << " / " << vendor.toStdString();
    }
    // The window's end takes its lookup with it.
    EXPECT_EQ(SVInfoElement(221, wmm.ieData()).ieName(), QStringLiteral("Vendor Specific"));
}

TEST(MainWindow, ACutCellShowsItsWholeTextAsTooltip)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    QTreeView* view = w.app->networksView();
    SVNetworksTableModel* model = w.app->networksModel();
    const int ssid = networkColumnIndex(QStringLiteral("SSID"));
    const int row = w.rowOf(QStringLiteral("14:CC:20:5A:10:01"));
    ASSERT_GE(row, 0);
    const QModelIndex index = model->index(row, ssid);
    auto tooltipAt = [&] {
        QToolTip::hideText();
        const QPoint at = view->visualRect(index).center();
        QHelpEvent event(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_TRUE(tooltipAt().isEmpty()); // the whole name fits
    view->header()->resizeSection(ssid, 50);
    EXPECT_EQ(tooltipAt(), QStringLiteral("Harbour-Office"));
}

TEST(MainWindow, DoubleClickEditsTheRecordItsFirstClickPressed)
{
    Window w;
    QTreeView* view = w.tableSortedBySignal();
    ASSERT_NE(view, nullptr);
    SVNetworksTableModel* model = w.app->networksModel();
    const int annotations = networkColumnIndex(QStringLiteral("ANNOTATIONS"));
    view->header()->setSectionHidden(annotations, false);
    view->header()->moveSection(view->header()->visualIndex(annotations), 0);
    const int row = 3;
    const QPoint at = view->visualRect(model->index(row, annotations)).center();
    const auto pressed = model->rowAt(row)->bestNetwork();

    const quint64 t0 = 1000;
    sendMouse(view->viewport(), QEvent::MouseButtonPress, at, t0);
    sendMouse(view->viewport(), QEvent::MouseButtonRelease, at, t0 + 60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowAt(row)->bestNetwork() != pressed; }, kEventBoundMs));
    const auto neighbour = model->rowAt(row)->bestNetwork();
    sendMouse(view->viewport(), QEvent::MouseButtonPress, at, t0 + 120);
    sendMouse(view->viewport(), QEvent::MouseButtonDblClick, at, t0 + 120);
    sendMouse(view->viewport(), QEvent::MouseButtonRelease, at, t0 + 180);
    ASSERT_TRUE(isEditingCell(*view));
    EXPECT_EQ(w.selectedBssids(), QStringList{pressed->bssid()});
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);

    // Ticks and a new sort order while the editor is open: the note still
    // goes onto the record it was opened for.
    ASSERT_TRUE(w.waitForTicks(2));
    view->sortByColumn(networkColumnIndex(QStringLiteral("SSID")), Qt::AscendingOrder);
    editor->setText(QStringLiteral("by the lift"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(pressed->annotations(), QStringLiteral("by the lift"));
    EXPECT_TRUE(neighbour->annotations().isEmpty());
}

TEST(MainWindow, RowsHoldStillWhileAButtonIsDownOnThem)
{
    Window w;
    QTreeView* view = w.tableSortedBySignal();
    ASSERT_NE(view, nullptr);
    SVNetworksTableModel* model = w.app->networksModel();
    const QPoint at = view->visualRect(model->index(3, 0)).center();
    // A drag that selects from the pressed row must not start from another record.
    sendMouse(view->viewport(), QEvent::MouseButtonPress, at, 1000);
    const QStringList held = w.shownBssids();
    ASSERT_TRUE(w.waitForTicks(4));
    EXPECT_EQ(w.shownBssids(), held);
    sendMouse(view->viewport(), QEvent::MouseButtonRelease, at, 1100);
    EXPECT_EQ(w.selectedBssids(), QStringList{held[3]});
}

TEST(MainWindow, SidebarKeepsItsScrollPositionAcrossRebuilds)
{
    Window w;
    w.app->window()->resize(w.app->window()->minimumSize());
    ASSERT_TRUE(w.waitForTicks(2));
    SVSideView* side = w.app->sideView();
    SVSideViewModel* model = w.app->sideViewModel();
    QScrollBar* bar = side->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 4);
    // Nothing selected, then an item near the top selected and scrolled away from.
    for (const bool selected : {false, true}) {
        SCOPED_TRACE(selected ? "selected" : "nothing selected");
        if (selected) {
            const QModelIndex names = model->index(2, 0); // "Network Name"
            side->selectionModel()->setCurrentIndex(model->index(0, 0, names),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            QCoreApplication::processEvents();
        }
        bar->setValue(bar->maximum() / 2);
        const int place = bar->value();
        ASSERT_TRUE(w.waitForTicks(3));
        EXPECT_EQ(bar->value(), place);
    }
}

TEST(MainWindow, SelectionSurvivesASettingsChange)
{
    Window w;
    const QString chosen = w.selectSteadyNetwork();
    ASSERT_FALSE(chosen.isEmpty());
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    for (const qint64 units : {1, 0}) {
        defaults.setInteger(units, QStringLiteral("Units"));
        w.app->valuesDidChange();
        EXPECT_EQ(w.selectedBssids(), QStringList{chosen}) << units;
        ASSERT_NE(w.app->selectedNetwork(), nullptr);
        EXPECT_EQ(w.app->selectedNetwork()->bssid(), chosen);
    }
}

TEST(MainWindow, SecondaryClickInTheSidebarKeepsTheFilterAndTheSelection)
{
    Window w;
    const QString chosen = w.selectSteadyNetwork();
    ASSERT_FALSE(chosen.isEmpty());
    const auto shown = w.app->filteredNetworks().size();
    SVSideView* side = w.app->sideView();
    const QModelIndex names = w.app->sideViewModel()->index(2, 0);
    const QModelIndex leaf = w.app->sideViewModel()->index(0, 0, names);
    ASSERT_TRUE(leaf.isValid());
    side->scrollTo(leaf);
    const QPoint at = side->visualRect(leaf).center();
    QTest::mousePress(side->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(side->viewport(), Qt::RightButton, {}, at);
    QCoreApplication::processEvents();
    EXPECT_TRUE(side->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(w.app->filteredNetworks().size(), shown);
    EXPECT_EQ(w.selectedBssids(), QStringList{chosen});
}

// A signal or --quit-after may come with nobody there: the saves of the end
// that fail are logged, and no alert about them holds the end up.
TEST(MainWindow, EndingUnattendedAsksNothingWhenTheSavesFail)
{
    int asked = 0;
    Window w([&asked](const SVAlert&) {
        ++asked;
        return SVAlert::FirstButtonReturn;
    });
    ASSERT_TRUE(w.waitForTicks(1));
    sv::UserDefaults::standardUserDefaults().setInteger(7, QStringLiteral("SomethingToSave"));
    sv::setFileWriterFaultHook([](sv::FileWriterStep, qint64) { return ENOSPC; });
    w.app->terminateUnattended();
    w.app->applicationWillTerminate(); // what the end of the event loop runs
    sv::setFileWriterFaultHook({});
    EXPECT_EQ(asked, 0);
    sv::UserDefaults::standardUserDefaults().removeObjectForKey(QStringLiteral("SomethingToSave"));
}
