#include "model/SVNetworkFilter.h"

#include "model/CWInterfaceUtil.h"
#include "model/SVNetwork.h"
#include "model/SVNetworkColumns.h"
#include "model/SVSignalQuality.h"
#include "platform/Bssid.h"
#include "platform/wlan/CWInterface.h"

#include <QCoreApplication>

#include <algorithm>
#include <deque>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AppDelegate", text);
}

// One record during one filtering. The values that the filter string, the
// side filter and the sidebar all read are read from the record once; the
// filtering reads them in one pass under the record's lock.
class Row {
public:
    Row(const SVNetwork& network, qsizetype index) : m_network(&network), m_index(index) {}

    const SVNetwork& network() const { return *m_network; }
    qsizetype index() const { return m_index; }

    const QString& ssid() { return once(ReadSsid, m_ssid, &SVNetwork::ssid); }
    const QString& phyMode() { return once(ReadPhyMode, m_phyMode, &SVNetwork::phyMode); }
    const QString& vendor() { return once(ReadVendor, m_vendor, &SVNetwork::vendor); }
    const QString& apid() { return once(ReadApid, m_apid, &SVNetwork::apid); }
    const QString& deviceid() { return once(ReadDeviceid, m_deviceid, &SVNetwork::deviceid); }
    qint64 securityModeCode()
    {
        if (!(m_read & ReadSecurity)) {
            m_securityModeCode = m_network->securityModeCode();
            m_read |= ReadSecurity;
        }
        return m_securityModeCode;
    }

private:
    enum Read : unsigned {
        ReadSsid = 1, ReadPhyMode = 2, ReadVendor = 4, ReadApid = 8, ReadDeviceid = 16, ReadSecurity = 32,
    };
    QString& once(Read read, QString& slot, QString (SVNetwork::*get)() const)
    {
        if (!(m_read & read)) {
            slot = (m_network->*get)();
            m_read |= read;
        }
        return slot;
    }

    const SVNetwork* m_network;
    qsizetype m_index;
    unsigned m_read = 0; // the values below that hold the record's
    qint64 m_securityModeCode = 0;
    QString m_ssid, m_phyMode, m_vendor, m_apid, m_deviceid;
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
    for (Row& r : rows) {
        const auto hold = r.network().holdLock();
        facts.push_back(factsOf(r, needed));
    }
    return facts;
}

// Keeps the rows whose flag is set, in order, in place.
void keep(std::vector<Row>& rows, const std::vector<char>& flags)
{
    size_t out = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!flags[i])
            continue;
        if (out != i)
            rows[out] = std::move(rows[i]);
        ++out;
    }
    rows.erase(rows.begin() + qsizetype(out), rows.end());
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
    keep(rows, flags);
    return std::move(rows);
}

// The security texts of the modes met in one filtering, translated once per
// mode rather than twice per record.
class SecurityTexts {
public:
    struct Texts {
        qint64 code;
        bool hasLong; // the long text is not empty
        QString shortText;
    };
    const Texts& of(qint64 code)
    {
        for (const Texts& t : m_seen)
            if (t.code == code)
                return t;
        return m_seen.emplace_back(Texts{code, !SVNetwork::securityModeText(code).isEmpty(),
                                         SVNetwork::shortSecurityModeText(code)});
    }

private:
    std::deque<Texts> m_seen; // references stay valid as it grows
};

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
        return row.apid() != s;
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

SVColumnComparison comparisonOf(SVSortDescriptor::Comparison c)
{
    switch (c) {
    case SVSortDescriptor::Comparison::LocalizedStandard: return SVColumnComparison::LocalizedStandard;
    case SVSortDescriptor::Comparison::CaseInsensitive: return SVColumnComparison::CaseInsensitive;
    case SVSortDescriptor::Comparison::Compare: break;
    }
    return SVColumnComparison::Compare;
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
    keep(rows, flags);
    return networksOf(list, rows);
}

void sortNetworks(SVNetworkList& list, const QList<SVSortDescriptor>& descriptors)
{
    if (descriptors.isEmpty() || list.size() < 2)
        return;
    std::vector<SVColumnSortKey> keys;
    keys.reserve(size_t(descriptors.size()));
    for (const SVSortDescriptor& d : descriptors)
        keys.push_back({d.key, comparisonOf(d.comparison), d.ascending});
    std::vector<const SVNetworkDelegate*> rows;
    rows.reserve(size_t(list.size()));
    for (const auto& n : list)
        rows.push_back(n.get());
    SVNetworkList sorted;
    sorted.reserve(list.size());
    for (qsizetype i : sortedRowOrder(rows, keys))
        sorted.append(std::move(list[i]));
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

    // Each record's lock is taken once for the show settings and the filter
    // string's facts and, for records the filter string keeps, once more for
    // all the steps below (the side filter, the association, the sidebar),
    // which go on while the record is fresh in the cache. Without a filter
    // string the two are one, and no row outlives its record's turn.
    std::optional<SVFilterExpression> expression;
    if (!state.filterString.isEmpty())
        expression = SVFilterExpression::parse(state.filterString);
    const unsigned needed = expression ? expression->neededFacts() : 0;

    // Sized for the records that reach it: all of them without a filter
    // string, those it keeps with one.
    std::optional<SVSideViewBuilder> sidebar;
    SecurityTexts security;
    const auto finish = [&](Row& r) {
        const std::shared_ptr<SVNetwork>& network = list[r.index()];
        const SecurityTexts::Texts& s = security.of(r.securityModeCode());
        sidebar->add(r.ssid(), r.phyMode(), s.hasLong, s.shortText, r.apid(), r.deviceid(), r.vendor());
        out.textFilteredNetworks.append(network);
        if (state.sourceItemFilterIdentifier
            && sideFilterDrops(*state.sourceItemFilterIdentifier, state.sourceItemFilterString, r))
            return;
        network->setAssociated(isAssociatedWith(r, state));
        out.filteredNetworks.append(network);
    };

    // With a filter string, the rows of the last filtering on this thread
    // lend their room: tens of thousands of records then ask for no fresh
    // memory every tick.
    static thread_local std::vector<Row> spareRows;
    std::vector<Row> rows;
    std::vector<SVFilterFacts> facts;
    if (!expression) {
        sidebar.emplace(list.size());
        out.textFilteredNetworks.reserve(list.size());
        out.filteredNetworks.reserve(list.size());
    } else {
        rows = std::move(spareRows);
        rows.clear();
        rows.reserve(size_t(list.size()));
        facts.reserve(size_t(list.size()));
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        prefetchAhead(list, i);
        const SVNetwork& n = *list[i];
        const auto hold = n.holdLock();
        if (!passesFirstPass(n, state))
            continue;
        if (expression) {
            facts.push_back(factsOf(rows.emplace_back(n, i), needed));
        } else {
            Row r(n, i);
            finish(r);
        }
    }
    if (expression) {
        unsigned marks = 0;
        const auto flags = expression->evaluate(facts, &marks);
        keep(rows, flags);
        out.filteredColumnIdentifiers = SVFilterExpression::columnIdentifiers(marks);
        sidebar.emplace(qsizetype(rows.size()));
        out.textFilteredNetworks.reserve(qsizetype(rows.size()));
        out.filteredNetworks.reserve(qsizetype(rows.size()));
        for (Row& r : rows) {
            const auto hold = r.network().holdLock();
            finish(r);
        }
        rows.clear();
        spareRows = std::move(rows);
    }

    sortNetworks(out.filteredNetworks, state.sortDescriptors);
    out.sideViewItems = sidebar->items();
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
