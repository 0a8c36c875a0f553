#include "../model/Beacon.h"
#include "support/QStringPrinter.h"

#include "app/AppDelegate.h"
#include "app/WindowFixture.h"
#include "app/SVInspectController.h"
#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "app/SVMenuValidation.h"
#include "app/SVNetworkDetailsPane.h"
#include "app/SVUpdater.h"
#include "model/SVNetwork.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "preferences/MKColorWell.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVAdvancedDetailsView.h"
#include "views/SVElementTreeModel.h"

#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace beacon;

namespace {

const QDateTime kStart(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

std::shared_ptr<SVNetwork> record(const QVariantMap& dictionary, std::initializer_list<std::pair<int, int>> samples)
{
    auto n = SVNetwork::initWithDictionary(dictionary);
    int t = 0;
    for (auto [r, s] : samples)
        n->addDataPoint(SVDataPoint(r, s, -1, -1, kStart.addSecs(t++)));
    return n;
}

QVariantMap withoutKey(QVariantMap map, const char* key)
{
    map.remove(QLatin1String(key));
    return map;
}

} // namespace

TEST(NetworkDetailsTest, QualityWordsAtTheirBoundaries)
{
    const struct {
        qint64 snr;
        const char* word;
        bool warning;
    } cases[] = {
        {90, "Excellent", false}, {41, "Excellent", false}, {40, "Good", false}, {26, "Good", false},
        {25, "Poor", true},       {16, "Poor", true},       {15, "Very Poor", true}, {11, "Very Poor", true},
        {10, "Extremely Poor", true}, {-5, "Extremely Poor", true},
    };
    for (const auto& c : cases) {
        bool warning = !c.warning;
        EXPECT_EQ(signalQualityWord(c.snr, &warning), QLatin1String(c.word)) << c.snr;
        EXPECT_EQ(warning, c.warning) << c.snr;
    }
}

TEST(NetworkDetailsTest, TextsOfRecords)
{
    const QByteArray secure = ssid("Office") + aRates() + rsn({4}, {2});
    const auto wpa2 = record(scan(36, secure, 4, QStringLiteral("00:1b:63:aa:bb:01")), {{-60, -95}, {-80, -95}, {-70, -95}});

    // Percent units: every level through the signal-quality curve.
    SVNetworkDetailsTexts t = networkDetailsTexts(*wpa2, 0, true);
    EXPECT_EQ(t.bssid, "00:1B:63:AA:BB:01");
    EXPECT_EQ(t.ssid, "Office");
    EXPECT_EQ(t.rssi, "50%");
    EXPECT_EQ(t.noise, "1%");
    EXPECT_EQ(t.rssiAvg, "50%/30%/66%");
    EXPECT_EQ(t.snr, "25 dB");
    EXPECT_EQ(t.snrAvg, "25/15/35 dB");
    EXPECT_EQ(t.signalQuality, "Poor");
    EXPECT_TRUE(t.signalQualityWarning);
    EXPECT_FALSE(t.greyedFigures);
    EXPECT_EQ(t.mode, "802.11a");
    EXPECT_TRUE(t.showPadlock);
    EXPECT_TRUE(t.showEncryption);
    EXPECT_EQ(t.encryption, wpa2->cipher());
    EXPECT_FALSE(t.encryption.isEmpty());
    EXPECT_EQ(t.maxRate, "54 Mbps");
    EXPECT_EQ(t.maxRateToolTip, wpa2->humanReadableDataRates() + " Mbps");
    EXPECT_EQ(t.basicRates, wpa2->humanReadableBasicDataRates() + " Mbps");
    EXPECT_TRUE(t.showBeaconInterval);
    EXPECT_EQ(t.beaconInterval, "102.4 ms");
    EXPECT_EQ(t.wps, "Not Detected");
    EXPECT_EQ(t.color, wpa2->color());

    // dBm units.
    t = networkDetailsTexts(*wpa2, 1, true);
    EXPECT_EQ(t.rssi, "-70 dBm");
    EXPECT_EQ(t.rssiAvg, "-70/-80/-60 dBm");
    EXPECT_EQ(t.noiseAvg, "-95/-95/-95 dBm");
    EXPECT_EQ(t.snr, "25 dB");

    // Missing from the latest scan: "No Signal" and grey figures while
    // scanning, the word again once scanning stopped.
    wpa2->setLastSeenElapsedSeconds(5);
    t = networkDetailsTexts(*wpa2, 1, true);
    EXPECT_EQ(t.signalQuality, "No Signal");
    EXPECT_TRUE(t.noSignal);
    EXPECT_TRUE(t.greyedFigures);
    EXPECT_FALSE(t.signalQualityWarning);
    t = networkDetailsTexts(*wpa2, 1, false);
    EXPECT_EQ(t.signalQuality, "Poor");
    EXPECT_FALSE(t.greyedFigures);

    // A level with no signal reads 0% and -120 dBm.
    const auto silent = record(scan(6, ssid("Quiet")), {{-120, -120}});
    EXPECT_EQ(networkDetailsTexts(*silent, 0, false).rssi, "0%");
    EXPECT_EQ(networkDetailsTexts(*silent, 1, false).rssi, "-120 dBm");

    // Open: no padlock, no cipher; WEP: padlock but no cipher; no beacon
    // interval hides its caption; no rates leave the rate texts empty.
    const auto open = record(withoutKey(scan(6, ssid("Cafe")), "beaconInterval"), {{-50, -95}});
    t = networkDetailsTexts(*open, 1, false);
    EXPECT_FALSE(t.showPadlock);
    EXPECT_FALSE(t.showEncryption);
    EXPECT_EQ(t.encryption, "");
    EXPECT_FALSE(t.showBeaconInterval);
    EXPECT_EQ(t.beaconInterval, "");
    EXPECT_EQ(t.maxRate, "");
    EXPECT_EQ(t.maxRateToolTip, "");
    EXPECT_EQ(t.basicRates, "");
    EXPECT_EQ(t.signalQuality, "Excellent");
    const auto wep = record(scan(6, ssid("Old"), 1), {{-50, -95}});
    t = networkDetailsTexts(*wep, 1, false);
    EXPECT_TRUE(t.showPadlock);
    EXPECT_FALSE(t.showEncryption);
    EXPECT_EQ(t.encryption, "");
}

TEST(NetworkDetailsTest, PaneShowsPlaceholderWithoutARecordAndPlacesTheChart)
{
    SVNetworkDetailsPane pane;
    auto* chart = new QWidget;
    pane.setChartView(chart);
    EXPECT_EQ(pane.chartView(), chart);
    EXPECT_TRUE(pane.isAncestorOf(chart));

    EXPECT_TRUE(pane.isShowingPlaceholder());
    const auto n = record(scan(36, ssid("Office") + rsn({4}, {2}), 4), {{-70, -95}});
    pane.configure(n, 1, false);
    EXPECT_FALSE(pane.isShowingPlaceholder());
    EXPECT_EQ(pane.label("ssidLbl")->text(), "Office");
    EXPECT_EQ(pane.label("rssiLbl")->text(), "-70 dBm");
    EXPECT_FALSE(pane.networkColorWell()->isHidden());
    EXPECT_EQ(pane.networkColorWell()->color(), n->color());
    EXPECT_FALSE(pane.securityIcon()->isHidden());

    pane.configure(nullptr, 1, false);
    EXPECT_TRUE(pane.isShowingPlaceholder());
    for (const char* name : {"ssidLbl", "bssidLbl", "vendorLbl", "rssiLbl", "signalQualityLbl", "encryptionLbl"})
        EXPECT_EQ(pane.label(name)->text(), "") << name;
    EXPECT_TRUE(pane.networkColorWell()->isHidden());
    EXPECT_TRUE(pane.securityIcon()->isHidden());
    EXPECT_TRUE(pane.signalQualityIcon()->isHidden());
}

TEST(MenuValidationTest, Rules)
{
    using C = SVMenuCommand;
    SVMenuState empty;
    SVMenuState full;
    full.hasNetworks = full.hasFilteredNetworks = full.hasHighlightedNetwork = full.hasUnsavedResults = true;
    const SVMenuState::Span atMax{10, 1, 10}, atMin{1, 1, 10}, between{5, 1, 10};
    auto onTab = [](SVMenuState s, int tab, std::optional<SVMenuState::Span> span = std::nullopt) {
        s.selectedTab = tab;
        s.graphSpan = span;
        return s;
    };
    auto responder = [](SVFirstResponder r, bool rowsSelected = true) {
        SVMenuState s;
        s.firstResponder = r;
        s.hasSelectedRows = rowsSelected;
        return s;
    };
    const auto item = [](C command, int tag = 0, const char* column = "", bool outlineColumn = false) {
        SVMenuItemInfo i;
        i.command = command;
        i.tag = tag;
        i.columnIdentifier = QString::fromLatin1(column);
        i.columnIsOutlineColumn = outlineColumn;
        return i;
    };
    const struct {
        const char* name;
        SVMenuItemInfo item;
        SVMenuState state;
        bool enabled;
    } cases[] = {
        {"export all, none", item(C::ExportAllNetworks), empty, false},
        {"export all", item(C::ExportAllNetworks), full, true},
        {"export displayed, none", item(C::ExportDisplayedNetworks), empty, false},
        {"export displayed", item(C::ExportDisplayedNetworks), full, true},
        {"export selected, none highlighted", item(C::ExportSelectedNetworks), empty, false},
        {"export selected", item(C::ExportSelectedNetworks), full, true},
        {"graph metric on details", item(C::ViewGraph, 3001), onTab(empty, 0), true},
        {"graph metric elsewhere", item(C::ViewGraph, 3002), onTab(empty, 1), false},
        {"timescale on spectrum", item(C::ViewTimescale, 4001), onTab(empty, 2, between), false},
        {"shorter span on spectrum", item(C::ViewTimescale, 4002), onTab(empty, 2, between), false},
        {"longer span at maximum", item(C::ViewTimescale, 4001), onTab(empty, 1, atMax), false},
        {"shorter span at maximum", item(C::ViewTimescale, 4002), onTab(empty, 1, atMax), true},
        {"shorter span at minimum", item(C::ViewTimescale, 4002), onTab(empty, 0, atMin), false},
        {"longer span at minimum", item(C::ViewTimescale, 4001), onTab(empty, 0, atMin), true},
        {"other timescale tag", item(C::ViewTimescale, 4003), onTab(empty, 0, between), true},
        {"timescale without a graph", item(C::ViewTimescale, 4001), onTab(empty, 0), false},
        {"element column ie", item(C::TableColumn, 0, "ie"), empty, false},
        {"element column fields", item(C::TableColumn, 0, "fields"), empty, false},
        {"outline column", item(C::TableColumn, 0, "BSSID", true), empty, false},
        {"other column", item(C::TableColumn, 0, "SSID"), empty, true},
        {"save as, nothing new", item(C::SaveAs), empty, false},
        {"save as", item(C::SaveAs), full, true},
        {"copy in the table", item(C::Copy), responder(SVFirstResponder::NetworksOutline), true},
        {"copy in the sidebar", item(C::Copy), responder(SVFirstResponder::Sidebar), false},
        {"copy in the element tree", item(C::Copy), responder(SVFirstResponder::ElementOutline), false},
        {"copy in the table, nothing selected", item(C::Copy), responder(SVFirstResponder::NetworksOutline, false), false},
        {"copy from another view", item(C::Copy), responder(SVFirstResponder::Other), false},
        {"paste", item(C::Paste), full, false},
        {"anything else", item(C::Other), empty, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(validateMenuItem(c.item, c.state).enabled, c.enabled) << c.name;

    // Column items carry the column's visibility as their check mark.
    SVMenuItemInfo column = item(C::TableColumn, 0, "SSID");
    column.columnVisible = true;
    EXPECT_EQ(validateMenuItem(column, empty).checked, true);
    column.columnVisible = false;
    EXPECT_EQ(validateMenuItem(column, empty).checked, false);
    EXPECT_FALSE(validateMenuItem(item(C::Copy), empty).checked.has_value());
}

TEST(MenuValidationTest, ItemsAreCheckedWhenTheMenuOpensAndWhenTriggered)
{
    SVMenuValidator validator;
    QMenu menu;
    bool allowed = false;
    int runs = 0;
    QAction* action = menu.addAction(QStringLiteral("Command"));
    validator.add(action, [&] { return SVMenuValidation{allowed, {}}; }, [&] { ++runs; });
    validator.watch(&menu);

    emit menu.aboutToShow();
    EXPECT_FALSE(action->isEnabled());
    emit menu.aboutToHide();
    // Between menus the shortcut reaches the second check, which refuses.
    EXPECT_TRUE(action->isEnabled());
    action->trigger();
    EXPECT_EQ(runs, 0);

    allowed = true;
    emit menu.aboutToShow();
    EXPECT_TRUE(action->isEnabled());
    action->trigger();
    EXPECT_EQ(runs, 1);
}

TEST(UpdaterTest, TellsHowThisCopyIsUpdated)
{
    const QString tree = sv::test::testHome() + QStringLiteral("/checkout/build/plain");
    QDir().mkpath(tree + QStringLiteral("/src/app"));
    sv::test::writeBytes(tree + QStringLiteral("/CMakeCache.txt"), "x");
    EXPECT_EQ(SVUpdater::originOf(QStringLiteral("/usr/bin/skyvane"), false), SVUpdater::Origin::Package);
    EXPECT_EQ(SVUpdater::originOf(tree + QStringLiteral("/src/app/skyvane"), false), SVUpdater::Origin::SourceBuild);
    EXPECT_EQ(SVUpdater::originOf(QStringLiteral("/usr/bin/skyvane"), true), SVUpdater::Origin::Portable);
    EXPECT_EQ(SVUpdater::originOf(sv::test::testHome() + QStringLiteral("/elsewhere/skyvane"), false),
              SVUpdater::Origin::Unknown);
    for (auto origin : {SVUpdater::Origin::Package, SVUpdater::Origin::SourceBuild, SVUpdater::Origin::Portable,
                        SVUpdater::Origin::Unknown})
        EXPECT_FALSE(SVUpdater::explanation(origin).isEmpty());

    // Started beneath another portable application, this build inherits its
    // APPIMAGE and APPDIR: it is still a build from source, not that image.
    const QString image = sv::test::testHome() + QStringLiteral("/Downloads/Other.AppImage");
    QDir().mkpath(QFileInfo(image).absolutePath());
    sv::test::writeBytes(image, "x");
    const QByteArray savedImage = qgetenv("APPIMAGE"), savedDir = qgetenv("APPDIR");
    qputenv("APPIMAGE", QFile::encodeName(image));
    qputenv("APPDIR", QFile::encodeName(sv::test::testHome()));
    EXPECT_NE(SVUpdater::sharedUpdater().origin(), SVUpdater::Origin::Portable);
    savedImage.isNull() ? qunsetenv("APPIMAGE") : qputenv("APPIMAGE", savedImage);
    savedDir.isNull() ? qunsetenv("APPDIR") : qputenv("APPDIR", savedDir);
}

// ---- the window ----

namespace {

struct InspectWindow {
    InspectWindow()
    {
        SVAlert::setAutomaticResponder([](const SVAlert&) { return 1000; });
        app = sv::test::makeWindow();
        app->applicationWillFinishLaunching();
        inspect = app->inspect();
    }
    ~InspectWindow()
    {
        sv::test::endWindow(app);
    }
    bool waitForNetworks(int n = 3)
    {
        return QTest::qWaitFor([&] { return app->networksModel()->rows().size() >= n; }, 60000);
    }
    void selectRows(std::initializer_list<int> rows)
    {
        QItemSelectionModel* s = app->networksView()->selectionModel();
        s->clearSelection();
        for (int r : rows)
            s->select(app->networksModel()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::unique_ptr<AppDelegate> app;
    SVInspectController* inspect = nullptr;
};

} // namespace

TEST(InspectWindowTest, DetailsFollowTheSingleSelectedRow)
{
    InspectWindow w;
    ASSERT_TRUE(w.waitForNetworks());
    w.app->selectGraph(SVMainWindow::NetworkDetailsTab);
    SVNetworkDetailsPane* pane = w.inspect->detailsPane();
    w.selectRows({});
    EXPECT_TRUE(pane->isShowingPlaceholder());

    w.selectRows({1});
    const QString bssid = w.app->networksModel()->rowAt(1)->bssidValue();
    EXPECT_FALSE(pane->isShowingPlaceholder());
    EXPECT_EQ(pane->label("bssidLbl")->text(), bssid);

    // Two rows: nothing singly selected, so nothing is shown.
    w.selectRows({1, 2});
    EXPECT_TRUE(pane->isShowingPlaceholder());
    EXPECT_EQ(w.inspect->inspectedNetwork(), nullptr);

    // A record that left the list is never shown.
    w.selectRows({1});
    ASSERT_NE(w.inspect->inspectedNetwork(), nullptr);
    w.app->onFilter(QStringLiteral("no-such-network-anywhere"));
    EXPECT_EQ(w.inspect->inspectedNetwork(), nullptr);
    EXPECT_TRUE(pane->isShowingPlaceholder());
}

TEST(InspectWindowTest, ElementTreeShowsTheSelectedNetworksElements)
{
    InspectWindow w;
    ASSERT_TRUE(w.waitForNetworks());
    w.app->selectGraph(SVMainWindow::AdvancedDetailsTab);
    w.selectRows({0});
    const auto n = w.inspect->inspectedNetwork();
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(w.inspect->elementModel()->rowCount(), int(n->informationElements().size()));
    w.selectRows({});
    EXPECT_EQ(w.inspect->elementModel()->rowCount(), 0);
}

TEST(InspectWindowTest, ChosenColourIsKeptPerBssidAndSurvivesARestart)
{
    const QString file = sv::test::testHome() + QStringLiteral("/colours.conf");
    QFile::remove(file);
    sv::UserDefaults::setStandardUserDefaults(std::make_unique<sv::UserDefaults>(file));
    const QColor chosen = MKColorSwatches::colors().at(13);
    QString bssid;
    {
        InspectWindow w;
        ASSERT_TRUE(w.waitForNetworks());
        w.app->selectGraph(SVMainWindow::NetworkDetailsTab);
        w.selectRows({2});
        const auto n = w.inspect->inspectedNetwork();
        ASSERT_NE(n, nullptr);
        bssid = n->bssid();
        // Through the well, as the user picks it.
        w.inspect->detailsPane()->networkColorWell()->setColorAndClose(chosen);
        EXPECT_EQ(n->color(), chosen);
        EXPECT_TRUE(sv::UserDefaults::standardUserDefaults().synchronize());
    }
    // A new process: a fresh store over the same file, and a new record.
    sv::UserDefaults::setStandardUserDefaults(std::make_unique<sv::UserDefaults>(file));
    const auto again = SVNetwork::initWithDictionary(scan(6, ssid("x"), 4, bssid.toLower()));
    EXPECT_EQ(again->color().rgba(), chosen.rgba());
    const auto other = SVNetwork::initWithDictionary(scan(6, ssid("y"), 4, QStringLiteral("02:00:00:00:00:99")));
    EXPECT_EQ(sv::UserDefaults::standardUserDefaults().dictionaryForKey("UserDefinedColors").size(), 1);
    Q_UNUSED(other);
    sv::UserDefaults::setStandardUserDefaults(nullptr);
}

TEST(InspectWindowTest, ColourPopoverNeverColoursAnotherNetwork)
{
    InspectWindow w;
    ASSERT_TRUE(w.waitForNetworks());
    w.app->doStop();
    w.app->selectGraph(SVMainWindow::NetworkDetailsTab);
    MKColorWell* well = w.inspect->detailsPane()->networkColorWell();
    w.selectRows({2});
    const auto first = w.inspect->inspectedNetwork();
    ASSERT_NE(first, nullptr);
    const QColor before = first->color();
    QTest::mouseClick(well, Qt::LeftButton);
    ASSERT_TRUE(well->isPopoverShown());

    // Another network comes up under the open popover: it closes, and a
    // pick meant for the first network is not applied to the second.
    w.selectRows({3});
    const auto second = w.inspect->inspectedNetwork();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(well->isPopoverShown());
    const QColor secondBefore = second->color();
    w.inspect->userDidSelectColor(MKColorSwatches::colors().at(13), first->bssid());
    EXPECT_EQ(second->color(), secondBefore);
    EXPECT_EQ(first->color(), before);
}

TEST(InspectWindowTest, MetricAndTimescaleCommands)
{
    InspectWindow w;
    SVInspectController& in = *w.inspect;
    double span = 5;
    bool signal = true, noise = false;
    in.setGraphControls(0, {[&] { return span; }, [] { return 1.0; }, [] { return 10.0; },
                            [&](double d) { span += d; }, [&](bool s, bool nz) { signal = s, noise = nz; }, {}, {}, {}});

    // View > Graph is offered on the details tab only.
    w.app->selectGraph(SVMainWindow::NetworkDetailsTab);
    in.metricAction(3002)->trigger();
    EXPECT_TRUE(signal);
    EXPECT_TRUE(noise);
    EXPECT_EQ(in.metricPopUp()->currentIndex(), 1);
    EXPECT_TRUE(in.metricAction(3002)->isChecked());
    EXPECT_FALSE(in.metricAction(3001)->isChecked());
    in.metricPopUp()->activated(2);
    EXPECT_FALSE(signal);
    EXPECT_TRUE(in.metricAction(3003)->isChecked());
    EXPECT_FALSE(in.metricAction(3002)->isChecked());

    in.timescaleAction(4001)->trigger();
    EXPECT_DOUBLE_EQ(span, 5.2);
    span = 10; // at its longest: the longer-span command is refused
    in.timescaleAction(4001)->trigger();
    EXPECT_DOUBLE_EQ(span, 10);
    in.timescaleAction(4002)->trigger();
    EXPECT_DOUBLE_EQ(span, 9.8);
    w.app->selectGraph(SVMainWindow::SpectrumTab);
    in.timescaleAction(4002)->trigger();
    EXPECT_DOUBLE_EQ(span, 9.8);
}

TEST(InspectWindowTest, HelpCommandsOpenTheirPages)
{
    InspectWindow w;
    QList<QUrl> opened;
    SVInspectController::setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    QMenu* help = nullptr;
    for (QMenu* m : w.app->window()->findChildren<QMenu*>())
        if (m->title() == QStringLiteral("&Help"))
            help = m;
    ASSERT_NE(help, nullptr);
    for (QAction* a : help->actions())
        if (a->text().startsWith(QStringLiteral("Skyvane ")))
            a->trigger();
    SVInspectController::setUrlOpener({});
    EXPECT_EQ(opened, (QList<QUrl>{SVHelpPages::Support, SVHelpPages::Twitter, SVHelpPages::Facebook}));
}

TEST(InspectWindowTest, EscapeInTheFilterFieldClearsItAndHandsTheKeysToTheTable)
{
    InspectWindow w;
    SVMainWindow* window = w.app->window();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.app->filteredNetworks().isEmpty(); }, 60000));
    QLineEdit* field = window->toolbar().filterField;
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 60000));
    QTest::keyClicks(field, QStringLiteral("no-such-network"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.app->filteredNetworks().isEmpty(); }, 60000));
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 60000));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_FALSE(w.app->filteredNetworks().isEmpty());
    EXPECT_TRUE(w.app->networksView()->hasFocus());
}

