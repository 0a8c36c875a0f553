#pragma once

#include <QFile>
#include <QString>

namespace sv {

// Opens file (named by its file name) for reading when it is a regular file,
// links followed. A FIFO, device or folder is refused without being opened
// the usual way, so a reader never waits on one for ever: the kind is
// checked first, then the file is opened without waiting and checked again,
// so one swapped in between is refused too. False with *error (the reason)
// when the file is refused or cannot be opened.
bool openRegularFile(QFile& file, QString* error = nullptr);

} // namespace sv
