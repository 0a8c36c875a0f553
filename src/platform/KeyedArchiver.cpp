#include "platform/KeyedArchiver.h"

#include "platform/KeyedArchiverFormat.h"

#include <QBuffer>
#include <QDateTime>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sv {

using namespace keyedarchive;

namespace {

// Object references are written 4 bytes wide from the start: the number of
// objects is not known until the end, and a streamed object cannot be
// rewritten once it is out.
constexpr int RefSize = 4;
constexpr quint32 MaxObjects = 0xFFFFFFFEu;
constexpr quint32 Unwritten = 0xFFFFFFFFu;
// Uniquing tables are caches: once one grows this large it starts over, so
// millions of distinct timestamps cost no more memory than a few thousand.
constexpr size_t MaxUniqued = 1u << 16;
constexpr size_t FlushSize = 1u << 20;

struct StringHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
// Values written lately and where they went. Two generations: when the
// newer one fills up, the older one goes, so the latest MaxUniqued values
// are always found (equal timestamps of neighbouring records, say).
template <typename Key, typename Hash = std::hash<Key>, typename Equal = std::equal_to<Key>>
class Recent {
public:
    template <typename Lookup>
    const quint32* find(const Lookup& key) const
    {
        if (auto it = newer.find(key); it != newer.end())
            return &it->second;
        if (auto it = older.find(key); it != older.end())
            return &it->second;
        return nullptr;
    }
    void insert(Key key, quint32 value)
    {
        if (newer.size() >= MaxUniqued) {
            older.swap(newer);
            newer.clear();
        }
        newer.emplace(std::move(key), value);
    }

private:
    std::unordered_map<Key, quint32, Hash, Equal> newer, older;
};
using StringTable = Recent<std::string, StringHash, std::equal_to<>>;

struct Frame {
    // Dictionary: an object's own keys (and the top dictionary). Entries: an
    // archived dictionary object, whose keys and values go to NS.keys and
    // NS.objects.
    enum Kind { Dictionary, Array, Entries } kind = Dictionary;
    quint32 index = 0;      // in $objects; unused for the top dictionary
    quint32 keyInParent = 0; // key of this object in its parent: a plist string, or for Entries a UID
    std::vector<std::pair<quint32, quint32>> entries; // key ref, value ref
    std::vector<quint32> elements;                     // refs of element UIDs
};

// Bytes on their way out: written in place, without a size check per byte.
class OutBuffer {
public:
    size_t size() const { return used; }
    bool empty() const { return used == 0; }
    const char* data() const { return bytes.get(); }
    void clear() { used = 0; }
    void reserve(size_t n)
    {
        if (n <= capacity)
            return;
        std::unique_ptr<char[]> larger(new char[n]);
        if (used)
            std::memcpy(larger.get(), bytes.get(), used);
        bytes = std::move(larger);
        capacity = n;
    }
    // n more bytes at the end, for the caller to fill.
    char* grow(size_t n)
    {
        if (capacity - used < n)
            reserve(std::max(capacity * 2, used + n));
        char* at = bytes.get() + used;
        used += n;
        return at;
    }
    void push_back(char c) { *grow(1) = c; }
    void append(const char* data, size_t n)
    {
        if (n)
            std::memcpy(grow(n), data, n);
    }
    void append(std::string_view text) { append(text.data(), text.size()); }

private:
    std::unique_ptr<char[]> bytes;
    size_t used = 0, capacity = 0;
};

} // namespace

struct KeyedArchiver::Private {
    QIODevice* device = nullptr;
    QByteArray* buffer = nullptr;
    QByteArray discard; // stands in for a device that cannot be written
    OutBuffer out;
    quint64 flushed = 0; // bytes already handed to the device or buffer
    quint64 start = 0;   // where the archive begins in *buffer
    bool finished = false;
    QString error;

    quint32 objectCount = 0;
    quint64 lastOffset = 0;
    std::vector<quint8> offsetDeltas; // LEB128 gaps between object offsets
    std::vector<quint32> objects;     // $objects index -> plist ref

