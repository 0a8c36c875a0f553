#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace sv {

// Runs body(i) for i in [0, count) on whatever threads of the global pool
// are free, starting at once, so the calling thread can do other work
// meanwhile; wait() (or the destructor) has the calling thread do what is
// left and returns when all are done. Never waits for a busy pool. body must
// be safe to run concurrently for different i, and on another thread than
// the caller's. At most maxHelpers of the pool's threads take part.
class ParallelFor {
public:
    ParallelFor(std::size_t count, std::function<void(std::size_t)> body,
                std::size_t maxHelpers = std::size_t(-1));
    ~ParallelFor() { wait(); }
    ParallelFor(const ParallelFor&) = delete;
    ParallelFor& operator=(const ParallelFor&) = delete;
    void wait();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

// The same, with the calling thread taking part from the start.
void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body);

} // namespace sv
