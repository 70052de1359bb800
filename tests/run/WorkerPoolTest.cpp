// The worker pool: every posted task runs exactly once before Shutdown returns, tasks are
// released unrun only when no worker exists, thread-creation failures undo the pool, and the
// pool can be made again. The Threads suites run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Sync.h"
#include "platform/Thread.h"
#include "run/WorkerPool.h"

namespace {

// What happened to each task of a test.
struct Tally {
  explicit Tally(std::size_t tasks) : runs(tasks), releases(tasks) {}
  std::vector<std::atomic<int>> runs;
  std::vector<std::atomic<int>> releases;
  std::atomic<int> contextSum{0};
  int TotalRuns() const {
    int total = 0;
    for (const auto& r : runs) total += r.load();
    return total;
  }
  int TotalReleases() const {
    int total = 0;
    for (const auto& r : releases) total += r.load();
    return total;
  }
};

// A task that records its run (after optional busy yields or a wait on a gate) and deletes
// itself, as the slot tasks do.
class CountingTask : public CPoolTask {
 public:
  CountingTask(Tally& tally, std::size_t index, int yields = 0, platform::Event* gate = nullptr)
      : m_tally(tally), m_index(index), m_yields(yields), m_gate(gate) {}
  void Run(std::uint32_t context) override {
    if (m_gate) m_gate->Wait();
    for (int i = 0; i < m_yields; ++i) std::this_thread::yield();
    m_tally.contextSum += static_cast<int>(context);
    ++m_tally.runs[m_index];
    delete this;
  }
  void Release() override {
    ++m_tally.releases[m_index];
    delete this;
  }

 private:
  Tally& m_tally;
  std::size_t m_index;
  int m_yields;
  platform::Event* m_gate;
};

class ThrowingTask : public CPoolTask {
 public:
  explicit ThrowingTask(std::atomic<int>& runs) : m_runs(runs) {}
  void Run(std::uint32_t) override {
    ++m_runs;
    delete this;
    throw std::runtime_error("task fault");
  }
  void Release() override { delete this; }

 private:
  std::atomic<int>& m_runs;
};

// A task that runs a function and deletes itself.
class FunctionTask : public CPoolTask {
 public:
  explicit FunctionTask(std::function<void()> body) : m_body(std::move(body)) {}
  void Run(std::uint32_t) override {
    m_body();
    delete this;
  }
  void Release() override { delete this; }

 private:
  std::function<void()> m_body;
};

// A pool whose k-th thread cannot be started.
class FailingPool : public CWorkerPool {
 public:
  explicit FailingPool(std::uint32_t failAt) : m_failAt(failAt) {}
  std::uint32_t started = 0;

 protected:
  bool StartWorkerThread(platform::Thread& thread, std::function<void()> body) override {
    if (started == m_failAt) return false;
    ++started;
    return CWorkerPool::StartWorkerThread(thread, std::move(body));
  }

