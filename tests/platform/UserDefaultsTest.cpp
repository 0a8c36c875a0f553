#include <gtest/gtest.h>

#include "platform/FileWriter.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/WriterWatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <cmath>
#include <limits>

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

using sv::test::WriterWatch;

TEST(UserDefaults, WritesOnlyChangedTextAndKeepsTheOldFileWhenTheDiskIsFull)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    {
        UserDefaults d(file);
        d.setInteger(1, "A");
        d.setObject(QStringList{"x", "y"}, "L");
        ASSERT_TRUE(d.synchronize());
    }
    const QByteArray old = sv::test::readAll(file);
    sv::test::SaveResults saves;

    WriterWatch watch;
    UserDefaults d(file);
    EXPECT_TRUE(d.synchronize());
    d.setInteger(1, "A"); // the same value again, now typed
    d.setObject(QStringList{"x", "y"}, "L");
    EXPECT_TRUE(d.synchronize());
    EXPECT_EQ(watch.created, 0) << "nothing changed, nothing written";

    d.setInteger(2, "A");
    watch.full = true;
    EXPECT_FALSE(d.synchronize());
    EXPECT_TRUE(d.lastError().contains(file)) << d.lastError().toStdString();
    EXPECT_TRUE(d.lastError().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    EXPECT_EQ(sv::test::readAll(file), old);
    EXPECT_EQ(saves.failed, QStringList{d.lastError()});
    EXPECT_EQ(UserDefaults(file).integerForKey("A"), 1);

    watch.full = false;
    EXPECT_TRUE(d.synchronize()) << "still pending, so tried again";
    EXPECT_TRUE(d.lastError().isEmpty());
    EXPECT_EQ(saves.succeeded, QStringList{file});
    EXPECT_EQ(UserDefaults(file).integerForKey("A"), 2);
}

// A settings file we cannot read is never written over: a damaged one is
// copied aside for the user and written back clean with what could be read;
// one that cannot be opened is left where it is and this run's changes are
// merged into it once it can be read.
TEST(UserDefaults, UnreadableFileIsNeverWrittenOver)
{
    QTemporaryDir dir;
    const QString damaged = dir.filePath("damaged.conf");
    static const char text[] = "[General]\nA=1\n[Broken\nB=2\n";
    const QByteArray garbage(text, sizeof text - 1);
    sv::test::writeBytes(damaged, garbage);
    {
        UserDefaults d(damaged);
        EXPECT_EQ(d.integerForKey("A"), 1) << "what could be read is used";
        EXPECT_EQ(d.setAsideFileName(), damaged + ".corrupt");
        EXPECT_TRUE(d.readError().isEmpty());
        EXPECT_EQ(sv::test::readAll(damaged), garbage) << "left in place until written clean";
    }
    EXPECT_EQ(sv::test::readAll(damaged + ".corrupt"), garbage);
    UserDefaults clean(damaged);
    EXPECT_EQ(clean.integerForKey("A"), 1) << "a clean file written in its place";
    EXPECT_TRUE(clean.setAsideFileName().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(damaged + ".corrupt.1"));

    const QString blocked = dir.filePath("blocked.conf");
    ASSERT_TRUE(QDir().mkpath(blocked)); // cannot be read, even by root
    sv::test::SaveResults saves;
    UserDefaults d(blocked);
    EXPECT_TRUE(d.readError().contains(blocked)) << d.readError().toStdString();
    d.setInteger(1, "A");
    d.removeObjectForKey("C");
    EXPECT_FALSE(d.synchronize());
    EXPECT_TRUE(d.lastError().contains(blocked)) << d.lastError().toStdString();
    EXPECT_TRUE(saves.failed.isEmpty()) << "the user was told at start that it cannot be read";
    EXPECT_TRUE(QFileInfo(blocked).isDir());

    ASSERT_TRUE(QDir(blocked).removeRecursively());
    sv::test::writeBytes(blocked, "[General]\nA=9\nB=5\nC=7\n");
    EXPECT_TRUE(d.synchronize());
    UserDefaults reread(blocked);
    EXPECT_EQ(reread.integerForKey("A"), 1);
    EXPECT_EQ(reread.integerForKey("B"), 5);
    EXPECT_FALSE(reread.hasStoredValue("C"));
    EXPECT_EQ(d.integerForKey("B"), 5) << "what the file held is known once read";
}

