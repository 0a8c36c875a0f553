#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include "platform/RtfWriter.h"

#include <QStringList>

#include <cctype>

namespace {

// A small RTF reader, written from the format's rules rather than from the
// writer: groups, control words with their numbers, control symbols, \uN
// with \ucN fallbacks, and the font table read for the font's name.
struct ReadBack {
    QString text;
    QString fontName;
    int halfPoints = 0;
    bool balanced = false;
};

ReadBack readRtf(const QByteArray& rtf)
{
    ReadBack r;
    int depth = 0;
    int fontTableDepth = -1;
    int skipFallback = 0;
    int uc = 1;
    for (qsizetype i = 0; i < rtf.size();) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
            ++i;
        } else if (c == '}') {
            if (depth == fontTableDepth)
                fontTableDepth = -1;
            --depth;
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i < rtf.size() && !std::isalpha(static_cast<unsigned char>(rtf[i]))) {
                const char symbol = rtf[i++];
                if (symbol == '\'') {
                    r.text += QChar(rtf.mid(i, 2).toInt(nullptr, 16));
                    i += 2;
                } else {
                    r.text += QLatin1Char(symbol);
                }
                continue;
            }
            QByteArray word;
            while (i < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[i])))
                word += rtf[i++];
            QByteArray number;
            while (i < rtf.size() && (rtf[i] == '-' || std::isdigit(static_cast<unsigned char>(rtf[i]))))
                number += rtf[i++];
            if (i < rtf.size() && rtf[i] == ' ')
                ++i;
            if (word == "fonttbl")
                fontTableDepth = depth;
            else if (word == "par" || word == "line")
                r.text += QLatin1Char('\n');
            else if (word == "tab")
                r.text += QLatin1Char('\t');
            else if (word == "fs")
                r.halfPoints = number.toInt();
            else if (word == "uc")
                uc = number.toInt();
            else if (word == "u") {
                r.text += QChar(char16_t(number.toInt()));
                skipFallback = uc;
            }
        } else if (c == '\n' || c == '\r') {
            ++i;
        } else {
            if (skipFallback > 0)
                --skipFallback;
            else if (fontTableDepth >= 0) {
                if (c != ';')
                    r.fontName += QLatin1Char(c);
            } else
                r.text += QLatin1Char(c);
            ++i;
        }
        if (depth < 0)
            return r;
    }
    r.balanced = depth == 0;
    return r;
}

TEST(RtfWriter, TextReadsBackInItsFont)
{
    const QStringList texts = {
        "SSID: Home\nSignal: -67 dBm\n\nSSID: Office\nChannel: 149",
        "braces {and} back\\slashes\tand a tab",
        QString::fromUtf8("Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xe2\x98\x95 \xf0\x9f\x93\xb6"),
        "",
    };
    for (const QString& text : texts) {
        const ReadBack r = readRtf(sv::rtfData(text, "Courier", 12));
        EXPECT_TRUE(r.balanced) << text.toStdString();
        EXPECT_EQ(r.text, text);
        EXPECT_EQ(r.fontName, "Courier");
        EXPECT_EQ(r.halfPoints, 24);
    }
    EXPECT_EQ(readRtf(sv::rtfData("a\r\nb", "Courier", 10.5)).text, "a\nb");
    EXPECT_EQ(readRtf(sv::rtfData("x", "Courier", 10.5)).halfPoints, 21);
}

} // namespace
