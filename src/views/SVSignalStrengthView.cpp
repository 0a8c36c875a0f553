#include "views/SVSignalStrengthView.h"

#include "model/SVNetworkCollection.h"
#include "model/SVSignalQuality.h"
#include "platform/FileWriter.h"
#include "platform/NSDateFormattedStrings.h"
#include "platform/ParallelFor.h"
#include "raster/LineBatch.h"
#include "views/SVImageRepresentations.h"
#include "views/SVThemeHelper.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QFontMetricsF>
#include <QMimeData>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace sv::graph;

namespace {

const QString kGraphDragFormat = QStringLiteral("application/x-skyvane-graph");
const QString kPng = QStringLiteral("image/png");
const QString kTiff = QStringLiteral("image/tiff");
const QString kUriList = QStringLiteral("text/uri-list");
const QString kQtImage = QStringLiteral("application/x-qt-image");


QColor white(double a)
{
    return QColor::fromRgbF(1, 1, 1, float(a));
}

// Each format the receiver asks for gets its data, as often as it asks.
class GraphMimeData : public QMimeData {
public:
    GraphMimeData(QImage image, QString file) : m_image(std::move(image)), m_file(std::move(file)) {}
    QStringList formats() const override
    {
        QStringList f{kGraphDragFormat, kPng, kTiff, kQtImage};
        if (!m_file.isEmpty())
            f << kUriList;
        return f;
    }
    bool hasFormat(const QString& type) const override { return formats().contains(type); }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override
    {
        if (type == kPng)
            return sv::pngRepresentation(m_image);
        if (type == kTiff)
            return sv::tiffRepresentation(m_image);
        if (type == kQtImage)
            return m_image;
        if (type == kUriList && !m_file.isEmpty())
            return QByteArray(QUrl::fromLocalFile(m_file).toEncoded() + "\r\n");
        if (type == kGraphDragFormat)
            return QByteArray("1");
        return {};
    }

private:
    QImage m_image;
    QString m_file;
};

// A solid pen in one colour: the batch draws it at any width.
bool isSolid(const QPen& pen)
{
    return pen.style() == Qt::SolidLine && pen.brush().style() == Qt::SolidPattern && !pen.isCosmetic();
}

// The smallest rectangle holding every pixel of image that is not fully
// transparent (empty when none is).
QRect inkedRect(const QImage& image)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width() && row[x] == 0)
            ++x;
        if (x == image.width())
            continue;
        int last = image.width() - 1;
        while (row[last] == 0)
            --last;
        left = std::min(left, x);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y;
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

SVSignalStrengthView::SVSignalStrengthView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumSize(50, 50);
    m_now = [] { return QDateTime::currentDateTimeUtc(); };
    auto& center = sv::NotificationCenter::defaultCenter();
    m_observations.push_back(center.addObserver(
        QStringLiteral("AltKeyUp"),
        [this](const sv::Notification&) {
            m_moDataPointAlternate = false;
            update();
        },
        sv::NotificationCenter::Delivery::MainThread, this));
    m_observations.push_back(center.addObserver(
        QStringLiteral("AltKeyDown"),
        [this](const sv::Notification&) {
            m_moDataPointAlternate = true;
            update();
        },
        sv::NotificationCenter::Delivery::MainThread, this));
}

SVSignalStrengthView::~SVSignalStrengthView() = default;

bool SVSignalStrengthView::highlightedOrGroup(const SVNetwork& n)
{
    if (n.userHighlighted())
        return true;
    const auto group = n.parentCollection();
    return group && group->isUserHighlighted();
}

void SVSignalStrengthView::setNetworks(const NetworkList& list)
{
    invalidateCache();
    std::lock_guard g(m_lock);
    // The hover point goes with its record: when the record left the list,
    // or a record that was highlighted no longer is.
    if (auto hovered = m_moNetwork.lock(); m_moDataPoint && (!hovered || !list.contains(hovered)))
        m_moDataPoint.reset();
    for (const auto& h : m_highlightedNetworks) {
        if (list.contains(h) && !h->userHighlighted()) {
            m_moDataPoint.reset();
            break;
        }
    }
    std::vector<std::pair<qint64, std::shared_ptr<SVNetwork>>> sorted;
    sorted.reserve(size_t(list.size()));
    for (const auto& n : list)
        if (n)
            sorted.emplace_back(n->rssiAvg(), n);
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    NetworkList ordered;
    ordered.reserve(qsizetype(sorted.size()));
    for (const auto& [avg, n] : sorted) {
        if (highlightedOrGroup(*n))
            ordered.prepend(n);
        else
            ordered.append(n);
    }
    m_highlightedNetworks.clear();
    for (auto it = ordered.crbegin(); it != ordered.crend(); ++it)
        if ((*it)->userHighlighted())
            m_highlightedNetworks.append(*it);
    std::reverse(ordered.begin(), ordered.end());
    m_networks = std::move(ordered);
    if (!m_moDataPoint)
        m_moNetwork.reset();
}

