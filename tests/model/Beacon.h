#pragma once

// Builders for raw element data, one element at a time.

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <initializer_list>
#include <limits>

namespace beacon {

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int b : values)
        out.append(char(b));
    return out;
}

inline QByteArray element(int id, const QByteArray& body)
{
    return QByteArray(1, char(id)) + QByteArray(1, char(body.size())) + body;
}

inline QByteArray element(int id, std::initializer_list<int> body) { return element(id, bytes(body)); }

inline QByteArray ssid(const QByteArray& name) { return element(0, name); }
inline QByteArray dsChannel(int channel) { return element(3, {channel}); }
inline QByteArray rates(std::initializer_list<int> b) { return element(1, b); }
inline QByteArray extendedRates(std::initializer_list<int> b) { return element(50, b); }

// The 802.11b/g rate set with 1 and 2 Mb/s basic.
inline QByteArray bgRates()
{
    return rates({0x82, 0x84, 0x0B, 0x16, 0x0C, 0x12, 0x18, 0x24}) + extendedRates({0x30, 0x48, 0x60, 0x6C});
}
// The 802.11a rate set with 6, 12, 24 Mb/s basic.
inline QByteArray aRates() { return rates({0x8C, 0x12, 0x98, 0x24, 0xB0, 0x48, 0x60, 0x6C}); }

// HT Capabilities: capability byte 0 (bit 1 40 MHz, bit 5 SGI 20, bit 6 SGI 40) and Rx MCS bytes.
inline QByteArray htCapabilities(int cap0, std::initializer_list<int> mcs)
{
    QByteArray body(26, 0);
    body[0] = char(cap0);
    int i = 3;
    for (int b : mcs)
        body[i++] = char(b);
    return element(45, body);
}

inline QByteArray htOperation(int primary, int secondaryOffset, int protection)
{
    QByteArray body(22, 0);
    body[0] = char(primary);
    body[1] = char(secondaryOffset);
    body[2] = char(protection);
    return element(61, body);
}

// VHT Capabilities: capability byte 0 (bit 5 SGI 80, bit 6 SGI 160) and the first Tx map byte.
inline QByteArray vhtCapabilities(int cap0, int txMap)
{
    QByteArray body(12, 0);
    body[0] = char(cap0);
    body[8] = char(txMap);
    body[9] = char(0xFF);
    return element(191, body);
}

inline QByteArray vhtOperation(int width, int segment0, int segment1)
{
    return element(192, {width, segment0, segment1, 0, 0});
}

inline QByteArray suite(std::initializer_list<int> oui, int type)
{
    QByteArray out = bytes(oui);
    out.append(char(type));
    return out;
}

// RSN: version 1, group CCMP, the pairwise ciphers and AKMs (suite types), capabilities.
inline QByteArray rsn(std::initializer_list<int> pairwise, std::initializer_list<int> akms, int capabilities = 0)
{
    QByteArray body = bytes({1, 0}) + suite({0x00, 0x0F, 0xAC}, 4);
    body += bytes({int(pairwise.size()), 0});
    for (int p : pairwise)
        body += suite({0x00, 0x0F, 0xAC}, p);
    body += bytes({int(akms.size()), 0});
    for (int a : akms)
        body += suite({0x00, 0x0F, 0xAC}, a);
    body += bytes({capabilities, 0});
    return element(48, body);
}

inline QByteArray vendor(std::initializer_list<int> oui, int type, const QByteArray& rest)
{
    return element(221, bytes(oui) + QByteArray(1, char(type)) + rest);
}

inline QByteArray wpa(std::initializer_list<int> pairwise, std::initializer_list<int> akms)
{
    QByteArray body = bytes({1, 0}) + suite({0x00, 0x50, 0xF2}, 2);
    body += bytes({int(pairwise.size()), 0});
    for (int p : pairwise)
        body += suite({0x00, 0x50, 0xF2}, p);
    body += bytes({int(akms.size()), 0});
    for (int a : akms)
        body += suite({0x00, 0x50, 0xF2}, a);
    return vendor({0x00, 0x50, 0xF2}, 1, body);
}

inline QByteArray wpsAttribute(int type, const QByteArray& value)
{
    return bytes({type >> 8, type & 0xFF, int(value.size()) >> 8, int(value.size()) & 0xFF}) + value;
}

inline QByteArray wps(const QByteArray& attributes) { return vendor({0x00, 0x50, 0xF2}, 4, attributes); }

inline QByteArray bssLoad(int stations, int utilization)
{
    return element(11, {stations & 0xFF, stations >> 8, utilization, 0, 0});
}

inline QByteArray mobilityDomain(int ftCapability) { return element(54, {0x12, 0x34, ftCapability}); }

inline QByteArray country(const char* code) { return element(7, {code[0], code[1], 'I', 1, 13, 20}); }

inline QByteArray paddedName(const QByteArray& name, int length)
{
    QByteArray out = name.left(length);
    out.append(QByteArray(length - out.size(), '\0'));
    return out;
}

// Cisco element 133: ten bytes, a 16-byte name, optionally a station count.
inline QByteArray cisco133(const QByteArray& name, int stations = -1)
{
    QByteArray body(10, 0);
    body += paddedName(name, 16);
    if (stations >= 0)
        body.append(char(stations));
    return element(133, body);
}

inline QVariantMap scan(int channel, const QByteArray& elements,
                        qint64 securityMode = std::numeric_limits<qint64>::max(),
                        const QString& bssid = QStringLiteral("00:1b:63:aa:bb:cc"))
{
    return {{"bssid", bssid}, {"channelNumber", channel}, {"phyMode", 0}, {"securityMode", securityMode},
            {"rssiValue", -60}, {"noiseMeasurement", -92}, {"ibss", false}, {"beaconInterval", 100},
            {"informationElementData", elements}};
}

} // namespace beacon
