#include "app/SVNetworkDetailsPane.h"

#include "app/SVClickableTextField.h"
#include "model/SVNetwork.h"
#include "model/SVSignalQuality.h"
#include "model/SVVendorDatabaseHelper.h"
#include "preferences/MKColorWell.h"
#include "views/SVNetworkCellDelegate.h"
#include "views/SVElidingLabel.h"
#include "views/SVPlainText.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedLayout>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

QString level(qint64 dBm, int units)
{
    if (units == 0)
        return QStringLiteral("%1%").arg(sv::signalQualityPercent(dBm));
    return QStringLiteral("%1 dBm").arg(dBm);
}

QString levels(qint64 avg, qint64 min, qint64 max, int units)
{
    if (units == 0)
        return QStringLiteral("%1%/%2%/%3%")
            .arg(sv::signalQualityPercent(avg))
            .arg(sv::signalQualityPercent(min))
            .arg(sv::signalQualityPercent(max));
    return QStringLiteral("%1/%2/%3 dBm").arg(avg).arg(min).arg(max);
}

// Only web addresses are offered as links: the address comes from a
// downloaded database.
QString webAddress(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty() ? text : QString();
}

} // namespace

QString signalQualityWord(qint64 snr, bool* warning)
{
    struct Step {
        qint64 from;
        const char* word;
        bool warning;
    };
    static constexpr Step steps[] = {
        {41, QT_TRANSLATE_NOOP("SVNetworkDetailsPane", "Excellent"), false},
        {26, QT_TRANSLATE_NOOP("SVNetworkDetailsPane", "Good"), false},
        {16, QT_TRANSLATE_NOOP("SVNetworkDetailsPane", "Poor"), true},
        {11, QT_TRANSLATE_NOOP("SVNetworkDetailsPane", "Very Poor"), true},
    };
    for (const Step& s : steps) {
        if (snr >= s.from) {
            if (warning)
                *warning = s.warning;
            return SVNetworkDetailsPane::tr(s.word);
        }
    }
    if (warning)
        *warning = true;
    return SVNetworkDetailsPane::tr("Extremely Poor");
}

SVNetworkDetailsTexts networkDetailsTexts(const SVNetwork& n, int units, bool scanning)
{
    SVNetworkDetailsTexts t;
    t.ssid = n.ssid();
    t.bssid = n.bssid();
    t.vendor = n.vendor();
    if (!t.vendor.isEmpty())
        t.vendorURL = webAddress(SVVendorDatabaseHelper::sharedDatabase().urlForVendor(t.vendor));
    t.band = n.humanReadableChannelBand();
    t.networkType = n.networkType();
    const QString phy = n.phyMode();
    t.mode = phy.isEmpty() ? QString() : QStringLiteral("802.11%1").arg(phy);
    t.rssi = level(n.rssiLast(), units);
    t.noise = level(n.noiseLast(), units);
    t.rssiAvg = levels(n.rssiAvg(), n.rssiMin(), n.rssiMax(), units);
    t.noiseAvg = levels(n.noiseAvg(), n.noiseMin(), n.noiseMax(), units);
    t.snr = QStringLiteral("%1 dB").arg(n.snrLast());
    t.snrAvg = QStringLiteral("%1/%2/%3 dB").arg(n.snrAvg()).arg(n.snrMin()).arg(n.snrMax());

    const bool missing = scanning && n.rssi() == SVNetwork::NoSignal;
    if (missing) {
        t.noSignal = true;
        t.greyedFigures = true;
        t.signalQuality = SVNetworkDetailsPane::tr("No Signal");
    } else {
        t.signalQuality = signalQualityWord(n.snrLast(), &t.signalQualityWarning);
    }

    t.channel = n.humanReadableChannelRange().text();
    t.width = n.humanReadableChannelWidth();
    t.security = n.securityMode();
    t.showPadlock = !n.isOpen();
    t.showEncryption = n.isWPA() || n.isWPA2();
    t.encryption = t.showEncryption ? n.cipher() : QString();
    t.wps = n.wpsValue();
    if (t.wps.isEmpty())
        t.wps = SVNetworkDetailsPane::tr("Not Detected");
    const QString mbps = SVNetworkDetailsPane::tr("Mbps");
    const QString basic = n.humanReadableBasicDataRates();
    t.basicRates = basic.isEmpty() ? QString() : QStringLiteral("%1 %2").arg(basic, mbps);
    const double maxRate = n.maxRate();
    if (maxRate > 0) {
        t.maxRate = QStringLiteral("%1 %2").arg(qulonglong(std::floor(maxRate))).arg(mbps);
        t.maxRateToolTip = QStringLiteral("%1 %2").arg(n.humanReadableDataRates(), mbps);
    }
    const double beacon = n.beaconInterval();
    if (beacon > 0) {
        t.showBeaconInterval = true;
        t.beaconInterval = QStringLiteral("%1 %2").arg(beacon, 0, 'f', 1).arg(SVNetworkDetailsPane::tr("ms"));
    }
    t.color = n.color();
    return t;
}

