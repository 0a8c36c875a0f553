#include "app/SVProgressWindowController.h"

#include "views/SVPlainText.h"
#include "views/SVThemeHelper.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

SVProgressWindowController::SVProgressWindowController(QWidget* parent, const QString& message)
    : QDialog(parent, Qt::Sheet | Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_messageLabel(sv::newPlainLabel(QString(), this)), m_progressIndicator(new QProgressBar(this))
{
    SVThemeHelper::setAppearanceForWindow(this);
    m_progressIndicator->setRange(0, 0); // busy: spins until hidden
    m_progressIndicator->setTextVisible(false);
    m_progressIndicator->setFixedWidth(80);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_progressIndicator);
    layout->addWidget(m_messageLabel, 1);
    setMessage(message);
}

void SVProgressWindowController::setMessage(const QString& message)
{
    m_message = message;
    m_messageLabel->setText(labelText());
}

QString SVProgressWindowController::labelText() const
{
    return m_message.isEmpty() ? tr("Please wait...") : m_message;
}

// The job behind the sheet ends it; the user cannot dismiss it.
void SVProgressWindowController::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return event->accept();
    QDialog::keyPressEvent(event);
}

void SVProgressWindowController::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous())
        return event->ignore();
    QDialog::closeEvent(event);
}

SVProgressPanel::~SVProgressPanel()
{
    delete m_controller.data();
}

void SVProgressPanel::showProgressPanelWithMessage(const QString& message)
{
    ++m_jobs;
    if (m_controller) {
        m_controller->setMessage(message);
        return;
    }
    m_controller = new SVProgressWindowController(m_window, message);
    m_controller->setWindowModality(Qt::WindowModal);
    m_controller->open();
}

void SVProgressPanel::hideProgressPanel()
{
    if (m_jobs == 0)
        return;
    if (--m_jobs > 0)
        return;
    if (m_controller) {
        // Keys go back to the window, also where no window manager hands
        // activation back when the sheet goes.
        const bool wasActive = m_controller->isActiveWindow();
        m_controller->hide();
        m_controller->deleteLater();
        m_controller.clear();
        if (wasActive && m_window)
            m_window->activateWindow();
    }
}
