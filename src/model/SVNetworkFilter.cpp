#include "model/SVNetworkFilter.h"

#include "model/CWInterfaceUtil.h"
#include "model/SVNetwork.h"
#include "model/SVSignalQuality.h"
#include "platform/Bssid.h"
#include "platform/wlan/CWInterface.h"

#include <QCollator>
#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <variant>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AppDelegate", text);
}

// One record during one filtering. The values that the filter string, the
// side filter and the sidebar all read are read from the record once.
class Row {
public:
    Row(const SVNetwork& network, qsizetype index) : m_network(&network), m_index(index) {}

    const SVNetwork& network() const { return *m_network; }
    qsizetype index() const { return m_index; }

    const QString& ssid() { return once(m_ssid, &SVNetwork::ssid); }
    const QString& phyMode() { return once(m_phyMode, &SVNetwork::phyMode); }
    const QString& vendor() { return once(m_vendor, &SVNetwork::vendor); }

    // The values for the row's last reader, moved out.
    QString takeSsid() { return std::move(once(m_ssid, &SVNetwork::ssid)); }
    QString takePhyMode() { return std::move(once(m_phyMode, &SVNetwork::phyMode)); }
    QString takeVendor() { return std::move(once(m_vendor, &SVNetwork::vendor)); }

private:
    QString& once(std::optional<QString>& slot, QString (SVNetwork::*get)() const)
    {
        if (!slot)
            slot = (m_network->*get)();
        return *slot;
    }

    const SVNetwork* m_network;
    qsizetype m_index;
    std::optional<QString> m_ssid, m_phyMode, m_vendor;
};

