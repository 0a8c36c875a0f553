#include "model/SVNetworkCollection.h"

#include "model/SVNetwork.h"
#include "platform/wlan/CWChannel.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <limits>
#include <set>

namespace {

using Members = SVNetworkList;

// The one value the members share, the placeholder when they differ, empty when none.
template <typename Get>
QString common(const Members& members, Get get)
{
    if (members.isEmpty())
        return QString();
    const QString first = get(*members.front());
    for (const auto& m : members)
        if (get(*m) != first)
            return SVNetworkCollection::multipleValuesPlaceholder();
    return first;
}

QStringList sortedCaseInsensitive(QStringList texts)
{
    texts.removeDuplicates();
    std::stable_sort(texts.begin(), texts.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return texts;
}

// Natural order: runs of digits compare by value, the rest ignoring case,
// so "5.5" comes before "54" whatever the locale's collation offers.
int naturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            QStringView na = QStringView(a).mid(i, ei - i), nb = QStringView(b).mid(j, ej - j);
            while (na.size() > 1 && na.front() == u'0')
                na = na.mid(1);
            while (nb.size() > 1 && nb.front() == u'0')
                nb = nb.mid(1);
            if (na.size() != nb.size())
                return na.size() < nb.size() ? -1 : 1;
            if (const int c = na.compare(nb))
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    return (a.size() - i > 0) - (b.size() - j > 0);
}

QStringList sortedLocalized(QStringList texts)
{
    texts.removeDuplicates();
    std::stable_sort(texts.begin(), texts.end(),
                     [](const QString& a, const QString& b) { return naturalCompare(a, b) < 0; });
    return texts;
}

template <typename Get>
QStringList distinctTexts(const Members& members, Get get)
{
    QStringList out;
    for (const auto& m : members) {
        const QString t = get(*m);
        if (!t.isEmpty())
            out << t;
    }
    return out;
}

template <typename Get>
QString distinctNumbers(const Members& members, Get get)
{
    std::set<qint64> values;
    for (const auto& m : members)
        values.insert(get(*m));
    QStringList parts;
    for (qint64 v : values)
        parts << QString::number(v);
    return parts.join(QStringLiteral(", "));
}

template <typename Get>
qint64 largest(const Members& members, Get get)
{
    qint64 best = std::numeric_limits<qint64>::min();
    for (const auto& m : members)
        best = std::max(best, get(*m));
    return best;
}

template <typename Get>
qint64 smallest(const Members& members, Get get)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (const auto& m : members)
        best = std::min(best, get(*m));
    return best;
}

} // namespace

SVNetworkCollection::SVNetworkCollection(const QString& name) : m_name(name) {}

QString SVNetworkCollection::multipleValuesPlaceholder()
{
    return QCoreApplication::translate("SVNetworkCollection", "<Multiple values>");
}

std::shared_ptr<SVNetwork> SVNetworkCollection::objectAtIndex(qsizetype index) const
{
    return index >= 0 && index < m_collection.size() ? m_collection.at(index) : nullptr;
}

void SVNetworkCollection::addObject(const std::shared_ptr<SVNetwork>& network)
{
    if (network)
        m_collection.append(network);
}

void SVNetworkCollection::insertObject(const std::shared_ptr<SVNetwork>& network, qsizetype index)
{
    if (network && index >= 0 && index <= m_collection.size())
        m_collection.insert(index, network);
}

void SVNetworkCollection::replaceObjectAtIndex(qsizetype index, const std::shared_ptr<SVNetwork>& network)
{
    if (network && index >= 0 && index < m_collection.size())
        m_collection[index] = network;
}

std::shared_ptr<SVNetwork> SVNetworkCollection::bestNetwork() const
{
    std::shared_ptr<SVNetwork> best;
    qint64 bestSnr = 0;
    for (const auto& m : m_collection) {
        if (m->rssi() == SVNetwork::NoSignal)
            continue;
        const qint64 s = m->snrLast();
        if (!best || s > bestSnr) {
            best = m;
            bestSnr = s;
        }
    }
    if (best)
        return best;
    for (const auto& m : m_collection) {
        const qint64 s = m->snrLast();
        if (!best || s > bestSnr) {
            best = m;
            bestSnr = s;
        }
    }
    return best;
}