 private:
  std::uint32_t m_failAt;
};

TEST(WorkerPool, APoolWithoutWorkersReleasesItsTasksAtShutdown) {
  Tally tally(3);
  CWorkerPool pool;
  ASSERT_TRUE(pool.Create(0, nullptr));
  EXPECT_TRUE(pool.IsRunning());
  EXPECT_EQ(pool.WorkerCount(), 0u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(pool.Post(new CountingTask(tally, i)));
  pool.Shutdown();
  EXPECT_EQ(tally.TotalRuns(), 0);
  EXPECT_EQ(tally.TotalReleases(), 3);
  EXPECT_FALSE(pool.IsRunning());
}

TEST(WorkerPool, APostToAPoolThatIsNotRunningReleasesTheTask) {
  Tally tally(2);
  CWorkerPool pool;
  EXPECT_FALSE(pool.Post(new CountingTask(tally, 0)));
  ASSERT_TRUE(pool.Create(1, nullptr));
  pool.Shutdown();
  EXPECT_FALSE(pool.Post(new CountingTask(tally, 1)));
  EXPECT_EQ(tally.TotalReleases(), 2);
  EXPECT_EQ(tally.TotalRuns(), 0);
  EXPECT_FALSE(pool.Post(nullptr));
}

TEST(WorkerPool, ACreatedPoolCannotBeCreatedTwice) {
  CWorkerPool pool;
  ASSERT_TRUE(pool.Create(2, nullptr));
  EXPECT_FALSE(pool.Create(3, nullptr));
  EXPECT_EQ(pool.WorkerCount(), 2u);
  pool.Shutdown();
  pool.Shutdown();  // harmless
  EXPECT_FALSE(pool.IsRunning());
}

TEST(WorkerPool, AThreadCreationFailureShutsDownTheWorkersAlreadyMade) {
  FailingPool pool(2);
  EXPECT_FALSE(pool.Create(5, nullptr));
  EXPECT_EQ(pool.started, 2u);
  EXPECT_FALSE(pool.IsRunning());
  EXPECT_EQ(pool.WorkerCount(), 0u);
  // The pool is usable again once threads can be made.
  FailingPool next(99);
  Tally tally(1);
  ASSERT_TRUE(next.Create(1, nullptr));
  EXPECT_TRUE(next.Post(new CountingTask(tally, 0)));
  next.Shutdown();
  EXPECT_EQ(tally.TotalRuns(), 1);
}

TEST(WorkerPoolThreads, EachWorkerHandsItsContextToTheTasks) {
  Tally tally(4);
  CWorkerPool pool;
  const std::uint32_t contexts[] = {7, 7};
  ASSERT_TRUE(pool.Create(2, contexts));
  for (std::size_t i = 0; i < 4; ++i) pool.Post(new CountingTask(tally, i));
  pool.Shutdown();
  EXPECT_EQ(tally.contextSum.load(), 28);
  EXPECT_EQ(tally.TotalRuns(), 4);
}

TEST(WorkerPoolThreads, ShutdownWaitsForQueuedTasksInsteadOfReleasingThem) {
  // One worker, held at the first task: the other four are still queued when Shutdown starts.
  Tally tally(5);
  platform::Event gate(true, false);
  CWorkerPool pool;
  ASSERT_TRUE(pool.Create(1, nullptr));
  pool.Post(new CountingTask(tally, 0, 0, &gate));
  for (std::size_t i = 1; i < 5; ++i) pool.Post(new CountingTask(tally, i));
  std::atomic<bool> shutDown{false};
  std::thread closer([&] {
    pool.Shutdown();
    shutDown = true;
  });
  for (int i = 0; i < 100; ++i) std::this_thread::yield();
  EXPECT_FALSE(shutDown.load());
  gate.Set();
  closer.join();
  EXPECT_TRUE(shutDown.load());
  EXPECT_EQ(tally.TotalRuns(), 5);
  EXPECT_EQ(tally.TotalReleases(), 0);
}

TEST(WorkerPoolThreads, TheDestructorRunsEveryPostedTask) {
  Tally tally(6);
  {
    CWorkerPool pool;
    ASSERT_TRUE(pool.Create(2, nullptr));
    for (std::size_t i = 0; i < 6; ++i) pool.Post(new CountingTask(tally, i, 50));
  }
  EXPECT_EQ(tally.TotalRuns(), 6);
}

TEST(WorkerPoolThreads, AWorkerSurvivesATaskThatThrows) {
  std::atomic<int> thrown{0};
  Tally tally(2);
  CWorkerPool pool;
  ASSERT_TRUE(pool.Create(1, nullptr));
  pool.Post(new ThrowingTask(thrown));
  pool.Post(new CountingTask(tally, 0));
  pool.Post(new CountingTask(tally, 1));
  pool.Shutdown();
  EXPECT_EQ(thrown.load(), 1);
  EXPECT_EQ(tally.TotalRuns(), 2);
}

// Tasks of random length on a given number of workers, posted as the page posts them; each
// must run exactly once and none be released.
void RunRandomTasks(std::uint32_t workers, std::size_t tasks, unsigned seed) {
  Tally tally(tasks);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> length(0, 2000);
  CWorkerPool pool;
  ASSERT_TRUE(pool.Create(workers, nullptr));
  EXPECT_EQ(pool.WorkerCount(), workers);
  for (std::size_t i = 0; i < tasks; ++i) EXPECT_TRUE(pool.Post(new CountingTask(tally, i, length(random))));
  std::thread closer([&] { pool.Shutdown(); });
  closer.join();
  for (std::size_t i = 0; i < tasks; ++i) {
    EXPECT_EQ(tally.runs[i].load(), 1) << "task " << i;
    EXPECT_EQ(tally.releases[i].load(), 0) << "task " << i;
  }
}

TEST(WorkerPoolThreads, TwentyFourTasksOnTwentyFourWorkersRunOnceEach) { RunRandomTasks(24, 24, 1); }

TEST(WorkerPoolThreads, TwentyFourTasksOnOneWorkerRunOnceEach) { RunRandomTasks(1, 24, 2); }

TEST(WorkerPoolThreads, APoolIsCreatedAgainForEveryPass) {
  CWorkerPool pool;
  for (unsigned pass = 0; pass < 3; ++pass) {
    Tally tally(8);
    ASSERT_TRUE(pool.Create(4, nullptr));
    for (std::size_t i = 0; i < 8; ++i) pool.Post(new CountingTask(tally, i, 10));
    pool.Shutdown();
    EXPECT_EQ(tally.TotalRuns(), 8);
  }
}

// The production page's pool keeps its workers between passes: a later pass runs on the
// threads of the earlier ones (starting only the workers it needs beyond them), every task
// still runs once before Shutdown returns, and the kept workers end with the pool.
TEST(WorkerPoolThreads, AKeepingPoolRunsLaterPassesOnItsKeptWorkers) {
  std::mutex lock;
  std::set<unsigned long> threadsOfPass[3];
  const std::uint32_t workers[3] = {4, 2, 6};
  {
    CWorkerPool pool;
    pool.KeepWorkersBetweenPasses();
    for (unsigned pass = 0; pass < 3; ++pass) {
      Tally tally(workers[pass]);
      ASSERT_TRUE(pool.Create(workers[pass], nullptr));
      EXPECT_EQ(pool.KeptWorkerCount(), 0u);
      platform::Event gate(true, false);
      std::atomic<std::uint32_t> arrived{0};
      for (std::size_t i = 0; i < workers[pass]; ++i) {
        pool.Post(new FunctionTask([&, pass, i] {
          {
            std::lock_guard guard(lock);
            threadsOfPass[pass].insert(platform::CurrentThreadId());
          }
          // Every task of the pass waits for the others: each has a worker of its own.
          if (arrived.fetch_add(1) + 1 == workers[pass]) gate.Set();
          gate.Wait();
          ++tally.runs[i];
        }));
      }
      pool.Shutdown();
      EXPECT_EQ(tally.TotalRuns(), static_cast<int>(workers[pass]));
      EXPECT_FALSE(pool.IsRunning());
      EXPECT_EQ(pool.WorkerCount(), 0u);
    }
    EXPECT_EQ(pool.KeptWorkerCount(), 6u);
    pool.EndKeptWorkers();
    EXPECT_EQ(pool.KeptWorkerCount(), 0u);
  }
  EXPECT_EQ(threadsOfPass[0].size(), 4u);
  EXPECT_EQ(threadsOfPass[2].size(), 6u);
  // The second and third passes ran on the first pass's threads (and two more).
  for (unsigned long id : threadsOfPass[1]) EXPECT_EQ(threadsOfPass[0].count(id), 1u);
  std::size_t reused = 0;
  for (unsigned long id : threadsOfPass[2]) reused += threadsOfPass[0].count(id);
  EXPECT_EQ(reused, 4u);
}

// Workers with contexts of their own are never kept: a pass with contexts starts its own.
TEST(WorkerPoolThreads, AKeepingPoolStartsWorkersWithContextsAfresh) {
  CWorkerPool pool;
  pool.KeepWorkersBetweenPasses();
  Tally first(2);
  ASSERT_TRUE(pool.Create(2, nullptr));
  for (std::size_t i = 0; i < 2; ++i) pool.Post(new CountingTask(first, i));
  pool.Shutdown();
  EXPECT_EQ(pool.KeptWorkerCount(), 2u);
  const std::uint32_t contexts[3] = {5, 6, 7};
  Tally second(30);
  ASSERT_TRUE(pool.Create(3, contexts));
  EXPECT_EQ(pool.WorkerCount(), 3u);
  for (std::size_t i = 0; i < 30; ++i) pool.Post(new CountingTask(second, i, 5));
  pool.Shutdown();
  EXPECT_EQ(second.TotalRuns(), 30);
  // Every task ran on one of the three new workers, each context 5, 6 or 7.
  EXPECT_GE(second.contextSum.load(), 30 * 5);
  EXPECT_LE(second.contextSum.load(), 30 * 7);
  EXPECT_EQ(pool.KeptWorkerCount(), 0u);
}

// A pool whose workers' waits fail at the chosen calls (counted over all workers from 0), as
// a failed wait of the system would end a worker.
class FailingWaitPool : public CWorkerPool {
 public:
  explicit FailingWaitPool(std::vector<int> failing) : m_failing(std::move(failing)) {}
  ~FailingWaitPool() override { Shutdown(); }
  std::atomic<int> failed{0};

 protected:
  int WaitForWork(platform::Waitable& stop, platform::Waitable& work) override {
    const int call = m_calls.fetch_add(1);
    if (std::find(m_failing.begin(), m_failing.end(), call) != m_failing.end()) {
      ++failed;
      return platform::kWaitTimeout;
    }
    return CWorkerPool::WaitForWork(stop, work);
  }

 private:
  std::vector<int> m_failing;
  std::atomic<int> m_calls{0};
};

void ExpectEachTaskOnce(const Tally& tally, int runs, int releases) {
  EXPECT_EQ(tally.TotalRuns(), runs);
  EXPECT_EQ(tally.TotalReleases(), releases);
  for (std::size_t i = 0; i < tally.runs.size(); ++i) {
    EXPECT_EQ(tally.runs[i].load() + tally.releases[i].load(), 1) << "task " << i;
  }
}

TEST(WorkerPoolThreads, TheLastWorkerKilledByAFailedWaitReleasesTheQueueAndShutdownReturns) {
  // One worker, held at the first task while four more are queued; its next wait fails.
  Tally tally(5);
  platform::Event gate(true, false);
  FailingWaitPool pool({1});
  ASSERT_TRUE(pool.Create(1, nullptr));
  pool.Post(new CountingTask(tally, 0, 0, &gate));
  for (std::size_t i = 1; i < 5; ++i) EXPECT_TRUE(pool.Post(new CountingTask(tally, i)));
  std::thread closer([&] { pool.Shutdown(); });
  gate.Set();
  closer.join();
  EXPECT_EQ(pool.failed.load(), 1);
  EXPECT_EQ(tally.runs[0].load(), 1);
  ExpectEachTaskOnce(tally, 1, 4);
  EXPECT_FALSE(pool.IsRunning());
}

TEST(WorkerPoolThreads, AWorkerKilledByAFailedWaitHandsTheQueueOnToTheOthers) {
  // Three workers, one of which ends on its first wait: the other two run every task.
  Tally tally(12);
  FailingWaitPool pool({0});
  ASSERT_TRUE(pool.Create(3, nullptr));
  for (std::size_t i = 0; i < 12; ++i) pool.Post(new CountingTask(tally, i, 20));
  std::thread closer([&] { pool.Shutdown(); });
  closer.join();
  EXPECT_EQ(pool.failed.load(), 1);
  ExpectEachTaskOnce(tally, 12, 0);
}

TEST(WorkerPoolThreads, TasksPostedAfterEveryWorkerEndedAreReleasedAtShutdown) {
  Tally tally(3);
  FailingWaitPool pool({0, 1});
  ASSERT_TRUE(pool.Create(2, nullptr));
  while (pool.LiveWorkerCount() > 0) std::this_thread::yield();
  EXPECT_EQ(pool.failed.load(), 2);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(pool.Post(new CountingTask(tally, i)));
  pool.Shutdown();
  ExpectEachTaskOnce(tally, 0, 3);
}

}  // namespace

namespace {

// A keeping pool that lost a worker on a failed wait keeps none: its Shutdown ends them all.
TEST(WorkerPoolThreads, AKeepingPoolThatLostAWorkerEndsTheOthersAtShutdown) {
  Tally tally(6);
  FailingWaitPool pool({0});
  pool.KeepWorkersBetweenPasses();
  ASSERT_TRUE(pool.Create(3, nullptr));
  for (std::size_t i = 0; i < 6; ++i) pool.Post(new CountingTask(tally, i, 10));
  // The worker whose wait failed has given up its place before the pass ends: the others may
  // run every task before it gets that far.
  while (pool.LiveWorkerCount() > 2) std::this_thread::yield();
  pool.Shutdown();
  EXPECT_EQ(pool.failed.load(), 1);
  ExpectEachTaskOnce(tally, 6, 0);
  EXPECT_EQ(pool.KeptWorkerCount(), 0u);
}

}  // namespace
