#pragma once

#include <QLoggingCategory>

// The system log: everything the program logs goes to the "skyvane" category.
Q_DECLARE_LOGGING_CATEGORY(lcSkyvane)
