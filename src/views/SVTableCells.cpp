#include "views/SVTableCells.h"

#include <algorithm>
#include <cmath>

SVLevelBarGeometry levelBarGeometry(const QRectF& f, const SVLevelBar& bar)
{
    SVLevelBarGeometry g;
    if (bar.barLevel < 0)
        return g;
    g.drawn = true;
    const double available = f.width() - double(bar.barIndent + 5);
    const double filled = std::trunc(double(bar.barLevel) * available / 100.0 + 0.5);
    const double height = f.height() - 7;
    g.bar = QRectF(f.x() + double(bar.barIndent), f.y() + 3, filled, height);
    g.outline = QRectF(g.bar.x() - 0.25, g.bar.y() - 0.25, available + 0.5, height + 0.5);
    if (bar.barLevelMax > bar.barLevel) {
        const double maxWidth = std::trunc(double(bar.barLevelMax) * available / 100.0 + 0.5);
        g.lighter = QRectF(g.bar.x() + filled, g.bar.y(), maxWidth - filled, height);
    }
    return g;
}

QColor levelBarColor(const SVLevelBar& bar, bool highlighted, bool active)
{
    auto withAlpha = [](QColor c, double alpha) {
        c.setAlphaF(float(alpha));
        return c;
    };
    if (bar.isGrayedOut) {
        if (highlighted)
            return withAlpha(active ? QColor(Qt::white) : QColor(Qt::darkGray), 0.3);
        return withAlpha(QColor(Qt::lightGray), 0.5);
    }
    if (highlighted)
        return active ? withAlpha(QColor(Qt::cyan), 0.7) : withAlpha(QColor(Qt::darkGray), 0.5);
    return withAlpha(bar.barColor, bar.barAlpha == 0 ? 1.0 : bar.barAlpha);
}

double levelIndicatorCellWidth(double textWidth, double boundsWidth)
{
    return std::min(textWidth + 60, boundsWidth);
}

SVTextAndImageGeometry textAndImageGeometry(const QRectF& f, const QSizeF& image)
{
    SVTextAndImageGeometry g;
    if (image.isEmpty()) {
        g.text = f;
        return g;
    }
    const double split = std::max(0.0, f.width() - image.width() - 5);
    g.text = QRectF(f.x(), f.y(), split, f.height());
    g.imageArea = QRectF(f.x() + split, f.y(), f.width() - split, f.height());
    g.imageOrigin = QPointF(g.imageArea.x() + 2, g.imageArea.y() + (f.height() - image.height()) / 2);
    return g;
}

double textAndImageCellWidth(double textWidth, const QSizeF& image, double boundsWidth)
{
    return std::min(textWidth + (image.isEmpty() ? 0.0 : image.width() + 5), boundsWidth);
}

bool isGroupCell(bool hasImage, const QString& title)
{
    return !hasImage && !title.isEmpty();
}

QRectF imageAndTextTitleRect(const QRectF& b, const QSizeF& image)
{
    const double split = std::min(b.width(), (image.isEmpty() ? 0.0 : image.width()) + 3);
    const QRectF rest(b.x() + split, b.y(), b.width() - split, b.height());
    return QRectF(rest.x() + 5, rest.y() + 2, rest.width(), rest.height() - 4);
}

SVImageAndTextGeometry imageAndTextGeometry(const QRectF& frame, double leftMargin, double rightMargin,
                                            const QSizeF& image, bool groupCell, double titleHeight)
{
    SVImageAndTextGeometry g;
    QRectF f = frame;
    if (leftMargin + rightMargin > f.width())
        f.setWidth(0);
    else
        f = QRectF(f.x() + leftMargin, f.y(), f.width() - leftMargin - rightMargin, f.height());

    if (!image.isEmpty()) {
        const double split = std::min(image.width(), f.width());
        g.imageArea = QRectF(f.x(), f.y(), split, f.height());
        g.imageOrigin = QPointF(g.imageArea.x() + 3, g.imageArea.y() + (frame.height() - image.height()) / 2);
        f = QRectF(f.x() + split, f.y(), f.width() - split, f.height());
    } else if (groupCell) {
        const double offset = std::floor((f.height() - titleHeight) / 2);
        f = QRectF(f.x(), f.y() + offset, f.width(), f.height() - 2 * offset);
    }
    g.title = QRectF(f.x() + 5, f.y(), f.width(), f.height());
    return g;
}

double imageAndTextCellWidth(double textWidth, const QSizeF& image)
{
    return textWidth + (image.isEmpty() ? 0.0 : image.width()) + 3;
}
