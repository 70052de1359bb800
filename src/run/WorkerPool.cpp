#include "run/WorkerPool.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/Debug.h"

// Everything a created pool holds; made by Create and freed by Shutdown.
struct CWorkerPool::Running {
  static constexpr long kMaximumQueued = 0x7FFFFFFF;

  platform::Event stop{true, false};
  platform::Semaphore work{0, kMaximumQueued};
  // Set while no posted task is waiting or running.
  platform::Event allDone{true, true};
  platform::CriticalSection queueLock;
  std::deque<CPoolTask*> queue;
  // Tasks posted whose Run has not yet ended; guarded by queueLock.
  std::size_t unfinished = 0;
  // Workers that still take tasks; guarded by queueLock.
  std::uint32_t liveWorkers = 0;
  std::vector<platform::Thread> threads;
  // No worker has a context other than 0 (only such workers are kept between passes).
  bool plainContexts = true;
};

CWorkerPool::CWorkerPool() = default;

CWorkerPool::~CWorkerPool() {
  Shutdown();
  EndKeptWorkers();
}

bool CWorkerPool::IsRunning() const { return m_running != nullptr; }

std::uint32_t CWorkerPool::LiveWorkerCount() const {
  if (!m_running) return 0;
  platform::CriticalSectionGuard guard(m_running->queueLock);
  return m_running->liveWorkers;
}

bool CWorkerPool::StartWorkerThread(platform::Thread& thread, std::function<void()> body) {
  return thread.Start(std::move(body), kWorkerStackBytes, platform::ThreadPriority::Highest);
}

std::uint32_t CWorkerPool::KeptWorkerCount() const {
  return m_kept ? static_cast<std::uint32_t>(m_kept->threads.size()) : 0;
}

bool CWorkerPool::Create(std::uint32_t count, const std::uint32_t* contexts) {
  if (m_running) return false;
  // Kept workers all have context 0: they serve a pool whose workers have no other.
  const bool plainContexts =
      contexts == nullptr || std::all_of(contexts, contexts + count, [](std::uint32_t c) { return c == 0; });
  if (m_kept && !plainContexts) EndKeptWorkers();
  std::uint32_t first = 0;
  try {
    if (m_kept) {
      m_running = std::move(m_kept);
      first = static_cast<std::uint32_t>(m_running->threads.size());
      if (first < count) m_running->threads.resize(count);
    } else {
      m_running = std::make_unique<Running>();
      m_running->threads.resize(count);
      m_running->plainContexts = plainContexts;
    }
  } catch (const std::exception&) {
    if (m_running && first > 0) {
      m_running->threads.resize(first);
      EndWorkers(*m_running);
    }
    m_running.reset();
    return false;
  }
  m_workerCount = first;
  return StartWorkers(first, count, contexts);
}

bool CWorkerPool::StartWorkers(std::uint32_t first, std::uint32_t count, const std::uint32_t* contexts) {
  for (std::uint32_t i = first; i < count; ++i) {
    const std::uint32_t context = contexts != nullptr ? contexts[i] : 0;
    {
      platform::CriticalSectionGuard guard(m_running->queueLock);
      ++m_running->liveWorkers;
    }
    Running* running = m_running.get();  // the workers' own: it outlives a move to m_kept
    if (!StartWorkerThread(m_running->threads[i], [this, running, context] { WorkerThread(*running, context); })) {
      platform::DebugOutput("CWorkerPool: a worker thread could not be started\n");
      {
        platform::CriticalSectionGuard guard(m_running->queueLock);
        --m_running->liveWorkers;
      }
      Shutdown();
      return false;
    }
    m_workerCount = i + 1;
  }
  return true;
}

