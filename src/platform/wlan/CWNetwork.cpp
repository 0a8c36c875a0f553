#include "platform/wlan/CWNetwork.h"

#include "platform/wlan/WlanElements.h"

#include <QStringDecoder>

void CWNetwork::setSsidData(const QByteArray& v)
{
    m_ssidData = v;
    m_ssid = QString();
    // Hidden networks send an empty name or one of zero bytes.
    if (v.count('\0') == v.size())
        return;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(v);
    if (!decoder.hasError())
        m_ssid = text;
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
