#include "run/WorkerPool.h"

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
};

CWorkerPool::CWorkerPool() = default;

CWorkerPool::~CWorkerPool() { Shutdown(); }

bool CWorkerPool::IsRunning() const { return m_running != nullptr; }

std::uint32_t CWorkerPool::LiveWorkerCount() const {
  if (!m_running) return 0;
  platform::CriticalSectionGuard guard(m_running->queueLock);
  return m_running->liveWorkers;
}

bool CWorkerPool::StartWorkerThread(platform::Thread& thread, std::function<void()> body) {
  return thread.Start(std::move(body), kWorkerStackBytes, platform::ThreadPriority::Highest);
}

bool CWorkerPool::Create(std::uint32_t count, const std::uint32_t* contexts) {
  if (m_running) return false;
  try {
    m_running = std::make_unique<Running>();
    m_running->threads.resize(count);
  } catch (const std::exception&) {
    m_running.reset();
    return false;
  }
  m_workerCount = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t context = contexts != nullptr ? contexts[i] : 0;
    {
      platform::CriticalSectionGuard guard(m_running->queueLock);
      ++m_running->liveWorkers;
    }
    if (!StartWorkerThread(m_running->threads[i], [this, context] { WorkerThread(context); })) {
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
  TaskDone();
  return false;
}

CPoolTask* CWorkerPool::Pop() {
  platform::CriticalSectionGuard guard(m_running->queueLock);
  if (m_running->queue.empty()) return nullptr;
  CPoolTask* task = m_running->queue.front();
  m_running->queue.pop_front();
  return task;
}

void CWorkerPool::TaskDone() {
  platform::CriticalSectionGuard guard(m_running->queueLock);
  if (m_running->unfinished > 0) --m_running->unfinished;
  if (m_running->unfinished == 0) m_running->allDone.Set();
}

int CWorkerPool::WaitForWork(platform::Waitable& stop, platform::Waitable& work) {
  return platform::WaitForAny({&stop, &work});
}

void CWorkerPool::WorkerLost() {
  std::deque<CPoolTask*> orphans;
  bool othersLeft = false;
  {
    platform::CriticalSectionGuard guard(m_running->queueLock);
    if (m_running->liveWorkers > 0) --m_running->liveWorkers;
    othersLeft = m_running->liveWorkers > 0;
    if (!othersLeft) orphans.swap(m_running->queue);
  }
  if (othersLeft) {
    // The queue goes on to the workers left; one more wake-up covers a count this worker
    // may have taken (a worker woken for nothing finds the queue empty and waits again).
    m_running->work.Release(1);
    return;
  }
  // The last worker: nothing would ever run what is queued, so it is released now.
  for (CPoolTask* task : orphans) {
    task->Release();
    TaskDone();
  }
}

void CWorkerPool::WorkerThread(std::uint32_t context) {
  for (;;) {
    // The stop event comes first: a worker that finds both signalled ends.
    const int signalled = WaitForWork(m_running->stop, m_running->work);
    if (signalled == 0) return;
    if (signalled != 1) {
      platform::DebugOutput("CWorkerPool: a worker ended on a failed wait\n");
      WorkerLost();
      return;
    }
    CPoolTask* task = Pop();
    if (task == nullptr) continue;
    try {
      task->Run(context);
    } catch (...) {
      // A task must not throw; the worker survives one that does.
      platform::DebugOutput("CWorkerPool: a task ended with an exception\n");
    }
    TaskDone();
  }
}

void CWorkerPool::Shutdown() {
  if (!m_running) return;
  // Every posted task runs to its end first, as long as there is a worker to run it (a
  // worker that ends early hands its queue on, the last one releases it).
  m_running->allDone.Wait();
  m_running->stop.Set();
  for (platform::Thread& thread : m_running->threads) {
    if (thread.Joinable()) thread.Join();
  }
  // No worker is left: what is still queued will never run.
  while (!m_running->queue.empty()) {
    CPoolTask* task = m_running->queue.front();
    m_running->queue.pop_front();
    task->Release();
  }
  m_running.reset();
  m_workerCount = 0;
}
