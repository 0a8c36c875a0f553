#include "model/SVAnnotationsHelper.h"
#include "model/SVDefaultsKeys.h"

#include "platform/ApplicationFolder.h"
#include "platform/FileWriter.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariantMap>

namespace {

const QString FileName = QStringLiteral("annotations.plist");

} // namespace

SVAnnotationsHelper::SVAnnotationsHelper(QString folder, sv::UserDefaults* defaults)
    : m_folder(std::move(folder)), m_defaults(defaults)
{
}

SVAnnotationsHelper::~SVAnnotationsHelper()
{
    {
        std::lock_guard lock(m_requestMutex);
        m_stopping = true;
    }
    m_requestChanged.notify_all();
    if (m_saver.joinable())
        m_saver.join();
}

void SVAnnotationsHelper::saveToDiskInBackground()
{
    {
        std::lock_guard lock(m_requestMutex);
        ++m_requested;
        if (!m_saver.joinable())
            m_saver = std::thread([this] { saveLoop(); });
    }
    m_requestChanged.notify_all();
}

void SVAnnotationsHelper::waitForBackgroundSaves()
{
    std::unique_lock lock(m_requestMutex);
    m_requestChanged.wait(lock, [this] { return m_done == m_requested; });
}

void SVAnnotationsHelper::saveLoop()
{
    std::unique_lock lock(m_requestMutex);
    for (;;) {
        m_requestChanged.wait(lock, [this] { return m_done != m_requested || m_stopping; });
        if (m_done == m_requested)
            return; // stopping with nothing left to write
        // Every request made so far is served by this one save: it takes
        // the map as it stands now.
        const quint64 serving = m_requested;
        lock.unlock();
        saveToDisk();
        lock.lock();
        m_done = serving;
        m_requestChanged.notify_all();
    }
}

SVAnnotationsHelper& SVAnnotationsHelper::sharedAnnotations()
{
    // Never destroyed: records on other threads may still ask at exit.
    static SVAnnotationsHelper* store = [] {
        auto* s = new SVAnnotationsHelper(sv::applicationSupportFolder());
        s->readFromDisk();
        return s;
    }();
    return *store;
}

QString SVAnnotationsHelper::path() const { return m_folder + u'/' + FileName; }

void SVAnnotationsHelper::insertTrimmed(QMap<QString, QString>& map, const QString& bssid, const QString& text)
{
    // A NUL cannot be written to the file, and would make every save fail.
    const QString trimmed = QString(text).remove(QChar(0)).trimmed();
    if (trimmed.isEmpty())
        map.remove(bssid);
    else
        map.insert(bssid, trimmed);
}

QMap<QString, QString> SVAnnotationsHelper::annotations() const
{
    std::lock_guard lock(m_mutex);
    return m_annotations;
}

QString SVAnnotationsHelper::annotationsForNetwork(const QString& bssid) const
{
    std::lock_guard lock(m_mutex);
    return m_annotations.value(bssid);
}

void SVAnnotationsHelper::setAnnotationsForNetwork(const QString& bssid, const QString& annotations)
{
    std::lock_guard lock(m_mutex);
    const QString before = m_annotations.value(bssid);
    insertTrimmed(m_annotations, bssid, annotations);
    if (m_annotations.value(bssid) != before || (m_others.contains(bssid) && m_annotations.contains(bssid))) {
        m_others.remove(bssid);
        m_changed = true;
    }
}

QString SVAnnotationsHelper::readError() const
{
    std::lock_guard lock(m_mutex);
    return m_readError;
}

QString SVAnnotationsHelper::movedAsidePath() const
{
    std::lock_guard lock(m_mutex);
    return m_movedAside;
}

SVAnnotationsHelper::Read SVAnnotationsHelper::readFile(Contents& contents, QString& error) const
{
    const QString file = path();
    if (!QFileInfo::exists(file))
        return Read::Absent;
    QFile probe(file);
    if (!probe.open(QIODevice::ReadOnly)) {
        error = probe.errorString();
        return Read::Unopenable;
    }
    probe.close();
    const QVariant root = sv::PropertyList::readFile(file, &error);
    if (root.typeId() != QMetaType::QVariantMap)
        return Read::Damaged;
    const QVariantMap stored = root.toMap();
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        if (it.key().contains(QChar(0))) {
            // No file can hold such a key again; keeping it would fail every save.
            qCWarning(lcSkyvane).noquote() << "Skipped an annotation whose address holds a NUL character in" << file;
        } else if (it.value().typeId() == QMetaType::QString) {
            insertTrimmed(contents.annotations, it.key(), it.value().toString());
        } else {
            bool writable = false;
            sv::PropertyList::toXml(QVariantMap{{it.key(), it.value()}}, &writable);
            if (writable)
                contents.others.insert(it.key(), it.value());
        }
    }
    return Read::Read;
}

