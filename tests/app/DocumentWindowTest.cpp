#include "app/AppDelegate.h"
#include "model/SVDefaultsKeys.h"
#include "app/WindowFixture.h"
#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "app/SVProgressWindowController.h"
#include "model/SVDocument.h"
#include "model/SVNetwork.h"
#include "platform/KeyedArchiver.h"
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

#include <QPushButton>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>

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
    explicit Window(AppDelegate::Options options = {})
    {
        sv::UserDefaults::standardUserDefaults().removeObjectForKey(SVDefaultsKey::SaveAlertSupressionButton);
        sv::UserDefaults::standardUserDefaults().removeObjectForKey(SVDefaultsKey::RecentDocuments);
        SVAlert::setAutomaticResponder([this](const SVAlert& alert) {
            alerts.push_back({alert.messageText(), alert.informativeText(), alert.alertStyle()});
            if (alert.checkBox() && suppress)
                alert.checkBox()->setChecked(true);
            return answer;
        });
        app = sv::test::makeWindow(std::move(options));
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
    EXPECT_EQ(sv::UserDefaults::standardUserDefaults().integerForKey(SVDefaultsKey::SaveAlertSupressionButton), 1);
    // Never asked again: later actions go on as if "Don't Save" was chosen.
    w.app->onScanStop(AppDelegate::StopTag);
    w.app->onScanStop(AppDelegate::ScanTag);
    EXPECT_TRUE(w.app->isScanning());
    EXPECT_EQ(w.questions(), 1);
    sv::UserDefaults::standardUserDefaults().removeObjectForKey(SVDefaultsKey::SaveAlertSupressionButton);
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

namespace {

// The document of the window's current list, written as the save job writes it.
QString writeDocumentOf(const Window& w, const QString& path)
{
    QString error;
    EXPECT_TRUE(SVDocument::write(path, w.app->networks(), w.app->lastScanTime(), &error)) << error.toStdString();
    return path;
}

} // namespace

TEST(DocumentWindow, WhatIsNoRegularFileIsRefusedWithoutWaitingOnIt)
{
    QTemporaryDir dir;
    const QString fifo = tempPath(dir, "fifo.skyvane");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.skyvane"));
    ASSERT_TRUE(QFile::link(fifo, tempPath(dir, "link-to-fifo.skyvane")));
    ASSERT_TRUE(QFile::link("/dev/zero", tempPath(dir, "device.skyvane")));
    for (const char* name : {"fifo.skyvane", "folder.skyvane", "link-to-fifo.skyvane", "device.skyvane"}) {
        SCOPED_TRACE(name);
        Window w;
        w.stopWithResults();
        const QStringList before = w.survey();
        w.app->applicationOpenFile(tempPath(dir, name));
        ASSERT_TRUE(w.waitForJobs());
        ASSERT_EQ(w.alerts.size(), 2u);
        EXPECT_EQ(w.alerts[1].message, QStringLiteral("The file \"%1\" could not be read.").arg(name));
        EXPECT_EQ(w.alerts[1].informative, "The file does not have a valid format.");
        EXPECT_EQ(w.survey(), before);
    }
    // A link to a document is a document.
    Window w;
    w.stopWithResults();
    const QStringList saved = w.survey();
    ASSERT_TRUE(QFile::link(writeDocumentOf(w, tempPath(dir, "real.skyvane")), tempPath(dir, "link.skyvane")));
    w.app->onScanStop(AppDelegate::ScanTag);
    w.app->applicationOpenFile(tempPath(dir, "link.skyvane"));
    ASSERT_TRUE(w.waitForJobs());
    EXPECT_EQ(w.survey(), saved);
}

namespace {

// A reader that waits, as on a stalled network mount, until released. Held
// by the readers' threads too, so it outlives the window.
struct StalledReader {
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;
    std::atomic<int> waiting{0};

    static AppDelegate::Options options(const std::shared_ptr<StalledReader>& reader)
    {
        AppDelegate::Options o;
        o.documentReader = [reader](const QString& path, QString* error) {
            ++reader->waiting;
            std::unique_lock lock(reader->mutex);
            reader->released.wait(lock, [&] { return reader->open; });
            return SVDocument::read(path, error);
        };
        return o;
    }
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        released.notify_all();
    }
};

SVProgressWindowController* shownSheet(const Window& w)
{
    for (auto* sheet : w.app->window()->findChildren<SVProgressWindowController*>())
        if (sheet->isVisible())
            return sheet;
    return nullptr;
}

} // namespace

