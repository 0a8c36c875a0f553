#include "preferences/MoveApplication.h"
#include "model/SVDefaultsKeys.h"

#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("MoveApplication", text);
}

// An application copy: an AppImage file or an AppDir folder (or, by the old
// naming, a folder ending in ".app").
bool isApplicationName(const QString& name)
{
    return name.endsWith(QLatin1String(".AppImage"), Qt::CaseInsensitive)
        || name.endsWith(QLatin1String(".AppDir"), Qt::CaseInsensitive)
        || name.endsWith(QLatin1String(".app"), Qt::CaseInsensitive);
}

// The path with links resolved where it exists, else cleaned.
QString resolvedPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool isInFolder(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QString f = QDir::cleanPath(folder);
    return path == f || path.startsWith(f + QLatin1Char('/'));
}

// Some folder above the copy is itself an application.
bool isNested(const QString& bundlePath)
{
    const QStringList parts = QFileInfo(bundlePath).absolutePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(), isApplicationName);
}

bool isInApplicationsFolder(const QString& bundlePath, const MoveApplicationSystem& system)
{
    const QString resolved = resolvedPath(bundlePath);
    for (const QString& folder : {system.userApplicationsFolder(), system.localApplicationsFolder()})
        if (isInFolder(bundlePath, folder) || isInFolder(resolved, resolvedPath(folder)))
            return true;
    return bundlePath.split(QLatin1Char('/'), Qt::SkipEmptyParts).contains(QLatin1String("Applications"));
}

bool folderHoldsApplications(const QString& folder)
{
    const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    return std::any_of(names.begin(), names.end(), isApplicationName);
}

// A copy of a file or folder tree. Links stay links with the same target
// (an AppDir's relative links must keep pointing inside the new copy),
// and modes are kept; a folder is filled while writable and only then given
// its own mode, so a read-only folder inside the copy is copied whole.
bool copyItem(const QString& from, const QString& to, QString* error)
{
    const QFileInfo info(from);
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (info.isSymLink()) {
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(source.constData(), link.data(), link.size());
        if (n >= 0 && n < link.size()) {
            link.truncate(n);
            if (::symlink(link.constData(), target.constData()) == 0)
                return true;
        }
        *error = QStringLiteral("cannot copy the link %1").arg(from);
        return false;
    }
    if (info.isFile()) {
        QFile file(from);
        if (file.copy(to))
            return true;
        *error = file.errorString();
        return false;
    }
    if (!info.isDir()) {
        *error = QStringLiteral("cannot copy %1: not a file, folder or link").arg(from);
        return false;
    }
    if (::mkdir(target.constData(), 0700) != 0) {
        *error = QStringLiteral("cannot create %1").arg(to);
        return false;
    }
    const QStringList names =
        QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (!copyItem(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name, error))
            return false;
    struct stat st {};
    if (::stat(source.constData(), &st) != 0 || ::chmod(target.constData(), st.st_mode & 07777) != 0) {
        *error = QStringLiteral("cannot set the mode of %1").arg(to);
        return false;
    }
    return true;
}

// Removes a copy this process made, opening folders it made read-only.
void removePartialCopy(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir() || info.isSymLink()) {
        QFile::remove(path);
        return;
    }
    QFile::setPermissions(path, info.permissions() | QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList names =
        QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        removePartialCopy(path + QLatin1Char('/') + name);
    QDir().rmdir(path);
}