void SVSignalStrengthView::setReferenceTime(const QDateTime& time)
{
    m_referenceTime = time;
    invalidateCache();
}

void SVSignalStrengthView::setUnits(int units)
{
    m_units = units;
    invalidateCache();
}

void SVSignalStrengthView::setItemHighlightEnabled(bool enabled)
{
    m_itemHighlightEnabled = enabled;
    invalidateCache();
}

void SVSignalStrengthView::setTimescale(qint64 seconds)
{
    m_timescale = seconds;
    invalidateCache();
}

void SVSignalStrengthView::setDisplayAnnotations(bool on)
{
    m_displayAnnotations = on;
    invalidateCache();
}

void SVSignalStrengthView::setDisplayDeviceName(bool on)
{
    m_displayDeviceName = on;
    invalidateCache();
}

void SVSignalStrengthView::setDisplayOnlyLastSeen(bool on)
{
    m_displayOnlyLastSeen = on;
    invalidateCache();
}

void SVSignalStrengthView::magnifyWithMagnification(double m)
{
    setTimescale(zoomedTimescale(m_timescale, m, m_minTimescale, m_maxTimescale));
    update();
}

QRectF SVSignalStrengthView::rectForChart(const QRectF& R) const
{
    return signalChartRect(R);
}

double SVSignalStrengthView::referenceSeconds() const
{
    return m_referenceTime.isValid() ? SVDataPoint::secondsSinceReferenceDate(m_referenceTime) : 0.0;
}

Scale SVSignalStrengthView::scale() const
{
    const QWidget* w = window();
    return w ? Scale::forWindow(w->width(), w->height()) : Scale{};
}

QFont SVSignalStrengthView::graphFont(Face face, double size)
{
    QFont f(QStringLiteral("Helvetica Neue"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(std::lround(size))));
    f.setBold(face == Face::Bold);
    f.setItalic(face == Face::Italic);
    return f;
}

SVSignalStrengthView::TextKey SVSignalStrengthView::textKey(const QString& text, const QFont& font)
{
    return TextKey{text, font.family(), font.pixelSize(), font.bold(), font.italic()};
}

const SVSignalStrengthView::LaidOutText& SVSignalStrengthView::laidOut(const QString& text, const QFont& font) const
{
    return laidOut(textKey(text, font), font);
}

const SVSignalStrengthView::LaidOutText& SVSignalStrengthView::laidOut(const TextKey& key, const QFont& font) const
{
    // Laying out text costs more than drawing it, and the graphs draw the
    // same names and marks tick after tick.
    if (auto it = m_textCache.find(key); it != m_textCache.end())
        return it.value();
    if (m_textCache.size() >= 4096)
        m_textCache.clear();
    LaidOutText t;
    const QFontMetricsF fm(font);
    t.size = QSizeF(fm.horizontalAdvance(key.text), fm.height());
    t.ascent = fm.ascent();
    t.text.setText(key.text);
    t.text.setTextFormat(Qt::PlainText);
    t.text.setPerformanceHint(QStaticText::AggressiveCaching);
    t.text.prepare(QTransform(), font);
    return m_textCache.insert(key, t).value();
}

QSizeF SVSignalStrengthView::sizeOfText(const QString& text, const QFont& font) const
{
    return laidOut(text, font).size;
}

void SVSignalStrengthView::beginYUp(QPainter& p) const
{
    p.setTransform(QTransform(1, 0, 0, -1, 0, height()));
}

QPointF SVSignalStrengthView::makePoint(const QRectF& G, const SVDataPoint& d, Value value) const
{
    return pointForSample(G, d, value, m_units, m_topMargin, double(m_timescale), referenceSeconds());
}

