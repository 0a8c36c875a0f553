#pragma once

#include <QString>

namespace sv {

// One CSV field: in double quotes, with inner quotes doubled, when it holds
// a comma, a double quote, CR or LF; otherwise unchanged.
QString stringByAddingQuotationMarksForCSV(const QString& field);

// True when any character of the text (a surrogate pair, a keycap sequence
// or a single code unit from the symbol blocks) is an emoji.
bool containsEmoji(const QString& text);

} // namespace sv
