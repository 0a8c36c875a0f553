#include "QStringPrinter.h"

#include "elements/SVInfoElement.h"
#include "platform/RtfWriter.h"
#include "views/SVAdvancedDetailsView.h"
#include "views/SVElementTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

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
