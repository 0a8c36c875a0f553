// iedump: decodes raw 802.11 element data given as hex, one element list per
// line on stdin, and prints the dump of every element of each line.
//   echo 0003414243030106 | iedump

#include "elements/ElementList.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cctype>
#include <optional>
#include <iostream>
#include <string>

namespace {

// Hex digits with optional spaces or colons between them; nullopt otherwise.
std::optional<QByteArray> parseHexLine(const std::string& line)
{
    QByteArray digits;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == ':' || c == '\r')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        digits += c;
    }
    if (digits.size() % 2 != 0)
        return std::nullopt;
    return QByteArray::fromHex(digits);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    int lineNumber = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        ++lineNumber;
        const std::optional<QByteArray> data = parseHexLine(line);
        if (!data) {
            std::cerr << "iedump: line " << lineNumber << ": bad hex (expected pairs of hex digits)\n";
            status = 1;
            continue;
        }
        if (data->isEmpty())
            continue;
        std::cout << "# line " << lineNumber << "\n";
        for (const auto& element : splitInformationElements(*data))
            std::cout << element->ieDump().toStdString() << "\n\n";
        // The record's digest of these elements goes here.
    }
    return status;
}
