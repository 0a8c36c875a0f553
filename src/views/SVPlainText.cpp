#include "views/SVPlainText.h"

#include <QLabel>
#include <QTextDocument>

namespace sv {

QLabel* newPlainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QString plainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
}

QString plainMnemonicText(const QString& text)
{
    QString out = text;
    return out.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString plainWindowTitle(const QString& text)
{
    QString out = text;
    return out.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

} // namespace sv
