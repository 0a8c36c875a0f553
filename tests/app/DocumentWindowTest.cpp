#include "app/AppDelegate.h"
#include "app/WindowFixture.h"
#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "model/SVNetwork.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Clock.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"

#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

constexpr int Save = SVAlert::FirstButtonReturn;
constexpr int Cancel = SVAlert::SecondButtonReturn;
constexpr int DontSave = SVAlert::ThirdButtonReturn;

struct Shown {
    QString message, informative;
    SVAlert::Style style;
};

// The window on the shipped scenario. Every alert is answered by `answer`
// and kept in `alerts`; the save question also ticks its checkbox when
// `suppress` is set.
struct Window {
    Window()
    {
        sv::UserDefaults::standardUserDefaults().removeObjectForKey(AppDelegate::SaveAlertSuppressionKey);
        sv::UserDefaults::standardUserDefaults().removeObjectForKey(AppDelegate::RecentDocumentsKey);
        SVAlert::setAutomaticResponder([this](const SVAlert& alert) {
            alerts.push_back({alert.messageText(), alert.informativeText(), alert.alertStyle()});
            if (alert.checkBox() && suppress)
                alert.checkBox()->setChecked(true);
            return answer;
        });
        app = sv::test::makeWindow();
        app->applicationWillFinishLaunching();
        app->setOpenPanelResponder([this] {
            ++openPanels;
            return openPath;
        });
        app->setSavePanelResponder([this] { return savePath; });
    }
    ~Window()
    {
        sv::test::endWindow(app);
    }
    bool waitForResults()
    {
        return QTest::qWaitFor([&] { return app->networks().size() >= 3; }, 60000);
    }
    // Stopped with unsaved results, the state every question is about.
    void stopWithResults()
    {
        ASSERT_TRUE(waitForResults());
        app->onScanStop(AppDelegate::StopTag);
        ASSERT_TRUE(app->hasUnsavedResults());
    }
    bool waitForJobs()
    {
        return QTest::qWaitFor([&] { return !app->isSaving() && !app->isOpening(); }, 60000);
    }
    QStringList survey() const
    {
        QStringList out;
        for (const auto& n : app->networks())
            out << QStringLiteral("%1 %2 %3").arg(n->bssid()).arg(n->channel()).arg(n->dataPointCount());
        return out;
    }
    int questions() const
    {
        return int(std::count_if(alerts.begin(), alerts.end(), [](const Shown& s) {
            return s.message == "Do you want to save the current results?";
        }));
    }
    QString title() const { return app->window()->windowTitle(); }

    std::unique_ptr<AppDelegate> app;
    std::vector<Shown> alerts;
    int answer = DontSave;
    bool suppress = false;
    QString savePath, openPath;
    int openPanels = 0;
};

QString tempPath(const QTemporaryDir& dir, const QString& name)
{
    return QDir(dir.path()).filePath(name);
}

} // namespace

TEST(DocumentWindow, SavedSurveyReopensWithItsTitle)
{
    QTemporaryDir dir;
    Window w;
    ASSERT_TRUE(w.waitForResults());
    w.savePath = tempPath(dir, "site"); // the extension is added
    w.app->onFileSaveAs();
    EXPECT_FALSE(w.app->isScanning());
    const QStringList saved = w.survey();
    ASSERT_TRUE(w.waitForJobs());
    const QString path = tempPath(dir, "site.skyvane");
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(w.title(), tempPath(dir, "site"));
    EXPECT_FALSE(w.app->hasUnsavedResults());

    // A shown document is not asked about; scanning brings back the live title.
    w.app->onScanStop(AppDelegate::ScanTag);
    EXPECT_TRUE(w.app->isScanning());
    EXPECT_TRUE(w.title().startsWith("Skyvane"));
    ASSERT_TRUE(w.waitForResults());

    w.openPath = path;
    w.app->onFileOpen();
    EXPECT_EQ(w.questions(), 1);
    ASSERT_TRUE(w.waitForJobs());
    EXPECT_FALSE(w.app->isScanning());
    EXPECT_EQ(w.survey(), saved);
    EXPECT_EQ(w.title(), tempPath(dir, "site"));
    for (const auto& n : w.app->networks())
        EXPECT_TRUE(n->loadedFromFile());
    EXPECT_EQ(w.app->recentDocuments(), QStringList{path});
    EXPECT_TRUE(w.alerts.size() == 1) << w.alerts.back().message.toStdString();
}