std::vector<Row> rowsOf(const SVNetworkList& list)
{
    std::vector<Row> rows;
    rows.reserve(size_t(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i)
        rows.emplace_back(*list[i], i);
    return rows;
}

SVFilterFacts factsOf(Row& row, unsigned needed)
{
    using F = SVFilterFacts;
    const SVNetwork& n = row.network();
    SVFilterFacts f;
    if (needed & F::Rssi)
        f.rssiLast = n.rssiLast();
    if (needed & F::Security) {
        f.isWPA = n.isWPA();
        f.isWPA2 = n.isWPA2();
        f.isWPA3 = n.isWPA3();
        f.isSAE = n.isSAE();
        f.isOWE = n.isOWE();
        f.isWEP = n.isWEP();
        f.isPSK = n.isPSK();
        f.is80211X = n.is80211X();
    }
    if (needed & F::Phy)
        f.phyModeValue = row.phyMode(); // the row value is the PHY text
    if (needed & F::Bssid)
        f.bssid = n.bssid();
    if (needed & F::Band) {
        f.is2Dot4GHz = n.is2Dot4GHz();
        f.is5GHz = n.is5GHz();
    }
    if (needed & F::Width)
        f.channelWidth = n.channelWidth();
    if (needed & F::Channel)
        f.channel = n.channel();
    if (needed & F::Ssid)
        f.ssid = row.ssid();
    if (needed & F::DeviceName)
        f.deviceName = n.deviceName();
    if (needed & F::Annotations)
        f.annotations = n.annotations();
    if (needed & F::Vendor)
        f.vendor = row.vendor();
    if (needed & F::CountryCode)
        f.countryCode = n.countryCode();
    return f;
}

std::vector<SVFilterFacts> factsOf(std::vector<Row>& rows, unsigned needed)
{
    std::vector<SVFilterFacts> facts;
    facts.reserve(rows.size());
    for (Row& r : rows)
        facts.push_back(factsOf(r, needed));
    return facts;
}

// The rows whose flag is set, in order.
std::vector<Row> kept(std::vector<Row>&& rows, const std::vector<char>& flags)
{
    std::vector<Row> out;
    out.reserve(size_t(std::count(flags.begin(), flags.end(), 1)));
    for (size_t i = 0; i < rows.size(); ++i) {
        if (flags[i])
            out.push_back(std::move(rows[i]));
    }
    return out;
}

SVNetworkList networksOf(const SVNetworkList& list, const std::vector<Row>& rows)
{
    SVNetworkList out;
    out.reserve(qsizetype(rows.size()));
    for (const Row& r : rows)
        out.append(list[r.index()]);
    return out;
}

std::vector<Row> filterRows(std::vector<Row>&& rows, const QString& filter, QSet<QString>* identifiers)
{
    const SVFilterExpression e = SVFilterExpression::parse(filter);
    unsigned marks = 0;
    const auto flags = e.evaluate(factsOf(rows, e.neededFacts()), &marks);
    if (identifiers)
        identifiers->unite(SVFilterExpression::columnIdentifiers(marks));
    return kept(std::move(rows), flags);
}

SVSideViewSource sourceOf(Row& row)
{
    const SVNetwork& n = row.network();
    return {row.takeSsid(), row.takePhyMode(), n.securityMode(), n.shortSecurityMode(), n.apid(), n.deviceid(),
            row.takeVendor()};
}

// The rows' last use: their values move into the sidebar's sources.
QVector<SVSideViewItem> sideViewItemsForRows(std::vector<Row>&& rows)
{
    QVector<SVSideViewSource> sources;
    sources.reserve(qsizetype(rows.size()));
    for (Row& r : rows)
        sources.append(sourceOf(r));
    return sideViewItemsForSources(sources);
}

bool sideFilterDrops(const QString& id, const QString& s, Row& row)
{
    const SVNetwork& n = row.network();
    if (id == SVSideViewItem::FrequencyBandIdentifier) {
        if (s == QLatin1String("2.4 GHz"))
            return !n.is2Dot4GHz();
        if (s == QLatin1String("5 GHz"))
            return !n.is5GHz();
        return false;
    }
    if (id == SVSideViewItem::NetworkNameIdentifier)
        return row.ssid() != s;
    if (id == SVSideViewItem::PhyModeIdentifier)
        return row.phyMode() != s;
    if (id == SVSideViewItem::SecurityModeIdentifier) {
        if (s == SVSideViewItem::openTitle())
            return !n.shortSecurityMode().isEmpty();
        return s != n.shortSecurityMode();
    }
    if (id == SVSideViewItem::AccessPointIdentifier)
        return n.apid() != s;
    if (id == SVSideViewItem::VendorIdentifier) {
        if (s == SVSideViewItem::UnknownVendorTitle)
            return !row.vendor().isEmpty();
        return s != row.vendor();
    }
    if (id == SVSideViewItem::SignalLevelIdentifier) {
        const qint64 rssi = n.rssi();
        if (s == QLatin1String("rssi-green"))
            return rssi < -70;
        if (s == QLatin1String("rssi-yellow"))
            return rssi < -80 || rssi > -71;
        if (s == QLatin1String("rssi-orange"))
            return rssi < -90 || rssi > -81;
        if (s == QLatin1String("rssi-red"))
            return rssi > -91;
    }
    return false;
}

bool passesFirstPass(const SVNetwork& n, const SVFilterState& s)
{
    const bool open = n.isOpen();
    const bool adHoc = n.isAdHoc();
    if (!open && !s.showSecure)
        return false;
    if (adHoc && !s.showAdHoc)
        return false;
    if (s.quickFilter.openOnly && !open)
        return false;
    if (s.quickFilter.secureOnly && open)
        return false;
    if (s.quickFilter.adHocOnly && !adHoc)
        return false;
    const qint64 t = s.signalStrengthThreshold;
    if (t == 0)
        return true;
    if (s.units == 1)
        return n.rssi() >= -t;
    return sv::signalQualityPercent(n.rssi()) >= t;
}

bool isAssociatedWith(Row& row, const SVFilterState& s)
{
    const SVAssociation& a = s.association;
    if (!s.isScanning || a.bssid.isEmpty())
        return false;
    const SVNetwork& n = row.network();
    return a.bssid.compare(n.bssid(), Qt::CaseInsensitive) == 0
        && a.channelBand == SVNetwork::channelBandForChannel(n.channel()) && a.ssid == row.ssid();
}

// One sort column, its values read once per record before sorting.
using SortColumn = std::variant<std::vector<QVariant>, std::vector<qint64>, std::vector<QString>,
                                std::vector<QCollatorSortKey>>;

// Levels, counts and other whole numbers compare as plain integers, the
// order QVariant's comparison gives them, without its dispatch per pair.
std::optional<std::vector<qint64>> integersOf(const std::vector<QVariant>& values)
{
    std::vector<qint64> out;
    out.reserve(values.size());
    for (const QVariant& v : values) {
        if (v.typeId() != QMetaType::LongLong)
            return std::nullopt;
        out.push_back(v.toLongLong());
    }
    return out;
}

int compareVariants(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return int(a.isValid()) - int(b.isValid());
    const QPartialOrdering o = QVariant::compare(a, b);
    if (o == QPartialOrdering::Less)
        return -1;
    if (o == QPartialOrdering::Greater)
        return 1;
    return 0;
}

} // namespace

