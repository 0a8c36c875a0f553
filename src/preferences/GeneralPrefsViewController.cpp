#include "preferences/GeneralPrefsViewController.h"
#include "model/SVDefaultsKeys.h"

#include "model/SVSensitivity.h"
#include "platform/UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>

#include <algorithm>

namespace {

void setTag(QWidget* widget, int tag, const char* name)
{
    widget->setProperty("tag", tag);
    widget->setObjectName(QString::fromLatin1(name));
}

void selectItemWithTag(QComboBox* popUp, qint64 tag)
{
    const int index = popUp->findData(tag);
    popUp->setCurrentIndex(index >= 0 ? index : 0);
}

} // namespace

GeneralPrefsViewController::GeneralPrefsViewController(sv::UserDefaults& defaults, QWidget* parent)
    : QWidget(parent), m_defaults(defaults)
{
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setContentsMargins(20, 20, 20, 20);
    form->setVerticalSpacing(12);

    m_units = new QComboBox;
    setTag(m_units, UnitsPopUp, "unitsPopUp");
    m_units->addItem(tr("Percent"), 0);
    m_units->addItem(tr("dBm"), 1);
    form->addRow(tr("Units:"), m_units);

    m_sensitivity = new QSlider(Qt::Horizontal);
    setTag(m_sensitivity, SensitivitySlider, "sensitivitySlider");
    m_sensitivity->setRange(MinimumSensitivity, MaximumSensitivity);
    m_sensitivity->setTickPosition(QSlider::TicksBelow);
    m_sensitivity->setTickInterval(10);
    m_sensitivity->setMinimumWidth(200);
    m_sensitivityLabel = new QLabel;
    setTag(m_sensitivityLabel, SensitivityLabel, "sensitivityLabel");
    // Wide enough for every text it shows, so the slider never jumps.
    int labelWidth = 0;
    for (const int v : {MinimumSensitivity, MaximumSensitivity, int(SVSensitivityNoCut), MaximumSensitivity - 1})
        labelWidth = std::max(labelWidth, m_sensitivityLabel->fontMetrics().horizontalAdvance(
                                              sensitivityLabelText(v, MinimumSensitivity, MaximumSensitivity)));
    m_sensitivityLabel->setMinimumWidth(labelWidth + 8);
    auto* sensitivityRow = new QHBoxLayout;
    sensitivityRow->addWidget(m_sensitivity, 1);
    sensitivityRow->addWidget(m_sensitivityLabel);
    form->addRow(tr("Sensitivity:"), sensitivityRow);

    m_deleteIfNotSeen = new QCheckBox(tr("Remove networks not seen for"));
    setTag(m_deleteIfNotSeen, DeleteIfNotSeenCheckBox, "deleteIfNotSeenCheckBox");
    m_maxElapsed = new QComboBox;
    setTag(m_maxElapsed, MaxElapsedTimeNotSeenPopUp, "maxElapsedTimeNotSeenPopUp");
    const std::pair<const char*, int> times[] = {{QT_TR_NOOP("1 minute"), 1},   {QT_TR_NOOP("2 minutes"), 2},
                                                 {QT_TR_NOOP("5 minutes"), 3},  {QT_TR_NOOP("30 minutes"), 4},
                                                 {QT_TR_NOOP("1 hour"), 5},     {QT_TR_NOOP("2 hours"), 6}};
    for (const auto& [title, tag] : times)
        m_maxElapsed->addItem(tr(title), tag);
    auto* removal = new QHBoxLayout;
    removal->addWidget(m_deleteIfNotSeen);
    removal->addWidget(m_maxElapsed);
    removal->addStretch(1);
    form->addRow(tr("Networks:"), removal);

    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // A drag shows its value as it goes and is written once, when let go.
    connect(m_sensitivity, &QSlider::valueChanged, this, [this](int value) {
        if (m_sensitivity->isSliderDown())
            m_sensitivityLabel->setText(
                sensitivityLabelText(value, m_sensitivity->minimum(), m_sensitivity->maximum()));
        else
            userDidChangeValue(SensitivitySlider);
    });
    connect(m_sensitivity, &QSlider::sliderReleased, this, [this] { userDidChangeValue(SensitivitySlider); });
    connect(m_units, &QComboBox::activated, this, [this] { userDidChangeValue(UnitsPopUp); });
    connect(m_maxElapsed, &QComboBox::activated, this, [this] { userDidChangeValue(MaxElapsedTimeNotSeenPopUp); });
    connect(m_deleteIfNotSeen, &QCheckBox::clicked, this, [this] { userDidChangeValue(DeleteIfNotSeenCheckBox); });
    awakeFromNib();
}

