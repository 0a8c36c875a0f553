#include "platform/UserDefaults.h"

#include "platform/NotificationCenter.h"

#include "platform/FileWriter.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

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

QVariantMap readSettings(const QString& fileName, QSettings::Status* status)
{
    QVariantMap values;
    const QSettings settings(fileName, QSettings::IniFormat);
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    *status = settings.status();
    return values;
}

// The INI text QSettings makes of values. It is laid out in a private
// temporary folder (QSettings checks no flush there either), so the text is
// read back and must hold every key and end with a whole line.
bool settingsText(const QVariantMap& values, QByteArray* text, QString* error)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        *error = QStringLiteral("Cannot lay out the settings: %1").arg(folder.errorString());
        return false;
    }
    const QString path = folder.filePath(QStringLiteral("settings.conf"));
    {
        QSettings settings(path, QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            *error = QStringLiteral("Cannot lay out the settings in %1").arg(folder.path());
            return false;
        }
    }
    QFile file(path);
    if (values.isEmpty() && !file.exists()) {
        text->clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot lay out the settings: %1").arg(file.errorString());
        return false;
    }
    *text = file.readAll();
    QStringList written = QSettings(path, QSettings::IniFormat).allKeys();
    QStringList expected = values.keys();
    written.sort();
    expected.sort();
    if (written != expected || (!text->isEmpty() && !text->endsWith('\n'))) {
        *error = QStringLiteral("Cannot lay out the settings in %1: the text came back cut short").arg(folder.path());
        return false;
    }
    return true;
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
    : QObject(parent), m_fileName(QFileInfo(fileName).absoluteFilePath())
{
    QSettings::Status status = QSettings::NoError;
    m_values = readSettings(m_fileName, &status);
    if (status == QSettings::FormatError) {
        // Keep the damaged text for the user to rescue; what could be read
        // is used, and the next save writes a clean file.
        const QString aside = asideName(m_fileName);
        if (QFile::rename(m_fileName, aside)) {
            qCWarning(lcSkyvane).noquote() << "Damaged settings file" << m_fileName << "moved to" << aside;
            m_dirty = !m_values.isEmpty();
        } else {
            m_unreadable = true;
        }
    } else if (status == QSettings::AccessError) {
        // Perhaps only for now (permissions): never written over unread.
        m_unreadable = true;
    }
    if (m_unreadable)
        qCWarning(lcSkyvane).noquote() << "Cannot read the settings file" << m_fileName;
}

UserDefaults::~UserDefaults()
{
    // Possibly at exit, after the notification centre is gone: no report.
    // Once the application object is gone QSettings cannot lay out the text;
    // the standard store was written by the post routine below by then.
    if (QCoreApplication::instance())
        write(false);
}

UserDefaults& UserDefaults::standardUserDefaults()
{
    std::lock_guard lock(g_standardMutex);
    if (!g_standard) {
        g_standard = std::make_unique<UserDefaults>(standardFileName());
        if (QCoreApplication::instance()) {
            g_standard->moveToThread(QCoreApplication::instance()->thread());
            // Written while the application object still stands.
            qAddPostRoutine([] {
                std::lock_guard lock(g_standardMutex);
                if (g_standard)
                    g_standard->write(false);
            });
        }
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
    return m_values.contains(key);
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_values.constFind(key); it != m_values.constEnd())
        return *it;
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
        m_values.insert(key, value);
        m_dirty = true;
    }
    scheduleChange();
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    {
        std::lock_guard lock(m_mutex);
        m_dirty = m_values.remove(key) > 0 || m_dirty;
        if (m_unreadable) {
            m_removedUnread.insert(key);
            m_dirty = true;
        }
    }
    scheduleChange();
}

bool UserDefaults::readAgain(QString* error)
{
    QSettings::Status status = QSettings::NoError;
    QVariantMap onDisk = readSettings(m_fileName, &status);
    if (status != QSettings::NoError) {
        *error = QStringLiteral("Cannot read \"%1\", so it was not written over; the settings are kept "
                                "until the next save")
                     .arg(m_fileName);
        return false;
    }
    // This run's changes over what the file holds.
    for (const QString& key : std::as_const(m_removedUnread))
        onDisk.remove(key);
    for (auto it = m_values.begin(); it != m_values.end(); ++it)
        onDisk.insert(it.key(), it.value());
    m_values = onDisk;
    m_removedUnread.clear();
    m_unreadable = false;
    return true;
}

bool UserDefaults::synchronize()
{
    return write(true);
}

bool UserDefaults::write(bool report)
{
    bool ok = true;
    bool wrote = false;
    bool recovered = false;
    QString error;
    {
        std::lock_guard lock(m_mutex);
        if (!m_dirty)
            return m_lastError.isEmpty();
        if (m_unreadable)
            ok = readAgain(&error);
        QByteArray text;
        if (ok)
            ok = settingsText(m_values, &text, &error);
        if (ok) {
            // Values set again to what they were leave the file as it is.
            QFile old(m_fileName);
            const bool same = old.open(QIODevice::ReadOnly) && old.size() == text.size() && old.readAll() == text;
            if (!same) {
                QDir().mkpath(QFileInfo(m_fileName).absolutePath());
                ok = writeFileWhole(m_fileName, text, &error);
                wrote = true;
            }
        }
        if (ok) {
            recovered = !m_lastError.isEmpty();
            m_dirty = false;
            m_lastError.clear();
        } else {
            // Kept dirty: the next synchronize tries again.
            m_lastError = error;
            qCWarning(lcSkyvane).noquote() << "Failed to save the settings:" << error;
        }
    }
    if (report && (!ok || recovered || wrote))
        postFileSaveResult(m_fileName, ok ? QString() : error);
    return ok;
}

QString UserDefaults::fileName() const
{
    std::lock_guard lock(m_mutex);
    return m_fileName;
}

QString UserDefaults::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
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
        // As QSettings did: changes reach the disk soon, not only at quit.
        write(true);
    }, Qt::QueuedConnection);
}

} // namespace sv
