#pragma once

#include "preferences/MASPreferencesViewController.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class GeneralPrefsViewController;

namespace sv {
class UserDefaults;
}

class GeneralPrefsViewControllerDelegate {
public:
    virtual ~GeneralPrefsViewControllerDelegate() = default;
    virtual void valuesDidChange(GeneralPrefsViewController* /*pane*/) {}
};

// Signal sensitivity, units, and removing networks not seen for a while.
class GeneralPrefsViewController : public QWidget, public MASPreferencesViewController {
    Q_OBJECT
public:
    enum Tag {
        SensitivitySlider = 2001,
        SensitivityLabel = 2002,
        UnitsPopUp = 2003,
        MaxElapsedTimeNotSeenPopUp = 2007,
        DeleteIfNotSeenCheckBox = 2008,
    };
    // The slider's range: a signal weaker than minus the value is dropped,
    // 100 keeps everything a radio reports, and 85 drops nothing.
    static constexpr int MinimumSensitivity = 60;
    static constexpr int MaximumSensitivity = 100;

    explicit GeneralPrefsViewController(sv::UserDefaults& defaults, QWidget* parent = nullptr);

    QString identifier() const override { return QStringLiteral("General"); }
    QIcon toolbarItemImage() const override;
    QString toolbarItemLabel() const override { return tr("General"); }
    QWidget* view() override { return this; }
    QWidget* initialKeyView() override;

    void setDelegate(GeneralPrefsViewControllerDelegate* delegate) { m_delegate = delegate; }
    // The control with this tag (2001, 2002, 2003, 2007, 2008).
    QWidget* controlWithTag(int tag) const;
    // "No limit" where nothing is cut (85), "Lowest" at the slider's minimum,
    // "Highest" at its maximum, else "-70 dBm".
    static QString sensitivityLabelText(int value, int minimum, int maximum);
    // The action of all four controls.
    void userDidChangeValue(int tag);

    bool showAppearanceOptions() const { return false; }
    bool showUpdaterOptions() const { return true; }

private:
    void awakeFromNib();

    sv::UserDefaults& m_defaults;
    GeneralPrefsViewControllerDelegate* m_delegate = nullptr;
    QSlider* m_sensitivity = nullptr;
    QLabel* m_sensitivityLabel = nullptr;
    QComboBox* m_units = nullptr;
    QComboBox* m_maxElapsed = nullptr;
    QCheckBox* m_deleteIfNotSeen = nullptr;
};