void SVSignalStrengthView::centerText(QPainter& p, QPointF at, const QString& text, const QFont& font,
                                      const QColor& color, const QRectF& bounds)
{
    const LaidOutText& laid = laidOut(text, font);
    const QSizeF size = laid.size;
    double x = at.x() - size.width() / 2;
    double y = at.y() - font.pixelSize();
    if (!bounds.isEmpty()) {
        x = std::max(bounds.x(), x);
        y = std::max(bounds.y(), y);
        if (x + size.width() > bounds.right())
            x = bounds.right() - size.width();
        if (y + size.height() > bounds.bottom())
            y = bounds.bottom() - size.height();
    }
    p.save();
    p.resetTransform();
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    const QPointF topLeft(x, textTop(y, laid));
    p.setPen(QColor(0, 0, 0, color.alpha()));
    p.drawStaticText(topLeft + QPointF(0, 1), laid.text);
    p.setPen(color);
    p.drawStaticText(topLeft, laid.text);
    p.restore();
}

bool SVSignalStrengthView::centerTextInto(sv::raster::LineBatch& batch, QPainter& p, QPointF at, const QString& text,
                                          const QFont& font, const QColor& color)
{
    const TextKey key = textKey(text, font);
    const LaidOutText& laid = laidOut(key, font);
    return textInto(batch, p, at.x() - laid.size.width() / 2, at.y(), key, laid, font, color);
}

bool SVSignalStrengthView::textAtInto(sv::raster::LineBatch& batch, QPainter& p, QPointF at, const QString& text,
                                      const QFont& font, const QColor& color)
{
    const TextKey key = textKey(text, font);
    return textInto(batch, p, at.x() - 5.0, at.y(), key, laidOut(key, font), font, color);
}

bool SVSignalStrengthView::textInto(sv::raster::LineBatch& batch, QPainter& p, double left, double y,
                                    const TextKey& key, const LaidOutText& laid, const QFont& font,
                                    const QColor& color)
{
    // centerText draws in device pixels: without a view transform or a
    // scaled device they are the image's.
    if (!batch.isValid() || p.viewTransformEnabled() || p.device()->devicePixelRatio() != 1.0)
        return false;
    const QSizeF size = laid.size;
    const QPointF topLeft(left, textTop(y - font.pixelSize(), laid));
    // Rendered once per position within a pixel: the glyphs then fall on
    // the image's grid as they would on the chart's.
    // The painter cuts positions to 64ths, as done here.
    const auto x64 = qint64(topLeft.x() * 64), y64 = qint64(topLeft.y() * 64);
    const QPoint cell(int(x64 >> 6), int(y64 >> 6));
    const int dx = int(x64 & 63), dy = int(y64 & 63);
    const TextImageKey imageKey{key, color.rgba(), dx, dy};
    auto it = m_textImages.find(imageKey);
    if (it == m_textImages.end()) {
        if (m_textImages.size() >= 4096)
            m_textImages.clear();
        // Room for italic overhang and the shadow below, cut back to the
        // inked pixels afterwards: the batch reads every pixel it is given.
        constexpr int pad = 6;
        QImage image(int(std::ceil(size.width())) + 2 * pad + 1, int(std::ceil(size.height())) + 2 * pad + 2,
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter ip(&image);
        ip.setRenderHint(QPainter::TextAntialiasing, true);
        ip.setFont(font);
        const QPointF origin(pad + dx / 64.0, pad + dy / 64.0);
        ip.setPen(QColor(0, 0, 0, color.alpha()));
        ip.drawStaticText(origin + QPointF(0, 1), laid.text);
        ip.setPen(color);
        ip.drawStaticText(origin, laid.text);
        ip.end();
        const QRect inked = inkedRect(image);
        TextImage kept;
        if (!inked.isEmpty())
            kept = {inked.size() == image.size() ? image : image.copy(inked), inked.topLeft() - QPoint(pad, pad)};
        it = m_textImages.insert(imageKey, kept);
    }
    batch.addImage(it->image, cell + it->offset);
    return true;
}

QString SVSignalStrengthView::elided(const QString& text, const QFont& font, double width) const
{
    if (sizeOfText(text, font).width() <= width)
        return text;
    return QFontMetricsF(font).elidedText(text, Qt::ElideRight, std::max(0.0, width));
}

void SVSignalStrengthView::textAt(QPainter& p, QPointF at, const QString& text, const QFont& font,
                                  const QColor& color)
{
    const QSizeF size = sizeOfText(text, font);
    centerText(p, QPointF(at.x() - 5.0 + size.width() / 2, at.y()), text, font, color);
}

size_t qHash(const SVSignalStrengthView::TextKey& k, size_t seed)
{
    return qHashMulti(seed, k.text, k.family, k.pixelSize, k.bold, k.italic);
}

size_t qHash(const SVSignalStrengthView::TextImageKey& k, size_t seed)
{
    return qHashMulti(seed, k.text, k.color, k.dx, k.dy);
}

void SVSignalStrengthView::drawChart(QPainter& p, const QRectF& G, int marks, Value value, int skip)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(G, SVThemeHelper::backgroundColorForChart());
    QPen grid(white(0.2), 1.0);
    grid.setDashPattern({1.0, 1.0});
    p.setPen(grid);
    for (double y : gridLines(G, marks, m_topMargin))
        p.drawLine(QPointF(G.x(), y), QPointF(G.right(), y));
    p.setPen(QPen(white(0.3), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(G);
    drawYAxisMarks(p, G, marks, value, skip);
    p.restore();
}

void SVSignalStrengthView::drawYAxisMarks(QPainter& p, const QRectF& G, int marks, Value value, int skip)
{
    const Scale s = scale();
    const QFont font = graphFont(Face::Plain, std::clamp(12 * s.sx * s.sy, 10.0, 12.0));
    for (const LevelMark& m : levelMarks(G, marks, value, m_units, skip, m_topMargin)) {
        if (m_drawLeftYLabels)
            centerText(p, QPointF(m.leftX, m.y), m.text, font, markColor(m.color));
        if (m_drawRightYLabels)
            centerText(p, QPointF(m.rightX, m.y), m.text, font, markColor(m.color));
    }
}

void SVSignalStrengthView::drawXAxisMarks(QPainter& p, const QRectF& G, double x0, double y0, double fontSize)
{
    const TimeAxis axis = timeAxis(G, m_timescale, referenceSeconds());
    const QFont font = graphFont(Face::Plain, fontSize);
    if (m_referenceTime.isValid() && m_referenceTime.secsTo(m_now()) <= 30)
        centerText(p, QPointF(x0 + G.width(), y0), tr("Now"), font, white(1.0));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 1.0));
    for (const TimeMark& m : axis.marks) {
        const QDateTime t = QDateTime::fromSecsSinceEpoch(m.time, Qt::UTC);
        centerText(p, QPointF(m.x, y0), sv::timeStringWithFormat(t, axis.format), font, white(1.0));
        if (m.tick)
            p.drawLine(QPointF(m.x, G.y() - 5), QPointF(m.x, G.y()));
    }
    p.restore();
}

