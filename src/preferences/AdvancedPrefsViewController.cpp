#include "preferences/AdvancedPrefsViewController.h"
#include "model/SVDefaultsKeys.h"

#include "model/SVVendorDatabaseHelper.h"
#include "platform/UserDefaults.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

AdvancedPrefsViewController::AdvancedPrefsViewController(sv::UserDefaults& defaults, QWidget* parent)
    : QWidget(parent), m_defaults(defaults)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(14);

    auto* spectrum = new QGroupBox(tr("Spectrum"));
    auto* spectrumLayout = new QVBoxLayout(spectrum);
    m_hideChannelGraphs = new QCheckBox(tr("Hide channel graphs"));
    m_hideChannelGraphs->setObjectName(QStringLiteral("hideChannelGraphsCheckbox"));
    m_hideDFSChannels = new QCheckBox(tr("Hide DFS channels (52 to 144)"));
    m_hideDFSChannels->setObjectName(QStringLiteral("hideDFSChannelsCheckbox"));
    spectrumLayout->addWidget(m_hideChannelGraphs);
    spectrumLayout->addWidget(m_hideDFSChannels);
    layout->addWidget(spectrum);

    auto* vendors = new QGroupBox(tr("Vendor database"));
    auto* vendorsLayout = new QVBoxLayout(vendors);
    m_checkForUpdates = new QCheckBox(tr("Check for vendor database updates"));
    m_checkForUpdates->setObjectName(QStringLiteral("checkForUpdatesCheckbox"));
    m_autoUpdate = new QCheckBox(tr("Download and install updates automatically"));
    m_autoUpdate->setObjectName(QStringLiteral("autoUpdateCheckbox"));
    m_checkNowButton = new QPushButton(tr("Check Now"));
    m_checkNowButton->setObjectName(QStringLiteral("checkNowButton"));
    auto* checkNowRow = new QHBoxLayout;
    checkNowRow->addStretch(1);
    checkNowRow->addWidget(m_checkNowButton);
    vendorsLayout->addWidget(m_checkForUpdates);
    vendorsLayout->addWidget(m_autoUpdate);
    vendorsLayout->addLayout(checkNowRow);
    layout->addWidget(vendors);
    layout->addStretch(1);

    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    connect(m_hideChannelGraphs, &QCheckBox::clicked, this, [this](bool on) {
        m_defaults.setBool(on, SVDefaultsKey::HideChannelGraphs);
        if (m_delegate)
            QMetaObject::invokeMethod(this, [this] { if (m_delegate) m_delegate->toggleHideChannelGraphs(); },
                                      Qt::QueuedConnection);
    });
    connect(m_hideDFSChannels, &QCheckBox::clicked, this, [this](bool on) {
        m_defaults.setBool(on, SVDefaultsKey::HideDFSChannels);
        if (m_delegate)
            QMetaObject::invokeMethod(this, [this] { if (m_delegate) m_delegate->toggleHideDFSChannels(); },
                                      Qt::QueuedConnection);
    });
    connect(m_checkForUpdates, &QCheckBox::clicked, this,
            [this](bool on) { m_defaults.setInteger(on ? 0 : 1, SVDefaultsKey::UpdateAlertSuppressionButton); });
    connect(m_autoUpdate, &QCheckBox::clicked, this,
            [this](bool on) { m_defaults.setBool(on, SVDefaultsKey::AutoUpdateVendorsDatabase); });
    connect(m_checkNowButton, &QPushButton::clicked, this, [this] {
        if (m_checkNow)
            m_checkNow();
        else
            SVVendorDatabaseHelper::sharedDatabase().checkForDatabaseUpdates(true);
    });
}

QIcon AdvancedPrefsViewController::toolbarItemImage() const
{
    return QIcon::fromTheme(QStringLiteral("preferences-other"), style()->standardIcon(QStyle::SP_FileDialogContentsView));
}

void AdvancedPrefsViewController::viewWillAppear()
{
    m_hideChannelGraphs->setChecked(m_defaults.boolForKey(SVDefaultsKey::HideChannelGraphs));
    m_hideDFSChannels->setChecked(m_defaults.boolForKey(SVDefaultsKey::HideDFSChannels));
    m_checkForUpdates->setChecked(m_defaults.integerForKey(SVDefaultsKey::UpdateAlertSuppressionButton) != 1);
    m_autoUpdate->setChecked(m_defaults.boolForKey(SVDefaultsKey::AutoUpdateVendorsDatabase));
}
