#include "views/SVNetworkCellDelegate.h"

#include "model/SVNetworkColumns.h"
#include "views/SVNetworksTableModel.h"
#include "views/SVPlainText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QPainter>
#include <QPainterPath>

SVNetworkCellDelegate::SVNetworkCellDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
    setPadlockColors(networkCellPaletteFromTheme());
}

QPixmap SVNetworkCellDelegate::padlockPixmap(const QColor& color, qreal dpr)
{
    const QSize size(9, 11);
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Shackle over a body.
    QPen pen(color, 1.4);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(1.7, 0.7, 5.6, 7.0), 0, 180 * 16);
    p.drawLine(QPointF(1.7, 4.2), QPointF(1.7, 5.5));
    p.drawLine(QPointF(7.3, 4.2), QPointF(7.3, 5.5));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(0, 5, 9, 6), 1, 1);
    return pixmap;
}

void SVNetworkCellDelegate::setPadlockColors(const SVNetworkCellPalette& palette)
{
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    m_padlocks[size_t(SVPadlock::Normal)] = padlockPixmap(QColor::fromRgbF(0.248f, 0.505f, 0.764f), dpr);
    m_padlocks[size_t(SVPadlock::Highlighted)] = padlockPixmap(Qt::white, dpr);
    m_padlocks[size_t(SVPadlock::AlternateHighlighted)] =
        padlockPixmap(palette.isDarkTheme ? QColor(Qt::darkGray) : palette.textColorForNetwork, dpr);
    m_padlocks[size_t(SVPadlock::NoData)] = padlockPixmap(palette.textColorForNetworkNotFound, dpr);
}

void SVNetworkCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    const auto* model = qobject_cast<const SVNetworksTableModel*>(index.model());
    const SVNetworkRow row = model ? model->rowAt(index.row()) : nullptr;
    if (!row) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const SVNetworkColumn& column = networkColumns()[size_t(index.column())];
    const QString text = index.data(Qt::DisplayRole).toString();
    const QWidget* widget = option.widget;
    const bool firstResponder = widget && widget->hasFocus();
    const bool active = firstResponder && (option.state & QStyle::State_Active);

    SVNetworkCellState state;
    state.fontSize = model->fontSize();
    state.units = model->units();
    state.scanning = model->isScanning();
    state.rowSelected = option.state & QStyle::State_Selected;
    state.cellHighlighted = state.rowSelected;
    state.editing = isEditing();
    state.tableIsFirstResponder = firstResponder;
    state.columnFiltered = model->filteredColumnIdentifiers().contains(column.identifier);
    SVNetworkCellDressing d;
    {
        std::unique_lock<std::recursive_mutex> lock;
        if (model->lock())
            lock = std::unique_lock<std::recursive_mutex>(*model->lock());
        d = dressNetworkCell(column.identifier, text, networkRowInfo(*row), state, model->palette());
    }

    painter->save();
    const QRectF frame = option.rect;
    QStyleOptionViewItem panel = option;
    if (!d.highlighted)
        panel.state &= ~QStyle::State_Selected;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);
    if (d.background)
        painter->fillRect(frame, *d.background);

    if (d.levelBar) {
        const SVLevelBarGeometry g = levelBarGeometry(frame, *d.levelBar);
        if (g.drawn) {
            painter->setRenderHint(QPainter::Antialiasing, false);
            const QColor c = levelBarColor(*d.levelBar, d.highlighted, active);
            painter->fillRect(g.bar, c);
            if (!g.lighter.isEmpty()) {
                QColor light = c;
                light.setAlphaF(0.25f);
                painter->fillRect(g.lighter, light);
            }
            painter->setPen(QPen(c, 0.5));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(g.outline);
        }
    }

    QRectF textRect = frame;
    if (d.padlock != SVPadlock::None) {
        const QPixmap& image = padlockImage(d.padlock);
        const SVTextAndImageGeometry g = textAndImageGeometry(frame, image.deviceIndependentSize());
        painter->drawPixmap(g.imageOrigin, image);
        textRect = g.text;
    }

    if (!text.isEmpty()) {
        QFont font = option.font;
        font.setPointSizeF(d.fontSize);
        font.setBold(d.bold);
        font.setItalic(d.italic);
        painter->setFont(font);
        painter->setPen(d.textColor);
        const QRectF inner = textRect.adjusted(kTextPadding, 0, -kTextPadding, 0);
        const Qt::Alignment align = (column.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, inner.width());
        painter->drawText(inner, int(align), shown);
    }
    painter->restore();
}

QSize SVNetworkCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    if (const auto* model = qobject_cast<const SVNetworksTableModel*>(index.model()))
        opt.font.setPointSizeF(model->fontSize());
    QSize size = QStyledItemDelegate::sizeHint(opt, index);
    size.setWidth(size.width() + int(2 * kTextPadding));
    const SVNetworkColumn& column = networkColumns()[size_t(index.column())];
    if (column.cell == SVColumnCell::LevelIndicator)
        size.setWidth(size.width() + 60);
    else if (column.cell == SVColumnCell::TextAndImage)
        size.setWidth(size.width() + padlockImage(SVPadlock::Normal).deviceIndependentSize().toSize().width() + 5);
    return size;
}

QWidget* SVNetworkCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor)
        ++m_editors;
    return editor;
}

void SVNetworkCellDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (editor && m_editors > 0)
        --m_editors;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void SVNetworkCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    static const char* const kFilled = "svEditorFilled";
    if (editor->property(kFilled).toBool())
        return;
    editor->setProperty(kFilled, true);
    QStyledItemDelegate::setEditorData(editor, index);
}

QRectF SVNetworkCellDelegate::textRect(const QRectF& frame, const QModelIndex& index) const
{
    // The SSID column keeps room for its padlock whether or not it shows one.
    QRectF rect = frame;
    if (index.column() >= 0 && index.column() < int(networkColumns().size())
        && networkColumns()[size_t(index.column())].cell == SVColumnCell::TextAndImage)
        rect = textAndImageGeometry(frame, padlockImage(SVPadlock::Normal).deviceIndependentSize()).text;
    return rect.adjusted(kTextPadding, 0, -kTextPadding, 0);
}

bool SVNetworkCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                      const QModelIndex& index)
{
    if (!event || !view || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    QFont font = option.font;
    const QVariant f = index.data(Qt::FontRole);
    if (f.canConvert<QFont>())
        font = f.value<QFont>();
    const double room = textRect(option.rect, index).width();
    if (!text.isEmpty() && QFontMetricsF(font).horizontalAdvance(text) > room) {
        QToolTip::showText(event->globalPos(), sv::plainToolTip(text), view->viewport(), option.rect);
        return true;
    }
    QToolTip::hideText();
    return true;
}
