#pragma once

#include "model/SVDataPoint.h"
#include "model/SVDataPointBuffer.h"
#include "model/SVNetworkDelegate.h"
#include "model/SVNetworkDigest.h"
#include "model/SVNetworkList.h"
#include "platform/KeyedArchiver.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class SVInfoElement;
class SVNetworkCollection;

namespace sv {
class KeyedUnarchiver;
}

// One BSS heard in scans: the newest scan dictionary, the values digested
// from its information elements, the sample history with running
// statistics, a drawing colour, user flags, an annotation and a device name.
//
// Records are held by std::shared_ptr. Every field lives under the record's
// own lock, so the main thread (merge, table) and the document and export
// threads may read a record while the merge updates it.
class SVNetwork : public SVNetworkDelegate,
                  public sv::KeyedArchivable,
                  public std::enable_shared_from_this<SVNetwork> {
public:
    static constexpr const char* className = "SVNetwork";
    // Older documents archive records under this class name.
    static constexpr const char* legacyClassName = "SkyvaneNetwork";

    // At most this many samples are kept; the oldest goes first.
    static constexpr std::size_t MaximumDataPoints = 32769;
    static constexpr qint64 NoSignal = -120;
    static constexpr qint64 UnknownSecurityMode = std::numeric_limits<qint64>::max();

    // Security mode codes.
    enum SecurityModeCode : qint64 {
        SecurityNone = 0,
        SecurityWEP = 1,
        SecurityWPAPersonal = 2,
        SecurityWPAWPA2Personal = 3,
        SecurityWPA2Personal = 4,
        SecurityDynamicWEP = 6,
        SecurityWPAEnterprise = 7,
        SecurityWPAWPA2Enterprise = 8,
        SecurityWPA2Enterprise = 9,
        SecurityWPA3Personal = 11,
        SecurityWPA3Enterprise = 12,
        SecurityWPA2WPA3Personal = 13,
        SecurityOWE = 14,
        SecurityOWETransition = 15,
    };
    // PHY mode bits, by their record-side names too (SVNetwork::PhyN).
    using enum SVPhyModeBit;

    // A record for a live scan: digests the dictionary, last seen now, in the
    // latest scan, colour from "UserDefinedColors" or the next random colour.
    explicit SVNetwork(const QVariantMap& dictionary);
    ~SVNetwork() override;
    SVNetwork(const SVNetwork&) = delete;
    SVNetwork& operator=(const SVNetwork&) = delete;

    static std::shared_ptr<SVNetwork> initWithDictionary(const QVariantMap& dictionary);

    // Holds the record's lock over a run of reads (a pass over every record
    // each tick): the getters inside take it again without a wait, and the
    // run sees one consistent record.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> holdLock() const
    {
        return std::unique_lock<std::recursive_mutex>(m_lock);
    }
    // Asks for the record's fields ahead of a pass over many records: the
    // pass then finds them in the cache instead of waiting on each record.
    void prefetch() const noexcept
    {
        const auto* p = reinterpret_cast<const char*>(this);
        for (std::size_t at = 0; at < sizeof(*this); at += 64)
            __builtin_prefetch(p + at);
    }

    // ---- archive ----
    // Writes "network", "dataPoints", "color", "lastSeen", then "deviceName"
    // when held and "annotations" when the record has a note (whether or not
    // anything has read it yet). The coder's current object is the record.
    void encodeWithCoder(sv::KeyedArchiver& coder) const override;
    QStringList archiveClassChain() const override;
    // A record from a document (the coder's current object), or null when
    // the archived object lacks what a record needs (a dictionary with a
    // "bssid" text) or is damaged; the reader skips it.
    static std::shared_ptr<SVNetwork> initWithCoder(sv::KeyedUnarchiver& coder);
    // True for an archived object of this class or its old name.
    static bool isArchivedClass(const QStringList& classChain);
    // Lets the unarchiver answer the current names for objects archived
    // under the old ones.
    static void registerArchivedClassNames(sv::KeyedUnarchiver& coder);

    // ---- identity ----
    // kCWChannelBand2GHz or kCWChannelBand5GHz, by isChannelIn5GHzBand.
    static qint64 channelBandForChannel(qint64 channel);
    // Same band and the same BSSID (normal form, ignoring case): the identity the merge uses.
    bool bssidAndBandCompare(const QVariantMap& dictionary) const;

    // ---- source ----
    // Stores the dictionary and digests its elements. An empty map stands for "nothing".
    void setNetwork(const QVariantMap& dictionary);
    QVariantMap network() const;
    bool loadedFromFile() const;
    // The channel the latest scan heard the record on (the dictionary's
    // "channelNumber"): with the BSSID, the identity the merge matches.
    qint64 channelNumber() const;

    // The merge's two steps for one record, each in one consistent update.
    // Heard in the scan of scanTime: takes the dictionary, last seen then,
    // and a sample with these levels and the re-derived load.
    void heardInScan(const QVariantMap& dictionary, qint64 rssi, qint64 noise, const QDateTime& scanTime);
    // After the scan: a record it did not hear (last seen before scanTime)
    // gets its elapsed time and a sample without signal. Returns the elapsed
    // seconds, or none for a record without samples (the merge drops it).
    std::optional<double> afterScan(const QDateTime& scanTime);
    // Samples the document held beyond what a record keeps: its oldest,
    // left out when it was read. 0 for a live record.
    std::size_t dataPointsLeftOut() const;

    // ---- samples and statistics ----
    void addDataPoint(const SVDataPoint& point);
    std::vector<SVDataPoint> dataPoints() const; // a copy, oldest first
    std::size_t dataPointCount() const;
    // Calls visit with the samples under the record's lock, without copying
    // them (graphs). visit must not call back into the record's setters.
    void visitDataPoints(const std::function<void(const SVDataPointBuffer&)>& visit) const;
    std::optional<SVDataPoint> firstDataPoint() const;
    std::optional<SVDataPoint> lastDataPoint() const;
    // Position of an equal sample, -1 when absent.
    qint64 indexOfDataPoint(const SVDataPoint& point) const;
    // Empties the samples; the statistics stay.
    void removeAllDataPoints();

    // Current level: the newest sample's, when the record is in the latest
    // scan or came from a document; else -120.
    qint64 rssi() const;
    qint64 noise() const;
    // Walking back from the newest sample: the first level that is not -120
    // (the first SNR that is not 0); -120 (0) when none.
    qint64 rssiLast() const;
    qint64 noiseLast() const;
    qint64 snrLast() const;

    quint64 rssiCount() const;
    quint64 noiseCount() const;
    quint64 snrCount() const;
    qint64 rssiAcc() const;
    qint64 noiseAcc() const;
    qint64 snrAcc() const;
    qint64 snrPercAcc() const;
    qint64 rssiAvg() const;
    qint64 rssiMin() const;
    qint64 rssiMax() const;
    qint64 noiseAvg() const;
    qint64 noiseMin() const;
    qint64 noiseMax() const;
    qint64 snr() const; // of the newest sample with data
    qint64 snrAvg() const;
    qint64 snrMin() const;
    qint64 snrMax() const;
    qint64 snrPerc() const;
    qint64 snrPercAvg() const;
    qint64 snrPercMin() const;
    qint64 snrPercMax() const;

    // ---- identity texts ----
    // Normal form of the dictionary's "bssid", cached.
    QString bssid() const;
    // That normal form as a 48-bit number (sv::parsedBssid), cached; none
    // for a malformed BSSID.
    std::optional<quint64> bssidNumber() const;
    // The element SSID, else the dictionary's "ssid", else hiddenSSID().
    QString ssid() const;
    bool isHidden() const;
    QString hiddenSSID() const;
    void setHiddenSSID(const QString& text); // a writable property; nothing sets it yet
    // Vendor name of the BSSID; empty while unknown (asked again whenever
    // the vendor database has changed, until found).
    QString vendor() const;
    // Short vendor name and the last three octets ("Apple:DD:EE:FF"); the BSSID when the vendor is unknown.
    QString deviceid() const;
    // Radio identifier: deviceid with the octets that differ between the
    // virtual BSSIDs of one radio masked by "#".
    QString apid() const;
    // Stored device name, else the base-station name heard over the network (not cached).
    QString deviceName() const;
    bool hasDeviceName() const;

    // ---- channel ----
    qint64 channel() const; // element channel, else the dictionary's "channelNumber"
    qint64 channelWidth() const;
    qint64 secondaryChannelOffset() const; // 0 none, 1 above, 3 below
    void setSecondaryChannelOffset(qint64 offset);
    qint64 channelCenter() const;
    qint64 centerFrequency() const; // MHz, 0 outside the bands
    QString humanReadableChannelBand() const;
    QString shortChannelBand() const;
    QString humanReadableChannelWidth() const;
    static QString channelWidthText(qint64 code);
    QString humanReadableChannel() const;
    // The channels a wide channel covers, the primary one marked.
    struct ChannelRange {
        QList<qint64> channels; // a single 0 when no block applies
        qint64 primary = 0;
        QString text() const;   // numbers joined by one blank
        QString html() const;   // the same, the primary channel underlined
    };
    ChannelRange humanReadableChannelRange() const;
    bool is2Dot4GHz() const;
    bool is5GHz() const;

    // ---- PHY, rates, streams ----
    qint64 phyModeFlags() const; // bit set of PhyModeBit
    QString phyMode() const;     // "b/g/n"
    static QString phyModeText(qint64 flags);
    quint64 streams() const;
    std::vector<double> rates() const; // Mb/s, basic rates negative, ascending by magnitude
    void setRates(const std::vector<double>& rates);
    double minRate() const;
    double maxRate() const;
    float minBasicRate() const;
    float maxBasicRate() const;
    QString humanReadableDataRates() const;      // "1(B), 2(B), 5.5, 11"
    static QString dataRatesText(const std::vector<double>& rates);
    QString humanReadableBasicDataRates() const; // "1, 2"
    // Highest MCS the latest SNR supports for this PHY and width; -1 when none.
    qint64 estimatedMCS() const;

    // ---- security ----
    qint64 securityModeCode() const;
    QString securityMode() const;      // "WPA2 Personal"
    QString shortSecurityMode() const; // "WPA2 (PSK)"
    static QString securityModeText(qint64 code);
    static QString shortSecurityModeText(qint64 code);
    qint64 cipherType() const; // bits 1 WEP-40, 2 TKIP, 4 CCMP, 8 WEP-104
    QString cipher() const;
    static QString cipherText(qint64 cipherType);
    bool isWPA() const;
    bool isWPA2() const;
    bool isWPA3() const;
    bool isSAE() const;
    bool isOWE() const;
    bool isWEP() const;
    bool isPSK() const;
    bool is80211X() const;
    bool isOpen() const;
    bool wpsEnabled() const;
    bool wpsConfigured() const;
    bool wpsLocked() const;

    // ---- load, protection, roaming, extensions ----
    qint64 stationCount() const;
    qint64 channelUtilization() const;
    qint64 channelUtilizationMax() const;
    qint64 htProtection() const;
    QString humanReadableHtProtection() const;
    static QString htProtectionText(qint64 htProtection);
    qint64 fastBssTransition() const;
    QString humanReadableFastBssTransition() const;
    static QString fastBssTransitionText(qint64 fastBssTransition);
    qint64 ccxDTPC() const;
    QString ccxClientMFP() const;
    QString countryCode() const; // empty when none
    QStringList amendments() const;
    void setAmendments(const QStringList& amendments); // a writable property; nothing sets it yet

    // ---- dictionary values ----
    double beaconInterval() const; // milliseconds, 0 when absent
    bool isAdHoc() const;
    QString networkType() const; // "Ad-Hoc" / "Infrastructure"

    // ---- elements ----
    std::vector<std::shared_ptr<SVInfoElement>> informationElements() const;
    qint64 informationElementsLength() const;

    // ---- annotations ----
    // The cached annotation, filled from the annotations store on first read.
    QString annotations() const;
    // Stores the text in the annotations store, saves it and drops the cache.
    void setAnnotations(const QString& annotations);
    void annotationsDidChange();
    bool hasAnnotations() const;

    // ---- time ----
    QDateTime lastSeen() const;
    void setLastSeen(const QDateTime& date);
    // Seconds from lastSeen to the latest scan; 0 = in the latest scan.
    double lastSeenElapsedSeconds() const;
    void setLastSeenElapsedSeconds(double seconds);

    // ---- display ----
    QColor color() const;
    void setColor(const QColor& color);
    bool userHidden() const;
    void setUserHidden(bool hidden);
    bool userHighlighted() const;
    void setUserHighlighted(bool highlighted);
    bool associated() const;
    void setAssociated(bool associated);
    std::shared_ptr<SVNetworkCollection> parentCollection() const;
    void setParentCollection(const std::weak_ptr<SVNetworkCollection>& collection);

    // ---- CSV ----
    // The record's fields for the column identifiers, joined by "," (no line end).
    QString toCSV(const QStringList& columns, bool usingPercentage) const;

    // ---- row protocol ----
    // The record itself (null for a record not held by a std::shared_ptr).
    std::shared_ptr<SVNetwork> bestNetwork() const override;
    QString bssidValue() const override;
    QString ssidValue() const override;
    qint64 rssiValue() const override;
    qint64 rssiAvgValue() const override;
    qint64 rssiMinValue() const override;
    qint64 rssiMaxValue() const override;
    qint64 noiseValue() const override;
    qint64 noiseAvgValue() const override;
    qint64 noiseMinValue() const override;
    qint64 noiseMaxValue() const override;
    qint64 snrValue() const override;
    qint64 snrAvgValue() const override;
    qint64 snrMinValue() const override;
    qint64 snrMaxValue() const override;
    QString channelValue() const override;
    QString vendorValue() const override;
    QString securityValue() const override;
    QString wpsValue() const override;
    QString channelBandValue() const override;
    QString channelWidthValue() const override;
    QString channelCenterValue() const override;
    QString phyModeValue() const override;
    QString minRateValue() const override;
    QString maxRateValue() const override;
    QString networkTypeValue() const override;
    std::optional<double> lastSeenElapsedSecondsValue() const override;
    QDateTime firstSeenValue() const override;
    QDateTime lastSeenValue() const override;
    QString annotationsValue() const override;
    QString countryCodeValue() const override;
    QString streamsValue() const override;
    QString deviceNameValue() const override;
    QString stationCountValue() const override;
    qint64 channelUtilizationValue() const override;
    QString htProtectionValue() const override;
    QString fastBssTransitionValue() const override;
    QString centerFrequencyValue() const override;
    QString beaconIntervalValue() const override;
    QString basicDataRatesValue() const override;

    // Row values by accessor name, plus the record getters that sort
    // descriptors and views read by key ("rssi", "rssiAvg", "shortChannelBand").
    QVariant valueForKey(const QString& key) const override;

    // A rate as the table shows it: "%.1f" without ".0" ("54", "5.5"); empty for 0.
    static QString rateText(double rate);

private:
    struct Statistics {
        quint64 rssiCount = 0, noiseCount = 0, snrCount = 0;
        qint64 rssiAcc = 0, noiseAcc = 0, snrAcc = 0, snrPercAcc = 0;
        qint64 rssiAvg = 0, noiseAvg = 0, snrAvg = 0, snrPercAvg = 0;
        qint64 rssiMin = 120, rssiMax = -120;
        qint64 noiseMin = 120, noiseMax = -120;
        qint64 snr = 0, snrMin = 100, snrMax = 0;
        qint64 snrPerc = 0, snrPercMin = 100, snrPercMax = 0;
    };

    SVNetwork(); // common initialisation only (documents)
    void setNetworkLocked(const QVariantMap& dictionary);
    void addDataPointLocked(const SVDataPoint& point);
    qint64 channelLocked() const;
    qint64 channelCenterLocked() const;
    QString bssidLocked() const;
    QString vendorLocked() const;
    QString deviceidLocked() const;
    QString annotationsLocked() const;
    QString ssidLocked() const;
    qint64 rssiLastLocked() const;
    qint64 noiseLastLocked() const;
    qint64 snrLastLocked() const;

    mutable std::recursive_mutex m_lock;

    QVariantMap m_network;
    bool m_loadedFromFile = false;
    // Values of m_network read on every row and filter pass, taken at setNetwork.
    QString m_scanSsid;
    bool m_hasScanSsid = false;
    bool m_ibss = false;
    qint64 m_channelNumber = 0;

    mutable QString m_bssid, m_vendor, m_deviceid, m_apid;
    mutable bool m_bssidCached = false;
    mutable std::optional<quint64> m_bssidNumber; // set with m_bssid
    // An unknown vendor is asked again only once the vendor database changed;
    // m_deviceid and m_apid then hold the texts without a vendor.
    mutable bool m_vendorUnknown = false;
    mutable quint64 m_vendorUnknownGeneration = 0;
    QString m_hiddenSSID;

    SVNetworkDigest m_digest;
    std::optional<SVDigestInputs> m_digestInputs; // what m_digest was made from
    bool m_digestEdited = false;                  // a setter changed m_digest since

    mutable std::optional<QString> m_annotations;

    Statistics m_stats;
    std::optional<SVDataPointBuffer> m_dataPoints;
    std::size_t m_dataPointsLeftOut = 0;

    QDateTime m_lastSeen;
    double m_lastSeenElapsedSeconds = 0;

    QColor m_color;
    bool m_userHidden = false;
    bool m_userHighlighted = false;
    bool m_associated = false;
    std::weak_ptr<SVNetworkCollection> m_parentCollection;
};

// In a pass over list, before its record at i: asks for the record a few
// places on, which then arrives while the ones between are worked on.
inline void prefetchAhead(const SVNetworkList& list, qsizetype i)
{
    constexpr qsizetype kAhead = 4;
    if (i + kAhead < list.size())
        list[i + kAhead]->prefetch();
}

// Old documents name the record class differently; it is the same record.
using SkyvaneNetwork = SVNetwork;
