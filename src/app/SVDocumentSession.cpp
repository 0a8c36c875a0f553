#include "app/SVDocumentSession.h"

#include "model/SVDefaultsKeys.h"
#include "platform/BackgroundJobs.h"
#include "platform/UserDefaults.h"

#include <QFileInfo>

#include <atomic>

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

// The title of a shown document: its path without the extension.
QString documentTitle(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString title = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return title.isEmpty() ? path : title;
}

} // namespace

SVDocumentSession::SVDocumentSession(sv::UserDefaults& defaults)
    : m_defaults(defaults), m_jobs(std::make_unique<sv::BackgroundJobs>())
{
}

SVDocumentSession::~SVDocumentSession()
{
    waitForSave();
    abandonOpen();
}

void SVDocumentSession::showDocument(const QString& path)
{
    m_title = documentTitle(path);
}

void SVDocumentSession::startSave(std::shared_ptr<SVSaveJob> job, std::function<void()> write)
{
    m_saveJob = std::move(job);
    m_jobs->start(std::move(write));
}

void SVDocumentSession::waitForSave()
{
    m_jobs->waitForAll();
}

void SVDocumentSession::endSave()
{
    waitForSave();
    m_saveJob.reset();
}

void SVDocumentSession::startOpen(std::shared_ptr<SVOpenJob> job, std::function<void()> read)
{
    m_openJob = std::move(job);
    sv::BackgroundJobs::startUnwaited([read = std::move(read)]() mutable {
        // Declared first, so it counts until everything below is gone.
        const RunningReader running;
        const auto held = std::move(read);
        held();
    });
}

bool SVDocumentSession::abandonOpen()
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

bool SVDocumentSession::endOpen(const std::shared_ptr<SVOpenJob>& job)
{
    // An open given up after its result was posted is not the one under way.
    if (!job || job != m_openJob)
        return false;
    m_openJob.reset();
    return true;
}

int SVDocumentSession::runningDocumentReaders()
{
    return g_runningReaders.load();
}

QStringList SVDocumentSession::recentDocuments() const
{
    return m_defaults.stringArrayForKey(SVDefaultsKey::RecentDocuments);
}

void SVDocumentSession::noteRecentDocument(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList recent = recentDocuments();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > MaxRecentDocuments)
        recent.removeLast();
    m_defaults.setObject(recent, SVDefaultsKey::RecentDocuments);
}

void SVDocumentSession::clearRecentDocuments()
{
    m_defaults.removeObjectForKey(SVDefaultsKey::RecentDocuments);
}
