#pragma once

#include <QtGlobal>

// Constants of the keyed-archive layout shared by the archiver and the unarchiver.
namespace sv::keyedarchive {

inline constexpr char ArchiverName[] = "NSKeyedArchiver";
inline constexpr qint64 ArchiveVersion = 100000;
// Dates count seconds from 2001-01-01 00:00:00 UTC.
inline constexpr qint64 ReferenceDateMSecs = 978307200000LL;
// Colour spaces of archived colours.
inline constexpr qint64 ColorSpaceCalibratedRGB = 1;
inline constexpr qint64 ColorSpaceDeviceRGB = 2;
inline constexpr qint64 ColorSpaceCalibratedWhite = 3;
inline constexpr qint64 ColorSpaceDeviceWhite = 4;
// Deepest nesting of objects either side accepts.
inline constexpr int MaxNesting = 256;

} // namespace sv::keyedarchive
