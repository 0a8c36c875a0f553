#include "app/SVProgressWindowController.h"

#include "views/SVPlainText.h"
#include "views/SVThemeHelper.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

SVProgressWindowController::SVProgressWindowController(QWidget* parent, const QString& message)
    : QDialog(parent, Qt::Sheet | Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_messageLabel(sv::newPlainLabel(QString(), this)), m_progressIndicator(new QProgressBar(this)),
      m_cancelButton(new QPushButton(tr("Cancel"), this))
{
    SVThemeHelper::setAppearanceForWindow(this);
    m_progressIndicator->setRange(0, 0); // busy: spins until hidden
    m_progressIndicator->setTextVisible(false);
    m_progressIndicator->setFixedWidth(80);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_progressIndicator);
    layout->addWidget(m_messageLabel, 1);
    layout->addWidget(m_cancelButton);
    m_messageLabel->setTextFormat(Qt::PlainText); // a path is text
    m_cancelButton->setAutoDefault(false);
    m_cancelButton->hide();
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        // The action may end this sheet.
        if (auto cancel = m_cancel)
            cancel();
    });
    auto* quit = new QAction(this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q)); // as the File menu's Quit
    connect(quit, &QAction::triggered, this, [this] {
        if (auto q = m_quit)
            q();
    });
    addAction(quit);
    setMessage(message);
}

void SVProgressWindowController::setCancelAction(std::function<void()> cancel)
{
    m_cancel = std::move(cancel);
    m_cancelButton->setVisible(bool(m_cancel));
}

void SVProgressWindowController::setQuitAction(std::function<void()> quit)
{
    m_quit = std::move(quit);
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

// The job behind the sheet ends it; the user cannot dismiss it, only
// cancel a job that can be given up.
void SVProgressWindowController::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        if (m_cancelButton->isVisible())
            m_cancelButton->click();
        return;
    }
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
    m_controller->setQuitAction(m_quit);
    m_controller->setWindowModality(Qt::WindowModal);
    m_controller->open();
}

void SVProgressPanel::setCancelAction(std::function<void()> cancel)
{
    if (m_controller)
        m_controller->setCancelAction(std::move(cancel));
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