    StringTable plistStrings;
    Recent<qint64> plistInts;
    // Samples are mostly small integers under the same few keys: both are
    // found here without hashing.
    static constexpr qint64 SmallIntMin = -256, SmallIntMax = 1023;
    quint32 smallInts[SmallIntMax - SmallIntMin + 1];
    struct KeySlot {
        const void* data = nullptr;
        qsizetype size = -1;
        std::string text;
        quint32 ref = Unwritten;
    };
    KeySlot keySlots[64];
    Recent<quint32> plistUids;
    quint32 plistBools[2] = {Unwritten, Unwritten};

    StringTable archiveStrings;
    Recent<qint64> archiveInts;
    Recent<quint64> archiveReals;
    Recent<qint64> archiveDates;
    quint32 archiveBools[2] = {Unwritten, Unwritten};
    StringTable classes;
    std::vector<std::pair<QStringList, quint32>> recentClasses;

    std::vector<Frame> frames; // kept between objects so their vectors keep capacity
    size_t depth = 0;
    std::string scratch;

    quint32 keyClass = 0, keyClassName = 0, keyClasses = 0, keyTime = 0, keyObjects = 0, keyKeys = 0;

    void fail(const QString& message)
    {
        if (error.isEmpty())
            error = message;
    }
    bool ok() const { return error.isEmpty() && !finished; }

    quint64 position() const { return flushed + out.size(); }

    void flush()
    {
        if (out.empty())
            return;
        if (device) {
            if (device->write(out.data(), qint64(out.size())) != qint64(out.size()))
                fail(QStringLiteral("Could not write the archive: %1").arg(device->errorString()));
        } else {
            buffer->append(out.data(), qsizetype(out.size()));
        }
        flushed += out.size();
        out.clear();
    }

    void put(quint8 byte) { out.push_back(char(byte)); }
    void putBig(quint64 value, int bytes)
    {
        char* at = out.grow(size_t(bytes));
        switch (bytes) {
        case 1: *at = char(value); break;
        case 2: qToBigEndian(quint16(value), at); break;
        case 4: qToBigEndian(quint32(value), at); break;
        case 8: qToBigEndian(quint64(value), at); break;
        default:
            for (int i = bytes - 1; i >= 0; --i)
                *at++ = char(value >> (8 * i));
        }
    }
    void putRef(quint32 ref) { putBig(ref, RefSize); }

    // Starts the next object at the current position and returns its number.
    quint32 beginPlistObject()
    {
        if (objectCount >= MaxObjects) {
            fail(QStringLiteral("The archive holds too many objects."));
            return 0;
        }
        const quint64 offset = position();
        quint64 gap = offset - lastOffset;
        lastOffset = offset;
        do {
            quint8 b = gap & 0x7f;
            gap >>= 7;
            offsetDeltas.push_back(gap ? (b | 0x80) : b);
        } while (gap);
        return objectCount++;
    }
    void endPlistObject()
    {
        if (out.size() >= FlushSize)
            flush();
    }

    void putMarker(quint8 type, quint64 count)
    {
        if (count < 15) {
            put(quint8(type | count));
        } else {
            put(quint8(type | 0x0f));
            putIntBody(count);
        }
    }
    void putIntBody(qint64 value)
    {
        if (value >= 0 && value <= 0xff) {
            put(0x10);
            putBig(quint64(value), 1);
        } else if (value >= 0 && value <= 0xffff) {
            put(0x11);
            putBig(quint64(value), 2);
        } else if (value >= 0 && value <= 0xffffffffLL) {
            put(0x12);
            putBig(quint64(value), 4);
        } else {
            put(0x13);
            putBig(quint64(value), 8);
        }
    }

    // ---- property-list objects ----

