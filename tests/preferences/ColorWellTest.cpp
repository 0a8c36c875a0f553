#include "preferences/MKColorWell.h"

#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

TEST(ColorSwatchesTest, TwelveHuesByEightShades)
{
    const QList<QColor>& colors = MKColorSwatches::colors();
    ASSERT_EQ(colors.size(), 96);
    const double sat[8] = {0.2, 0.4, 0.6, 0.8, 1, 1, 1, 1};
    const double val[8] = {1, 1, 1, 1, 1, 0.8, 0.6, 0.4};
    for (int row = 0; row < 12; ++row) {
        for (int col = 0; col < 8; ++col) {
            const QColor c = colors[row * 8 + col].toHsv();
            EXPECT_NEAR(c.saturationF(), sat[col], 0.003) << row << "," << col;
            EXPECT_NEAR(c.valueF(), val[col], 0.003) << row << "," << col;
            EXPECT_EQ(c.alphaF(), 1.0);
            // Hue 0 reads back as -1 only for greys; none is grey here.
            EXPECT_NEAR(c.hueF(), row / 12.0, 0.003) << row << "," << col;
        }
    }
    EXPECT_EQ(colors.first().toHsv().hueF(), 0.0);
}

TEST(ColorSwatchesTest, GeometryAndHitTest)
{
    EXPECT_EQ(MKColorSwatches::matrixSize(12, 8), QSize(127, 191));
    const struct {
        QPointF point;
        int index;
    } cases[] = {
        {{0, 0}, 0},            // top-left swatch
        {{14.9, 14.9}, 0},      // its far corner
        {{15.5, 3}, -1},        // the gap after the first column
        {{3, 15.5}, -1},        // the gap below the first row
        {{16, 0}, 1},           // second column
        {{0, 16}, 8},           // second row
        {{126.9, 190.9}, 95},   // the last swatch's far corner
        {{127, 100}, -1},       // right of the grid
        {{50, 191}, -1},        // below it
        {{-0.1, 5}, -1},        // left of it
        {{5, -3}, -1},          // above it
        {{7 * 16 + 7, 11 * 16 + 7}, 95},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MKColorSwatches::indexAt(c.point, 12, 8), c.index) << c.point.x() << "," << c.point.y();
    EXPECT_EQ(MKColorSwatches::indexAt({1, 1}, 0, 8), -1);
}

TEST(ColorWellTest, PopoverOpensClosesAndPicks)
{
    MKColorWell well;
    well.resize(well.sizeHint());
    well.setColor(Qt::black);
    well.show();
    QSignalSpy fired(&well, &MKColorWell::action);

    // The picker is the grid inside a 1-point margin.
    MKColorPickerView* picker = well.popoverView();
    EXPECT_EQ(picker->size(), QSize(129, 193));
    EXPECT_EQ(picker->matrix()->geometry(), QRect(1, 1, 127, 191));
    EXPECT_EQ(picker->matrix()->colorAt(11, 7), MKColorSwatches::colors().at(95));
    EXPECT_FALSE(picker->matrix()->colorAt(12, 0).isValid());

    QTest::mouseClick(&well, Qt::LeftButton);
    EXPECT_TRUE(well.isPopoverShown());
    // A click in a gap picks nothing.
    QTest::mouseClick(picker->matrix(), Qt::LeftButton, {}, QPoint(15, 5));
    EXPECT_TRUE(well.isPopoverShown());
    EXPECT_EQ(fired.count(), 0);

    QTest::mouseClick(picker->matrix(), Qt::LeftButton, {}, QPoint(16 + 7, 16 * 2 + 7));
    EXPECT_EQ(fired.count(), 1);
    EXPECT_EQ(well.color(), MKColorSwatches::colors().at(2 * 8 + 1));
    EXPECT_FALSE(well.isPopoverShown());

    // Open, then close: the colour stays.
    well.closePopover();
    QTest::mouseClick(&well, Qt::LeftButton);
    EXPECT_TRUE(well.isPopoverShown());
    QTest::mouseClick(&well, Qt::LeftButton);
    EXPECT_FALSE(well.isPopoverShown());
    EXPECT_EQ(fired.count(), 1);

    // A disabled well ignores clicks.
    well.setEnabled(false);
    QTest::mouseClick(&well, Qt::LeftButton);
    EXPECT_FALSE(well.isPopoverShown());
}

