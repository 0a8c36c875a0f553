#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class SVNetwork;

// The row protocol of the network table: the best record a row stands for
// and one value per column, named after the column ("RSSI_AVG" ->
// rssiAvgValue). Levels are always dBm; the table converts them for display.
class SVNetworkDelegate {
public:
    virtual ~SVNetworkDelegate() = default;

    virtual std::shared_ptr<SVNetwork> bestNetwork() const = 0;

    virtual QString bssidValue() const = 0;
    virtual QString ssidValue() const = 0;
    virtual qint64 rssiValue() const = 0;
    virtual qint64 rssiAvgValue() const = 0;
    virtual qint64 rssiMinValue() const = 0;
    virtual qint64 rssiMaxValue() const = 0;
    virtual qint64 noiseValue() const = 0;
    virtual qint64 noiseAvgValue() const = 0;
    virtual qint64 noiseMinValue() const = 0;
    virtual qint64 noiseMaxValue() const = 0;
    virtual qint64 snrValue() const = 0;
    virtual qint64 snrAvgValue() const = 0;
    virtual qint64 snrMinValue() const = 0;
    virtual qint64 snrMaxValue() const = 0;
    virtual QString channelValue() const = 0;
    virtual QString vendorValue() const = 0;
    virtual QString securityValue() const = 0;
    virtual QString wpsValue() const = 0;
    virtual QString channelBandValue() const = 0;
    virtual QString channelWidthValue() const = 0;
    virtual QString channelCenterValue() const = 0;
    virtual QString phyModeValue() const = 0;
    virtual QString minRateValue() const = 0;
    virtual QString maxRateValue() const = 0;
    virtual QString networkTypeValue() const = 0;
    virtual std::optional<double> lastSeenElapsedSecondsValue() const = 0;
    virtual QDateTime firstSeenValue() const = 0; // invalid = none
    virtual QDateTime lastSeenValue() const = 0;  // invalid = none
    virtual QString annotationsValue() const = 0;
    virtual QString countryCodeValue() const = 0;
    virtual QString streamsValue() const = 0;
    virtual QString deviceNameValue() const = 0;
    virtual QString stationCountValue() const = 0;
    virtual qint64 channelUtilizationValue() const = 0;
    virtual QString htProtectionValue() const = 0;
    virtual QString fastBssTransitionValue() const = 0;
    virtual QString centerFrequencyValue() const = 0;
    virtual QString beaconIntervalValue() const = 0;
    virtual QString basicDataRatesValue() const = 0;

    // A row value by its accessor name ("rssiAvgValue"), for sort keys; an
    // unknown name gives an invalid QVariant.
    virtual QVariant valueForKey(const QString& key) const;
};
