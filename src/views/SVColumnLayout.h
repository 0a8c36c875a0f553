#pragma once

#include "model/SVNetworkColumns.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVector>

class QHeaderView;

namespace sv {
class UserDefaults;
}

// The settings key under which the network table keeps its column layout.
inline const QString kNetworksTableAutosaveName = QStringLiteral("NetworksTable");

// One column's place in the layout the user arranged.
struct SVColumnState {
    QString identifier;
    int width = kPlatformColumnWidth;
    bool hidden = false;
    bool operator==(const SVColumnState&) const = default;
};
// Columns in display order, every column of the table exactly once.
using SVColumnLayout = QVector<SVColumnState>;

// Starting widths by column identifier, in place of the table's own where
// the content needs more room (measured in the table's font).
using SVStartingWidths = QHash<QString, int>;

SVColumnLayout defaultColumnLayout(const SVStartingWidths& startingWidths = {});
QVariantList encodeColumnLayout(const SVColumnLayout& layout);
// A stored layout laid over the defaults: unknown or repeated columns are
// dropped, missing ones keep their default place and state, widths are held
// to each column's bounds and the outline column stays shown. Anything that
// is not a stored layout gives the defaults.
SVColumnLayout decodeColumnLayout(const QVariant& stored, const SVStartingWidths& startingWidths = {});

// The header's sections are the columns of networkColumns(), by position.
void applyColumnLayout(QHeaderView& header, const SVColumnLayout& layout);

// Keeps a network table header's order, widths and visibility in the user
// defaults: restores them when made, holds each column to its width bounds,
// and writes the layout whenever the user moves, resizes, hides or shows a
// column.
class SVColumnAutosave : public QObject {
    Q_OBJECT
public:
    SVColumnAutosave(QHeaderView* header, sv::UserDefaults& defaults,
                     const QString& key = kNetworksTableAutosaveName, const SVStartingWidths& startingWidths = {});

    SVColumnLayout layout() const;
    void save();

private:
    void sectionResized(int logical, int oldSize, int newSize);

    QPointer<QHeaderView> m_header;
    sv::UserDefaults& m_defaults;
    QString m_key;
    QVector<int> m_widths; // last shown width per column, kept while hidden
    bool m_applying = false;
};