QIcon GeneralPrefsViewController::toolbarItemImage() const
{
    return QIcon::fromTheme(QStringLiteral("preferences-system"), style()->standardIcon(QStyle::SP_ComputerIcon));
}

QWidget* GeneralPrefsViewController::initialKeyView()
{
    return m_units;
}

QWidget* GeneralPrefsViewController::controlWithTag(int tag) const
{
    for (QWidget* w : findChildren<QWidget*>())
        if (w->property("tag").toInt() == tag)
            return w;
    return nullptr;
}

QString GeneralPrefsViewController::sensitivityLabelText(int value, int minimum, int maximum)
{
    // This value cuts nothing: naming a level would claim a cut that is not made.
    if (value == SVSensitivityNoCut)
        return tr("No limit");
    if (value == minimum)
        return tr("Lowest");
    if (value == maximum)
        return tr("Highest");
    return QStringLiteral("%1 %2").arg(-value).arg(tr("dBm"));
}

void GeneralPrefsViewController::awakeFromNib()
{
    const QSignalBlocker block(m_sensitivity);
    m_sensitivity->setValue(int(std::clamp<qint64>(m_defaults.integerForKey(SVDefaultsKey::Sensitivity), MinimumSensitivity,
                                                   MaximumSensitivity)));
    m_sensitivityLabel->setText(sensitivityLabelText(m_sensitivity->value(), m_sensitivity->minimum(),
                                                     m_sensitivity->maximum()));
    selectItemWithTag(m_units, m_defaults.integerForKey(SVDefaultsKey::Units));
    selectItemWithTag(m_maxElapsed, m_defaults.integerForKey(SVDefaultsKey::MaxElapsedTimeNotSeen));
    m_deleteIfNotSeen->setChecked(m_defaults.boolForKey(SVDefaultsKey::DeleteIfNotSeen));
    m_maxElapsed->setEnabled(m_deleteIfNotSeen->isChecked());
}

void GeneralPrefsViewController::userDidChangeValue(int tag)
{
    switch (tag) {
    case SensitivitySlider:
        m_sensitivityLabel->setText(sensitivityLabelText(m_sensitivity->value(), m_sensitivity->minimum(),
                                                         m_sensitivity->maximum()));
        m_defaults.setInteger(m_sensitivity->value(), SVDefaultsKey::Sensitivity);
        break;
    case UnitsPopUp:
        m_defaults.setInteger(m_units->currentData().toLongLong(), SVDefaultsKey::Units);
        break;
    case MaxElapsedTimeNotSeenPopUp:
        m_defaults.setInteger(m_maxElapsed->currentData().toLongLong(), SVDefaultsKey::MaxElapsedTimeNotSeen);
        break;
    case DeleteIfNotSeenCheckBox:
        if (m_deleteIfNotSeen->isChecked()) {
            m_maxElapsed->setEnabled(true);
            m_defaults.setBool(true, SVDefaultsKey::DeleteIfNotSeen);
            userDidChangeValue(MaxElapsedTimeNotSeenPopUp);
        } else {
            m_maxElapsed->setEnabled(false);
            m_defaults.setBool(false, SVDefaultsKey::DeleteIfNotSeen);
        }
        break;
    default:
        break;
    }
    // Queued, so the controller runs after this action has finished.
    if (m_delegate)
        QMetaObject::invokeMethod(this, [this] { if (m_delegate) m_delegate->valuesDidChange(this); },
                                  Qt::QueuedConnection);
}
