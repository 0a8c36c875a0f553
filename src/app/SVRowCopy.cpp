#include "app/SVRowCopy.h"

#include "model/SVNetworkColumns.h"
#include "model/SVNetworkDelegate.h"
#include "platform/RtfWriter.h"

#include <QStringList>

QString copiedRowsText(const QVector<std::shared_ptr<SVNetworkDelegate>>& rows,
                       const QVector<SVCopiedColumn>& columns, const SVNetworkCellContext& context)
{
    QStringList blocks;
    for (const auto& row : rows) {
        if (!row)
            continue;
        QStringList lines;
        for (const auto& [id, title] : columns) {
            const SVNetworkColumn* column = networkColumn(id);
            const QString value = column ? column->copy(*row, context) : QString();
            if (value.isEmpty())
                continue;
            lines << QStringLiteral("%1: %2").arg(title, value);
        }
        blocks << lines.join(QLatin1Char('\n'));
    }
    return blocks.join(QStringLiteral("\n\n"));
}

std::unique_ptr<QMimeData> copiedRowsMimeData(const QString& text)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("text/rtf"), sv::rtfData(text, QStringLiteral("Courier"), 12));
    data->setText(text);
    return data;
}
