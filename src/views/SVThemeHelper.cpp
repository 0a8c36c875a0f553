#include "views/SVThemeHelper.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QColor grey(float g, float alpha = 1.0f) { return QColor::fromRgbF(g, g, g, alpha); }
QColor rgb(float r, float g, float b, float alpha = 1.0f) { return QColor::fromRgbF(r, g, b, alpha); }

// The platform's named colours.
QColor orange(float alpha = 1.0f) { return rgb(1.0f, 0.5f, 0.0f, alpha); }
QColor red() { return rgb(1.0f, 0.0f, 0.0f); }
QColor blue(float alpha = 1.0f) { return rgb(0.0f, 0.0f, 1.0f, alpha); }
QColor purple() { return rgb(0.5f, 0.0f, 0.5f); }
QColor darkGrey(float alpha = 1.0f) { return grey(1.0f / 3.0f, alpha); }

QColor systemColor(QPalette::ColorRole role)
{
    return QGuiApplication::palette().color(QPalette::Active, role);
}

} // namespace

#define SV_THEME_COLOR(name, expr)                                                                 \
    const QColor& SVThemeHelper::name()                                                            \
    {                                                                                              \
        static const QColor color = (expr);                                                        \
        return color;                                                                              \
    }

SV_THEME_COLOR(textColorForTableHeader, grey(0.298f))
SV_THEME_COLOR(textColorForNetwork, systemColor(QPalette::Text))
SV_THEME_COLOR(textColorForNetworkAssociated, systemColor(QPalette::Text))
SV_THEME_COLOR(textColorForNetworkNotFound, grey(0.418f))
SV_THEME_COLOR(textColorForNetworkCollection, rgb(0.096f, 0.136f, 0.335f))
SV_THEME_COLOR(textColorForNetworkCollectionNotFound, grey(0.418f))
SV_THEME_COLOR(textColorForMultipleValuesPlaceholder, darkGrey(0.5f))
SV_THEME_COLOR(textColorForCategory, grey(0.3f))
SV_THEME_COLOR(textColorForItem, grey(0.28f))
SV_THEME_COLOR(textColorForLabel, grey(0.3f))
SV_THEME_COLOR(textColorForValueLabel, systemColor(QPalette::ButtonText))
SV_THEME_COLOR(textColorForInfoElementName, rgb(0.096f, 0.136f, 0.335f))
SV_THEME_COLOR(textColorForInfoElementFieldName, rgb(0.546f, 0.0f, 0.009f))
SV_THEME_COLOR(textColorForInfoElementFieldValue, systemColor(QPalette::Text))
SV_THEME_COLOR(textColorForInfoElementFieldValueNotes, rgb(0.096f, 0.136f, 0.335f))
SV_THEME_COLOR(textColorForInfoElementSummary, darkGrey())
SV_THEME_COLOR(textColorForInfoElementSubfieldName, rgb(0.362f, 0.362f, 0.121f))
SV_THEME_COLOR(barColorForRSSI, orange())
SV_THEME_COLOR(barColorForNoise, red())
SV_THEME_COLOR(barColorForSNR, blue())
SV_THEME_COLOR(barColorForChUtilization, purple())
SV_THEME_COLOR(backgroundColorForChart, blue(0.15f))
SV_THEME_COLOR(backgroundColorForChartView, grey(0.047f))
SV_THEME_COLOR(backgroundColorForFilteredCell, orange(0.15f))
SV_THEME_COLOR(colorFor2Dot4GHzBand, orange(0.7f))
SV_THEME_COLOR(colorFor5GHzBand, rgb(0.129f, 0.565f, 0.827f))

#undef SV_THEME_COLOR
