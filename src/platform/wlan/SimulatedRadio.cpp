#include "platform/wlan/SimulatedRadio.h"

#include "platform/Clock.h"
#include "platform/wlan/WlanElements.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>
#include <map>

namespace sv::wlan {

namespace {

// A value per scan: one number for all scans, or a list read cyclically in
// which an absent entry leaves the network out.
struct Series {
    std::vector<std::optional<int>> values;
    std::optional<int> at(int number) const
    {
        if (values.empty())
            return std::nullopt;
        return values[static_cast<size_t>(number) % values.size()];
    }
};

struct SimNetwork {
    CWNetwork base; // everything but signal and noise
    Series rssi;
    Series noise;
    bool hidden = false;
    bool broadcast = true;
};

struct PowerStep {
    double at = 0;
    bool on = true;
};

// Bounds of the scenario's real numbers: a power step a year in, a rate
// far beyond any radio's.
constexpr double kLongestScenario = 365.0 * 24 * 3600;
constexpr double kFastestRate = 100000;

struct ScriptedScan {
    bool empty = false;
    CWError error;
};

QString timeoutText() { return QStringLiteral("The operation timed out."); }

// Range first: converting a double outside int's range is undefined.
bool isWholeNumberIn(const QJsonValue& v, int lo, int hi)
{
    const double d = v.toDouble();
    return v.isDouble() && d >= lo && d <= hi && d == std::trunc(d);
}

// Reads one scenario, remembering where it is so every complaint names the key.
class ScenarioReader {
public:
    explicit ScenarioReader(QString source) : m_source(std::move(source)) {}

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

    void fail(const QString& key, const QString& what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1: %2: %3").arg(m_source, key, what);
    }

    std::optional<int> integer(const QJsonObject& o, const QString& key, const QString& path, int lo, int hi,
                               std::optional<int> fallback)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return fallback;
        if (!isWholeNumberIn(v, lo, hi)) {
            fail(path + key, QStringLiteral("expected a whole number from %1 to %2").arg(lo).arg(hi));
            return std::nullopt;
        }
        return static_cast<int>(v.toDouble());
    }

    // A number of seconds or Mb/s: finite, from lo to hi.
    std::optional<double> real(const QJsonObject& o, const QString& key, const QString& path, double lo, double hi,
                               const QString& what)
    {
        const QJsonValue v = o.value(key);
        const double d = v.toDouble();
        if (!v.isDouble() || !std::isfinite(d) || d < lo || d > hi) {
            fail(path + key, what);
            return std::nullopt;
        }
        return d;
    }

    bool boolean(const QJsonObject& o, const QString& key, const QString& path, bool fallback)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return fallback;
        if (!v.isBool()) {
            fail(path + key, QStringLiteral("expected true or false"));
            return fallback;
        }
        return v.toBool();
    }

    std::optional<QString> string(const QJsonObject& o, const QString& key, const QString& path)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        if (!v.isString()) {
            fail(path + key, QStringLiteral("expected a text"));
            return std::nullopt;
        }
        return v.toString();
    }

    Series series(const QJsonObject& o, const QString& key, const QString& path, int fallback)
    {
        Series s;
        const QJsonValue v = o.value(key);
        auto dbm = [&](const QJsonValue& x, const QString& where) -> std::optional<int> {
            if (x.isNull())
                return std::nullopt;
            if (!isWholeNumberIn(x, -150, 0)) {
                fail(where, QStringLiteral("expected a whole number of dBm from -150 to 0, or null"));
                return std::nullopt;
            }
            return static_cast<int>(x.toDouble());
        };
        if (v.isUndefined()) {
            s.values.push_back(fallback);
        } else if (v.isArray()) {
            const QJsonArray a = v.toArray();
            if (a.isEmpty())
                fail(path + key, QStringLiteral("expected at least one value"));
            for (qsizetype i = 0; i < a.size(); ++i)
                s.values.push_back(dbm(a[i], QStringLiteral("%1%2[%3]").arg(path, key).arg(i)));
        } else if (v.isNull()) {
            fail(path + key, QStringLiteral("expected a number or a list of numbers"));
        } else {
            s.values.push_back(dbm(v, path + key));
        }
        return s;
    }

    QString bssid(const QJsonObject& o, const QString& path)
    {
        const auto text = string(o, QStringLiteral("bssid"), path);
        if (!text)
            return {};
        static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f]{1,2}(:[0-9A-Fa-f]{1,2}){5}$"));
        if (!form.match(*text).hasMatch()) {
            fail(path + QStringLiteral("bssid"), QStringLiteral("expected six hexadecimal octets separated by ':'"));
            return {};
        }
        return *text;
    }

    QByteArray hex(const QJsonObject& o, const QString& key, const QString& path)
    {
        const auto text = string(o, key, path);
        if (!text)
            return {};
        QString digits = *text;
        digits.remove(QLatin1Char(' '));
        static const QRegularExpression form(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
        if (!form.match(digits).hasMatch()) {
            fail(path + key, QStringLiteral("expected hexadecimal bytes (pairs of digits)"));
            return {};
        }
        return QByteArray::fromHex(digits.toLatin1());
    }

private:
    QString m_source;
    QString m_error;
};