bool existsOrIsLink(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A free name beside the destination for the copy that is not complete yet:
// never one that holds something already, which a failed copy would remove.
QString partialPath(const QString& destination, qint64 pid)
{
    const QString base = destination + QStringLiteral(".part-%1").arg(pid);
    QString path = base;
    for (int n = 1; existsOrIsLink(path); ++n)
        path = base + QStringLiteral("-%1").arg(n);
    return path;
}

// How the installed copy is started: an AppDir through its AppRun.
QString launchCommandPath(const QString& destination)
{
    return QFileInfo(destination).isDir() ? destination + QStringLiteral("/AppRun") : destination;
}

// Copies as administrator: the new copy is complete under a free name
// before the old one is removed and the new one renamed into its place.
// cp -R keeps links as links. Paths travel as arguments, never inside the
// script's text.
const QString kPrivilegedCopyScript = QStringLiteral(
    "set -e\n"
    "cp -pR -- \"$1\" \"$3\" || { rm -rf -- \"$3\"; exit 1; }\n"
    "if [ -d \"$2\" ] && [ ! -L \"$2\" ]; then rm -rf -- \"$2\"; fi\n"
    "mv -f -T -- \"$3\" \"$2\"\n");

MoveApplicationSystem::PrivilegedResult authorizedCopy(const QString& from, const QString& to,
                                                       MoveApplicationSystem& system)
{
    if (!isApplicationName(QFileInfo(to).fileName()) || from.trimmed().isEmpty() || to.trimmed().isEmpty())
        return MoveApplicationSystem::PrivilegedResult::Failed;
    return system.runPrivileged(kPrivilegedCopyScript, {from, to, partialPath(to, system.processId())});
}

// A field of /proc/self/mountinfo with its octal escapes (\040 for a blank) undone.
QString mountInfoField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                out += char(code);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QFile::decodeName(out);
}

struct Mount {
    QString point;
    QString source;
};

// The mount that holds path: the longest mount point above it.
Mount mountHolding(const QString& path)
{
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (!mounts.open(QIODevice::ReadOnly))
        return {};
    Mount best;
    const QList<QByteArray> lines = mounts.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size())
            continue;
        const QString point = mountInfoField(fields[4]);
        // Later lines mount over earlier ones at the same point.
        if ((point == QLatin1String("/") || isInFolder(path, point)) && point.size() >= best.point.size())
            best = {point, mountInfoField(fields[dash + 2])};
    }
    return best;
}

void fail(MoveApplicationSystem& system)
{
    system.showFailureAlert(tr("Could not move to Applications folder"));
}

} // namespace

QString shellQuotedPath(const QString& path)
{
    QString quoted = path;
    quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString runningPortableCopy(const QString& appImage, const QString& appDir, const QString& executable,
                            const std::function<QString(const QString&)>& mountSource)
{
    if (appDir.isEmpty() || executable.isEmpty())
        return {};
    const QString dir = QFileInfo(appDir).canonicalFilePath();
    const QString exe = QFileInfo(executable).canonicalFilePath();
    if (dir.isEmpty() || !QFileInfo(dir).isDir() || exe.isEmpty() || exe == dir || !isInFolder(exe, dir))
        return {};
    const QString source = mountSource(dir);
    if (source.isEmpty())
        return dir;
    // A mounted folder is never the copy itself: the image it came from is,
    // when that is the one named.
    const QString image = appImage.isEmpty() ? QString() : QFileInfo(appImage).canonicalFilePath();
    if (!image.isEmpty() && QFileInfo(image).isFile() && QFileInfo(source).canonicalFilePath() == image)
        return image;
    return {};
}

QString runningPortableCopy()
{
    return runningPortableCopy(qEnvironmentVariable("APPIMAGE"), qEnvironmentVariable("APPDIR"),
                               QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(),
                               [](const QString& folder) {
                                   const Mount mount = mountHolding(folder);
                                   return mount.point == folder ? mount.source : QString();
                               });
}

bool moveToTrash(const QString& path, QString* pathInTrash)
{
    // Qt makes the trash inside the data folder but not that folder; without
    // it, it moves the item into "files" under the working folder instead.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data))
        return false;
    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash))
        return false;
    if (pathInTrash)
        *pathInTrash = inTrash;
    return true;
}

bool MoveItemToTrash(const QString& path, MoveApplicationSystem& system)
{
    if (system.moveToTrash(path))
        return true;
    qCWarning(lcSkyvane).noquote() << QStringLiteral("ERROR -- Could not trash '%1'").arg(path);
    return false;
}

