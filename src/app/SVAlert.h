#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QPushButton;

// The application's alert. Buttons answer 1000, 1001, 1002... in the order
// they were added; with none added the alert has one "OK" button. A button
// titled "Cancel" (a mnemonic mark aside) answers Escape; an alert with a
// single button answers Escape and the close button with that button, so
// its only way out is it.
class SVAlert : public QMessageBox {
    Q_OBJECT
public:
    enum class Style { Warning = 0, Informational = 1, Critical = 2 };
    static constexpr int FirstButtonReturn = 1000;
    static constexpr int SecondButtonReturn = 1001;
    static constexpr int ThirdButtonReturn = 1002;
    // The window went away before a button was chosen.
    static constexpr int AbortReturn = -1001;

    explicit SVAlert(QWidget* parent = nullptr);
    ~SVAlert() override;

    // Both texts are plain text: alerts name files, networks and notes.
    void setMessageText(const QString& text) { setText(text); }
    QString messageText() const { return text(); }
    void setInformativeText(const QString& text);
    QPushButton* addButtonWithTitle(const QString& title);
    QList<QPushButton*> alertButtons() const { return m_buttons; }
    void setAlertStyle(Style style);
    Style alertStyle() const { return m_style; }
    // Shown between the texts and the buttons; the alert takes ownership.
    void setAccessoryView(QWidget* view);
    QWidget* accessoryView() const { return m_accessory; }

    // Runs the alert application-modal and answers the chosen button.
    int runModal();
    // Shows the alert as a window-modal sheet on window and returns at once;
    // completion gets the chosen button. The alert deletes itself after the
    // completion, so it must be made with new.
    void beginSheetModalForWindow(QWidget* window, std::function<void(int)> completion);

    // When set, alerts are answered by this function instead of being shown
    // (tests and runs without a display); a sheet's completion still comes
    // later, from the event loop.
    static void setAutomaticResponder(std::function<int(const SVAlert&)> responder);
    // How many alerts are open now (run modally or shown as sheets).
    static int openAlertCount();

private:
    void ensureButtons();
    int returnCodeOf(QAbstractButton* clicked) const;

    QList<QPushButton*> m_buttons;
    QWidget* m_accessory = nullptr;
    Style m_style = Style::Warning;
    bool m_counted = false;
};