TEST(ColorWellTest, PopoverStaysOnTheScreen)
{
    const QSize popover(129, 193);
    const QRect screen(0, 0, 1920, 1080);
    const struct {
        const char* name;
        QRect well;
        QRect area;
        QPoint at;
    } cases[] = {
        {"room below: centred below", {100, 100, 44, 23}, screen, {58, 123}},
        {"just room below", {100, 864, 44, 23}, screen, {58, 887}},
        {"no room below: above", {100, 1000, 44, 23}, screen, {58, 807}},
        {"above a panel", {100, 900, 44, 23}, {0, 0, 1920, 1040}, {58, 707}},
        {"at the right edge", {1900, 100, 44, 23}, screen, {1791, 123}},
        {"at the left edge", {0, 100, 44, 23}, screen, {0, 123}},
        {"a second screen", {1930, 100, 44, 23}, {1920, 0, 1280, 1024}, {1920, 123}},
        {"room neither way: on the screen", {100, 100, 44, 23}, {0, 0, 800, 300}, {58, 107}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MKColorSwatches::popoverPosition(c.well, popover, c.area), c.at) << c.name;
}

TEST(ColorWellTest, PopoverOfAWellAtTheScreensFootOpensAbove)
{
    QWidget window;
    auto* well = new MKColorWell(&window);
    well->resize(well->sizeHint());
    window.resize(200, 40);
    const QRect area = window.screen()->availableGeometry();
    window.move(area.x() + 20, area.y() + area.height() - 60);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(well, Qt::LeftButton);
    ASSERT_TRUE(well->isPopoverShown());
    const QRect shown = well->popover()->frameGeometry();
    const QRect at(well->mapToGlobal(QPoint(0, 0)), well->size());
    EXPECT_TRUE(area.contains(shown)) << shown.y() << "+" << shown.height() << " on " << area.height();
    EXPECT_LE(shown.bottom(), at.top() - 1) << "above the well";
    well->closePopover();
}

TEST(ColorWellTest, KeysOpenMoveAmongAndPickSwatches)
{
    MKColorWell well;
    well.resize(well.sizeHint());
    well.setColor(MKColorSwatches::colors().at(9)); // row 1, column 1
    well.show();
    QSignalSpy fired(&well, &MKColorWell::action);
    MKColorSwatchMatrix* matrix = well.popoverView()->matrix();

    QTest::keyClick(&well, Qt::Key_Space);
    ASSERT_TRUE(well.isPopoverShown());
    EXPECT_EQ(well.popover()->focusWidget(), matrix);
    EXPECT_EQ(matrix->currentIndex(), 9) << "the keys start on the well's colour";
    const struct {
        Qt::Key key;
        int current;
    } moves[] = {
        {Qt::Key_Right, 10}, {Qt::Key_Down, 18}, {Qt::Key_Up, 10}, {Qt::Key_Up, 2}, {Qt::Key_Up, 2},
        {Qt::Key_Left, 1},   {Qt::Key_Left, 0},  {Qt::Key_Left, 0}, // the grid's edges hold
    };
    for (const auto& m : moves) {
        QTest::keyClick(matrix, m.key);
        EXPECT_EQ(matrix->currentIndex(), m.current) << m.key;
    }
    QTest::keyClick(matrix, Qt::Key_Return);
    EXPECT_EQ(fired.count(), 1);
    EXPECT_EQ(well.color(), MKColorSwatches::colors().at(0));
    EXPECT_FALSE(well.isPopoverShown());

    // Escape closes without picking; Down opens too, Space picks.
    QTest::keyClick(&well, Qt::Key_Return);
    ASSERT_TRUE(well.isPopoverShown());
    QTest::keyClick(matrix, Qt::Key_Escape);
    EXPECT_FALSE(well.isPopoverShown());
    EXPECT_EQ(fired.count(), 1);
    QTest::keyClick(&well, Qt::Key_Down);
    ASSERT_TRUE(well.isPopoverShown());
    matrix->setCurrentIndex(95);
    QTest::keyClick(matrix, Qt::Key_Down);
    QTest::keyClick(matrix, Qt::Key_Right);
    EXPECT_EQ(matrix->currentIndex(), 95);
    QTest::keyClick(matrix, Qt::Key_Space);
    EXPECT_EQ(well.color(), MKColorSwatches::colors().at(95));
    EXPECT_EQ(fired.count(), 2);

    well.setEnabled(false);
    QTest::keyClick(&well, Qt::Key_Space);
    EXPECT_FALSE(well.isPopoverShown());
}
