#include "platform/wlan/CWNetwork.h"

#include "platform/DataAdditions.h"
#include "platform/wlan/WlanElements.h"

void CWNetwork::setSsidData(const QByteArray& v)
{
    m_ssidData = v;
    // The name the element tree and the record show; hidden networks send an
    // empty name or one of zero bytes, which gives none.
    const QString text = sv::ssidText(v);
    m_ssid = text.isEmpty() ? QString() : text;
}

void CWNetwork::setSecurityFrom(bool privacy, const QByteArray& elements)
{
    m_privacy = privacy;
    m_wep = privacy && !sv::wlan::hasWpaOrRsn(elements);
}

bool CWNetwork::supportsSecurity(int security) const
{
    switch (security) {
    case kCWSecurityNone:
        return !m_privacy;
    case kCWSecurityWEP:
        return m_wep;
    default:
        return false;
    }
}
