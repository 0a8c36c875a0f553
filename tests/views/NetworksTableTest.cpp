#include <gtest/gtest.h>

#include "model/SVDataPoint.h"
#include "model/SVNetwork.h"
#include "views/SVColumnLayout.h"
#include "views/SVNetworkCellDelegate.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVNetworksTableSetup.h"
#include "FakeRow.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTemporaryDir>
#include <QTreeView>

#include "platform/UserDefaults.h"

namespace {

// An RSN element offering CCMP with a pre-shared key.
const QByteArray kRsn = QByteArray::fromHex("30140100000fac040100000fac040100000fac020000");

std::shared_ptr<SVNetwork> record(int n, qint64 rssi, bool secure, int samples = 1)
{
    QVariantMap d{{"bssid", QString("aa:bb:cc:00:00:%1").arg(n, 2, 16, QChar('0'))},
                  {"ssid", QString("net%1").arg(n)},
                  {"channelNumber", 6},
                  {"rssiValue", rssi},
                  {"noiseMeasurement", -95},
                  {"beaconInterval", 100},
                  {"ibss", false},
                  {"phyMode", 0},
                  {"securityMode", std::numeric_limits<qint64>::max()}};
    if (secure)
        d.insert("informationElementData", kRsn);
    auto r = SVNetwork::initWithDictionary(d);
    for (int i = 0; i < samples; ++i)
        r->addDataPoint(SVDataPoint(rssi - i, -95, -1, -1, QDateTime::currentDateTimeUtc()));
    return r;
}

QVector<SVNetworkRow> rowsOf(const QVector<std::shared_ptr<SVNetwork>>& records)
{
    return QVector<SVNetworkRow>(records.begin(), records.end());
}

int column(const char* id)
{
    return networkColumnIndex(id);
}

struct Window {
    SVNetworksTableModel model;
    SVNetworkCellDelegate delegate;
    QTreeView view;
    Window()
    {
        view.setModel(&model);
        view.setItemDelegate(&delegate);
        view.setRootIsDecorated(false);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setEditTriggers(QAbstractItemView::DoubleClicked);
        view.header()->setStretchLastSection(false);
        view.resize(900, 220);
    }
    QVector<int> selectedRows() const
    {
        QVector<int> rows;
        for (const QModelIndex& i : view.selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

} // namespace

TEST(NetworksTableModel, CellsThroughTheRowProtocol)
{
    SVNetworksTableModel model;
    auto a = record(1, -70, true);
    model.setRows(rowsOf({a, record(2, -50, false)}));
    ASSERT_TRUE(a->isOpen() == false) << "the RSN element makes the record secure";
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 40);
    EXPECT_EQ(model.headerData(column("RSSI"), Qt::Horizontal).toString(), networkColumnTitle(*networkColumn("RSSI")));
    EXPECT_EQ(model.index(0, column("RSSI")).data().toString(), "50%");
    EXPECT_EQ(model.index(0, column("BSSID")).data().toString(), "AA:BB:CC:00:00:01");
    EXPECT_EQ(model.index(0, column("IS_USER_HIDDEN")).data().toString(), "");
    EXPECT_EQ(model.index(0, column("CHANNEL")).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_TRUE(model.flags(model.index(0, column("ANNOTATIONS"))) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, column("SSID"))) & Qt::ItemIsEditable);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setUnits(1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(model.index(0, column("RSSI")).data().toString(), "-70");
    model.setUnits(1);
    EXPECT_EQ(changed.count(), 1);

    // Not in the latest scan while scanning: the seen text counts.
    a->setLastSeenElapsedSeconds(7);
    model.setScanning(true);
    EXPECT_EQ(model.index(0, column("SEEN")).data().toString(), "5 sec ago");
    EXPECT_EQ(model.index(1, column("SEEN")).data().toString(), "Just now");
}

TEST(NetworksTableModel, ReloadKeepsSelectionAndScrollByIdentity)
{
    Window w;
    QVector<std::shared_ptr<SVNetwork>> records;
    for (int i = 0; i < 40; ++i)
        records << record(i, -40 - i, i % 2);
    w.view.show();
    ASSERT_TRUE(reloadNetworksView(w.view, w.model, rowsOf(records)));
    w.view.selectionModel()->select(w.model.index(30, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    w.view.selectionModel()->select(w.model.index(31, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.view.verticalScrollBar()->setValue(w.view.verticalScrollBar()->maximum() / 2);
    const int scrolled = w.view.verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    // New order, one record gone, one new: the same records stay selected.
    QVector<std::shared_ptr<SVNetwork>> next(records.rbegin(), records.rend());
    next.removeAt(5);
    next.prepend(record(99, -30, false));
    ASSERT_TRUE(reloadNetworksView(w.view, w.model, rowsOf(next)));
    const int row30 = w.model.rowOf(records[30].get()), row31 = w.model.rowOf(records[31].get());
    EXPECT_EQ(w.selectedRows(), QVector<int>({std::min(row30, row31), std::max(row30, row31)}));
    EXPECT_EQ(w.view.verticalScrollBar()->value(), scrolled);

    // With the records' own highlight flags, those decide.
    records[3]->setUserHighlighted(true);
    ASSERT_TRUE(reloadNetworksView(w.view, w.model, rowsOf(records), [](const SVNetworkDelegate& r) {
        return static_cast<const SVNetwork&>(r).userHighlighted();
    }));
    EXPECT_EQ(w.selectedRows(), QVector<int>{3});
}

TEST(NetworksTableModel, NoReloadWhileACellIsEdited)
{
    Window w;
    auto a = record(1, -60, false), b = record(2, -70, false);
    QStringList edits;
    w.model.setAnnotationEditor([&](SVNetworkDelegate& row, const QString& text) {
        edits << row.bssidValue() + "=" + text;
    });
    w.view.show();
    reloadNetworksView(w.view, w.model, rowsOf({a, b}));
    const QModelIndex cell = w.model.index(1, column("ANNOTATIONS"));
    w.view.setCurrentIndex(cell);
    w.view.edit(cell);
    QApplication::processEvents();
    ASSERT_TRUE(isEditingCell(w.view));
    EXPECT_TRUE(w.delegate.isEditing());

    EXPECT_FALSE(reloadNetworksView(w.view, w.model, rowsOf({b})));
    EXPECT_EQ(w.model.rowCount(), 2);

    auto* editor = w.view.viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->setText("desk");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(edits, QStringList{"AA:BB:CC:00:00:02=desk"});
    EXPECT_FALSE(isEditingCell(w.view));
    EXPECT_TRUE(reloadNetworksView(w.view, w.model, rowsOf({b})));
    EXPECT_EQ(w.model.rowCount(), 1);
}

TEST(NetworksTableDelegate, PaintsSwatchBarsAndPadlock)
{
    Window w;
    QTemporaryDir dir;
    sv::UserDefaults defaults(dir.filePath("s.conf"));
    setUpNetworksTable(w.view, w.model, w.delegate, defaults);
    w.view.header()->setSectionHidden(column("NOISE"), false);
    w.view.header()->setSectionHidden(column("SNR"), false);
    auto strong = record(1, -40, true, 3), weak = record(2, -85, false, 2), gone = record(3, -70, true);
    strong->setColor(QColor(200, 30, 30));
    gone->setLastSeenElapsedSeconds(400);
    w.model.setScanning(true);
    w.model.setFilteredColumnIdentifiers({"VENDOR"});
    w.view.show();
    reloadNetworksView(w.view, w.model, rowsOf({strong, weak, gone}));
    const QImage image = w.view.viewport()->grab().toImage();

    auto cellRect = [&](int row, const char* id) { return w.view.visualRect(w.model.index(row, column(id))); };
    // The swatch column shows the record's colour.
    const QRect swatch = cellRect(0, "IS_USER_HIDDEN");
    EXPECT_EQ(image.pixelColor(swatch.center()).rgb(), QColor(200, 30, 30).rgb());
    // The signal bar is drawn from the bar's indent, in the signal colour.
    const QRect rssi = cellRect(0, "RSSI");
    const QColor bar = image.pixelColor(rssi.left() + 40, rssi.center().y());
    EXPECT_GT(bar.red(), 200);
    EXPECT_LT(bar.blue(), 150);
    // A record missing from the latest scan has grey bars.
    const QColor greyBar = image.pixelColor(cellRect(2, "RSSI").left() + 40, cellRect(2, "RSSI").center().y());
    EXPECT_LT(std::abs(greyBar.red() - greyBar.blue()), 12);
    // The padlock sits at the SSID cell's right end of secured records only.
    auto darkPixels = [&](const QRect& r) {
        int n = 0;
        for (int x = r.right() - 14; x <= r.right(); ++x)
            for (int y = r.top(); y <= r.bottom(); ++y)
                n += image.pixelColor(x, y).blue() > image.pixelColor(x, y).red() + 40;
        return n;
    };
    EXPECT_GT(darkPixels(cellRect(0, "SSID")), 5);
    EXPECT_EQ(darkPixels(cellRect(1, "SSID")), 0);

    // A selected row keeps its swatch.
    w.view.selectionModel()->select(w.model.index(0, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QImage selected = w.view.viewport()->grab().toImage();
    EXPECT_EQ(selected.pixelColor(swatch.center()).rgb(), QColor(200, 30, 30).rgb());
    EXPECT_NE(selected.pixelColor(cellRect(0, "BSSID").center()), image.pixelColor(cellRect(0, "BSSID").center()));
    // Set SKYVANE_TABLE_PNG to look at the table.
    const QString out = qEnvironmentVariable("SKYVANE_TABLE_PNG");
    if (!out.isEmpty())
        w.view.grab().save(out);
}

TEST(NetworksTableSort, StableByTheColumnsKeyAndComparison)
{
    auto make = [](const char* ssid, qint64 rssi, const char* vendor) {
        auto r = std::make_shared<FakeRow>();
        r->ssid = ssid;
        r->rssi = rssi;
        r->vendor = vendor;
        return r;
    };
    const QVector<std::shared_ptr<FakeRow>> fakes = {make("net10", -60, "acme"), make("net9", -70, "Acme"),
                                                     make("Net1", -60, "Beta"), make("net2", -80, "alpha")};
    auto order = [&](const char* id, bool ascending) {
        QVector<SVNetworkRow> rows(fakes.begin(), fakes.end());
        sortNetworkRows(rows, id, ascending);
        QStringList ssids;
        for (const SVNetworkRow& r : rows)
            ssids << r->ssidValue();
        return ssids.join(' ').toStdString();
    };
    EXPECT_EQ(order("SSID", true), "Net1 net2 net9 net10");
    EXPECT_EQ(order("SSID", false), "net10 net9 net2 Net1");
    EXPECT_EQ(order("RSSI", true), "net2 net9 net10 Net1");  // equal levels keep their order
    EXPECT_EQ(order("RSSI", false), "net10 Net1 net9 net2");
    EXPECT_EQ(order("VENDOR", true), "net10 net9 net2 Net1"); // "acme" and "Acme" are equal
    EXPECT_EQ(order("IS_USER_HIDDEN", true), "net10 net9 Net1 net2");
}

TEST(NetworksTableSort, HeaderClicksSortAndKeepTheSelection)
{
    SVNetworksTableModel model;
    SVNetworkCellDelegate delegate;
    QTreeView view;
    QTemporaryDir dir;
    sv::UserDefaults defaults(dir.filePath("s.conf"));
    setUpNetworksTable(view, model, delegate, defaults);
    auto a = record(1, -70, false), b = record(2, -40, false), c = record(3, -55, false);
    view.show();
    reloadNetworksView(view, model, rowsOf({a, b, c}));
    view.selectionModel()->select(model.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    QSignalSpy sorted(&model, &SVNetworksTableModel::sortDescriptorsDidChange);
    view.header()->setSortIndicator(column("RSSI"), Qt::DescendingOrder);
    ASSERT_EQ(sorted.count(), 1);
    EXPECT_EQ(sorted.at(0).at(0).toString(), "RSSI");
    EXPECT_FALSE(sorted.at(0).at(1).toBool());
    EXPECT_EQ(model.rowAt(0), b);
    EXPECT_EQ(model.rowAt(2), a);
    ASSERT_EQ(view.selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(view.selectionModel()->selectedRows().front().row(), 2); // still record a

    // The swatch column is not sortable: the sort stays on RSSI.
    view.header()->setSortIndicator(column("IS_USER_HIDDEN"), Qt::AscendingOrder);
    EXPECT_EQ(sorted.count(), 1);
    EXPECT_EQ(view.header()->sortIndicatorSection(), column("RSSI"));
    EXPECT_EQ(model.sortIdentifier(), "RSSI");
    EXPECT_EQ(view.header()->defaultAlignment(), Qt::AlignCenter);
}

TEST(CSVExport, ColumnsFollowTheDisplayOrder)
{
    QStandardItemModel model(0, int(networkColumns().size()));
    QHeaderView header(Qt::Horizontal);
    header.setModel(&model);
    header.moveSection(networkColumnIndex("RSSI"), 0);
    header.hideSection(networkColumnIndex("SSID"));
    const QStringList ids = tableColumnIdentifiers(header);
    ASSERT_EQ(ids.size(), int(networkColumns().size()));
    EXPECT_EQ(ids.mid(0, 3), (QStringList{"RSSI", "IS_USER_HIDDEN", "BSSID"}));
    EXPECT_TRUE(ids.contains("SSID")) << "hidden columns are exported too";
}
