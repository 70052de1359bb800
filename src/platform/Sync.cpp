// Events and semaphores share one process-wide wait lock, under which every signal state
// changes. Each object keeps the threads that wait for it, in the order they began to wait,
// and a change of its state serves them there and then, as Windows does: a waiter whose wait
// the change satisfies gets what it waited for consumed on its behalf and is woken alone.
// A release of one semaphore count therefore wakes one waiter, and a waiter never wakes to
// find that another took what woke it. Wait-all stays exact: a waiter is served only when
// all of its objects are signalled at the same moment, and consumes them in that one step.
//
// A served waiter is woken only after the lock is let go, so that it does not wake into a
// lock still held. It sleeps on a word of its own (a Linux futex), which tolerates the late
// wake-up of a waiter that has already seen that it was served and gone.
#include "platform/Sync.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>

namespace platform {

// One thread's wait: its objects, how it is served, and the word it sleeps on. It lives on the
// waiting thread's stack and is listed with each of its objects while it sleeps.
struct Waiter {
  std::span<Waitable* const> objects;
  bool all = false;
  int winner = kWaitTimeout;             // under the wait lock until `served` is set
  std::atomic<std::uint32_t> served{0};  // 1 once served (released after `winner`)
};

namespace {

std::atomic<std::uint64_t> g_lockWaits{0};
std::atomic<std::uint64_t> g_sleeps{0};
std::atomic<std::uint64_t> g_wakeUps{0};

// Never destroyed: detached threads may still wait or signal while the program exits.
std::mutex& WaitLock() {
  static auto* const lock = new std::mutex;
  return *lock;
}

// The wait lock, counting the times it was found taken.
std::unique_lock<std::mutex> LockWaits() {
  std::unique_lock<std::mutex> lock(WaitLock(), std::try_to_lock);
  if (!lock.owns_lock()) {
    g_lockWaits.fetch_add(1, std::memory_order_relaxed);
    lock.lock();
  }
  return lock;
}

using SteadyClock = std::chrono::steady_clock;

// Sleeps while the word is 0, at most `timeout` (null: no limit). Returns on a wake-up, a
// change of the word, a signal or the time-out; the caller looks at the word again.
void SleepOnWord(std::atomic<std::uint32_t>& word, const timespec* timeout) {
  static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));
  ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, 0u, timeout, nullptr, 0);
}

// Wakes the thread sleeping on the word, if it still sleeps there.
void WakeWord(std::atomic<std::uint32_t>* word) {
  ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

// The waiters a change served, to be woken once the lock is let go.
using Served = std::vector<std::atomic<std::uint32_t>*>;
Served& ServedByThisThread() {
  thread_local Served served;
  return served;
}

bool HasNullOrDuplicate(std::span<Waitable* const> objects) {
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (objects[i] == nullptr) return true;
    for (std::size_t j = i + 1; j < objects.size(); ++j) {
      if (objects[i] == objects[j]) return true;
    }
  }
  return false;
}

}  // namespace

struct WaitAccess {
  static bool IsSignalled(const Waitable& object) { return object.IsSignalled(); }
  static void Consume(Waitable& object) { object.Consume(); }

  // Serves the wait when its objects allow it now: wait-any takes the lowest signalled
  // index, wait-all all of them or nothing. Under the wait lock.
  static bool TryServe(Waiter& waiter) {
    if (waiter.all) {
      for (Waitable* object : waiter.objects) {
        if (!object->IsSignalled()) return false;
      }
      for (Waitable* object : waiter.objects) object->Consume();
      waiter.winner = 0;
    } else {
      std::size_t index = 0;
      while (index < waiter.objects.size() && !waiter.objects[index]->IsSignalled()) ++index;
      if (index == waiter.objects.size()) return false;
      waiter.objects[index]->Consume();
      waiter.winner = static_cast<int>(index);
    }
    return true;
  }

  static void List(Waiter& waiter) {
    for (Waitable* object : waiter.objects) object->m_waiters.push_back(&waiter);
  }
  static void Unlist(Waiter& waiter) {
    for (Waitable* object : waiter.objects) std::erase(object->m_waiters, &waiter);
  }

  // After the object became signalled: serves its waiters in the order they began to wait,
  // as long as it stays signalled. Under the wait lock; the served are woken by WakeServed.
  static void Signalled(Waitable& object) {
    std::vector<Waiter*>& waiters = object.m_waiters;
    Served& served = ServedByThisThread();
    std::size_t at = 0;
    while (at < waiters.size() && object.IsSignalled()) {
      Waiter& waiter = *waiters[at];
      if (!TryServe(waiter)) {
        ++at;
        continue;
      }
      Unlist(waiter);  // takes it out of this list too: the next waiter moves up to `at`
      served.push_back(&waiter.served);
      waiter.served.store(1, std::memory_order_release);
    }
  }

