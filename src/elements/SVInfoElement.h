#pragma once

#include "elements/SVField.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// One 802.11 information element: its ID and body (without the two header
// bytes), decoded on first use into named fields and a one-line summary.
// Created, decoded and read on the main thread only.
class SVInfoElement {
public:
    SVInfoElement(unsigned ieID, QByteArray data);

    unsigned ieID() const { return m_ieID; }
    const QByteArray& ieData() const { return m_ieData; }
    qsizetype ieLength() const { return m_ieData.size(); }
    // "id=%lu", or for a decoded vendor-specific element its OUI and type.
    QString ieIdentifier() const;

    QString ieName() const;
    // English help text for the ID, empty when the user's language is not
    // English or the ID has none.
    QString ieDescription() const;
    QString ieSummary() const;

    // Decoded once, then cached for the element's life.
    const std::vector<SVField>& fields() const;
    // The same as dictionaries with the documented keys.
    QVariantList fieldRecords() const;

    // The whole element as indented lines joined by "\n".
    QString ieDump() const;
    static QStringList composeField(const SVField& field, const QString& indent);

    // The vendor name of the body's first three bytes; empty when the body is
    // shorter or the vendor is unknown.
    QString parseOUI() const;
    std::vector<SVField> parseGeneric() const;

    // The vendor database, installed by the application at start-up:
    // takes "XX:XX:XX", answers a name or the empty text.
    static void setVendorNameLookup(std::function<QString(const QString& ouiText)> lookup);
    static QString vendorNameForOUI(const QString& ouiText);

private:
    void decode() const;

    unsigned m_ieID;
    QByteArray m_ieData;
    mutable QString m_ieIdentifier;
    mutable std::optional<std::vector<SVField>> m_ieFields;
    mutable QString m_ieSummary;
};
