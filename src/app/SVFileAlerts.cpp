#include "app/SVFileAlerts.h"

#include "app/SVAlert.h"
#include "platform/FileWriter.h"
#include "platform/Log.h"

#include <QFileInfo>

SVFileAlerts::SVFileAlerts(QWidget* window, QObject* parent) : QObject(parent), m_window(window)
{
    auto& center = sv::NotificationCenter::defaultCenter();
    m_observations.push_back(center.addObserver(
        sv::FileSaveDidFailNotification,
        [this](const sv::Notification& n) {
            saveDidFail(n.userInfo.value(QStringLiteral("path")).toString(),
                        n.userInfo.value(QStringLiteral("reason")).toString());
        },
        sv::NotificationCenter::Delivery::MainThread, this));
    m_observations.push_back(center.addObserver(
        sv::FileSaveDidSucceedNotification,
        [this](const sv::Notification& n) { m_failing.remove(n.userInfo.value(QStringLiteral("path")).toString()); },
        sv::NotificationCenter::Delivery::MainThread, this));
}

SVFileAlerts::~SVFileAlerts() = default;

void SVFileAlerts::saveDidFail(const QString& path, const QString& reason)
{
    // A failing disk fails every save after an edit: one alert is enough.
    if (m_failing.contains(path))
        return;
    m_failing.insert(path);
    show(tr("Unable to save \"%1\".").arg(QFileInfo(path).fileName()), reason);
}

void SVFileAlerts::reportAnnotationsReadError(const QString& error)
{
    if (error.isEmpty() || m_readErrorReported)
        return;
    m_readErrorReported = true;
    show(tr("The annotations could not be read."),
         error + QLatin1Char('\n')
             + tr("The file is left as it is. Annotations made now are kept and saved once it can be read."));
}

void SVFileAlerts::reportSettingsReadProblem(const QString& readError, const QString& setAsideFile)
{
    if ((readError.isEmpty() && setAsideFile.isEmpty()) || m_settingsProblemReported)
        return;
    m_settingsProblemReported = true;
    if (!readError.isEmpty()) {
        show(tr("The settings could not be read."),
             readError + QLatin1Char('\n')
                 + tr("The file is left as it is. Settings changed now are kept and saved into it once it can be "
                      "read."));
        return;
    }
    show(tr("Some lines of the settings could not be read."),
         tr("The settings that could be read are used. Lines that are no settings, comments among them, are left "
            "out when the settings are next saved; the file as it was is kept as \"%1\".")
             .arg(QFileInfo(setAsideFile).fileName()));
}

void SVFileAlerts::reportAnnotationsMovedAside(const QString& aside)
{
    if (aside.isEmpty() || m_movedAsideReported)
        return;
    m_movedAsideReported = true;
    show(tr("The annotations could not be read."),
         tr("The annotations file is damaged. It was moved to \"%1\", where it is kept as it was; "
            "the annotations start empty.")
             .arg(aside));
}

void SVFileAlerts::show(const QString& message, const QString& information)
{
    if (m_unattended) {
        qCWarning(lcSkyvane).noquote() << message << information;
        return;
    }
    auto* alert = new SVAlert(m_window);
    alert->setAlertStyle(SVAlert::Style::Warning);
    alert->setTextFormat(Qt::PlainText); // file names and system reasons are text
    alert->setMessageText(message);
    alert->setInformativeText(information);
    alert->addButtonWithTitle(tr("OK"));
    if (m_terminating || !m_window || !m_window->isVisible()) {
        alert->runModal();
        delete alert;
    } else {
        alert->beginSheetModalForWindow(m_window, [](int) {});
    }
}