bool SVAnnotationsHelper::writeLocked(const Contents& contents, QString& error)
{
    if (!QDir().mkpath(m_folder)) {
        error = QStringLiteral("Cannot create the folder \"%1\"").arg(m_folder);
        qCWarning(lcSkyvane).noquote() << "Failed to save annotations to:" << path() << error;
        return false;
    }
    QVariantMap plist = contents.others;
    for (auto it = contents.annotations.begin(); it != contents.annotations.end(); ++it)
        plist.insert(it.key(), it.value());
    if (!sv::PropertyList::writeFile(plist, path(), &error)) {
        qCWarning(lcSkyvane).noquote() << "Failed to save annotations to:" << path() << error;
        return false;
    }
    return true;
}

bool SVAnnotationsHelper::saveToDisk()
{
    std::lock_guard save(m_saveMutex);
    Contents snapshot;
    bool blocked = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_changed)
            return true;
        snapshot = {m_annotations, m_others};
        blocked = m_saveBlocked;
    }
    QString error;
    if (blocked) {
        // The file could not be read: try again, and write only once it is
        // read, with this run's edits over what it holds.
        Contents onDisk;
        switch (readFile(onDisk, error)) {
        case Read::Read:
        case Read::Absent:
            for (auto it = snapshot.annotations.begin(); it != snapshot.annotations.end(); ++it) {
                onDisk.annotations.insert(it.key(), it.value());
                onDisk.others.remove(it.key());
            }
            snapshot = onDisk;
            {
                std::lock_guard lock(m_mutex);
                for (auto it = onDisk.annotations.begin(); it != onDisk.annotations.end(); ++it)
                    if (!m_annotations.contains(it.key()))
                        m_annotations.insert(it.key(), it.value());
                m_others = onDisk.others;
                m_saveBlocked = false;
            }
            break;
        case Read::Unopenable:
        case Read::Damaged:
            error = QStringLiteral("Cannot read \"%1\" (%2), so it was not written over; the annotations are kept "
                                   "until the next save")
                        .arg(path(), error);
            qCWarning(lcSkyvane).noquote() << "Failed to save annotations to:" << path() << error;
            sv::postFileSaveResult(path(), error);
            return false;
        }
    }
    const bool ok = writeLocked(snapshot, error);
    if (ok) {
        std::lock_guard lock(m_mutex);
        // Edits made while writing are saved next time.
        if (m_annotations == snapshot.annotations && m_others == snapshot.others)
            m_changed = false;
    }
    sv::postFileSaveResult(path(), ok ? QString() : error);
    return ok;
}

void SVAnnotationsHelper::readFromDisk()
{
    std::lock_guard save(m_saveMutex);
    {
        std::lock_guard lock(m_mutex);
        if (m_loaded)
            return;
        m_loaded = true;
    }
    sv::UserDefaults& defaults = m_defaults ? *m_defaults : sv::UserDefaults::standardUserDefaults();
    Contents contents;
    bool blocked = false;
    QString readError;
    QString movedAside;

    const QString file = path();
    QString error;
    switch (readFile(contents, error)) {
    case Read::Absent:
    case Read::Read:
        break;
    case Read::Unopenable:
        // Perhaps only for now (permissions): leave it where it is, untouched.
        readError = QStringLiteral("Cannot read \"%1\": %2").arg(file, error);
        qCWarning(lcSkyvane).noquote() << "Unreadable annotations file" << file << error;
        blocked = true;
        break;
    case Read::Damaged: {
        // Keep what is there for the user to rescue; the next save must
        // not write over it.
        const QString aside = sv::asideName(file);
        if (QFile::rename(file, aside)) {
            qCWarning(lcSkyvane).noquote() << "Unreadable annotations file moved to" << aside << error;
            movedAside = aside;
        } else {
            qCWarning(lcSkyvane).noquote() << "Unreadable annotations file" << file << error;
            readError = QStringLiteral("Cannot read \"%1\": %2").arg(file, error);
            blocked = true;
        }
        break;
    }
    }

    // Older versions kept the annotations in the settings: theirs win, and the
    // key goes only once the merged map is safely on disk.
    const bool migrate = defaults.hasStoredValue(SVDefaultsKey::Annotations)
        && defaults.objectForKey(SVDefaultsKey::Annotations).typeId() == QMetaType::QVariantMap;
    if (migrate) {
        const QVariantMap old = defaults.dictionaryForKey(SVDefaultsKey::Annotations);
        for (auto it = old.begin(); it != old.end(); ++it)
            if (it.value().typeId() == QMetaType::QString) {
                insertTrimmed(contents.annotations, it.key(), it.value().toString());
                contents.others.remove(it.key());
            }
    }

    {
        std::lock_guard lock(m_mutex);
        // Edits made while loading are newer than anything read.
        for (auto it = m_annotations.begin(); it != m_annotations.end(); ++it) {
            contents.annotations.insert(it.key(), it.value());
            contents.others.remove(it.key());
        }
        m_annotations = contents.annotations;
        m_others = contents.others;
        m_saveBlocked = blocked;
        m_readError = readError;
        m_movedAside = movedAside;
        m_changed = m_changed || migrate;
    }
    QString writeError;
    if (migrate && !blocked && writeLocked(contents, writeError)) {
        {
            std::lock_guard lock(m_mutex);
            if (m_annotations == contents.annotations && m_others == contents.others)
                m_changed = false;
        }
        defaults.removeObjectForKey(SVDefaultsKey::Annotations);
        defaults.synchronize();
    }
}
