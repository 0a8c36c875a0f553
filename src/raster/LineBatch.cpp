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
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
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
    // A wide line the tiles walk themselves, strip by strip.
    std::vector<char> byCovers;
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
constexpr int kBand = 128;

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

#if defined(__x86_64__) && defined(__GNUC__)
#define SV_RASTER_AVX2 1
// blendRows eight pixels at a time, on machines that have the wider
// registers: the same integer steps lane by lane, so the same pixels.
__attribute__((target("avx2"))) inline __m256i blendEight(__m256i x, __m256i src, __m256i keep)
{
    const __m256i zero = _mm256_setzero_si256(), half = _mm256_set1_epi16(0x80);
    __m256i lo = _mm256_mullo_epi16(_mm256_unpacklo_epi8(x, zero), keep);
    __m256i hi = _mm256_mullo_epi16(_mm256_unpackhi_epi8(x, zero), keep);
    lo = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(lo, _mm256_srli_epi16(lo, 8)), half), 8);
    hi = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(hi, _mm256_srli_epi16(hi, 8)), half), 8);
    return _mm256_add_epi32(_mm256_packus_epi16(lo, hi), src);
}

__attribute__((target("avx2"))) void blendRowsWide(uchar* tile, qsizetype stride, const RowRange& ranges,
                                                   quint32 src, quint32 keep)
{
    static_assert(kStrip == 16);
    const __m256i srcV = _mm256_set1_epi32(int(src)), keepV = _mm256_set1_epi16(short(keep));
    __m256i tops[2], bottoms[2];
    for (int g = 0; g < 2; ++g) {
        tops[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ranges.top + 8 * g));
        bottoms[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ranges.bottom + 8 * g));
    }
    for (int row = ranges.first; row <= ranges.last; ++row) {
        auto* line = reinterpret_cast<__m256i*>(tile + qsizetype(row) * stride);
        const __m256i r = _mm256_set1_epi32(row);
        for (int g = 0; g < 2; ++g) {
            const __m256i outside = _mm256_or_si256(_mm256_cmpgt_epi32(tops[g], r), _mm256_cmpgt_epi32(r, bottoms[g]));
            const __m256i x = _mm256_loadu_si256(line + g);
            _mm256_storeu_si256(line + g, _mm256_blendv_epi8(blendEight(x, srcV, keepV), x, outside));
        }
    }
}
#endif

// Blends src over the rows of each of the tile's kStrip columns that ranges
// holds, row by row: sixteen pixels of a row are one cache line.
void blendRows(uchar* tile, qsizetype stride, const RowRange& ranges, quint32 src, quint32 keep)
{
#ifdef SV_RASTER_AVX2
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide)
        return blendRowsWide(tile, stride, ranges, src, keep);
#endif
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

// Four floats side by side: one vector register where the machine has
// them, a plain array where it has not.
struct Lanes {
#ifdef __SSE2__
    __m128 v;
    static Lanes all(float x) { return {_mm_set1_ps(x)}; }
    static Lanes load(const float* p) { return {_mm_load_ps(p)}; }
    void store(float* p) const { _mm_store_ps(p, v); }
    friend Lanes operator+(Lanes a, Lanes b) { return {_mm_add_ps(a.v, b.v)}; }
    friend Lanes operator-(Lanes a, Lanes b) { return {_mm_sub_ps(a.v, b.v)}; }
    friend Lanes operator*(Lanes a, Lanes b) { return {_mm_mul_ps(a.v, b.v)}; }
    friend Lanes min(Lanes a, Lanes b) { return {_mm_min_ps(a.v, b.v)}; }
    friend Lanes max(Lanes a, Lanes b) { return {_mm_max_ps(a.v, b.v)}; }
    friend Lanes sqrt(Lanes a) { return {_mm_sqrt_ps(a.v)}; }
    friend Lanes abs(Lanes a) { return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)}; }
    // Masks: all bits set in a lane where true.
    friend Lanes operator<=(Lanes a, Lanes b) { return {_mm_cmple_ps(a.v, b.v)}; }
    friend Lanes operator<(Lanes a, Lanes b) { return {_mm_cmplt_ps(a.v, b.v)}; }
    friend Lanes operator|(Lanes a, Lanes b) { return {_mm_or_ps(a.v, b.v)}; }
    friend Lanes select(Lanes mask, Lanes a, Lanes b)
    {
        return {_mm_or_ps(_mm_and_ps(mask.v, a.v), _mm_andnot_ps(mask.v, b.v))};
    }
