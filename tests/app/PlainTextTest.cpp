#include "model/SVDefaultsKeys.h"
#include "app/AppDelegate.h"
#include "app/SVAlert.h"
#include "app/SVDefaults.h"
#include "app/SVMainWindow.h"
#include "app/SVNetworkDetailsPane.h"
#include "app/WindowFixture.h"
#include "model/SVAnnotationsHelper.h"
#include "model/SVNetServiceBrowser.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/FileWriter.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVPlainText.h"

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <QTreeView>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

constexpr int kEventBoundMs = 60000;

// Names as they come from the air, a file or a note: an image that would
// read an endless file, markup, and an entity.
const QStringList kMarkup = {QStringLiteral("<img src=/dev/zero>"), QStringLiteral("<b>x</b>"),
                             QStringLiteral("&amp;")};

// Reads markup as a label or tooltip would, recording each resource it asks
// for instead of loading it.
class RecordingDocument : public QTextDocument {
public:
    QStringList loaded;

protected:
    QVariant loadResource(int, const QUrl& name) override
    {
        loaded << name.toString();
        return {};
    }
};

struct Reading {
    QString text;       // the characters shown
    QStringList loaded; // what showing it would load
};

Reading reading(const QString& text, Qt::TextFormat format)
{
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return {text, {}};
    RecordingDocument doc;
    doc.setHtml(text);
    doc.documentLayout()->documentSize(); // lays it out: images are asked for
    return {doc.toPlainText(), doc.loaded};
}

QString toolTipShown(const QString& tip) { return reading(tip, Qt::AutoText).text; }

// What a menu item or button shows: '&' marks a shortcut, "&&" is one '&'.
QString withoutMnemonics(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

// Every label, tooltip, button and menu item under root loads nothing, and
// any of the names it holds shows as written.
void expectShownAsWritten(const QObject& root, const std::string& where)
{
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    if (root.isWidgetType())
        widgets << static_cast<QWidget*>(const_cast<QObject*>(&root));
    for (QWidget* w : widgets) {
        std::vector<std::pair<QString, Reading>> texts;
        if (auto* label = qobject_cast<QLabel*>(w))
            texts.emplace_back(label->text(), reading(label->text(), label->textFormat()));
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts.emplace_back(button->text(), Reading{withoutMnemonics(button->text()), {}});
        texts.emplace_back(w->toolTip(), reading(w->toolTip(), Qt::AutoText));
        if (auto* menu = qobject_cast<QMenu*>(w))
            for (QAction* a : menu->actions()) {
                texts.emplace_back(a->text(), Reading{withoutMnemonics(a->text()), {}});
                texts.emplace_back(a->toolTip(), reading(a->toolTip(), Qt::AutoText));
            }
        for (const auto& [raw, shown] : texts) {
            EXPECT_TRUE(shown.loaded.isEmpty()) << where << ": " << raw.toStdString();
            for (const QString& name : kMarkup) {
                if (raw.contains(name)) {
                    EXPECT_TRUE(shown.text.contains(name))
                        << where << ": " << raw.toStdString() << " shows " << shown.text.toStdString();
                }
            }
        }
    }
}

void expectWindowShownAsWritten(const std::string& where)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        expectShownAsWritten(*top, where);
}

struct Network {
    QString bssid, ssid, deviceName, annotation;
};
// As the scenario has them; the fourth names no device in its beacons, so
// its device name is the one its base station announces.
const std::vector<Network> kNetworks = {
    {"AC:DE:48:00:00:01", kMarkup[0], kMarkup[1], kMarkup[2]},
    {"AC:DE:48:00:00:02", kMarkup[1], kMarkup[2], kMarkup[0]},
    {"AC:DE:48:00:00:03", kMarkup[2], kMarkup[0], kMarkup[1]},
    {"AC:DE:48:00:00:04", "Plain", kMarkup[1] + " [*] " + kMarkup[0], kMarkup[2] + " " + kMarkup[0]},
};
const QString kVendor = kMarkup[1] + " " + kMarkup[2] + " " + kMarkup[0];

