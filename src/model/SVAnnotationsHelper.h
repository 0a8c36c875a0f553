#pragma once

#include <QMap>
#include <QString>

#include <mutex>

namespace sv {
class UserDefaults;
}

// The shared store of the user's annotations by BSSID, kept in
// annotations.plist in the application folder. Safe to use from any thread.
class SVAnnotationsHelper {
public:
    // A store over annotations.plist in folder, migrating the old settings key
    // from defaults (the application's store when nullptr). Nothing is read
    // until readFromDisk().
    explicit SVAnnotationsHelper(QString folder, sv::UserDefaults* defaults = nullptr);
    SVAnnotationsHelper(const SVAnnotationsHelper&) = delete;
    SVAnnotationsHelper& operator=(const SVAnnotationsHelper&) = delete;

    // The application's store, read from disk on first use.
    static SVAnnotationsHelper& sharedAnnotations();

    QMap<QString, QString> annotations() const;
    QString annotationsForNetwork(const QString& bssid) const;
    // Stores the text trimmed of white space and line ends; an empty result
    // removes the entry. Does not save.
    void setAnnotationsForNetwork(const QString& bssid, const QString& annotations);

    // Writes the whole map atomically; false (and logged) when it could not.
    bool saveToDisk();
    // Loads the map once; later calls do nothing.
    void readFromDisk();

    QString path() const;

private:
    static void insertTrimmed(QMap<QString, QString>& map, const QString& bssid, const QString& text);
    bool writeLocked(const QMap<QString, QString>& map);

    const QString m_folder;
    sv::UserDefaults* m_defaults;
    mutable std::mutex m_mutex; // guards the map and the flags
    std::mutex m_saveMutex;     // one write at a time, in call order
    QMap<QString, QString> m_annotations;
    bool m_loaded = false;
    bool m_saveBlocked = false; // an unreadable file could not be moved aside
};
