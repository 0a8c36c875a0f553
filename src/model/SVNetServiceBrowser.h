#pragma once

#include <QString>

// Base-station names announced over Bonjour. Placeholder: answers no names
// until the browser is built.
class SVNetServiceBrowser {
public:
    static SVNetServiceBrowser& sharedBrowser();
    QString deviceNameFor(const QString& bssid) const;
};
