#include "app/SVSpeech.h"

#include "model/SVNetwork.h"
#include "model/SVSignalQuality.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QTextToSpeech>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SVSpeech", text);
}

// The desktop's engine. Its state stays Error after a failed start-up
// locale even once another voice is taken, so whether it has a voice is
// read once, at the start, and what a locale change did from the voice it
// leaves.
class SystemSpeechEngine final : public SVSpeechEngine {
public:
    SystemSpeechEngine()
    {
        QObject::connect(&m_speech, &QTextToSpeech::errorOccurred, [this] { ++m_errors; });
    }
    bool hasVoice() const override
    {
        return m_speech.state() != QTextToSpeech::Error
            && m_speech.errorReason() == QTextToSpeech::ErrorReason::NoError;
    }
    QList<QLocale> locales() const override { return m_speech.availableLocales(); }
    bool useLocale(const QLocale& locale) override
    {
        const int errors = m_errors;
        m_speech.setLocale(locale);
        return m_errors == errors && m_speech.locale() == locale && !m_speech.voice().name().isEmpty();
    }
    bool isSpeaking() const override { return m_speech.state() == QTextToSpeech::Speaking; }
    void say(const QString& text) override { m_speech.say(text); }
    void stop() override { m_speech.stop(); }

private:
    QTextToSpeech m_speech;
    int m_errors = 0;
};

class EngineSynthesizer final : public SVSpeechSynthesizer {
public:
    explicit EngineSynthesizer(std::function<std::unique_ptr<SVSpeechEngine>()> makeEngine)
        : m_makeEngine(std::move(makeEngine))
    {
    }
    bool isSpeaking() const override { return m_engine && m_engine->isSpeaking(); }
    bool startSpeakingString(const QString& text) override
    {
        if (!ready())
            return false;
        m_engine->stop();
        m_engine->say(text);
        return true;
    }
    void stopSpeaking() override
    {
        if (m_engine)
            m_engine->stop();
    }

private:
    // The engine starts only when something is to be said, so a machine
    // without one pays nothing until then; it is tried once.
    bool ready()
    {
        if (m_tried)
            return m_engine != nullptr;
        m_tried = true;
        m_engine = m_makeEngine ? m_makeEngine() : nullptr;
        if (!m_engine) {
            qCInfo(lcSkyvane) << "No speech engine: signal reports are not spoken.";
            return false;
        }
        if (m_engine->hasVoice())
            return true;
        for (const QLocale& locale : fallbackLocales(m_engine->locales(), QLocale()))
            if (m_engine->useLocale(locale)) {
                qCInfo(lcSkyvane).noquote()
                    << QStringLiteral("No voice for this session's language: speaking with one for %1.").arg(locale.name());
                return true;
            }
        qCWarning(lcSkyvane) << "No voice of the speech engine can speak: signal reports are not spoken.";
        m_engine.reset();
        return false;
    }

    std::function<std::unique_ptr<SVSpeechEngine>()> m_makeEngine;
    std::unique_ptr<SVSpeechEngine> m_engine;
    bool m_tried = false;
};

} // namespace

QList<QLocale> fallbackLocales(const QList<QLocale>& available, const QLocale& system)
{
    QList<QLocale> order;
    auto take = [&](auto wanted) {
        for (const QLocale& locale : available)
            if (wanted(locale) && !order.contains(locale))
                order.append(locale);
    };
    if (system.language() != QLocale::C)
        take([&](const QLocale& l) { return l.language() == system.language(); });
    take([](const QLocale& l) { return l.language() == QLocale::English; });
    take([](const QLocale&) { return true; });
    return order;
}

std::unique_ptr<SVSpeechSynthesizer>
newSpeechSynthesizer(std::function<std::unique_ptr<SVSpeechEngine>()> makeEngine)
{
    return std::make_unique<EngineSynthesizer>(std::move(makeEngine));
}

std::unique_ptr<SVSpeechSynthesizer> newSystemSpeechSynthesizer()
{
    return newSpeechSynthesizer([]() -> std::unique_ptr<SVSpeechEngine> {
        if (QTextToSpeech::availableEngines().isEmpty())
            return nullptr;
        return std::make_unique<SystemSpeechEngine>();
    });
}

void SVSpeechReporter::selectionDidChange()
{
    m_synth.stopSpeaking();
    m_sayingNetworkName = false;
    m_lastSpeechTime.reset();
}

void SVSpeechReporter::announceAnew()
{
    m_sayingNetworkName = false;
    m_lastSpeechTime.reset();
}

bool SVSpeechReporter::speak(const std::shared_ptr<SVNetwork>& network,
                             const std::shared_ptr<SVNetwork>& selectedNetwork, const Settings& s,
                             const QDateTime& now)
{
    if (!s.hasKeyWindow && !s.speakWhenOnBackground)
        return true;
    if (!s.speakOn)
        return true;
    // A report with the name is never cut off.
    if (m_synth.isSpeaking() && m_sayingNetworkName)
        return true;
    if (!network || network != selectedNetwork)
        return true;

    const qint64 level = network->rssi();
    bool withName = false;
    bool changed = false;
    bool say = true;
    if (!m_lastSpeechTime) {
        withName = changed = true;
    } else if (level != m_lastSpokenRSSI) {
        changed = true;
    } else if (s.intervalSeconds <= 0 || m_lastSpeechTime->msecsTo(now) < qint64(s.intervalSeconds * 1000)) {
        say = false;
    }

    if (say) {
        const qint64 channel = network->channel();
        const QString channelText = channel < 100 ? tr(", channel %1").arg(channel)
                                                  : tr(", channel 1 %1").arg(channel - 100);
        const QString prefix = withName ? tr("%1 %2,").arg(network->ssid(), channelText) : QString();
        const bool noSignal = level == SVNetwork::NoSignal;
        QString text;
        if (noSignal) {
            text = tr("%1 no signal").arg(prefix);
        } else {
            // One-pass arg(): an SSID holding "%2" stays text.
            const qint64 last = network->rssiLast();
            const QString levelText = s.units != 0 ? tr("%1 neg %2").arg(prefix, QString::number(-last))
                                                   : tr("%1 %2%").arg(prefix, QString::number(sv::signalQualityPercent(last)));
            text = changed ? levelText : tr("no change, %1").arg(levelText);
        }
        // Nothing spoken, nothing changed: the report stays due.
        if (!m_synth.startSpeakingString(text))
            return false;
        m_lastSpeechTime = now;
        if (!noSignal)
            m_sayingNetworkName = withName;
    }
    m_lastSpokenRSSI = level;
    return true;
}
