#include "app/AppDelegate.h"
#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "elements/SVInfoElement.h"
#include "model/SVActiveScanEngine.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "platform/wlan/CWError.h"
#include "platform/wlan/CWInterface.h"
#include "views/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"

#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

QString shippedScenario()
{
    return sv::resourcePath(QStringLiteral("scenarios/office.json"));
}

// The window on the shipped scenario, scanning on a clock that does not wait.
struct Window {
    explicit Window(std::function<int(const SVAlert&)> responder = [](const SVAlert&) { return 1001; })
    {
        SVAlert::setAutomaticResponder(std::move(responder));
        AppDelegate::Options options;
        options.scenarioPath = shippedScenario();
        options.clock = std::make_shared<sv::ManualClock>();
        options.scanTimerIntervalMs = 20;
        app = std::make_unique<AppDelegate>(options);
        app->awakeFromNib();
        app->applicationWillFinishLaunching();
    }
    ~Window()
    {
        app->applicationWillTerminate();
        app.reset();
        SVAlert::setAutomaticResponder({});
        // Start-up installed the shipped vendor database; other tests of this
        // process expect none.
        auto& vendors = SVVendorDatabaseHelper::sharedDatabase();
        QFile::remove(vendors.pathToDatabase());
        vendors.dropDatabase();
    }
    // Waits until n more lists have been shown.
    bool waitForTicks(int n)
    {
        int seen = 0;
        auto token = sv::NotificationCenter::defaultCenter().addObserver(
            AppDelegate::DidFindNetworksNotification, [&](const sv::Notification&) { ++seen; });
        return QTest::qWaitFor([&] { return seen >= n; }, 10000);
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
    std::unique_ptr<AppDelegate> app;
};

} // namespace

TEST(MainWindow, ScansMergesAndShowsTheSurvey)
{
    Window w;
    ASSERT_TRUE(w.app->isSimulated());
    EXPECT_TRUE(w.app->isScanning());
    ASSERT_TRUE(w.waitForTicks(3));
    EXPECT_TRUE(w.app->hasScanTimer());
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
    EXPECT_EQ(w.app->scanEngine(), nullptr);
    EXPECT_FALSE(w.app->hasScanTimer());
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

    w.app->selectQuickFilter(1); // open networks
    EXPECT_EQ(w.app->window()->toolbar().quickFilter->currentIndex(), 1);
    const auto open = w.app->filteredNetworks();
    EXPECT_GT(open.size(), 0);
    EXPECT_LT(open.size(), all);
    for (const auto& n : open)
        EXPECT_TRUE(n->isOpen()) << n->ssid().toStdString();

    w.app->selectQuickFilter(0);
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
        Window w([&](const SVAlert& alert) {
            return alert.messageText() == QStringLiteral("Wi-Fi is off. Do you want to turn it on?") ? c.answer : 1001;
        });
        ASSERT_TRUE(w.waitForTicks(2));
        const auto before = w.app->networks();
        CWError error;
        ASSERT_TRUE(w.app->currentInterface()->setPower(false, &error));
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.app->isScanning() != true || w.app->currentInterface()->powerOn(); }, 5000))
            << c.answer;
        EXPECT_EQ(w.app->isScanning(), c.scanningAfter) << c.answer;
        EXPECT_EQ(w.app->currentInterface()->powerOn(), c.scanningAfter);
        if (c.scanningAfter) {
            // Switching the radio on restarted the loop on the same survey.
            ASSERT_NE(w.app->scanEngine(), nullptr);
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

TEST(MainWindow, RecentFiltersAreKept)
{
    Window w;
    QLineEdit* field = w.app->window()->toolbar().filterField;
    for (const char* text : {"wpa2", "5GHz", "wpa2"}) {
        field->setText(QString::fromLatin1(text));
        QTest::keyClick(field, Qt::Key_Return);
    }
    EXPECT_EQ(sv::UserDefaults::standardUserDefaults().stringArrayForKey(QStringLiteral("RecentFilters")),
              (QStringList{QStringLiteral("wpa2"), QStringLiteral("5GHz")}));
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