std::optional<SVQuickFilter> SVQuickFilter::forTag(qint64 tag)
{
    switch (tag) {
    case AllNetworks:
        return SVQuickFilter{};
    case OpenNetworks:
        return SVQuickFilter{true, false, false};
    case SecureNetworks:
        return SVQuickFilter{false, true, false};
    case AdHocNetworks:
        return SVQuickFilter{false, false, true};
    default:
        return std::nullopt;
    }
}

QStringList SVQuickFilter::titles()
{
    return {tr("All Networks"), tr("Open Networks"), tr("Secure Networks"), tr("Ad Hoc Networks")};
}

SVAssociation SVAssociation::of(const CWInterface* wifi)
{
    SVAssociation a;
    if (!wifi)
        return a;
    const QString bssid = wifi->bssid();
    if (bssid.isEmpty())
        return a;
    a.bssid = sv::normalizedBssid(bssid);
    a.ssid = wifi->ssid();
    a.channelBand = CWInterfaceUtil::channelBand(*wifi);
    return a;
}

namespace SVNetworkFilter {

SVNetworkList filterNetworks(const SVNetworkList& list, const QString& filter, QSet<QString>* identifiers)
{
    return networksOf(list, filterRows(rowsOf(list), filter, identifiers));
}

SVNetworkList filterNetworksUsing(const QString& term, const SVNetworkList& list, QSet<QString>* identifiers)
{
    const SVFilterTerm t = SVFilterExpression::parseTerm(term);
    unsigned marks = 0;
    std::vector<Row> rows = rowsOf(list);
    const auto flags = SVFilterExpression::evaluateTerm(t, factsOf(rows, SVFilterExpression::neededFacts(t)), &marks);
    if (identifiers)
        identifiers->unite(SVFilterExpression::columnIdentifiers(marks));
    return networksOf(list, kept(std::move(rows), flags));
}

void sortNetworks(SVNetworkList& list, const QList<SVSortDescriptor>& descriptors)
{
    if (descriptors.isEmpty() || list.size() < 2)
        return;
    const qsizetype n = list.size();
    // The C locale's collator compares code points and ignores numeric mode;
    // natural order ("Net2" before "Net10") must hold in every locale.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    std::vector<SortColumn> columns;
    columns.reserve(size_t(descriptors.size()));
    for (const SVSortDescriptor& d : descriptors) {
        switch (d.comparison) {
        case SVSortDescriptor::Comparison::Compare: {
            std::vector<QVariant> values;
            values.reserve(size_t(n));
            for (const auto& r : list)
                values.push_back(r->valueForKey(d.key));
            if (auto integers = integersOf(values))
                columns.emplace_back(std::move(*integers));
            else
                columns.emplace_back(std::move(values));
            break;
        }
        case SVSortDescriptor::Comparison::CaseInsensitive: {
            std::vector<QString> values;
            values.reserve(size_t(n));
            for (const auto& r : list)
                values.push_back(r->valueForKey(d.key).toString().toCaseFolded());
            columns.emplace_back(std::move(values));
            break;
        }
        case SVSortDescriptor::Comparison::LocalizedStandard: {
            std::vector<QCollatorSortKey> values;
            values.reserve(size_t(n));
            for (const auto& r : list)
                values.push_back(collator.sortKey(r->valueForKey(d.key).toString()));
            columns.emplace_back(std::move(values));
            break;
        }
        }
    }

    std::vector<qsizetype> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        for (size_t k = 0; k < columns.size(); ++k) {
            const int c = std::visit(
                [a, b](const auto& values) -> int {
                    using T = std::decay_t<decltype(values)>;
                    if constexpr (std::is_same_v<T, std::vector<QVariant>>)
                        return compareVariants(values[size_t(a)], values[size_t(b)]);
                    else if constexpr (std::is_same_v<T, std::vector<qint64>>)
                        return values[size_t(a)] < values[size_t(b)] ? -1 : values[size_t(a)] > values[size_t(b)] ? 1 : 0;
                    else if constexpr (std::is_same_v<T, std::vector<QString>>)
                        return values[size_t(a)].compare(values[size_t(b)]);
                    else
                        return values[size_t(a)].compare(values[size_t(b)]);
                },
                columns[k]);
            if (c != 0)
                return descriptors[qsizetype(k)].ascending ? c < 0 : c > 0;
        }
        return false;
    });
    SVNetworkList sorted;
    sorted.reserve(n);
    for (qsizetype i : order)
        sorted.append(list[i]);
    list = std::move(sorted);
}

