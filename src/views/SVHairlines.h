#pragma once

#include "views/SVGraphGeometry.h"

#include <QColor>
#include <QPen>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QTransform>

#include <memory>
#include <span>
#include <vector>

class QPainter;

// Solid one-pixel antialiased lines blended straight into the image a
// painter draws on. The raster engine pays dearly for every pixel of a
// line; here the lines wait until flush() and are then blended strip by
// strip of the image, each strip staying in cache while every line crosses
// it, the strips side by side on the free threads. Each pixel sees the
// lines in the order they were added, as the painter would draw them.
class SVHairlineBatch {
public:
    // A line's column as the tiles blend it: device rows first to last,
    // their coverage already scaled to 0..255, so tiles do integer work only.
    // Small, as tiles read some megabytes of them on every repaint; rows
    // beyond the box are pulled in to just outside it.
    struct InkSpan {
        qint16 first, last;
        quint8 column; // within its strip
        quint8 firstCover; // all of it when first == last
        quint8 lastCover;
        quint8 innerCover;
    };

    // What a line has within one strip of columns: the rows its spans touch
    // and where those spans lie, in its slots or in its own list.
    struct StripReach {
        qint16 firstRow, lastRow;
        quint32 begin, end;
    };

    enum class Kind : quint8 { Line, Area, Image };

    // Buffers kept between batches for their capacity.
    struct Storage {
        std::vector<std::vector<QPointF>> points;
        std::vector<std::vector<sv::graph::ColumnSpan>> spans; // an area's
        // A line's spans when it turns back over a column (more than one
        // span there), strip after strip.
        std::vector<std::vector<InkSpan>> inks;
        std::vector<char> ownInks;
        std::vector<quint32> colors;
        std::vector<double> widths; // device pixels
        std::vector<double> floors; // device row of an area's floor, NaN for a line
        std::vector<char> toTop;
        std::vector<QImage> images; // null for a line or an area
        std::vector<QPoint> origins; // device pixel of an image's top left
        std::vector<Kind> kinds;
        std::vector<qint32> ordinals; // a line's place among the lines
        // The device rows and columns an item may touch.
        std::vector<int> firstRows, lastRows, firstColumns, lastColumns;
        // Strip by strip, each line's reach side by side, and its slots for
        // one span per column of the strip side by side.
        std::vector<StripReach> reaches;
        std::vector<InkSpan> spanSlots;
    };

    // A batch for p's image, clipped to clip (p's coordinates). Not usable
    // (isValid() false) on other devices, rotating transforms, other
    // composition modes, without antialiasing or on images too large for
    // 16-bit pixel positions.
    SVHairlineBatch(QPainter& p, const QRectF& clip, Storage& storage);
    ~SVHairlineBatch() { flush(); }
    SVHairlineBatch(const SVHairlineBatch&) = delete;
    SVHairlineBatch& operator=(const SVHairlineBatch&) = delete;

    bool isValid() const { return m_image != nullptr; }
    // A polyline in p's coordinates whose x runs one way. A width above one
    // pixel widens each column's band up and down only: for lines with a
    // point or more per pixel column, which is all a wide pen then shows.
    void add(std::span<const QPointF> points, const QColor& color, double width = 1.0);
    // The area under such a polyline down to floorY (p's coordinates),
    // filled column by column. Up to the middle of what the line covers in
    // each column, unsmoothed, for an opaque line drawn over it afterwards;
    // with toTop up to the line's highest point there, its top pixel
    // smoothed, for a shape whose outline is stroked over it.
    void addArea(std::span<const QPointF> points, const QColor& color, double floorY, bool toTop = false);
    // A premultiplied image (text, say) laid over what came before it, its
    // top left at device pixel at; not clipped to the batch's clip.
    void addImage(const QImage& image, QPoint at);
    // A polyline the painter itself strokes with pen, clipped as the batch
    // is, drawn on a free thread into a layer laid over what came before it.
    void addStroke(std::span<const QPointF> points, const QPen& pen);
    // Blends what was added; anything the painter draws later lies on top.
    void flush();

private:
    QImage* m_image = nullptr;
    QTransform m_toDevice;
    QRect m_box; // device pixels
    QRectF m_clip; // the painter's coordinates
    Storage& m_storage;
    std::size_t m_count = 0;
    struct Stroke;
    std::vector<std::shared_ptr<Stroke>> m_strokes; // layers still being drawn

    void finishStrokes();

    std::size_t append(std::span<const QPointF> points, const QColor& color);
};
