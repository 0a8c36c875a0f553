#include "support/QStringPrinter.h"

#include "elements/SVInfoElement.h"
#include "platform/RtfWriter.h"
#include "views/SVAdvancedDetailsView.h"
#include "views/SVElementTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// An SSID, supported rates, and an HT capabilities element (with a flag word
// whose bit fields are subfields): new objects on every call, as after a scan.
std::vector<std::shared_ptr<SVInfoElement>> beacon()
{
    QByteArray ht(26, 0);
    ht[0] = char(0x6E);
    ht[1] = char(0x01);
    ht[3] = char(0xFF);
    return {std::make_shared<SVInfoElement>(0, QByteArray("Office")),
            std::make_shared<SVInfoElement>(1, bytes({0x8C, 0x12, 0x98, 0x24})),
            std::make_shared<SVInfoElement>(45, ht)};
}

struct Tree {
    Tree()
    {
        view.setElementModel(&model);
        model.setElements(beacon());
        view.resize(800, 600);
        view.show();
    }
    QModelIndex element(int row) const { return model.index(row, 0); }
    // The first row under parent that has children.
    QModelIndex expandableChild(const QModelIndex& parent) const
    {
        for (int r = 0; r < model.rowCount(parent); ++r)
            if (model.rowCount(model.index(r, 0, parent)) > 0)
                return model.index(r, 0, parent);
        return {};
    }
    QModelIndex leafChild(const QModelIndex& parent) const
    {
        for (int r = 0; r < model.rowCount(parent); ++r)
            if (model.rowCount(model.index(r, 0, parent)) == 0)
                return model.index(r, 0, parent);
        return {};
    }
    QPoint pointOf(const QModelIndex& index)
    {
        view.scrollTo(index);
        return view.visualRect(index).center();
    }
    std::map<QString, bool> menuStates(const QModelIndex& index)
    {
        std::unique_ptr<QMenu> menu(view.menuForPoint(pointOf(index)));
        std::map<QString, bool> out;
        if (menu)
            for (QAction* a : menu->actions())
                if (!a->isSeparator())
                    out[a->text()] = a->isEnabled();
        return out;
    }
    SVAdvancedDetailsView view;
    SVElementTreeModel model;
};

} // namespace

