#include "core/worker_pool.h"

#include <algorithm>

namespace vendrel {

// One loop. Workers hold it by shared pointer, so one that wakes too late
// to take a chunk may still look at the counter after the caller has
// returned; `work` is called only for a chunk taken while columns remain,
// and the caller waits for those.
struct WorkerPool::Loop {
    const std::function<void(int)>* work;
    int last;
    std::atomic<int> next;
    std::atomic<int> remaining;
};

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

void WorkerPool::take_chunks(Loop& loop) {
    for (;;) {
        const int start = loop.next.fetch_add(kChunk, std::memory_order_relaxed);
        if (start > loop.last) {
            return;
        }
        const int end = std::min(start + kChunk - 1, loop.last);
        for (int i = start; i <= end; ++i) {
            (*loop.work)(i);
        }
        if (loop.remaining.fetch_sub(end - start + 1, std::memory_order_acq_rel) ==
            end - start + 1) {
            // The last columns: wake the caller (under the lock, so that the
            // wake-up cannot fall between its test and its wait).
            std::lock_guard<std::mutex> lock(mutex_);
            done_.notify_all();
        }
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
    auto loop = std::make_shared<Loop>();
    loop->work = &work;
    loop->last = last;
    loop->next.store(first);
    loop->remaining.store(last - first + 1);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        loop_ = loop;
        ++generation_;
    }
    wake_.notify_all();
    take_chunks(*loop);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return loop->remaining.load(std::memory_order_acquire) == 0; });
    loop_.reset();
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
        std::shared_ptr<Loop> loop = loop_;
        if (!loop) {
            continue;  // woke after the loop had ended
        }
        lock.unlock();
        take_chunks(*loop);
        loop.reset();
        lock.lock();
    }
}

}  // namespace vendrel