LineInput SVSignalStrengthView::lineInput(const QRectF& G, Value value) const
{
    LineInput in;
    in.G = G;
    in.value = value;
    in.units = m_units;
    in.topMargin = m_topMargin;
    in.timescale = double(m_timescale);
    in.referenceTime = referenceSeconds();
    return in;
}

std::vector<LineSegment> SVSignalStrengthView::segmentsFor(const SVNetwork& n, const LineInput& in)
{
    std::vector<LineSegment> segments;
    n.visitDataPoints([&](const SVDataPointBuffer& samples) { segments = lineSegments(samples, in); });
    return segments;
}

void SVSignalStrengthView::drawLine(QPainter& p, const QRectF& G, const SVNetwork& n, Value value, const QPen& pen,
                                    const QColor& fill, sv::raster::LineBatch* hairlines)
{
    drawSegments(p, G, segmentsFor(n, lineInput(G, value)), pen, fill, hairlines);
}

void SVSignalStrengthView::drawSegments(QPainter& p, const QRectF& G, const std::vector<LineSegment>& segments,
                                        const QPen& pen, const QColor& fill, sv::raster::LineBatch* hairlines)
{
    const bool filled = fill.isValid() && fill.alpha() > 0;
    const bool batched = hairlines && hairlines->isValid();
    auto painterDraws = [&] {
        if (hairlines)
            hairlines->flush(); // what the painter draws goes over the lines before it
    };
    for (const LineSegment& s : segments) {
        if (filled) {
            // An opaque line over the area hides its jagged top: columns do.
            if (batched && pen.style() != Qt::NoPen && pen.color().alpha() == 255 && !s.stub) {
                hairlines->addArea(s.points, fill, G.y());
            } else {
                painterDraws();
                p.setPen(Qt::NoPen);
                p.setBrush(fill);
                p.drawPolygon(segmentAreaPolygon(s, G.y()));
            }
        }
        if (pen.style() == Qt::NoPen)
            continue;
        // Solid lines of any width cost the raster engine's stroker dearly,
        // a wide one most: the batch draws them.
        if (batched && isSolid(pen)) {
            hairlines->add(s.points, pen.color(), pen.widthF());
            continue;
        }
        // A dashed line: the painter's own stroke, on a free thread while the batch goes on.
        if (batched) {
            hairlines->addStroke(s.points, pen);
            continue;
        }
        painterDraws();
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(s.points.data(), int(s.points.size()));
    }
}