#else
    float v[4];
    template <typename F>
    static Lanes each(F&& f)
    {
        Lanes r;
        for (int k = 0; k < 4; ++k)
            r.v[k] = f(k);
        return r;
    }
    static Lanes all(float x) { return each([&](int) { return x; }); }
    static Lanes load(const float* p) { return each([&](int k) { return p[k]; }); }
    void store(float* p) const { std::copy(v, v + 4, p); }
    friend Lanes operator+(Lanes a, Lanes b) { return each([&](int k) { return a.v[k] + b.v[k]; }); }
    friend Lanes operator-(Lanes a, Lanes b) { return each([&](int k) { return a.v[k] - b.v[k]; }); }
    friend Lanes operator*(Lanes a, Lanes b) { return each([&](int k) { return a.v[k] * b.v[k]; }); }
    friend Lanes min(Lanes a, Lanes b) { return each([&](int k) { return a.v[k] < b.v[k] ? a.v[k] : b.v[k]; }); }
    friend Lanes max(Lanes a, Lanes b) { return each([&](int k) { return a.v[k] > b.v[k] ? a.v[k] : b.v[k]; }); }
    friend Lanes sqrt(Lanes a) { return each([&](int k) { return std::sqrt(a.v[k]); }); }
    friend Lanes abs(Lanes a) { return each([&](int k) { return std::abs(a.v[k]); }); }
    friend Lanes operator<=(Lanes a, Lanes b) { return each([&](int k) { return a.v[k] <= b.v[k] ? 1.0f : 0.0f; }); }
    friend Lanes operator<(Lanes a, Lanes b) { return each([&](int k) { return a.v[k] < b.v[k] ? 1.0f : 0.0f; }); }
    friend Lanes operator|(Lanes a, Lanes b) { return each([&](int k) { return a.v[k] != 0 || b.v[k] != 0 ? 1.0f : 0.0f; }); }
    friend Lanes select(Lanes mask, Lanes a, Lanes b) { return each([&](int k) { return mask.v[k] != 0 ? a.v[k] : b.v[k]; }); }
#endif
};

// What a pen width pixels wide (round ends and joins) draws along a
// polyline whose x runs one way, within [firstColumn, lastColumn], column
// by column, left to right: out(column, first row, last row, covers), one
// cover (0 to 255) for each row, rows cut to [firstRow, lastRow]. Each
// column is sampled along kSamples vertical lines, each slice exact, so the
// ink of a row is what the pen covers of it, up to the sampling across.
template <typename Emit>
void walkPenColumns(std::span<const QPointF> points, double width, int firstColumn, int lastColumn, int firstRow,
                    int lastRow, Emit&& out)
{
    constexpr int kSamples = 4;
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
    // Each sample's slice, the four samples of a column side by side.
    struct Slices {
        Lanes lo, hi;
    };
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const Lanes inf = Lanes::all(kInf), negInf = Lanes::all(-kInf), zero = Lanes::all(0.0f);
    alignas(16) static constexpr float kOffsets[kSamples] = {0.125f, 0.375f, 0.625f, 0.875f};
    const Lanes offsets = Lanes::load(kOffsets);
    thread_local std::vector<Slices> columns;
    columns.assign(std::size_t(c1 - c0 + 1), Slices{inf, negInf});
    const Lanes rf = Lanes::all(float(r)), r2 = Lanes::all(float(r * r));
    // Widens column c's slices by [lo, hi] where lo <= hi.
    auto widen = [&](int c, Lanes lo, Lanes hi) {
        Slices& s = columns[std::size_t(c - c0)];
        const Lanes in = lo <= hi;
        s.lo = min(s.lo, select(in, lo, inf));
        s.hi = max(s.hi, select(in, hi, negInf));
    };
    // The pen is the union of a disc at every point and a band along every
    // segment; each is convex, and so is its slice on a vertical line.
    auto disc = [&](QPointF v) {
        const int from = std::max(c0, floorToInt(v.x() - r)), to = std::min(c1, floorToInt(v.x() + r));
        const Lanes vy = Lanes::all(float(v.y()));
        for (int c = from; c <= to; ++c) {
            const Lanes dx = Lanes::all(float(c - v.x())) + offsets;
            const Lanes d2 = r2 - dx * dx;
            const Lanes d = sqrt(max(d2, zero));
            widen(c, select(zero <= d2, vy - d, inf), vy + d);
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
        const Lanes fnx = Lanes::all(float(nx)), fux = Lanes::all(float(ux)), ay = Lanes::all(float(a.y()));
        const Lanes len = Lanes::all(float(length));
        // An upright or flat band: one of the bounds does not depend on y.
        if (ny == 0 || uy == 0) {
            for (int c = from; c <= to; ++c) {
                const Lanes dx = Lanes::all(float(c - a.x())) + offsets;
                const Lanes across = dx * fnx, along = dx * fux;
                Lanes lo, hi, outside;
                if (ny == 0) {
                    const Lanes inverseUy = Lanes::all(float(1 / uy));
                    const Lanes q0 = (zero - along) * inverseUy, q1 = (len - along) * inverseUy;
                    lo = min(q0, q1);
                    hi = max(q0, q1);
                    outside = rf < abs(across);
                } else {
                    const Lanes inverseNy = Lanes::all(float(1 / ny));
                    const Lanes p0 = (zero - rf - across) * inverseNy, p1 = (rf - across) * inverseNy;
                    lo = min(p0, p1);
                    hi = max(p0, p1);
                    outside = (along < zero) | (len < along);
                }
                widen(c, select(outside, inf, ay + lo), ay + hi);
            }
            return;
        }
        const Lanes inverseNy = Lanes::all(float(1 / ny)), inverseUy = Lanes::all(float(1 / uy));
        for (int c = from; c <= to; ++c) {
            const Lanes dx = Lanes::all(float(c - a.x())) + offsets;
            const Lanes across = dx * fnx, along = dx * fux;
            const Lanes p0 = (zero - rf - across) * inverseNy, p1 = (rf - across) * inverseNy;
            const Lanes q0 = (zero - along) * inverseUy, q1 = (len - along) * inverseUy;
            const Lanes lo = max(min(p0, p1), min(q0, q1)), hi = min(max(p0, p1), max(q0, q1));
            widen(c, ay + lo, ay + hi);
        }
    };
    for (std::size_t j = 0; j < points.size(); ++j) {
        if (!walkablePoint(points[j]))
            continue;
        disc(points[j]);
        if (j > 0 && walkablePoint(points[j - 1]))
            band(points[j - 1], points[j]);
    }
    // A row's ink is what each sample's slice covers of it, summed; the
    // four samples side by side, a few instructions a row.
    for (int c = c0; c <= c1; ++c) {
        const Slices& s = columns[std::size_t(c - c0)];
        const Lanes in = s.lo < s.hi;
        alignas(16) float lo[kSamples], hi[kSamples];
        select(in, s.lo, inf).store(lo);
        select(in, s.hi, negInf).store(hi);
        const float top = std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3]));
        const float bottom = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));
        if (!(top < bottom))
            continue;
        const int first = std::max(firstRow, floorToInt(top));
        const int last = std::min(lastRow, std::max(floorToInt(top), int(std::ceil(bottom)) - 1));
        if (first > last)
            continue;
        // Relative to the first row, a sample that misses the column empty.
        const Lanes row0 = Lanes::all(float(first));
        select(in, s.lo - row0, zero).store(lo);
        select(in, s.hi - row0, zero).store(hi);
        const int rows = last - first + 1;
        constexpr int kStackRows = 256;
        quint8 stackCovers[kStackRows];
        thread_local std::vector<quint8> tallCovers;
        quint8* covers = stackCovers;
        if (rows > kStackRows) {
            tallCovers.resize(std::size_t(rows));
            covers = tallCovers.data();
        }