QString SVNetworkCollection::bssidValue() const
{
    return common(m_collection, [](const SVNetwork& n) { return n.apid(); });
}

QString SVNetworkCollection::ssidValue() const
{
    return sortedCaseInsensitive(distinctTexts(m_collection, [](const SVNetwork& n) { return n.ssid(); }))
        .join(QStringLiteral(", "));
}

qint64 SVNetworkCollection::rssiValue() const
{
    const auto best = bestNetwork();
    return best ? best->rssiLast() : SVNetwork::NoSignal;
}

qint64 SVNetworkCollection::noiseValue() const
{
    const auto best = bestNetwork();
    return best ? best->noiseLast() : SVNetwork::NoSignal;
}

qint64 SVNetworkCollection::snrValue() const
{
    const auto best = bestNetwork();
    return best ? best->snrLast() : 0;
}

qint64 SVNetworkCollection::rssiAvgValue() const { return largest(m_collection, [](const SVNetwork& n) { return n.rssiAvg(); }); }
qint64 SVNetworkCollection::rssiMaxValue() const { return largest(m_collection, [](const SVNetwork& n) { return n.rssiMax(); }); }
qint64 SVNetworkCollection::noiseAvgValue() const { return largest(m_collection, [](const SVNetwork& n) { return n.noiseAvg(); }); }
qint64 SVNetworkCollection::noiseMaxValue() const { return largest(m_collection, [](const SVNetwork& n) { return n.noiseMax(); }); }
qint64 SVNetworkCollection::snrAvgValue() const { return largest(m_collection, [](const SVNetwork& n) { return n.snrAvg(); }); }
qint64 SVNetworkCollection::snrMaxValue() const { return largest(m_collection, [](const SVNetwork& n) { return n.snrMax(); }); }
qint64 SVNetworkCollection::rssiMinValue() const { return smallest(m_collection, [](const SVNetwork& n) { return n.rssiMin(); }); }
qint64 SVNetworkCollection::noiseMinValue() const { return smallest(m_collection, [](const SVNetwork& n) { return n.noiseMin(); }); }
qint64 SVNetworkCollection::snrMinValue() const { return smallest(m_collection, [](const SVNetwork& n) { return n.snrMin(); }); }

QString SVNetworkCollection::channelValue() const
{
    return distinctNumbers(m_collection, [](const SVNetwork& n) { return n.channel(); });
}

QString SVNetworkCollection::channelCenterValue() const
{
    return distinctNumbers(m_collection, [](const SVNetwork& n) { return n.channelCenter(); });
}

QString SVNetworkCollection::streamsValue() const
{
    return distinctNumbers(m_collection, [](const SVNetwork& n) { return qint64(n.streams()); });
}

QString SVNetworkCollection::centerFrequencyValue() const
{
    return distinctNumbers(m_collection, [](const SVNetwork& n) { return n.centerFrequency(); });
}

QString SVNetworkCollection::vendorValue() const
{
    return common(m_collection, [](const SVNetwork& n) { return n.vendor(); });
}

QString SVNetworkCollection::securityValue() const
{
    return common(m_collection, [](const SVNetwork& n) { return n.shortSecurityMode(); });
}

QString SVNetworkCollection::wpsValue() const
{
    return common(m_collection, [](const SVNetwork& n) { return n.wpsValue(); });
}

QString SVNetworkCollection::annotationsValue() const
{
    return common(m_collection, [](const SVNetwork& n) { return n.annotationsValue(); });
}

QString SVNetworkCollection::deviceNameValue() const
{
    return common(m_collection, [](const SVNetwork& n) { return n.deviceName(); });
}

QString SVNetworkCollection::channelBandValue() const
{
    bool twoFour = false, five = false;
    for (const auto& m : m_collection) {
        twoFour = twoFour || m->is2Dot4GHz();
        five = five || m->is5GHz();
    }
    QStringList parts;
    if (twoFour)
        parts << QStringLiteral("2.4");
    if (five)
        parts << QStringLiteral("5");
    return parts.isEmpty() ? QString() : parts.join(QStringLiteral(", ")) + QStringLiteral(" GHz");
}

