#include "model/SVNetwork.h"
#include "model/SVDefaultsKeys.h"
#include "model/SVScanDictionary.h"

#include "elements/ElementList.h"
#include "elements/SVInfoElement.h"
#include "model/CWNetworkUtil.h"
#include "model/SVAnnotationsHelper.h"
#include "model/SVNetServiceBrowser.h"
#include "model/SVNetworkCollection.h"
#include "model/SVNetworkColumns.h"
#include "model/SVSignalQuality.h"
#include "model/SVVendorDatabaseHelper.h"
#include "platform/Bssid.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/NSColorTheme.h"
#include "platform/NSDateFormattedStrings.h"
#include "platform/NSStringAdditions.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

QString tr(const char* text)
{
    return QCoreApplication::translate("SVNetwork", text);
}

const QString& kBssid = SVScanKey::Bssid;
const QString& kSsid = SVScanKey::Ssid;
const QString& kChannelNumber = SVScanKey::ChannelNumber;
const QString& kBeaconInterval = SVScanKey::BeaconInterval;
const QString& kIbss = SVScanKey::Ibss;
const QString& kElements = SVScanKey::InformationElementData;

bool in(qint64 v, qint64 lo, qint64 hi) { return v >= lo && v <= hi; }

// The 80 and 160 MHz blocks: first and last primary channel and the centre.
struct Block { qint64 first, last, center; };
constexpr Block k80MHzBlocks[] = {
    {36, 48, 42}, {52, 64, 58}, {100, 112, 106}, {116, 128, 122}, {132, 144, 138}, {149, 161, 155},
};
constexpr Block k160MHzBlocks[] = {{36, 64, 50}, {100, 128, 114}};

const Block* blockFor(qint64 width, qint64 channel)
{
    if (width == kCWChannelWidth80MHz) {
        for (const auto& b : k80MHzBlocks)
            if (in(channel, b.first, b.last))
                return &b;
    } else if (width == kCWChannelWidth160MHz) {
        for (const auto& b : k160MHzBlocks)
            if (in(channel, b.first, b.last))
                return &b;
    }
    return nullptr;
}

// A rate with one decimal only when it has a fraction worth showing.
QString compactRate(double magnitude)
{
    if (std::fabs(magnitude - std::trunc(magnitude)) > 0.1)
        return QString::asprintf("%.1f", magnitude);
    return QString::asprintf("%.0f", magnitude);
}

QString withoutPointZero(QString text)
{
    return text.replace(QStringLiteral(".0"), QString());
}

// A colour kept per BSSID in the settings: an archived colour, a colour
// value, or its "#rrggbb" name.
QColor colorFromDefaultsValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray) {
        const QVariant c = sv::KeyedUnarchiver::unarchivedValue(value.toByteArray());
        return c.typeId() == QMetaType::QColor ? c.value<QColor>() : QColor();
    }
    if (value.typeId() == QMetaType::QColor) {
        const QColor c = value.value<QColor>();
        if (c.isValid())
            return c;
    }
    if (value.typeId() == QMetaType::QString) {
        const QColor c = QColor::fromString(value.toString());
        if (c.isValid())
            return c;
    }
    return {};
}

// SNR at which each next MCS begins.
const std::vector<int> kAc20 = {2, 5, 9, 11, 15, 18, 20, 25, 29, 31};
const std::vector<int> kAc40 = {5, 8, 12, 14, 18, 21, 23, 28, 32, 34};
const std::vector<int> kAc80 = {8, 11, 15, 17, 21, 24, 26, 31, 35, 37};
const std::vector<int> kAc160 = {11, 14, 18, 20, 24, 27, 29, 34, 38, 40};
const std::vector<int> kN20 = {2, 5, 9, 11, 15, 18, 20, 25};
const std::vector<int> kN40 = {5, 8, 12, 14, 18, 21, 23, 28};
const std::vector<int> kOfdm = {2, 4, 5, 9, 11, 15, 18, 20};
const std::vector<int> kDsss = {4, 7, 11, 16};

} // namespace

// ---- creation ----

SVNetwork::SVNetwork() : m_hiddenSSID(tr("<Hidden Network>")) {}

SVNetwork::SVNetwork(const QVariantMap& dictionary) : SVNetwork()
{
    setNetwork(dictionary);
    m_lastSeen = QDateTime::currentDateTimeUtc();
    m_lastSeenElapsedSeconds = 0;
    const QVariantMap colors =
        sv::UserDefaults::standardUserDefaults().dictionaryForKey(SVDefaultsKey::UserDefinedColors);
    const auto it = colors.constFind(bssid());
    const QColor stored = it == colors.constEnd() ? QColor() : colorFromDefaultsValue(*it);
    m_color = stored.isValid() ? stored : sv::randomColor();
}

SVNetwork::~SVNetwork() = default;

std::shared_ptr<SVNetwork> SVNetwork::initWithDictionary(const QVariantMap& dictionary)
{
    return std::make_shared<SVNetwork>(dictionary);
}

// ---- archive ----

QStringList SVNetwork::archiveClassChain() const
{
    static const QStringList chain{QString::fromLatin1(className), QStringLiteral("NSObject")};
    return chain;
}

bool SVNetwork::isArchivedClass(const QStringList& classChain)
{
    return classChain.contains(QLatin1String(className)) || classChain.contains(QLatin1String(legacyClassName));
}

void SVNetwork::registerArchivedClassNames(sv::KeyedUnarchiver& coder)
{
    coder.setClassNameMapping(QLatin1String(legacyClassName), QLatin1String(className));
    coder.setClassNameMapping(QLatin1String(SVDataPoint::legacyClassName), QLatin1String(SVDataPoint::className));
}

