#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// What one walk over a record's raw elements gathers for its digest;
// digestNetwork (SVNetworkDigest.cpp) turns it into the record's values.
// "Last" means the last element that carries the value wins.

// Amendment letters, each once, in the order they are shown.
struct SVAmendments {
    unsigned bits = 0;
    void add(char letter);
    QStringList list() const;
};

// What an RSN element's AKM list and capabilities say.
struct SVSuiteInfo {
    quint32 akms = 0; // bit n: the suite of type n (0-31) of the element's OUI is listed
    bool mfpCapable = false;
    bool mfpRequired = false;
    bool has(int type) const { return akms & (1u << type); }
};

struct SVElementFacts {
    SVAmendments amendments;
    QString ssid;                      // last non-empty SSID element
    qint64 channel = 0;                // first DS Parameter Set or HT Operation; 0 none
    QString countryCode;               // last Country element, as sent
    QString deviceName;                // last access-point name (Cisco, Aruba, Symbol, MikroTik)
    bool spectrumElementSeen = false;  // Power Constraint, TPC Report, Channel Switch or Quiet
    bool vhtSeen = false;              // VHT Capabilities or Operation
    bool htOperationSeen = false;
    bool twentyMHzOnly = false;        // an HT Capabilities without 40 MHz support
    qint64 vhtWidth = 0;               // last width code a VHT Operation announces; 0 none
    qint64 secondaryOffset = 0;        // last HT Operation's, 0 none
    qint64 htProtection = -1;          // last HT Operation's
    bool shortGI20 = false;            // last HT Capabilities
    bool shortGI40 = false;
    bool shortGI80 = false;            // last VHT Capabilities
    bool shortGI160 = false;
    quint32 htMcs = 0;                 // Rx MCS 0-31 of every HT Capabilities, or-ed
    int vhtMapCode[4] = {-1, -1, -1, -1}; // streams 1-4: highest Tx map code (0-2) of any VHT Capabilities; -1 none
    quint64 streams = 0;               // last HT or VHT Capabilities that tells
    QByteArray legacyRates;            // Supported and Extended Supported Rates bytes, in order
    qint64 stationCount = -1;          // last BSS Load, else the Cisco element's
    qint64 utilization = -1;           // percent, last BSS Load
    qint64 utilizationMax = -1;        // percent, over every BSS Load
    qint64 fastBssTransition = -1;     // last Mobility Domain: 0 over the air, 1 over the DS
    qint64 cipherType = 0;             // pairwise cipher bits of RSN and WPA
    bool enterprise = false;           // an 802.1X AKM suite
    bool adaptive = false;             // an AKM list without fast transition
    SVSuiteInfo rsn;                   // or-ed over RSN elements
    bool rsnSeen = false;
    bool wpaSeen = false;
    bool oweTransitionSeen = false;
    bool wpsEnabled = false;
    bool wpsConfigured = false;
    bool wpsLocked = false;
    std::optional<bool> ccxClientMFP;  // last Cisco element that carries it
    std::optional<qint64> ccxDTPC;
};

SVElementFacts gatherElementFacts(QByteArrayView elements);
