#include "platform/ServiceBrowser.h"

#include "platform/Log.h"

#include <QMetaObject>

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <list>
#include <mutex>

namespace sv {

std::optional<QByteArray> ServiceInfo::txtValue(const QByteArray& key) const
{
    for (const QByteArray& entry : txt) {
        if (!entry.startsWith(key))
            continue;
        if (entry.size() == key.size())
            return QByteArray();
        if (entry.at(key.size()) == '=')
            return entry.mid(key.size() + 1);
    }
    return std::nullopt;
}

bool ServiceInfo::isSameService(const ServiceInfo& other) const
{
    return interfaceIndex == other.interfaceIndex && protocol == other.protocol
        && name == other.name && type == other.type && domain == other.domain;
}

// Everything below runs on Avahi's thread, except the constructor, the
// destructor and post(), which only queue work and wake that thread.
class ServiceBrowser::Engine {
public:
    explicit Engine(ServiceBrowser* owner) : m_owner(owner)
    {
        m_poll = avahi_threaded_poll_new();
        if (!m_poll || pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0) {
            qCWarning(lcSkyvane) << "Service discovery unavailable: no event loop";
            return;
        }
        m_api = avahi_threaded_poll_get(m_poll);
        m_wakeWatch = m_api->watch_new(m_api, m_wake[0], AVAHI_WATCH_IN, &Engine::onWake, this);
        // The client connects to the system bus, which may be slow: do it on
        // Avahi's thread, never on the caller's.
        enqueue([this] { createClient(); });
        if (avahi_threaded_poll_start(m_poll) < 0) {
            qCWarning(lcSkyvane) << "Service discovery unavailable: cannot start its thread";
            return;
        }
        m_running = true;
    }

    ~Engine()
    {
        if (m_running)
            avahi_threaded_poll_stop(m_poll);
        // The thread has ended: tear down here.
        for (Resolve& r : m_resolves)
            freeResolve(r);
        m_resolves.clear();
        if (m_browser)
            avahi_service_browser_free(m_browser);
        if (m_client)
            avahi_client_free(m_client);
        if (m_wakeWatch)
            m_api->watch_free(m_wakeWatch);
        if (m_poll)
            avahi_threaded_poll_free(m_poll);
        for (int fd : m_wake)
            if (fd >= 0)
                close(fd);
    }

    void enqueue(std::function<void()> job)
    {
        if (m_wake[1] < 0)
            return;
        {
            std::lock_guard lock(m_queueMutex);
            m_queue.push_back(std::move(job));
        }
        const char byte = 1;
        // A full pipe already holds a wake-up; nothing is lost.
        [[maybe_unused]] const ssize_t n = write(m_wake[1], &byte, 1);
    }

    void browse(const QString& type, const QString& domain)
    {
        m_wanted = true;
        m_type = type;
        m_domain = domain;
        startBrowser();
    }

    void stop()
    {
        m_wanted = false;
        if (m_browser) {
            avahi_service_browser_free(m_browser);
            m_browser = nullptr;
        }
        post([](ServiceBrowser* o) { emit o->browseStopped(); });
    }

    void resolve(const ServiceInfo& service, int timeoutMs)
    {
        if (!m_client || avahi_client_get_state(m_client) != AVAHI_CLIENT_S_RUNNING) {
            postResolveFailed(service);
            return;
        }
        m_resolves.push_back(Resolve{this, nullptr, nullptr, service});
        Resolve& r = m_resolves.back();
        r.resolver = avahi_service_resolver_new(
            m_client, r.service.interfaceIndex, r.service.protocol, r.service.name.toUtf8().constData(),
            r.service.type.toUtf8().constData(), r.service.domain.toUtf8().constData(),
            AVAHI_PROTO_UNSPEC, AvahiLookupFlags(0), &Engine::onResolve, &r);
        if (!r.resolver) {
            m_resolves.pop_back();
            postResolveFailed(service);
            return;
        }
        struct timeval tv;
        avahi_elapse_time(&tv, unsigned(std::max(timeoutMs, 0)), 0);
        r.timeout = m_api->timeout_new(m_api, &tv, &Engine::onResolveTimeout, &r);
    }

private:
    struct Resolve {
        Engine* engine;
        AvahiServiceResolver* resolver;
        AvahiTimeout* timeout;
        ServiceInfo service;
    };

