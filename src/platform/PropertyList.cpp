#include "platform/PropertyList.h"

#include "platform/FileWriter.h"
#include "platform/KeyedUnarchiver.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <memory>
#include <vector>

namespace sv::PropertyList {

namespace {

// Deeper documents are refused; no property list we read nests this far.
constexpr int MaximumDepth = 256;

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
const QDateTime& referenceDate()
{
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return reference;
}

struct PlistFree {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// libplist's XML reader recurses once per nesting level, so a hostile file
// of a million nested arrays would exhaust the stack inside it. This scan
// bounds the nesting before libplist sees the bytes: counts open <array>/<dict> elements. Text that merely looks like a
// tag (inside comments or CDATA) can only make the count larger.
bool xmlNestingWithin(const QByteArray& data, int limit)
{
    int depth = 0;
    const char* p = data.constData();
    const char* end = p + data.size();
    while ((p = static_cast<const char*>(memchr(p, '<', size_t(end - p))))) {
        ++p;
        const bool closing = p < end && *p == '/';
        const char* name = closing ? p + 1 : p;
        qsizetype length = 0;
        if (end - name >= 5 && memcmp(name, "array", 5) == 0)
            length = 5;
        else if (end - name >= 4 && memcmp(name, "dict", 4) == 0)
            length = 4;
        if (!length)
            continue;
        const char* after = name + length;
        if (after < end && *after != '>' && *after != '/' && *after != ' ' && *after != '\t' && *after != '\n'
            && *after != '\r')
            continue;
        const char* close = static_cast<const char*>(memchr(after, '>', size_t(end - after)));
        if (!close)
            return true; // unterminated: libplist refuses it
        if (closing)
            --depth;
        else if (close[-1] != '/' && ++depth > limit)
            return false;
        p = close;
    }
    return true;
}

QVariant toVariant(plist_t node, int depth, bool* ok)
{
    if (depth > MaximumDepth) {
        *ok = false;
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return bool(v);
    }
    case PLIST_UINT: {
        // libplist keeps negative integers as their two's complement.
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return qint64(v);
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return v;
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        uint64_t length = 0;
        const char* s = plist_get_string_ptr(node, &length);
        if (!s)
            return QString();
        return QString::fromUtf8(s, qsizetype(length));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* d = plist_get_data_ptr(node, &length);
        return d ? QByteArray(d, qsizetype(length)) : QByteArray();
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return referenceDate().addMSecs(qint64(sec) * 1000 + usec / 1000);
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        list.reserve(qsizetype(n));
        for (uint32_t i = 0; i < n && *ok; ++i) {
            plist_t item = plist_array_get_item(node, i);
            if (!item) {
                *ok = false;
                break;
            }
            list.append(toVariant(item, depth + 1, ok));
        }
        return list;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        while (it && *ok) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            const QString k = QString::fromUtf8(key);
            std::free(key);
            if (!value) {
                *ok = false;
                break;
            }
            map.insert(k, toVariant(value, depth + 1, ok));
        }
        std::free(it);
        return map;
    }
    default:
        // UIDs belong to keyed archives, not to the plain lists read here.
        *ok = false;
        return {};
    }
}

// The XML form, written as it goes in chunks: a store of a million entries
// costs its bytes once, not a tree of nodes. Strings are escaped so that
// any reader gets them back: "&", "<", ">" as entities, a carriage return
// as a character reference (a conforming parser would turn a bare one into
// a line feed).
class XmlWriter {
public:
    explicit XmlWriter(QIODevice& device) : m_device(device) { m_buffer.reserve(ChunkSize + 4096); }

    void append(const char* text) { m_buffer.append(text); spill(); }
    bool flush()
    {
        if (!m_ok || m_buffer.isEmpty())
            return m_ok;
        m_ok = m_device.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
        return m_ok;
    }

