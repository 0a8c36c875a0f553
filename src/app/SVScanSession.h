#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class CWInterface;
class QTimer;
class SVActiveScanEngine;
class SVAlert;
namespace sv {
class Clock;
}

// One scan loop at a time: the engine on the radio, the timer that merges
// its results, the identity of the run, the question whether to turn the
// radio on and whether the computer went to sleep. An engine runs exactly
// while the state is not Stopped.
class SVScanSession : public QObject {
    Q_OBJECT
public:
    enum class State {
        Stopped,
        Starting, // the engine's first pass has not ended
        Scanning, // the merge timer ticks
    };

    SVScanSession(std::shared_ptr<sv::Clock> clock, int mergeIntervalMs, QObject* parent = nullptr);
    ~SVScanSession() override;

    State state() const { return m_state; }
    bool isScanning() const { return m_state != State::Stopped; }
    SVActiveScanEngine* engine() const { return m_engine.get(); }

    // Ends the engine held, then makes one on radio for a new loop; it runs
    // from runEngine(). The results already shown are the caller's.
    void start(const std::shared_ptr<CWInterface>& radio);
    void runEngine();
    // A fresh engine for the loop under way, on the same survey: the radio
    // came back on. The merge timer goes on.
    void restartEngine(const std::shared_ptr<CWInterface>& radio);
    // Ends the timer and the engine (joining its thread) and begins a new run.
    void stop();
    // The engine's pass ended: the first of a loop starts the merge timer.
    // A pass that ends after a stop changes nothing.
    void startMergingAfterFirstPass();

    // Names one run (a start, a stop or a clear begins a new one), so a
    // merge deferred from an earlier run is dropped.
    quint64 beginRun() { return ++m_runIdentity; }
    quint64 runIdentity() const { return m_runIdentity; }
    bool isCurrentRun(quint64 run) const { return isScanning() && run == m_runIdentity; }

    SVAlert* powerOffAlert() const { return m_powerOffAlert; }
    void setPowerOffAlert(SVAlert* alert) { m_powerOffAlert = alert; }

    // Set when the computer is about to sleep: the radio going off then is
    // no reason to ask.
    bool didReceiveSleepNote() const { return m_didReceiveSleepNote; }
    void setDidReceiveSleepNote(bool received) { m_didReceiveSleepNote = received; }

signals:
    // The merge timer ticked.
    void mergeDue();

private:
    void endEngine();

    std::shared_ptr<sv::Clock> m_clock;
    int m_mergeIntervalMs;
    State m_state = State::Stopped;
    std::unique_ptr<SVActiveScanEngine> m_engine;
    QTimer* m_timer = nullptr; // a child, only while Scanning
    quint64 m_runIdentity = 0;
    QPointer<SVAlert> m_powerOffAlert;
    bool m_didReceiveSleepNote = false;
};
