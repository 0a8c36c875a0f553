#pragma once

#include <QString>

#include <optional>

// The --quit-after option's value, seconds above 0, as timer milliseconds.
// nullopt, with a message naming the option, for anything else (nan, 1e308,
// text): a timer takes at most about 24 days.
std::optional<int> quitAfterMilliseconds(const QString& value, QString* error);
inline constexpr double kLongestQuitAfterSeconds = 2'000'000;