bool CWorkerPool::Post(CPoolTask* task) {
  if (task == nullptr) return false;
  if (!m_running) {
    task->Release();
    return false;
  }
  bool counted = false;
  {
    platform::CriticalSectionGuard guard(m_running->queueLock);
    m_running->queue.push_back(task);
    // Without a worker to run it, the task waits for Shutdown to release it and does not
    // hold Shutdown's wait.
    if (m_running->liveWorkers > 0) {
      ++m_running->unfinished;
      m_running->allDone.Reset();
      counted = true;
    }
  }
  // Every worker has ended: the task waits for Shutdown, and no worker will take it.
  if (!counted && m_workerCount > 0) return false;
  if (m_running->work.Release(1)) return true;
  if (!counted) return false;
  // No worker will be told about this task: it is left for Shutdown to release, and it does
  // not hold Shutdown's wait.
  TaskDone(*m_running);
  return false;
}

CPoolTask* CWorkerPool::Pop(Running& running) {
  platform::CriticalSectionGuard guard(running.queueLock);
  if (running.queue.empty()) return nullptr;
  CPoolTask* task = running.queue.front();
  running.queue.pop_front();
  return task;
}

void CWorkerPool::TaskDone(Running& running) {
  platform::CriticalSectionGuard guard(running.queueLock);
  if (running.unfinished > 0) --running.unfinished;
  if (running.unfinished == 0) running.allDone.Set();
}

int CWorkerPool::WaitForWork(platform::Waitable& stop, platform::Waitable& work) {
  return platform::WaitForAny({&stop, &work});
}

void CWorkerPool::WorkerLost(Running& running) {
  std::deque<CPoolTask*> orphans;
  bool othersLeft = false;
  {
    platform::CriticalSectionGuard guard(running.queueLock);
    if (running.liveWorkers > 0) --running.liveWorkers;
    othersLeft = running.liveWorkers > 0;
    if (!othersLeft) orphans.swap(running.queue);
  }
  if (othersLeft) {
    // The queue goes on to the workers left; one more wake-up covers a count this worker
    // may have taken (a worker woken for nothing finds the queue empty and waits again).
    running.work.Release(1);
    return;
  }
  // The last worker: nothing would ever run what is queued, so it is released now.
  for (CPoolTask* task : orphans) {
    task->Release();
    TaskDone(running);
  }
}

void CWorkerPool::WorkerThread(Running& running, std::uint32_t context) {
  for (;;) {
    // The stop event comes first: a worker that finds both signalled ends.
    const int signalled = WaitForWork(running.stop, running.work);
    if (signalled == 0) return;
    if (signalled != 1) {
      platform::DebugOutput("CWorkerPool: a worker ended on a failed wait\n");
      WorkerLost(running);
      return;
    }
    CPoolTask* task = Pop(running);
    if (task == nullptr) continue;
    try {
      task->Run(context);
    } catch (...) {
      // A task must not throw; the worker survives one that does.
      platform::DebugOutput("CWorkerPool: a task ended with an exception\n");
    }
    TaskDone(running);
  }
}

void CWorkerPool::Shutdown() {
  if (!m_running) return;
  // Every posted task runs to its end first, as long as there is a worker to run it (a
  // worker that ends early hands its queue on, the last one releases it).
  m_running->allDone.Wait();
  bool keep = false;
  if (m_keepWorkers) {
    // Every task has run and every worker is back at its wait: the semaphore holds no count
    // (each task's one was taken by the worker that ran it), so the idle workers wait for
    // the tasks of the next pass. A pool that lost a worker ends them all.
    platform::CriticalSectionGuard guard(m_running->queueLock);
    keep = m_running->plainContexts && m_running->queue.empty() && m_running->unfinished == 0 &&
           m_running->liveWorkers == m_running->threads.size() && m_workerCount == m_running->threads.size();
  }
  if (keep) {
    m_kept = std::move(m_running);
  } else {
    EndWorkers(*m_running);
    m_running.reset();
  }
  m_workerCount = 0;
}

void CWorkerPool::EndWorkers(Running& running) {
  running.stop.Set();
  for (platform::Thread& thread : running.threads) {
    if (thread.Joinable()) thread.Join();
  }
  // No worker is left: what is still queued will never run.
  while (!running.queue.empty()) {
    CPoolTask* task = running.queue.front();
    running.queue.pop_front();
    task->Release();
  }
}

void CWorkerPool::EndKeptWorkers() {
  if (!m_kept) return;
  EndWorkers(*m_kept);
  m_kept.reset();
}
