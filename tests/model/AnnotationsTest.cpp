#include <gtest/gtest.h>

#include "model/SVAnnotationsHelper.h"
#include "platform/FileWriter.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/WriterWatch.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace {

class Annotations : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString folder() const { return dir.filePath("Skyvane"); }
    QString file() const { return folder() + "/annotations.plist"; }
    sv::UserDefaults defaults{dir.filePath("settings.conf")};

    void writeFile(const QByteArray& bytes)
    {
        QDir().mkpath(folder());
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(Annotations, TrimsRemovesEmptyAndRoundTripsThroughTheFile)
{
    {
        SVAnnotationsHelper store(folder(), &defaults);
        store.readFromDisk();
        store.setAnnotationsForNetwork("AA:BB:CC:DD:EE:01", "  desk in room 4\n");
        store.setAnnotationsForNetwork("AA:BB:CC:DD:EE:02", "a \"quoted\" <b>&amp;</b> note");
        store.setAnnotationsForNetwork("AA:BB:CC:DD:EE:03", "gone soon");
        store.setAnnotationsForNetwork("AA:BB:CC:DD:EE:03", " \t\r\n ");
        EXPECT_EQ(store.annotationsForNetwork("AA:BB:CC:DD:EE:01"), "desk in room 4");
        EXPECT_FALSE(store.annotations().contains("AA:BB:CC:DD:EE:03"));
        ASSERT_TRUE(store.saveToDisk());
    }
    // No temporary file is left beside the store.
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files), QStringList{"annotations.plist"});
    SVAnnotationsHelper again(folder(), &defaults);
    again.readFromDisk();
    EXPECT_EQ(again.annotations(),
              (QMap<QString, QString>{{"AA:BB:CC:DD:EE:01", "desk in room 4"},
                                      {"AA:BB:CC:DD:EE:02", "a \"quoted\" <b>&amp;</b> note"}}));
    // Reading again keeps what is in memory.
    again.setAnnotationsForNetwork("AA:BB:CC:DD:EE:09", "new");
    again.readFromDisk();
    EXPECT_EQ(again.annotationsForNetwork("AA:BB:CC:DD:EE:09"), "new");
}

TEST_F(Annotations, OldSettingsKeyIsMergedAndRemovedOnlyOnceSaved)
{
    QDir().mkpath(folder());
    sv::PropertyList::writeFile(QVariantMap{{"AA:00:00:00:00:01", "from file"}, {"AA:00:00:00:00:02", "file only"}},
                                file());
    defaults.setObject(QVariantMap{{"AA:00:00:00:00:01", "from settings"}, {"AA:00:00:00:00:03", "settings only"}},
                       "Annotations");
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    const QMap<QString, QString> merged{{"AA:00:00:00:00:01", "from settings"},
                                        {"AA:00:00:00:00:02", "file only"},
                                        {"AA:00:00:00:00:03", "settings only"}};
    EXPECT_EQ(store.annotations(), merged);
    EXPECT_FALSE(defaults.hasStoredValue("Annotations"));
    EXPECT_EQ(sv::PropertyList::readFile(file()).toMap().size(), 3);
}

TEST_F(Annotations, OldSettingsKeyStaysWhenTheMergedStoreCannotBeWritten)
{
    // A plain file where the folder should be: nothing can be saved.
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    defaults.setObject(QVariantMap{{"AA:00:00:00:00:01", "keep me"}}, "Annotations");
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    EXPECT_EQ(store.annotationsForNetwork("AA:00:00:00:00:01"), "keep me");
    EXPECT_TRUE(defaults.hasStoredValue("Annotations"));
    EXPECT_FALSE(store.saveToDisk());
}

TEST_F(Annotations, UnreadableFileIsMovedAsideNeverOverwritten)
{
    const QByteArray garbage = "<?xml version=\"1.0\"?><plist><dict><key>AA";
    writeFile(garbage);
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    EXPECT_TRUE(store.annotations().isEmpty());
    EXPECT_EQ(store.movedAsidePath(), file() + ".corrupt"); // for the window to tell
    EXPECT_EQ(store.readError(), "");
    store.setAnnotationsForNetwork("AA:00:00:00:00:01", "after");
    ASSERT_TRUE(store.saveToDisk());
    QFile aside(file() + ".corrupt");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), garbage);
    EXPECT_EQ(sv::PropertyList::readFile(file()).toMap().value("AA:00:00:00:00:01").toString(), "after");

    // A second bad file does not replace the first one set aside.
    writeFile("not a plist");
    SVAnnotationsHelper second(folder(), &defaults);
    second.readFromDisk();
    EXPECT_EQ(QDir(folder()).entryList({"annotations.plist.corrupt*"}).size(), 2);
}