  // Wakes what Signalled served; after the lock is let go.
  static void WakeServed() {
    Served& served = ServedByThisThread();
    for (std::atomic<std::uint32_t>* word : served) WakeWord(word);
    served.clear();
  }

  // A whole wait: at once when the objects allow it, else asleep until served or timed out.
  static int Wait(std::span<Waitable* const> objects, bool all, std::uint32_t timeoutMs) {
    Waiter waiter;
    waiter.objects = objects;
    waiter.all = all;
    {
      std::unique_lock<std::mutex> lock = LockWaits();
      if (TryServe(waiter)) return waiter.winner;
      if (timeoutMs == 0) return kWaitTimeout;
      List(waiter);
    }
    g_sleeps.fetch_add(1, std::memory_order_relaxed);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (waiter.served.load(std::memory_order_acquire) == 0) {
      if (timeoutMs == kInfinite) {
        SleepOnWord(waiter.served, nullptr);
      } else {
        const auto left = deadline - SteadyClock::now();
        if (left <= SteadyClock::duration::zero()) {
          std::unique_lock<std::mutex> lock = LockWaits();
          if (waiter.served.load(std::memory_order_acquire) != 0) break;  // served at the last moment
          Unlist(waiter);
          return kWaitTimeout;
        }
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
        SleepOnWord(waiter.served, &timeout);
      }
      g_wakeUps.fetch_add(1, std::memory_order_relaxed);
    }
    return waiter.winner;  // whoever served it has taken it off every list
  }
};

// ---------------------------------------------------------------------------------------
// Event

Event::Event(bool manualReset, bool initiallySet) : m_manualReset(manualReset), m_set(initiallySet) {}

void Event::Set() {
  {
    std::unique_lock<std::mutex> lock = LockWaits();
    m_set = true;
    WaitAccess::Signalled(*this);
  }
  WaitAccess::WakeServed();
}

void Event::Reset() {
  std::unique_lock<std::mutex> lock = LockWaits();
  m_set = false;  // nobody waits for an event to become reset: no wake-up needed
}

void Event::Consume() {
  if (!m_manualReset) m_set = false;
}

bool Event::Wait(std::uint32_t timeoutMs) { return WaitForAny({this}, timeoutMs) == 0; }

// ---------------------------------------------------------------------------------------
// Semaphore

namespace {
long SaneMaximum(long maximumCount) { return std::max(1L, maximumCount); }
}  // namespace

// A maximum below 1 or an initial count outside 0..maximum cannot be created on Windows;
// here they are brought into range so that the object stays usable and consistent.
Semaphore::Semaphore(long initialCount, long maximumCount)
    : m_maximum(SaneMaximum(maximumCount)), m_count(std::clamp(initialCount, 0L, SaneMaximum(maximumCount))) {}

bool Semaphore::Release(long count) {
  if (count <= 0) return false;
  {
    std::unique_lock<std::mutex> lock = LockWaits();
    if (count > m_maximum - m_count) return false;
    m_count += count;
    WaitAccess::Signalled(*this);
  }
  WaitAccess::WakeServed();
  return true;
}

bool Semaphore::Wait(std::uint32_t timeoutMs) { return WaitForAny({this}, timeoutMs) == 0; }

long Semaphore::Count() const {
  std::unique_lock<std::mutex> lock = LockWaits();
  return m_count;
}

// ---------------------------------------------------------------------------------------
// Waits on several objects

int WaitForAny(std::span<Waitable* const> objects, std::uint32_t timeoutMs) {
  if (objects.empty() || std::find(objects.begin(), objects.end(), nullptr) != objects.end()) {
    return kWaitTimeout;
  }
  return WaitAccess::Wait(objects, false, timeoutMs);
}

int WaitForAny(std::initializer_list<Waitable*> objects, std::uint32_t timeoutMs) {
  return WaitForAny(std::span<Waitable* const>(objects.begin(), objects.size()), timeoutMs);
}

// An empty list, a null object or an object listed twice is refused at once (Windows
// refuses them too); a semaphore listed twice could otherwise be counted below zero.
bool WaitForAll(std::span<Waitable* const> objects, std::uint32_t timeoutMs) {
  if (objects.empty() || HasNullOrDuplicate(objects)) return false;
  return WaitAccess::Wait(objects, true, timeoutMs) != kWaitTimeout;
}

bool WaitForAll(std::initializer_list<Waitable*> objects, std::uint32_t timeoutMs) {
  return WaitForAll(std::span<Waitable* const>(objects.begin(), objects.size()), timeoutMs);
}

WaitCounts CurrentWaitCounts() {
  WaitCounts counts;
  counts.lockWaits = g_lockWaits.load(std::memory_order_relaxed);
  counts.sleeps = g_sleeps.load(std::memory_order_relaxed);
  counts.wakeUps = g_wakeUps.load(std::memory_order_relaxed);
  return counts;
}

}  // namespace platform
