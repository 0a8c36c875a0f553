#include "platform/UserDefaults.h"

#include "platform/NotificationCenter.h"

#include "platform/FileWriter.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QDataStream>
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

bool isText(const QVariant& v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

// A truth value, from a bool, a number or text (INI files hand back text).
std::optional<bool> truthValue(const QVariant& v)
{
    if (!isText(v))
        return v.canConvert<bool>() ? std::optional<bool>(v.toBool()) : std::nullopt;
    const QString s = v.toString().trimmed().toLower();
    if (s == u"true" || s == u"yes")
        return true;
    if (s == u"false" || s == u"no")
        return false;
    bool ok = false;
    const double d = s.toDouble(&ok);
    if (!ok || std::isnan(d))
        return std::nullopt;
    return d != 0;
}

// Lines whose first character that is no blank is '#' or ';', left out.
// Values Qt keeps as a serialised variant are read by us, not by QSettings:
// its reader reserves whatever count the bytes claim (a damaged file asked
// for 34 GB). The marker is renamed so that QSettings hands the text over.
constexpr QLatin1StringView kVariantMarker("@Variant(");
constexpr QLatin1StringView kHeldMarker("@SkyvaneHeldVariant(");

// Renames the variant marker at the start of a line's value.
QByteArray withHeldVariant(const QByteArray& line)
{
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return line;
    qsizetype at = equals + 1;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    if (!line.mid(at).startsWith(QByteArray(kVariantMarker.data(), kVariantMarker.size())))
        return line;
    return line.left(at) + QByteArray(kHeldMarker.data(), kHeldMarker.size()) + line.mid(at + kVariantMarker.size());
}

// Walks a variant as QDataStream's version 4.0 lays it out, for the kinds a
// settings value holds; every count must fit in the bytes that are left.
class VariantCheck {
public:
    explicit VariantCheck(const QByteArray& bytes)
        : m_at(reinterpret_cast<const uchar*>(bytes.constData())), m_left(bytes.size()) {}

    bool variant(int depth = 0)
    {
        quint32 type = 0;
        if (depth > 32 || !number(type))
            return false;
        switch (type) {
        case QMetaType::UnknownType:
            return true;
        case QMetaType::Bool:
            return skip(1);
        case QMetaType::QChar:
            return skip(2);
        case QMetaType::Int:
        case QMetaType::UInt:
            return skip(4);
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
            return skip(8);
        case QMetaType::QString:
        case QMetaType::QByteArray:
            return block();
        case QMetaType::QStringList:
            return items(4, [this] { return block(); });
        case QMetaType::QVariantList:
            return items(4, [this, depth] { return variant(depth + 1); });
        case QMetaType::QVariantMap:
            return items(8, [this, depth] { return block() && variant(depth + 1); });
        default:
            return false;
        }
    }
    bool atEnd() const { return m_left == 0; }

private:
    bool skip(qsizetype n)
    {
        if (n > m_left)
            return false;
        m_at += n;
        m_left -= n;
        return true;
    }
    bool number(quint32& value)
    {
        if (m_left < 4)
            return false;
        value = quint32(m_at[0]) << 24 | quint32(m_at[1]) << 16 | quint32(m_at[2]) << 8 | quint32(m_at[3]);
        return skip(4);
    }
    bool block()
    {
        quint32 length = 0;
        return number(length) && (length == 0xFFFFFFFFu || skip(qsizetype(length)));
    }
    template <typename Item>
    bool items(qsizetype leastSize, Item item)
    {
        quint32 count = 0;
        if (!number(count) || qsizetype(count) > m_left / leastSize)
            return false;
        for (quint32 i = 0; i < count; ++i)
            if (!item())
                return false;
        return true;
    }

    const uchar* m_at;
    qsizetype m_left;
};

// The variant a held value stands for; nothing when its bytes do not hold one.
std::optional<QVariant> heldVariant(const QString& text)
{
    if (!text.endsWith(u')'))
        return std::nullopt;
    const QByteArray bytes = text.mid(kHeldMarker.size()).chopped(1).toLatin1();
    VariantCheck check(bytes);
    if (!check.variant() || !check.atEnd())
        return std::nullopt;
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_0);
    QVariant value;
    stream >> value;
    if (stream.status() != QDataStream::Ok)
        return std::nullopt;
    return value;
}