    quint32 plistInt(qint64 value)
    {
        const bool small = value >= SmallIntMin && value <= SmallIntMax;
        if (small && smallInts[value - SmallIntMin] != Unwritten)
            return smallInts[value - SmallIntMin];
        if (const quint32* known = plistInts.find(value))
            return *known;
        const quint32 ref = beginPlistObject();
        putIntBody(value);
        endPlistObject();
        if (small)
            smallInts[value - SmallIntMin] = ref;
        else
            plistInts.insert(value, ref);
        return ref;
    }
    quint32 plistReal(double value)
    {
        const quint32 ref = beginPlistObject();
        put(0x23);
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        putBig(bits, 8);
        endPlistObject();
        return ref;
    }
    quint32 plistBool(bool value)
    {
        quint32& ref = plistBools[value];
        if (ref == Unwritten) {
            ref = beginPlistObject();
            put(value ? 0x09 : 0x08);
            endPlistObject();
        }
        return ref;
    }
    quint32 plistUid(quint32 index)
    {
        if (const quint32* known = plistUids.find(index))
            return *known;
        const quint32 ref = writeUid(index);
        plistUids.insert(index, ref);
        return ref;
    }
    // A reference to an object referred to only here (each encoded object
    // has one parent), which no table needs to remember.
    quint32 writeUid(quint32 index)
    {
        const quint32 ref = beginPlistObject();
        const int bytes = index <= 0xff ? 1 : index <= 0xffff ? 2 : 4;
        put(quint8(0x80 | (bytes - 1)));
        putBig(index, bytes);
        endPlistObject();
        return ref;
    }
    quint32 plistData(const char* data, qsizetype size)
    {
        const quint32 ref = beginPlistObject();
        putMarker(0x40, quint64(size));
        out.append(data, size_t(size));
        endPlistObject();
        return ref;
    }
    // Writes UTF-8 text as an ASCII or UTF-16 string object.
    quint32 writeString(std::string_view utf8)
    {
        const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return quint8(c) < 0x80; });
        const quint32 ref = beginPlistObject();
        if (ascii) {
            putMarker(0x50, utf8.size());
            out.append(utf8);
        } else {
            const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
            putMarker(0x60, quint64(text.size()));
            for (QChar c : text)
                putBig(c.unicode(), 2);
        }
        endPlistObject();
        return ref;
    }
    quint32 plistString(std::string_view utf8)
    {
        if (const quint32* known = plistStrings.find(utf8))
            return *known;
        const quint32 ref = writeString(utf8);
        plistStrings.insert(std::string(utf8), ref);
        return ref;
    }
    std::string_view utf8Of(QAnyStringView text)
    {
        scratch.clear();
        text.visit([this](auto view) {
            using View = decltype(view);
            if constexpr (std::is_same_v<View, QStringView>) {
                const QByteArray utf8 = view.toUtf8();
                scratch.assign(utf8.constData(), size_t(utf8.size()));
            } else if constexpr (std::is_same_v<View, QUtf8StringView>) {
                scratch.assign(view.data(), size_t(view.size()));
            } else {
                const char* begin = view.data();
                const char* end = begin + view.size();
                if (std::all_of(begin, end, [](char c) { return quint8(c) < 0x80; })) {
                    scratch.assign(begin, end);
                } else {
                    const QByteArray utf8 = QString(view).toUtf8();
                    scratch.assign(utf8.constData(), size_t(utf8.size()));
                }
            }
        });
        return scratch;
    }
    quint32 keyRef(QAnyStringView key)
    {
        // Keys are mostly literals: find one by where its text lies,
        // confirmed by the text itself.
        const void* data = key.data();
        const qsizetype size = key.size_bytes();
        const quintptr at = quintptr(data);
        KeySlot& slot = keySlots[((at >> 3) ^ (at >> 9) ^ quintptr(size)) % std::size(keySlots)];
        const std::string_view utf8 = utf8Of(key);
        if (slot.data == data && slot.size == size && slot.text == utf8)
            return slot.ref;
        const quint32 ref = plistString(utf8);
        slot.data = data;
        slot.size = size;
        slot.text.assign(utf8);
        slot.ref = ref;
        return ref;
    }

    // Writes a dictionary (or array) of already written refs.
    quint32 writeDictionary(const std::vector<std::pair<quint32, quint32>>& entries)
    {
        const quint32 ref = beginPlistObject();
        putMarker(0xd0, entries.size());
        static_assert(RefSize == 4);
        char* keys = out.grow(entries.size() * 2 * RefSize);
        char* values = keys + entries.size() * RefSize;
        for (const auto& e : entries) {
            qToBigEndian(e.first, keys);
            qToBigEndian(e.second, values);
            keys += RefSize;
            values += RefSize;
        }
        endPlistObject();
        return ref;
    }
    quint32 writeArray(const std::vector<quint32>& elements)
    {
        const quint32 ref = beginPlistObject();
        putMarker(0xa0, elements.size());
        for (quint32 e : elements)
            putRef(e);
        endPlistObject();
        return ref;
    }

    // ---- $objects ----

    quint32 reserveIndex()
    {
        if (objects.size() >= MaxObjects) {
            fail(QStringLiteral("The archive holds too many objects."));
            return 0;
        }
        objects.push_back(Unwritten);
        return quint32(objects.size() - 1);
    }
    // Fills a reserved slot; slot 0 ($null) and the slots of a failed archive stay as they are.
    void setIndex(quint32 index, quint32 ref)
    {
        if (index != 0 && index < objects.size())
            objects[index] = ref;
    }
    quint32 addIndex(quint32 ref)
    {
        const quint32 index = reserveIndex();
        setIndex(index, ref);
        return index;
    }

    quint32 archiveString(const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        const std::string_view view(utf8.constData(), size_t(utf8.size()));
        if (const quint32* known = archiveStrings.find(view))
            return *known;
        const quint32 index = addIndex(writeString(view));
        archiveStrings.insert(std::string(view), index);
        return index;
    }
    quint32 archiveInt(qint64 value)
    {
        if (const quint32* known = archiveInts.find(value))
            return *known;
        const quint32 index = addIndex(plistInt(value));
        archiveInts.insert(value, index);
        return index;
    }
    quint32 archiveReal(double value)
    {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        if (const quint32* known = archiveReals.find(bits))
            return *known;
        const quint32 index = addIndex(plistReal(value));
        archiveReals.insert(bits, index);
        return index;
    }
    quint32 archiveBool(bool value)
    {
        quint32& index = archiveBools[value];
        if (index == Unwritten)
            index = addIndex(plistBool(value));
        return index;
    }

    quint32 archiveClass(const QStringList& chain)
    {
        for (const auto& [known, index] : recentClasses)
            if (known == chain)
                return index;
        if (chain.isEmpty()) {
            fail(QStringLiteral("An archived object has no class name."));
            return 0;
        }
        const std::string joined = chain.join(QLatin1Char('\n')).toStdString();
        quint32 index;
        if (const quint32* known = classes.find(joined)) {
            index = *known;
        } else {
            std::vector<quint32> names;
            for (const QString& name : chain)
                names.push_back(plistString(utf8Of(name)));
            const quint32 namesRef = writeArray(names);
            const quint32 ref = writeDictionary({{keyClassName, names.front()}, {keyClasses, namesRef}});
            index = addIndex(ref);
            classes.insert(joined, index);
        }
        if (recentClasses.size() >= 8)
            recentClasses.erase(recentClasses.begin());
        recentClasses.emplace_back(chain, index);
        return index;
    }

    quint32 archiveDate(const QDateTime& date)
    {
        return date.isValid() ? archiveDateMSecs(date.toMSecsSinceEpoch()) : 0;
    }
    quint32 archiveDateMSecs(qint64 msecs)
    {
        if (const quint32* known = archiveDates.find(msecs))
            return *known;
        static const QStringList chain{QStringLiteral("NSDate"), QStringLiteral("NSObject")};
        const quint32 cls = archiveClass(chain);
        const double seconds = double(msecs - ReferenceDateMSecs) / 1000.0;
        const quint32 timeRef = plistReal(seconds);
        const quint32 index = addIndex(writeDictionary({{keyClass, plistUid(cls)}, {keyTime, timeRef}}));
        archiveDates.insert(msecs, index);
        return index;
    }

    quint32 archiveColor(const QColor& color)
    {
        if (!color.isValid())
            return 0;
        static const QStringList chain{QStringLiteral("NSColor"), QStringLiteral("NSObject")};
        const quint32 cls = archiveClass(chain);
        const QRgba64 rgb = color.toRgb().rgba64();
        QByteArray components = componentText(rgb.red() / 65535.0) + ' ' + componentText(rgb.green() / 65535.0)
                                + ' ' + componentText(rgb.blue() / 65535.0);
        if (rgb.alpha() != 65535)
            components += ' ' + componentText(rgb.alpha() / 65535.0);
        components.append('\0');
        const quint32 spaceRef = plistInt(ColorSpaceCalibratedRGB);
        const quint32 dataRef = plistData(components.constData(), components.size());
        return addIndex(writeDictionary({{keyClass, plistUid(cls)},
                                         {plistString("NSColorSpace"), spaceRef},
                                         {plistString("NSRGB"), dataRef}}));
    }

    quint32 archiveValue(const QVariant& value, int depth)
    {
        if (depth > MaxNesting) {
            fail(QStringLiteral("An archived value is nested too deeply."));
            return 0;
        }
        switch (value.typeId()) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            return 0;
        case QMetaType::QString:
            return archiveString(value.toString());
        case QMetaType::QByteArray: {
            const QByteArray data = value.toByteArray();
            return addIndex(plistData(data.constData(), data.size()));
        }
        case QMetaType::Bool:
            return archiveBool(value.toBool());
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return archiveInt(value.toLongLong());
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max())) {
                fail(QStringLiteral("An archived number is too large."));
                return 0;
            }
            return archiveInt(value.toLongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return archiveReal(value.toDouble());
        case QMetaType::QDateTime:
            return archiveDate(value.toDateTime());
        case QMetaType::QColor:
            return archiveColor(value.value<QColor>());
        case QMetaType::QStringList:
        case QMetaType::QVariantList: {
            const QVariantList list = value.toList();
            static const QStringList chain{QStringLiteral("NSArray"), QStringLiteral("NSObject")};
            const quint32 index = reserveIndex();
            std::vector<quint32> uids;
            uids.reserve(size_t(list.size()));
            for (const QVariant& element : list)
                uids.push_back(plistUid(archiveValue(element, depth + 1)));
            const quint32 cls = archiveClass(chain);
            const quint32 arrayRef = writeArray(uids);
            setIndex(index, writeDictionary({{keyClass, plistUid(cls)}, {keyObjects, arrayRef}}));
            return index;
        }
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash: {
            QVariantMap map = value.toMap();
            static const QStringList chain{QStringLiteral("NSDictionary"), QStringLiteral("NSObject")};
            const quint32 index = reserveIndex();
            std::vector<quint32> keys, values;
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                keys.push_back(plistUid(archiveString(it.key())));
                values.push_back(plistUid(archiveValue(it.value(), depth + 1)));
            }
            const quint32 cls = archiveClass(chain);
            const quint32 keysRef = writeArray(keys);
            const quint32 valuesRef = writeArray(values);
            setIndex(index, writeDictionary({{keyClass, plistUid(cls)}, {keyKeys, keysRef}, {keyObjects, valuesRef}}));
            return index;
        }
        default:
            fail(QStringLiteral("A value of type %1 cannot be archived.").arg(QString::fromLatin1(value.typeName())));
            return 0;
        }
    }

    // The shortest text that reads back as the same 16-bit component.
    static QByteArray componentText(double value)
    {
        const int component = qRound(value * 65535.0);
        for (int precision = 1; precision < 7; ++precision) {
            const QByteArray text = QByteArray::number(value, 'g', precision);
            if (qRound(text.toDouble() * 65535.0) == component)
                return text;
        }
        return QByteArray::number(value, 'g', 7);
    }

    // ---- frames ----

    Frame& current() { return frames[depth - 1]; }

    Frame& push(Frame::Kind kind)
    {
        if (depth == frames.size())
            frames.emplace_back();
        Frame& frame = frames[depth++];
        frame.kind = kind;
        frame.entries.clear();
        frame.elements.clear();
        return frame;
    }

    // Where a finished object's UID goes: the entry under key in a dictionary,
    // or the next element of an array.
    void addToParent(quint32 keyInParent, quint32 index)
    {
        Frame& parent = current();
        if (parent.kind == Frame::Array)
            parent.elements.push_back(writeUid(index));
        else
            parent.entries.emplace_back(keyInParent, writeUid(index));
    }

    // The key of a new child of the current frame, as addToParent wants it.
    quint32 childKey(QAnyStringView key)
    {
        switch (current().kind) {
        case Frame::Dictionary:
            return keyRef(key);
        case Frame::Entries:
            return plistUid(archiveString(key.toString()));
        case Frame::Array:
            break;
        }
        return 0;
    }

    // A value stored under key in the current object or dictionary.
    void addValue(QAnyStringView key, quint32 plistRefOfScalar, quint32 archiveIndex, bool scalar)
    {
        Frame& frame = current();
        if (frame.kind == Frame::Entries) {
            const quint32 keyUid = plistUid(archiveString(key.toString()));
            current().entries.emplace_back(keyUid, plistUid(archiveIndex));
        } else if (scalar) {
            frame.entries.emplace_back(keyRef(key), plistRefOfScalar);
        } else {
            const quint32 k = keyRef(key);
            current().entries.emplace_back(k, plistUid(archiveIndex));
        }
    }

    bool inDictionary(const char* what)
    {
        if (!ok())
            return false;
        if (current().kind == Frame::Array) {
            fail(QStringLiteral("A keyed %1 was encoded inside an array.").arg(QLatin1String(what)));
            return false;
        }
        return true;
    }
    bool inArray()
    {
        if (!ok())
            return false;
        if (current().kind != Frame::Array) {
            fail(QStringLiteral("An array element was encoded outside an array."));
            return false;
        }
        return true;
    }

    void init()
    {
        std::fill(std::begin(smallInts), std::end(smallInts), Unwritten);
        start = buffer ? quint64(buffer->size()) : 0;
        out.reserve(FlushSize + 4096);
        out.append("bplist00", 8);
        objects.push_back(Unwritten);
        objects[0] = writeString("$null");
        keyClass = plistString("$class");
        keyClassName = plistString("$classname");
        keyClasses = plistString("$classes");
        keyTime = plistString("NS.time");
        keyObjects = plistString("NS.objects");
        keyKeys = plistString("NS.keys");
        push(Frame::Dictionary); // $top
    }
};

