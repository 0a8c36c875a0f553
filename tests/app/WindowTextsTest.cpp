#include <gtest/gtest.h>

#include "app/SVWindowFrame.h"
#include "app/SVWindowTexts.h"

TEST(WindowTexts, PreReleaseAndTitle)
{
    struct Case {
        const char* version;
        const char* name;
        const char* idle;
        const char* scanning;
    } cases[] = {
        {"2.0b3", "Beta", "Skyvane (Beta - For Testing Purposes Only)",
         "Skyvane (Beta - For Testing Purposes Only) - Scanning"},
        {"2.0RC1", "Release Candidate", "Skyvane (Release Candidate - For Testing Purposes Only)",
         "Skyvane (Release Candidate - For Testing Purposes Only) - Scanning"},
        {"2.0", "", "Skyvane", "Skyvane - Scanning"},
        {"abc", "Beta", "Skyvane (Beta - For Testing Purposes Only)",
         "Skyvane (Beta - For Testing Purposes Only) - Scanning"},
    };
    for (const Case& c : cases) {
        const QString name = preReleaseName(c.version);
        EXPECT_EQ(name.toStdString(), c.name) << c.version;
        EXPECT_EQ(windowTitleText("Skyvane", name, false).toStdString(), c.idle);
        EXPECT_EQ(windowTitleText("Skyvane", name, true).toStdString(), c.scanning);
    }
    EXPECT_EQ(preReleaseNoticeText("Release Candidate"), "This is a release candidate version of Skyvane.");
}

TEST(WindowTexts, Footers)
{
    EXPECT_EQ(leftFooterText(7, 4), "Networks Found: 7, Displayed: 4 (57%)");
    EXPECT_EQ(leftFooterText(3, 2), "Networks Found: 3, Displayed: 2 (67%)");
    EXPECT_EQ(leftFooterText(0, 0), "Networks Found: 0, Displayed: 0 (0%)");
    EXPECT_EQ(informationElementsFooterText(12, 310), "Information Elements: 12 (310 bytes)");
    EXPECT_EQ(informationElementsFooterText(0, 0), "");
}

TEST(WindowTexts, StateInfo)
{
    SVStateInfoInput live;
    live.windowTitle = "Skyvane";
    live.hasInterface = true;
    live.interfaceName = "wlan0";
    EXPECT_EQ(stateInfoText(live).title, "wlan0: Not scanning  |  Not associated");
    live.scanning = true;
    live.associated = true;
    live.ssid = "home";
    live.channel = 36;
    live.channelWidthMHz = 80;
    live.transmitRate = 866.7;
    const SVStateInfo scanning = stateInfoText(live);
    EXPECT_EQ(scanning.title, "wlan0: Scanning  |  Associated: home, Ch 36, 80 MHz, 867 Mbps");
    EXPECT_TRUE(scanning.toolTip.isEmpty());
    live.hasInterface = false;
    EXPECT_EQ(stateInfoText(live).title, "");

    SVStateInfoInput file;
    file.showsDocument = true;
    file.windowTitle = "/home/u/survey.skyvane";
    const SVStateInfo opened = stateInfoText(file);
    EXPECT_EQ(opened.title, "File: survey.skyvane");
    EXPECT_EQ(opened.toolTip, "/home/u/survey.skyvane");
    // A document is told by being one, not by its name.
    file.windowTitle = "Skyvane-test";
    EXPECT_EQ(stateInfoText(file).title, "File: Skyvane-test");
    file.windowTitle = dataFromClipboardTitle();
    EXPECT_EQ(stateInfoText(file).title, "Data from Clipboard");
}

TEST(WindowFrame, RestoredFrameComesOntoAScreen)
{
    const QRect primary(0, 0, 1440, 870);
    const QRect second(1440, 0, 1920, 1050);
    struct Case {
        QRect frame;
        QList<QRect> screens;
        QRect expected; // empty: anywhere inside the primary area
    } cases[] = {
        {QRect(100, 80, 990, 625), {primary}, QRect(100, 80, 990, 625)},
        // Partly off the edge, its title strip still there: kept.
        {QRect(1300, 400, 990, 625), {primary}, QRect(1300, 400, 990, 625)},
        // On a second screen that is gone: centred on the primary one.
        {QRect(2000, 100, 990, 625), {primary}, QRect(225, 122, 990, 625)},
        {QRect(2000, 100, 990, 625), {primary, second}, QRect(2000, 100, 990, 625)},
        // Its title strip above the screen, and larger than it.
        {QRect(100, -900, 3000, 890), {primary}, QRect()},
    };
    for (const Case& c : cases) {
        const QRect got = frameOnScreens(c.frame, c.screens, primary);
        if (c.expected.isEmpty())
            EXPECT_TRUE(primary.contains(got)) << got.x() << "," << got.y();
        else
            EXPECT_EQ(got, c.expected) << got.x() << "," << got.y();
    }
}