QString lineAndColumn(const QByteArray& text, int offset)
{
    int line = 1, column = 1;
    for (int i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

} // namespace

struct SimulatedRadio::Scenario {
    std::vector<SimNetwork> networks;
    std::vector<PowerStep> power;
    bool cachedResults = true;
    std::map<int, ScriptedScan> script;
    CWLinkState link;
};

std::shared_ptr<SimulatedRadio> SimulatedRadio::fromFile(const QString& name, const QString& path,
                                                         std::shared_ptr<Clock> clock, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString());
        return nullptr;
    }
    // Scenarios are small; refuse anything that is plainly not one.
    constexpr qint64 kLimit = 16 * 1024 * 1024;
    if (file.size() > kLimit) {
        if (error)
            *error = QStringLiteral("%1: larger than %2 bytes").arg(path).arg(kLimit);
        return nullptr;
    }
    return fromJson(name, file.readAll(), QFileInfo(path).filePath(), std::move(clock), error);
}

std::shared_ptr<SimulatedRadio> SimulatedRadio::fromJson(const QString& name, const QByteArray& json,
                                                         const QString& sourceName, std::shared_ptr<Clock> clock,
                                                         QString* error)
{
    auto setError = [&](const QString& e) {
        if (error)
            *error = e;
        return nullptr;
    };
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return setError(QStringLiteral("%1: %2: %3")
                            .arg(sourceName, lineAndColumn(json, parseError.offset), parseError.errorString()));
    if (!doc.isObject())
        return setError(QStringLiteral("%1: top level: expected an object").arg(sourceName));
    const QJsonObject root = doc.object();
    ScenarioReader r(sourceName);
    auto sc = std::make_unique<Scenario>();

    // Power.
    const QJsonValue power = root.value(QStringLiteral("power"));
    if (power.isBool() || power.isUndefined()) {
        sc->power.push_back({0, power.toBool(true)});
    } else if (power.isArray()) {
        const QJsonArray steps = power.toArray();
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString path = QStringLiteral("power[%1].").arg(i);
            if (!steps[i].isObject()) {
                r.fail(path.chopped(1), QStringLiteral("expected an object with \"at\" and \"on\""));
                break;
            }
            const QJsonObject s = steps[i].toObject();
            const double at = r.real(s, QStringLiteral("at"), path, 0, kLongestScenario,
                                     QStringLiteral("expected seconds from 0 to %1").arg(kLongestScenario))
                                  .value_or(0);
            if (!s.value(QStringLiteral("on")).isBool())
                r.fail(path + QStringLiteral("on"), QStringLiteral("expected true or false"));
            if (!sc->power.empty() && at < sc->power.back().at)
                r.fail(path + QStringLiteral("at"), QStringLiteral("times must not go back"));
            sc->power.push_back({at, s.value(QStringLiteral("on")).toBool()});
        }
    } else {
        r.fail(QStringLiteral("power"), QStringLiteral("expected true, false or a list of steps"));
    }

    sc->cachedResults = r.boolean(root, QStringLiteral("cachedResults"), QString(), true);

    // Networks.
    const QJsonValue nets = root.value(QStringLiteral("networks"));
    if (!nets.isUndefined() && !nets.isArray())
        r.fail(QStringLiteral("networks"), QStringLiteral("expected a list"));
    const QJsonArray netArray = nets.toArray();
    for (qsizetype i = 0; i < netArray.size() && !r.failed(); ++i) {
        const QString path = QStringLiteral("networks[%1].").arg(i);
        if (!netArray[i].isObject()) {
            r.fail(path.chopped(1), QStringLiteral("expected an object"));
            break;
        }
        const QJsonObject o = netArray[i].toObject();
        SimNetwork n;
        n.base.setBssid(r.bssid(o, path));
        if (auto ssid = r.string(o, QStringLiteral("ssid"), path))
            n.base.setSsidData(ssid->toUtf8());
        const auto channel = r.integer(o, QStringLiteral("channel"), path, 1, 196, std::nullopt);
        if (!channel && !r.failed())
            r.fail(path + QStringLiteral("channel"), QStringLiteral("missing"));
        const auto band = r.integer(o, QStringLiteral("band"), path, 1, 2,
                                    CWChannel::bandForChannelNumber(channel.value_or(0)));
        const QByteArray ies = r.hex(o, QStringLiteral("ies"), path);
        int fromIes = channelWidthFromElements(ies);
        const auto width = r.integer(o, QStringLiteral("width"), path, 0, 5,
                                     fromIes == kCWChannelWidthUnknown ? kCWChannelWidth20MHz : fromIes);
        if (r.failed())
            break;
        n.base.setWlanChannel(CWChannel(*channel, band.value_or(0), width.value_or(0)));
        if (!ies.isEmpty())
            n.base.setInformationElementData(ies);
        n.base.setBeaconInterval(r.integer(o, QStringLiteral("beaconInterval"), path, 0, 65535, 100).value_or(0));
        n.base.setIbss(r.boolean(o, QStringLiteral("ibss"), path, false));
        n.base.setSecurityFrom(r.boolean(o, QStringLiteral("privacy"), path, false), ies);
        n.hidden = r.boolean(o, QStringLiteral("hidden"), path, false);
        n.broadcast = r.boolean(o, QStringLiteral("broadcast"), path, true);
        n.rssi = r.series(o, QStringLiteral("rssi"), path, -70);
        n.noise = r.series(o, QStringLiteral("noise"), path, 0);
        sc->networks.push_back(std::move(n));
    }

    // The association.
    const QJsonValue assoc = root.value(QStringLiteral("associated"));
    if (assoc.isObject() && !r.failed()) {
        const QJsonObject o = assoc.toObject();
        const QString path = QStringLiteral("associated.");
        sc->link.bssid = r.bssid(o, path);
        const SimNetwork* joined = nullptr;
        for (const SimNetwork& n : sc->networks)
            if (!sc->link.bssid.isEmpty() && n.base.bssid().compare(sc->link.bssid, Qt::CaseInsensitive) == 0)
                joined = &n;
        if (auto ssid = r.string(o, QStringLiteral("ssid"), path))
            sc->link.ssidData = ssid->toUtf8();
        else if (joined)
            sc->link.ssidData = joined->base.ssidData();
        const CWChannel base = joined ? joined->base.wlanChannel() : CWChannel();
        const auto channel = r.integer(o, QStringLiteral("channel"), path, 1, 196,
                                       base.channelNumber() ? std::optional<int>(base.channelNumber()) : std::nullopt);
        if (channel) {
            const auto band = r.integer(o, QStringLiteral("band"), path, 1, 2,
                                        joined && !o.contains(QStringLiteral("channel"))
                                            ? base.channelBand()
                                            : CWChannel::bandForChannelNumber(*channel));
            const auto width = r.integer(o, QStringLiteral("width"), path, 0, 5,
                                         joined ? base.channelWidth() : int(kCWChannelWidth20MHz));
            sc->link.channel = CWChannel(*channel, band.value_or(0), width.value_or(0));
        }
        if (o.contains(QStringLiteral("transmitRate")))
            sc->link.transmitRate = r.real(o, QStringLiteral("transmitRate"), path, 0, kFastestRate,
                                           QStringLiteral("expected Mb/s from 0 to %1").arg(kFastestRate))
                                        .value_or(0);
        if (joined)
            sc->link.rssi = joined->rssi.at(0).value_or(0);
    } else if (!assoc.isUndefined() && !assoc.isNull() && !r.failed()) {
        r.fail(QStringLiteral("associated"), QStringLiteral("expected an object or null"));
    }

    // Scripted scan outcomes.
    const QJsonValue script = root.value(QStringLiteral("scanScript"));
    if (!script.isUndefined() && !script.isArray())
        r.fail(QStringLiteral("scanScript"), QStringLiteral("expected a list"));
    const QJsonArray steps = script.toArray();
    for (qsizetype i = 0; i < steps.size() && !r.failed(); ++i) {
        const QString path = QStringLiteral("scanScript[%1].").arg(i);
        if (!steps[i].isObject()) {
            r.fail(path.chopped(1), QStringLiteral("expected an object"));
            break;
        }
        const QJsonObject o = steps[i].toObject();
        const auto number = r.integer(o, QStringLiteral("scan"), path, 0, 1000000, std::nullopt);
        if (!number) {
            r.fail(path + QStringLiteral("scan"), QStringLiteral("missing"));
            break;
        }
        ScriptedScan s;
        s.empty = r.boolean(o, QStringLiteral("empty"), path, false);
        if (const auto code = r.integer(o, QStringLiteral("error"), path, -100000, -1, std::nullopt)) {
            s.error.code = *code;
            s.error.localizedDescription = r.string(o, QStringLiteral("description"), path)
                                               .value_or(*code == kCWTimeoutErr
                                                             ? timeoutText()
                                                             : QStringLiteral("The scan failed (error %1).").arg(*code));
        } else if (!s.empty && !r.failed()) {
            r.fail(path.chopped(1), QStringLiteral("expected \"error\" or \"empty\""));
        }
        if (sc->script.count(*number))
            r.fail(path + QStringLiteral("scan"), QStringLiteral("scan %1 is scripted twice").arg(*number));
        sc->script[*number] = s;
    }

    if (r.failed())
        return setError(r.error());
    return std::make_shared<SimulatedRadio>(name, std::move(sc), std::move(clock));
}

