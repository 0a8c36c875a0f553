#include "views/SVNetworkCellDressing.h"

#include "model/SVNetwork.h"
#include "model/SVNetworkCollection.h"
#include "model/SVSignalQuality.h"
#include "model/SVNetworkColumns.h"
#include "views/SVThemeHelper.h"

#include <QGuiApplication>
#include <QPalette>

#include <cmath>

SVNetworkRowInfo networkRowInfo(const SVNetworkDelegate& row)
{
    SVNetworkRowInfo info;
    const auto* group = dynamic_cast<const SVNetworkCollection*>(&row);
    info.isGroup = group != nullptr;
    const std::shared_ptr<SVNetwork> best = row.bestNetwork();
    if (!best) {
        info.rssi = row.rssiValue();
        return info;
    }
    info.rssi = best->rssi();
    info.rssiLast = best->rssiLast();
    info.rssiMax = best->rssiMax();
    info.noiseLast = best->noiseLast();
    info.noiseMax = best->noiseMax();
    info.snrPerc = best->snrPerc();
    info.snrPercMax = best->snrPercMax();
    info.channelUtilization = best->channelUtilization();
    info.channelUtilizationMax = best->channelUtilizationMax();
    info.color = best->color();
    info.isHidden = best->isHidden();
    info.isOpen = best->isOpen();
    info.isAssociated = best->associated();
    if (group) {
        info.isAssociated = false;
        for (const auto& member : group->collection())
            info.isAssociated = info.isAssociated || (member && member->associated());
    }
    return info;
}

SVNetworkCellPalette networkCellPaletteFromTheme()
{
    using T = SVThemeHelper;
    SVNetworkCellPalette p;
    p.textColorForNetwork = T::textColorForNetwork();
    p.textColorForNetworkAssociated = T::textColorForNetworkAssociated();
    p.textColorForNetworkNotFound = T::textColorForNetworkNotFound();
    p.textColorForNetworkCollection = T::textColorForNetworkCollection();
    p.textColorForNetworkCollectionNotFound = T::textColorForNetworkCollectionNotFound();
    p.textColorForMultipleValuesPlaceholder = T::textColorForMultipleValuesPlaceholder();
    p.controlTextColor = QGuiApplication::palette().color(QPalette::Active, QPalette::Text);
    p.barColorForRSSI = T::barColorForRSSI();
    p.barColorForNoise = T::barColorForNoise();
    p.barColorForSNR = T::barColorForSNR();
    p.barColorForChUtilization = T::barColorForChUtilization();
    p.backgroundColorForFilteredCell = T::backgroundColorForFilteredCell();
    p.isDarkTheme = T::isDarkTheme();
    return p;
}

namespace {

QColor blackAt(double alpha)
{
    QColor c(Qt::black);
    c.setAlphaF(float(alpha));
    return c;
}

std::optional<SVLevelBar> levelBarFor(const QString& id, const SVNetworkRowInfo& r, const SVNetworkCellState& s,
                                      const SVNetworkCellPalette& p, bool missing)
{
    const double step = 2 * (s.fontSize - 9);
    SVLevelBar bar;
    if (id == QLatin1String("RSSI") || id == QLatin1String("NOISE")) {
        const bool rssi = id == QLatin1String("RSSI");
        bar.barLevel = sv::signalQualityPercent(rssi ? r.rssiLast : r.noiseLast);
        bar.barLevelMax = sv::signalQualityPercent(rssi ? r.rssiMax : r.noiseMax);
        bar.barColor = rssi ? p.barColorForRSSI : p.barColorForNoise;
        bar.barAlpha = rssi ? 0.7 : 0.5;
        bar.barIndent = qint64(std::trunc(step + (s.units != 0 ? 26 : 32)));
    } else if (id == QLatin1String("SNR")) {
        bar.barLevel = r.snrPerc;
        bar.barLevelMax = r.snrPercMax;
        bar.barColor = p.barColorForSNR;
        bar.barAlpha = 0.5;
        bar.barIndent = qint64(std::trunc(step + 40));
    } else if (id == QLatin1String("CHANNEL_UTILIZATION")) {
        bar.barLevel = r.channelUtilization < 0 ? -1 : r.channelUtilization;
        bar.barLevelMax = r.channelUtilizationMax < 0 ? -1 : r.channelUtilizationMax;
        bar.barColor = p.barColorForChUtilization;
        bar.barAlpha = 0.6;
        bar.barIndent = qint64(std::trunc(step + 28));
    } else {
        return std::nullopt;
    }
    bar.isGrayedOut = missing;
    return bar;
}

} // namespace

SVNetworkCellDressing dressNetworkCell(const QString& id, const QString& text, const SVNetworkRowInfo& r,
                                       const SVNetworkCellState& s, const SVNetworkCellPalette& p)
{
    SVNetworkCellDressing d;
    d.fontSize = s.fontSize;
    d.textColor = p.textColorForNetwork;
    d.highlighted = s.cellHighlighted;
    const bool missing = s.scanning && r.rssi == SVNetwork::NoSignal;
    d.levelBar = levelBarFor(id, r, s, p, missing);
    const QColor white(Qt::white);

    if (r.isGroup) {
        if (text == QLatin1String("<Multiple values>"))
            d.textColor = p.textColorForMultipleValuesPlaceholder;
        if (id == SVColumnId::IsUserHidden)
            d.highlighted = false;
        if (id == outlineColumnIdentifier() && r.isAssociated)
            d.bold = true;
        const bool firstResponderHighlight = d.highlighted && s.tableIsFirstResponder;
        if (text != QLatin1String("<Multiple values>")) {
            if (r.rssi == SVNetwork::NoSignal)
                d.textColor = firstResponderHighlight ? white : p.textColorForNetworkCollectionNotFound;
            else if (firstResponderHighlight)
                d.textColor = white;
            else if (d.highlighted && p.isDarkTheme)
                d.textColor = blackAt(0.7);
            else
                d.textColor = p.textColorForNetworkCollection;
        }
        return d;
    }

    if (id == SVColumnId::IsUserHidden) {
        d.background = r.color;
        d.highlighted = false;
    }
    if (id == SVColumnId::Ssid) {
        if (r.isHidden)
            d.italic = true;
        if (!r.isOpen) {
            if (d.highlighted)
                d.padlock = s.tableIsFirstResponder ? SVPadlock::Highlighted : SVPadlock::AlternateHighlighted;
            else
                d.padlock = missing ? SVPadlock::NoData : SVPadlock::Normal;
        }
    }
    if (r.isAssociated) {
        d.bold = true;
        d.italic = false;
    }

    if (missing) {
        if (s.rowSelected && s.editing)
            d.textColor = p.controlTextColor;
        else if (s.rowSelected && !d.highlighted)
            ; // the row's plain colour stays
        else if (s.rowSelected && s.tableIsFirstResponder)
            d.textColor = white;
        else
            d.textColor = p.textColorForNetworkNotFound;
    } else if (s.rowSelected && s.editing) {
        d.textColor = id == SVColumnId::Annotations ? p.controlTextColor : white;
    } else if (s.rowSelected) {
        if (d.highlighted) {
            if (s.tableIsFirstResponder)
                d.textColor = white;
            else
                d.textColor = p.isDarkTheme ? blackAt(0.7) : p.textColorForNetwork;
        }
    } else if (r.isAssociated) {
        d.textColor = p.textColorForNetworkAssociated;
    }

    if (s.columnFiltered)
        d.background = p.backgroundColorForFilteredCell;
    return d;
}
