#include "model/SVDataPointBuffer.h"
#include "views/SVGraphGeometry.h"

#include <gtest/gtest.h>

using namespace sv::graph;

namespace {

SVDataPoint sample(double t, qint64 rssi = -60, qint64 noise = -95)
{
    return SVDataPoint::fromArchive(rssi, noise, 0, -1, -1, t);
}

SVDataPointBuffer history(std::initializer_list<double> times)
{
    SVDataPointBuffer b(100000);
    for (double t : times)
        b.push(sample(t));
    return b;
}

} // namespace

TEST(GraphGeometry, LevelToHeight)
{
    struct Case {
        qint64 dBm;
        int units;
        double expected; // of h = 900
    } cases[] = {
        {-100, 1, 0}, {-120, 1, 0}, {-55, 1, 450}, {-10, 1, 900}, {0, 1, 1000}, {5, 1, 990},
        {-70, 0, 450}, {-120, 0, 0}, {-10, 0, 900},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(levelHeight(c.dBm, c.units, 900), c.expected, 1e-9) << c.dBm << " units " << c.units;
    EXPECT_DOUBLE_EQ(snrHeight(45, 900), 450);
}

TEST(GraphGeometry, SampleToPoint)
{
    const QRectF G(45, 35, 600, 110); // level axis 100 with a top margin of 10
    const double ref = 1000;
    struct Case {
        SVDataPoint p;
        Value v;
        int units;
        QPointF expected;
    } cases[] = {
        {sample(1000, -55), Value::Signal, 1, {645, 85}},
        {sample(700, -100), Value::Signal, 1, {45, 35}},
        {sample(850, -70), Value::Signal, 0, {345, 85}},
        {sample(1000, -120), Value::Signal, 0, {645, 35}},  // no data: the floor
        {sample(1000, -40, -85), Value::SNR, 0, {645, 85}},
        {sample(1000, -40, -55), Value::Noise, 1, {645, 85}},
        {sample(1000, -130), Value::Signal, 1, {645, 35}},
    };
    for (const Case& c : cases) {
        const QPointF q = pointForSample(G, c.p, c.v, c.units, 10, 300, ref);
        EXPECT_NEAR(q.x(), c.expected.x(), 1e-9);
        EXPECT_NEAR(q.y(), c.expected.y(), 1e-9) << c.p.rssiValue();
    }
    // A zero span puts everything on the right edge instead of dividing by zero.
    EXPECT_DOUBLE_EQ(pointForSample(G, sample(0), Value::Signal, 0, 10, 0, ref).x(), 645);
}

TEST(GraphGeometry, LevelMarks)
{
    const QRectF G(45, 35, 600, 120);
    auto texts = [](const std::vector<LevelMark>& marks) {
        QStringList out;
        for (const auto& m : marks)
            out << m.text;
        return out.join(' ');
    };
    EXPECT_EQ(texts(levelMarks(G, 10, Value::Signal, 0, 1, 20)), "10% 20% 30% 40% 50% 60% 70% 80% 90% 100%");
    EXPECT_EQ(texts(levelMarks(G, 9, Value::Signal, 1, 1, 20)), "-90 -80 -70 -60 -50 -40 -30 -20 -10");
    EXPECT_EQ(texts(levelMarks(G, 9, Value::SNR, 1, 2, 20)), "10 30 50 70 90");
    // A short chart keeps only a few.
    const QRectF low(45, 35, 600, 70);
    EXPECT_EQ(texts(levelMarks(low, 10, Value::Signal, 0, 1, 7)), "10% 50% 90%");
    EXPECT_EQ(texts(levelMarks(low, 9, Value::Signal, 1, 1, 7)), "-70 -30");

    const auto pct = levelMarks(G, 10, Value::Signal, 0, 1, 20);
    EXPECT_DOUBLE_EQ(pct[0].y, 35 + 10 - 3);
    EXPECT_DOUBLE_EQ(pct[9].y, 35 + 100 - 3);
    EXPECT_DOUBLE_EQ(pct[0].leftX, 45 - 17);
    EXPECT_DOUBLE_EQ(pct[9].leftX, 45 - 19);
    EXPECT_DOUBLE_EQ(pct[0].rightX, 645 + 17);
    EXPECT_EQ(pct[2].color, MarkColor::Red);
    EXPECT_EQ(pct[3].color, MarkColor::Yellow);
    EXPECT_EQ(pct[6].color, MarkColor::Green);
    const auto dbm = levelMarks(G, 9, Value::Signal, 1, 1, 20);
    EXPECT_EQ(dbm[1].color, MarkColor::Red);    // -80
    EXPECT_EQ(dbm[2].color, MarkColor::Yellow); // -70
    EXPECT_EQ(dbm[4].color, MarkColor::Green);  // -50

    // No height or no step: nothing, and no endless walk.
    EXPECT_TRUE(levelMarks(QRectF(0, 0, 100, 10), 10, Value::Signal, 0, 1, 20).empty());
    EXPECT_TRUE(levelMarks(G, 10, Value::Signal, 0, 0, 20).empty());
    EXPECT_TRUE(gridLines(QRectF(0, 0, 100, 5), 10, 10).empty());
    EXPECT_EQ(gridLines(G, 10, 20).back(), 35 + 100);
}

TEST(GraphGeometry, TimeAxis)
{
    struct Case {
        qint64 timescale;
        double width;
        qint64 interval;
        const char* format;
    } cases[] = {
        {300, 600, 60, "HH:mm"},    {3600, 600, 600, "HH:mm"}, {100, 600, 15, "HH:mm:ss"},
        {200, 600, 30, "HH:mm:ss"}, {3600, 50, 7200, "HH:mm"}, {28800, 900, 3600, "HH:mm"},
    };
    for (const Case& c : cases) {
        const TimeAxis axis = timeAxis(QRectF(45, 35, c.width, 100), c.timescale, 0);
        EXPECT_EQ(axis.interval, c.interval) << c.timescale << " over " << c.width;
        EXPECT_EQ(axis.format, c.format);
    }
    // The marks fall on whole multiples of the interval, from the reference back.
    const double ref = 3600.0 * 24 * 365 + 90 - 978307200.0; // 90 s past a whole minute (1970 based)
    const TimeAxis axis = timeAxis(QRectF(45, 35, 600, 100), 300, ref);
    ASSERT_GE(axis.marks.size(), 4u);
    for (const TimeMark& m : axis.marks)
        EXPECT_EQ(m.time % 60, 0);
    EXPECT_NEAR(axis.marks.front().x, 645 - 30 * 2, 1e-3);
    EXPECT_EQ(axis.marks.back().x >= 45, true);

    EXPECT_TRUE(timeAxis(QRectF(45, 35, 600, 100), 0, ref).marks.empty());
    EXPECT_TRUE(timeAxis(QRectF(45, 35, -10, 100), 300, ref).marks.empty());
}

TEST(GraphGeometry, ZoomStaysWithinBounds)
{
    struct Case {
        qint64 from;
        double m;
        qint64 to;
    } cases[] = {
        {300, 0.2, 360}, {360, 0.2, 432}, {300, -0.2, 300}, {3600, 0.2, 3600},
        {3000, 0.2, 3600}, {600, -1.0, 300}, {600, -3.0, 300}, {600, 1e30, 3600},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zoomedTimescale(c.from, c.m, 300, 3600), c.to) << c.from << " by " << c.m;
}

TEST(GraphGeometry, ChartRectangles)
{
    EXPECT_EQ(signalChartRect(QRectF(0, 0, 1100, 735)), QRectF(45, 35, 880, 670));
    EXPECT_EQ(spectrumChartRect(QRectF(0, 0, 1100, 735)), QRectF(45, 56, 1010, 655));
    const DetailsLayout both = detailsLayout(QRectF(0, 0, 1000, 300), true, true);
    EXPECT_EQ(both.history, QRectF(45, 30, 405, 245));
    EXPECT_EQ(both.coSSID, QRectF(457, 30, 243, 245));
    EXPECT_EQ(both.coChannel, QRectF(707, 30, 243, 245));
    const DetailsLayout channelOnly = detailsLayout(QRectF(0, 0, 1000, 300), false, true);
    EXPECT_EQ(channelOnly.history.width(), 655);
    EXPECT_EQ(channelOnly.coChannel.x(), 45 + 655 + 7);
    EXPECT_FALSE(both.history.intersects(both.coSSID));
    EXPECT_FALSE(both.coSSID.intersects(both.coChannel));
}

TEST(GraphGeometry, LineSegmentsSplitAtGapsAndStopBeyondTheSpan)
{
    LineInput in;
    in.G = QRectF(0, 0, 300, 110);
    in.topMargin = 10;
    in.units = 1;
    in.timescale = 300;
    in.referenceTime = 1000;

    auto joined = history({800, 860});
    EXPECT_EQ(lineSegments(joined, in).size(), 1u);
    auto split = history({800, 861});
    const auto two = lineSegments(split, in);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].points.size(), 1u);

    auto one = history({1000});
    const auto stub = lineSegments(one, in);
    ASSERT_EQ(stub.size(), 1u);
    EXPECT_TRUE(stub[0].stub);
    const double y = levelHeight(-60, 1, 100);
    EXPECT_EQ(stub[0].points.front(), QPointF(297, y));
    EXPECT_EQ(stub[0].points.back(), QPointF(300, y));

    // Samples every 2 s over an hour: the walk reaches one sample beyond the span.
    SVDataPointBuffer hour(100000);
    for (int t = 0; t <= 1000; t += 2)
        hour.push(sample(t));
    in.pointsPerColumn = 0;
    const auto line = lineSegments(hour, in);
    ASSERT_EQ(line.size(), 1u);
    EXPECT_EQ(line[0].points.size(), 152u); // 700..1000, plus 698
    EXPECT_LT(line[0].points.back().x(), 0);
    EXPECT_EQ(firstVisibleSample(hour, 700), 349u);
    EXPECT_EQ(firstVisibleSample(hour, -50), 0u);
    EXPECT_EQ(firstVisibleSample(hour, 5000), 500u);
}

