#pragma once

#include <QByteArrayView>

#include <iterator>

// The one walk over raw 802.11 element data and the one list of the element
// IDs that code outside the decoder's table names.
namespace sv::wlan {

enum ElementID : unsigned {
    kSSID = 0,
    kSupportedRates = 1,
    kDSParameterSet = 3,
    kCountry = 7,
    kBSSLoad = 11,
    kPowerConstraint = 32,
    kTPCReport = 35,
    kChannelSwitchAnnouncement = 37,
    kQuiet = 40,
    kHTCapabilities = 45,
    kRSN = 48,
    kExtendedSupportedRates = 50,
    kMobilityDomain = 54,
    kHTOperation = 61,
    kTimeAdvertisement = 69,
    kRMEnabledCapabilities = 70,
    kMeshConfiguration = 113,
    kMeshID = 114,
    kExtendedCapabilities = 127,
    kCiscoCCX1 = 133,
    kCiscoVendorSpecific = 150,
    kVHTCapabilities = 191,
    kVHTOperation = 192,
    kVendorSpecific = 221,
};

struct Element {
    unsigned id;
    QByteArrayView body; // without the two header bytes
};

// The whole elements of the data in order: ID byte, length byte, body. A
// trailing piece whose header or body runs past the data ends the walk;
// nothing outside the data is read. The same walk serves any list of
// one-byte-type, one-byte-length items (vendor sub-elements).
//   for (const Element& e : ElementWalk(data)) ...
class ElementWalk {
public:
    explicit ElementWalk(QByteArrayView data) : m_data(data) {}

    class Iterator {
    public:
        using value_type = Element;
        using difference_type = std::ptrdiff_t;

        Iterator() = default;
        Element operator*() const { return {quint8(m_data[m_at]), m_data.sliced(m_at + 2, bodyLength())}; }
        Iterator& operator++()
        {
            m_at = whole(m_data, m_at + 2 + bodyLength());
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator was = *this;
            ++*this;
            return was;
        }
        bool operator==(std::default_sentinel_t) const { return m_at < 0; }

    private:
        friend class ElementWalk;
        Iterator(QByteArrayView data, qsizetype at) : m_data(data), m_at(whole(data, at)) {}
        qsizetype bodyLength() const { return quint8(m_data[m_at + 1]); }
        // at when a whole element starts there, else -1 (the end).
        static qsizetype whole(QByteArrayView data, qsizetype at)
        {
            return data.size() - at >= 2 && data.size() - at - 2 >= quint8(data[at + 1]) ? at : -1;
        }

        QByteArrayView m_data;
        qsizetype m_at = -1;
    };

    Iterator begin() const { return Iterator(m_data, 0); }
    std::default_sentinel_t end() const { return {}; }

    // Whether the data ends where its last whole element ends (no cut
    // element and no stray bytes after it).
    bool complete() const
    {
        qsizetype covered = 0;
        for (const Element& e : *this)
            covered += 2 + e.body.size();
        return covered == m_data.size();
    }

private:
    QByteArrayView m_data;
};

} // namespace sv::wlan
