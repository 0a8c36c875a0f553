#include "platform/KeyedUnarchiver.h"

namespace sv {

struct KeyedUnarchiver::Private {
    QString error = QStringLiteral("not implemented");
};

KeyedUnarchiver::KeyedUnarchiver() : d(std::make_unique<Private>()) {}
KeyedUnarchiver::KeyedUnarchiver(KeyedUnarchiver&&) noexcept = default;
KeyedUnarchiver& KeyedUnarchiver::operator=(KeyedUnarchiver&&) noexcept = default;
KeyedUnarchiver::~KeyedUnarchiver() = default;
KeyedUnarchiver KeyedUnarchiver::fromData(const QByteArray&) { return KeyedUnarchiver(); }
KeyedUnarchiver KeyedUnarchiver::fromFile(const QString&) { return KeyedUnarchiver(); }
bool KeyedUnarchiver::failed() const { return true; }
QString KeyedUnarchiver::errorString() const { return d->error; }
void KeyedUnarchiver::setClassNameMapping(const QString&, const QString&) {}
QString KeyedUnarchiver::className() const { return {}; }
QStringList KeyedUnarchiver::classChain() const { return {}; }
bool KeyedUnarchiver::containsValueForKey(QAnyStringView) const { return false; }
qint64 KeyedUnarchiver::decodeInt(QAnyStringView) { return 0; }
bool KeyedUnarchiver::decodeBool(QAnyStringView) { return false; }
double KeyedUnarchiver::decodeDouble(QAnyStringView) { return 0; }
QVariant KeyedUnarchiver::decodeObject(QAnyStringView) { return {}; }
QDateTime KeyedUnarchiver::decodeDate(QAnyStringView) { return {}; }
std::optional<QColor> KeyedUnarchiver::decodeColor(QAnyStringView) { return std::nullopt; }
QString KeyedUnarchiver::classNameForKey(QAnyStringView) { return {}; }
bool KeyedUnarchiver::decodeObjectWith(QAnyStringView, const std::function<void(KeyedUnarchiver&)>&) { return false; }
qsizetype KeyedUnarchiver::decodeArrayOfObjects(QAnyStringView, const std::function<void(KeyedUnarchiver&)>&) { return -1; }
qsizetype KeyedUnarchiver::countForKey(QAnyStringView) { return -1; }
void KeyedUnarchiver::fail(const QString& message) { d->error = message; }
QVariant KeyedUnarchiver::unarchivedValue(const QByteArray&, QString* error)
{
    if (error)
        *error = QStringLiteral("not implemented");
    return {};
}

} // namespace sv
