#include "app/SVRowCopy.h"

#include "model/SVNetworkDelegate.h"
#include "platform/RtfWriter.h"

#include <QStringList>

namespace {

bool isLevelColumn(const QString& id)
{
    return id == u"RSSI" || id == u"RSSI_AVG" || id == u"RSSI_MIN" || id == u"RSSI_MAX" || id == u"NOISE"
        || id == u"NOISE_AVG" || id == u"NOISE_MIN" || id == u"NOISE_MAX";
}

} // namespace

QString copiedRowsText(const QVector<std::shared_ptr<SVNetworkDelegate>>& rows,
                       const QVector<SVCopiedColumn>& columns, const SVNetworkCellContext& context)
{
    QStringList blocks;
    for (const auto& row : rows) {
        if (!row)
            continue;
        QStringList lines;
        for (const auto& [id, title] : columns) {
            QString value;
            if (id == u"FIRST_SEEN")
                value = seenDateText(row->firstSeenValue());
            else if (id == u"LAST_SEEN" || id == u"SEEN")
                value = seenDateText(row->lastSeenValue());
            else
                value = networkCellText(*row, id, context);
            if (value.isEmpty())
                continue;
            if (context.units != 0 && isLevelColumn(id))
                value = QStringLiteral("%1 dBm").arg(value);
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
