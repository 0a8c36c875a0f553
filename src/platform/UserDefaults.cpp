#include "platform/UserDefaults.h"

#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QStandardPaths>

namespace sv {

namespace {

std::mutex g_standardMutex;
std::unique_ptr<UserDefaults> g_standard;

QString standardFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Skyvane/Skyvane.conf");
}

bool toBool(const QVariant& v)
{
    // INI files hand back text; "true"/"false" and numbers both occur.
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == u"true" || s == u"yes")
            return true;
        bool ok = false;
        const double d = s.toDouble(&ok);
        return ok && d != 0;
    }
    return v.toBool();
}

} // namespace

UserDefaults::UserDefaults(const QString& fileName, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

UserDefaults::~UserDefaults()
{
    if (m_settings)
        m_settings->sync();
}

UserDefaults& UserDefaults::standardUserDefaults()
{
    std::lock_guard lock(g_standardMutex);
    if (!g_standard) {
        g_standard = std::make_unique<UserDefaults>(standardFileName());
        if (QCoreApplication::instance())
            g_standard->moveToThread(QCoreApplication::instance()->thread());
    }
    return *g_standard;
}

void UserDefaults::setStandardUserDefaults(std::unique_ptr<UserDefaults> defaults)
{
    std::lock_guard lock(g_standardMutex);
    g_standard = std::move(defaults);
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    std::lock_guard lock(m_mutex);
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

QVariantMap UserDefaults::registeredDefaults() const
{
    std::lock_guard lock(m_mutex);
    return m_registered;
}

bool UserDefaults::hasStoredValue(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    return m_settings->contains(key);
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    if (m_settings->contains(key))
        return m_settings->value(key);
    return m_registered.value(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return v.isValid() && toBool(v);
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (!v.isValid())
        return 0;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    bool ok = false;
    const qint64 i = v.toLongLong(&ok);
    if (ok)
        return i;
    const double d = v.toDouble(&ok);
    if (ok)
        return static_cast<qint64>(d);
    const QString s = v.toString().trimmed().toLower();
    return s == u"true" ? 1 : 0;
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : 0.0;
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return v.canConvert<QString>() ? v.toString() : QString();
}

QByteArray UserDefaults::dataForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

QStringList UserDefaults::stringArrayForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() == QMetaType::QVariantList) {
        QStringList out;
        for (const QVariant& item : v.toList())
            if (item.typeId() == QMetaType::QString)
                out << item.toString();
        return out;
    }
    if (v.typeId() == QMetaType::QString && !v.toString().isEmpty())
        return {v.toString()}; // QSettings folds a one-element list into a string
    return {};
}

QVariantList UserDefaults::arrayForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList)
        return v.toList();
    return {};
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_settings->setValue(key, value);
    }
    scheduleChange();
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    {
        std::lock_guard lock(m_mutex);
        m_settings->remove(key);
    }
    scheduleChange();
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString UserDefaults::fileName() const
{
    std::lock_guard lock(m_mutex);
    return m_settings->fileName();
}

void UserDefaults::scheduleChange()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_changePending)
            return;
        m_changePending = true;
    }
    QMetaObject::invokeMethod(this, [this] {
        {
            std::lock_guard lock(m_mutex);
            m_changePending = false;
        }
        emit didChange();
        NotificationCenter::defaultCenter().post(DidChangeNotification);
    }, Qt::QueuedConnection);
}

} // namespace sv
