#include <gtest/gtest.h>

#include "model/SVActiveScanEngine.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/wlan/SimulatedRadio.h"

#include <chrono>
#include <future>

using sv::wlan::SimulatedRadio;

namespace {

// One pass as the engine's observers saw it.
struct Pass {
    SVScanResults results;
    std::vector<SimulatedRadio::ScanCall> calls; // scans made during the pass
    std::vector<double> sleeps;                  // the pass's waits and the pause after it
};

// Runs an engine over a scenario on a manual clock for a number of passes.
class Harness {
public:
    explicit Harness(const QByteArray& json)
    {
        QString error;
        radio = SimulatedRadio::fromJson(QStringLiteral("sim0"), json, QStringLiteral("test.json"), clock, &error);
        EXPECT_TRUE(radio) << error.toStdString();
        wifi = std::make_shared<CWInterface>(radio);
    }

    std::vector<Pass> run(int count)
    {
        auto engine = std::make_unique<SVActiveScanEngine>(wifi, std::nullopt, clock, &center);
        SVActiveScanEngine* const e = engine.get(); // stays valid until the thread is joined
        std::vector<Pass> passes;
        std::vector<size_t> sleepMarks, callMarks;
        std::promise<void> done;
        auto onStart = center.addObserver(
            SVActiveScanEngine::ScanDidStartNotification,
            [&](const sv::Notification&) {
                ++starts;
                sleepMarks.push_back(clock->sleeps().size());
                callMarks.push_back(radio->scanCalls().size());
                if (static_cast<int>(passes.size()) == count) {
                    hadResultsBeforeStop = e->hasResults();
                    e->stopEngine();
                    hasResultsAfterStop = e->hasResults() || e->results();
                    done.set_value();
                    return;
                }
                passes.emplace_back();
            },
            sv::NotificationCenter::Delivery::PostingThread);
        auto onEnd = center.addObserver(
            SVActiveScanEngine::ScanDidEndNotification,
            [&](const sv::Notification&) {
                ++ends;
                if (e->isRunning())
                    passes.back().results = e->results();
            },
            sv::NotificationCenter::Delivery::PostingThread);
        engine->runEngine();
        EXPECT_EQ(done.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
        engine.reset(); // joins the thread
        const auto sleeps = clock->sleeps();
        const auto calls = radio->scanCalls();
        for (size_t i = 0; i < passes.size(); ++i) {
            passes[i].sleeps.assign(sleeps.begin() + sleepMarks[i], sleeps.begin() + sleepMarks[i + 1]);
            passes[i].calls.assign(calls.begin() + callMarks[i], calls.begin() + callMarks[i + 1]);
        }
        return passes;
    }

    std::shared_ptr<sv::ManualClock> clock = std::make_shared<sv::ManualClock>();
    std::shared_ptr<SimulatedRadio> radio;
    std::shared_ptr<CWInterface> wifi;
    sv::NotificationCenter center;
    bool hadResultsBeforeStop = false;
    bool hasResultsAfterStop = true;
    int starts = 0;
    int ends = 0;
};

QStringList bssids(const SVScanResults& results)
{
    QStringList out;
    if (results)
        for (const QVariantMap& d : *results)
            out << d.value(QStringLiteral("bssid")).toString() + QLatin1Char('/')
                       + d.value(QStringLiteral("channelNumber")).toString();
    return out;
}

int directedScans(const Pass& pass)
{
    return static_cast<int>(std::count_if(pass.calls.begin(), pass.calls.end(),
                                          [](const SimulatedRadio::ScanCall& c) { return c.ssid.has_value(); }));
}

const char* kTwoNetworks = R"({"cachedResults": %1, "networks": [
    {"bssid": "aa:00:00:00:00:01", "ssid": "One", "channel": 1, "rssi": -50},
    {"bssid": "aa:00:00:00:00:02", "ssid": "Two", "channel": 36, "rssi": -60}]})";

} // namespace

