// Feeds arbitrary text to the filter language and runs the expression over
// a few records.

#include "model/SVFilterLanguage.h"

#include <cstdint>

namespace {

std::vector<SVFilterFacts> records()
{
    SVFilterFacts open;
    open.rssiLast = -48;
    open.is2Dot4GHz = true;
    open.channel = 6;
    open.channelWidth = 1;
    open.phyModeValue = QStringLiteral("b/g/n");
    open.bssid = QStringLiteral("00:11:22:33:44:55");
    open.ssid = QStringLiteral("Cafe \"Open\"");
    open.vendor = QStringLiteral("Example Networks");
    SVFilterFacts secure;
    secure.rssiLast = -120;
    secure.isWPA2 = secure.isPSK = true;
    secure.is5GHz = true;
    secure.channel = 149;
    secure.channelWidth = 3;
    secure.phyModeValue = QStringLiteral("a/n/ac");
    secure.bssid = QStringLiteral("AA:BB:CC:DD:EE:FF");
    secure.ssid = QStringLiteral("Home");
    secure.annotations = QStringLiteral("upstairs");
    secure.countryCode = QStringLiteral("DE");
    return {open, secure, SVFilterFacts()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<SVFilterFacts> facts = records();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const SVFilterExpression expression = SVFilterExpression::parse(text);
    unsigned marks = 0;
    expression.evaluate(facts, &marks);
    SVFilterExpression::columnIdentifiers(marks);
    sv::integerValue(text);
    return 0;
}
