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
    // Runs job(context, t, threads) for t in [0, threads), thread 0 on the
    // caller, and returns when every one has returned.
    void run(int threads, Job job, void* context);

  private:
    // One cache line per worker: its wake-up count and its part of a run.
    struct alignas(64) Slot {
        std::atomic<std::uint32_t> generation{0};
        int thread = 0;
        int threads = 0;
    };

    void workerLoop(Slot& slot);

    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<std::thread> workers_;
    Job job_ = nullptr;
    void* context_ = nullptr;
    std::atomic<int> running_{0};  // workers still inside the current run
    std::atomic<bool> stopping_{false};
};

}  // namespace corvane::fastkernel
