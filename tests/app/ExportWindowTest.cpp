#include "support/QStringPrinter.h"
#include "support/TestSupport.h"

#include "app/AppDelegate.h"
#include "app/WindowFixture.h"
#include "app/SVAlert.h"
#include "model/SVCSVExport.h"
#include "app/SVMainWindow.h"
#include "app/SVProgressWindowController.h"
#include "app/SVSpeech.h"
#include "model/SVAnnotationsHelper.h"
#include "model/SVNetwork.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVOutlineViews.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

struct RecordingSynthesizer : SVSpeechSynthesizer {
    bool isSpeaking() const override { return false; }
    bool startSpeakingString(const QString& text) override
    {
        spoken << text;
        return true;
    }
    void stopSpeaking() override {}
    QStringList spoken;
};

// The window on the shipped scenario, its file panels answered by the test
// and its alerts written down.
struct Window {
    Window()
    {
        SVAlert::setAutomaticResponder([this](const SVAlert& a) {
            alerts << a.messageText() + QStringLiteral(" | ") + a.informativeText();
            return SVAlert::FirstButtonReturn;
        });
        app = sv::test::makeWindow();
        app->setFilePanelResponder([this](const QString& panel, const QString& suggested) {
            panels << panel;
            suggestedNames << suggested;
            return answer;
        });
        auto synth = std::make_unique<RecordingSynthesizer>();
        speech = synth.get();
        app->setSpeechSynthesizer(std::move(synth));
        app->applicationWillFinishLaunching();
    }
    ~Window()
    {
        sv::test::endWindow(app);
    }
    bool waitForTicks(int n) { return sv::test::waitForShownLists(n); }
    QAction* speakCommand() const
    {
        for (QAction* a : app->window()->findChildren<QAction*>())
            if (a->text() == "Speak Signal Strength")
                return a;
        return nullptr;
    }
    void selectRows(std::initializer_list<int> rows)
    {
        QTreeView* view = app->networksView();
        view->selectionModel()->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(app->networksModel()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QStringList exportFile(void (AppDelegate::*command)(), const QString& path)
    {
        answer = path;
        QSignalSpy done(app.get(), &AppDelegate::csvExportDidEnd);
        (app.get()->*command)();
        // Not QSignalSpy::wait: its event loop ends at once after an earlier
        // test of the process asked the application to quit.
        if (!QTest::qWaitFor([&] { return !done.isEmpty(); }, 60000))
            return {"no end"};
        return QString::fromUtf8(sv::test::readAll(path)).split('\n');
    }

    std::unique_ptr<AppDelegate> app;
    RecordingSynthesizer* speech = nullptr;
    QString answer;
    QStringList panels, suggestedNames, alerts;
    QTemporaryDir dir;
};

TEST(ExportWindow, ExportsAllDisplayedAndSelectedNetworks)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    const int all = int(w.app->networks().size());
    ASSERT_GE(all, 3);

    const QStringList lines = w.exportFile(&AppDelegate::onFileSummaryExportAllNetworks, w.dir.filePath("all.csv"));
    EXPECT_EQ(w.panels.value(0), "export");
    EXPECT_TRUE(w.suggestedNames.value(0).startsWith("skyvane-")) << w.suggestedNames.value(0).toStdString();
    ASSERT_EQ(lines.size(), all + 2) << "header, one line per record, and the final line feed";
    EXPECT_TRUE(lines.first().startsWith("BSSID,SSID,")) << lines.first().toStdString();
    EXPECT_TRUE(lines.first().contains("Signal (%)"));
    EXPECT_TRUE(lines.first().contains("Annotations")) << "hidden columns are exported";
    EXPECT_EQ(lines.last(), "");
    for (auto* sheet : w.app->window()->findChildren<SVProgressWindowController*>())
        EXPECT_FALSE(sheet->isVisible()) << "the progress sheet is gone";

    w.app->onFilter("!zzzz-no-such-name");
    w.selectRows({0, 2});
    const QStringList selected =
        w.exportFile(&AppDelegate::onFileSummaryExportSelectedNetworks, w.dir.filePath("selected.csv"));
    EXPECT_EQ(selected.size(), 4);
    const QStringList displayed =
        w.exportFile(&AppDelegate::onFileSummaryExportDisplayedNetworks, w.dir.filePath("displayed.csv"));
    EXPECT_EQ(displayed.size(), int(w.app->filteredNetworks().size()) + 2);

    // A write that fails says so and leaves no file.
    const QString bad = w.dir.filePath("no/such/folder/x.csv");
    w.exportFile(&AppDelegate::onFileSummaryExportAllNetworks, bad);
    EXPECT_FALSE(QFile::exists(bad));
    ASSERT_EQ(w.alerts.size(), 1);
    EXPECT_TRUE(w.alerts.first().contains("could not be written")) << w.alerts.first().toStdString();

    // A cancelled panel exports nothing.
    w.answer.clear();
    w.app->onFileSummaryExportAllNetworks();
    EXPECT_EQ(w.alerts.size(), 1);
}

TEST(ExportWindow, AnnotationsRoundTripAndRefusals)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    auto& store = SVAnnotationsHelper::sharedAnnotations();
    const auto first = w.app->networks().first();
    store.setAnnotationsForNetwork(first->bssid(), "=1+1, by the door");
    first->annotationsDidChange();

