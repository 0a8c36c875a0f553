#pragma once

#include "platform/wlan/CWError.h"
#include "platform/wlan/CWNetwork.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What the interface is joined to right now. bssid is null when the radio
// reports none.
struct CWLinkState {
    QString bssid;
    QByteArray ssidData;
    std::optional<CWChannel> channel;
    int rssi = 0;
    double transmitRate = 0; // Mb/s
};

// The radio under a CWInterface: a real one over nl80211 or a simulated one.
// Every operation may be called from any thread.
class CWWlanBackend {
public:
    virtual ~CWWlanBackend() = default;

    virtual QString interfaceName() const = 0;
    virtual QList<CWNetwork> cachedScanResults() = 0;
    // ssid set: a directed scan for that name; otherwise a broadcast scan.
    // On failure returns nothing and fills error.
    virtual QList<CWNetwork> scan(const std::optional<QByteArray>& ssid, CWError* error) = 0;
    virtual bool powerOn() = 0;
    virtual bool setPower(bool on, CWError* error) = 0;
    virtual CWLinkState linkState() = 0;
    // Ends the scan under way with an error, and every later one at once,
    // until resumeScans(): lets a stopped scan engine end its thread without
    // sitting out a scan, however the stop and the scan interleave.
    virtual void abortScans() {}
    virtual void resumeScans() {}
};
