#include <gtest/gtest.h>

#include "model/SVAnnotationsHelper.h"
#include "platform/FileWriter.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Fills the filesystem holding path; the descriptor is kept to give room back.
int fill(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const QByteArray page(4096, 'f');
    while (fd >= 0 && ::write(fd, page.constData(), size_t(page.size())) > 0) {
    }
    return fd;
}

} // namespace

// Run by the full_disk_saves CTest entry on a small tmpfs of its own.
TEST(FullDisk, FailedSavesAreReportedAndKeepTheOldFilesWhole)
{
    const QString root = qEnvironmentVariable("SKYVANE_FULL_DISK");
    if (root.isEmpty())
        GTEST_SKIP() << "runs on a small filesystem mounted by the full_disk_saves CTest entry (as root)";

    QStringList failed;
    const auto onFail = sv::NotificationCenter::defaultCenter().addObserver(
        sv::FileSaveDidFailNotification,
        [&](const sv::Notification& n) { failed << n.userInfo.value("reason").toString(); },
        sv::NotificationCenter::Delivery::PostingThread);

    const QString folder = root + "/Skyvane";
    const QString settings = root + "/Skyvane.conf";
    sv::UserDefaults defaults(settings);
    defaults.setString("before", "Text");
    ASSERT_TRUE(defaults.synchronize());
    SVAnnotationsHelper store(folder, &defaults);
    store.readFromDisk();
    for (int i = 0; i < 40; ++i)
        store.setAnnotationsForNetwork(QString::asprintf("AA:00:00:00:00:%02X", i), "desk " + QString::number(i));
    ASSERT_TRUE(store.saveToDisk());
    const QByteArray oldAnnotations = sv::test::readAll(store.path());
    const QByteArray oldSettings = sv::test::readAll(settings);

    const int filler = fill(root + "/filler");
    ASSERT_GE(filler, 0);
    const QString noSpace = QString::fromLocal8Bit(std::strerror(ENOSPC));
    const QString longText(5000, u'n'); // more than a page

    // Full, then with one page left: too little for either file.
    for (const bool onePageLeft : {false, true}) {
        SCOPED_TRACE(onePageLeft ? "one page left" : "full");
        if (onePageLeft) {
            ASSERT_EQ(::ftruncate(filler, ::lseek(filler, 0, SEEK_END) - 4096), 0);
        }
        failed.clear();
        store.setAnnotationsForNetwork("AA:00:00:00:00:FF", longText + QString::number(onePageLeft));
        EXPECT_FALSE(store.saveToDisk());
        defaults.setString(longText + QString::number(onePageLeft), "Text");
        EXPECT_FALSE(defaults.synchronize());
        ASSERT_EQ(failed.size(), 2);
        EXPECT_TRUE(failed[0].contains(store.path()) && failed[0].contains(noSpace)) << failed[0].toStdString();
        EXPECT_TRUE(failed[1].contains(settings) && failed[1].contains(noSpace)) << failed[1].toStdString();
        EXPECT_EQ(sv::test::readAll(store.path()), oldAnnotations);
        EXPECT_EQ(sv::test::readAll(settings), oldSettings);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"annotations.plist"});
    }

    // Room again: the edits kept in memory are saved.
    ::close(filler);
    QFile::remove(root + "/filler");
    EXPECT_TRUE(store.saveToDisk());
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(SVAnnotationsHelper(folder, &defaults).annotations().size(), 0); // not read yet
    SVAnnotationsHelper again(folder, &defaults);
    again.readFromDisk();
    EXPECT_EQ(again.annotationsForNetwork("AA:00:00:00:00:FF"), longText + "1");
    EXPECT_EQ(sv::UserDefaults(settings).stringForKey("Text"), longText + "1");
}
