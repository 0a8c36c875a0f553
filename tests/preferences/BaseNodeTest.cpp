#include "preferences/BaseNode.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

QImage icon(QRgb colour)
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// root
//   group "B"
//     leaf "c" (icon, link)
//   leaf "a"
struct Tree {
    Tree()
    {
        root->setNodeTitle(QStringLiteral("Root"));
        group->setNodeTitle(QStringLiteral("B"));
        c->setNodeTitle(QStringLiteral("c"));
        c->setNodeIcon(icon(qRgb(200, 0, 0)));
        c->setUrlString(QStringLiteral("https://example.org/c"));
        a->setNodeTitle(QStringLiteral("a"));
        group->addChild(c);
        root->setChildren({group, a});
    }
    BaseNode::Ptr root = BaseNode::create();
    BaseNode::Ptr group = BaseNode::create();
    BaseNode::Ptr c = BaseNode::createLeaf();
    BaseNode::Ptr a = BaseNode::createLeaf();
};

QStringList titles(const BaseNode::List& nodes)
{
    QStringList out;
    for (const auto& n : nodes)
        out << n->nodeTitle();
    return out;
}

// Same titles, icons, links and shape.
void expectSameTree(const BaseNode& a, const BaseNode& b)
{
    EXPECT_EQ(a.nodeTitle(), b.nodeTitle());
    EXPECT_EQ(a.isLeaf(), b.isLeaf());
    EXPECT_EQ(a.urlString(), b.urlString());
    EXPECT_EQ(a.nodeIcon().isNull(), b.nodeIcon().isNull());
    if (!a.nodeIcon().isNull()) {
        EXPECT_EQ(a.nodeIcon().convertToFormat(QImage::Format_ARGB32).pixel(0, 0),
                  b.nodeIcon().convertToFormat(QImage::Format_ARGB32).pixel(0, 0));
    }
    if (a.isLeaf() || b.isLeaf())
        return;
    ASSERT_EQ(a.children().size(), b.children().size());
    for (qsizetype i = 0; i < a.children().size(); ++i)
        expectSameTree(*a.children()[i], *b.children()[i]);
}

} // namespace

TEST(BaseNode, NewNodesAndLeavesAnswerThemselvesWithoutOwningThemselves)
{
    auto node = BaseNode::create();
    EXPECT_EQ(node->nodeTitle(), QStringLiteral("BaseNode Untitled"));
    EXPECT_FALSE(node->isLeaf());
    EXPECT_TRUE(node->children().isEmpty());

    std::weak_ptr<BaseNode> watch;
    {
        auto leaf = BaseNode::createLeaf();
        watch = leaf;
        ASSERT_EQ(leaf->children().size(), 1);
        EXPECT_EQ(leaf->children().front(), leaf);
        EXPECT_TRUE(leaf->descendants().isEmpty());
    }
    EXPECT_TRUE(watch.expired()) << "a leaf kept itself alive";
}

TEST(BaseNode, WalksTheTree)
{
    Tree t;
    EXPECT_EQ(titles(t.root->descendants()), (QStringList{"B", "c", "a"}));
    EXPECT_EQ(titles(t.root->allChildLeafs()), (QStringList{"c", "a"}));
    EXPECT_EQ(titles(t.root->groupChildren()), QStringList{"B"});
    EXPECT_EQ(t.c->parentFromArray({t.root}), t.group);
    EXPECT_EQ(t.root->parentFromArray({t.root}), nullptr);
    EXPECT_EQ(t.c->indexPathInArray({t.root}), (QList<int>{0, 0, 0}));
    EXPECT_EQ(t.a->indexPathInArray({t.root}), (QList<int>{0, 1}));
    EXPECT_FALSE(BaseNode::create()->indexPathInArray({t.root}).has_value());
    EXPECT_TRUE(t.c->isDescendantOfOrOneOfNodes({t.root}));
    EXPECT_TRUE(t.root->isDescendantOfOrOneOfNodes({t.root}));
    EXPECT_FALSE(t.root->isDescendantOfNodes({t.root}));
    EXPECT_TRUE(t.c->isDescendantOfNodes({t.root}));
    EXPECT_LT(t.a->compare(*t.group), 0); // "a" before "B", case folded
    EXPECT_TRUE(t.c->isDraggable());
    t.c->setUrlString(QStringLiteral("/usr/share/doc"));
    EXPECT_FALSE(t.c->isDraggable());

    t.root->removeObjectFromChildren(t.c.get());
    EXPECT_EQ(titles(t.root->descendants()), (QStringList{"B", "a"}));
}

TEST(BaseNode, DictionaryArchiveAndCopyKeepTheTree)
{
    Tree t;
    auto fromDictionary = BaseNode::fromDictionary(t.root->dictionaryRepresentation());
    expectSameTree(*t.root, *fromDictionary);
    EXPECT_FALSE(t.root->dictionaryRepresentation().contains(QStringLiteral("nodeIcon")));

    const QByteArray archive = sv::KeyedArchiver::archivedData(*t.root);
    auto coder = sv::KeyedUnarchiver::fromData(archive);
    BaseNode::Ptr restored;
    ASSERT_TRUE(coder.decodeObjectWith("root", [&](sv::KeyedUnarchiver& c) { restored = BaseNode::decode(c); }));
    ASSERT_TRUE(restored) << coder.errorString().toStdString();
    expectSameTree(*t.root, *restored);

    auto copy = t.root->copy();
    expectSameTree(*t.root, *copy);
    EXPECT_EQ(copy->children().front(), t.group) << "a copy shares its children";

    // A dictionary without "isLeaf" gives a group.
    EXPECT_FALSE(BaseNode::fromDictionary({{QStringLiteral("nodeTitle"), QStringLiteral("x")}})->isLeaf());
}
