#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>
#include <span>
#include <vector>

// One decoded field of an element. An entry has a name and optionally a
// value, notes and subfields; a sub-entry (one bit field of a flag word) has
// no name but a bit pattern, its description in `value` and its value text
// in `notes`. Absent parts stay out of the dictionary form.
struct SVField {
    std::optional<QString> name;         // "fieldName"
    std::optional<QString> value;        // "fieldValue"
    std::optional<QString> notes;        // "fieldNotes"
    std::optional<QString> subfieldName; // "fieldSubfieldName": the bit pattern
    std::optional<std::vector<SVField>> subfields; // "fieldSubfields"

    // The dictionary form the outline's data source reads.
    QVariantMap toVariantMap() const;

    bool operator==(const SVField&) const = default;
};

namespace sv::elements {

inline const QString kFieldName = QStringLiteral("fieldName");
inline const QString kFieldValue = QStringLiteral("fieldValue");
inline const QString kFieldNotes = QStringLiteral("fieldNotes");
inline const QString kFieldSubfields = QStringLiteral("fieldSubfields");
inline const QString kFieldSubfieldName = QStringLiteral("fieldSubfieldName");

using Text = std::optional<QString>;

SVField entryWithName(const QString& name, Text value = std::nullopt, Text notes = std::nullopt,
                      std::optional<std::vector<SVField>> subfields = std::nullopt);
SVField subEntryWithName(Text description, Text bitPattern, Text notes = std::nullopt);

// ---- Value tables: small integers to texts, shared by every field that needs them.

struct ValueText {
    quint32 value;
    const char* text;
};
using ValueTable = std::span<const ValueText>;

std::optional<QString> textForValue(ValueTable table, quint32 value);
// The table's text, or "Reserved" for a value the table does not name.
QString textOrReserved(ValueTable table, quint32 value);
// The table's text, or "Reserved (<value>)" so an entry never loses its raw value.
QString textOrReservedWithValue(ValueTable table, quint32 value);

// ---- Bit patterns and mask items.

enum class BitWidth { Bits8 = 8, Bits16 = 16, Bits32 = 32 };

// Most significant bit first: "." outside the mask, the value's bit inside,
// groups of four separated by a space.
QString stringForMask(BitWidth width, quint32 mask, quint32 value);
inline QString stringFor8BitMask(quint32 mask, quint32 value) { return stringForMask(BitWidth::Bits8, mask, value); }
inline QString stringFor16BitMask(quint32 mask, quint32 value) { return stringForMask(BitWidth::Bits16, mask, value); }
inline QString stringFor32BitMask(quint32 mask, quint32 value) { return stringForMask(BitWidth::Bits32, mask, value); }

// (value AND mask) shifted down to the mask's lowest set bit; 0 for mask 0.
quint32 fieldValue(quint32 mask, quint32 value);

// "0x%02x", "0x%04x", "0x%08x" by width.
QString hexText(BitWidth width, quint32 value);

SVField boolItem(BitWidth width, quint32 mask, const QString& description, quint32 value,
                 const QString& trueString, const QString& falseString);
SVField valueItem(BitWidth width, quint32 mask, const QString& description, quint32 value, ValueTable table);
SVField decimalItem(BitWidth width, quint32 mask, const QString& description, quint32 value);
SVField hexItem(BitWidth width, quint32 mask, const QString& description, quint32 value);

// ---- Flag words as data: one row per bit field, read by flagItems().

struct FlagItem {
    enum Kind : quint8 { Bool, Value, Decimal, Hex, Pattern };
    Kind kind;
    quint32 mask;
    const char* description;
    const char* trueText = nullptr;
    const char* falseText = nullptr;
    ValueTable table = {};
    const char* summaryWhenSet = nullptr; // summary piece when a bool item is set
};

constexpr FlagItem flagBool(quint32 mask, const char* description, const char* trueText = "Supported",
                            const char* falseText = "Not supported", const char* summaryWhenSet = nullptr)
{
    return {FlagItem::Bool, mask, description, trueText, falseText, {}, summaryWhenSet};
}
constexpr FlagItem flagValue(quint32 mask, const char* description, ValueTable table)
{
    return {FlagItem::Value, mask, description, nullptr, nullptr, table, nullptr};
}
constexpr FlagItem flagDecimal(quint32 mask, const char* description)
{
    return {FlagItem::Decimal, mask, description};
}
constexpr FlagItem flagHex(quint32 mask, const char* description)
{
    return {FlagItem::Hex, mask, description};
}
// A sub-entry with the bit pattern and no value text.
constexpr FlagItem flagPattern(quint32 mask, const char* description)
{
    return {FlagItem::Pattern, mask, description};
}
constexpr FlagItem flagReserved(quint32 mask)
{
    return flagPattern(mask, "Reserved");
}

using FlagItems = std::span<const FlagItem>;

std::vector<SVField> flagItems(BitWidth width, quint32 value, FlagItems items);
// An entry with the word's hex text as its value and one sub-entry per item.
SVField flagWord(const QString& name, BitWidth width, quint32 value, FlagItems items);
// The summary pieces of the bool items that are set, in item order.
void appendSetSummaries(QStringList& pieces, quint32 value, FlagItems items);

// Each space-delimited word with its first letter upper-case, the rest lower-case.
QString capitalized(const QString& text);

} // namespace sv::elements
