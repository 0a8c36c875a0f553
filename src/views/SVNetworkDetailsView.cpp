#include "views/SVNetworkDetailsView.h"

#include "model/SVSignalQuality.h"
#include "platform/NSDateFormattedStrings.h"
#include "views/SVThemeHelper.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <tuple>

using namespace sv::graph;

namespace {

// The sample a bar shows.
std::optional<SVDataPoint> barSample(const SVNetwork& n, bool lastSeenOnly)
{
    if (lastSeenOnly)
        return n.lastDataPoint();
    std::optional<SVDataPoint> found;
    n.visitDataPoints([&](const SVDataPointBuffer& samples) {
        for (std::size_t i = samples.size(); i-- > 0;) {
            if (samples.at(i).rssiValue() != SVNetwork::NoSignal) {
                found = samples.at(i);
                return;
            }
        }
    });
    return found ? found : n.lastDataPoint();
}

} // namespace

SVNetworkDetailsView::SVNetworkDetailsView(QWidget* parent) : SVSignalStrengthView(parent)
{
    m_maxTimescale = 28800;
    m_minTimescale = 300;
    m_timescale = 300;
    m_topMargin = 10;
}

void SVNetworkDetailsView::setNetwork(const std::shared_ptr<SVNetwork>& network)
{
    const bool same = network && m_network
                      && (network == m_network || (network->bssid() == m_network->bssid()
                                                   && network->is2Dot4GHz() == m_network->is2Dot4GHz()));
    if (!same) {
        m_moDataPoint.reset();
        m_moNetwork.reset();
    }
    {
        std::lock_guard g(m_lock);
        m_highlightedNetworks.clear();
        if (network)
            m_highlightedNetworks.append(network);
    }
    m_network = network;
    invalidateCache();
}

void SVNetworkDetailsView::setWillDrawSignal(bool on)
{
    m_willDrawSignal = on;
    invalidateCache();
}

void SVNetworkDetailsView::setWillDrawNoise(bool on)
{
    m_willDrawNoise = on;
    invalidateCache();
}

QRectF SVNetworkDetailsView::rectForChart(const QRectF& R) const
{
    return detailsLayout(R, m_willDrawCoSSID, m_willDrawCoChannel).history;
}

QRectF SVNetworkDetailsView::rectForCoSSIDNetworksChart(const QRectF& R) const
{
    return detailsLayout(R, m_willDrawCoSSID, m_willDrawCoChannel).coSSID;
}

QRectF SVNetworkDetailsView::rectForCoChannelNetworksChart(const QRectF& R) const
{
    return detailsLayout(R, m_willDrawCoSSID, m_willDrawCoChannel).coChannel;
}

SVSignalStrengthView::NetworkList SVNetworkDetailsView::coSSIDNetworks() const
{
    std::lock_guard g(m_coSSIDLock);
    return m_coSSIDNetworks;
}

SVSignalStrengthView::NetworkList SVNetworkDetailsView::coChannelNetworks() const
{
    std::lock_guard g(m_coChannelLock);
    return m_coChannelNetworks;
}