// Qt's INI reader takes "# a = b" for a key and lets an open quote swallow the
// lines after it: comment lines are left out, and the rest is kept.
TEST(UserDefaults, CommentLinesAreLeftOutAndTheRestIsKept)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    const QByteArray text = "# Units = 1 for dBm\n[General]\n; a \"quoted note\nUnits=1\n  # Sensitivity=60\n"
                            "Sensitivity=70\n";
    sv::test::writeBytes(file, text);
    {
        UserDefaults d(file);
        EXPECT_EQ(d.integerForKey("Units"), 1);
        EXPECT_EQ(d.integerForKey("Sensitivity"), 70);
        EXPECT_FALSE(d.hasStoredValue("# Units"));
        EXPECT_EQ(sv::test::readAll(d.setAsideFileName()), text);
    }
    const QByteArray written = sv::test::readAll(file);
    EXPECT_FALSE(written.contains('#')) << written.constData();
    UserDefaults again(file);
    EXPECT_EQ(again.integerForKey("Units"), 1);
    EXPECT_EQ(again.integerForKey("Sensitivity"), 70);
}

// A second instance, or a hand edit, changes the file while this store runs:
// each write applies only this run's own changes over what the file holds.
TEST(UserDefaults, TwoStoresOnOneFileKeepEachOthersChanges)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    sv::test::writeBytes(file, "[General]\nUnits=0\nMetric=0\nGone=1\nRanOnce=true\n");
    UserDefaults first(file);
    UserDefaults second(file);
    first.registerDefaults({{"Metric", 0}, {"Timescale", 300}});
    second.registerDefaults({{"Metric", 0}, {"Timescale", 300}});

    first.setInteger(1, "Units");
    ASSERT_TRUE(first.synchronize());
    // What the second read, or its defaults, written back unchanged are no
    // changes of its own.
    second.setInteger(0, "Units");
    second.setInteger(0, "Metric");
    second.setInteger(300, "Timescale");
    second.setBool(true, "RanOnce");
    second.setInteger(2, "Metric");
    second.removeObjectForKey("Gone");
    ASSERT_TRUE(second.synchronize());

    sv::test::writeBytes(file, sv::test::readAll(file) + "Edited=yes\n"); // by hand, meanwhile
    first.setInteger(120, "Timescale");
    ASSERT_TRUE(first.synchronize());

    UserDefaults reread(file);
    EXPECT_EQ(reread.integerForKey("Units"), 1);
    EXPECT_EQ(reread.integerForKey("Metric"), 2);
    EXPECT_EQ(reread.integerForKey("Timescale"), 120);
    EXPECT_FALSE(reread.hasStoredValue("Gone"));
    EXPECT_TRUE(reread.boolForKey("Edited"));
    EXPECT_TRUE(reread.boolForKey("RanOnce"));
    EXPECT_EQ(first.integerForKey("Metric"), 2) << "a write reads what the file holds";
}

