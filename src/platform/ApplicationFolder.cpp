#include "platform/ApplicationFolder.h"

#include <QStandardPaths>

namespace sv {

QString applicationSupportFolder()
{
    // AppDataLocation would add both the organisation and the application
    // name, and both are "Skyvane".
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Skyvane");
}

} // namespace sv