void SVSignalStrengthView::drawBubble(QPainter& p, const QRectF& G, const QString& text, const QString& mark,
                                      double x, double y, const QColor& color)
{
    const Scale s = scale();
    const double cx = std::min(1.2, s.sx), cy = std::min(1.2, s.sy);
    const double fb = std::max(9.0, 10 * cx * cy);
    const QFont font = graphFont(Face::Plain, fb);
    const QSizeF size = sizeOfText(text, font);
    const BubbleGeometry b = bubble(G, x, y, size.width(), size.height(), s);

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(withAlpha(color, 0.5), 1.0));
    p.drawLine(QPointF(x, G.y()), QPointF(x, G.y() + G.height() + 5.0));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, 0.3f));
    p.drawPath(b.shape.translated(3, -3));
    p.setBrush(QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.7f));
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.5f), 1.0));
    p.drawPath(b.shape);
    const double dot = 6 * cy;
    p.setBrush(color);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.5f), 0.5));
    p.drawEllipse(QPointF(x, y), dot / 2, dot / 2);
    p.restore();
    centerText(p, b.textCentre, text, font, Qt::white);
    centerText(p, QPointF(x, G.y() + G.height() + 9.0), mark, graphFont(Face::Plain, std::min(fb, 12.0)), Qt::white);
}

void SVSignalStrengthView::drawStaticParts(QPainter& p, const QRectF& R)
{
    p.fillRect(R, SVThemeHelper::backgroundColorForChartView());
    const QRectF G = rectForChart(R);
    if (G.width() <= 0 || G.height() <= 0)
        return;
    drawChart(p, G, m_units == 0 ? 10 : 9, Value::Signal, 1);
    p.fillRect(QRectF(G.x() + G.width() + 2.0, G.y(), width() - G.width() - 60.0, G.height()),
               SVThemeHelper::backgroundColorForChart());
}

void SVSignalStrengthView::drawStatic(QPainter& p, const QRectF& R, const QString& key,
                                      const std::function<void(QPainter&)>& draw)
{
    const Scale s = scale();
    const QString fullKey = QStringLiteral("%1 %2 %3 %4 ").arg(s.sx).arg(s.sy).arg(R.width()).arg(R.height()) + key;
    const QImage* target =
        p.device() && p.device()->devType() == QInternal::Image ? static_cast<QImage*>(p.device()) : nullptr;
    if (!target || target->format() != QImage::Format_ARGB32_Premultiplied) {
        draw(p);
        return;
    }
    if (m_staticKey != fullKey || m_static.size() != target->size()
        || m_static.devicePixelRatio() != target->devicePixelRatio()) {
        m_static = QImage(target->size(), QImage::Format_ARGB32_Premultiplied);
        m_static.setDevicePixelRatio(target->devicePixelRatio());
        m_static.fill(Qt::transparent);
        QPainter sp(&m_static);
        sp.setTransform(p.transform());
        draw(sp);
        m_staticKey = fullKey;
    }
    p.save();
    p.resetTransform();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPointF(0, 0), m_static);
    p.restore();
}