// The window on the scenario of such names, with such notes, base-station
// and vendor names, every alert inspected as it is shown.
struct Window {
    Window()
    {
        auto& annotations = SVAnnotationsHelper::sharedAnnotations();
        for (const Network& n : kNetworks)
            annotations.setAnnotationsForNetwork(n.bssid, n.annotation);
        SVNetServiceBrowser::sharedBrowser().setStations({{kNetworks[3].bssid, kNetworks[3].deviceName}});
        sv::UserDefaults::standardUserDefaults().setBool(true, SVDefaultsKey::DisplayAnnotations);
        SVAlert::setAutomaticResponder([this](const SVAlert& alert) {
            expectShownAsWritten(alert, "alert " + alert.messageText().toStdString());
            alerts << reading(alert.messageText(), alert.textFormat()).text + u'\n' + alert.informativeText();
            return SVAlert::FirstButtonReturn;
        });
        app = sv::test::makeWindow(sv::test::fixturePath(QStringLiteral("scenario/markup.json")));
        app->applicationWillFinishLaunching();
        // A vendor database that names the scenario's prefix so.
        auto& vendors = SVVendorDatabaseHelper::sharedDatabase();
        sv::test::writeBytes(vendors.pathToDatabase(),
                             sv::PropertyList::toXml(QVariantMap{{QStringLiteral("AC:DE:48"), kVendor}}));
        vendors.dropDatabase();
    }
    ~Window()
    {
        sv::test::endWindow(app);
        for (const Network& n : kNetworks)
            SVAnnotationsHelper::sharedAnnotations().setAnnotationsForNetwork(n.bssid, QString());
        SVNetServiceBrowser::sharedBrowser().setStations({});
        sv::UserDefaults::standardUserDefaults().removeObjectForKey(SVDefaultsKey::DisplayAnnotations);
    }
    int rowOf(const QString& bssid) const
    {
        int row = 0;
        for (const auto& r : app->networksModel()->rows()) {
            if (r->bssidValue() == bssid)
                return row;
            ++row;
        }
        return -1;
    }
    void select(int row) const
    {
        const QModelIndex index = app->networksModel()->index(row, 0);
        app->networksView()->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                                 QItemSelectionModel::Rows);
    }
    // The tooltip of a cell cut short, as the table shows it.
    QString cellToolTip(int row, int column) const
    {
        QTreeView* view = app->networksView();
        view->header()->showSection(column);
        view->header()->resizeSection(column, 12);
        const QModelIndex index = app->networksModel()->index(row, column);
        QToolTip::hideText();
        const QPoint at = view->visualRect(index).center();
        QHelpEvent event(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    std::unique_ptr<AppDelegate> app;
    QStringList alerts;
};

} // namespace

TEST(PlainText, HelpersKeepTheCharacters)
{
    const QString texts[] = {"<img src=/dev/zero>", "<b>x</b>", "&amp;", "&lt;b&gt;", "  two  spaces  ",
                             "line\n<i>two</i>", "Harbour-Office", "a & b [*]"};
    for (const QString& t : texts) {
        EXPECT_EQ(toolTipShown(sv::plainToolTip(t)), t) << t.toStdString();
        EXPECT_TRUE(reading(sv::plainToolTip(t), Qt::AutoText).loaded.isEmpty());
        EXPECT_EQ(withoutMnemonics(sv::plainMnemonicText(t)), t) << t.toStdString();
        std::unique_ptr<QLabel> label(sv::newPlainLabel(t));
        EXPECT_EQ(reading(label->text(), label->textFormat()).text, t);
    }
    // Text Qt takes as plain stays as it is.
    EXPECT_EQ(sv::plainToolTip("Harbour-Office"), "Harbour-Office");
    EXPECT_EQ(sv::plainWindowTitle("a [*] b [*][*]"), "a [*][*] b [*][*][*][*]");

    QWidget window;
    window.setWindowTitle(sv::plainWindowTitle("site [*]"));
    window.show();
    EXPECT_EQ(window.windowHandle()->title(), "site [*]");
}

