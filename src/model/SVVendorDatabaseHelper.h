#pragma once

#include "platform/Zip.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <memory>
#include <mutex>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;
class SVVendorDatabaseUI;
namespace sv {
class Clock;
class UserNotifications;
}

// The shared vendor (OUI) database: vendor names by BSSID, web links by
// vendor, the shipped database and its updates from the web. Lookups are
// safe from any thread, also while a new database is installed; the update
// check and download run on the main thread's event loop.
class SVVendorDatabaseHelper {
public:
    // The address the database is fetched from unless the setting
    // "VendorsDatabaseURL" names another.
    static constexpr const char* DefaultDatabaseURL = "https://skyvane.app/vendors/vendors.plist.zip";
    // Largest vendors.plist accepted out of an archive or a download.
    static constexpr qint64 MaximumDatabaseSize = 32 * 1024 * 1024;

    SVVendorDatabaseHelper();
    ~SVVendorDatabaseHelper();
    SVVendorDatabaseHelper(const SVVendorDatabaseHelper&) = delete;
    SVVendorDatabaseHelper& operator=(const SVVendorDatabaseHelper&) = delete;

    static SVVendorDatabaseHelper& sharedDatabase();

    // Vendor name for a normalised BSSID text ("AA:BB:CC:DD:EE:FF"), or empty.
    QString stringForVendor(const QString& bssid) const;
    // Short vendor name ("Apple" for "Apple, Inc."), or empty.
    QString shortStringForVendor(const QString& bssid) const;
    // Web address for a vendor name, or empty.
    QString urlForVendor(const QString& vendor) const;

    // Installs the shipped database when this version has not done so yet.
    bool expandDatabase();
    // Installs the vendors.plist held by a zip archive. The new file replaces
    // the old one only once it is read, checked and written whole.
    bool expandDatabaseUsingFile(const QString& zipPath, bool overwrite);
    QString pathToDatabase() const;

    void checkForDatabaseUpdates(bool interactive);
    void startDatabaseUpdate();

    // The window's alerts and sheet; nullptr shows nothing.
    void setUI(SVVendorDatabaseUI* ui) { m_ui = ui; }
    // Where "Update finished." notifications go (the desktop's by default).
    void setUserNotifications(sv::UserNotifications* notifications) { m_notifications = notifications; }
    // Where "now" comes from for the 24-hour rule (the system clock by default).
    void setClock(std::shared_ptr<sv::Clock> clock);
    // Drops the loaded database; the next lookup reads the file again.
    void dropDatabase();
    // Counts the databases put in place (every drop and install moves it on),
    // so that a caller may keep an answer of "unknown" while it stays the same.
    quint64 generation() const { return m_generation.load(std::memory_order_acquire); }

    // The vendors.plist a zip archive holds, read and checked (a dictionary
    // with at least one vendor entry); false with *error otherwise.
    static bool databaseInArchive(const QString& zipPath, sv::Zip::Member* member, QString* error);

    // The "Last-Modified" form: "Sun, 06 Nov 1994 08:49:37 GMT", read in
    // English names and GMT whatever the locale; invalid for any other form.
    static QDateTime parseLastModified(const QString& text);
    // True when remote is more than 12 whole hours newer than local; a
    // missing local database is older than anything.
    static bool isRemoteNewer(const QDateTime& remote, const QDateTime& local);
    // The standard reason phrase of an HTTP status code; empty when it has none.
    static QString standardTextForStatusCode(int status);

private:
    using Table = QHash<quint32, QString>;
    std::shared_ptr<const Table> table() const;
    // The table as this thread last took it, while no other database has
    // been put in place: lookups on many threads share no lock or count.
    const Table& threadTable() const;
    QString databaseURL() const;
    void ensureNetwork();
    void finishCheck(bool interactive, bool newer);
    void failCheck(bool interactive, const QString& text);
    void downloadFinished(QNetworkReply* reply);
    QDateTime now() const;
    void hideProgress();
    void showInfo(const QString& message, const QString& informative, const QString& button);

    mutable std::mutex m_tableMutex;
    mutable std::mutex m_loadMutex;
    mutable std::shared_ptr<const Table> m_table;
    std::atomic<quint64> m_generation{0}; // moved on under m_tableMutex
    const quint64 m_instance;             // tells helpers apart in threadTable()
    mutable std::once_flag m_urlsOnce;
    mutable QVariantMap m_urls;

    SVVendorDatabaseUI* m_ui = nullptr;
    sv::UserNotifications* m_notifications = nullptr;
    std::shared_ptr<sv::Clock> m_clock;
    std::unique_ptr<QObject> m_context; // main thread: owns the network objects
    QNetworkAccessManager* m_network = nullptr;
    bool m_checking = false;
    bool m_progressShown = false;
    bool m_downloading = false;
};