void SVNetwork::encodeWithCoder(sv::KeyedArchiver& coder) const
{
    Guard g(m_lock);
    coder.encodeObject("network", m_network);
    coder.beginArray("dataPoints");
    if (m_dataPoints) {
        const auto [older, newer] = m_dataPoints->segments();
        SVDataPoint::encodeArray(coder, older, newer);
    }
    coder.endArray();
    coder.encodeColor("color", m_color);
    coder.encodeDate("lastSeen", m_lastSeen);
    if (!m_digest.deviceName.isEmpty())
        coder.encodeObject("deviceName", m_digest.deviceName);
    // A note nothing has shown yet is still the record's: a hidden column
    // must not leave it out of the document.
    const bool cached = m_annotations.has_value();
    if (const QString note = annotationsLocked(); cached || !note.isEmpty())
        coder.encodeObject("annotations", note);
}

namespace {

// The scan dictionary of a network object that older documents archived
// whole: its properties under their own names, the channel as a channel object.
QVariantMap dictionaryFromArchivedNetwork(sv::KeyedUnarchiver& coder)
{
    auto text = [&coder](const char* key) { return coder.decodeObject(key).toString(); };
    auto integer = [&coder](const char* a, const char* b) {
        return int(coder.containsValueForKey(a) ? coder.decodeInt(a) : coder.decodeInt(b));
    };
    CWNetwork network;
    network.setBssid(text("bssid"));
    QByteArray ssidData = coder.decodeObject("ssidData").toByteArray();
    if (ssidData.isEmpty())
        ssidData = text("ssid").toUtf8();
    network.setSsidData(ssidData);
    network.setRssiValue(integer("rssiValue", "rssi"));
    network.setNoiseMeasurement(integer("noiseMeasurement", "noise"));
    network.setBeaconInterval(integer("beaconInterval", "beaconInterval"));
    network.setIbss(coder.decodeBool("ibss"));
    const QByteArray elements = coder.decodeObject("informationElementData").toByteArray();
    network.setInformationElementData(elements);
    int number = 0, band = 0, width = 0;
    const char* channelKey = coder.containsValueForKey("wlanChannel") ? "wlanChannel" : "channel";
    coder.decodeObjectWith(channelKey, [&](sv::KeyedUnarchiver& c) {
        number = int(c.decodeInt("channelNumber"));
        band = int(c.decodeInt("channelBand"));
        width = int(c.decodeInt("channelWidth"));
    });
    if (number == 0)
        number = integer("channelNumber", "channelNumber");
    network.setWlanChannel(CWChannel(number, band ? band : CWChannel::bandForChannelNumber(number), width));
    network.setSecurityFrom(coder.decodeBool("privacy") || integer("securityMode", "security") == kCWSecurityWEP,
                            elements);
    return CWNetworkUtil::dictionary(network);
}

} // namespace

std::shared_ptr<SVNetwork> SVNetwork::initWithCoder(sv::KeyedUnarchiver& coder)
{
    std::shared_ptr<SVNetwork> record(new SVNetwork());

    QVariantMap dictionary;
    if (coder.classNameForKey("network") == u"CWNetwork") {
        coder.decodeObjectWith("network", [&dictionary](sv::KeyedUnarchiver& c) {
            dictionary = dictionaryFromArchivedNetwork(c);
        });
    } else {
        const QVariant value = coder.decodeObject("network");
        if (value.typeId() == QMetaType::QVariantMap)
            dictionary = value.toMap();
    }
    // Without a BSSID there is no record to speak of.
    const QVariant bssidValue = dictionary.value(kBssid);
    if (coder.failed() || bssidValue.typeId() != QMetaType::QString || bssidValue.toString().isEmpty())
        return nullptr;
    record->setNetwork(dictionary);

    // Room for exactly what the document holds, none to spare.
    if (const qsizetype archived = coder.countForKey("dataPoints"); archived > 0) {
        Guard g(record->m_lock);
        record->m_dataPoints.emplace(MaximumDataPoints, 4);
        record->m_dataPoints->reserve(std::size_t(archived));
    }
    {
        Guard g(record->m_lock);
        std::size_t decoded = 0;
        SVDataPoint::decodeArray(coder, "dataPoints", [&record, &decoded](const SVDataPoint& p) {
            record->addDataPointLocked(p);
            ++decoded;
        });
        record->m_dataPointsLeftOut = decoded - (record->m_dataPoints ? record->m_dataPoints->size() : 0);
    }

    const std::optional<QColor> color = coder.decodeColor("color");
    const QDateTime lastSeen = coder.decodeDate("lastSeen");
    const QVariant deviceName = coder.decodeObject("deviceName");
    const QVariant annotations = coder.decodeObject("annotations");
    if (coder.failed())
        return nullptr;

    Guard g(record->m_lock);
    record->m_color = color && color->isValid() ? *color : sv::randomColor();
    record->m_lastSeen = lastSeen;
    record->m_lastSeenElapsedSeconds =
        lastSeen.isValid() ? std::max<double>(0.0, lastSeen.msecsTo(QDateTime::currentDateTimeUtc()) / 1000.0) : 0.0;
    if (record->m_digest.deviceName.isEmpty() && deviceName.typeId() == QMetaType::QString) {
        record->m_digest.deviceName = deviceName.toString();
        record->m_digestEdited = true;
    }
    if (!record->m_annotations && annotations.typeId() == QMetaType::QString)
        record->m_annotations = annotations.toString();
    record->m_loadedFromFile = true;
    return record;
}

// ---- identity ----

qint64 SVNetwork::channelBandForChannel(qint64 channel)
{
    return isChannelIn5GHzBand(channel) ? kCWChannelBand5GHz : kCWChannelBand2GHz;
}

// The band of the channel heard on, for both: a beacon may name a channel
// of the other band, and the channel it was heard on is what every scan of
// it repeats.
bool SVNetwork::bssidAndBandCompare(const QVariantMap& dictionary) const
{
    const qint64 band = channelBandForChannel(dictionary.value(kChannelNumber).toLongLong());
    Guard g(m_lock);
    if (band != channelBandForChannel(m_channelNumber))
        return false;
    return sv::normalizedBssid(dictionary.value(kBssid).toString()) == bssidLocked();
}

void SVNetwork::setNetwork(const QVariantMap& dictionary)
{
    Guard g(m_lock);
    setNetworkLocked(dictionary);
}

