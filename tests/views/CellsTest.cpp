#include <gtest/gtest.h>

#include "FakeRow.h"
#include "views/SVNetworkCellDressing.h"
#include "model/SVNetworkCellText.h"
#include "views/SVTableCells.h"

#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTreeView>

#include "views/SVImageAndTextDelegate.h"

namespace {

std::string str(const QString& s)
{
    return s.toStdString();
}

} // namespace

TEST(NetworkCellText, ValuesInBothUnits)
{
    FakeRow row;
    row.rssi = -70;
    row.noise = -95;
    struct Case {
        const char* column;
        int units;
        std::function<void(FakeRow&)> set;
        QString expected;
    } cases[] = {
        {"RSSI", 0, {}, "50%"},
        {"RSSI", 1, {}, "-70"},
        {"RSSI", 0, [](FakeRow& r) { r.rssi = -120; }, "0%"},
        {"RSSI", 0, [](FakeRow& r) { r.rssi = -95; }, "1%"},
        {"RSSI_MAX", 0, [](FakeRow& r) { r.rssiMax = -20; }, "100%"},
        {"NOISE", 1, {}, "-95"},
        {"NOISE_MIN", 0, [](FakeRow& r) { r.noiseMin = -120; }, "0%"},
        {"SNR", 0, {}, "25 dB"},
        {"SNR_MIN", 1, {}, "15 dB"},
        {"CHANNEL_UTILIZATION", 0, {}, "40%"},
        {"CHANNEL_UTILIZATION", 0, [](FakeRow& r) { r.utilization = -1; }, ""},
        {"STREAMS", 0, {}, "2"},
        {"STREAMS", 0, [](FakeRow& r) { r.streams = "0"; }, ""},
        {"BEACON_INT", 0, [](FakeRow& r) { r.beaconInterval = "102.4"; }, "102.4 ms"},
        {"BEACON_INT", 0, [](FakeRow& r) { r.beaconInterval = ""; }, ""},
        {"MIN_RATE", 0, [](FakeRow& r) { r.minRate = "5.5"; }, "5.5 Mbps"},
        {"MAX_RATE", 0, [](FakeRow& r) { r.maxRate = ""; }, ""},
        {"BASIC_RATES", 0, {}, "1, 2 Mbps"},
        {"BASIC_RATES", 0, [](FakeRow& r) { r.basicRates = ""; }, ""},
        {"CENTER_FREQUENCY", 0, {}, "2437 MHz"},
        {"SSID", 0, {}, "home"},
        {"SECURITY_MODE", 0, {}, "WPA2 Personal"},
        {"IS_USER_HIDDEN", 0, {}, ""},
        {"NOT_A_COLUMN", 0, {}, ""},
    };
    for (const Case& c : cases) {
        FakeRow r = row;
        if (c.set)
            c.set(r);
        EXPECT_EQ(str(networkCellText(r, c.column, {c.units, true})), str(c.expected)) << c.column;
    }
    const QRegularExpression dated(R"(^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d (AM|PM)$)");
    EXPECT_TRUE(dated.match(networkCellText(row, "FIRST_SEEN", {})).hasMatch())
        << str(networkCellText(row, "FIRST_SEEN", {}));
    row.firstSeen = QDateTime();
    EXPECT_EQ(networkCellText(row, "FIRST_SEEN", {}), "");
}

