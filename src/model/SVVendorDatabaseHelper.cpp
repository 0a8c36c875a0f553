#include "model/SVVendorDatabaseHelper.h"

SVVendorDatabaseHelper& SVVendorDatabaseHelper::sharedDatabase()
{
    static SVVendorDatabaseHelper db;
    return db;
}

QString SVVendorDatabaseHelper::stringForVendor(const QString&) const { return {}; }
QString SVVendorDatabaseHelper::shortStringForVendor(const QString&) const { return {}; }
QString SVVendorDatabaseHelper::urlForVendor(const QString&) const { return {}; }
