#include "platform/FileWriter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(FileWriter, ReplacesWholeAndLeavesNoTemporary)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.plist"));
    ASSERT_TRUE(sv::writeFileWhole(path, "old"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

    QByteArray big(3 * 1024 * 1024 + 17, 'x'); // larger than the writer's buffer
    sv::FileWriter writer(path);
    ASSERT_TRUE(writer.open());
    ASSERT_EQ(writer.device()->write("head"), 4);
    ASSERT_EQ(writer.device()->write(big), big.size());
    ASSERT_TRUE(writer.commit()) << writer.errorString().toStdString();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "head" + big);
    // Owner, group and other bits; the "user" bits repeat the owner's.
    const auto ownerGroupOther = QFile::permissions(path) & QFileDevice::Permissions(0x7077);
    EXPECT_EQ(ownerGroupOther, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.plist")});
}

TEST(FileWriter, OldFileStaysWhenNotCommittedOrNotWritable)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.plist"));
    ASSERT_TRUE(sv::writeFileWhole(path, "old"));
    {
        sv::FileWriter writer(path);
        ASSERT_TRUE(writer.open());
        writer.write("new and longer");
        // destroyed without commit
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old");
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.plist")});

    QString error;
    EXPECT_FALSE(sv::writeFileWhole(dir.filePath(QStringLiteral("missing/b.plist")), "x", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing/b.plist"))) << error.toStdString();
}

namespace {

// Makes the writer's step fail with err once written reaches after bytes;
// removed when the guard goes.
struct Fault {
    Fault(sv::FileWriterStep step, int err, qint64 after = 0)
    {
        sv::setFileWriterFaultHook([=](sv::FileWriterStep s, qint64 written) {
            return s == step && written >= after ? err : 0;
        });
    }
    ~Fault() { sv::setFileWriterFaultHook({}); }
};

} // namespace

TEST(FileWriter, EachFailingStepKeepsTheOldFileAndNamesTheReason)
{
    using Step = sv::FileWriterStep;
    const struct {
        const char* name;
        Step step;
        int err;
        qint64 after;
    } cases[] = {
        {"no room for the temporary", Step::Create, ENOSPC, 0},
        {"disk full at once", Step::Write, ENOSPC, 0},
        {"disk full past the first buffer", Step::Write, ENOSPC, 256 * 1024},
        {"quota at the sync", Step::Sync, EDQUOT, 0},
        {"error at the close", Step::Close, EIO, 0},
        {"rename refused", Step::Rename, EACCES, 0},
    };
    const QByteArray chunk(100 * 1024, 'n');
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.plist"));
        ASSERT_TRUE(sv::writeFileWhole(path, "old"));
        QString error;
        {
            Fault fault(c.step, c.err, c.after);
            sv::FileWriter writer(path);
            if (writer.open())
                for (int i = 0; i < 7; ++i)
                    writer.device()->write(chunk);
            EXPECT_FALSE(writer.commit()) << c.name;
            error = writer.errorString();
        }
        EXPECT_TRUE(error.contains(path)) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(c.err)))) << c.name << ": " << error.toStdString();
        EXPECT_EQ(sv::test::readAll(path), "old") << c.name;
        EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.plist")}) << c.name;
    }
}

TEST(FileWriter, WritesThroughSymbolicLinksAndKeepsThem)
{
    const struct {
        const char* name;
        // The links made in the folder "links", each to its target text; the
        // last one made is the one written. The file behind is "real/a.plist".
        std::vector<std::pair<QString, QString>> links;
        bool targetExists;
    } cases[] = {
        {"absolute link", {{"a.plist", "@/real/a.plist"}}, true},
        {"relative link", {{"a.plist", "../real/a.plist"}}, true},
        {"chain of links", {{"b.plist", "../real/a.plist"}, {"a.plist", "b.plist"}}, true},
        {"link to a file not made yet", {{"a.plist", "../real/a.plist"}}, false},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkpath("links") && QDir(dir.path()).mkpath("real"));
        const QString real = dir.filePath("real/a.plist");
        if (c.targetExists) {
            ASSERT_TRUE(sv::writeFileWhole(real, "old"));
            QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner);
        }
        for (const auto& [name, target] : c.links) {
            QString to = target;
            to.replace('@', dir.path());
            ASSERT_TRUE(QFile::link(to, dir.filePath("links/" + name))) << c.name;
        }
        const QString link = dir.filePath("links/a.plist");
        QString error;
        ASSERT_TRUE(sv::writeFileWhole(link, "new", &error)) << c.name << ": " << error.toStdString();

        EXPECT_TRUE(QFileInfo(link).isSymLink()) << c.name;
        EXPECT_EQ(sv::test::readAll(real), "new") << c.name;
        if (c.targetExists)
            EXPECT_EQ(QFile::permissions(real) & QFileDevice::Permissions(0x7077), QFile::ReadOwner | QFile::WriteOwner)
                << c.name;
        EXPECT_EQ(entries(dir.filePath("real")), QStringList{"a.plist"}) << c.name;
        EXPECT_EQ(entries(dir.filePath("links")).filter(QRegularExpression("^\\.")), QStringList{}) << c.name;
    }
}

TEST(FileWriter, RemovesTheTemporariesOfKilledWritesOfItsFileOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.plist");
    ASSERT_TRUE(sv::writeFileWhole(path, "old"));
    // What killed writes of a.plist leave, and what only looks like it.
    const QStringList leftovers = {".a.plist.Ab3dE9", ".a.plist.zzzzzz"};
    const QStringList others = {".a.plist.Ab3dE", ".a.plist.Ab3dE9x", ".b.plist.Ab3dE9", "a.plist.Ab3dE9",
                                ".a.plist.Held01"};
    for (const QString& name : leftovers + others)
        sv::test::writeBytes(dir.filePath(name), QByteArray(4096, 'x'));
    ASSERT_TRUE(QFile::link(path, dir.filePath(".a.plist.Link01")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(".a.plist.Dir001"));
    // A writer still at work holds its temporary.
    const int held = ::open(QFile::encodeName(dir.filePath(".a.plist.Held01")).constData(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    ASSERT_TRUE(sv::writeFileWhole(path, "new"));
    ::close(held);
    EXPECT_EQ(sv::test::readAll(path), "new");
    QStringList expected = others + QStringList{"a.plist", ".a.plist.Link01"};
    expected.sort();
    QStringList present = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    present.removeAll(".a.plist.Dir001"); // a folder is never touched
    EXPECT_EQ(present, expected);
    EXPECT_TRUE(QFileInfo(dir.filePath(".a.plist.Dir001")).isDir());
}
