// Every heap allocation of this process is counted through the C allocator,
// which operator new and the thread runtime use: a step of a full galaxy must
// allocate nothing. The sanitizers own that allocator; this runs without them.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "world_fixture.h"

#if !defined(__SANITIZE_ADDRESS__)
namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

template <typename Action>
long allocationsDuring(Action action) {
    allocations = 0;
    counting = true;
    action();
    counting = false;
    return allocations;
}
}  // namespace

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_memalign(std::size_t, std::size_t);
extern "C" void* malloc(std::size_t bytes) {
    allocations += counting;
    return __libc_malloc(bytes);
}
extern "C" void* calloc(std::size_t n, std::size_t bytes) {
    allocations += counting;
    return __libc_calloc(n, bytes);
}
extern "C" void* aligned_alloc(std::size_t alignment, std::size_t bytes) {
    allocations += counting;
    return __libc_memalign(alignment, bytes);
}

namespace corvane {

using StepAllocation = WorldTest;

// The first step may start the kernel's threads; every later one, moving or
// dragged, must not touch the heap.
TEST_F(StepAllocation, AFullGalaxyStepsWithoutAllocating) {
    static std::vector<int>* volatile kept;
    EXPECT_EQ(allocationsDuring([] { kept = new std::vector<int>(100); }), 2);  // the counter works
    delete kept;
    ASSERT_TRUE(make({800, 600, 1, {"5000", "5000", "5000", "1.0e10"}}));
    step();
    EXPECT_EQ(allocationsDuring([this] { step(); }), 0);
    view.dragging = 1;
    EXPECT_EQ(allocationsDuring([this] { step(); }), 0);
}

}  // namespace corvane
#endif
