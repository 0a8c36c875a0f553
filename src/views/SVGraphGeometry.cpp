#include "views/SVGraphGeometry.h"

#include "platform/wlan/CWChannel.h"

#include "model/SVDataPointBuffer.h"
#include "model/SVSignalQuality.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace sv::graph {

namespace {

// Seconds from 1970 to 2001, the samples' epoch.
constexpr double kEpochOffset = 978307200.0;

// Linear dBm scale: -100 dBm (and below) on the floor, -10 dBm at the top.
double dBmFraction(qint64 v)
{
    double g;
    if (v <= -101)
        g = 100;
    else if (v == 0)
        g = 0;
    else if (v < 0)
        g = double(-v);
    else
        g = 1;
    return (100.0 - g) / 90.0;
}

} // namespace

double levelHeight(qint64 dBm, int units, double h)
{
    if (units == 0)
        return h * double(sv::signalQualityPercent(dBm)) / 100.0;
    return h * dBmFraction(dBm);
}

double snrHeight(qint64 snr, double h)
{
    return double(snr) * h / 90.0;
}

QPointF pointForSample(const QRectF& G, const SVDataPoint& p, Value value, int units, double topMargin,
                       double timescale, double referenceTime)
{
    const double age = referenceTime - p.secondsSinceReferenceDate();
    const double x = timescale > 0 ? G.x() + G.width() - (G.width() / timescale) * age : G.x() + G.width();
    const double h = G.height() - topMargin;
    double y = G.y();
    if (p.hasData()) {
        switch (value) {
        case Value::Signal: y = G.y() + levelHeight(p.rssiValue(), units, h); break;
        case Value::Noise: y = G.y() + levelHeight(p.noiseValue(), units, h); break;
        case Value::SNR: y = G.y() + snrHeight(p.snr(), h); break;
        }
    }
    return {x, std::max(y, G.y())};
}

QColor markColor(MarkColor c)
{
    switch (c) {
    case MarkColor::Red: return QColor::fromRgbF(1, 0, 0, 0.8f);
    case MarkColor::Yellow: return QColor::fromRgbF(1, 1, 0, 0.8f);
    case MarkColor::Green: break;
    }
    return QColor::fromRgbF(0, 1, 0, 0.8f);
}

std::vector<LevelMark> levelMarks(const QRectF& G, int m, Value value, int units, int skip, double topMargin)
{
    std::vector<LevelMark> out;
    const double h = G.height() - topMargin;
    if (m <= 0 || skip <= 0 || h <= 0 || G.width() <= 0)
        return out;
    const double d = h / m;
    const double y1 = G.y() + d - 3.0;
    const bool tall = G.height() > 75;
    auto add = [&](int k, QString text, MarkColor color, double offset) {
        LevelMark mark;
        mark.y = y1 + k * d * skip;
        mark.text = std::move(text);
        mark.color = color;
        mark.leftX = G.x() - offset;
        mark.rightX = G.x() + G.width() + offset;
        out.push_back(std::move(mark));
    };
    int k = 0;
    if (value == Value::Signal && units == 0) {
        for (int i = 1; i < 11; i += skip, ++k) {
            if (!tall && i != 1 && i != 5 && i != 9)
                continue;
            const MarkColor c = i < 4 ? MarkColor::Red : i < 7 ? MarkColor::Yellow : MarkColor::Green;
            add(k, QStringLiteral("%1%").arg(i * 10), c, i == 10 ? 19 : 17);
        }
    } else if (value == Value::Signal) {
        for (int i = 9; i > 0; i -= skip, ++k) {
            if (!tall && i != 3 && i != 7)
                continue;
            const MarkColor c = i >= 8 ? MarkColor::Red : i >= 6 ? MarkColor::Yellow : MarkColor::Green;
            add(k, QString::number(-i * 10), c, 14);
        }
    } else if (value == Value::SNR) {
        for (int i = 1; i < 10; i += skip, ++k) {
            if (!tall && i != 3 && i != 7)
                continue;
            const MarkColor c = i <= 3 ? MarkColor::Red : i <= 6 ? MarkColor::Yellow : MarkColor::Green;
            add(k, QString::number(i * 10), c, 14);
        }
    }
    return out;
}

