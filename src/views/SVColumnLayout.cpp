#include "views/SVColumnLayout.h"

#include "platform/UserDefaults.h"

#include <QHeaderView>
#include <QSet>

#include <algorithm>

namespace {

const QString kIdentifier = QStringLiteral("identifier");
const QString kWidth = QStringLiteral("width");
const QString kHidden = QStringLiteral("hidden");

int boundedWidth(const SVNetworkColumn& column, int width)
{
    return std::clamp(width, std::max(column.minWidth, 1), column.maxWidth);
}

SVColumnState defaultState(const SVNetworkColumn& column, const SVStartingWidths& startingWidths)
{
    const int width = std::max(column.width, startingWidths.value(column.identifier, 0));
    return {column.identifier, boundedWidth(column, width), !column.shownByDefault};
}

} // namespace

SVColumnLayout defaultColumnLayout(const SVStartingWidths& startingWidths)
{
    SVColumnLayout layout;
    for (const SVNetworkColumn& column : networkColumns())
        layout.append(defaultState(column, startingWidths));
    return layout;
}

QVariantList encodeColumnLayout(const SVColumnLayout& layout)
{
    QVariantList list;
    for (const SVColumnState& s : layout)
        list.append(QVariantMap{{kIdentifier, s.identifier}, {kWidth, s.width}, {kHidden, s.hidden}});
    return list;
}

SVColumnLayout decodeColumnLayout(const QVariant& stored, const SVStartingWidths& startingWidths)
{
    SVColumnLayout layout;
    QSet<QString> seen;
    if (stored.typeId() == QMetaType::QVariantList) {
        for (const QVariant& item : stored.toList()) {
            if (item.typeId() != QMetaType::QVariantMap)
                continue;
            const QVariantMap map = item.toMap();
            const SVNetworkColumn* column = networkColumn(map.value(kIdentifier).toString());
            if (!column || seen.contains(column->identifier))
                continue;
            seen.insert(column->identifier);
            SVColumnState s = defaultState(*column, startingWidths);
            bool ok = false;
            const int width = map.value(kWidth).toInt(&ok);
            if (ok)
                s.width = boundedWidth(*column, width);
            if (map.contains(kHidden))
                s.hidden = map.value(kHidden).toBool() && column->identifier != outlineColumnIdentifier();
            layout.append(s);
        }
    }
    // Columns the stored layout does not know (a newer version's) go to
    // their default position.
    const auto columns = networkColumns();
    for (int i = 0; i < int(columns.size()); ++i) {
        if (!seen.contains(columns[size_t(i)].identifier))
            layout.insert(std::min(i, int(layout.size())), defaultState(columns[size_t(i)], startingWidths));
    }
    return layout;
}

void applyColumnLayout(QHeaderView& header, const SVColumnLayout& layout)
{
    for (int visual = 0; visual < int(layout.size()); ++visual) {
        const SVColumnState& s = layout[visual];
        const int logical = networkColumnIndex(s.identifier);
        if (logical < 0 || logical >= header.count())
            continue;
        header.moveSection(header.visualIndex(logical), visual);
        header.setSectionHidden(logical, false);
        header.resizeSection(logical, s.width);
        header.setSectionHidden(logical, s.hidden);
    }
}

SVColumnAutosave::SVColumnAutosave(QHeaderView* header, sv::UserDefaults& defaults, const QString& key,
                                   const SVStartingWidths& startingWidths)
    : QObject(header), m_header(header), m_defaults(defaults), m_key(key)
{
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(QHeaderView::Interactive);
    for (int i = 0; i < std::min(header->count(), int(networkColumns().size())); ++i) {
        const SVNetworkColumn& column = networkColumns()[size_t(i)];
        if (column.minWidth == column.maxWidth)
            header->setSectionResizeMode(i, QHeaderView::Fixed);
    }
    const SVColumnLayout restored = decodeColumnLayout(defaults.objectForKey(key), startingWidths);
    m_widths.resize(int(networkColumns().size()));
    for (const SVColumnState& s : restored)
        m_widths[networkColumnIndex(s.identifier)] = s.width;
    m_applying = true;
    applyColumnLayout(*header, restored);
    m_applying = false;

    connect(header, &QHeaderView::sectionMoved, this, [this] { save(); });
    connect(header, &QHeaderView::sectionResized, this, &SVColumnAutosave::sectionResized);
}

SVColumnLayout SVColumnAutosave::layout() const
{
    SVColumnLayout layout;
    if (!m_header)
        return layout;
    const auto columns = networkColumns();
    for (int visual = 0; visual < m_header->count(); ++visual) {
        const int logical = m_header->logicalIndex(visual);
        if (logical < 0 || logical >= int(columns.size()))
            continue;
        const bool hidden = m_header->isSectionHidden(logical);
        const int width = hidden ? m_widths.value(logical) : m_header->sectionSize(logical);
        layout.append({columns[size_t(logical)].identifier, width, hidden});
    }
    return layout;
}

void SVColumnAutosave::save()
{
    if (m_applying || !m_header)
        return;
    m_defaults.setObject(encodeColumnLayout(layout()), m_key);
}

void SVColumnAutosave::sectionResized(int logical, int, int newSize)
{
    if (m_applying || !m_header || logical < 0 || logical >= int(networkColumns().size()))
        return;
    // Hiding a section reports it as resized to 0 before it counts as
    // hidden; sizing it back then would leave a blank column without header.
    if (newSize > 0 && !m_header->isSectionHidden(logical)) {
        const SVNetworkColumn& column = networkColumns()[size_t(logical)];
        const int bounded = boundedWidth(column, newSize);
        if (bounded != newSize) {
            m_header->resizeSection(logical, bounded); // comes back here once
            return;
        }
        m_widths[logical] = newSize;
    }
    save();
}
