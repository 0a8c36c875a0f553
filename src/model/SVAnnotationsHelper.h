#pragma once

#include <QMap>
#include <QString>
#include <QVariantMap>

#include <condition_variable>
#include <mutex>
#include <thread>

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
    // Finishes the saves asked for before it goes.
    ~SVAnnotationsHelper();
    SVAnnotationsHelper(const SVAnnotationsHelper&) = delete;
    SVAnnotationsHelper& operator=(const SVAnnotationsHelper&) = delete;

    // The application's store, read from disk on first use.
    static SVAnnotationsHelper& sharedAnnotations();

    QMap<QString, QString> annotations() const;
    QString annotationsForNetwork(const QString& bssid) const;
    // Stores the text trimmed of white space and line ends; an empty result
    // removes the entry. Does not save.
    void setAnnotationsForNetwork(const QString& bssid, const QString& annotations);

    // Writes the whole map whole or not at all, when it changed since it was
    // read or last saved; false (logged and posted as a failed save) when it
    // could not. A file that could not be read is read again first and never
    // written over.
    bool saveToDisk();
    // Saves on the store's own thread and returns at once: edits made
    // while a save is written come together in the next one, and each save
    // writes the map as it stands when it starts, so the newest lands last.
    void saveToDiskInBackground();
    // Waits until every save asked for so far has been written (or failed).
    void waitForBackgroundSaves();
    // Loads the map once; later calls do nothing.
    void readFromDisk();
    // Why the file could not be read at start, empty when it could.
    QString readError() const;
    // Where a damaged file found at start was moved, empty when none was.
    QString movedAsidePath() const;

    QString path() const;

private:
    // What the file holds: the annotations, and the entries this program
    // does not understand, kept to be written back as they were.
    struct Contents {
        QMap<QString, QString> annotations;
        QVariantMap others;
    };
    enum class Read { Absent, Read, Unopenable, Damaged };
    static void insertTrimmed(QMap<QString, QString>& map, const QString& bssid, const QString& text);
    Read readFile(Contents& contents, QString& error) const;
    bool writeLocked(const Contents& contents, QString& error);
    void saveLoop();

    const QString m_folder;
    sv::UserDefaults* m_defaults;
    mutable std::mutex m_mutex; // guards the map and the flags
    std::mutex m_saveMutex;     // one write at a time, in call order
    QMap<QString, QString> m_annotations;
    QVariantMap m_others;
    bool m_loaded = false;
    bool m_changed = false;     // edited since read or last saved
    bool m_saveBlocked = false; // the file there could not be read: never write over it
    QString m_readError;
    QString m_movedAside;

    // The background saver: one thread, started by the first request.
    std::mutex m_requestMutex;
    std::condition_variable m_requestChanged;
    quint64 m_requested = 0; // saves asked for
    quint64 m_done = 0;      // of those, written or failed
    bool m_stopping = false;
    std::thread m_saver;
};
