#pragma once
// A small fixed pool of worker threads for pixel work. Work is split into
// bands of whole items (rows); every item is computed the same way whatever
// the split, so results are byte-identical to a sequential run.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pictavo {

class TWorkerPool {
 public:
  // threads < 1: std::thread::hardware_concurrency() (at least 1). The
  // calling thread works too, so a pool of n threads starts n - 1 workers.
  explicit TWorkerPool(int threads = 0);
  ~TWorkerPool();
  TWorkerPool(const TWorkerPool&) = delete;
  TWorkerPool& operator=(const TWorkerPool&) = delete;

  int ThreadCount() const { return thread_count_; }

  // Calls body(first, last) for consecutive bands [first, last) covering
  // [begin, end), each at least `grain` items long (except the last), and
  // returns when all are done. Runs inline with one thread, for small ranges
  // and when called from inside a band. The first exception thrown by a band
  // is rethrown here after all bands have finished.
  void ParallelFor(int begin, int end, int grain, const std::function<void(int, int)>& body);

 private:
  void WorkerLoop();
  void RunBands();

  int thread_count_ = 1;
  std::vector<std::thread> workers_;
  std::mutex job_mutex_;  // one ParallelFor at a time
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  bool stopping_ = false;
  uint64_t generation_ = 0;
  // The current job (guarded by mutex_ except the band counter).
  const std::function<void(int, int)>* body_ = nullptr;
  int begin_ = 0, end_ = 0, band_ = 1, band_count_ = 0;
  int next_band_ = 0;
  int bands_done_ = 0;
  int active_workers_ = 0;
  std::exception_ptr error_;
};

// The process-wide pool used by the pixel operations when none is passed.
TWorkerPool& DefaultWorkerPool();
// Replaces the process-wide pool by one of `threads` threads (< 1: one per
// core). Call it while no pixel work runs (at start-up, or in tests; 1 gives
// sequential runs).
void SetDefaultWorkerThreads(int threads);

}  // namespace pictavo