QString SVNetworkCollection::channelWidthValue() const
{
    std::set<qint64> widths;
    for (const auto& m : m_collection) {
        const qint64 code = m->channelWidth();
        if (code >= kCWChannelWidth20MHz && code <= kCWChannelWidth160MHz)
            widths.insert((qint64(1) << code) * 10);
    }
    QStringList parts;
    for (qint64 w : widths)
        parts << QString::number(w);
    return parts.isEmpty() ? QString() : parts.join(QStringLiteral(", ")) + QStringLiteral(" MHz");
}

QString SVNetworkCollection::phyModeValue() const
{
    qint64 flags = 0;
    for (const auto& m : m_collection)
        flags |= m->phyModeFlags();
    return SVNetwork::phyModeText(flags);
}

QString SVNetworkCollection::minRateValue() const
{
    return sortedLocalized(distinctTexts(m_collection, [](const SVNetwork& n) { return n.minRateValue(); }))
        .join(QStringLiteral(", "));
}

QString SVNetworkCollection::maxRateValue() const
{
    return sortedLocalized(distinctTexts(m_collection, [](const SVNetwork& n) { return n.maxRateValue(); }))
        .join(QStringLiteral(", "));
}

QString SVNetworkCollection::networkTypeValue() const
{
    return sortedCaseInsensitive(distinctTexts(m_collection, [](const SVNetwork& n) { return n.networkType(); }))
        .join(QStringLiteral(", "));
}

QString SVNetworkCollection::countryCodeValue() const
{
    return sortedCaseInsensitive(distinctTexts(m_collection, [](const SVNetwork& n) { return n.countryCode(); }))
        .join(QStringLiteral(", "));
}

std::optional<double> SVNetworkCollection::lastSeenElapsedSecondsValue() const
{
    std::optional<double> out;
    for (const auto& m : m_collection) {
        const double s = m->lastSeenElapsedSeconds();
        if (!out || s < *out)
            out = s;
    }
    return out;
}

QDateTime SVNetworkCollection::firstSeenValue() const
{
    QDateTime out;
    for (const auto& m : m_collection) {
        const QDateTime d = m->firstSeenValue();
        if (d.isValid() && (!out.isValid() || d < out))
            out = d;
    }
    return out;
}

QDateTime SVNetworkCollection::lastSeenValue() const
{
    QDateTime out;
    for (const auto& m : m_collection) {
        const QDateTime d = m->lastSeen();
        if (d.isValid() && (!out.isValid() || d > out))
            out = d;
    }
    return out;
}

QString SVNetworkCollection::stationCountValue() const
{
    std::set<qint64> counts;
    for (const auto& m : m_collection)
        if (m->stationCount() >= 0)
            counts.insert(m->stationCount());
    if (counts.empty())
        return QString();
    return counts.size() == 1 ? QString::number(*counts.begin()) : multipleValuesPlaceholder();
}

qint64 SVNetworkCollection::channelUtilizationValue() const
{
    const auto best = bestNetwork();
    return best ? best->channelUtilizationValue() : -1;
}

static QString oneOrMultiple(QStringList texts)
{
    texts.removeDuplicates();
    if (texts.isEmpty())
        return QString();
    return texts.size() == 1 ? texts.front() : SVNetworkCollection::multipleValuesPlaceholder();
}

QString SVNetworkCollection::htProtectionValue() const
{
    return oneOrMultiple(distinctTexts(m_collection, [](const SVNetwork& n) { return n.humanReadableHtProtection(); }));
}

QString SVNetworkCollection::fastBssTransitionValue() const
{
    return oneOrMultiple(
        distinctTexts(m_collection, [](const SVNetwork& n) { return n.humanReadableFastBssTransition(); }));
}

QString SVNetworkCollection::beaconIntervalValue() const
{
    std::set<double> intervals;
    for (const auto& m : m_collection)
        intervals.insert(m->beaconInterval());
    QStringList parts;
    for (double v : intervals)
        parts << QString::asprintf("%.1f", v);
    return parts.join(QStringLiteral(", "));
}

QString SVNetworkCollection::basicDataRatesValue() const
{
    QStringList all;
    for (const auto& m : m_collection) {
        const QString text = m->basicDataRatesValue();
        if (!text.isEmpty())
            all << text.split(QStringLiteral(", "));
    }
    return sortedLocalized(all).join(QStringLiteral(", "));
}
