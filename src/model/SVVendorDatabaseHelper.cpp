#include "model/SVVendorDatabaseHelper.h"
#include "model/SVDefaultsKeys.h"

#include "model/SVVendorDatabaseUI.h"
#include "platform/ApplicationFolder.h"
#include "platform/Clock.h"
#include "platform/FileWriter.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/Resources.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotifications.h"
#include "platform/Zip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>
#include <QTimeZone>
#include <QVersionNumber>

#include <array>

namespace {

const QString DatabaseName = QStringLiteral("vendors.plist");

QString tr(const char* text)
{
    return QCoreApplication::translate("SVVendorDatabaseHelper", text);
}

// Prefixes whose first octet varies but whose vendor is listed under one key.
struct FixedPrefix {
    quint32 tail; // the prefix's last two octets
    quint32 key;
};
constexpr std::array<FixedPrefix, 12> FixedPrefixes = {{
    {0x156D, 0x00156D}, {0x2722, 0x002722}, {0x18D6, 0x0418D6}, {0xA43C, 0x24A43C},
    {0xD9E7, 0x44D9E7}, {0x7251, 0x687251}, {0xA820, 0x78A820}, {0x2AA8, 0x802AA8},
    {0xFBE4, 0xB4FBE4}, {0x9FDB, 0xDC9FDB}, {0x9FC2, 0xF09FC2}, {0xECDA, 0xFCECDA},
}};

int hexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - '0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - 'A' + 10;
    return -1;
}

// "XX:XX:XX" in upper-case hex -> 24-bit value; -1 for any other text.
qint64 parseOui(const QString& key)
{
    if (key.size() != 8 || key.at(2) != u':' || key.at(5) != u':')
        return -1;
    quint32 value = 0;
    for (int i : {0, 1, 3, 4, 6, 7}) {
        const int d = hexDigit(key.at(i));
        if (d < 0)
            return -1;
        value = (value << 4) | quint32(d);
    }
    return value;
}

// Entries of a database dictionary in the form lookups use: "XX:XX:XX" keys
// with text values. Anything else in the file is ignored.
template <typename Fn>
qsizetype forEachEntry(const QVariantMap& map, Fn&& fn)
{
    qsizetype count = 0;
    for (auto it = map.begin(); it != map.end(); ++it) {
        const qint64 oui = parseOui(it.key());
        if (oui >= 0 && it.value().typeId() == QMetaType::QString) {
            fn(quint32(oui), it.value().toString());
            ++count;
        }
    }
    return count;
}

bool setModificationDate(const QString& path, const QDateTime& date)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(date, QFileDevice::FileModificationTime);
}

bool isOlderVersion(const QString& previous, const QString& current)
{
    return QVersionNumber::fromString(previous) < QVersionNumber::fromString(current);
}

} // namespace

namespace {
std::atomic<quint64> nextInstance{1};
}

SVVendorDatabaseHelper::SVVendorDatabaseHelper() : m_instance(nextInstance.fetch_add(1)) {}
SVVendorDatabaseHelper::~SVVendorDatabaseHelper() = default;

SVVendorDatabaseHelper& SVVendorDatabaseHelper::sharedDatabase()
{
    // Never destroyed: lookups may come from threads that outlive main().
    static SVVendorDatabaseHelper* db = new SVVendorDatabaseHelper;
    return *db;
}

QString SVVendorDatabaseHelper::pathToDatabase() const
{
    return sv::applicationSupportFolder() + u'/' + DatabaseName;
}

void SVVendorDatabaseHelper::dropDatabase()
{
    std::lock_guard lock(m_tableMutex);
    m_table.reset();
    ++m_generation;
}

