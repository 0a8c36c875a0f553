#include "app/SVVendorDatabaseWindowUI.h"

#include "app/SVAlert.h"
#include "app/SVProgressWindowController.h"

#include <QCheckBox>
#include <QPushButton>

SVVendorDatabaseWindowUI::SVVendorDatabaseWindowUI(QWidget* window, SVProgressPanel& progress)
    : m_window(window), m_progress(progress)
{
}

SVVendorDatabaseWindowUI::~SVVendorDatabaseWindowUI() = default;

void SVVendorDatabaseWindowUI::showProgress(const QString& message)
{
    if (m_showing)
        return; // one job per download
    m_showing = true;
    m_progress.showProgressPanelWithMessage(message);
}

void SVVendorDatabaseWindowUI::hideProgress()
{
    if (!m_showing)
        return;
    m_showing = false;
    m_progress.hideProgressPanel();
}

void SVVendorDatabaseWindowUI::showInformationalAlert(const QString& message, const QString& informativeText,
                                                      const QString& button)
{
    auto* alert = new SVAlert(m_window);
    alert->setAlertStyle(SVAlert::Style::Informational);
    alert->setMessageText(message);
    alert->setInformativeText(informativeText);
    alert->addButtonWithTitle(button);
    alert->beginSheetModalForWindow(m_window, [](int) {});
}

void SVVendorDatabaseWindowUI::askToUpdate(const QString& message, const QString& informativeText,
                                           const QStringList& buttons, bool showsSuppressionButton,
                                           std::function<void(UpdateChoice, bool)> done)
{
    auto* alert = new SVAlert(m_window);
    alert->setAlertStyle(SVAlert::Style::Warning);
    alert->setMessageText(message);
    alert->setInformativeText(informativeText);
    for (const QString& title : buttons)
        alert->addButtonWithTitle(title);
    QCheckBox* suppress = nullptr;
    if (showsSuppressionButton) {
        suppress = new QCheckBox(QObject::tr("Do not ask again"));
        alert->setCheckBox(suppress);
    }
    QPointer<QCheckBox> box = suppress;
    alert->beginSheetModalForWindow(m_window, [done = std::move(done), box](int code) {
        UpdateChoice choice = UpdateChoice::No;
        if (code == SVAlert::FirstButtonReturn)
            choice = UpdateChoice::Update;
        else if (code == SVAlert::ThirdButtonReturn)
            choice = UpdateChoice::TurnOnAutoUpdate;
        done(choice, box && box->isChecked());
    });
}
