#include "preferences/BaseNode.h"

#include "platform/KeyedUnarchiver.h"

#include <QBuffer>
#include <QDir>

namespace {

const QString kTitle = QStringLiteral("nodeTitle");
const QString kIsLeaf = QStringLiteral("isLeaf");
const QString kChildren = QStringLiteral("children");
const QString kIcon = QStringLiteral("nodeIcon");
const QString kUrl = QStringLiteral("urlString");

// Nodes nested deeper than this in a dictionary or an archive are left out,
// so hostile input cannot exhaust the stack.
constexpr int kMaximumDepth = 256;

QByteArray pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool containsNode(const BaseNode::List& list, const BaseNode* node)
{
    for (const auto& entry : list)
        if (entry.get() == node)
            return true;
    return false;
}

BaseNode::Ptr fromDictionaryAt(const QVariantMap& dictionary, int depth);

BaseNode::Ptr decodeAt(sv::KeyedUnarchiver& coder, int depth);

} // namespace

BaseNode::Ptr BaseNode::create()
{
    Ptr node(new BaseNode);
    node->setLeaf(false);
    return node;
}

BaseNode::Ptr BaseNode::createLeaf()
{
    Ptr node = create();
    node->setLeaf(true);
    return node;
}

const QStringList& BaseNode::mutableKeys()
{
    static const QStringList keys{kTitle, kIsLeaf, kChildren, kIcon, kUrl};
    return keys;
}

QString BaseNode::nodeTitle() const
{
    std::lock_guard lock(m_lock);
    return m_nodeTitle;
}

void BaseNode::setNodeTitle(const QString& title)
{
    std::lock_guard lock(m_lock);
    m_nodeTitle = title;
}

QImage BaseNode::nodeIcon() const
{
    std::lock_guard lock(m_lock);
    return m_nodeIcon;
}

void BaseNode::setNodeIcon(const QImage& icon)
{
    std::lock_guard lock(m_lock);
    m_nodeIcon = icon;
}

QString BaseNode::urlString() const
{
    std::lock_guard lock(m_lock);
    return m_urlString;
}

void BaseNode::setUrlString(const QString& url)
{
    std::lock_guard lock(m_lock);
    m_urlString = url;
}

bool BaseNode::isLeaf() const
{
    std::lock_guard lock(m_lock);
    return m_isLeaf;
}

void BaseNode::setLeaf(bool leaf)
{
    std::lock_guard lock(m_lock);
    m_isLeaf = leaf;
    m_children.clear();
}

void BaseNode::setIsLeaf(bool leaf)
{
    std::lock_guard lock(m_lock);
    m_isLeaf = leaf;
}

BaseNode::List BaseNode::children() const
{
    std::lock_guard lock(m_lock);
    if (m_isLeaf)
        return {std::const_pointer_cast<BaseNode>(shared_from_this())};
    return m_children;
}

void BaseNode::setChildren(const List& children)
{
    std::lock_guard lock(m_lock);
    m_children.clear();
    for (const auto& child : children)
        if (child && child.get() != this) // a node never owns itself
            m_children.append(child);
}

void BaseNode::addChild(const Ptr& child)
{
    std::lock_guard lock(m_lock);
    if (child && child.get() != this)
        m_children.append(child);
}

int BaseNode::compare(const BaseNode& other) const
{
    return nodeTitle().toLower().compare(other.nodeTitle().toLower());
}

bool BaseNode::isDraggable() const
{
    const QString url = urlString();
    return !(QDir::isAbsolutePath(url) && !url.isEmpty()) && !nodeIcon().isNull();
}

BaseNode::Ptr BaseNode::parentFromArray(const List& roots) const
{
    for (const auto& entry : roots) {
        if (entry.get() == this)
            return nullptr;
        if (entry->isLeaf())
            continue;
        const List children = entry->children();
        if (containsNode(children, this))
            return entry;
        if (Ptr found = parentFromArray(children))
            return found;
    }
    return nullptr;
}

void BaseNode::removeObjectFromChildren(const BaseNode* node)
{
    std::lock_guard lock(m_lock);
    if (m_isLeaf)
        return;
    for (qsizetype i = 0; i < m_children.size(); ++i) {
        if (m_children[i].get() == node) {
            m_children.removeAt(i);
            return;
        }
        if (!m_children[i]->isLeaf())
            m_children[i]->removeObjectFromChildren(node);
    }
}

BaseNode::List BaseNode::descendants() const
{
    List out;
    if (isLeaf())
        return out;
    for (const auto& child : children()) {
        out.append(child);
        if (!child->isLeaf())
            out.append(child->descendants());
    }
    return out;
}

BaseNode::List BaseNode::allChildLeafs() const
{
    List out;
    if (isLeaf())
        return out;
    for (const auto& child : children()) {
        if (child->isLeaf())
            out.append(child);
        else
            out.append(child->allChildLeafs());
    }
    return out;
}

BaseNode::List BaseNode::groupChildren() const
{
    List out;
    if (isLeaf())
        return out;
    for (const auto& child : children())
        if (!child->isLeaf())
            out.append(child);
    return out;
}

bool BaseNode::isDescendantOfOrOneOfNodes(const List& nodes) const
{
    for (const auto& node : nodes) {
        if (node.get() == this)
            return true;
        if (!node->isLeaf() && isDescendantOfOrOneOfNodes(node->children()))
            return true;
    }
    return false;
}

