#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace sv {
class UserDefaults;
}

// Offering, once per launch, to move a portable copy of the application (an
// AppImage file or an AppDir folder) into an Applications folder
// (~/Applications, else /opt), with administrator rights through pkexec where
// the folder is not writable, and relaunching the installed copy.
//
// Everything outside the process goes through MoveApplicationSystem, so that
// the decisions can be tested over temporary folders.

// What the move needs from the system.
class MoveApplicationSystem {
public:
    virtual ~MoveApplicationSystem() = default;

    // The running copy (runningPortableCopy()); empty when started from a
    // package, a build tree or the source checkout.
    virtual QString bundlePath() const = 0;
    // The Applications folders: the user's own first.
    virtual QString userApplicationsFolder() const = 0;
    virtual QString localApplicationsFolder() const = 0;
    virtual QStringList downloadsFolders() const = 0;
    // The loop device the folder's file system was mounted from, when it is
    // a mounted image (and not the root file system).
    virtual std::optional<QString> diskImageDevice(const QString& folder) const = 0;
    // Whether this user may write there (root may write anywhere).
    virtual bool isWritable(const QString& path) const = 0;

    struct Answer {
        bool move = false;     // the first button
        bool suppress = false; // the "do not ask again" box
    };
    virtual Answer askToMove(const QString& title, const QString& informativeText) = 0;
    virtual void showFailureAlert(const QString& title) = 0;

    enum class PrivilegedResult { Succeeded, Canceled, Failed };
    // Runs /bin/sh with the script and its arguments as administrator.
    virtual PrivilegedResult runPrivileged(const QString& script, const QStringList& arguments) = 0;
    // Starts /bin/sh -c script in the background, outliving this process.
    virtual void startShell(const QString& script) = 0;
    // Whether a process runs from this copy (resolved path).
    virtual bool isRunningFrom(const QString& path) const = 0;
    // Starts the copy at path.
    virtual void open(const QString& path) = 0;
    virtual bool moveToTrash(const QString& path) = 0;
    virtual qint64 processId() const = 0;
    // Ends the process (tests record it and return).
    virtual void exit(int status) = 0;
};

// The system as it is: environment, /proc, QMessageBox, pkexec, QProcess.
MoveApplicationSystem& realMoveApplicationSystem();

// The portable copy this process runs from. The AppImage runtime hands
// APPIMAGE and APPDIR to every program started beneath it, so they are
// believed only when they describe this process: appDir when the executable
// lies inside it (and it is no mount point), appImage when appDir is the
// mount of that image. Empty otherwise. mountSource answers what the mount
// at exactly that folder was mounted from, or empty when it is no mount point.
QString runningPortableCopy(const QString& appImage, const QString& appDir, const QString& executable,
                            const std::function<QString(const QString&)>& mountSource);
// The same from this process's environment, executable and mount table.
QString runningPortableCopy();

// The one quoting of a path for the shell: between single quotes, each
// single quote written as '\''.
QString shellQuotedPath(const QString& path);

// Called once at launch, before any window. Returns to let the launch go on,
// or ends the process through system.exit() after scheduling the relaunch.
void MoveToApplicationsFolderIfNeeded(sv::UserDefaults& defaults, MoveApplicationSystem& system);
void MoveToApplicationsFolderIfNeeded();

// The one way the move puts an item in the user's trash; pathInTrash, when
// given, learns where it went.
bool moveToTrash(const QString& path, QString* pathInTrash = nullptr);

// Moves the item to the trash; false (logged) when it could not.
bool MoveItemToTrash(const QString& path, MoveApplicationSystem& system);
