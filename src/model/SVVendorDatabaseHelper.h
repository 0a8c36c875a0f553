#pragma once

#include <QString>

// The shared vendor (OUI) database. Placeholder interface: lookups answer
// nothing until the database itself is built.
class SVVendorDatabaseHelper {
public:
    static SVVendorDatabaseHelper& sharedDatabase();

    // Vendor name for a normalised BSSID text ("AA:BB:CC:DD:EE:FF"), or empty.
    QString stringForVendor(const QString& bssid) const;
    // Short vendor name ("Apple" for "Apple, Inc."), or empty.
    QString shortStringForVendor(const QString& bssid) const;
    // Web address for a vendor name, or empty.
    QString urlForVendor(const QString& vendor) const;
};
