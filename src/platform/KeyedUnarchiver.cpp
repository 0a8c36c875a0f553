#include "platform/KeyedUnarchiver.h"

#include "platform/KeyedArchiverFormat.h"
#include "platform/MappedFile.h"
#include "platform/ParallelFor.h"
#include "platform/PropertyList.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include <sys/mman.h>

namespace sv {

using namespace keyedarchive;

namespace {

constexpr quint64 TrailerSize = 32;
constexpr quint64 HeaderSize = 8;
constexpr quint64 TopFrame = std::numeric_limits<quint64>::max();
constexpr size_t MaxCachedClasses = 4096;
constexpr qsizetype MaxColorText = 256;
// Honest class names are short; a class's names together past this are damage.
constexpr quint64 MaxClassText = 16384;

// Property-list object kinds, by the high nibble of the marker byte.
enum Marker : quint8 {
    Simple = 0x0, Int = 0x1, Real = 0x2, Date = 0x3, Data = 0x4, Ascii = 0x5, Utf16 = 0x6,
    Uid = 0x8, Array = 0xa, Set = 0xc, Dict = 0xd,
};

struct Object {
    quint8 type = 0;   // high nibble
    quint8 low = 0;    // low nibble
    quint64 count = 0; // elements, bytes or UTF-16 units
    quint64 body = 0;  // position after the marker (and count)
};

// What an archived object's class makes of it.
enum class Kind { Other, Array, Dictionary, Date, String, Data, Color, Null };

struct ClassInfo {
    QString name;      // mapped
    QStringList chain; // as archived
    Kind kind = Kind::Other;
};

// A dictionary in the file: its key refs, then its value refs.
struct Dictionary {
    quint64 count = 0;
    quint64 keys = 0;
};

constexpr quint64 NoRef = std::numeric_limits<quint64>::max();
constexpr size_t MaxShapes = 4096;

// A key's text and the ref of the key string that last matched it.
struct KeySlot {
    std::string key;             // UTF-8
    const char* text = nullptr;  // where the caller's text lay
    size_t size = 0;
    quint64 ref = NoRef;
    quint64 generation = 0;      // changes whenever the slot takes another key
};

// Objects of one class usually list the same key strings in the same order
// (writers store each key text once). Such objects share one shape, which
// remembers where each key asked for sits, so a million samples are
// searched once rather than once each.
struct Shape {
    std::string raw; // the key refs as they lie in the file
    struct Answer {
        quint64 generation;
        qint64 position; // -1: absent
    };
    std::vector<Answer> answers;
};

struct Frame {
    quint64 index = TopFrame; // in $objects
    Dictionary dict;
    Shape* shape = nullptr;
    // An archived dictionary whose entries stand for keys (decodeDictionaryWith).
    bool entries = false;
    quint64 entryKeys = 0, entryValues = 0, entryCount = 0;
};

// Dates already read, by archive index: writers share one date object
// among the samples of one scan, so most samples find theirs here.
class DateCache {
public:
    const qint64* find(quint64 index) const
    {
        if (table.empty())
            return nullptr;
        for (size_t at = slotOf(index);; at = (at + 1) & Mask) {
            if (table[at].first == 0)
                return nullptr;
            if (table[at].first == index + 1)
                return &table[at].second;
        }
    }
    void insert(quint64 index, qint64 msecs)
    {
        if (table.empty() || used >= Capacity / 2) {
            table.assign(Capacity, {0, 0});
            used = 0;
        }
        size_t at = slotOf(index);
        while (table[at].first != 0 && table[at].first != index + 1)
            at = (at + 1) & Mask;
        used += table[at].first == 0;
        table[at] = {index + 1, msecs};
    }

private:
    static constexpr size_t Capacity = size_t(1) << 15;
    static constexpr size_t Mask = Capacity - 1;
    static size_t slotOf(quint64 index) { return size_t((index * 0x9E3779B97F4A7C15ULL) >> 49) & Mask; }
    std::vector<std::pair<quint64, qint64>> table; // index + 1 (0: free), msecs
    size_t used = 0;
};

struct StringHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// What the elements of one batch read side by side may spend, shared so that
// each may spend what the elements before it leave, as if they had been read
// first: work is bounded by the file however many elements run at once.
// Each element's spending is published (a slice at a time) in a Fenwick
// tree by position, so the sum before a position costs a few loads.
class OrderedBudget {
public:
    OrderedBudget(size_t elements, quint64 objects, quint64 bytes)
        : m_objects(objects), m_bytes(bytes), m_tree(elements + 1) {}

    void publish(size_t position, quint64 objects, quint64 bytes)
    {
        for (size_t i = position + 1; i < m_tree.size(); i += i & (~i + 1)) {
            m_tree[i].objects.fetch_add(objects, std::memory_order_relaxed);
            m_tree[i].bytes.fetch_add(bytes, std::memory_order_relaxed);
        }
    }
    // What the elements before position left, as far as they have told.
    std::pair<quint64, quint64> leftFor(size_t position) const
    {
        quint64 objects = 0, bytes = 0;
        for (size_t i = position; i > 0; i -= i & (~i + 1)) {
            objects += m_tree[i].objects.load(std::memory_order_relaxed);
            bytes += m_tree[i].bytes.load(std::memory_order_relaxed);
        }
        return {m_objects - std::min(objects, m_objects), m_bytes - std::min(bytes, m_bytes)};
    }

private:
    struct Node {
        std::atomic<quint64> objects{0};
        std::atomic<quint64> bytes{0};
    };
    quint64 m_objects, m_bytes;
    std::vector<Node> m_tree;
};

Kind kindOf(const QStringList& chain)
{
    static const QHash<QString, Kind> kinds{
        {QStringLiteral("NSArray"), Kind::Array},       {QStringLiteral("NSMutableArray"), Kind::Array},
        {QStringLiteral("NSSet"), Kind::Array},         {QStringLiteral("NSMutableSet"), Kind::Array},
        {QStringLiteral("NSOrderedSet"), Kind::Array},  {QStringLiteral("NSMutableOrderedSet"), Kind::Array},
        {QStringLiteral("NSDictionary"), Kind::Dictionary}, {QStringLiteral("NSMutableDictionary"), Kind::Dictionary},
        {QStringLiteral("NSDate"), Kind::Date},         {QStringLiteral("NSString"), Kind::String},
        {QStringLiteral("NSMutableString"), Kind::String}, {QStringLiteral("NSData"), Kind::Data},
        {QStringLiteral("NSMutableData"), Kind::Data},  {QStringLiteral("NSColor"), Kind::Color},
        {QStringLiteral("NSNull"), Kind::Null},
    };
    // The first known ancestor decides, so a private subclass of an array still reads as one.
    for (const QString& name : chain)
        if (auto it = kinds.constFind(name); it != kinds.constEnd())
            return *it;
    return Kind::Other;
}

// The file as read and its layout: what readers of one file side by side
// share, each with caches and budgets of its own.
struct FileView {
    QByteArray data;
    const uchar* bytes = nullptr;
    quint64 size = 0;
    bool mapped = false;          // bytes are a mapping of the file
    const char* what = "archive"; // what the messages call the file

    int offsetSize = 0;
    int refSize = 0;
    quint64 objectCount = 0;
    quint64 tableOffset = 0; // objects lie in [HeaderSize, tableOffset)

    quint64 archiveCount = 0; // entries of $objects
    quint64 archiveRefs = 0;  // position of $objects' refs
};

} // namespace

struct KeyedUnarchiver::Private : FileView {
    std::unique_ptr<MappedFile> file;
    bool fileChanged = false;
    QString error;

    std::vector<Frame> frames;
    std::vector<quint64> visiting; // archive indexes being decoded, for cycles
    quint64 budget = 0;            // objects left to visit; bounds shared-reference blow-up
    quint64 spent = 0;             // objects visited in all
    quint64 spentAtRelease = 0;    // when the mapped pages were last let go
    quint64 byteBudget = 0;        // text and data bytes left to copy out; honest files
                                   // share short names, so a small multiple of the file
    quint64 bytesSpent = 0;        // text and data bytes copied out in all

