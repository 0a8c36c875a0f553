#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>

namespace sv {

struct NotificationCenter::Observation::Entry {
    QString name;
    Handler handler;
    Delivery delivery;
    bool hasContext = false;
    QPointer<QObject> context;
    std::atomic<bool> alive{true};
};

NotificationCenter::Observation::Observation(NotificationCenter* center, std::shared_ptr<Entry> entry)
    : m_center(center), m_entry(std::move(entry))
{
}

NotificationCenter::Observation& NotificationCenter::Observation::operator=(Observation&& other) noexcept
{
    if (this != &other) {
        reset();
        m_center = other.m_center;
        m_entry = std::move(other.m_entry);
        other.m_center = nullptr;
    }
    return *this;
}

NotificationCenter::Observation::~Observation() { reset(); }

void NotificationCenter::Observation::reset()
{
    if (m_entry && m_center)
        m_center->remove(m_entry);
    m_entry.reset();
    m_center = nullptr;
}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Observation NotificationCenter::addObserver(const QString& name, Handler handler,
                                                                Delivery delivery, QObject* context)
{
    auto entry = std::make_shared<Observation::Entry>();
    entry->name = name;
    entry->handler = std::move(handler);
    entry->delivery = delivery;
    entry->hasContext = context != nullptr;
    entry->context = context;
    std::lock_guard lock(m_mutex);
    m_entries.push_back(entry);
    return Observation(this, std::move(entry));
}

void NotificationCenter::remove(const std::shared_ptr<Observation::Entry>& entry)
{
    entry->alive = false;
    std::lock_guard lock(m_mutex);
    std::erase(m_entries, entry);
}

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo)
{
    std::vector<std::shared_ptr<Observation::Entry>> targets;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& e : m_entries)
            if (e->name.isEmpty() || e->name == name)
                targets.push_back(e);
    }
    const Notification note{name, userInfo};
    QCoreApplication* app = QCoreApplication::instance();
    const bool onMain = app && QThread::currentThread() == app->thread();
    for (const auto& e : targets) {
        auto deliverable = [e] { return e->alive && (!e->hasContext || e->context); };
        if (e->delivery == Delivery::PostingThread || onMain || !app) {
            if (deliverable())
                e->handler(note);
            continue;
        }
        QMetaObject::invokeMethod(app, [e, note, deliverable] {
            if (deliverable())
                e->handler(note);
        }, Qt::QueuedConnection);
    }
}

} // namespace sv