#ifdef __SSE2__
        const __m128 loV = _mm_load_ps(lo), hiV = _mm_load_ps(hi), none = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
        auto inkAt = [&](int row) {
            const __m128 y = _mm_set1_ps(float(row));
            const __m128 a = _mm_min_ps(_mm_max_ps(_mm_sub_ps(loV, y), none), one);
            const __m128 b = _mm_min_ps(_mm_max_ps(_mm_sub_ps(hiV, y), none), one);
            return _mm_sub_ps(b, a);
        };
        const __m128 scale = _mm_set1_ps(255.0f / kSamples), half = _mm_set1_ps(0.5f), full = _mm_set1_ps(255.0f);
        // Four rows at once: their samples turned to lanes of a row each, summed.
        int row = 0;
        for (; row + 4 <= rows; row += 4) {
            __m128 r0 = inkAt(row), r1 = inkAt(row + 1), r2 = inkAt(row + 2), r3 = inkAt(row + 3);
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            const __m128 ink = _mm_add_ps(_mm_add_ps(r0, r1), _mm_add_ps(r2, r3));
            const __m128i c = _mm_cvttps_epi32(_mm_min_ps(full, _mm_add_ps(_mm_mul_ps(ink, scale), half)));
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(c, c), _mm_setzero_si128());
            const int four = _mm_cvtsi128_si32(bytes);
            std::memcpy(covers + row, &four, 4);
        }
        for (; row < rows; ++row) {
            __m128 v = inkAt(row);
            v = _mm_add_ps(v, _mm_movehl_ps(v, v));
            v = _mm_add_ss(v, _mm_shuffle_ps(v, v, 1));
            const float ink = _mm_cvtss_f32(v);
            covers[row] = quint8(std::min(255.0f, ink * (255.0f / kSamples) + 0.5f));
        }