std::shared_ptr<const SVVendorDatabaseHelper::Table> SVVendorDatabaseHelper::table() const
{
    {
        std::lock_guard lock(m_tableMutex);
        if (m_table)
            return m_table;
    }
    // One loader at a time; others wait and take its result.
    std::lock_guard load(m_loadMutex);
    quint64 generation = 0;
    {
        std::lock_guard lock(m_tableMutex);
        if (m_table)
            return m_table;
        generation = m_generation;
    }
    auto t = std::make_shared<Table>();
    QString error;
    const QVariant root = sv::PropertyList::readFile(pathToDatabase(), &error);
    if (root.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = root.toMap();
        t->reserve(map.size());
        forEachEntry(map, [&t](quint32 oui, const QString& name) { t->insert(oui, name); });
    } else if (QFileInfo::exists(pathToDatabase())) {
        qCWarning(lcSkyvane) << "Cannot read the vendor database:" << error;
    }
    std::shared_ptr<const Table> result = std::move(t);
    std::lock_guard lock(m_tableMutex);
    // A database installed while this one was read makes it stale: answer
    // this lookup with it, but let the next one read the new file.
    if (generation == m_generation)
        m_table = result;
    return result;
}

namespace {

// What one thread took of a database: the table, and its own copies of the
// names it has handed out. A copy of the table's own string would count a
// reference on a string that every thread reads, and the threads would take
// turns at its cache line on every lookup.
struct ThreadTaken {
    quint64 instance = 0;
    quint64 generation = 0;
    std::shared_ptr<const QHash<quint32, QString>> table;
    // Copies of the names last handed out, by a hash of their table key;
    // a name whose slot another has taken is copied again.
    struct Name {
        quint32 key = 0;
        QString name;
    };
    std::array<Name, 256> names;

    void forgetNames() { names.fill({}); }
};
thread_local ThreadTaken threadTaken;

// The name under key in the thread's table, as the thread's own copy.
QString ownName(quint32 key)
{
    const auto e = threadTaken.table->constFind(key);
    if (e == threadTaken.table->constEnd() || e->isEmpty())
        return {};
    ThreadTaken::Name& own = threadTaken.names[(key * 2654435761u) >> 24];
    if (own.key != key || own.name.isEmpty()) {
        own.key = key;
        own.name = QString(e->constData(), e->size());
    }
    return own.name;
}

} // namespace

const SVVendorDatabaseHelper::Table& SVVendorDatabaseHelper::threadTable() const
{
    ThreadTaken& taken = threadTaken;
    // Read before the table: a database put in place meanwhile moves the
    // generation on, so the next lookup takes the table again.
    const quint64 generation = m_generation.load(std::memory_order_acquire);
    if (!taken.table || taken.instance != m_instance || taken.generation != generation) {
        taken.table = table();
        taken.instance = m_instance;
        taken.generation = generation;
        taken.forgetNames();
    }
    return *taken.table;
}

QString SVVendorDatabaseHelper::stringForVendor(const QString& bssid) const
{
    const Table* const t = &threadTable();
    // Octets read straight from "XX:XX:XX:XX:XX:XX" (upper-case hex, as the
    // keys are); parsing stops at the first one that is not in that form.
    quint32 octet[6] = {};
    int octets = 0;
    while (octets < 6) {
        const qsizetype at = qsizetype(octets) * 3;
        if (at + 2 > bssid.size() || (octets > 0 && bssid.at(at - 1) != u':'))
            break;
        const int hi = hexDigit(bssid.at(at));
        const int lo = hexDigit(bssid.at(at + 1));
        if (hi < 0 || lo < 0)
            break;
        octet[octets++] = quint32(hi * 16 + lo);
    }
    if (octets < 3 || (bssid.size() > 8 && bssid.at(8) != u':'))
        return {};
    const quint32 prefix = octet[0] << 16 | octet[1] << 8 | octet[2];
    QString vendor = ownName(prefix);
    if (!vendor.isEmpty())
        return vendor;
    const quint32 tail = prefix & 0xFFFF;
    for (const FixedPrefix& f : FixedPrefixes) {
        if (f.tail == tail) {
            vendor = ownName(f.key);
            if (!vendor.isEmpty())
                return vendor;
            break;
        }
    }
    // Some radios derive their BSSID from the device address: first octet with
    // the local bit cleared, then the last two octets swapped, and the low
    // digit of the second one unknown.
    const quint32 first = octet[0] & ~2u;
    if (octets == 6 && bssid.size() == 17) {
        for (quint32 h = 0; h < 16; ++h) {
            // Looked at in place, and handed out as the thread's own copy.
            const quint32 key = first << 16 | ((octet[5] & 0xF0) | h) << 8 | octet[4];
            const auto e = t->constFind(key);
            if (e != t->constEnd() && e->startsWith(u"Apple"))
                return ownName(key);
        }
    }
    return ownName(first << 16 | (prefix & 0xFFFF));
}