TEST(DocumentWindow, AnOpenCanBeCancelledAndQuittingDoesNotWaitForIt)
{
    QTemporaryDir dir;
    auto reader = std::make_shared<StalledReader>();
    {
        Window w(StalledReader::options(reader));
        w.stopWithResults();
        const QString document = writeDocumentOf(w, tempPath(dir, "stalled.skyvane"));
        const QStringList before = w.survey();
        const QString title = w.title();

        w.app->applicationOpenFile(document);
        ASSERT_TRUE(QTest::qWaitFor([&] { return reader->waiting == 1; }, 60000));
        ASSERT_TRUE(w.app->isOpening());
        SVProgressWindowController* sheet = shownSheet(w);
        ASSERT_TRUE(sheet);
        ASSERT_TRUE(sheet->cancelButton()->isVisible());
        sheet->cancelButton()->click();
        EXPECT_FALSE(w.app->isOpening());
        EXPECT_FALSE(shownSheet(w));
        EXPECT_EQ(w.survey(), before);
        EXPECT_EQ(w.title(), title);
        EXPECT_TRUE(w.app->hasUnsavedResults());

        // Quit while another open waits: the window closes after the
        // question, and the controller goes without waiting for the reader.
        w.app->applicationOpenFile(document);
        ASSERT_TRUE(QTest::qWaitFor([&] { return reader->waiting == 2; }, 60000));
        ASSERT_TRUE(shownSheet(w));
        w.app->window()->close();
        EXPECT_FALSE(w.app->window()->isVisible());
        EXPECT_FALSE(w.app->isOpening());
        EXPECT_EQ(w.questions(), 3);
    }
    EXPECT_GE(AppDelegate::runningDocumentReaders(), 2);
    // What the readers find now reaches nobody.
    reader->release();
    EXPECT_TRUE(QTest::qWaitFor([] { return AppDelegate::runningDocumentReaders() == 0; }, 60000));
    QCoreApplication::processEvents();
}

TEST(DocumentWindow, ADocumentIsKnownAsOneWhateverItsName)
{
    QTemporaryDir dir;
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    {
        Window w;
        w.stopWithResults();
        writeDocumentOf(w, tempPath(dir, "Skyvane-test.skyvane"));
        w.app->applicationOpenFile("Skyvane-test.skyvane"); // as given on the command line
        ASSERT_TRUE(w.waitForJobs());
        EXPECT_EQ(w.title(), "Skyvane-test");
        EXPECT_FALSE(w.app->hasUnsavedResults());
        const int asked = w.questions();
        EXPECT_TRUE(w.app->windowShouldClose());
        EXPECT_EQ(w.questions(), asked) << "a shown document is not asked about";
    }
    QDir::setCurrent(cwd);
}

namespace {

// A record whose archive holds `samples` samples, more than a record keeps.
struct LongRecord : sv::KeyedArchivable {
    LongRecord(QString b, int n) : bssid(std::move(b)), samples(n) {}
    QString bssid;
    int samples = 0;
    QStringList archiveClassChain() const override { return {"SVNetwork", "NSObject"}; }
    void encodeWithCoder(sv::KeyedArchiver& coder) const override
    {
        coder.encodeObject("network", QVariantMap{{"bssid", bssid}, {"channelNumber", 6}, {"rssiValue", -60}});
        std::vector<SVDataPoint> points;
        const QDateTime start = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
        for (int i = 0; i < samples; ++i)
            points.emplace_back(-60, -92, 1, 10, start.addSecs(2 * i));
        coder.beginArray("dataPoints");
        SVDataPoint::encodeArray(coder, points, {});
        coder.endArray();
        coder.encodeDate("lastSeen", start.addSecs(2 * samples));
    }
};

} // namespace

TEST(DocumentWindow, SamplesADocumentHoldsBeyondWhatARecordKeepsAreToldOnce)
{
    QTemporaryDir dir;
    constexpr int Kept = int(SVNetwork::MaximumDataPoints);
    const LongRecord records[] = {{"00:11:22:33:44:01", Kept + 100},
                                  {"00:11:22:33:44:02", Kept + 23},
                                  {"00:11:22:33:44:03", 10}};
    QByteArray bytes;
    sv::KeyedArchiver coder(&bytes);
    coder.beginDictionary("root");
    coder.beginArray("networks");
    for (const auto& r : records)
        coder.appendArchivable(r);
    coder.endArray();
    coder.endDictionary();
    ASSERT_TRUE(coder.finish());
    const QString path = tempPath(dir, "long.skyvane");
    sv::test::writeBytes(path, bytes);

    Window w;
    w.stopWithResults();
    w.app->applicationOpenFile(path);
    ASSERT_TRUE(w.waitForJobs());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.alerts.size() >= 2; }, 60000));
    QCoreApplication::processEvents();
    ASSERT_EQ(w.app->networks().size(), 3);
    ASSERT_EQ(w.alerts.size(), 2u) << "told once";
    EXPECT_EQ(w.alerts[1].message, "Some samples in \"long.skyvane\" were left out.");
    EXPECT_EQ(w.alerts[1].informative,
              QStringLiteral("123 of the document's %1 samples were left out: a network keeps only its newest %2. "
                             "Saving this survey keeps only the samples shown.")
                  .arg(2 * Kept + 123 + 10)
                  .arg(Kept));
    EXPECT_EQ(w.alerts[1].style, SVAlert::Style::Informational);
}
