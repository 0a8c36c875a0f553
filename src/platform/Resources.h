#pragma once

#include <QString>

namespace sv {

// Path of a shipped resource file (for example "scenarios/office.json" or
// "vendors.plist.zip"), looked up in order: $SKYVANE_RESOURCES, the installed
// share folder beside the executable, the build tree's generated resources,
// the source tree's resources. Returns an empty string when none exists.
QString resourcePath(const QString& name);

} // namespace sv
