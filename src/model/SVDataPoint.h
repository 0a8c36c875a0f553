#pragma once

#include <QDateTime>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <limits>
#include <span>

namespace sv {
class KeyedArchiver;
class KeyedUnarchiver;
}

// One signal sample: signal and noise in dBm, channel, station count,
// channel utilisation and the time it was taken. An immutable value of 16
// bytes (a day-long survey holds millions); records keep them by value in
// contiguous storage. The time is kept to the millisecond; station counts fit
// 16 bits and utilisation a byte, and values beyond what a field holds are saturated.
class SVDataPoint {
public:
    static constexpr const char* className = "SVDataPoint";
    // Older documents archive samples under this class name.
    static constexpr const char* legacyClassName = "SkyvaneDataPoint";

    SVDataPoint() = default;

    // A sample of a live scan: RSSI below -120 reads -120; noise 0 reads -96,
    // below -120 reads -120; channel 0.
    SVDataPoint(qint64 rssi, qint64 noise, qint64 stationCount, qint64 channelUtilization,
                const QDateTime& timestamp);

    // A sample as a document holds it, not clamped (old documents give
    // channel, station count and utilisation -1). Values beyond what the
    // compact form holds are saturated (times to about 1933-2069).
    static SVDataPoint fromArchive(qint64 rssi, qint64 noise, qint64 channel, qint64 stationCount,
                                   qint64 channelUtilization, double secondsSinceReferenceDate);

    qint64 rssiValue() const { return m_rssi; }
    qint64 noiseValue() const { return m_noise; }
    qint64 channel() const { return m_channel; }
    qint64 stationCount() const { return m_stationCount; }
    qint64 chUtilization() const { return m_chUtilization; }
    QDateTime timestamp() const;
    // Seconds since 2001-01-01 00:00:00 UTC, the archived form of the time.
    double secondsSinceReferenceDate() const { return double(m_seconds) + m_msecs / 1000.0; }

    qint64 snr() const { return qint64(m_rssi) - qint64(m_noise); }
    bool hasData() const { return m_rssi != -120; }

    static double secondsSinceReferenceDate(const QDateTime& date);
    static QDateTime dateFromSecondsSinceReferenceDate(double seconds);

    // Archive form: "revision" 1, "rssiValue", "noiseValue", "channel",
    // "stationCount", "chUtilization" and the date "timestamp", written into
    // the coder's current object.
    void encodeWithCoder(sv::KeyedArchiver& coder) const;
    // Appends the samples of both parts, in order, to the coder's current
    // array, each archived as encodeWithCoder archives it.
    static void encodeArray(sv::KeyedArchiver& coder, std::span<const SVDataPoint> older,
                            std::span<const SVDataPoint> newer);
    // From the coder's current object. A sample without "revision" (old
    // documents) has channel, station count and utilisation -1.
    static SVDataPoint initWithCoder(sv::KeyedUnarchiver& coder);
    // Every sample of the array under key, oldest first, read as
    // initWithCoder reads one; elements of other classes are passed over.
    // The number of elements visited, -1 when there is no array.
    static qsizetype decodeArray(sv::KeyedUnarchiver& coder, QAnyStringView key,
                                 const std::function<void(const SVDataPoint&)>& add);
    static const QStringList& archiveClassChain();
    // True for an archived object of this class or its old name.
    static bool isArchivedClass(const QStringList& classChain);

private:
    void setTime(double secondsSinceReferenceDate);

    std::int32_t m_seconds = 0;  // whole seconds since 2001-01-01 UTC, rounded down
    std::uint16_t m_msecs = 0;   // and the milliseconds after them
    std::int16_t m_rssi = -120;
    std::int16_t m_noise = -120;
    std::int16_t m_channel = 0;
    std::int16_t m_stationCount = -1;
    std::int8_t m_chUtilization = -1;
};

// Old documents name the sample class differently; it is the same value.
using SkyvaneDataPoint = SVDataPoint;