void SVSignalStrengthView::drawCached(QPainter& p, const QRectF& R)
{
    const Scale s = scale();
    const QRectF G = rectForChart(R);
    const bool chart = G.width() > 0 && G.height() > 0;
    // Walking the samples is the larger part of a line's cost off the
    // pixels, and each record's walk stands alone: done on the free threads
    // while this one draws the rest.
    const LineInput in = lineInput(G, Value::Signal);
    std::vector<std::vector<LineSegment>> lines(std::size_t(m_networks.size()));
    sv::ParallelFor walks(chart && m_referenceTime.isValid() ? lines.size() : 0, [&](std::size_t i) {
        if (!m_networks[qsizetype(i)]->userHidden())
            lines[i] = segmentsFor(*m_networks[qsizetype(i)], in);
    });
    // Background, grid and level marks change only with the size and the
    // settings: drawn once, then copied in on every data tick.
    drawStatic(p, R, QStringLiteral("%1 %2 %3 %4").arg(m_units).arg(m_topMargin).arg(m_drawLeftYLabels).arg(m_drawRightYLabels),
               [&](QPainter& sp) { drawStaticParts(sp, R); });
    if (!chart)
        return;

    const double f = std::clamp(10 * s.sx * s.sy, 9.0, 13.0);
    const double e = s.sx * 4.5;
    if (!m_networks.isEmpty())
        drawXAxisMarks(p, G, float(G.x() + 0.5), float(G.y() - 18.0), float(f));

    const bool emphasis = m_itemHighlightEnabled;
    const QRectF lineClip(G.x(), G.y() - 1.0, G.width(), G.height() + 2.0);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    // The legend's names, hundreds in a crowded graph, are laid in from
    // images rendered once, and blended with the lines in one pass on the
    // free threads.
    sv::raster::LineBatch hairlines(p, lineClip, m_hairlineStorage);
    const QFont nameFonts[] = {graphFont(Face::Plain, f + 2.5), graphFont(Face::Bold, f + 2.5)};
    // Names at about the same level would overprint: they move apart or,
    // the weaker ones, give way; each is cut to end inside the view.
    // A highlighted record's device name, when shown, is a line of its own
    // below its name.
    struct Named {
        const SVNetwork* n;
        bool device;
    };
    std::vector<Named> named;
    std::vector<LegendEntry> wanted;
    const bool deviceNames = m_displayDeviceName;
    for (const auto& n : m_networks) {
        if (n->userHidden())
            continue;
        if (const auto last = n->lastDataPoint()) {
            const double y = makePoint(G, *last, Value::Signal).y();
            named.push_back({n.get(), false});
            wanted.push_back({y, highlightedOrGroup(*n)});
            if (deviceNames && n->userHighlighted() && n->hasDeviceName()) {
                named.push_back({n.get(), true});
                wanted.push_back({y - (f + 3.0), true});
            }
        }
    }
    const double lineHeight = QFontMetricsF(nameFonts[1]).height();
    const auto places = placeLegend(wanted, lineHeight, G.y(), G.y() + G.height());
    const double nameLeft = G.x() + G.width() + e - 5.0;
    for (std::size_t i = 0; i < named.size(); ++i) {
        if (!places[i])
            continue;
        const SVNetwork& n = *named[i].n;
        double alpha = highlightedOrGroup(n) ? 1.0 : emphasis ? 0.2 : 0.8;
        QFont font = nameFonts[n.associated() ? 1 : 0];
        QString text = n.isHidden() ? n.deviceid() : n.ssid();
        if (named[i].device) {
            font = graphFont(n.associated() ? Face::Bold : Face::Plain, std::min(1.1, s.sy) * f);
            text = n.deviceName();
            alpha *= 0.8;
        }
        text = elided(text, font, width() - nameLeft - 2.0);
        const QColor color = withAlpha(n.color(), alpha);
        const QPointF at(G.x() + G.width() + e, *places[i] - e);
        if (!textAtInto(hairlines, p, at, text, font, color)) {
            hairlines.flush();
            textAt(p, at, text, font, color);
        }
    }

    if (!m_referenceTime.isValid()) {
        hairlines.flush();
        p.restore();
        return;
    }
    p.setClipRect(lineClip);
    walks.wait();
    for (qsizetype i = 0; i < m_networks.size(); ++i) {
        const auto& n = m_networks[i];
        if (n->userHidden())
            continue;
        const double lineWidth = n->associated() ? std::min(3.0, 4 * s.sx) : 2.0;
        QPen pen(n->color(), lineWidth);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::BevelJoin);
        if (n->isAdHoc())
            pen.setDashPattern({5.0 / pen.widthF(), 3.0 / pen.widthF()});
        QColor fill;
        if (!emphasis) {
            pen.setColor(withAlpha(n->color(), 0.8));
        } else {
            pen.setColor(withAlpha(n->color(), highlightedOrGroup(*n) ? 1.0 : 0.15));
            if (n->userHighlighted())
                fill = withAlpha(n->color(), 0.6);
        }
        drawSegments(p, G, lines[std::size_t(i)], pen, fill, &hairlines);
    }
    hairlines.flush();
    p.restore();
}

