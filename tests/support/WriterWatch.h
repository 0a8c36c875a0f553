#pragma once

#include "platform/FileWriter.h"
#include "platform/NotificationCenter.h"

#include <QStringList>

#include <cerrno>

namespace sv::test {

// Counts the files the writer starts, and fails its writes while full is set.
struct WriterWatch {
    int created = 0;
    bool full = false;
    WriterWatch()
    {
        sv::setFileWriterFaultHook([this](sv::FileWriterStep step, qint64) {
            if (step == sv::FileWriterStep::Create)
                ++created;
            return step == sv::FileWriterStep::Write && full ? ENOSPC : 0;
        });
    }
    ~WriterWatch() { sv::setFileWriterFaultHook({}); }
    WriterWatch(const WriterWatch&) = delete;
    WriterWatch& operator=(const WriterWatch&) = delete;
};

// The save results posted while it lives: failures by their reason,
// successes by their path.
struct SaveResults {
    QStringList failed, succeeded;
    sv::NotificationCenter::Observation onFail = sv::NotificationCenter::defaultCenter().addObserver(
        sv::FileSaveDidFailNotification,
        [this](const sv::Notification& n) { failed << n.userInfo.value("reason").toString(); },
        sv::NotificationCenter::Delivery::PostingThread);
    sv::NotificationCenter::Observation onSuccess = sv::NotificationCenter::defaultCenter().addObserver(
        sv::FileSaveDidSucceedNotification,
        [this](const sv::Notification& n) { succeeded << n.userInfo.value("path").toString(); },
        sv::NotificationCenter::Delivery::PostingThread);
};

} // namespace sv::test
