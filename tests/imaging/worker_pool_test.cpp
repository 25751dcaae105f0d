#include "imaging/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace pictavo {
namespace {

TEST(WorkerPool, EveryIndexRunsExactlyOnce) {
  for (int threads : {1, 2, 5}) {
    TWorkerPool pool(threads);
    EXPECT_EQ(pool.ThreadCount(), threads);
    struct TRange {
      int begin, end, grain;
    };
    for (const TRange& range :
         {TRange{0, 1000, 1}, TRange{5, 6, 1}, TRange{-3, 97, 7}, TRange{0, 10, 100}}) {
      const int begin = range.begin, end = range.end, grain = range.grain;
      std::vector<std::atomic<int>> hits(static_cast<size_t>(end - begin));
      pool.ParallelFor(begin, end, grain, [&](int first, int last) {
        EXPECT_LE(begin, first);
        EXPECT_LT(first, last);
        EXPECT_LE(last, end);
        for (int i = first; i < last; ++i) ++hits[static_cast<size_t>(i - begin)];
      });
      for (auto& h : hits) EXPECT_EQ(h.load(), 1);
    }
    pool.ParallelFor(3, 3, 1, [](int, int) { ADD_FAILURE() << "empty range ran"; });
  }
}

TEST(WorkerPool, DefaultUsesAllCoresAtLeastOne) {
  TWorkerPool pool;
  EXPECT_GE(pool.ThreadCount(), 1);
  EXPECT_EQ(pool.ThreadCount(), std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
}

TEST(WorkerPool, OneThreadRunsOnTheCaller) {
  TWorkerPool pool(1);
  const auto me = std::this_thread::get_id();
  pool.ParallelFor(0, 100, 1, [&](int, int) { EXPECT_EQ(std::this_thread::get_id(), me); });
}

// Bands that wait (not compute, so that a busy machine does not matter) are
// taken by the workers too.
TEST(WorkerPool, BandsRunOnSeveralThreads) {
  TWorkerPool pool(3);
  std::mutex m;
  std::set<std::thread::id> ids;
  pool.ParallelFor(0, 12, 1, [&](int, int) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard<std::mutex> lock(m);
    ids.insert(std::this_thread::get_id());
  });
  EXPECT_GE(ids.size(), 2u);
}

TEST(WorkerPool, ErrorsReachTheCallerAndThePoolGoesOn) {
  TWorkerPool pool(3);
  EXPECT_THROW(pool.ParallelFor(0, 100, 1,
                                [](int first, int) {
                                  if (first == 0) throw std::runtime_error("band failed");
                                }),
               std::runtime_error);
  std::atomic<int> sum{0};
  pool.ParallelFor(0, 100, 1, [&](int first, int last) {
    for (int i = first; i < last; ++i) sum += i;
  });
  EXPECT_EQ(sum.load(), 4950);
}

TEST(WorkerPool, NestedCallsRunInline) {
  TWorkerPool pool(2);
  std::atomic<int> count{0};
  pool.ParallelFor(0, 8, 1, [&](int first, int last) {
    for (int i = first; i < last; ++i) {
      pool.ParallelFor(0, 10, 1, [&](int a, int b) { count += b - a; });
    }
  });
  EXPECT_EQ(count.load(), 80);
}

TEST(WorkerPool, DefaultPoolCanBeMadeSequential) {
  SetDefaultWorkerThreads(1);
  EXPECT_EQ(DefaultWorkerPool().ThreadCount(), 1);
  SetDefaultWorkerThreads(0);
  EXPECT_GE(DefaultWorkerPool().ThreadCount(), 1);
}

}  // namespace
}  // namespace pictavo