// Selects each network on every tab of the window, as a user walks it, and
// checks each text that names it: cells, their tooltips, the details.
void walkEveryNetwork(const Window& w, const std::string& where)
{
    SVMainWindow* window = w.app->window();
    auto* details = window->findChild<SVNetworkDetailsPane*>();
    ASSERT_NE(details, nullptr);
    SVNetworksTableModel* model = w.app->networksModel();
    const int ssidColumn = networkColumnIndex(QStringLiteral("SSID"));
    const int deviceColumn = networkColumnIndex(QStringLiteral("DEVICE_NAME"));
    const int vendorColumn = networkColumnIndex(QStringLiteral("VENDOR"));
    const int notesColumn = networkColumnIndex(QStringLiteral("ANNOTATIONS"));

    for (const Network& n : kNetworks) {
        const std::string at = where + " " + n.bssid.toStdString();
        const int row = w.rowOf(n.bssid);
        ASSERT_GE(row, 0) << at;
        const struct {
            int column;
            QString text;
        } cells[] = {{ssidColumn, n.ssid}, {deviceColumn, n.deviceName}, {vendorColumn, kVendor},
                     {notesColumn, n.annotation}};
        for (const auto& cell : cells) {
            EXPECT_EQ(model->index(row, cell.column).data().toString(), cell.text) << at;
            EXPECT_EQ(toolTipShown(w.cellToolTip(row, cell.column)), cell.text) << at;
        }

        w.select(row);
        for (int tab = 0; tab < SVMainWindow::TabCount; ++tab) {
            w.app->selectGraph(tab);
            QCoreApplication::processEvents();
            // Drawn as a user sees it: graphs, legends, the element tree.
            EXPECT_FALSE(window->grab().isNull());
            expectWindowShownAsWritten(at + " tab " + std::to_string(tab));
        }
        w.app->selectGraph(SVMainWindow::NetworkDetailsTab);
        for (const auto& [name, text] : {std::pair{"ssidLbl", n.ssid}, std::pair{"vendorLbl", kVendor}}) {
            QLabel* label = details->label(QString::fromLatin1(name));
            ASSERT_NE(label, nullptr);
            const Reading shown = reading(label->text(), label->textFormat());
            EXPECT_EQ(shown.text, text) << at << " " << name;
            EXPECT_TRUE(shown.loaded.isEmpty()) << at << " " << name;
        }
    }
}

TEST(PlainText, NamesFromOutsideShowAsWrittenEverywhere)
{
    Window w;
    ASSERT_TRUE(sv::test::waitForShownLists(2));
    // A list shown after the vendor database was replaced.
    ASSERT_TRUE(sv::test::waitForShownLists(1));
    w.app->doStop();
    // Wide enough for the toolbar to name the associated network whole.
    w.app->window()->resize(1800, 900);
    QCoreApplication::processEvents();
    w.app->updateStateInfo();
    walkEveryNetwork(w, "scan");
    SVMainWindow* window = w.app->window();

    // A failed save names the file; the reason comes from the system.
    QTemporaryDir dir;
    const QString badName = QStringLiteral("<b>x &amp; [*]"); // no "/" in a file name
    sv::NotificationCenter::defaultCenter().post(
        sv::FileSaveDidFailNotification,
        {{QStringLiteral("path"), QDir(dir.path()).filePath(badName + ".plist")}, {QStringLiteral("reason"), kMarkup[0]}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.alerts.isEmpty(); }, kEventBoundMs));
    EXPECT_TRUE(w.alerts.back().contains(badName)) << w.alerts.back().toStdString();
    EXPECT_TRUE(w.alerts.back().contains(kMarkup[0])) << w.alerts.back().toStdString();

    // A document of such a name, saved and opened again: its contents, the
    // title, the toolbar and the recent menu.
    const QString path = QDir(dir.path()).filePath(badName);
    w.app->setSavePanelResponder([&] { return path; });
    w.app->onFileSaveAs();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.app->isSaving(); }, kEventBoundMs));
    ASSERT_TRUE(QFileInfo::exists(path + ".skyvane"));
    w.app->setOpenPanelResponder([&] { return path + ".skyvane"; });
    w.app->onFileOpen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.app->isOpening(); }, kEventBoundMs));
    ASSERT_FALSE(w.app->networks().empty());
    EXPECT_TRUE(w.app->networks().front()->loadedFromFile());
    walkEveryNetwork(w, "document");

    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(window->windowHandle()->title(), path);
    w.app->updateStateInfo();
    bool named = false;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        named = named || withoutMnemonics(b->text()).contains(QStringLiteral("File: ") + badName);
    EXPECT_TRUE(named);
    for (QMenu* menu : window->findChildren<QMenu*>())
        emit menu->aboutToShow();
    bool recent = false;
    for (QMenu* menu : window->findChildren<QMenu*>())
        for (QAction* a : menu->actions())
            recent = recent || (withoutMnemonics(a->text()) == badName + ".skyvane"
                                && toolTipShown(a->toolTip()) == path + ".skyvane");
    EXPECT_TRUE(recent);
    expectWindowShownAsWritten("document");
    sv::UserDefaults::standardUserDefaults().removeObjectForKey(SVDefaultsKey::RecentDocuments);
}