TEST(ElementTreeTest, CellsOfElementsAndFields)
{
    Tree t;
    ASSERT_EQ(t.model.rowCount(), 3);
    const QModelIndex ssid = t.element(0);
    EXPECT_EQ(ssid.siblingAtColumn(SVElementTreeModel::IdColumn).data().toString(), "0");
    EXPECT_EQ(ssid.siblingAtColumn(SVElementTreeModel::LengthColumn).data().toString(), "6 bytes");
    EXPECT_EQ(ssid.data().toString(), t.model.elements()[0]->ieName());
    const auto summary = ssid.siblingAtColumn(SVElementTreeModel::FieldsColumn)
                             .data(SVElementTreeModel::RunsRole)
                             .value<QList<SVTextRun>>();
    ASSERT_EQ(summary.size(), 1);
    EXPECT_TRUE(summary[0].font.italic());

    // A sub-entry: the bit pattern right-aligned in the monospaced face.
    const QModelIndex word = t.expandableChild(t.element(2));
    ASSERT_TRUE(word.isValid());
    const QModelIndex bit = t.model.index(0, 0, word);
    const SVField* f = t.model.fieldAt(bit);
    ASSERT_TRUE(f && f->subfieldName);
    EXPECT_EQ(bit.data().toString(), *f->subfieldName + " ");
    EXPECT_EQ(bit.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
    const auto runs = bit.data(SVElementTreeModel::RunsRole).value<QList<SVTextRun>>();
    // What the tree asks for, not what this machine's fonts make of it.
    EXPECT_TRUE(runs[0].font.fixedPitch());
    EXPECT_EQ(runs[0].font.styleHint(), QFont::TypeWriter);

    // A field with notes: its value, then the notes in a smaller grey face.
    t.model.setFontSize(12);
    bool sawNotes = false;
    for (int e = 0; e < t.model.rowCount(); ++e)
        for (int r = 0; r < t.model.rowCount(t.element(e)); ++r) {
            const QModelIndex i = t.model.index(r, SVElementTreeModel::FieldsColumn, t.element(e));
            const SVField* field = t.model.fieldAt(i.siblingAtColumn(0));
            if (!field || field->subfieldName || !field->notes)
                continue;
            const auto cell = i.data(SVElementTreeModel::RunsRole).value<QList<SVTextRun>>();
            ASSERT_EQ(cell.size(), 2);
            EXPECT_EQ(cell[1].text, " " + *field->notes);
            EXPECT_EQ(cell[1].color, QColor(Qt::gray));
            EXPECT_LT(cell[1].font.pointSizeF(), cell[0].font.pointSizeF());
            sawNotes = true;
        }
    EXPECT_TRUE(sawNotes);
}

TEST(ElementTreeTest, ExpandedRowsSurviveARebuildWithNewElements)
{
    Tree t;
    const QModelIndex ht = t.element(2);
    t.view.expand(ht);
    const QModelIndex word = t.expandableChild(ht);
    t.view.expand(word);
    EXPECT_EQ(t.view.expandedItemCount(), 2);

    // The scan brings new element objects and new field records.
    t.model.setElements(beacon());
    EXPECT_FALSE(t.view.isExpanded(t.element(2)));
    t.view.restoreExpandedItems();
    EXPECT_TRUE(t.view.isExpanded(t.element(2)));
    EXPECT_TRUE(t.view.isExpanded(t.expandableChild(t.element(2))));
    EXPECT_FALSE(t.view.isExpanded(t.element(1)));
    EXPECT_TRUE(t.view.isExpandedItem(t.element(2)));

    // A collapse is remembered too.
    t.view.collapse(t.element(2));
    t.model.setElements(beacon());
    t.view.restoreExpandedItems();
    EXPECT_FALSE(t.view.isExpanded(t.element(2)));

    // Another network without these elements keeps the memory for later.
    t.model.setElements({});
    t.model.setElements(beacon());
    t.view.restoreExpandedItems();
    EXPECT_TRUE(t.view.isExpanded(t.expandableChild(t.element(2))));
}

TEST(ElementTreeTest, ContextMenuAndSpaceKey)
{
    Tree t;
    // A field row without children: nothing to expand, collapse or copy, and
    // the selection stays.
    t.view.expand(t.element(0));
    t.view.setCurrentIndex(t.element(1));
    const QModelIndex leaf = t.leafChild(t.element(0));
    ASSERT_TRUE(leaf.isValid());
    auto states = t.menuStates(leaf);
    EXPECT_FALSE(states["Expand Item"]);
    EXPECT_FALSE(states["Collapse Item"]);
    EXPECT_FALSE(states["Copy Element"]);
    EXPECT_TRUE(states["Expand All Items"]);
    EXPECT_TRUE(states["Collapse All Items"]);
    EXPECT_TRUE(states["Copy All Elements"]);
    EXPECT_EQ(t.view.currentIndex(), t.element(1));

    // An expanded element row is selected and can be collapsed, not expanded.
    states = t.menuStates(t.element(0));
    EXPECT_FALSE(states["Expand Item"]);
    EXPECT_TRUE(states["Collapse Item"]);
    EXPECT_TRUE(states["Copy Element"]);
    EXPECT_TRUE(t.view.selectionModel()->isRowSelected(0, {}));

    // Outside the rows: no menu.
    EXPECT_EQ(t.view.menuForPoint(QPoint(5, 590)), nullptr);
    EXPECT_EQ(t.view.clickedRow(), -1);

    // Expand Item opens the element with its descendants; Collapse Item on a
    // leaf closes the nearest open row above it, with its descendants.
    delete t.view.menuForPoint(t.pointOf(t.element(2)));
    t.view.onContextMenuExpandItem();
    const QModelIndex word = t.expandableChild(t.element(2));
    EXPECT_TRUE(t.view.isExpanded(word));
    delete t.view.menuForPoint(t.pointOf(t.leafChild(word)));
    t.view.onContextMenuCollapseItem();
    EXPECT_FALSE(t.view.isExpanded(word));
    EXPECT_TRUE(t.view.isExpanded(t.element(2)));
    EXPECT_FALSE(t.view.isExpandedItem(word));

    // The space key opens and closes the selected row alone.
    t.view.setFocus();
    t.view.setCurrentIndex(t.element(1));
    QTest::keyClick(&t.view, Qt::Key_Space);
    EXPECT_TRUE(t.view.isExpanded(t.element(1)));
    QTest::keyClick(&t.view, Qt::Key_Space);
    EXPECT_FALSE(t.view.isExpanded(t.element(1)));

    // Expand and collapse everything, remembered for the next rebuild.
    t.view.onContextMenuExpandAll();
    t.model.setElements(beacon());
    t.view.restoreExpandedItems();
    EXPECT_TRUE(t.view.isExpanded(t.expandableChild(t.element(2))));
    t.view.onContextMenuCollapseAll();
    EXPECT_EQ(t.view.expandedItemCount(), 0) << t.view.expandedKeys().join("\n").left(600).toStdString();
}

TEST(ElementTreeTest, CopyPutsRichTextInCourierAndPlainText)
{
    Tree t;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));

    // A field row copies its element.
    t.view.expand(t.element(1));
    delete t.view.menuForPoint(t.pointOf(t.leafChild(t.element(1))));
    t.view.onContextMenuCopyElement();
    const QString one = t.model.elements()[1]->ieDump();
    EXPECT_EQ(clipboard->mimeData()->text(), one);

    t.view.onContextMenuCopyAllElements();
    const QMimeData* data = clipboard->mimeData();
    QStringList dumps;
    for (const auto& e : t.model.elements())
        dumps << e->ieDump();
    const QString all = dumps.join("\n\n");
    EXPECT_EQ(data->text(), all);
    const QByteArray rtf = data->data("text/rtf");
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_TRUE(rtf.contains("{\\f0\\fmodern Courier;}"));
    EXPECT_TRUE(rtf.contains("\\fs24 "));
    // One empty line between elements.
    EXPECT_TRUE(rtf.contains("\\par\n\\par\n"));

    // An empty tree puts an empty rich text.
    t.model.setElements({});
    t.view.onContextMenuCopyAllElements();
    EXPECT_EQ(clipboard->mimeData()->text(), "");
}

