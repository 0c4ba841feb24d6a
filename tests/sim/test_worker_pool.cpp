// The fast kernel's threads: every place of a full run taken exactly once,
// and all the work of a joining run done exactly once, however many workers
// make it in time.
#include <gtest/gtest.h>

#include <array>
#include <atomic>

#include "sim/force_fast_pool.h"

namespace corvane::fastkernel {
namespace {

struct PlaceCount {
    std::array<std::atomic<int>, 8> runs{};
    std::array<std::atomic<int>, 8> totals{};
};

TEST(WorkerPool, AFullRunGivesEveryPlaceExactlyOnce) {
    WorkerPool pool;
    for (int round = 0; round < 300; ++round) {
        const int threads = 1 + round % 4;
        PlaceCount count;
        pool.runAll(
            threads,
            [](void* context, int thread, int total) {
                auto& c = *static_cast<PlaceCount*>(context);
                c.runs[thread].fetch_add(1);
                c.totals[thread].store(total);
            },
            &count);
        for (int t = 0; t < 8; ++t) {
            ASSERT_EQ(count.runs[t].load(), t < threads ? 1 : 0) << round;
            ASSERT_EQ(count.totals[t].load(), t < threads ? threads : 0) << round;
        }
    }
}

struct SharedWork {
    std::atomic<int> next{0};
    std::array<std::atomic<int>, 64> done{};
};

TEST(WorkerPool, AJoiningRunDoesAllItsWorkOnce) {
    WorkerPool pool;
    for (int round = 0; round < 300; ++round) {
        SharedWork work;
        const int tookPart = pool.runJoining(
            3,
            [](void* context, int, int) {
                auto& w = *static_cast<SharedWork*>(context);
                for (int item = w.next.fetch_add(1); item < 64; item = w.next.fetch_add(1))
                    w.done[item].fetch_add(1);
            },
            &work);
        ASSERT_GE(tookPart, 1);
        ASSERT_LE(tookPart, 3);
        for (int item = 0; item < 64; ++item) ASSERT_EQ(work.done[item].load(), 1) << round;
    }
}

}  // namespace
}  // namespace corvane::fastkernel