    bool value(const QVariant& v, int depth)
    {
        if (depth > MaximumDepth || !m_ok)
            return false;
        switch (v.typeId()) {
        case QMetaType::Bool:
            line(depth, v.toBool() ? "<true/>" : "<false/>");
            return m_ok;
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::SChar:
            return element(depth, "integer", QByteArray::number(v.toLongLong()));
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::UChar:
            return element(depth, "integer", QByteArray::number(v.toULongLong()));
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = v.toDouble();
            if (std::isnan(d))
                return element(depth, "real", "nan");
            if (std::isinf(d))
                return element(depth, "real", d > 0 ? "+infinity" : "-infinity");
            return element(depth, "real", QByteArray::number(d, 'g', 17));
        }
        case QMetaType::QString:
            return text(depth, "string", v.toString());
        case QMetaType::QByteArray:
            return element(depth, "data", v.toByteArray().toBase64());
        case QMetaType::QDateTime: {
            // Whole seconds in the range the binary form holds, as before.
            const qint64 ms = referenceDate().msecsTo(v.toDateTime());
            const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
            if (!v.toDateTime().isValid() || sec < std::numeric_limits<int32_t>::min()
                || sec > std::numeric_limits<int32_t>::max())
                return false;
            return element(depth, "date",
                           referenceDate().addSecs(sec).toString(Qt::ISODate).toLatin1());
        }
        case QMetaType::QStringList:
        case QMetaType::QVariantList: {
            const QVariantList list = v.toList();
            if (list.isEmpty()) {
                line(depth, "<array/>");
                return m_ok;
            }
            line(depth, "<array>");
            for (const QVariant& item : list)
                if (!value(item, depth + 1))
                    return false;
            line(depth, "</array>");
            return m_ok;
        }
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash: {
            const QVariantMap map = v.toMap();
            if (map.isEmpty()) {
                line(depth, "<dict/>");
                return m_ok;
            }
            line(depth, "<dict>");
            for (auto it = map.begin(); it != map.end(); ++it)
                if (!text(depth + 1, "key", it.key()) || !value(it.value(), depth + 1))
                    return false;
            line(depth, "</dict>");
            return m_ok;
        }
        default:
            return false;
        }
    }

private:
    static constexpr qsizetype ChunkSize = 1 << 20;

    void indent(int depth) { m_buffer.append(QByteArray(depth, '\t')); }
    void line(int depth, const char* tag)
    {
        indent(depth);
        m_buffer.append(tag);
        m_buffer.append('\n');
        spill();
    }
    bool element(int depth, const char* tag, const QByteArray& body)
    {
        indent(depth);
        m_buffer.append('<').append(tag).append('>').append(body).append("</").append(tag).append(">\n");
        spill();
        return m_ok;
    }
    bool text(int depth, const char* tag, const QString& s)
    {
        // A NUL cannot be written: readers would cut the text short there.
        if (s.contains(QChar(0)))
            return false;
        indent(depth);
        m_buffer.append('<').append(tag).append('>');
        const QByteArray utf8 = s.toUtf8();
        for (const char c : utf8) {
            switch (c) {
            case '&': m_buffer.append("&amp;"); break;
            case '<': m_buffer.append("&lt;"); break;
            case '>': m_buffer.append("&gt;"); break;
            case '\r': m_buffer.append("&#13;"); break;
            default: m_buffer.append(c); break;
            }
        }
        m_buffer.append("</").append(tag).append(">\n");
        spill();
        return m_ok;
    }
    void spill()
    {
        if (m_buffer.size() >= ChunkSize)
            flush();
    }

    QIODevice& m_device;
    QByteArray m_buffer;
    bool m_ok = true;
};

// libplist's tree of an XML list, checked first for what libplist cannot
// take; nothing, with *error set, when it is not one.
PlistPtr parseXml(const QByteArray& data, QString* error)
{
    if (!xmlNestingWithin(data, MaximumDepth)) {
        setError(error, QStringLiteral("unsupported or too deeply nested property list"));
        return nullptr;
    }
    plist_t root = nullptr;
    {
        // libplist reads <real> with the C library's locale-dependent
        // strtod: "2.5" would read 2 where the decimal mark is a comma.
        const locale_t c = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
        const locale_t previous = c ? uselocale(c) : locale_t(0);
        plist_from_xml(data.constData(), uint32_t(data.size()), &root);
        if (c) {
            uselocale(previous);
            freelocale(c);
        }
    }
    if (!root)
        setError(error, QStringLiteral("not a property list"));
    return PlistPtr(root);
}

// A keyed archive's reference in XML form: a dictionary whose one entry is
// "CF$UID" with an integer.
bool isXmlReference(plist_t node, uint64_t& index)
{
    if (plist_get_node_type(node) != PLIST_DICT || plist_dict_get_size(node) != 1)
        return false;
    plist_t value = plist_dict_get_item(node, "CF$UID");
    if (!value || plist_get_node_type(value) != PLIST_UINT)
        return false;
    plist_get_uint_val(value, &index);
    return true;
}

