#include "views/SVImageAndTextDelegate.h"

#include "views/SVTableCells.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace {

QPixmap imageOf(const QModelIndex& index)
{
    const QVariant v = index.data(Qt::DecorationRole);
    if (v.canConvert<QPixmap>() && v.typeId() == QMetaType::QPixmap)
        return v.value<QPixmap>();
    if (v.typeId() == QMetaType::QIcon) {
        const QIcon icon = v.value<QIcon>();
        return icon.pixmap(16, 16);
    }
    if (v.typeId() == QMetaType::QImage)
        return QPixmap::fromImage(v.value<QImage>());
    return QPixmap();
}

} // namespace

SVImageAndTextDelegate::SVImageAndTextDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

double SVImageAndTextDelegate::leftMarginFor(const QModelIndex& index) const
{
    const QVariant v = m_leftMarginRole >= 0 ? index.data(m_leftMarginRole) : QVariant();
    return v.isValid() ? v.toDouble() : m_leftMargin;
}

double SVImageAndTextDelegate::rightMarginFor(const QModelIndex& index) const
{
    const QVariant v = m_rightMarginRole >= 0 ? index.data(m_rightMarginRole) : QVariant();
    return v.isValid() ? v.toDouble() : m_rightMargin;
}

void SVImageAndTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    const QPixmap image = imageOf(index);
    const QString title = index.data(Qt::DisplayRole).toString();
    const QFont font = option.font;
    const bool group = isGroupCell(!image.isNull(), title);
    const SVImageAndTextGeometry g =
        imageAndTextGeometry(option.rect, leftMarginFor(index), rightMarginFor(index), image.deviceIndependentSize(),
                             group, QFontMetricsF(font).height());

    painter->save();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, widget);
    if (!image.isNull())
        painter->drawPixmap(g.imageOrigin, image);
    if (!title.isEmpty() && g.title.width() > 0) {
        painter->setFont(font);
        const bool selected = option.state & QStyle::State_Selected;
        const QVariant fg = index.data(Qt::ForegroundRole);
        QColor colour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        if (!selected && fg.canConvert<QColor>() && fg.value<QColor>().isValid())
            colour = fg.value<QColor>();
        painter->setPen(colour);
        // The title never runs into the right margin.
        QRectF area = g.title;
        area.setRight(std::min(area.right(), option.rect.right() - rightMarginFor(index)));
        const QString shown = QFontMetricsF(font).elidedText(title, Qt::ElideRight, area.width());
        const QVariant alignment = index.data(Qt::TextAlignmentRole);
        const int align = alignment.isValid() ? alignment.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
        painter->drawText(area, align, shown);
    }
    painter->restore();
}

QSize SVImageAndTextDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFontMetricsF metrics(option.font);
    const QPixmap image = imageOf(index);
    const double width = imageAndTextCellWidth(metrics.horizontalAdvance(index.data().toString()) + 5,
                                               image.deviceIndependentSize());
    const double height = std::max(metrics.height(), image.deviceIndependentSize().height()) + 4;
    return QSize(int(std::ceil(width + leftMarginFor(index) + rightMarginFor(index))), int(std::ceil(height)));
}

void SVImageAndTextDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                  const QModelIndex& index) const
{
    editor->setGeometry(imageAndTextTitleRect(option.rect, imageOf(index).deviceIndependentSize()).toRect());
}