// ---- the pane ----

SVNetworkDetailsPane::SVNetworkDetailsPane(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(12);
    m_chartHolder = new QWidget;
    auto* chartLayout = new QVBoxLayout(m_chartHolder);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_chartHolder, 1);

    m_panel = new QWidget;
    m_panel->setObjectName(QStringLiteral("netDetailsView"));
    m_stack = new QStackedLayout(m_panel);
    row->addWidget(m_panel, 0);

    m_placeholder = new QLabel(tr("No Network Selected"));
    m_placeholder->setObjectName(QStringLiteral("placeholder"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setStyleSheet(QStringLiteral("color: gray; font-size: 15pt;"));

    m_details = new QWidget;
    auto* grid = new QGridLayout(m_details);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    int r = 0;
    addValue(grid, r++, 0, tr("SSID:"), QStringLiteral("ssidLbl"));
    addValue(grid, r++, 0, tr("BSSID:"), QStringLiteral("bssidLbl"));
    {
        auto* caption = new QLabel(tr("Vendor:"));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_vendor = new SVClickableTextField;
        m_vendor->setObjectName(QStringLiteral("vendorLbl"));
        m_vendor->setOpenExternalLinks(false);
        connect(m_vendor, &QLabel::linkActivated, this,
                [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
        grid->addWidget(caption, r, 0);
        grid->addWidget(m_vendor, r++, 1);
    }
    addValue(grid, r++, 0, tr("Band:"), QStringLiteral("bandLbl"));
    addValue(grid, r++, 0, tr("Network Type:"), QStringLiteral("networkTypeLbl"));
    addValue(grid, r++, 0, tr("Mode:"), QStringLiteral("modeLbl"));
    {
        auto* caption = new QLabel(tr("Signal Quality:"));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* holder = new QWidget;
        auto* line = new QHBoxLayout(holder);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(4);
        auto* word = new SVElidingLabel;
        word->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        word->setObjectName(QStringLiteral("signalQualityLbl"));
        m_qualityIcon = new QLabel;
        m_qualityIcon->setObjectName(QStringLiteral("iconSignalQualityImg"));
        m_qualityIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(14, 14));
        line->addWidget(word);
        line->addWidget(m_qualityIcon);
        line->addStretch(1);
        grid->addWidget(caption, r, 0);
        grid->addWidget(holder, r++, 1);
    }
    addValue(grid, r++, 0, tr("Signal:"), QStringLiteral("rssiLbl"));
    addValue(grid, r++, 0, tr("Noise:"), QStringLiteral("noiseLbl"));
    addValue(grid, r++, 0, tr("SNR:"), QStringLiteral("snrLbl"));

    r = 0;
    addValue(grid, r++, 2, tr("Signal (avg/min/max):"), QStringLiteral("rssiAvgLbl"));
    addValue(grid, r++, 2, tr("Noise (avg/min/max):"), QStringLiteral("noiseAvgLbl"));
    addValue(grid, r++, 2, tr("SNR (avg/min/max):"), QStringLiteral("snrAvgLbl"));
    addValue(grid, r++, 2, tr("Channel:"), QStringLiteral("channelLbl"));
    addValue(grid, r++, 2, tr("Width:"), QStringLiteral("widthLbl"));
    {
        auto* caption = new QLabel(tr("Security:"));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* holder = new QWidget;
        auto* line = new QHBoxLayout(holder);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(4);
        auto* value = new SVElidingLabel;
        value->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        value->setObjectName(QStringLiteral("securityLbl"));
        m_securityIcon = new QLabel;
        m_securityIcon->setPixmap(SVNetworkCellDelegate::padlockPixmap(palette().color(QPalette::WindowText),
                                                                       devicePixelRatioF()));
        m_securityIcon->setObjectName(QStringLiteral("iconSecurityImg"));
        line->addWidget(value);
        line->addWidget(m_securityIcon);
        line->addStretch(1);
        grid->addWidget(caption, r, 2);
        grid->addWidget(holder, r++, 3);
    }
    addValue(grid, r++, 2, tr("Encryption:"), QStringLiteral("encryptionLbl"), &m_encryptionCaption);
    addValue(grid, r++, 2, tr("WPS:"), QStringLiteral("wpsLbl"));
    addValue(grid, r++, 2, tr("Basic Rates:"), QStringLiteral("ratesLbl"));
    addValue(grid, r++, 2, tr("Max Rate:"), QStringLiteral("maxRateLbl"));
    addValue(grid, r++, 2, tr("Beacon Interval:"), QStringLiteral("beaconIntervalLbl"), &m_beaconCaption);
    {
        auto* caption = new QLabel(tr("Color:"));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_colorWell = new MKColorWell;
        m_colorWell->setObjectName(QStringLiteral("networkColorWell"));
        m_colorWell->setFixedSize(m_colorWell->sizeHint());
        connect(m_colorWell, &MKColorWell::action, this,
                [this](MKColorWell* well) { emit userDidSelectColor(well->color(), m_bssid); });
        grid->addWidget(caption, r, 2);
        grid->addWidget(m_colorWell, r++, 3, Qt::AlignLeft);
    }
    // The values share what the panel's width leaves them; none widens it.
    grid->setColumnMinimumWidth(1, kLeftValueMin);
    grid->setColumnMinimumWidth(3, kRightValueMin);
    grid->setColumnStretch(1, kLeftValueMax - kLeftValueMin);
    grid->setColumnStretch(3, kRightValueMax - kRightValueMin);
    m_grid = grid;
    grid->setRowStretch(std::max(r, 9) + 1, 1);

    m_stack->addWidget(m_details);
    m_stack->addWidget(m_placeholder);
    clear();
}

QLabel* SVNetworkDetailsPane::addValue(QGridLayout* grid, int row, int column, const QString& caption,
                                       const QString& name, QLabel** captionOut)
{
    auto* c = new QLabel(caption);
    c->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Values hold names heard on the air: never markup.
    auto* value = new SVElidingLabel;
    value->setObjectName(name);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(c, row, column);
    grid->addWidget(value, row, column + 1);
    if (captionOut)
        *captionOut = c;
    return value;
}

int SVNetworkDetailsPane::panelWidthFor(int paneWidth) const
{
    const int least = m_grid->minimumSize().width();
    const int most = least + (kLeftValueMax - kLeftValueMin) + (kRightValueMax - kRightValueMin);
    return std::clamp(paneWidth / 2, least, most);
}

void SVNetworkDetailsPane::resizeEvent(QResizeEvent* event)
{
    m_panel->setFixedWidth(panelWidthFor(width()));
    QWidget::resizeEvent(event);
}

void SVNetworkDetailsPane::setChartView(QWidget* chart)
{
    if (chart == m_chart)
        return;
    delete m_chart;
    m_chart = chart;
    if (chart)
        m_chartHolder->layout()->addWidget(chart);
}

QLabel* SVNetworkDetailsPane::label(const QString& name) const
{
    return findChild<QLabel*>(name);
}

bool SVNetworkDetailsPane::isShowingPlaceholder() const
{
    return m_stack->currentWidget() == m_placeholder;
}

void SVNetworkDetailsPane::clear()
{
    for (QLabel* l : m_details->findChildren<QLabel*>())
        if (l->objectName().endsWith(u"Lbl")) {
            l->clear();
            l->setToolTip(QString());
        }
    m_vendor->setTextFormat(Qt::PlainText);
    m_vendor->setClickable(false);
    m_qualityIcon->hide();
    m_securityIcon->hide();
    m_encryptionCaption->hide();
    m_beaconCaption->hide();
    m_colorWell->hide();
    m_colorWell->closePopover();
    m_bssid.clear();
    m_stack->setCurrentWidget(m_placeholder);
}

void SVNetworkDetailsPane::configure(const std::shared_ptr<SVNetwork>& network, int units, bool scanning)
{
    const QColor normal = palette().color(QPalette::WindowText);
    for (const char* name : {"rssiLbl", "noiseLbl", "snrLbl", "signalQualityLbl"}) {
        QLabel* l = label(QLatin1String(name));
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, normal);
        l->setPalette(p);
    }
    if (!network) {
        clear();
        return;
    }
    // A popover opened for one network never colours another.
    if (network->bssid() != m_bssid) {
        m_colorWell->closePopover();
        m_bssid = network->bssid();
    }
    const SVNetworkDetailsTexts t = networkDetailsTexts(*network, units, scanning);
    m_stack->setCurrentWidget(m_details);
    label(QStringLiteral("ssidLbl"))->setText(t.ssid);
    label(QStringLiteral("bssidLbl"))->setText(t.bssid);
    if (!t.vendorURL.isEmpty()) {
        m_vendor->setTextFormat(Qt::RichText);
        m_vendor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
        m_vendor->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                              .arg(t.vendorURL.toHtmlEscaped(), t.vendor.toHtmlEscaped()));
        m_vendor->setClickable(true);
    } else {
        m_vendor->setTextFormat(Qt::PlainText);
        m_vendor->setTextInteractionFlags(Qt::NoTextInteraction);
        m_vendor->setText(t.vendor);
        m_vendor->setClickable(false);
    }
    label(QStringLiteral("bandLbl"))->setText(t.band);
    label(QStringLiteral("networkTypeLbl"))->setText(t.networkType);
    label(QStringLiteral("modeLbl"))->setText(t.mode);
    label(QStringLiteral("rssiLbl"))->setText(t.rssi);
    label(QStringLiteral("noiseLbl"))->setText(t.noise);
    label(QStringLiteral("rssiAvgLbl"))->setText(t.rssiAvg);
    label(QStringLiteral("noiseAvgLbl"))->setText(t.noiseAvg);
    label(QStringLiteral("snrLbl"))->setText(t.snr);
    QLabel* quality = label(QStringLiteral("signalQualityLbl"));
    quality->setText(t.signalQuality);
    if (t.noSignal) {
        QPalette p = quality->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        quality->setPalette(p);
    }
    m_qualityIcon->setVisible(t.signalQualityWarning);
    label(QStringLiteral("snrAvgLbl"))->setText(t.snrAvg);
    label(QStringLiteral("channelLbl"))->setText(t.channel);
    label(QStringLiteral("widthLbl"))->setText(t.width);
    label(QStringLiteral("securityLbl"))->setText(t.security);
    m_securityIcon->setVisible(t.showPadlock);
    m_encryptionCaption->setVisible(t.showEncryption);
    label(QStringLiteral("encryptionLbl"))->setText(t.encryption);
    label(QStringLiteral("wpsLbl"))->setText(t.wps);
    label(QStringLiteral("ratesLbl"))->setText(t.basicRates);
    QLabel* maxRate = label(QStringLiteral("maxRateLbl"));
    maxRate->setText(t.maxRate);
    maxRate->setToolTip(sv::plainToolTip(t.maxRateToolTip));
    m_beaconCaption->setVisible(t.showBeaconInterval);
    label(QStringLiteral("beaconIntervalLbl"))->setText(t.beaconInterval);
    m_colorWell->setColor(t.color);
    m_colorWell->show();
    if (t.greyedFigures) {
        const QColor disabled = palette().color(QPalette::Disabled, QPalette::WindowText);
        for (const char* name : {"rssiLbl", "noiseLbl", "snrLbl"}) {
            QLabel* l = label(QLatin1String(name));
            QPalette p = l->palette();
            p.setColor(QPalette::WindowText, disabled);
            l->setPalette(p);
        }
    }
}