void SVNetwork::setNetworkLocked(const QVariantMap& dictionary)
{
    m_network = dictionary;
    // Most scans bring the beacon heard before: its digest would come out the same.
    SVDigestInputs inputs = SVDigestInputs::of(dictionary);
    if (m_digestEdited || m_digestInputs != inputs) {
        digestNetwork(dictionary, m_digest);
        m_digestEdited = false;
    }
    m_channelNumber = inputs.channelNumber;
    m_digestInputs = std::move(inputs);
    const auto ssid = dictionary.constFind(kSsid);
    m_hasScanSsid = ssid != dictionary.constEnd();
    m_scanSsid = m_hasScanSsid ? ssid->toString() : QString();
    m_ibss = dictionary.value(kIbss).toBool();
}

qint64 SVNetwork::channelNumber() const
{
    Guard g(m_lock);
    return m_channelNumber;
}

void SVNetwork::heardInScan(const QVariantMap& dictionary, qint64 rssi, qint64 noise, const QDateTime& scanTime)
{
    Guard g(m_lock);
    setNetworkLocked(dictionary);
    m_lastSeen = scanTime;
    m_lastSeenElapsedSeconds = 0;
    addDataPointLocked(SVDataPoint(rssi, noise, m_digest.stationCount, m_digest.channelUtilization, scanTime));
}

std::optional<double> SVNetwork::afterScan(const QDateTime& scanTime)
{
    Guard g(m_lock);
    if (!m_dataPoints || m_dataPoints->empty())
        return std::nullopt;
    if (m_lastSeen != scanTime) {
        m_lastSeenElapsedSeconds = double(m_lastSeen.msecsTo(scanTime)) / 1000.0;
        addDataPointLocked(SVDataPoint(NoSignal, NoSignal, m_digest.stationCount, m_digest.channelUtilization,
                                       scanTime));
    }
    return m_lastSeenElapsedSeconds;
}

QVariantMap SVNetwork::network() const
{
    Guard g(m_lock);
    return m_network;
}

bool SVNetwork::loadedFromFile() const
{
    Guard g(m_lock);
    return m_loadedFromFile;
}

// ---- samples ----

void SVNetwork::addDataPoint(const SVDataPoint& point)
{
    Guard g(m_lock);
    addDataPointLocked(point);
}

void SVNetwork::addDataPointLocked(const SVDataPoint& point)
{
    if (!m_dataPoints)
        m_dataPoints.emplace(MaximumDataPoints, 4);
    if (point.hasData()) {
        Statistics& s = m_stats;
        const qint64 r = point.rssiValue();
        const qint64 n = point.noiseValue();
        const qint64 snr = point.snr();
        const qint64 perc = sv::signalQualityPercent(r) - sv::signalQualityPercent(n);
        s.snr = snr;
        s.snrPerc = perc;
        s.rssiAcc += r;
        s.noiseAcc += n;
        s.snrAcc += snr;
        s.snrPercAcc += perc;
        ++s.rssiCount;
        ++s.noiseCount;
        ++s.snrCount;
        s.rssiAvg = qint64(double(s.rssiAcc) / double(s.rssiCount));
        s.noiseAvg = qint64(double(s.noiseAcc) / double(s.noiseCount));
        s.snrAvg = qint64(double(s.snrAcc) / double(s.snrCount));
        s.snrPercAvg = qint64(double(s.snrPercAcc) / double(s.snrCount));
        s.rssiMin = std::min(s.rssiMin, r);
        s.rssiMax = std::max(s.rssiMax, r);
        s.noiseMin = std::min(s.noiseMin, n);
        s.noiseMax = std::max(s.noiseMax, n);
        s.snrMin = std::min(s.snrMin, snr);
        s.snrMax = std::max(s.snrMax, snr);
        s.snrPercMin = std::min(s.snrPercMin, perc);
        s.snrPercMax = std::max(s.snrPercMax, perc);
    }
    m_dataPoints->push(point);
}

std::vector<SVDataPoint> SVNetwork::dataPoints() const
{
    Guard g(m_lock);
    return m_dataPoints ? m_dataPoints->toVector() : std::vector<SVDataPoint>();
}

std::size_t SVNetwork::dataPointsLeftOut() const
{
    Guard g(m_lock);
    return m_dataPointsLeftOut;
}

std::size_t SVNetwork::dataPointCount() const
{
    Guard g(m_lock);
    return m_dataPoints ? m_dataPoints->size() : 0;
}

void SVNetwork::visitDataPoints(const std::function<void(const SVDataPointBuffer&)>& visit) const
{
    Guard g(m_lock);
    static const SVDataPointBuffer empty(1, 1);
    visit(m_dataPoints ? *m_dataPoints : empty);
}

std::optional<SVDataPoint> SVNetwork::firstDataPoint() const
{
    Guard g(m_lock);
    if (!m_dataPoints || m_dataPoints->empty())
        return std::nullopt;
    return m_dataPoints->front();
}

std::optional<SVDataPoint> SVNetwork::lastDataPoint() const
{
    Guard g(m_lock);
    if (!m_dataPoints || m_dataPoints->empty())
        return std::nullopt;
    return m_dataPoints->back();
}

qint64 SVNetwork::indexOfDataPoint(const SVDataPoint& point) const
{
    Guard g(m_lock);
    if (!m_dataPoints)
        return -1;
    for (std::size_t i = 0; i < m_dataPoints->size(); ++i) {
        const SVDataPoint& p = m_dataPoints->at(i);
        if (p.rssiValue() == point.rssiValue() && p.noiseValue() == point.noiseValue()
            && p.channel() == point.channel() && p.stationCount() == point.stationCount()
            && p.chUtilization() == point.chUtilization()
            && p.secondsSinceReferenceDate() == point.secondsSinceReferenceDate())
            return qint64(i);
    }
    return -1;
}

void SVNetwork::removeAllDataPoints()
{
    Guard g(m_lock);
    if (m_dataPoints)
        m_dataPoints->clear();
}

