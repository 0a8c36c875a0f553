#include "app/SVStartupAlerts.h"

#include "app/SVAlert.h"
#include "app/SVWindowTexts.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SVStartupAlerts", text);
}

} // namespace

SVAlert* newNoInterfaceAlert(const QUrl& supportPage, QWidget* parent)
{
    auto* alert = new SVAlert(parent);
    alert->setAlertStyle(SVAlert::Style::Critical);
    alert->setEscapeButton(alert->addButtonWithTitle(tr("Quit")));
    // A machine without Wi-Fi can still show a survey made in the field.
    alert->addButtonWithTitle(tr("Open Survey..."));
    alert->setMessageText(tr("Unable to scan for wireless networks."));
    alert->setInformativeText(tr("No supported Wi-Fi interfaces were found."));
    auto* more = new QLabel;
    more->setTextFormat(Qt::RichText);
    more->setOpenExternalLinks(true);
    more->setTextInteractionFlags(Qt::TextBrowserInteraction);
    QFont small = more->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    more->setFont(small);
    more->setText(QStringLiteral("%1 <a href=\"%2\">%3</a>.")
                      .arg(tr("For more information visit").toHtmlEscaped(),
                           supportPage.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                           tr("Skyvane Support").toHtmlEscaped()));
    alert->setAccessoryView(more);
    return alert;
}

SVAlert* newScenarioErrorAlert(const QString& problem, QWidget* parent)
{
    auto* alert = new SVAlert(parent);
    alert->setAlertStyle(SVAlert::Style::Critical);
    alert->addButtonWithTitle(tr("Quit"));
    alert->setMessageText(tr("Unable to play the scenario."));
    alert->setInformativeText(problem);
    return alert;
}

SVAlert* newWiFiOffAlert(QWidget* parent)
{
    auto* alert = new SVAlert(parent);
    alert->setMessageText(tr("Wi-Fi is off. Do you want to turn it on?"));
    alert->setInformativeText(tr("Wi-Fi must be on to perform a scan for wireless networks."));
    alert->addButtonWithTitle(tr("Turn Wi-Fi On"));
    alert->addButtonWithTitle(tr("Cancel"));
    return alert;
}

SVAlert* newWiFiStaysOffAlert(const QString& reason, QWidget* parent)
{
    auto* alert = new SVAlert(parent);
    alert->setMessageText(tr("Wi-Fi could not be turned on."));
    alert->setInformativeText(reason);
    return alert;
}

SVAlert* newPreReleaseAlert(const QString& preRelease, QWidget* parent)
{
    auto* alert = new SVAlert(parent);
    alert->setAlertStyle(SVAlert::Style::Informational);
    alert->addButtonWithTitle(tr("Accept"));
    alert->addButtonWithTitle(tr("Quit"));
    alert->setMessageText(preReleaseNoticeText(preRelease));
    alert->setInformativeText(QString());
    return alert;
}