QByteArray withoutCommentLines(const QByteArray& text, bool* dropped)
{
    QByteArray out;
    out.reserve(text.size());
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        qsizetype first = start;
        while (first < end && (text[first] == ' ' || text[first] == '\t'))
            ++first;
        if (first < end && (text[first] == '#' || text[first] == ';'))
            *dropped = true;
        else
            out.append(withHeldVariant(text.mid(start, end - start)));
        start = end;
    }
    return out;
}

enum class FileState { Absent, Read, Damaged, Unreadable };

struct FileContents {
    FileState state = FileState::Absent;
    QByteArray text;
    QVariantMap values;
    QString error; // the system's reason, when unreadable
};

FileContents readFile(const QString& fileName)
{
    FileContents contents;
    QFile file(fileName);
    if (!QFileInfo::exists(fileName))
        return contents;
    if (!file.open(QIODevice::ReadOnly)) {
        contents.state = FileState::Unreadable;
        contents.error = file.errorString();
        return contents;
    }
    contents.text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        contents.state = FileState::Unreadable;
        contents.error = file.errorString();
        return contents;
    }
    bool damaged = false;
    const auto values = settingsFromText(contents.text, &damaged, &contents.error);
    if (!values) {
        contents.state = FileState::Unreadable;
        return contents;
    }
    contents.values = *values;
    contents.state = damaged ? FileState::Damaged : FileState::Read;
    return contents;
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
    if (isText(v))
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
// it is undefined. Truth values count as 1 and 0.
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
        if (text.toLower() == u"false")
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

// Whether value is what stored holds already, as an INI file hands it back:
// text "300" is the number 300, "true" is YES, "11" is 11.0.
bool sameSetting(const QVariant& stored, const QVariant& value)
{
    if (stored.typeId() == value.typeId() || isText(stored) == isText(value))
        return stored == value;
    const QVariant& typed = isText(stored) ? value : stored;
    const QVariant& text = isText(stored) ? stored : value;
    switch (typed.typeId()) {
    case QMetaType::Bool:
        return truthValue(text) == truthValue(typed);
    case QMetaType::Double:
    case QMetaType::Float:
        return realValue(text) == realValue(typed);
    default:
        if (typed.canConvert<qint64>() && integerValue(typed))
            return integerValue(text) == integerValue(typed) && realValue(text) == realValue(typed);
        return false;
    }
}

} // namespace

std::optional<QVariantMap> settingsFromText(const QByteArray& text, bool* damaged, QString* error)
{
    *damaged = false;
    const QByteArray clean = withoutCommentLines(text, damaged);
    // QSettings reads files only: a scratch copy in a private folder (no
    // file of the user's), so that no cache of an earlier read is used.
    QTemporaryDir folder;
    QFile copy(folder.filePath(QStringLiteral("read.conf")));
    if (!folder.isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(clean) != clean.size() || !copy.flush()) {
        if (error)
            *error = QStringLiteral("Cannot read the settings in %1: %2")
                         .arg(folder.path(), folder.isValid() ? copy.errorString() : folder.errorString());
        return std::nullopt;
    }
    copy.close();
    QVariantMap values;
    const QSettings settings(copy.fileName(), QSettings::IniFormat);
    for (const QString& key : settings.allKeys()) {
        QVariant value = settings.value(key);
        const auto heldText = [&value] {
            if (value.typeId() == QMetaType::QStringList)
                return value.toStringList().value(0);
            return value.typeId() == QMetaType::QString ? value.toString() : QString();
        }();
        if (heldText.startsWith(kHeldMarker)) {
            std::optional<QVariant> held =
                value.typeId() == QMetaType::QString ? heldVariant(heldText) : std::nullopt;
            if (!held) {
                *damaged = true;
                continue;
            }
            value = std::move(*held);
        }
        values.insert(key, value);
    }
    if (settings.status() != QSettings::NoError)
        *damaged = true;
    return values;
}