TEST(GraphGeometry, DecimationKeepsTheExtremesOfEachColumn)
{
    LineInput in;
    in.G = QRectF(0, 0, 10, 110);
    in.topMargin = 10;
    in.units = 1;
    in.timescale = 100;
    in.referenceTime = 100;
    in.pointsPerColumn = 4;
    SVDataPointBuffer b(1000);
    // 100 samples in 10 columns; one dip to -100 and one peak to -10.
    for (int i = 0; i <= 100; ++i)
        b.push(SVDataPoint::fromArchive(i == 55 ? -100 : i == 57 ? -10 : -60, -95, 0, -1, -1, i));
    const auto line = lineSegments(b, in);
    ASSERT_EQ(line.size(), 1u);
    EXPECT_LE(line[0].points.size(), 4u * 11u);
    double lo = 1e9, hi = -1e9;
    for (QPointF p : line[0].points) {
        lo = std::min(lo, p.y());
        hi = std::max(hi, p.y());
    }
    EXPECT_DOUBLE_EQ(lo, 0);
    EXPECT_DOUBLE_EQ(hi, 100);
}

TEST(GraphGeometry, BubbleOpensAwayFromTheChartEdges)
{
    const QRectF G(45, 35, 600, 300);
    const Scale s{1, 1};
    EXPECT_FALSE(bubble(G, 400, 100, 40, 12, s).mirroredX);
    EXPECT_TRUE(bubble(G, 60, 100, 40, 12, s).mirroredX);
    EXPECT_FALSE(bubble(G, 400, 100, 40, 12, s).mirroredY);
    EXPECT_TRUE(bubble(G, 400, 330, 40, 12, s).mirroredY);
    const auto right = bubble(G, 60, 100, 40, 12, s);
    EXPECT_GT(right.shape.boundingRect().left(), 59.9);
    EXPECT_GT(right.textCentre.x(), 60);
}

