// The network table as CSV, the annotations CSV files and copying rows.

#include "app/AppDelegate.h"
#include "platform/BackgroundJobs.h"
#include "app/SVInspectController.h"
#include "model/SVDefaultsKeys.h"

#include "app/SVAlert.h"
#include "model/SVCSVExport.h"
#include "app/SVMainWindow.h"
#include "app/SVProgressWindowController.h"
#include "app/SVRowCopy.h"
#include "model/SVAnnotationsHelper.h"
#include "model/SVNetwork.h"
#include "platform/Clock.h"
#include "platform/FileWriter.h"
#include "platform/UserDefaults.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVNetworksTableSetup.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QStringDecoder>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// An annotations file larger than this is not one.
constexpr qint64 kMaxAnnotationsFileSize = 64 * 1024 * 1024;

QMenu* menuTitled(QMenuBar* bar, const QString& title)
{
    for (QAction* a : bar->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return nullptr;
}

void showFileAlert(QWidget* window, const QString& message, const QString& reason)
{
    SVAlert alert(window);
    alert.setAlertStyle(SVAlert::Style::Critical);
    alert.setMessageText(message);
    alert.setInformativeText(reason);
    alert.runModal();
}

} // namespace

void AppDelegate::buildExportMenus()
{
    m_exportJobs = std::make_shared<sv::BackgroundJobs>();

    QMenuBar* bar = m_window->menuBar();
    if (QMenu* file = menuTitled(bar, tr("&File"))) {
        QAction* before = nullptr;
        for (QAction* a : file->actions())
            if (a->menuRole() == QAction::QuitRole)
                before = a;
        auto add = [&](const QString& title, void (AppDelegate::*action)()) {
            auto* a = new QAction(title, file);
            connect(a, &QAction::triggered, this, [this, action] { (this->*action)(); });
            file->insertAction(before, a);
            return a;
        };
        m_exportActions = {add(tr("Export All Networks..."), &AppDelegate::onFileSummaryExportAllNetworks),
                           add(tr("Export Displayed Networks..."), &AppDelegate::onFileSummaryExportDisplayedNetworks),
                           add(tr("Export Selected Networks..."), &AppDelegate::onFileSummaryExportSelectedNetworks)};
        file->insertSeparator(before);
        add(tr("Export Annotations..."), &AppDelegate::onFileAnnotationsExportCSV);
        add(tr("Import Annotations..."), &AppDelegate::onFileAnnotationsImportCSV);
        file->insertSeparator(before);
        connect(file, &QMenu::aboutToShow, this, [this] { validateExportItems(); });
        validateExportItems();
    }

    QMenu* edit = menuTitled(bar, tr("E&dit"));
    if (!edit) {
        edit = new QMenu(tr("E&dit"), bar);
        const QList<QAction*> menus = bar->actions();
        bar->insertMenu(menus.size() > 1 ? menus.at(1) : nullptr, edit);
    }
    // Copy leads the menu, above what others put there.
    auto* copyAction = new QAction(tr("Copy"), edit);
    connect(copyAction, &QAction::triggered, this, [this] { copy(); });
    QAction* first = edit->actions().value(0);
    edit->insertAction(first, copyAction);
    // Nothing here is pasted; the item shows the command is not for this window.
    auto* pasteAction = new QAction(tr("Paste"), edit);
    pasteAction->setShortcut(QKeySequence::Paste);
    pasteAction->setEnabled(false);
    edit->insertAction(first, pasteAction);
    if (first)
        edit->insertSeparator(first);
    copyAction->setShortcut(QKeySequence::Copy);
    // The focused view decides what Copy copies; the table's own copy of
    // one cell must not take the shortcut first.
    copyAction->setShortcutContext(Qt::WindowShortcut);
    // Copy is enabled exactly where it copies, kept so as the focus and the
    // selection move: elsewhere its key goes to the focused view.
    auto validateCopy = [this, copyAction] {
        const SVMenuItemInfo item{SVMenuCommand::Copy, 0, {}, false, false};
        copyAction->setEnabled(validateMenuItem(item, m_inspect->focusState()).enabled);
    };
    m_copyFocusWatch = connect(qApp, &QApplication::focusChanged, copyAction, validateCopy);
    connect(networksView()->selectionModel(), &QItemSelectionModel::selectionChanged, copyAction, validateCopy);
    connect(edit, &QMenu::aboutToShow, copyAction, validateCopy);
    validateCopy();

}

void AppDelegate::validateExportItems()
{
    if (m_exportActions.size() != 3)
        return;
    const SVNetworkList all = networks();
    const SVNetworkList shown = filteredNetworks();
    m_exportActions[0]->setEnabled(!all.isEmpty());
    m_exportActions[1]->setEnabled(!shown.isEmpty());
    m_exportActions[2]->setEnabled(
        std::any_of(shown.begin(), shown.end(), [](const auto& n) { return n->userHighlighted(); }));
}

