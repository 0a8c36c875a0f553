#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>

namespace sv {

// What the bytes of a settings file (INI format) hold. Qt's INI reader
// knows no comment lines: it takes "# a = b" for a key and lets an open
// quote in one swallow the lines after it, so lines starting with '#' or
// ';' are left out first. *damaged is set when any line was left out or the
// reader met one it could not take; the values it could read are returned.
// Nothing (and *error) when the text could not be handed to the reader.
std::optional<QVariantMap> settingsFromText(const QByteArray& text, bool* damaged, QString* error = nullptr);

// The per-user defaults store over an INI file. Defaults are registered
// first, then read through typed getters; a key that is neither stored nor
// registered reads as absent (false, 0, empty). Safe to use from any thread.
// didChange() is emitted on the store's thread, queued and coalesced: many
// writes in one turn of the event loop give one signal.
//
// Other processes (a second instance, a hand edit) may change the file while
// this one runs, so a write never puts back what this store read: it reads
// the file again and applies only the keys this run set or removed. Setting
// a key to what it reads as already is no change. QSettings lays out the
// text but never writes the file (its own save reports success after a
// failed flush): the text goes through the whole-or-nothing writer, and only
// when it differs. Changes are written once the event loop runs after them.
class UserDefaults : public QObject {
    Q_OBJECT
public:
    // The name of the notification posted with each didChange().
    static inline const QString DidChangeNotification = QStringLiteral("UserDefaultsDidChange");

    // A store over the given settings file (INI format), for tests and tools.
    explicit UserDefaults(const QString& fileName, QObject* parent = nullptr);
    ~UserDefaults() override;

    // The application's store: ~/.config/Skyvane/Skyvane.conf (the XDG
    // config folder). Created on first use.
    static UserDefaults& standardUserDefaults();
    // Replaces the application's store (tests); nullptr restores the default.
    static void setStandardUserDefaults(std::unique_ptr<UserDefaults> defaults);

    void registerDefaults(const QVariantMap& defaults);
    // The bounds a registered integer setting holds to: a stored value
    // outside them reads as the registered default.
    void registerRange(const QString& key, qint64 minimum, qint64 maximum);
    QVariantMap registeredDefaults() const;

    bool hasStoredValue(const QString& key) const;
    QVariant objectForKey(const QString& key) const; // stored, else registered, else invalid
    // Stored values that are not of the type asked for read as the
    // registered default: text that is no truth value or number ("", "abc"),
    // numbers that are not finite or not within 64 bits (1e308, nan), and
    // integers outside their registered range. Numbers are range-checked
    // before they are converted.
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    QByteArray dataForKey(const QString& key) const;
    QStringList stringArrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;

    void setObject(const QVariant& value, const QString& key);
    void setBool(bool value, const QString& key) { setObject(value, key); }
    void setInteger(qint64 value, const QString& key) { setObject(value, key); }
    void setDouble(double value, const QString& key) { setObject(value, key); }
    void setString(const QString& value, const QString& key) { setObject(value, key); }
    void removeObjectForKey(const QString& key);

    // Writes this run's pending changes into the file as it is now; false
    // when the file could not be read or written, and then the old file
    // stays, the changes stay pending and lastError() says why.
    bool synchronize();
    QString fileName() const;
    // The last failed write's reason (naming the file); empty after a success.
    QString lastError() const;

    // Why the file could not be read when the store was made; empty when it
    // could. Its values are then unknown: they read as the defaults, and this
    // run's changes are written into the file once it can be read.
    QString readError() const;
    // Where the text of a file with lines the store could not take was
    // copied (the next write leaves those lines out); empty when none was.
    QString setAsideFileName() const;

signals:
    void didChange();

private:
    struct Range {
        qint64 minimum;
        qint64 maximum;
    };

    void scheduleChange();
    bool write(bool report);
    void setAside(const QByteArray& text);
    QVariant registeredDefault(const QString& key) const;

    mutable std::recursive_mutex m_mutex;
    const QString m_fileName;
    QVariantMap m_values;   // what the file held when last read, with this run's changes
    QVariantMap m_changes;  // keys set (or removed: an invalid value) since the last write
    QString m_lastError;
    QVariantMap m_registered;
    QMap<QString, Range> m_ranges;
    bool m_changePending = false;
    bool m_valuesUnknown = false;   // the file has not been read yet (it could not be)
    bool m_rewrite = false;         // the file has lines that are no settings: written clean
    QString m_readError;
    QString m_setAside;
    QByteArray m_setAsideText;      // what was copied there, so it is copied once
};

} // namespace sv
