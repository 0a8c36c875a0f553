#include "model/SVSideViewItem.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SVSideView", text);
}

SVSideViewItem category(const char* title, bool showCount)
{
    SVSideViewItem c = SVSideViewItem::itemWithTitle(tr(title), SVSideViewItem::CategoryIdentifier);
    c.showCount = showCount;
    return c;
}

// The children in title order; equal titles (two radios under one device
// identifier) fall back to the filter string, so the order never depends on
// the hash. Entries are sorted as pointers and the items made in order.
struct Entry {
    const QString* filterString;
    const QString* title;
};

template <typename Less>
void addChildren(SVSideViewItem& parent, std::vector<Entry>& entries, const QString& identifier, Less less)
{
    std::sort(entries.begin(), entries.end(), [&less](const Entry& a, const Entry& b) {
        const int c = less(*a.title, *b.title);
        return c != 0 ? c < 0 : *a.filterString < *b.filterString;
    });
    parent.children.reserve(qsizetype(entries.size()));
    for (const Entry& e : entries)
        parent.children.append(SVSideViewItem{*e.title, *e.filterString, identifier, {}, {}, false});
}

// Whether two texts are the same, at once when they share their data (a
// record's text seen again).
bool sameText(const QString& a, const QString& b)
{
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

// In title order as well, for the long lists (a child per radio): the texts
// are first copied side by side, so the sort's comparisons read one block of
// memory rather than each record's own strings all over the heap.
void addChildrenByTitle(SVSideViewItem& parent, const std::vector<Entry>& entries, const QString& identifier)
{
    // The last list made for each identifier on this thread: entries that
    // come as they came last time (the same texts in the same order, as a
    // tick without changes brings them) take its children as they are,
    // rather than sorting tens of thousands of texts again.
    struct Last {
        std::vector<std::pair<QString, QString>> entries; // title, filter string
        QVector<SVSideViewItem> children;
    };
    static thread_local QHash<QString, Last> lastLists;
    Last& last = lastLists[identifier];
    if (last.entries.size() == entries.size()
        && std::equal(entries.begin(), entries.end(), last.entries.begin(), [](const Entry& e, const auto& l) {
               return sameText(*e.title, l.first) && sameText(*e.filterString, l.second);
           })) {
        parent.children = last.children;
        return;
    }
    struct Key {
        qsizetype title, titleLength, filter, filterLength; // into the block
        const Entry* entry;
    };
    qsizetype total = 0;
    for (const Entry& e : entries)
        total += e.title->size() + e.filterString->size();
    // The room of the last rebuild on this thread is taken again.
    static thread_local std::vector<QChar> spareBlock;
    static thread_local std::vector<Key> spareKeys;
    std::vector<QChar> block = std::move(spareBlock);
    std::vector<Key> keys = std::move(spareKeys);
    block.clear();
    keys.clear();
    block.reserve(size_t(total));
    keys.reserve(entries.size());
    const auto append = [&block](const QString& text) {
        const qsizetype at = qsizetype(block.size());
        block.insert(block.end(), text.cbegin(), text.cend());
        return at;
    };
    for (const Entry& e : entries) {
        const qsizetype title = append(*e.title);
        const qsizetype filter = append(*e.filterString);
        keys.push_back({title, e.title->size(), filter, e.filterString->size(), &e});
    }
    const QChar* base = block.data();
    std::sort(keys.begin(), keys.end(), [base](const Key& a, const Key& b) {
        const int c = QStringView(base + a.title, a.titleLength).compare(QStringView(base + b.title, b.titleLength));
        if (c != 0)
            return c < 0;
        return QStringView(base + a.filter, a.filterLength).compare(QStringView(base + b.filter, b.filterLength)) < 0;
    });
    parent.children.reserve(qsizetype(keys.size()));
    for (const Key& k : keys)
        parent.children.append(SVSideViewItem{*k.entry->title, *k.entry->filterString, identifier, {}, {}, false});
    spareBlock = std::move(block);
    spareKeys = std::move(keys);
    last.entries.clear();
    last.entries.reserve(entries.size());
    for (const Entry& e : entries)
        last.entries.emplace_back(*e.title, *e.filterString);
    last.children = parent.children;
}

std::vector<Entry> entriesOf(const QSet<QString>& set)
{
    std::vector<Entry> out;
    out.reserve(size_t(set.size()));
    for (const QString& s : set)
        out.push_back({&s, &s});
    return out;
}

bool findIn(const QVector<SVSideViewItem>& items, const SVSideViewSelection& selection, bool exact,
            QVector<int>& path)
{
    for (int i = 0; i < items.size(); ++i) {
        path.append(i);
        const SVSideViewItem& item = items[i];
        if (selection.matches(item) && (!exact || item.filterString == selection.filterString))
            return true;
        if (findIn(item.children, selection, exact, path))
            return true;
        path.removeLast();
    }
    return false;
}

} // namespace

QString SVSideViewItem::openTitle()
{
    return tr("Open");
}

SVSideViewItem SVSideViewItem::itemWithTitle(const QString& title, const QString& identifier)
{
    SVSideViewItem item;
    item.title = title;
    item.filterString = title;
    item.identifier = identifier;
    return item;
}