QString SVVendorDatabaseHelper::shortStringForVendor(const QString& bssid) const
{
    const QString vendor = stringForVendor(bssid);
    if (vendor == u"Cisco Meraki")
        return QStringLiteral("Meraki");
    qsizetype end = 0;
    while (end < vendor.size() && !vendor.at(end).isSpace() && vendor.at(end) != u',')
        ++end;
    return vendor.left(end);
}

QString SVVendorDatabaseHelper::urlForVendor(const QString& vendor) const
{
    std::call_once(m_urlsOnce, [this] {
        const QString path = sv::resourcePath(QStringLiteral("urls.plist"));
        m_urls = path.isEmpty() ? QVariantMap() : sv::PropertyList::readFile(path).toMap();
    });
    const QVariant url = m_urls.value(vendor);
    return url.typeId() == QMetaType::QString ? url.toString() : QString();
}

bool SVVendorDatabaseHelper::expandDatabase()
{
    return expandDatabaseUsingFile(sv::resourcePath(QStringLiteral("vendors.plist.zip")), false);
}

bool SVVendorDatabaseHelper::expandDatabaseUsingFile(const QString& zipPath, bool overwrite)
{
    const QString folder = sv::applicationSupportFolder();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcSkyvane) << "Cannot create" << folder;
        return false;
    }
    const QString path = pathToDatabase();
    const QString backup = path + QStringLiteral(".bak");
    // An install cut short after moving the database aside left it only in the
    // backup: put it back before deciding anything.
    if (!QFileInfo::exists(path) && QFileInfo::exists(backup))
        QFile::rename(backup, path);

    const QString previous = sv::UserDefaults::standardUserDefaults().stringForKey(SVDefaultsKey::LastLaunchedVersion);
    const bool replace = overwrite || previous.isEmpty() || isOlderVersion(previous, QStringLiteral(SKYVANE_VERSION));
    if (!replace && QFileInfo::exists(path)) {
        if (!table()->isEmpty()) {
            QFile::remove(backup);
            return true;
        }
        // Vendor names would be gone for good: install the shipped ones again.
        qCWarning(lcSkyvane).noquote() << "The vendor database" << path << "cannot be read; installing it again.";
    }

    // Everything is read and checked before the installed file is touched.
    sv::Zip::Member member;
    QString error;
    if (!databaseInArchive(zipPath, &member, &error)) {
        qCWarning(lcSkyvane).noquote() << "Failed to expand database file." << error;
        return false;
    }

    // A backup left by an earlier install is stale: the database is in place,
    // and the writer keeps it whole until the new one is.
    if (QFileInfo::exists(path))
        QFile::remove(backup);
    if (!sv::writeFileWhole(path, member.data, &error)) {
        qCWarning(lcSkyvane).noquote() << "Failed to expand database file." << error;
        if (!QFileInfo::exists(path))
            QFile::rename(backup, path);
        return false;
    }
    // The file carries the database's own date, which the update check compares.
    if (member.modified.isValid())
        setModificationDate(path, member.modified);
    QFile::remove(backup);
    dropDatabase();
    return true;
}

