#pragma once

#include "model/SVFilterLanguage.h"
#include "model/SVNetworkList.h"
#include "model/SVSideViewItem.h"

#include <QColor>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class CWInterface;
class SVNetwork;

// One key of the network table's sort order: a row-value accessor name
// ("rssiValue") and how its values compare.
struct SVSortDescriptor {
    enum class Comparison {
        LocalizedStandard, // locale-aware, case-insensitive, numbers inside text by value
        CaseInsensitive,
        Compare,           // numbers and dates in their natural order
    };
    QString key;
    bool ascending = true;
    Comparison comparison = Comparison::Compare;
};

// The quick filter: tags 0 to 3, also stored as "QuickFilterSelectedItem".
struct SVQuickFilter {
    enum Tag { AllNetworks = 0, OpenNetworks = 1, SecureNetworks = 2, AdHocNetworks = 3 };

    bool openOnly = false;
    bool secureOnly = false;
    bool adHocOnly = false;

    // Tags above 3 change no flag: nullopt.
    static std::optional<SVQuickFilter> forTag(qint64 tag);
    // The four menu titles in tag order, localized.
    static QStringList titles();
};

// What the current interface reports about its association, taken once per
// filtering rather than once per record.
struct SVAssociation {
    QString bssid; // normal form; empty when none
    QString ssid;
    qint64 channelBand = 0; // 1 = 2.4 GHz, 2 = 5 GHz, 0 unknown

    static SVAssociation of(const CWInterface* wifi);
};

// The controller's filter settings for one filtering.
struct SVFilterState {
    bool showSecure = true; // "ShowSecure", read on every call
    bool showAdHoc = true;  // "ShowAdHoc"
    SVQuickFilter quickFilter;
    qint64 signalStrengthThreshold = 0; // 0 none; a dBm magnitude or a percentage
    qint64 units = 0;                   // 1 dBm, anything else percent
    QString filterString;
    std::optional<QString> sourceItemFilterIdentifier; // none: no side filter
    QString sourceItemFilterString;
    bool isScanning = false;
    SVAssociation association;
    QList<SVSortDescriptor> sortDescriptors;
    bool footerNoticeShown = false; // the right footer label's tag is 1
};

// What the right footer label should do: Show sets its tag to 1 with this
// text and colour; Clear sets the tag to 0 and the text to "" (only when the
// notice was shown); Keep leaves it.
struct SVFooterNotice {
    enum class Action { Keep, Show, Clear };
    Action action = Action::Keep;
    QString text;
    QColor color;
};

struct SVFilterOutcome {
    SVNetworkList filteredNetworks;     // shown, sorted
    SVNetworkList textFilteredNetworks; // before the side filter: what the sidebar counts
    // Columns the filter string matched through; none when it is empty.
    std::optional<QSet<QString>> filteredColumnIdentifiers;
    SVFooterNotice footer;
    QVector<SVSideViewItem> sideViewItems; // rebuilt from textFilteredNetworks
};

// The filtering pipeline of the main window, without the window: show
// settings, quick filter, signal threshold, filter string, side filter; the
// associated flag of every record that stays; the sort. The caller stores
// the lists, applies the footer notice, rebuilds the sidebar and reloads.
namespace SVNetworkFilter {

SVFilterOutcome filterAndSetNetworks(const SVNetworkList& list, const SVFilterState& state);

// A whole filter string over list; matched column identifiers are added to
// identifiers. Records come back in list order.
SVNetworkList filterNetworks(const SVNetworkList& list, const QString& filter, QSet<QString>* identifiers);

// One term over every record of list, in list order.
SVNetworkList filterNetworksUsing(const QString& term, const SVNetworkList& list, QSet<QString>* identifiers);

// Stable: records that compare equal keep their order.
void sortNetworks(SVNetworkList& list, const QList<SVSortDescriptor>& descriptors);

QString thresholdNoticeText(qint64 threshold, qint64 units);

} // namespace SVNetworkFilter

// The side filter the sidebar selection sets: held by identifier and filter
// string, so it survives the rebuild of the sidebar on every filtering.
class SVSideFilter {
public:
    const std::optional<QString>& identifier() const { return m_identifier; }
    const QString& filterString() const { return m_filterString; }

    // The sidebar selection changed to item (nullptr: nothing selected).
    // Returns whether the list must be filtered again: the filter string or
    // the identifier changed (the same text under another category, or a
    // category in place of an item, filters differently).
    bool selectionDidChange(const SVSideViewItem* item);
    // A click on the group row or empty space; returns whether a side filter was set.
    bool clear();

private:
    std::optional<QString> m_identifier;
    QString m_filterString;
};
