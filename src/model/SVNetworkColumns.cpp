#include "model/SVNetworkColumns.h"

#include "model/SVNetworkDelegate.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>

namespace {

using C = SVColumnComparison;
using Cell = SVColumnCell;
constexpr int P = kPlatformColumnWidth;
constexpr int U = kUnlimitedColumnWidth;

SVNetworkColumn col(const char* id, const char* key, C cmp, bool shown, int width, int minW, int maxW,
                    Cell cell, bool right, const char* title, bool editable = false, bool truncates = false)
{
    return {QString::fromLatin1(id), QString::fromLatin1(key), cmp, shown, width, minW, maxW, cell,
            right, editable, truncates, QString::fromLatin1(title)};
}

const std::array<SVNetworkColumn, 40>& table()
{
    static const std::array<SVNetworkColumn, 40> t = {{
        col("IS_USER_HIDDEN", "", C::None, true, 4, 4, 4, Cell::Default, false, ""),
        // Wide enough for "AA:BB:CC:DD:EE:FF" in the default font.
        col("BSSID", "bssidValue", C::LocalizedStandard, true, 150, 0, U, Cell::Default, false, "BSSID"),
        col("SSID", "ssidValue", C::LocalizedStandard, true, 160, 40, U, Cell::TextAndImage, false, "SSID",
            false, true),
        col("BEACON_INT", "beaconIntervalValue", C::LocalizedStandard, false, 110, 40, U, Cell::Default, true,
            "Beacon Interval"),
        col("DEVICE_NAME", "deviceNameValue", C::CaseInsensitive, false, 120, 40, U, Cell::Default, false,
            "Device Name"),
        col("VENDOR", "vendorValue", C::CaseInsensitive, true, 160, 40, U, Cell::Default, false, "Vendor"),
        col("ANNOTATIONS", "annotationsValue", C::CaseInsensitive, false, P, 40, U, Cell::Default, false,
            "Annotations", true, true),
        col("RSSI", "rssiValue", C::Compare, true, 135, 60, U, Cell::LevelIndicator, false, "Signal"),
        col("RSSI_AVG", "rssiAvgValue", C::Compare, false, P, 40, U, Cell::Default, false, "Signal Avg"),
        col("RSSI_MIN", "rssiMinValue", C::Compare, false, P, 40, U, Cell::Default, false, "Signal Min"),
        col("RSSI_MAX", "rssiMaxValue", C::Compare, false, P, 40, U, Cell::Default, false, "Signal Max"),
        col("NOISE", "noiseValue", C::Compare, false, P, 60, U, Cell::LevelIndicator, false, "Noise"),
        col("NOISE_AVG", "noiseAvgValue", C::Compare, false, P, 40, U, Cell::Default, false, "Noise Avg"),
        col("NOISE_MIN", "noiseMinValue", C::Compare, false, P, 40, U, Cell::Default, false, "Noise Min"),
        col("NOISE_MAX", "noiseMaxValue", C::Compare, false, P, 40, U, Cell::Default, false, "Noise Max"),
        col("SNR", "snrValue", C::Compare, false, P, 75, U, Cell::LevelIndicator, false, "SNR"),
        col("SNR_AVG", "snrAvgValue", C::Compare, false, P, 40, U, Cell::Default, false, "SNR Avg"),
        col("SNR_MIN", "snrMinValue", C::Compare, false, P, 40, U, Cell::Default, false, "SNR Min"),
        col("SNR_MAX", "snrMaxValue", C::Compare, false, P, 40, U, Cell::Default, false, "SNR Max"),
        col("CHANNEL", "channelValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, true, "Channel"),
        col("CENTER_FREQUENCY", "centerFrequencyValue", C::LocalizedStandard, false, P, 40, U, Cell::Default,
            true, "Center Frequency"),
        col("CHANNEL_CENTER", "channelCenterValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true,
            "Center Channel"),
        col("CHANNEL_WIDTH", "channelWidthValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, true,
            "Width"),
        col("CHANNEL_BAND", "channelBandValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, true,
            "Band"),
        col("STREAMS", "streamsValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true, "Streams"),
        col("STATION_COUNT", "stationCountValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true,
            "Stations"),
        col("CHANNEL_UTILIZATION", "channelUtilizationValue", C::Compare, false, 125, 60, U,
            Cell::LevelIndicator, false, "Channel Utilization"),
        col("PHY_MODE", "phyModeValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, false, "Mode"),
        col("HT_PROTECTION", "htProtectionValue", C::CaseInsensitive, false, P, 40, U, Cell::Default, false,
            "HT Protection"),
        col("FAST_BSS_TRANSITION", "fastBssTransitionValue", C::CaseInsensitive, false, P, 40, U,
            Cell::Default, false, "Fast Transition"),
        col("CC", "countryCodeValue", C::CaseInsensitive, false, P, 40, U, Cell::Default, false,
            "Country Code"),
        col("BASIC_RATES", "basicDataRatesValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, false,
            "Basic Rates"),
        col("MIN_RATE", "minRateValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true, "Min Rate"),
        col("MAX_RATE", "maxRateValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, true, "Max Rate"),
        col("SECURITY_MODE", "securityValue", C::CaseInsensitive, true, P, 40, U, Cell::Default, false,
            "Security"),
        col("WPS", "wpsValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, false, "WPS"),
        col("NETWORK_TYPE", "networkTypeValue", C::CaseInsensitive, false, P, 40, U, Cell::Default, false,
            "Type"),
        col("FIRST_SEEN", "firstSeenValue", C::Compare, false, 130, 40, U, Cell::Default, false, "First Seen"),
        col("LAST_SEEN", "lastSeenValue", C::Compare, false, 130, 40, U, Cell::Default, false, "Last Seen"),
        col("SEEN", "lastSeenElapsedSecondsValue", C::Compare, true, 130, 40, U, Cell::Default, false, "Seen"),
    }};
    return t;
}

const QHash<QString, int>& indexes()
{
    static const QHash<QString, int> map = [] {
        QHash<QString, int> m;
        for (int i = 0; i < int(table().size()); ++i)
            m.insert(table()[size_t(i)].identifier, i);
        return m;
    }();
    return map;
}

// The locale's natural order of text, numbers inside text by value.
QCollator& standardCollator()
{
    thread_local QCollator collator = [] {
        // The C locale collates by code point and ignores numeric mode.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English);
        QCollator c(locale);
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

// Dates use an invalid value for "none".
bool present(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().isValid();
    return v.isValid();
}

int sign(qint64 v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

} // namespace

std::span<const SVNetworkColumn> networkColumns()
{
    return table();
}

int networkColumnIndex(const QString& identifier)
{
    return indexes().value(identifier, -1);
}

const SVNetworkColumn* networkColumn(const QString& identifier)
{
    const int i = networkColumnIndex(identifier);
    return i < 0 ? nullptr : &table()[size_t(i)];
}

QString networkColumnTitle(const SVNetworkColumn& column)
{
    if (column.identifier == SVColumnId::IsUserHidden)
        return QString();
    const QString key = QStringLiteral("Title for column %1").arg(column.identifier);
    const QString translated = QCoreApplication::translate("SVNetworkColumns", key.toUtf8().constData());
    return translated == key ? column.englishTitle : translated;
}

namespace {

// A row's sort value, read and prepared once per sort.
struct SortKey {
    bool present = false;
    bool isDouble = false;
    qint64 integer = 0;
    double real = 0;
    QString folded;                          // case-insensitive text
    std::optional<QCollatorSortKey> collated; // locale-aware text
};

SortKey sortKeyFor(SVColumnComparison comparison, const QVariant& v)
{
    SortKey k;
    k.present = present(v);
    if (!k.present)
        return k;
    switch (comparison) {
    case C::None:
        break;
    case C::LocalizedStandard:
        k.collated.emplace(standardCollator().sortKey(v.toString()));
        break;
    case C::CaseInsensitive:
        k.folded = v.toString().toCaseFolded();
        break;
    case C::Compare:
        if (v.typeId() == QMetaType::QDateTime) {
            k.integer = v.toDateTime().toMSecsSinceEpoch();
        } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
            k.isDouble = true;
            k.real = v.toDouble();
        } else {
            k.integer = v.toLongLong();
        }
        break;
    }
    return k;
}

int compareKeys(SVColumnComparison comparison, const SortKey& a, const SortKey& b)
{
    if (!a.present || !b.present)
        return int(a.present) - int(b.present);
    switch (comparison) {
    case C::None:
        return 0;
    case C::LocalizedStandard:
        return sign(a.collated->compare(*b.collated));
    case C::CaseInsensitive:
        return sign(a.folded.compare(b.folded));
    case C::Compare:
        if (a.isDouble || b.isDouble) {
            const double x = a.isDouble ? a.real : double(a.integer);
            const double y = b.isDouble ? b.real : double(b.integer);
            return x < y ? -1 : (y < x ? 1 : 0);
        }
        return a.integer < b.integer ? -1 : (b.integer < a.integer ? 1 : 0);
    }
    return 0;
}

} // namespace

int compareColumnValues(SVColumnComparison comparison, const QVariant& a, const QVariant& b)
{
    return compareKeys(comparison, sortKeyFor(comparison, a), sortKeyFor(comparison, b));
}

void sortNetworkRows(QVector<std::shared_ptr<SVNetworkDelegate>>& rows, const QString& identifier, bool ascending)
{
    const SVNetworkColumn* column = networkColumn(identifier);
    if (!column || column->sortKey.isEmpty() || rows.size() < 2)
        return;
    // Each row's value is read once, not once per comparison.
    const qsizetype n = rows.size();
    std::vector<SortKey> keys;
    keys.reserve(size_t(n));
    for (qsizetype i = 0; i < n; ++i)
        keys.push_back(sortKeyFor(column->comparison, rows[i] ? rows[i]->valueForKey(column->sortKey) : QVariant()));
    std::vector<qsizetype> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int c = compareKeys(column->comparison, keys[size_t(a)], keys[size_t(b)]);
        return ascending ? c < 0 : c > 0;
    });
    QVector<std::shared_ptr<SVNetworkDelegate>> sorted;
    sorted.reserve(n);
    for (qsizetype i : order)
        sorted.append(std::move(rows[i]));
    rows = std::move(sorted);
}
