#pragma once

#include "model/SVNetwork.h"
#include "model/SVSensitivity.h"
#include "model/SVNetworkList.h"

#include <QDateTime>
#include <QVariantMap>
#include <QVector>

#include <memory>
#include <QList>



// The drop limit for records not seen: 60, 120, 300, 1800, 3600 or 7200 s
// for indexes 1 to 6, a year for any other index or when dropping is off.
qint64 maxLastSeenElapsedSecondsFor(qint64 index, bool deleteIfNotSeen);
inline constexpr qint64 kOneYearSeconds = 31'536'000;


// One merge of a scan result into the list: records found again take the
// new dictionary and a sample, new BSSs become records, records missing from
// the result get a no-signal sample and age, and records past the drop limit
// go. The result's order is kept; the first record with the same BSSID and
// band wins. Runs in time linear in the result and the list.
SVNetworkList mergeNetworks(const QVector<QVariantMap>& results, const SVNetworkList& networks,
                            const QDateTime& scanTime, qint64 sensitivity,
                            double maxLastSeenElapsedSeconds);
