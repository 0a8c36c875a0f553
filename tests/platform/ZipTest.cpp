#include "support/TestSupport.h"
#include "support/WriterWatch.h"

#include <gtest/gtest.h>

#include "platform/Zip.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

namespace {

using sv::test::readAll;
using sv::test::writeBytes;

TEST(Zip, SingleMemberRoundTripsWithItsDate)
{
    QTemporaryDir dir;
    const QByteArray content = QByteArray("vendor list ").repeated(1000);
    const QDateTime date(QDate(2025, 6, 7), QTime(8, 9, 10), QTimeZone::utc());
    for (auto compression : {sv::Zip::Compression::Deflate, sv::Zip::Compression::Store}) {
        const QString path = dir.filePath("a.zip");
        ASSERT_TRUE(sv::Zip::writeSingleMember(path, "vendors.plist", content, date, compression));
        sv::Zip::Member m;
        QString error;
        ASSERT_TRUE(sv::Zip::readMember(path, "vendors.plist", 1 << 20, &m, &error)) << error.toStdString();
        EXPECT_EQ(m.data, content);
        EXPECT_EQ(m.modified, date);
        EXPECT_FALSE(sv::Zip::readMember(path, "vendors.plist", content.size() - 1, &m, &error)) << "over the limit";
        EXPECT_FALSE(sv::Zip::readMember(path, "other.plist", 1 << 20, &m, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(sv::Zip::crc32("123456789"), 0xCBF43926u);
}

TEST(Zip, DamagedArchivesAreRefused)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.zip");
    QByteArray content;
    for (int i = 0; i < 5000; ++i)
        content += QByteArray::number(i * 7919) + ',';
    ASSERT_TRUE(sv::Zip::writeSingleMember(good, "vendors.plist", content, {}, sv::Zip::Compression::Store));
    const QByteArray bytes = readAll(good);
    const qsizetype dataStart = bytes.indexOf(content.left(20));
    ASSERT_GT(dataStart, 0);
    QByteArray flipped = bytes;
    flipped[dataStart + 100] = char(flipped[dataStart + 100] ^ 1); // stored data: only the CRC tells
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"truncated", bytes.left(bytes.size() / 2)},
        {"one byte short", bytes.left(bytes.size() - 1)},
        {"changed data", flipped},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath("bad.zip");
        writeBytes(path, c.data);
        sv::Zip::Member m;
        QString error;
        EXPECT_FALSE(sv::Zip::readMember(path, "vendors.plist", 1 << 20, &m, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
    }
}

TEST(Zip, FailedWriteKeepsTheOldArchive)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.zip");
    ASSERT_TRUE(sv::Zip::writeSingleMember(path, "vendors.plist", "old", {}));
    const QByteArray before = readAll(path);
    QString error;
    EXPECT_FALSE(sv::Zip::writeSingleMember(dir.filePath("missing/b.zip"), "vendors.plist", "new", {},
                                            sv::Zip::Compression::Deflate, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(path), before);

    sv::test::WriterWatch watch;
    watch.full = true;
    error.clear();
    EXPECT_FALSE(sv::Zip::writeSingleMember(path, "vendors.plist", "new", {}, sv::Zip::Compression::Deflate, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(watch.created, 1) << "written through the one writer";
    EXPECT_EQ(readAll(path), before);
}

} // namespace
