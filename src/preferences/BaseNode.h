#pragma once

#include "platform/KeyedArchiver.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>

namespace sv {
class KeyedUnarchiver;
}

// A general tree node: a title, an icon, a link text and child nodes, with
// archive, copy and dictionary forms. Nodes are shared objects; identity is
// the object's address. A leaf's children are the leaf itself, answered on
// demand rather than stored, so a leaf never owns a reference to itself.
class BaseNode : public std::enable_shared_from_this<BaseNode>, public sv::KeyedArchivable {
public:
    using Ptr = std::shared_ptr<BaseNode>;
    using List = QList<Ptr>;

    static Ptr create();     // "BaseNode Untitled", no children, not a leaf
    static Ptr createLeaf(); // the same, as a leaf
    static Ptr fromDictionary(const QVariantMap& dictionary);
    // The node that is the coder's current object; null when the archive is damaged.
    static Ptr decode(sv::KeyedUnarchiver& coder);

    virtual ~BaseNode() = default;

    // The keys the archive, copy and dictionary forms go through, in order.
    static const QStringList& mutableKeys();

    QString nodeTitle() const;
    void setNodeTitle(const QString& title);
    QImage nodeIcon() const;
    void setNodeIcon(const QImage& icon);
    QString urlString() const;
    void setUrlString(const QString& url);

    bool isLeaf() const;
    // Sets the flag and resets the children: a leaf's are itself, a group's empty.
    void setLeaf(bool leaf);
    // Sets the flag only.
    void setIsLeaf(bool leaf);

    // A group's own list; for a leaf, a list holding only the leaf.
    List children() const;
    void setChildren(const List& children);
    void addChild(const Ptr& child);

    // Orders by lower-cased title: negative, 0, positive.
    int compare(const BaseNode& other) const;
    bool isDraggable() const;

    // The root among roots whose children hold this node; null when this
    // node is itself a root or is not in the forest.
    Ptr parentFromArray(const List& roots) const;
    void removeObjectFromChildren(const BaseNode* node);
    List descendants() const;
    List allChildLeafs() const;
    List groupChildren() const;
    bool isDescendantOfOrOneOfNodes(const List& nodes) const;
    bool isDescendantOfNodes(const List& nodes) const;
    // Root first; nullopt when the node is not in the forest.
    std::optional<QList<int>> indexPathInArray(const List& roots) const;

    QVariantMap dictionaryRepresentation() const;
    // Reads one key of the dictionary form; an invalid value for "isLeaf" clears it.
    void setValueForKey(const QVariant& value, const QString& key);

    // A new node with this node's values; the children are shared, not copied.
    Ptr copy() const;

    QStringList archiveClassChain() const override;
    void encodeWithCoder(sv::KeyedArchiver& coder) const override;

protected:
    BaseNode() = default;

private:
    mutable std::recursive_mutex m_lock; // the object-valued properties are read and written whole
    QString m_nodeTitle = QStringLiteral("BaseNode Untitled");
    QImage m_nodeIcon;
    QString m_urlString;
    List m_children; // empty for a leaf
    bool m_isLeaf = false;
};