#else
        for (int row = 0; row < rows; ++row) {
            float ink = 0;
            for (int k = 0; k < kSamples; ++k)
                ink += std::clamp(hi[k] - float(row), 0.0f, 1.0f) - std::clamp(lo[k] - float(row), 0.0f, 1.0f);
            covers[row] = quint8(std::min(255.0f, ink * (255.0f / kSamples) + 0.5f));
        }
#endif
        out(c, first, last, const_cast<const quint8*>(covers));
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
    st.byCovers.resize(items);
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
    // Worked out in a list of the thread's own, then copied beside the other
    // lines' reaches: lines side by side share cache lines, and threads
    // writing them column by column would take the lines from each other.
    thread_local std::vector<StripReach> own;
    own.assign(strips, StripReach{std::numeric_limits<qint16>::max(), std::numeric_limits<qint16>::min(), 0, 0});
    StripReach* reaches = own.data();
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
        StripReach& reach = reaches[strip];
        const InkSpan k = inkFor(column, lo, hi);
        spanSlots[strip * lines * kStrip + reach.end++] = k;
        reachOut(reach, k, column);
    };
    st.ownInks[i] = false;
    st.byCovers[i] = false;
    const auto direction = width > 1.0 ? std::optional<int>() : xDirection(st.points[i]);
    // Over a point or more per pixel column a wide pen draws no more
    // than the band of the points' spread, widened: one span a column.
    const auto& points = st.points[i];
    const bool dense = points.size() >= 3 && double(points.size()) >= std::abs(points.front().x() - points.back().x()) + 1.0;
    if (width > 1.0 && !dense && xDirection(points)) {
        // A steep stretch takes several rows of differing ink in a column.
        // Each tile walks the line across its own columns as it blends,
        // with nothing kept between: here only where the tiles find it,
        // the rows its discs and bands may reach in each strip.
        st.byCovers[i] = true;
        const double r = width / 2;
        auto touch = [&](std::size_t j0, std::size_t j1, double x0, double x1, double y0, double y1) {
            const int from = std::max(m_box.left(), floorToInt(x0 - r)), to = std::min(m_box.right(), floorToInt(x1 + r));
            if (from > to)
                return;
            const qint16 top = row(floorToInt(y0 - r)), bottom = row(floorToInt(y1 + r));
            for (int strip = (from - firstColumn) / kStrip; strip <= (to - firstColumn) / kStrip; ++strip) {
                StripReach& reach = reaches[strip];
                reach.firstRow = std::min(reach.firstRow, top);
                reach.lastRow = std::max(reach.lastRow, bottom);
                // The points from begin to end take in all that reach the strip.
                const bool none = reach.begin == reach.end;
                reach.begin = none ? quint32(j0) : std::min(reach.begin, quint32(j0));
                reach.end = std::max(reach.end, quint32(j1 + 1));
            }
            leftmost = std::min(leftmost, from);
            rightmost = std::max(rightmost, to);
        };
        for (std::size_t j = 0; j < points.size(); ++j) {
            if (!walkablePoint(points[j]))
                continue;
            touch(j, j, points[j].x(), points[j].x(), points[j].y(), points[j].y());
            if (j > 0 && walkablePoint(points[j - 1]))
                touch(j - 1, j, std::min(points[j - 1].x(), points[j].x()), std::max(points[j - 1].x(), points[j].x()),
                      std::min(points[j - 1].y(), points[j].y()), std::max(points[j - 1].y(), points[j].y()));
        }
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
                StripReach& reach = reaches[strip];
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
        st.firstRows[i] = std::min<int>(st.firstRows[i], reaches[strip].firstRow);
        st.lastRows[i] = std::max<int>(st.lastRows[i], reaches[strip].lastRow);
    }
    StripReach* shared = st.reaches.data() + ordinal;
    for (std::size_t strip = 0; strip < strips; ++strip)
        shared[strip * lines] = reaches[strip];
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
            if (st.byCovers[i]) {
                // The points whose discs and bands reach the tile's columns.
                const std::vector<QPointF>& points = st.points[i];
                const double width = st.widths[i];
                const std::size_t begin = reach.begin, end = reach.end;
                const int c0 = std::max(from, m_box.left()), c1 = std::min(to - 1, m_box.right());
                if (c0 > c1)
                    continue;
                walkPenColumns(std::span(points).subspan(begin, end - begin), width, c0, c1, r0, r1,
                               [&](int c, int first, int last, const quint8* cover) {
                                   uchar* at = bits + qsizetype(c) * 4 + qsizetype(first) * stride;
                                   for (int row = first; row <= last; ++row, at += stride, ++cover)
                                       if (*cover != 0)
                                           blendOver(*reinterpret_cast<quint32*>(at), src, *cover);
                               });
                continue;
            }
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
