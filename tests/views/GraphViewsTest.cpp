#include "model/Beacon.h"

#include "model/SVNetwork.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "views/SVNetworkDetailsView.h"
#include "views/SVSignalStrengthView.h"
#include "views/SVSpectrumView.h"
#include "views/SVThemeHelper.h"

#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace beacon;
using namespace sv::graph;

namespace {

const QDateTime kRef(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

// A record on the channel with one sample every step seconds for span seconds, all at rssi.
std::shared_ptr<SVNetwork> record(int channel, const QString& bssid, qint64 rssi, int span = 600, int step = 2,
                                  const QByteArray& elements = {})
{
    auto n = SVNetwork::initWithDictionary(scan(channel, elements, std::numeric_limits<qint64>::max(), bssid));
    for (int t = span; t >= 0; t -= step)
        n->addDataPoint(SVDataPoint(rssi, -95, -1, -1, kRef.addSecs(-t)));
    return n;
}

QString bssid(int i)
{
    return QStringLiteral("00:1B:63:00:%1:%2").arg(i / 256, 2, 16, QLatin1Char('0')).arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
}

template <typename View>
std::unique_ptr<View> makeView(int w = 1100, int h = 735)
{
    auto v = std::make_unique<View>();
    v->resize(w, h);
    v->setReferenceTime(kRef);
    v->setNowFunction([] { return kRef; });
    return v;
}

QImage render(QWidget& v)
{
    return v.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor pixelUp(const QImage& img, double x, double y)
{
    return img.pixelColor(int(x), img.height() - 1 - int(y));
}

bool near(const QColor& a, const QColor& b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

void moveMouse(QWidget& v, QPointF upPoint)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(upPoint.x(), v.height() - upPoint.y()),
                  v.mapToGlobal(QPointF(upPoint.x(), v.height() - upPoint.y())), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(&v, &e);
}

} // namespace

TEST(SignalStrengthView, DrawingOrderPutsHighlightedRecordsLast)
{
    auto view = makeView<SVSignalStrengthView>();
    auto weak = record(1, bssid(1), -80), strong = record(6, bssid(2), -40), mid = record(11, bssid(3), -60),
         picked = record(1, bssid(4), -70);
    picked->setUserHighlighted(true);
    view->setNetworks({strong, weak, picked, mid});
    ASSERT_EQ(view->networks().size(), 4);
    EXPECT_EQ(view->networks()[0], weak);
    EXPECT_EQ(view->networks()[1], mid);
    EXPECT_EQ(view->networks()[2], strong);
    EXPECT_EQ(view->networks()[3], picked);
}

TEST(SignalStrengthView, PaintsLevelMarksAndLinesWhereTheyBelong)
{
    auto view = makeView<SVSignalStrengthView>();
    view->setUnits(1);
    auto n = record(6, bssid(1), -55);
    n->setColor(QColor(255, 0, 0));
    view->setNetworks({n});
    const QImage img = render(*view);
    const QRectF G = signalChartRect(QRectF(0, 0, 1100, 735));
    const double top = 73; // 10 % of the height
    // -55 dBm lies halfway up the level axis: the line is drawn there in the record's colour.
    const double y = G.y() + (G.height() - top) / 2;
    EXPECT_TRUE(near(pixelUp(img, G.x() + G.width() / 2, y), QColor(255, 0, 0), 60));
    EXPECT_FALSE(near(pixelUp(img, G.x() + G.width() / 2, y + 20), QColor(255, 0, 0), 60));
    // The level labels left of the chart: -90 in red near the floor, -10 in green at the top.
    auto hasHue = [&](double cy, bool red) {
        for (int dx = -30; dx < 0; ++dx)
            for (int dy = -6; dy <= 6; ++dy) {
                const QColor c = pixelUp(img, G.x() + dx, cy + dy);
                if (red ? (c.red() > 150 && c.green() < 80) : (c.green() > 150 && c.red() < 80))
                    return true;
            }
        return false;
    };
    const double d = (G.height() - top) / 9;
    EXPECT_TRUE(hasHue(G.y() + d - 3, true));
    EXPECT_TRUE(hasHue(G.y() + 9 * d - 3, false));
    EXPECT_FALSE(hasHue(G.y() + 9 * d - 3, true));
}

TEST(SignalStrengthView, ACrowdedGraphDrawsEveryLineAtItsLevelInItsOrder)
{
    // Beyond the crowd size plain lines are blended straight into the image,
    // on several threads; they must land where the painter would put them.
    auto view = makeView<SVSignalStrengthView>();
    view->setUnits(1);
    SVSignalStrengthView::NetworkList list;
    for (int i = 0; i < 60; ++i) {
        auto n = record(1 + i % 11, bssid(i), -90 + i, 3600);
        n->setColor(QColor(0, 255, 0));
        list << n;
    }
    list[30]->setColor(QColor(255, 0, 0));
    view->setTimescale(3600);
    view->setNetworks(list);
    const QImage img = render(*view);
    const QRectF G = signalChartRect(QRectF(0, 0, 1100, 735));
    const double h = G.height() - 73;
    auto yOf = [&](int dBm) { return G.y() + h * (100 + dBm) / 90.0 + 0.5; };
    // The strongest red and green within a row of a level (a line can straddle two rows).
    auto peak = [&](double x, int dBm, bool red) {
        int best = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            const QColor c = pixelUp(img, x, yOf(dBm) + dy);
            best = std::max(best, red ? c.red() - c.green() : c.green() - c.red());
        }
        return best;
    };
    for (double x : {G.x() + 10, G.x() + G.width() / 2, G.right() - 10}) {
        EXPECT_GT(peak(x, -60, true), 120) << x;
        EXPECT_GT(peak(x, -59, false), 80) << x;
        EXPECT_GT(peak(x, -61, false), 80) << x;
        // Between two lines the chart shows through.
        const QColor clear = pixelUp(img, x, G.y() + G.height() - 20);
        const QColor between = pixelUp(img, x, (yOf(-60) + yOf(-59)) / 2);
        EXPECT_TRUE(near(between, clear, 10)) << x << " " << qPrintable(between.name()) << " " << qPrintable(clear.name());
    }
}

TEST(SignalStrengthView, LinesKeepTheirWidthHoweverManyRecordsThereAre)
{
    // A flat green line among few records and in a crowd: its rows hold
    // two pixels' worth of its ink either way.
    for (int count : {5, 60}) {
        auto view = makeView<SVSignalStrengthView>();
        view->setUnits(1);
        SVSignalStrengthView::NetworkList list;
        for (int i = 0; i < count; ++i) {
            auto n = record(1 + i % 11, bssid(i), -92 + i, 600, 2);
            n->setColor(QColor(255, 0, 0));
            list << n;
        }
        list[2]->setColor(QColor(0, 255, 0));
        view->setNetworks(list);
        const QImage img = render(*view);
        const QRectF G = signalChartRect(QRectF(0, 0, 1100, 735));
        const double y = G.y() + (G.height() - 73) * (100 - 90) / 90.0;
        const int clear = pixelUp(img, G.x() + G.width() / 2, G.y() + G.height() - 20).green();
        for (double x : {G.x() + G.width() / 2, G.right() - 40}) {
            double ink = 0;
            for (int dy = -3; dy <= 3; ++dy)
                ink += std::max(0, pixelUp(img, x, y + dy).green() - clear);
            // Drawn at 0.8: a pixel's worth is 0.8 of the way from the chart to full green.
            EXPECT_NEAR(ink / (0.8 * (255 - clear)), 2.0, 0.3) << count << " records, x " << x;
        }
    }
}

TEST(SignalStrengthView, ViewsSmallerThanTheirMarginsDrawOnlyTheBackground)
{
    const QColor bg = SVThemeHelper::backgroundColorForChartView();
    auto signal = makeView<SVSignalStrengthView>(150, 40);
    signal->setNetworks({record(6, bssid(1), -55)});
    signal->setTimescale(0);
    auto spectrum = makeView<SVSpectrumView>(80, 60);
    spectrum->setNetworks({record(6, bssid(1), -55)});
    auto details = makeView<SVNetworkDetailsView>(90, 50);
    details->setNetwork(record(6, bssid(1), -55));
    for (QWidget* v : std::initializer_list<QWidget*>{signal.get(), spectrum.get(), details.get()}) {
        const QImage img = render(*v);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                ASSERT_TRUE(near(img.pixelColor(x, y), bg, 2)) << x << "," << y;
    }
    // A zero span on a full-size view draws without dividing by zero.
    auto zero = makeView<SVSignalStrengthView>();
    zero->setTimescale(0);
    zero->setNetworks({record(6, bssid(1), -55)});
    EXPECT_FALSE(render(*zero).isNull());
}

TEST(SignalStrengthView, HoverPicksTheNearestSampleOfAHighlightedRecord)
{
    auto view = makeView<SVSignalStrengthView>();
    view->setUnits(1);
    view->show();
    auto n = record(6, bssid(1), -55);
    auto other = record(11, bssid(2), -55);
    view->setNetworks({n, other});
    render(*view);
    const QRectF G = signalChartRect(QRectF(0, 0, 1100, 735));
    const double y = G.y() + (G.height() - 73) / 2;
    moveMouse(*view, QPointF(G.right() - 1, y));
    EXPECT_FALSE(view->hoverDataPoint()) << "no highlighted record, no bubble";

    n->setUserHighlighted(true);
    view->setNetworks({n, other});
    moveMouse(*view, QPointF(G.right() - 1, y + 10));
    ASSERT_TRUE(view->hoverDataPoint());
    EXPECT_EQ(view->hoverDataPoint()->timestamp(), kRef);
    EXPECT_EQ(view->hoverNetwork(), n);
    render(*view); // the bubble draws

    // The record leaves the list: its sample goes with it.
    view->setNetworks({other});
    EXPECT_FALSE(view->hoverDataPoint());
    EXPECT_FALSE(view->hoverNetwork());
}

TEST(SignalStrengthView, AltKeyZoomAndDragData)
{
    auto view = makeView<SVSignalStrengthView>();
    auto& center = sv::NotificationCenter::defaultCenter();
    center.post(QStringLiteral("AltKeyDown"));
    EXPECT_TRUE(view->isAltKeyDown());
    center.post(QStringLiteral("AltKeyUp"));
    EXPECT_FALSE(view->isAltKeyDown());

    view->magnifyWithMagnification(0.2);
    EXPECT_EQ(view->timescale(), 360);
    view->magnifyWithMagnification(-0.2);
    view->magnifyWithMagnification(-0.2);
    EXPECT_EQ(view->timescale(), 300);

    const QImage image = view->imageWithSubviews();
    QString file;
    std::unique_ptr<QMimeData> data(view->makeDragData(image, &file));
    EXPECT_TRUE(SVSignalStrengthView::isGraphDrag(data.get()));
    // Named by the user's own clock time.
    EXPECT_EQ(QFileInfo(file).fileName(), "skyvane_" + kRef.toLocalTime().toString("yyyyMMdd_HHmmss") + ".png");
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(QFileInfo(file).dir().path(), SVSignalStrengthView::dragFolder());
    // Every format asked for gets its data, however often and in whatever order.
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(data->data("image/tiff").startsWith("II*"));
        EXPECT_TRUE(data->data("image/png").startsWith("\x89PNG"));
        ASSERT_EQ(data->urls().size(), 1);
        EXPECT_EQ(data->urls().front().toLocalFile(), file);
    }
    EXPECT_EQ(QImage::fromData(data->data("image/png")).size(), image.size());
    // Nothing to write: no file is offered.
    std::unique_ptr<QMimeData> none(view->makeDragData(QImage(), &file));
    EXPECT_TRUE(file.isEmpty());
    EXPECT_FALSE(none->hasUrls());
    EXPECT_FALSE(SVSignalStrengthView::isGraphDrag(nullptr));
}

