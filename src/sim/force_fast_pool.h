#pragma once
// The fast kernel's threads: the caller is thread 0, the others are workers
// that sleep in the kernel's futex between steps, so an idle program leaves
// its cores to everything else.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace corvane::fastkernel {

class WorkerPool {
  public:
    using Job = void (*)(void* context, int thread, int threads);

    WorkerPool() = default;
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Makes sure `threads` - 1 workers exist; the only call that allocates.
    void reserve(int threads);

    // Runs job(context, t, threads) on the caller as t = 0 and on the workers
    // that wake before the caller's own call returns; a worker the system
    // has not run by then stays out, so a busy core never holds up the
    // caller. The job must therefore share its work out dynamically.
    // Returns the number of threads that took part, the caller included.
    int runJoining(int threads, Job job, void* context);
    // The same, but waits for every one of the `threads`.
    void runAll(int threads, Job job, void* context);

  private:
    // One cache line per worker: its wake-up count and its fixed place.
    struct alignas(64) Slot {
        std::atomic<std::uint32_t> generation{0};
        int thread = 0;
    };

    // state_: the run's number in bits 32-63, kClosed, and the workers inside
    // it in bits 0-30. A worker enters a run at most once, only while it is
    // open and only if the run has a place for it.
    static constexpr std::uint64_t kClosed = 1ull << 31;
    static constexpr std::uint64_t kInsideMask = kClosed - 1;

    void wake(int threads, Job job, void* context);
    void closeAndWaitForLeavers();
    void workerLoop(Slot& slot);
    bool enter(int thread, std::uint64_t& lastRun);

    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<std::thread> workers_;
    Job job_ = nullptr;
    void* context_ = nullptr;
    std::uint64_t run_ = 0;
    std::atomic<std::uint64_t> state_{kClosed};
    std::atomic<int> threads_{0};   // of the current run
    std::atomic<int> finished_{0};  // workers done with the current run
    std::atomic<int> entered_{0};   // workers that entered the current run
    std::atomic<bool> stopping_{false};
};

}  // namespace corvane::fastkernel