    // Side by side: the batch's budget and this reader's element in it. The
    // budgets above are then slices of it, cut when spent.
    OrderedBudget* ordered = nullptr;
    size_t orderedAt = 0;
    quint64 objectsFrom = 0, bytesFrom = 0;          // spent and bytesSpent when the element began
    quint64 objectsPublished = 0, bytesPublished = 0; // what the batch has been told

    std::unordered_map<quint64, ClassInfo> classes;
    DateCache dates;
    // The class found last: objects of one class usually come in runs.
    quint64 lastClassIndex = NoRef;
    const ClassInfo* lastClass = nullptr;
    QHash<QString, QString> mapping;
    std::array<KeySlot, 256> keySlots;
    KeySlot otherSlot; // keys given as UTF-16
    quint64 slotGeneration = 0;
    std::unordered_map<std::string, std::unique_ptr<Shape>, StringHash, std::equal_to<>> shapes;
    Shape* lastShape = nullptr;

    void forgetClasses()
    {
        classes.clear();
        lastClass = nullptr;
        lastClassIndex = NoRef;
    }

    bool fail(const QString& message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }
    bool damaged(const char* why)
    {
        return fail(QStringLiteral("The %1 is damaged: %2.").arg(QLatin1String(what), QLatin1String(why)));
    }
    bool ok() const { return error.isEmpty(); }

    // ---- bytes ----

    bool readBig(quint64 at, int n, quint64& value, quint64 limit)
    {
        value = 0;
        if (at > limit || quint64(n) > limit - at)
            return damaged("a value lies outside the file");
        const uchar* p = bytes + at;
        switch (n) {
        case 1: value = p[0]; break;
        case 2: value = qFromBigEndian<quint16>(p); break;
        case 4: value = qFromBigEndian<quint32>(p); break;
        case 8: value = qFromBigEndian<quint64>(p); break;
        default:
            for (int i = 0; i < n; ++i)
                value = (value << 8) | p[i];
        }
        return true;
    }

    bool offsetOf(quint64 ref, quint64& offset)
    {
        if (ref >= objectCount)
            return damaged("an object reference is out of range");
        if (!readBig(tableOffset + ref * quint64(offsetSize), offsetSize, offset, size - TrailerSize))
            return false;
        if (offset < HeaderSize || offset >= tableOffset)
            return damaged("an object offset is out of range");
        return true;
    }

    bool object(quint64 ref, Object& o)
    {
        quint64 at = 0;
        if (!offsetOf(ref, at))
            return false;
        const quint8 marker = bytes[at++];
        o.type = marker >> 4;
        o.low = marker & 0x0f;
        o.count = o.low;
        quint64 unit = 0;
        switch (o.type) {
        case Data: case Ascii: unit = 1; break;
        case Utf16: unit = 2; break;
        case Array: case Set: unit = quint64(refSize); break;
        case Dict: unit = 2 * quint64(refSize); break;
        case Int:
            if (o.low > 4)
                return damaged("an integer has an unknown size");
            unit = 0;
            o.count = quint64(1) << o.low;
            break;
        case Real:
            if (o.low != 2 && o.low != 3)
                return damaged("a real number has an unknown size");
            o.count = quint64(1) << o.low;
            break;
        case Date:
            if (o.low != 3)
                return damaged("a date has an unknown size");
            o.count = 8;
            break;
        case Uid:
            o.count = quint64(o.low) + 1;
            if (o.count > 8)
                return damaged("a reference has an unknown size");
            break;
        case Simple:
            if (marker != 0x00 && marker != 0x08 && marker != 0x09)
                return damaged("an object has an unknown type");
            break;
        default:
            return damaged("an object has an unknown type");
        }
        if (unit && o.low == 0x0f) {
            if (at >= tableOffset)
                return damaged("a count lies outside the file");
            const quint8 countMarker = bytes[at++];
            if ((countMarker >> 4) != Int || (countMarker & 0x0f) > 3)
                return damaged("a count is not an integer");
            if (!readBig(at, 1 << (countMarker & 0x0f), o.count, tableOffset))
                return false;
            at += quint64(1) << (countMarker & 0x0f);
        }
        o.body = at;
        const quint64 length = unit ? unit : 1;
        const quint64 room = tableOffset - at;
        if (o.type == Simple)
            return true;
        if (unit ? o.count > room / length : o.count > room)
            return damaged("an object is larger than the file");
        return true;
    }

    bool ref(quint64 at, quint64& value) { return readBig(at, refSize, value, tableOffset); }

    // ---- scalars ----

    bool integer(const Object& o, qint64& value)
    {
        quint64 raw = 0;
        if (o.count == 16) {
            quint64 high = 0;
            if (!readBig(o.body, 8, high, tableOffset) || !readBig(o.body + 8, 8, raw, tableOffset))
                return false;
            if (high != 0 || raw > quint64(std::numeric_limits<qint64>::max()))
                return damaged("an integer is too large");
            value = qint64(raw);
            return true;
        }
        if (!readBig(o.body, int(o.count), raw, tableOffset))
            return false;
        value = qint64(raw); // 1, 2 and 4 bytes are unsigned, 8 bytes signed
        return true;
    }
    bool real(const Object& o, double& value)
    {
        quint64 raw = 0;
        if (!readBig(o.body, int(o.count), raw, tableOffset))
            return false;
        if (o.count == 4) {
            const quint32 bits = quint32(raw);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            value = f;
        } else {
            std::memcpy(&value, &raw, sizeof value);
        }
        return true;
    }
    QString string(const Object& o)
    {
        const char* text = reinterpret_cast<const char*>(bytes + o.body);
        if (o.type == Ascii)
            return QString::fromLatin1(text, qsizetype(o.count));
        QString result(qsizetype(o.count), Qt::Uninitialized);
        for (quint64 i = 0; i < o.count; ++i)
            result[qsizetype(i)] = QChar(char16_t((bytes[o.body + 2 * i] << 8) | bytes[o.body + 2 * i + 1]));
        return result;
    }
    static bool isString(const Object& o) { return o.type == Ascii || o.type == Utf16; }

    // A stored scalar read as an integer: flags as 0 or 1, reals truncated.
    qint64 integerOf(const Object& o)
    {
        switch (o.type) {
        case Int: {
            qint64 v = 0;
            return integer(o, v) ? v : 0;
        }
        case Simple:
            if (o.low == 8 || o.low == 9)
                return o.low == 9;
            break;
        case Real: {
            double v = 0;
            if (!real(o, v))
                return 0;
            if (std::isfinite(v) && std::fabs(v) < 9.2e18)
                return qint64(v);
            damaged("an integer is out of range");
            return 0;
        }
        default:
            break;
        }
        damaged("an integer value has the wrong type");
        return 0;
    }

    // ---- dictionaries ----

    bool dictionary(quint64 ref, Dictionary& dict)
    {
        Object o;
        if (!object(ref, o))
            return false;
        if (o.type != Dict)
            return damaged("an archived object is not a dictionary");
        dict.count = o.count;
        dict.keys = o.body;
        return true;
    }

    bool keyMatches(quint64 keyRef, std::string_view key, bool& matches)
    {
        Object o;
        if (!object(keyRef, o))
            return false;
        if (o.type == Ascii) {
            matches = o.count == key.size() && std::memcmp(bytes + o.body, key.data(), key.size()) == 0;
        } else if (o.type == Utf16) {
            // A key of n UTF-8 bytes has at most n UTF-16 units: longer text cannot match.
            matches = o.count <= key.size() && string(o) == QString::fromUtf8(key.data(), qsizetype(key.size()));
        } else {
            return damaged("a dictionary key is not text");
        }
        return true;
    }