void SVNetworkDetailsView::rebuildBarLists()
{
    const auto& selected = m_network;
    {
        std::lock_guard g(m_coSSIDLock);
        m_coSSIDNetworks.clear();
        m_coSSIDCount = 0;
        if (selected) {
            NetworkList byLevel = m_networks;
            std::stable_sort(byLevel.begin(), byLevel.end(),
                             [](const auto& a, const auto& b) { return a->rssi() > b->rssi(); });
            const QString ssid = selected->ssid();
            NetworkList kept;
            for (const auto& n : byLevel)
                if (n != selected && !n->userHidden() && n->ssid() == ssid)
                    kept.append(n);
            m_coSSIDCount = kept.size() + 1;
            kept = kept.mid(0, 15);
            const bool ascending = selected->is2Dot4GHz();
            std::stable_sort(kept.begin(), kept.end(), [ascending](const auto& a, const auto& b) {
                const int c = QString::compare(a->shortChannelBand(), b->shortChannelBand());
                return ascending ? c < 0 : c > 0;
            });
            m_coSSIDNetworks.append(selected);
            m_coSSIDNetworks.append(kept);
        }
        m_willDrawCoSSID = m_coSSIDNetworks.size() > 1;
    }
    {
        std::lock_guard g(m_coChannelLock);
        m_coChannelNetworks.clear();
        m_coChannelCount = 0;
        if (selected) {
            NetworkList kept;
            for (const auto& n : m_networks)
                if (n->channel() == selected->channel() && !n->userHidden())
                    kept.append(n);
            m_coChannelCount = kept.size();
            kept = kept.mid(0, 15);
            std::stable_sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a->rssi() > b->rssi(); });
            m_coChannelNetworks = kept;
        }
        m_willDrawCoChannel = m_coChannelNetworks.size() > 1;
    }
    // The history keeps a readable width: bar charts that leave it less
    // are not drawn (and not hit).
    std::tie(m_willDrawCoSSID, m_willDrawCoChannel) =
        barChartsThatFit(QRectF(0, 0, width(), height()), m_willDrawCoSSID, m_willDrawCoChannel);
}

void SVNetworkDetailsView::drawDetailsChart(QPainter& p, const QRectF& r)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(r, SVThemeHelper::backgroundColorForChart());
    const bool percent = m_willDrawSignal && m_units == 0;
    const int n = percent ? 10 : 9;
    const double h = r.height() - m_topMargin;
    if (h > 0) {
        QPen grid(QColor::fromRgbF(1, 1, 1, 0.2f), 1.0);
        grid.setDashPattern({1.0, 1.0});
        p.setPen(grid);
        const double step = h / n;
        for (int i = 1; i <= n; i += 2) {
            const bool kept = percent ? (i == 1 || i == 5 || i == 9) : (i == 3 || i == 7);
            if (r.height() > 75 || kept)
                p.drawLine(QPointF(r.x(), r.y() + i * step), QPointF(r.right(), r.y() + i * step));
        }
    }
    drawYAxisMarks(p, r, n, m_willDrawSignal ? Value::Signal : Value::SNR, 2);
    p.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.3f), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

void SVNetworkDetailsView::drawCached(QPainter& p, const QRectF& R)
{
    p.fillRect(R, SVThemeHelper::backgroundColorForChartView());
    rebuildBarLists();
    m_drawLeftYLabels = true;
    m_drawRightYLabels = !m_willDrawCoSSID && !m_willDrawCoChannel;
    const QRectF r = rectForChart(R);
    if (r.width() <= 0 || r.height() <= 0)
        return;
    drawDetailsChart(p, r);
    drawHistory(p, r);
}

void SVNetworkDetailsView::drawHistory(QPainter& p, const QRectF& r)
{
    if (!m_network || !m_referenceTime.isValid())
        return;
    const SVNetwork& n = *m_network;
    const Scale s = scale();
    drawXAxisMarks(p, r, r.x(), r.y() - 18, std::clamp(10 * s.sx * s.sy, 9.0, 12.0));

    p.save();
    p.setClipRect(QRectF(r.x(), r.y() - 1, r.width(), r.height() + 2));
    p.setRenderHint(QPainter::Antialiasing, true);
    const double h = r.height() - m_topMargin;
    // The band up to the best level seen.
    double best = 0;
    if (!m_willDrawSignal) {
        best = double(n.snrMax()) * h / 90.0;
    } else if (m_units != 0) {
        const qint64 max = n.rssiMax();
        const double level = max < -100 ? 0 : max == 0 ? 100 : max > 0 ? 99 : double(100 + max);
        best = level * h / 90.0;
    } else {
        best = double(sv::signalQualityPercent(n.rssiMax())) * h / 100.0;
    }
    if (best > 0)
        p.fillRect(QRectF(r.x(), r.y(), r.width(), best), QColor::fromRgbF(1, 1, 1, 0.1f));

    sv::raster::LineBatch hairlines(p, QRectF(r.x(), r.y() - 1, r.width(), r.height() + 2), m_hairlineStorage);
    if (m_willDrawSignal && m_willDrawNoise) {
        QPen stub(QColor::fromRgbF(1, 1, 1, 0.75f), 1.0);
        stub.setCapStyle(Qt::RoundCap);
        drawLine(p, r, n, Value::Noise, n.dataPointCount() == 1 ? stub : QPen(Qt::NoPen),
                 QColor::fromRgbF(1, 1, 1, 0.4f), &hairlines);
    }
    QPen pen(n.color(), 2.0);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::BevelJoin);
    if (n.isAdHoc())
        pen.setDashPattern({2.5, 1.5});
    drawLine(p, r, n, m_willDrawSignal ? Value::Signal : Value::SNR, pen, withAlpha(n.color(), 0.2), &hairlines);
    hairlines.flush();
    p.restore();
}

