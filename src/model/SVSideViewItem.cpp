#include "model/SVSideViewItem.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>

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

// One child per map entry: key = filter string, value = title.
void addChildren(SVSideViewItem& parent, const QHash<QString, QString>& entries, const QString& identifier)
{
    parent.children.reserve(parent.children.size() + entries.size());
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        SVSideViewItem child = SVSideViewItem::itemWithTitle(it.value(), identifier);
        child.filterString = it.key();
        parent.children.append(std::move(child));
    }
}

void sortByTitle(SVSideViewItem& parent)
{
    // Equal titles (two radios under one device identifier) fall back to the
    // filter string, so the order never depends on the hash.
    std::sort(parent.children.begin(), parent.children.end(), [](const SVSideViewItem& a, const SVSideViewItem& b) {
        const int c = a.title.compare(b.title);
        return c != 0 ? c < 0 : a.filterString < b.filterString;
    });
}

// "ac" < "a/n" < "a/n/ac" < "b/g/n": slashes ignored, case ignored.
void sortPhyModes(SVSideViewItem& parent)
{
    const auto key = [](const QString& s) { return QString(s).remove(u'/'); };
    std::sort(parent.children.begin(), parent.children.end(), [&key](const SVSideViewItem& a, const SVSideViewItem& b) {
        const int c = key(a.title).compare(key(b.title), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.filterString < b.filterString;
    });
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
    QVector<SVSideViewItem> top;
    top.append(SVSideViewItem::itemWithTitle(tr("Results").toUpper(), SVSideViewItem::GroupIdentifier));
    if (!list)
        return top;

    QHash<QString, QString> names, phyModes, security, accessPoints, vendors;
    names.reserve(list->size());
    accessPoints.reserve(list->size());
    for (const SVSideViewSource& r : *list) {
        names.insert(r.ssid, r.ssid);
        if (!r.phyMode.isEmpty())
            phyModes.insert(r.phyMode, r.phyMode);
        if (!r.securityMode.isEmpty()) {
            const QString entry = r.shortSecurityMode.isEmpty() ? SVSideViewItem::openTitle() : r.shortSecurityMode;
            security.insert(entry, entry);
        }
        // A radio heard under one BSSID is titled by its device identifier,
        // one with several virtual BSSIDs by its radio identifier.
        if (auto it = accessPoints.find(r.apid); it != accessPoints.end())
            *it = r.apid;
        else
            accessPoints.insert(r.apid, r.deviceid);
        const QString vendor = r.vendor.isEmpty() ? SVSideViewItem::UnknownVendorTitle : r.vendor;
        vendors.insert(vendor, vendor);
    }

    SVSideViewItem band = category("Frequency Band", false);
    for (const char* b : {"2.4 GHz", "5 GHz"}) {
        SVSideViewItem item = SVSideViewItem::itemWithTitle(tr(b), SVSideViewItem::FrequencyBandIdentifier);
        item.filterString = QString::fromLatin1(b);
        band.children.append(std::move(item));
    }

    SVSideViewItem name = category("Network Name", true);
    addChildren(name, names, SVSideViewItem::NetworkNameIdentifier);
    sortByTitle(name);

    SVSideViewItem phy = category("PHY Mode", true);
    addChildren(phy, phyModes, SVSideViewItem::PhyModeIdentifier);
    for (SVSideViewItem& item : phy.children)
        item.title = QStringLiteral("802.11%1").arg(item.filterString);
    sortPhyModes(phy);

    SVSideViewItem sec = category("Security", true);
    addChildren(sec, security, SVSideViewItem::SecurityModeIdentifier);
    sortByTitle(sec);

    SVSideViewItem ap = category("Access Point", true);
    addChildren(ap, accessPoints, SVSideViewItem::AccessPointIdentifier);
    sortByTitle(ap);

    SVSideViewItem vendor = category("Vendor", true);
    addChildren(vendor, vendors, SVSideViewItem::VendorIdentifier);
    sortByTitle(vendor);

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
