#pragma once

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>

// Geometry and colours of the three table cells, as plain functions: the
// delegates only map and draw what these compute.

// ---- level bar (signal, noise, SNR and channel-utilisation columns) ----

struct SVLevelBar {
    qint64 barLevel = -1;    // percent 0..100 filled; negative draws no bar
    qint64 barLevelMax = -1; // lighter part from barLevel up to this level
    QColor barColor;
    double barAlpha = 0;     // 0 is taken as 1
    qint64 barIndent = 0;    // points from the cell's left edge
    bool isGrayedOut = false;
};

struct SVLevelBarGeometry {
    bool drawn = false;
    QRectF bar;     // the filled part
    QRectF lighter; // empty when barLevelMax is not above barLevel
    QRectF outline; // stroked 0.5 wide around the whole available width
};

SVLevelBarGeometry levelBarGeometry(const QRectF& frame, const SVLevelBar& bar);

// The bar's colour in the row's state; "active" means the table has the
// focus in the active window.
QColor levelBarColor(const SVLevelBar& bar, bool highlighted, bool active);

// Width the cell asks for: the text's width plus 60, within the bounds.
double levelIndicatorCellWidth(double textWidth, double boundsWidth);

// ---- text and image (the SSID column: text, image at the right end) ----

struct SVTextAndImageGeometry {
    QRectF text;       // where the text is drawn
    QRectF imageArea;  // background only
    QPointF imageOrigin;
};

// Without an image (empty size) the text has the whole frame.
SVTextAndImageGeometry textAndImageGeometry(const QRectF& frame, const QSizeF& image);
double textAndImageCellWidth(double textWidth, const QSizeF& image, double boundsWidth);

// ---- image and text (the sidebar: optional image left of the title) ----

// A title without an image is a group heading.
bool isGroupCell(bool hasImage, const QString& title);

// The title's area for editing and hit tests.
QRectF imageAndTextTitleRect(const QRectF& bounds, const QSizeF& image);

struct SVImageAndTextGeometry {
    QRectF imageArea;     // empty without an image
    QPointF imageOrigin;
    QRectF title;
};

// The drawing layout for a frame, the margins, the image (empty size for
// none), whether the cell is a group cell and the title's height.
SVImageAndTextGeometry imageAndTextGeometry(const QRectF& frame, double leftMargin, double rightMargin,
                                            const QSizeF& image, bool groupCell, double titleHeight);
double imageAndTextCellWidth(double textWidth, const QSizeF& image);
