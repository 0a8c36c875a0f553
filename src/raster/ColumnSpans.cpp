#include "raster/ColumnSpans.h"

#include <limits>

namespace sv::raster {

void appendColumnSpans(std::span<const QPointF> points, int firstColumn, int lastColumn, std::vector<ColumnSpan>& out)
{
    const std::size_t start = out.size();
    auto add = [&](int column, double a, double b) {
        const double lo = std::min(a, b), hi = std::max(a, b);
        if (out.size() > start && out.back().column == column) {
            out.back().lo = std::min(out.back().lo, lo);
            out.back().hi = std::max(out.back().hi, hi);
        } else {
            out.push_back({column, lo, hi});
        }
    };
    if (points.size() == 1) {
        const QPointF q = points[0];
        const int c = walkablePoint(q) ? floorToInt(q.x()) : firstColumn - 1;
        if (c >= firstColumn && c <= lastColumn)
            add(c, q.y(), q.y());
        return;
    }
    for (std::size_t i = 1; i < points.size(); ++i)
        if (walkablePoint(points[i - 1]) && walkablePoint(points[i]))
            segmentColumns(points[i - 1], points[i], firstColumn, lastColumn, false, add);
}

void appendWideColumnSpans(std::span<const QPointF> points, double width, int firstColumn, int lastColumn,
                           std::vector<ColumnSpan>& out)
{
    // Half-pixel columns: column c takes in half-columns 2c + 1 - w .. 2c + w.
    const int w = std::max(1, int(std::lround(width)));
    // Kept from call to call: a crowded graph asks for thousands of lines.
    thread_local std::vector<QPointF> doubled;
    thread_local std::vector<ColumnSpan> halves;
    doubled.assign(points.begin(), points.end());
    for (QPointF& q : doubled)
        q.setX(q.x() * 2);
    halves.clear();
    appendColumnSpans(doubled, 2 * firstColumn - w, 2 * lastColumn + 1 + w, halves);
    if (halves.empty())
        return;
    int lowest = lastColumn, highest = firstColumn;
    for (const ColumnSpan& h : halves) {
        lowest = std::min(lowest, std::max(firstColumn, int(std::ceil((h.column - w) / 2.0))));
        highest = std::max(highest, std::min(lastColumn, int(std::floor((h.column + w - 1) / 2.0))));
    }
    if (highest < lowest)
        return;
    const std::size_t start = out.size();
    out.resize(start + std::size_t(highest - lowest + 1), ColumnSpan{0, std::numeric_limits<double>::infinity(),
                                                                     -std::numeric_limits<double>::infinity()});
    for (const ColumnSpan& h : halves) {
        const int from = std::max(lowest, int(std::ceil((h.column - w) / 2.0)));
        const int to = std::min(highest, int(std::floor((h.column + w - 1) / 2.0)));
        for (int c = from; c <= to; ++c) {
            ColumnSpan& s = out[start + std::size_t(c - lowest)];
            s.lo = std::min(s.lo, h.lo);
            s.hi = std::max(s.hi, h.hi);
        }
    }
    std::size_t kept = start;
    for (std::size_t i = start; i < out.size(); ++i) {
        if (out[i].lo > out[i].hi)
            continue; // a column the line skips
        out[kept] = out[i];
        out[kept].column = lowest + int(i - start);
        ++kept;
    }
    out.resize(kept);
}

} // namespace sv::raster
