#pragma once

// Geometry of the graphs, as plain functions in the chart's own coordinates:
// y grows upwards and a rectangle's origin is its lower-left corner. The
// views only map these numbers to the screen and draw; tests call them
// directly.

#include "model/SVDataPoint.h"

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <utility>
#include <vector>

class SVDataPointBuffer;

namespace sv::graph {

// Which value of a sample a point stands for.
enum class Value { Signal = 0, Noise = 1, SNR = 2 };

// ---- scale and fonts ----

// The window's frame over the size the graphs were laid out for (0 without a window).
struct Scale {
    double sx = 0;
    double sy = 0;
    static Scale forWindow(double width, double height) { return {width / 1100.0, height / 735.0}; }
};

// ---- level axis ----

// Height above the floor of a level in dBm over a level axis of height h:
// percent units (0) through the signal-quality curve, otherwise linear
// from -100 dBm (floor) to -10 dBm (h).
double levelHeight(qint64 dBm, int units, double h);
// Height of a signal-to-noise ratio, linear from 0 dB to 90 dB.
double snrHeight(qint64 snr, double h);

// Where one sample lies in chart G. The level axis is G's height less the
// top margin; the time axis ends at the reference time (seconds since 1970)
// and spans timescale seconds. A zero span puts every sample on the right edge.
QPointF pointForSample(const QRectF& G, const SVDataPoint& p, Value value, int units, double topMargin,
                       double timescale, double referenceTime);

enum class MarkColor { Red, Yellow, Green };
QColor markColor(MarkColor c); // at alpha 0.8

struct LevelMark {
    double y = 0;        // centre of the label
    QString text;
    MarkColor color = MarkColor::Green;
    double leftX = 0;    // centre of a left label
    double rightX = 0;   // centre of a right label
};
// The labels of the level axis of chart G with m divisions, step skip
// (value: Signal uses units, SNR its own scale); on a chart 75 points high
// or less only the few kept labels. No labels on a chart without height.
std::vector<LevelMark> levelMarks(const QRectF& G, int m, Value value, int units, int skip, double topMargin);
// The y of the dashed grid lines of chart G (k = 1..m).
std::vector<double> gridLines(const QRectF& G, int m, double topMargin);

// ---- time axis ----

struct TimeMark {
    double x = 0;
    qint64 time = 0;  // seconds since 1970
    bool tick = false;
};
struct TimeAxis {
    qint64 interval = 0;  // seconds between marks
    QString format;       // "HH:mm:ss" or "HH:mm"
    std::vector<TimeMark> marks;
};
// Marks of a time axis of chart G ending at referenceTime. A zero span or a
// chart without width gives no marks.
TimeAxis timeAxis(const QRectF& G, qint64 timescale, double referenceTime);

// The span after a zoom by m (a pinch's negated magnification, or the View
// menu's +-0.2), kept within [minimum, maximum].
qint64 zoomedTimescale(qint64 timescale, double m, qint64 minimum, qint64 maximum);

// ---- chart rectangles ----

QRectF signalChartRect(const QRectF& R);
QRectF spectrumChartRect(const QRectF& R);
struct DetailsLayout {
    QRectF history;
    QRectF coSSID;
    QRectF coChannel;
};
DetailsLayout detailsLayout(const QRectF& R, bool coSSID, bool coChannel);

// ---- lines of the signal graphs ----

// Index of the oldest sample a line over the span must visit: the newest
// one older than the span's start, or 0. Binary search on time.
std::size_t firstVisibleSample(const SVDataPointBuffer& samples, double spanStart);

struct LineSegment {
    std::vector<QPointF> points; // newest first
    bool stub = false;           // a one-sample record's 3-point stub (points hold it)
};
struct LineInput {
    QRectF G;
    Value value = Value::Signal;
    int units = 0;
    double topMargin = 0;
    double timescale = 300;
    double referenceTime = 0;
    // At most this many points per pixel column are kept (0: all).
    int pointsPerColumn = 4;
};
// The record's line over the span: segments split where two samples lie
// more than 60 s apart. Walks from the newest sample back to the first one
// older than the span.
std::vector<LineSegment> lineSegments(const SVDataPointBuffer& samples, const LineInput& in);
// The filled area under a segment down to the chart's floor.
QPainterPath segmentArea(const LineSegment& s, double floorY);
// The same area as a plain polygon (the raster engine fills it faster).
QPolygonF segmentAreaPolygon(const LineSegment& s, double floorY);
// The same area as one rectangle per unit column, up to the middle of what
// the line covers in that column: under a line drawn over it, as good as
// the polygon and far cheaper to fill.
std::vector<QRectF> segmentAreaColumns(const LineSegment& s, double floorY);
// True when a segment has about one point per unit of x or more: stroked,
// its joins pile up into a band no wider than its points' spread.
bool isDense(const LineSegment& s);
// What a pen of the given width draws over a dense segment, as one
// polygon: per unit column the band from its lowest to its highest point,
// widened by half the width up and down.
QPolygonF denseLineBand(const LineSegment& s, double width);

// ---- dense hairlines ----

// The vertical range [lo, hi] a polyline's centre covers within one pixel
// column (x and y in device pixels; pixel column c spans [c, c + 1)).
struct ColumnSpan {
    int column = 0;
    double lo = 0;
    double hi = 0;
};
// The spans of a polyline whose x runs one way (either way), one per
// column it crosses within [firstColumn, lastColumn], in walking order.
std::vector<ColumnSpan> columnSpans(std::span<const QPointF> points, int firstColumn, int lastColumn);
// The same, appended to out (reusing its storage).
void appendColumnSpans(std::span<const QPointF> points, int firstColumn, int lastColumn, std::vector<ColumnSpan>& out);
// The spans of the same polyline drawn with a pen width pixels wide (more
// than one): each column takes in what the line covers within half the
// width either side of the column's centre. Ascending by column.
void appendWideColumnSpans(std::span<const QPointF> points, double width, int firstColumn, int lastColumn,
                           std::vector<ColumnSpan>& out);
// floor() as an int, without a library call on every pixel column.
inline int floorToInt(double x)
{
    const int i = int(x);
    return x < i ? i - 1 : i;
}
// Whether a polyline point can be walked column by column: finite, and not
// so far outside any image that int would overflow.
inline bool walkablePoint(QPointF q)
{
    constexpr double kLimit = 1 << 24;
    return std::isfinite(q.x()) && std::isfinite(q.y()) && std::abs(q.x()) < kLimit && std::abs(q.y()) < kLimit;
}
// Calls add(column, y0, y1) with the heights at the edges of the part of
// segment a -> b inside each pixel column it crosses within [firstColumn,
// lastColumn]: from a's column to b's, or left to right when leftToRight
// (the same heights either way). An end lying on a column's edge does not
// reach into it.
template <typename Add>
void segmentColumns(QPointF a, QPointF b, int firstColumn, int lastColumn, bool leftToRight, Add&& add)
{
    const int ca = floorToInt(a.x()), cb = floorToInt(b.x());
    if (ca == cb) {
        if (ca >= firstColumn && ca <= lastColumn)
            add(ca, a.y(), b.y());
        return;
    }
    const double slope = (b.y() - a.y()) / (b.x() - a.x());
    const double xMin = std::min(a.x(), b.x()), xMax = std::max(a.x(), b.x());
    auto yAt = [&](double x) { return a.y() + (x - a.x()) * slope; };
    int from = std::clamp(ca, firstColumn - 1, lastColumn + 1);
    int to = std::clamp(cb, firstColumn - 1, lastColumn + 1);
    if (leftToRight && from > to)
        std::swap(from, to);
    const int step = to > from ? 1 : -1;
    for (int c = from;; c += step) {
        const double x0 = std::max(double(c), xMin), x1 = std::min(double(c) + 1.0, xMax);
        if (c >= firstColumn && c <= lastColumn && x1 > x0)
            add(c, yAt(x0), yAt(x1));
        if (c == to)
            break;
    }
}
// The factor by which a thin line's spreading thins every row of span s:
// it puts about one pixel's ink in a column it crosses at a shallow slope,
// and one per row where steep, not the spread plus one.
inline double hairlineInk(const ColumnSpan& s, double width)
{
    if (width > 1.0)
        return 1.0;
    const double d = s.hi - s.lo;
    return (d > 1.0 ? d : 1.0) / (d + 1.0);
}
// How much of pixel row [row, row + 1) a line of the given width over span
// s covers (0 to 1): a flat one-pixel line splits its pixel between the two
// rows it straddles; a sloping one spreads its ink over the rows it passes.
inline double hairlineCoverage(const ColumnSpan& s, int row, double width = 1.0)
{
    const double top = std::max(double(row), s.lo - width / 2);
    const double bottom = std::min(double(row) + 1.0, s.hi + width / 2);
    return std::clamp(bottom - top, 0.0, 1.0) * hairlineInk(s, width);
}

// ---- hover bubble ----

struct BubbleGeometry {
    QPainterPath shape;
    QPointF textCentre;
    double fontSize = 9;
    bool mirroredX = false;
    bool mirroredY = false;
};
// textWidth, textHeight: the text's size in the bubble font.
BubbleGeometry bubble(const QRectF& G, double x, double y, double textWidth, double textHeight, Scale s);

// ---- spectrum ----

const std::vector<int>& slotTable2Dot4GHz();
const std::vector<int>& slotTable5GHz();
const std::vector<int>& slotTable5GHzNoDFS();

bool isDFSChannel(qint64 channel); // 52 to 144
// Half width in slots (5 MHz each) of a width code; 80+80 draws as 80 and
// unknown codes as 20 MHz.
int halfWidthSlots(qint64 widthCode);
// A channel of this width whose covered 20 MHz channels reach into 52-144.
bool reachesIntoDFS(qint64 channelCenter, qint64 widthCode);

struct SpectrumPanes {
    std::optional<QRectF> pane24;
    std::optional<QRectF> pane5;
    std::optional<QRectF> divider; // the gap between two panes
};
SpectrumPanes spectrumPanes(const QRectF& G, bool has24, bool has5, bool hideChannelGraphs, bool skipDFS);

// Number of slots a pane lays out.
int slotCount(const std::vector<int>& table, bool skipDFS);
// Slot pitch of pane P.
double slotWidth(const QRectF& P, const std::vector<int>& table, bool skipDFS);
struct AxisSlot {
    double x = 0;
    int channel = 0;  // the table's entry
};
// The x of every slot of pane P (with DFS hidden, 52..135 fall left of the pane).
std::vector<AxisSlot> axisSlots(const QRectF& P, const std::vector<int>& table, bool skipDFS);
// Slot of a channel: the labelled slot of that number, else any slot of it.
std::optional<int> slotIndexForChannel(const std::vector<int>& table, qint64 channel);

struct ShapeExtent {
    double xL = 0, xC = 0, xR = 0;
};
// The horizontal extent of a record's shape in pane P, or none when its
// centre is 0 or outside the pane's channels.
std::optional<ShapeExtent> shapeExtent(const QRectF& P, const std::vector<int>& table, bool skipDFS,
                                       qint64 channel, qint64 channelCenter, qint64 widthCode);
// Height of a spectrum shape's top above the pane's floor.
double spectrumLevel(qint64 rssiLast, int units, double paneHeight, double topMargin);

struct ShapeInput {
    QRectF P;
    ShapeExtent e;
    double level = 0;        // lv
    double topMargin = 0;
    double sxp = 0;          // unclamped horizontal scale
    bool is2Dot4GHz = true;
    bool bell = false;       // DSSS-only record
    bool only24Pane = false; // channel graphs hidden and only the 2.4 GHz pane shown
    // Flat top from centre-2 to centre+2 (wider than 20 MHz), bell curve only.
    std::optional<std::pair<double, double>> flatTop;
};
// The outline (without base line) and the closed fill of a record's shape.
struct Shape {
    QPainterPath outline;
    QPainterPath fill;
};
Shape spectrumShape(const ShapeInput& in);

// ---- bar charts of the details view ----

struct BarLayout {
    int count = 2; // slots laid out
    double gap = 0;    // bar width
    double pitch = 0;
    std::vector<QRectF> columns; // hit areas, one per bar drawn
    std::vector<double> left;    // left edge of each drawn bar
};
// Bars of chart r for n networks (at most 16 slots).
BarLayout barLayout(const QRectF& r, int n);
// The bar under the point, or -1.
int barAt(const BarLayout& bars, const QRectF& r, QPointF p);

} // namespace sv::graph
