#include "model/SVNetworkDelegate.h"

#include <QHash>

#include <functional>

namespace {

using Getter = std::function<QVariant(const SVNetworkDelegate&)>;

template <typename F>
Getter wrap(F f)
{
    return [f](const SVNetworkDelegate& row) -> QVariant {
        if constexpr (std::is_same_v<decltype((row.*f)()), std::optional<double>>) {
            const auto v = (row.*f)();
            return v ? QVariant(*v) : QVariant();
        } else {
            return QVariant::fromValue((row.*f)());
        }
    };
}

const QHash<QString, Getter>& getters()
{
    using D = SVNetworkDelegate;
    static const QHash<QString, Getter> table = {
        {QStringLiteral("bssidValue"), wrap(&D::bssidValue)},
        {QStringLiteral("ssidValue"), wrap(&D::ssidValue)},
        {QStringLiteral("rssiValue"), wrap(&D::rssiValue)},
        {QStringLiteral("rssiAvgValue"), wrap(&D::rssiAvgValue)},
        {QStringLiteral("rssiMinValue"), wrap(&D::rssiMinValue)},
        {QStringLiteral("rssiMaxValue"), wrap(&D::rssiMaxValue)},
        {QStringLiteral("noiseValue"), wrap(&D::noiseValue)},
        {QStringLiteral("noiseAvgValue"), wrap(&D::noiseAvgValue)},
        {QStringLiteral("noiseMinValue"), wrap(&D::noiseMinValue)},
        {QStringLiteral("noiseMaxValue"), wrap(&D::noiseMaxValue)},
        {QStringLiteral("snrValue"), wrap(&D::snrValue)},
        {QStringLiteral("snrAvgValue"), wrap(&D::snrAvgValue)},
        {QStringLiteral("snrMinValue"), wrap(&D::snrMinValue)},
        {QStringLiteral("snrMaxValue"), wrap(&D::snrMaxValue)},
        {QStringLiteral("channelValue"), wrap(&D::channelValue)},
        {QStringLiteral("vendorValue"), wrap(&D::vendorValue)},
        {QStringLiteral("securityValue"), wrap(&D::securityValue)},
        {QStringLiteral("wpsValue"), wrap(&D::wpsValue)},
        {QStringLiteral("channelBandValue"), wrap(&D::channelBandValue)},
        {QStringLiteral("channelWidthValue"), wrap(&D::channelWidthValue)},
        {QStringLiteral("channelCenterValue"), wrap(&D::channelCenterValue)},
        {QStringLiteral("phyModeValue"), wrap(&D::phyModeValue)},
        {QStringLiteral("minRateValue"), wrap(&D::minRateValue)},
        {QStringLiteral("maxRateValue"), wrap(&D::maxRateValue)},
        {QStringLiteral("networkTypeValue"), wrap(&D::networkTypeValue)},
        {QStringLiteral("lastSeenElapsedSecondsValue"), wrap(&D::lastSeenElapsedSecondsValue)},
        {QStringLiteral("firstSeenValue"), wrap(&D::firstSeenValue)},
        {QStringLiteral("lastSeenValue"), wrap(&D::lastSeenValue)},
        {QStringLiteral("annotationsValue"), wrap(&D::annotationsValue)},
        {QStringLiteral("countryCodeValue"), wrap(&D::countryCodeValue)},
        {QStringLiteral("streamsValue"), wrap(&D::streamsValue)},
        {QStringLiteral("deviceNameValue"), wrap(&D::deviceNameValue)},
        {QStringLiteral("stationCountValue"), wrap(&D::stationCountValue)},
        {QStringLiteral("channelUtilizationValue"), wrap(&D::channelUtilizationValue)},
        {QStringLiteral("htProtectionValue"), wrap(&D::htProtectionValue)},
        {QStringLiteral("fastBssTransitionValue"), wrap(&D::fastBssTransitionValue)},
        {QStringLiteral("centerFrequencyValue"), wrap(&D::centerFrequencyValue)},
        {QStringLiteral("beaconIntervalValue"), wrap(&D::beaconIntervalValue)},
        {QStringLiteral("basicDataRatesValue"), wrap(&D::basicDataRatesValue)},
    };
    return table;
}

} // namespace

QVariant SVNetworkDelegate::valueForKey(const QString& key) const
{
    const auto it = getters().constFind(key);
    return it == getters().constEnd() ? QVariant() : (*it)(*this);
}
