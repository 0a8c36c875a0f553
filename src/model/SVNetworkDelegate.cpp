#include "model/SVNetworkDelegate.h"

#include "model/SVNetworkColumns.h"

QVariant SVNetworkDelegate::valueForKey(const QString& key) const
{
    const SVNetworkColumn* column = networkColumnForSortKey(key);
    return column ? column->value(*this) : QVariant();
}
