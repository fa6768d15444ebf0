#include "core/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace vendrel {
namespace {

TEST(WorkerPool, EveryColumnOnceInEveryLoop) {
    struct Case {
        int threads, first, last;
    };
    // Whole sections, a range of one chunk and one past it, a single
    // column, an empty range, more threads than chunks.
    const Case cases[] = {{1, 1, 2000}, {2, 1, 2000}, {4, 1, 2000}, {2, 1, 32},
                          {2, 1, 33},   {2, 7, 7},    {2, 5, 4},    {8, 1, 70}};
    constexpr int kLoops = 300;  // back to back, so late workers meet the next loop
    for (const Case& c : cases) {
        SCOPED_TRACE("threads " + std::to_string(c.threads) + ", columns " +
                     std::to_string(c.first) + ".." + std::to_string(c.last));
        WorkerPool pool(c.threads);
        EXPECT_EQ(pool.threads(), c.threads);
        std::vector<std::atomic<int>> visits(2002);
        for (int loop = 0; loop < kLoops; ++loop) {
            pool.for_each_column(c.first, c.last, [&](int i) { visits[i].fetch_add(1); });
        }
        for (int i = 0; i < 2002; ++i) {
            const int expected = i >= c.first && i <= c.last ? kLoops : 0;
            ASSERT_EQ(visits[i].load(), expected) << "column " << i;
        }
    }
}

}  // namespace
}  // namespace vendrel
