#pragma once

#include "model/SVNetworkDelegate.h"
#include "model/SVNetworkList.h"

#include <QList>
#include <QString>

#include <memory>

class SVNetwork;

// A table row that stands for several records (the virtual BSSIDs of one
// radio, say) and answers the row protocol from its members: values they
// share, "<Multiple values>" where they differ, the best member by SNR.
class SVNetworkCollection : public SVNetworkDelegate {
public:
    explicit SVNetworkCollection(const QString& name);

    QString name() const { return m_name; }
    const SVNetworkList& collection() const { return m_collection; }
    bool isUserHighlighted() const { return m_userHighlighted; }
    void setUserHighlighted(bool highlighted) { m_userHighlighted = highlighted; }

    qsizetype count() const { return m_collection.size(); }
    std::shared_ptr<SVNetwork> objectAtIndex(qsizetype index) const;
    void addObject(const std::shared_ptr<SVNetwork>& network);
    void insertObject(const std::shared_ptr<SVNetwork>& network, qsizetype index);
    void replaceObjectAtIndex(qsizetype index, const std::shared_ptr<SVNetwork>& network);

    // The text shown where members disagree.
    static QString multipleValuesPlaceholder();

    // Among members with a current signal the highest last SNR (first wins
    // ties); when none has one, the highest last SNR of all; null when empty.
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

private:
    QString m_name;
    SVNetworkList m_collection;
    bool m_userHighlighted = false;
};

// A plain pair of records and the time of their scan.
struct SVNetworkScan {
    SVNetworkScan(SVNetworkList networks, QDateTime timestamp)
        : networks(std::move(networks)), timestamp(std::move(timestamp)) {}
    SVNetworkList networks;
    QDateTime timestamp;
};
