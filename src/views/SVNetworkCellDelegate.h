#pragma once

#include "views/SVNetworkCellDressing.h"

#include <QPixmap>
#include <QStyledItemDelegate>

#include <array>

// Draws the network table's cells: the swatch, the filter tint, the level
// bars behind the text, the padlock at the SSID's right end, and the text
// in the row's font and colour. Everything it draws comes from the cell
// dressing; it only maps and paints.
class SVNetworkCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit SVNetworkCellDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    // Fills an editor once, when it opens: a redraw of the cells (a tick, a
    // stop, a change of text size) leaves what is being typed alone.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // A cell whose text is cut shows the whole text as its tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Room left free on each side of a cell's text.
    static constexpr double kTextPadding = 5.0;
    // The text's rectangle in a cell (the padlock's room taken off).
    QRectF textRect(const QRectF& frame, const QModelIndex& index) const;

    // True while an editor made by this delegate is open.
    bool isEditing() const { return m_editors > 0; }

    // The padlock images for a palette (made again when the palette changes).
    void setPadlockColors(const SVNetworkCellPalette& palette);
    const QPixmap& padlockImage(SVPadlock which) const { return m_padlocks[size_t(which)]; }

    // The padlock drawn in one colour, 9 by 11 points.
    static QPixmap padlockPixmap(const QColor& color, qreal devicePixelRatio = 1.0);

private:
    std::array<QPixmap, 5> m_padlocks;
    mutable int m_editors = 0;
};
