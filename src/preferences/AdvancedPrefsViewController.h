#pragma once

#include "preferences/MASPreferencesViewController.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QPushButton;

namespace sv {
class UserDefaults;
}

class AdvancedPrefsViewControllerDelegate {
public:
    virtual ~AdvancedPrefsViewControllerDelegate() = default;
    virtual void toggleHideChannelGraphs() {}
    virtual void toggleHideDFSChannels() {}
};

// The spectrum's channel-graph and DFS options, and the vendor database's updates.
class AdvancedPrefsViewController : public QWidget, public MASPreferencesViewController {
    Q_OBJECT
public:
    explicit AdvancedPrefsViewController(sv::UserDefaults& defaults, QWidget* parent = nullptr);

    QString identifier() const override { return QStringLiteral("Advanced"); }
    QIcon toolbarItemImage() const override;
    QString toolbarItemLabel() const override { return tr("Advanced"); }
    QWidget* view() override { return this; }
    void viewWillAppear() override;

    void setDelegate(AdvancedPrefsViewControllerDelegate* delegate) { m_delegate = delegate; }
    // What Check Now runs; the vendor database's interactive update check
    // unless replaced (tests).
    void setCheckNow(std::function<void()> checkNow) { m_checkNow = std::move(checkNow); }

    QCheckBox* hideChannelGraphsCheckbox() const { return m_hideChannelGraphs; }
    QCheckBox* hideDFSChannelsCheckbox() const { return m_hideDFSChannels; }
    QCheckBox* checkForUpdatesCheckbox() const { return m_checkForUpdates; }
    QCheckBox* autoUpdateCheckbox() const { return m_autoUpdate; }
    QPushButton* checkNowButton() const { return m_checkNowButton; }

private:
    sv::UserDefaults& m_defaults;
    AdvancedPrefsViewControllerDelegate* m_delegate = nullptr;
    std::function<void()> m_checkNow;
    QCheckBox* m_hideChannelGraphs = nullptr;
    QCheckBox* m_hideDFSChannels = nullptr;
    QCheckBox* m_checkForUpdates = nullptr;
    QCheckBox* m_autoUpdate = nullptr;
    QPushButton* m_checkNowButton = nullptr;
};

// A pane nothing shows: its two thresholds are set when it is made and
// read by nothing.
class SpecAnPrefsViewController : public QWidget, public MASPreferencesViewController {
    Q_OBJECT
public:
    explicit SpecAnPrefsViewController(QWidget* parent = nullptr) : QWidget(parent) {}
    QString identifier() const override { return QStringLiteral("SpecAn"); }
    QIcon toolbarItemImage() const override { return {}; }
    QString toolbarItemLabel() const override { return tr("SpecAn"); }
    QWidget* view() override { return this; }
    qint64 minUtilizationThreshold = -100;
    qint64 maxUtilizationThreshold = 0;
};