    // The value ref under key, or false (absent or damaged; see ok()).
    bool find(const Dictionary& dict, QAnyStringView key, quint64& valueRef)
    {
        if (!ok())
            return false;
        return findSlot(dict, slotOf(key), valueRef, nullptr);
    }

    // The same for the current object: through its shape when it has one,
    // through an archived dictionary's entries when it is one.
    bool find(Frame& frame, QAnyStringView key, quint64& valueRef)
    {
        if (!ok())
            return false;
        if (frame.entries)
            return findEntry(frame, key, valueRef);
        if (!frame.shape)
            return find(frame.dict, key, valueRef);
        KeySlot& slot = slotOf(key);
        for (const Shape::Answer& a : frame.shape->answers)
            if (a.generation == slot.generation)
                return a.position >= 0
                       && ref(frame.dict.keys + (frame.dict.count + quint64(a.position)) * quint64(refSize), valueRef);
        qint64 position = -1;
        const bool found = findSlot(frame.dict, slot, valueRef, &position);
        if (!ok())
            return false;
        if (frame.shape->answers.size() < 64)
            frame.shape->answers.push_back({slot.generation, found ? position : -1});
        return found;
    }

    Shape* shapeOf(const Dictionary& dict)
    {
        // object() has checked that the refs lie inside the file.
        const std::string_view raw(reinterpret_cast<const char*>(bytes + dict.keys), size_t(dict.count) * size_t(refSize));
        if (lastShape && lastShape->raw == raw)
            return lastShape;
        if (auto it = shapes.find(raw); it != shapes.end())
            return lastShape = it->second.get();
        if (shapes.size() >= MaxShapes)
            return nullptr;
        auto shape = std::make_unique<Shape>();
        shape->raw.assign(raw);
        lastShape = shape.get();
        shapes.emplace(shape->raw, std::move(shape));
        return lastShape;
    }

    // A key among an archived dictionary's entries: each key is a reference
    // to a string; keys that are not text are passed over.
    bool findEntry(const Frame& frame, QAnyStringView key, quint64& valueRef)
    {
        const std::string& text = slotOf(key).key;
        for (quint64 i = 0; i < frame.entryCount; ++i) {
            quint64 r = 0, index = 0, plistRef = 0;
            Object uid, name;
            if (!ref(frame.entryKeys + i * quint64(refSize), r) || !object(r, uid) || !uidOf(uid, index)
                || !archiveRef(index, plistRef) || !object(plistRef, name))
                return false;
            bool matches = false;
            if (name.type == Ascii)
                matches = name.count == text.size() && std::memcmp(bytes + name.body, text.data(), text.size()) == 0;
            else if (name.type == Utf16)
                matches = name.count <= text.size()
                          && string(name) == QString::fromUtf8(text.data(), qsizetype(text.size()));
            if (matches)
                return ref(frame.entryValues + i * quint64(refSize), valueRef);
        }
        return false;
    }

    bool findSlot(const Dictionary& dict, KeySlot& slot, quint64& valueRef, qint64* position)
    {
        const quint64 values = dict.keys + dict.count * quint64(refSize);
        // Writers store each key text once, so the ref that matched last time
        // usually matches again: compare refs before texts.
        if (slot.ref != NoRef) {
            for (quint64 i = 0; i < dict.count; ++i) {
                quint64 k = 0;
                if (!ref(dict.keys + i * quint64(refSize), k))
                    return false;
                if (k == slot.ref) {
                    if (position)
                        *position = qint64(i);
                    return ref(values + i * quint64(refSize), valueRef);
                }
            }
        }
        for (quint64 i = 0; i < dict.count; ++i) {
            quint64 k = 0;
            bool matches = false;
            if (!ref(dict.keys + i * quint64(refSize), k) || !keyMatches(k, slot.key, matches))
                return false;
            if (matches) {
                slot.ref = k;
                if (position)
                    *position = qint64(i);
                return ref(values + i * quint64(refSize), valueRef);
            }
        }
        return false;
    }

    // Keys are mostly string literals: find a key's slot by where its text
    // lies, confirmed by the text itself, so no lookup hashes or copies it.
    KeySlot& slotOf(QAnyStringView key)
    {
        const char* text = nullptr;
        key.visit([&](auto view) {
            if constexpr (!std::is_same_v<decltype(view), QStringView>)
                text = view.data();
        });
        if (!text) {
            std::string k = keyOf(key);
            if (otherSlot.generation == 0 || k != otherSlot.key) {
                otherSlot.key = std::move(k);
                otherSlot.ref = NoRef;
                otherSlot.generation = ++slotGeneration;
            }
            return otherSlot;
        }
        const size_t size = size_t(key.size_bytes());
        const quintptr at = quintptr(text);
        KeySlot& slot = keySlots[((at >> 2) ^ (at >> 11) ^ size) % keySlots.size()];
        if (slot.text == text && slot.size == size && std::memcmp(slot.key.data(), text, size) == 0)
            return slot;
        slot.key = keyOf(key);
        slot.text = text;
        slot.size = size;
        slot.ref = NoRef;
        slot.generation = ++slotGeneration;
        return slot;
    }

    // Keys as UTF-8, without a QString round trip for the usual ASCII literals.
    std::string keyOf(QAnyStringView key)
    {
        std::string result;
        key.visit([&](auto view) {
            using View = decltype(view);
            if constexpr (std::is_same_v<View, QUtf8StringView>) {
                result.assign(view.data(), size_t(view.size()));
            } else if constexpr (std::is_same_v<View, QLatin1StringView>) {
                if (std::all_of(view.begin(), view.end(), [](char c) { return quint8(c) < 0x80; })) {
                    result.assign(view.data(), size_t(view.size()));
                } else {
                    const QByteArray utf8 = QString(view).toUtf8();
                    result.assign(utf8.constData(), size_t(utf8.size()));
                }
            } else {
                const QByteArray utf8 = view.toUtf8();
                result.assign(utf8.constData(), size_t(utf8.size()));
            }
        });
        return result;
    }

    // ---- $objects ----

    bool spend()
    {
        if (budget == 0 && ordered)
            cutSlices(0);
        if (budget == 0)
            return damaged("too many shared references");
        --budget;
        ++spent;
        return true;
    }

    bool spendBytes(quint64 n)
    {
        if (n > byteBudget && ordered)
            cutSlices(n);
        if (n > byteBudget)
            return damaged("too many shared references");
        byteBudget -= n;
        bytesSpent += n;
        return true;
    }

    // Tells the batch what this element has spent and cuts the next slices
    // from what the elements before it leave. Stopping here early is sound:
    // those elements only ever spend more, so read one after another this
    // element would have run out by now too.
    // whole: all that is left, for a batch this element reads side by side.
    void cutSlices(quint64 bytesWanted, bool whole = false)
    {
        const quint64 ObjectSlice = whole ? NoRef : 4096;
        const quint64 ByteSlice = whole ? NoRef : quint64(1) << 16;
        const quint64 objects = spent - objectsFrom, bytes = bytesSpent - bytesFrom;
        ordered->publish(orderedAt, objects - objectsPublished, bytes - bytesPublished);
        objectsPublished = objects;
        bytesPublished = bytes;
        const auto [objectsLeft, bytesLeft] = ordered->leftFor(orderedAt);
        budget = objectsLeft > objects ? std::min(ObjectSlice, objectsLeft - objects) : 0;
        byteBudget = bytesLeft > bytes ? std::min(std::max(ByteSlice, bytesWanted), bytesLeft - bytes) : 0;
    }

    // Begins (or, with nothing, ends) this reader's part in a batch.
    void takePart(OrderedBudget* batch, size_t position)
    {
        if (ordered)
            cutSlices(0); // the last of it told
        ordered = batch;
        orderedAt = position;
        objectsFrom = spent;
        bytesFrom = bytesSpent;
        objectsPublished = bytesPublished = 0;
        budget = byteBudget = 0;
    }