qint64 SVNetwork::rssi() const
{
    Guard g(m_lock);
    if (!m_loadedFromFile && m_lastSeenElapsedSeconds != 0)
        return NoSignal;
    if (!m_dataPoints || m_dataPoints->empty())
        return NoSignal;
    return m_dataPoints->back().rssiValue();
}

qint64 SVNetwork::noise() const
{
    Guard g(m_lock);
    if (!m_loadedFromFile && m_lastSeenElapsedSeconds != 0)
        return NoSignal;
    if (!m_dataPoints || m_dataPoints->empty())
        return NoSignal;
    return m_dataPoints->back().noiseValue();
}

qint64 SVNetwork::rssiLastLocked() const
{
    if (!m_dataPoints)
        return NoSignal;
    for (std::size_t i = m_dataPoints->size(); i-- > 0;)
        if (m_dataPoints->at(i).rssiValue() != NoSignal)
            return m_dataPoints->at(i).rssiValue();
    return NoSignal;
}

qint64 SVNetwork::noiseLastLocked() const
{
    if (!m_dataPoints)
        return NoSignal;
    for (std::size_t i = m_dataPoints->size(); i-- > 0;)
        if (m_dataPoints->at(i).noiseValue() != NoSignal)
            return m_dataPoints->at(i).noiseValue();
    return NoSignal;
}

qint64 SVNetwork::snrLastLocked() const
{
    if (!m_dataPoints)
        return 0;
    for (std::size_t i = m_dataPoints->size(); i-- > 0;)
        if (m_dataPoints->at(i).snr() != 0)
            return m_dataPoints->at(i).snr();
    return 0;
}

qint64 SVNetwork::rssiLast() const { Guard g(m_lock); return rssiLastLocked(); }
qint64 SVNetwork::noiseLast() const { Guard g(m_lock); return noiseLastLocked(); }
qint64 SVNetwork::snrLast() const { Guard g(m_lock); return snrLastLocked(); }

#define SV_STAT(type, name) \
    type SVNetwork::name() const { Guard g(m_lock); return m_stats.name; }
SV_STAT(quint64, rssiCount)
SV_STAT(quint64, noiseCount)
SV_STAT(quint64, snrCount)
SV_STAT(qint64, rssiAcc)
SV_STAT(qint64, noiseAcc)
SV_STAT(qint64, snrAcc)
SV_STAT(qint64, snrPercAcc)
SV_STAT(qint64, rssiAvg)
SV_STAT(qint64, rssiMin)
SV_STAT(qint64, rssiMax)
SV_STAT(qint64, noiseAvg)
SV_STAT(qint64, noiseMin)
SV_STAT(qint64, noiseMax)
SV_STAT(qint64, snr)
SV_STAT(qint64, snrAvg)
SV_STAT(qint64, snrMin)
SV_STAT(qint64, snrMax)
SV_STAT(qint64, snrPerc)
SV_STAT(qint64, snrPercAvg)
SV_STAT(qint64, snrPercMin)
SV_STAT(qint64, snrPercMax)
#undef SV_STAT

#define SV_DIGEST(type, name) \
    type SVNetwork::name() const { Guard g(m_lock); return m_digest.name; }
SV_DIGEST(qint64, channelWidth)
SV_DIGEST(qint64, secondaryChannelOffset)
SV_DIGEST(quint64, streams)
SV_DIGEST(std::vector<double>, rates)
SV_DIGEST(float, minBasicRate)
SV_DIGEST(float, maxBasicRate)
SV_DIGEST(qint64, cipherType)
SV_DIGEST(bool, wpsEnabled)
SV_DIGEST(bool, wpsConfigured)
SV_DIGEST(bool, wpsLocked)
SV_DIGEST(qint64, stationCount)
SV_DIGEST(qint64, channelUtilization)
SV_DIGEST(qint64, channelUtilizationMax)
SV_DIGEST(qint64, htProtection)
SV_DIGEST(qint64, fastBssTransition)
SV_DIGEST(qint64, ccxDTPC)
SV_DIGEST(QString, ccxClientMFP)
SV_DIGEST(QString, countryCode)
SV_DIGEST(QStringList, amendments)
#undef SV_DIGEST

qint64 SVNetwork::phyModeFlags() const { Guard g(m_lock); return m_digest.phyMode; }
qint64 SVNetwork::securityModeCode() const { Guard g(m_lock); return m_digest.securityMode; }

void SVNetwork::setSecondaryChannelOffset(qint64 offset)
{
    Guard g(m_lock);
    m_digest.secondaryChannelOffset = offset;
    m_digestEdited = true;
}

void SVNetwork::setRates(const std::vector<double>& rates)
{
    Guard g(m_lock);
    m_digest.rates = rates;
    m_digestEdited = true;
}

void SVNetwork::setAmendments(const QStringList& amendments)
{
    Guard g(m_lock);
    m_digest.amendments = amendments;
    m_digestEdited = true;
}

// ---- identity texts ----

QString SVNetwork::bssidLocked() const
{
    if (!m_bssidCached) {
        m_bssid = sv::normalizedBssid(m_network.value(kBssid).toString());
        m_bssidNumber = sv::parsedBssid(m_bssid);
        m_bssidCached = true;
    }
    return m_bssid;
}

QString SVNetwork::bssid() const { Guard g(m_lock); return bssidLocked(); }

std::optional<quint64> SVNetwork::bssidNumber() const
{
    Guard g(m_lock);
    if (!m_bssidCached)
        bssidLocked();
    return m_bssidNumber;
}

QString SVNetwork::ssidLocked() const
{
    if (!m_digest.ssid.isEmpty())
        return m_digest.ssid;
    return m_scanSsid.isEmpty() ? m_hiddenSSID : m_scanSsid;
}

QString SVNetwork::ssid() const { Guard g(m_lock); return ssidLocked(); }

bool SVNetwork::isHidden() const
{
    Guard g(m_lock);
    return m_digest.ssid.isEmpty() && !m_hasScanSsid;
}

QString SVNetwork::hiddenSSID() const { Guard g(m_lock); return m_hiddenSSID; }
void SVNetwork::setHiddenSSID(const QString& text) { Guard g(m_lock); m_hiddenSSID = text; }

