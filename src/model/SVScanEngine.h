#pragma once

#include <QVariantMap>
#include <QVector>

#include <memory>

// A published pass: an array of scan dictionaries, never changed once shared.
using SVScanResults = std::shared_ptr<const QVector<QVariantMap>>;

// How the controller holds its scan engine.
class SVScanEngine {
public:
    virtual ~SVScanEngine() = default;

    // Starts the scan loop on a background thread of its own.
    virtual void runEngine() = 0;
    // Drops the published result and lets the loop end; does not wait.
    virtual void stopEngine() = 0;
    // A pass has published a result (maybe empty) since the start.
    virtual bool hasResults() const = 0;
    // The last published pass; null when there is none.
    virtual SVScanResults results() const = 0;
    virtual bool powerOn() const = 0;
};
