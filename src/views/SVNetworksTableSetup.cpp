#include "views/SVNetworksTableSetup.h"
#include "model/SVDefaultsKeys.h"

#include "views/SVColumnLayout.h"
#include "views/SVNetworkCellDelegate.h"
#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVTableHeaderMenu.h"
#include "views/SVThemeHelper.h"

#include "platform/UserDefaults.h"
#include "model/SVNetworkCellText.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QPalette>
#include <QTreeView>

QHash<QString, int> startingColumnWidths(const QFont& font)
{
    // Wide examples of each column's usual content.
    const QDateTime date(QDate(2026, 12, 28), QTime(22, 48, 58));
    struct Sample {
        const char* identifier;
        QString text;
        bool bold = true; // the associated network's row is bold
        bool italic = false;
    };
    const Sample samples[] = {
        {"BSSID", QStringLiteral("DD:DD:DD:DD:DD:DD"), true},
        {"SSID", QStringLiteral("<Hidden Network>"), true, true},
        {"SSID", QStringLiteral("Harbour-Office-5G"), true},
        {"VENDOR", QStringLiteral("TP-LINK TECHNOLOGIES CO.,LTD.")},
        {"DEVICE_NAME", QStringLiteral("Office Printer 2nd Floor")},
        {"SECURITY_MODE", QStringLiteral("WPA2/WPA3 Personal")},
        {"SECURITY_MODE", QStringLiteral("WPA2/WPA3 (PSK/SAE)")},
        {"SECURITY_MODE", QStringLiteral("WPA2 Enterprise")},
        {"MAX_RATE", QStringLiteral("1733.3 Mbps")},
        {"MIN_RATE", QStringLiteral("1733.3 Mbps")},
        {"PHY_MODE", QStringLiteral("a/n/ac/ax")},
        {"CHANNEL_WIDTH", QStringLiteral("160 MHz")},
        {"CENTER_FREQUENCY", QStringLiteral("5805 MHz")},
        {"BASIC_RATES", QStringLiteral("6, 12, 24 Mbps")},
        {"SEEN", seenText(std::nullopt, false, false, date), true},
        {"FIRST_SEEN", seenDateText(date)},
        {"LAST_SEEN", seenDateText(date)},
    };
    QHash<QString, int> widths;
    for (const Sample& s : samples) {
        const SVNetworkColumn* column = networkColumn(QString::fromLatin1(s.identifier));
        if (!column)
            continue;
        QFont f = font;
        f.setBold(s.bold);
        f.setItalic(s.italic);
        double width = QFontMetricsF(f).horizontalAdvance(s.text) + 2 * SVNetworkCellDelegate::kTextPadding + 4;
        if (column->cell == SVColumnCell::TextAndImage)
            width += 9 + 5; // the padlock and its gap
        else if (column->cell == SVColumnCell::LevelIndicator)
            width += 60;
        const QString id = column->identifier;
        widths[id] = std::max(widths.value(id), int(std::ceil(width)));
    }
    return widths;
}

SVColumnAutosave* setUpNetworksTable(QTreeView& view, SVNetworksTableModel& model, SVNetworkCellDelegate& delegate,
                                     sv::UserDefaults& defaults,
                                     std::function<void(const QString&)> userDidToggleColumnState)
{
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.setRootIsDecorated(false);
    view.setIndentation(0);
    view.setUniformRowHeights(true);
    view.setAllColumnsShowFocus(true);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    view.setTextElideMode(Qt::ElideRight);
    view.setAlternatingRowColors(true);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor::fromRgbF(0.961f, 0.961f, 0.961f));
    view.setPalette(palette);

    QHeaderView* header = view.header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(true);
    header->setFirstSectionMovable(true);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setTextElideMode(Qt::ElideRight);
    QPalette headerPalette = header->palette();
    headerPalette.setColor(QPalette::ButtonText, SVThemeHelper::textColorForTableHeader());
    headerPalette.setColor(QPalette::WindowText, SVThemeHelper::textColorForTableHeader());
    header->setPalette(headerPalette);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    view.setSortingEnabled(true);
    // The swatch column has no sort key: a click on it leaves the sort as it was.
    QObject::connect(header, &QHeaderView::sortIndicatorChanged, &view, [&model, header](int section, Qt::SortOrder) {
        if (section >= 0 && section < int(networkColumns().size())
            && networkColumns()[size_t(section)].sortKey.isEmpty()) {
            const QSignalBlocker block(header);
            const int previous = networkColumnIndex(model.sortIdentifier());
            header->setSortIndicator(previous,
                                     model.sortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
        }
    });

    // The cells draw in the application's font at the table's size.
    QFont font;
    const double size = defaults.doubleForKey(SVDefaultsKey::NetworksViewFontSize);
    if (size > 0)
        font.setPointSizeF(size);
    auto* autosave = new SVColumnAutosave(header, defaults, kNetworksTableAutosaveName, startingColumnWidths(font));
    installTableHeaderMenu(view, std::move(userDidToggleColumnState));
    return autosave;
}

QStringList tableColumnIdentifiers(const QHeaderView& header)
{
    const auto columns = networkColumns();
    QStringList ids;
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        if (logical >= 0 && logical < int(columns.size()))
            ids << columns[size_t(logical)].identifier;
    }
    return ids;
}
