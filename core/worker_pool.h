#pragma once
// Worker threads for the engine's large column loops (recording and
// compaction, whose work grows with the number of horizons).
//
// for_each_column(first, last, work) calls work(i) once for every i in
// first..last and returns when all calls are done. The range is cut into
// chunks that the calling thread and the workers take in turn from a shared
// counter, so a worker that the system leaves waiting for a processor holds
// up nothing but the chunk it already took: with the other processor busy,
// the caller simply does the rest itself, and it never waits for a worker
// that took no chunk. Idle workers sleep on a condition variable; nothing
// spins. Each column's work must not depend on any other
// column's in the same loop, so results do not depend on which thread did
// which column.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vendrel {

class WorkerPool {
  public:
    // `threads` counts the caller: 1 (or less) starts no worker.
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Threads that share a loop, the caller included.
    int threads() const { return int(workers_.size()) + 1; }

    void for_each_column(int first, int last, const std::function<void(int)>& work);

  private:
    static constexpr int kChunk = 32;
    struct Loop;

    // Takes chunks of `loop` until none is left.
    void take_chunks(Loop& loop);
    void worker_main();

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;  // workers: a loop started, or the end
    std::condition_variable done_;  // caller: the last column is done
    std::shared_ptr<Loop> loop_;    // the current loop; under mutex_
    unsigned generation_ = 0;       // under mutex_
    bool stopping_ = false;         // under mutex_
};

}  // namespace vendrel
