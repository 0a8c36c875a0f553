#pragma once

#include "platform/wlan/CWNetwork.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

struct nlmsghdr;

namespace sv::wlan {

// One BSS entry of a scan-results dump, as the kernel gave it.
struct Nl80211Bss {
    QByteArray bssid;          // 6 bytes
    int frequency = 0;         // MHz
    std::optional<int> signalMbm;
    std::optional<int> signalUnspec;           // 0-100, from drivers that give no dBm
    std::optional<qint64> seenMsAgo;           // at the time of the dump
    std::optional<qint64> lastSeenBoottimeNs;  // CLOCK_BOOTTIME
    QByteArray ies;            // probe-response elements, else beacon elements
    int capability = 0;
    int beaconInterval = 0;
    std::optional<int> status; // associated / joined
};

struct Nl80211Survey {
    int frequency = 0;
    std::optional<int> noise;
};

struct Nl80211Iface {
    int ifindex = 0;
    QString name;
    int iftype = 0;
    int frequency = 0;
    std::optional<int> channelWidth; // the kernel's channel width value
};

// A multicast event: its command and the interface it concerns (0 when the
// message names none).
struct Nl80211Event {
    int cmd = 0;
    int ifindex = 0;
};

// The noise each channel's latest survey read. A survey lists only the
// channels the radio visited since its latest scan began, so a channel it
// leaves out keeps its last reading. Only frequencies a network can be read
// on are kept: whatever frequencies the messages name, it stays small.
class ChannelNoise {
public:
    // One survey entry; one without noise, or off every channel, is left out.
    void note(const Nl80211Survey& survey);
    // The latest survey's readings replace those of their channels.
    void update(const ChannelNoise& latest);
    // The noise on a frequency in dBm; 0 where none was read.
    int at(int frequency) const;
    std::size_t size() const { return m_noise.size(); }

private:
    std::map<int, int> m_noise; // MHz -> dBm
};

// Each takes one generic-netlink message of nl80211. A message that is
// malformed gives nothing and a reason in error; attributes of a wrong size
// are skipped.
std::optional<Nl80211Bss> parseScanBss(const nlmsghdr* msg, QString* error = nullptr);
std::optional<Nl80211Survey> parseSurvey(const nlmsghdr* msg, QString* error = nullptr);
std::optional<Nl80211Iface> parseInterface(const nlmsghdr* msg, QString* error = nullptr);
std::optional<Nl80211Event> parseEvent(const nlmsghdr* msg, QString* error = nullptr);
// Transmit bit rate in Mb/s from a station message.
std::optional<double> parseStationTxRate(const nlmsghdr* msg, QString* error = nullptr);

// A scanned BSS as a network; nothing for bands other than 2.4 and 5 GHz.
// noise is the survey's noise on the BSS's frequency, 0 where there is none.
std::optional<CWNetwork> networkFromBss(const Nl80211Bss& bss, int noise);
// Signal in dBm of a driver that reports only a 0-100 figure.
int dbmFromSignalUnspec(int figure);

// The kernel's scan-results dump keeps an entry for about 30 s after it was
// last heard, so a pass publishes only the entries heard inside its window.
enum class ScanSource {
    Cached,      // the results at hand, taken as they are (first pass after a start)
    OwnScan,     // a scan this pass started and saw complete
    SystemScans, // whatever scans the system made since the previous pass
};
// Start of the window (CLOCK_BOOTTIME ns) for a dump after a scan from this
// source that began at scanStartNs; nothing: every entry counts.
std::optional<qint64> heardWindowStart(ScanSource source, qint64 scanStartNs, std::optional<qint64> previousPassNs);
// Whether the entry was heard at or after sinceNs, for a dump taken at
// dumpNs: from its age, else its boot time. An entry that says neither when
// it was last heard counts as heard.
bool heardSince(const Nl80211Bss& bss, qint64 sinceNs, qint64 dumpNs);
// CLOCK_BOOTTIME now, in nanoseconds: the kernel's clock for last-heard times.
qint64 boottimeNs();
// Width code from the kernel's channel width value.
int widthFromNl80211(int chanWidth);

QString bssidText(const QByteArray& mac);

} // namespace sv::wlan
