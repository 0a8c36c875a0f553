#include "platform/MappedFile.h"

#include <QFile>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

namespace {

// The mappings the fault handler answers for. A region is filled before its
// mapping is read and emptied only after every reader is done with it, so
// the handler never meets a range that is being unmapped.
struct Region {
    std::atomic<quintptr> begin{0};
    std::atomic<quintptr> end{0};
    std::atomic<bool> faulted{false};
    std::atomic<bool> taken{false};
};
std::array<Region, 256> regions;
struct sigaction previousAction;
quintptr pageSize = 4096;

void onBusError(int signal, siginfo_t* info, void* context)
{
    const quintptr at = quintptr(info->si_addr);
    for (Region& r : regions) {
        const quintptr begin = r.begin.load(std::memory_order_acquire);
        if (begin == 0 || at < begin || at >= r.end.load(std::memory_order_acquire))
            continue;
        // The page is gone from the file: put zeros in its place, and the
        // read that faulted goes on.
        void* page = reinterpret_cast<void*>(at & ~(pageSize - 1));
        if (::mmap(page, size_t(pageSize), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            r.faulted.store(true, std::memory_order_release);
            return;
        }
        break;
    }
    // Not a mapping of ours: as it would have been without us.
    if (previousAction.sa_flags & SA_SIGINFO) {
        if (previousAction.sa_sigaction) {
            previousAction.sa_sigaction(signal, info, context);
            return;
        }
    } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
        return;
    }
    // The fault repeats on return and ends the process the usual way.
    ::signal(SIGBUS, SIG_DFL);
}

void installHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        pageSize = quintptr(::sysconf(_SC_PAGESIZE));
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousAction);
    });
}

qint64 modifiedNanoseconds(const struct stat& st)
{
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

MappedFile::~MappedFile()
{
    if (m_region >= 0) {
        Region& r = regions[size_t(m_region)];
        r.begin.store(0, std::memory_order_release);
        r.end.store(0, std::memory_order_release);
        r.taken.store(false, std::memory_order_release);
    }
    if (m_data)
        ::munmap(m_data, size_t(m_size));
    if (m_fd >= 0)
        ::close(m_fd);
}

bool MappedFile::open(const QString& path, QString* error)
{
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); // a FIFO never holds the open up
    if (m_fd < 0)
        return fail(systemError(errno));
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return fail(systemError(errno));
    if (!S_ISREG(st.st_mode))
        return fail(QStringLiteral("The file is not a regular file."));
    m_modified = modifiedNanoseconds(st);
    m_size = quint64(st.st_size);
    if (m_size == 0)
        return true;

    installHandler();
    for (size_t i = 0; i < regions.size() && m_region < 0; ++i) {
        bool free = false;
        if (regions[i].taken.compare_exchange_strong(free, true))
            m_region = int(i);
    }
    if (m_region < 0)
        return fail(QStringLiteral("Too many files are being read at once."));
    void* mapped = ::mmap(nullptr, size_t(m_size), PROT_READ, MAP_PRIVATE, m_fd, 0);
    if (mapped == MAP_FAILED)
        return fail(systemError(errno));
    m_data = static_cast<uchar*>(mapped);
    Region& r = regions[size_t(m_region)];
    r.faulted.store(false, std::memory_order_relaxed);
    r.end.store(quintptr(m_data) + quintptr(m_size), std::memory_order_release);
    r.begin.store(quintptr(m_data), std::memory_order_release);
    return true;
}

bool MappedFile::changed() const
{
    if (m_fd < 0)
        return false;
    if (m_region >= 0 && regions[size_t(m_region)].faulted.load(std::memory_order_acquire))
        return true;
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return true;
    return quint64(st.st_size) != m_size || modifiedNanoseconds(st) != m_modified;
}

} // namespace sv