TEST(ScanEngine, FirstPassTakesCachedResultsElseScans)
{
    for (const bool cached : {true, false}) {
        SCOPED_TRACE(cached);
        Harness h(QString::fromLatin1(kTwoNetworks).arg(cached ? "true" : "false").toUtf8());
        const auto passes = h.run(2);
        ASSERT_EQ(passes.size(), 2u);
        EXPECT_EQ(bssids(passes[0].results), QStringList({"aa:00:00:00:00:01/1", "aa:00:00:00:00:02/36"}));
        EXPECT_EQ(passes[0].calls.size(), cached ? 0u : 1u);
        EXPECT_EQ(h.radio->cachedResultCalls(), 1); // first pass only, either way
        // A quick pass is stretched to 1.0 s, then the 3.0 s pause.
        EXPECT_EQ(passes[0].sleeps, std::vector<double>({1.0, 3.0}));
        EXPECT_EQ(passes[1].calls.size(), 1u);
        EXPECT_EQ(h.starts, 3);
    }
}

TEST(ScanEngine, DuplicatesAreRemovedByBandAndBssidIgnoringCase)
{
    Harness h(R"({"cachedResults": false, "networks": [
        {"bssid": "aa:bb:cc:00:00:01", "ssid": "A", "channel": 1},
        {"bssid": "AA:BB:CC:00:00:01", "ssid": "A", "channel": 6},
        {"bssid": "aa:bb:cc:00:00:01", "ssid": "A", "channel": 36},
        {"ssid": "no address", "channel": 11},
        {"bssid": "aa:bb:cc:00:00:02", "ssid": "B", "channel": 11}]})");
    const auto passes = h.run(1);
    // The first of a band wins; the other band stays; a network without a
    // BSSID is left out.
    EXPECT_EQ(bssids(passes.at(0).results),
              QStringList({"aa:bb:cc:00:00:01/1", "aa:bb:cc:00:00:01/36", "aa:bb:cc:00:00:02/11"}));
}

TEST(ScanEngine, MissingAssociatedNetworkGetsDirectedScanFirst)
{
    // The joined network misses the first broadcast scan (#0) but answers
    // the directed one (#1) and later broadcasts; "Home" on channel 6
    // answers only scans for its name.
    Harness h(R"({"cachedResults": false,
        "associated": {"bssid": "cc:00:00:00:00:09", "ssid": "Home", "channel": 44},
        "networks": [
        {"bssid": "cc:00:00:00:00:01", "ssid": "Other", "channel": 1},
        {"bssid": "cc:00:00:00:00:09", "ssid": "Home", "channel": 44, "rssi": [null, -55, -56, -57]},
        {"bssid": "cc:00:00:00:00:0a", "ssid": "Home", "channel": 6, "broadcast": false}]})");
    const auto passes = h.run(2);
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_EQ(bssids(passes[0].results),
              QStringList({"cc:00:00:00:00:09/44", "cc:00:00:00:00:0a/6", "cc:00:00:00:00:01/1"}));
    ASSERT_EQ(passes[0].calls.size(), 2u);
    EXPECT_FALSE(passes[0].calls[0].ssid);
    EXPECT_EQ(passes[0].calls[1].ssid, QByteArray("Home"));
    // The directed scan waits 3.0 s into the pass, which then needs no stretching.
    EXPECT_EQ(passes[0].sleeps, std::vector<double>({3.0, 3.0}));
    // The pass after a directed scan waits 3.0 s more before it ends its
    // attempts, reusing what it has; its result holds the joined network.
    EXPECT_EQ(passes[1].calls.size(), 1u);
    EXPECT_EQ(passes[1].sleeps, std::vector<double>({3.0, 3.0}));
    EXPECT_EQ(bssids(passes[1].results), QStringList({"cc:00:00:00:00:01/1", "cc:00:00:00:00:09/44"}));
}

TEST(ScanEngine, DirectedScanOnlyWhenAssociatedBssIsMissingInItsBand)
{
    struct Case {
        const char* name;
        const char* associated;
        bool directed;
    } cases[] = {
        {"not associated", "null", false},
        {"zero BSSID", R"({"bssid": "00:00:00:00:00:00", "ssid": "Home", "channel": 6})", false},
        {"present in its band", R"({"bssid": "DD:00:00:00:00:01", "ssid": "Home", "channel": 6})", false},
        {"present in the other band only", R"({"bssid": "dd:00:00:00:00:01", "ssid": "Home", "channel": 40})", true},
        {"joined without a name", R"({"bssid": "dd:00:00:00:00:07", "channel": 6})", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h(QStringLiteral(R"({"associated": %1, "networks": [
            {"bssid": "dd:00:00:00:00:01", "ssid": "Home", "channel": 6}]})")
                      .arg(QLatin1String(c.associated))
                      .toUtf8());
        const auto passes = h.run(1);
        EXPECT_EQ(directedScans(passes.at(0)), c.directed ? 1 : 0);
    }
}