    const QString notes = w.dir.filePath("notes.csv");
    w.answer = notes;
    w.app->onFileAnnotationsExportCSV();
    EXPECT_TRUE(sv::test::readAll(notes).contains(first->bssid().toUtf8() + ",\"'=1+1, by the door\"\n"));

    // A network export offered as annotations is refused whole.
    const QString networkCsv = w.dir.filePath("networks.csv");
    w.exportFile(&AppDelegate::onFileSummaryExportAllNetworks, networkCsv);
    const auto before = store.annotations();
    w.answer = networkCsv;
    w.app->onFileAnnotationsImportCSV();
    EXPECT_EQ(store.annotations(), before);
    ASSERT_EQ(w.alerts.size(), 1);
    EXPECT_TRUE(w.alerts.last().contains("is not an annotations file")) << w.alerts.last().toStdString();

    // Cleared, then read back from the exported file.
    store.setAnnotationsForNetwork(first->bssid(), "");
    sv::test::writeBytes(w.dir.filePath("more.csv"),
                         sv::test::readAll(notes) + "garbage line\n" + "AA:BB:CC:DD:EE:FF,\"new\"\n");
    w.answer = w.dir.filePath("more.csv");
    w.app->onFileAnnotationsImportCSV();
    EXPECT_EQ(first->annotations(), "=1+1, by the door");
    ASSERT_EQ(w.alerts.size(), 2);
    EXPECT_TRUE(w.alerts.last().startsWith("Annotations imported: 2 added, 0 replaced, 0 removed, 1 lines skipped."))
        << w.alerts.last().toStdString();
    // Saved in the background, off the window's thread.
    store.waitForBackgroundSaves();
    EXPECT_EQ(sv::PropertyList::readFile(store.path()).toMap().value("AA:BB:CC:DD:EE:FF").toString(), "new");
    store.setAnnotationsForNetwork(first->bssid(), "");
    store.setAnnotationsForNetwork("AA:BB:CC:DD:EE:FF", "");
}

TEST(ExportWindow, CopyPutsRichAndPlainTextOfTheShownColumns)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    QApplication::clipboard()->setText("before");
    w.selectRows({0, 1});
    w.app->sideView()->setFocus();
    w.app->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "before") << "the sidebar has the focus";

    w.app->networksView()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), w.app->networksView());
    w.app->copy();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasFormat("text/rtf"));
    EXPECT_TRUE(data->data("text/rtf").startsWith("{\\rtf1"));
    const QStringList blocks = data->text().split("\n\n");
    ASSERT_EQ(blocks.size(), 2);
    const auto row0 = w.app->networksModel()->rowAt(0);
    EXPECT_TRUE(blocks[0].startsWith("BSSID: " + row0->bssidValue() + "\n")) << blocks[0].toStdString();
    EXPECT_TRUE(blocks[0].contains("\nSignal: ")) << blocks[0].toStdString();
    EXPECT_FALSE(blocks[0].contains("Annotations:")) << "hidden columns are not copied";
}

TEST(ExportWindow, SpeaksTheSelectedNetwork)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.setBool(true, "SpeakWhenOnBackground");
    defaults.setInteger(1, "Units");
    w.app->loadDefaults();
    w.selectRows({0});
    const auto network = w.app->selectedNetwork();
    ASSERT_TRUE(network);
    QTest::qWait(400);
    EXPECT_TRUE(w.speech->spoken.isEmpty()) << "speech is off";

    QAction* command = w.speakCommand();
    ASSERT_TRUE(command);
    command->trigger(); // turns speech on and speaks at once
    EXPECT_TRUE(defaults.boolForKey("SpeakOn"));
    const QString expected = QStringLiteral("%1 , channel %2, neg %3")
                                 .arg(network->ssid())
                                 .arg(network->channel())
                                 .arg(-network->rssiLast());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.speech->spoken.isEmpty(); }, 60000));
    EXPECT_EQ(w.speech->spoken.first(), expected);
    defaults.setBool(false, "SpeakOn");
    defaults.setBool(false, "SpeakWhenOnBackground");
    defaults.setInteger(0, "Units");
}

TEST(ExportWindow, SpeechThatCannotSpeakIsTurnedOffAndSaidOnce)
{
    Window w;
    ASSERT_TRUE(w.waitForTicks(2));
    w.app->doStop();
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.setBool(true, "SpeakWhenOnBackground");
    w.app->setSpeechSynthesizer(newSpeechSynthesizer([] { return std::unique_ptr<SVSpeechEngine>(); }));
    w.selectRows({0});
    ASSERT_TRUE(w.app->selectedNetwork());
    QAction* command = w.speakCommand();
    ASSERT_TRUE(command);
    for (int attempt = 0; attempt < 2; ++attempt) {
        command->trigger();
        EXPECT_FALSE(defaults.boolForKey("SpeakOn"));
        EXPECT_FALSE(command->isChecked()) << "the command is unticked";
    }
    ASSERT_EQ(w.alerts.size(), 1) << "told once";
    EXPECT_TRUE(w.alerts.first().startsWith("Signal strength cannot be spoken.")) << w.alerts.first().toStdString();
    defaults.setBool(false, "SpeakWhenOnBackground");
}

} // namespace