    bool archiveRef(quint64 index, quint64& plistRef)
    {
        if (index >= archiveCount)
            return damaged("an archive reference is out of range");
        return ref(archiveRefs + index * quint64(refSize), plistRef);
    }

    bool uidOf(const Object& o, quint64& index)
    {
        if (o.type != Uid)
            return damaged("an object reference has the wrong type");
        return readBig(o.body, int(o.count), index, tableOffset);
    }

    // Element i of an array of archived objects: the archive index and the
    // dictionary of the object it names. Skip for a nil element or one
    // that is not a dictionary; Damaged (with the error set) otherwise.
    enum class Element { Found, Skip, Damaged };
    Element arrayElement(const Object& elements, quint64 i, quint64& index, Dictionary& dict)
    {
        quint64 er = 0, objectRef = 0;
        Object uid, element;
        if (!ref(elements.body + i * quint64(refSize), er) || !object(er, uid) || !uidOf(uid, index))
            return Element::Damaged;
        if (index == 0)
            return Element::Skip;
        if (!archiveRef(index, objectRef) || !object(objectRef, element))
            return Element::Damaged;
        if (element.type != Dict)
            return Element::Skip;
        dict = Dictionary{element.count, element.body};
        return Element::Found;
    }

    // The class of an object; info points into a cache that a later call
    // may clear, so use it at once.
    bool classOf(const Dictionary& dict, const ClassInfo*& info)
    {
        quint64 valueRef = 0;
        if (!find(dict, "$class", valueRef))
            return ok() ? damaged("an archived object has no class") : false;
        Object o;
        quint64 index = 0;
        if (!object(valueRef, o) || !uidOf(o, index))
            return false;
        return classAt(index, info);
    }

    // The class object at an archive index.
    bool classAt(quint64 index, const ClassInfo*& info)
    {
        if (index == lastClassIndex && lastClass) {
            info = lastClass;
            return true;
        }
        if (auto it = classes.find(index); it != classes.end()) {
            info = lastClass = &it->second;
            lastClassIndex = index;
            return true;
        }
        quint64 classRef = 0;
        Dictionary cls;
        if (!archiveRef(index, classRef) || !dictionary(classRef, cls))
            return false;
        ClassInfo made;
        quint64 nameRef = 0, chainRef = 0;
        Object name;
        if (!find(cls, "$classname", nameRef))
            return ok() ? damaged("a class has no name") : false;
        if (!object(nameRef, name))
            return false;
        if (!isString(name))
            return damaged("a class name is not text");
        quint64 text = name.count;
        if (text > MaxClassText)
            return damaged("a class's names are too long");
        const QString archivedName = string(name);
        if (find(cls, "$classes", chainRef)) {
            Object chain;
            if (!object(chainRef, chain))
                return false;
            if (chain.type != Array)
                return damaged("a class chain is not an array");
            for (quint64 i = 0; i < chain.count; ++i) {
                quint64 r = 0;
                Object n;
                if (!ref(chain.body + i * quint64(refSize), r) || !object(r, n))
                    return false;
                if (!isString(n))
                    return damaged("a class chain holds something other than text");
                text += n.count + 1;
                if (text > MaxClassText)
                    return damaged("a class's names are too long");
                made.chain.append(string(n));
            }
        }
        if (!ok())
            return false;
        if (made.chain.isEmpty() || made.chain.front() != archivedName)
            made.chain.prepend(archivedName);
        made.name = mapping.value(archivedName, archivedName);
        made.kind = kindOf(made.chain);
        if (classes.size() >= MaxCachedClasses)
            forgetClasses();
        info = lastClass = &classes.emplace(index, std::move(made)).first->second;
        lastClassIndex = index;
        return true;
    }

    bool isVisiting(quint64 index) const
    {
        return std::find(visiting.begin(), visiting.end(), index) != visiting.end();
    }

    // Enters an archived object: checks for cycles and depth and spends budget.
    bool enter(quint64 index)
    {
        if (isVisiting(index))
            return damaged("objects refer to themselves in a cycle");
        if (visiting.size() >= size_t(MaxNesting))
            return damaged("objects are nested too deeply");
        if (!spend())
            return false;
        visiting.push_back(index);
        return true;
    }
    void leave() { visiting.pop_back(); }

    // Runs body with frame as the current object, entered for the time.
    bool visit(KeyedUnarchiver& coder, const Frame& frame, const std::function<void(KeyedUnarchiver&)>& body)
    {
        if (!enter(frame.index))
            return false;
        frames.push_back(frame);
        body(coder);
        frames.pop_back();
        leave();
        return true;
    }

    // The archive index under key, 0 for absent or nil; false when damaged.
    // The object stored under a key of the current object, without
    // following archive references.
    bool plainValue(QAnyStringView key, Object& o)
    {
        quint64 r = 0;
        return ok() && !frames.empty() && find(frames.back(), key, r) && object(r, o);
    }

    // The archived object a key of the current object refers to: its
    // archive index and its reference in the property list.
    bool referencedObject(QAnyStringView key, quint64& index, quint64& plistRef)
    {
        if (!ok() || frames.empty())
            return false;
        bool isPlain = false;
        return indexFor(key, index, &isPlain) && !isPlain && index != 0 && archiveRef(index, plistRef);
    }

    // The frame of the archived object a key refers to, and its class.
    bool referencedFrame(QAnyStringView key, Frame& frame, const ClassInfo*& cls)
    {
        quint64 r = 0;
        return referencedObject(key, frame.index, r) && dictionary(r, frame.dict) && classOf(frame.dict, cls);
    }

    // The archived array a key refers to, and its elements.
    bool referencedArray(QAnyStringView key, quint64& index, Object& elements)
    {
        quint64 r = 0;
        Dictionary dict;
        const ClassInfo* cls = nullptr;
        return referencedObject(key, index, r) && dictionary(r, dict) && classOf(dict, cls)
               && cls->kind == Kind::Array && arrayElements(dict, elements);
    }

    bool indexFor(QAnyStringView key, quint64& index, bool* inlineValue = nullptr, quint64* valueRef = nullptr)
    {
        index = 0;
        quint64 r = 0;
        if (!find(frames.back(), key, r))
            return ok();
        Object o;
        if (!object(r, o))
            return false;
        if (o.type != Uid) {
            if (inlineValue)
                *inlineValue = true;
            if (valueRef)
                *valueRef = r;
            return true;
        }
        return readBig(o.body, int(o.count), index, tableOffset);
    }

    // A plain scalar or string found directly where an object was expected.
    QVariant plainValue(const Object& o)
    {
        switch (o.type) {
        case Simple:
            return o.low == 0 ? QVariant() : QVariant(o.low == 9);
        case Int: {
            qint64 v = 0;
            return integer(o, v) ? QVariant(qlonglong(v)) : QVariant();
        }
        case Real: {
            double v = 0;
            return real(o, v) ? QVariant(v) : QVariant();
        }
        case Date: {
            double v = 0;
            return real(o, v) ? dateFrom(v) : QVariant();
        }
        case Ascii:
        case Utf16:
            if (!spendBytes(o.type == Utf16 ? 2 * o.count : o.count))
                return {};
            return string(o);
        case Data:
            if (!spendBytes(o.count))
                return {};
            return QByteArray(reinterpret_cast<const char*>(bytes + o.body), qsizetype(o.count));
        default:
            damaged("an archived value has the wrong type");
            return {};
        }
    }

    QVariant dateFrom(double seconds)
    {
        const double msecs = seconds * 1000.0;
        // Roughly years -200000 to 200000, what QDateTime holds.
        if (!std::isfinite(msecs) || std::fabs(msecs) > 6.0e18 / 1000.0) {
            damaged("a date is out of range");
            return {};
        }
        return QDateTime::fromMSecsSinceEpoch(ReferenceDateMSecs + qint64(std::llround(msecs)), Qt::UTC);
    }