QString SVNetwork::vendorLocked() const
{
    if (!m_vendor.isEmpty())
        return m_vendor;
    // Taken before the lookup: a database put in place meanwhile is asked next time.
    const quint64 generation = SVVendorDatabaseHelper::sharedDatabase().generation();
    if (m_vendorUnknown && m_vendorUnknownGeneration == generation)
        return m_vendor;
    m_deviceid.clear();
    m_apid.clear();
    // A malformed BSSID from a document names no vendor.
    const QString id = bssidLocked();
    if (sv::isWellFormedBssid(id))
        m_vendor = SVVendorDatabaseHelper::sharedDatabase().stringForVendor(id);
    m_vendorUnknown = m_vendor.isEmpty();
    m_vendorUnknownGeneration = generation;
    return m_vendor;
}

QString SVNetwork::vendor() const { Guard g(m_lock); return vendorLocked(); }

QString SVNetwork::deviceidLocked() const
{
    // First: a vendor found since clears the texts made without it.
    const bool known = !vendorLocked().isEmpty();
    if (!m_deviceid.isEmpty())
        return m_deviceid;
    const QString id = bssidLocked();
    m_deviceid = known ? SVVendorDatabaseHelper::sharedDatabase().shortStringForVendor(id) + id.mid(8) : id;
    return m_deviceid;
}

QString SVNetwork::deviceid() const { Guard g(m_lock); return deviceidLocked(); }

QString SVNetwork::apid() const
{
    Guard g(m_lock);
    const QString vendor = vendorLocked(); // first, as in deviceidLocked
    if (!m_apid.isEmpty())
        return m_apid;
    const QString id = bssidLocked();
    QString a = deviceidLocked();
    const qsizetype n = a.size();
    auto mask = [&a](qsizetype i, const QString& with) {
        if (i >= 0 && i + with.size() <= a.size())
            a.replace(i, with.size(), with);
    };
    const QString hash = QStringLiteral("#");
    if (vendor.startsWith(u"Ruckus")) {
        const qsizetype colon = a.indexOf(u':');
        if (colon >= 0)
            mask(colon + 1, hash);
        mask(n - 1, hash);
    } else if (vendor.startsWith(u"Cisco Meraki") || vendor.startsWith(u"Meraki")) {
        static const QRegularExpression virtualBssid(
            QStringLiteral("02:18:[45]A|88:15:[01]4|E2:55:[67]D"));
        if (virtualBssid.match(id).hasMatch())
            mask(n - 1, hash);
    } else if (vendor.startsWith(u"Ubiquiti")) {
        mask(n - 7, hash);
    } else if (vendor.startsWith(u"Apple")) {
        mask(n - 2, QStringLiteral("##"));
    } else {
        mask(n - 1, hash);
    }
    if (vendor.startsWith(u"Apple") && sv::isWellFormedBssid(id)) {
        bool ok = false;
        const int firstOctet = id.left(2).toInt(&ok, 16);
        if (ok && (firstOctet & 0x02))
            mask(n - 5, id.mid(6, 2));
    }
    m_apid = a;
    return a;
}

QString SVNetwork::deviceName() const
{
    QString id;
    {
        Guard g(m_lock);
        if (!m_digest.deviceName.isEmpty())
            return m_digest.deviceName;
        id = bssidLocked();
    }
    // Asked outside the record's lock: the browser has a lock of its own.
    return SVNetServiceBrowser::sharedBrowser().deviceNameFor(id);
}

bool SVNetwork::hasDeviceName() const { return !deviceName().isEmpty(); }

// ---- channel ----

qint64 SVNetwork::channelLocked() const
{
    return m_digest.channel != 0 ? m_digest.channel : m_channelNumber;
}

qint64 SVNetwork::channel() const { Guard g(m_lock); return channelLocked(); }

qint64 SVNetwork::channelCenterLocked() const
{
    const qint64 primary = channelLocked();
    switch (m_digest.channelWidth) {
    case kCWChannelWidth40MHz:
        if (m_digest.secondaryChannelOffset == 1)
            return primary + 2;
        if (m_digest.secondaryChannelOffset == 3)
            return primary - 2;
        return primary;
    case kCWChannelWidth80MHz:
    case kCWChannelWidth160MHz:
        if (const Block* b = blockFor(m_digest.channelWidth, primary))
            return b->center;
        return primary;
    default:
        return primary;
    }
}

qint64 SVNetwork::channelCenter() const { Guard g(m_lock); return channelCenterLocked(); }

qint64 SVNetwork::centerFrequency() const
{
    const qint64 c = channel();
    if (in(c, 1, 13))
        return 2407 + 5 * c;
    if (c == 14)
        return 2484;
    if (in(c, 36, 165))
        return 5000 + 5 * c;
    return 0;
}

QString SVNetwork::humanReadableChannelBand() const
{
    const qint64 c = channel();
    if (!isChannelIn5GHzBand(c))
        return tr("2.4 GHz ISM");
    if (c <= 48)
        return tr("5 GHz UNII-1");
    if (c <= 99)
        return tr("5 GHz UNII-2");
    if (c <= 148)
        return tr("5 GHz UNII-2 Extended");
    return tr("5 GHz UNII-3");
}

QString SVNetwork::shortChannelBand() const
{
    return isChannelIn5GHzBand(channel()) ? tr("5 GHz") : tr("2.4 GHz");
}

QString SVNetwork::humanReadableChannelWidth() const { return channelWidthText(channelWidth()); }

QString SVNetwork::channelWidthText(qint64 code)
{
    switch (code) {
    case kCWChannelWidth20MHz: return tr("20 MHz");
    case kCWChannelWidth40MHz: return tr("40 MHz");
    case kCWChannelWidth80MHz: return tr("80 MHz");
    case kCWChannelWidth160MHz: return tr("160 MHz");
    default: return QString();
    }
}

