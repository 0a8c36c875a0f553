#include "views/SVHairlines.h"

#include "views/SVParallel.h"

#include <QImage>
#include <QPainter>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <future>
#include <iterator>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
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

// A tile is one cache line wide and kBand rows tall: it stays in the
// first-level cache while every line crosses it, and tiles are small enough
// to share out evenly among the threads.
constexpr int kStrip = 16;
constexpr int kBand = 64;

// The rows an area covers in each column of a tile.
struct RowRange {
    alignas(16) qint32 top[kStrip];
    alignas(16) qint32 bottom[kStrip];
    int first = std::numeric_limits<int>::max(), last = std::numeric_limits<int>::min();
    RowRange()
    {
        std::fill(std::begin(top), std::end(top), std::numeric_limits<qint32>::max());
        std::fill(std::begin(bottom), std::end(bottom), std::numeric_limits<qint32>::min());
    }
    void set(int column, int from, int to)
    {
        if (from > to)
            return;
        top[column] = from;
        bottom[column] = to;
        first = std::min(first, from);
        last = std::max(last, to);
    }
};

#ifdef __SSE2__
constexpr bool kRowBlend = true;

// src + x * keep / 255 on four pixels, exactly as byteMul does it.
inline __m128i blendFour(__m128i x, __m128i src, __m128i keep)
{
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(0x80);
    auto mul = [&](__m128i v) {
        v = _mm_mullo_epi16(v, keep);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(v, _mm_srli_epi16(v, 8)), half), 8);
    };
    const __m128i lo = mul(_mm_unpacklo_epi8(x, zero)), hi = mul(_mm_unpackhi_epi8(x, zero));
    return _mm_add_epi32(_mm_packus_epi16(lo, hi), src);
}

// Blends src over the rows of each of the tile's kStrip columns that ranges
// holds, row by row: sixteen pixels of a row are one cache line.
void blendRows(uchar* tile, qsizetype stride, const RowRange& ranges, quint32 src, quint32 keep)
{
    const __m128i srcV = _mm_set1_epi32(int(src)), keepV = _mm_set1_epi16(short(keep));
    __m128i tops[kStrip / 4], bottoms[kStrip / 4];
    for (int g = 0; g < kStrip / 4; ++g) {
        tops[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(ranges.top + 4 * g));
        bottoms[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(ranges.bottom + 4 * g));
    }
    for (int row = ranges.first; row <= ranges.last; ++row) {
        auto* line = reinterpret_cast<__m128i*>(tile + qsizetype(row) * stride);
        const __m128i r = _mm_set1_epi32(row);
        for (int g = 0; g < kStrip / 4; ++g) {
            const __m128i outside = _mm_or_si128(_mm_cmpgt_epi32(tops[g], r), _mm_cmpgt_epi32(r, bottoms[g]));
            const __m128i x = _mm_loadu_si128(line + g);
            const __m128i y = blendFour(x, srcV, keepV);
            _mm_storeu_si128(line + g, _mm_or_si128(_mm_and_si128(outside, x), _mm_andnot_si128(outside, y)));
        }
    }
}
#else
constexpr bool kRowBlend = false;
void blendRows(uchar*, qsizetype, const RowRange&, quint32, quint32) {}
#endif

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
    if (image->format() != QImage::Format_ARGB32_Premultiplied || m_toDevice.type() > QTransform::TxScale
        || image->width() > std::numeric_limits<qint16>::max() - 2
        || image->height() > std::numeric_limits<qint16>::max() - 2)
        return;
    const QRectF box = m_toDevice.mapRect(clip).intersected(QRectF(0, 0, image->width(), image->height()));
    if (!box.isEmpty())
        m_box = QRect(QPoint(int(std::floor(box.left())), int(std::floor(box.top()))),
                      QPoint(int(std::ceil(box.right())) - 1, int(std::ceil(box.bottom())) - 1));
    m_clip = clip;
    m_image = image;
}

