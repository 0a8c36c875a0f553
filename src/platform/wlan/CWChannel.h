#pragma once

#include <QString>
#include <QtGlobal>

// Band values as the wireless framework numbers them.
enum CWChannelBand : int {
    kCWChannelBandUnknown = 0,
    kCWChannelBand2GHz = 1,
    kCWChannelBand5GHz = 2,
};

// Width codes as the wireless framework numbers them (5 is 80+80 MHz).
enum CWChannelWidth : int {
    kCWChannelWidthUnknown = 0,
    kCWChannelWidth20MHz = 1,
    kCWChannelWidth40MHz = 2,
    kCWChannelWidth80MHz = 3,
    kCWChannelWidth160MHz = 4,
    kCWChannelWidth80Plus80MHz = 5,
};

// A width code's width in MHz; 0 for unknown and for 80+80, which has no
// single width.
inline constexpr qint64 channelWidthInMHz(qint64 code)
{
    switch (code) {
    case kCWChannelWidth20MHz: return 20;
    case kCWChannelWidth40MHz: return 40;
    case kCWChannelWidth80MHz: return 80;
    case kCWChannelWidth160MHz: return 160;
    default: return 0;
    }
}

// The one rule for the band of a bare channel number: 36 and up is 5 GHz,
// anything lower (0, a missing channel, included) counts as 2.4 GHz.
inline constexpr bool isChannelIn5GHzBand(qint64 number)
{
    return number >= 36;
}

// One radio channel: number, band and width code. A plain value.
class CWChannel {
public:
    CWChannel() = default;
    CWChannel(int number, int band, int width) : m_number(number), m_band(band), m_width(width) {}

    int channelNumber() const { return m_number; }
    int channelBand() const { return m_band; }
    int channelWidth() const { return m_width; }

    bool operator==(const CWChannel&) const = default;

    // The channel a centre frequency in MHz falls on. Frequencies outside the
    // 2.4 and 5 GHz bands give band kCWChannelBandUnknown.
    static CWChannel fromFrequency(int mhz, int width = kCWChannelWidthUnknown);
    // The band a bare channel number belongs to; unknown for none (0 or less).
    static int bandForChannelNumber(int number);

private:
    int m_number = 0;
    int m_band = kCWChannelBandUnknown;
    int m_width = kCWChannelWidthUnknown;
};
