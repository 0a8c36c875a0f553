#include "platform/ParallelFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

TEST(Parallel, RunsEveryIndexOnce)
{
    for (std::size_t count : {std::size_t(0), std::size_t(1), std::size_t(7), std::size_t(1000)}) {
        std::vector<std::atomic<int>> seen(count);
        sv::parallelFor(count, [&](std::size_t i) { seen[i].fetch_add(1); });
        // Started, then waited for once the caller has done its own work.
        sv::ParallelFor started(count, [&](std::size_t i) { seen[i].fetch_add(1); });
        started.wait();
        for (std::size_t i = 0; i < count; ++i)
            EXPECT_EQ(seen[i].load(), 2) << i << " of " << count;
    }
}
