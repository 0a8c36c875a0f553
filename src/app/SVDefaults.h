#pragma once

#include "model/SVDefaultsKeys.h"
#include "model/SVScanMerge.h"

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <limits>
#include <span>

namespace sv {
class UserDefaults;
}

// One registered setting: its key, the type it is read as, and its default;
// for integers also the range a stored value must lie in (outside it, or
// when it is no number, the setting reads as its default).
struct SVRegisteredDefault {
    QString key;
    QMetaType::Type type;
    QVariant value;
    qint64 minimum = std::numeric_limits<qint64>::min();
    qint64 maximum = std::numeric_limits<qint64>::max();
};

// Every registered setting, in one table.
std::span<const SVRegisteredDefault> registeredDefaultsTable();

// Registers every default and the ranges of the integer settings.
void registerDefaults(sv::UserDefaults& defaults);

// What loadDefaults hands the controller.
struct SVLoadedDefaults {
    int units = 0; // 0 percent, otherwise dBm
    bool highlightAssociatedNetwork = false;
    qint64 maxLastSeenElapsedSeconds = kOneYearSeconds;
    int quickFilterSelectedItem = 0;
    double networksViewFontSize = 11.0;
    double advancedDetailsViewFontSize = 12.0;
    double sideViewFontSize = 11.0;
};

// Registers every default, reads the settings the controller keeps, and
// clamps the font sizes (writing the clamped values back).
SVLoadedDefaults loadDefaults(sv::UserDefaults& defaults);

// Adds delta to each font size and writes them back within their bounds
// (the View menu's bigger and smaller text commands).
void changeFontSizes(sv::UserDefaults& defaults, double delta);

// The signal threshold slider for a units setting.
struct SVThresholdSliderRange {
    int minimum;
    int maximum;
    int tickMarks;
};
SVThresholdSliderRange thresholdSliderRange(int units);