// libplist reads references in XML form as plain dictionaries: make them
// references again. The nesting was bounded before parsing.
void restoreReferences(plist_t node)
{
    uint64_t index = 0;
    if (plist_get_node_type(node) == PLIST_ARRAY) {
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i) {
            plist_t item = plist_array_get_item(node, i);
            if (isXmlReference(item, index))
                plist_array_set_item(node, plist_new_uid(index), i);
            else
                restoreReferences(item);
        }
    } else if (plist_get_node_type(node) == PLIST_DICT) {
        std::vector<std::unique_ptr<char, decltype(&std::free)>> keys;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_dict_next_item(node, it, &key, nullptr);
            if (!key)
                break;
            keys.emplace_back(key, &std::free);
        }
        std::free(it);
        for (const auto& key : keys) {
            plist_t item = plist_dict_get_item(node, key.get());
            if (isXmlReference(item, index))
                plist_dict_set_item(node, key.get(), plist_new_uid(index));
            else
                restoreReferences(item);
        }
    }
}

} // namespace

bool looksLikeXml(const QByteArray& data)
{
    QByteArrayView rest(data);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    while (!rest.isEmpty() && (rest.front() == ' ' || rest.front() == '\t' || rest.front() == '\n' || rest.front() == '\r'))
        rest = rest.sliced(1);
    return rest.startsWith("<?xml") || rest.startsWith("<!DOCTYPE plist") || rest.startsWith("<plist");
}

QByteArray binaryFromXml(const QByteArray& xml, QString* error)
{
    if (xml.size() > MaximumSize) {
        setError(error, QStringLiteral("property list too large"));
        return {};
    }
    const PlistPtr root = parseXml(xml, error);
    if (!root)
        return {};
    restoreReferences(static_cast<plist_t>(root.get()));
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(static_cast<plist_t>(root.get()), &binary, &length);
    if (!binary) {
        setError(error, QStringLiteral("not a property list"));
        return {};
    }
    QByteArray result(binary, qsizetype(length));
    plist_to_bin_free(binary);
    return result;
}

QVariant fromData(const QByteArray& data, QString* error)
{
    if (data.isEmpty()) {
        setError(error, QStringLiteral("empty property list"));
        return {};
    }
    if (data.size() > MaximumSize) {
        setError(error, QStringLiteral("property list too large"));
        return {};
    }
    // libplist's binary reader aborts on some damaged files and copies every
    // shared reference; the archive reader has neither fault.
    if (data.startsWith("bplist00")) {
        QString reason;
        QVariant result = KeyedUnarchiver::propertyList(data, &reason);
        if (!result.isValid())
            setError(error, reason.isEmpty() ? QStringLiteral("not a property list") : reason);
        return result;
    }
    PlistPtr owner = parseXml(data, error);
    if (!owner)
        return {};
    plist_t root = static_cast<plist_t>(owner.get());
    bool ok = true;
    QVariant result = toVariant(root, 0, &ok);
    if (!ok) {
        setError(error, QStringLiteral("unsupported or too deeply nested property list"));
        return {};
    }
    return result;
}

QVariant readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return {};
    }
    if (file.size() > MaximumSize) {
        setError(error, QStringLiteral("property list too large"));
        return {};
    }
    // size() is 0 for some special files: read with a bound either way.
    const QByteArray data = file.read(MaximumSize + 1);
    return fromData(data, error);
}

bool writeXml(QIODevice& device, const QVariant& value)
{
    XmlWriter writer(device);
    writer.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                  "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                  "<plist version=\"1.0\">\n");
    if (!writer.value(value, 0))
        return false;
    writer.append("</plist>\n");
    return writer.flush();
}

QByteArray toXml(const QVariant& value, bool* ok)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool written = writeXml(buffer, value);
    if (ok)
        *ok = written;
    return written ? bytes : QByteArray();
}

bool writeFile(const QVariant& value, const QString& path, QString* error)
{
    FileWriter writer(path);
    if (!writer.open()) {
        setError(error, writer.errorString());
        return false;
    }
    if (!writeXml(*writer.device(), value)) {
        writer.cancel();
        setError(error, writer.errorString().isEmpty() ? QStringLiteral("value has no property-list form")
                                                       : writer.errorString());
        return false;
    }
    if (!writer.commit()) {
        setError(error, writer.errorString());
        return false;
    }
    return true;
}

} // namespace sv::PropertyList
