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

class SystemSpeechSynthesizer final : public SVSpeechSynthesizer {
public:
    bool isSpeaking() const override { return m_speech && m_speech->state() == QTextToSpeech::Speaking; }
    void startSpeakingString(const QString& text) override
    {
        if (!ready())
            return;
        m_speech->stop();
        m_speech->say(text);
    }
    void stopSpeaking() override
    {
        if (m_speech)
            m_speech->stop();
    }

private:
    // The engine starts only when something is to be said, so a machine
    // without one pays nothing until then.
    bool ready()
    {
        if (m_speech)
            return m_speech->state() != QTextToSpeech::Error;
        if (m_unavailable)
            return false;
        if (QTextToSpeech::availableEngines().isEmpty()) {
            qCInfo(lcSkyvane) << "No speech engine: signal reports are not spoken.";
            m_unavailable = true;
            return false;
        }
        m_speech = std::make_unique<QTextToSpeech>();
        if (m_speech->state() == QTextToSpeech::Error)
            qCWarning(lcSkyvane) << "The speech engine could not start: signal reports are not spoken.";
        return m_speech->state() != QTextToSpeech::Error;
    }

    std::unique_ptr<QTextToSpeech> m_speech;
    bool m_unavailable = false;
};

} // namespace

std::unique_ptr<SVSpeechSynthesizer> newSystemSpeechSynthesizer()
{
    return std::make_unique<SystemSpeechSynthesizer>();
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

void SVSpeechReporter::speak(const std::shared_ptr<SVNetwork>& network,
                             const std::shared_ptr<SVNetwork>& selectedNetwork, const Settings& s,
                             const QDateTime& now)
{
    if (!s.hasKeyWindow && !s.speakWhenOnBackground)
        return;
    if (!s.speakOn)
        return;
    // A report with the name is never cut off.
    if (m_synth.isSpeaking() && m_sayingNetworkName)
        return;
    if (!network || network != selectedNetwork)
        return;

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
        m_lastSpeechTime = now;
        const qint64 channel = network->channel();
        const QString channelText = channel < 100 ? tr(", channel %1").arg(channel)
                                                  : tr(", channel 1 %1").arg(channel - 100);
        const QString prefix = withName ? tr("%1 %2,").arg(network->ssid(), channelText) : QString();
        if (level == SVNetwork::NoSignal) {
            m_synth.startSpeakingString(tr("%1 no signal").arg(prefix));
        } else {
            // One-pass arg(): an SSID holding "%2" stays text.
            const qint64 last = network->rssiLast();
            const QString levelText = s.units != 0 ? tr("%1 neg %2").arg(prefix, QString::number(-last))
                                                   : tr("%1 %2%").arg(prefix, QString::number(sv::signalQualityPercent(last)));
            m_synth.startSpeakingString(changed ? levelText : tr("no change, %1").arg(levelText));
            m_sayingNetworkName = withName;
        }
    }
    m_lastSpokenRSSI = level;
}
