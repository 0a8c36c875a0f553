#pragma once

#include <QByteArray>
#include <QString>

namespace sv {

// Plain text as rich text (RTF) in one font and size: each line feed starts
// a new paragraph, so an empty line stays an empty paragraph. Characters
// beyond ASCII are written as Unicode escapes, so any text survives.
// For the clipboard's "text/rtf" beside the plain text.
QByteArray rtfData(const QString& text, const QString& fontName, double pointSize);

} // namespace sv