void MoveToApplicationsFolderIfNeeded(sv::UserDefaults& defaults, MoveApplicationSystem& system)
{
    if (defaults.boolForKey(SVDefaultsKey::MoveToApplicationsFolderAlertSuppress))
        return;
    const QString bundlePath = system.bundlePath();
    if (bundlePath.isEmpty())
        return; // a package, a build tree or the source checkout: nothing to move
    // The copy keeps its name where it goes: only an application's name
    // may land in, or replace something in, an Applications folder.
    if (!isApplicationName(QFileInfo(bundlePath).fileName()))
        return;

    const bool nested = isNested(bundlePath);
    if (!nested && isInApplicationsFolder(bundlePath, system))
        return;
    const QString parent = QFileInfo(bundlePath).absolutePath();
    const std::optional<QString> diskImage = system.diskImageDevice(parent);

    QString folder;
    bool userFolder = false;
    const QString user = system.userApplicationsFolder();
    if (QFileInfo(user).isDir() && folderHoldsApplications(user)) {
        folder = resolvedPath(user);
        userFolder = true;
    } else {
        folder = resolvedPath(system.localApplicationsFolder());
    }
    const QString destination = folder + QLatin1Char('/') + QFileInfo(bundlePath).fileName();
    // The copy that runs is already the installed one (through a link).
    if (resolvedPath(destination) == resolvedPath(bundlePath))
        return;
    const bool needRights = !system.isWritable(folder)
        || (QFileInfo::exists(destination) && !system.isWritable(destination));

    QString informative = tr("I can move myself to the Applications folder if you'd like.");
    if (needRights) {
        informative += QLatin1Char(' ') + tr("Note that this will require an administrator password.");
    } else {
        const QStringList downloads = system.downloadsFolders();
        if (std::any_of(downloads.begin(), downloads.end(),
                        [&](const QString& d) { return isInFolder(bundlePath, d); }))
            informative += QLatin1Char(' ') + tr("This will keep your Downloads folder uncluttered.");
    }
    const QString title = userFolder ? tr("Move to Applications folder in your Home folder?")
                                     : tr("Move to Applications folder?");
    const MoveApplicationSystem::Answer answer = system.askToMove(title, informative);
    if (!answer.move) {
        if (answer.suppress)
            defaults.setBool(true, SVDefaultsKey::MoveToApplicationsFolderAlertSuppress);
        return;
    }
    qCInfo(lcSkyvane).noquote() << "INFO -- Moving myself to the Applications folder";

    if (needRights) {
        switch (authorizedCopy(bundlePath, destination, system)) {
        case MoveApplicationSystem::PrivilegedResult::Canceled:
            qCInfo(lcSkyvane).noquote() << "INFO -- Not moving because user canceled authorization";
            return;
        case MoveApplicationSystem::PrivilegedResult::Failed:
            qCWarning(lcSkyvane).noquote() << "ERROR -- Could not copy myself to /Applications with authorization";
            fail(system);
            return;
        case MoveApplicationSystem::PrivilegedResult::Succeeded:
            break;
        }
    } else {
        if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink()) {
            if (system.isRunningFrom(resolvedPath(destination))) {
                qCInfo(lcSkyvane).noquote() << "INFO -- Switching to an already running version";
                system.open(destination);
                system.exit(0);
                return;
            }
            if (!MoveItemToTrash(destination, system)) {
                fail(system);
                return;
            }
        }
        // Complete under another name first, so a failed copy leaves nothing
        // half-made where the application is looked for.
        const QString partial = partialPath(destination, system.processId());
        QString error;
        if (!copyItem(bundlePath, partial, &error) || !QDir().rename(partial, destination)) {
            if (error.isEmpty())
                error = QStringLiteral("cannot rename %1").arg(partial);
            removePartialCopy(partial);
            qCWarning(lcSkyvane).noquote()
                << QStringLiteral("ERROR -- Could not copy '%1' to '%2' (%3)").arg(bundlePath, destination, error);
            qCWarning(lcSkyvane).noquote() << QStringLiteral("ERROR -- Could not copy myself to %1").arg(destination);
            fail(system);
            return;
        }
    }

    // The launched copy goes to the trash, where the user can still get it back.
    if (!nested && !diskImage && !MoveItemToTrash(bundlePath, system))
        qCWarning(lcSkyvane).noquote() << "WARNING -- Could not delete application after moving it to Applications folder";
    // Waits until this process has ended, then starts the installed copy.
    // Plain POSIX shell: Debian's /bin/sh is dash.
    system.startShell(QStringLiteral("(while kill -0 %1 2>/dev/null; do sleep 0.1; done; %2 >/dev/null 2>&1) &")
                          .arg(system.processId())
                          .arg(shellQuotedPath(launchCommandPath(destination))));
    if (!nested && diskImage) {
        const QString device = shellQuotedPath(*diskImage);
        system.startShell(
            QStringLiteral("(sleep 5 && udisksctl unmount -b %1 && udisksctl loop-delete -b %1) >/dev/null 2>&1 &")
                .arg(device));
    }
    system.exit(0);
}

