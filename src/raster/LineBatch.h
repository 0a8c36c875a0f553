#pragma once

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

namespace sv::raster {

// Solid antialiased lines, areas and images blended straight into the
// image a painter draws on. The raster engine pays dearly for every pixel
// of a line; here the lines wait until flush() and are then blended strip
// by strip of the image, each strip staying in cache while every line
// crosses it, the strips side by side on the free threads. Each pixel sees
// the lines in the order they were added, as the painter would draw them.
class LineBatch {
public:
    // Buffers kept from batch to batch for their capacity; only the batch
    // looks inside.
    class Storage {
    public:
        Storage();
        ~Storage();
        Storage(const Storage&) = delete;
        Storage& operator=(const Storage&) = delete;

    private:
        friend class LineBatch;
        struct Data;
        std::unique_ptr<Data> d;
    };

    // A batch for p's image, clipped to clip (p's coordinates). Not usable
    // (isValid() false) on other devices, rotating transforms, other
    // composition modes, without antialiasing or on images too large for
    // 16-bit pixel positions.
    LineBatch(QPainter& p, const QRectF& clip, Storage& storage);
    ~LineBatch() { flush(); }
    LineBatch(const LineBatch&) = delete;
    LineBatch& operator=(const LineBatch&) = delete;

    bool isValid() const { return m_image != nullptr; }
    // A polyline in p's coordinates whose x runs one way, drawn as a pen of
    // the given width with round ends and joins. Over a point or more per
    // pixel column a wide line is the band of its points' spread widened,
    // which is all a wide pen then shows.
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
    Storage::Data& m_storage;
    std::size_t m_count = 0;
    struct Stroke;
    std::vector<std::shared_ptr<Stroke>> m_strokes; // layers still being drawn

    void finishStrokes();
    // The steps of flush(): lay out the strips, prepare each item, blend tile by tile.
    struct Layout;
    bool lay(Layout& layout);
    void prepare(const Layout& layout, std::size_t i);
    void blendTile(const Layout& layout, std::size_t tile);

    std::size_t append(std::span<const QPointF> points, const QColor& color);
};

} // namespace sv::raster
