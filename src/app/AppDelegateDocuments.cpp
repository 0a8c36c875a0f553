// Documents: the save question, saving and opening on threads of their own
// behind the progress sheet, recent documents, and dropped files.

#include "app/AppDelegate.h"
#include "model/SVDefaultsKeys.h"

#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "app/SVProgressWindowController.h"
#include "model/SVDocument.h"
#include "model/SVNetwork.h"
#include "platform/UserDefaults.h"
#include "views/SVPlainText.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include <atomic>

// An open under way. Its thread holds the job, not the controller: an open
// that was given up (cancelled, or still reading when the application
// quits) ends on its own and reaches nobody.
struct SVOpenJob {
    QString path;
    std::mutex mutex;             // guards owner and the result
    AppDelegate* owner = nullptr; // cleared when the open is given up
    std::optional<SVDocument::Content> content;
    QString error;
};

struct SVSaveJob {
    QString path;
    std::function<void()> followUp;
    bool ok = false;  // written by the thread, read after it is joined
    QString error;
    bool ended = false;
};

namespace {

constexpr int MaxRecentDocuments = 10;

std::atomic<int> g_runningReaders{0};

// Counts a reader thread from its start to its very last step.
struct RunningReader {
    RunningReader() { ++g_runningReaders; }
    ~RunningReader() { --g_runningReaders; }
    RunningReader(const RunningReader&) = delete;
    RunningReader& operator=(const RunningReader&) = delete;
};

QString quoted(const QString& path)
{
    return QStringLiteral("\"%1\"").arg(path);
}

// The title of a shown document: its path without the extension.
QString documentTitle(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString title = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return title.isEmpty() ? path : title;
}

// The local files a drag carries.
QStringList draggedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        files << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    return files;
}

bool acceptsDrop(const QMimeData* data)
{
    const QStringList files = draggedFiles(data);
    return files.size() == 1
           && QFileInfo(files.front()).suffix().compare(QLatin1String(SVDocument::Extension), Qt::CaseInsensitive) == 0;
}

} // namespace

bool AppDelegate::hasUnsavedResults() const
{
    // Live results are what no document title names, whatever a document's
    // own name looks like.
    return m_window && m_documentTitle.isEmpty() && !networks().isEmpty();
}

int AppDelegate::showSaveAlertIfNeeded()
{
    if (m_defaults.integerForKey(SVDefaultsKey::SaveAlertSupressionButton) != 0)
        return SVAlert::ThirdButtonReturn;
    if (!hasUnsavedResults())
        return SVAlert::ThirdButtonReturn;
    SVAlert alert(m_window);
    // Each button answers its letter, with Alt or without; Escape cancels.
    alert.addButtonWithTitle(tr("&Save"));
    alert.addButtonWithTitle(tr("&Cancel"));
    alert.addButtonWithTitle(tr("&Don't Save"));
    alert.setMessageText(tr("Do you want to save the current results?"));
    alert.setInformativeText(tr("Any data will be lost if you don't save it."));
    alert.setAlertStyle(SVAlert::Style::Warning);
    auto* suppression = new QCheckBox(tr("Do not ask again"));
    suppression->setChecked(m_defaults.integerForKey(SVDefaultsKey::SaveAlertSupressionButton) != 0);
    alert.setCheckBox(suppression);
    const int response = alert.runModal();
    m_defaults.setInteger(suppression->isChecked() ? 1 : 0, SVDefaultsKey::SaveAlertSupressionButton);
    return response;
}

QString AppDelegate::showSavePanel()
{
    QString path;
    if (m_savePanelResponder) {
        path = m_savePanelResponder();
    } else {
        QFileDialog panel(m_window, tr("Save"));
        panel.setAcceptMode(QFileDialog::AcceptSave);
        panel.setFileMode(QFileDialog::AnyFile);
        panel.setNameFilter(tr("Skyvane documents (*.skyvane)"));
        panel.setDefaultSuffix(QLatin1String(SVDocument::Extension));
        if (panel.exec() == QDialog::Accepted && !panel.selectedFiles().isEmpty())
            path = panel.selectedFiles().front();
    }
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix() != QLatin1String(SVDocument::Extension))
        path += QLatin1Char('.') + QLatin1String(SVDocument::Extension);
    doStop();
    return path;
}

