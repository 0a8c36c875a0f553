#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace sv {

// Reads a keyed archive (binary property list) straight from its bytes,
// decoding only what is asked for; an archive in XML form is read as the
// same list in binary form. The input is untrusted: every offset,
// reference, count and type is checked, reference cycles are refused, and a
// damaged archive sets a failure with a message instead of crashing. After
// the first failure every decode returns its default (0, invalid, nullopt),
// so a caller decodes as usual and checks failed() once at the end.
// Objects shared by many references count once per reference (a shared date
// read as part of a row is decoded only once, but still counted), and so do
// the bytes of text and data copied out; an archive that makes either add
// up to many times its own size (nested sharing built to explode) counts as
// damaged.
//
// Keys are read from the current object: first the archive's top dictionary,
// then, inside decodeObjectWith / decodeArrayOfObjects, the object handed to
// the callback.
//
//   KeyedUnarchiver archive = KeyedUnarchiver::fromFile(path);
//   archive.decodeArrayOfObjects("root", [&](KeyedUnarchiver& element) {
//       if (element.className() == "SVNetwork") ...;
//   });
//   if (archive.failed()) report(archive.errorString());
class MappedFile;

class KeyedUnarchiver {
    struct Private;

public:
    // The bytes are shared (not copied) and kept alive by the unarchiver.
    static KeyedUnarchiver fromData(const QByteArray& data);
    // Maps the file; a file that cannot be read is a failure, and so is one
    // that changes before failed() or errorString() is asked (see MappedFile).
    static KeyedUnarchiver fromFile(const QString& path);
    // The same from a file the caller has mapped already, so it is opened once.
    static KeyedUnarchiver fromMappedFile(std::unique_ptr<MappedFile> file);

    KeyedUnarchiver(KeyedUnarchiver&&) noexcept;
    KeyedUnarchiver& operator=(KeyedUnarchiver&&) noexcept;
    ~KeyedUnarchiver();

    bool failed() const;
    QString errorString() const;

    // Class names archived under an old name that decode as the current one
    // (className() and classNameForKey() answer the current name).
    void setClassNameMapping(const QString& archivedName, const QString& currentName);

    // The current object.
    QString className() const;       // mapped; empty for the top dictionary
    QStringList classChain() const;  // as archived, most derived first
    bool containsValueForKey(QAnyStringView key) const;

    // Absent keys read as 0 / false / 0.0. A value of another type is damage.
    qint64 decodeInt(QAnyStringView key);
    bool decodeBool(QAnyStringView key);
    double decodeDouble(QAnyStringView key);

    // Strings, data, numbers, dates (QDateTime, UTC), arrays (QVariantList),
    // dictionaries (QVariantMap), colours (QColor), nested. Absent, nil, or an
    // object of a class with no value form: an invalid QVariant (not damage;
    // look at classNameForKey and decodeObjectWith for such objects).
    QVariant decodeObject(QAnyStringView key);
    QDateTime decodeDate(QAnyStringView key);  // invalid when absent or not a date
    // nullopt when absent or not a colour this reader understands.
    std::optional<QColor> decodeColor(QAnyStringView key);

    // Mapped class name of the object under key; empty when the key is absent,
    // nil, or holds a plain value (string, number, data).
    QString classNameForKey(QAnyStringView key);

    // Makes the object under key the current one while body runs.
    // False when the key is absent or nil, or the archive is damaged.
    bool decodeObjectWith(QAnyStringView key, const std::function<void(KeyedUnarchiver&)>& body);

    // For an archived dictionary (NSDictionary, NSMutableDictionary) under
    // key: while body runs, its entries are the current object's keys, so
    // decodeObject, decodeDate, decodeArrayOfObjects... read its values.
    // False when the key holds no dictionary or the archive is damaged.
    bool decodeDictionaryWith(QAnyStringView key, const std::function<void(KeyedUnarchiver&)>& body);

    // For an array (or set) of objects under key: calls body once per element,
    // in order, with that element as the current object. Elements that are
    // nil or plain values are skipped. Returns the number of elements visited,
    // or -1 when the key holds no array or the archive is damaged.
    qsizetype decodeArrayOfObjects(QAnyStringView key, const std::function<void(KeyedUnarchiver&)>& body);
    // An element of decodeArrayOfRows: its values by the position of their
    // key in the list handed to that call.
    class Row {
    public:
        // The same number for elements of the same class object.
        quint64 classId() const { return m_classId; }
        QStringList classChain() const; // as archived, most derived first
        bool contains(int field) const;
        // As decodeInt would read keys[field].
        qint64 decodeInt(int field);
        // As decodeDate would read keys[field], in milliseconds since
        // 1970-01-01 UTC; nullopt when absent or not a date.
        std::optional<qint64> decodeDateMSecs(int field);

    private:
        friend class KeyedUnarchiver;
        explicit Row(Private* d) : d(d) {}
        Private* d;
        quint64 m_classId = 0;
        quint64 m_values = 0;
        const qint64* m_positions = nullptr;
        int m_fields = 0;
    };

    // For an array of many objects of one kind under key (a record's
    // samples): calls body once per element that is an object, in order, as
    // decodeArrayOfObjects does, but the keys are named once and found once
    // per layout of element (its key strings in their order), so each value
    // is read by position. body reads only through the row. Returns the
    // number of elements visited, or -1 when the key holds no array or the
    // archive is damaged.
    qsizetype decodeArrayOfRows(QAnyStringView key, std::span<const char* const> keys,
                                const std::function<void(Row&)>& body);

    // As decodeArrayOfObjects, but the elements are read on several threads
    // at once, each through a reader of its own: body(i, element) gets the
    // element's position in the array and must touch nothing another
    // element's call touches. The archive fails, or not, with the message
    // reading the elements one after another would have given, and the
    // elements together read about what they would have read that way.
    qsizetype decodeArrayOfObjectsConcurrently(QAnyStringView key,
                                               const std::function<void(qsizetype, KeyedUnarchiver&)>& body);

    // Number of elements of the array under key (-1 when there is none).
    qsizetype countForKey(QAnyStringView key);

    // For a large file read piece by piece: lets go of the memory its pages
    // take once much has been read since the last call, so the process holds
    // the part being read rather than the whole file. Cheap to call often.
    void releaseReadPages();

    // Marks the archive damaged (for callers that find an impossible value).
    void fail(const QString& message);

    // A plain binary property list (no archive layout) as values: the same
    // bounded reading, with text and data copied out counted against the
    // file's size so that shared references cannot multiply it. Dictionaries
    // become QVariantMap, arrays and sets QVariantList, dates QDateTime (UTC).
    // Invalid, with *error set, when damaged.
    static QVariant propertyList(const QByteArray& data, QString* error = nullptr);

    // Convenience for one archived value (the top "root" entry).
    static QVariant unarchivedValue(const QByteArray& data, QString* error = nullptr);

private:
    KeyedUnarchiver();
    std::unique_ptr<Private> d;
};

} // namespace sv
