// Feeds arbitrary bytes as the TXT record of a resolved base-station
// service (DNS-SD form: strings, each after a length byte) to the name
// table, which must stay bounded whatever services say.

#include "model/SVNetServiceBrowser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One table for the whole run, as on a network that keeps announcing.
    static SVNetServiceBrowser browser;
    if (size == 0)
        return 0;
    sv::ServiceInfo service;
    service.interfaceIndex = 2;
    service.protocol = 0;
    service.type = SVNetServiceBrowser::ServiceType;
    service.domain = SVNetServiceBrowser::ServiceDomain;
    // The first byte picks one of a few services and whether it goes away.
    service.name = QStringLiteral("station %1").arg(data[0] & 0x0F);
    const bool removed = data[0] & 0x80;
    for (size_t i = 1; i < size;) {
        const size_t length = data[i++];
        const size_t take = length < size - i ? length : size - i;
        service.txt << QByteArray(reinterpret_cast<const char*>(data + i), qsizetype(take));
        i += take;
    }
    if (const auto value = service.txtValue("waMA"))
        SVNetServiceBrowser::radioAddressesInTXT(*value);
    browser.netServiceDidResolveAddress(service);
    if (removed)
        browser.didRemoveService(service);
    if (browser.stations().size() > SVNetServiceBrowser::MaximumStations)
        std::abort();
    return 0;
}
