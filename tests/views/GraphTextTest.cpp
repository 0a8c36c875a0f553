// Where the graphs put their texts, read back from the pixels. Positions
// are worked out with the metrics of the font the graph draws in, so the
// checks hold whatever font the machine gives for it.

#include "model/Beacon.h"

#include "model/SVNetwork.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "views/SVNetworkDetailsView.h"
#include "views/SVSignalStrengthView.h"
#include "views/SVSpectrumView.h"
#include "views/SVThemeHelper.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace beacon;
using namespace sv::graph;

namespace {

const QDateTime kNow(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC);

// A record with a sample every 2 s over the last ten minutes, all at rssi.
std::shared_ptr<SVNetwork> network(int channel, int id, qint64 rssi, const QByteArray& name = "Net",
                                   qint64 noise = -95)
{
    const QString bssid = QStringLiteral("00:1B:63:00:00:%1").arg(id, 2, 16, QLatin1Char('0')).toUpper();
    auto n = SVNetwork::initWithDictionary(scan(channel, ssid(name), std::numeric_limits<qint64>::max(), bssid));
    for (int t = 600; t >= 0; t -= 2)
        n->addDataPoint(SVDataPoint(rssi, noise, -1, -1, kNow.addSecs(-t)));
    return n;
}

template <typename View>
std::unique_ptr<View> graph(int w = 1100, int h = 735)
{
    auto v = std::make_unique<View>();
    v->resize(w, h);
    v->setReferenceTime(kNow);
    v->setNowFunction([] { return kNow; });
    return v;
}

QImage shot(QWidget& v)
{
    return v.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The y-up rows within [x0, x1] x [y0, y1] holding a pixel that passes ink.
struct InkRows {
    int low = -1, high = -1;
    bool any() const { return low >= 0; }
};
InkRows inkRows(const QImage& img, double x0, double x1, double y0, double y1,
                const std::function<bool(const QColor&)>& ink)
{
    InkRows r;
    for (int y = std::max(0, int(y0)); y <= int(y1) && y < img.height(); ++y)
        for (int x = std::max(0, int(x0)); x <= int(x1) && x < img.width(); ++x)
            if (ink(img.pixelColor(x, img.height() - 1 - y))) {
                if (r.low < 0)
                    r.low = y;
                r.high = y;
                break;
            }
    return r;
}

bool white(const QColor& c)
{
    return c.red() > 170 && c.green() > 170 && c.blue() > 170;
}

// Where the baseline of a text drawn from (x, y) lies: one ascent above
// its origin one font size below y.
double baseline(double y, const QFont& font)
{
    return y - font.pixelSize() + QFontMetricsF(font).ascent();
}

void pointAt(QWidget& v, QPointF up)
{
    const QPointF local(up.x(), v.height() - up.y());
    QMouseEvent e(QEvent::MouseMove, local, v.mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&v, &e);
}

} // namespace

TEST(GraphText, DigitsStandOnTheBaselineTheOffsetsMean)
{
    // Digits have no descenders: their lowest inked row is the baseline.
    auto signal = graph<SVSignalStrengthView>();
    signal->setUnits(1);
    auto n = network(6, 1, -55);
    signal->setNetworks({n});
    const QImage img = shot(*signal);
    const QRectF G = signalChartRect(QRectF(0, 0, 1100, 735));
    const QFont levelFont = SVSignalStrengthView::graphFont(SVSignalStrengthView::Face::Plain, 12);
    const auto marks = levelMarks(G, 9, Value::Signal, 1, 1, 73);
    ASSERT_FALSE(marks.empty());
    const LevelMark& lowest = marks.front(); // -90, in red
    const QFont timeFont = SVSignalStrengthView::graphFont(SVSignalStrengthView::Face::Plain, 10);

    auto spectrum = graph<SVSpectrumView>();
    spectrum->setUnits(1);
    spectrum->setNetworks({n});
    const QImage spectrumImg = shot(*spectrum);
    ASSERT_TRUE(spectrum->lastPanes().pane24);
    const QRectF P = *spectrum->lastPanes().pane24;
    double x6 = 0;
    for (const AxisSlot& s : axisSlots(P, slotTable2Dot4GHz(), false))
        if (s.channel == 6)
            x6 = s.x;

    auto redInk = [](const QColor& c) { return c.red() > 150 && c.green() < 80; };
    auto orangeInk = [](const QColor& c) { return c.red() > 150 && c.green() > 60 && c.green() < 160 && c.blue() < 60; };
    struct Case {
        const char* what;
        const QImage& img;
        double x0, x1, anchorY;
        const QFont& font;
        std::function<bool(const QColor&)> ink;
    } cases[] = {
        {"level label -90", img, lowest.leftX - 12, lowest.leftX + 12, lowest.y, levelFont, redInk},
        {"time mark", img, G.x() + 10, G.right() - 30, G.y() - 18, timeFont, white},
        {"channel number 6", spectrumImg, x6 - 6, x6 + 6, P.y() - 19, levelFont, orangeInk},
    };
    for (const Case& c : cases) {
        const double fs = c.font.pixelSize();
        const InkRows rows = inkRows(c.img, c.x0, c.x1, c.anchorY - 2 * fs, c.anchorY + 2 * fs, c.ink);
        ASSERT_TRUE(rows.any()) << c.what;
        EXPECT_NEAR(rows.low, baseline(c.anchorY, c.font), 1.5) << c.what;
    }
}

TEST(GraphText, BubbleTextStandsInsideItsBubble)
{
    auto view = graph<SVSignalStrengthView>();
    view->setUnits(1);
    view->show();
    auto n = network(6, 1, -55);
    n->setColor(QColor(255, 0, 0));
    n->setUserHighlighted(true);
    view->setNetworks({n});
    view->setItemHighlightEnabled(true);
    const QRectF G = signalChartRect(QRectF(0, 0, 1100, 735));
    const double y = G.y() + (G.height() - 73) / 2; // -55 dBm
    const double x = G.x() + G.width() / 2;
    pointAt(*view, QPointF(x, y));
    ASSERT_TRUE(view->hoverDataPoint());
    const QImage img = shot(*view);

    const QFont font = SVSignalStrengthView::graphFont(SVSignalStrengthView::Face::Plain, 10);
    const QFontMetricsF fm(font);
    const BubbleGeometry b = bubble(G, x, y, fm.horizontalAdvance("-55 dBm"), fm.height(), Scale{1, 1});
    const QRectF box = b.shape.boundingRect();
    // The body stands 6 points over the point (its tip) at this scale.
    const double bodyLow = y + 6, bodyHigh = box.y() + box.height();
    // Every white pixel over and under the bubble belongs to its text.
    const InkRows text = inkRows(img, box.left() + 2, box.right() - 2, G.y() + 1, G.y() + G.height() - 1, white);
    ASSERT_TRUE(text.any());
    EXPECT_GT(text.low, bodyLow + 1);
    EXPECT_LT(text.high, bodyHigh - 1);
}

TEST(GraphText, BandNamesOfTheCoSSIDChartStandClearOfTheirStrips)
{
    auto view = graph<SVNetworkDetailsView>();
    view->setUnits(1);
    auto own = network(6, 1, -50, "Shared"), other = network(36, 2, -60, "Shared");
    view->setNetworks({own, other});
    view->setNetwork(own);
    const QImage img = shot(*view);
    ASSERT_TRUE(view->willDrawCoSSID());
    const QRectF r = view->rectForCoSSIDNetworksChart(QRectF(0, 0, 1100, 735));
    const double top = r.y() + r.height();
    const QFont font = SVSignalStrengthView::graphFont(SVSignalStrengthView::Face::Plain, 10);
    const double w = QFontMetricsF(font).horizontalAdvance("2.4 GHz");
    // Nothing white on the strip's rows under the name; the name above them.
    EXPECT_FALSE(inkRows(img, r.x() - 4, r.x() - 4 + w, top + 3, top + 4.9, white).any());
    const InkRows name = inkRows(img, r.x() - 4, r.x() - 4 + w, top + 5, top + 30, white);
    ASSERT_TRUE(name.any());
    EXPECT_NEAR(name.low, baseline(top + 9, font), 1.5);
}

TEST(GraphText, LegendNamesNeverOverprintNorLeaveTheView)
{
    auto view = graph<SVSignalStrengthView>(800, 500);
    view->setUnits(1);
    SVSignalStrengthView::NetworkList list;
    // Six names at one level: a few fit beside it, the rest give way.
    for (int i = 0; i < 6; ++i) {
        auto n = network(1 + i, i, -60, "ANameLongerThanTheLegendHasRoomFor" + QByteArray::number(i));
        n->setColor(QColor(0, 255, 0));
        list << n;
    }
    view->setNetworks(list);
    const QImage img = shot(*view);
    auto green = [](const QColor& c) { return c.green() > 120 && c.red() < 80 && c.blue() < 80; };
    EXPECT_FALSE(inkRows(img, 798, 799, 0, 499, green).any()) << "a name runs off the view";
    const QRectF G = signalChartRect(QRectF(0, 0, 800, 500));
    const InkRows rows = inkRows(img, G.right() + 10, 790, G.y(), G.y() + G.height(), green);
    ASSERT_TRUE(rows.any());
    const double line = QFontMetricsF(SVSignalStrengthView::graphFont(SVSignalStrengthView::Face::Plain, 9 + 2.5)).height();
    // Three names a line apart, not six piled on one another.
    EXPECT_GT(rows.high - rows.low, 1.5 * line);
    EXPECT_LT(rows.high - rows.low, 4 * line);
}

TEST(GraphText, SpectrumLabelsStayInTheView)
{
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.setBool(true, QStringLiteral("ShowNetworkLabel"));
    auto view = graph<SVSpectrumView>(700, 400);
    auto left = network(1, 1, -40, "A long name at the band's far end"), right = network(165, 2, -40, "A long name at the band's far end");
    left->setColor(QColor(0, 255, 0));
    right->setColor(QColor(0, 255, 0));
    view->setNetworks({left, right});
    const QImage img = shot(*view);
    defaults.removeObjectForKey(QStringLiteral("ShowNetworkLabel"));
    auto green = [](const QColor& c) { return c.green() > 120 && c.red() < 80 && c.blue() < 80; };
    EXPECT_TRUE(inkRows(img, 0, 699, 0, 399, green).any());
    EXPECT_FALSE(inkRows(img, 0, 1, 0, 399, green).any());
    EXPECT_FALSE(inkRows(img, 698, 699, 0, 399, green).any());
}

TEST(GraphText, SpectrumChannelNumbersNeverTouch)
{
    auto view = graph<SVSpectrumView>(700, 400);
    view->setNetworks({network(149, 1, -50)});
    const QImage img = shot(*view);
    ASSERT_TRUE(view->lastPanes().pane5);
    const QRectF P = *view->lastPanes().pane5;
    // Under the axis, each run of inked columns (a glyph's own gaps of a
    // column or two bridged) is one number: runs never join up.
    const double y0 = P.y() - 32, y1 = P.y() - 8;
    int runs = 0, longest = 0, run = 0, blank = 3;
    const QFont font = SVSignalStrengthView::graphFont(SVSignalStrengthView::Face::Plain, 10);
    const double threeDigits = QFontMetricsF(font).horizontalAdvance("157");
    auto bright = [](const QColor& c) { return std::max({c.red(), c.green(), c.blue()}) > 150; };
    for (int x = int(P.x()); x < int(P.right()); ++x) {
        if (inkRows(img, x, x, y0, y1, bright).any()) {
            run = blank <= 2 ? run + blank + 1 : 1;
            runs += run == 1;
            blank = 0;
            longest = std::max(longest, run);
        } else {
            ++blank;
        }
    }
    EXPECT_GT(runs, 5);
    EXPECT_LE(longest, threeDigits + 2) << "two numbers ran together";
}

TEST(GraphText, SNRHoverSearchesTheDrawnValues)
{
    auto view = graph<SVNetworkDetailsView>();
    view->setUnits(1);
    view->show();
    auto n = network(6, 1, -40, "Net", -50); // 10 dB
    view->setNetworks({n});
    view->setNetwork(n);
    const QRectF R(0, 0, 1100, 735);
    shot(*view);
    const QRectF H = view->rectForChart(R);
    const double h = H.height() - 10; // top margin 10
    const double x = H.x() + H.width() / 2;
    struct Case {
        const char* what;
        bool signal, noise, alt;
        double onLine, elsewhere;
    } cases[] = {
        // -40 dBm lies at 60/90 of the axis, -50 dBm at 50/90, 10 dB at 10/90.
        {"SNR", false, false, false, H.y() + 10 * h / 90, H.y() + 60 * h / 90},
        {"signal", true, false, false, H.y() + 60 * h / 90, H.y() + 10 * h / 90},
        {"noise with Alt", true, true, true, H.y() + 50 * h / 90, H.y() + 60 * h / 90},
    };
    for (const Case& c : cases) {
        view->setWillDrawSignal(c.signal);
        view->setWillDrawNoise(c.noise);
        sv::NotificationCenter::defaultCenter().post(c.alt ? "AltKeyDown" : "AltKeyUp", {});
        QCoreApplication::processEvents();
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view.get(), &leave);
        pointAt(*view, QPointF(x, c.elsewhere));
        EXPECT_FALSE(view->hoverDataPoint()) << c.what;
        pointAt(*view, QPointF(x, c.onLine));
        EXPECT_TRUE(view->hoverDataPoint()) << c.what;
    }
    sv::NotificationCenter::defaultCenter().post("AltKeyUp", {});
}