void SVSignalStrengthView::drawOverlay(QPainter& p, const QRectF& R)
{
    const QRectF G = rectForChart(R);
    if (G.width() <= 0 || G.height() <= 0)
        return;
    const Scale s = scale();
    const double f = std::clamp(10 * s.sx * s.sy, 9.0, 13.0);
    const double e = s.sx * 4.5;
    if (!m_moDataPoint) {
        std::lock_guard g(m_lock);
        if (m_highlightedNetworks.size() == 1) {
            const auto& n = m_highlightedNetworks.front();
            centerText(p, QPointF(G.x() + G.width(), G.y() + G.height() + 9.0), n->bssid(),
                       graphFont(Face::Plain, f + 1.0), Qt::white,
                       QRectF(G.x(), G.y(), G.width(), G.height() + 20.0));
            const QString note = m_displayAnnotations ? n->annotations() : QString();
            if (!note.isEmpty())
                textAt(p, QPointF(G.x() + G.width() + e, G.y() + G.height() + 9.0), note,
                       graphFont(Face::Italic, f + 1.0), white(0.5));
        }
        return;
    }
    if (!m_referenceTime.isValid())
        return;
    const SVDataPoint& d = *m_moDataPoint;
    const QPointF q = makePoint(G, d, Value::Signal);
    QString text;
    if (m_units == 0)
        text = QStringLiteral("%1%").arg(sv::signalQualityPercent(d.rssiValue()));
    else if (d.hasData())
        text = QStringLiteral("%1 dBm").arg(d.rssiValue());
    else
        text = tr("No Data");
    drawBubble(p, G, text, sv::timeStringWithFormat(d.timestamp(), QStringLiteral("HH:mm:ss")), q.x(), q.y(),
               m_moDataPointColor);
}

void SVSignalStrengthView::paintEvent(QPaintEvent*)
{
    const QRectF R(0, 0, width(), height());
    m_topMargin = std::trunc(0.1 * R.height());
    const qreal dpr = devicePixelRatioF();
    const QSize pixels(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)));
    if (!m_cacheValid || m_cache.size() != pixels || m_cache.devicePixelRatio() != dpr) {
        // The same image is drawn over again: a fresh one costs page faults.
        // Every graph covers its whole rectangle with its background first,
        // so only a fresh image is cleared (for what a fractional scale
        // leaves at its edge).
        if (m_cache.size() != pixels || !m_cache.isDetached()) {
            m_cache = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            m_cache.fill(Qt::transparent);
        }
        m_cache.setDevicePixelRatio(dpr);
        QPainter cp(&m_cache);
        beginYUp(cp);
        drawCached(cp, R);
        m_cacheValid = true;
        m_keptKey.clear();
    }
    const QImage* image = &m_cache;
    if (const QString key = keptOverlayKey(); !key.isEmpty()) {
        if (key != m_keptKey || m_kept.size() != m_cache.size()) {
            if (m_kept.size() != m_cache.size() || !m_kept.isDetached())
                m_kept = QImage(m_cache.size(), m_cache.format());
            std::memcpy(m_kept.bits(), m_cache.constBits(), std::size_t(m_cache.sizeInBytes()));
            m_kept.setDevicePixelRatio(dpr);
            QPainter kp(&m_kept);
            beginYUp(kp);
            drawKeptOverlay(kp, R);
            m_keptKey = key;
        }
        image = &m_kept;
    }
    QPainter p(this);
    p.drawImage(0, 0, *image);
    beginYUp(p);
    drawOverlay(p, R);
}

void SVSignalStrengthView::drawKeptOverlay(QPainter&, const QRectF&) {}

void SVSignalStrengthView::resizeEvent(QResizeEvent* event)
{
    invalidateCache();
    QWidget::resizeEvent(event);
}

