#pragma once

#include "platform/wlan/CWChannel.h"

#include <QByteArray>
#include <QString>

// Security values as the wireless framework numbers them.
enum CWSecurity : int {
    kCWSecurityNone = 0,
    kCWSecurityWEP = 1,
};

// One network (BSS) seen in a scan. A plain value; a null QString or
// QByteArray stands for a value the radio did not give.
class CWNetwork {
public:
    QString bssid() const { return m_bssid; }
    QString ssid() const { return m_ssid; }
    QByteArray ssidData() const { return m_ssidData; }
    CWChannel wlanChannel() const { return m_channel; }
    int rssiValue() const { return m_rssi; }
    int noiseMeasurement() const { return m_noise; }
    QByteArray informationElementData() const { return m_ies; }
    bool ibss() const { return m_ibss; }
    int beaconInterval() const { return m_beaconInterval; }
    bool supportsSecurity(int security) const;

    void setBssid(const QString& v) { m_bssid = v; }
    // Sets both the raw name bytes and its text by the rule for beacon text
    // (sv::ssidText); null when that gives none.
    void setSsidData(const QByteArray& v);
    void setWlanChannel(const CWChannel& v) { m_channel = v; }
    void setRssiValue(int v) { m_rssi = v; }
    void setNoiseMeasurement(int v) { m_noise = v; }
    void setInformationElementData(const QByteArray& v) { m_ies = v; }
    void setIbss(bool v) { m_ibss = v; }
    void setBeaconInterval(int v) { m_beaconInterval = v; }
    // From the capability's privacy bit and the elements: WEP is the privacy
    // bit without an RSN or WPA element.
    void setSecurityFrom(bool privacy, const QByteArray& elements);

private:
    QString m_bssid;
    QString m_ssid;
    QByteArray m_ssidData;
    CWChannel m_channel;
    int m_rssi = 0;
    int m_noise = 0;
    QByteArray m_ies;
    bool m_ibss = false;
    int m_beaconInterval = 0;
    bool m_privacy = false;
    bool m_wep = false;
};
