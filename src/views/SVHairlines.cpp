#include "views/SVHairlines.h"

#include "views/SVParallel.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

using namespace sv::graph;

namespace {

// x * a / 255 on each byte of a premultiplied pixel, rounded.
inline quint32 byteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = x + ((x >> 8) & 0xff00ff) + 0x800080;
    x &= 0xff00ff00;
    return x | t;
}

// One cache line wide: a strip of a full-height chart stays in the
// first-level cache while every line crosses it.
constexpr int kStrip = 16;

bool byColumn(const ColumnSpan& a, const ColumnSpan& b)
{
    return a.column < b.column;
}

} // namespace

SVHairlineBatch::SVHairlineBatch(QPainter& p, const QRectF& clip, Storage& storage) : m_storage(storage)
{
    QPaintDevice* device = p.device();
    if (!device || device->devType() != QInternal::Image || p.compositionMode() != QPainter::CompositionMode_SourceOver
        || p.opacity() != 1.0 || !p.testRenderHint(QPainter::Antialiasing))
        return;
    auto* image = static_cast<QImage*>(device);
    m_toDevice = p.combinedTransform();
    if (image->format() != QImage::Format_ARGB32_Premultiplied || m_toDevice.type() > QTransform::TxScale)
        return;
    const QRectF box = m_toDevice.mapRect(clip).intersected(QRectF(0, 0, image->width(), image->height()));
    if (!box.isEmpty())
        m_box = QRect(QPoint(int(std::floor(box.left())), int(std::floor(box.top()))),
                      QPoint(int(std::ceil(box.right())) - 1, int(std::ceil(box.bottom())) - 1));
    m_image = image;
}

std::size_t SVHairlineBatch::append(std::span<const QPointF> points, const QColor& color)
{
    if (m_storage.points.size() <= m_count) {
        m_storage.points.resize(m_count + 1);
        m_storage.spans.resize(m_count + 1);
        m_storage.colors.resize(m_count + 1);
        m_storage.widths.resize(m_count + 1);
        m_storage.floors.resize(m_count + 1);
        m_storage.toTop.resize(m_count + 1);
    }
    auto& mapped = m_storage.points[m_count];
    mapped.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        mapped[i] = m_toDevice.map(points[i]);
    m_storage.colors[m_count] = qPremultiply(color.rgba());
    m_storage.widths[m_count] = 1.0;
    m_storage.floors[m_count] = std::numeric_limits<double>::quiet_NaN();
    return m_count++;
}

void SVHairlineBatch::add(std::span<const QPointF> points, const QColor& color, double width)
{
    if (!m_image || m_box.isEmpty() || points.empty())
        return;
    const std::size_t i = append(points, color);
    m_storage.widths[i] = std::max(1.0, width * std::abs(m_toDevice.m22()));
}

void SVHairlineBatch::addArea(std::span<const QPointF> points, const QColor& color, double floorY, bool toTop)
{
    if (!m_image || m_box.isEmpty() || points.empty())
        return;
    const std::size_t i = append(points, color);
    m_storage.floors[i] = m_toDevice.map(QPointF(0, floorY)).y();
    m_storage.toTop[i] = toTop;
}

