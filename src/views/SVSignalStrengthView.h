#pragma once

#include "model/SVNetwork.h"
#include "platform/NotificationCenter.h"
#include "views/SVGraphGeometry.h"
#include "raster/LineBatch.h"

#include <QDateTime>
#include <QHash>
#include <QStaticText>
#include <QImage>
#include <QList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QMimeData;

// The graph of the listed networks' signal over time, and the base of the
// spectrum and the detail chart. It keeps only what the controller hands
// it; the setters store and never redraw (the controller asks for that).
//
// Drawing happens in the chart's own coordinates (y grows upwards). The
// chart, its lines and legend are kept as an image between data changes, so
// a pointer move repaints only the bubble and the title over it.
class SVSignalStrengthView : public QWidget {
    Q_OBJECT
public:
    // A text in a graph font, as the layout cache knows it.
    struct TextKey {
        QString text;
        QString family;
        int pixelSize = 0;
        bool bold = false;
        bool italic = false;
        bool operator==(const TextKey&) const = default;
    };

    using NetworkList = SVNetworkList;
    enum class Face { Plain, Bold, Italic };

    explicit SVSignalStrengthView(QWidget* parent = nullptr);
    ~SVSignalStrengthView() override;

    // Records in drawing order: the others from the weakest average up,
    // then the highlighted ones, strongest first, drawn last.
    void setNetworks(const NetworkList& networks);
    const NetworkList& networks() const { return m_networks; }
    QDateTime referenceTime() const { return m_referenceTime; }
    void setReferenceTime(const QDateTime& time);
    int units() const { return m_units; }
    void setUnits(int units);
    bool itemHighlightEnabled() const { return m_itemHighlightEnabled; }
    void setItemHighlightEnabled(bool enabled);
    qint64 timescale() const { return m_timescale; }
    void setTimescale(qint64 seconds);
    qint64 minTimescale() const { return m_minTimescale; }
    qint64 maxTimescale() const { return m_maxTimescale; }
    bool displayAnnotations() const { return m_displayAnnotations; }
    void setDisplayAnnotations(bool on);
    bool displayDeviceName() const { return m_displayDeviceName; }
    void setDisplayDeviceName(bool on);
    bool displayOnlyLastSeen() const { return m_displayOnlyLastSeen; }
    void setDisplayOnlyLastSeen(bool on);

    // A new span from a pinch or the View menu (+0.2 longer, -0.2 shorter),
    // kept within the bounds; redraws.
    virtual void magnifyWithMagnification(double m);

    // The sample under the pointer, and the record it belongs to.
    std::optional<SVDataPoint> hoverDataPoint() const { return m_moDataPoint; }
    std::shared_ptr<SVNetwork> hoverNetwork() const { return m_moNetwork.lock(); }
    bool isAltKeyDown() const { return m_moDataPointAlternate; }

    // The time "now" for the "Now" mark (tests set a fixed one).
    void setNowFunction(std::function<QDateTime()> now) { m_now = std::move(now); }

    // The whole view as an image.
    QImage imageWithSubviews();
    // The data of a drag of the graph: PNG, TIFF and, when the file could be
    // written, the URL of a PNG file "skyvane_<time>.png" in a private
    // temporary folder. *file gets that file's path (empty when none).
    QMimeData* makeDragData(const QImage& image, QString* file = nullptr) const;
    // True for the data of a graph drag: our own windows refuse to take it.
    static bool isGraphDrag(const QMimeData* data);
    // The folder drag files go into (made on first use, private to the user).
    static QString dragFolder();

    // The chart rectangle of view rectangle R (y-up).
    virtual QRectF rectForChart(const QRectF& R) const;