QString SVNetwork::humanReadableChannel() const
{
    Guard g(m_lock);
    const QString number = QString::number(channelLocked());
    if (m_digest.channelWidth == kCWChannelWidth20MHz || m_digest.channelWidth == kCWChannelWidth40MHz) {
        if (m_digest.secondaryChannelOffset == 1)
            return number + QStringLiteral(",+1");
        if (m_digest.secondaryChannelOffset != 0)
            return number + QStringLiteral(",-1");
    }
    return number;
}

QString SVNetwork::ChannelRange::text() const
{
    QStringList parts;
    for (qint64 c : channels)
        parts << QString::number(c);
    return parts.join(QLatin1Char(' '));
}

QString SVNetwork::ChannelRange::html() const
{
    QStringList parts;
    for (qint64 c : channels)
        parts << (c == primary && c != 0 ? QStringLiteral("<u>%1</u>").arg(c) : QString::number(c));
    return parts.join(QLatin1Char(' '));
}

SVNetwork::ChannelRange SVNetwork::humanReadableChannelRange() const
{
    Guard g(m_lock);
    ChannelRange range;
    const qint64 primary = channelLocked();
    range.primary = primary;
    auto span = [&range](qint64 from, qint64 to) {
        for (qint64 c = from; c <= to; c += 4)
            range.channels << c;
    };
    switch (m_digest.channelWidth) {
    case kCWChannelWidthUnknown:
    case kCWChannelWidth20MHz:
        range.channels << primary;
        break;
    case kCWChannelWidth40MHz:
        if (m_digest.secondaryChannelOffset == 1)
            span(primary, primary + 4);
        else if (m_digest.secondaryChannelOffset == 3)
            span(primary - 4, primary);
        break;
    case kCWChannelWidth80MHz:
    case kCWChannelWidth160MHz:
        if (const Block* b = blockFor(m_digest.channelWidth, primary))
            span(b->first, b->last);
        break;
    default:
        break;
    }
    if (range.channels.isEmpty())
        range.channels << 0;
    return range;
}

bool SVNetwork::is2Dot4GHz() const { return in(channel(), 1, 14); }
bool SVNetwork::is5GHz() const { return in(channel(), 36, 165); }

// ---- PHY and rates ----

QString SVNetwork::phyModeText(qint64 flags)
{
    // Every row and filter pass asks: the 32 texts are made once.
    static const std::array<QString, 32> texts = [] {
        static const std::pair<qint64, const char*> letters[] = {
            {PhyA, "a"}, {PhyB, "b"}, {PhyG, "g"}, {PhyN, "n"}, {PhyAC, "ac"},
        };
        std::array<QString, 32> all;
        for (qint64 f = 0; f < 32; ++f) {
            QStringList parts;
            for (const auto& [bit, letter] : letters)
                if (f & bit)
                    parts << QLatin1String(letter);
            all[size_t(f)] = parts.join(QLatin1Char('/'));
        }
        return all;
    }();
    return texts[size_t(flags & 31)];
}

QString SVNetwork::phyMode() const { return phyModeText(phyModeFlags()); }

double SVNetwork::minRate() const
{
    Guard g(m_lock);
    return m_digest.rates.empty() ? 0.0 : std::fabs(m_digest.rates.front());
}

double SVNetwork::maxRate() const
{
    Guard g(m_lock);
    return m_digest.rates.empty() ? 0.0 : std::fabs(m_digest.rates.back());
}

QString SVNetwork::humanReadableDataRates() const { return dataRatesText(rates()); }

QString SVNetwork::dataRatesText(const std::vector<double>& rates)
{
    QStringList parts;
    for (double r : rates)
        parts << (r < 0 ? compactRate(-r) + QStringLiteral("(B)") : compactRate(r));
    return parts.join(QStringLiteral(", "));
}

QString SVNetwork::humanReadableBasicDataRates() const
{
    QStringList parts;
    for (double r : rates())
        if (r < 0)
            parts << compactRate(-r);
    return parts.join(QStringLiteral(", "));
}

QString SVNetwork::rateText(double rate)
{
    if (rate == 0)
        return QString();
    return withoutPointZero(QString::asprintf("%.1f", rate));
}

qint64 SVNetwork::estimatedMCS() const
{
    qint64 snrNow, flags, width;
    {
        Guard g(m_lock);
        snrNow = m_stats.snr;
        flags = m_digest.phyMode;
        width = m_digest.channelWidth;
    }
    if (snrNow < 1)
        return -1;
    const std::vector<int>* table = nullptr;
    if (flags & PhyAC) {
        table = width == kCWChannelWidth20MHz ? &kAc20 : width == kCWChannelWidth40MHz ? &kAc40
            : width == kCWChannelWidth80MHz ? &kAc80 : width == kCWChannelWidth160MHz ? &kAc160 : nullptr;
    } else if (flags & PhyN) {
        table = width == kCWChannelWidth20MHz ? &kN20 : width == kCWChannelWidth40MHz ? &kN40 : nullptr;
    } else if (flags & (PhyA | PhyG)) {
        table = &kOfdm;
    } else if (flags & PhyB) {
        table = &kDsss;
    }
    if (!table)
        return -1;
    const qint64 s = std::min<qint64>(snrNow, 50);
    qint64 mcs = -1;
    for (int start : *table)
        if (s >= start)
            ++mcs;
    return mcs;
}

// ---- security ----

QString SVNetwork::securityModeText(qint64 code)
{
    switch (code) {
    case SecurityNone: return tr("None");
    case SecurityWEP: return tr("WEP");
    case SecurityWPAPersonal: return tr("WPA Personal");
    case SecurityWPAWPA2Personal: return tr("WPA/WPA2 Personal");
    case SecurityWPA2Personal: return tr("WPA2 Personal");
    case SecurityDynamicWEP: return tr("Dynamic WEP");
    case SecurityWPAEnterprise: return tr("WPA Enterprise");
    case SecurityWPAWPA2Enterprise: return tr("WPA/WPA2 Enterprise");
    case SecurityWPA2Enterprise: return tr("WPA2 Enterprise");
    case SecurityWPA3Personal: return tr("WPA3 Personal");
    case SecurityWPA3Enterprise: return tr("WPA3 Enterprise");
    case SecurityWPA2WPA3Personal: return tr("WPA2/WPA3 Personal");
    case SecurityOWE: return tr("OWE");
    case SecurityOWETransition: return tr("OWE Transition");
    default: return QString();
    }
}

