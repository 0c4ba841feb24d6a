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
        slot.thread = static_cast<int>(slots_.size());
        workers_.emplace_back([this, &slot] { workerLoop(slot); });
    }
}

void WorkerPool::wake(int threads, Job job, void* context) {
    reserve(threads);
    job_ = job;
    context_ = context;
    run_ = (run_ + 1) & 0xFFFFFFFFu;
    finished_.store(0, std::memory_order_relaxed);
    entered_.store(0, std::memory_order_relaxed);
    threads_.store(threads, std::memory_order_relaxed);
    state_.store(run_ << 32, std::memory_order_release);
    for (int t = 1; t < threads; ++t) {
        Slot& slot = *slots_[t - 1];
        slot.generation.fetch_add(1, std::memory_order_release);
        slot.generation.notify_one();
    }
}

int WorkerPool::runJoining(int threads, Job job, void* context) {
    if (threads <= 1) {
        job(context, 0, 1);
        return 1;
    }
    wake(threads, job, context);
    job(context, 0, threads);
    closeAndWaitForLeavers();
    return 1 + entered_.load(std::memory_order_relaxed);
}

// Blocks (after the library's brief spin) until the last worker inside has
// left; none can enter any more. Only then may the next run reset the counts:
// a worker still leaving would otherwise count itself into that run.
void WorkerPool::closeAndWaitForLeavers() {
    for (std::uint64_t s = state_.fetch_or(kClosed, std::memory_order_acq_rel) | kClosed;
         (s & kInsideMask) != 0; s = state_.load(std::memory_order_acquire)) {
        state_.wait(s, std::memory_order_acquire);
    }
}

void WorkerPool::runAll(int threads, Job job, void* context) {
    if (threads <= 1) {
        job(context, 0, 1);
        return;
    }
    wake(threads, job, context);
    job(context, 0, threads);
    for (int done = finished_.load(std::memory_order_acquire); done != threads - 1;
         done = finished_.load(std::memory_order_acquire)) {
        finished_.wait(done, std::memory_order_acquire);
    }
    closeAndWaitForLeavers();
}

void WorkerPool::workerLoop(Slot& slot) {
    std::uint32_t seen = 0;
    std::uint64_t lastRun = 0;
    for (;;) {
        slot.generation.wait(seen, std::memory_order_acquire);
        seen = slot.generation.load(std::memory_order_acquire);
        if (stopping_.load(std::memory_order_acquire)) return;
        if (!enter(slot.thread, lastRun)) continue;
        job_(context_, slot.thread, threads_.load(std::memory_order_relaxed));
        // Counted done before leaving, so the count is the run's own.
        finished_.fetch_add(1, std::memory_order_acq_rel);
        finished_.notify_one();
        const std::uint64_t left = state_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if ((left & kInsideMask) == 0 && (left & kClosed) != 0) state_.notify_one();
    }
}

// A thread count read after the state it belongs to is that run's: the
// caller writes it before it opens the run, and cannot change it before the
// run has closed, which makes the exchange fail.
bool WorkerPool::enter(int thread, std::uint64_t& lastRun) {
    std::uint64_t s = state_.load(std::memory_order_acquire);
    for (;;) {
        const std::uint64_t run = s >> 32;
        if ((s & kClosed) != 0 || run == lastRun ||
            thread >= threads_.load(std::memory_order_relaxed)) {
            return false;
        }
        if (state_.compare_exchange_weak(s, s + 1, std::memory_order_acq_rel)) {
            lastRun = run;
            entered_.fetch_add(1, std::memory_order_relaxed);
            return true;
        }
    }
}

}  // namespace corvane::fastkernel
