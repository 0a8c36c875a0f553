#include <gtest/gtest.h>

#include "app/SVSplitViewLimits.h"
#include "app/SVToolbar.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

TEST(Toolbar, ItemsTagsAndScanStopState)
{
    EXPECT_EQ(toolbarDefaultItemIdentifiers(true).indexOf("Info Toolbar Item"), 4);
    EXPECT_FALSE(toolbarDefaultItemIdentifiers(false).contains("Info Toolbar Item"));
    for (const QString& id : toolbarDefaultItemIdentifiers(true))
        EXPECT_TRUE(toolbarAllowedItemIdentifiers().contains(id)) << id.toStdString();

    QMainWindow window;
    SVMainToolbar t = buildMainToolbar(window);
    ASSERT_TRUE(t.scanButton && t.stopButton && t.activityIndicator && t.infoButton && t.quickFilter && t.filterField);
    EXPECT_EQ(t.toolbar->objectName(), "Toolbar");
    EXPECT_EQ(t.scanButton->property("tag").toInt(), 1001);
    EXPECT_EQ(t.stopButton->property("tag").toInt(), 1002);
    EXPECT_EQ(t.quickFilter->property("tag").toInt(), 1004);
    EXPECT_EQ(t.filterField->property("tag").toInt(), 1005);
    EXPECT_EQ(t.infoButton->property("tag").toInt(), 1006);
    EXPECT_EQ(t.scanButton->toolTip(), "Start a scan");
    EXPECT_EQ(t.filterField->placeholderText(), "Filter");

    EXPECT_TRUE(t.scanButton->isEnabled());
    EXPECT_FALSE(t.stopButton->isEnabled());
    t.validateScanStopItems(true);
    EXPECT_FALSE(t.scanButton->isEnabled());
    EXPECT_TRUE(t.stopButton->isEnabled());

    window.show();
    auto blank = [&] {
        const QImage image = t.activityIndicator->grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != image.pixel(0, 0))
                    return false;
        return true;
    };
    EXPECT_TRUE(blank());
    t.activityIndicator->startAnimation();
    EXPECT_TRUE(t.activityIndicator->isAnimating());
    EXPECT_FALSE(blank());
    t.activityIndicator->stopAnimation();
    EXPECT_TRUE(blank());

    const QString status = "wlan0: Scanning  |  Associated: a network with a very long name indeed, Ch 36, 80 MHz, 867 Mbps";
    t.setInfoText(status, "tip");
    EXPECT_LE(t.infoButton->fontMetrics().horizontalAdvance(t.infoButton->text()), t.infoButton->width());
    EXPECT_TRUE(t.infoButton->text().startsWith("wlan0"));
    EXPECT_EQ(t.infoButton->toolTip(), "tip");

    // Set SKYVANE_TOOLBAR_PNG to look at the toolbar.
    const QString out = qEnvironmentVariable("SKYVANE_TOOLBAR_PNG");
    if (!out.isEmpty()) {
        t.activityIndicator->startAnimation();
        window.resize(1000, 80);
        t.toolbar->grab().save(out);
    }

    QMainWindow titled;
    EXPECT_EQ(buildMainToolbar(titled, false).infoButton, nullptr);
}

TEST(SplitViewLimits, Dividers)
{
    EXPECT_EQ(constrainHorizontalDivider(50, 800), 100);
    EXPECT_EQ(constrainHorizontalDivider(300, 800), 300);
    EXPECT_EQ(constrainHorizontalDivider(700, 800), 400);
    EXPECT_EQ(constrainVerticalDivider(80, 800), 125);
    EXPECT_EQ(constrainVerticalDivider(300, 800), 200);
    EXPECT_EQ(constrainVerticalDivider(0, 800), 0);
}
