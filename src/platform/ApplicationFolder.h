#pragma once

#include <QString>

namespace sv {

// The application's own data folder: ~/.local/share/Skyvane (the XDG data
// folder and "Skyvane" once). It is not created here.
QString applicationSupportFolder();

} // namespace sv
