#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <limits>
#include <vector>

// PHY mode bits, as a digest's phyMode holds them.
enum SVPhyModeBit : qint64 { PhyA = 1, PhyB = 2, PhyG = 4, PhyN = 8, PhyAC = 16 };

// The values a record derives from its newest scan dictionary and the raw
// information elements in it. digestNetwork updates them in place: the
// values a dictionary without elements does not replace keep their earlier
// state, and the utilisation maximum spans the record's life.
struct SVNetworkDigest {
    qint64 phyMode = 0;
    qint64 securityMode = std::numeric_limits<qint64>::max();
    qint64 cipherType = 0;
    qint64 channel = 0;        // from the elements; 0 = none
    qint64 channelWidth = 0;   // 0 none, 1 = 20, 2 = 40, 3 = 80, 4 = 160, 5 = 80+80 MHz
    qint64 secondaryChannelOffset = 0; // 0 none, 1 above, 3 below
    quint64 streams = 0;
    std::vector<double> rates; // Mb/s, basic rates negative, ascending by magnitude
    float minBasicRate = 0;
    float maxBasicRate = 0;
    qint64 stationCount = -1;
    qint64 channelUtilization = -1;
    qint64 channelUtilizationMax = -1;
    qint64 htProtection = -1;
    qint64 fastBssTransition = -1;
    qint64 ccxDTPC = -1;
    bool wpsEnabled = false;
    bool wpsConfigured = false;
    bool wpsLocked = false;
    QString ccxClientMFP;
    QString ssid;        // empty = none
    QString countryCode; // empty = none
    QStringList amendments;
    QString deviceName;  // empty = none
};

void digestNetwork(const QVariantMap& dictionary, SVNetworkDigest& digest);

// The values of a dictionary that digestNetwork reads. Digesting the same
// values twice leaves the digest as the first time did, so a record may
// skip the digest of an unchanged beacon.
struct SVDigestInputs {
    qint64 phyMode = 0;
    qint64 securityMode = 0;
    qint64 channelNumber = 0;
    bool hasElements = false;
    QByteArray elements;

    static SVDigestInputs of(const QVariantMap& dictionary);
    bool operator==(const SVDigestInputs&) const = default;
};

// One data rate in tenths of Mb/s, computed from the OFDM parameters and
// rounded half away from zero: subcarriers 52 (20 MHz), 108 (40), 234 (80),
// 468 (160); mcs 0-9; short or long guard interval.
int mcsRateTenths(int dataSubcarriers, int mcs, int streams, bool shortGuardInterval);