SVSideViewItem SVSideViewItem::itemWithTitle(const QString& title, const QString& identifier, const QString& image)
{
    SVSideViewItem item = itemWithTitle(title, identifier);
    item.image = image;
    return item;
}

QString SVSideViewItem::countText() const
{
    if (!showCount || children.isEmpty())
        return {};
    return QString::number(children.size());
}

QString SVSideViewItem::imageName(bool darkTheme) const
{
    if (isCategory())
        return QStringLiteral("category");
    if (isFilterItem())
        return darkTheme ? QStringLiteral("orange") : QStringLiteral("yellow");
    return {};
}

QVector<SVSideViewItem> sideViewItemsForSources(const std::optional<QVector<SVSideViewSource>>& list)
{
    if (!list)
        return {SVSideViewItem::itemWithTitle(tr("Results").toUpper(), SVSideViewItem::GroupIdentifier)};
    SVSideViewBuilder builder(list->size());
    for (const SVSideViewSource& r : *list)
        builder.add(r);
    return builder.items();
}

SVSideViewBuilder::SVSideViewBuilder(qsizetype expected)
{
    m_accessPoints.reserve(expected);
}

void SVSideViewBuilder::add(const QString& ssid, const QString& phyMode, bool hasSecurityMode,
                            const QString& shortSecurityMode, const QString& apid, const QString& deviceid,
                            const QString& vendor)
{
    m_names.insert(ssid);
    if (!phyMode.isEmpty())
        m_phyModes.insert(phyMode);
    if (hasSecurityMode) {
        if (shortSecurityMode.isEmpty())
            m_anyOpen = true; // titled once, at the end
        else
            m_security.insert(shortSecurityMode);
    }
    // A radio heard under one BSSID is titled by its device identifier,
    // one with several virtual BSSIDs by its radio identifier.
    if (auto it = m_accessPoints.find(apid); it != m_accessPoints.end())
        *it = apid;
    else
        m_accessPoints.insert(apid, deviceid);
    m_vendors.insert(vendor.isEmpty() ? SVSideViewItem::UnknownVendorTitle : vendor);
}

QVector<SVSideViewItem> SVSideViewBuilder::items() const
{
    QVector<SVSideViewItem> top;
    top.reserve(7);
    top.append(SVSideViewItem::itemWithTitle(tr("Results").toUpper(), SVSideViewItem::GroupIdentifier));

    SVSideViewItem band = category("Frequency Band", false);
    for (const char* b : {"2.4 GHz", "5 GHz"}) {
        SVSideViewItem item = SVSideViewItem::itemWithTitle(tr(b), SVSideViewItem::FrequencyBandIdentifier);
        item.filterString = QString::fromLatin1(b);
        band.children.append(std::move(item));
    }

    SVSideViewItem name = category("Network Name", true);
    std::vector<Entry> names = entriesOf(m_names);
    addChildrenByTitle(name, names, SVSideViewItem::NetworkNameIdentifier);

    // "ac" < "a/n" < "a/n/ac" < "b/g/n": slashes ignored, case ignored.
    SVSideViewItem phy = category("PHY Mode", true);
    std::vector<Entry> phyModes = entriesOf(m_phyModes);
    addChildren(phy, phyModes, SVSideViewItem::PhyModeIdentifier, [](const QString& a, const QString& b) {
        return QString(a).remove(u'/').compare(QString(b).remove(u'/'), Qt::CaseInsensitive);
    });
    for (SVSideViewItem& item : phy.children)
        item.title = QStringLiteral("802.11%1").arg(item.filterString);

    SVSideViewItem sec = category("Security", true);
    const QString open = SVSideViewItem::openTitle();
    std::vector<Entry> security = entriesOf(m_security);
    if (m_anyOpen && !m_security.contains(open))
        security.push_back({&open, &open});
    addChildrenByTitle(sec, security, SVSideViewItem::SecurityModeIdentifier);

    SVSideViewItem ap = category("Access Point", true);
    std::vector<Entry> accessPoints;
    accessPoints.reserve(size_t(m_accessPoints.size()));
    for (auto it = m_accessPoints.cbegin(); it != m_accessPoints.cend(); ++it)
        accessPoints.push_back({&it.key(), &it.value()});
    addChildrenByTitle(ap, accessPoints, SVSideViewItem::AccessPointIdentifier);

    SVSideViewItem vendor = category("Vendor", true);
    std::vector<Entry> vendors = entriesOf(m_vendors);
    addChildrenByTitle(vendor, vendors, SVSideViewItem::VendorIdentifier);

    top << band << name << phy << sec << ap << vendor;
    return top;
}

SVSideViewSelection SVSideViewSelection::of(const SVSideViewItem& item)
{
    return {item.identifier, item.title, item.filterString};
}

bool SVSideViewSelection::matches(const SVSideViewItem& item) const
{
    return item.identifier == identifier && item.title == title;
}

QVector<int> findSideViewItem(const QVector<SVSideViewItem>& items, const SVSideViewSelection& selection)
{
    QVector<int> path;
    if (findIn(items, selection, true, path))
        return path;
    path.clear();
    findIn(items, selection, false, path);
    return path;
}
