#include "raster/LineBatch.h"

#include "platform/ParallelFor.h"
#include "raster/ColumnSpans.h"

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
#include <optional>
#include <utility>

namespace sv::raster {

namespace {

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

} // namespace

// Buffers kept between batches for their capacity.
struct LineBatch::Storage::Data {
    std::vector<std::vector<QPointF>> points;
    std::vector<std::vector<ColumnSpan>> spans; // an area's
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

namespace {

// x * a / 255 on each byte of a premultiplied pixel, rounded: the four
// bytes spread to 16-bit lanes of one 64-bit word, one multiply for all.
inline quint32 byteMul(quint32 x, quint32 a)
{
    constexpr quint64 lanes = 0x00ff00ff00ff00ffULL;
    quint64 v = ((quint64(x) << 24) | x) & lanes;
    v *= a;
    v = ((v + ((v >> 8) & lanes) + 0x0080008000800080ULL) >> 8) & lanes;
    return quint32(v | (v >> 24));
}

// A premultiplied colour laid over a pixel at cover (0 to 255) of its
// strength: the one blend of the batch, which blendFour does four at a time.
inline void blendOver(quint32& px, quint32 src, quint32 cover = 255)
{
    const quint32 s = cover >= 255 ? src : byteMul(src, cover);
    px = s + byteMul(px, 255 - qAlpha(s));
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

// Calls out(column, lo, hi) for the spans appendColumnSpans finds, once per
// column and left to right, for a polyline whose x runs one way (descending
// tells which): no list to reverse or sort. The same arithmetic on the same
// ends of each segment, so the same spans.
template <typename Emit>
void walkColumnsLeftToRight(std::span<const QPointF> points, bool descending, int firstColumn, int lastColumn,
                            Emit&& out)
{
    int pending = std::numeric_limits<int>::min();
    double pendingLo = 0, pendingHi = 0;
    auto add = [&](int column, double a, double b) {
        const double lo = std::min(a, b), hi = std::max(a, b);
        if (column == pending) {
            pendingLo = std::min(pendingLo, lo);
            pendingHi = std::max(pendingHi, hi);
            return;
        }
        if (pending != std::numeric_limits<int>::min())
            out(pending, pendingLo, pendingHi);
        pending = column;
        pendingLo = lo;
        pendingHi = hi;
    };
    const std::size_t n = points.size();
    if (n == 1) {
        const QPointF q = points[0];
        const int c = walkablePoint(q) ? floorToInt(q.x()) : firstColumn - 1;
        if (c >= firstColumn && c <= lastColumn)
            add(c, q.y(), q.y());
    }
    for (std::size_t step = 1; step < n; ++step) {
        // Segment j - 1 -> j in the polyline's own order.
        const std::size_t j = descending ? n - step : step;
        if (walkablePoint(points[j - 1]) && walkablePoint(points[j]))
            segmentColumns(points[j - 1], points[j], firstColumn, lastColumn, true, add);
    }
    if (pending != std::numeric_limits<int>::min())
        out(pending, pendingLo, pendingHi);
}

// What a pen width pixels wide (round ends and joins) draws along a
// polyline whose x runs one way, within [firstColumn, lastColumn], as runs
// of rows column by column, left to right: out(column, first row, last
// row, first cover, last cover, inner cover), covers 0 to 255, rows cut to
// [firstRow, lastRow]. Each column
// is sampled along kSamples vertical lines, each slice exact, so the ink
// of a row is what the pen covers of it, up to the sampling across.
template <typename Emit>
void walkPenColumns(std::span<const QPointF> points, double width, int firstColumn, int lastColumn, int firstRow,
                    int lastRow, Emit&& out)
{
    constexpr int kSamples = 4;
    constexpr double kOffsets[kSamples] = {0.125, 0.375, 0.625, 0.875};
    const double r = width / 2;
    double xMin = std::numeric_limits<double>::infinity(), xMax = -xMin;
    for (const QPointF& q : points) {
        if (!walkablePoint(q))
            continue;
        xMin = std::min(xMin, q.x());
        xMax = std::max(xMax, q.x());
    }
    if (xMin > xMax)
        return;
    const int c0 = std::max(firstColumn, floorToInt(xMin - r)), c1 = std::min(lastColumn, floorToInt(xMax + r));
    if (c0 > c1)
        return;
    struct Slices {
        double lo[kSamples], hi[kSamples];
    };
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr Slices kNone{{kInf, kInf, kInf, kInf}, {-kInf, -kInf, -kInf, -kInf}};
    thread_local std::vector<Slices> columns;
    columns.assign(std::size_t(c1 - c0 + 1), kNone);
    auto widen = [&](int c, int k, double lo, double hi) {
        Slices& s = columns[std::size_t(c - c0)];
        s.lo[k] = std::min(s.lo[k], lo);
        s.hi[k] = std::max(s.hi[k], hi);
    };
    // The pen is the union of a disc at every point and a band along every
    // segment; each is convex, and so is its slice on a vertical line.
    auto disc = [&](QPointF v) {
        const int from = std::max(c0, floorToInt(v.x() - r)), to = std::min(c1, floorToInt(v.x() + r));
        for (int c = from; c <= to; ++c)
            for (int k = 0; k < kSamples; ++k) {
                const double dx = c + kOffsets[k] - v.x();
                if (const double d2 = r * r - dx * dx; d2 >= 0) {
                    const double d = std::sqrt(d2);
                    widen(c, k, v.y() - d, v.y() + d);
                }
            }
    };
    auto band = [&](QPointF a, QPointF b) {
        const double ex = b.x() - a.x(), ey = b.y() - a.y();
        const double length = std::sqrt(ex * ex + ey * ey);
        if (length <= 0)
            return;
        // Across: |dx * nx + dy * ny| <= r; along: 0 <= dx * ux + dy * uy <= length.
        const double ux = ex / length, uy = ey / length, nx = -uy, ny = ux;
        const double reach = r * std::abs(nx);
        const int from = std::max(c0, floorToInt(std::min(a.x(), b.x()) - reach));
        const int to = std::min(c1, floorToInt(std::max(a.x(), b.x()) + reach));
        const double inverseNy = ny != 0 ? 1 / ny : 0, inverseUy = uy != 0 ? 1 / uy : 0;
        for (int c = from; c <= to; ++c)
            for (int k = 0; k < kSamples; ++k) {
                const double dx = c + kOffsets[k] - a.x();
                double lo = -std::numeric_limits<double>::infinity(), hi = -lo;
                auto within = [&](double along, double inverse, double min, double max) {
                    if (inverse == 0) {
                        if (along < min || along > max)
                            hi = lo - 1;
                        return;
                    }
                    double y0 = (min - along) * inverse, y1 = (max - along) * inverse;
                    if (y0 > y1)
                        std::swap(y0, y1);
                    lo = std::max(lo, y0);
                    hi = std::min(hi, y1);
                };
                within(dx * nx, inverseNy, -r, r);
                within(dx * ux, inverseUy, 0, length);
                if (lo <= hi)
                    widen(c, k, a.y() + lo, a.y() + hi);
            }
    };
    for (std::size_t j = 0; j < points.size(); ++j) {
        if (!walkablePoint(points[j]))
            continue;
        disc(points[j]);
        if (j > 0 && walkablePoint(points[j - 1]))
            band(points[j - 1], points[j]);
    }
    for (int c = c0; c <= c1; ++c) {
        const Slices& s = columns[std::size_t(c - c0)];
        double top = std::numeric_limits<double>::infinity(), bottom = -top;
        for (int k = 0; k < kSamples; ++k) {
            if (s.lo[k] >= s.hi[k])
                continue;
            top = std::min(top, s.lo[k]);
            bottom = std::max(bottom, s.hi[k]);
        }
        if (top >= bottom)
            continue;
        const int first = std::max(firstRow, floorToInt(top));
        const int last = std::min(lastRow, std::max(floorToInt(top), int(std::ceil(bottom)) - 1));
        if (first > last)
            continue;
        // Each sample's ink row by row: its end rows in part, the rows
        // between whole. Only the rows where a sample ends differ from
        // their neighbours, so the column is a few pieces of equal ink,
        // however many rows it spans.
        struct Cut {
            double lo, hi;
            int a, b;
        };
        Cut cuts[kSamples];
        int count = 0;
        int marks[2 * kSamples + 2];
        int markCount = 0;
        marks[markCount++] = first;
        marks[markCount++] = last;
        for (int k = 0; k < kSamples; ++k) {
            if (s.lo[k] >= s.hi[k])
                continue;
            const double lo = std::max(s.lo[k], double(first)), hi = std::min(s.hi[k], last + 1.0);
            if (lo >= hi)
                continue;
            const int a = floorToInt(lo), b = std::min(last, int(std::ceil(hi)) - 1);
            cuts[count++] = Cut{lo, hi, a, b};
            marks[markCount++] = a;
            marks[markCount++] = b;
        }
        // The same sums in the same order as adding up each sample's ink
        // row by row.
        auto cover = [&](int row) {
            double ink = 0, whole = 0;
            for (int k = 0; k < count; ++k) {
                const Cut& u = cuts[k];
                if (u.a == u.b) {
                    if (row == u.a)
                        ink += u.hi - u.lo;
                } else if (row == u.a) {
                    ink += u.a + 1 - u.lo;
                } else if (row == u.b) {
                    ink += u.hi - u.b;
                } else if (row > u.a && row < u.b) {
                    whole += 1;
                }
            }
            return quint8(std::min(255.0, (ink + whole) * (255.0 / kSamples) + 0.5));
        };
        // Runs of rows: a first and a last row, and the rows between them
        // when they all take the same ink (a flat line is one run; a steep
        // one has its ramps at either end).
        constexpr int kShort = 16;
        if (last - first < kShort) {
            // A short column: its rows' ink summed side by side.
            double ink[kShort] = {}, steps[kShort + 1] = {};
            for (int k = 0; k < count; ++k) {
                const Cut& u = cuts[k];
                if (u.a == u.b) {
                    ink[u.a - first] += u.hi - u.lo;
                    continue;
                }
                ink[u.a - first] += u.a + 1 - u.lo;
                ink[u.b - first] += u.hi - u.b;
                steps[u.a + 1 - first] += 1;
                steps[u.b - first] -= 1;
            }
            quint8 covers[kShort];
            double whole = 0;
            for (int row = 0; row <= last - first; ++row) {
                whole += steps[row];
                covers[row] = quint8(std::min(255.0, (ink[row] + whole) * (255.0 / kSamples) + 0.5));
            }
            auto coverAt = [&](int row) { return covers[row - first]; };
            for (int from = first; from <= last;) {
                int to = from;
                if (from < last) {
                    to = from + 1;
                    while (to < last && coverAt(to) == coverAt(from + 1))
                        ++to;
                }
                out(c, from, to, coverAt(from), coverAt(to), to - from > 1 ? coverAt(from + 1) : quint8(0));
                from = to + 1;
            }
            continue;
        }
        // A handful of rows: sorted in place, duplicates dropped.
        for (int m = 1; m < markCount; ++m) {
            const int mark = marks[m];
            int j = m;
            for (; j > 0 && marks[j - 1] > mark; --j)
                marks[j] = marks[j - 1];
            marks[j] = mark;
        }
        int distinct = 1;
        for (int m = 1; m < markCount; ++m)
            if (marks[m] != marks[distinct - 1])
                marks[distinct++] = marks[m];
        markCount = distinct;
        // Pieces of rows of one ink, merged where neighbours match: the
        // last row of each, ascending.
        struct Piece {
            int end;
            quint8 cover;
        };
        Piece pieces[4 * kSamples + 4];
        int pieceCount = 0;
        auto piece = [&](int from, int to) {
            const quint8 c = cover(from);
            if (pieceCount > 0 && pieces[pieceCount - 1].cover == c)
                pieces[pieceCount - 1].end = to;
            else
                pieces[pieceCount++] = Piece{to, c};
        };
        for (int m = 0; m < markCount; ++m) {
            if (m > 0 && marks[m] > marks[m - 1] + 1)
                piece(marks[m - 1] + 1, marks[m] - 1);
            piece(marks[m], marks[m]);
        }
        int at = 0;
        for (int from = first; from <= last;) {
            int to = from;
            if (from < last) {
                while (pieces[at].end < from + 1)
                    ++at;
                to = std::min(last, pieces[at].end + 1);
            }
            out(c, from, to, cover(from), cover(to), to - from > 1 ? cover(from + 1) : quint8(0));
            from = to + 1;
        }
    }
}

// Which way x runs: +1 left to right, -1 right to left (0 when both, a
// single point or all in one place), or nullopt when it turns back.
std::optional<int> xDirection(std::span<const QPointF> points)
{
    bool up = true, down = true;
    for (std::size_t j = 1; j < points.size() && (up || down); ++j) {
        up = up && points[j - 1].x() <= points[j].x();
        down = down && points[j - 1].x() >= points[j].x();
    }
    if (!up && !down)
        return std::nullopt;
    return up ? (down ? 0 : 1) : -1;
}

} // namespace

LineBatch::Storage::Storage() : d(std::make_unique<Data>()) {}

LineBatch::Storage::~Storage() = default;

LineBatch::LineBatch(QPainter& p, const QRectF& clip, Storage& storage) : m_storage(*storage.d)
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

std::size_t LineBatch::append(std::span<const QPointF> points, const QColor& color)
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

void LineBatch::add(std::span<const QPointF> points, const QColor& color, double width)
{
    if (!m_image || m_box.isEmpty() || points.empty())
        return;
    const std::size_t i = append(points, color);
    m_storage.widths[i] = std::max(1.0, width * std::abs(m_toDevice.m22()));
}

void LineBatch::addArea(std::span<const QPointF> points, const QColor& color, double floorY, bool toTop)
{
    if (!m_image || m_box.isEmpty() || points.empty())
        return;
    const std::size_t i = append(points, color);
    m_storage.floors[i] = m_toDevice.map(QPointF(0, floorY)).y();
    m_storage.toTop[i] = toTop;
}

void LineBatch::addImage(const QImage& image, QPoint at)
{
    if (!m_image || image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    const std::size_t i = append({}, Qt::transparent);
    m_storage.images[i] = image;
    m_storage.origins[i] = at;
}

// Drawn by whichever comes first: a pool thread, or flush() when none was free.
struct LineBatch::Stroke {
    std::atomic<bool> claimed{false};
    std::packaged_task<void()> draw;
    std::future<void> done;
};

void LineBatch::addStroke(std::span<const QPointF> points, const QPen& pen)
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

void LineBatch::finishStrokes()
{
    for (const auto& stroke : m_strokes) {
        if (!stroke->claimed.exchange(true))
            stroke->draw();
        stroke->done.wait();
    }
    m_strokes.clear();
}

// What one flush lays out: the items, the lines among them, and the strips
// and bands of tiles that cover what they reach.
struct LineBatch::Layout {
    std::size_t items = 0;
    std::size_t lines = 0;
    int firstColumn = 0, lastColumn = -1;
    std::size_t strips = 0, bands = 0;
};

void LineBatch::flush()
{
    if (!m_image || m_count == 0) {
        m_count = 0;
        return;
    }
    Layout layout;
    layout.items = std::exchange(m_count, 0);
    // A few items are not worth waking threads for.
    auto forEach = [&](std::size_t count, const std::function<void(std::size_t)>& body) {
        if (layout.items < 8) {
            for (std::size_t i = 0; i < count; ++i)
                body(i);
        } else {
            sv::parallelFor(count, body);
        }
    };
    if (!lay(layout)) {
        finishStrokes();
        return;
    }
    // Neighbouring lines' reaches share cache lines: a thread takes a run
    // of them, so threads do not write to one cache line at once.
    constexpr std::size_t kRun = 8;
    forEach((layout.items + kRun - 1) / kRun, [&](std::size_t run) {
        for (std::size_t i = run * kRun; i < std::min(layout.items, (run + 1) * kRun); ++i)
            prepare(layout, i);
    });
    // The layers were drawn while the spans were worked out.
    finishStrokes();
    forEach(layout.strips * layout.bands, [&](std::size_t tile) { blendTile(layout, tile); });
}

bool LineBatch::lay(Layout& layout)
{
    Storage::Data& st = m_storage;
    const std::size_t items = layout.items;
    // Images may reach past the clip: the strips cover them too.
    int firstColumn = m_box.left(), lastColumn = m_box.right();
    if (m_box.isEmpty()) {
        firstColumn = m_image->width();
        lastColumn = -1;
    }
    st.kinds.resize(items);
    st.ordinals.resize(items);
    st.ownInks.resize(items);
    st.firstColumns.resize(items);
    st.lastColumns.resize(items);
    std::size_t lines = 0;
    for (std::size_t i = 0; i < items; ++i) {
        if (const QImage& im = st.images[i]; !im.isNull()) {
            st.kinds[i] = Kind::Image;
            st.firstColumns[i] = std::max(0, st.origins[i].x());
            st.lastColumns[i] = std::min(m_image->width(), st.origins[i].x() + im.width()) - 1;
            st.firstRows[i] = st.origins[i].y();
            st.lastRows[i] = st.origins[i].y() + im.height() - 1;
            firstColumn = std::min(firstColumn, st.firstColumns[i]);
            lastColumn = std::max(lastColumn, st.lastColumns[i]);
        } else if (std::isnan(st.floors[i])) {
            st.kinds[i] = Kind::Line;
            st.ordinals[i] = qint32(lines++);
        } else {
            st.kinds[i] = Kind::Area;
        }
    }
    if (lastColumn < firstColumn)
        return false;
    const std::size_t strips = std::size_t((lastColumn - firstColumn) / kStrip + 1);
    // A line has at most one span per column, so kStrip slots in each strip.
    // Strip by strip, the lines side by side: a tile reads its strip's part
    // of every line from one stretch of memory.
    if (st.spanSlots.size() < strips * lines * kStrip)
        st.spanSlots.resize(strips * lines * kStrip);
    st.reaches.resize(strips * lines);
    layout.lines = lines;
    layout.firstColumn = firstColumn;
    layout.lastColumn = lastColumn;
    layout.strips = strips;
    layout.bands = std::size_t((m_image->height() - 1) / kBand + 1);
    return true;
}

// Maps item i to device pixels and works out where it lies: an area's
// spans, a line's coverage column by column (once here, on the line's own
// thread, rather than by every tile the column falls in).
void LineBatch::prepare(const Layout& layout, std::size_t i)
{
    Storage::Data& st = m_storage;
    const std::size_t strips = layout.strips, lines = layout.lines;
    const int firstColumn = layout.firstColumn;
    if (st.kinds[i] == Kind::Image)
        return;
    // Only scaling and translation get here.
    const double sx = m_toDevice.m11(), sy = m_toDevice.m22(), dx = m_toDevice.dx(), dy = m_toDevice.dy();
    for (QPointF& point : st.points[i])
        point = QPointF(point.x() * sx + dx, point.y() * sy + dy);
    if (st.kinds[i] == Kind::Area) {
        std::vector<ColumnSpan>& spans = st.spans[i];
        spans.clear();
        appendColumnSpans(st.points[i], m_box.left(), m_box.right(), spans);
        if (!spans.empty() && spans.front().column > spans.back().column)
            std::reverse(spans.begin(), spans.end());
        if (!std::is_sorted(spans.begin(), spans.end(), byColumn))
            std::stable_sort(spans.begin(), spans.end(), byColumn);
        if (spans.empty()) {
            st.firstColumns[i] = st.firstRows[i] = std::numeric_limits<int>::max();
            st.lastColumns[i] = st.lastRows[i] = std::numeric_limits<int>::min();
            return;
        }
        double lo = st.floors[i], hi = lo;
        for (const ColumnSpan& span : spans) {
            lo = std::min({lo, span.lo, span.hi});
            hi = std::max({hi, span.lo, span.hi});
        }
        st.firstRows[i] = int(std::floor(lo - st.widths[i])) - 1;
        st.lastRows[i] = int(std::ceil(hi + st.widths[i])) + 1;
        st.firstColumns[i] = spans.front().column;
        st.lastColumns[i] = spans.back().column;
        return;
    }

    const std::size_t ordinal = std::size_t(st.ordinals[i]);
    StripReach* reaches = st.reaches.data() + ordinal;
    for (std::size_t strip = 0; strip < strips; ++strip)
        reaches[strip * lines] = StripReach{std::numeric_limits<qint16>::max(), std::numeric_limits<qint16>::min(), 0, 0};
    const double width = st.widths[i], half = width / 2;
    auto scaled = [](double cover) { return quint8(std::min(255.0, cover * 255.0 + 0.5)); };
    // A row outside the box is never blended, whichever it is.
    auto row = [&](int r) { return qint16(std::clamp(r, m_box.top() - 1, m_box.bottom() + 1)); };
    auto inkFor = [&](int column, double lo, double hi) {
        const double upper = lo - half, lower = hi + half;
        const int first = floorToInt(upper), last = floorToInt(lower);
        const double ink = hairlineInk(ColumnSpan{column, lo, hi}, width);
        const auto offset = quint8((column - firstColumn) % kStrip);
        if (first == last)
            return InkSpan{row(first), row(last), offset, scaled((lower - upper) * ink), 0, 0};
        return InkSpan{row(first), row(last), offset, scaled((first + 1 - upper) * ink),
                       scaled((lower - last) * ink), scaled(ink)};
    };
    int leftmost = std::numeric_limits<int>::max(), rightmost = std::numeric_limits<int>::min();
    auto reachOut = [&](StripReach& reach, const InkSpan& k, int column) {
        reach.firstRow = std::min(reach.firstRow, k.first);
        reach.lastRow = std::max(reach.lastRow, k.last);
        leftmost = std::min(leftmost, column);
        rightmost = std::max(rightmost, column);
    };
    // One span per column: each into its strip's slot.
    InkSpan* spanSlots = st.spanSlots.data() + ordinal * kStrip;
    auto intoSlot = [&](int column, double lo, double hi) {
        const std::size_t strip = std::size_t((column - firstColumn) / kStrip);
        StripReach& reach = reaches[strip * lines];
        const InkSpan k = inkFor(column, lo, hi);
        spanSlots[strip * lines * kStrip + reach.end++] = k;
        reachOut(reach, k, column);
    };
    st.ownInks[i] = false;
    const auto direction = width > 1.0 ? std::optional<int>() : xDirection(st.points[i]);
    // Over a point or more per pixel column a wide pen draws no more
    // than the band of the points' spread, widened: one span a column.
    const auto& points = st.points[i];
    const bool dense = points.size() >= 3 && double(points.size()) >= std::abs(points.front().x() - points.back().x()) + 1.0;
    if (width > 1.0 && !dense && xDirection(points)) {
        // A steep stretch takes several runs in a column: the line keeps
        // its runs in a list of its own, strip after strip.
        st.ownInks[i] = true;
        std::vector<InkSpan>& inks = st.inks[i];
        inks.clear();
        walkPenColumns(st.points[i], width, m_box.left(), m_box.right(), m_box.top() - 1, m_box.bottom() + 1,
                       [&](int column, int first, int last, quint8 firstCover, quint8 lastCover, quint8 inner) {
                           const std::size_t strip = std::size_t((column - firstColumn) / kStrip);
                           StripReach& reach = reaches[strip * lines];
                           if (reach.begin == reach.end)
                               reach.begin = reach.end = quint32(inks.size());
                           inks.push_back(InkSpan{row(first), row(last), quint8((column - firstColumn) % kStrip),
                                                  firstCover, lastCover, inner});
                           ++reach.end;
                           reachOut(reach, inks.back(), column);
                       });
    } else if (direction) {
        walkColumnsLeftToRight(st.points[i], *direction < 0, m_box.left(), m_box.right(), intoSlot);
    } else {
        thread_local std::vector<ColumnSpan> spans;
        spans.clear();
        if (width > 1.0)
            appendWideColumnSpans(st.points[i], width, m_box.left(), m_box.right(), spans);
        else
            appendColumnSpans(st.points[i], m_box.left(), m_box.right(), spans);
        if (!spans.empty() && spans.front().column > spans.back().column)
            std::reverse(spans.begin(), spans.end());
        if (!std::is_sorted(spans.begin(), spans.end(), byColumn))
            std::stable_sort(spans.begin(), spans.end(), byColumn);
        const bool onePerColumn = std::adjacent_find(spans.begin(), spans.end(), [](const auto& a, const auto& b) {
                                      return a.column == b.column;
                                  }) == spans.end();
        if (onePerColumn) {
            for (const ColumnSpan& span : spans)
                intoSlot(span.column, span.lo, span.hi);
        } else {
            // A line that turns back over a column keeps its spans in a
            // list of its own, strip after strip.
            st.ownInks[i] = true;
            std::vector<InkSpan>& inks = st.inks[i];
            inks.clear();
            for (const ColumnSpan& span : spans) {
                const std::size_t strip = std::size_t((span.column - firstColumn) / kStrip);
                StripReach& reach = reaches[strip * lines];
                if (reach.begin == reach.end)
                    reach.begin = reach.end = quint32(inks.size());
                inks.push_back(inkFor(span.column, span.lo, span.hi));
                ++reach.end;
                reachOut(reach, inks.back(), span.column);
            }
        }
    }
    st.firstColumns[i] = leftmost;
    st.lastColumns[i] = rightmost;
    st.firstRows[i] = std::numeric_limits<int>::max();
    st.lastRows[i] = std::numeric_limits<int>::min();
    for (std::size_t strip = 0; leftmost <= rightmost && strip < strips; ++strip) {
        st.firstRows[i] = std::min<int>(st.firstRows[i], reaches[strip * lines].firstRow);
        st.lastRows[i] = std::max<int>(st.lastRows[i], reaches[strip * lines].lastRow);
    }
}

// Blends into one tile every item that reaches it, in the order they came.
void LineBatch::blendTile(const Layout& layout, std::size_t tile)
{
    const Storage::Data& st = m_storage;
    const std::size_t items = layout.items, strips = layout.strips, lines = layout.lines, bands = layout.bands;
    const int firstColumn = layout.firstColumn;
    // The painter is active on the image, which it has already detached:
    // bits() must not detach again under it.
    uchar* bits = const_cast<uchar*>(m_image->constBits());
    const qsizetype stride = m_image->bytesPerLine();
    const int boxTop = m_box.top(), boxBottom = m_box.bottom();
    const int imageWidth = m_image->width(), imageHeight = m_image->height();
    // Even strips first, then odd ones: tiles taken at the same moment
    // then never share the cache lines at a strip's edges.
    const std::size_t order = tile / bands, halfway = (strips + 1) / 2;
    const std::size_t strip = order < halfway ? 2 * order : 2 * (order - halfway) + 1;
    const int from = firstColumn + int(strip) * kStrip, to = from + kStrip;
    const int bandTop = int(tile % bands) * kBand, bandBottom = bandTop + kBand - 1;
    const int r0 = std::max(boxTop, bandTop), r1 = std::min(boxBottom, bandBottom);
    const StripReach* reaches = st.reaches.data() + strip * lines;
    const InkSpan* spanSlots = st.spanSlots.data() + strip * lines * kStrip;
    // The tile's rows lie a stride apart: fetch them ahead of use.
    const int prefetchFrom = std::max(0, from), prefetchTo = std::min(imageWidth, to) - 1;
    for (int row = r0; prefetchFrom <= prefetchTo && row <= r1; ++row) {
        __builtin_prefetch(bits + qsizetype(row) * stride + qsizetype(prefetchFrom) * 4, 1);
        __builtin_prefetch(bits + qsizetype(row) * stride + qsizetype(prefetchTo) * 4, 1);
    }
    for (std::size_t i = 0; i < items; ++i) {
        if (st.lastRows[i] < bandTop || st.firstRows[i] > bandBottom || st.lastColumns[i] < from
            || st.firstColumns[i] >= to)
            continue;
        const Kind kind = st.kinds[i];
        if (kind == Kind::Image) {
            const QImage& im = st.images[i];
            const QPoint o = st.origins[i];
            const int c0 = std::max({from, o.x(), 0}), c1 = std::min({to, o.x() + im.width(), imageWidth});
            const int y0 = std::max(bandTop, o.y()), y1 = std::min({imageHeight, bandBottom + 1, o.y() + im.height()});
            for (int row = y0; c0 < c1 && row < y1; ++row) {
                const auto* s = reinterpret_cast<const quint32*>(im.constScanLine(row - o.y())) + (c0 - o.x());
                auto* px = reinterpret_cast<quint32*>(bits + row * stride) + c0;
                for (int c = c0; c < c1; ++c, ++s, ++px)
                    if (*s != 0)
                        blendOver(*px, *s);
            }
            continue;
        }
        const quint32 src = st.colors[i];
        const quint32 keep = 255 - qAlpha(src);
        if (kind == Kind::Line) {
            const std::size_t ordinal = std::size_t(st.ordinals[i]);
            const StripReach& reach = reaches[ordinal];
            if (reach.begin == reach.end || reach.lastRow < r0 || reach.firstRow > r1)
                continue;
            const InkSpan* inks = st.ownInks[i] ? st.inks[i].data() : spanSlots + ordinal * kStrip;
            for (const InkSpan* k = inks + reach.begin; k != inks + reach.end; ++k) {
                const InkSpan& span = *k;
                uchar* column = bits + qsizetype(from + span.column) * 4;
                auto blendAt = [&](int row, quint32 c) {
                    if (c != 0 && row >= r0 && row <= r1)
                        blendOver(*reinterpret_cast<quint32*>(column + row * stride), src, c);
                };
                blendAt(span.first, span.firstCover);
                if (span.first == span.last)
                    continue;
                blendAt(span.last, span.lastCover);
                const quint32 inner = span.innerCover >= 255 ? src : byteMul(src, span.innerCover);
                const int top = std::max(r0, span.first + 1), bottom = std::min(r1, span.last - 1);
                uchar* at = column + qsizetype(top) * stride;
                for (int row = top; row <= bottom; ++row, at += stride)
                    blendOver(*reinterpret_cast<quint32*>(at), inner);
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
                    if (const auto c = quint32(cover * 255.0 + 0.5); c > 0 && row >= r0 && row <= r1)
                        blendOver(*reinterpret_cast<quint32*>(column + row * stride), src, c);
                    top = std::max(top, row + 1);
                }
                if (byRows) {
                    ranges.set(k->column - from, top, bottom);
                    continue;
                }
                for (int row = top; row <= bottom; ++row)
                    blendOver(*reinterpret_cast<quint32*>(column + row * stride), src);
            }
            if (byRows)
                blendRows(bits + qsizetype(from) * 4, stride, ranges, src, keep);
            continue;
        }
    }}
} // namespace sv::raster