std::vector<double> gridLines(const QRectF& G, int m, double topMargin)
{
    std::vector<double> out;
    const double h = G.height() - topMargin;
    if (m <= 0 || h <= 0)
        return out;
    const double step = h / m;
    for (int k = 1; k <= m; ++k)
        out.push_back(G.y() + k * step);
    return out;
}

TimeAxis timeAxis(const QRectF& G, qint64 timescale, double referenceTime)
{
    TimeAxis axis;
    if (timescale <= 0 || G.width() <= 0)
        return axis;
    const double p = G.width() / double(timescale);
    qint64 b;
    if (timescale < 121) {
        b = 15;
        axis.format = QStringLiteral("HH:mm:ss");
    } else if (timescale < 241) {
        b = 30;
        axis.format = QStringLiteral("HH:mm:ss");
    } else {
        b = 60;
        axis.format = QStringLiteral("HH:mm");
    }
    const qint64 n = qint64(double(b) / (p * 0.9));
    qint64 I = n - (n % b) + b;
    if (I > 3600)
        I = 7200;
    else if (I > 1800)
        I = 3600;
    else if (I > 900)
        I = 1800;
    else if (I > 600)
        I = 900;
    else if (I > 300)
        I = 600;
    axis.interval = I;
    const qint64 R = std::int32_t(qint64(referenceTime + kEpochOffset));
    const qint64 o = ((R % I) + I) % I;
    qint64 k = timescale - o;
    for (qint64 j = 0; k >= 0; ++j, k -= I) {
        const double x = float(G.x() + double(k) * p);
        if (j == 0 && !((G.width() - x) * p > -0.15))
            continue;
        axis.marks.push_back({x, R - o - j * I, k > 0});
    }
    return axis;
}

qint64 zoomedTimescale(qint64 timescale, double m, qint64 minimum, qint64 maximum)
{
    const double t = (m + 1.0) * double(timescale);
    // A shrink by -1 or more would give no span at all: the smallest instead.
    qint64 next = !(t >= 1.0) ? minimum : t >= 1e12 ? maximum : qint64(t);
    return std::max(minimum, std::min(next, maximum));
}

QRectF signalChartRect(const QRectF& R)
{
    return {R.x() + 45, R.y() + 35, R.width() - 220, R.height() - 65};
}

QRectF spectrumChartRect(const QRectF& R)
{
    return {R.x() + 45, R.y() + 56, R.width() - 90, R.height() - 80};
}

DetailsLayout detailsLayout(const QRectF& R, bool coSSID, bool coChannel)
{
    const double w = R.width();
    double hw = w - 95;
    if (coSSID)
        hw -= 0.25 * w;
    if (coChannel)
        hw -= 0.25 * w;
    DetailsLayout l;
    l.history = QRectF(R.x() + 45, R.y() + 30, hw, R.height() - 55);
    l.coSSID = QRectF(l.history.x() + l.history.width() + 7, l.history.y(), 0.25 * w - 7, l.history.height());
    const QRectF& previous = coSSID ? l.coSSID : l.history;
    l.coChannel = QRectF(previous.x() + previous.width() + 7, l.history.y(), 0.25 * w - 7, l.history.height());
    return l;
}

double minimumSlotForNumber(int channel)
{
    switch (channel) {
    case 11: case 13: return 12.0;
    case 40: case 48: case 56: case 64: return 4.5;
    case 104: case 112: case 120: case 128: case 136: case 144: case 161: return 5.5;
    case 108: case 124: case 140: case 157: return 2.2;
    default: return 0;
    }
}

std::vector<bool> numberedSlots(const std::vector<AxisSlot>& axis, double s, double gap,
                                const std::function<double(int)>& textWidth)
{
    std::vector<bool> shown(axis.size(), false);
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < axis.size(); ++i)
        if (axis[i].channel > 0 && s >= minimumSlotForNumber(axis[i].channel))
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return minimumSlotForNumber(axis[a].channel) < minimumSlotForNumber(axis[b].channel);
    });
    std::vector<std::pair<double, double>> kept; // left and right edges
    for (std::size_t i : order) {
        const double w = textWidth(axis[i].channel);
        const double left = axis[i].x - w / 2, right = axis[i].x + w / 2;
        const bool clear = std::none_of(kept.begin(), kept.end(), [&](const auto& k) {
            return left < k.second + gap && right > k.first - gap;
        });
        if (clear) {
            kept.emplace_back(left, right);
            shown[i] = true;
        }
    }
    return shown;
}

