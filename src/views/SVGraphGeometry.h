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
#include <functional>
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
// The narrowest history the detail chart draws bar charts beside: room for
// a few time labels.
inline constexpr double kMinHistoryWidth = 220;
// Which of the wanted bar charts fit in R beside a history of at least
// kMinHistoryWidth: the co-channel chart gives way first.
std::pair<bool, bool> barChartsThatFit(const QRectF& R, bool coSSID, bool coChannel);

// ---- legend ----

struct LegendEntry {
    double y = 0;             // where the name wants to stand (its line's end)
    bool highlighted = false; // placed before every other
};
// Where each name of a legend stands, names lineHeight apart at least: at
// its own height, else moved by at most one line to the nearest free
// place, else left out (none). The highlighted names are placed first,
// then the others from the highest line down, so the strongest stay.
// Every place lies within [low, high].
std::vector<std::optional<double>> placeLegend(const std::vector<LegendEntry>& entries, double lineHeight,
                                               double low, double high);

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
QPolygonF segmentAreaPolygon(const LineSegment& s, double floorY);

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
// The narrowest slot at which a crowded channel still gets its number (0:
// always numbered).
double minimumSlotForNumber(int channel);
// Which labelled slots of an axis with slot pitch s show their number:
// those whose slot is wide enough, less any whose number (textWidth wide,
// centred on its slot) would come closer than gap to a number already
// kept. Numbers kept down to narrower slots go first, then left to right.
std::vector<bool> numberedSlots(const std::vector<AxisSlot>& axis, double s, double gap,
                                const std::function<double(int)>& textWidth);
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