TEST(InspectWindowTest, HidingColumnsTakesTheirTextsOffTheGraphs)
{
    InspectWindow w;
    std::optional<bool> signalNames, spectrumNames, spectrumNotes;
    SVGraphControls signal;
    signal.setShowsDeviceNames = [&](bool on) { signalNames = on; };
    SVGraphControls spectrum;
    spectrum.setShowsDeviceNames = [&](bool on) { spectrumNames = on; };
    spectrum.setShowsAnnotations = [&](bool on) { spectrumNotes = on; };
    w.inspect->setGraphControls(1, signal);
    w.inspect->setGraphControls(2, spectrum);

    // From the table header's menu; a column hidden already is shown first.
    for (const char* id : {"DEVICE_NAME", "ANNOTATIONS"}) {
        sv::test::setColumnShown(*w.app, QLatin1String(id), true);
        sv::test::setColumnShown(*w.app, QLatin1String(id), false);
    }
    EXPECT_EQ(signalNames, false);
    EXPECT_EQ(spectrumNames, false);
    EXPECT_EQ(spectrumNotes, false);
    sv::test::setColumnShown(*w.app, QStringLiteral("DEVICE_NAME"), true);
    EXPECT_EQ(signalNames, true);
    EXPECT_EQ(spectrumNames, true);
    EXPECT_EQ(spectrumNotes, false);
}