std::vector<std::optional<double>> placeLegend(const std::vector<LegendEntry>& entries, double lineHeight,
                                               double low, double high)
{
    std::vector<std::optional<double>> placed(entries.size());
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (entries[a].highlighted != entries[b].highlighted)
            return entries[a].highlighted;
        return entries[a].y > entries[b].y;
    });
    const double h = lineHeight;
    std::vector<double> taken; // ascending
    // The first taken place closer than h above y, or end.
    auto above = [&](double y) {
        auto it = std::upper_bound(taken.begin(), taken.end(), y - h);
        return it != taken.end() && *it < y + h ? it : taken.end();
    };
    for (std::size_t i : order) {
        if (high < low)
            break;
        const double wanted = std::clamp(entries[i].y, low, high);
        std::optional<double> best;
        // Upwards: step over each name in the way.
        for (double y = wanted; y <= high && y - wanted <= h;) {
            const auto it = above(y);
            if (it == taken.end()) {
                best = y;
                break;
            }
            // Past the name in the way; where rounding would leave y in
            // place, a step on all the same, or this never ends.
            const double next = *it + h;
            y = next > y ? next : std::nextafter(y, std::numeric_limits<double>::infinity());
        }
        // Downwards, when that is nearer.
        for (double y = wanted; y >= low && wanted - y <= h;) {
            auto it = std::lower_bound(taken.begin(), taken.end(), y + h);
            if (it == taken.begin() || *(it - 1) <= y - h) {
                if (!best || wanted - y < *best - wanted)
                    best = y;
                break;
            }
            const double next = *(it - 1) - h;
            y = next < y ? next : std::nextafter(y, -std::numeric_limits<double>::infinity());
        }
        if (!best)
            continue;
        placed[i] = best;
        taken.insert(std::upper_bound(taken.begin(), taken.end(), *best), *best);
    }
    return placed;
}

std::pair<bool, bool> barChartsThatFit(const QRectF& R, bool coSSID, bool coChannel)
{
    auto fits = [&](bool a, bool b) { return detailsLayout(R, a, b).history.width() >= kMinHistoryWidth; };
    if (coChannel && !fits(coSSID, true))
        coChannel = false;
    if (coSSID && !fits(true, coChannel))
        coSSID = false;
    return {coSSID, coChannel};
}

std::size_t firstVisibleSample(const SVDataPointBuffer& samples, double spanStart)
{
    std::size_t lo = 0, hi = samples.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (samples.at(mid).secondsSinceReferenceDate() < spanStart)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo > 0 ? lo - 1 : 0;
}

namespace {

// Keeps at most first, lowest, highest and last of the points that share a
// pixel column, in their order, so the drawn line looks the same.
class Decimator {
public:
    Decimator(std::vector<QPointF>& out, int perColumn) : m_out(out), m_perColumn(perColumn) {}
    void add(QPointF q)
    {
        const double column = std::floor(q.x());
        if (!m_bucket.empty() && column != m_column)
            flush();
        m_column = column;
        m_bucket.push_back(q);
    }
    void flush()
    {
        if (m_perColumn <= 0 || int(m_bucket.size()) <= std::max(m_perColumn, 4)) {
            m_out.insert(m_out.end(), m_bucket.begin(), m_bucket.end());
        } else {
            std::size_t lo = 0, hi = 0;
            for (std::size_t i = 1; i < m_bucket.size(); ++i) {
                if (m_bucket[i].y() < m_bucket[lo].y())
                    lo = i;
                if (m_bucket[i].y() > m_bucket[hi].y())
                    hi = i;
            }
            m_out.push_back(m_bucket.front());
            const std::size_t last = m_bucket.size() - 1;
            const std::size_t a = std::min(lo, hi), b = std::max(lo, hi);
            if (a != 0 && a != last)
                m_out.push_back(m_bucket[a]);
            if (b != a && b != 0 && b != last)
                m_out.push_back(m_bucket[b]);
            m_out.push_back(m_bucket.back());
        }
        m_bucket.clear();
    }

private:
    std::vector<QPointF>& m_out;
    std::vector<QPointF> m_bucket;
    double m_column = 0;
    int m_perColumn;
};

} // namespace

