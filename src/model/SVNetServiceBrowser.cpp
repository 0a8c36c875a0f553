#include "model/SVNetServiceBrowser.h"

SVNetServiceBrowser& SVNetServiceBrowser::sharedBrowser()
{
    static SVNetServiceBrowser browser;
    return browser;
}

QString SVNetServiceBrowser::deviceNameFor(const QString&) const { return {}; }
