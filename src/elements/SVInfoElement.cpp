#include "elements/SVInfoElement.h"

SVInfoElement::SVInfoElement(unsigned ieID, QByteArray data)
    : m_ieID(ieID), m_ieData(std::move(data)), m_ieIdentifier(QStringLiteral("id=%1").arg(ieID))
{
}