    void post(std::function<void(ServiceBrowser*)> signal)
    {
        ServiceBrowser* owner = m_owner;
        QMetaObject::invokeMethod(owner, [owner, signal = std::move(signal)] { signal(owner); },
                                  Qt::QueuedConnection);
    }

    void postResolveFailed(const ServiceInfo& service)
    {
        post([service](ServiceBrowser* o) { emit o->resolveFailed(service); });
    }

    void createClient()
    {
        int error = 0;
        // NO_FAIL: without a daemon the client waits for one instead of failing.
        AvahiClient* client = avahi_client_new(m_api, AVAHI_CLIENT_NO_FAIL, &Engine::onClientState, this, &error);
        if (!client) {
            qCInfo(lcSkyvane) << "Service discovery unavailable:" << avahi_strerror(error);
            return;
        }
        m_client = client;
        // The state callback inside avahi_client_new may have started it already.
        if (!m_browser && avahi_client_get_state(client) == AVAHI_CLIENT_S_RUNNING)
            startBrowser();
    }

    void startBrowser()
    {
        if (m_browser) {
            avahi_service_browser_free(m_browser);
            m_browser = nullptr;
        }
        if (!m_wanted || !m_client || avahi_client_get_state(m_client) != AVAHI_CLIENT_S_RUNNING)
            return; // started when the daemon is there
        m_browser = avahi_service_browser_new(m_client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                              m_type.toUtf8().constData(), m_domain.toUtf8().constData(),
                                              AvahiLookupFlags(0), &Engine::onBrowse, this);
        if (!m_browser)
            qCWarning(lcSkyvane) << "Cannot browse for" << m_type << ":"
                                 << avahi_strerror(avahi_client_errno(m_client));
    }

    void clientLost()
    {
        // Browsers and resolvers die with the daemon connection.
        for (Resolve& r : m_resolves) {
            postResolveFailed(r.service);
            freeResolve(r);
        }
        m_resolves.clear();
        if (m_browser) {
            avahi_service_browser_free(m_browser);
            m_browser = nullptr;
        }
    }

    void freeResolve(Resolve& r)
    {
        if (r.timeout)
            m_api->timeout_free(r.timeout);
        if (r.resolver)
            avahi_service_resolver_free(r.resolver);
        r.timeout = nullptr;
        r.resolver = nullptr;
    }

    void finishResolve(Resolve* r)
    {
        freeResolve(*r);
        m_resolves.remove_if([r](const Resolve& e) { return &e == r; });
    }

    static void onWake(AvahiWatch*, int fd, AvahiWatchEvent, void* userdata)
    {
        auto* self = static_cast<Engine*>(userdata);
        char buffer[64];
        while (read(fd, buffer, sizeof buffer) > 0) {
        }
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard lock(self->m_queueMutex);
            jobs.swap(self->m_queue);
        }
        for (auto& job : jobs)
            job();
    }

