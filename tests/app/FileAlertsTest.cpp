#include "app/SVAlert.h"
#include "app/SVFileAlerts.h"
#include "platform/FileWriter.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct Shown {
    QStringList alerts; // message, then informative text
    Shown()
    {
        SVAlert::setAutomaticResponder([this](const SVAlert& alert) {
            alerts << alert.messageText() + " | " + alert.informativeText();
            return SVAlert::FirstButtonReturn;
        });
    }
    ~Shown() { SVAlert::setAutomaticResponder({}); }
};

} // namespace

TEST(FileAlerts, AFailedSaveIsToldOnceUntilASaveOfThatFileSucceeds)
{
    Shown shown;
    QWidget window;
    SVFileAlerts alerts(&window);
    const QString reason = "Cannot write \"/home/u/.local/share/Skyvane/annotations.plist\": No space left on device";
    sv::postFileSaveResult("/home/u/.local/share/Skyvane/annotations.plist", reason);
    sv::postFileSaveResult("/home/u/.local/share/Skyvane/annotations.plist", reason);
    ASSERT_EQ(shown.alerts.size(), 1);
    EXPECT_EQ(shown.alerts[0], "Unable to save \"annotations.plist\". | " + reason);

    // Another file has its own alert; a success clears only its own file.
    sv::postFileSaveResult("/home/u/.config/Skyvane/Skyvane.conf", "Cannot sync: Input/output error");
    EXPECT_EQ(shown.alerts.size(), 2);
    sv::postFileSaveResult("/home/u/.local/share/Skyvane/annotations.plist", QString());
    EXPECT_EQ(alerts.failingFiles(), QSet<QString>{"/home/u/.config/Skyvane/Skyvane.conf"});
    sv::postFileSaveResult("/home/u/.local/share/Skyvane/annotations.plist", reason);
    EXPECT_EQ(shown.alerts.size(), 3);

    alerts.reportAnnotationsReadError(QString());
    EXPECT_EQ(shown.alerts.size(), 3);
    alerts.reportAnnotationsReadError("Cannot read \"a.plist\": Permission denied");
    alerts.reportAnnotationsReadError("Cannot read \"a.plist\": Permission denied");
    ASSERT_EQ(shown.alerts.size(), 4);
    EXPECT_TRUE(shown.alerts[3].startsWith("The annotations could not be read. | Cannot read \"a.plist\": Permission denied"));
}

TEST(FileAlerts, ASettingsFileThatCouldNotBeReadIsToldOnce)
{
    struct Case {
        const char* readError;
        const char* setAside;
        const char* told; // message, then the start of the informative text
    } cases[] = {
        {"", "", nullptr},
        {"Cannot read \"/h/.config/Skyvane/Skyvane.conf\": Permission denied", "",
         "The settings could not be read. | Cannot read \"/h/.config/Skyvane/Skyvane.conf\": Permission denied\n"
         "The file is left as it is."},
        {"", "/h/.config/Skyvane/Skyvane.conf.corrupt",
         "Some lines of the settings could not be read. | The settings that could be read are used."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told ? c.told : "nothing");
        Shown shown;
        QWidget window;
        SVFileAlerts alerts(&window);
        alerts.reportSettingsReadProblem(c.readError, c.setAside);
        alerts.reportSettingsReadProblem(c.readError, c.setAside);
        if (!c.told) {
            EXPECT_TRUE(shown.alerts.isEmpty());
            continue;
        }
        ASSERT_EQ(shown.alerts.size(), 1);
        EXPECT_TRUE(shown.alerts[0].startsWith(c.told)) << shown.alerts[0].toStdString();
        if (*c.setAside) {
            EXPECT_TRUE(shown.alerts[0].contains("\"Skyvane.conf.corrupt\"")) << shown.alerts[0].toStdString();
        }
    }
}

TEST(FileAlerts, ADamagedAnnotationsFileSetAsideIsToldWithItsPlace)
{
    Shown shown;
    QWidget window;
    SVFileAlerts alerts(&window);
    alerts.reportAnnotationsMovedAside(QString());
    EXPECT_TRUE(shown.alerts.isEmpty());
    alerts.reportAnnotationsMovedAside("/home/u/.local/share/Skyvane/annotations.plist.corrupt");
    alerts.reportAnnotationsMovedAside("/home/u/.local/share/Skyvane/annotations.plist.corrupt");
    ASSERT_EQ(shown.alerts.size(), 1);
    EXPECT_TRUE(shown.alerts[0].startsWith("The annotations could not be read. | "));
    EXPECT_TRUE(shown.alerts[0].contains("\"/home/u/.local/share/Skyvane/annotations.plist.corrupt\""));
}