void SVHairlineBatch::flush()
{
    if (!m_image || m_count == 0) {
        m_count = 0;
        return;
    }
    const std::size_t lines = m_count;
    m_count = 0;
    Storage& st = m_storage;
    // A few lines are not worth waking threads for.
    auto forEach = [&](std::size_t count, const std::function<void(std::size_t)>& body) {
        if (lines < 8) {
            for (std::size_t i = 0; i < count; ++i)
                body(i);
        } else {
            sv::parallelFor(count, body);
        }
    };
    const int firstColumn = m_box.left(), lastColumn = m_box.right();
    forEach(lines, [&](std::size_t i) {
        // A local vector: the headers of neighbouring lines share a cache line.
        std::vector<ColumnSpan> spans;
        spans.swap(st.spans[i]);
        spans.clear();
        if (st.widths[i] > 1.0 && std::isnan(st.floors[i]))
            appendWideColumnSpans(st.points[i], st.widths[i], firstColumn, lastColumn, spans);
        else
            appendColumnSpans(st.points[i], firstColumn, lastColumn, spans);
        // Left to right, so each strip finds where its part begins.
        if (!spans.empty() && spans.front().column > spans.back().column)
            std::reverse(spans.begin(), spans.end());
        if (!std::is_sorted(spans.begin(), spans.end(), byColumn))
            std::stable_sort(spans.begin(), spans.end(), byColumn);
        spans.swap(st.spans[i]);
    });

    // The painter is active on the image, which it has already detached:
    // bits() must not detach again under it.
    uchar* bits = const_cast<uchar*>(m_image->constBits());
    const qsizetype stride = m_image->bytesPerLine();
    const int r0 = m_box.top(), r1 = m_box.bottom();
    const std::size_t strips = std::size_t((lastColumn - firstColumn) / kStrip + 1);
    forEach(strips, [&](std::size_t strip) {
        const int from = firstColumn + int(strip) * kStrip, to = from + kStrip;
        for (std::size_t i = 0; i < lines; ++i) {
            const auto& spans = st.spans[i];
            const quint32 src = st.colors[i];
            const quint32 keep = 255 - qAlpha(src);
            const double width = st.widths[i], half = width / 2;
            if (spans.empty() || spans.back().column < from || spans.front().column >= to)
                continue;
            // Most lines have a span in every column they cross: look there first.
            auto k = spans.begin() + std::clamp<std::ptrdiff_t>(from - spans.front().column, 0, std::ptrdiff_t(spans.size()) - 1);
            if (k->column != from || (k != spans.begin() && std::prev(k)->column >= from))
                k = std::lower_bound(spans.begin(), spans.end(), ColumnSpan{from, 0, 0}, byColumn);
            if (const double floorY = st.floors[i]; !std::isnan(floorY)) {
                const bool toTop = st.toTop[i];
                for (; k != spans.end() && k->column < to; ++k) {
                    uchar* column = bits + qsizetype(k->column) * 4;
                    // Rows whose centre lies between the line and the floor.
                    const double line = toTop ? std::min(k->lo, k->hi) : (k->lo + k->hi) / 2;
                    const double upper = std::min(line, floorY), lower = std::max(line, floorY);
                    int top = std::max(r0, int(std::lround(upper)));
                    const int bottom = std::min(r1, int(std::lround(lower)) - 1);
                    if (toTop && upper >= r0 && upper <= r1) {
                        // The part of the top pixel below the line.
                        const int row = int(std::floor(upper));
                        const double cover = std::min(lower, row + 1.0) - upper;
                        if (const auto c = quint32(cover * 255.0 + 0.5); c > 0) {
                            auto* px = reinterpret_cast<quint32*>(column + row * stride);
                            const quint32 s = c >= 255 ? src : byteMul(src, c);
                            *px = s + byteMul(*px, 255 - qAlpha(s));
                        }
                        top = std::max(top, row + 1);
                    }
                    for (int row = top; row <= bottom; ++row) {
                        auto* px = reinterpret_cast<quint32*>(column + row * stride);
                        *px = src + byteMul(*px, keep);
                    }
                }
                continue;
            }
            for (; k != spans.end() && k->column < to; ++k) {
                const ColumnSpan& span = *k;
                const double upper = span.lo - half, lower = span.hi + half;
                const int first = floorToInt(upper), last = floorToInt(lower);
                const double ink = hairlineInk(span, width);
                uchar* column = bits + qsizetype(span.column) * 4;
                auto blendAt = [&](int row, double cover) {
                    if (row < r0 || row > r1)
                        return;
                    const auto c = quint32(cover * ink * 255.0 + 0.5);
                    if (c == 0)
                        return;
                    auto* px = reinterpret_cast<quint32*>(column + row * stride);
                    const quint32 s = c >= 255 ? src : byteMul(src, c);
                    *px = s + byteMul(*px, 255 - qAlpha(s));
                };
                if (first == last) {
                    blendAt(first, lower - upper);
                    continue;
                }
                blendAt(first, first + 1 - upper);
                blendAt(last, lower - last);
                const auto c = quint32(ink * 255.0 + 0.5);
                const quint32 inner = c >= 255 ? src : byteMul(src, c);
                const quint32 innerKeep = 255 - qAlpha(inner);
                const int top = std::max(r0, first + 1), bottom = std::min(r1, last - 1);
                uchar* at = column + qsizetype(top) * stride;
                for (int row = top; row <= bottom; ++row, at += stride) {
                    auto* px = reinterpret_cast<quint32*>(at);
                    *px = inner + byteMul(*px, innerKeep);
                }
            }
        }
    });
}
