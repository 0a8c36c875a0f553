// iedump: decodes raw 802.11 element data given as hex, one element list per
// line on stdin, and prints for each line the record's digest of the list (a
// line "digest", then one "key: value" line per value; -1 is an unknown
// number) and the dump of every element.
//   echo 0003414243030106 | iedump

#include "elements/ElementList.h"
#include "model/SVNetwork.h"
#include "model/SVNetworkDigest.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QVariantMap>

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

void line(const char* key, const QString& value)
{
    std::cout << key << ":";
    if (!value.isEmpty())
        std::cout << " " << value.toStdString();
    std::cout << "\n";
}

void line(const char* key, qint64 value) { line(key, QString::number(value)); }
void line(const char* key, bool value) { line(key, value ? QStringLiteral("yes") : QStringLiteral("no")); }

// What a record derives from these elements alone (no scan dictionary: the
// channel, PHY modes and security come from the elements).
void printDigest(const QByteArray& elements)
{
    const QVariantMap dictionary{
        {QStringLiteral("informationElementData"), elements},
        {QStringLiteral("phyMode"), 0},
        {QStringLiteral("securityMode"), SVNetwork::UnknownSecurityMode},
    };
    SVNetworkDigest d;
    digestNetwork(dictionary, d);
    const QString width = SVNetwork::channelWidthText(d.channelWidth);
    std::cout << "digest\n";
    line("channel", d.channel);
    line("width", width.isEmpty() ? QString::number(d.channelWidth) : width);
    line("secondary channel offset", d.secondaryChannelOffset);
    line("streams", qint64(d.streams));
    line("rates", SVNetwork::dataRatesText(d.rates));
    line("min basic rate", QString::number(d.minBasicRate));
    line("max basic rate", QString::number(d.maxBasicRate));
    line("phy mode", SVNetwork::phyModeText(d.phyMode));
    line("security mode", SVNetwork::securityModeText(d.securityMode));
    line("cipher", SVNetwork::cipherText(d.cipherType));
    line("wps enabled", d.wpsEnabled);
    line("wps configured", d.wpsConfigured);
    line("wps locked", d.wpsLocked);
    line("station count", d.stationCount);
    line("channel utilization", d.channelUtilization);
    line("ht protection", SVNetwork::htProtectionText(d.htProtection));
    line("fast bss transition", SVNetwork::fastBssTransitionText(d.fastBssTransition));
    line("country code", d.countryCode);
    line("amendments", d.amendments.join(QStringLiteral(", ")));
    line("device name", d.deviceName);
    std::cout << "\n";
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
        printDigest(*data);
        for (const auto& element : splitInformationElements(*data))
            std::cout << element->ieDump().toStdString() << "\n\n";
    }
    return status;
}