QString thresholdNoticeText(qint64 threshold, qint64 units)
{
    const QString prefix = tr("Showing only networks with signal strength");
    if (units == 1)
        return QStringLiteral("%1 >= %2 dBm").arg(prefix).arg(-threshold);
    return QStringLiteral("%1 >= %2%").arg(prefix).arg(threshold);
}

SVFilterOutcome filterAndSetNetworks(const SVNetworkList& list, const SVFilterState& state)
{
    SVFilterOutcome out;

    if (state.signalStrengthThreshold != 0) {
        out.footer.action = SVFooterNotice::Action::Show;
        out.footer.text = thresholdNoticeText(state.signalStrengthThreshold, state.units);
        out.footer.color = QColor::fromRgbF(0.728f, 0.078f, 0.12f, 1.0f);
    } else if (state.footerNoticeShown) {
        out.footer.action = SVFooterNotice::Action::Clear;
    }

    std::vector<Row> rows;
    rows.reserve(size_t(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (passesFirstPass(*list[i], state))
            rows.emplace_back(*list[i], i);
    }

    if (!state.filterString.isEmpty()) {
        QSet<QString> identifiers;
        rows = filterRows(std::move(rows), state.filterString, &identifiers);
        out.filteredColumnIdentifiers = std::move(identifiers);
    }
    out.textFilteredNetworks = networksOf(list, rows);

    out.filteredNetworks.reserve(qsizetype(rows.size()));
    for (Row& r : rows) {
        if (state.sourceItemFilterIdentifier
            && sideFilterDrops(*state.sourceItemFilterIdentifier, state.sourceItemFilterString, r))
            continue;
        list[r.index()]->setAssociated(isAssociatedWith(r, state));
        out.filteredNetworks.append(list[r.index()]);
    }

    sortNetworks(out.filteredNetworks, state.sortDescriptors);
    out.sideViewItems = sideViewItemsForRows(std::move(rows));
    return out;
}

} // namespace SVNetworkFilter

bool SVSideFilter::selectionDidChange(const SVSideViewItem* item)
{
    const std::optional<QString> before = m_identifier;
    m_identifier.reset();
    if (item) {
        if (item->isFilterItem())
            m_identifier = item->identifier;
        if (item->filterString != m_filterString) {
            m_filterString = item->filterString;
            return true;
        }
    }
    return m_identifier != before;
}

bool SVSideFilter::clear()
{
    const bool wasSet = m_identifier.has_value();
    m_identifier.reset();
    return wasSet;
}
