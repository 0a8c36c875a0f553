#include "app/SVScanMerge.h"

#include "platform/Bssid.h"

#include <QHash>

#include <cmath>

namespace {

// The identity the merge matches on, the same one bssidAndBandCompare uses.
QString identityKey(const QString& bssid, qint64 channel)
{
    return sv::normalizedBssid(bssid) + QLatin1Char('/')
           + QString::number(SVNetwork::channelBandForChannel(channel));
}

QString identityKey(const QVariantMap& dictionary)
{
    return identityKey(dictionary.value(QStringLiteral("bssid")).toString(),
                       dictionary.value(QStringLiteral("channelNumber")).toLongLong());
}

QString identityKey(const SVNetwork& network)
{
    return network.bssid() + QLatin1Char('/')
           + QString::number(SVNetwork::channelBandForChannel(network.channel()));
}

void keepFirst(QHash<QString, SVNetwork*>& map, const QString& key, SVNetwork* network)
{
    if (!map.contains(key))
        map.insert(key, network);
}

} // namespace

SVNetworkList mergeNetworks(const QVector<QVariantMap>& results, const SVNetworkList& networks,
                            const QDateTime& scanTime, qint64 sensitivity,
                            double maxElapsed)
{
    SVNetworkList merged = networks;
    merged.reserve(networks.size() + results.size());

    // First record per identity, in list order; records created in this
    // merge join it so a BSS listed twice in one result updates one record.
    QHash<QString, SVNetwork*> firstMatch;
    firstMatch.reserve(qsizetype(merged.size()) + results.size());
    for (const auto& network : merged)
        keepFirst(firstMatch, identityKey(*network), network.get());

    for (const QVariantMap& d : results) {
        const qint64 rssiValue = d.value(QStringLiteral("rssiValue")).toLongLong();
        if (sensitivity != SVSensitivityNoCut && rssiValue < -sensitivity)
            continue;
        const qint64 noise = d.value(QStringLiteral("noiseMeasurement")).toLongLong();
        const QString key = identityKey(d);

        if (SVNetwork* r = firstMatch.value(key)) {
            qint64 rssi = rssiValue;
            if (rssi == 0) {
                const auto last = r->lastDataPoint();
                if (last && last->rssiValue() == SVNetwork::NoSignal)
                    continue; // not revived by a reading without a level
                if (last)
                    rssi = last->rssiValue();
            }
            r->setNetwork(d);
            // A record whose channel moved to the other band answers to its new identity.
            if (const QString now = identityKey(*r); now != key) {
                if (firstMatch.value(key) == r)
                    firstMatch.remove(key);
                keepFirst(firstMatch, now, r);
            }
            r->setLastSeen(scanTime);
            r->setLastSeenElapsedSeconds(0);
            r->addDataPoint(SVDataPoint(rssi, noise, r->stationCount(), r->channelUtilization(),
                                        scanTime));
            continue;
        }

        auto created = SVNetwork::initWithDictionary(d);
        created->setLastSeen(scanTime);
        created->setLastSeenElapsedSeconds(0);
        created->setUserHidden(false);
        if (rssiValue == 0)
            continue; // a new BSS without a level is never listed
        created->addDataPoint(SVDataPoint(rssiValue, noise, created->stationCount(),
                                          created->channelUtilization(), scanTime));
        // Keyed by the record itself: its band follows the channel it digested.
        keepFirst(firstMatch, identityKey(*created), created.get());
        merged.push_back(std::move(created));
    }

    SVNetworkList kept;
    kept.reserve(merged.size());
    for (auto& network : merged) {
        if (network->dataPointCount() == 0)
            continue;
        if (network->lastSeen() != scanTime) {
            network->setLastSeenElapsedSeconds(double(network->lastSeen().msecsTo(scanTime)) / 1000.0);
            network->addDataPoint(SVDataPoint(SVNetwork::NoSignal, SVNetwork::NoSignal,
                                              network->stationCount(),
                                              network->channelUtilization(), scanTime));
        }
        if (std::trunc(network->lastSeenElapsedSeconds()) > maxElapsed)
            continue;
        kept.push_back(std::move(network));
    }
    return kept;
}