bool SVVendorDatabaseHelper::databaseInArchive(const QString& zipPath, sv::Zip::Member* member, QString* error)
{
    if (zipPath.isEmpty()) {
        *error = QStringLiteral("no database archive");
        return false;
    }
    if (!sv::Zip::readMember(zipPath, DatabaseName, MaximumDatabaseSize, member, error))
        return false;
    const QVariant root = sv::PropertyList::fromData(member->data, error);
    if (root.typeId() == QMetaType::QVariantMap && forEachEntry(root.toMap(), [](quint32, const QString&) {}) > 0)
        return true;
    if (error->isEmpty())
        *error = QStringLiteral("the database holds no entries");
    return false;
}

QDateTime SVVendorDatabaseHelper::parseLastModified(const QString& text)
{
    // Read field by field rather than through a locale, so neither the
    // user's language nor the local time zone changes what the text means.
    static const QRegularExpression form(QStringLiteral(
        "^(Mon|Tue|Wed|Thu|Fri|Sat|Sun), (\\d{2}) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "(\\d{4}) (\\d{2}):(\\d{2}):(\\d{2}) GMT$"));
    static const QStringList months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return {};
    const QDate date(m.captured(4).toInt(), int(months.indexOf(m.captured(3))) + 1, m.captured(2).toInt());
    const QTime time(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt());
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, QTimeZone::utc());
}

bool SVVendorDatabaseHelper::isRemoteNewer(const QDateTime& remote, const QDateTime& local)
{
    if (!remote.isValid())
        return false;
    if (!local.isValid())
        return true;
    return local.secsTo(remote) / 3600 > 12;
}

QString SVVendorDatabaseHelper::standardTextForStatusCode(int status)
{
    struct Phrase {
        int status;
        const char* text;
    };
    static constexpr Phrase Phrases[] = {
        {100, "Continue"}, {101, "Switching Protocols"}, {200, "OK"}, {201, "Created"}, {202, "Accepted"},
        {203, "Non-Authoritative Information"}, {204, "No Content"}, {205, "Reset Content"},
        {206, "Partial Content"}, {300, "Multiple Choices"}, {301, "Moved Permanently"}, {302, "Found"},
        {303, "See Other"}, {304, "Not Modified"}, {305, "Use Proxy"}, {307, "Temporary Redirect"},
        {308, "Permanent Redirect"}, {400, "Bad Request"}, {401, "Unauthorized"}, {402, "Payment Required"},
        {403, "Forbidden"}, {404, "Not Found"}, {405, "Method Not Allowed"}, {406, "Not Acceptable"},
        {407, "Proxy Authentication Required"}, {408, "Request Timeout"}, {409, "Conflict"}, {410, "Gone"},
        {411, "Length Required"}, {412, "Precondition Failed"}, {413, "Content Too Large"},
        {414, "URI Too Long"}, {415, "Unsupported Media Type"}, {416, "Range Not Satisfiable"},
        {417, "Expectation Failed"}, {421, "Misdirected Request"}, {422, "Unprocessable Content"},
        {426, "Upgrade Required"}, {428, "Precondition Required"}, {429, "Too Many Requests"},
        {431, "Request Header Fields Too Large"}, {451, "Unavailable For Legal Reasons"},
        {500, "Internal Server Error"}, {501, "Not Implemented"}, {502, "Bad Gateway"},
        {503, "Service Unavailable"}, {504, "Gateway Timeout"}, {505, "HTTP Version Not Supported"},
        {511, "Network Authentication Required"},
    };
    for (const Phrase& p : Phrases)
        if (p.status == status)
            return QString::fromLatin1(p.text);
    return {};
}

void SVVendorDatabaseHelper::setClock(std::shared_ptr<sv::Clock> clock) { m_clock = std::move(clock); }

QDateTime SVVendorDatabaseHelper::now() const
{
    return m_clock ? m_clock->now() : QDateTime::currentDateTimeUtc();
}

QString SVVendorDatabaseHelper::databaseURL() const
{
    const QString url = sv::UserDefaults::standardUserDefaults().stringForKey(SVDefaultsKey::VendorsDatabaseURL);
    return url.isEmpty() ? QString::fromLatin1(DefaultDatabaseURL) : url;
}

void SVVendorDatabaseHelper::ensureNetwork()
{
    if (m_context)
        return;
    m_context = std::make_unique<QObject>();
    m_network = new QNetworkAccessManager(m_context.get());
}

void SVVendorDatabaseHelper::showInfo(const QString& message, const QString& informative, const QString& button)
{
    qCInfo(lcSkyvane).noquote() << message << informative;
    if (m_ui)
        m_ui->showInformationalAlert(message, informative, button);
}

void SVVendorDatabaseHelper::checkForDatabaseUpdates(bool interactive)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    if (QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(app, [this, interactive] { checkForDatabaseUpdates(interactive); },
                                  Qt::QueuedConnection);
        return;
    }
    sv::UserDefaults& defaults = sv::UserDefaults::standardUserDefaults();
    if (!interactive) {
        // A last check dated in the future (a clock set back) does not hold
        // checks off until that date.
        const QDateTime last = defaults.objectForKey(SVDefaultsKey::LastVendorsDatabaseCheck).toDateTime();
        const qint64 elapsed = last.isValid() ? last.secsTo(now()) : -1;
        if (elapsed >= 0 && elapsed < 86400)
            return;
        if (defaults.integerForKey(SVDefaultsKey::UpdateAlertSuppressionButton) != 0)
            return;
    }
    if (m_checking)
        return;
    m_checking = true;
    if (interactive && m_ui) {
        m_ui->showProgress(tr("Checking for database updates..."));
        m_progressShown = true;
    }

    ensureNetwork();
    QNetworkRequest request{QUrl(databaseURL())};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(10000);
    // The date is all the check needs: the headers, without the database.
    QNetworkReply* reply = m_network->head(request);
    QObject::connect(reply, &QNetworkReply::finished, m_context.get(), [this, reply, interactive] {
        reply->deleteLater();
        m_checking = false;
        // Only the headers matter; an HTTP error status is an answer, not a
        // transport failure.
        const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!statusAttribute.isValid()) {
            failCheck(interactive, reply->errorString());
            return;
        }
        const int status = statusAttribute.toInt();
        if (status != 200) {
            const QString text = standardTextForStatusCode(status);
            if (text.isEmpty())
                finishCheck(interactive, false);
            else
                failCheck(interactive, text);
            return;
        }
        bool newer = false;
        if (reply->hasRawHeader("Last-Modified")) {
            const QString header = QString::fromLatin1(reply->rawHeader("Last-Modified"));
            const QDateTime remote = parseLastModified(header);
            sv::UserDefaults::standardUserDefaults().setObject(now(), SVDefaultsKey::LastVendorsDatabaseCheck);
            if (remote.isValid()) {
                const QFileInfo local(pathToDatabase());
                newer = isRemoteNewer(remote, local.exists() ? local.lastModified() : QDateTime());
            } else {
                qCWarning(lcSkyvane) << "Unreadable Last-Modified header:" << header;
            }
        }
        finishCheck(interactive, newer);
    });
}

