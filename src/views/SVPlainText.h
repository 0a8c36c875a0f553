#pragma once

#include <QString>

class QLabel;
class QWidget;

// Text from outside the program (names heard on the air, vendor and
// base-station names, notes, file names and contents) shown as the very
// characters it holds. Qt reads markup in labels, tooltips and alerts that
// look like rich text (an <img> there loads a file), takes '&' in menu items
// and buttons as a shortcut mark and "[*]" in a window title as the
// modified mark; these helpers keep each of them from reading the text.
namespace sv {

// A label that never reads its text as markup.
QLabel* newPlainLabel(const QString& text = QString(), QWidget* parent = nullptr);

// Tooltip text that shows as written: unchanged while Qt would take it as
// plain text; otherwise escaped and marked as rich text that keeps its
// spaces and line breaks, so "<b>x</b>" shows those eight characters.
QString plainToolTip(const QString& text);

// Text for a menu item or button: each '&' doubled, so it shows and marks
// no shortcut ("A&B" -> "A&&B").
QString plainMnemonicText(const QString& text);

// Text for setWindowTitle: each "[*]" doubled, so it shows as written.
QString plainWindowTitle(const QString& text);

} // namespace sv
