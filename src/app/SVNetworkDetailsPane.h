#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <memory>

class MKColorWell;
class QGridLayout;
class QLabel;
class QStackedLayout;
class SVClickableTextField;
class SVNetwork;

// What the Network Details tab shows for one record, worked out apart from
// the widgets so it can be checked as text.
struct SVNetworkDetailsTexts {
    QString ssid, bssid, vendor, vendorURL, band, networkType, mode;
    QString rssi, noise, snr, rssiAvg, noiseAvg, snrAvg;
    QString signalQuality;
    bool signalQualityWarning = false; // the warning sign beside the word
    bool noSignal = false;             // "No Signal": the word in red
    bool greyedFigures = false;        // signal, noise and SNR in the disabled colour
    QString channel, width, security;
    bool showPadlock = false;
    bool showEncryption = false;
    QString encryption;
    QString wps, basicRates, maxRate, maxRateToolTip;
    bool showBeaconInterval = false;
    QString beaconInterval;
    QColor color;
};

// The word for a signal-to-noise ratio in dB, and whether it warrants the
// warning sign.
QString signalQualityWord(qint64 snr, bool* warning = nullptr);
// units 0: percent of the signal-quality curve; any other value: dBm (as the
// network table reads the same setting).
SVNetworkDetailsTexts networkDetailsTexts(const SVNetwork& network, int units, bool scanning);

// The first tab of the window: the detail chart beside a panel of labels
// about the selected network, or a placeholder when no single network is
// selected.
class SVNetworkDetailsPane : public QWidget {
    Q_OBJECT
public:
    explicit SVNetworkDetailsPane(QWidget* parent = nullptr);

    // The per-network chart, placed left of the labels (the pane owns it).
    void setChartView(QWidget* chart);
    QWidget* chartView() const { return m_chart; }

    // Rewrites every label from the record; none shows the placeholder.
    void configure(const std::shared_ptr<SVNetwork>& network, int units, bool scanning);

    bool isShowingPlaceholder() const;
    MKColorWell* networkColorWell() const { return m_colorWell; }
    // A label by its field name ("ssidLbl", "rssiLbl" ...), for the window's
    // checks; nullptr for an unknown name.
    QLabel* label(const QString& name) const;
    QLabel* signalQualityIcon() const { return m_qualityIcon; }
    QLabel* securityIcon() const { return m_securityIcon; }

signals:
    // The user picked a colour in the well for the network with that BSSID
    // (the one shown when the popover was opened).
    void userDidSelectColor(const QColor& color, const QString& bssid);

public:
    // The label panel's width in a pane that wide: half of it, within what
    // the captions and the values need. The selected network's texts never
    // change it; they are cut to fit.
    int panelWidthFor(int paneWidth) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Value column widths: left and right, narrowest and widest.
    static constexpr int kLeftValueMin = 80;
    static constexpr int kLeftValueMax = 280;
    static constexpr int kRightValueMin = 64;
    static constexpr int kRightValueMax = 150;
    QLabel* addValue(QGridLayout* grid, int row, int column, const QString& caption, const QString& name,
                     QLabel** captionOut = nullptr);
    void clear();

    QWidget* m_chartHolder;
    QWidget* m_panel;
    QGridLayout* m_grid;
    QWidget* m_chart = nullptr;
    QStackedLayout* m_stack;
    QWidget* m_details;
    QLabel* m_placeholder;
    SVClickableTextField* m_vendor;
    QLabel* m_qualityIcon;
    QLabel* m_securityIcon;
    QLabel* m_encryptionCaption = nullptr;
    QLabel* m_beaconCaption = nullptr;
    MKColorWell* m_colorWell;
    QString m_bssid; // of the network shown
};