namespace {

class RealSystem final : public MoveApplicationSystem {
public:
    QString bundlePath() const override { return runningPortableCopy(); }
    QString userApplicationsFolder() const override { return QDir::homePath() + QStringLiteral("/Applications"); }
    QString localApplicationsFolder() const override { return QStringLiteral("/opt"); }
    QStringList downloadsFolders() const override
    {
        return QStandardPaths::standardLocations(QStandardPaths::DownloadLocation);
    }
    std::optional<QString> diskImageDevice(const QString& folder) const override
    {
        const Mount mount = mountHolding(resolvedPath(folder));
        if (mount.point.isEmpty() || mount.point == QLatin1String("/")
            || !mount.source.startsWith(QLatin1String("/dev/loop")))
            return std::nullopt;
        return mount.source;
    }

    bool isWritable(const QString& path) const override
    {
        return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
    }
    Answer askToMove(const QString& title, const QString& informativeText) override
    {
        QApplication::setActiveWindow(nullptr);
        QMessageBox box;
        box.setIcon(QMessageBox::Question);
        box.setText(title);
        box.setInformativeText(informativeText);
        QPushButton* move = box.addButton(tr("Move to Applications Folder"), QMessageBox::AcceptRole);
        QPushButton* stay = box.addButton(tr("Do Not Move"), QMessageBox::RejectRole);
        box.setDefaultButton(move);
        box.setEscapeButton(stay);
        auto* suppress = new QCheckBox(tr("Do not show this message again"));
        QFont small = suppress->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        suppress->setFont(small);
        box.setCheckBox(suppress);
        box.exec();
        return {box.clickedButton() == move, suppress->isChecked()};
    }
    void showFailureAlert(const QString& title) override
    {
        QMessageBox box;
        box.setIcon(QMessageBox::Warning);
        box.setText(title);
        box.exec();
    }
    PrivilegedResult runPrivileged(const QString& script, const QStringList& arguments) override
    {
        QProcess process;
        process.start(QStringLiteral("pkexec"),
                      QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"), script, QStringLiteral("sh")}
                          + arguments);
        if (!process.waitForStarted() || !process.waitForFinished(-1)
            || process.exitStatus() != QProcess::NormalExit)
            return PrivilegedResult::Failed;
        // pkexec answers 126 when the user dismissed the password dialog.
        if (process.exitCode() == 126)
            return PrivilegedResult::Canceled;
        return process.exitCode() == 0 ? PrivilegedResult::Succeeded : PrivilegedResult::Failed;
    }
    void startShell(const QString& script) override
    {
        QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    }
    bool isRunningFrom(const QString& path) const override
    {
        // Another process started from that copy carries its path in APPIMAGE
        // or APPDIR; only this user's processes can be read, which is enough.
        const QByteArray wanted[] = {"APPIMAGE=" + QFile::encodeName(path), "APPDIR=" + QFile::encodeName(path)};
        const QString self = QString::number(::getpid());
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            const QString pid = QFileInfo(it.next()).fileName();
            bool numeric = false;
            pid.toLongLong(&numeric);
            if (!numeric || pid == self)
                continue;
            QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
            if (!environ.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> entries = environ.read(1 << 20).split('\0');
            for (const QByteArray& w : wanted)
                if (entries.contains(w))
                    return true;
        }
        return false;
    }
    void open(const QString& path) override { QProcess::startDetached(launchCommandPath(path), {}); }
    bool moveToTrash(const QString& path) override { return ::moveToTrash(path); }
    qint64 processId() const override { return ::getpid(); }
    // Nothing is open or unsaved this early in the launch.
    void exit(int status) override { ::_exit(status); }
};

} // namespace

MoveApplicationSystem& realMoveApplicationSystem()
{
    static RealSystem system;
    return system;
}

void MoveToApplicationsFolderIfNeeded()
{
    MoveToApplicationsFolderIfNeeded(sv::UserDefaults::standardUserDefaults(), realMoveApplicationSystem());
}
