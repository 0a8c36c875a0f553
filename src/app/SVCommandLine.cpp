#include "app/SVCommandLine.h"

#include <cmath>

std::optional<int> quitAfterMilliseconds(const QString& value, QString* error)
{
    bool ok = false;
    const double seconds = value.trimmed().toDouble(&ok);
    // Checked as a double first: nan fails every comparison, and a value
    // past int's range must never reach the conversion.
    if (!ok || !(seconds > 0) || seconds > kLongestQuitAfterSeconds) {
        if (error)
            *error = QStringLiteral("--quit-after takes a number of seconds above 0 and at most %1, not \"%2\".")
                         .arg(kLongestQuitAfterSeconds, 0, 'f', 0)
                         .arg(value);
        return std::nullopt;
    }
    return std::max(1, static_cast<int>(std::lround(seconds * 1000)));
}
