#pragma once
// CWorkerPool: runs the per-slot test tasks of a pass on a fixed set of worker threads
// (3 MB stacks, highest priority). The page creates the pool when a pass starts (on the
// workers it kept from the pass before, see KeepWorkersBetweenPasses), posts one task per
// selected and mapped port, and shuts the pool down from a helper while its own thread keeps
// pumping messages.
//
// Calling order: Create, any number of Post, then Shutdown from a thread that is not a worker;
// after Shutdown the pool may be created again. Shutdown first waits until every posted task
// has run to its end and only then stops the workers, so no posted task is lost; a task is
// released unrun only when the pool has no worker to run it (a pool of 0 workers, a task
// left over when a semaphore release failed, or tasks queued when the last worker ended on
// a failed wait). Whatever happens to a worker, Shutdown returns once every posted task has
// run or been released, each exactly once: a worker that ends early hands the queue on to
// the others, and the last one releases it. Shutdown twice is harmless, and the destructor
// shuts a running pool down.
//
// A pool told to keep its workers (KeepWorkersBetweenPasses) does not end them at Shutdown
// when every one of them is still taking tasks and none has a context of its own: they wait,
// idle, for the next Create, which takes them (and starts only the workers it needs beyond
// them), so that a pass does not pay for starting and ending a thread per slot. Such a pool
// may run as many tasks at once as it has workers kept, which can be more than the count of
// the latest Create; the production page posts one task per worker. The kept workers end
// when the pool is destroyed or EndKeptWorkers is called.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Sync.h"
#include "platform/Thread.h"

// What the pool knows of a task. The task owns itself: Run does its whole work on the calling
// worker and deletes the task before it returns; Release deletes a task that will not run.
class CPoolTask {
 public:
  virtual void Run(std::uint32_t context) = 0;
  virtual void Release() = 0;

 protected:
  virtual ~CPoolTask() = default;
};

class CWorkerPool {
 public:
  static constexpr std::size_t kWorkerStackBytes = 3 * 1024 * 1024;

  CWorkerPool();
  virtual ~CWorkerPool();
  CWorkerPool(const CWorkerPool&) = delete;
  CWorkerPool& operator=(const CWorkerPool&) = delete;

  // Starts count workers; contexts (count values, or null for 0 each) are handed to the Run of
  // every task the worker takes. False when the pool is already running or a worker could not
  // be started; the workers already started are then shut down again.
  bool Create(std::uint32_t count, const std::uint32_t* contexts);
  // Queues the task for the next free worker; true when a worker will take it. On a pool that
  // is not running the task is released at once and the result is false.
  bool Post(CPoolTask* task);
  // Waits until every posted task has run, stops the workers and frees the pool's resources
  // (or keeps the workers idle for the next Create, see KeepWorkersBetweenPasses).
  void Shutdown();
  // From now on Shutdown keeps the workers for the next Create where it can.
  void KeepWorkersBetweenPasses() { m_keepWorkers = true; }
  // Ends the workers kept idle by the last Shutdown (waits for their threads to end).
  void EndKeptWorkers();
  // Worker threads kept idle between passes (0 while the pool is running).
  std::uint32_t KeptWorkerCount() const;

  bool IsRunning() const;
  std::uint32_t WorkerCount() const { return m_workerCount; }
  // Workers that still take tasks (fewer than WorkerCount once a worker ended on a failed wait).
  std::uint32_t LiveWorkerCount() const;

 protected:
  // Starts one worker thread; a test seam for thread-creation failures.
  virtual bool StartWorkerThread(platform::Thread& thread, std::function<void()> body);
  // A worker's wait for {stop, work}: 0 stop, 1 work, anything else a failed wait that ends
  // the worker; a test seam for failed waits.
  virtual int WaitForWork(platform::Waitable& stop, platform::Waitable& work);

 private:
  struct Running;  // the queue, semaphore, events and threads of a created pool
  // Starts the workers m_running->threads[first..] with their contexts; false (and the pool
  // shut down) when one could not be started.
  bool StartWorkers(std::uint32_t first, std::uint32_t count, const std::uint32_t* contexts);
  // Stops the workers of a pool that has run its tasks, joins them and releases what is queued.
  static void EndWorkers(Running& running);
  // The head task, or null when the queue is empty.
  static CPoolTask* Pop(Running& running);
  // A worker's loop over the tasks of its pool's queue (kept across passes, see above).
  void WorkerThread(Running& running, std::uint32_t context);
  // A worker finished a task: counts it, and wakes Shutdown when it was the last one.
  static void TaskDone(Running& running);
  // A worker ends on a failed wait: the queue goes on to the workers left, or is released.
  static void WorkerLost(Running& running);

  std::unique_ptr<Running> m_running;
  std::unique_ptr<Running> m_kept;  // idle workers waiting for the next Create
  std::uint32_t m_workerCount = 0;
  bool m_keepWorkers = false;
};
