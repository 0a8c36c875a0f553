#include "platform/wlan/Nl80211Backend.h"

#include "platform/Log.h"
#include "platform/wlan/Nl80211Parse.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <linux/nl80211.h>
#include <linux/rfkill.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <unistd.h>

namespace sv::wlan {

namespace {

constexpr int kScanWaitMs = 15000;
constexpr int kWaitSliceMs = 200;

CWError abortedError() { return CWError::make(kCWUnknownErr, QStringLiteral("The scan was cancelled.")); }

struct Socket {
    nl_sock* sock = nullptr;
    int family = -1;
    Socket()
    {
        sock = nl_socket_alloc();
        if (!sock)
            return;
        if (genl_connect(sock) < 0 || (family = genl_ctrl_resolve(sock, "nl80211")) < 0) {
            nl_socket_free(sock);
            sock = nullptr;
        }
    }
    ~Socket()
    {
        if (sock)
            nl_socket_free(sock);
    }
    explicit operator bool() const { return sock != nullptr; }
};

using Visitor = std::function<void(const nlmsghdr*)>;

struct Exchange {
    Visitor visit;
    int state = 1; // 1 while waiting, then 0 or -errno
    bool interrupted = false; // the kernel's list changed during the dump
};

int onValid(nl_msg* msg, void* arg)
{
    static_cast<Exchange*>(arg)->visit(nlmsg_hdr(msg));
    return NL_OK;
}

int onDumpInterrupted(nl_msg*, void* arg)
{
    static_cast<Exchange*>(arg)->interrupted = true;
    return NL_OK; // read on to the end of the dump
}

int onFinish(nl_msg*, void* arg)
{
    static_cast<Exchange*>(arg)->state = 0;
    return NL_STOP;
}

int onError(sockaddr_nl*, nlmsgerr* err, void* arg)
{
    static_cast<Exchange*>(arg)->state = err->error < 0 ? err->error : -EIO;
    return NL_STOP;
}

// Sends one request and feeds every answer to visit; returns 0 or -errno,
// -EINTR for a dump the kernel marked inconsistent.
int request(Socket& s, int cmd, int flags, int ifindex, const Visitor& visit,
            const std::function<void(nl_msg*)>& fill = {})
{
    nl_msg* msg = nlmsg_alloc();
    nl_cb* cb = nl_cb_alloc(NL_CB_DEFAULT);
    if (!msg || !cb) {
        nlmsg_free(msg);
        nl_cb_put(cb);
        return -ENOMEM;
    }
    genlmsg_put(msg, NL_AUTO_PORT, NL_AUTO_SEQ, s.family, 0, flags, static_cast<quint8>(cmd), 0);
    if (ifindex > 0)
        nla_put_u32(msg, NL80211_ATTR_IFINDEX, static_cast<quint32>(ifindex));
    if (fill)
        fill(msg);
    Exchange ex{visit};
    nl_cb_set(cb, NL_CB_VALID, NL_CB_CUSTOM, onValid, &ex);
    nl_cb_set(cb, NL_CB_FINISH, NL_CB_CUSTOM, onFinish, &ex);
    nl_cb_set(cb, NL_CB_ACK, NL_CB_CUSTOM, onFinish, &ex);
    nl_cb_set(cb, NL_CB_DUMP_INTR, NL_CB_CUSTOM, onDumpInterrupted, &ex);
    nl_cb_err(cb, NL_CB_CUSTOM, onError, &ex);
    int rc = nl_send_auto(s.sock, msg);
    nlmsg_free(msg);
    if (rc < 0) {
        nl_cb_put(cb);
        return -EIO;
    }
    while (ex.state > 0)
        if (nl_recvmsgs(s.sock, cb) < 0 && ex.state > 0)
            ex.state = -EIO;
    if (ex.state == 0 && ex.interrupted)
        ex.state = -EINTR;
    nl_cb_put(cb);
    return ex.state;
}

int onEvent(nl_msg* msg, void* arg)
{
    (*static_cast<Visitor*>(arg))(nlmsg_hdr(msg));
    return NL_OK;
}

int ifindexOf(const QString& name) { return static_cast<int>(if_nametoindex(name.toLocal8Bit().constData())); }

QString readLine(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.read(64)).trimmed();
}

// rfkill entries of the interface's radio.
QStringList rfkillDirs(const QString& name)
{
    QStringList out;
    const QDir phy(QStringLiteral("/sys/class/net/%1/phy80211").arg(name));
    for (const QString& e : phy.entryList({QStringLiteral("rfkill*")}, QDir::Dirs))
        out << phy.filePath(e);
    return out;
}

bool interfaceUp(const QString& name)
{
    bool ok = false;
    const int flags = readLine(QStringLiteral("/sys/class/net/%1/flags").arg(name)).toInt(&ok, 16);
    return ok && (flags & IFF_UP);
}

// Brings the interface up where this process may (CAP_NET_ADMIN); fails
// quietly otherwise, or while the radio is still blocked.
void bringUp(const QString& name)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    ifreq req{};
    const QByteArray n = name.toLocal8Bit();
    if (n.size() < IFNAMSIZ) {
        memcpy(req.ifr_name, n.constData(), size_t(n.size()));
        if (::ioctl(fd, SIOCGIFFLAGS, &req) == 0 && !(req.ifr_flags & IFF_UP)) {
            req.ifr_flags = short(req.ifr_flags | IFF_UP);
            ::ioctl(fd, SIOCSIFFLAGS, &req);
        }
    }
    ::close(fd);
}

} // namespace