SimulatedRadio::SimulatedRadio(QString name, std::unique_ptr<Scenario> scenario, std::shared_ptr<Clock> clock)
    : m_name(std::move(name)), m_scenario(std::move(scenario)), m_clock(std::move(clock)),
      m_start(m_clock->monotonicSeconds())
{
    if (m_scenario->cachedResults)
        m_last = networksAt(0, std::nullopt);
}

SimulatedRadio::~SimulatedRadio() = default;

QString SimulatedRadio::interfaceName() const { return m_name; }

QList<CWNetwork> SimulatedRadio::networksAt(int number, const std::optional<QByteArray>& ssid) const
{
    QList<CWNetwork> out;
    for (const SimNetwork& n : m_scenario->networks) {
        if (ssid ? n.base.ssidData() != *ssid : !n.broadcast)
            continue;
        const auto rssi = n.rssi.at(number);
        if (!rssi)
            continue;
        CWNetwork net = n.base;
        net.setRssiValue(*rssi);
        net.setNoiseMeasurement(n.noise.at(number).value_or(0));
        if (n.hidden && !ssid)
            net.setSsidData(QByteArray());
        out.push_back(net);
    }
    return out;
}

QList<CWNetwork> SimulatedRadio::cachedScanResults()
{
    std::lock_guard lock(m_mutex);
    ++m_cachedCalls;
    return m_last;
}

