// The fast kernel's threads: a full run takes every place once; a joining run
// does all its work once, however many workers make it in time.
#include <gtest/gtest.h>

#include <array>
#include <atomic>

#include "sim/force_fast_pool.h"

namespace corvane::fastkernel {
namespace {

struct Work {
    std::array<std::atomic<int>, 8> runs{}, totals{};  // per place of a full run
    std::atomic<int> next{0};
    std::array<std::atomic<int>, 64> done{};  // per item of a joining run
};

TEST(WorkerPool, GivesEveryPlaceOnceAndDoesAllTheWorkOnce) {
    // Both kinds on one pool, as steps and the divider's probe share one: a
    // worker still leaving a joining run must not count into the next full run.
    WorkerPool pool;
    for (int round = 0; round < 300; ++round) {
        const int threads = 1 + round % 4;
        Work work;
        pool.runAll(
            threads,
            [](void* context, int thread, int total) {
                static_cast<Work*>(context)->runs[thread]++;
                static_cast<Work*>(context)->totals[thread] = total;
            },
            &work);
        for (int t = 0; t < 8; ++t) {
            ASSERT_EQ(work.runs[t], t < threads ? 1 : 0) << round;
            ASSERT_EQ(work.totals[t], t < threads ? threads : 0) << round;
        }
        const int tookPart = pool.runJoining(
            3,
            [](void* context, int, int) {
                auto& w = *static_cast<Work*>(context);
                for (int item = w.next++; item < 64; item = w.next++) w.done[item]++;
            },
            &work);
        ASSERT_TRUE(tookPart >= 1 && tookPart <= 3) << tookPart;
        for (int item = 0; item < 64; ++item) ASSERT_EQ(work.done[item], 1) << round;
    }
}

}  // namespace
}  // namespace corvane::fastkernel
