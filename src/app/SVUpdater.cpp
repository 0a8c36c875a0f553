#include "app/SVUpdater.h"

#include "app/SVAlert.h"
#include "preferences/MoveApplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

SVUpdater& SVUpdater::sharedUpdater()
{
    static SVUpdater updater;
    return updater;
}

SVUpdater::Origin SVUpdater::originOf(const QString& executablePath, bool portableImage)
{
    if (portableImage)
        return Origin::Portable;
    if (executablePath.isEmpty())
        return Origin::Unknown;
    const QString dir = QFileInfo(executablePath).absolutePath();
    if (dir.startsWith(u"/usr/") || dir.startsWith(u"/opt/") || dir == u"/usr" || dir.startsWith(u"/snap/"))
        return Origin::Package;
    // A build tree: CMake's cache sits in the executable's folder or above it.
    QDir d(dir);
    for (int depth = 0; depth < 4; ++depth) {
        if (QFileInfo::exists(d.filePath(QStringLiteral("CMakeCache.txt"))))
            return Origin::SourceBuild;
        if (!d.cdUp())
            break;
    }
    return Origin::Unknown;
}

QString SVUpdater::explanation(Origin origin)
{
    switch (origin) {
    case Origin::Package:
        return QCoreApplication::translate("SVUpdater",
                                           "This copy of Skyvane was installed by your system's package manager. "
                                           "New versions arrive with your system's software updates.");
    case Origin::SourceBuild:
        return QCoreApplication::translate("SVUpdater",
                                           "This copy of Skyvane was built from its source code. To update it, "
                                           "bring the source checkout up to date and build it again.");
    case Origin::Portable:
        return QCoreApplication::translate("SVUpdater",
                                           "This is a portable copy of Skyvane. To update it, replace it with a "
                                           "newer copy.");
    case Origin::Unknown: break;
    }
    return QCoreApplication::translate("SVUpdater",
                                       "Skyvane does not update itself. Update it the same way you installed it.");
}

SVUpdater::Origin SVUpdater::origin() const
{
    // Portable by the test the move offer uses: APPIMAGE alone may have been
    // inherited from another program.
    return originOf(QCoreApplication::applicationFilePath(), !runningPortableCopy().isEmpty());
}

void SVUpdater::checkForUpdates(QWidget* window)
{
    auto* alert = new SVAlert(window);
    alert->setAlertStyle(SVAlert::Style::Informational);
    alert->setMessageText(QCoreApplication::translate("SVUpdater", "Check for Updates"));
    alert->setInformativeText(explanation(origin()));
    alert->addButtonWithTitle(QCoreApplication::translate("SVUpdater", "OK"));
    if (window)
        alert->beginSheetModalForWindow(window, [](int) {});
    else {
        alert->runModal();
        delete alert;
    }
}
