#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

#include <optional>

// One row of the sidebar: the "group" row, a "category" or an item whose
// identifier ("item-frequencyband", "item-networkname", ...) names the side
// filter it selects.
struct SVSideViewItem {
    static inline const QString GroupIdentifier = QStringLiteral("group");
    static inline const QString CategoryIdentifier = QStringLiteral("category");
    static inline const QString FrequencyBandIdentifier = QStringLiteral("item-frequencyband");
    static inline const QString NetworkNameIdentifier = QStringLiteral("item-networkname");
    static inline const QString PhyModeIdentifier = QStringLiteral("item-phymode");
    static inline const QString SecurityModeIdentifier = QStringLiteral("item-securitymode");
    static inline const QString AccessPointIdentifier = QStringLiteral("item-accesspoint");
    static inline const QString VendorIdentifier = QStringLiteral("item-vendor");
    static inline const QString SignalLevelIdentifier = QStringLiteral("item-signallevel");

    // The security item of open networks (localized) and the vendor item of
    // records without a vendor (never localized): the side filter knows both.
    static QString openTitle();
    static inline const QString UnknownVendorTitle = QStringLiteral("Unknown");

    QString title;
    QString filterString;
    QString identifier;
    QVector<SVSideViewItem> children;
    QString image;        // optional; the cells choose their image by identifier
    bool showCount = false;

    // filterString is the title, showCount off.
    static SVSideViewItem itemWithTitle(const QString& title, const QString& identifier);
    static SVSideViewItem itemWithTitle(const QString& title, const QString& identifier, const QString& image);

    bool hasChildren() const { return !children.isEmpty(); }
    bool isGroup() const { return identifier == GroupIdentifier; }
    bool isCategory() const { return identifier == CategoryIdentifier; }
    bool isFilterItem() const { return identifier.startsWith(QStringLiteral("item")); }

    // The detail column's text: the number of children of a counting
    // category that has any, else empty.
    QString countText() const;
    // Name of the image the sidebar cell shows: "category" for categories,
    // "yellow" ("orange" in a dark theme) for items, none for the group row.
    QString imageName(bool darkTheme = false) const;
};

// What the sidebar reads of one record.
struct SVSideViewSource {
    QString ssid;
    QString phyMode;           // "b/g/n", may be empty
    QString securityMode;      // long text, empty when unknown
    QString shortSecurityMode; // empty for open networks
    QString apid;
    QString deviceid;
    QString vendor;            // empty when unknown
};

// The sidebar's top-level rows for a list of records: the group row, then
// the six categories. Without a list, the group row alone.
QVector<SVSideViewItem> sideViewItemsForSources(const std::optional<QVector<SVSideViewSource>>& list);

// Gathers the sidebar's entries record by record, for callers that read the
// records' values themselves rather than make a source for each.
class SVSideViewBuilder {
public:
    explicit SVSideViewBuilder(qsizetype expected = 0);
    // hasSecurityMode: the record's long security text is not empty.
    void add(const QString& ssid, const QString& phyMode, bool hasSecurityMode, const QString& shortSecurityMode,
             const QString& apid, const QString& deviceid, const QString& vendor);
    void add(const SVSideViewSource& r)
    {
        add(r.ssid, r.phyMode, !r.securityMode.isEmpty(), r.shortSecurityMode, r.apid, r.deviceid, r.vendor);
    }
    // The group row and the six categories.
    QVector<SVSideViewItem> items() const;

private:
    QSet<QString> m_names, m_phyModes, m_security, m_vendors;
    QHash<QString, QString> m_accessPoints; // radio identifier -> title
    bool m_anyOpen = false;
};

// Which sidebar row is selected, kept across rebuilds. A row is found again
// only under its own identifier, so an item of another category that
// happens to carry the same title is never selected in its place.
struct SVSideViewSelection {
    QString identifier;
    QString title;
    QString filterString;

    static SVSideViewSelection of(const SVSideViewItem& item);
    bool matches(const SVSideViewItem& item) const;
    bool operator==(const SVSideViewSelection&) const = default;
};

// Path of child indexes from the top level to the row the selection names
// (an exact filter-string match preferred); empty when it is gone.
QVector<int> findSideViewItem(const QVector<SVSideViewItem>& items, const SVSideViewSelection& selection);