TEST(SpectrumView, DFSChannelsFollowTheSettingAndTheRecords)
{
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    defaults.setBool(true, QStringLiteral("HideDFSChannels"));
    auto view = makeView<SVSpectrumView>();
    auto plain = record(36, bssid(1), -50, 10, 2, htOperation(36, 0, 0));
    view->setNetworks({plain});
    render(*view);
    EXPECT_TRUE(view->skipDFS());
    EXPECT_DOUBLE_EQ(view->lastPanes().pane24->width(), 0.6 * spectrumChartRect(QRectF(0, 0, 1100, 735)).width() - 2);

    // A 160 MHz block on 36 reaches into 52-64: the DFS channels come back.
    auto wide = record(36, bssid(2), -50, 10, 2,
                       htCapabilities(0x02, {0xFF}) + htOperation(36, 1, 0) + vhtCapabilities(0, 0xFE)
                           + vhtOperation(1, 42, 50));
    ASSERT_EQ(wide->channelWidth(), 4);
    view->setNetworks({plain, wide});
    QImage img = render(*view);
    EXPECT_FALSE(view->skipDFS());

    // Label 100 is drawn in the DFS blue under the 5 GHz pane.
    const QRectF P = *view->lastPanes().pane5;
    const auto axis = axisSlots(P, slotTable5GHz(), false);
    const double x100 = axis[100 - 32].x;
    bool blue = false;
    for (int dx = -10; dx <= 10; ++dx)
        for (int dy = -8; dy <= 8; ++dy) {
            const QColor c = pixelUp(img, x100 + dx, P.y() - 19 + dy);
            blue = blue || (c.blue() > 150 && c.red() < 90);
        }
    EXPECT_TRUE(blue);
    defaults.setBool(false, QStringLiteral("HideDFSChannels"));
    defaults.synchronize();
}

