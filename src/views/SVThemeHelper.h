#pragma once

#include <QColor>

class QWidget;

// The one palette of the interface, so the list, the sidebar, the element
// tree and the graphs agree. Each role answers one colour, made on first use
// and the same object on every later call. Main thread only.
class SVThemeHelper {
public:
    SVThemeHelper() = delete;

    static const QColor& textColorForTableHeader();
    static const QColor& textColorForNetwork();
    static const QColor& textColorForNetworkAssociated();
    static const QColor& textColorForNetworkNotFound();
    static const QColor& textColorForNetworkCollection();
    static const QColor& textColorForNetworkCollectionNotFound();
    static const QColor& textColorForMultipleValuesPlaceholder();
    static const QColor& textColorForCategory();
    static const QColor& textColorForItem();
    static const QColor& textColorForLabel();
    static const QColor& textColorForValueLabel();
    static const QColor& textColorForInfoElementName();
    static const QColor& textColorForInfoElementFieldName();
    static const QColor& textColorForInfoElementFieldValue();
    static const QColor& textColorForInfoElementFieldValueNotes();
    static const QColor& textColorForInfoElementSummary();
    static const QColor& textColorForInfoElementSubfieldName();
    static const QColor& barColorForRSSI();
    static const QColor& barColorForNoise();
    static const QColor& barColorForSNR();
    static const QColor& barColorForChUtilization();
    static const QColor& backgroundColorForChart();
    static const QColor& backgroundColorForChartView();
    static const QColor& backgroundColorForFilteredCell();
    static const QColor& colorFor2Dot4GHzBand();
    static const QColor& colorFor5GHzBand();

    // One light palette only.
    static bool isDarkTheme() { return false; }
    static void setAppearanceForWindow(QWidget*) {}
};

// c with its alpha set to a (0 to 1).
inline QColor withAlpha(QColor c, double a)
{
    c.setAlphaF(float(a));
    return c;
}
