// Events and semaphores share one process-wide wait lock, under which every signal state
// changes. Each object keeps the threads that wait for it, in the order they began to wait,
// and a change of its state serves them there and then, as Windows does: a waiter whose wait
// the change satisfies gets what it waited for consumed on its behalf and is woken alone.
// A release of one semaphore count therefore wakes one waiter, and a waiter never wakes to
// find that another took what woke it. Wait-all stays exact: a waiter is served only when
// all of its objects are signalled at the same moment, and consumes them in that one step.
#include "platform/Sync.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>

namespace platform {

// One thread's wait: its objects, how it is served, and the condition it sleeps on. It lives
// on the waiting thread's stack and is listed with each of its objects while it sleeps.
struct Waiter {
  std::span<Waitable* const> objects;
  bool all = false;
  bool served = false;
  int winner = kWaitTimeout;
  std::condition_variable woken;
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
  static std::vector<Waiter*>& Waiters(Waitable& object) { return object.m_waiters; }

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
    waiter.served = true;
    return true;
  }

  static void List(Waiter& waiter) {
    for (Waitable* object : waiter.objects) object->m_waiters.push_back(&waiter);
  }
  static void Unlist(Waiter& waiter) {
    for (Waitable* object : waiter.objects) std::erase(object->m_waiters, &waiter);
  }

  // After the object became signalled: serves its waiters in the order they began to wait,
  // as long as it stays signalled. Under the wait lock.
  static void Signalled(Waitable& object) {
    std::vector<Waiter*>& waiters = object.m_waiters;
    std::size_t at = 0;
    while (at < waiters.size() && object.IsSignalled()) {
      Waiter& waiter = *waiters[at];
      if (!TryServe(waiter)) {
        ++at;
        continue;
      }
      Unlist(waiter);  // takes it out of this list too: the next waiter moves up to `at`
      waiter.woken.notify_one();
    }
  }

  // A whole wait: at once when the objects allow it, else asleep until served or timed out.
  static int Wait(std::span<Waitable* const> objects, bool all, std::uint32_t timeoutMs) {
    Waiter waiter;
    waiter.objects = objects;
    waiter.all = all;
    std::unique_lock<std::mutex> lock = LockWaits();
    if (TryServe(waiter)) return waiter.winner;
    if (timeoutMs == 0) return kWaitTimeout;
    List(waiter);
    g_sleeps.fetch_add(1, std::memory_order_relaxed);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (!waiter.served) {
      bool timedOut = false;
      if (timeoutMs == kInfinite) {
        waiter.woken.wait(lock);
      } else {
        timedOut = waiter.woken.wait_until(lock, deadline) == std::cv_status::timeout;
      }
      g_wakeUps.fetch_add(1, std::memory_order_relaxed);
      if (timedOut && !waiter.served) {
        Unlist(waiter);
        return kWaitTimeout;
      }
    }
    return waiter.winner;  // whoever served it has taken it off every list
  }
};

// ---------------------------------------------------------------------------------------
// Event

Event::Event(bool manualReset, bool initiallySet) : m_manualReset(manualReset), m_set(initiallySet) {}

void Event::Set() {
  std::unique_lock<std::mutex> lock = LockWaits();
  m_set = true;
  WaitAccess::Signalled(*this);
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
  std::unique_lock<std::mutex> lock = LockWaits();
  if (count > m_maximum - m_count) return false;
  m_count += count;
  WaitAccess::Signalled(*this);
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
