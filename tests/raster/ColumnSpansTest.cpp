#include "raster/ColumnSpans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

using namespace sv::raster;

TEST(ColumnSpans, ColumnSpansCoverWhatTheLinePassesInEachColumn)
{
    struct Case {
        const char* what;
        std::vector<QPointF> points;
        int first, last;
        std::vector<ColumnSpan> expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<Case> cases = {
        {"flat", {{0.2, 5.3}, {3.7, 5.3}}, -100, 100, {{0, 5.3, 5.3}, {1, 5.3, 5.3}, {2, 5.3, 5.3}, {3, 5.3, 5.3}}},
        {"steep across an edge", {{1.5, 0}, {2.5, 10}}, -100, 100, {{1, 0, 5}, {2, 5, 10}}},
        {"newest first", {{2.5, 10}, {1.5, 0}}, -100, 100, {{2, 5, 10}, {1, 0, 5}}},
        {"zigzag in one column", {{4.1, 1}, {4.5, 9}, {4.9, 3}}, -100, 100, {{4, 1, 9}}},
        {"cut to the columns asked for", {{-50, 0}, {50, 100}}, 0, 1, {{0, 50, 51}, {1, 51, 52}}},
        {"one point", {{7.5, 2}}, -100, 100, {{7, 2, 2}}},
        {"unusable points skipped", {{0.5, 1}, {inf, 2}, {1.5, 3}}, -100, 100, {}},
    };
    for (const Case& c : cases) {
        std::vector<ColumnSpan> spans;
        appendColumnSpans(c.points, c.first, c.last, spans);
        ASSERT_EQ(spans.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(spans[i].column, c.expected[i].column) << c.what;
            EXPECT_NEAR(spans[i].lo, c.expected[i].lo, 1e-9) << c.what;
            EXPECT_NEAR(spans[i].hi, c.expected[i].hi, 1e-9) << c.what;
        }
    }
}

// How much of pixel row [row, row + 1) a line of the given width over span
// s covers: the ink the batch blends into that row.
static double hairlineCoverage(const ColumnSpan& s, int row, double width = 1.0)
{
    const double top = std::max(double(row), s.lo - width / 2);
    const double bottom = std::min(double(row) + 1.0, s.hi + width / 2);
    return std::clamp(bottom - top, 0.0, 1.0) * hairlineInk(s, width);
}

TEST(ColumnSpans, HairlineCoverageSplitsAFlatLineAndFillsASteepOne)
{
    struct Case {
        ColumnSpan span;
        double width;
        std::vector<std::pair<int, double>> rows; // row, coverage
    };
    const std::vector<Case> cases = {
        {{0, 5.3, 5.3}, 1, {{3, 0}, {4, 0.2}, {5, 0.8}, {6, 0}}},
        {{0, 5.5, 5.5}, 1, {{4, 0}, {5, 1}, {6, 0}}},
        {{0, 2.5, 6.5}, 1, {{1, 0}, {2, 0.8}, {4, 0.8}, {6, 0.8}, {7, 0}}}, // one row's ink per row crossed
        {{0, 5.0, 6.0}, 1, {{4, 0.25}, {5, 0.5}, {6, 0.25}, {7, 0}}},       // one pixel's ink at 45 degrees
        {{0, 5.5, 5.5}, 2, {{3, 0}, {4, 0.5}, {5, 1}, {6, 0.5}, {7, 0}}},
    };
    for (const Case& c : cases)
        for (auto [row, coverage] : c.rows)
            EXPECT_NEAR(hairlineCoverage(c.span, row, c.width), coverage, 1e-9) << row;
}

TEST(ColumnSpans, WideSpansTakeInTheLineBesideEachColumn)
{
    // A step between columns 4 and 5: a two-pixel pen darkens both columns
    // over the whole step, a hairline splits it between them.
    const std::vector<QPointF> step = {{0.5, 10}, {4.5, 10}, {5.5, 20}, {9.5, 20}};
    std::vector<ColumnSpan> wide;
    appendWideColumnSpans(step, 2, 0, 9, wide);
    ASSERT_EQ(wide.size(), 10u);
    for (std::size_t i = 1; i < wide.size(); ++i)
        EXPECT_EQ(wide[i].column, wide[i - 1].column + 1);
    EXPECT_DOUBLE_EQ(wide[2].lo, 10);
    EXPECT_DOUBLE_EQ(wide[2].hi, 10);
    EXPECT_DOUBLE_EQ(wide[4].lo, 10);
    EXPECT_DOUBLE_EQ(wide[4].hi, 20);
    EXPECT_DOUBLE_EQ(wide[5].lo, 10);
    EXPECT_DOUBLE_EQ(wide[5].hi, 20);
    EXPECT_DOUBLE_EQ(wide[7].lo, 20);
    std::vector<ColumnSpan> thin;
    appendColumnSpans(step, 0, 9, thin);
    EXPECT_DOUBLE_EQ(thin[4].hi, 15);
    EXPECT_DOUBLE_EQ(thin[5].lo, 15);
}
