#include "preferences/MKColorWell.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace MKColorSwatches {

const QList<QColor>& colors()
{
    static const QList<QColor> list = [] {
        QList<QColor> out;
        out.reserve(Rows * Columns);
        float hue = 0.0f;
        for (int row = 0; row < Rows; ++row) {
            for (float s : {0.2f, 0.4f, 0.6f, 0.8f, 1.0f})
                out << QColor::fromHsvF(hue, s, 1.0f);
            for (float b : {0.8f, 0.6f, 0.4f})
                out << QColor::fromHsvF(hue, 1.0f, b);
            hue += 1.0f / 12.0f;
        }
        return out;
    }();
    return list;
}

QSize matrixSize(int rows, int columns, int swatchSize, int spacing)
{
    return {(columns - 1) * spacing + columns * swatchSize, (rows - 1) * spacing + rows * swatchSize};
}

int indexAt(QPointF point, int rows, int columns, int swatchSize, int spacing)
{
    if (point.x() < 0 || point.y() < 0 || rows <= 0 || columns <= 0 || swatchSize <= 0)
        return -1;
    const double pitch = swatchSize + spacing;
    const int column = int(point.x() / pitch);
    const int row = int(point.y() / pitch);
    if (column >= columns || row >= rows)
        return -1;
    if (point.x() - column * pitch >= swatchSize || point.y() - row * pitch >= swatchSize)
        return -1; // a gap
    return row * columns + column;
}

QPoint popoverPosition(const QRect& well, QSize popover, const QRect& area)
{
    // Clamps one axis so that [p, p + size) stays within [low, low + room).
    auto clampTo = [](int p, int size, int low, int room) { return std::max(low, std::min(p, low + room - size)); };
    const int x = clampTo(well.x() + well.width() / 2 - popover.width() / 2, popover.width(), area.x(), area.width());
    int y = well.y() + well.height();
    if (y + popover.height() > area.y() + area.height() && well.y() - popover.height() >= area.y())
        y = well.y() - popover.height();
    return {x, clampTo(y, popover.height(), area.y(), area.height())};
}

} // namespace MKColorSwatches

namespace {

const QColor kDarkGrey = QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3);

// A clear colour shows as white crossed by a red line.
void fillSwatch(QPainter& p, const QRectF& rect, const QColor& color, QPointF from, QPointF to)
{
    if (color.alpha() == 0) {
        p.fillRect(rect, Qt::white);
        p.save();
        p.setClipRect(rect);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::red, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(from, to);
        p.restore();
    } else {
        p.fillRect(rect, color);
    }
}

} // namespace

// ---- matrix ----

MKColorSwatchMatrix::MKColorSwatchMatrix(QWidget* parent, int rows, int columns, QList<QColor> colors,
                                         MKColorWell* targetColorWell)
    : QWidget(parent), m_colors(std::move(colors)), m_rowCount(rows), m_colCount(columns),
      m_targetColorWell(targetColorWell)
{
    setFixedSize(MKColorSwatches::matrixSize(rows, columns));
    setFocusPolicy(Qt::StrongFocus);
}

void MKColorSwatchMatrix::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_colors.size() || index == m_current)
        return;
    m_current = index;
    update();
}

QColor MKColorSwatchMatrix::colorAt(int row, int column) const
{
    const qsizetype index = qsizetype(row) * m_colCount + column;
    if (row < 0 || column < 0 || column >= m_colCount || index >= m_colors.size())
        return {};
    return m_colors[index];
}