TEST(SpectrumView, PanesAndShapes)
{
    auto& defaults = sv::UserDefaults::standardUserDefaults();
    auto view = makeView<SVSpectrumView>();
    view->setUnits(1);
    view->setNetworks({});
    render(*view);
    EXPECT_TRUE(view->lastPanes().pane24 && view->lastPanes().pane5) << "both panes, even empty";

    defaults.setBool(true, QStringLiteral("HideChannelGraphs"));
    auto n = record(6, bssid(1), -55);
    n->setColor(QColor(0, 255, 0));
    n->setUserHighlighted(true);
    view->setNetworks({n});
    const QImage img = render(*view);
    ASSERT_TRUE(view->lastPanes().pane24);
    EXPECT_FALSE(view->lastPanes().pane5);
    const QRectF P = *view->lastPanes().pane24;
    const auto e = shapeExtent(P, slotTable2Dot4GHz(), false, 6, 6, 1);
    ASSERT_TRUE(e);
    // The highlighted shape is filled in its colour, up to about half the level axis.
    const double lv = spectrumLevel(-55, 1, P.height(), 73);
    EXPECT_TRUE(near(pixelUp(img, e->xC, P.y() + lv / 2), QColor(0, 255, 0), 110));
    EXPECT_FALSE(near(pixelUp(img, e->xC, P.y() + lv + 30), QColor(0, 255, 0), 110));
    defaults.setBool(false, QStringLiteral("HideChannelGraphs"));
    defaults.synchronize();
}