    // Layout and drawing helpers in y-up coordinates, shared by the subclasses.
    static QFont graphFont(Face face, double size);
    sv::graph::Scale scale() const;
    QSizeF sizeOfText(const QString& text, const QFont& font) const;
    double topMargin() const { return m_topMargin; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

    // The part kept as an image: background, charts, lines, legend.
    virtual void drawCached(QPainter& p, const QRectF& R);
    // Background, chart grid and level marks of this graph.
    void drawStaticParts(QPainter& p, const QRectF& R);
    // Covers p's image with what draw paints, drawn only when key, the size
    // or the window's scale changed since and copied in otherwise.
    void drawStatic(QPainter& p, const QRectF& R, const QString& key, const std::function<void(QPainter&)>& draw);
    // Drawn over the image on every paint: title and bubble.
    virtual void drawOverlay(QPainter& p, const QRectF& R);
    // Drawn over the cached image and kept with it for as long as
    // keptOverlayKey() stays the same (and nothing clears the cache): what
    // changes with the pointer only now and then. An empty key: none.
    virtual QString keptOverlayKey() const { return {}; }
    virtual void drawKeptOverlay(QPainter& p, const QRectF& R);
    // Picks the hover point at p (y-up view coordinates) among the values
    // hoverValue() names: the ones drawn.
    virtual void pointerMoved(QPointF p);
    virtual sv::graph::Value hoverValue() const { return sv::graph::Value::Signal; }
    virtual void pointerLeft();

    // Drops the cached image; the next paint draws everything.
    void invalidateCache() { m_cacheValid = false; }

    // y-up helpers.
    QPointF toScreen(QPointF p) const { return {p.x(), height() - p.y()}; }
    void beginYUp(QPainter& p) const;
    QPointF makePoint(const QRectF& G, const SVDataPoint& d, sv::graph::Value value) const;
    void drawChart(QPainter& p, const QRectF& G, int marks, sv::graph::Value value, int skip);
    void drawYAxisMarks(QPainter& p, const QRectF& G, int marks, sv::graph::Value value, int skip);
    void drawXAxisMarks(QPainter& p, const QRectF& G, double x0, double y0, double fontSize);
    void drawBubble(QPainter& p, const QRectF& G, const QString& text, const QString& mark, double x, double y,
                    const QColor& color);
    // Centred on at, kept inside bounds when given.
    void centerText(QPainter& p, QPointF at, const QString& text, const QFont& font, const QColor& color,
                    const QRectF& bounds = QRectF());
    // As centerText, but laid into batch as an image, blended in order with
    // its shapes. False when the painter's transform needs the painter.
    bool centerTextInto(sv::raster::LineBatch& batch, QPainter& p, QPointF at, const QString& text, const QFont& font,
                        const QColor& color);
    // As textAt, laid into batch as centerTextInto does.
    bool textAtInto(sv::raster::LineBatch& batch, QPainter& p, QPointF at, const QString& text, const QFont& font,
                    const QColor& color);
    // text cut with an ellipsis to fit width (whole when it fits).
    QString elided(const QString& text, const QFont& font, double width) const;
    // Left edge 5 points before at.x.
    void textAt(QPainter& p, QPointF at, const QString& text, const QFont& font, const QColor& color);
    // Strokes one record's line over chart G (and fills its area when fill is
    // valid). With hairlines, solid lines and areas under opaque lines go
    // there, blended later.
    void drawLine(QPainter& p, const QRectF& G, const SVNetwork& n, sv::graph::Value value, const QPen& pen,
                  const QColor& fill, sv::raster::LineBatch* hairlines = nullptr);
    void drawSegments(QPainter& p, const QRectF& G, const std::vector<sv::graph::LineSegment>& segments,
                      const QPen& pen, const QColor& fill, sv::raster::LineBatch* hairlines);
    // What a line over chart G needs to know of the view, and a record's
    // line from it (safe on any thread).
    sv::graph::LineInput lineInput(const QRectF& G, sv::graph::Value value) const;
    static std::vector<sv::graph::LineSegment> segmentsFor(const SVNetwork& n, const sv::graph::LineInput& in);

    static bool highlightedOrGroup(const SVNetwork& n);
    double referenceSeconds() const;

    NetworkList m_networks;
    QDateTime m_referenceTime;
    std::atomic<int> m_units{0};
    std::atomic<bool> m_itemHighlightEnabled{false};
    std::atomic<qint64> m_timescale{300};
    qint64 m_maxTimescale = 3600;
    qint64 m_minTimescale = 300;
    double m_topMargin = 20;
    bool m_drawLeftYLabels = true;
    bool m_drawRightYLabels = false;
    std::optional<SVDataPoint> m_moDataPoint;
    std::weak_ptr<SVNetwork> m_moNetwork;
    QColor m_moDataPointColor;
    bool m_moDataPointActivated = false;
    bool m_moDataPointAlternate = false;
    NetworkList m_highlightedNetworks;
    std::atomic<bool> m_displayAnnotations{false};
    std::atomic<bool> m_displayDeviceName{false};
    std::atomic<bool> m_displayOnlyLastSeen{false};
    mutable std::recursive_mutex m_lock;
    sv::raster::LineBatch::Storage m_hairlineStorage; // kept for its capacity

private:
    void startDrag(QPoint at);

    std::vector<sv::NotificationCenter::Observation> m_observations;
    std::function<QDateTime()> m_now;
    struct LaidOutText {
        QStaticText text;
        QSizeF size;
        double ascent = 0;
    };
    // Screen y of the top of a text drawn from the y-up origin y: the
    // glyphs stand on a baseline one ascent above the origin, as the
    // graphs' offsets are measured.
    double textTop(double y, const LaidOutText& laid) const { return height() - y - 2 * laid.ascent; }
    static TextKey textKey(const QString& text, const QFont& font);
    const LaidOutText& laidOut(const QString& text, const QFont& font) const;
    const LaidOutText& laidOut(const TextKey& key, const QFont& font) const;
    // Lays laid's image into batch where centerText would draw it with its
    // left edge at left, for the y-up height y it was given.
    bool textInto(sv::raster::LineBatch& batch, QPainter& p, double left, double y, const TextKey& key,
                  const LaidOutText& laid, const QFont& font, const QColor& color);
    mutable QHash<TextKey, LaidOutText> m_textCache;
    struct TextImageKey {
        TextKey text;
        QRgb color = 0;
        int dx = 0, dy = 0; // 64ths of a pixel past the image's grid
        bool operator==(const TextImageKey&) const = default;
    };
    friend size_t qHash(const TextImageKey& k, size_t seed);
    // Only the inked pixels, and where they sit from the image's cell.
    struct TextImage {
        QImage image;
        QPoint offset;
    };
    QHash<TextImageKey, TextImage> m_textImages;
    QImage m_cache;
    QImage m_kept; // m_cache with the kept overlay, for m_keptKey
    QString m_keptKey;
    QImage m_static; // what drawStaticParts drew, for m_staticKey
    QString m_staticKey;
    bool m_cacheValid = false;
    bool m_dragInProgress = false;
    QPoint m_pressPos;
    bool m_pressed = false;
};

size_t qHash(const SVSignalStrengthView::TextKey& k, size_t seed = 0);