QStringList Nl80211Backend::interfaceNames()
{
    QStringList names;
    Socket s;
    if (!s)
        return names;
    request(s, NL80211_CMD_GET_INTERFACE, NLM_F_DUMP, 0, [&](const nlmsghdr* h) {
        if (auto i = parseInterface(h); i && i->iftype == NL80211_IFTYPE_STATION && !names.contains(i->name))
            names << i->name;
    });
    return names;
}

Nl80211Backend::Nl80211Backend(QString name) : m_name(std::move(name)) {}

QString Nl80211Backend::interfaceName() const { return m_name; }

void Nl80211Backend::noteMode(Mode mode)
{
    if (m_mode.exchange(mode) == mode)
        return;
    switch (mode) {
    case Mode::Trigger:
        qCInfo(lcSkyvane).noquote() << m_name << ": scanning through nl80211";
        break;
    case Mode::NetworkManager:
        qCInfo(lcSkyvane).noquote() << m_name << ": no permission to scan; asking NetworkManager for scans";
        break;
    case Mode::Passive:
        qCInfo(lcSkyvane).noquote() << m_name << ": no permission to scan; reading the system's own scan results";
        break;
    case Mode::Unknown:
        break;
    }
}

QList<CWNetwork> Nl80211Backend::dumpResults(std::optional<qint64> since, bool withNoise,
                                             std::optional<CWNetwork>* associated, qint64* dumpNs)
{
    QList<CWNetwork> out;
    Socket s;
    const int ifindex = ifindexOf(m_name);
    if (!s || ifindex <= 0)
        return out;
    // While any scan is under way (the system's, another program's) the
    // survey holds only part of the channels; the others keep their last
    // noise. Frequencies never surveyed get 0, which the record reads as its
    // own floor.
    ChannelNoise noise;
    if (withNoise) {
        ChannelNoise surveyed;
        request(s, NL80211_CMD_GET_SURVEY, NLM_F_DUMP, ifindex, [&](const nlmsghdr* h) {
            if (auto sv = parseSurvey(h))
                surveyed.note(*sv);
        });
        std::lock_guard lock(m_noiseMutex);
        m_noise.update(surveyed);
        noise = m_noise;
    }
    // Results change while a scan lands: an interrupted dump is partial, so
    // it is taken again on a fresh socket (the old one still holds its rest).
    for (int attempt = 0; attempt < 3; ++attempt) {
        out.clear();
        if (associated)
            associated->reset();
        Socket d;
        if (!d)
            break;
        const qint64 now = boottimeNs();
        if (dumpNs)
            *dumpNs = now;
        const int rc = request(d, NL80211_CMD_GET_SCAN, NLM_F_DUMP, ifindex, [&](const nlmsghdr* h) {
            auto bss = parseScanBss(h);
            if (!bss)
                return;
            auto n = networkFromBss(*bss, noise.at(bss->frequency));
            if (!n)
                return;
            if (associated && bss->status
                && (*bss->status == NL80211_BSS_STATUS_ASSOCIATED || *bss->status == NL80211_BSS_STATUS_IBSS_JOINED))
                *associated = *n;
            if (since && !heardSince(*bss, *since, now))
                return;
            out.push_back(*n);
        });
        if (rc != -EINTR)
            break;
    }
    return out;
}

QList<CWNetwork> Nl80211Backend::passResults(ScanSource source, qint64 scanStartNs)
{
    const qint64 previous = m_previousPassNs;
    const auto since = heardWindowStart(source, scanStartNs, previous < 0 ? std::nullopt : std::optional(previous));
    qint64 dumpNs = -1;
    QList<CWNetwork> out = dumpResults(since, true, nullptr, &dumpNs);
    if (dumpNs >= 0)
        m_previousPassNs = dumpNs;
    return out;
}

QList<CWNetwork> Nl80211Backend::cachedScanResults() { return passResults(ScanSource::Cached, boottimeNs()); }

