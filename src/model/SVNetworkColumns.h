#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>
#include <span>

// The network table's columns, in the order the table builds them. The
// identifiers are shared by the filter's column marks, the CSV export, copy
// and the column preferences; each sort key is a row accessor name.
enum class SVColumnComparison {
    None,              // not sortable
    LocalizedStandard, // locale-aware, numbers inside text by value
    CaseInsensitive,
    Compare,           // natural order of numbers and dates
};

enum class SVColumnCell {
    Default,
    TextAndImage,   // text with an image at the right end (the padlock)
    LevelIndicator, // level bar behind the text
};

struct SVNetworkColumn {
    QString identifier;
    QString sortKey; // empty: not sortable
    SVColumnComparison comparison;
    bool shownByDefault;
    int width;    // points; kPlatformColumnWidth where the table's default applies
    int minWidth; // points; 0 for none
    int maxWidth; // points; kUnlimitedColumnWidth for none
    SVColumnCell cell;
    bool rightAligned;
    bool editable;
    bool truncatesLastLine;
    QString englishTitle; // the title when no translation is installed
};

inline constexpr int kPlatformColumnWidth = 100;
inline constexpr int kUnlimitedColumnWidth = 1'000'000;

namespace SVColumnId {
inline const QString IsUserHidden = QStringLiteral("IS_USER_HIDDEN");
inline const QString Bssid = QStringLiteral("BSSID");
inline const QString Ssid = QStringLiteral("SSID");
inline const QString Annotations = QStringLiteral("ANNOTATIONS");
inline const QString DeviceName = QStringLiteral("DEVICE_NAME");
} // namespace SVColumnId

// The column that carries the tree; it cannot be hidden.
inline const QString& outlineColumnIdentifier()
{
    return SVColumnId::Bssid;
}

std::span<const SVNetworkColumn> networkColumns();
// The column's position in networkColumns(), or -1.
int networkColumnIndex(const QString& identifier);
const SVNetworkColumn* networkColumn(const QString& identifier);

// The header title: the translation of "Title for column <ID>", or the
// English title when there is none; empty for the swatch column.
QString networkColumnTitle(const SVNetworkColumn& column);

// Orders two row values the way the column sorts: negative, 0, positive.
// An absent (invalid) value sorts before every present one.
int compareColumnValues(SVColumnComparison comparison, const QVariant& a, const QVariant& b);

class SVNetworkDelegate;

// Sorts rows the way the column's sort descriptor does, stably: by the
// column's sort key and comparison, ascending or descending. Rows of a
// column without a sort key keep their order.
void sortNetworkRows(QVector<std::shared_ptr<SVNetworkDelegate>>& rows, const QString& identifier, bool ascending);