void SVVendorDatabaseHelper::hideProgress()
{
    if (m_progressShown && m_ui)
        m_ui->hideProgress();
    m_progressShown = false;
}

void SVVendorDatabaseHelper::failCheck(bool interactive, const QString& text)
{
    hideProgress();
    qCInfo(lcSkyvane).noquote() << "Vendor database check failed:" << text;
    if (interactive && m_ui)
        m_ui->showInformationalAlert(tr("Unable to check for updates."), text, tr("OK"));
}

void SVVendorDatabaseHelper::finishCheck(bool interactive, bool newer)
{
    hideProgress();
    sv::UserDefaults& defaults = sv::UserDefaults::standardUserDefaults();
    if (newer && defaults.boolForKey(SVDefaultsKey::AutoUpdateVendorsDatabase)) {
        startDatabaseUpdate();
    } else if (newer) {
        if (!m_ui)
            return;
        const QStringList buttons{tr("Update"), tr("No"), tr("Turn On Auto Update")};
        m_ui->askToUpdate(tr("A new vendors database is available!"), tr("Do you want to update it now?"), buttons,
                          !interactive, [this](SVVendorDatabaseUI::UpdateChoice choice, bool suppress) {
                              sv::UserDefaults& d = sv::UserDefaults::standardUserDefaults();
                              d.setInteger(suppress ? 1 : 0, SVDefaultsKey::UpdateAlertSuppressionButton);
                              switch (choice) {
                              case SVVendorDatabaseUI::UpdateChoice::Update:
                                  startDatabaseUpdate();
                                  break;
                              case SVVendorDatabaseUI::UpdateChoice::TurnOnAutoUpdate:
                                  d.setBool(true, SVDefaultsKey::AutoUpdateVendorsDatabase);
                                  d.setInteger(0, SVDefaultsKey::UpdateAlertSuppressionButton);
                                  startDatabaseUpdate();
                                  break;
                              case SVVendorDatabaseUI::UpdateChoice::No:
                                  break;
                              }
                          });
    } else if (interactive && m_ui) {
        m_ui->showInformationalAlert(tr("The database is up-to-date!"),
                                     tr("The existing database is the newest version available."),
                                     QStringLiteral("OK"));
    }
}

