#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace sv {

// One DNS-SD service as browsing and resolving report it.
struct ServiceInfo {
    int interfaceIndex = -1;
    int protocol = -1;
    QString name;
    QString type;
    QString domain;
    // Filled in by resolving:
    QString hostName;
    QString address;
    quint16 port = 0;
    QList<QByteArray> txt; // raw TXT entries, "key=value" or "key"

    // The value of the first TXT entry with exactly this key; an entry
    // without "=" has an empty value; nullopt when no entry has the key.
    std::optional<QByteArray> txtValue(const QByteArray& key) const;
    // Same interface, protocol, name, type and domain.
    bool isSameService(const ServiceInfo& other) const;
};

// DNS-SD browsing and resolving over the Avahi daemon. Avahi runs on a
// thread of its own; requests reach it through a queue and every signal is
// emitted on the thread that owns this object (the main thread), so the
// caller never waits for the daemon. Without a daemon (or a system bus)
// nothing is reported; a daemon that appears later is picked up.
class ServiceBrowser : public QObject {
    Q_OBJECT
public:
    explicit ServiceBrowser(QObject* parent = nullptr);
    ~ServiceBrowser() override;

    // Browses for a service type ("_airport._tcp") in a domain ("local");
    // replaces a browse already running.
    void browse(const QString& type, const QString& domain);
    // Stops browsing; browseStopped() follows.
    void stop();
    // Resolves a service found by browsing; resolveFailed() after timeoutMs.
    void resolve(const ServiceInfo& service, int timeoutMs);

signals:
    void serviceFound(const sv::ServiceInfo& service);
    // A service found before has gone from the network.
    void serviceRemoved(const sv::ServiceInfo& service);
    // The daemon has reported everything it knows for now.
    void allForNow();
    void browseStopped();
    void serviceResolved(const sv::ServiceInfo& service);
    void resolveFailed(const sv::ServiceInfo& service);

private:
    class Engine;
    std::unique_ptr<Engine> m_engine;
};

} // namespace sv
