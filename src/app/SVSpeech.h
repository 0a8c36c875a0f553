#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <functional>
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
    // Interrupts whatever is being said. False when nothing can speak.
    virtual bool startSpeakingString(const QString& text) = 0;
    virtual void stopSpeaking() = 0;
};

// A speech engine as the synthesizer below uses it: the desktop's, or a
// test's stand-in.
class SVSpeechEngine {
public:
    virtual ~SVSpeechEngine() = default;
    // The engine came up with a voice. Speech Dispatcher has none for the
    // process locale "C" and reports an error, though another voice works.
    virtual bool hasVoice() const = 0;
    virtual QList<QLocale> locales() const = 0;
    // Takes a voice of locale; false when the engine refused it.
    virtual bool useLocale(const QLocale& locale) = 0;
    virtual bool isSpeaking() const = 0;
    virtual void say(const QString& text) = 0;
    virtual void stop() = 0;
};

// The order in which voices are tried when the engine has none of its own:
// the system language first, then English, then the rest as the engine
// lists them.
QList<QLocale> fallbackLocales(const QList<QLocale>& available, const QLocale& system);

// Speaks through the engine that makeEngine makes on first use (nullptr:
// there is none). An engine without a voice is given the first of
// fallbackLocales() it takes; without one it cannot speak, and
// startSpeakingString() says so from then on.
std::unique_ptr<SVSpeechSynthesizer>
newSpeechSynthesizer(std::function<std::unique_ptr<SVSpeechEngine>()> makeEngine);
// The same over the desktop's engine (QTextToSpeech).
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
    // an unchanged one again only after the interval. False when a report
    // was due and nothing could speak it.
    bool speak(const std::shared_ptr<SVNetwork>& network, const std::shared_ptr<SVNetwork>& selectedNetwork,
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