void AppDelegate::proceedAfterSaveQuestion(const std::function<void()>& action)
{
    // One job at a time: a second save or open waits until the first is done.
    if (isSaving() || isOpening())
        return;
    switch (showSaveAlertIfNeeded()) {
    case SVAlert::ThirdButtonReturn:
        action();
        break;
    case SVAlert::FirstButtonReturn: {
        const QString path = showSavePanel();
        if (!path.isEmpty())
            doSaveWithFileInBackground(path, action);
        break;
    }
    default:
        break;
    }
}

void AppDelegate::doSaveWithFileInBackground(const QString& path, std::function<void()> followUp)
{
    if (isSaving())
        return;
    // Scanning has stopped, so the list and its records hold still; the
    // thread writes from this copy of the list.
    const SVNetworkList list = networks();
    const QDateTime lastScanTime = m_lastScanTime;
    m_progress->showProgressPanelWithMessage(tr("Saving") + QLatin1Char(' ') + quoted(path));
    auto job = std::make_shared<SVSaveJob>();
    job->path = path;
    job->followUp = std::move(followUp);
    m_saveJob = job;
    m_saveThread = std::thread([this, job, list, lastScanTime] {
        job->ok = SVDocument::write(job->path, list, lastScanTime, &job->error);
        QMetaObject::invokeMethod(this, [this, job] { saveDidEnd(job); }, Qt::QueuedConnection);
    });
}

void AppDelegate::saveDidEnd(const std::shared_ptr<SVSaveJob>& job)
{
    // Quitting may have ended the job already.
    if (job->ended)
        return;
    job->ended = true;
    if (m_saveThread.joinable())
        m_saveThread.join();
    m_saveJob.reset();
    m_progress->hideProgressPanel();
    const QString& path = job->path;
    if (!job->ok) {
        // Nothing is lost: the results and the title stay, and what was to
        // follow (closing, quitting, opening, scanning) does not happen.
        auto* alert = new SVAlert(m_window);
        alert->setMessageText(tr("The document %1 could not be saved.").arg(quoted(QFileInfo(path).fileName())));
        alert->setInformativeText(job->error);
        alert->setAlertStyle(SVAlert::Style::Critical);
        alert->beginSheetModalForWindow(m_window, [](int) {});
        return;
    }
    didSaveFile(path);
    if (job->followUp)
        job->followUp();
}

bool AppDelegate::endRunningSave()
{
    if (!m_saveJob)
        return true;
    const std::shared_ptr<SVSaveJob> job = m_saveJob;
    if (m_saveThread.joinable())
        m_saveThread.join();
    saveDidEnd(job);
    return job->ok;
}

void AppDelegate::didSaveFile(const QString& path)
{
    m_documentTitle = documentTitle(path);
    showDocumentTitle();
    configureAll();
}

QString AppDelegate::showOpenPanel()
{
    if (m_openPanelResponder)
        return m_openPanelResponder();
    QFileDialog panel(m_window, tr("Open"));
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setNameFilter(tr("Skyvane documents (*.skyvane)"));
    if (panel.exec() == QDialog::Accepted && !panel.selectedFiles().isEmpty())
        return panel.selectedFiles().front();
    return {};
}

void AppDelegate::doOpen()
{
    const QString path = showOpenPanel();
    if (!path.isEmpty())
        doOpenWithFileInBackground(path);
}

