#include "views/SVSpectrumView.h"
#include "model/SVDefaultsKeys.h"

#include "model/SVNetworkCollection.h"
#include "platform/NSStringAdditions.h"
#include "platform/ParallelFor.h"
#include "platform/UserDefaults.h"
#include "raster/LineBatch.h"
#include "views/SVThemeHelper.h"

#include <QPainter>

#include <algorithm>

using namespace sv::graph;

namespace {

bool groupHighlighted(const SVNetwork& n, bool includeMembers)
{
    const auto group = n.parentCollection();
    if (!group)
        return false;
    if (group->isUserHighlighted())
        return true;
    if (includeMembers)
        for (const auto& m : group->collection())
            if (m && m->userHighlighted())
                return true;
    return false;
}

} // namespace

SVSpectrumView::SVSpectrumView(QWidget* parent) : SVSignalStrengthView(parent)
{
    m_skipDFS = sv::UserDefaults::standardUserDefaults().boolForKey(SVDefaultsKey::HideDFSChannels);
    setDisplayAnnotations(true);
    setDisplayDeviceName(true);
    m_drawLeftYLabels = true;
    m_drawRightYLabels = true;
    m_topMargin = 30;
}

QRectF SVSpectrumView::rectForChart(const QRectF& R) const
{
    return spectrumChartRect(R);
}

void SVSpectrumView::drawCached(QPainter& p, const QRectF& R)
{
    const QRectF G = rectForChart(R);
    m_panes = {};
    if (G.width() <= 0 || G.height() <= 0) {
        p.fillRect(R, SVThemeHelper::backgroundColorForChartView());
        return;
    }

    const auto& defaults = sv::UserDefaults::standardUserDefaults();
    m_skipDFS = defaults.boolForKey(SVDefaultsKey::HideDFSChannels);
    m_hideChannelGraphs = defaults.boolForKey(SVDefaultsKey::HideChannelGraphs);
    m_showNetworkLabel = defaults.boolForKey(SVDefaultsKey::ShowNetworkLabel);
    m_has2Dot4GHzNetworks = m_has5GHzNetworks = false;
    bool dfsInUse = false;
    for (const auto& n : m_networks) {
        if (n->is2Dot4GHz())
            m_has2Dot4GHzNetworks = true;
        else if (n->is5GHz())
            m_has5GHzNetworks = true;
        // A wide channel whose block reaches into 52-144 uses DFS channels too.
        if (m_skipDFS && (isDFSChannel(n->channel()) || reachesIntoDFS(n->channelCenter(), n->channelWidth())))
            dfsInUse = true;
        if (m_has2Dot4GHzNetworks && m_has5GHzNetworks && (dfsInUse || !m_skipDFS))
            break;
    }
    if (dfsInUse)
        m_skipDFS = false;
    if (!m_hideChannelGraphs)
        m_has2Dot4GHzNetworks = m_has5GHzNetworks = true;
    m_panes = spectrumPanes(G, m_has2Dot4GHzNetworks, m_has5GHzNetworks, m_hideChannelGraphs, m_skipDFS);

    // Background, grid, divider and the channel axes change only with the
    // size, the settings and which panes show: drawn once, then copied in.
    const QString key = QStringLiteral("spectrum %1 %2 %3 %4 %5 %6")
                            .arg(m_units)
                            .arg(m_topMargin)
                            .arg(m_skipDFS)
                            .arg(m_hideChannelGraphs)
                            .arg(m_has2Dot4GHzNetworks)
                            .arg(m_has5GHzNetworks);
    drawStatic(p, R, key, [&](QPainter& sp) {
        sp.fillRect(R, SVThemeHelper::backgroundColorForChartView());
        drawChart(sp, G, m_units == 0 ? 10 : 9, Value::Signal, 1);
        if (m_panes.divider) {
            sp.save();
            sp.setRenderHint(QPainter::Antialiasing, false);
            sp.fillRect(*m_panes.divider, SVThemeHelper::backgroundColorForChartView());
            sp.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.3f), 1.0));
            sp.drawLine(QPointF(m_panes.divider->left(), G.y()), QPointF(m_panes.divider->left(), G.top() + G.height()));
            sp.drawLine(QPointF(m_panes.divider->right(), G.y()), QPointF(m_panes.divider->right(), G.y() + G.height()));
            sp.restore();
        }
        if (m_panes.pane24)
            drawPaneAxis(sp, slotTable2Dot4GHz(), *m_panes.pane24);
        if (m_panes.pane5)
            drawPaneAxis(sp, m_skipDFS ? slotTable5GHzNoDFS() : slotTable5GHz(), *m_panes.pane5);
    });
    if (m_panes.pane24)
        drawPaneNetworks(p, slotTable2Dot4GHz(), *m_panes.pane24);
    if (m_panes.pane5)
        drawPaneNetworks(p, m_skipDFS ? slotTable5GHzNoDFS() : slotTable5GHz(), *m_panes.pane5);
}

