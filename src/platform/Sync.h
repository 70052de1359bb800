#pragma once
// Synchronisation objects with the behaviour the station expects of Windows:
// recursive critical sections, manual- and auto-reset events, counting semaphores, and
// waits on one or several of them with a time-out in milliseconds.
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// A recursive mutex: the owning thread may enter again.
class CriticalSection {
 public:
  void Enter() { m_mutex.lock(); }
  bool TryEnter() { return m_mutex.try_lock(); }
  void Leave() { m_mutex.unlock(); }
  // BasicLockable, so std::lock_guard / std::scoped_lock work too.
  void lock() { Enter(); }
  bool try_lock() { return TryEnter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex m_mutex;
};

// Holds a critical section for the lifetime of the guard.
class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CriticalSection& section) : m_section(section) { m_section.Enter(); }
  ~CriticalSectionGuard() { m_section.Leave(); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

 private:
  CriticalSection& m_section;
};

struct Waiter;

// Something a thread can wait for: an event or a semaphore. It keeps the threads that wait
// for it, so that a change of its state wakes only them.
class Waitable {
 public:
  Waitable() = default;
  virtual ~Waitable() = default;
  Waitable(const Waitable&) = delete;
  Waitable& operator=(const Waitable&) = delete;

 protected:
  friend struct WaitAccess;
  // Both are called with the process-wide wait lock held.
  virtual bool IsSignalled() const = 0;
  virtual void Consume() = 0;  // auto-reset events reset, semaphores count down

 private:
  std::vector<Waiter*> m_waiters;  // in the order they began to wait; under the wait lock
};

class Event : public Waitable {
 public:
  Event(bool manualReset, bool initiallySet);
  void Set();
  void Reset();
  // Waits until set or the time-out passes; true when set.
  bool Wait(std::uint32_t timeoutMs = kInfinite);

 protected:
  bool IsSignalled() const override { return m_set; }
  void Consume() override;

 private:
  const bool m_manualReset;
  bool m_set;
};

class Semaphore : public Waitable {
 public:
  Semaphore(long initialCount, long maximumCount);
  // Adds to the count; false (and no change) when that would pass the maximum.
  bool Release(long count = 1);
  bool Wait(std::uint32_t timeoutMs = kInfinite);
  long Count() const;

 protected:
  bool IsSignalled() const override { return m_count > 0; }
  void Consume() override { --m_count; }

 private:
  const long m_maximum;
  long m_count;
};

// Result of a wait on several objects.
inline constexpr int kWaitTimeout = -1;

// Waits until one object is signalled; returns its index (consuming it), or kWaitTimeout.
// When several are signalled the lowest index wins.
int WaitForAny(std::span<Waitable* const> objects, std::uint32_t timeoutMs = kInfinite);
int WaitForAny(std::initializer_list<Waitable*> objects, std::uint32_t timeoutMs = kInfinite);
// Waits until all objects are signalled at the same moment, then consumes all of them;
// true, or false on time-out (nothing consumed).
bool WaitForAll(std::span<Waitable* const> objects, std::uint32_t timeoutMs = kInfinite);
bool WaitForAll(std::initializer_list<Waitable*> objects, std::uint32_t timeoutMs = kInfinite);

// What the waits of the process have cost since it started (for the benchmarks): how often a
// thread found the wait lock taken, how often a wait had to sleep, and how often a sleeping
// wait woke up (whether it then had what it waited for or not).
struct WaitCounts {
  std::uint64_t lockWaits = 0;
  std::uint64_t sleeps = 0;
  std::uint64_t wakeUps = 0;
};
WaitCounts CurrentWaitCounts();

}  // namespace platform