QString SVNetwork::shortSecurityModeText(qint64 code)
{
    switch (code) {
    case SecurityWEP: return tr("WEP");
    case SecurityWPAPersonal: return tr("WPA (PSK)");
    case SecurityWPAWPA2Personal: return tr("WPA/WPA2 (PSK)");
    case SecurityWPA2Personal: return tr("WPA2 (PSK)");
    case SecurityDynamicWEP: return tr("WEP (802.1X)");
    case SecurityWPAEnterprise: return tr("WPA (802.1X)");
    case SecurityWPAWPA2Enterprise: return tr("WPA/WPA2 (802.1X)");
    case SecurityWPA2Enterprise: return tr("WPA2 (802.1X)");
    case SecurityWPA3Personal: return tr("WPA3 (SAE)");
    case SecurityWPA3Enterprise: return tr("WPA3 (802.1X)");
    case SecurityWPA2WPA3Personal: return tr("WPA2/WPA3 (PSK/SAE)");
    case SecurityOWE: return tr("OWE");
    case SecurityOWETransition: return tr("Open/OWE");
    default: return QString();
    }
}

QString SVNetwork::securityMode() const { return securityModeText(securityModeCode()); }
QString SVNetwork::shortSecurityMode() const { return shortSecurityModeText(securityModeCode()); }

QString SVNetwork::cipher() const { return cipherText(cipherType()); }

QString SVNetwork::cipherText(qint64 cipherType)
{
    switch (cipherType) {
    case 1: return tr("WEP-40");
    case 2: return tr("TKIP");
    case 4: return tr("AES");
    case 6: return tr("AES + TKIP");
    case 8: return tr("WEP-104");
    default: return tr("None");
    }
}

bool SVNetwork::isWPA() const
{
    const qint64 m = securityModeCode();
    return m == 2 || m == 3 || m == 7 || m == 8;
}
bool SVNetwork::isWPA2() const
{
    const qint64 m = securityModeCode();
    return m == 3 || m == 4 || m == 8 || m == 9 || m == SecurityWPA2WPA3Personal;
}
bool SVNetwork::isWPA3() const
{
    const qint64 m = securityModeCode();
    return m == SecurityWPA3Personal || m == SecurityWPA3Enterprise || m == SecurityWPA2WPA3Personal;
}
bool SVNetwork::isSAE() const
{
    const qint64 m = securityModeCode();
    return m == SecurityWPA3Personal || m == SecurityWPA2WPA3Personal;
}
bool SVNetwork::isOWE() const
{
    const qint64 m = securityModeCode();
    return m == SecurityOWE || m == SecurityOWETransition;
}
bool SVNetwork::isWEP() const { return securityModeCode() == 1; }
bool SVNetwork::isPSK() const
{
    const qint64 m = securityModeCode();
    return m == 2 || m == 3 || m == 4 || m == SecurityWPA2WPA3Personal;
}
bool SVNetwork::is80211X() const
{
    const qint64 m = securityModeCode();
    return m == 7 || m == 8 || m == 9 || m == SecurityWPA3Enterprise;
}
bool SVNetwork::isOpen() const
{
    // The open half of an OWE transition pair still takes stations without
    // encryption, as it did before it had a name of its own.
    const qint64 m = securityModeCode();
    return m == 0 || m == UnknownSecurityMode || m == SecurityOWETransition;
}

// ---- load, protection, roaming ----

QString SVNetwork::humanReadableHtProtection() const { return htProtectionText(htProtection()); }

QString SVNetwork::htProtectionText(qint64 htProtection)
{
    switch (htProtection) {
    case 0: return tr("None");
    case 1: return tr("Non Member");
    case 2: return tr("20 MHz");
    case 3: return tr("Non-HT Mixed");
    default: return QString();
    }
}

QString SVNetwork::humanReadableFastBssTransition() const { return fastBssTransitionText(fastBssTransition()); }

QString SVNetwork::fastBssTransitionText(qint64 fastBssTransition)
{
    switch (fastBssTransition) {
    case 0: return tr("OTA");
    case 1: return tr("OTD");
    case 2: return tr("OTA (Adaptive)");
    case 3: return tr("OTD (Adaptive)");
    default: return QString();
    }
}

// ---- dictionary values ----

double SVNetwork::beaconInterval() const
{
    Guard g(m_lock);
    return m_network.value(kBeaconInterval).toDouble() * 1.024;
}

bool SVNetwork::isAdHoc() const
{
    Guard g(m_lock);
    return m_ibss;
}

QString SVNetwork::networkType() const
{
    return isAdHoc() ? tr("Ad-Hoc") : tr("Infrastructure");
}

std::vector<std::shared_ptr<SVInfoElement>> SVNetwork::informationElements() const
{
    QByteArray data;
    {
        Guard g(m_lock);
        data = m_network.value(kElements).toByteArray();
    }
    return splitInformationElements(data);
}

qint64 SVNetwork::informationElementsLength() const
{
    Guard g(m_lock);
    return m_network.value(kElements).toByteArray().size();
}

// ---- annotations ----

QString SVNetwork::annotationsLocked() const
{
    if (!m_annotations)
        m_annotations = SVAnnotationsHelper::sharedAnnotations().annotationsForNetwork(bssidLocked());
    return *m_annotations;
}

QString SVNetwork::annotations() const { Guard g(m_lock); return annotationsLocked(); }

void SVNetwork::setAnnotations(const QString& annotations)
{
    Guard g(m_lock);
    auto& store = SVAnnotationsHelper::sharedAnnotations();
    store.setAnnotationsForNetwork(bssidLocked(), annotations);
    store.saveToDiskInBackground();
    m_annotations.reset();
}

void SVNetwork::annotationsDidChange()
{
    Guard g(m_lock);
    m_annotations.reset();
}

bool SVNetwork::hasAnnotations() const { return !annotations().isEmpty(); }

// ---- time and display ----