    // Element refs of an archived array object (its NS.objects).
    bool arrayElements(const Dictionary& dict, Object& elements)
    {
        quint64 r = 0;
        if (!find(dict, "NS.objects", r))
            return ok() ? damaged("an archived array has no elements") : false;
        if (!object(r, elements))
            return false;
        if (elements.type != Array && elements.type != Set)
            return damaged("an archived array's elements are not an array");
        return true;
    }

    QVariant valueAt(quint64 index);

    QVariant objectValue(const Dictionary& dict, Kind kind)
    {
        switch (kind) {
        case Kind::Array: {
            Object elements;
            if (!arrayElements(dict, elements))
                return {};
            QVariantList list;
            for (quint64 i = 0; i < elements.count && ok(); ++i) {
                quint64 r = 0, index = 0;
                Object uid;
                if (!ref(elements.body + i * quint64(refSize), r) || !object(r, uid) || !uidOf(uid, index))
                    return {};
                list.append(valueAt(index));
            }
            return ok() ? QVariant(list) : QVariant();
        }
        case Kind::Dictionary: {
            quint64 kr = 0, vr = 0;
            Object keys, values;
            if (!find(dict, "NS.keys", kr) || !find(dict, "NS.objects", vr)) {
                if (ok())
                    damaged("an archived dictionary lacks its keys or values");
                return {};
            }
            if (!object(kr, keys) || !object(vr, values))
                return {};
            if (keys.type != Array || values.type != Array || keys.count != values.count) {
                damaged("an archived dictionary's keys and values do not match");
                return {};
            }
            QVariantMap map;
            for (quint64 i = 0; i < keys.count && ok(); ++i) {
                quint64 k = 0, v = 0, ki = 0, vi = 0;
                Object ko, vo;
                if (!ref(keys.body + i * quint64(refSize), k) || !object(k, ko) || !uidOf(ko, ki)
                    || !ref(values.body + i * quint64(refSize), v) || !object(v, vo) || !uidOf(vo, vi))
                    return {};
                const QVariant key = valueAt(ki);
                if (!ok())
                    return {};
                if (key.typeId() != QMetaType::QString) {
                    damaged("an archived dictionary has a key that is not text");
                    return {};
                }
                map.insert(key.toString(), valueAt(vi));
            }
            return ok() ? QVariant(map) : QVariant();
        }
        case Kind::Date: {
            Object o;
            double seconds = 0;
            if (!requiredObject(dict, "NS.time", "an archived date has no time", o))
                return {};
            if (o.type == Real) {
                if (!real(o, seconds))
                    return {};
            } else if (o.type == Int) {
                qint64 v = 0;
                if (!integer(o, v))
                    return {};
                seconds = double(v);
            } else {
                damaged("an archived date's time is not a number");
                return {};
            }
            return dateFrom(seconds);
        }
        case Kind::String:
        case Kind::Data: {
            Object o;
            const char* const key = kind == Kind::String ? "NS.string" : "NS.data";
            if (!requiredObject(dict, key, "an archived string or data object is empty", o))
                return {};
            if (o.type == Uid) {
                quint64 index = 0;
                return uidOf(o, index) ? valueAt(index) : QVariant();
            }
            if ((kind == Kind::String && !isString(o)) || (kind == Kind::Data && o.type != Data)) {
                damaged("an archived string or data object has the wrong type");
                return {};
            }
            return plainValue(o);
        }
        case Kind::Color: {
            const std::optional<QColor> color = colorOf(dict);
            return color ? QVariant(*color) : QVariant();
        }
        case Kind::Null:
        case Kind::Other:
            return {};
        }
        return {};
    }

    // The object a key of an archived dictionary must hold; a missing key
    // marks the archive damaged.
    bool requiredObject(const Dictionary& dict, const char* key, const char* missing, Object& o)
    {
        quint64 r = 0;
        if (!find(dict, key, r)) {
            if (ok())
                damaged(missing);
            return false;
        }
        return object(r, o);
    }

    std::optional<double> number(const Dictionary& dict, const char* key)
    {
        quint64 r = 0;
        Object o;
        if (!find(dict, key, r) || !object(r, o))
            return std::nullopt;
        if (o.type == Int) {
            qint64 v = 0;
            return integer(o, v) ? std::optional<double>(double(v)) : std::nullopt;
        }
        if (o.type == Real) {
            double v = 0;
            return real(o, v) ? std::optional<double>(v) : std::nullopt;
        }
        return std::nullopt;
    }

    // Colour components as text ("0.1 0.2 0.3 1"), possibly NUL-terminated.
    std::optional<QList<double>> components(const Dictionary& dict, const char* key)
    {
        quint64 r = 0;
        Object o;
        if (!find(dict, key, r) || !object(r, o) || o.type != Data || o.count > quint64(MaxColorText)
            || !spendBytes(o.count))
            return std::nullopt;
        QByteArray text(reinterpret_cast<const char*>(bytes + o.body), qsizetype(o.count));
        while (text.endsWith('\0'))
            text.chop(1);
        QList<double> values;
        for (const QByteArray& part : text.simplified().split(' ')) {
            bool parsed = false;
            const double v = part.toDouble(&parsed);
            if (!parsed || !std::isfinite(v))
                return std::nullopt;
            values.append(std::clamp(v, 0.0, 1.0));
        }
        return values;
    }

    std::optional<QColor> colorOf(const Dictionary& dict)
    {
        const std::optional<double> space = number(dict, "NSColorSpace");
        if (!space)
            return std::nullopt;
        if (*space == ColorSpaceCalibratedRGB || *space == ColorSpaceDeviceRGB) {
            const auto c = components(dict, "NSRGB");
            if (!c || c->size() < 3 || c->size() > 4)
                return std::nullopt;
            return QColor::fromRgbF(float((*c)[0]), float((*c)[1]), float((*c)[2]), c->size() == 4 ? float((*c)[3]) : 1.0f);
        }
        if (*space == ColorSpaceCalibratedWhite || *space == ColorSpaceDeviceWhite) {
            const auto c = components(dict, "NSWhite");
            if (!c || c->size() < 1 || c->size() > 2)
                return std::nullopt;
            const float w = float((*c)[0]);
            return QColor::fromRgbF(w, w, w, c->size() == 2 ? float((*c)[1]) : 1.0f);
        }
        return std::nullopt;
    }

    bool openTrailer(quint64& top);
    bool open();
    bool openData(const QByteArray& given);
    // Fails when the mapped file changed since it was mapped; false once failed.
    bool noteChangedFile();