TEST(ScanEngine, TimeoutStillRescansOtherErrorsDoNot)
{
    for (const int code : {-3905, -3902}) {
        SCOPED_TRACE(code);
        Harness h(QStringLiteral(R"({"cachedResults": false,
            "associated": {"bssid": "ee:00:00:00:00:09", "ssid": "Home", "channel": 1},
            "scanScript": [{"scan": 0, "error": %1}, {"scan": 1, "error": %1}, {"scan": 2, "error": %1}],
            "networks": [{"bssid": "ee:00:00:00:00:09", "ssid": "Home", "channel": 1}]})")
                      .arg(code)
                      .toUtf8());
        const auto passes = h.run(1);
        const Pass& p = passes.at(0);
        // Three failed attempts 3.0 s apart, then the pause.
        EXPECT_EQ(p.sleeps, std::vector<double>({3.0, 3.0, 3.0, 3.0}));
        if (code == -3905) {
            EXPECT_EQ(directedScans(p), 1);
            EXPECT_EQ(bssids(p.results), QStringList({"ee:00:00:00:00:09/1"}));
        } else {
            EXPECT_EQ(p.calls.size(), 3u);
            ASSERT_TRUE(p.results);
            EXPECT_TRUE(p.results->isEmpty());
        }
    }
}

TEST(ScanEngine, EmptyScansPublishAnEmptyResultAndStopDropsIt)
{
    Harness h(R"({"cachedResults": false, "networks": []})");
    SVActiveScanEngine fresh(h.wifi, std::nullopt, h.clock, &h.center);
    EXPECT_FALSE(fresh.hasResults());
    EXPECT_FALSE(fresh.results());

    const auto passes = h.run(1);
    const Pass& p = passes.at(0);
    EXPECT_EQ(p.calls.size(), 3u);
    EXPECT_EQ(p.sleeps, std::vector<double>({3.0, 3.0, 3.0, 3.0}));
    ASSERT_TRUE(p.results);
    EXPECT_TRUE(p.results->isEmpty());
    EXPECT_TRUE(h.hadResultsBeforeStop);
    EXPECT_FALSE(h.hasResultsAfterStop);
}

TEST(ScanEngine, RadioOffKeepsTheLastResultAndPausesOneSecond)
{
    // On for the first two passes (0-4 s, 4-8 s), off from 5 s.
    Harness h(R"({"power": [{"at": 0, "on": true}, {"at": 5, "on": false}], "networks": [
        {"bssid": "ab:00:00:00:00:01", "ssid": "One", "channel": 1, "rssi": [-50, -51, -52]}]})");
    const auto passes = h.run(4);
    ASSERT_EQ(passes.size(), 4u);
    ASSERT_TRUE(passes[1].results);
    EXPECT_EQ(passes[1].results->at(0).value("rssiValue").toInt(), -50);
    for (int i : {2, 3}) {
        EXPECT_EQ(passes[i].results, passes[1].results) << i;
        EXPECT_TRUE(passes[i].calls.empty());
        EXPECT_EQ(passes[i].sleeps, std::vector<double>({1.0}));
    }
    EXPECT_EQ(h.starts, h.ends);
}

namespace {

// Where the engine can be when Stop arrives. A Gate lets every step pass at
// once except the one a test holds: that one blocks, as a slow scan or a
// long wait would, until the engine cuts it short (an abort or a cancel) or
// the test lets it go.
class Gate {
public:
    enum Step { Cached, Broadcast, Directed, Sleep3, Sleep1 };

    explicit Gate(std::optional<Step> held) : m_held(held) {}

    // Called by the radio and the clock: blocks while this is the held step
    // and it has been neither cut short nor let go. True when it was cut.
    bool enter(Step step)
    {
        std::unique_lock lock(m_mutex);
        m_log.push_back({step, m_stopped});
        if (step != m_held || m_released)
            return m_cut;
        m_reached = true;
        m_cv.notify_all();
        m_cv.wait(lock, [&] { return m_cut || m_released; });
        return m_cut;
    }
    void cut(bool on)
    {
        std::lock_guard lock(m_mutex);
        m_cut = on;
        m_cv.notify_all();
    }
    bool isCut()
    {
        std::lock_guard lock(m_mutex);
        return m_cut;
    }
    bool waitUntilReached()
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(60), [&] { return m_reached; });
    }
    void markStopped()
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_cv.notify_all();
    }
    // Steps entered after Stop was called.
    std::vector<Step> afterStop()
    {
        std::lock_guard lock(m_mutex);
        std::vector<Step> out;
        for (const auto& [step, late] : m_log)
            if (late)
                out.push_back(step);
        return out;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    const std::optional<Step> m_held;
    bool m_reached = false;
    bool m_released = false;
    bool m_stopped = false;
    bool m_cut = false;
    std::vector<std::pair<Step, bool>> m_log;
};

