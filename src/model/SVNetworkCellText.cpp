#include "model/SVNetworkCellText.h"

#include "model/SVNetwork.h"
#include "model/SVNetworkDelegate.h"
#include "model/SVSignalQuality.h"
#include "platform/NSDateFormattedStrings.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>

#include <cmath>
#include <functional>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SVNetworkCellText", text);
}

QString suffixed(const QString& value, const QString& unit)
{
    return value.isEmpty() ? QString() : QStringLiteral("%1 %2").arg(value, unit);
}

using Text = std::function<QString(const SVNetworkDelegate&, const SVNetworkCellContext&)>;

template <typename F>
Text level(F accessor)
{
    return [accessor](const SVNetworkDelegate& r, const SVNetworkCellContext& c) {
        return levelText((r.*accessor)(), c.units);
    };
}

template <typename F>
Text snr(F accessor)
{
    return [accessor](const SVNetworkDelegate& r, const SVNetworkCellContext&) {
        return QStringLiteral("%1 dB").arg((r.*accessor)());
    };
}

template <typename F>
Text plain(F accessor)
{
    return [accessor](const SVNetworkDelegate& r, const SVNetworkCellContext&) { return (r.*accessor)(); };
}

bool inLatestScan(const SVNetworkDelegate& row)
{
    const std::shared_ptr<SVNetwork> best = row.bestNetwork();
    return (best ? best->rssi() : row.rssiValue()) != SVNetwork::NoSignal;
}

const QHash<QString, Text>& texts()
{
    using D = SVNetworkDelegate;
    using C = SVNetworkCellContext;
    static const QHash<QString, Text> table = {
        {"BSSID", plain(&D::bssidValue)},
        {"SSID", plain(&D::ssidValue)},
        {"RSSI", level(&D::rssiValue)},
        {"RSSI_AVG", level(&D::rssiAvgValue)},
        {"RSSI_MIN", level(&D::rssiMinValue)},
        {"RSSI_MAX", level(&D::rssiMaxValue)},
        {"NOISE", level(&D::noiseValue)},
        {"NOISE_AVG", level(&D::noiseAvgValue)},
        {"NOISE_MIN", level(&D::noiseMinValue)},
        {"NOISE_MAX", level(&D::noiseMaxValue)},
        {"SNR", snr(&D::snrValue)},
        {"SNR_AVG", snr(&D::snrAvgValue)},
        {"SNR_MIN", snr(&D::snrMinValue)},
        {"SNR_MAX", snr(&D::snrMaxValue)},
        {"CHANNEL", plain(&D::channelValue)},
        {"VENDOR", plain(&D::vendorValue)},
        {"SECURITY_MODE", plain(&D::securityValue)},
        {"WPS", plain(&D::wpsValue)},
        {"CHANNEL_BAND", plain(&D::channelBandValue)},
        {"CHANNEL_WIDTH", plain(&D::channelWidthValue)},
        {"CHANNEL_CENTER", plain(&D::channelCenterValue)},
        {"PHY_MODE", plain(&D::phyModeValue)},
        {"MIN_RATE", [](const D& r, const C&) { return suffixed(r.minRateValue(), QStringLiteral("Mbps")); }},
        {"MAX_RATE", [](const D& r, const C&) { return suffixed(r.maxRateValue(), QStringLiteral("Mbps")); }},
        {"NETWORK_TYPE", plain(&D::networkTypeValue)},
        {"FIRST_SEEN", [](const D& r, const C&) { return seenDateText(r.firstSeenValue()); }},
        {"LAST_SEEN", [](const D& r, const C&) { return seenDateText(r.lastSeenValue()); }},
        {"SEEN",
         [](const D& r, const C& c) {
             return seenText(r.lastSeenElapsedSecondsValue(), inLatestScan(r), c.scanning, r.lastSeenValue());
         }},
        {"ANNOTATIONS", plain(&D::annotationsValue)},
        {"CC", plain(&D::countryCodeValue)},
        {"STREAMS",
         [](const D& r, const C&) {
             const QString s = r.streamsValue();
             return s == QLatin1String("0") ? QString() : s;
         }},
        {"DEVICE_NAME", plain(&D::deviceNameValue)},
        {"STATION_COUNT", plain(&D::stationCountValue)},
        {"CHANNEL_UTILIZATION",
         [](const D& r, const C&) {
             const qint64 u = r.channelUtilizationValue();
             return u < 0 ? QString() : QStringLiteral("%1%").arg(u);
         }},
        {"HT_PROTECTION", plain(&D::htProtectionValue)},
        {"FAST_BSS_TRANSITION", plain(&D::fastBssTransitionValue)},
        {"CENTER_FREQUENCY",
         [](const D& r, const C&) { return suffixed(r.centerFrequencyValue(), QStringLiteral("MHz")); }},
        {"BEACON_INT", [](const D& r, const C&) { return suffixed(r.beaconIntervalValue(), QStringLiteral("ms")); }},
        {"BASIC_RATES", [](const D& r, const C&) { return suffixed(r.basicDataRatesValue(), tr("Mbps")); }},
    };
    return table;
}

} // namespace

QString networkCellText(const SVNetworkDelegate& row, const QString& identifier, const SVNetworkCellContext& context)
{
    const auto it = texts().constFind(identifier);
    return it == texts().constEnd() ? QString() : (*it)(row, context);
}

QString levelText(qint64 dBm, int units)
{
    if (units != 0)
        return QString::number(dBm);
    return QStringLiteral("%1%").arg(sv::signalQualityPercent(dBm));
}

QString seenText(std::optional<double> elapsedSeconds, bool inLatestScan, bool scanning, const QDateTime& lastSeen)
{
    if (!scanning) {
        if (!lastSeen.isValid())
            return QString();
        const QLocale locale;
        const QDateTime local = lastSeen.toLocalTime();
        return locale.toString(local.date(), QStringLiteral("MMM d, yyyy")) + QStringLiteral(", ")
               + locale.toString(local.time(), QStringLiteral("h:mm:ss AP"));
    }
    if (!elapsedSeconds)
        return QString();
    const qint64 e = qint64(std::floor(*elapsedSeconds + 0.5));
    if (e <= 0 && inLatestScan)
        return tr("Just now");
    const qint64 t = std::max<qint64>(e / 5 * 5, 2);
    if (t <= 58)
        return tr("%1 sec ago").arg(t);
    if (t <= 3598)
        return tr("%1 min ago").arg(t / 60);
    return tr("%1 hours ago").arg(t / 3600);
}

QString seenDateText(const QDateTime& date)
{
    return sv::timeStringWithFormat(date, QStringLiteral("yyyy/MM/dd hh:mm:ss a"));
}
