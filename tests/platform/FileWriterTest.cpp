#include "platform/FileWriter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
