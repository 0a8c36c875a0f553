#include "model/SVScanMerge.h"

#include "model/SVScanDictionary.h"

#include "platform/Bssid.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include <cmath>

namespace {

// The identity the merge matches on, the one bssidAndBandCompare uses: the
// BSSID in its normal form and the band of the channel heard on. Records are
// filed and looked up by the same key. Well-formed addresses are kept as
// numbers, so a tick builds no texts for them.
class IdentityIndex {
public:
    explicit IdentityIndex(qsizetype size) { m_numbers.reserve(size); }

    SVNetwork* find(const QString& bssid, qint64 channel) const
    {
        const qint64 band = SVNetwork::channelBandForChannel(channel);
        if (const auto mac = sv::parsedBssid(bssid))
            return m_numbers.value(*mac << 2 | quint64(band));
        return m_texts.value(textKey(bssid, band));
    }
    // The first record of an identity stays its record. A listed record's
    // BSSID is in normal form already, its number kept with it.
    void insertFirst(SVNetwork& network)
    {
        const auto hold = network.holdLock();
        const qint64 band = SVNetwork::channelBandForChannel(network.channelNumber());
        if (const auto mac = network.bssidNumber())
            fileFirst(m_numbers[*mac << 2 | quint64(band)], &network);
        else
            fileFirst(m_texts[textKey(network.bssid(), band)], &network);
    }
    void insertFirst(const QString& bssid, qint64 channel, SVNetwork* network)
    {
        const qint64 band = SVNetwork::channelBandForChannel(channel);
        if (const auto mac = sv::parsedBssid(bssid))
            fileFirst(m_numbers[*mac << 2 | quint64(band)], network);
        else
            fileFirst(m_texts[textKey(bssid, band)], network);
    }
private:
    static void fileFirst(SVNetwork*& slot, SVNetwork* network)
    {
        if (!slot)
            slot = network;
    }
    static QString textKey(const QString& bssid, qint64 band)
    {
        return sv::normalizedBssid(bssid) + QLatin1Char('/') + QString::number(band);
    }
    QHash<quint64, SVNetwork*> m_numbers;
    QHash<QString, SVNetwork*> m_texts;
};

// What the merge reads of a scan dictionary, in one walk over it.
struct ScanValues {
    qint64 rssi = 0;
    qint64 noise = 0;
    qint64 channel = 0;
    QString bssid;

    static ScanValues of(const QVariantMap& d)
    {
        ScanValues v;
        for (auto it = d.cbegin(); it != d.cend(); ++it) {
            const QString& key = it.key();
            if (key == SVScanKey::RssiValue)
                v.rssi = it->toLongLong();
            else if (key == SVScanKey::NoiseMeasurement)
                v.noise = it->toLongLong();
            else if (key == SVScanKey::ChannelNumber)
                v.channel = it->toLongLong();
            else if (key == SVScanKey::Bssid)
                v.bssid = it->toString();
        }
        return v;
    }
};

} // namespace

SVNetworkList mergeNetworks(const QVector<QVariantMap>& results, const SVNetworkList& networks,
                            const QDateTime& scanTime, qint64 sensitivity,
                            double maxElapsed)
{
    // First record per identity, in list order; records created in this
    // merge join it so a BSS listed twice in one result updates one record.
    IdentityIndex firstMatch(qsizetype(networks.size()) + results.size());
    for (qsizetype i = 0; i < networks.size(); ++i) {
        prefetchAhead(networks, i);
        firstMatch.insertFirst(*networks[i]);
    }
    SVNetworkList created;

    // Each result's values and record are found a few results ahead and the
    // record fetched then, so it is in the cache by the time it is merged. A
    // record found stays the first of its identity; one not found yet may
    // be created by a result in between, and is looked for again.
    struct Ahead {
        ScanValues values;
        SVNetwork* record = nullptr;
    };
    constexpr qsizetype kAhead = 4;
    std::array<Ahead, std::size_t(kAhead)> ahead;
    const auto lookAhead = [&](qsizetype k) {
        Ahead& a = ahead[std::size_t(k % kAhead)];
        a.values = ScanValues::of(results[k]);
        a.record = firstMatch.find(a.values.bssid, a.values.channel);
        if (a.record)
            a.record->prefetch();
    };
    for (qsizetype k = 0; k < std::min<qsizetype>(results.size(), kAhead); ++k)
        lookAhead(k);
    for (qsizetype k = 0; k < results.size(); ++k) {
        const QVariantMap& d = results[k];
        Ahead& a = ahead[std::size_t(k % kAhead)];
        const ScanValues v = std::move(a.values);
        SVNetwork* const found = a.record;
        if (k + kAhead < results.size())
            lookAhead(k + kAhead);
        const qint64 rssiValue = v.rssi;
        // -S exactly, without negating the smallest 64-bit value (2^63 is above every reading).
        const bool belowCut = sensitivity == std::numeric_limits<qint64>::min() || rssiValue < -sensitivity;
        if (sensitivity != SVSensitivityNoCut && belowCut)
            continue;
        const qint64 noise = v.noise;
        const QString bssid = v.bssid;
        const qint64 channel = v.channel;

        if (SVNetwork* r = found ? found : firstMatch.find(bssid, channel)) {
            qint64 rssi = rssiValue;
            if (rssi == 0) {
                const auto last = r->lastDataPoint();
                if (last && last->rssiValue() == SVNetwork::NoSignal)
                    continue; // not revived by a reading without a level
                if (last)
                    rssi = last->rssiValue();
            }
            // Heard on a channel of the same band as before: its key stays.
            r->heardInScan(d, rssi, noise, scanTime);
            continue;
        }

        auto record = SVNetwork::initWithDictionary(d);
        record->setLastSeen(scanTime);
        record->setLastSeenElapsedSeconds(0);
        record->setUserHidden(false);
        if (rssiValue == 0)
            continue; // a new BSS without a level is never listed
        record->addDataPoint(SVDataPoint(rssiValue, noise, record->stationCount(),
                                         record->channelUtilization(), scanTime));
        firstMatch.insertFirst(bssid, channel, record.get());
        created.push_back(std::move(record));
    }

    // The list's records, then the new ones, less those past the limit.
    SVNetworkList kept;
    kept.reserve(networks.size() + created.size());
    const auto keepIfSeen = [&](const std::shared_ptr<SVNetwork>& network) {
        const std::optional<double> elapsed = network->afterScan(scanTime);
        if (elapsed && std::trunc(*elapsed) <= maxElapsed)
            kept.push_back(network);
    };
    for (qsizetype i = 0; i < networks.size(); ++i) {
        prefetchAhead(networks, i);
        keepIfSeen(networks[i]);
    }
    for (const auto& network : created)
        keepIfSeen(network);
    return kept;
}

qint64 maxLastSeenElapsedSecondsFor(qint64 index, bool deleteIfNotSeen)
{
    static constexpr std::array<qint64, 6> limits = {60, 120, 300, 1800, 3600, 7200};
    if (!deleteIfNotSeen || index < 1 || index > qint64(limits.size()))
        return kOneYearSeconds;
    return limits[size_t(index - 1)];
}