QColor SVNetworkDetailsView::barColor(int index, const SVNetwork& n, bool coSSID) const
{
    if (coSSID)
        return n.color();
    if (m_moCoChannelNetworkIndex == index || (m_moCoChannelNetworkIndex < 0 && &n == m_network.get()))
        return n.color();
    return QColor::fromRgbF(0.333f, 0.333f, 0.333f, 0.9f);
}

void SVNetworkDetailsView::drawBars(QPainter& p, const QRectF& r, const NetworkList& list, qint64 count, bool coSSID)
{
    if (!m_network || r.width() <= 0 || r.height() <= 0)
        return;
    const Scale s = scale();
    const double labelSize = std::clamp(10 * std::min(1.2, s.sx) * std::min(1.2, s.sy), 9.0, 12.0);
    const double titleSize = std::clamp(10 * s.sx * s.sy, 9.0, 12.0);
    const QFont labelFont = graphFont(Face::Plain, labelSize);
    const BarLayout bars = barLayout(r, int(list.size()));
    const double g = bars.gap;
    const bool quiet = !m_moDataPoint && m_moCoSSIDNetworkIndex < 0;
    const Value value = m_willDrawSignal ? Value::Signal : Value::SNR;
    const qint64 hovered = coSSID ? m_moCoSSIDNetworkIndex : m_moCoChannelNetworkIndex;

    for (int i = 0; i < int(bars.left.size()); ++i) {
        const SVNetwork& n = *list[i];
        const double x = bars.left[size_t(i)];
        const auto d = barSample(n, m_displayOnlyLastSeen);
        const double t = d ? makePoint(r, *d, value).y() : r.y();
        const QColor color = barColor(i, n, coSSID);
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(x, r.y() + 0.5, g, std::max(0.0, t - r.y() - 0.5)), color);
        const bool marker = coSSID ? hovered == i : (quiet && color == n.color());
        if (marker) {
            p.setPen(QPen(n.color(), 1.0));
            const QPointF bracket[] = {{x - 3, t - 2}, {x - 3, t + 3}, {x + g + 3, t + 3}, {x + g + 3, t - 2}};
            p.drawPolyline(bracket, 4);
            p.drawLine(QPointF(x + g / 2, t + 3), QPointF(x + g / 2, r.y() + r.height() + 4));
        }
        p.restore();
        if (marker) {
            const QString label = coSSID ? (n.hasDeviceName() ? n.deviceName() : n.deviceid())
                                         : (n.isHidden() ? n.deviceid() : n.ssid());
            // Over its bar, but within its own chart, so it never runs into
            // the neighbouring chart's texts.
            const QString shown = elided(label, labelFont, r.width());
            const double w = sizeOfText(shown, labelFont).width();
            const double left = std::max(r.x(), std::min(x + g / 2 - w / 2, r.right() - w));
            centerText(p, QPointF(left + w / 2, r.y() + r.height() + 9), shown, labelFont, Qt::white);
        }
    }

    if (coSSID) {
        int n24 = 0, n5 = 0;
        for (const auto& n : list) {
            n24 += n->is2Dot4GHz();
            n5 += n->is5GHz();
        }
        const bool own24 = m_network->is2Dot4GHz();
        const int first = own24 ? n24 : n5, second = own24 ? n5 : n24;
        const double unit = (r.width() - 10) / (2.0 * bars.count);
        const double y = r.y() + r.height() + 3;
        const QColor firstColor = own24 ? SVThemeHelper::colorFor2Dot4GHzBand() : SVThemeHelper::colorFor5GHzBand();
        const QColor secondColor = own24 ? SVThemeHelper::colorFor5GHzBand() : SVThemeHelper::colorFor2Dot4GHzBand();
        const QString firstText = own24 ? tr("2.4 GHz") : tr("5 GHz");
        const QString secondText = own24 ? tr("5 GHz") : tr("2.4 GHz");
        // The second band's name follows the first one's with a gap, and is
        // left out when that would take it past the chart.
        double taken = -1e9;
        const double gap = sizeOfText(QStringLiteral(" "), labelFont).width() + 2;
        auto bandLabel = [&](double stripX, const QString& text) {
            const double w = sizeOfText(text, labelFont).width();
            const double left = std::max(stripX + 1 - 5, taken + gap);
            if (taken > -1e9 && left + w > r.right())
                return;
            textAt(p, QPointF(left + 5, r.y() + r.height() + 9), text, labelFont, Qt::white);
            taken = left + w;
        };
        if (first > 0) {
            const QRectF strip(r.x(), y, second > 0 ? 2 * first * unit + 6 : r.width(), 2);
            p.fillRect(strip, firstColor);
            if (quiet)
                bandLabel(strip.x(), firstText);
        }
        if (second > 0) {
            const QRectF strip(r.x() + r.width() - 2 * second * unit - 1, y, 2 * second * unit + 2, 2);
            p.fillRect(strip, secondColor);
            if (quiet)
                bandLabel(strip.x(), secondText);
        }
    }

    QString title = coSSID ? (m_network->isHidden() ? m_network->deviceid() : m_network->ssid())
                           : QStringLiteral("%1 %2").arg(tr("Channel")).arg(m_network->channel());
    // A long name gives way within its chart; the count stays whole.
    const QFont titleFont = graphFont(Face::Plain, titleSize);
    if (qint64(bars.left.size()) < count) {
        const QString counted = QStringLiteral(" [%1/%2]").arg(bars.left.size()).arg(count);
        title = elided(title, titleFont, r.width() - sizeOfText(counted, titleFont).width()) + counted;
    } else {
        title = elided(title, titleFont, r.width());
    }
    centerText(p, QPointF(r.x() + r.width() / 2, r.y() - 18), title, titleFont,
               coSSID ? QColor::fromRgbF(0, 1, 1, 1) : QColor::fromRgbF(1, 1, 0, 0.8f));
}