TEST_F(Annotations, ValuesThatAreNotTextAreKeptAsTheyWere)
{
    QDir().mkpath(folder());
    const QVariantMap others{{"AA:00:00:00:00:02", qint64(42)},
                             {"AA:00:00:00:00:03", QVariantList{"x"}},
                             {"AA:00:00:00:00:04", QByteArray("raw")}};
    QVariantMap stored = others;
    stored.insert("AA:00:00:00:00:01", "text");
    sv::PropertyList::writeFile(stored, file());
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    EXPECT_EQ(store.annotations(), (QMap<QString, QString>{{"AA:00:00:00:00:01", "text"}}));

    store.setAnnotationsForNetwork("AA:00:00:00:00:05", "new");
    store.setAnnotationsForNetwork("AA:00:00:00:00:04", "text now"); // an edit replaces what it did not understand
    ASSERT_TRUE(store.saveToDisk());
    QVariantMap expected = others;
    expected.remove("AA:00:00:00:00:04");
    expected.insert("AA:00:00:00:00:01", "text");
    expected.insert("AA:00:00:00:00:04", "text now");
    expected.insert("AA:00:00:00:00:05", "new");
    EXPECT_EQ(sv::PropertyList::readFile(file()), QVariant(expected));
}

TEST_F(Annotations, TextThatNoFileCanHoldNeverBlocksTheSave)
{
    // A binary list whose only key is UTF-16 "a" and a NUL (53 bytes).
    writeFile(QByteArray("bplist00\xD1\x01\x02\x62\x00\x61\x00\x00\x51x\x08\x0B\x10", 21) + QByteArray(6, '\0')
              + "\x01\x01" + QByteArray(7, '\0') + "\x03" + QByteArray(15, '\0') + "\x12");
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    EXPECT_TRUE(store.annotations().isEmpty());
    store.setAnnotationsForNetwork("AA:00:00:00:00:01", QStringView(u"before\0after", 12).toString());
    ASSERT_TRUE(store.saveToDisk());
    EXPECT_EQ(sv::PropertyList::readFile(file()), QVariant(QVariantMap{{"AA:00:00:00:00:01", "beforeafter"}}));
}

using sv::test::WriterWatch;

TEST_F(Annotations, UnchangedStoreIsNotRewrittenAndAFailedSaveIsPosted)
{
    writeFile(sv::PropertyList::toXml(QVariantMap{{"AA:00:00:00:00:01", "kept"}}));
    const QByteArray old = sv::test::readAll(file());
    sv::test::SaveResults saves;

    WriterWatch watch;
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    store.setAnnotationsForNetwork("AA:00:00:00:00:01", " kept\n");
    EXPECT_TRUE(store.saveToDisk());
    EXPECT_EQ(watch.created, 0);

    store.setAnnotationsForNetwork("AA:00:00:00:00:02", "lost?");
    watch.full = true;
    EXPECT_FALSE(store.saveToDisk());
    EXPECT_EQ(sv::test::readAll(file()), old);
    ASSERT_EQ(saves.failed.size(), 1);
    EXPECT_TRUE(saves.failed[0].contains(file())) << saves.failed[0].toStdString();
    EXPECT_TRUE(saves.failed[0].contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << saves.failed[0].toStdString();

    watch.full = false;
    EXPECT_TRUE(store.saveToDisk()) << "the edit is still pending";
    EXPECT_EQ(saves.succeeded, QStringList{file()});
    EXPECT_EQ(sv::PropertyList::readFile(file()).toMap().value("AA:00:00:00:00:02").toString(), "lost?");
}

TEST_F(Annotations, FileThatCannotBeOpenedIsLeftAloneAndEditsWaitForTheNextSave)
{
    // A folder in the file's place cannot be opened, even by root.
    ASSERT_TRUE(QDir().mkpath(file()));
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    EXPECT_FALSE(store.readError().isEmpty());
    EXPECT_TRUE(store.readError().contains(file())) << store.readError().toStdString();
    store.setAnnotationsForNetwork("AA:00:00:00:00:01", "made while unreadable");
    EXPECT_FALSE(store.saveToDisk());
    EXPECT_TRUE(QFileInfo(file()).isDir()) << "nothing written over it";
    EXPECT_TRUE(QDir(folder()).entryList({"*.corrupt*"}).isEmpty()) << "nor set aside as damaged";
    EXPECT_EQ(store.annotationsForNetwork("AA:00:00:00:00:01"), "made while unreadable");

    // Readable again: the next save merges this run's edits into it.
    QDir(file()).removeRecursively();
    writeFile(sv::PropertyList::toXml(QVariantMap{{"AA:00:00:00:00:02", "from the file"}}));
    ASSERT_TRUE(store.saveToDisk());
    EXPECT_EQ(sv::PropertyList::readFile(file()),
              QVariant(QVariantMap{{"AA:00:00:00:00:01", "made while unreadable"}, {"AA:00:00:00:00:02", "from the file"}}));
    EXPECT_EQ(store.annotationsForNetwork("AA:00:00:00:00:02"), "from the file");
}

TEST_F(Annotations, EditsAndSavesFromManyThreads)
{
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&store, t] {
            for (int i = 0; i < 200; ++i) {
                const QString bssid = QStringLiteral("AA:00:00:00:%1:%2").arg(t, 2, 10, QChar('0')).arg(i % 50, 2, 10, QChar('0'));
                store.setAnnotationsForNetwork(bssid, QStringLiteral("note %1").arg(i));
                (void)store.annotationsForNetwork(bssid);
                if (i % 40 == 0)
                    store.saveToDisk();
            }
        });
    }
    for (auto& th : threads)
        th.join();
    ASSERT_TRUE(store.saveToDisk());
    SVAnnotationsHelper again(folder(), &defaults);
    again.readFromDisk();
    EXPECT_EQ(again.annotations().size(), 200);
    EXPECT_EQ(again.annotations(), store.annotations());
}