void SVVendorDatabaseHelper::startDatabaseUpdate()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    if (QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(app, [this] { startDatabaseUpdate(); }, Qt::QueuedConnection);
        return;
    }
    if (m_downloading)
        return;
    m_downloading = true;
    ensureNetwork();
    QNetworkRequest request{QUrl(databaseURL())};
    request.setTransferTimeout(60000);
    QNetworkReply* reply = m_network->get(request);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > MaximumDatabaseSize)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, m_context.get(), [this, reply] {
        reply->deleteLater();
        m_downloading = false;
        downloadFinished(reply);
    });
}

void SVVendorDatabaseHelper::downloadFinished(QNetworkReply* reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        const QString text = reply->error() != QNetworkReply::NoError
            ? reply->errorString()
            : reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        qCWarning(lcSkyvane).noquote()
            << QStringLiteral("Download failed: %1 (%2)").arg(text, reply->url().toString());
        showInfo(tr("Unable to download database update."), text, tr("OK"));
        return;
    }
    qCInfo(lcSkyvane) << "Download finished.";
    // The archive goes to a temporary file of our own, removed on return.
    QTemporaryFile archive(QDir::tempPath() + QStringLiteral("/skyvane-vendors-XXXXXX.zip"));
    const QByteArray body = reply->readAll();
    const bool installed = archive.open() && archive.write(body) == body.size() && archive.flush()
        && expandDatabaseUsingFile(archive.fileName(), true);
    // The next check compares the server's date with the file's: a file dated
    // before the server's copy would be offered again and again.
    const QDateTime served = parseLastModified(QString::fromLatin1(reply->rawHeader("Last-Modified")));
    if (installed && served.isValid() && QFileInfo(pathToDatabase()).lastModified() < served)
        setModificationDate(pathToDatabase(), served);
    if (!installed) {
        // The old database stays in place; say so rather than stay silent.
        showInfo(tr("Unable to download database update."),
                 tr("The downloaded database could not be installed."), tr("OK"));
        return;
    }
    qCInfo(lcSkyvane) << "Database downloaded succesfully.";
    sv::UserNotifications* notifications = m_notifications ? m_notifications : &sv::UserNotifications::shared();
    const QString title = tr("Update finished.");
    const QString text = tr("The vendors database was updated successfully.");
    if (!(sv::UserDefaults::standardUserDefaults().boolForKey(SVDefaultsKey::AutoUpdateVendorsDatabase) && notifications->isAvailable()
          && notifications->deliver(title, text)))
        showInfo(title, text, tr("OK"));
    dropDatabase();
}
