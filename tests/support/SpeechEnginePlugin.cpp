// A speech engine that QTextToSpeech loads like the desktop's, so tests
// never reach the machine's speech service. Like Speech Dispatcher under
// LANG=C it comes up without a voice, reporting a configuration error, and
// takes only the locales named in SV_TEST_SPEECH_VOICES (comma-separated);
// what it says goes, one line each as "locale: text", to the file named by
// SV_TEST_SPEECH_LOG.

#include <QFile>
#include <QTextToSpeechEngine>
#include <QTextToSpeechPlugin>
#include <QVoice>

namespace {

class TestEngine final : public QTextToSpeechEngine {
    Q_OBJECT
public:
    TestEngine()
    {
        for (const QString& name : qEnvironmentVariable("SV_TEST_SPEECH_VOICES").split(u',', Qt::SkipEmptyParts))
            m_voices.append(createVoice(QStringLiteral("voice-") + name, QLocale(name), QVoice::Unknown,
                                        QVoice::Other, {}));
    }
    QList<QLocale> availableLocales() const override
    {
        QList<QLocale> locales;
        for (const QVoice& v : m_voices)
            locales.append(v.locale());
        return locales;
    }
    QList<QVoice> availableVoices() const override { return m_voices; }
    void say(const QString& text) override
    {
        QFile log(qEnvironmentVariable("SV_TEST_SPEECH_LOG"));
        if (log.open(QIODevice::Append))
            log.write(m_voice.locale().name().toUtf8() + ": " + text.toUtf8() + "\n");
    }
    void stop(QTextToSpeech::BoundaryHint) override {}
    void pause(QTextToSpeech::BoundaryHint) override {}
    void resume() override {}
    double rate() const override { return 0; }
    bool setRate(double) override { return false; }
    double pitch() const override { return 0; }
    bool setPitch(double) override { return false; }
    QLocale locale() const override { return m_voice.locale(); }
    bool setLocale(const QLocale& locale) override
    {
        for (const QVoice& v : m_voices)
            if (v.locale() == locale) {
                m_voice = v;
                return true;
            }
        emit errorOccurred(QTextToSpeech::ErrorReason::Configuration, QStringLiteral("Locale not available"));
        return false;
    }
    double volume() const override { return 1; }
    bool setVolume(double) override { return false; }
    QVoice voice() const override { return m_voice; }
    bool setVoice(const QVoice& voice) override
    {
        m_voice = voice;
        return true;
    }
    QTextToSpeech::State state() const override { return QTextToSpeech::Error; }
    QTextToSpeech::ErrorReason errorReason() const override { return QTextToSpeech::ErrorReason::Configuration; }
    QString errorString() const override { return QStringLiteral("Failed to set default locale and voice"); }

private:
    QList<QVoice> m_voices;
    QVoice m_voice;
};

} // namespace

class TestSpeechPlugin : public QObject, public QTextToSpeechPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.qt.speech.tts.plugin/6.0" FILE "SpeechEnginePlugin.json")
    Q_INTERFACES(QTextToSpeechPlugin)
public:
    QTextToSpeechEngine* createTextToSpeechEngine(const QVariantMap&, QObject* parent, QString*) const override
    {
        auto* engine = new TestEngine;
        engine->setParent(parent);
        return engine;
    }
};

#include "SpeechEnginePlugin.moc"
