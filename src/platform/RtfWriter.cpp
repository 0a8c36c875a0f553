#include "platform/RtfWriter.h"

#include <cmath>

namespace sv {

namespace {

void appendEscaped(QByteArray& out, const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == '\r') {
            // CR LF pairs make one break; a lone CR is dropped too.
        } else if (u == '\n') {
            out += "\\par\n";
        } else if (u >= 0x20 && u < 0x80) {
            out += char(u);
        } else if (u < 0x20) {
            // Other control characters have no meaning in the copied text.
        } else {
            // \uN takes a signed 16-bit number; the "?" is the fallback
            // readers without Unicode show (\uc1).
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
}

} // namespace

QByteArray rtfData(const QString& text, const QString& fontName, double pointSize)
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fmodern ";
    // A face name is letters, digits, blanks and hyphens; anything else
    // (";" ends the entry) could break out of the font table.
    for (const QChar c : fontName)
        if (c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u' ' || c == u'-'))
            out += char(c.unicode());
    // Font sizes are counted in half points.
    out += ";}}\n\\pard\\plain\\f0\\fs" + QByteArray::number(qRound(pointSize * 2)) + ' ';
    appendEscaped(out, text);
    out += "}\n";
    return out;
}

} // namespace sv
