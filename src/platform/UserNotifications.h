#pragma once

#include <QString>

namespace sv {

// User notifications shown by the desktop (freedesktop notifications over
// the session bus). Without a bus or a notification service nothing is shown
// and nothing fails loudly. Tests substitute their own implementation.
class UserNotifications {
public:
    virtual ~UserNotifications() = default;

    // True when a notification service answers on the session bus.
    virtual bool isAvailable() const;
    // Shows a notification without waiting for the service; false when it
    // could not be sent.
    virtual bool deliver(const QString& title, const QString& text);

    static UserNotifications& shared();
};

} // namespace sv
