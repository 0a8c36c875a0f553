#include "views/SVElidingLabel.h"

#include "views/SVPlainText.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QTextDocumentFragment>
#include <QToolTip>

SVElidingLabel::SVElidingLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // Laid out by the room given, never by the text.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize SVElidingLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

QString SVElidingLabel::displayedText() const
{
    const bool rich = textFormat() == Qt::RichText || (textFormat() == Qt::AutoText && Qt::mightBeRichText(text()));
    return rich ? QTextDocumentFragment::fromHtml(text()).toPlainText() : text();
}

QString SVElidingLabel::shownText() const
{
    const QString whole = displayedText();
    return fontMetrics().elidedText(whole, Qt::ElideRight, contentsRect().width());
}

void SVElidingLabel::paintEvent(QPaintEvent* event)
{
    const QString whole = displayedText();
    const QString shown = shownText();
    if (shown == whole) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    const bool link = textFormat() != Qt::PlainText && text().contains(QLatin1String("<a "), Qt::CaseInsensitive);
    if (link) {
        QFont f = font();
        f.setUnderline(true);
        p.setFont(f);
        p.setPen(palette().color(QPalette::Link));
        p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine,
                   QFontMetrics(f).elidedText(whole, Qt::ElideRight, contentsRect().width()));
        return;
    }
    style()->drawItemText(&p, contentsRect(), int(alignment()) | Qt::TextSingleLine, palette(), isEnabled(), shown,
                          foregroundRole());
}

bool SVElidingLabel::event(QEvent* event)
{
    // A label with a tooltip of its own keeps it.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        if (isElided())
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), sv::plainToolTip(displayedText()), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}
