#pragma once

// Where a polyline lies pixel column by pixel column, in device pixels:
// what the line batch blends, as plain functions.

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>
#include <vector>

namespace sv::raster {

// The vertical range [lo, hi] a polyline's centre covers within one pixel
// column (x and y in device pixels; pixel column c spans [c, c + 1)).
struct ColumnSpan {
    int column = 0;
    double lo = 0;
    double hi = 0;
};
// The spans of a polyline whose x runs one way (either way), one per
// column it crosses within [firstColumn, lastColumn], in walking order,
// appended to out (reusing its storage).
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

} // namespace sv::raster
