#include "platform/Log.h"

Q_LOGGING_CATEGORY(lcSkyvane, "skyvane")
