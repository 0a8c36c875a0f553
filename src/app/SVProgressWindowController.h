#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// The small "Please wait..." window with a spinning indicator, shown as a
// sheet while a document is saved or opened, a file is exported or the
// vendor database is downloaded.
class SVProgressWindowController : public QDialog {
    Q_OBJECT
public:
    explicit SVProgressWindowController(QWidget* parent = nullptr, const QString& message = QString());

    QString message() const { return m_message; }
    void setMessage(const QString& message);
    // What the label shows: the message, or "Please wait..." without one.
    QString labelText() const;
    // A job that can be given up shows a "Cancel" button (also Escape) that
    // calls cancel; without one the job behind the sheet ends it.
    void setCancelAction(std::function<void()> cancel);
    QPushButton* cancelButton() const { return m_cancelButton; }
    // The Quit shortcut, which the window under the sheet cannot take while
    // the sheet covers it.
    void setQuitAction(std::function<void()> quit);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString m_message;
    QLabel* m_messageLabel;
    QProgressBar* m_progressIndicator;
    QPushButton* m_cancelButton;
    std::function<void()> m_cancel;
    std::function<void()> m_quit;
};

// The main window's progress sheet, counted by jobs: the first job shows
// it, later jobs only change its message, and it goes away when the last
// job that showed it has hidden it. So overlapping jobs share one sheet and
// none leaves it up for good.
class SVProgressPanel {
public:
    explicit SVProgressPanel(QWidget* window) : m_window(window) {}
    ~SVProgressPanel();
    SVProgressPanel(const SVProgressPanel&) = delete;
    SVProgressPanel& operator=(const SVProgressPanel&) = delete;

    void showProgressPanelWithMessage(const QString& message);
    // Ends one job; without a shown sheet it does nothing.
    void hideProgressPanel();
    // The shown sheet's Cancel button calls cancel; empty takes it away.
    void setCancelAction(std::function<void()> cancel);
    // Every sheet shown from now on takes the Quit shortcut to quit.
    void setQuitAction(std::function<void()> quit) { m_quit = std::move(quit); }

    int jobCount() const { return m_jobs; }
    SVProgressWindowController* progressWindowController() const { return m_controller; }

private:
    QPointer<QWidget> m_window;
    QPointer<SVProgressWindowController> m_controller;
    int m_jobs = 0;
    std::function<void()> m_quit;
};