TEST(DocumentWindow, SaveQuestionBeforeEveryLoss)
{
    QTemporaryDir dir;
    const QString document = tempPath(dir, "other.skyvane");
    {
        Window w;
        ASSERT_TRUE(w.waitForResults());
        w.savePath = document;
        w.app->onFileSaveAs();
        ASSERT_TRUE(w.waitForJobs());
    }
    enum class Action { Scan, Open, Close };
    enum class Outcome { Done, Nothing };
    const struct {
        int answer;
        bool panelGivesPath;
        Outcome outcome;
    } answers[] = {
        {DontSave, false, Outcome::Done},
        {Cancel, false, Outcome::Nothing},
        {Save, false, Outcome::Nothing}, // the save panel was cancelled
        {Save, true, Outcome::Done},     // after the save
    };
    for (Action action : {Action::Scan, Action::Open, Action::Close}) {
        for (const auto& a : answers) {
            SCOPED_TRACE(testing::Message() << "action " << int(action) << " answer " << a.answer << " panel "
                                            << a.panelGivesPath);
            Window w;
            w.stopWithResults();
            w.answer = a.answer;
            w.openPath = document;
            const QString saved = tempPath(dir, QStringLiteral("saved-%1-%2.skyvane").arg(int(action)).arg(a.answer));
            w.savePath = a.panelGivesPath ? saved : QString();
            bool closes = false;
            switch (action) {
            case Action::Scan: w.app->onScanStop(AppDelegate::ScanTag); break;
            case Action::Open: w.app->onFileOpen(); break;
            case Action::Close: closes = w.app->windowShouldClose(); break;
            }
            ASSERT_TRUE(w.waitForJobs());
            EXPECT_EQ(w.questions(), 1);
            EXPECT_EQ(QFileInfo::exists(saved), a.panelGivesPath);
            const bool done = a.outcome == Outcome::Done;
            switch (action) {
            case Action::Scan: EXPECT_EQ(w.app->isScanning(), done); break;
            case Action::Open: EXPECT_EQ(w.openPanels, done ? 1 : 0); break;
            case Action::Close:
                // After a save the close is asked again, and now passes.
                if (a.panelGivesPath)
                    EXPECT_FALSE(w.app->window()->isVisible());
                else
                    EXPECT_EQ(closes, done);
                break;
            }
        }
    }
}

TEST(DocumentWindow, TickedSuppressionIsKeptEvenOnCancel)
{
    Window w;
    w.stopWithResults();
    w.answer = Cancel;
    w.suppress = true;
    w.app->onScanStop(AppDelegate::ScanTag);
    EXPECT_FALSE(w.app->isScanning());
    EXPECT_EQ(sv::UserDefaults::standardUserDefaults().integerForKey(AppDelegate::SaveAlertSuppressionKey), 1);
    // Never asked again: later actions go on as if "Don't Save" was chosen.
    w.app->onScanStop(AppDelegate::StopTag);
    w.app->onScanStop(AppDelegate::ScanTag);
    EXPECT_TRUE(w.app->isScanning());
    EXPECT_EQ(w.questions(), 1);
    sv::UserDefaults::standardUserDefaults().removeObjectForKey(AppDelegate::SaveAlertSuppressionKey);
}

TEST(DocumentWindow, FailedSaveKeepsResultsAndDropsWhatWasToFollow)
{
    QTemporaryDir dir;
    Window w;
    w.stopWithResults();
    const QStringList before = w.survey();
    const QString title = w.title();
    // A folder where the file should go cannot be replaced.
    w.savePath = tempPath(dir, "taken.skyvane");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.skyvane"));
    w.answer = Save;
    w.app->onScanStop(AppDelegate::ScanTag);
    ASSERT_TRUE(w.waitForJobs());
    ASSERT_EQ(w.alerts.size(), 2u);
    EXPECT_EQ(w.alerts[1].message, "The document \"taken.skyvane\" could not be saved.");
    EXPECT_EQ(w.alerts[1].style, SVAlert::Style::Critical);
    EXPECT_FALSE(w.app->isScanning());
    EXPECT_EQ(w.survey(), before);
    EXPECT_EQ(w.title(), title);
    EXPECT_TRUE(w.app->hasUnsavedResults());
}

TEST(DocumentWindow, FilesThatCannotBeOpenedLeaveTheListAsItWas)
{
    QTemporaryDir dir;
    const QString garbage = tempPath(dir, "bad.skyvane");
    sv::test::writeBytes(garbage, QByteArray("bplist00 this is not an archive at all, not even close"));
    const QString wrongType = tempPath(dir, "notes.txt");
    sv::test::writeBytes(wrongType, "text");
    const struct {
        QString path;
        QString message, informative;
    } cases[] = {
        {garbage, "The file \"bad.skyvane\" could not be read.", "The file does not have a valid format."},
        {tempPath(dir, "gone.skyvane"), "The file \"gone.skyvane\" could not be read.",
         "The file does not have a valid format."},
        {wrongType, "The file \"notes.txt\" could not be read.",
         "This file's format is not supported in this version of Skyvane."},
        {tempPath(dir, "upper.SKYVANE"), "The file \"upper.SKYVANE\" could not be read.",
         "This file's format is not supported in this version of Skyvane."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        Window w;
        w.stopWithResults();
        const QStringList before = w.survey();
        w.app->applicationOpenFile(c.path);
        ASSERT_TRUE(w.waitForJobs());
        ASSERT_EQ(w.alerts.size(), 2u);
        EXPECT_EQ(w.alerts[1].message, c.message);
        EXPECT_EQ(w.alerts[1].informative, c.informative);
        EXPECT_EQ(w.alerts[1].style, SVAlert::Style::Critical);
        EXPECT_EQ(w.survey(), before);
        EXPECT_TRUE(w.app->hasUnsavedResults());
    }
}

TEST(DocumentWindow, DropTargetTakesOneDocument)
{
    Window w;
    const struct {
        QStringList files;
        bool accepted;
    } cases[] = {
        {{"/a/b/site.skyvane"}, true},
        {{"/a/b/SITE.SKYVANE"}, true},
        {{"/a/b/site.skyvane", "/a/b/other.skyvane"}, false},
        {{"/a/b/site.csv"}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& f : c.files)
            urls << QUrl::fromLocalFile(f);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.app->window(), &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted) << c.files.join(' ').toStdString();
    }
}