TEST(NetworkDetailsView, BarListsFollowTheSelectedNetwork)
{
    auto view = makeView<SVNetworkDetailsView>();
    SVSignalStrengthView::NetworkList all;
    auto selected = record(6, bssid(0), -60);
    all << selected;
    // 20 others with the same name, all on channel 6.
    for (int i = 1; i <= 20; ++i)
        all << record(i % 2 ? 6 : 44, bssid(i), -40 - i);
    view->setNetworks(all);
    view->setNetwork(selected);
    view->rebuildBarLists();
    EXPECT_EQ(view->coSSIDNetworks().size(), 16);
    EXPECT_EQ(view->coSSIDCount(), 21);
    EXPECT_EQ(view->coSSIDNetworks().front(), selected);
    EXPECT_TRUE(view->coSSIDNetworks()[1]->is2Dot4GHz()) << "own band first";
    EXPECT_EQ(view->coChannelCount(), 11);
    EXPECT_EQ(view->coChannelNetworks().size(), 11);
    EXPECT_TRUE(view->willDrawCoSSID());

    // Alone on its channel and name: no bar chart.
    auto lone = record(11, QStringLiteral("00:1B:63:FF:FF:FF"), -50, 10, 2, ssid("lonely"));
    view->setNetworks({lone, selected});
    view->setNetwork(lone);
    view->rebuildBarLists();
    EXPECT_FALSE(view->willDrawCoSSID());
    EXPECT_FALSE(view->willDrawCoChannel());
}

