#include "imaging/worker_pool.h"

#include <algorithm>
#include <memory>

namespace pictavo {

namespace {
thread_local bool tls_in_band = false;

struct TBandFlag {
  bool old;
  TBandFlag() : old(tls_in_band) { tls_in_band = true; }
  ~TBandFlag() { tls_in_band = old; }
};
}  // namespace

TWorkerPool::TWorkerPool(int threads) {
  if (threads < 1) threads = static_cast<int>(std::thread::hardware_concurrency());
  thread_count_ = std::max(1, threads);
  for (int i = 1; i < thread_count_; ++i) workers_.emplace_back([this] { WorkerLoop(); });
}

TWorkerPool::~TWorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& t : workers_) t.join();
}

void TWorkerPool::RunBands() {
  TBandFlag flag;
  for (;;) {
    int band;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (next_band_ >= band_count_) return;
      band = next_band_++;
    }
    const int first = begin_ + band * band_;
    const int last = std::min(end_, first + band_);
    std::exception_ptr err;
    try {
      (*body_)(first, last);
    } catch (...) {
      err = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (err && !error_) error_ = err;
    if (++bands_done_ == band_count_) done_.notify_all();
  }
}

void TWorkerPool::WorkerLoop() {
  uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      ++active_workers_;
    }
    RunBands();
    std::lock_guard<std::mutex> lock(mutex_);
    if (--active_workers_ == 0) done_.notify_all();
  }
}

void TWorkerPool::ParallelFor(int begin, int end, int grain,
                              const std::function<void(int, int)>& body) {
  if (end <= begin) return;
  grain = std::max(1, grain);
  const int count = end - begin;
  if (thread_count_ == 1 || tls_in_band || count <= grain) {
    body(begin, end);
    return;
  }
  // Several bands per thread so that uneven bands balance out.
  const int wanted_bands = thread_count_ * 4;
  const int band = std::max(grain, (count + wanted_bands - 1) / wanted_bands);
  std::lock_guard<std::mutex> job_lock(job_mutex_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    body_ = &body;
    begin_ = begin;
    end_ = end;
    band_ = band;
    band_count_ = (count + band - 1) / band;
    next_band_ = 0;
    bands_done_ = 0;
    error_ = nullptr;
    ++generation_;
  }
  wake_.notify_all();
  RunBands();
  std::exception_ptr err;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return bands_done_ == band_count_ && active_workers_ == 0; });
    body_ = nullptr;
    err = error_;
    error_ = nullptr;
  }
  if (err) std::rethrow_exception(err);
}

namespace {
std::unique_ptr<TWorkerPool>& DefaultPoolSlot() {
  static std::unique_ptr<TWorkerPool> pool;
  return pool;
}
std::mutex& DefaultPoolMutex() {
  static std::mutex m;
  return m;
}
}  // namespace

TWorkerPool& DefaultWorkerPool() {
  std::lock_guard<std::mutex> lock(DefaultPoolMutex());
  auto& slot = DefaultPoolSlot();
  if (!slot) slot = std::make_unique<TWorkerPool>(0);
  return *slot;
}

void SetDefaultWorkerThreads(int threads) {
  std::lock_guard<std::mutex> lock(DefaultPoolMutex());
  auto& slot = DefaultPoolSlot();
  slot.reset();
  slot = std::make_unique<TWorkerPool>(threads);
}

}  // namespace pictavo
