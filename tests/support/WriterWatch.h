#pragma once

#include "platform/FileWriter.h"

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

} // namespace sv::test
