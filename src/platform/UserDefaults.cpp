#include "platform/UserDefaults.h"

#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

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

// A finite number, from a number or from text (INI files hand back text).
std::optional<double> realValue(const QVariant& v)
{
    bool ok = false;
    double d = 0;
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray)
        d = v.toString().trimmed().toDouble(&ok);
    else if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1.0 : 0.0;
    else
        d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

// A whole number within 64 bits, or nothing. Fractions are cut toward zero;
// the range is checked on the double first, since converting one outside
// it is undefined. Text that is no number at all reads as 0 ("true" as 1).
std::optional<qint64> integerValue(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return v.toLongLong();
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        if (v.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(v.toULongLong());
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = v.toString().trimmed();
        bool ok = false;
        if (const qint64 i = text.toLongLong(&ok); ok)
            return i;
        if (text.toLower() == u"true")
            return 1;
        text.toDouble(&ok);
        if (!ok)
            return 0;
        break;
    }
    default:
        break;
    }
    const auto d = realValue(v);
    // 2^63 is exact as a double; every double below it converts.
    constexpr double kLimit = 9223372036854775808.0;
    if (!d || *d >= kLimit || *d < -kLimit)
        return std::nullopt;
    return static_cast<qint64>(*d);
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
    if (const auto i = integerValue(v))
        return *i;
    // Out of range (1e308, nan): the registered default, as if never stored.
    return integerValue(registeredDefault(key)).value_or(0);
}

qint64 UserDefaults::integerForKey(const QString& key, qint64 minimum, qint64 maximum) const
{
    const qint64 i = integerForKey(key);
    if (i >= minimum && i <= maximum)
        return i;
    const qint64 fallback = integerValue(registeredDefault(key)).value_or(0);
    return std::clamp(fallback, minimum, maximum);
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (const auto d = realValue(v))
        return *d;
    const bool isText = v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
    bool number = false;
    if (isText)
        v.toString().trimmed().toDouble(&number);
    // Text that is no number reads as 0, as it always has; infinities and
    // nan read as the registered default.
    if (!v.isValid() || (isText && !number))
        return 0.0;
    return realValue(registeredDefault(key)).value_or(0.0);
}

QVariant UserDefaults::registeredDefault(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    return m_registered.value(key);
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
