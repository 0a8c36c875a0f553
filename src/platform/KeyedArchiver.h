#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <span>

class QIODevice;

namespace sv {

class KeyedArchiver;

// An object that writes itself into a keyed archive.
class KeyedArchivable {
public:
    virtual ~KeyedArchivable() = default;
    // The class and its ancestors, most derived first: {"SVDataPoint", "NSObject"}.
    // Return a list kept in a static so each call only shares it.
    virtual QStringList archiveClassChain() const = 0;
    virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;
};

// Writes a keyed archive as a binary property list, streaming: every object
// goes out as soon as it is complete, so an archive of millions of samples
// never exists as a tree in memory. Equal strings, numbers, dates and class
// descriptions are written once.
//
// Keys are set on the current object. At first that is the archive's top
// dictionary (whose "root" entry readers look for); inside encodeWithCoder
// and the object bodies below it is the object being encoded.
//
//   KeyedArchiver archiver(&file);
//   archiver.encodeArchivable("root", document);
//   if (!archiver.finish()) report(archiver.errorString());
class KeyedArchiver {
public:
    // Streams to an open, writable device. The device must outlive the archiver.
    explicit KeyedArchiver(QIODevice* device);
    // Appends to *buffer.
    explicit KeyedArchiver(QByteArray* buffer);
    ~KeyedArchiver();
    KeyedArchiver(const KeyedArchiver&) = delete;
    KeyedArchiver& operator=(const KeyedArchiver&) = delete;

    // Scalars, stored in the current object itself.
    void encodeInt(QAnyStringView key, qint64 value);
    void encodeBool(QAnyStringView key, bool value);
    void encodeDouble(QAnyStringView key, double value);

    // A value object: QString, QByteArray, QDateTime (as a date), integers,
    // double, bool (as numbers), QColor, QVariantList, QVariantMap (string
    // keys), nested to any depth. An invalid QVariant is encoded as nil.
    // A type with no archive form fails the archive (nothing is dropped quietly).
    void encodeObject(QAnyStringView key, const QVariant& value);
    void encodeDate(QAnyStringView key, const QDateTime& value);
    void encodeColor(QAnyStringView key, const QColor& color);

    // An object that encodes itself.
    void encodeArchivable(QAnyStringView key, const KeyedArchivable& object);

    // An object of the given class whose keys body(coder) writes, for values
    // that are not archivable objects themselves (a compact sample, say).
    template <typename Body>
    void encodeObjectWith(QAnyStringView key, const QStringList& classChain, Body&& body)
    {
        beginObject(key, classChain);
        body(*this);
        endObject();
    }

    // An array of objects, written one element at a time:
    //   coder.beginArray("dataPoints");
    //   for (...) coder.appendObjectWith(chain, [&](KeyedArchiver& c) { ... });
    //   coder.endArray();
    // Between beginArray and endArray only append* calls are allowed.
    void beginArray(QAnyStringView key);
    void appendArchivable(const KeyedArchivable& object);
    template <typename Body>
    void appendObjectWith(const QStringList& classChain, Body&& body)
    {
        beginObject({}, classChain);
        body(*this);
        endObject();
    }
    void endArray();

    // Many objects of one class whose keys all hold integers or dates (a
    // record's samples), appended to the current array: the same archive as
    // appendObjectWith with one encodeInt or encodeDate per key, in the order
    // of keys, without finding each key again for every object.
    // row(i, values) gives object i's values, values[k] for keys[k]; a date
    // in milliseconds since 1970-01-01 UTC, or NoDate for nil.
    struct RowKey {
        const char* name; // UTF-8
        bool isDate = false;
    };
    static constexpr qint64 NoDate = std::numeric_limits<qint64>::min();
    void appendRows(const QStringList& classChain, std::span<const RowKey> keys, std::size_t count,
                    const std::function<void(std::size_t, qint64*)>& row);

    // A dictionary object (NSDictionary, its keys in NS.keys and values in
    // NS.objects) written in place: between the two calls every encode* and
    // begin* call adds one entry under its key, so a document's root
    // dictionary can stream millions of objects inside it.
    //   coder.beginDictionary("root");
    //   coder.beginArray("networks"); ... coder.endArray();
    //   coder.encodeDate("lastScanTime", time);
    //   coder.endDictionary();
    void beginDictionary(QAnyStringView key);
    void endDictionary();

    // The lower-level pair behind encodeObjectWith / appendObjectWith.
    // In an array the key is ignored.
    void beginObject(QAnyStringView key, const QStringList& classChain);
    void endObject();

    // Writes the object table and trailer. Call once, after every encode;
    // false when anything failed (device error, unbalanced begin/end, a value
    // with no archive form).
    bool finish();

    bool failed() const;
    QString errorString() const;

    // Convenience: an archive whose root is one object / one value.
    static QByteArray archivedData(const KeyedArchivable& root);
    static QByteArray archivedValue(const QVariant& root);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace sv