QDateTime SVNetwork::lastSeen() const { Guard g(m_lock); return m_lastSeen; }
void SVNetwork::setLastSeen(const QDateTime& date) { Guard g(m_lock); m_lastSeen = date; }
double SVNetwork::lastSeenElapsedSeconds() const { Guard g(m_lock); return m_lastSeenElapsedSeconds; }
void SVNetwork::setLastSeenElapsedSeconds(double seconds) { Guard g(m_lock); m_lastSeenElapsedSeconds = seconds; }
QColor SVNetwork::color() const { Guard g(m_lock); return m_color; }
void SVNetwork::setColor(const QColor& color) { Guard g(m_lock); m_color = color; }
bool SVNetwork::userHidden() const { Guard g(m_lock); return m_userHidden; }
void SVNetwork::setUserHidden(bool hidden) { Guard g(m_lock); m_userHidden = hidden; }
bool SVNetwork::userHighlighted() const { Guard g(m_lock); return m_userHighlighted; }
void SVNetwork::setUserHighlighted(bool highlighted) { Guard g(m_lock); m_userHighlighted = highlighted; }
bool SVNetwork::associated() const { Guard g(m_lock); return m_associated; }
void SVNetwork::setAssociated(bool associated) { Guard g(m_lock); m_associated = associated; }

std::shared_ptr<SVNetworkCollection> SVNetwork::parentCollection() const
{
    Guard g(m_lock);
    return m_parentCollection.lock();
}

void SVNetwork::setParentCollection(const std::weak_ptr<SVNetworkCollection>& collection)
{
    Guard g(m_lock);
    m_parentCollection = collection;
}

// ---- row values ----

std::shared_ptr<SVNetwork> SVNetwork::bestNetwork() const
{
    return std::const_pointer_cast<SVNetwork>(weak_from_this().lock());
}

QString SVNetwork::bssidValue() const { return bssid(); }
QString SVNetwork::ssidValue() const { return ssid(); }
qint64 SVNetwork::rssiValue() const { return rssiLast(); }
qint64 SVNetwork::rssiAvgValue() const { return rssiAvg(); }
qint64 SVNetwork::rssiMinValue() const { return rssiMin(); }
qint64 SVNetwork::rssiMaxValue() const { return rssiMax(); }
qint64 SVNetwork::noiseValue() const { return noiseLast(); }
qint64 SVNetwork::noiseAvgValue() const { return noiseAvg(); }
qint64 SVNetwork::noiseMinValue() const { return noiseMin(); }
qint64 SVNetwork::noiseMaxValue() const { return noiseMax(); }
qint64 SVNetwork::snrValue() const { return snrLast(); }
qint64 SVNetwork::snrAvgValue() const { return snrAvg(); }
qint64 SVNetwork::snrMinValue() const { return snrMin(); }
qint64 SVNetwork::snrMaxValue() const { return snrMax(); }
QString SVNetwork::channelValue() const { return QString::number(channel()); }
QString SVNetwork::vendorValue() const { return vendor(); }
QString SVNetwork::securityValue() const { return shortSecurityMode(); }

QString SVNetwork::wpsValue() const
{
    Guard g(m_lock);
    if (!m_digest.wpsEnabled)
        return QString();
    if (m_digest.wpsLocked)
        return tr("Locked");
    return m_digest.wpsConfigured ? tr("Configured") : tr("Not Configured");
}

QString SVNetwork::channelBandValue() const { return shortChannelBand(); }
QString SVNetwork::channelWidthValue() const { return humanReadableChannelWidth(); }
QString SVNetwork::channelCenterValue() const { return QString::number(channelCenter()); }
QString SVNetwork::phyModeValue() const { return phyMode(); }
QString SVNetwork::minRateValue() const { return rateText(minRate()); }
QString SVNetwork::maxRateValue() const { return rateText(maxRate()); }
QString SVNetwork::networkTypeValue() const { return networkType(); }
std::optional<double> SVNetwork::lastSeenElapsedSecondsValue() const { return lastSeenElapsedSeconds(); }

QDateTime SVNetwork::firstSeenValue() const
{
    const auto first = firstDataPoint();
    return first ? first->timestamp() : QDateTime();
}

QDateTime SVNetwork::lastSeenValue() const { return lastSeen(); }
QString SVNetwork::annotationsValue() const { return annotations(); }
QString SVNetwork::countryCodeValue() const { return countryCode(); }
QString SVNetwork::streamsValue() const { return QString::number(streams()); }
QString SVNetwork::deviceNameValue() const { return deviceName(); }

QString SVNetwork::stationCountValue() const
{
    const qint64 count = stationCount();
    return count < 0 ? QString() : QString::number(count);
}

qint64 SVNetwork::channelUtilizationValue() const { return channelUtilization(); }
QString SVNetwork::htProtectionValue() const { return humanReadableHtProtection(); }
QString SVNetwork::fastBssTransitionValue() const { return humanReadableFastBssTransition(); }
QString SVNetwork::centerFrequencyValue() const { return QString::number(centerFrequency()); }

QString SVNetwork::beaconIntervalValue() const
{
    const double interval = beaconInterval();
    return interval == 0 ? QString() : QString::asprintf("%.1f", interval);
}

QString SVNetwork::basicDataRatesValue() const { return humanReadableBasicDataRates(); }

QVariant SVNetwork::valueForKey(const QString& key) const
{
    if (key == u"rssi")
        return rssi();
    if (key == u"rssiAvg")
        return rssiAvg();
    if (key == u"shortChannelBand")
        return shortChannelBand();
    return SVNetworkDelegate::valueForKey(key);
}

// ---- CSV ----

QString SVNetwork::toCSV(const QStringList& columns, bool usingPercentage) const
{
    // One consistent view of the record while another thread may update it.
    Guard g(m_lock);
    QStringList fields;
    fields.reserve(columns.size());
    for (const QString& id : columns) {
        const SVNetworkColumn* column = networkColumn(id);
        fields << (column && column->csv ? column->csv(*this, usingPercentage) : QString());
    }
    return fields.join(QLatin1Char(','));
}
