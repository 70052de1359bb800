// Events and semaphores share one process-wide wait lock and one condition variable. Every
// change of a signal state happens under that lock and wakes all waiters, which then test
// their own objects again. This keeps wait-all simple and exact: a waiter sees all of its
// objects in one consistent state and consumes them in the same step, so no other thread
// can take one of them in between.
#include "platform/Sync.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

namespace platform {

struct WaitAccess {
  static bool IsSignalled(const Waitable& object) { return object.IsSignalled(); }
  static void Consume(Waitable& object) { object.Consume(); }
};

namespace {

// Never destroyed: detached threads may still wait or signal while the program exits.
std::mutex& WaitLock() {
  static auto* const lock = new std::mutex;
  return *lock;
}

std::condition_variable& WaitChanged() {
  static auto* const changed = new std::condition_variable;
  return *changed;
}

using SteadyClock = std::chrono::steady_clock;

// Waits under the wait lock until `ready` holds or the time-out passes; `ready` runs with
// the lock held and does its own consuming. True when ready.
template <typename Ready>
bool WaitUntilReady(std::uint32_t timeoutMs, Ready ready) {
  std::unique_lock<std::mutex> lock(WaitLock());
  if (ready()) return true;
  if (timeoutMs == 0) return false;
  if (timeoutMs == kInfinite) {
    WaitChanged().wait(lock, ready);
    return true;
  }
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  return WaitChanged().wait_until(lock, deadline, ready);
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

// ---------------------------------------------------------------------------------------
// Event

Event::Event(bool manualReset, bool initiallySet) : m_manualReset(manualReset), m_set(initiallySet) {}

void Event::Set() {
  std::lock_guard<std::mutex> lock(WaitLock());
  m_set = true;
  WaitChanged().notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(WaitLock());
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
  std::lock_guard<std::mutex> lock(WaitLock());
  if (count > m_maximum - m_count) return false;
  m_count += count;
  WaitChanged().notify_all();
  return true;
}

bool Semaphore::Wait(std::uint32_t timeoutMs) { return WaitForAny({this}, timeoutMs) == 0; }

long Semaphore::Count() const {
  std::lock_guard<std::mutex> lock(WaitLock());
  return m_count;
}

// ---------------------------------------------------------------------------------------
// Waits on several objects

int WaitForAny(std::span<Waitable* const> objects, std::uint32_t timeoutMs) {
  if (objects.empty() || std::find(objects.begin(), objects.end(), nullptr) != objects.end()) {
    return kWaitTimeout;
  }
  int winner = kWaitTimeout;
  const bool ready = WaitUntilReady(timeoutMs, [&] {
    for (std::size_t i = 0; i < objects.size(); ++i) {
      if (WaitAccess::IsSignalled(*objects[i])) {
        WaitAccess::Consume(*objects[i]);
        winner = static_cast<int>(i);
        return true;
      }
    }
    return false;
  });
  return ready ? winner : kWaitTimeout;
}

int WaitForAny(std::initializer_list<Waitable*> objects, std::uint32_t timeoutMs) {
  return WaitForAny(std::span<Waitable* const>(objects.begin(), objects.size()), timeoutMs);
}

// An empty list, a null object or an object listed twice is refused at once (Windows
// refuses them too); a semaphore listed twice could otherwise be counted below zero.
bool WaitForAll(std::span<Waitable* const> objects, std::uint32_t timeoutMs) {
  if (objects.empty() || HasNullOrDuplicate(objects)) return false;
  return WaitUntilReady(timeoutMs, [&] {
    for (Waitable* object : objects) {
      if (!WaitAccess::IsSignalled(*object)) return false;
    }
    for (Waitable* object : objects) WaitAccess::Consume(*object);
    return true;
  });
}

bool WaitForAll(std::initializer_list<Waitable*> objects, std::uint32_t timeoutMs) {
  return WaitForAll(std::span<Waitable* const>(objects.begin(), objects.size()), timeoutMs);
}

}  // namespace platform
