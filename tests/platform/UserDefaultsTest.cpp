#include <gtest/gtest.h>

#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

using sv::UserDefaults;

TEST(UserDefaults, RegisteredDefaultsThenStoredValuesSurviveReopen)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    {
        UserDefaults d(file);
        d.registerDefaults({{"Sensitivity", 85}, {"AutoScan", true}, {"InterfaceName", "sim0"}});
        EXPECT_EQ(d.integerForKey("Sensitivity"), 85);
        EXPECT_TRUE(d.boolForKey("AutoScan"));
        EXPECT_FALSE(d.objectForKey("Unregistered").isValid());
        EXPECT_EQ(d.integerForKey("Unregistered"), 0);
        EXPECT_FALSE(d.boolForKey("Unregistered"));
        d.setInteger(70, "Sensitivity");
        d.setBool(false, "AutoScan");
        d.setDouble(2.5, "Scale");
        d.setObject(QStringList{"a", "b"}, "Recent");
        d.setObject(QStringList{"only"}, "One");
        d.setObject(QVariantMap{{"AA:BB:CC:DD:EE:FF", "desk"}}, "Annotations");
        EXPECT_TRUE(d.synchronize());
    }
    UserDefaults d(file);
    // Nothing registered now: stored values come back typed from the file.
    EXPECT_EQ(d.integerForKey("Sensitivity"), 70);
    EXPECT_FALSE(d.boolForKey("AutoScan"));
    EXPECT_TRUE(d.hasStoredValue("AutoScan"));
    EXPECT_DOUBLE_EQ(d.doubleForKey("Scale"), 2.5);
    EXPECT_EQ(d.stringArrayForKey("Recent"), QStringList({"a", "b"}));
    EXPECT_EQ(d.stringArrayForKey("One"), QStringList({"only"}));
    EXPECT_EQ(d.dictionaryForKey("Annotations").value("AA:BB:CC:DD:EE:FF").toString(), "desk");
    d.removeObjectForKey("Sensitivity");
    EXPECT_FALSE(d.objectForKey("Sensitivity").isValid());
}

TEST(UserDefaults, ChangeSignalIsQueuedAndCoalesced)
{
    QTemporaryDir dir;
    UserDefaults d(dir.filePath("s.conf"));
    QSignalSpy spy(&d, &UserDefaults::didChange);
    d.setInteger(1, "A");
    d.setInteger(2, "B");
    d.removeObjectForKey("A");
    EXPECT_EQ(spy.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);
}

TEST(UserDefaults, StandardStoreLivesInTheTestHome)
{
    const QString path = UserDefaults::standardUserDefaults().fileName();
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("HOME"))) << path.toStdString();
}