void SVSpectrumView::drawPaneAxis(QPainter& p, const std::vector<int>& table, const QRectF& P)
{
    const Scale sc = scale();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const double s = slotWidth(P, table, m_skipDFS);
    const double top = P.y() + P.height();
    p.fillRect(QRectF(P.x(), top + 5, P.width(), 14), SVThemeHelper::backgroundColorForChart());
    p.fillRect(QRectF(P.x(), top + 2, P.width(), 2),
               table.size() < 20 ? SVThemeHelper::colorFor2Dot4GHzBand() : SVThemeHelper::colorFor5GHzBand());

    const QFont numberFont = graphFont(Face::Plain, std::clamp(12 * sc.sx * sc.sy, 10.0, 12.0));
    const QFont bandFont = graphFont(Face::Plain, std::clamp(12 * sc.sy, 8.0, 12.0) - 2);
    const QColor bandColor = QColor::fromRgbF(1, 1, 1, 0.8f);
    double bandStart = P.x();
    std::vector<double> ticks;
    // A number that would come closer than about half a digit to its
    // neighbour's is left out.
    const std::vector<AxisSlot> axis = axisSlots(P, table, m_skipDFS);
    const double gap = 0.6 * sizeOfText(QStringLiteral("0"), numberFont).width();
    const std::vector<bool> numbered = numberedSlots(axis, s, gap, [&](int v) {
        return sizeOfText(QString::number(v), numberFont).width();
    });
    for (std::size_t i = 0; i < axis.size(); ++i) {
        const AxisSlot& slot = axis[i];
        const int v = slot.channel;
        if (v <= 0)
            continue;
        const double x = slot.x;
        QColor color = QColor::fromRgbF(1, 1, 1, 0.8f);
        if (isDFSChannel(v))
            color = QColor::fromRgbF(0.129f, 0.565f, 0.827f, 1.0f);
        else if (v == 1 || v == 6 || v == 11)
            color = QColor::fromRgbF(1, 0.5f, 0, 0.8f);
        ticks.push_back(x);
        if (numbered[i])
            centerText(p, QPointF(x, P.y() - 19), QString::number(v), numberFont, color);
        auto close = [&](const QString& name) {
            centerText(p, QPointF((bandStart + x) / 2, top + 9), name, bandFont, bandColor);
        };
        switch (v) {
        case 1: bandStart = P.x(); break;
        case 14: centerText(p, QPointF(P.x() + P.width() / 2, top + 9), QStringLiteral("ISM"), bandFont, bandColor); break;
        case 36: case 52: case 100: case 149: bandStart = x; break;
        case 48: close(QStringLiteral("UNII-1")); break;
        case 64: close(QStringLiteral("UNII-2")); break;
        case 144: close(QStringLiteral("UNII-2 Ext")); break;
        case 165: close(QStringLiteral("UNII-3")); break;
        default: break;
        }
    }
    p.setPen(QPen(Qt::white, 1.0));
    for (double x : ticks)
        p.drawLine(QPointF(x, P.y() - 5), QPointF(x, P.y()));
    p.restore();
}

