#pragma once

#include <QtGlobal>

// "Sensitivity" is a dBm magnitude S: a scan result whose signal is below
// -S dBm is dropped (60 keeps -60 dBm and stronger, 100 keeps -100 dBm and
// stronger), except that S = 85 drops nothing at all.
inline constexpr qint64 SVSensitivityNoCut = 85;
