#include "raster/LineBatch.h"
#include "platform/ParallelFor.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

using sv::raster::LineBatch;

namespace {

constexpr int kSize = 40;

QImage blank()
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Ink of each column: the sum of its alpha.
std::vector<int> columnInk(const QImage& image)
{
    std::vector<int> ink(size_t(image.width()), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink[size_t(x)] += qAlpha(image.pixel(x, y));
    return ink;
}

void yUp(QPainter& p)
{
    p.setTransform(QTransform(1, 0, 0, -1, 0, kSize));
    p.setRenderHint(QPainter::Antialiasing, true);
}

} // namespace

TEST(LineBatch, DrawWhereThePainterDrawsWithTheSameInk)
{
    // y-up polylines, as the graphs hand them over.
    const std::vector<std::vector<QPointF>> lines = {
        {{2, 10.3}, {38, 10.3}},           // flat, between two rows
        {{2, 5}, {38, 30}},                // shallow slope
        {{20.5, 3}, {21.5, 35}},           // steep
        {{2, 20}, {10, 25}, {18, 12}, {30, 33}},
        {{3, 6}, {35, 18}, {12, 34}},      // turns back over the columns it crossed
    };
    LineBatch::Storage storage;
    for (const auto& line : lines) {
        QImage ours = blank(), theirs = blank();
        {
            QPainter p(&ours);
            yUp(p);
            LineBatch batch(p, QRectF(0, 0, kSize, kSize), storage);
            ASSERT_TRUE(batch.isValid());
            batch.add(line, Qt::white);
        }
        {
            QPainter p(&theirs);
            yUp(p);
            p.setPen(QPen(Qt::white, 1.0));
            p.drawPolyline(line.data(), int(line.size()));
        }
        const auto a = columnInk(ours), b = columnInk(theirs);
        int totalA = 0, totalB = 0;
        for (int x = 4; x < kSize - 4; ++x) {
            totalA += a[size_t(x)];
            totalB += b[size_t(x)];
            // Column by column the ink lies where the painter puts it.
            const int most = std::max(a[size_t(x)], b[size_t(x)]);
            EXPECT_NEAR(a[size_t(x)], b[size_t(x)], std::max(0.35 * most, 64.0)) << "column " << x;
        }
        EXPECT_NEAR(totalA, totalB, 0.1 * totalB);
        // Same rows as the painter in the middle of the flat line.
        if (line.size() == 2 && line[0].y() == line[1].y()) {
            for (int y = 0; y < kSize; ++y)
                EXPECT_NEAR(qAlpha(ours.pixel(20, y)), qAlpha(theirs.pixel(20, y)), 40) << y;
        }
    }
}

TEST(LineBatch, WideLinesDrawWhereThePainterDrawsWithTheSameInk)
{
    struct Case {
        std::vector<QPointF> line;
        double width;
    };
    const std::vector<Case> cases = {
        {{{2, 10.3}, {38, 10.3}}, 2.0},                       // flat, between two rows
        {{{2, 10.5}, {38, 10.5}}, 1.5},
        {{{2, 5}, {38, 30}}, 2.0},                            // shallow slope
        {{{20.3, 3}, {20.3, 35}}, 1.5},                       // upright, off the pixel grid
        {{{2, 20}, {8, 34}, {14, 6}, {20, 26}, {38, 24}}, 2.0}, // a signal line's jumps
        {{{5, 0}, {8, 30}, {30, 30}, {33, 0}}, 1.5},          // a channel's outline
        {{{30, 12}, {30.4, 12}}, 2.0},                        // a stub: its round ends
    };
    LineBatch::Storage storage;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const auto& [line, width] = cases[c];
        QImage ours = blank(), theirs = blank();
        {
            QPainter p(&ours);
            yUp(p);
            LineBatch batch(p, QRectF(0, 0, kSize, kSize), storage);
            ASSERT_TRUE(batch.isValid());
            batch.add(line, Qt::white, width);
        }
        {
            QPainter p(&theirs);
            yUp(p);
            QPen pen(Qt::white, width);
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            p.setPen(pen);
            p.drawPolyline(line.data(), int(line.size()));
        }
        const auto a = columnInk(ours), b = columnInk(theirs);
        int totalA = 0, totalB = 0, apart = 0;
        for (int x = 0; x < kSize; ++x) {
            totalA += a[size_t(x)];
            totalB += b[size_t(x)];
            // Sampled four times across a column: up to an eighth of a
            // pixel off in each row an upright edge passes.
            int rows = 0;
            for (int y = 0; y < kSize; ++y)
                rows += qAlpha(ours.pixel(x, y)) > 0 || qAlpha(theirs.pixel(x, y)) > 0;
            const int most = std::max(a[size_t(x)], b[size_t(x)]);
            EXPECT_NEAR(a[size_t(x)], b[size_t(x)], std::max(0.15 * most, 48.0) + 32 * rows) << "case " << c << " column " << x;
            for (int y = 0; y < kSize; ++y)
                apart = std::max(apart, std::abs(qAlpha(ours.pixel(x, y)) - qAlpha(theirs.pixel(x, y))));
        }
        EXPECT_NEAR(totalA, totalB, 0.05 * totalB) << "case " << c;
        // Pixel by pixel within the painter's own smoothing.
        EXPECT_LE(apart, 32) << "case " << c;
    }
}