TEST(ElementTreeTest, RichTextEscapesItsText)
{
    const struct {
        QString text;
        QByteArray body;
    } cases[] = {
        {"a\\b{c}", "a\\\\b\\{c\\}"},
        {"one\ntwo", "one\\par\ntwo"},
        {"caf\u00e9", "caf\\u233?"},
        {QString::fromUtf16(u"\u20ac"), "\\u8364?"},
        {QString::fromUtf16(u"\uFFFD"), "\\u-3?"},
        {QString("x\x01y"), "xy"},
    };
    for (const auto& c : cases) {
        const QByteArray rtf = sv::rtfData(c.text, "Courier", 12);
        EXPECT_TRUE(rtf.contains("{\\f0\\fmodern Courier;}"));
        EXPECT_TRUE(rtf.endsWith("\\fs24 " + c.body + "}\n")) << c.text.toStdString() << " " << rtf.toStdString();
    }
    // The face name cannot break out of the font table.
    EXPECT_FALSE(sv::rtfData("x", "Cour;}{ier", 12).contains("Cour;"));
}

TEST(ElementTreeTest, ManyRowsExpandAndCollapse)
{
    // Hundreds of vendor elements, each with fields: every row opens and
    // closes and the memory follows.
    std::vector<std::shared_ptr<SVInfoElement>> many;
    for (int i = 0; i < 600; ++i)
        many.push_back(std::make_shared<SVInfoElement>(221, bytes({0x00, 0x50, 0xF2, 0x02, 0x01, 0x01, i & 0xFF})));
    SVElementTreeModel model;
    SVAdvancedDetailsView view;
    view.setElementModel(&model);
    model.setElements(many);
    view.onContextMenuExpandAll();
    EXPECT_TRUE(view.isExpanded(model.index(599, 0)));
    model.setElements(many);
    view.restoreExpandedItems();
    EXPECT_TRUE(view.isExpanded(model.index(599, 0)));
    view.onContextMenuCollapseAll();
    EXPECT_FALSE(view.isExpanded(model.index(0, 0)));
    EXPECT_EQ(view.expandedItemCount(), 0);
}

namespace {

// The menu a secondary click opens, as the platform delivers it: the press,
// then the context-menu event at the same point.
QMenu* rightClick(SVAdvancedDetailsView& view, QPoint at)
{
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &event);
    QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, at);
    const auto menus = view.findChildren<QMenu*>();
    for (QMenu* m : menus)
        if (m->isVisible())
            return m;
    return nullptr;
}