QList<CWNetwork> Nl80211Backend::scan(const std::optional<QByteArray>& ssid, CWError* error)
{
    auto aborted = [&] { return m_aborted.load(); };
    if (aborted()) {
        if (error)
            *error = abortedError();
        return {};
    }
    const qint64 start = boottimeNs();
    const int ifindex = ifindexOf(m_name);
    Socket s;
    if (!s || ifindex <= 0) {
        if (error)
            *error = CWError::make(kCWNotSupportedErr, QStringLiteral("The Wi-Fi interface %1 is not available.").arg(m_name));
        return {};
    }
    if (m_mode != Mode::NetworkManager && m_mode != Mode::Passive) {
        Socket events;
        const int group = events ? genl_ctrl_resolve_grp(events.sock, "nl80211", "scan") : -1;
        if (group >= 0 && nl_socket_add_membership(events.sock, group) == 0) {
            nl_socket_disable_seq_check(events.sock);
            const int rc = request(s, NL80211_CMD_TRIGGER_SCAN, 0, ifindex, [](const nlmsghdr*) {},
                                   [&](nl_msg* msg) {
                                       nlattr* ssids = nla_nest_start(msg, NL80211_ATTR_SCAN_SSIDS);
                                       const QByteArray name = ssid.value_or(QByteArray());
                                       nla_put(msg, 1, static_cast<int>(name.size()), name.constData());
                                       nla_nest_end(msg, ssids);
                                   });
            if (rc == 0 || rc == -EBUSY) {
                // EBUSY: a scan is under way already; its results serve as
                // well, but it began before this pass, as the system's own do.
                const ScanSource source = rc == 0 ? ScanSource::OwnScan : ScanSource::SystemScans;
                noteMode(Mode::Trigger);
                bool done = false;
                QElapsedTimer timer;
                timer.start();
                // The group carries every interface's scans: wait for ours.
                Visitor watch = [&](const nlmsghdr* h) {
                    const auto e = parseEvent(h);
                    if (e && (e->ifindex == 0 || e->ifindex == ifindex)
                        && (e->cmd == NL80211_CMD_NEW_SCAN_RESULTS || e->cmd == NL80211_CMD_SCAN_ABORTED))
                        done = true;
                };
                nl_socket_modify_cb(events.sock, NL_CB_VALID, NL_CB_CUSTOM, onEvent, &watch);
                while (!done && !aborted() && timer.elapsed() < kScanWaitMs) {
                    pollfd p{nl_socket_get_fd(events.sock), POLLIN, 0};
                    const qint64 left = std::max<qint64>(1, kScanWaitMs - timer.elapsed());
                    if (poll(&p, 1, static_cast<int>(std::min<qint64>(left, kWaitSliceMs))) > 0)
                        nl_recvmsgs_default(events.sock);
                }
                if (aborted()) {
                    if (error)
                        *error = abortedError();
                    return {};
                }
                if (!done) {
                    if (error)
                        *error = CWError::make(kCWTimeoutErr, QStringLiteral("The operation timed out."));
                    return {};
                }
                return passResults(source, start);
            }
            if (rc != -EPERM) {
                if (error)
                    *error = CWError::make(kCWUnknownErr, QStringLiteral("The scan could not be started (%1).")
                                                              .arg(QString::fromLocal8Bit(strerror(-rc))));
                return {};
            }
        }
    }
    // No permission to scan ourselves: ask NetworkManager, else take what
    // the system's own scans left.
    QDBusConnection bus = QDBusConnection::systemBus();
    QDBusInterface nm(QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("/org/freedesktop/NetworkManager"),
                      QStringLiteral("org.freedesktop.NetworkManager"), bus);
    QString devicePath;
    if (nm.isValid()) {
        const QDBusReply<QDBusObjectPath> device = nm.call(QStringLiteral("GetDeviceByIpIface"), m_name);
        if (device.isValid())
            devicePath = device.value().path();
    }
    if (devicePath.isEmpty()) {
        noteMode(Mode::Passive);
        return passResults(ScanSource::SystemScans, start);
    }
    QDBusInterface wireless(QStringLiteral("org.freedesktop.NetworkManager"), devicePath,
                            QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless"), bus);
    // LastScan (milliseconds of boot time) moves when a scan completes;
    // versions without it get the results at hand.
    const QVariant lastScan = wireless.property("LastScan");
    const qlonglong before = lastScan.toLongLong();
    QVariantMap options;
    if (ssid)
        options.insert(QStringLiteral("ssids"), QVariant::fromValue(QList<QByteArray>{*ssid}));
    const qint64 requested = boottimeNs();
    const QDBusMessage reply = wireless.call(QStringLiteral("RequestScan"), options);
    noteMode(Mode::NetworkManager);
    if (reply.type() != QDBusMessage::ErrorMessage && lastScan.isValid()) {
        QElapsedTimer timer;
        timer.start();
        while (wireless.property("LastScan").toLongLong() == before && !aborted() && timer.elapsed() < kScanWaitMs)
            QThread::msleep(kWaitSliceMs);
        if (aborted()) {
            if (error)
                *error = abortedError();
            return {};
        }
        if (wireless.property("LastScan").toLongLong() == before) {
            if (error)
                *error = CWError::make(kCWTimeoutErr, QStringLiteral("The operation timed out."));
            return {};
        }
        return passResults(ScanSource::OwnScan, requested);
    }
    // A refused request (scans too close together) still leaves what the
    // system's own scans heard.
    return passResults(ScanSource::SystemScans, start);
}

void Nl80211Backend::abortScans() { m_aborted = true; }
void Nl80211Backend::resumeScans() { m_aborted = false; }

bool Nl80211Backend::powerOn()
{
    for (const QString& dir : rfkillDirs(m_name))
        if (readLine(dir + QStringLiteral("/soft")) == QLatin1String("1")
            || readLine(dir + QStringLiteral("/hard")) == QLatin1String("1"))
            return false;
    return interfaceUp(m_name);
}

bool Nl80211Backend::setPower(bool on, CWError* error)
{
    auto fail = [&](int code, const QString& text) {
        if (error)
            *error = CWError::make(code, text);
        return false;
    };
    const QStringList dirs = rfkillDirs(m_name);
    if (dirs.isEmpty() && !on)
        return fail(kCWNotSupportedErr, QStringLiteral("The Wi-Fi radio of %1 has no switch this program can use.").arg(m_name));
    for (const QString& dir : dirs) {
        if (on && readLine(dir + QStringLiteral("/hard")) == QLatin1String("1"))
            return fail(kCWOperationNotPermittedErr, QStringLiteral("The Wi-Fi radio is switched off by a hardware switch."));
        bool ok = false;
        const unsigned idx = readLine(dir + QStringLiteral("/index")).toUInt(&ok);
        if (!ok)
            continue;
        const int fd = ::open("/dev/rfkill", O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return fail(kCWOperationNotPermittedErr,
                        QStringLiteral("Not permitted to switch the Wi-Fi radio (/dev/rfkill: %1).")
                            .arg(QString::fromLocal8Bit(strerror(errno))));
        rfkill_event ev{};
        ev.idx = idx;
        ev.op = RFKILL_OP_CHANGE;
        ev.soft = on ? 0 : 1;
        const ssize_t n = ::write(fd, &ev, sizeof ev);
        const int err = errno;
        ::close(fd);
        if (n < 0)
            return fail(kCWOperationNotPermittedErr, QStringLiteral("Not permitted to switch the Wi-Fi radio (%1).")
                                                         .arg(QString::fromLocal8Bit(strerror(err))));
    }
    // Blocking the radio took the interface down. A network service brings
    // it up again once the radio is free; without one, so do we where we may.
    for (int i = 0; on && !interfaceUp(m_name) && i < 30; ++i) {
        if (i > 0)
            bringUp(m_name);
        QThread::msleep(100);
    }
    if (on && !interfaceUp(m_name))
        return fail(kCWOperationNotPermittedErr,
                    QStringLiteral("The interface %1 is down; bringing it up needs administrator rights.").arg(m_name));
    return true;
}

CWLinkState Nl80211Backend::linkState()
{
    CWLinkState link;
    // Only the joined entry is wanted: no survey, and no pass's window.
    std::optional<CWNetwork> joined;
    dumpResults(std::nullopt, false, &joined);
    if (!joined)
        return link;
    link.bssid = joined->bssid();
    link.ssidData = joined->ssidData();
    link.rssi = joined->rssiValue();
    CWChannel channel = joined->wlanChannel();
    Socket s;
    const int ifindex = ifindexOf(m_name);
    if (!s || ifindex <= 0) {
        link.channel = channel;
        return link;
    }
    request(s, NL80211_CMD_GET_INTERFACE, 0, ifindex, [&](const nlmsghdr* h) {
        if (auto i = parseInterface(h); i && i->channelWidth)
            channel = CWChannel(channel.channelNumber(), channel.channelBand(), widthFromNl80211(*i->channelWidth));
    });
    link.channel = channel;
    const QByteArray mac = QByteArray::fromHex(link.bssid.toLatin1().replace(':', ""));
    request(s, NL80211_CMD_GET_STATION, 0, ifindex, [&](const nlmsghdr* h) {
        if (auto rate = parseStationTxRate(h))
            link.transmitRate = *rate;
    }, [&](nl_msg* msg) { nla_put(msg, NL80211_ATTR_MAC, 6, mac.constData()); });
    return link;
}

} // namespace sv::wlan