// Values as a hand-edited or damaged settings file may hold them: anything
// that is not a value of the type asked for (no number, not finite, not
// within 64 bits, outside the key's range) reads as the registered default
// instead of being converted (which would be undefined).
TEST(UserDefaults, ValuesOfTheWrongKindReadAsTheRegisteredDefault)
{
    struct Case {
        const char* stored;
        qint64 integer;
        double real;
        bool truth;
    } cases[] = {
        {"70", 70, 70.0, true},
        {"2.9", 2, 2.9, true},
        {"0", 0, 0.0, false},
        {"-9223372036854775808", std::numeric_limits<qint64>::min(), -9223372036854775808.0, true},
        {"not a number", 100, 2.5, true},
        {"", 100, 2.5, true},
        {"false", 0, 2.5, false},
        {"1e308", 100, 1e308, true},
        {"-1e308", 100, -1e308, true},
        {"1e23", 100, 1e23, true},
        {"9223372036854775808", 100, 9223372036854775808.0, true},
        {"-9.3e18", 100, -9.3e18, true},
        {"nan", 100, 2.5, true},
        {"inf", 100, 2.5, true},
        {"-inf", 100, 2.5, true},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const QString file = dir.filePath(QStringLiteral("s%1.conf").arg(&c - cases));
        sv::test::writeBytes(file, QByteArray("[General]\nSensitivity=") + c.stored + "\nScale=" + c.stored
                                       + "\nShowSecure=" + c.stored + "\n");
        UserDefaults d(file);
        d.registerDefaults({{"Sensitivity", 100}, {"Scale", 2.5}, {"ShowSecure", true}});
        EXPECT_EQ(d.integerForKey("Sensitivity"), c.integer);
        EXPECT_DOUBLE_EQ(d.doubleForKey("Scale"), c.real);
        EXPECT_EQ(d.boolForKey("ShowSecure"), c.truth);
    }

    // Stored as numbers, and with a range of its own.
    UserDefaults d(dir.filePath("typed.conf"));
    d.registerDefaults({{"Sensitivity", 100}});
    for (const QVariant& v : {QVariant(1e308), QVariant(-1e23), QVariant(std::nan("")),
                              QVariant(std::numeric_limits<quint64>::max())}) {
        d.setObject(v, "Sensitivity");
        EXPECT_EQ(d.integerForKey("Sensitivity"), 100) << v.toString().toStdString();
    }
    d.registerRange("Sensitivity", 60, 200);
    for (const auto& [stored, read] : std::initializer_list<std::pair<qint64, qint64>>{
             {std::numeric_limits<qint64>::min(), 100}, {59, 100}, {60, 60}, {200, 200}, {201, 100}}) {
        d.setInteger(stored, "Sensitivity");
        EXPECT_EQ(d.integerForKey("Sensitivity"), read) << stored;
    }
}

// A settings file kept elsewhere behind a link (a dotfiles folder) stays
// behind its link.
TEST(UserDefaults, SymlinkedFileIsWrittenThroughItsLink)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("dotfiles") && QDir(dir.path()).mkpath("config"));
    const QString real = dir.filePath("dotfiles/s.conf"), link = dir.filePath("config/s.conf");
    {
        UserDefaults d(real);
        d.setInteger(70, "Sensitivity");
        ASSERT_TRUE(d.synchronize());
    }
    ASSERT_TRUE(QFile::link("../dotfiles/s.conf", link));
    {
        UserDefaults d(link);
        EXPECT_EQ(d.integerForKey("Sensitivity"), 70);
        d.setInteger(60, "Sensitivity");
        ASSERT_TRUE(d.synchronize());
    }
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(UserDefaults(real).integerForKey("Sensitivity"), 60);
}

// Qt keeps lists and maps as serialised variants; a damaged one whose counts
// claim more than its bytes hold reads as absent, and sound ones read back.
TEST(UserDefaults, SerialisedValuesAreReadWithinTheirBytes)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("s.conf");
    const QVariantMap table{{"widths", QVariantList{40, 120}}, {"order", QStringList{"SSID", "RSSI"}},
                            {"hidden", true}, {"name", QStringLiteral("ü,=;\"x")}};
    {
        UserDefaults d(file);
        d.setObject(table, "NetworksTable");
        ASSERT_TRUE(d.synchronize());
    }
    const QByteArray sound = sv::test::readAll(file);
    ASSERT_TRUE(sound.contains("@Variant(")) << sound.constData();
    EXPECT_EQ(UserDefaults(file).dictionaryForKey("NetworksTable"), table);

    // A list that claims four thousand million entries, a map claiming more
    // than fits, a kind no setting holds, and a value cut short.
    for (const QByteArray& bad : {QByteArray("@Variant(\\0\\0\\0\\t\\xff\\xff\\xff\\xff)"),
                                  QByteArray("@Variant(\\0\\0\\0\\b\\0\\0\\x1\\0)"),
                                  QByteArray("@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)"),
                                  QByteArray("@Variant(\\0\\0\\0\\n\\0\\0\\0\\x10\\0)")}) {
        SCOPED_TRACE(bad.constData());
        sv::test::writeBytes(file, "[General]\nUnits=1\nNetworksTable=" + bad + "\n");
        UserDefaults d(file);
        EXPECT_FALSE(d.hasStoredValue("NetworksTable"));
        EXPECT_EQ(d.integerForKey("Units"), 1);
    }
}