KeyedArchiver::KeyedArchiver(QIODevice* device) : d(std::make_unique<Private>())
{
    d->device = device;
    if (!device || !device->isWritable()) {
        d->device = nullptr;
        d->buffer = &d->discard;
        d->fail(QStringLiteral("The archive's file is not open for writing."));
    }
    d->init();
}

KeyedArchiver::KeyedArchiver(QByteArray* buffer) : d(std::make_unique<Private>())
{
    d->buffer = buffer;
    d->init();
}

KeyedArchiver::~KeyedArchiver() = default;

void KeyedArchiver::encodeInt(QAnyStringView key, qint64 value)
{
    if (!d->inDictionary("integer"))
        return;
    if (d->current().kind == Frame::Entries)
        d->addValue(key, 0, d->archiveInt(value), false);
    else
        d->addValue(key, d->plistInt(value), 0, true);
}

void KeyedArchiver::encodeBool(QAnyStringView key, bool value)
{
    if (!d->inDictionary("flag"))
        return;
    if (d->current().kind == Frame::Entries)
        d->addValue(key, 0, d->archiveBool(value), false);
    else
        d->addValue(key, d->plistBool(value), 0, true);
}

void KeyedArchiver::encodeDouble(QAnyStringView key, double value)
{
    if (!d->inDictionary("number"))
        return;
    if (d->current().kind == Frame::Entries)
        d->addValue(key, 0, d->archiveReal(value), false);
    else
        d->addValue(key, d->plistReal(value), 0, true);
}

