#include "core/worker_pool.h"

#include <algorithm>

namespace vendrel {

WorkerPool::WorkerPool(int threads) {
    for (int t = 1; t < threads; ++t) {
        workers_.emplace_back([this] { worker_main(); });
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& w : workers_) {
        w.join();
    }
}

int WorkerPool::take_chunks() {
    int done = 0;
    for (;;) {
        const int start = next_.fetch_add(kChunk, std::memory_order_relaxed);
        if (start > last_) {
            return done;
        }
        const int end = std::min(start + kChunk - 1, last_);
        for (int i = start; i <= end; ++i) {
            (*work_)(i);
        }
        done += end - start + 1;
    }
}

void WorkerPool::for_each_column(int first, int last, const std::function<void(int)>& work) {
    if (last < first) {
        return;
    }
    if (workers_.empty() || last - first < kChunk) {
        for (int i = first; i <= last; ++i) {
            work(i);
        }
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_ = &work;
        first_ = first;
        last_ = last;
        next_.store(first, std::memory_order_relaxed);
        remaining_ = last - first + 1;
        ++generation_;
    }
    wake_.notify_all();
    const int done = take_chunks();
    std::unique_lock<std::mutex> lock(mutex_);
    remaining_ -= done;
    // Also waits for workers that joined the loop too late to take a chunk,
    // so that none of them is still reading this loop when the next starts.
    done_.wait(lock, [this] { return remaining_ == 0 && joined_ == 0; });
    work_ = nullptr;
}

void WorkerPool::worker_main() {
    unsigned seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) {
            return;
        }
        seen = generation_;
        if (remaining_ == 0) {
            continue;  // woke after the loop had ended
        }
        ++joined_;
        lock.unlock();
        const int done = take_chunks();
        lock.lock();
        remaining_ -= done;
        --joined_;
        if (remaining_ == 0 && joined_ == 0) {
            done_.notify_one();
        }
    }
}

}  // namespace vendrel