void SVSignalStrengthView::pointerMoved(QPointF p)
{
    std::optional<SVDataPoint> best;
    std::weak_ptr<SVNetwork> bestNetwork;
    QColor color;
    {
        std::lock_guard g(m_lock);
        const QRectF G = rectForChart(QRectF(0, 0, width(), height()));
        if (!m_highlightedNetworks.isEmpty() && G.contains(p) && m_referenceTime.isValid() && m_timescale > 0) {
            const bool followTime = m_highlightedNetworks.size() == 1 && m_moDataPointActivated;
            const double perSecond = G.width() / double(m_timescale);
            const double ref = referenceSeconds();
            // Only samples within 50 points sideways can be picked.
            const double newest = ref - (G.right() - p.x() - 50) / perSecond;
            const double oldest = ref - (G.right() - p.x() + 50) / perSecond;
            const Value value = hoverValue();
            double bestD = -1;
            for (const auto& h : m_highlightedNetworks) {
                h->visitDataPoints([&](const SVDataPointBuffer& samples) {
                    const std::size_t first = firstVisibleSample(samples, oldest);
                    for (std::size_t i = samples.size(); i-- > first;) {
                        const SVDataPoint& d = samples.at(i);
                        if (d.secondsSinceReferenceDate() > newest)
                            continue;
                        const QPointF q = makePoint(G, d, value);
                        const double dy = followTime ? 0.0 : q.y() - p.y();
                        const double dx = q.x() - p.x();
                        const double dist = std::sqrt(dx * dx + dy * dy);
                        if (dist < 50 && (bestD < 0 || dist < bestD)) {
                            bestD = dist;
                            best = d;
                            bestNetwork = h;
                            color = h->color();
                        }
                    }
                });
            }
        }
    }
    if (!best) {
        if (m_moDataPoint) {
            m_moDataPoint.reset();
            m_moNetwork.reset();
            update();
        }
        return;
    }
    const bool same = m_moDataPoint && m_moDataPoint->secondsSinceReferenceDate() == best->secondsSinceReferenceDate()
                      && m_moNetwork.lock() == bestNetwork.lock();
    if (!same) {
        m_moDataPoint = best;
        m_moNetwork = bestNetwork;
        m_moDataPointColor = color;
        m_moDataPointActivated = true;
        update();
    }
}

void SVSignalStrengthView::pointerLeft()
{
    m_moDataPoint.reset();
    m_moNetwork.reset();
    m_moDataPointActivated = false;
    update();
}

void SVSignalStrengthView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_pressed && !m_dragInProgress && (event->buttons() & Qt::LeftButton)
        && (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        startDrag(pos);
        return;
    }
    pointerMoved(QPointF(pos.x(), height() - pos.y()));
}

void SVSignalStrengthView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressPos = event->position().toPoint();
    }
    QWidget::mousePressEvent(event);
}

void SVSignalStrengthView::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressed = false;
    m_dragInProgress = false;
    QWidget::mouseReleaseEvent(event);
}

void SVSignalStrengthView::leaveEvent(QEvent* event)
{
    pointerLeft();
    QWidget::leaveEvent(event);
}

bool SVSignalStrengthView::event(QEvent* event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            // Spreading the fingers shortens the span.
            magnifyWithMagnification(-gesture->value());
            return true;
        }
    }
    return QWidget::event(event);
}

QImage SVSignalStrengthView::imageWithSubviews()
{
    return grab().toImage();
}

QString SVSignalStrengthView::dragFolder()
{
    static QString folder = [] {
        QTemporaryDir dir(QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                              .filePath(QStringLiteral("skyvane-XXXXXX")));
        if (!dir.isValid())
            return QString();
        dir.setAutoRemove(false); // dropped files must outlive the drag
        return dir.path();
    }();
    return folder;
}

QMimeData* SVSignalStrengthView::makeDragData(const QImage& image, QString* file) const
{
    QString path;
    const QString folder = dragFolder();
    if (!folder.isEmpty()) {
        const QString name = QStringLiteral("skyvane_%1.png")
                                 .arg(sv::timeStringWithFormat(m_now(), QStringLiteral("yyyyMMdd_HHmmss")));
        path = QDir(folder).filePath(name);
        // A file that could not be written is not offered.
        const QByteArray png = sv::pngRepresentation(image);
        if (png.isEmpty() || !sv::writeFileWhole(path, png))
            path.clear();
    }
    if (file)
        *file = path;
    return new GraphMimeData(image, path);
}

bool SVSignalStrengthView::isGraphDrag(const QMimeData* data)
{
    return data && data->hasFormat(kGraphDragFormat);
}

void SVSignalStrengthView::startDrag(QPoint at)
{
    m_dragInProgress = true;
    const QImage image = imageWithSubviews();
    auto* drag = new QDrag(this);
    drag->setMimeData(makeDragData(image));
    const QSize small = (QSizeF(image.size()) * 0.75).toSize();
    if (!small.isEmpty()) {
        drag->setPixmap(QPixmap::fromImage(image.scaled(small, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        drag->setHotSpot(QPoint(small.width() / 2, small.height() / 2));
    }
    Q_UNUSED(at);
    drag->exec(Qt::CopyAction);
    m_dragInProgress = false;
    m_pressed = false;
}