QList<CWNetwork> SimulatedRadio::scan(const std::optional<QByteArray>& ssid, CWError* error)
{
    const bool on = powerOn();
    std::lock_guard lock(m_mutex);
    if (m_aborted) {
        if (error)
            *error = CWError::make(kCWUnknownErr, QStringLiteral("The scan was cancelled."));
        return {};
    }
    const int number = static_cast<int>(m_calls.size());
    m_calls.push_back({number, ssid});
    if (!on) {
        if (error)
            *error = CWError::make(kCWUnknownErr, QStringLiteral("The Wi-Fi radio is off."));
        return {};
    }
    if (const auto it = m_scenario->script.find(number); it != m_scenario->script.end()) {
        if (it->second.error) {
            if (error)
                *error = it->second.error;
            return {};
        }
        if (!ssid)
            m_last.clear();
        return {};
    }
    QList<CWNetwork> result = networksAt(number, ssid);
    if (!ssid)
        m_last = result;
    return result;
}

bool SimulatedRadio::powerOn()
{
    std::lock_guard lock(m_mutex);
    if (m_powerOverride)
        return *m_powerOverride;
    const double t = m_clock->monotonicSeconds() - m_start;
    bool on = true;
    for (const PowerStep& s : m_scenario->power)
        if (s.at <= t)
            on = s.on;
    return on;
}

bool SimulatedRadio::setPower(bool on, CWError*)
{
    std::lock_guard lock(m_mutex);
    m_powerOverride = on;
    return true;
}

CWLinkState SimulatedRadio::linkState()
{
    if (!powerOn())
        return {};
    std::lock_guard lock(m_mutex);
    CWLinkState link = m_scenario->link;
    // Follow the joined network's signal as the scans go.
    const int number = m_calls.empty() ? 0 : static_cast<int>(m_calls.size()) - 1;
    for (const SimNetwork& n : m_scenario->networks)
        if (!link.bssid.isEmpty() && n.base.bssid().compare(link.bssid, Qt::CaseInsensitive) == 0)
            link.rssi = n.rssi.at(number).value_or(link.rssi);
    return link;
}

void SimulatedRadio::abortScans()
{
    std::lock_guard lock(m_mutex);
    m_aborted = true;
}

void SimulatedRadio::resumeScans()
{
    std::lock_guard lock(m_mutex);
    m_aborted = false;
}

std::vector<SimulatedRadio::ScanCall> SimulatedRadio::scanCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

int SimulatedRadio::cachedResultCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_cachedCalls;
}

} // namespace sv::wlan