    // A plain property list's object and everything below it, as values.
    QVariant plainTree(quint64 at)
    {
        if (!ok())
            return {};
        if (std::find(visiting.begin(), visiting.end(), at) != visiting.end()) {
            damaged("objects refer to themselves in a cycle");
            return {};
        }
        if (visiting.size() >= size_t(MaxNesting)) {
            damaged("objects are nested too deeply");
            return {};
        }
        Object o;
        if (!spend() || !object(at, o))
            return {};
        switch (o.type) {
        case Simple:
            if (o.low == 0) {
                damaged("a value is null");
                return {};
            }
            return o.low == 9;
        case Ascii:
        case Utf16:
        case Data:
        case Int:
        case Real:
        case Date:
            return plainValue(o);
        case Array:
        case Set: {
            QVariantList list;
            visiting.push_back(at);
            for (quint64 i = 0; i < o.count && ok(); ++i) {
                quint64 r = 0;
                if (ref(o.body + i * quint64(refSize), r))
                    list.append(plainTree(r));
            }
            visiting.pop_back();
            return ok() ? QVariant(list) : QVariant();
        }
        case Dict: {
            QVariantMap map;
            visiting.push_back(at);
            const quint64 values = o.body + o.count * quint64(refSize);
            for (quint64 i = 0; i < o.count && ok(); ++i) {
                quint64 k = 0, v = 0;
                Object key;
                if (!ref(o.body + i * quint64(refSize), k) || !ref(values + i * quint64(refSize), v) || !object(k, key))
                    break;
                if (!isString(key)) {
                    damaged("a dictionary key is not text");
                    break;
                }
                const QVariant name = plainTree(k);
                const QVariant value = plainTree(v);
                if (ok())
                    map.insert(name.toString(), value);
            }
            visiting.pop_back();
            return ok() ? QVariant(map) : QVariant();
        }
        default:
            // UIDs belong to keyed archives.
            damaged("a value has no property-list form");
            return {};
        }
    }
};

QVariant KeyedUnarchiver::Private::valueAt(quint64 index)
{
    if (!ok() || index == 0)
        return {};
    if (!enter(index))
        return {};
    QVariant result;
    quint64 r = 0;
    Object o;
    if (archiveRef(index, r) && object(r, o)) {
        if (o.type == Dict) {
            Dictionary dict{o.count, o.body};
            const ClassInfo* cls = nullptr;
            if (classOf(dict, cls))
                result = objectValue(dict, cls->kind);
        } else {
            result = plainValue(o);
        }
    }
    leave();
    return ok() ? result : QVariant();
}

bool KeyedUnarchiver::Private::openTrailer(quint64& top)
{
    if (size < HeaderSize + TrailerSize + 1)
        return damaged("the file is too short");
    if (std::memcmp(bytes, "bplist00", HeaderSize) != 0)
        return fail(QStringLiteral("The file is not a property list."));
    const uchar* t = bytes + size - TrailerSize;
    offsetSize = t[6];
    refSize = t[7];
    auto big8 = [](const uchar* p) {
        quint64 v = 0;
        for (int i = 0; i < 8; ++i)
            v = (v << 8) | p[i];
        return v;
    };
    objectCount = big8(t + 8);
    top = big8(t + 16);
    tableOffset = big8(t + 24);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8)
        return damaged("the trailer names impossible sizes");
    if (objectCount == 0 || top >= objectCount)
        return damaged("the trailer's object count is wrong");
    const quint64 end = size - TrailerSize;
    if (tableOffset < HeaderSize + 1 || tableOffset > end
        || objectCount > (end - tableOffset) / quint64(offsetSize))
        return damaged("the offset table lies outside the file");
    // Each reference costs at least a byte, so reading every object once per
    // reference stays far below this.
    budget = 4 * size + (1u << 16);
    byteBudget = 16 * size + (1u << 16);
    return true;
}

bool KeyedUnarchiver::Private::open()
{
    quint64 top = 0;
    if (!openTrailer(top))
        return false;
    Dictionary root;
    if (!dictionary(top, root))
        return false;
    quint64 r = 0;
    Object o;
    if (!find(root, "$archiver", r) || !object(r, o) || !isString(o) || string(o) != QLatin1String(ArchiverName))
        return ok() ? fail(QStringLiteral("The file is not a keyed archive.")) : false;
    if (!find(root, "$version", r) || !object(r, o) || o.type != Int)
        return ok() ? damaged("the archive has no version") : false;
    if (!find(root, "$objects", r) || !object(r, o))
        return ok() ? damaged("the archive has no object table") : false;
    if (o.type != Array)
        return damaged("the archive's object table is not an array");
    archiveCount = o.count;
    archiveRefs = o.body;
    Frame topFrame;
    if (!find(root, "$top", r))
        return ok() ? damaged("the archive has no top object") : false;
    if (!dictionary(r, topFrame.dict))
        return false;
    frames.push_back(topFrame);
    return true;
}

KeyedUnarchiver::KeyedUnarchiver() : d(std::make_unique<Private>()) {}
KeyedUnarchiver::KeyedUnarchiver(KeyedUnarchiver&&) noexcept = default;
KeyedUnarchiver& KeyedUnarchiver::operator=(KeyedUnarchiver&&) noexcept = default;
KeyedUnarchiver::~KeyedUnarchiver() = default;

bool KeyedUnarchiver::Private::openData(const QByteArray& given)
{
    data = given;
    // Archives in XML form are read as the same list in binary form.
    if (!data.startsWith("bplist00") && PropertyList::looksLikeXml(data)) {
        QString reason;
        data = PropertyList::binaryFromXml(data, &reason);
        if (data.isEmpty())
            return fail(QStringLiteral("The archive is damaged: %1.").arg(reason));
    }
    bytes = reinterpret_cast<const uchar*>(data.constData());
    size = quint64(data.size());
    return open();
}

bool KeyedUnarchiver::Private::noteChangedFile()
{
    // What was read from a file that did not hold still is not to be trusted,
    // whatever else was found.
    if (file && !fileChanged && file->changed()) {
        fileChanged = true;
        error = QStringLiteral("The file changed while it was read.");
    }
    return ok();
}

KeyedUnarchiver KeyedUnarchiver::fromData(const QByteArray& data)
{
    KeyedUnarchiver archive;
    archive.d->openData(data);
    return archive;
}

KeyedUnarchiver KeyedUnarchiver::fromFile(const QString& path)
{
    KeyedUnarchiver archive;
    Private& d = *archive.d;
    auto file = std::make_unique<MappedFile>();
    QString reason;
    if (!file->open(path, &reason)) {
        d.fail(QStringLiteral("Could not open the archive: %1").arg(reason));
        return archive;
    }
    return fromMappedFile(std::move(file));
}

KeyedUnarchiver KeyedUnarchiver::fromMappedFile(std::unique_ptr<MappedFile> file)
{
    KeyedUnarchiver archive;
    Private& d = *archive.d;
    if (file->size() == 0) {
        d.damaged("the file is empty");
        return archive;
    }
    const QByteArray head = QByteArray::fromRawData(reinterpret_cast<const char*>(file->data()),
                                                    qsizetype(std::min<quint64>(file->size(), 64)));
    if (!head.startsWith("bplist00") && PropertyList::looksLikeXml(head)) {
        // XML is parsed whole anyway: read it into memory.
        if (file->size() > quint64(PropertyList::MaximumSize)) {
            d.damaged("property list too large");
            return archive;
        }
        const QByteArray copy(reinterpret_cast<const char*>(file->data()), qsizetype(file->size()));
        d.file = std::move(file);
        const bool held = d.noteChangedFile();
        d.file.reset();
        if (held)
            d.openData(copy);
        return archive;
    }
    d.bytes = file->data();
    d.size = file->size();
    d.mapped = true;
    d.file = std::move(file);
    d.open();
    return archive;
}

bool KeyedUnarchiver::failed() const
{
    return !d->noteChangedFile();
}

QString KeyedUnarchiver::errorString() const
{
    d->noteChangedFile();
    return d->error;
}

void KeyedUnarchiver::setClassNameMapping(const QString& archivedName, const QString& currentName)
{
    d->mapping.insert(archivedName, currentName);
    d->forgetClasses();
}

QString KeyedUnarchiver::className() const
{
    if (!d->ok() || d->frames.empty() || d->frames.back().index == TopFrame)
        return {};
    const ClassInfo* cls = nullptr;
    return d->classOf(d->frames.back().dict, cls) ? cls->name : QString();
}

QStringList KeyedUnarchiver::classChain() const
{
    if (!d->ok() || d->frames.empty() || d->frames.back().index == TopFrame)
        return {};
    const ClassInfo* cls = nullptr;
    return d->classOf(d->frames.back().dict, cls) ? cls->chain : QStringList();
}

bool KeyedUnarchiver::containsValueForKey(QAnyStringView key) const
{
    if (!d->ok() || d->frames.empty())
        return false;
    quint64 r = 0;
    return d->find(d->frames.back(), key, r);
}

qint64 KeyedUnarchiver::decodeInt(QAnyStringView key)
{
    Object o;
    if (!d->plainValue(key, o))
        return 0;
    return d->integerOf(o);
}