// A radio like the real backend: an abort ends the scan under way and every
// later one until scans are resumed; it stays in force no longer.
class GatedRadio final : public CWWlanBackend {
public:
    GatedRadio(Gate& gate, bool associated, bool emptyScans)
        : m_gate(gate), m_associated(associated), m_emptyScans(emptyScans)
    {
    }
    QString interfaceName() const override { return QStringLiteral("sim7"); }
    QList<CWNetwork> cachedScanResults() override
    {
        m_gate.enter(Gate::Cached);
        return {}; // nothing cached: a careless engine would scan next
    }
    QList<CWNetwork> scan(const std::optional<QByteArray>& ssid, CWError* error) override
    {
        if (m_gate.enter(ssid ? Gate::Directed : Gate::Broadcast)) {
            *error = CWError::make(kCWUnknownErr, QStringLiteral("The scan was cancelled."));
            return {};
        }
        if (ssid)
            return {network(QStringLiteral("02:00:00:00:00:09"), 44)};
        if (m_emptyScans)
            return {};
        return {network(QStringLiteral("02:00:00:00:00:01"), 1)};
    }
    bool powerOn() override { return true; }
    bool setPower(bool, CWError*) override { return true; }
    CWLinkState linkState() override
    {
        CWLinkState link;
        if (m_associated) {
            link.bssid = QStringLiteral("02:00:00:00:00:09");
            link.ssidData = "Home";
            link.channel = CWChannel(44, kCWChannelBand5GHz, kCWChannelWidth20MHz);
        }
        return link;
    }
    void abortScans() override { m_gate.cut(true); }
    void resumeScans() override { m_gate.cut(false); }

private:
    static CWNetwork network(const QString& bssid, int channel)
    {
        CWNetwork n;
        n.setBssid(bssid);
        n.setWlanChannel(CWChannel(channel, CWChannel::bandForChannelNumber(channel), kCWChannelWidth20MHz));
        n.setRssiValue(-50);
        return n;
    }
    Gate& m_gate;
    const bool m_associated;
    const bool m_emptyScans;
};

// A manual clock whose 3.0 s and 1.0 s sleeps go through the gate; a cancel
// cuts them, and stays in force until resumed.
class GatedClock final : public sv::Clock {
public:
    explicit GatedClock(Gate& gate) : m_gate(gate) {}
    double monotonicSeconds() const override { return m_elapsed; }
    QDateTime now() const override { return QDateTime::fromSecsSinceEpoch(qint64(m_elapsed), Qt::UTC); }
    bool sleep(double seconds) override
    {
        if (m_cancelled)
            return false;
        const Gate::Step step = seconds >= 3.0 ? Gate::Sleep3 : Gate::Sleep1;
        // The gate's cut stands for this clock's cancel here.
        m_gate.enter(step);
        if (m_cancelled)
            return false;
        m_elapsed = m_elapsed + seconds;
        return true;
    }
    void cancel() override
    {
        m_cancelled = true;
        m_gate.cut(true);
    }
    void resume() override { m_cancelled = false; }

private:
    Gate& m_gate;
    std::atomic<double> m_elapsed{0};
    std::atomic<bool> m_cancelled{false};
};

} // namespace

