#pragma once

#include "views/SVSignalStrengthView.h"

#include <mutex>

// The selected network's history (signal, signal with noise, or SNR) over
// 300 to 28,800 s, beside bar charts of the networks sharing its SSID and
// of those on its channel. A click on a bar posts "UserDidPickNetwork"
// with that network's BSSID.
class SVNetworkDetailsView : public SVSignalStrengthView {
    Q_OBJECT
public:
    explicit SVNetworkDetailsView(QWidget* parent = nullptr);

    std::shared_ptr<SVNetwork> network() const { return m_network; }
    // Keeps the history's hover point only for the same BSS; no redraw.
    void setNetwork(const std::shared_ptr<SVNetwork>& network);
    bool willDrawSignal() const { return m_willDrawSignal; }
    void setWillDrawSignal(bool on);
    bool willDrawNoise() const { return m_willDrawNoise; }
    void setWillDrawNoise(bool on);
    bool willDrawCoSSID() const { return m_willDrawCoSSID; }
    bool willDrawCoChannel() const { return m_willDrawCoChannel; }

    QRectF rectForChart(const QRectF& R) const override;
    QRectF rectForCoSSIDNetworksChart(const QRectF& R) const;
    QRectF rectForCoChannelNetworksChart(const QRectF& R) const;

    // The bars of the last rebuild, with the counts before the cut.
    NetworkList coSSIDNetworks() const;
    NetworkList coChannelNetworks() const;
    qint64 coSSIDCount() const { return m_coSSIDCount; }
    qint64 coChannelCount() const { return m_coChannelCount; }
    qint64 hoveredCoSSIDIndex() const { return m_moCoSSIDNetworkIndex; }
    qint64 hoveredCoChannelIndex() const { return m_moCoChannelNetworkIndex; }
    // Rebuilds both bar lists from networks() (every drawing pass does).
    void rebuildBarLists();

protected:
    void drawCached(QPainter& p, const QRectF& R) override;
    void drawOverlay(QPainter& p, const QRectF& R) override;
    // The bar charts change with the pointer only when it enters or leaves
    // a bar or the history: kept between those moves.
    QString keptOverlayKey() const override;
    void drawKeptOverlay(QPainter& p, const QRectF& R) override;
    void pointerMoved(QPointF p) override;
    sv::graph::Value hoverValue() const override;
    void pointerLeft() override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void drawDetailsChart(QPainter& p, const QRectF& r);
    void drawHistory(QPainter& p, const QRectF& r);
    void drawBars(QPainter& p, const QRectF& r, const NetworkList& list, qint64 count, bool coSSID);
    QColor barColor(int index, const SVNetwork& n, bool coSSID) const;

    std::shared_ptr<SVNetwork> m_network;
    bool m_willDrawSignal = true;
    bool m_willDrawNoise = false;
    bool m_willDrawCoSSID = false;
    bool m_willDrawCoChannel = false;
    mutable std::mutex m_coSSIDLock;
    mutable std::mutex m_coChannelLock;
    NetworkList m_coSSIDNetworks;
    NetworkList m_coChannelNetworks;
    qint64 m_coSSIDCount = 0;
    qint64 m_coChannelCount = 0;
    qint64 m_moCoSSIDNetworkIndex = -1;
    qint64 m_moCoChannelNetworkIndex = -1;
};
