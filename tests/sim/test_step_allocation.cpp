// Every heap allocation of this process is counted, so that a test can show
// that a whole step of a full galaxy allocates nothing.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "core/random.h"
#include "core/state.h"
#include "core/surface.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/force_fast.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "scenario/process_state.h"
#include "sim/step.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void count() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}

// Where the C allocator is counted below, operator new is counted through it.
#if defined(__SANITIZE_ADDRESS__)
void countNew() {
    count();
}
#else
void countNew() {}
#endif

void* counted(std::size_t bytes) {
    countNew();
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
}

void* countedAligned(std::size_t bytes, std::align_val_t alignment) {
    countNew();
    const std::size_t a = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(a, (bytes + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t bytes) {
    return counted(bytes);
}
void* operator new[](std::size_t bytes) {
    return counted(bytes);
}
void* operator new(std::size_t bytes, std::align_val_t a) {
    return countedAligned(bytes, a);
}
void* operator new[](std::size_t bytes, std::align_val_t a) {
    return countedAligned(bytes, a);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

#if !defined(__SANITIZE_ADDRESS__)
// The C allocator as well (the thread runtime uses it), where no sanitizer
// owns it.
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* __libc_memalign(std::size_t, std::size_t);
extern "C" void* malloc(std::size_t bytes) {
    count();
    return __libc_malloc(bytes);
}
extern "C" void* calloc(std::size_t n, std::size_t bytes) {
    count();
    return __libc_calloc(n, bytes);
}
extern "C" void* realloc(void* p, std::size_t bytes) {
    count();
    return __libc_realloc(p, bytes);
}
extern "C" void* aligned_alloc(std::size_t alignment, std::size_t bytes) {
    count();
    return __libc_memalign(alignment, bytes);
}
#endif

namespace corvane {
namespace {

TEST(AllocationCounter, SeesTheAllocationsOfTheLibraries) {
    allocations = 0;
    counting = true;
    std::vector<int> numbers(100);
    void* block = std::malloc(64);
    counting = false;
    std::free(block);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(allocations.load(), 1);  // the vector; the sanitizer owns malloc
#else
    EXPECT_EQ(allocations.load(), 2);
#endif
}

long allocationsDuringOneStep() {
    allocations = 0;
    counting = true;
    stepSimulation();
    counting = false;
    return allocations.load();
}

// A full galaxy where the build is optimised; a smaller one in the slow
// debugging and sanitizer builds, where the same code runs.
#if defined(__OPTIMIZE__)
constexpr const char* kBodiesEach = "5000";
#else
constexpr const char* kBodiesEach = "500";
#endif

class StepAllocation : public ::testing::Test {
  protected:
    void SetUp() override {
        resetProcessState();
        ASSERT_TRUE(createBodyTable());
        surface.resize(800, 600);
        setViewSurface(&surface);
        ASSERT_TRUE(makeGalaxy({800, 600, 1, {kBodiesEach, kBodiesEach, kBodiesEach, "1.0e10"}}));
    }
    void TearDown() override {
        setViewSurface(nullptr);
        resetProcessState();
    }
    MemorySurface surface;
};

// The first step may start the kernel's threads; every later one must not
// touch the heap at all.
TEST_F(StepAllocation, AFullGalaxyStepsWithoutAllocating) {
    setKernelThreads(0);
    stepSimulation();
    EXPECT_EQ(allocationsDuringOneStep(), 0);
    gRun.dragging = 1;
    EXPECT_EQ(allocationsDuringOneStep(), 0);
}

}  // namespace
}  // namespace corvane
