#include "model/SVNetworkColumns.h"

#include "model/SVNetwork.h"
#include "model/SVNetworkCellText.h"
#include "model/SVNetworkDelegate.h"
#include "model/SVSignalQuality.h"
#include "platform/NSStringAdditions.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <type_traits>

namespace {

using C = SVColumnComparison;
using Cell = SVColumnCell;
using D = SVNetworkDelegate;
using Ctx = SVNetworkCellContext;
constexpr int P = kPlatformColumnWidth;
constexpr int U = kUnlimitedColumnWidth;

// ---- values, texts and CSV fields, each a plain function of a row ----

template <auto F>
QVariant value(const D& r)
{
    if constexpr (std::is_same_v<decltype((r.*F)()), std::optional<double>>) {
        const auto v = (r.*F)();
        return v ? QVariant(*v) : QVariant();
    } else {
        return QVariant::fromValue((r.*F)());
    }
}

template <auto F>
QString plain(const D& r, const Ctx&)
{
    return (r.*F)();
}

template <auto F>
QString level(const D& r, const Ctx& c)
{
    return levelText((r.*F)(), c.units);
}

// Copied levels name their unit when they are in dBm.
template <auto F>
QString copiedLevel(const D& r, const Ctx& c)
{
    const QString text = levelText((r.*F)(), c.units);
    return c.units != 0 ? QStringLiteral("%1 dBm").arg(text) : text;
}

template <auto F>
QString decibels(const D& r, const Ctx&)
{
    return QStringLiteral("%1 dB").arg((r.*F)());
}

QString suffixed(const QString& value, const QString& unit)
{
    return value.isEmpty() ? QString() : QStringLiteral("%1 %2").arg(value, unit);
}

QString none(const D&, const Ctx&)
{
    return QString();
}

bool inLatestScan(const D& row)
{
    const std::shared_ptr<SVNetwork> best = row.bestNetwork();
    return (best ? best->rssi() : row.rssiValue()) != SVNetwork::NoSignal;
}

QString seen(const D& r, const Ctx& c)
{
    return seenText(r.lastSeenElapsedSecondsValue(), inLatestScan(r), c.scanning, r.lastSeenValue());
}

QString firstSeen(const D& r, const Ctx&)
{
    return seenDateText(r.firstSeenValue());
}

QString lastSeen(const D& r, const Ctx&)
{
    return seenDateText(r.lastSeenValue());
}

QString streams(const D& r, const Ctx&)
{
    const QString s = r.streamsValue();
    return s == QLatin1String("0") ? QString() : s;
}

QString utilization(const D& r, const Ctx&)
{
    const qint64 u = r.channelUtilizationValue();
    return u < 0 ? QString() : QStringLiteral("%1%").arg(u);
}

QString minRate(const D& r, const Ctx&) { return suffixed(r.minRateValue(), QStringLiteral("Mbps")); }
QString maxRate(const D& r, const Ctx&) { return suffixed(r.maxRateValue(), QStringLiteral("Mbps")); }
QString centerFrequency(const D& r, const Ctx&) { return suffixed(r.centerFrequencyValue(), QStringLiteral("MHz")); }
QString beaconInterval(const D& r, const Ctx&) { return suffixed(r.beaconIntervalValue(), QStringLiteral("ms")); }
QString basicRates(const D& r, const Ctx&)
{
    return suffixed(r.basicDataRatesValue(), QCoreApplication::translate("SVNetworkCellText", "Mbps"));
}

QString csvLevel(qint64 dBm, bool usingPercentage)
{
    return QString::number(usingPercentage ? sv::signalQualityPercent(dBm) : dBm);
}

template <auto F>
QString csvText(const SVNetwork& n, bool)
{
    return (n.*F)();
}

// Text others chose (names, notes, a malformed BSSID from a document, a
// country code from a beacon) is quoted and guarded.
template <auto F>
QString csvQuoted(const SVNetwork& n, bool)
{
    return sv::stringByAddingQuotationMarksForCSV((n.*F)());
}

// The current level, none for a record without a sample with data.
template <auto F>
QString csvCurrentLevel(const SVNetwork& n, bool usingPercentage)
{
    return n.rssiValue() == SVNetwork::NoSignal ? QString() : csvLevel((n.*F)(), usingPercentage);
}

QString csvCurrentSnr(const SVNetwork& n, bool)
{
    return n.rssiValue() == SVNetwork::NoSignal ? QString() : QString::number(n.snrValue());
}

// Statistics of a record that never heard a signal are not numbers.
template <auto F>
QString csvStatistic(const SVNetwork& n, bool usingPercentage)
{
    return n.rssiCount() > 0 ? csvLevel((n.*F)(), usingPercentage) : QString();
}

template <auto F>
QString csvDecibels(const SVNetwork& n, bool)
{
    return n.rssiCount() > 0 ? QString::number((n.*F)()) : QString();
}

QString csvFirstSeen(const SVNetwork& n, bool) { return seenDateText(n.firstSeenValue()); }
QString csvLastSeen(const SVNetwork& n, bool) { return seenDateText(n.lastSeen()); }

QString csvUtilization(const SVNetwork& n, bool)
{
    const qint64 u = n.channelUtilization();
    return u < 0 ? QString() : QString::number(u);
}

QString csvBasicRates(const SVNetwork& n, bool)
{
    return sv::stringByAddingQuotationMarksForCSV(QString(n.basicDataRatesValue()).remove(QStringLiteral(".0")));
}

using Value = QVariant (*)(const D&);
using Text = QString (*)(const D&, const Ctx&);
using Csv = QString (*)(const SVNetwork&, bool);

struct Rows {
    Value value;
    Text text;
    Text copy; // null: the cell's text
    Csv csv;   // null: an empty field
};

SVNetworkColumn col(const char* id, const char* key, C cmp, bool shown, int width, int minW, int maxW, Cell cell,
                    bool right, const char* title, Rows rows, const char* description, bool editable = false,
                    bool truncates = false)
{
    return {QString::fromLatin1(id), QString::fromLatin1(key), cmp, shown, width, minW, maxW, cell, right, editable,
            truncates, QString::fromLatin1(title), QString::fromLatin1(description), rows.value, rows.text,
            rows.copy ? rows.copy : rows.text, rows.csv};
}

// The level columns: value, cell, copy and CSV of one row accessor.
template <auto F, auto Field>
Rows levelRows()
{
    return {value<F>, level<F>, copiedLevel<F>, Field};
}

template <auto F, auto Field>
Rows snrRows()
{
    return {value<F>, decibels<F>, nullptr, Field};
}

template <auto F, auto Field>
Rows textRows(Text text = plain<F>)
{
    return {value<F>, text, nullptr, Field};
}

const std::array<SVNetworkColumn, 40>& table()
{
    using N = SVNetwork;
    static const std::array<SVNetworkColumn, 40> t = {{
        col("IS_USER_HIDDEN", "", C::None, true, 4, 4, 4, Cell::Default, false, "", {nullptr, none, nullptr, nullptr},
            ""),
        // Wide enough for "AA:BB:CC:DD:EE:FF" in the default font.
        col("BSSID", "bssidValue", C::LocalizedStandard, true, 150, 0, U, Cell::Default, false, "BSSID",
            textRows<&D::bssidValue, csvQuoted<&N::bssidValue>>(),
            "The hardware address of the access point's radio for this network (BSSID)."),
        col("SSID", "ssidValue", C::LocalizedStandard, true, 160, 40, U, Cell::TextAndImage, false, "SSID",
            textRows<&D::ssidValue, csvQuoted<&N::ssidValue>>(), "The network name the access point announces.",
            false, true),
        col("BEACON_INT", "beaconIntervalValue", C::LocalizedStandard, false, 110, 40, U, Cell::Default, true,
            "Beacon Interval", textRows<&D::beaconIntervalValue, csvText<&N::beaconIntervalValue>>(beaconInterval),
            "The time between two beacons of the access point, in milliseconds."),
        col("DEVICE_NAME", "deviceNameValue", C::CaseInsensitive, false, 120, 40, U, Cell::Default, false,
            "Device Name", textRows<&D::deviceNameValue, csvQuoted<&N::deviceNameValue>>(),
            "Your name for the access point, or the base-station name it announces."),
        col("VENDOR", "vendorValue", C::CaseInsensitive, true, 160, 40, U, Cell::Default, false, "Vendor",
            textRows<&D::vendorValue, csvQuoted<&N::vendorValue>>(),
            "The maker of the access point, looked up by the first three octets of its BSSID."),
        col("ANNOTATIONS", "annotationsValue", C::CaseInsensitive, false, P, 40, U, Cell::Default, false,
            "Annotations", textRows<&D::annotationsValue, csvQuoted<&N::annotationsValue>>(),
            "Your own note on the access point, kept for its BSSID.", true, true),
        col("RSSI", "rssiValue", C::Compare, true, 135, 60, U, Cell::LevelIndicator, false, "Signal",
            levelRows<&D::rssiValue, csvCurrentLevel<&N::rssiValue>>(),
            "The signal level of the latest scan that heard the network."),
        col("RSSI_AVG", "rssiAvgValue", C::Compare, false, P, 40, U, Cell::Default, false, "Signal Avg",
            levelRows<&D::rssiAvgValue, csvStatistic<&N::rssiAvgValue>>(),
            "The average signal level of every scan that heard the network."),
        col("RSSI_MIN", "rssiMinValue", C::Compare, false, P, 40, U, Cell::Default, false, "Signal Min",
            levelRows<&D::rssiMinValue, csvStatistic<&N::rssiMinValue>>(), "The weakest signal level heard."),
        col("RSSI_MAX", "rssiMaxValue", C::Compare, false, P, 40, U, Cell::Default, false, "Signal Max",
            levelRows<&D::rssiMaxValue, csvStatistic<&N::rssiMaxValue>>(), "The strongest signal level heard."),
        col("NOISE", "noiseValue", C::Compare, false, P, 60, U, Cell::LevelIndicator, false, "Noise",
            levelRows<&D::noiseValue, csvCurrentLevel<&N::noiseValue>>(),
            "The noise level of the latest scan that heard the network."),
        col("NOISE_AVG", "noiseAvgValue", C::Compare, false, P, 40, U, Cell::Default, false, "Noise Avg",
            levelRows<&D::noiseAvgValue, csvStatistic<&N::noiseAvgValue>>(),
            "The average noise level of every scan that heard the network."),
        col("NOISE_MIN", "noiseMinValue", C::Compare, false, P, 40, U, Cell::Default, false, "Noise Min",
            levelRows<&D::noiseMinValue, csvStatistic<&N::noiseMinValue>>(), "The lowest noise level heard."),
        col("NOISE_MAX", "noiseMaxValue", C::Compare, false, P, 40, U, Cell::Default, false, "Noise Max",
            levelRows<&D::noiseMaxValue, csvStatistic<&N::noiseMaxValue>>(), "The highest noise level heard."),
        col("SNR", "snrValue", C::Compare, false, P, 75, U, Cell::LevelIndicator, false, "SNR",
            snrRows<&D::snrValue, csvCurrentSnr>(),
            "The signal-to-noise ratio of the latest scan that heard the network, in dB."),
        col("SNR_AVG", "snrAvgValue", C::Compare, false, P, 40, U, Cell::Default, false, "SNR Avg",
            snrRows<&D::snrAvgValue, csvDecibels<&N::snrAvgValue>>(),
            "The average signal-to-noise ratio of every scan that heard the network, in dB."),
        col("SNR_MIN", "snrMinValue", C::Compare, false, P, 40, U, Cell::Default, false, "SNR Min",
            snrRows<&D::snrMinValue, csvDecibels<&N::snrMinValue>>(), "The lowest signal-to-noise ratio, in dB."),
        col("SNR_MAX", "snrMaxValue", C::Compare, false, P, 40, U, Cell::Default, false, "SNR Max",
            snrRows<&D::snrMaxValue, csvDecibels<&N::snrMaxValue>>(), "The highest signal-to-noise ratio, in dB."),
        col("CHANNEL", "channelValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, true, "Channel",
            textRows<&D::channelValue, csvText<&N::channelValue>>(), "The primary channel of the network."),
        col("CENTER_FREQUENCY", "centerFrequencyValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true,
            "Center Frequency", textRows<&D::centerFrequencyValue, csvText<&N::centerFrequencyValue>>(centerFrequency),
            "The centre frequency of the network's whole channel, in MHz."),
        col("CHANNEL_CENTER", "channelCenterValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true,
            "Center Channel", textRows<&D::channelCenterValue, csvText<&N::channelCenterValue>>(),
            "The channel number at the centre of the network's whole channel."),
        col("CHANNEL_WIDTH", "channelWidthValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, true, "Width",
            textRows<&D::channelWidthValue, csvText<&N::channelWidthValue>>(),
            "The width of the network's channel: 20, 40, 80 or 160 MHz."),
        col("CHANNEL_BAND", "channelBandValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, true, "Band",
            textRows<&D::channelBandValue, csvQuoted<&N::channelBandValue>>(),
            "The frequency band of the channel: 2.4 GHz or 5 GHz."),
        col("STREAMS", "streamsValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true, "Streams",
            textRows<&D::streamsValue, csvText<&N::streamsValue>>(streams),
            "The number of spatial streams the access point supports."),
        col("STATION_COUNT", "stationCountValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true,
            "Stations", textRows<&D::stationCountValue, csvText<&N::stationCountValue>>(),
            "The number of stations associated with the access point, as it announces."),
        col("CHANNEL_UTILIZATION", "channelUtilizationValue", C::Compare, false, 125, 60, U, Cell::LevelIndicator,
            false, "Channel Utilization", textRows<&D::channelUtilizationValue, csvUtilization>(utilization),
            "How busy the channel is, in percent, as the access point announces."),
        col("PHY_MODE", "phyModeValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, false, "Mode",
            textRows<&D::phyModeValue, csvText<&N::phyModeValue>>(),
            "The 802.11 standards the access point supports (a, b, g, n, ac)."),
        col("HT_PROTECTION", "htProtectionValue", C::CaseInsensitive, false, P, 40, U, Cell::Default, false,
            "HT Protection", textRows<&D::htProtectionValue, csvText<&N::htProtectionValue>>(),
            "The protection the access point asks of high-throughput (802.11n) stations."),
        col("FAST_BSS_TRANSITION", "fastBssTransitionValue", C::CaseInsensitive, false, P, 40, U, Cell::Default,
            false, "Fast Transition", textRows<&D::fastBssTransitionValue, csvText<&N::fastBssTransitionValue>>(),
            "How stations roam to the access point by fast BSS transition (802.11r)."),
        col("CC", "countryCodeValue", C::CaseInsensitive, false, P, 40, U, Cell::Default, false, "Country Code",
            textRows<&D::countryCodeValue, csvQuoted<&N::countryCodeValue>>(),
            "The country code the access point announces."),
        col("BASIC_RATES", "basicDataRatesValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, false,
            "Basic Rates", textRows<&D::basicDataRatesValue, csvBasicRates>(basicRates),
            "The data rates every station must support to join, in Mbps."),
        col("MIN_RATE", "minRateValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, true, "Min Rate",
            textRows<&D::minRateValue, csvText<&N::minRateValue>>(minRate),
            "The lowest data rate the access point supports, in Mbps."),
        col("MAX_RATE", "maxRateValue", C::LocalizedStandard, true, P, 40, U, Cell::Default, true, "Max Rate",
            textRows<&D::maxRateValue, csvText<&N::maxRateValue>>(maxRate),
            "The highest data rate the access point supports, in Mbps."),
        col("SECURITY_MODE", "securityValue", C::CaseInsensitive, true, P, 40, U, Cell::Default, false, "Security",
            textRows<&D::securityValue, csvText<&N::securityValue>>(),
            "The security the network asks of stations that join it."),
        col("WPS", "wpsValue", C::LocalizedStandard, false, P, 40, U, Cell::Default, false, "WPS",
            textRows<&D::wpsValue, csvText<&N::wpsValue>>(),
            "Whether the access point offers Wi-Fi Protected Setup, and in which state."),
        col("NETWORK_TYPE", "networkTypeValue", C::CaseInsensitive, false, P, 40, U, Cell::Default, false, "Type",
            textRows<&D::networkTypeValue, csvText<&N::networkTypeValue>>(),
            "Whether the network is an infrastructure network or an ad-hoc network."),
        col("FIRST_SEEN", "firstSeenValue", C::Compare, false, 130, 40, U, Cell::Default, false, "First Seen",
            textRows<&D::firstSeenValue, csvFirstSeen>(firstSeen), "When the network was first heard."),
        col("LAST_SEEN", "lastSeenValue", C::Compare, false, 130, 40, U, Cell::Default, false, "Last Seen",
            textRows<&D::lastSeenValue, csvLastSeen>(lastSeen), "When the network was last heard."),
        // Copied, the time it was last heard, whether or not a scan is running.
        col("SEEN", "lastSeenElapsedSecondsValue", C::Compare, true, 130, 40, U, Cell::Default, false, "Seen",
            {value<&D::lastSeenElapsedSecondsValue>, seen, lastSeen, nullptr},
            "How long ago the network was last heard (the time itself while not scanning)."),
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

const QHash<QString, const SVNetworkColumn*>& bySortKey()
{
    static const QHash<QString, const SVNetworkColumn*> map = [] {
        QHash<QString, const SVNetworkColumn*> m;
        for (const SVNetworkColumn& c : table())
            if (!c.sortKey.isEmpty())
                m.insert(c.sortKey, &c);
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

QString networkColumnDescription(const SVNetworkColumn& column)
{
    if (column.englishDescription.isEmpty())
        return QString();
    const QString key = QStringLiteral("Desc for column %1").arg(column.identifier);
    const QString translated = QCoreApplication::translate("SVNetworkColumns", key.toUtf8().constData());
    return translated == key ? column.englishDescription : translated;
}

const SVNetworkColumn* networkColumnForSortKey(const QString& key)
{
    return bySortKey().value(key, nullptr);
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

namespace {

QVariant sortValue(const SVNetworkDelegate* row, const SVNetworkColumn* column, const QString& key)
{
    return !row ? QVariant() : column ? column->value(*row) : row->valueForKey(key);
}

// One key of whole numbers (levels, counts: the table's usual order),
// sorted as plain pairs; none when a value is anything else.
std::optional<std::vector<qsizetype>> integerOrder(std::span<const SVNetworkDelegate* const> rows,
                                                   const SVColumnSortKey& key)
{
    if (key.comparison != C::Compare)
        return std::nullopt;
    const SVNetworkColumn* column = networkColumnForSortKey(key.key);
    std::vector<std::pair<qint64, qsizetype>> pairs;
    pairs.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const QVariant v = sortValue(rows[i], column, key.key);
        if (v.typeId() != QMetaType::LongLong && v.typeId() != QMetaType::Int)
            return std::nullopt;
        pairs.emplace_back(v.toLongLong(), qsizetype(i));
    }
    if (key.ascending)
        std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    else
        std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<qsizetype> order;
    order.reserve(pairs.size());
    for (const auto& p : pairs)
        order.push_back(p.second);
    return order;
}

} // namespace

std::vector<qsizetype> sortedRowOrder(std::span<const SVNetworkDelegate* const> rows,
                                      std::span<const SVColumnSortKey> keys)
{
    if (keys.size() == 1)
        if (auto order = integerOrder(rows, keys[0]))
            return std::move(*order);
    const size_t n = rows.size();
    // Each row's values are read once, straight through the column's
    // accessor where a column has the key.
    std::vector<std::vector<SortKey>> values(keys.size());
    for (size_t k = 0; k < keys.size(); ++k) {
        const SVNetworkColumn* column = networkColumnForSortKey(keys[k].key);
        values[k].reserve(n);
        for (const SVNetworkDelegate* row : rows)
            values[k].push_back(sortKeyFor(keys[k].comparison, sortValue(row, column, keys[k].key)));
    }
    std::vector<qsizetype> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const int c = compareKeys(keys[k].comparison, values[k][size_t(a)], values[k][size_t(b)]);
            if (c != 0)
                return keys[k].ascending ? c < 0 : c > 0;
        }
        return false;
    });
    return order;
}

void sortNetworkRows(QVector<std::shared_ptr<SVNetworkDelegate>>& rows, const QString& identifier, bool ascending)
{
    const SVNetworkColumn* column = networkColumn(identifier);
    if (!column || column->sortKey.isEmpty() || rows.size() < 2)
        return;
    std::vector<const SVNetworkDelegate*> plain;
    plain.reserve(size_t(rows.size()));
    for (const auto& r : rows)
        plain.push_back(r.get());
    const SVColumnSortKey key{column->sortKey, column->comparison, ascending};
    const std::vector<qsizetype> order = sortedRowOrder(plain, std::span(&key, 1));
    QVector<std::shared_ptr<SVNetworkDelegate>> sorted;
    sorted.reserve(rows.size());
    for (qsizetype i : order)
        sorted.append(std::move(rows[i]));
    rows = std::move(sorted);
}