void KeyedArchiver::encodeObject(QAnyStringView key, const QVariant& value)
{
    if (d->inDictionary("object"))
        d->addValue(key, 0, d->archiveValue(value, 0), false);
}

void KeyedArchiver::encodeDate(QAnyStringView key, const QDateTime& value)
{
    if (d->inDictionary("date"))
        d->addValue(key, 0, d->archiveDate(value), false);
}

void KeyedArchiver::encodeColor(QAnyStringView key, const QColor& color)
{
    if (d->inDictionary("colour"))
        d->addValue(key, 0, d->archiveColor(color), false);
}

void KeyedArchiver::encodeArchivable(QAnyStringView key, const KeyedArchivable& object)
{
    beginObject(key, object.archiveClassChain());
    object.encodeWithCoder(*this);
    endObject();
}

void KeyedArchiver::beginObject(QAnyStringView key, const QStringList& classChain)
{
    if (!d->ok() || d->depth > size_t(MaxNesting)) {
        d->fail(QStringLiteral("Archived objects are nested too deeply."));
        // Keep begin/end balanced so the caller's endObject finds its frame.
        d->push(Frame::Dictionary).index = 0;
        return;
    }
    const quint32 keyRef = d->childKey(key);
    const quint32 index = d->reserveIndex();
    const quint32 cls = d->archiveClass(classChain);
    Frame& frame = d->push(Frame::Dictionary);
    frame.index = index;
    frame.keyInParent = keyRef;
    frame.entries.emplace_back(d->keyClass, d->plistUid(cls));
}

