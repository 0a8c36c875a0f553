#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>

namespace sv {

// The per-user defaults store: an INI file read once into memory. Defaults
// are registered first, then read through typed getters; a key that is
// neither stored nor registered reads as absent (false, 0, empty). Safe to
// use from any thread. didChange() is emitted on the store's thread, queued
// and coalesced: many writes in one turn of the event loop give one signal.
//
// QSettings lays out the text but never writes the file: its own save
// reports success after a failed flush. synchronize() writes through the
// whole-or-nothing writer, and only when the text changed; changes are also
// written once the event loop runs after them, with didChange().
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
    QVariantMap registeredDefaults() const;

    bool hasStoredValue(const QString& key) const;
    QVariant objectForKey(const QString& key) const; // stored, else registered, else invalid
    bool boolForKey(const QString& key) const;
    // Numbers are range-checked before conversion: a stored value that is no
    // finite number within 64 bits (1e308, nan) reads as the registered
    // default, as does one outside [minimum, maximum] where bounds are given.
    qint64 integerForKey(const QString& key) const;
    qint64 integerForKey(const QString& key, qint64 minimum, qint64 maximum) const;
    double doubleForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    QByteArray dataForKey(const QString& key) const;
    QStringList stringArrayForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;

    void setObject(const QVariant& value, const QString& key);
    void setBool(bool value, const QString& key) { setObject(value, key); }
    void setInteger(qint64 value, const QString& key) { setObject(value, key); }
    void setDouble(double value, const QString& key) { setObject(value, key); }
    void setString(const QString& value, const QString& key) { setObject(value, key); }
    void removeObjectForKey(const QString& key);

    // Writes pending changes to disk; false when the file could not be
    // written, and then the old file stays and lastError() says why.
    bool synchronize();
    QString fileName() const;
    // The last failed write's reason (naming the file); empty after a success.
    QString lastError() const;

signals:
    void didChange();

private:
    void scheduleChange();
    bool write(bool report);
    bool readAgain(QString* error);
    QVariant registeredDefault(const QString& key) const;

    mutable std::recursive_mutex m_mutex;
    const QString m_fileName;
    QVariantMap m_values;   // what the file holds, with this run's changes
    bool m_dirty = false;   // changed since the last write or read
    QString m_lastError;
    QVariantMap m_registered;
    bool m_changePending = false;
    bool m_unreadable = false;      // the file is there but could not be read
    QSet<QString> m_removedUnread;  // removed while the file was unreadable
};

} // namespace sv