QString SVNetworkDetailsView::keptOverlayKey() const
{
    // What drawBars reads of the pointer.
    const bool quiet = !m_moDataPoint && m_moCoSSIDNetworkIndex < 0;
    return QStringLiteral("%1 %2 %3").arg(quiet).arg(m_moCoSSIDNetworkIndex).arg(m_moCoChannelNetworkIndex);
}

void SVNetworkDetailsView::drawKeptOverlay(QPainter& p, const QRectF& R)
{
    const DetailsLayout l = detailsLayout(R, m_willDrawCoSSID, m_willDrawCoChannel);
    if (m_willDrawCoSSID) {
        m_drawLeftYLabels = false;
        m_drawRightYLabels = !m_willDrawCoChannel;
        drawDetailsChart(p, l.coSSID);
        drawBars(p, l.coSSID, coSSIDNetworks(), m_coSSIDCount, true);
    }
    if (m_willDrawCoChannel) {
        m_drawLeftYLabels = false;
        m_drawRightYLabels = true;
        drawDetailsChart(p, l.coChannel);
        drawBars(p, l.coChannel, coChannelNetworks(), m_coChannelCount, false);
    }
    m_drawLeftYLabels = true;
    m_drawRightYLabels = !m_willDrawCoSSID && !m_willDrawCoChannel;
}