    static void onClientState(AvahiClient* client, AvahiClientState state, void* userdata)
    {
        auto* self = static_cast<Engine*>(userdata);
        // Called from inside avahi_client_new too, before it returns.
        self->m_client = client;
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            self->startBrowser();
            break;
        case AVAHI_CLIENT_CONNECTING:
            self->clientLost();
            break;
        case AVAHI_CLIENT_FAILURE:
            qCInfo(lcSkyvane) << "Service discovery stopped:" << avahi_strerror(avahi_client_errno(client));
            self->clientLost();
            break;
        default:
            break;
        }
    }

    static void onBrowse(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
                         AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
                         AvahiLookupResultFlags, void* userdata)
    {
        auto* self = static_cast<Engine*>(userdata);
        switch (event) {
        case AVAHI_BROWSER_NEW:
        case AVAHI_BROWSER_REMOVE: {
            ServiceInfo info;
            info.interfaceIndex = interface;
            info.protocol = protocol;
            info.name = QString::fromUtf8(name ? name : "");
            info.type = QString::fromUtf8(type ? type : "");
            info.domain = QString::fromUtf8(domain ? domain : "");
            if (event == AVAHI_BROWSER_NEW)
                self->post([info](ServiceBrowser* o) { emit o->serviceFound(info); });
            else
                self->post([info](ServiceBrowser* o) { emit o->serviceRemoved(info); });
            break;
        }
        case AVAHI_BROWSER_ALL_FOR_NOW:
            self->post([](ServiceBrowser* o) { emit o->allForNow(); });
            break;
        case AVAHI_BROWSER_FAILURE:
            // A failed browser reports nothing more: end it like a stop, so
            // the owner's next cycle can try again (not from inside its own
            // callback).
            qCWarning(lcSkyvane) << "Browsing failed:"
                                 << avahi_strerror(avahi_client_errno(self->m_client));
            self->enqueue([self] { self->stop(); });
            break;
        default:
            break;
        }
    }

    static void onResolve(AvahiServiceResolver*, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
                          const char*, const char*, const char*, const char* host, const AvahiAddress* address,
                          uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags, void* userdata)
    {
        auto* r = static_cast<Resolve*>(userdata);
        Engine* self = r->engine;
        ServiceInfo info = r->service;
        if (event == AVAHI_RESOLVER_FOUND) {
            info.hostName = QString::fromUtf8(host ? host : "");
            if (address) {
                char text[AVAHI_ADDRESS_STR_MAX] = {};
                avahi_address_snprint(text, sizeof text, address);
                info.address = QString::fromUtf8(text);
            }
            info.port = port;
            for (AvahiStringList* s = txt; s; s = avahi_string_list_get_next(s))
                info.txt.append(QByteArray(reinterpret_cast<const char*>(avahi_string_list_get_text(s)),
                                           qsizetype(avahi_string_list_get_size(s))));
            // Avahi keeps TXT entries in reverse order of the record.
            std::reverse(info.txt.begin(), info.txt.end());
            self->post([info](ServiceBrowser* o) { emit o->serviceResolved(info); });
        } else {
            self->postResolveFailed(info);
        }
        self->finishResolve(r);
    }

    static void onResolveTimeout(AvahiTimeout*, void* userdata)
    {
        auto* r = static_cast<Resolve*>(userdata);
        Engine* self = r->engine;
        self->postResolveFailed(r->service);
        self->finishResolve(r);
    }

    ServiceBrowser* m_owner;
    AvahiThreadedPoll* m_poll = nullptr;
    const AvahiPoll* m_api = nullptr;
    AvahiWatch* m_wakeWatch = nullptr;
    int m_wake[2] = {-1, -1};
    bool m_running = false;

    std::mutex m_queueMutex;
    std::deque<std::function<void()>> m_queue;

    // Avahi's thread only:
    AvahiClient* m_client = nullptr;
    AvahiServiceBrowser* m_browser = nullptr;
    bool m_wanted = false;
    QString m_type;
    QString m_domain;
    std::list<Resolve> m_resolves; // stable addresses: Avahi holds pointers to them
};

ServiceBrowser::ServiceBrowser(QObject* parent) : QObject(parent), m_engine(std::make_unique<Engine>(this)) {}

ServiceBrowser::~ServiceBrowser()
{
    // Stops Avahi's thread before QObject drops the signals still queued.
    m_engine.reset();
}

void ServiceBrowser::browse(const QString& type, const QString& domain)
{
    Engine* e = m_engine.get();
    e->enqueue([e, type, domain] { e->browse(type, domain); });
}

void ServiceBrowser::stop()
{
    Engine* e = m_engine.get();
    e->enqueue([e] { e->stop(); });
}

void ServiceBrowser::resolve(const ServiceInfo& service, int timeoutMs)
{
    Engine* e = m_engine.get();
    e->enqueue([e, service, timeoutMs] { e->resolve(service, timeoutMs); });
}

} // namespace sv