TEST(GraphGeometry, SlotTables)
{
    EXPECT_EQ(slotTable2Dot4GHz().size(), 18u);
    EXPECT_EQ(slotTable5GHz().size(), 145u);
    EXPECT_EQ(slotCount(slotTable5GHz(), true), 61);
    EXPECT_EQ(slotCount(slotTable5GHz(), false), 145);
    EXPECT_EQ(slotCount(slotTable2Dot4GHz(), true), 18);
    int labelled = 0, labelledNoDFS = 0;
    for (int v : slotTable5GHz())
        labelled += v > 0;
    for (int v : slotTable5GHzNoDFS())
        labelledNoDFS += v > 0;
    EXPECT_EQ(labelled, 25);
    EXPECT_EQ(labelledNoDFS, 9);
    // With DFS hidden channel 136 takes channel 52's place.
    const QRectF P(0, 0, 610, 100);
    const auto axis5 = axisSlots(P, slotTable5GHzNoDFS(), true);
    EXPECT_DOUBLE_EQ(axis5[104].x, P.x() + 10 + 21 * 10);
    EXPECT_DOUBLE_EQ(axis5[144].x, P.x() + 10 + 61 * 10); // 176, the last slot
}

TEST(GraphGeometry, ShapeExtents)
{
    const QRectF P5(0, 0, 1450, 100);
    const double s = 10; // 145 slots
    auto slotX = [&](int channel) { return 10 + s + (channel - 32) * s; };
    struct Case {
        qint64 channel, centre, width;
        int from, to;
    } cases[] = {
        {36, 38, 2, 34, 42},   // 40 MHz centred on 38
        {36, 42, 3, 34, 50},   // 80 MHz centred on 42
        {36, 50, 4, 34, 66},   // 160 MHz
        {36, 42, 5, 34, 50},   // 80+80: drawn as its primary 80 MHz
        {36, 36, 0, 34, 38},   // unknown width: 20 MHz
        {149, 155, 9, 153, 157},
    };
    for (const Case& c : cases) {
        const auto e = shapeExtent(P5, slotTable5GHz(), false, c.channel, c.centre, c.width);
        ASSERT_TRUE(e) << c.centre;
        EXPECT_DOUBLE_EQ(e->xL, slotX(c.from)) << c.centre << " width " << c.width;
        EXPECT_DOUBLE_EQ(e->xR, slotX(c.to));
        EXPECT_DOUBLE_EQ(e->xC, slotX(int(c.centre)));
    }
    EXPECT_FALSE(shapeExtent(P5, slotTable5GHz(), false, 36, 0, 1));
    EXPECT_FALSE(shapeExtent(P5, slotTable5GHz(), false, 6, 6, 1));

    // Channel 14 sits at its own labelled slot, one beyond the spacer.
    const QRectF P24(0, 0, 180, 100);
    const auto axis = axisSlots(P24, slotTable2Dot4GHz(), false);
    const auto ch14 = shapeExtent(P24, slotTable2Dot4GHz(), false, 14, 14, 1);
    ASSERT_TRUE(ch14);
    EXPECT_DOUBLE_EQ(ch14->xC, axis[15].x);
    EXPECT_EQ(axis[15].channel, 14);
    const auto ch13 = shapeExtent(P24, slotTable2Dot4GHz(), false, 13, 13, 1);
    EXPECT_DOUBLE_EQ(ch13->xC, axis[13].x);
    const auto ch6 = shapeExtent(P24, slotTable2Dot4GHz(), false, 6, 6, 1);
    EXPECT_DOUBLE_EQ(ch6->xC, axis[6].x);
}

