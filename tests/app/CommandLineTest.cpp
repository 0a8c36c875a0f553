#include <gtest/gtest.h>

#include "app/SVCommandLine.h"

TEST(CommandLine, QuitAfterTakesSecondsWithinATimersRange)
{
    struct Case {
        const char* value;
        std::optional<int> ms;
    } cases[] = {
        {"3", 3000},
        {"0.25", 250},
        {" 1.5 ", 1500},
        {"0.0001", 1},
        {"2000000", 2'000'000'000},
        {"nan", std::nullopt},
        {"-nan", std::nullopt},
        {"inf", std::nullopt},
        {"1e308", std::nullopt},
        {"2000000.5", std::nullopt},
        {"0", std::nullopt},
        {"-1", std::nullopt},
        {"three", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        QString error;
        EXPECT_EQ(quitAfterMilliseconds(QString::fromLatin1(c.value), &error), c.ms);
        EXPECT_EQ(error.startsWith(QStringLiteral("--quit-after takes")), !c.ms) << error.toStdString();
    }
}
