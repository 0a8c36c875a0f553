#include "support/QStringPrinter.h"
#include "model/Beacon.h"

#include "app/SVSpeech.h"
#include "model/SVNetwork.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextToSpeech>

#include <gtest/gtest.h>

using namespace beacon;

namespace {

// Writes down what it is asked to say; "speaking" until told otherwise.
struct RecordingSynthesizer : SVSpeechSynthesizer {
    bool isSpeaking() const override { return speaking; }
    bool startSpeakingString(const QString& text) override
    {
        spoken << text;
        speaking = true;
        return true;
    }
    void stopSpeaking() override
    {
        speaking = false;
        ++stops;
    }
    QStringList spoken;
    bool speaking = false;
    int stops = 0;
};

const QDateTime t0(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

std::shared_ptr<SVNetwork> network(int channel, const QByteArray& name)
{
    return SVNetwork::initWithDictionary(scan(channel, ssid(name)));
}

void hear(SVNetwork& n, int level, int second)
{
    n.addDataPoint(SVDataPoint(level, -90, -1, -1, t0.addSecs(second)));
}

SVSpeechReporter::Settings dBm()
{
    SVSpeechReporter::Settings s;
    s.speakOn = true;
    s.units = 1;
    return s;
}

TEST(Speech, ReportsInOrder)
{
    RecordingSynthesizer synth;
    SVSpeechReporter reporter(synth);
    auto home = network(6, "Home");
    hear(*home, -67, 0);

    reporter.speak(home, home, dBm(), t0);
    synth.speaking = false; // the name has been said
    reporter.speak(home, home, dBm(), t0.addSecs(2)); // unchanged, no interval: nothing
    hear(*home, -70, 2);
    reporter.speak(home, home, dBm(), t0.addSecs(4)); // changed: short
    auto every10 = dBm();
    every10.intervalSeconds = 10;
    reporter.speak(home, home, every10, t0.addSecs(9)); // 5 s since: nothing
    reporter.speak(home, home, every10, t0.addSecs(14)); // 10 s since: repeat
    auto percent = dBm();
    percent.units = 0;
    hear(*home, -20, 15);
    reporter.speak(home, home, percent, t0.addSecs(16));

    EXPECT_EQ(synth.spoken, (QStringList{"Home , channel 6, neg 67", " neg 70", "no change,  neg 70", " 100%"}));
}

TEST(Speech, WhenNothingIsSaid)
{
    struct Case {
        const char* what;
        bool speakOn, keyWindow, background;
        bool selected;
        bool speakingName;
    };
    const Case cases[] = {
        {"speech off", false, true, false, true, false},
        {"in the background", true, false, false, true, false},
        {"not the selected network", true, true, false, false, false},
        {"the name is still being said", true, true, false, true, true},
    };
    for (const auto& c : cases) {
        RecordingSynthesizer synth;
        SVSpeechReporter reporter(synth);
        auto home = network(6, "Home");
        hear(*home, -67, 0);
        auto other = network(1, "Other");
        if (c.speakingName) {
            reporter.speak(home, home, dBm(), t0);
            hear(*home, -70, 1);
            synth.spoken.clear();
        }
        auto s = dBm();
        s.speakOn = c.speakOn;
        s.hasKeyWindow = c.keyWindow;
        s.speakWhenOnBackground = c.background;
        reporter.speak(home, c.selected ? home : other, s, t0.addSecs(5));
        EXPECT_TRUE(synth.spoken.isEmpty()) << c.what;
    }
}

TEST(Speech, NewSelectionAndHighChannelsAndNoSignal)
{
    RecordingSynthesizer synth;
    SVSpeechReporter reporter(synth);
    auto office = network(149, "Office");
    hear(*office, -120, 0);
    auto background = dBm();
    background.hasKeyWindow = false;
    background.speakWhenOnBackground = true;
    reporter.speak(office, office, background, t0);
    EXPECT_FALSE(reporter.sayingNetworkName()) << "a no-signal report leaves the flag";
    reporter.selectionDidChange();
    EXPECT_FALSE(synth.speaking);
    hear(*office, -50, 1);
    reporter.speak(office, office, dBm(), t0.addSecs(1));
    EXPECT_EQ(synth.spoken, (QStringList{"Office , channel 1 49, no signal", "Office , channel 1 49, neg 50"}));
}

// An engine as Speech Dispatcher is under LANG=C: it comes up without a
// voice and takes only the locales it has voices for.
struct FakeEngine : SVSpeechEngine {
    struct Log {
        QStringList tried, said;
        int made = 0;
    };
    FakeEngine(Log& log, bool voice, QList<QLocale> all, QList<QLocale> working)
        : log(log), voice(voice), all(std::move(all)), working(std::move(working))
    {
        ++log.made;
    }
    bool hasVoice() const override { return voice; }
    QList<QLocale> locales() const override { return all; }
    bool useLocale(const QLocale& locale) override
    {
        log.tried << locale.name();
        return working.contains(locale);
    }
    bool isSpeaking() const override { return false; }
    void say(const QString& text) override { log.said << text; }
    void stop() override {}
    Log& log;
    bool voice;
    QList<QLocale> all, working;
};

TEST(Speech, FallsBackToAVoiceThatWorksOrSaysItCannotSpeak)
{
    const QLocale de(QLocale::German, QLocale::Germany), en(QLocale::English, QLocale::UnitedKingdom),
        fr(QLocale::French, QLocale::France);
    struct Case {
        const char* what;
        bool engine, voice;
        QList<QLocale> working;
        bool speaks;
    } cases[] = {
        {"a voice from the start", true, true, {}, true},
        {"no voice for the session, another works", true, false, {de}, true},
        {"no voice works", true, false, {}, false},
        {"no engine", false, false, {}, false},
    };
    for (const Case& c : cases) {
        FakeEngine::Log log;
        auto synth = newSpeechSynthesizer([&]() -> std::unique_ptr<SVSpeechEngine> {
            if (!c.engine)
                return nullptr;
            return std::make_unique<FakeEngine>(log, c.voice, QList<QLocale>{fr, en, de}, c.working);
        });
        SVSpeechReporter reporter(*synth);
        auto home = network(6, "Home");
        hear(*home, -67, 0);
        EXPECT_EQ(reporter.speak(home, home, dBm(), t0), c.speaks) << c.what;
        EXPECT_EQ(synth->startSpeakingString(QStringLiteral("again")), c.speaks) << c.what;
        const QStringList said = c.speaks ? QStringList{"Home , channel 6, neg 67", "again"} : QStringList{};
        EXPECT_EQ(log.said, said) << c.what;
        EXPECT_EQ(log.made, c.engine ? 1 : 0) << c.what << ": the engine is made once";
        if (c.voice) {
            EXPECT_TRUE(log.tried.isEmpty()) << c.what << ": a working engine keeps its voice";
        } else if (c.engine && !c.speaks) {
            EXPECT_EQ(log.tried.size(), 3) << c.what << ": every voice is tried";
        }
        EXPECT_EQ(reporter.lastSpeechTime().has_value(), c.speaks) << c.what << ": a report not spoken stays due";
    }
}

// The desktop's engine as QTextToSpeech gives it, over the tests' own
// plug-in: it reports an error from the start, and keeps reporting it,
// though a voice it has speaks.
TEST(Speech, TheDesktopEngineSpeaksWithAVoiceItHasOrNotAtAll)
{
    ASSERT_TRUE(QTextToSpeech::availableEngines().contains(QStringLiteral("svtest")));
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("said"));
    qputenv("SV_TEST_SPEECH_LOG", QFile::encodeName(log));
    struct Case {
        const char* voices;
        bool speaks;
    } cases[] = {{"fr_FR,en_GB", true}, {"", false}};
    for (const Case& c : cases) {
        qputenv("SV_TEST_SPEECH_VOICES", c.voices);
        QFile::remove(log);
        const auto synth = newSystemSpeechSynthesizer();
        EXPECT_EQ(synth->startSpeakingString(QStringLiteral("neg 67")), c.speaks) << c.voices;
        EXPECT_EQ(synth->startSpeakingString(QStringLiteral("neg 70")), c.speaks) << c.voices;
        const QByteArray said = sv::test::readAll(log);
        if (c.speaks)
            EXPECT_TRUE(said == "en_GB: neg 67\nen_GB: neg 70\n" || said == "fr_FR: neg 67\nfr_FR: neg 70\n")
                << said.toStdString();
        else
            EXPECT_TRUE(said.isEmpty()) << said.toStdString();
    }
    qunsetenv("SV_TEST_SPEECH_VOICES");
    qunsetenv("SV_TEST_SPEECH_LOG");
}

TEST(Speech, FallbackVoicesPreferTheSessionLanguageThenEnglish)
{
    const QLocale de(QLocale::German, QLocale::Germany), gb(QLocale::English, QLocale::UnitedKingdom),
        us(QLocale::English, QLocale::UnitedStates), fr(QLocale::French, QLocale::France),
        ca(QLocale::French, QLocale::Canada);
    const QList<QLocale> available{de, gb, fr, us};
    EXPECT_EQ(fallbackLocales(available, QLocale::c()), (QList<QLocale>{gb, us, de, fr}));
    EXPECT_EQ(fallbackLocales(available, ca), (QList<QLocale>{fr, gb, us, de}));
    EXPECT_TRUE(fallbackLocales({}, ca).isEmpty());
}

} // namespace
