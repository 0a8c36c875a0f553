#include "app/SVToolbar.h"

#include "views/SVPlainText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

namespace {

const char* kTag = "tag";

QWidget* spacer(bool flexible)
{
    auto* w = new QWidget;
    if (flexible)
        w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    else
        w->setFixedWidth(8);
    return w;
}

QToolButton* imageButton(QToolBar* bar, QStyle::StandardPixmap icon, const QString& label, const QString& tip,
                         int tag)
{
    auto* b = new QToolButton(bar);
    b->setIcon(bar->style()->standardIcon(icon));
    b->setText(label);
    b->setToolTip(tip);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setFixedSize(38, 27);
    b->setProperty(kTag, tag);
    return b;
}

} // namespace

QStringList toolbarAllowedItemIdentifiers()
{
    using namespace SVToolbarItem;
    return {Scan, Stop, ActivityIndicator, Info, QuickFilter, Filter, FlexibleSpace, Space};
}

QStringList toolbarDefaultItemIdentifiers(bool windowHidesTitle)
{
    using namespace SVToolbarItem;
    if (windowHidesTitle)
        return {Scan, Stop, ActivityIndicator, Space, Info, FlexibleSpace, QuickFilter, Filter};
    return {Scan, Stop, ActivityIndicator, FlexibleSpace, QuickFilter, Filter};
}

SVActivityIndicator::SVActivityIndicator(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this))
{
    setFixedSize(16, 16);
    m_timer->setInterval(80);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void SVActivityIndicator::startAnimation()
{
    m_timer->start();
    update();
}

void SVActivityIndicator::stopAnimation()
{
    m_timer->stop();
    update();
}

bool SVActivityIndicator::isAnimating() const
{
    return m_timer->isActive();
}

// Keeps its place in the toolbar but draws nothing while stopped.
void SVActivityIndicator::paintEvent(QPaintEvent*)
{
    if (!isAnimating())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const QColor base = palette().color(QPalette::WindowText);
    for (int i = 0; i < 12; ++i) {
        QColor c = base;
        c.setAlphaF(float(0.15 + 0.85 * ((i - m_step + 12) % 12) / 11.0));
        p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -3.5), QPointF(0, -7));
        p.rotate(30);
    }
}

void SVMainToolbar::validateScanStopItems(bool scanning, bool canScan)
{
    if (stopButton)
        stopButton->setEnabled(scanning);
    if (scanButton)
        scanButton->setEnabled(canScan && !scanning);
}

void SVMainToolbar::setInfoText(const QString& text, const QString& toolTip)
{
    if (!infoButton)
        return;
    const int room = std::max(0, infoButton->width() - 16);
    infoButton->setText(sv::plainMnemonicText(infoButton->fontMetrics().elidedText(text, Qt::ElideMiddle, room)));
    infoButton->setToolTip(sv::plainToolTip(toolTip));
}

SVMainToolbar buildMainToolbar(QMainWindow& window, bool windowHidesTitle)
{
    SVMainToolbar t;
    t.toolbar = new QToolBar(QToolBar::tr("Toolbar"), &window);
    t.toolbar->setObjectName(QStringLiteral("Toolbar"));
    t.toolbar->setMovable(false);
    t.toolbar->setFloatable(false);
    t.toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    t.toolbar->toggleViewAction()->setEnabled(false); // no customisation

    QFont small = t.toolbar->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);

    for (const QString& id : toolbarDefaultItemIdentifiers(windowHidesTitle)) {
        using namespace SVToolbarItem;
        QWidget* item = nullptr;
        if (id == Scan) {
            item = t.scanButton = imageButton(t.toolbar, QStyle::SP_MediaPlay, QToolBar::tr("Scan"),
                                              QToolBar::tr("Start a scan"), SVToolbarTag::Scan);
        } else if (id == Stop) {
            item = t.stopButton = imageButton(t.toolbar, QStyle::SP_MediaStop, QToolBar::tr("Stop"),
                                              QToolBar::tr("Stop a scan"), SVToolbarTag::Stop);
        } else if (id == ActivityIndicator) {
            item = t.activityIndicator = new SVActivityIndicator;
        } else if (id == Info) {
            t.infoButton = new QPushButton;
            t.infoButton->setProperty(kTag, SVToolbarTag::Info);
            t.infoButton->setFont(small);
            // It elides its text, so it can give up room in a narrow window.
            t.infoButton->setMinimumSize(160, 25);
            t.infoButton->setMaximumSize(10000, 27);
            t.infoButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            t.infoButton->setFocusPolicy(Qt::NoFocus);
            item = t.infoButton;
        } else if (id == QuickFilter) {
            t.quickFilter = new QComboBox;
            t.quickFilter->setProperty(kTag, SVToolbarTag::QuickFilter);
            t.quickFilter->setFont(small);
            t.quickFilter->setFixedSize(180, 27);
            t.quickFilter->setToolTip(QToolBar::tr("Quick Filter"));
            item = t.quickFilter;
        } else if (id == Filter) {
            t.filterField = new QLineEdit;
            t.filterField->setProperty(kTag, SVToolbarTag::FilterField);
            t.filterField->setFont(small);
            t.filterField->setFixedSize(200, 25);
            t.filterField->setPlaceholderText(QToolBar::tr("Filter"));
            t.filterField->setClearButtonEnabled(true);
            item = t.filterField;
        } else {
            item = spacer(id == FlexibleSpace);
        }
        t.toolbar->addWidget(item);
    }
    t.validateScanStopItems(false);
    window.addToolBar(Qt::TopToolBarArea, t.toolbar);
    return t;
}