bool KeyedUnarchiver::decodeBool(QAnyStringView key)
{
    Object o;
    if (!d->plainValue(key, o))
        return false;
    if (o.type == Simple && (o.low == 8 || o.low == 9))
        return o.low == 9;
    if (o.type == Int) {
        qint64 v = 0;
        return d->integer(o, v) && v != 0;
    }
    d->damaged("a flag has the wrong type");
    return false;
}

double KeyedUnarchiver::decodeDouble(QAnyStringView key)
{
    Object o;
    if (!d->plainValue(key, o))
        return 0;
    if (o.type == Real) {
        double v = 0;
        return d->real(o, v) ? v : 0;
    }
    if (o.type == Int) {
        qint64 v = 0;
        return d->integer(o, v) ? double(v) : 0;
    }
    d->damaged("a number has the wrong type");
    return 0;
}

QVariant KeyedUnarchiver::decodeObject(QAnyStringView key)
{
    if (!d->ok() || d->frames.empty())
        return {};
    quint64 index, plain = 0;
    bool isPlain = false;
    if (!d->indexFor(key, index, &isPlain, &plain))
        return {};
    if (isPlain) {
        Object o;
        if (!d->object(plain, o))
            return {};
        const QVariant value = d->plainValue(o);
        return d->ok() ? value : QVariant();
    }
    return d->valueAt(index);
}