std::vector<LineSegment> lineSegments(const SVDataPointBuffer& samples, const LineInput& in)
{
    std::vector<LineSegment> out;
    const std::size_t n = samples.size();
    if (n == 0)
        return out;
    const QRectF& G = in.G;
    auto point = [&](const SVDataPoint& p) {
        return pointForSample(G, p, in.value, in.units, in.topMargin, in.timescale, in.referenceTime);
    };
    if (n == 1) {
        const QPointF q = point(samples.at(0));
        LineSegment s;
        s.stub = true;
        s.points = {QPointF(G.x() + G.width() - 3.0, q.y()), QPointF(G.x() + G.width(), q.y())};
        out.push_back(std::move(s));
        return out;
    }
    const std::size_t first = firstVisibleSample(samples, in.referenceTime - in.timescale);
    LineSegment current;
    Decimator decimator(current.points, in.pointsPerColumn);
    double prevTime = 0;
    bool havePrev = false;
    for (std::size_t i = n; i-- > first;) {
        const SVDataPoint& p = samples.at(i);
        const double t = p.secondsSinceReferenceDate();
        if (havePrev && prevTime - t > 60.0) {
            decimator.flush();
            if (!current.points.empty())
                out.push_back(std::move(current));
            current = LineSegment();
        }
        decimator.add(point(p));
        prevTime = t;
        havePrev = true;
        if (in.referenceTime - t > in.timescale)
            break;
    }
    decimator.flush();
    if (!current.points.empty())
        out.push_back(std::move(current));
    return out;
}

QPolygonF segmentAreaPolygon(const LineSegment& s, double floorY)
{
    QPolygonF polygon;
    if (s.points.empty() || s.stub)
        return polygon;
    polygon.reserve(qsizetype(s.points.size()) + 3);
    for (const QPointF& q : s.points)
        polygon << q;
    polygon << QPointF(s.points.back().x(), floorY) << QPointF(s.points.front().x() + 0.075, floorY)
            << QPointF(s.points.front().x() + 0.075, s.points.front().y());
    return polygon;
}

BubbleGeometry bubble(const QRectF& G, double x, double y, double textWidth, double textHeight, Scale s)
{
    const double cx = std::min(1.2, s.sx), cy = std::min(1.2, s.sy);
    const double ox = 10 * cx * cy, oy = 6 * cx * cy, r = 5 * cx * cy;
    BubbleGeometry b;
    b.fontSize = std::max(9.0, ox);
    const double px = std::min(18.0, 18 * cx), py = std::min(4.0, 4 * cy);
    const double w = textWidth * cx + px;
    const double hb = textHeight * cy + py;
    b.mirroredX = G.x() >= x - ox - w;
    b.mirroredY = y + oy + hb >= G.y() + G.height();

    // The unmirrored shape: left of and above the point, pointer at the bottom right.
    QPainterPath p;
    const double left = x - ox - w, bottom = y + oy, top = y + oy + hb, right = x - ox;
    p.moveTo(x, y);
    p.lineTo(x - 2 * ox, bottom);
    p.lineTo(left + r, bottom);
    p.quadTo(left, bottom, left, bottom + r);
    p.lineTo(left, top - r);
    p.quadTo(left, top, left + r, top);
    p.lineTo(right - r, top);
    p.quadTo(right, top, right, top - r);
    p.lineTo(right, y + 2 * oy);
    p.closeSubpath();
    QTransform mirror;
    mirror.translate(x, y);
    mirror.scale(b.mirroredX ? -1 : 1, b.mirroredY ? -1 : 1);
    mirror.translate(-x, -y);
    b.shape = mirror.map(p);
    const double bx = b.mirroredX ? x + w + 2 * ox : x;
    const double by = b.mirroredY ? y - hb - 2 * oy : y;
    b.textCentre = QPointF(bx - w / 2 - ox, by + 3 * cx + hb / 2);
    return b;
}