QString AppDelegate::runFilePanel(const QString& panel, const QString& suggestedName)
{
    if (m_filePanelResponder)
        return m_filePanelResponder(panel, suggestedName);
    QFileDialog dialog(m_window);
    dialog.setNameFilters({tr("CSV files (*.csv *.CSV)"), tr("All files (*)")});
    if (panel == u"annotationsImport") {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setLabelText(QFileDialog::FileName, tr("%1:").arg(tr("Export As")));
        dialog.setLabelText(QFileDialog::Accept, tr("Export"));
        if (!suggestedName.isEmpty())
            dialog.selectFile(suggestedName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

// ---- network CSV ----

QString AppDelegate::showExportPanel()
{
    return runFilePanel(QStringLiteral("export"),
                        defaultCSVExportFileName(QCoreApplication::applicationVersion(), m_clock->now()));
}

void AppDelegate::onFileSummaryExportAllNetworks()
{
    const QString path = showExportPanel();
    if (!path.isEmpty())
        doExportWithFileInBackground(path, networks());
}

void AppDelegate::onFileSummaryExportDisplayedNetworks()
{
    const QString path = showExportPanel();
    if (!path.isEmpty())
        doExportWithFileInBackground(path, filteredNetworks());
}

void AppDelegate::onFileSummaryExportSelectedNetworks()
{
    const QString path = showExportPanel();
    if (path.isEmpty())
        return;
    SVNetworkList selected;
    {
        std::lock_guard g(m_lock);
        for (const auto& n : m_networks)
            if (n->userHighlighted())
                selected.append(n);
    }
    doExportWithFileInBackground(path, selected);
}

void AppDelegate::doExportWithFileInBackground(const QString& path, const SVNetworkList& list)
{
    // The lines are made here, on the main thread between two merges, so the
    // writing thread reads nothing the merge may be changing.
    SVCSVExportSnapshot snapshot =
        csvExportSnapshot(path, list, tableColumnIdentifiers(*networksView()->header()), m_units);
    m_progress->showProgressPanelWithMessage(tr("Exporting") + QStringLiteral(" \"%1\"").arg(path));
    m_exportJobs->start([this, snapshot = std::move(snapshot)] {
        QString error;
        const bool written = writeCSVExport(snapshot, &error);
        QMetaObject::invokeMethod(
            this,
            [this, path = snapshot.filename, written, error] {
                m_progress->hideProgressPanel();
                if (!written)
                    showFileAlert(m_window, tr("The file \"%1\" could not be written.").arg(path), error);
                emit csvExportDidEnd(path, written);
            },
            Qt::QueuedConnection);
    });
}

// ---- annotations CSV ----

void AppDelegate::onFileAnnotationsExportCSV()
{
    const QString path = runFilePanel(QStringLiteral("annotationsExport"), QString());
    if (path.isEmpty())
        return;
    QMap<QString, QString> map = SVAnnotationsHelper::sharedAnnotations().annotations();
    if (!hasUnsavedResults()) {
        // A shown document's records carry the annotations they were saved with.
        std::lock_guard g(m_lock);
        for (const auto& n : m_networks)
            if (n->hasAnnotations())
                map.insert(n->bssid(), n->annotations());
    }
    QString error;
    if (!sv::writeFileWhole(path, annotationsCSVData(map), &error))
        showFileAlert(m_window, tr("The file \"%1\" could not be written.").arg(path), error);
}

void AppDelegate::onFileAnnotationsImportCSV()
{
    const QString path = runFilePanel(QStringLiteral("annotationsImport"), QString());
    if (path.isEmpty())
        return;
    const QString cannotRead = tr("The file \"%1\" could not be read.").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showFileAlert(m_window, cannotRead, file.errorString());
        return;
    }
    if (file.size() > kMaxAnnotationsFileSize) {
        showFileAlert(m_window, cannotRead, tr("It is too large to be an annotations file."));
        return;
    }
    const QByteArray bytes = file.read(kMaxAnnotationsFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxAnnotationsFileSize) {
        showFileAlert(m_window, cannotRead, file.errorString());
        return;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError()) {
        showFileAlert(m_window, cannotRead, tr("It is not UTF-8 text."));
        return;
    }

    const SVAnnotationsImport import = parseAnnotationsCSV(text);
    switch (import.refusal) {
    case SVAnnotationsImport::Refusal::Malformed:
        showFileAlert(m_window, tr("The file \"%1\" is not a valid annotations file.").arg(path),
                      tr("Line %1 could not be read. Nothing was imported.").arg(import.line));
        return;
    case SVAnnotationsImport::Refusal::NotAnnotations:
        showFileAlert(m_window, tr("The file \"%1\" is not an annotations file.").arg(path),
                      tr("Its lines hold more than a BSSID and an annotation, as an exported network list does. "
                         "Nothing was imported."));
        return;
    case SVAnnotationsImport::Refusal::None:
        break;
    }

    auto& store = SVAnnotationsHelper::sharedAnnotations();
    const SVAnnotationsImportCounts counts = importAnnotations(store, import);
    // A failed save is told by the window's file alerts.
    store.saveToDiskInBackground();
    {
        std::lock_guard g(m_lock);
        for (const auto& n : m_networks)
            n->annotationsDidChange();
    }
    configureAll();

    SVAlert report(m_window);
    report.setAlertStyle(SVAlert::Style::Informational);
    report.setMessageText(tr("Annotations imported: %1 added, %2 replaced, %3 removed, %4 lines skipped.")
                              .arg(counts.added)
                              .arg(counts.replaced)
                              .arg(counts.removed)
                              .arg(counts.skipped));
    report.runModal();
}

// ---- copy ----

void AppDelegate::copy()
{
    QTreeView* view = networksView();
    if (!view || QApplication::focusWidget() != view)
        return;
    QModelIndexList selected = view->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });

    const QHeaderView* header = view->header();
    const auto columns = networkColumns();
    QVector<SVCopiedColumn> shown;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= int(columns.size()) || header->isSectionHidden(logical))
            continue;
        const SVNetworkColumn& column = columns[size_t(logical)];
        shown.append({column.identifier, networkColumnTitle(column)});
    }
    QString text;
    {
        std::lock_guard g(m_lock);
        QVector<std::shared_ptr<SVNetworkDelegate>> rows;
        for (const QModelIndex& index : selected)
            rows.append(m_networksModel->rowAt(index.row()));
        text = copiedRowsText(rows, shown, m_networksModel->context());
    }
    QGuiApplication::clipboard()->setMimeData(copiedRowsMimeData(text).release());
}
