#pragma once
// ui::Dispatcher: the user-interface thread's message loop.
//
// One dispatcher serves the thread that made it (the user-interface thread). It carries
//  - posted messages: work that any thread hands to the user-interface thread, run there in
//    posting order; a message posted to a window is dropped when the window is gone;
//    a link (DispatcherLink) posts from a thread that may outlive the dispatcher;
//  - sent messages: the same, but the sender waits until the work has run (a worker asking
//    for a file dialog or a message box blocks until the user-interface thread answers);
//  - timers per window and id, fired in order of their due time (ties in the order they were
//    set) by a clock that tests may fix; an overdue timer fires once and is then due one
//    period after the moment it fired, as the framework's timers do;
//  - the nested "pump while waiting" loops: PumpUntil runs messages, timers and the front
//    end's own events until a condition holds; RunWhilePumping runs work on a helper thread
//    while the user-interface thread keeps pumping.
// The front end plugs in through PumpBackend so that its own events (input, painting) are
// served by the same loops; without a backend the loops wait on a condition variable.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace ui {

class CWnd;

inline constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

class PumpBackend {
 public:
  virtual ~PumpBackend() = default;
  // Serves the front end's pending events without blocking (user-interface thread).
  virtual void ProcessEvents() = 0;
  // Blocks until a front-end event arrives, Wake is called or timeoutMs passes.
  virtual void WaitForEvents(std::uint32_t timeoutMs) = 0;
  // Any thread: ends a WaitForEvents.
  virtual void Wake() = 0;
};

class Dispatcher;

// Posts to a dispatcher from a thread that may outlive it (a detached thread): once the
// dispatcher has gone, a post is dropped. A link made without a dispatcher posts nowhere.
class DispatcherLink {
 public:
  DispatcherLink() = default;
  // Any thread; false when the message was dropped.
  bool Post(std::function<void()> message) const;

 private:
  friend class Dispatcher;
  struct Target {
    std::mutex mutex;
    Dispatcher* dispatcher = nullptr;
  };
  explicit DispatcherLink(std::shared_ptr<Target> target) : m_target(std::move(target)) {}
  std::shared_ptr<Target> m_target;
};

class Dispatcher {
 public:
  // The calling thread becomes the user-interface thread; the dispatcher becomes Current().
  Dispatcher();
  // Pending sent messages are released unrun; timers are dropped.
  ~Dispatcher();
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  static Dispatcher* Current();
  bool IsUiThread() const;

  void SetBackend(PumpBackend* backend);
  // The clock of the timers, in milliseconds (default: the platform's steady clock).
  void SetClock(std::function<std::uint64_t()> clock);
  std::uint64_t NowMs() const;

  // ---- messages (any thread)
  void Post(std::function<void()> message);
  void PostTo(const CWnd& window, std::function<void()> message);
  // Runs the message on the user-interface thread and waits for it; at once when called on
  // that thread. False when the dispatcher went away before running it.
  bool Send(std::function<void()> message);
  // Messages waiting to run.
  std::size_t PendingCount() const;
  // A link for posting from threads that may outlive the dispatcher.
  DispatcherLink Link() const { return DispatcherLink(m_linkTarget); }

  // ---- timers
  bool SetTimer(CWnd& window, std::uintptr_t id, std::uint32_t elapseMs);
  bool KillTimer(CWnd& window, std::uintptr_t id);
  void KillTimers(const CWnd& window);
  bool HasTimer(const CWnd& window, std::uintptr_t id) const;

  // ---- loops (user-interface thread)
  // Runs every message posted so far and every due timer once; true when anything ran.
  bool ProcessPending();
  // Pumps until done() holds (true), a quit is requested (false, when stopOnQuit) or the
  // time-out passes (false).
  bool PumpUntil(const std::function<bool()>& done, std::uint32_t timeoutMs = kWaitForever,
                 bool stopOnQuit = true);
  // Runs work on a helper thread and pumps until it has finished. A quit requested meanwhile
  // does not cut the wait short (the work may still use what the caller owns); the result is
  // false when a quit was requested.
  bool RunWhilePumping(std::function<void()> work);

  void PostQuit(int exitCode);
  bool QuitRequested() const;
  int ExitCode() const;

  // Any thread: wakes a loop that waits for something to do.
  void Wake();

 private:
  struct Posted {
    std::function<void()> run;
    std::function<void()> cancel;
    std::weak_ptr<const int> target;
    bool hasTarget = false;
  };
  struct Timer {
    CWnd* window = nullptr;
    std::weak_ptr<const int> life;
    std::uintptr_t id = 0;
    std::uint32_t interval = 0;
    std::uint64_t due = 0;
    std::uint64_t sequence = 0;
    bool running = false;
  };
  using TimerKey = std::pair<const CWnd*, std::uintptr_t>;

  void Enqueue(Posted posted);
  bool RunPostedMessages();
  bool RunDueTimers();
  std::uint32_t MillisecondsToNextTimer() const;
  void WaitForWork(std::uint32_t timeoutMs);

  const std::thread::id m_uiThread;
  const std::shared_ptr<DispatcherLink::Target> m_linkTarget;
  PumpBackend* m_backend = nullptr;
  std::function<std::uint64_t()> m_clock;

  mutable std::mutex m_mutex;
  std::deque<Posted> m_queue;
  std::map<TimerKey, Timer> m_timers;
  std::uint64_t m_timerSequence = 0;
  bool m_quit = false;
  int m_exitCode = 0;

  std::mutex m_wakeMutex;
  std::condition_variable m_wakeCondition;
  bool m_woken = false;
};

// Runs work on the user-interface thread and waits for it: at once on that thread or when no
// dispatcher exists.
void RunOnUiThread(const std::function<void()>& work);

}  // namespace ui
