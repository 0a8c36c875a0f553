#pragma once

#include <QString>

namespace sv {

// One CSV text field: in double quotes, with inner quotes doubled, when it
// holds a comma, a double quote, CR or LF; otherwise unchanged. Text a
// spreadsheet would evaluate as a formula (it starts with "=", "+", "-" or
// "@", possibly after leading "'") gets one more "'" in front and the quotes,
// so it shows as text: "=1+2" is written "'=1+2" in quotes. Numbers are not
// text fields and never pass through here.
QString stringByAddingQuotationMarksForCSV(const QString& field);

// The text of a field read back from such a file: the "'" added in front of
// formula-looking text is removed again, so the text round-trips exactly.
QString stringByRemovingCSVFormulaGuard(const QString& field);

// True when any character of the text (a surrogate pair, a keycap sequence
// or a single code unit from the symbol blocks) is an emoji.
bool containsEmoji(const QString& text);

} // namespace sv