std::size_t SVHairlineBatch::append(std::span<const QPointF> points, const QColor& color)
{
    if (m_storage.points.size() <= m_count) {
        m_storage.points.resize(m_count + 1);
        m_storage.spans.resize(m_count + 1);
        m_storage.inks.resize(m_count + 1);
        m_storage.colors.resize(m_count + 1);
        m_storage.widths.resize(m_count + 1);
        m_storage.floors.resize(m_count + 1);
        m_storage.toTop.resize(m_count + 1);
        m_storage.images.resize(m_count + 1);
        m_storage.origins.resize(m_count + 1);
        m_storage.firstRows.resize(m_count + 1);
        m_storage.lastRows.resize(m_count + 1);
    }
    // Mapped to device pixels in flush(), on the free threads.
    m_storage.points[m_count].assign(points.begin(), points.end());
    m_storage.colors[m_count] = qPremultiply(color.rgba());
    m_storage.widths[m_count] = 1.0;
    m_storage.floors[m_count] = std::numeric_limits<double>::quiet_NaN();
    if (!m_storage.images[m_count].isNull())
        m_storage.images[m_count] = QImage();
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

void SVHairlineBatch::addImage(const QImage& image, QPoint at)
{
    if (!m_image || image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    const std::size_t i = append({}, Qt::transparent);
    m_storage.images[i] = image;
    m_storage.origins[i] = at;
}

// Drawn by whichever comes first: a pool thread, or flush() when none was free.
struct SVHairlineBatch::Stroke {
    std::atomic<bool> claimed{false};
    std::packaged_task<void()> draw;
    std::future<void> done;
};

void SVHairlineBatch::addStroke(std::span<const QPointF> points, const QPen& pen)
{
    if (!m_image || m_box.isEmpty() || points.empty())
        return;
    double left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    for (const QPointF& point : points) {
        left = std::min(left, point.x());
        right = std::max(right, point.x());
        top = std::min(top, point.y());
        bottom = std::max(bottom, point.y());
    }
    // Round caps and bevel joins reach half the width past the points.
    const double scale = pen.isCosmetic() ? 1.0 : std::max(std::abs(m_toDevice.m11()), std::abs(m_toDevice.m22()));
    const double margin = std::max(1.0, pen.widthF() * scale) / 2 + 2;
    const QRect box = m_toDevice.mapRect(QRectF(QPointF(left, top), QPointF(right, bottom)))
                          .adjusted(-margin, -margin, margin, margin)
                          .toAlignedRect()
                          .intersected(m_box);
    if (box.isEmpty())
        return;
    QImage layer(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return;
    // Drawn through a second image on the same pixels: the batch's copy is
    // shared, and the painter would otherwise detach from it.
    uchar* bits = layer.bits();
    const qsizetype bpl = layer.bytesPerLine();
    const std::size_t i = append({}, Qt::transparent);
    m_storage.images[i] = layer;
    m_storage.origins[i] = box.topLeft();
    const QTransform toLayer = m_toDevice * QTransform::fromTranslate(-box.left(), -box.top());
    auto stroke = std::make_shared<Stroke>();
    stroke->draw = std::packaged_task<void()>(
        [bits, bpl, size = box.size(), toLayer, clip = m_clip, pen, line = std::vector<QPointF>(points.begin(), points.end())] {
            std::memset(bits, 0, std::size_t(bpl) * std::size_t(size.height()));
            QImage view(bits, size.width(), size.height(), bpl, QImage::Format_ARGB32_Premultiplied);
            QPainter p(&view);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setTransform(toLayer);
            p.setClipRect(clip);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(line.data(), int(line.size()));
        });
    stroke->done = stroke->draw.get_future();
    m_strokes.push_back(stroke);
    QThreadPool::globalInstance()->start([stroke] {
        if (!stroke->claimed.exchange(true))
            stroke->draw();
    });
}

void SVHairlineBatch::finishStrokes()
{
    for (const auto& stroke : m_strokes) {
        if (!stroke->claimed.exchange(true))
            stroke->draw();
        stroke->done.wait();
    }
    m_strokes.clear();
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
    // Images may reach past the clip: the strips cover them too.
    int firstColumn = m_box.left(), lastColumn = m_box.right();
    if (m_box.isEmpty()) {
        firstColumn = m_image->width();
        lastColumn = -1;
    }
    for (std::size_t i = 0; i < lines; ++i) {
        if (const QImage& im = st.images[i]; !im.isNull()) {
            firstColumn = std::min(firstColumn, std::max(0, st.origins[i].x()));
            lastColumn = std::max(lastColumn, std::min(m_image->width(), st.origins[i].x() + im.width()) - 1);
        }
    }
    if (lastColumn < firstColumn) {
        finishStrokes();
        return;
    }
    const std::size_t strips = std::size_t((lastColumn - firstColumn) / kStrip + 1);
    // Read by a tile for every line in turn, so kept together per strip.
    st.reaches.assign(strips * lines, StripReach{std::numeric_limits<qint32>::max(), std::numeric_limits<qint32>::min(), 0, 0});
    forEach(lines, [&](std::size_t i) {
        // A line keeps only its InkSpans, so its spans go to a buffer of the
        // thread's own that stays in cache from one line to the next. A local
        // vector otherwise: the headers of neighbouring lines share a cache line.
        // Only scaling and translation get here.
        const double sx = m_toDevice.m11(), sy = m_toDevice.m22(), dx = m_toDevice.dx(), dy = m_toDevice.dy();
        for (QPointF& point : st.points[i])
            point = QPointF(point.x() * sx + dx, point.y() * sy + dy);
        const bool line = st.images[i].isNull() && std::isnan(st.floors[i]);
        thread_local std::vector<ColumnSpan> scratch;
        std::vector<ColumnSpan> spans;
        if (line) {
            spans.swap(scratch);
            if (st.spans[i].capacity() > 0)
                std::vector<ColumnSpan>().swap(st.spans[i]);
        } else {
            spans.swap(st.spans[i]);
        }
        spans.clear();
        if (st.images[i].isNull()) {
            if (st.widths[i] > 1.0 && std::isnan(st.floors[i]))
                appendWideColumnSpans(st.points[i], st.widths[i], m_box.left(), m_box.right(), spans);
            else
                appendColumnSpans(st.points[i], m_box.left(), m_box.right(), spans);
        }
        // Left to right, so each strip finds where its part begins.
        if (!spans.empty() && spans.front().column > spans.back().column)
            std::reverse(spans.begin(), spans.end());
        if (!std::is_sorted(spans.begin(), spans.end(), byColumn))
            std::stable_sort(spans.begin(), spans.end(), byColumn);
        // The rows it reaches, so a band of rows passes over what misses it.
        if (const QImage& im = st.images[i]; !im.isNull()) {
            st.firstRows[i] = st.origins[i].y();
            st.lastRows[i] = st.origins[i].y() + im.height() - 1;
        } else if (spans.empty()) {
            st.firstRows[i] = 1;
            st.lastRows[i] = 0;
        } else {
            double lo = spans.front().lo, hi = spans.front().hi;
            for (const ColumnSpan& span : spans) {
                lo = std::min({lo, span.lo, span.hi});
                hi = std::max({hi, span.lo, span.hi});
            }
            if (!std::isnan(st.floors[i])) {
                lo = std::min(lo, st.floors[i]);
                hi = std::max(hi, st.floors[i]);
            }
            st.firstRows[i] = int(std::floor(lo - st.widths[i])) - 1;
            st.lastRows[i] = int(std::ceil(hi + st.widths[i])) + 1;
        }
        std::vector<InkSpan> inks;
        inks.swap(st.inks[i]);
        inks.clear();
        if (line) {
            // Coverage worked out here, once per column on the line's own
            // thread, rather than by every tile the column falls in.
            const double width = st.widths[i], half = width / 2;
            inks.reserve(spans.size());
            auto scaled = [](double cover) { return quint8(std::min(255.0, cover * 255.0 + 0.5)); };
            // A row outside the box is never blended, whichever it is.
            auto row = [&](int r) { return qint16(std::clamp(r, m_box.top() - 1, m_box.bottom() + 1)); };
            for (const ColumnSpan& span : spans) {
                const double upper = span.lo - half, lower = span.hi + half;
                const int first = floorToInt(upper), last = floorToInt(lower);
                const double ink = hairlineInk(span, width);
                const auto column = qint16(span.column);
                if (first == last)
                    inks.push_back({column, row(first), row(last), scaled((lower - upper) * ink), 0, 0});
                else
                    inks.push_back({column, row(first), row(last), scaled((first + 1 - upper) * ink),
                                    scaled((lower - last) * ink), scaled(ink)});
            }
            for (std::size_t n = 0; n < inks.size();) {
                const int strip = (inks[n].column - firstColumn) / kStrip;
                StripReach reach = st.reaches[std::size_t(strip) * lines + i];
                reach.begin = quint32(n);
                for (; n < inks.size() && (inks[n].column - firstColumn) / kStrip == strip; ++n) {
                    reach.firstRow = std::min<qint32>(reach.firstRow, inks[n].first);
                    reach.lastRow = std::max<qint32>(reach.lastRow, inks[n].last);
                }
                reach.end = quint32(n);
                st.reaches[std::size_t(strip) * lines + i] = reach;
            }
        }
        inks.swap(st.inks[i]);
        spans.swap(line ? scratch : st.spans[i]);
    });

    // The layers were drawn while the spans were worked out.
    finishStrokes();

    // The painter is active on the image, which it has already detached:
    // bits() must not detach again under it.
    uchar* bits = const_cast<uchar*>(m_image->constBits());
    const qsizetype stride = m_image->bytesPerLine();
    const int boxTop = m_box.top(), boxBottom = m_box.bottom();
    const int imageWidth = m_image->width(), imageHeight = m_image->height();
    const std::size_t bands = std::size_t((imageHeight - 1) / kBand + 1);
    forEach(strips * bands, [&](std::size_t tile) {
        // Even strips first, then odd ones: tiles taken at the same moment
        // then never share the cache lines at a strip's edges.
        const std::size_t order = tile / bands, half = (strips + 1) / 2;
        const std::size_t strip = order < half ? 2 * order : 2 * (order - half) + 1;
        const int from = firstColumn + int(strip) * kStrip, to = from + kStrip;
        const int bandTop = int(tile % bands) * kBand, bandBottom = bandTop + kBand - 1;
        const int r0 = std::max(boxTop, bandTop), r1 = std::min(boxBottom, bandBottom);
        const StripReach* reaches = st.reaches.data() + strip * lines;
        // The tile's pixels and each line's spans sit in memory far apart
        // (a row stride, a line's own list): fetch them ahead of use.
        const int prefetchFrom = std::max(0, from), prefetchTo = std::min(imageWidth, to) - 1;
        for (int row = r0; prefetchFrom <= prefetchTo && row <= r1; ++row) {
            __builtin_prefetch(bits + qsizetype(row) * stride + qsizetype(prefetchFrom) * 4, 1);
            __builtin_prefetch(bits + qsizetype(row) * stride + qsizetype(prefetchTo) * 4, 1);
        }
        auto prefetchSpans = [&](std::size_t i) {
            const StripReach& reach = reaches[i];
            if (reach.begin < reach.end && reach.lastRow >= r0 && reach.firstRow <= r1) {
                const InkSpan* k = st.inks[i].data() + reach.begin;
                const InkSpan* end = st.inks[i].data() + reach.end;
                for (; k < end; k += 64 / sizeof(InkSpan))
                    __builtin_prefetch(k);
                __builtin_prefetch(end - 1);
            }
        };
        constexpr std::size_t kAhead = 4;
        for (std::size_t i = 0; i < kAhead && i < lines; ++i)
            prefetchSpans(i);
        for (std::size_t i = 0; i < lines; ++i) {
            if (i + kAhead < lines)
                prefetchSpans(i + kAhead);
            if (st.lastRows[i] < bandTop || st.firstRows[i] > bandBottom)
                continue;
            if (const QImage& im = st.images[i]; !im.isNull()) {
                const QPoint o = st.origins[i];
                const int c0 = std::max({from, o.x(), 0}), c1 = std::min({to, o.x() + im.width(), imageWidth});
                const int y0 = std::max(bandTop, o.y()), y1 = std::min({imageHeight, bandBottom + 1, o.y() + im.height()});
                for (int row = y0; c0 < c1 && row < y1; ++row) {
                    const auto* s = reinterpret_cast<const quint32*>(im.constScanLine(row - o.y())) + (c0 - o.x());
                    auto* px = reinterpret_cast<quint32*>(bits + row * stride) + c0;
                    for (int c = c0; c < c1; ++c, ++s, ++px) {
                        if (*s == 0)
                            continue;
                        const quint32 a = qAlpha(*s);
                        *px = a == 255 ? *s : *s + byteMul(*px, 255 - a);
                    }
                }
                continue;
            }
            const quint32 src = st.colors[i];
            const quint32 keep = 255 - qAlpha(src);
            if (const double floorY = st.floors[i]; std::isnan(floorY)) {
                const StripReach& reach = reaches[i];
                if (reach.lastRow < r0 || reach.firstRow > r1)
                    continue;
                const InkSpan* inks = st.inks[i].data();
                for (const InkSpan* k = inks + reach.begin; k != inks + reach.end; ++k) {
                    const InkSpan& span = *k;
                    uchar* column = bits + qsizetype(span.column) * 4;
                    auto blendAt = [&](int row, quint32 c) {
                        if (c == 0 || row < r0 || row > r1)
                            return;
                        auto* px = reinterpret_cast<quint32*>(column + row * stride);
                        const quint32 s = c >= 255 ? src : byteMul(src, c);
                        *px = s + byteMul(*px, 255 - qAlpha(s));
                    };
                    blendAt(span.first, span.firstCover);
                    if (span.first == span.last)
                        continue;
                    blendAt(span.last, span.lastCover);
                    const quint32 inner = span.innerCover >= 255 ? src : byteMul(src, span.innerCover);
                    const quint32 innerKeep = 255 - qAlpha(inner);
                    const int top = std::max(r0, span.first + 1), bottom = std::min(r1, span.last - 1);
                    uchar* at = column + qsizetype(top) * stride;
                    for (int row = top; row <= bottom; ++row, at += stride) {
                        auto* px = reinterpret_cast<quint32*>(at);
                        *px = inner + byteMul(*px, innerKeep);
                    }
                }
                continue;
            }
            const auto& spans = st.spans[i];
            if (spans.empty() || spans.back().column < from || spans.front().column >= to)
                continue;
            // Most lines have a span in every column they cross: look there first.
            auto k = spans.begin() + std::clamp<std::ptrdiff_t>(from - spans.front().column, 0, std::ptrdiff_t(spans.size()) - 1);
            if (k->column != from || (k != spans.begin() && std::prev(k)->column >= from))
                k = std::lower_bound(spans.begin(), spans.end(), ColumnSpan{from, 0, 0}, byColumn);
            {
                const double floorY = st.floors[i];
                const bool toTop = st.toTop[i];
                // Whole rows of the tile at once where the tile lies inside the image.
                const bool byRows = kRowBlend && to <= imageWidth;
                RowRange ranges;
                for (; k != spans.end() && k->column < to; ++k) {
                    uchar* column = bits + qsizetype(k->column) * 4;
                    // Rows whose centre lies between the line and the floor.
                    const double line = toTop ? std::min(k->lo, k->hi) : (k->lo + k->hi) / 2;
                    const double upper = std::min(line, floorY), lower = std::max(line, floorY);
                    int top = std::max(r0, int(std::lround(upper)));
                    const int bottom = std::min(r1, int(std::lround(lower)) - 1);
                    if (toTop && upper >= boxTop && upper <= boxBottom) {
                        // The part of the top pixel below the line.
                        const int row = int(std::floor(upper));
                        const double cover = std::min(lower, row + 1.0) - upper;
                        if (const auto c = quint32(cover * 255.0 + 0.5); c > 0 && row >= r0 && row <= r1) {
                            auto* px = reinterpret_cast<quint32*>(column + row * stride);
                            const quint32 s = c >= 255 ? src : byteMul(src, c);
                            *px = s + byteMul(*px, 255 - qAlpha(s));
                        }
                        top = std::max(top, row + 1);
                    }
                    if (byRows) {
                        ranges.set(k->column - from, top, bottom);
                        continue;
                    }
                    for (int row = top; row <= bottom; ++row) {
                        auto* px = reinterpret_cast<quint32*>(column + row * stride);
                        *px = src + byteMul(*px, keep);
                    }
                }
                if (byRows)
                    blendRows(bits + qsizetype(from) * 4, stride, ranges, src, keep);
                continue;
            }
        }
    });
}