void SVNetworkDetailsView::drawOverlay(QPainter& p, const QRectF& R)
{
    const QRectF r = rectForChart(R);
    if (!m_network || !m_moDataPoint || !m_referenceTime.isValid() || r.width() <= 0 || r.height() <= 0)
        return;
    const SVDataPoint& d = *m_moDataPoint;
    const bool noise = m_willDrawSignal && m_willDrawNoise && m_moDataPointAlternate;
    const QPointF q = makePoint(r, d, !m_willDrawSignal ? Value::SNR : noise ? Value::Noise : Value::Signal);
    QString text;
    if (!d.hasData()) {
        text = tr("No Data");
    } else if (!m_willDrawSignal) {
        text = QStringLiteral("%1 dB").arg(d.snr());
    } else {
        const qint64 v = noise ? d.noiseValue() : d.rssiValue();
        text = m_units != 0 ? QStringLiteral("%1 dBm").arg(v) : QStringLiteral("%1%").arg(sv::signalQualityPercent(v));
    }
    drawBubble(p, r, text, sv::timeStringWithFormat(d.timestamp(), QStringLiteral("HH:mm:ss")), q.x(), q.y(),
               m_moDataPointColor);
}

sv::graph::Value SVNetworkDetailsView::hoverValue() const
{
    if (!m_willDrawSignal)
        return Value::SNR;
    return m_willDrawNoise && m_moDataPointAlternate ? Value::Noise : Value::Signal;
}

void SVNetworkDetailsView::pointerMoved(QPointF p)
{
    SVSignalStrengthView::pointerMoved(p);
    const DetailsLayout l = detailsLayout(QRectF(0, 0, width(), height()), m_willDrawCoSSID, m_willDrawCoChannel);
    auto hit = [&](bool shown, const QRectF& r, std::mutex& lock, const NetworkList& list) -> qint64 {
        if (!shown || !r.contains(p))
            return -1;
        std::lock_guard g(lock);
        return barAt(barLayout(r, int(list.size())), r, p);
    };
    const qint64 ssid = hit(m_willDrawCoSSID, l.coSSID, m_coSSIDLock, m_coSSIDNetworks);
    const qint64 channel = hit(m_willDrawCoChannel, l.coChannel, m_coChannelLock, m_coChannelNetworks);
    if (ssid != m_moCoSSIDNetworkIndex || channel != m_moCoChannelNetworkIndex) {
        m_moCoSSIDNetworkIndex = ssid;
        m_moCoChannelNetworkIndex = channel;
        update();
    }
}

void SVNetworkDetailsView::pointerLeft()
{
    SVSignalStrengthView::pointerLeft();
    m_moCoSSIDNetworkIndex = -1;
    m_moCoChannelNetworkIndex = -1;
    update();
}

void SVNetworkDetailsView::mousePressEvent(QMouseEvent* event)
{
    QString bssid;
    {
        std::lock_guard g(m_coSSIDLock);
        if (m_moCoSSIDNetworkIndex >= 0 && m_moCoSSIDNetworkIndex < m_coSSIDNetworks.size())
            bssid = m_coSSIDNetworks[m_moCoSSIDNetworkIndex]->bssid();
    }
    if (bssid.isEmpty()) {
        std::lock_guard g(m_coChannelLock);
        if (m_moCoChannelNetworkIndex >= 0 && m_moCoChannelNetworkIndex < m_coChannelNetworks.size())
            bssid = m_coChannelNetworks[m_moCoChannelNetworkIndex]->bssid();
    }
    if (!bssid.isEmpty()) {
        sv::NotificationCenter::defaultCenter().post(QStringLiteral("UserDidPickNetwork"),
                                                     {{QStringLiteral("object"), bssid}});
        return;
    }
    SVSignalStrengthView::mousePressEvent(event);
}