void SVSpectrumView::drawPaneNetworks(QPainter& p, const std::vector<int>& table, const QRectF& P)
{
    // Highlighted records last, on top, in list order.
    NetworkList ordered;
    for (const auto& n : m_networks) {
        if (highlightedOrGroup(*n))
            ordered.prepend(n);
        else
            ordered.append(n);
    }
    // The shapes' geometry stands alone record by record: worked out on
    // the free threads, then drawn in order.
    const Scale sc = scale();
    std::vector<std::optional<PlacedShape>> placed(std::size_t(ordered.size()));
    sv::parallelFor(placed.size(), [&](std::size_t i) { placed[i] = placeShape(P, *ordered[qsizetype(i)], table, sc); });
    LabelFonts fonts;
    const double scl = fonts.scale = std::min(1.1, sc.sy);
    for (int bold = 0; bold < 2; ++bold) {
        const Face face = bold ? Face::Bold : Face::Plain;
        fonts.name[bold] = graphFont(face, 14 * scl);
        fonts.device[bold] = graphFont(face, 11 * scl);
    }
    fonts.note = graphFont(Face::Italic, 10 * scl);
    fonts.caption = graphFont(Face::Plain, 11.5 * scl);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    sv::raster::LineBatch shapes(p, P, m_hairlineStorage);
    p.restore();
    for (qsizetype i = ordered.size(); i-- > 0;)
        if (const auto& shape = placed[std::size_t(i)])
            drawNetwork(p, P, *ordered[i], *shape, fonts, shapes);
    shapes.flush();
}

std::optional<SVSpectrumView::PlacedShape> SVSpectrumView::placeShape(const QRectF& P, const SVNetwork& n,
                                                                      const std::vector<int>& table,
                                                                      const Scale& sc) const
{
    const bool lastSeenOnly = m_displayOnlyLastSeen;
    const bool highlighted = highlightedOrGroup(n);
    if (n.userHidden() || (lastSeenOnly && n.rssi() == SVNetwork::NoSignal && !highlighted))
        return std::nullopt;
    const auto extent = shapeExtent(P, table, m_skipDFS, n.channel(), n.channelCenter(), n.channelWidth());
    if (!extent)
        return std::nullopt;
    PlacedShape placed;
    placed.extent = *extent;
    placed.level = spectrumLevel(n.rssiLast(), m_units, P.height(), m_topMargin);
    ShapeInput in;
    in.P = P;
    in.e = *extent;
    in.level = placed.level;
    in.topMargin = m_topMargin;
    in.sxp = sc.sx;
    in.is2Dot4GHz = n.is2Dot4GHz();
    in.bell = n.is2Dot4GHz() && n.maxRate() > 0 && n.maxRate() <= 11;
    in.only24Pane = m_hideChannelGraphs && m_panes.pane24 && !m_panes.pane5;
    if (halfWidthSlots(n.channelWidth()) > 2) {
        const double s = slotWidth(P, table, m_skipDFS);
        in.flatTop = std::make_pair(extent->xC - 2 * s, extent->xC + 2 * s);
    }
    placed.shape = spectrumShape(in);
    placed.outline = placed.shape.outline.toSubpathPolygons();
    return placed;
}