TEST(LineBatch, KeepTheOrderOfDrawingAndTheClip)
{
    LineBatch::Storage storage;
    QImage image = blank();
    {
        QPainter p(&image);
        yUp(p);
        LineBatch batch(p, QRectF(0, 0, 30, kSize), storage);
        // Two opaque flat lines on the same row: the later one shows.
        batch.add(std::vector<QPointF>{{0, 20.5}, {40, 20.5}}, Qt::red);
        batch.add(std::vector<QPointF>{{0, 20.5}, {40, 20.5}}, Qt::green);
        batch.flush();
        // What the painter draws after a flush lies on top.
        p.fillRect(QRectF(0, 0, 5, kSize), Qt::blue);
        // An area under a line, from its floor up to the line.
        batch.addArea(std::vector<QPointF>{{10, 30.5}, {14, 30.5}}, Qt::white, 25);
    }
    const int row = kSize - 21; // y-up 20.5 lies in row 19
    EXPECT_EQ(image.pixel(10, row), QColor(Qt::green).rgba());
    EXPECT_EQ(image.pixel(2, row), QColor(Qt::blue).rgba());
    // The clip ends at x = 30.
    EXPECT_EQ(qAlpha(image.pixel(35, row)), 0);
    EXPECT_EQ(image.pixel(12, kSize - 28), QColor(Qt::white).rgba());
    EXPECT_EQ(qAlpha(image.pixel(12, kSize - 24)), 0);
    EXPECT_EQ(qAlpha(image.pixel(16, kSize - 28)), 0);
}

TEST(LineBatch, AreasBlendAlikeInEveryColumnAsThePainterFills)
{
    // Whole strips of columns are blended four pixels at a time, the strip
    // at the image's right edge pixel by pixel: the same ink either way.
    const QColor colors[] = {QColor(255, 255, 255, 26), QColor(40, 200, 90, 153), QColor(250, 10, 10)};
    LineBatch::Storage storage;
    for (const QColor& color : colors) {
        QImage ours = blank(), theirs = blank();
        ours.fill(QColor(20, 30, 80));
        theirs.fill(QColor(20, 30, 80));
        {
            QPainter p(&ours);
            yUp(p);
            LineBatch batch(p, QRectF(0, 0, kSize, kSize), storage);
            batch.addArea(std::vector<QPointF>{{0, 30.5}, {kSize, 30.5}}, color, 5);
        }
        {
            QPainter p(&theirs);
            yUp(p);
            p.fillRect(QRectF(0, 5, kSize, 25.5), color);
        }
        for (int y = kSize - 30; y < kSize - 5; ++y) {
            for (int x = 0; x < kSize; ++x) {
                ASSERT_EQ(ours.pixel(x, y), ours.pixel(0, y)) << x << "," << y;
                const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
                ASSERT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)), 3)
                    << x << "," << y;
            }
        }
        // Nothing above the area's top or below its floor.
        EXPECT_EQ(ours.pixel(20, kSize - 33), QColor(20, 30, 80).rgba());
        EXPECT_EQ(ours.pixel(20, kSize - 3), QColor(20, 30, 80).rgba());
    }
}