QDateTime KeyedUnarchiver::decodeDate(QAnyStringView key)
{
    const QVariant value = decodeObject(key);
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

std::optional<QColor> KeyedUnarchiver::decodeColor(QAnyStringView key)
{
    const QVariant value = decodeObject(key);
    if (value.typeId() == QMetaType::QColor)
        return value.value<QColor>();
    return std::nullopt;
}

QString KeyedUnarchiver::classNameForKey(QAnyStringView key)
{
    quint64 index = 0, r = 0;
    Object o;
    if (!d->referencedObject(key, index, r) || !d->object(r, o) || o.type != Dict)
        return {};
    const ClassInfo* cls = nullptr;
    return d->classOf(Dictionary{o.count, o.body}, cls) ? cls->name : QString();
}

bool KeyedUnarchiver::decodeObjectWith(QAnyStringView key, const std::function<void(KeyedUnarchiver&)>& body)
{
    Frame frame;
    const ClassInfo* cls = nullptr;
    if (!d->referencedFrame(key, frame, cls))
        return false;
    frame.shape = d->shapeOf(frame.dict);
    return d->visit(*this, frame, body) && d->ok();
}

bool KeyedUnarchiver::decodeDictionaryWith(QAnyStringView key, const std::function<void(KeyedUnarchiver&)>& body)
{
    Frame frame;
    const ClassInfo* cls = nullptr;
    if (!d->referencedFrame(key, frame, cls) || cls->kind != Kind::Dictionary)
        return false;
    quint64 kr = 0, vr = 0;
    Object keys, values;
    if (!d->find(frame.dict, "NS.keys", kr) || !d->find(frame.dict, "NS.objects", vr)) {
        if (d->ok())
            d->damaged("an archived dictionary lacks its keys or values");
        return false;
    }
    if (!d->object(kr, keys) || !d->object(vr, values))
        return false;
    if (keys.type != Array || values.type != Array || keys.count != values.count) {
        d->damaged("an archived dictionary's keys and values do not match");
        return false;
    }
    frame.entries = true;
    frame.entryKeys = keys.body;
    frame.entryValues = values.body;
    frame.entryCount = keys.count;
    return d->visit(*this, frame, body) && d->ok();
}

QStringList KeyedUnarchiver::Row::classChain() const
{
    const ClassInfo* cls = nullptr;
    return d->ok() && d->classAt(m_classId, cls) ? cls->chain : QStringList();
}

bool KeyedUnarchiver::Row::contains(int field) const
{
    return d->ok() && field >= 0 && field < m_fields && m_positions[field] >= 0;
}

qint64 KeyedUnarchiver::Row::decodeInt(int field)
{
    quint64 r = 0;
    Object o;
    if (!contains(field) || !d->ref(m_values + quint64(m_positions[field]) * quint64(d->refSize), r) || !d->object(r, o))
        return 0;
    return d->integerOf(o);
}

std::optional<qint64> KeyedUnarchiver::Row::decodeDateMSecs(int field)
{
    quint64 r = 0, index = 0;
    Object o;
    if (!contains(field) || !d->ref(m_values + quint64(m_positions[field]) * quint64(d->refSize), r) || !d->object(r, o))
        return std::nullopt;
    if (o.type != Uid) {
        const QVariant value = d->plainValue(o);
        if (!d->ok() || value.typeId() != QMetaType::QDateTime)
            return std::nullopt;
        return value.toDateTime().toMSecsSinceEpoch();
    }
    if (!d->readBig(o.body, int(o.count), index, d->tableOffset) || index == 0)
        return std::nullopt;
    if (const qint64* known = d->dates.find(index)) {
        // Read before, so only the checks every reference pays are left.
        if (!d->enter(index))
            return std::nullopt;
        d->leave();
        return *known;
    }
    const QVariant value = d->valueAt(index);
    if (!d->ok() || value.typeId() != QMetaType::QDateTime)
        return std::nullopt;
    const qint64 msecs = value.toDateTime().toMSecsSinceEpoch();
    d->dates.insert(index, msecs);
    return msecs;
}

qsizetype KeyedUnarchiver::decodeArrayOfRows(QAnyStringView key, std::span<const char* const> keys,
                                             const std::function<void(Row&)>& body)
{
    quint64 index = 0;
    Object elements;
    if (!d->referencedArray(key, index, elements) || !d->enter(index))
        return -1;
    // The layouts met in this array, each with where the wanted keys (and
    // the class, last) sit. A few cover an honest array; past that every
    // element is searched on its own.
    struct Layout {
        std::string raw; // the element's key refs as they lie in the file
        std::vector<qint64> positions;
    };
    constexpr size_t MaxLayouts = 16;
    std::vector<Layout> layouts;
    size_t lastLayout = 0;
    std::vector<qint64> unkept;
    const size_t fields = keys.size();
    const quint64 refSize = quint64(d->refSize);

    // Where each wanted key sits among an element's keys; -1 when absent.
    auto locate = [&](const Dictionary& dict, std::vector<qint64>& positions) {
        positions.assign(fields + 1, -1);
        for (size_t f = 0; f <= fields && d->ok(); ++f) {
            const std::string_view name = f < fields ? std::string_view(keys[f]) : std::string_view("$class");
            for (quint64 i = 0; i < dict.count; ++i) {
                quint64 k = 0;
                bool matches = false;
                if (!d->ref(dict.keys + i * refSize, k) || !d->keyMatches(k, name, matches))
                    return false;
                if (matches) {
                    positions[f] = qint64(i);
                    break;
                }
            }
        }
        return d->ok();
    };

    Row row(d.get());
    row.m_fields = int(fields);
    qsizetype visited = 0;
    for (quint64 i = 0; i < elements.count && d->ok(); ++i) {
        quint64 ei = 0;
        Dictionary dict;
        if (const auto found = d->arrayElement(elements, i, ei, dict); found != Private::Element::Found) {
            if (found == Private::Element::Damaged)
                break;
            continue;
        }
        // object() has checked that the refs lie inside the file.
        const std::string_view raw(reinterpret_cast<const char*>(d->bytes + dict.keys), size_t(dict.count * refSize));
        const qint64* positions = nullptr;
        if (lastLayout < layouts.size() && layouts[lastLayout].raw == raw) {
            positions = layouts[lastLayout].positions.data();
        } else {
            for (size_t l = 0; l < layouts.size() && !positions; ++l)
                if (layouts[l].raw == raw) {
                    lastLayout = l;
                    positions = layouts[l].positions.data();
                }
            if (!positions) {
                std::vector<qint64>& found = layouts.size() < MaxLayouts ? layouts.emplace_back().positions : unkept;
                if (!locate(dict, found))
                    break;
                if (&found != &unkept) {
                    layouts.back().raw.assign(raw);
                    lastLayout = layouts.size() - 1;
                }
                positions = found.data();
            }
        }
        quint64 classRef = 0, classIndex = 0;
        Object classUid;
        const ClassInfo* cls = nullptr;
        if (positions[fields] < 0) {
            d->damaged("an archived object has no class");
            break;
        }
        if (!d->ref(dict.keys + (dict.count + quint64(positions[fields])) * refSize, classRef)
            || !d->object(classRef, classUid) || !d->uidOf(classUid, classIndex) || !d->classAt(classIndex, cls)
            || !d->enter(ei))
            break;
        row.m_classId = classIndex;
        row.m_values = dict.keys + dict.count * refSize;
        row.m_positions = positions;
        body(row);
        d->leave();
        ++visited;
    }
    d->leave();
    return d->ok() ? visited : -1;
}

qsizetype KeyedUnarchiver::decodeArrayOfObjectsConcurrently(
    QAnyStringView key, const std::function<void(qsizetype, KeyedUnarchiver&)>& body)
{
    quint64 index = 0;
    Object elements;
    if (!d->referencedArray(key, index, elements) || !d->enter(index))
        return -1;
    if (d->ordered)
        d->cutSlices(0, true);
    struct Element {
        qsizetype position = 0;
        quint64 index = 0;
        Dictionary dict;
        quint64 spent = 0; // objects visited, up to a failure
        quint64 bytes = 0; // text and data bytes copied out, up to a failure
        QString error;
    };
    // Elements go in batches, so an array of millions costs little memory.
    constexpr size_t Batch = 16384;
    // Past four, reading is held back by memory rather than by work.
    const size_t threads = size_t(std::min<quint64>(
        {elements.count, quint64(std::max(1u, std::thread::hardware_concurrency())), quint64(4)}));
    // A reader per thread that starts where this one stands, with caches of
    // its own that last from batch to batch.
    std::vector<KeyedUnarchiver> readers;
    for (size_t t = 0; t < threads; ++t) {
        readers.push_back(KeyedUnarchiver());
        Private& p = *readers.back().d;
        static_cast<FileView&>(p) = *d;
        p.mapping = d->mapping;
        p.visiting = d->visiting;
    }

    std::vector<Element> list;
    qsizetype visited = 0;
    quint64 i = 0;
    while (d->ok() && i < elements.count) {
        // First, here, what the loop of decodeArrayOfObjects checks before
        // it enters an element. Damage found here counts after the elements
        // before it.
        list.clear();
        for (; i < elements.count && list.size() < Batch && d->ok(); ++i) {
            quint64 ei = 0;
            Dictionary dict;
            if (const auto found = d->arrayElement(elements, i, ei, dict); found != Private::Element::Found) {
                if (found == Private::Element::Damaged)
                    break;
                continue;
            }
            const ClassInfo* cls = nullptr;
            if (!d->classOf(dict, cls))
                break;
            list.push_back({qsizetype(i), ei, dict, 0, 0, {}});
        }
        const QString structureError = std::exchange(d->error, QString());

        // Then the elements side by side. Each may spend what those before
        // it leave here; the sums are settled below, in order.
        const quint64 budget = d->budget, byteBudget = d->byteBudget;
        OrderedBudget shared(list.size(), budget, byteBudget);
        std::atomic<size_t> next{0};
        auto work = [&](KeyedUnarchiver& reader) {
            Private& p = *reader.d;
            const size_t depth = d->visiting.size();
            for (size_t at = next++; at < list.size(); at = next++) {
                Element& e = list[at];
                p.error.clear();
                p.takePart(&shared, at);
                p.visiting.resize(depth);
                Frame frame;
                frame.index = e.index;
                frame.dict = e.dict;
                if (p.enter(e.index)) {
                    frame.shape = p.shapeOf(frame.dict);
                    p.frames.assign(1, frame);
                    body(e.position, reader);
                    p.frames.clear();
                }
                e.spent = p.spent - p.objectsFrom;
                e.bytes = p.bytesSpent - p.bytesFrom;
                e.error = p.error;
                p.takePart(nullptr, 0);
            }
        };
        // A reader on each pool thread that is free, this one among them;
        // the elements go to whichever reader asks first.
        sv::parallelFor(std::min(threads, list.size()), [&](std::size_t t) { work(readers[t]); });

        // As reading them one after another would have ended: at the first
        // element that failed or would have found the shared budget spent.
        quint64 spent = 0, bytes = 0;
        for (const Element& e : list) {
            if (e.spent > budget - spent || e.bytes > byteBudget - bytes) {
                d->damaged("too many shared references");
                break;
            }
            spent += e.spent;
            bytes += e.bytes;
            if (!e.error.isEmpty()) {
                d->fail(e.error);
                break;
            }
            ++visited;
        }
        d->budget = budget - std::min(spent, budget);
        d->byteBudget = byteBudget - std::min(bytes, byteBudget);
        d->spent += spent;
        d->bytesSpent += bytes;
        if (d->ok() && !structureError.isEmpty())
            d->fail(structureError);
    }
    d->leave();
    return d->ok() ? visited : -1;
}

qsizetype KeyedUnarchiver::countForKey(QAnyStringView key)
{
    quint64 index = 0;
    Object elements;
    if (!d->referencedArray(key, index, elements))
        return -1;
    return qsizetype(elements.count);
}

qsizetype KeyedUnarchiver::decodeArrayOfObjects(QAnyStringView key, const std::function<void(KeyedUnarchiver&)>& body)
{
    quint64 index = 0;
    Object elements;
    if (!d->referencedArray(key, index, elements) || !d->enter(index))
        return -1;
    qsizetype visited = 0;
    for (quint64 i = 0; i < elements.count && d->ok(); ++i) {
        quint64 ei = 0;
        Frame frame;
        if (const auto found = d->arrayElement(elements, i, ei, frame.dict); found != Private::Element::Found) {
            if (found == Private::Element::Damaged)
                break;
            continue;
        }
        frame.index = ei;
        const ClassInfo* elementClass = nullptr;
        if (!d->classOf(frame.dict, elementClass))
            break;
        frame.shape = d->shapeOf(frame.dict);
        if (!d->visit(*this, frame, body))
            break;
        ++visited;
    }
    d->leave();
    return d->ok() ? visited : -1;
}

void KeyedUnarchiver::releaseReadPages()
{
    // About a million objects read since the last time: tens of megabytes of file.
    constexpr quint64 ReleaseEvery = quint64(1) << 20;
    if (!d->mapped || d->spent - d->spentAtRelease < ReleaseEvery)
        return;
    d->spentAtRelease = d->spent;
    // The mapping is read-only: pages let go are read again from the page cache.
    ::madvise(const_cast<uchar*>(d->bytes), size_t(d->size), MADV_DONTNEED);
}

void KeyedUnarchiver::fail(const QString& message)
{
    d->fail(message);
}

QVariant KeyedUnarchiver::propertyList(const QByteArray& data, QString* error)
{
    KeyedUnarchiver reader;
    Private& d = *reader.d;
    d.what = "property list";
    d.data = data;
    d.bytes = reinterpret_cast<const uchar*>(d.data.constData());
    d.size = quint64(data.size());
    quint64 top = 0;
    QVariant value;
    if (d.openTrailer(top)) {
        // Every object of an honest list is reached through a reference of
        // at least a byte, so it visits fewer objects than it has bytes.
        d.budget = 2 * d.size + 1024;
        value = d.plainTree(top);
    }
    if (error)
        *error = d.error;
    return d.ok() ? value : QVariant();
}

QVariant KeyedUnarchiver::unarchivedValue(const QByteArray& data, QString* error)
{
    KeyedUnarchiver archive = fromData(data);
    const QVariant value = archive.decodeObject("root");
    if (error)
        *error = archive.errorString();
    return archive.failed() ? QVariant() : value;
}

} // namespace sv
