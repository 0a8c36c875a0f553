#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What the vendor database shows the user: the progress sheet and its
// alerts. The main window implements it; without one nothing is shown.
class SVVendorDatabaseUI {
public:
    // The buttons of the "A new vendors database is available!" alert, in order.
    enum class UpdateChoice { Update, No, TurnOnAutoUpdate };

    virtual ~SVVendorDatabaseUI() = default;

    virtual void showProgress(const QString& message) = 0;
    virtual void hideProgress() = 0;
    // An informational alert with one button.
    virtual void showInformationalAlert(const QString& message, const QString& informativeText,
                                        const QString& button) = 0;
    // A warning alert with the given buttons (Update, No, Turn On Auto Update)
    // and, when showsSuppressionButton, a "do not ask again" checkbox. done is
    // called once on the main thread with the button and the checkbox state.
    virtual void askToUpdate(const QString& message, const QString& informativeText,
                             const QStringList& buttons, bool showsSuppressionButton,
                             std::function<void(UpdateChoice choice, bool suppress)> done) = 0;
};