void AppDelegate::doOpenWithFileInBackground(const QString& path)
{
    if (isOpening() || isSaving())
        return;
    const QString name = QFileInfo(path).fileName();
    if (QFileInfo(path).suffix() != QLatin1String(SVDocument::Extension)) {
        auto* alert = new SVAlert(m_window);
        alert->setMessageText(tr("The file \"%1\" could not be read.").arg(name));
        alert->setInformativeText(tr("This file's format is not supported in this version of Skyvane."));
        alert->setAlertStyle(SVAlert::Style::Critical);
        alert->beginSheetModalForWindow(m_window, [](int) {});
        return;
    }
    auto job = std::make_shared<SVOpenJob>();
    job->path = path;
    job->owner = this;
    m_openJob = job;
    m_progress->showProgressPanelWithMessage(tr("Opening") + QLatin1Char(' ') + quoted(path));
    m_progress->setCancelAction([this] { cancelOpen(); });
    auto reader = m_options.documentReader;
    if (!reader)
        reader = [](const QString& p, QString* error) { return SVDocument::read(p, error); };
    std::thread([job = std::move(job), reader = std::move(reader)]() mutable {
        // Declared first, so it counts until everything below is gone.
        const RunningReader running;
        const std::shared_ptr<SVOpenJob> held = std::move(job);
        const auto read = std::move(reader);
        QString error;
        std::optional<SVDocument::Content> content = read(held->path, &error);
        std::lock_guard lock(held->mutex);
        if (!held->owner)
            return; // given up: the records go with this thread
        held->content = std::move(content);
        held->error = error;
        // The owner cannot go while the lock is held; once posted, the call
        // is dropped if it goes before the call runs.
        QMetaObject::invokeMethod(held->owner, [owner = held->owner, held] { owner->openDidEnd(held); },
                                  Qt::QueuedConnection);
    }).detach();
}

bool AppDelegate::abandonOpen()
{
    if (!m_openJob)
        return false;
    {
        std::lock_guard lock(m_openJob->mutex);
        m_openJob->owner = nullptr;
    }
    m_openJob.reset();
    return true;
}

void AppDelegate::cancelOpen()
{
    if (!abandonOpen())
        return;
    m_progress->setCancelAction({});
    m_progress->hideProgressPanel();
}

int AppDelegate::runningDocumentReaders()
{
    return g_runningReaders.load();
}

void AppDelegate::openDidEnd(const std::shared_ptr<SVOpenJob>& job)
{
    // An open given up after its result was posted.
    if (job != m_openJob)
        return;
    m_openJob.reset();
    m_progress->setCancelAction({});
    m_progress->hideProgressPanel();
    std::optional<SVDocument::Content> content;
    QString error;
    {
        std::lock_guard lock(job->mutex);
        content = std::move(job->content);
        error = job->error;
    }
    const QString& path = job->path;
    if (!content) {
        // The list, the title and scanning stay as they were.
        auto* alert = new SVAlert(m_window);
        alert->setMessageText(tr("The file \"%1\" could not be read.").arg(QFileInfo(path).fileName()));
        alert->setInformativeText(tr("The file does not have a valid format."));
        alert->setAlertStyle(SVAlert::Style::Critical);
        alert->setDetailedText(error);
        alert->beginSheetModalForWindow(m_window, [](int) {});
        return;
    }
    doStopAndClearResults();
    didOpenFile(path, content->networks, content->lastScanTime);
    reportDataPointsLeftOut(path, content->networks);
}

void AppDelegate::reportDataPointsLeftOut(const QString& path, const SVNetworkList& list)
{
    qint64 leftOut = 0, kept = 0;
    for (const auto& network : list) {
        leftOut += qint64(network->dataPointsLeftOut());
        kept += qint64(network->dataPointCount());
    }
    if (leftOut == 0)
        return;
    auto* alert = new SVAlert(m_window);
    alert->setMessageText(tr("Some samples in \"%1\" were left out.").arg(QFileInfo(path).fileName()));
    alert->setInformativeText(tr("%1 of the document's %2 samples were left out: a network keeps only its newest %3. "
                                 "Saving this survey keeps only the samples shown.")
                                  .arg(leftOut)
                                  .arg(leftOut + kept)
                                  .arg(qint64(SVNetwork::MaximumDataPoints)));
    alert->setAlertStyle(SVAlert::Style::Informational);
    alert->beginSheetModalForWindow(m_window, [](int) {});
}

void AppDelegate::didOpenFile(const QString& path, const SVNetworkList& list, const QDateTime& lastScanTime)
{
    didFindNetworks(list, lastScanTime);
    if (!path.isEmpty()) {
        noteRecentDocument(path);
        m_documentTitle = documentTitle(path);
        showDocumentTitle();
    }
    configureAll();
}