bool BaseNode::isDescendantOfNodes(const List& nodes) const
{
    for (const auto& node : nodes)
        if (!node->isLeaf() && isDescendantOfOrOneOfNodes(node->children()))
            return true;
    return false;
}

std::optional<QList<int>> BaseNode::indexPathInArray(const List& roots) const
{
    QList<int> path;
    Ptr node = std::const_pointer_cast<BaseNode>(shared_from_this());
    for (Ptr parent = node->parentFromArray(roots); parent; parent = node->parentFromArray(roots)) {
        const List siblings = parent->children();
        const auto at = std::find_if(siblings.begin(), siblings.end(), [&](const Ptr& p) { return p == node; });
        path.prepend(int(at - siblings.begin()));
        node = parent;
    }
    const auto root = std::find_if(roots.begin(), roots.end(), [&](const Ptr& p) { return p == node; });
    if (root == roots.end())
        return std::nullopt;
    path.prepend(int(root - roots.begin()));
    return path;
}

QVariantMap BaseNode::dictionaryRepresentation() const
{
    QVariantMap out;
    out.insert(kTitle, nodeTitle());
    out.insert(kIsLeaf, isLeaf());
    if (!isLeaf()) {
        QVariantList children;
        for (const auto& child : this->children())
            children.append(child->dictionaryRepresentation());
        out.insert(kChildren, children);
    }
    if (const QImage icon = nodeIcon(); !icon.isNull())
        out.insert(kIcon, icon);
    if (const QString url = urlString(); !url.isNull())
        out.insert(kUrl, url);
    return out;
}

void BaseNode::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == kTitle)
        setNodeTitle(value.toString());
    else if (key == kIsLeaf)
        setIsLeaf(value.isValid() && value.toBool());
    else if (key == kIcon)
        setNodeIcon(value.value<QImage>());
    else if (key == kUrl)
        setUrlString(value.toString());
}

BaseNode::Ptr BaseNode::fromDictionary(const QVariantMap& dictionary)
{
    return fromDictionaryAt(dictionary, 0);
}

BaseNode::Ptr BaseNode::copy() const
{
    Ptr node(new BaseNode);
    std::lock_guard lock(m_lock);
    node->m_nodeTitle = m_nodeTitle;
    node->m_nodeIcon = m_nodeIcon;
    node->m_urlString = m_urlString;
    node->m_isLeaf = m_isLeaf;
    node->m_children = m_children;
    return node;
}

QStringList BaseNode::archiveClassChain() const
{
    static const QStringList chain{QStringLiteral("BaseNode"), QStringLiteral("NSObject")};
    return chain;
}

void BaseNode::encodeWithCoder(sv::KeyedArchiver& coder) const
{
    coder.encodeObject(kTitle, nodeTitle());
    coder.encodeObject(kIsLeaf, isLeaf());
    // A leaf's children are itself: the archive keeps none rather than a cycle.
    coder.beginArray(kChildren);
    if (!isLeaf())
        for (const auto& child : children())
            coder.appendArchivable(*child);
    coder.endArray();
    // The icon travels as PNG bytes.
    const QImage icon = nodeIcon();
    coder.encodeObject(kIcon, icon.isNull() ? QVariant() : QVariant(pngOf(icon)));
    const QString url = urlString();
    coder.encodeObject(kUrl, url.isNull() ? QVariant() : QVariant(url));
}

BaseNode::Ptr BaseNode::decode(sv::KeyedUnarchiver& coder)
{
    return decodeAt(coder, 0);
}

namespace {

BaseNode::Ptr fromDictionaryAt(const QVariantMap& dictionary, int depth)
{
    BaseNode::Ptr node = BaseNode::create();
    for (const QString& key : BaseNode::mutableKeys()) {
        if (key != kChildren) {
            if (dictionary.contains(key) || key == kIsLeaf)
                node->setValueForKey(dictionary.value(key), key);
            continue;
        }
        if (dictionary.value(kIsLeaf).toBool() || depth >= kMaximumDepth)
            continue; // a leaf answers itself
        BaseNode::List children;
        for (const QVariant& entry : dictionary.value(kChildren).toList())
            if (entry.canConvert<QVariantMap>())
                children.append(fromDictionaryAt(entry.toMap(), depth + 1));
        node->setChildren(children);
    }
    return node;
}

BaseNode::Ptr decodeAt(sv::KeyedUnarchiver& coder, int depth)
{
    BaseNode::Ptr node = BaseNode::create();
    node->setNodeTitle(coder.decodeObject(kTitle).toString());
    node->setIsLeaf(coder.decodeObject(kIsLeaf).toBool());
    if (!node->isLeaf() && depth < kMaximumDepth) {
        BaseNode::List children;
        coder.decodeArrayOfObjects(kChildren, [&](sv::KeyedUnarchiver& child) {
            if (child.className() == QLatin1String("BaseNode"))
                children.append(decodeAt(child, depth + 1));
        });
        node->setChildren(children);
    }
    const QVariant icon = coder.decodeObject(kIcon);
    if (icon.typeId() == QMetaType::QByteArray)
        node->setNodeIcon(QImage::fromData(icon.toByteArray(), "PNG"));
    const QVariant url = coder.decodeObject(kUrl);
    if (url.typeId() == QMetaType::QString)
        node->setUrlString(url.toString());
    return coder.failed() ? nullptr : node;
}

} // namespace