void KeyedArchiver::endObject()
{
    if (d->depth <= 1 || d->current().kind != Frame::Dictionary) {
        d->fail(QStringLiteral("An archived object was ended that was not begun."));
        return;
    }
    Frame& frame = d->current();
    const quint32 index = frame.index;
    const quint32 keyInParent = frame.keyInParent;
    if (d->ok())
        d->setIndex(index, d->writeDictionary(frame.entries));
    --d->depth;
    if (d->ok())
        d->addToParent(keyInParent, index);
}

void KeyedArchiver::beginArray(QAnyStringView key)
{
    if (!d->ok() || d->depth > size_t(MaxNesting)) {
        d->fail(QStringLiteral("Archived objects are nested too deeply."));
        d->push(Frame::Array).index = 0;
        return;
    }
    const quint32 keyRef = d->childKey(key);
    const quint32 index = d->reserveIndex();
    Frame& frame = d->push(Frame::Array);
    frame.index = index;
    frame.keyInParent = keyRef;
}

void KeyedArchiver::appendArchivable(const KeyedArchivable& object)
{
    if (d->inArray())
        encodeArchivable({}, object);
}

void KeyedArchiver::appendRows(const QStringList& classChain, std::span<const RowKey> keys, std::size_t count,
                               const std::function<void(std::size_t, qint64*)>& row)
{
    if (!d->inArray())
        return;
    if (d->depth > size_t(MaxNesting)) {
        d->fail(QStringLiteral("Archived objects are nested too deeply."));
        return;
    }
    // The objects and their order are those of appendObjectWith with one
    // encodeInt or encodeDate per key; only the look-ups that give the same
    // answer every row are made once.
    std::vector<qint64> values(keys.size());
    std::vector<quint32> keyRefs(keys.size(), Unwritten);
    std::vector<std::pair<quint32, quint32>> entries;
    entries.reserve(keys.size() + 1);
    quint32 cls = Unwritten;
    auto keyRef = [&](size_t k) {
        if (keyRefs[k] == Unwritten)
            keyRefs[k] = d->keyRef(QAnyStringView(keys[k].name));
        return keyRefs[k];
    };
    for (std::size_t i = 0; i < count && d->ok(); ++i) {
        row(i, values.data());
        const quint32 index = d->reserveIndex();
        if (cls == Unwritten)
            cls = d->archiveClass(classChain);
        entries.clear();
        entries.emplace_back(d->keyClass, d->plistUid(cls));
        for (size_t k = 0; k < keys.size(); ++k) {
            if (keys[k].isDate) {
                const quint32 date = values[k] == NoDate ? 0 : d->archiveDateMSecs(values[k]);
                const quint32 key = keyRef(k);
                entries.emplace_back(key, d->plistUid(date));
            } else {
                const quint32 value = d->plistInt(values[k]);
                entries.emplace_back(keyRef(k), value);
            }
        }
        if (!d->ok())
            break;
        d->setIndex(index, d->writeDictionary(entries));
        d->current().elements.push_back(d->writeUid(index));
    }
}