TEST(LineBatch, LayImagesInTheirPlaceBetweenLinesPastTheClip)
{
    LineBatch::Storage storage;
    QImage image = blank();
    QImage half(8, 4, QImage::Format_ARGB32_Premultiplied);
    half.fill(qRgba(0, 0, 128, 128)); // half-transparent blue, premultiplied
    {
        QPainter p(&image);
        yUp(p);
        LineBatch batch(p, QRectF(0, 0, 20, kSize), storage);
        batch.add(std::vector<QPointF>{{0, 20.5}, {40, 20.5}}, Qt::red);
        // Over the red line, then under the green one, and past the clip at x = 20.
        batch.addImage(half, QPoint(14, 17));
        batch.add(std::vector<QPointF>{{0, 20.5}, {17, 20.5}}, Qt::green);
        // Hanging off the image's corner: only the part inside is laid.
        batch.addImage(half, QPoint(-4, -2));
    }
    const int row = kSize - 21;
    EXPECT_EQ(image.pixel(16, row), QColor(Qt::green).rgba());
    const QRgb mixed = image.pixel(18, row);
    EXPECT_NEAR(qRed(mixed), 127, 1);
    EXPECT_NEAR(qBlue(mixed), 128, 1);
    EXPECT_EQ(qAlpha(mixed), 255);
    // Past the clip only the image shows.
    EXPECT_EQ(image.pixel(21, 18), qRgba(0, 0, 128, 128));
    EXPECT_EQ(qAlpha(image.pixel(22, 21)), 0);
    EXPECT_EQ(image.pixel(0, 0), qRgba(0, 0, 128, 128));
    EXPECT_EQ(image.pixel(3, 1), qRgba(0, 0, 128, 128));
    EXPECT_EQ(qAlpha(image.pixel(4, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(0, 2)), 0);
}

TEST(LineBatch, StrokeAsThePainterDoesInItsPlaceInTheOrder)
{
    const std::vector<QPointF> zigzag = {{2, 8}, {12, 30}, {22, 6}, {38, 26}};
    QPen pen(QColor(255, 255, 255, 200), 3.0);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::BevelJoin);
    const QRectF clip(0, 0, 30, kSize);
    LineBatch::Storage storage;
    QImage ours = blank(), theirs = blank();
    {
        QPainter p(&ours);
        yUp(p);
        LineBatch batch(p, clip, storage);
        batch.addStroke(zigzag, pen);
    }
    {
        QPainter p(&theirs);
        yUp(p);
        p.setClipRect(clip);
        p.setPen(pen);
        p.drawPolyline(zigzag.data(), int(zigzag.size()));
    }
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            ASSERT_NEAR(qAlpha(ours.pixel(x, y)), qAlpha(theirs.pixel(x, y)), 2) << x << "," << y;

    // Over the lines before it, under those after it.
    QImage image = blank();
    {
        QPainter p(&image);
        yUp(p);
        LineBatch batch(p, QRectF(0, 0, kSize, kSize), storage);
        batch.add(std::vector<QPointF>{{0, 20.5}, {40, 20.5}}, Qt::red);
        QPen wide(Qt::blue, 4.0);
        batch.addStroke(std::vector<QPointF>{{10, 2}, {10, 38}}, wide);
        batch.addStroke(std::vector<QPointF>{{30, 2}, {30, 38}}, wide);
        batch.add(std::vector<QPointF>{{0, 30.5}, {40, 30.5}}, Qt::green);
    }
    EXPECT_EQ(image.pixel(10, kSize - 21), QColor(Qt::blue).rgba());
    EXPECT_EQ(image.pixel(30, kSize - 21), QColor(Qt::blue).rgba());
    EXPECT_EQ(image.pixel(10, kSize - 31), QColor(Qt::green).rgba());
    EXPECT_EQ(image.pixel(20, kSize - 21), QColor(Qt::red).rgba());
}

TEST(LineBatch, LeaveOtherDevicesAndTransformsToThePainter)
{
    LineBatch::Storage storage;
    QPixmap pixmap(kSize, kSize);
    QPainter onPixmap(&pixmap);
    onPixmap.setRenderHint(QPainter::Antialiasing, true);
    // Offscreen a pixmap is an image inside, but not one the batch may write to.
    EXPECT_FALSE(LineBatch(onPixmap, QRectF(0, 0, kSize, kSize), storage).isValid());
    onPixmap.end();

    QImage image = blank();
    QPainter p(&image);
    EXPECT_FALSE(LineBatch(p, QRectF(0, 0, kSize, kSize), storage).isValid()); // no antialiasing
    p.setRenderHint(QPainter::Antialiasing, true);
    p.rotate(10);
    EXPECT_FALSE(LineBatch(p, QRectF(0, 0, kSize, kSize), storage).isValid());
    p.resetTransform();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    EXPECT_FALSE(LineBatch(p, QRectF(0, 0, kSize, kSize), storage).isValid());
}

TEST(LineBatch, FinishesOnTheCallersThreadWhileThePoolIsBusy)
{
    // Every pool thread held until the call returns: helpers queue behind
    // them, and the call must neither wait for them nor let them run body late.
    QThreadPool* pool = QThreadPool::globalInstance();
    std::mutex mutex;
    std::condition_variable changed;
    int holding = 0;
    bool release = false;
    for (int t = 0; t < pool->maxThreadCount(); ++t) {
        pool->start([&] {
            std::unique_lock g(mutex);
            ++holding;
            changed.notify_all();
            changed.wait(g, [&] { return release; });
        });
    }
    {
        std::unique_lock g(mutex);
        ASSERT_TRUE(changed.wait_for(g, std::chrono::seconds(60), [&] { return holding == pool->maxThreadCount(); }));
    }
    std::atomic<int> runs{0};
    sv::parallelFor(100, [&](std::size_t) { runs.fetch_add(1); });
    EXPECT_EQ(runs.load(), 100);
    {
        sv::ParallelFor started(100, [&](std::size_t) { runs.fetch_add(1); });
        EXPECT_EQ(runs.load(), 100); // no thread was free to start on it
    } // the caller does it all on leaving
    EXPECT_EQ(runs.load(), 200);
    // Nor does a stroke that no pool thread is free to draw hold up the flush.
    QImage image = blank();
    {
        LineBatch::Storage storage;
        QPainter p(&image);
        yUp(p);
        LineBatch batch(p, QRectF(0, 0, kSize, kSize), storage);
        batch.addStroke(std::vector<QPointF>{{10, 2}, {10, 38}}, QPen(Qt::blue, 4.0));
    }
    EXPECT_EQ(image.pixel(10, 20), QColor(Qt::blue).rgba());
    {
        std::lock_guard g(mutex);
        release = true;
    }
    changed.notify_all();
    pool->waitForDone();
    EXPECT_EQ(runs.load(), 200);
}
