#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// One 802.11 information element: its ID and body (without the two header
// bytes). The decoders fill in names, fields and summaries.
class SVInfoElement {
public:
    SVInfoElement(unsigned ieID, QByteArray data);

    unsigned ieID() const { return m_ieID; }
    const QByteArray& ieData() const { return m_ieData; }
    qsizetype ieLength() const { return m_ieData.size(); }
    QString ieIdentifier() const { return m_ieIdentifier; }

private:
    unsigned m_ieID;
    QByteArray m_ieData;
    QString m_ieIdentifier;
};