TEST(GraphGeometry, DFSReach)
{
    struct Case {
        qint64 centre, width;
        bool dfs;
    } cases[] = {
        {36, 1, false}, {52, 1, true}, {144, 1, true}, {149, 1, false}, {42, 3, false},
        {50, 4, true},  {58, 3, true}, {138, 3, true}, {155, 3, false}, {6, 1, false}, {42, 5, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reachesIntoDFS(c.centre, c.width), c.dfs) << c.centre << " width " << c.width;
}

TEST(GraphGeometry, SpectrumPanes)
{
    const QRectF G(45, 56, 1000, 400);
    const auto always = spectrumPanes(G, false, false, false, false);
    EXPECT_EQ(*always.pane24, QRectF(45, 56, 448, 400));
    EXPECT_EQ(*always.pane5, QRectF(45 + 452, 56, 548, 400));
    EXPECT_TRUE(always.divider);
    const auto noDFS = spectrumPanes(G, true, true, true, true);
    EXPECT_DOUBLE_EQ(noDFS.pane24->width(), 598);
    const auto only5 = spectrumPanes(G, false, true, true, false);
    EXPECT_FALSE(only5.pane24);
    EXPECT_EQ(*only5.pane5, G);
    EXPECT_FALSE(only5.divider);
}

TEST(GraphGeometry, BarsAndTheirHitTest)
{
    const QRectF r(100, 30, 350, 200);
    struct Case {
        int n, slotsLaidOut, drawn;
    } cases[] = {{0, 2, 0}, {1, 2, 1}, {2, 2, 2}, {16, 16, 16}, {21, 16, 16}};
    for (const Case& c : cases) {
        const BarLayout b = barLayout(r, c.n);
        EXPECT_EQ(b.count, c.slotsLaidOut);
        EXPECT_EQ(int(b.left.size()), c.drawn);
    }
    const BarLayout b = barLayout(r, 5);
    EXPECT_FLOAT_EQ(float(b.gap), 340.0f / 12);
    EXPECT_FLOAT_EQ(float(b.pitch), 340.0f / 5);
    for (int i = 0; i < 5; ++i) {
        // The middle of every drawn bar hits that bar.
        const QPointF mid(b.left[size_t(i)] + b.gap / 2, r.y() + 10);
        EXPECT_EQ(barAt(b, r, mid), i);
    }
    EXPECT_EQ(barAt(b, r, QPointF(b.left[0] + b.gap / 2, r.y() - 1)), -1);
    EXPECT_EQ(barAt(b, r, QPointF(r.x() + 1, r.y() + 10)), -1);
}