TEST_F(Annotations, SymlinkedFileIsWrittenThroughItsLink)
{
    const QString real = dir.filePath("synced/annotations.plist");
    QDir().mkpath(dir.filePath("synced"));
    QDir().mkpath(folder());
    ASSERT_TRUE(sv::PropertyList::writeFile(QVariantMap{{"AA:00:00:00:00:01", "from the link"}}, real));
    ASSERT_TRUE(QFile::link(real, file()));
    SVAnnotationsHelper store(folder(), &defaults);
    store.readFromDisk();
    EXPECT_EQ(store.annotationsForNetwork("AA:00:00:00:00:01"), "from the link");
    store.setAnnotationsForNetwork("AA:00:00:00:00:02", "added");
    ASSERT_TRUE(store.saveToDisk());
    EXPECT_TRUE(QFileInfo(file()).isSymLink());
    EXPECT_EQ(sv::PropertyList::readFile(real),
              QVariant(QVariantMap{{"AA:00:00:00:00:01", "from the link"}, {"AA:00:00:00:00:02", "added"}}));
}

TEST(SharedAnnotations, LivesInTheApplicationFolderOfTheTestHome)
{
    const QString path = SVAnnotationsHelper::sharedAnnotations().path();
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("HOME"))) << path.toStdString();
    EXPECT_TRUE(path.endsWith("/Skyvane/annotations.plist")) << path.toStdString();
    EXPECT_EQ(path.count("Skyvane"), 1) << path.toStdString();
}

TEST_F(Annotations, BackgroundSavesLandInOrderAndTheLastIsKept)
{
    QMap<QString, QString> expected;
    {
        SVAnnotationsHelper store(folder(), &defaults);
        store.readFromDisk();
        // Edits keep coming while saves are written: whatever lands last
        // holds the newest map.
        for (int i = 0; i < 300; ++i) {
            const QString bssid = QString::asprintf("AA:00:00:00:%02X:%02X", i / 256, i % 256);
            store.setAnnotationsForNetwork(bssid, QStringLiteral("note %1").arg(i));
            expected.insert(bssid, QStringLiteral("note %1").arg(i));
            if (i % 7 == 0) {
                store.setAnnotationsForNetwork("AA:00:00:00:FF:FF", QStringLiteral("edited %1").arg(i));
                expected.insert("AA:00:00:00:FF:FF", QStringLiteral("edited %1").arg(i));
            }
            store.saveToDiskInBackground();
        }
        store.waitForBackgroundSaves();
        EXPECT_EQ(sv::PropertyList::readFile(file()).toMap().size(), expected.size());

        // Asked for and not waited for: the store finishes it before it goes.
        store.setAnnotationsForNetwork("AA:00:00:00:00:00", "last words");
        expected.insert("AA:00:00:00:00:00", "last words");
        store.saveToDiskInBackground();
    }
    SVAnnotationsHelper again(folder(), &defaults);
    again.readFromDisk();
    EXPECT_EQ(again.annotations(), expected);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"annotations.plist"});
}

} // namespace
