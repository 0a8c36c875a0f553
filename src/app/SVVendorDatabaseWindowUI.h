#pragma once

#include "model/SVVendorDatabaseUI.h"

#include <QPointer>

class QWidget;
class SVProgressPanel;

// The vendor database's progress sheet and alerts, on the main window.
class SVVendorDatabaseWindowUI final : public SVVendorDatabaseUI {
public:
    SVVendorDatabaseWindowUI(QWidget* window, SVProgressPanel& progress);
    ~SVVendorDatabaseWindowUI() override;

    void showProgress(const QString& message) override;
    void hideProgress() override;
    void showInformationalAlert(const QString& message, const QString& informativeText,
                                const QString& button) override;
    void askToUpdate(const QString& message, const QString& informativeText, const QStringList& buttons,
                     bool showsSuppressionButton,
                     std::function<void(UpdateChoice choice, bool suppress)> done) override;

private:
    QPointer<QWidget> m_window;
    SVProgressPanel& m_progress;
    bool m_showing = false;
};
