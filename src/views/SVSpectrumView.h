#pragma once

#include "views/SVSignalStrengthView.h"

// The channel graph: a pane per band whose axis is a row of channel slots;
// every record is a shape over its channel width up to its latest level.
// Reads "HideDFSChannels", "HideChannelGraphs" and "ShowNetworkLabel" at
// every drawing pass.
class SVSpectrumView : public SVSignalStrengthView {
    Q_OBJECT
public:
    explicit SVSpectrumView(QWidget* parent = nullptr);

    QRectF rectForChart(const QRectF& R) const override;

    // What the last pass decided.
    bool skipDFS() const { return m_skipDFS; }
    bool has2Dot4GHzNetworks() const { return m_has2Dot4GHzNetworks; }
    bool has5GHzNetworks() const { return m_has5GHzNetworks; }
    sv::graph::SpectrumPanes lastPanes() const { return m_panes; }

protected:
    void drawCached(QPainter& p, const QRectF& R) override;
    void drawOverlay(QPainter&, const QRectF&) override {}
    void pointerMoved(QPointF) override {}

private:
    // A pane's channel axis, band line and names; then its records.
    void drawPaneAxis(QPainter& p, const std::vector<int>& table, const QRectF& P);
    void drawPaneNetworks(QPainter& p, const std::vector<int>& table, const QRectF& P);
    // A record's shape in pane P, worked out apart from the drawing (on any
    // thread); none when the record is not drawn there.
    struct PlacedShape {
        sv::graph::ShapeExtent extent;
        double level = 0;
        sv::graph::Shape shape;
        QList<QPolygonF> outline; // the outline's parts as polygons
    };
    std::optional<PlacedShape> placeShape(const QRectF& P, const SVNetwork& n, const std::vector<int>& table,
                                          const sv::graph::Scale& sc) const;
    // The fonts of one paint's labels, made once per paint, and the scale
    // (of the window's height) they and the labels' spacing follow.
    struct LabelFonts {
        double scale = 1;
        QFont name[2], device[2], note, caption; // [plain, bold]
    };
    // Plain shapes go into shapes; anything else flushes it first.
    void drawNetwork(QPainter& p, const QRectF& P, const SVNetwork& n, const PlacedShape& placed,
                     const LabelFonts& fonts, sv::raster::LineBatch& shapes);

    bool m_skipDFS = false;
    bool m_hideChannelGraphs = false;
    bool m_showNetworkLabel = false;
    bool m_has2Dot4GHzNetworks = false;
    bool m_has5GHzNetworks = false;
    sv::graph::SpectrumPanes m_panes;
};
