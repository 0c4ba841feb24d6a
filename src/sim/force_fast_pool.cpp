#include "sim/force_fast_pool.h"

namespace corvane::fastkernel {

WorkerPool::~WorkerPool() {
    stopping_.store(true, std::memory_order_release);
    for (auto& slot : slots_) {
        slot->generation.fetch_add(1, std::memory_order_release);
        slot->generation.notify_one();
    }
    for (std::thread& worker : workers_) worker.join();
}

void WorkerPool::reserve(int threads) {
    while (static_cast<int>(workers_.size()) < threads - 1) {
        slots_.push_back(std::make_unique<Slot>());
        Slot& slot = *slots_.back();
        workers_.emplace_back([this, &slot] { workerLoop(slot); });
    }
}

void WorkerPool::run(int threads, Job job, void* context) {
    if (threads > 1) {
        reserve(threads);
        job_ = job;
        context_ = context;
        running_.store(threads - 1, std::memory_order_relaxed);
        for (int t = 1; t < threads; ++t) {
            Slot& slot = *slots_[t - 1];
            slot.thread = t;
            slot.threads = threads;
            slot.generation.fetch_add(1, std::memory_order_release);
            slot.generation.notify_one();
        }
    }
    job(context, 0, threads > 1 ? threads : 1);
    if (threads <= 1) return;
    // Blocks (after the library's brief spin) until the last worker is done.
    for (int left = running_.load(std::memory_order_acquire); left != 0;
         left = running_.load(std::memory_order_acquire)) {
        running_.wait(left, std::memory_order_acquire);
    }
}

void WorkerPool::workerLoop(Slot& slot) {
    std::uint32_t seen = 0;
    for (;;) {
        slot.generation.wait(seen, std::memory_order_acquire);
        seen = slot.generation.load(std::memory_order_acquire);
        if (stopping_.load(std::memory_order_acquire)) return;
        job_(context_, slot.thread, slot.threads);
        if (running_.fetch_sub(1, std::memory_order_acq_rel) == 1) running_.notify_one();
    }
}

}  // namespace corvane::fastkernel