// Stop during each step of a pass: it returns although the test never lets
// the held step go (the engine cuts it short), publishes nothing and starts
// nothing afterwards; the next start scans again.
TEST(ScanEngine, StopDuringEachStepReturnsAtOnceAndStartsNothing)
{
    struct Case {
        const char* name;
        Gate::Step held;
        bool associated;
        bool emptyScans;
    } cases[] = {
        {"cached results of the first pass", Gate::Cached, false, false},
        {"broadcast scan", Gate::Broadcast, false, false},
        {"wait between empty scans", Gate::Sleep3, false, true},
        {"wait before the directed scan", Gate::Sleep3, true, false},
        {"directed scan", Gate::Directed, true, false},
        {"stretch of a short pass", Gate::Sleep1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gate gate(c.held);
        auto radio = std::make_shared<GatedRadio>(gate, c.associated, c.emptyScans);
        auto wifi = std::make_shared<CWInterface>(radio);
        auto clock = std::make_shared<GatedClock>(gate);
        sv::NotificationCenter center;
        auto engine = std::make_unique<SVActiveScanEngine>(wifi, std::nullopt, clock, &center);
        engine->runEngine();
        ASSERT_TRUE(gate.waitUntilReached());

        // Stop as the controller does: stop, then drop the engine.
        gate.markStopped();
        auto stop = std::async(std::launch::async, [&] {
            engine->stopEngine();
            EXPECT_FALSE(engine->hasResults());
            engine.reset();
        });
        const bool returned = stop.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
        EXPECT_TRUE(returned) << "Stop waited for the held step";
        gate.release(); // only now, so a hung Stop still lets the test end
        stop.wait();
        const auto late = gate.afterStop();
        EXPECT_TRUE(std::none_of(late.begin(), late.end(),
                                 [](Gate::Step s) {
                                     return s == Gate::Cached || s == Gate::Broadcast || s == Gate::Directed;
                                 }))
            << "a scan was started after Stop";

        // The abort lasted only until the next start: a new engine on the
        // same interface scans and publishes.
        std::promise<void> published;
        std::atomic<bool> once{false};
        auto onEnd = center.addObserver(
            SVActiveScanEngine::ScanDidEndNotification,
            [&](const sv::Notification&) {
                if (!once.exchange(true))
                    published.set_value();
            },
            sv::NotificationCenter::Delivery::PostingThread);
        auto next = std::make_unique<SVActiveScanEngine>(wifi, std::nullopt, clock, &center);
        next->runEngine();
        ASSERT_EQ(published.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready);
        EXPECT_TRUE(next->hasResults());
        EXPECT_EQ(next->results()->isEmpty(), c.emptyScans);
        next.reset();
    }
}

namespace {

// Passes everything to a simulated radio and counts the link readings.
class LinkCountingRadio final : public CWWlanBackend {
public:
    explicit LinkCountingRadio(std::shared_ptr<CWWlanBackend> inner) : m_inner(std::move(inner)) {}
    QString interfaceName() const override { return m_inner->interfaceName(); }
    QList<CWNetwork> cachedScanResults() override { return m_inner->cachedScanResults(); }
    QList<CWNetwork> scan(const std::optional<QByteArray>& ssid, CWError* error) override
    {
        return m_inner->scan(ssid, error);
    }
    bool powerOn() override { return m_inner->powerOn(); }
    bool setPower(bool on, CWError* error) override { return m_inner->setPower(on, error); }
    CWLinkState linkState() override
    {
        ++readings;
        return m_inner->linkState();
    }
    void abortScans() override { m_inner->abortScans(); }
    std::atomic<int> readings{0};

private:
    std::shared_ptr<CWWlanBackend> m_inner;
};

} // namespace

TEST(ScanEngine, OneLinkReadingPerPassServesEveryGetter)
{
    Harness h(R"({"cachedResults": false,
        "associated": {"bssid": "cc:00:00:00:00:09", "ssid": "Home", "channel": 44},
        "networks": [
        {"bssid": "cc:00:00:00:00:01", "ssid": "Other", "channel": 1},
        {"bssid": "cc:00:00:00:00:09", "ssid": "Home", "channel": 44, "rssi": [null, -55, -56, -57]}]})");
    auto counting = std::make_shared<LinkCountingRadio>(h.radio);
    h.wifi = std::make_shared<CWInterface>(counting);
    const auto passes = h.run(2);
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_EQ(directedScans(passes[0]), 1); // the reading said which network to look for
    EXPECT_EQ(counting->readings, 2);

    // The window's getters share the latest reading instead of reading again.
    EXPECT_EQ(h.wifi->bssid(), QStringLiteral("cc:00:00:00:00:09"));
    EXPECT_EQ(h.wifi->ssid(), QStringLiteral("Home"));
    EXPECT_EQ(h.wifi->ssidData(), QByteArray("Home"));
    ASSERT_TRUE(h.wifi->wlanChannel());
    EXPECT_EQ(h.wifi->wlanChannel()->channelNumber(), 44);
    (void)h.wifi->transmitRate();
    EXPECT_EQ(counting->readings, 2);
    h.wifi->refreshLinkState();
    EXPECT_EQ(counting->readings, 3);
}