// ---- spectrum ----

const std::vector<int>& slotTable2Dot4GHz()
{
    static const std::vector<int> table = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, -14, 14, -15, -16};
    return table;
}

namespace {
bool labelled5GHz(int c)
{
    static const int labelled[] = {36,  40,  44,  48,  52,  56,  60,  64,  100, 104, 108, 112, 116,
                                   120, 124, 128, 132, 136, 140, 144, 149, 153, 157, 161, 165};
    return std::find(std::begin(labelled), std::end(labelled), c) != std::end(labelled);
}
} // namespace

const std::vector<int>& slotTable5GHz()
{
    static const std::vector<int> table = [] {
        std::vector<int> t;
        for (int c = 32; c <= 176; ++c)
            t.push_back(labelled5GHz(c) ? c : -c);
        return t;
    }();
    return table;
}

const std::vector<int>& slotTable5GHzNoDFS()
{
    static const std::vector<int> table = [] {
        std::vector<int> t = slotTable5GHz();
        for (int& v : t)
            if (v >= 52 && v <= 144)
                v = -v;
        return t;
    }();
    return table;
}

bool isDFSChannel(qint64 channel)
{
    return channel >= 52 && channel <= 144;
}

int halfWidthSlots(qint64 widthCode)
{
    switch (widthCode) {
    case kCWChannelWidth40MHz: return 4;
    case kCWChannelWidth80MHz: return 8;
    case kCWChannelWidth160MHz: return 16;
    case kCWChannelWidth80Plus80MHz: return 8; // the primary 80 MHz block
    default: return 2;
    }
}

bool reachesIntoDFS(qint64 channelCenter, qint64 widthCode)
{
    if (!isChannelIn5GHzBand(channelCenter))
        return false;
    const int w = halfWidthSlots(widthCode);
    // First and last 20 MHz channel the block covers.
    const qint64 lo = channelCenter - w + 2, hi = channelCenter + w - 2;
    return hi >= 52 && lo <= 144;
}

SpectrumPanes spectrumPanes(const QRectF& G, bool has24, bool has5, bool hideChannelGraphs, bool skipDFS)
{
    if (!hideChannelGraphs)
        has24 = has5 = true;
    SpectrumPanes panes;
    if (has24 && !has5) {
        panes.pane24 = G;
    } else if (has5 && !has24) {
        panes.pane5 = G;
    } else {
        const double f = skipDFS ? 0.6 : 0.45;
        panes.pane24 = QRectF(G.x(), G.y(), f * G.width() - 2, G.height());
        panes.pane5 = QRectF(G.x() + f * G.width() + 2, G.y(), (1 - f) * G.width() - 2, G.height());
        panes.divider = QRectF(G.x() + f * G.width() - 2, G.y() - 1, 4, G.height() + 2);
    }
    return panes;
}

int slotCount(const std::vector<int>& table, bool skipDFS)
{
    const int n = int(table.size());
    return n > 84 && skipDFS ? n - 84 : n;
}

double slotWidth(const QRectF& P, const std::vector<int>& table, bool skipDFS)
{
    const int n = slotCount(table, skipDFS);
    return n > 0 ? P.width() / n : 0;
}

std::vector<AxisSlot> axisSlots(const QRectF& P, const std::vector<int>& table, bool skipDFS)
{
    std::vector<AxisSlot> out;
    const double s = slotWidth(P, table, skipDFS);
    double x = P.x() + 10;
    for (int v : table) {
        x += s;
        if (skipDFS && std::abs(v) == 52)
            x -= 84 * s;
        out.push_back({x, v});
    }
    return out;
}

std::optional<int> slotIndexForChannel(const std::vector<int>& table, qint64 channel)
{
    std::optional<int> any;
    for (int i = 0; i < int(table.size()); ++i) {
        if (table[size_t(i)] == channel && channel > 0)
            return i;
        if (!any && std::abs(table[size_t(i)]) == channel)
            any = i;
    }
    return any;
}

