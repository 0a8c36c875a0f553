#include "elements/SVField.h"

#include <bit>

QVariantMap SVField::toVariantMap() const
{
    using namespace sv::elements;
    QVariantMap map;
    if (name)
        map.insert(kFieldName, *name);
    if (value)
        map.insert(kFieldValue, *value);
    if (notes)
        map.insert(kFieldNotes, *notes);
    if (subfieldName)
        map.insert(kFieldSubfieldName, *subfieldName);
    if (subfields) {
        QVariantList list;
        list.reserve(qsizetype(subfields->size()));
        for (const SVField& field : *subfields)
            list.append(field.toVariantMap());
        map.insert(kFieldSubfields, list);
    }
    return map;
}

namespace sv::elements {

SVField entryWithName(const QString& name, Text value, Text notes, std::optional<std::vector<SVField>> subfields)
{
    SVField field;
    field.name = name;
    field.value = std::move(value);
    field.notes = std::move(notes);
    field.subfields = std::move(subfields);
    return field;
}

SVField subEntryWithName(Text description, Text bitPattern, Text notes)
{
    SVField field;
    field.value = std::move(description);
    field.subfieldName = std::move(bitPattern);
    field.notes = std::move(notes);
    return field;
}

std::optional<QString> textForValue(ValueTable table, quint32 value)
{
    for (const ValueText& row : table) {
        if (row.value == value)
            return QString::fromUtf8(row.text);
    }
    return std::nullopt;
}

QString textOrReserved(ValueTable table, quint32 value)
{
    return textForValue(table, value).value_or(QStringLiteral("Reserved"));
}

QString textOrReservedWithValue(ValueTable table, quint32 value)
{
    if (auto text = textForValue(table, value))
        return *text;
    return QStringLiteral("Reserved (%1)").arg(value);
}

QString stringForMask(BitWidth width, quint32 mask, quint32 value)
{
    const int bits = int(width);
    QString text;
    text.reserve(bits + bits / 4);
    for (int bit = bits - 1; bit >= 0; --bit) {
        const quint32 one = quint32(1) << bit;
        text += (mask & one) ? ((value & one) ? QLatin1Char('1') : QLatin1Char('0')) : QLatin1Char('.');
        if (bit > 0 && bit % 4 == 0)
            text += QLatin1Char(' ');
    }
    return text;
}

quint32 fieldValue(quint32 mask, quint32 value)
{
    if (mask == 0)
        return 0;
    return (value & mask) >> std::countr_zero(mask);
}

QString hexText(BitWidth width, quint32 value)
{
    return QStringLiteral("0x%1").arg(value, int(width) / 4, 16, QLatin1Char('0'));
}

SVField boolItem(BitWidth width, quint32 mask, const QString& description, quint32 value,
                 const QString& trueString, const QString& falseString)
{
    return subEntryWithName(description, stringForMask(width, mask, value), (value & mask) ? trueString : falseString);
}

SVField valueItem(BitWidth width, quint32 mask, const QString& description, quint32 value, ValueTable table)
{
    const quint32 v = fieldValue(mask, value);
    return subEntryWithName(description, stringForMask(width, mask, value),
                            QStringLiteral("%1 (%2)").arg(textOrReserved(table, v), hexText(width, v)));
}

SVField decimalItem(BitWidth width, quint32 mask, const QString& description, quint32 value)
{
    const quint32 v = fieldValue(mask, value);
    return subEntryWithName(description, stringForMask(width, mask, value),
                            QStringLiteral("%1 (%2)").arg(v).arg(hexText(width, v)));
}

SVField hexItem(BitWidth width, quint32 mask, const QString& description, quint32 value)
{
    return subEntryWithName(description, stringForMask(width, mask, value), hexText(width, fieldValue(mask, value)));
}

std::vector<SVField> flagItems(BitWidth width, quint32 value, FlagItems items)
{
    std::vector<SVField> fields;
    fields.reserve(items.size());
    for (const FlagItem& item : items) {
        const QString description = QString::fromUtf8(item.description);
        switch (item.kind) {
        case FlagItem::Bool:
            fields.push_back(boolItem(width, item.mask, description, value, QString::fromUtf8(item.trueText),
                                      QString::fromUtf8(item.falseText)));
            break;
        case FlagItem::Value:
            fields.push_back(valueItem(width, item.mask, description, value, item.table));
            break;
        case FlagItem::Decimal:
            fields.push_back(decimalItem(width, item.mask, description, value));
            break;
        case FlagItem::Hex:
            fields.push_back(hexItem(width, item.mask, description, value));
            break;
        case FlagItem::Pattern:
            fields.push_back(subEntryWithName(description, stringForMask(width, item.mask, value)));
            break;
        }
    }
    return fields;
}

SVField flagWord(const QString& name, BitWidth width, quint32 value, FlagItems items)
{
    return entryWithName(name, hexText(width, value), std::nullopt, flagItems(width, value, items));
}

void appendSetSummaries(QStringList& pieces, quint32 value, FlagItems items)
{
    for (const FlagItem& item : items) {
        if (item.kind == FlagItem::Bool && item.summaryWhenSet && (value & item.mask))
            pieces.append(QString::fromUtf8(item.summaryWhenSet));
    }
}

QString capitalized(const QString& text)
{
    QString result = text.toLower();
    bool atWordStart = true;
    for (QChar& c : result) {
        if (c == QLatin1Char(' ')) {
            atWordStart = true;
        } else if (atWordStart) {
            c = c.toUpper();
            atWordStart = false;
        }
    }
    return result;
}

} // namespace sv::elements
