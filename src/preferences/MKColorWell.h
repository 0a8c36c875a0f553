#pragma once

#include <QColor>
#include <QFrame>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QWidget>

// The swatch grid: 12 rows of one hue each, 8 shades a row.
namespace MKColorSwatches {
inline constexpr int Rows = 12;
inline constexpr int Columns = 8;
inline constexpr int SwatchSize = 15;
inline constexpr int Spacing = 1;

// The 96 colours, row by row: saturation 0.2 to 1.0 at full brightness,
// then brightness 0.8, 0.6, 0.4 at full saturation.
const QList<QColor>& colors();
// The grid's size: (n - 1) gaps plus n swatches each way.
QSize matrixSize(int rows, int columns, int swatchSize = SwatchSize, int spacing = Spacing);
// The swatch under a point in the grid's coordinates: its index row by row,
// or -1 outside the grid and in the gaps between swatches.
int indexAt(QPointF point, int rows, int columns, int swatchSize = SwatchSize, int spacing = Spacing);
// Where a popover of that size opens for a well at `well` (both in screen
// coordinates) on a screen whose usable area is `area`: centred below the
// well, above it when there is no room below, and always on the screen.
QPoint popoverPosition(const QRect& well, QSize popover, const QRect& area);
} // namespace MKColorSwatches

class MKColorWell;

// One swatch grid; a click on a swatch hands its colour to the well.
class MKColorSwatchMatrix : public QWidget {
    Q_OBJECT
public:
    MKColorSwatchMatrix(QWidget* parent, int rows, int columns, QList<QColor> colors, MKColorWell* targetColorWell);

    const QList<QColor>& colors() const { return m_colors; }
    int colCount() const { return m_colCount; }
    // The colour of the swatch at (row, column); invalid when the list is short.
    QColor colorAt(int row, int column) const;
    // The swatch the keys are on (its index row by row); the arrows move it,
    // Return, Enter and Space pick it, Escape closes the popover.
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<QColor> m_colors;
    int m_current = 0;
    int m_rowCount;
    int m_colCount;
    MKColorWell* m_targetColorWell;
};

// The popover's content: the grid inside a 1-point dark-grey margin.
class MKColorPickerView : public QWidget {
    Q_OBJECT
public:
    MKColorPickerView(QList<QColor> colors, int rows, int columns, QSize swatchSize, MKColorWell* targetColorWell,
                      QWidget* parent = nullptr);
    MKColorSwatchMatrix* matrix() const { return m_matrix; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MKColorSwatchMatrix* m_matrix;
};

// The network colour well: a click opens a popover of swatches below it
// instead of a colour dialog; picking one sets the colour, emits `action`
// once and closes the popover.
class MKColorWell : public QWidget {
    Q_OBJECT
public:
    explicit MKColorWell(QWidget* parent = nullptr);
    ~MKColorWell() override;

    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    QList<QColor> colorsForPopover() const { return MKColorSwatches::colors(); }

    // Sent by the matrix.
    void setColorAndClose(const QColor& color);

    bool animatePopover() const { return m_animatePopover; }
    void setAnimatePopover(bool animate) { m_animatePopover = animate; }

    QWidget* popover() const { return m_popover; }
    MKColorPickerView* popoverView() const { return m_popoverView; }
    bool isPopoverShown() const;
    void closePopover();

    QSize sizeHint() const override { return {44, 23}; }

signals:
    // The user picked a colour.
    void action(MKColorWell* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Space, Return, Enter and Down open the popover, as a click does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setupPopover();
    void showPopover();

    QColor m_color = Qt::white;
    QFrame* m_popover = nullptr;
    MKColorPickerView* m_popoverView = nullptr;
    bool m_animatePopover = false;
};