void SVSpectrumView::drawNetwork(QPainter& p, const QRectF& P, const SVNetwork& n, const PlacedShape& placed,
                                 const LabelFonts& fonts, sv::raster::LineBatch& shapes)
{
    const bool lastSeenOnly = m_displayOnlyLastSeen;
    const double lv = placed.level;
    const double yTop = P.y() + lv;
    const bool emphasis = m_itemHighlightEnabled;
    double a = !emphasis ? 0.8 : (n.userHighlighted() || groupHighlighted(n, true)) ? 1.0 : 0.4;
    QColor K = n.color();
    double fillFactor = 0.7;
    if (lastSeenOnly && n.rssi() == SVNetwork::NoSignal) {
        K = Qt::white;
        a *= 0.4;
        fillFactor = 0.3;
    }
    const double scl = fonts.scale;
    const Shape& shape = placed.shape;

    const double lineWidth = n.associated() ? 4.0 : groupHighlighted(n, false) ? 2.5 : 1.5;
    const QColor fill = n.userHighlighted() ? withAlpha(K, fillFactor) : QColor::fromRgbF(1, 1, 1, 0.025f);
    const QColor stroke = withAlpha(K, a);
    // The faint fill of the crowd and its outline cost the raster engine
    // dearly over overlapping shapes (a large translucent fill wakes its
    // threads): both go straight into the image, each fill up to its
    // outline, which is stroked over it.
    if (shapes.isValid() && !n.userHighlighted() && lineWidth == 1.5 && !n.isAdHoc()) {
        for (const QPolygonF& part : placed.outline)
            shapes.addArea(part, fill, P.y(), true);
        for (const QPolygonF& part : placed.outline)
            shapes.add(part, stroke, lineWidth);
    } else {
        shapes.flush(); // what the painter draws goes over the shapes before it
        p.save();
        p.setClipRect(P);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawPath(shape.fill);
        QPen pen(stroke, lineWidth);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        if (n.isAdHoc())
            pen.setDashPattern({5.0 / lineWidth, 3.0 / lineWidth});
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape.outline);
        p.restore();
    }

    const double xC = placed.extent.xC;
    if (n.userHighlighted())
        shapes.flush();
    // A label stands over its shape, but never past the view's edges.
    auto inView = [&](double centre, double w) { return std::max(w / 2 + 2, std::min(centre, width() - w / 2 - 2)); };
    // The crowd's labels go into the batch in their place among the shapes,
    // so a label lies under the shapes of the records after it, as drawn.
    auto label = [&](QPointF at, const QString& text, const QFont& font, const QColor& color) {
        at.setX(inView(at.x(), sizeOfText(text, font).width()));
        if (n.userHighlighted() || !centerTextInto(shapes, p, at, text, font, color)) {
            shapes.flush();
            centerText(p, at, text, font, color);
        }
    };
    if (m_showNetworkLabel) {
        const int bold = n.associated() ? 1 : 0;
        const QString name = n.isHidden() ? n.bssid() : n.ssid();
        const QString device = m_displayDeviceName && n.hasDeviceName() ? n.deviceName() : QString();
        const QString note = m_displayAnnotations && n.hasAnnotations() ? n.annotations() : QString();
        const QFont& nameFont = fonts.name[bold];
        const QFont& deviceFont = fonts.device[bold];
        const QFont& noteFont = fonts.note;
        const double yb = yTop + 13 * scl;
        const double t = note.isEmpty() ? 0 : 14;
        if (n.userHighlighted() && emphasis) {
            double widest = sizeOfText(name, nameFont).width();
            double tall = sizeOfText(name, nameFont).height();
            if (!device.isEmpty()) {
                widest = std::max(widest, sizeOfText(device, deviceFont).width());
                tall += sizeOfText(device, deviceFont).height();
            }
            if (!note.isEmpty()) {
                widest = std::max(widest, sizeOfText(note, noteFont).width());
                tall += sizeOfText(note, noteFont).height();
            }
            if (sv::containsEmoji(name))
                tall += device.isEmpty() && note.isEmpty() ? 10 : 5;
            p.save();
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setBrush(QColor::fromRgbF(0, 0, 0, 0.8f));
            p.setPen(QPen(withAlpha(K, a / 3), 1.5));
            p.drawRoundedRect(QRectF(inView(xC, widest) - widest / 2 - 12, yb - 7, widest + 24, tall), 6 * scl, 6 * scl);
            p.restore();
        }
        if (device.isEmpty()) {
            label(QPointF(xC, yb + t * scl), name, nameFont, withAlpha(K, a));
        } else {
            label(QPointF(xC, yb + (t + 14) * scl), name, nameFont, withAlpha(K, a));
            label(QPointF(xC, yb + t * scl), device, deviceFont, withAlpha(K, 0.8 * a));
        }
        if (!note.isEmpty())
            label(QPointF(xC, yb), note, noteFont, QColor::fromRgbF(1, 1, 1, float(0.5 * a)));
    }
    if (n.userHighlighted()) {
        const QString widthText = n.humanReadableChannelWidth();
        const QString caption = QStringLiteral("%1, %2%3")
                                    .arg(n.deviceid())
                                    .arg(n.channel())
                                    .arg(widthText.isEmpty() ? QString() : QStringLiteral(" @ %1").arg(widthText));
        centerText(p, QPointF(xC, P.y() - 41), caption, fonts.caption,
                   QColor::fromRgbF(1, 1, 1, float(0.8 * a)), QRectF(0, 0, width(), height()).adjusted(5, 5, -5, -5));
    }
}
