#pragma once

#include <QDateTime>
#include <QString>

#include <limits>
#include <memory>
#include <optional>

class SVNetwork;

// What speaks. The application's one speaks through the desktop's speech
// engine; tests put one in that writes down what it is asked to say.
class SVSpeechSynthesizer {
public:
    virtual ~SVSpeechSynthesizer() = default;
    virtual bool isSpeaking() const = 0;
    // Interrupts whatever is being said.
    virtual void startSpeakingString(const QString& text) = 0;
    virtual void stopSpeaking() = 0;
};

// The desktop's speech engine with its default voice, made on first use;
// without an engine it says nothing (and says so once in the log).
std::unique_ptr<SVSpeechSynthesizer> newSystemSpeechSynthesizer();

// Spoken reports of the selected network's signal, repeated as it changes.
class SVSpeechReporter {
public:
    struct Settings {
        bool hasKeyWindow = true;          // the application is in front
        bool speakOn = false;              // "SpeakOn"
        bool speakWhenOnBackground = false; // "SpeakWhenOnBackground"
        double intervalSeconds = 0;        // "SpeakIntervalInSeconds"
        int units = 0;                     // 0 percent, else dBm
    };

    explicit SVSpeechReporter(SVSpeechSynthesizer& synthesizer) : m_synth(synthesizer) {}

    // Speaks a report on network when the rules allow: the first report
    // names the network and its channel, a changed level is told short,
    // an unchanged one again only after the interval.
    void speak(const std::shared_ptr<SVNetwork>& network, const std::shared_ptr<SVNetwork>& selectedNetwork,
               const Settings& settings, const QDateTime& now);
    // The selection changed: stop, and announce the next network anew.
    void selectionDidChange();
    // The application came to the front without background speech.
    void announceAnew();
    void stopSpeaking() { m_synth.stopSpeaking(); }

    std::optional<QDateTime> lastSpeechTime() const { return m_lastSpeechTime; }
    qint64 lastSpokenRSSI() const { return m_lastSpokenRSSI; }
    bool sayingNetworkName() const { return m_sayingNetworkName; }

private:
    SVSpeechSynthesizer& m_synth;
    std::optional<QDateTime> m_lastSpeechTime;
    qint64 m_lastSpokenRSSI = std::numeric_limits<qint64>::max();
    bool m_sayingNetworkName = false;
};
