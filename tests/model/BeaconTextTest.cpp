#include "Beacon.h"

#include "elements/SVInfoElement.h"
#include "model/CWNetworkUtil.h"
#include "model/SVNetwork.h"
#include "platform/wlan/CWNetwork.h"

#include <gtest/gtest.h>

using namespace beacon;

namespace {

// The value of the first field with this name, subfields included; nothing
// when the field has no value, "?" when there is no such field.
std::optional<QString> fieldValue(const std::vector<SVField>& fields, const char* name)
{
    for (const SVField& f : fields) {
        if (f.name == QString::fromLatin1(name))
            return f.value;
        if (auto inner = fieldValue(f.subfields.value_or(std::vector<SVField>()), name); inner != QStringLiteral("?"))
            return inner;
    }
    return QStringLiteral("?");
}

std::optional<QString> fieldValue(const SVInfoElement& e, const char* name) { return fieldValue(e.fields(), name); }

// A record made as the scan engine makes it: the network's name bytes from
// its SSID element, the dictionary from the network.
std::shared_ptr<SVNetwork> scanned(const QByteArray& elements, const QByteArray& ssidBytes)
{
    CWNetwork n;
    n.setBssid(QStringLiteral("00:1b:63:aa:bb:cc"));
    n.setWlanChannel(CWChannel(6, kCWChannelBand2GHz, kCWChannelWidth20MHz));
    n.setSsidData(ssidBytes);
    n.setInformationElementData(elements);
    return SVNetwork::initWithDictionary(CWNetworkUtil::dictionary(n));
}

struct Case {
    const char* name;
    QByteArray bytes;
    QString text; // empty: no text anywhere
};

const Case kCases[] = {
    {"plain", QByteArray("Lobby"), QStringLiteral("Lobby")},
    {"a stray continuation byte damages the whole text", QByteArray::fromHex("41b242"), QString()},
    {"the text ends at the first zero byte", QByteArray("AB\0CD", 5), QStringLiteral("AB")},
    {"cut in the middle of a character", QByteArray::fromHex("436166c3"), QString()},
};

} // namespace

TEST(BeaconText, AnSsidReadsTheSameInTheTreeTheRecordAndTheScan)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto record = scanned(ssid(c.bytes) + dsChannel(6), c.bytes);
        const auto elements = record->informationElements();
        ASSERT_FALSE(elements.empty());
        const SVInfoElement& element = *elements.front();
        ASSERT_EQ(element.ieID(), 0u);

        const QString shown = c.text.isEmpty() ? QStringLiteral("<Hidden Network>") : c.text;
        EXPECT_EQ(record->ssid(), shown);
        EXPECT_EQ(record->isHidden(), c.text.isEmpty());
        EXPECT_EQ(fieldValue(element, "SSID"), c.text.isEmpty() ? std::nullopt : std::optional<QString>(c.text));
        EXPECT_EQ(element.ieSummary(), c.text);
        // The bytes themselves are always there to read.
        EXPECT_EQ(fieldValue(element, "SSID Data"), QString::fromLatin1(c.bytes.toHex(' ').toUpper()));
    }
}

TEST(BeaconText, ADeviceNameReadsTheSameInTheTreeAndTheRecord)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        // A Cisco element long enough for the tree's decoder (30 bytes).
        const QByteArray cisco = element(133, QByteArray(10, '\0') + paddedName(c.bytes, 16) + bytes({7, 0, 0, 0}));
        const QByteArray elements = cisco + vendor({0x00, 0x0B, 0x86}, 1, bytes({3, 8}) + c.bytes);
        const auto record = scanned(ssid("x") + elements, "x");
        EXPECT_EQ(record->deviceName(), c.text);
        const auto all = record->informationElements();
        ASSERT_EQ(all.size(), 3u);
        EXPECT_EQ(fieldValue(*all[1], "Device Name"), c.text);
        EXPECT_EQ(fieldValue(*all[2], "AP Name"), c.text);
    }
}
