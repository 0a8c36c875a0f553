#include "platform/KeyedArchiver.h"

namespace sv {

struct KeyedArchiver::Private {
    QString error;
};

KeyedArchiver::KeyedArchiver(QIODevice*) : d(std::make_unique<Private>()) {}
KeyedArchiver::KeyedArchiver(QByteArray*) : d(std::make_unique<Private>()) {}
KeyedArchiver::~KeyedArchiver() = default;
void KeyedArchiver::encodeInt(QAnyStringView, qint64) {}
void KeyedArchiver::encodeBool(QAnyStringView, bool) {}
void KeyedArchiver::encodeDouble(QAnyStringView, double) {}
void KeyedArchiver::encodeObject(QAnyStringView, const QVariant&) {}
void KeyedArchiver::encodeDate(QAnyStringView, const QDateTime&) {}
void KeyedArchiver::encodeColor(QAnyStringView, const QColor&) {}
void KeyedArchiver::encodeArchivable(QAnyStringView, const KeyedArchivable&) {}
void KeyedArchiver::beginArray(QAnyStringView) {}
void KeyedArchiver::appendArchivable(const KeyedArchivable&) {}
void KeyedArchiver::appendObject(const QVariant&) {}
void KeyedArchiver::endArray() {}
void KeyedArchiver::beginObject(QAnyStringView, const QStringList&) {}
void KeyedArchiver::endObject() {}
bool KeyedArchiver::finish() { return false; }
bool KeyedArchiver::failed() const { return true; }
QString KeyedArchiver::errorString() const { return QStringLiteral("not implemented"); }
QByteArray KeyedArchiver::archivedData(const KeyedArchivable&) { return {}; }
QByteArray KeyedArchiver::archivedValue(const QVariant&) { return {}; }

} // namespace sv
