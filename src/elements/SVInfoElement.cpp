#include "elements/SVInfoElement.h"

#include "elements/ElementDecoders.h"
#include "elements/ElementTables.h"
#include "platform/wlan/ElementWalk.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

using namespace sv::elements;
using sv::wlan::kCiscoVendorSpecific;
using sv::wlan::kVendorSpecific;

namespace {

std::function<QString(const QString&)>& vendorLookup()
{
    static std::function<QString(const QString&)> lookup;
    return lookup;
}

} // namespace

SVInfoElement::SVInfoElement(unsigned ieID, QByteArray data)
    : m_ieID(ieID), m_ieData(std::move(data)), m_ieIdentifier(QStringLiteral("id=%1").arg(ieID))
{
}

void SVInfoElement::setVendorNameLookup(std::function<QString(const QString& ouiText)> lookup)
{
    vendorLookup() = std::move(lookup);
}

QString SVInfoElement::vendorNameForOUI(const QString& ouiText)
{
    const auto& lookup = vendorLookup();
    return lookup ? lookup(ouiText) : QString();
}

QString SVInfoElement::ieIdentifier() const
{
    // The vendor decoder refines the identifier of a vendor-specific element,
    // before the first answer so that the identifier never changes.
    if ((m_ieID == kVendorSpecific || m_ieID == kCiscoVendorSpecific) && !m_ieData.isEmpty())
        decode();
    return m_ieIdentifier;
}

QString SVInfoElement::ieName() const
{
    if (m_ieID == kVendorSpecific) {
        const QString vendor = parseOUI();
        if (vendor.isEmpty())
            return QStringLiteral("Vendor Specific");
        static const QRegularExpression wordEnd(QStringLiteral("[\\s,.]"));
        const QString word = vendor == QLatin1String("Wi-Fi Alliance") ? vendor : vendor.section(wordEnd, 0, 0);
        return QStringLiteral("Vendor Specific (%1)").arg(capitalized(word));
    }
    const char* name = elementKind(m_ieID).name;
    return name ? QString::fromUtf8(name) : QStringLiteral("Unknown");
}

QString SVInfoElement::ieDescription() const
{
    const char* text = elementKind(m_ieID).description;
    const QStringList languages = QLocale::system().uiLanguages();
    if (!text || languages.isEmpty() || !languages.first().startsWith(QLatin1String("en")))
        return {};
    return QCoreApplication::translate("SVInfoElement", text);
}

QString SVInfoElement::ieSummary() const
{
    decode();
    return m_ieSummary;
}

const std::vector<SVField>& SVInfoElement::fields() const
{
    decode();
    return *m_ieFields;
}

QVariantList SVInfoElement::fieldRecords() const
{
    QVariantList records;
    for (const SVField& field : fields())
        records.append(field.toVariantMap());
    return records;
}

void SVInfoElement::decode() const
{
    if (m_ieFields)
        return;
    ElementDecoding d{m_ieID, ElementReader(m_ieData), {}, {}, {}};
    d.add(entryWithName(QStringLiteral("Element ID"), QString::number(m_ieID)));
    d.add(entryWithName(QStringLiteral("Length"), QString::number(m_ieData.size()), QStringLiteral("bytes")));
    // An empty body is well formed only where the element has no fixed
    // part (a hidden network's SSID); elsewhere it shows nothing more.
    const ElementKind& kind = elementKind(m_ieID);
    if (m_ieData.size() >= kind.minLength)
        kind.decoder(d);
    else if (!m_ieData.isEmpty())
        decodeGeneric(d);
    m_ieSummary = d.summary;
    if (d.identifier)
        m_ieIdentifier = *d.identifier;
    m_ieFields = std::move(d.fields);
}

QString SVInfoElement::ieDump() const
{
    const QString summary = ieSummary();
    QStringList lines{summary.isEmpty() ? ieName() : QStringLiteral("%1 - %2").arg(ieName(), summary)};
    for (const SVField& field : fields())
        lines += composeField(field, QStringLiteral("    "));
    return lines.join(QLatin1Char('\n'));
}

QStringList SVInfoElement::composeField(const SVField& field, const QString& indent)
{
    QStringList lines;
    if (field.name) {
        if (!field.value)
            lines.append(indent + *field.name);
        else if (field.notes)
            lines.append(QStringLiteral("%1%2: %3 %4").arg(indent, *field.name, *field.value, *field.notes));
        else
            lines.append(QStringLiteral("%1%2: %3").arg(indent, *field.name, *field.value));
    } else if (field.subfieldName) {
        if (!field.value)
            lines.append(indent + *field.subfieldName);
        else if (field.notes)
            lines.append(QStringLiteral("%1%2 %3: %4").arg(indent, *field.subfieldName, *field.value, *field.notes));
        else
            lines.append(QStringLiteral("%1%2 %3").arg(indent, *field.subfieldName, *field.value));
    }
    if (field.subfields) {
        const QString deeper = QStringLiteral("    ") + indent;
        for (const SVField& subfield : *field.subfields)
            lines += composeField(subfield, deeper);
    }
    return lines;
}

QString SVInfoElement::parseOUI() const
{
    if (m_ieData.size() < 3)
        return {};
    const auto byte = [&](int i) { return QStringLiteral("%1").arg(quint8(m_ieData[i]), 2, 16, QLatin1Char('0')).toUpper(); };
    return vendorNameForOUI(QStringLiteral("%1:%2:%3").arg(byte(0), byte(1), byte(2)));
}

std::vector<SVField> SVInfoElement::parseGeneric() const
{
    ElementDecoding d{m_ieID, ElementReader(m_ieData), {}, {}, {}};
    decodeGeneric(d);
    return d.fields;
}
