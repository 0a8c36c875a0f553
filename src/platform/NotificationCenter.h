#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace sv {

struct Notification {
    QString name;
    QVariantMap userInfo;
};

// Named notifications, posted from any thread. Each observer says where it
// wants delivery: on the posting thread (at once, like a plain call), or on
// the main thread (queued there when posted elsewhere; at once when the post
// is made on the main thread).
class NotificationCenter {
public:
    enum class Delivery { PostingThread, MainThread };
    using Handler = std::function<void(const Notification&)>;

    // Removes its observer when destroyed; move-only. Dropping the token
    // guarantees no later delivery starts (a queued one is discarded).
    class Observation {
    public:
        Observation() = default;
        Observation(Observation&&) noexcept = default;
        Observation& operator=(Observation&& other) noexcept;
        ~Observation();
        void reset();
        explicit operator bool() const { return static_cast<bool>(m_entry); }

    private:
        friend class NotificationCenter;
        struct Entry;
        Observation(NotificationCenter* center, std::shared_ptr<Entry> entry);
        NotificationCenter* m_center = nullptr;
        std::shared_ptr<Entry> m_entry;
    };

    static NotificationCenter& defaultCenter();

    // An empty name observes every notification. When context is given, no
    // delivery is made after it is destroyed.
    [[nodiscard]] Observation addObserver(const QString& name, Handler handler,
                                          Delivery delivery = Delivery::MainThread,
                                          QObject* context = nullptr);

    void post(const QString& name, const QVariantMap& userInfo = {});

private:
    void remove(const std::shared_ptr<Observation::Entry>& entry);

    std::mutex m_mutex;
    std::vector<std::shared_ptr<Observation::Entry>> m_entries;
};

} // namespace sv
