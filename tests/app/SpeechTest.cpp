#include "QStringPrinter.h"
#include "model/Beacon.h"

#include "app/SVSpeech.h"
#include "model/SVNetwork.h"

#include <gtest/gtest.h>

using namespace beacon;

namespace {

// Writes down what it is asked to say; "speaking" until told otherwise.
struct RecordingSynthesizer : SVSpeechSynthesizer {
    bool isSpeaking() const override { return speaking; }
    void startSpeakingString(const QString& text) override
    {
        spoken << text;
        speaking = true;
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

} // namespace
