// Speaking the selected network's signal: the View menu's command, the
// reports as the selection and its level change, and a voice that fails.

#include "app/AppDelegate.h"
#include "model/SVDefaultsKeys.h"

#include "app/SVAlert.h"
#include "app/SVMainWindow.h"
#include "app/SVSpeech.h"
#include "platform/Clock.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

void AppDelegate::buildSpeechItems(QMenu* view)
{
    if (!m_speechSynth)
        setSpeechSynthesizer(newSystemSpeechSynthesizer());

    view->addSeparator();
    m_speakAction = view->addAction(tr("Speak Signal Strength"));
    m_speakAction->setCheckable(true);
    m_speakAction->setChecked(m_defaults.boolForKey(SVDefaultsKey::SpeakOn));
    connect(m_speakAction, &QAction::triggered, this, [this] { onSpeak(); });
    // The mark follows "SpeakOn" whoever writes it.
    m_observations.push_back(sv::NotificationCenter::defaultCenter().addObserver(
        sv::UserDefaults::DidChangeNotification,
        [this](const sv::Notification&) {
            if (m_speakAction)
                m_speakAction->setChecked(m_defaults.boolForKey(SVDefaultsKey::SpeakOn));
        },
        sv::NotificationCenter::Delivery::MainThread, this));

    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            applicationDidBecomeActive();
    });
}

void AppDelegate::setSpeechSynthesizer(std::unique_ptr<SVSpeechSynthesizer> synthesizer)
{
    m_speech.reset();
    m_speechSynth = std::move(synthesizer);
    m_speech = std::make_shared<SVSpeechReporter>(*m_speechSynth);
}

void AppDelegate::speak(const std::shared_ptr<SVNetwork>& network)
{
    if (!m_speech)
        return;
    SVSpeechReporter::Settings s;
    s.hasKeyWindow = QGuiApplication::applicationState() == Qt::ApplicationActive
        || (m_window && m_window->isActiveWindow());
    s.speakOn = m_defaults.boolForKey(SVDefaultsKey::SpeakOn);
    s.speakWhenOnBackground = m_defaults.boolForKey(SVDefaultsKey::SpeakWhenOnBackground);
    s.intervalSeconds = m_defaults.doubleForKey(SVDefaultsKey::SpeakIntervalInSeconds);
    s.units = m_units;
    if (!m_speech->speak(network, m_selectedNetwork, s, m_clock->now()))
        speechIsUnavailable();
}

// Nothing can speak: the command is unticked rather than left on in silence.
void AppDelegate::speechIsUnavailable()
{
    m_defaults.setBool(false, SVDefaultsKey::SpeakOn);
    if (m_speakAction)
        m_speakAction->setChecked(false);
    if (m_toldSpeechUnavailable || !m_window)
        return;
    m_toldSpeechUnavailable = true;
    auto* alert = new SVAlert(m_window);
    alert->setAlertStyle(SVAlert::Style::Warning);
    alert->setMessageText(tr("Signal strength cannot be spoken."));
    alert->setInformativeText(tr("No voice of this computer's speech service could speak, so Speak Signal "
                                 "Strength has been turned off."));
    alert->beginSheetModalForWindow(m_window, [](int) {});
}

void AppDelegate::onSpeak()
{
    const bool on = m_speakAction ? m_speakAction->isChecked() : !m_defaults.boolForKey(SVDefaultsKey::SpeakOn);
    m_defaults.setBool(on, SVDefaultsKey::SpeakOn);
    if (!on) {
        if (m_speech)
            m_speech->stopSpeaking();
        return;
    }
    speak(m_selectedNetwork);
}

void AppDelegate::applicationDidBecomeActive()
{
    if (!m_speech || m_defaults.boolForKey(SVDefaultsKey::SpeakWhenOnBackground))
        return;
    m_speech->announceAnew();
    speak(m_selectedNetwork);
}

void AppDelegate::scheduleSpeak()
{
    QTimer::singleShot(300, this, [this, network = m_selectedNetwork] { speak(network); });
}

void AppDelegate::speechSelectionDidChange()
{
    if (m_speech)
        m_speech->selectionDidChange();
}
