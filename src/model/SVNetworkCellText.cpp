#include "model/SVNetworkCellText.h"

#include "model/SVNetworkColumns.h"
#include "model/SVSignalQuality.h"
#include "platform/NSDateFormattedStrings.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SVNetworkCellText", text);
}

} // namespace

QString networkCellText(const SVNetworkDelegate& row, const QString& identifier, const SVNetworkCellContext& context)
{
    const SVNetworkColumn* column = networkColumn(identifier);
    return column ? column->text(row, context) : QString();
}

QString levelText(qint64 dBm, int units)
{
    if (units != 0)
        return QString::number(dBm);
    return QStringLiteral("%1%").arg(sv::signalQualityPercent(dBm));
}

QString seenText(std::optional<double> elapsedSeconds, bool inLatestScan, bool scanning, const QDateTime& lastSeen)
{
    if (!scanning) {
        if (!lastSeen.isValid())
            return QString();
        const QLocale locale;
        const QDateTime local = lastSeen.toLocalTime();
        return locale.toString(local.date(), QStringLiteral("MMM d, yyyy")) + QStringLiteral(", ")
               + locale.toString(local.time(), QStringLiteral("h:mm:ss AP"));
    }
    if (!elapsedSeconds)
        return QString();
    const qint64 e = qint64(std::floor(*elapsedSeconds + 0.5));
    if (e <= 0 && inLatestScan)
        return tr("Just now");
    const qint64 t = std::max<qint64>(e / 5 * 5, 2);
    if (t <= 58)
        return tr("%1 sec ago").arg(t);
    if (t <= 3598)
        return tr("%1 min ago").arg(t / 60);
    return tr("%1 hours ago").arg(t / 3600);
}

QString seenDateText(const QDateTime& date)
{
    return sv::timeStringWithFormat(date, QStringLiteral("yyyy/MM/dd hh:mm:ss a"));
}