std::optional<ShapeExtent> shapeExtent(const QRectF& P, const std::vector<int>& table, bool skipDFS,
                                       qint64 channel, qint64 channelCenter, qint64 widthCode)
{
    if (channelCenter == 0 || table.empty())
        return std::nullopt;
    if (channelCenter < std::abs(table.front()) || channelCenter > std::abs(table.back()))
        return std::nullopt;
    const auto k = slotIndexForChannel(table, channelCenter);
    if (!k)
        return std::nullopt;
    const double s = slotWidth(P, table, skipDFS);
    const int w = halfWidthSlots(widthCode);
    double x0 = P.x() + 10 + s;
    if (skipDFS && channel >= 52)
        x0 -= 84 * s;
    return ShapeExtent{(*k - w) * s + x0, *k * s + x0, (*k + w) * s + x0};
}

double spectrumLevel(qint64 rssiLast, int units, double paneHeight, double topMargin)
{
    return std::max(0.0, levelHeight(rssiLast, units, paneHeight - topMargin));
}

Shape spectrumShape(const ShapeInput& in)
{
    const QRectF& P = in.P;
    const double lv = in.level;
    const double yTop = P.y() + lv;
    const double cf = in.sxp * (in.is2Dot4GHz ? 0.4 : 0.1);
    const double e = in.is2Dot4GHz ? 5 * cf : 0;
    double xL = in.e.xL, xC = in.e.xC, xR = in.e.xR;
    Shape shape;
    QPainterPath& o = shape.outline;
    if (!in.bell) {
        const double r = P.height() > 0 ? lv / P.height() : 0;
        const double rho = 10 * r;
        const double d1 = 7.5 * r * in.sxp * cf, d2 = 15 * r * in.sxp * cf;
        const double yMid = P.y() + lv * (1 - 0.8 * r);
        o.moveTo(xR + e, P.y());
        o.lineTo(xR - d1, yMid);
        o.lineTo(xR - d2, yTop - rho);
        o.quadTo(xR - d2, yTop, xR - d2 - rho, yTop);
        o.lineTo(xL + d2 + rho, yTop);
        o.quadTo(xL + d2, yTop, xL + d2, yTop - rho);
        o.lineTo(xL + d1, yMid);
        o.lineTo(xL - e, P.y());
    } else {
        const double hh = P.height() - in.topMargin;
        const double r = hh > 0 ? lv / hh : 0;
        const double k1 = (1 - r) * 45 * 0.4 * in.sxp + 5;
        const double k2 = r * 50 * 0.4;
        const double k3 = (in.only24Pane ? 56 : 36) * in.sxp;
        xL -= e;
        xR += e;
        const double a = in.flatTop ? in.flatTop->first : xC;
        const double b = in.flatTop ? in.flatTop->second : xC;
        o.moveTo(xL, P.y());
        o.cubicTo(xL + k1, P.y() + k2, a - k3, yTop, a, yTop);
        if (b != a)
            o.lineTo(b, yTop);
        o.cubicTo(b + k3, yTop, xR - k1, P.y() + k2, xR, P.y());
    }
    shape.fill = o;
    shape.fill.closeSubpath();
    return shape;
}

// ---- bars ----

BarLayout barLayout(const QRectF& r, int n)
{
    BarLayout b;
    b.count = std::min(std::max(n, 2), 16);
    const float a = float(r.width() - 10);
    b.gap = a / float(2 * b.count + 2);
    b.pitch = a / float(b.count);
    const int drawn = std::min(std::max(n, 0), b.count);
    for (int i = 0; i < drawn; ++i) {
        const double x = r.x() + b.gap + i * b.pitch + 5;
        b.left.push_back(x);
        // The hit area is the column around the drawn bar, one pitch wide.
        b.columns.emplace_back(x + b.gap / 2 - b.pitch / 2, r.y(), b.pitch, r.height());
    }
    return b;
}

int barAt(const BarLayout& bars, const QRectF& r, QPointF p)
{
    if (!r.contains(p))
        return -1;
    for (int i = 0; i < int(bars.columns.size()); ++i) {
        const QRectF& c = bars.columns[size_t(i)];
        if (p.x() >= c.left() && p.x() < c.right())
            return i;
    }
    return -1;
}

} // namespace sv::graph
