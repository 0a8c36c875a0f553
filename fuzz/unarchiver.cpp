// Feeds arbitrary bytes to the keyed unarchiver and decodes whatever it
// finds the way a document reader would.

#include "platform/KeyedUnarchiver.h"

#include <cstdint>
#include <iterator>

namespace {

const char* const Keys[] = {
    "root", "network", "dataPoints", "color", "lastSeen", "deviceName", "annotations", "revision",
    "rssiValue", "noiseValue", "channel", "stationCount", "chUtilization", "timestamp", "NS.objects",
};

// A sample's keys, read by position.
const char* const RowKeys[] = {"rssiValue", "noiseValue", "revision", "channel", "stationCount", "chUtilization", "timestamp"};

void walk(sv::KeyedUnarchiver& coder, int depth)
{
    coder.className();
    coder.classChain();
    for (const char* key : Keys) {
        if (!coder.containsValueForKey(key))
            continue;
        coder.decodeInt(key);
        coder.decodeBool(key);
        coder.decodeDouble(key);
        coder.decodeObject(key);
        coder.decodeDate(key);
        coder.decodeColor(key);
        coder.classNameForKey(key);
        coder.countForKey(key);
        if (depth < 4) {
            coder.decodeObjectWith(key, [&](sv::KeyedUnarchiver& inner) { walk(inner, depth + 1); });
            coder.decodeArrayOfObjects(key, [&](sv::KeyedUnarchiver& element) { walk(element, depth + 1); });
            coder.decodeArrayOfObjectsConcurrently(key, [&](qsizetype, sv::KeyedUnarchiver& element) { walk(element, depth + 1); });
            coder.decodeArrayOfRows(key, RowKeys, [](sv::KeyedUnarchiver::Row& row) {
                row.classChain();
                for (int field = 0; field < int(std::size(RowKeys)); ++field) {
                    row.decodeInt(field);
                    row.decodeDateMSecs(field);
                }
            });
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromData(bytes);
    coder.setClassNameMapping("SkyvaneNetwork", "SVNetwork");
    coder.setClassNameMapping("SkyvaneDataPoint", "SVDataPoint");
    walk(coder, 0);
    coder.failed();
    return 0;
}