TEST(GraphText, LegendPlacesNamesApartTheStrongestFirst)
{
    const double h = 10;
    struct Case {
        const char* what;
        std::vector<LegendEntry> entries;
        std::vector<std::optional<double>> placed;
    } cases[] = {
        {"apart: unmoved", {{100}, {50}}, {100, 50}},
        {"same level: one above, one below, the rest give way",
         {{100}, {100}, {100}, {100}}, {100, 110, 90, std::nullopt}},
        {"the stronger keeps its place", {{95}, {100}}, {90, 100}},
        {"a highlighted name before a stronger one", {{100}, {104, true}}, {94, 104}},
        {"kept within the bounds", {{-20}, {500}}, {0, 200}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(placeLegend(c.entries, h, 0, 200), c.placed) << c.what;
    // A name a hair less than a line away, where adding the line lands back
    // on the same height: placed just past it all the same, not searched for ever.
    {
        const double line = 13.96875, wanted = 261.99875;
        const double below = std::nextafter(wanted - line, 1000.0);
        ASSERT_EQ(below + line, wanted);
        for (const double near : {below, 2 * wanted - below}) {
            const auto tight = placeLegend({{near, true}, {wanted}}, line, 0, 334);
            ASSERT_TRUE(tight[1]) << near;
            EXPECT_NEAR(*tight[1], wanted, 1e-9);
        }
    }
    // Hundreds at one level: never closer than a line.
    const auto crowd = placeLegend(std::vector<LegendEntry>(300, LegendEntry{100}), h, 0, 200);
    std::vector<double> ys;
    for (const auto& y : crowd)
        if (y)
            ys.push_back(*y);
    std::sort(ys.begin(), ys.end());
    for (std::size_t i = 1; i < ys.size(); ++i)
        EXPECT_GE(ys[i] - ys[i - 1], h);
}

TEST(GraphText, ChannelNumbersGiveWayToTheirNeighbours)
{
    const auto width = [](int) { return 18.0; }; // three digits
    struct Case {
        double paneWidth;
        std::vector<int> shown, hidden;
    } cases[] = {
        {2000, {36, 40, 44, 48, 100, 104, 108, 149, 153, 157, 161, 165}, {}},
        {700, {36, 44, 100, 116, 132, 149, 157, 165}, {40, 104, 153, 161}},
    };
    for (const Case& c : cases) {
        const QRectF P(0, 0, c.paneWidth, 100);
        const auto axis = axisSlots(P, slotTable5GHz(), false);
        const auto numbered = numberedSlots(axis, slotWidth(P, slotTable5GHz(), false), 4, width);
        std::vector<double> kept;
        auto isShown = [&](int channel) {
            for (std::size_t i = 0; i < axis.size(); ++i)
                if (axis[i].channel == channel)
                    return bool(numbered[i]);
            return false;
        };
        for (int ch : c.shown)
            EXPECT_TRUE(isShown(ch)) << c.paneWidth << " " << ch;
        for (int ch : c.hidden)
            EXPECT_FALSE(isShown(ch)) << c.paneWidth << " " << ch;
        for (std::size_t i = 0; i < axis.size(); ++i)
            if (numbered[i])
                kept.push_back(axis[i].x);
        for (std::size_t i = 1; i < kept.size(); ++i)
            EXPECT_GE(kept[i] - kept[i - 1], 18 + 4) << c.paneWidth;
    }
}

TEST(GraphText, DetailChartDropsBarChartsBeforeTheHistoryGetsTooNarrow)
{
    struct Case {
        double width;
        bool coSSID, coChannel;
    } cases[] = {{1000, true, true}, {600, true, false}, {400, false, false}};
    for (const Case& c : cases) {
        const QRectF R(0, 0, c.width, 300);
        EXPECT_EQ(barChartsThatFit(R, true, true), std::make_pair(c.coSSID, c.coChannel)) << c.width;
        const auto [s, ch] = barChartsThatFit(R, true, true);
        EXPECT_GE(detailsLayout(R, s, ch).history.width(), kMinHistoryWidth) << c.width;
    }
    // Only the co-channel chart wanted: it stays while it fits.
    EXPECT_EQ(barChartsThatFit(QRectF(0, 0, 600, 300), false, true), std::make_pair(false, true));

    // In the view: both lists have bars, but at 600 points only one chart is drawn.
    auto view = graph<SVNetworkDetailsView>(600, 300);
    auto a = network(6, 1, -50, "Shared"), b = network(6, 2, -60, "Shared");
    view->setNetworks({a, b});
    view->setNetwork(a);
    shot(*view);
    EXPECT_TRUE(view->willDrawCoSSID());
    EXPECT_FALSE(view->willDrawCoChannel());
    EXPECT_GE(view->rectForChart(QRectF(0, 0, 600, 300)).width(), kMinHistoryWidth);
}