TEST(NetworkCellText, SeenWhileScanningAndAfter)
{
    const QDateTime lastSeen = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    struct Case {
        double elapsed;
        bool inLatestScan;
        const char* expected;
    } cases[] = {
        {0, true, "Just now"},     {0.4, true, "Just now"},    {0, false, "2 sec ago"},
        {1.5, true, "2 sec ago"},  {3, true, "2 sec ago"},     {7, true, "5 sec ago"},
        {58, true, "55 sec ago"},  {60, true, "1 min ago"},    {125, true, "2 min ago"},
        {3598, true, "59 min ago"}, {3600, true, "1 hours ago"}, {7300, true, "2 hours ago"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(str(seenText(c.elapsed, c.inLatestScan, true, lastSeen)), c.expected) << c.elapsed;
    EXPECT_EQ(seenText(std::nullopt, true, true, lastSeen), "");

    // After the scan stops: the last-seen date, whatever the elapsed time.
    const QString date = seenText(125, true, false, lastSeen);
    EXPECT_FALSE(date.contains("ago"));
    EXPECT_TRUE(date.contains("2023")) << str(date);
}

TEST(TableCells, LevelBarGeometryAndColour)
{
    SVLevelBar bar;
    bar.barLevel = 50;
    bar.barLevelMax = 80;
    const SVLevelBarGeometry g = levelBarGeometry(QRectF(0, 0, 105, 20), bar);
    EXPECT_TRUE(g.drawn);
    EXPECT_EQ(g.bar, QRectF(0, 3, 50, 13));
    EXPECT_EQ(g.lighter, QRectF(50, 3, 30, 13));
    EXPECT_EQ(g.outline, QRectF(-0.25, 2.75, 100.5, 13.5));

    bar.barIndent = 10;
    bar.barLevelMax = 20; // below the level: no lighter part
    const SVLevelBarGeometry indented = levelBarGeometry(QRectF(5, 40, 115, 20), bar);
    EXPECT_EQ(indented.bar, QRectF(15, 43, 50, 13));
    EXPECT_TRUE(indented.lighter.isNull());

    bar.barLevel = 0;
    const SVLevelBarGeometry empty = levelBarGeometry(QRectF(0, 0, 105, 20), bar);
    EXPECT_TRUE(empty.drawn);
    EXPECT_EQ(empty.bar.width(), 0);
    EXPECT_GT(empty.outline.width(), 0);
    bar.barLevel = -1;
    EXPECT_FALSE(levelBarGeometry(QRectF(0, 0, 105, 20), bar).drawn);

    bar.barColor = Qt::red;
    bar.barAlpha = 0;
    EXPECT_EQ(levelBarColor(bar, false, false), QColor(Qt::red)); // alpha 0 reads as opaque
    bar.barAlpha = 0.5;
    EXPECT_NEAR(levelBarColor(bar, false, false).alphaF(), 0.5, 0.01);
    struct Case {
        bool grey, highlighted, active;
        QColor rgb;
        float alpha;
    } cases[] = {
        {true, true, true, Qt::white, 0.3f},   {true, true, false, Qt::darkGray, 0.3f},
        {true, false, true, Qt::lightGray, 0.5f}, {false, true, true, Qt::cyan, 0.7f},
        {false, true, false, Qt::darkGray, 0.5f},
    };
    for (const Case& c : cases) {
        bar.isGrayedOut = c.grey;
        const QColor colour = levelBarColor(bar, c.highlighted, c.active);
        EXPECT_EQ(colour.rgb(), c.rgb.rgb()) << c.grey << c.highlighted << c.active;
        EXPECT_NEAR(colour.alphaF(), c.alpha, 0.01);
    }
    EXPECT_EQ(levelIndicatorCellWidth(50, 200), 110);
    EXPECT_EQ(levelIndicatorCellWidth(150, 200), 200);
}

TEST(TableCells, TextAndImageAndImageAndTextLayout)
{
    const SVTextAndImageGeometry padlock = textAndImageGeometry(QRectF(0, 0, 200, 20), QSizeF(12, 12));
    EXPECT_EQ(padlock.text, QRectF(0, 0, 183, 20));
    EXPECT_EQ(padlock.imageArea, QRectF(183, 0, 17, 20));
    EXPECT_EQ(padlock.imageOrigin, QPointF(185, 4));
    EXPECT_EQ(textAndImageGeometry(QRectF(0, 0, 200, 20), QSizeF()).text, QRectF(0, 0, 200, 20));
    EXPECT_EQ(textAndImageCellWidth(100, QSizeF(12, 12), 300), 117);
    EXPECT_EQ(textAndImageCellWidth(100, QSizeF(), 300), 100);

    EXPECT_TRUE(isGroupCell(false, "NETWORKS"));
    EXPECT_FALSE(isGroupCell(true, "home"));
    EXPECT_FALSE(isGroupCell(false, ""));
    EXPECT_EQ(imageAndTextTitleRect(QRectF(0, 0, 100, 20), QSizeF(16, 16)), QRectF(24, 2, 81, 16));
    EXPECT_EQ(imageAndTextTitleRect(QRectF(0, 0, 100, 20), QSizeF()), QRectF(8, 2, 97, 16));

    // Margins wider than the cell leave no room for the title.
    EXPECT_EQ(imageAndTextGeometry(QRectF(0, 0, 30, 20), 20, 20, QSizeF(), false, 14).title.width(), 0);
    // A group heading is centred vertically.
    const SVImageAndTextGeometry group = imageAndTextGeometry(QRectF(0, 10, 100, 20), 0, 0, QSizeF(), true, 14);
    EXPECT_EQ(group.title, QRectF(5, 13, 100, 14));
    const SVImageAndTextGeometry item = imageAndTextGeometry(QRectF(0, 0, 100, 20), 4, 2, QSizeF(16, 16), false, 14);
    EXPECT_EQ(item.imageOrigin, QPointF(7, 2));
    EXPECT_EQ(item.title, QRectF(25, 0, 78, 20));
    EXPECT_EQ(imageAndTextCellWidth(50, QSizeF(16, 16)), 69);
}

TEST(NetworkCellDressing, RowsColumnsAndStates)
{
    SVNetworkCellPalette p = networkCellPaletteFromTheme();
    p.textColorForNetwork = QColor(1, 1, 1);
    p.textColorForNetworkAssociated = QColor(2, 2, 2);
    p.textColorForNetworkNotFound = QColor(3, 3, 3);
    p.controlTextColor = QColor(4, 4, 4);
    p.textColorForNetworkCollection = QColor(5, 5, 5);
    p.textColorForNetworkCollectionNotFound = QColor(6, 6, 6);
    p.textColorForMultipleValuesPlaceholder = QColor(7, 7, 7);
    const QColor white(Qt::white);

    SVNetworkRowInfo closed;
    closed.rssi = -60;
    closed.rssiLast = -70;
    closed.rssiMax = -20;
    closed.snrPerc = 40;
    closed.snrPercMax = 60;
    closed.isOpen = false;
    closed.color = Qt::green;
    SVNetworkRowInfo missing = closed;
    missing.rssi = -120;

    SVNetworkCellState plain;
    plain.scanning = true;
    SVNetworkCellState selected = plain;
    selected.rowSelected = selected.cellHighlighted = selected.tableIsFirstResponder = true;
    SVNetworkCellState selectedUnfocused = selected;
    selectedUnfocused.tableIsFirstResponder = false;
    SVNetworkCellState editing = selected;
    editing.editing = true;
    SVNetworkCellState stopped = plain;
    stopped.scanning = false;

    struct Case {
        const char* name;
        const char* column;
        SVNetworkRowInfo row;
        SVNetworkCellState state;
        QColor text;
        SVPadlock padlock;
    } cases[] = {
        {"plain", "SSID", closed, plain, p.textColorForNetwork, SVPadlock::Normal},
        {"missing", "SSID", missing, plain, p.textColorForNetworkNotFound, SVPadlock::NoData},
        {"missing, not scanning", "SSID", missing, stopped, p.textColorForNetwork, SVPadlock::Normal},
        {"selected", "SSID", closed, selected, white, SVPadlock::Highlighted},
        {"selected, unfocused", "SSID", closed, selectedUnfocused, p.textColorForNetwork,
         SVPadlock::AlternateHighlighted},
        {"missing, selected", "SSID", missing, selected, white, SVPadlock::Highlighted},
        {"missing, selected, unfocused", "VENDOR", missing, selectedUnfocused, p.textColorForNetworkNotFound,
         SVPadlock::None},
        {"editing, other column", "VENDOR", closed, editing, white, SVPadlock::None},
        {"editing, annotations", "ANNOTATIONS", closed, editing, p.controlTextColor, SVPadlock::None},
        {"missing, editing", "VENDOR", missing, editing, p.controlTextColor, SVPadlock::None},
    };
    for (const Case& c : cases) {
        const SVNetworkCellDressing d = dressNetworkCell(c.column, "x", c.row, c.state, p);
        EXPECT_EQ(d.textColor, c.text) << c.name;
        EXPECT_EQ(d.padlock, c.padlock) << c.name;
        EXPECT_FALSE(d.bold || d.italic) << c.name;
    }

    SVNetworkRowInfo open = closed;
    open.isOpen = true;
    EXPECT_EQ(dressNetworkCell("SSID", "x", open, plain, p).padlock, SVPadlock::None);

    // Hidden SSIDs are italic there only; an associated network is bold and,
    // while not selected, in its own colour.
    SVNetworkRowInfo hidden = closed;
    hidden.isHidden = true;
    EXPECT_TRUE(dressNetworkCell("SSID", "x", hidden, plain, p).italic);
    EXPECT_FALSE(dressNetworkCell("BSSID", "x", hidden, plain, p).italic);
    SVNetworkRowInfo associated = closed;
    associated.isAssociated = true;
    const SVNetworkCellDressing a = dressNetworkCell("BSSID", "x", associated, plain, p);
    EXPECT_TRUE(a.bold);
    EXPECT_EQ(a.textColor, p.textColorForNetworkAssociated);
    EXPECT_EQ(dressNetworkCell("BSSID", "x", associated, selected, p).textColor, white);

    // The swatch column shows the colour and never the selection; a column
    // the filter matched is tinted.
    const SVNetworkCellDressing swatch = dressNetworkCell("IS_USER_HIDDEN", "", closed, selected, p);
    EXPECT_EQ(swatch.background, QColor(Qt::green));
    EXPECT_FALSE(swatch.highlighted);
    SVNetworkCellState filtered = plain;
    filtered.columnFiltered = true;
    EXPECT_EQ(dressNetworkCell("VENDOR", "x", closed, filtered, p).background, p.backgroundColorForFilteredCell);
    EXPECT_FALSE(dressNetworkCell("VENDOR", "x", closed, plain, p).background);
}

TEST(NetworkCellDressing, LevelBars)
{
    SVNetworkCellPalette p = networkCellPaletteFromTheme();
    SVNetworkRowInfo r;
    r.rssi = r.rssiLast = -70;
    r.rssiMax = -20;
    r.noiseLast = r.noiseMax = -120;
    r.snrPerc = 40;
    r.snrPercMax = 60;
    SVNetworkCellState s;
    s.scanning = true;
    s.fontSize = 11;

    struct Case {
        const char* column;
        int units;
        qint64 level, max, indent;
        double alpha;
    } cases[] = {
        {"RSSI", 0, 50, 100, 36, 0.7}, {"RSSI", 1, 50, 100, 30, 0.7}, {"NOISE", 0, 0, 0, 36, 0.5},
        {"SNR", 0, 40, 60, 44, 0.5},   {"CHANNEL_UTILIZATION", 0, -1, -1, 32, 0.6},
    };
    for (const Case& c : cases) {
        s.units = c.units;
        const SVNetworkCellDressing d = dressNetworkCell(c.column, "", r, s, p);
        ASSERT_TRUE(d.levelBar) << c.column;
        EXPECT_EQ(d.levelBar->barLevel, c.level) << c.column;
        EXPECT_EQ(d.levelBar->barLevelMax, c.max) << c.column;
        EXPECT_EQ(d.levelBar->barIndent, c.indent) << c.column;
        EXPECT_DOUBLE_EQ(d.levelBar->barAlpha, c.alpha) << c.column;
        EXPECT_FALSE(d.levelBar->isGrayedOut);
    }
    EXPECT_FALSE(dressNetworkCell("RSSI_AVG", "", r, s, p).levelBar);
    s.fontSize = 9.5; // the indent is cut to whole points
    EXPECT_EQ(dressNetworkCell("SNR", "", r, s, p).levelBar->barIndent, 41);
    r.rssi = -120;
    EXPECT_TRUE(dressNetworkCell("RSSI", "", r, s, p).levelBar->isGrayedOut);
    r.channelUtilization = 30;
    r.channelUtilizationMax = 70;
    EXPECT_EQ(dressNetworkCell("CHANNEL_UTILIZATION", "", r, s, p).levelBar->barLevelMax, 70);
}

TEST(NetworkCellDressing, GroupRows)
{
    SVNetworkCellPalette p = networkCellPaletteFromTheme();
    p.textColorForNetworkCollection = QColor(5, 5, 5);
    p.textColorForNetworkCollectionNotFound = QColor(6, 6, 6);
    p.textColorForMultipleValuesPlaceholder = QColor(7, 7, 7);
    SVNetworkRowInfo g;
    g.isGroup = true;
    g.rssi = -60;
    g.isAssociated = true;
    SVNetworkCellState s;
    EXPECT_EQ(dressNetworkCell("SSID", "<Multiple values>", g, s, p).textColor, p.textColorForMultipleValuesPlaceholder);
    EXPECT_EQ(dressNetworkCell("SSID", "home", g, s, p).textColor, p.textColorForNetworkCollection);
    EXPECT_TRUE(dressNetworkCell("BSSID", "x", g, s, p).bold);
    EXPECT_FALSE(dressNetworkCell("SSID", "x", g, s, p).bold);
    g.rssi = -120;
    EXPECT_EQ(dressNetworkCell("SSID", "home", g, s, p).textColor, p.textColorForNetworkCollectionNotFound);
    s.rowSelected = s.cellHighlighted = s.tableIsFirstResponder = true;
    EXPECT_EQ(dressNetworkCell("SSID", "home", g, s, p).textColor, QColor(Qt::white));
    const SVNetworkCellDressing swatch = dressNetworkCell("IS_USER_HIDDEN", "", g, s, p);
    EXPECT_FALSE(swatch.highlighted);
    EXPECT_FALSE(swatch.background);
}

TEST(ImageAndTextDelegate, ImageLeftOfTitleAndCentredHeadings)
{
    QStandardItemModel model;
    QPixmap dot(12, 12);
    dot.fill(QColor(0, 160, 0));
    auto* heading = new QStandardItem("NETWORK NAME");
    auto* item = new QStandardItem(QIcon(dot), "home");
    model.appendRow(heading);
    model.appendRow(item);
    QTreeView view;
    SVImageAndTextDelegate delegate;
    delegate.setLeftMargin(4);
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.setRootIsDecorated(false);
    view.setHeaderHidden(true);
    view.resize(200, 100);
    view.show();
    const QImage image = view.viewport()->grab().toImage();

    // The image sits 3 points past the left margin, vertically centred.
    const QRect row = view.visualRect(model.index(1, 0));
    const QColor green = image.pixelColor(row.left() + 4 + 3 + 6, row.center().y());
    EXPECT_EQ(green.rgb(), QColor(0, 160, 0).rgb());
    // The heading has no image: nothing green in its row.
    const QRect head = view.visualRect(model.index(0, 0));
    EXPECT_NE(image.pixelColor(head.left() + 13, head.center().y()).rgb(), QColor(0, 160, 0).rgb());
    EXPECT_GT(delegate.sizeHint(QStyleOptionViewItem(), model.index(1, 0)).width(),
              delegate.sizeHint(QStyleOptionViewItem(), model.index(1, 0)).height());
}
