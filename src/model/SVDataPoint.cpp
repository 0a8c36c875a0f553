#include "model/SVDataPoint.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kReferenceDateMSecs = 978307200000LL; // 2001-01-01 UTC

template <typename T>
T saturate(qint64 v)
{
    return static_cast<T>(std::clamp<qint64>(v, std::numeric_limits<T>::min(),
                                             std::numeric_limits<T>::max()));
}

} // namespace

static_assert(sizeof(SVDataPoint) <= 16, "a sample must stay compact");

SVDataPoint::SVDataPoint(qint64 rssi, qint64 noise, qint64 stationCount, qint64 channelUtilization,
                         const QDateTime& timestamp)
    : m_rssi(saturate<std::int16_t>(rssi < -120 ? -120 : rssi)),
      m_noise(saturate<std::int16_t>(noise == 0 ? -96 : (noise < -120 ? -120 : noise))),
      m_channel(0),
      m_stationCount(saturate<std::int16_t>(stationCount)),
      m_chUtilization(saturate<std::int8_t>(channelUtilization))
{
    setTime(secondsSinceReferenceDate(timestamp));
}

void SVDataPoint::setTime(double seconds)
{
    const double ms = std::isfinite(seconds) ? std::round(seconds * 1000.0) : 0.0;
    constexpr double lowest = double(std::numeric_limits<std::int32_t>::min()) * 1000.0;
    constexpr double highest = double(std::numeric_limits<std::int32_t>::max()) * 1000.0 + 999.0;
    const qint64 total = qint64(std::clamp(ms, lowest, highest));
    const qint64 whole = total >= 0 ? total / 1000 : -((-total + 999) / 1000);
    m_seconds = std::int32_t(whole);
    m_msecs = std::uint16_t(total - whole * 1000);
}

SVDataPoint SVDataPoint::fromArchive(qint64 rssi, qint64 noise, qint64 channel, qint64 stationCount,
                                     qint64 channelUtilization, double secondsSinceReferenceDate)
{
    SVDataPoint p;
    p.setTime(secondsSinceReferenceDate);
    p.m_stationCount = saturate<std::int16_t>(stationCount);
    p.m_rssi = saturate<std::int16_t>(rssi);
    p.m_noise = saturate<std::int16_t>(noise);
    p.m_channel = saturate<std::int16_t>(channel);
    p.m_chUtilization = saturate<std::int8_t>(channelUtilization);
    return p;
}

QDateTime SVDataPoint::timestamp() const
{
    return QDateTime::fromMSecsSinceEpoch(kReferenceDateMSecs + qint64(m_seconds) * 1000 + m_msecs, Qt::UTC);
}

double SVDataPoint::secondsSinceReferenceDate(const QDateTime& date)
{
    if (!date.isValid())
        return 0;
    return double(date.toMSecsSinceEpoch() - kReferenceDateMSecs) / 1000.0;
}

QDateTime SVDataPoint::dateFromSecondsSinceReferenceDate(double seconds)
{
    const double ms = std::round(seconds * 1000.0);
    // Beyond what QDateTime holds: the reference date itself rather than garbage.
    if (!std::isfinite(ms) || std::fabs(ms) > 1e17)
        return QDateTime::fromMSecsSinceEpoch(kReferenceDateMSecs, Qt::UTC);
    return QDateTime::fromMSecsSinceEpoch(kReferenceDateMSecs + qint64(ms), Qt::UTC);
}

const QStringList& SVDataPoint::archiveClassChain()
{
    static const QStringList chain{QString::fromLatin1(className), QStringLiteral("NSObject")};
    return chain;
}

bool SVDataPoint::isArchivedClass(const QStringList& classChain)
{
    return classChain.contains(QLatin1String(className)) || classChain.contains(QLatin1String(legacyClassName));
}

void SVDataPoint::encodeWithCoder(sv::KeyedArchiver& coder) const
{
    coder.encodeInt("revision", 1);
    coder.encodeInt("rssiValue", m_rssi);
    coder.encodeInt("noiseValue", m_noise);
    coder.encodeInt("channel", m_channel);
    coder.encodeInt("stationCount", m_stationCount);
    coder.encodeInt("chUtilization", m_chUtilization);
    coder.encodeDate("timestamp", timestamp());
}

void SVDataPoint::encodeArray(sv::KeyedArchiver& coder, std::span<const SVDataPoint> older,
                              std::span<const SVDataPoint> newer)
{
    static constexpr sv::KeyedArchiver::RowKey keys[] = {
        {"revision"}, {"rssiValue"}, {"noiseValue"}, {"channel"}, {"stationCount"}, {"chUtilization"}, {"timestamp", true},
    };
    coder.appendRows(archiveClassChain(), keys, older.size() + newer.size(), [&](std::size_t i, qint64* v) {
        const SVDataPoint& p = i < older.size() ? older[i] : newer[i - older.size()];
        v[0] = 1;
        v[1] = p.m_rssi;
        v[2] = p.m_noise;
        v[3] = p.m_channel;
        v[4] = p.m_stationCount;
        v[5] = p.m_chUtilization;
        v[6] = kReferenceDateMSecs + qint64(p.m_seconds) * 1000 + p.m_msecs;
    });
}

SVDataPoint SVDataPoint::initWithCoder(sv::KeyedUnarchiver& coder)
{
    const qint64 rssi = coder.decodeInt("rssiValue");
    const qint64 noise = coder.decodeInt("noiseValue");
    qint64 channel = -1, stationCount = -1, utilization = -1;
    if (coder.decodeInt("revision") >= 1) {
        channel = coder.decodeInt("channel");
        stationCount = coder.decodeInt("stationCount");
        utilization = coder.decodeInt("chUtilization");
    }
    const QDateTime time = coder.decodeDate("timestamp");
    return fromArchive(rssi, noise, channel, stationCount, utilization,
                       time.isValid() ? secondsSinceReferenceDate(time) : 0.0);
}

qsizetype SVDataPoint::decodeArray(sv::KeyedUnarchiver& coder, QAnyStringView key,
                                   const std::function<void(const SVDataPoint&)>& add)
{
    enum Field { Rssi, Noise, Revision, Channel, StationCount, Utilization, Timestamp };
    static constexpr const char* keys[] = {"rssiValue", "noiseValue", "revision", "channel",
                                           "stationCount", "chUtilization", "timestamp"};
    quint64 knownClass = std::numeric_limits<quint64>::max();
    bool isSample = false;
    return coder.decodeArrayOfRows(key, keys, [&](sv::KeyedUnarchiver::Row& row) {
        if (row.classId() != knownClass) {
            knownClass = row.classId();
            isSample = isArchivedClass(row.classChain());
        }
        if (!isSample)
            return;
        const qint64 rssi = row.decodeInt(Rssi);
        const qint64 noise = row.decodeInt(Noise);
        qint64 channel = -1, stationCount = -1, utilization = -1;
        if (row.decodeInt(Revision) >= 1) {
            channel = row.decodeInt(Channel);
            stationCount = row.decodeInt(StationCount);
            utilization = row.decodeInt(Utilization);
        }
        const std::optional<qint64> time = row.decodeDateMSecs(Timestamp);
        add(fromArchive(rssi, noise, channel, stationCount, utilization,
                        time ? double(*time - kReferenceDateMSecs) / 1000.0 : 0.0));
    });
}