void AppDelegate::onFileOpen()
{
    proceedAfterSaveQuestion([this] { doOpen(); });
}

void AppDelegate::onFileSaveAs()
{
    // Only live results are saved; a shown document is already a file.
    if (isSaving() || isOpening() || !hasUnsavedResults())
        return;
    const QString path = showSavePanel();
    if (!path.isEmpty())
        doSaveWithFileInBackground(path);
}

bool AppDelegate::windowShouldClose()
{
    // A save under way is waited for; one that failed keeps the window open.
    if (m_saveJob && !endRunningSave())
        return false;
    // An open is not: it may never end. Nothing of it has been shown yet.
    cancelOpen();
    switch (showSaveAlertIfNeeded()) {
    case SVAlert::ThirdButtonReturn:
        return true;
    case SVAlert::FirstButtonReturn: {
        const QString path = showSavePanel();
        if (!path.isEmpty())
            doSaveWithFileInBackground(path, [this] { m_window->close(); });
        return false;
    }
    default:
        return false;
    }
}

bool AppDelegate::applicationOpenFile(const QString& path)
{
    proceedAfterSaveQuestion([this, path] { doOpenWithFileInBackground(path); });
    return true;
}

void AppDelegate::waitForBackgroundJobs()
{
    // The save's closing call is queued to this object and never runs once
    // it is gone; what matters is that the file is whole.
    if (m_saveThread.joinable())
        m_saveThread.join();
    abandonOpen();
}

void AppDelegate::showDocumentTitle()
{
    if (!m_documentTitle.isEmpty())
        m_window->setWindowTitle(sv::plainWindowTitle(m_documentTitle));
}

// ---- recent documents ----

QStringList AppDelegate::recentDocuments() const
{
    return m_defaults.stringArrayForKey(RecentDocumentsKey);
}

void AppDelegate::noteRecentDocument(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList recent = recentDocuments();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > MaxRecentDocuments)
        recent.removeLast();
    m_defaults.setObject(recent, RecentDocumentsKey);
}

void AppDelegate::rebuildRecentDocumentsMenu()
{
    if (!m_recentMenu)
        return;
    m_recentMenu->clear();
    for (const QString& path : recentDocuments()) {
        QAction* item = m_recentMenu->addAction(sv::plainMnemonicText(QFileInfo(path).fileName()), this, [this, path] {
            proceedAfterSaveQuestion([this, path] { doOpenWithFileInBackground(path); });
        });
        item->setToolTip(sv::plainToolTip(path));
    }
    if (!m_recentMenu->isEmpty())
        m_recentMenu->addSeparator();
    QAction* clear = m_recentMenu->addAction(tr("Clear Menu"), this,
                                             [this] { m_defaults.removeObjectForKey(RecentDocumentsKey); });
    clear->setEnabled(!recentDocuments().isEmpty());
}

void AppDelegate::buildDocumentMenuItems(QMenu* file)
{
    QAction* open = file->addAction(tr("Open..."), this, [this] { onFileOpen(); });
    open->setShortcut(QKeySequence::Open);
    m_recentMenu = file->addMenu(tr("Open Recent"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, [this] { rebuildRecentDocumentsMenu(); });
    rebuildRecentDocumentsMenu();
    file->addSeparator();
    QAction* saveAs = file->addAction(tr("Save As..."), this, [this] { onFileSaveAs(); });
    saveAs->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), QKeySequence(Qt::CTRL | Qt::Key_S)});
    connect(file, &QMenu::aboutToShow, saveAs, [this, saveAs] { saveAs->setEnabled(hasUnsavedResults()); });
    // Between menus its keys stay live: the command checks for itself.
    connect(file, &QMenu::aboutToHide, saveAs, [saveAs] { saveAs->setEnabled(true); });
    file->addSeparator();
}

// ---- drag and drop ----

bool AppDelegate::documentsEventFilter(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (acceptsDrop(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = draggedFiles(drop->mimeData());
        if (files.size() != 1) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // The question and the open come after the drop has ended.
        QMetaObject::invokeMethod(this, [this, path = files.front()] { applicationOpenFile(path); },
                                  Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}
