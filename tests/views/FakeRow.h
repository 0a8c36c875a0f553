#pragma once

#include "model/SVNetworkDelegate.h"

#include <QTimeZone>

// A row whose every value is a plain field, for cell and table tests.
struct FakeRow : SVNetworkDelegate {
    QString bssid = "AA:BB:CC:DD:EE:01", ssid = "home", channel = "6", vendor = "Acme",
            security = "WPA2 Personal", wps = "", band = "2.4 GHz", width = "20 MHz", center = "6",
            phy = "n", minRate = "1", maxRate = "144", type = "Infrastructure", annotations = "",
            cc = "DE", streams = "2", deviceName = "", stations = "3", htProtection = "", fbt = "No",
            centerFrequency = "2437", beaconInterval = "100", basicRates = "1, 2";
    qint64 rssi = -70, rssiAvg = -71, rssiMin = -80, rssiMax = -60, noise = -95, noiseAvg = -95,
           noiseMin = -96, noiseMax = -90, snr = 25, snrAvg = 24, snrMin = 15, snrMax = 35, utilization = 40;
    std::optional<double> elapsed = 0.0;
    QDateTime firstSeen = QDateTime(QDate(2026, 12, 10), QTime(13, 5, 9), Qt::UTC);
    QDateTime lastSeen = QDateTime(QDate(2026, 12, 10), QTime(14, 5, 9), Qt::UTC);

    std::shared_ptr<SVNetwork> bestNetwork() const override { return nullptr; }
    QString bssidValue() const override { return bssid; }
    QString ssidValue() const override { return ssid; }
    qint64 rssiValue() const override { return rssi; }
    qint64 rssiAvgValue() const override { return rssiAvg; }
    qint64 rssiMinValue() const override { return rssiMin; }
    qint64 rssiMaxValue() const override { return rssiMax; }
    qint64 noiseValue() const override { return noise; }
    qint64 noiseAvgValue() const override { return noiseAvg; }
    qint64 noiseMinValue() const override { return noiseMin; }
    qint64 noiseMaxValue() const override { return noiseMax; }
    qint64 snrValue() const override { return snr; }
    qint64 snrAvgValue() const override { return snrAvg; }
    qint64 snrMinValue() const override { return snrMin; }
    qint64 snrMaxValue() const override { return snrMax; }
    QString channelValue() const override { return channel; }
    QString vendorValue() const override { return vendor; }
    QString securityValue() const override { return security; }
    QString wpsValue() const override { return wps; }
    QString channelBandValue() const override { return band; }
    QString channelWidthValue() const override { return width; }
    QString channelCenterValue() const override { return center; }
    QString phyModeValue() const override { return phy; }
    QString minRateValue() const override { return minRate; }
    QString maxRateValue() const override { return maxRate; }
    QString networkTypeValue() const override { return type; }
    std::optional<double> lastSeenElapsedSecondsValue() const override { return elapsed; }
    QDateTime firstSeenValue() const override { return firstSeen; }
    QDateTime lastSeenValue() const override { return lastSeen; }
    QString annotationsValue() const override { return annotations; }
    QString countryCodeValue() const override { return cc; }
    QString streamsValue() const override { return streams; }
    QString deviceNameValue() const override { return deviceName; }
    QString stationCountValue() const override { return stations; }
    qint64 channelUtilizationValue() const override { return utilization; }
    QString htProtectionValue() const override { return htProtection; }
    QString fastBssTransitionValue() const override { return fbt; }
    QString centerFrequencyValue() const override { return centerFrequency; }
    QString beaconIntervalValue() const override { return beaconInterval; }
    QString basicDataRatesValue() const override { return basicRates; }
};
