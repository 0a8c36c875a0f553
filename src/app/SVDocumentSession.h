#pragma once

#include "model/SVDocument.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class AppDelegate;
class QMenu;
namespace sv {
class BackgroundJobs;
class UserDefaults;
}

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

// What the window shows of documents: the shown document's title, the save
// and the open under way (one at a time), and the recent documents.
class SVDocumentSession {
public:
    explicit SVDocumentSession(sv::UserDefaults& defaults);
    // Waits for a save that is writing; an open is not waited for.
    ~SVDocumentSession();
    SVDocumentSession(const SVDocumentSession&) = delete;
    SVDocumentSession& operator=(const SVDocumentSession&) = delete;

    // The shown document's title; empty for live results.
    const QString& title() const { return m_title; }
    void showDocument(const QString& path);
    void showLiveResults() { m_title.clear(); }

    bool launchOpensDocument() const { return m_launchOpensDocument; }
    void setLaunchOpensDocument() { m_launchOpensDocument = true; }

    bool isSaving() const { return m_saveJob != nullptr; }
    bool isOpening() const { return m_openJob != nullptr; }
    const std::shared_ptr<SVSaveJob>& saveJob() const { return m_saveJob; }
    // Writes on a thread of its own; the save counts as running until endSave().
    void startSave(std::shared_ptr<SVSaveJob> job, std::function<void()> write);
    // Blocks until the save's thread has ended.
    void waitForSave();
    void endSave();
    // Reads on a thread that is never waited for, counted while it lives.
    void startOpen(std::shared_ptr<SVOpenJob> job, std::function<void()> read);
    // Tells the open job to reach nobody; false when none runs.
    bool abandonOpen();
    // True when job is the open under way, which then ends.
    bool endOpen(const std::shared_ptr<SVOpenJob>& job);
    // Document readers still at work in the whole process, given up or not.
    static int runningDocumentReaders();

    QStringList recentDocuments() const;
    void noteRecentDocument(const QString& path);
    void clearRecentDocuments();
    QMenu* recentMenu() const { return m_recentMenu; }
    void setRecentMenu(QMenu* menu) { m_recentMenu = menu; }

    // Panels stand-ins for tests: answer the path instead of showing a dialog.
    std::function<QString()> savePanelResponder;
    std::function<QString()> openPanelResponder;

private:
    sv::UserDefaults& m_defaults;
    QString m_title;
    bool m_launchOpensDocument = false;
    std::unique_ptr<sv::BackgroundJobs> m_jobs; // the save
    std::shared_ptr<SVSaveJob> m_saveJob;
    std::shared_ptr<SVOpenJob> m_openJob; // its thread holds it too
    QMenu* m_recentMenu = nullptr;
};
