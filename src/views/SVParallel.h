#pragma once

#include <cstddef>
#include <functional>

namespace sv {

// Runs body(i) for i in [0, count) on the calling thread and on whatever
// threads of the global pool are free right now, and returns when all are
// done. Never waits for a busy pool: the calling thread does what is left.
// body must be safe to run concurrently for different i.
void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body);

} // namespace sv