UserDefaults::UserDefaults(const QString& fileName, QObject* parent)
    : QObject(parent), m_fileName(QFileInfo(fileName).absoluteFilePath())
{
    FileContents contents = readFile(m_fileName);
    m_values = contents.values;
    switch (contents.state) {
    case FileState::Absent:
    case FileState::Read:
        break;
    case FileState::Damaged:
        // What could be read is used and written back clean at the next
        // write; the text as it is goes aside first for the user to rescue.
        setAside(contents.text);
        m_rewrite = true;
        break;
    case FileState::Unreadable:
        // Perhaps only for now (permissions): never written over unread.
        m_valuesUnknown = true;
        m_readError = QStringLiteral("Cannot read \"%1\": %2").arg(m_fileName, contents.error);
        qCWarning(lcSkyvane).noquote() << "Cannot read the settings file" << m_fileName << contents.error;
        break;
    }
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

void UserDefaults::registerRange(const QString& key, qint64 minimum, qint64 maximum)
{
    std::lock_guard lock(m_mutex);
    m_ranges.insert(key, Range{minimum, maximum});
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

QVariant UserDefaults::registeredDefault(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    return m_registered.value(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    if (const auto b = truthValue(objectForKey(key)))
        return *b;
    return truthValue(registeredDefault(key)).value_or(false);
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    std::optional<Range> range;
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_ranges.constFind(key); it != m_ranges.constEnd())
            range = *it;
    }
    const auto i = integerValue(objectForKey(key));
    if (i && (!range || (*i >= range->minimum && *i <= range->maximum)))
        return *i;
    return integerValue(registeredDefault(key)).value_or(0);
}

double UserDefaults::doubleForKey(const QString& key) const
{
    if (const auto d = realValue(objectForKey(key)))
        return *d;
    return realValue(registeredDefault(key)).value_or(0.0);
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
        // What the key reads as already (a stored value the run read, or the
        // registered default) written back is no change of this run.
        if (!m_changes.contains(key) && sameSetting(objectForKey(key), value))
            return;
        m_values.insert(key, value);
        m_changes.insert(key, value);
    }
    scheduleChange();
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    {
        std::lock_guard lock(m_mutex);
        // Unread, the file may hold the key: the removal is kept for it.
        if (!m_values.contains(key) && !m_changes.contains(key) && !m_valuesUnknown)
            return;
        m_values.remove(key);
        m_changes.insert(key, QVariant());
    }
    scheduleChange();
}

void UserDefaults::setAside(const QByteArray& text)
{
    if (text == m_setAsideText)
        return;
    const QString aside = asideName(m_fileName);
    QString error;
    if (writeFileWhole(aside, text, &error)) {
        m_setAside = aside;
        m_setAsideText = text;
        qCWarning(lcSkyvane).noquote() << "Settings file" << m_fileName << "has lines that are no settings; copied to"
                                       << aside;
    } else {
        qCWarning(lcSkyvane).noquote() << "Settings file" << m_fileName << "has lines that are no settings:" << error;
    }
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
    bool quiet = false;
    QString error;
    {
        std::lock_guard lock(m_mutex);
        if (m_changes.isEmpty() && !m_rewrite)
            return m_lastError.isEmpty();
        // This run's changes over what the file holds now.
        FileContents now = readFile(m_fileName);
        QVariantMap merged = now.values;
        if (now.state == FileState::Unreadable) {
            ok = false;
            error = QStringLiteral("Cannot read \"%1\" (%2), so it was not written over; this run's settings are "
                                   "kept until the next save")
                        .arg(m_fileName, now.error);
            // The user was told at start that the file cannot be read.
            quiet = m_valuesUnknown && !m_readError.isEmpty();
        } else {
            if (now.state == FileState::Damaged)
                setAside(now.text);
            for (auto it = m_changes.begin(); it != m_changes.end(); ++it) {
                if (it.value().isValid())
                    merged.insert(it.key(), it.value());
                else
                    merged.remove(it.key());
            }
        }
        QByteArray text;
        if (ok)
            ok = settingsText(merged, &text, &error);
        // Values set again to what they were leave the file as it is.
        if (ok && text != now.text) {
            QDir().mkpath(QFileInfo(m_fileName).absolutePath());
            ok = writeFileWhole(m_fileName, text, &error);
            wrote = true;
        }
        if (ok) {
            recovered = !m_lastError.isEmpty();
            m_values = merged;
            m_changes.clear();
            m_rewrite = false;
            m_valuesUnknown = false;
            m_lastError.clear();
        } else {
            // Kept pending: the next synchronize tries again.
            m_lastError = error;
            qCWarning(lcSkyvane).noquote() << "Failed to save the settings:" << error;
        }
    }
    if (report && !quiet && (!ok || recovered || wrote))
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

QString UserDefaults::readError() const
{
    std::lock_guard lock(m_mutex);
    return m_readError;
}

QString UserDefaults::setAsideFileName() const
{
    std::lock_guard lock(m_mutex);
    return m_setAside;
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