TEST(NetworkDetailsView, BarsAndBubbleFollowThePointerBetweenDataTicks)
{
    // The bar charts are kept drawn between pointer moves: each move must
    // still show the bars and the bubble as they stand now.
    auto view = makeView<SVNetworkDetailsView>();
    view->setUnits(1);
    view->show();
    auto a = record(6, bssid(1), -50), b = record(6, bssid(2), -70);
    a->setColor(QColor(255, 0, 0));
    b->setColor(QColor(0, 0, 255));
    view->setNetworks({a, b});
    view->setNetwork(a);
    const QImage quiet = render(*view);
    ASSERT_TRUE(view->willDrawCoChannel());
    const QRectF R(0, 0, 1100, 735);
    const QRectF r = view->rectForCoChannelNetworksChart(R);
    const BarLayout bars = barLayout(r, 2);
    const QPointF barB(bars.left[1] + bars.gap / 2, r.y() + 3);
    const QColor grey = QColor::fromRgbF(0.333f, 0.333f, 0.333f);
    EXPECT_TRUE(near(pixelUp(quiet, barB.x(), barB.y()), grey, 30));

    moveMouse(*view, barB);
    EXPECT_TRUE(near(pixelUp(render(*view), barB.x(), barB.y()), QColor(0, 0, 255), 60)) << "the hovered bar in its colour";

    const QRectF H = view->rectForChart(R);
    const double x1 = H.x() + H.width() - 20, x2 = H.x() + H.width() - 220;
    // The bubble's line runs down the chart at its sample, a pixel or two
    // from the pointer.
    auto lineNear = [&](const QImage& img, double x) {
        for (int dx = -3; dx <= 3; ++dx)
            if (pixelUp(img, x + dx, H.y() + 5) != pixelUp(quiet, x + dx, H.y() + 5))
                return true;
        return false;
    };
    moveMouse(*view, QPointF(x1, H.y() + H.height() / 2));
    ASSERT_TRUE(view->hoverDataPoint());
    const QImage first = render(*view);
    EXPECT_TRUE(near(pixelUp(first, barB.x(), barB.y()), grey, 30)) << "back to grey";
    EXPECT_TRUE(lineNear(first, x1));

    moveMouse(*view, QPointF(x2, H.y() + H.height() / 2));
    const QImage second = render(*view);
    EXPECT_FALSE(lineNear(second, x1)) << "the old bubble is gone";
    EXPECT_TRUE(lineNear(second, x2));
    EXPECT_TRUE(near(pixelUp(second, barB.x(), barB.y()), grey, 30));
}

TEST(NetworkDetailsView, ClickOnABarPicksItsNetwork)
{
    auto view = makeView<SVNetworkDetailsView>();
    view->setUnits(1);
    view->show();
    auto a = record(6, bssid(1), -50), b = record(6, bssid(2), -70);
    view->setNetworks({a, b});
    view->setNetwork(a);
    render(*view);
    ASSERT_TRUE(view->willDrawCoChannel());
    QString picked;
    auto obs = sv::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("UserDidPickNetwork"),
        [&](const sv::Notification& n) { picked = n.userInfo.value(QStringLiteral("object")).toString(); },
        sv::NotificationCenter::Delivery::PostingThread);

    // The bars the drawing placed are the ones the pointer finds.
    const QRectF r = view->rectForCoChannelNetworksChart(QRectF(0, 0, 1100, 735));
    const BarLayout bars = barLayout(r, int(view->coChannelNetworks().size()));
    for (int i = 0; i < 2; ++i) {
        moveMouse(*view, QPointF(bars.left[size_t(i)] + bars.gap / 2, r.y() + 5));
        EXPECT_EQ(view->hoveredCoChannelIndex(), i);
        EXPECT_EQ(view->hoveredCoSSIDIndex(), -1);
        QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(int(bars.left[size_t(i)] + bars.gap / 2), int(735 - r.y() - 5)));
        EXPECT_EQ(picked, view->coChannelNetworks()[i]->bssid());
    }
    // Between the charts: nothing hovered, nothing posted.
    moveMouse(*view, QPointF(r.x() - 3, r.y() + 5));
    EXPECT_EQ(view->hoveredCoChannelIndex(), -1);
    picked.clear();
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(int(r.x() - 3), int(735 - r.y() - 5)));
    EXPECT_TRUE(picked.isEmpty());
    // The longest span reaches 8 hours.
    for (int i = 0; i < 20; ++i)
        view->magnifyWithMagnification(0.5);
    EXPECT_EQ(view->timescale(), 28800);
}