void KeyedArchiver::endArray()
{
    if (d->depth <= 1 || d->current().kind != Frame::Array) {
        d->fail(QStringLiteral("An archived array was ended that was not begun."));
        return;
    }
    Frame& frame = d->current();
    const quint32 index = frame.index;
    const quint32 keyInParent = frame.keyInParent;
    if (d->ok()) {
        static const QStringList chain{QStringLiteral("NSArray"), QStringLiteral("NSObject")};
        const quint32 arrayRef = d->writeArray(frame.elements);
        const quint32 cls = d->archiveClass(chain);
        d->setIndex(index, d->writeDictionary({{d->keyClass, d->plistUid(cls)}, {d->keyObjects, arrayRef}}));
    }
    --d->depth;
    if (d->ok())
        d->addToParent(keyInParent, index);
}

void KeyedArchiver::beginDictionary(QAnyStringView key)
{
    if (!d->ok() || d->depth > size_t(MaxNesting)) {
        d->fail(QStringLiteral("Archived objects are nested too deeply."));
        d->push(Frame::Entries).index = 0;
        return;
    }
    const quint32 keyRef = d->childKey(key);
    const quint32 index = d->reserveIndex();
    Frame& frame = d->push(Frame::Entries);
    frame.index = index;
    frame.keyInParent = keyRef;
}

