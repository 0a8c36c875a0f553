#pragma once

#include "views/SVGraphGeometry.h"

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QTransform>

#include <span>
#include <vector>

class QImage;
class QPainter;

// Solid one-pixel antialiased lines blended straight into the image a
// painter draws on. The raster engine pays dearly for every pixel of a
// line; here the lines wait until flush() and are then blended strip by
// strip of the image, each strip staying in cache while every line crosses
// it, the strips side by side on the free threads. Each pixel sees the
// lines in the order they were added, as the painter would draw them.
class SVHairlineBatch {
public:
    // Buffers kept between batches for their capacity.
    struct Storage {
        std::vector<std::vector<QPointF>> points;
        std::vector<std::vector<sv::graph::ColumnSpan>> spans;
        std::vector<quint32> colors;
        std::vector<double> widths; // device pixels
        std::vector<double> floors; // device row of an area's floor, NaN for a line
        std::vector<char> toTop;
    };

    // A batch for p's image, clipped to clip (p's coordinates). Not usable
    // (isValid() false) on other devices, rotating transforms, other
    // composition modes or without antialiasing.
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
    // Blends what was added; anything the painter draws later lies on top.
    void flush();

private:
    QImage* m_image = nullptr;
    QTransform m_toDevice;
    QRect m_box; // device pixels
    Storage& m_storage;
    std::size_t m_count = 0;

    std::size_t append(std::span<const QPointF> points, const QColor& color);
};
