#pragma once

#include <QtGlobal>

namespace sv {

// The signal-quality curve: every percentage shown, spoken, exported or used
// by the signal threshold. -120 dBm (no value) and anything below -96 dBm
// give 0, anything above -20 dBm gives 100; in between a quadratic in
// integer arithmetic, bounded to 1..100 (-70 dBm gives 50).
qint64 signalQualityPercent(qint64 dBm);

// The same curve without the final bound, for the filter's "%" comparisons:
// -96, -95 and -94 dBm give -6, -3 and -1.
qint64 signalQualityPercentUnclamped(qint64 dBm);

} // namespace sv