void KeyedArchiver::endDictionary()
{
    if (d->depth <= 1 || d->current().kind != Frame::Entries) {
        d->fail(QStringLiteral("An archived dictionary was ended that was not begun."));
        return;
    }
    Frame& frame = d->current();
    const quint32 index = frame.index;
    const quint32 keyInParent = frame.keyInParent;
    if (d->ok()) {
        static const QStringList chain{QStringLiteral("NSDictionary"), QStringLiteral("NSObject")};
        std::vector<quint32> keys, values;
        keys.reserve(frame.entries.size());
        values.reserve(frame.entries.size());
        for (const auto& [k, v] : frame.entries) {
            keys.push_back(k);
            values.push_back(v);
        }
        const quint32 keysRef = d->writeArray(keys);
        const quint32 valuesRef = d->writeArray(values);
        const quint32 cls = d->archiveClass(chain);
        d->setIndex(index, d->writeDictionary({{d->keyClass, d->plistUid(cls)},
                                               {d->keyKeys, keysRef},
                                               {d->keyObjects, valuesRef}}));
    }
    --d->depth;
    if (d->ok())
        d->addToParent(keyInParent, index);
}

bool KeyedArchiver::finish()
{
    if (d->finished) {
        d->fail(QStringLiteral("The archive was already finished."));
        return false;
    }
    if (d->depth != 1)
        d->fail(QStringLiteral("The archive was finished inside an object or array."));
    if (!d->error.isEmpty()) {
        d->finished = true;
        return false;
    }
    const quint32 topRef = d->writeDictionary(d->frames[0].entries);
    for (quint32 ref : d->objects)
        if (ref == Unwritten) {
            d->fail(QStringLiteral("An archived object was never completed."));
            d->finished = true;
            return false;
        }
    const quint32 objectsRef = d->writeArray(d->objects);
    const quint32 archiverRef = d->plistString(ArchiverName);
    const quint32 versionRef = d->plistInt(ArchiveVersion);
    const quint32 rootRef = d->writeDictionary({{d->plistString("$version"), versionRef},
                                                {d->plistString("$archiver"), archiverRef},
                                                {d->plistString("$top"), topRef},
                                                {d->plistString("$objects"), objectsRef}});

    const quint64 tableOffset = d->position();
    const quint64 last = d->lastOffset;
    const int offsetSize = last <= 0xff ? 1 : last <= 0xffff ? 2 : last <= 0xffffffffULL ? 4 : 8;
    quint64 offset = 0;
    size_t at = 0;
    for (quint32 i = 0; i < d->objectCount; ++i) {
        quint64 gap = 0;
        int shift = 0;
        quint8 b;
        do {
            b = d->offsetDeltas[at++];
            gap |= quint64(b & 0x7f) << shift;
            shift += 7;
        } while (b & 0x80);
        offset += gap;
        d->putBig(offset, offsetSize);
        if (d->out.size() >= FlushSize)
            d->flush();
    }
    for (int i = 0; i < 6; ++i)
        d->put(0);
    d->put(quint8(offsetSize));
    d->put(quint8(RefSize));
    d->putBig(d->objectCount, 8);
    d->putBig(rootRef, 8);
    d->putBig(tableOffset, 8);
    d->flush();
    d->finished = true;
    std::vector<quint8>().swap(d->offsetDeltas);
    std::vector<quint32>().swap(d->objects);
    return d->error.isEmpty();
}

bool KeyedArchiver::failed() const
{
    return !d->error.isEmpty();
}

QString KeyedArchiver::errorString() const
{
    return d->error;
}

QByteArray KeyedArchiver::archivedData(const KeyedArchivable& root)
{
    QByteArray data;
    KeyedArchiver archiver(&data);
    archiver.encodeArchivable("root", root);
    return archiver.finish() ? data : QByteArray();
}

QByteArray KeyedArchiver::archivedValue(const QVariant& root)
{
    QByteArray data;
    KeyedArchiver archiver(&data);
    archiver.encodeObject("root", root);
    return archiver.finish() ? data : QByteArray();
}

} // namespace sv