void MKColorSwatchMatrix::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kDarkGrey);
    const int pitch = MKColorSwatches::SwatchSize + MKColorSwatches::Spacing;
    for (int r = 0; r < m_rowCount; ++r) {
        for (int c = 0; c < m_colCount; ++c) {
            const QColor color = colorAt(r, c);
            if (!color.isValid())
                continue;
            const QRectF cell(c * pitch, r * pitch, MKColorSwatches::SwatchSize, MKColorSwatches::SwatchSize);
            fillSwatch(p, cell, color, cell.topRight(), cell.bottomLeft());
        }
    }
    if (hasFocus() && m_colCount > 0 && m_current < m_colors.size()) {
        // The keys' swatch: a white ring in the gaps around it, a black one
        // just inside, seen on every colour.
        const int r = m_current / m_colCount, c = m_current % m_colCount;
        const QRectF cell(c * pitch, r * pitch, MKColorSwatches::SwatchSize, MKColorSwatches::SwatchSize);
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(cell.adjusted(-0.5, -0.5, 0.5, 0.5));
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(cell.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void MKColorSwatchMatrix::mousePressEvent(QMouseEvent* event)
{
    const int index = MKColorSwatches::indexAt(event->position(), m_rowCount, m_colCount);
    if (index < 0 || index >= m_colors.size() || !m_targetColorWell)
        return;
    m_targetColorWell->setColorAndClose(m_colors[index]);
}

void MKColorSwatchMatrix::keyPressEvent(QKeyEvent* event)
{
    const int row = m_colCount > 0 ? m_current / m_colCount : 0;
    const int column = m_colCount > 0 ? m_current % m_colCount : 0;
    switch (event->key()) {
    case Qt::Key_Left:
        if (column > 0)
            setCurrentIndex(m_current - 1);
        break;
    case Qt::Key_Right:
        if (column + 1 < m_colCount)
            setCurrentIndex(m_current + 1);
        break;
    case Qt::Key_Up:
        if (row > 0)
            setCurrentIndex(m_current - m_colCount);
        break;
    case Qt::Key_Down:
        if (row + 1 < m_rowCount)
            setCurrentIndex(m_current + m_colCount);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_targetColorWell && m_current < m_colors.size())
            m_targetColorWell->setColorAndClose(m_colors[m_current]);
        break;
    case Qt::Key_Escape:
        if (m_targetColorWell)
            m_targetColorWell->closePopover();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

// ---- picker ----

MKColorPickerView::MKColorPickerView(QList<QColor> colors, int rows, int columns, QSize swatchSize,
                                     MKColorWell* targetColorWell, QWidget* parent)
    : QWidget(parent)
{
    const QSize grid = MKColorSwatches::matrixSize(rows, columns, swatchSize.width());
    setFixedSize(grid + QSize(2, 2));
    m_matrix = new MKColorSwatchMatrix(this, rows, columns, std::move(colors), targetColorWell);
    m_matrix->move(1, 1);
}

void MKColorPickerView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), kDarkGrey);
}

// ---- well ----

MKColorWell::MKColorWell(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setupPopover();
}

MKColorWell::~MKColorWell()
{
    delete m_popover;
}

void MKColorWell::setupPopover()
{
    // A popup window: the desktop closes it when the user clicks elsewhere.
    m_popover = new QFrame(nullptr, Qt::Popup | Qt::FramelessWindowHint);
    m_popover->setObjectName(QStringLiteral("colorPopover"));
    m_popover->setFrameShape(QFrame::NoFrame);
    // A click on the well closes the popover and goes no further.
    m_popover->setAttribute(Qt::WA_NoMouseReplay);
    auto* layout = new QVBoxLayout(m_popover);
    layout->setContentsMargins(0, 0, 0, 0);
    const QList<QColor>& list = colorsForPopover();
    m_popoverView = new MKColorPickerView(list, MKColorSwatches::Rows, int(list.size() / MKColorSwatches::Rows),
                                          QSize(MKColorSwatches::SwatchSize, MKColorSwatches::SwatchSize), this);
    layout->addWidget(m_popoverView);
    m_popover->adjustSize();
}

void MKColorWell::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

bool MKColorWell::isPopoverShown() const
{
    return m_popover && m_popover->isVisible();
}

void MKColorWell::closePopover()
{
    if (m_popover)
        m_popover->hide();
}

void MKColorWell::setColorAndClose(const QColor& color)
{
    setColor(color);
    emit action(this);
    closePopover();
}

void MKColorWell::showPopover()
{
    const QRect well(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* screen = this->screen();
    m_popover->move(screen ? MKColorSwatches::popoverPosition(well, m_popover->size(), screen->availableGeometry())
                           : well.bottomLeft() + QPoint(0, 1));
    // The keys start on the well's own colour when the grid has it.
    MKColorSwatchMatrix* matrix = m_popoverView->matrix();
    matrix->setCurrentIndex(std::max(0, int(matrix->colors().indexOf(m_color))));
    m_popover->show();
    matrix->setFocus(Qt::PopupFocusReason);
}

void MKColorWell::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    if (isPopoverShown())
        closePopover();
    else
        showPopover();
}

void MKColorWell::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        if (isEnabled() && !isPopoverShown())
            showPopover();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void MKColorWell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF b = rect();
    const QRectF outer = b.adjusted(1, 1, -1, -1);
    const QRectF inner = outer.adjusted(2, 2, -2, -2);
    if (!isEnabled()) {
        p.fillRect(inner, QColor::fromRgbF(0.9, 0.9, 0.9));
    } else {
        fillSwatch(p, inner, m_color, outer.topLeft(), outer.bottomRight());
    }
    p.setPen(QPen(isEnabled() ? QColor(Qt::gray) : QColor::fromRgbF(0.75, 0.75, 0.75), 1));
    p.drawRect(outer.adjusted(0.5, 0.5, -0.5, -0.5));
    if (hasFocus()) {
        // The keys are here: the border in the selection colour.
        p.setPen(QPen(palette().color(QPalette::Highlight), 1));
        p.drawRect(b.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}
