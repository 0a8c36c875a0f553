// Documents: the save question, saving and opening on threads of their own
// behind the progress sheet, recent documents, and dropped files.

#include "app/AppDelegate.h"
#include "model/SVDefaultsKeys.h"

#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "app/SVProgressWindowController.h"
#include "model/SVDocument.h"
#include "model/SVNetwork.h"
#include "app/SVDocumentSession.h"
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
#include <QTimer>
#include <QUrl>

namespace {

QString quoted(const QString& path)
{
    return QStringLiteral("\"%1\"").arg(path);
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

void AppDelegate::setLaunchOpensDocument()
{
    m_documents->setLaunchOpensDocument();
}

bool AppDelegate::isSaving() const
{
    return m_documents->isSaving();
}

bool AppDelegate::isOpening() const
{
    return m_documents->isOpening();
}

void AppDelegate::setSavePanelResponder(std::function<QString()> responder)
{
    m_documents->savePanelResponder = std::move(responder);
}

void AppDelegate::setOpenPanelResponder(std::function<QString()> responder)
{
    m_documents->openPanelResponder = std::move(responder);
}

bool AppDelegate::hasUnsavedResults() const
{
    // Live results are what no document title names, whatever a document's
    // own name looks like.
    return m_window && m_documents->title().isEmpty() && !networks().isEmpty();
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
    if (m_documents->savePanelResponder) {
        path = m_documents->savePanelResponder();
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
    m_documents->startSave(job, [this, job, list, lastScanTime] {
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
    m_documents->endSave();
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
    if (!m_documents->isSaving())
        return true;
    const std::shared_ptr<SVSaveJob> job = m_documents->saveJob();
    m_documents->waitForSave();
    saveDidEnd(job);
    return job->ok;
}

void AppDelegate::didSaveFile(const QString& path)
{
    m_documents->showDocument(path);
    showDocumentTitle();
    configureAll();
}

QString AppDelegate::showOpenPanel()
{
    if (m_documents->openPanelResponder)
        return m_documents->openPanelResponder();
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
    if (QFileInfo(path).suffix() != QLatin1String(SVDocument::Extension)) {
        showOpenFailedAlert(path, tr("This file's format is not supported in this version of Skyvane."), {});
        return;
    }
    auto job = std::make_shared<SVOpenJob>();
    job->path = path;
    job->owner = this;
    m_progress->showProgressPanelWithMessage(tr("Opening") + QLatin1Char(' ') + quoted(path));
    m_progress->setCancelAction([this] { cancelOpen(); });
    auto reader = m_options.documentReader;
    if (!reader)
        reader = [](const QString& p, QString* error) { return SVDocument::read(p, error); };
    m_documents->startOpen(job, [job, reader = std::move(reader)]() mutable {
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
    });
}

bool AppDelegate::abandonOpen()
{
    return m_documents->abandonOpen();
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
    return SVDocumentSession::runningDocumentReaders();
}

void AppDelegate::openDidEnd(const std::shared_ptr<SVOpenJob>& job)
{
    if (!m_documents->endOpen(job))
        return;
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
        showOpenFailedAlert(path, tr("The file does not have a valid format."), error);
        return;
    }
    doStopAndClearResults();
    didOpenFile(path, content->networks, content->lastScanTime);
    reportDataPointsLeftOut(path, content->networks);
}

void AppDelegate::showOpenFailedAlert(const QString& path, const QString& reason, const QString& details)
{
    auto* alert = new SVAlert(m_window);
    alert->setMessageText(tr("The file \"%1\" could not be read.").arg(QFileInfo(path).fileName()));
    alert->setInformativeText(reason);
    alert->setAlertStyle(SVAlert::Style::Critical);
    if (!details.isEmpty())
        alert->setDetailedText(details);
    alert->beginSheetModalForWindow(m_window, [this](int) {
        // Without Wi-Fi and with nothing shown, the window would stay empty:
        // the choice of a launch without Wi-Fi stands again.
        if (!m_currentInterface && m_scenarioError.isEmpty() && networks().isEmpty())
            QTimer::singleShot(0, this, [this] { showNoInterfaceSheet(); });
    });
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
        m_documents->showDocument(path);
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
    if (m_documents->isSaving() && !endRunningSave())
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
    m_documents->waitForSave();
    abandonOpen();
}

void AppDelegate::showDocumentTitle()
{
    if (!m_documents->title().isEmpty())
        m_window->setWindowTitle(sv::plainWindowTitle(m_documents->title()));
}

// ---- recent documents ----

QStringList AppDelegate::recentDocuments() const
{
    return m_documents->recentDocuments();
}

void AppDelegate::noteRecentDocument(const QString& path)
{
    m_documents->noteRecentDocument(path);
}

void AppDelegate::rebuildRecentDocumentsMenu()
{
    QMenu* recentMenu = m_documents->recentMenu();
    if (!recentMenu)
        return;
    recentMenu->clear();
    for (const QString& path : recentDocuments()) {
        QAction* item = recentMenu->addAction(sv::plainMnemonicText(QFileInfo(path).fileName()), this, [this, path] {
            proceedAfterSaveQuestion([this, path] { doOpenWithFileInBackground(path); });
        });
        item->setToolTip(sv::plainToolTip(path));
    }
    if (!recentMenu->isEmpty())
        recentMenu->addSeparator();
    QAction* clear = recentMenu->addAction(tr("Clear Menu"), this, [this] { m_documents->clearRecentDocuments(); });
    clear->setEnabled(!recentDocuments().isEmpty());
}

void AppDelegate::buildDocumentMenuItems(QMenu* file)
{
    QAction* open = file->addAction(tr("Open..."), this, [this] { onFileOpen(); });
    open->setShortcut(QKeySequence::Open);
    m_documents->setRecentMenu(file->addMenu(tr("Open Recent")));
    connect(m_documents->recentMenu(), &QMenu::aboutToShow, this, [this] { rebuildRecentDocumentsMenu(); });
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