QAction* actionTitled(QMenu* menu, const QString& title)
{
    for (QAction* a : menu->actions())
        if (a->text() == title)
            return a;
    return nullptr;
}

} // namespace

TEST(ElementTreeTest, MenuActsOnItsRowAfterTheTreeIsRebuilt)
{
    // Each scan gives the tree new element objects while the menu is open.
    // Every action finds its row again (the HT element, now listed first),
    // or does nothing once a scan no longer has it.
    const auto rebuilt = [] {
        auto elements = beacon();
        std::rotate(elements.begin(), elements.begin() + 2, elements.end());
        return elements;
    };
    const auto withoutHT = [] { return std::vector<std::shared_ptr<SVInfoElement>>{beacon()[0]}; };
    struct Case {
        const char* action;
        bool elementGone;
        bool openBefore;
        bool openAfter;
        bool copied;
    } cases[] = {
        {"Expand Item", false, false, true, false},
        {"Collapse Item", false, true, false, false},
        {"Copy Element", false, false, false, true},
        {"Expand Item", true, false, false, false},
        {"Collapse Item", true, true, false, false},
        {"Copy Element", true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + (c.elementGone ? " (gone)" : ""));
        Tree t;
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        const QString htKey = t.model.keyAt(t.element(2));
        if (c.openBefore)
            t.view.expand(t.element(2));
        QMenu* menu = rightClick(t.view, t.pointOf(t.element(2)));
        ASSERT_NE(menu, nullptr);
        t.model.setElements(c.elementGone ? withoutHT() : rebuilt());
        t.view.restoreExpandedItems();
        actionTitled(menu, QString::fromLatin1(c.action))->trigger();
        menu->close();

        const QModelIndex ht = t.model.index(0, 0);
        if (!c.elementGone) {
            ASSERT_EQ(t.model.keyAt(ht), htKey);
            EXPECT_EQ(t.view.isExpanded(ht), c.openAfter);
        } else {
            EXPECT_EQ(t.model.rowCount(), 1);
            EXPECT_FALSE(t.view.isExpanded(ht));
        }
        EXPECT_EQ(clipboard->text(), c.copied ? t.model.elements()[0]->ieDump() : QStringLiteral("before"));
    }
}

TEST(ElementTreeTest, SecondaryClickAndMenuKeyLeaveTheSelection)
{
    Tree t;
    t.view.expand(t.element(0));
    t.view.setCurrentIndex(t.element(1));
    const QModelIndex leaf = t.leafChild(t.element(0));
    QMenu* menu = rightClick(t.view, t.pointOf(leaf));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(actionTitled(menu, QStringLiteral("Copy Element"))->isEnabled());
    menu->close();
    EXPECT_EQ(t.view.selectionModel()->selectedRows(), QModelIndexList{t.element(1)});

    // The menu key opens the menu of the current row, wherever the pointer is.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), t.view.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&t.view, &key);
    EXPECT_EQ(t.view.clickedIndex(), t.element(1));
    for (QMenu* m : t.view.findChildren<QMenu*>())
        m->close();
}

TEST(ElementTreeTest, SortsByColumnAndKeepsTheOrderForLaterScans)
{
    Tree t;
    const auto ids = [&] {
        QList<int> out;
        for (int r = 0; r < t.model.rowCount(); ++r)
            out << t.model.index(r, SVElementTreeModel::IdColumn).data().toInt();
        return out;
    };
    EXPECT_EQ(ids(), (QList<int>{0, 1, 45})); // as the record lists them
    t.view.expand(t.element(2));

    t.view.sortByColumn(SVElementTreeModel::IdColumn, Qt::DescendingOrder);
    EXPECT_EQ(ids(), (QList<int>{45, 1, 0}));
    EXPECT_TRUE(t.view.isExpanded(t.element(0))); // the open row moved with its element

    t.model.setElements(beacon());
    EXPECT_EQ(ids(), (QList<int>{45, 1, 0}));

    // By name: "HT Capabilities", "SSID", "Supported Rates".
    t.view.sortByColumn(SVElementTreeModel::IeColumn, Qt::AscendingOrder);
    QStringList names;
    for (int r = 0; r < t.model.rowCount(); ++r)
        names << t.model.index(r, SVElementTreeModel::IeColumn).data().toString();
    QStringList sortedNames = names;
    std::sort(sortedNames.begin(), sortedNames.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(names, sortedNames);
}
