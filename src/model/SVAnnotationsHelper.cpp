#include "model/SVAnnotationsHelper.h"

#include "platform/ApplicationFolder.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariantMap>

namespace {

const QString OldSettingsKey = QStringLiteral("Annotations");
const QString FileName = QStringLiteral("annotations.plist");

// Where an unreadable annotations file goes, never over an earlier one.
QString asideName(const QString& path)
{
    QString aside = path + QStringLiteral(".corrupt");
    if (QFileInfo::exists(aside))
        aside += u'-' + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    return aside;
}

} // namespace

SVAnnotationsHelper::SVAnnotationsHelper(QString folder, sv::UserDefaults* defaults)
    : m_folder(std::move(folder)), m_defaults(defaults)
{
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
    const QString trimmed = text.trimmed();
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
    insertTrimmed(m_annotations, bssid, annotations);
}

bool SVAnnotationsHelper::writeLocked(const QMap<QString, QString>& map)
{
    if (!QDir().mkpath(m_folder)) {
        qCWarning(lcSkyvane).noquote() << "Failed to save annotations to:" << path();
        return false;
    }
    QVariantMap plist;
    for (auto it = map.begin(); it != map.end(); ++it)
        plist.insert(it.key(), it.value());
    QString error;
    if (!sv::PropertyList::writeFile(plist, path(), &error)) {
        qCWarning(lcSkyvane).noquote() << "Failed to save annotations to:" << path() << error;
        return false;
    }
    return true;
}

bool SVAnnotationsHelper::saveToDisk()
{
    std::lock_guard save(m_saveMutex);
    QMap<QString, QString> snapshot;
    {
        std::lock_guard lock(m_mutex);
        if (m_saveBlocked) {
            qCWarning(lcSkyvane).noquote() << "Failed to save annotations to:" << path()
                                           << "(the unreadable file there is kept)";
            return false;
        }
        snapshot = m_annotations;
    }
    return writeLocked(snapshot);
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
    QMap<QString, QString> map;
    bool blocked = false;

    const QString file = path();
    if (QFileInfo::exists(file)) {
        QString error;
        const QVariant root = sv::PropertyList::readFile(file, &error);
        if (root.typeId() == QMetaType::QVariantMap) {
            const QVariantMap stored = root.toMap();
            for (auto it = stored.begin(); it != stored.end(); ++it)
                if (it.value().typeId() == QMetaType::QString)
                    insertTrimmed(map, it.key(), it.value().toString());
        } else {
            // Keep what is there for the user to rescue; the next save must
            // not write over it.
            const QString aside = asideName(file);
            if (QFile::rename(file, aside)) {
                qCWarning(lcSkyvane).noquote() << "Unreadable annotations file moved to" << aside << error;
            } else {
                qCWarning(lcSkyvane).noquote() << "Unreadable annotations file" << file << error;
                blocked = true;
            }
        }
    }

    // Older versions kept the annotations in the settings: theirs win, and the
    // key goes only once the merged map is safely on disk.
    const bool migrate = defaults.hasStoredValue(OldSettingsKey)
        && defaults.objectForKey(OldSettingsKey).typeId() == QMetaType::QVariantMap;
    if (migrate) {
        const QVariantMap old = defaults.dictionaryForKey(OldSettingsKey);
        for (auto it = old.begin(); it != old.end(); ++it)
            if (it.value().typeId() == QMetaType::QString)
                insertTrimmed(map, it.key(), it.value().toString());
    }

    {
        std::lock_guard lock(m_mutex);
        // Edits made while loading are newer than anything read.
        for (auto it = m_annotations.begin(); it != m_annotations.end(); ++it)
            map.insert(it.key(), it.value());
        m_annotations = map;
        m_saveBlocked = blocked;
    }
    if (migrate && !blocked && writeLocked(map)) {
        defaults.removeObjectForKey(OldSettingsKey);
        defaults.synchronize();
    }
}
