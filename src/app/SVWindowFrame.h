#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QSize>

#include <optional>

// The main window's frame as the "WindowFrame" setting keeps it: a keyed
// archive of a rectangle value.
QByteArray archivedWindowFrame(const QRect& frame);
// nullopt for missing, damaged or empty data, or a rectangle with no area.
std::optional<QRect> unarchivedWindowFrame(const QByteArray& data);

// The window's size as the window is designed.
inline constexpr QSize kDesignedWindowSize(1100, 735);

// The first launch shows the window at 0.9 of the designed width and 0.85
// of its height, centred in the available area.
QRect firstLaunchWindowFrame(const QRect& availableArea, QSize designed = kDesignedWindowSize);

// A restored frame moved onto the screens: kept where enough of it (its top
// strip, where the window is grabbed) lies on one of them, otherwise placed
// on the primary screen's available area, no larger than that area.
QRect frameOnScreens(const QRect& frame, const QList<QRect>& screenAreas, const QRect& primaryArea);
