#include "ui/Dispatcher.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <vector>

#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Thread.h"
#include "ui/Wnd.h"

namespace ui {
namespace {

std::atomic<Dispatcher*> g_current{nullptr};

// Longest single wait of a loop, so that a condition changed without a wake is still seen.
constexpr std::uint32_t kLongestWaitMs = 50;

// A handler's exception must not end the user-interface thread: it is reported and dropped.
void RunGuarded(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& error) {
    platform::DebugOutput(std::string("ui: a handler failed: ") + error.what() + "\r\n");
  } catch (...) {
    platform::DebugOutput("ui: a handler failed\r\n");
  }
}

}  // namespace

bool DispatcherLink::Post(std::function<void()> message) const {
  if (!m_target) return false;
  std::lock_guard<std::mutex> guard(m_target->mutex);
  if (!m_target->dispatcher) return false;
  m_target->dispatcher->Post(std::move(message));
  return true;
}

Dispatcher::Dispatcher()
    : m_uiThread(std::this_thread::get_id()),
      m_linkTarget(std::make_shared<DispatcherLink::Target>()),
      m_clock([] { return platform::TickCountMs(); }) {
  m_linkTarget->dispatcher = this;
  g_current.store(this);
}

Dispatcher::~Dispatcher() {
  {
    // A post through a link that has begun ends first; later ones are dropped.
    std::lock_guard<std::mutex> guard(m_linkTarget->mutex);
    m_linkTarget->dispatcher = nullptr;
  }
  Dispatcher* self = this;
  g_current.compare_exchange_strong(self, nullptr);
  std::deque<Posted> pending;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    pending.swap(m_queue);
    m_timers.clear();
  }
  for (Posted& posted : pending) {
    if (posted.cancel) posted.cancel();
  }
}

Dispatcher* Dispatcher::Current() { return g_current.load(); }

bool Dispatcher::IsUiThread() const { return std::this_thread::get_id() == m_uiThread; }

void Dispatcher::SetBackend(PumpBackend* backend) { m_backend = backend; }

void Dispatcher::SetClock(std::function<std::uint64_t()> clock) {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_clock = clock ? std::move(clock) : std::function<std::uint64_t()>([] { return platform::TickCountMs(); });
}

std::uint64_t Dispatcher::NowMs() const {
  std::function<std::uint64_t()> clock;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    clock = m_clock;
  }
  return clock();
}

void Dispatcher::Enqueue(Posted posted) {
  // The wake happens under the queue's lock, so that a sender is done with the dispatcher
  // once its message can be seen in the queue.
  std::lock_guard<std::mutex> guard(m_mutex);
  m_queue.push_back(std::move(posted));
  Wake();
}

std::size_t Dispatcher::PendingCount() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_queue.size();
}

void Dispatcher::Post(std::function<void()> message) {
  Posted posted;
  posted.run = std::move(message);
  Enqueue(std::move(posted));
}

void Dispatcher::PostTo(const CWnd& window, std::function<void()> message) {
  Posted posted;
  posted.run = std::move(message);
  posted.target = window.LifeToken();
  posted.hasTarget = true;
  Enqueue(std::move(posted));
}

bool Dispatcher::Send(std::function<void()> message) {
  if (IsUiThread()) {
    RunGuarded(message);
    return true;
  }
  struct SendState {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool ran = false;
  };
  auto state = std::make_shared<SendState>();
  auto finish = [state](bool ran) {
    std::lock_guard<std::mutex> guard(state->mutex);
    state->ran = ran;
    state->done = true;
    state->finished.notify_all();
  };
  Posted posted;
  posted.run = [message = std::move(message), finish] {
    RunGuarded(message);
    finish(true);
  };
  posted.cancel = [finish] { finish(false); };
  Enqueue(std::move(posted));
  std::unique_lock<std::mutex> lock(state->mutex);
  state->finished.wait(lock, [&] { return state->done; });
  return state->ran;
}

bool Dispatcher::SetTimer(CWnd& window, std::uintptr_t id, std::uint32_t elapseMs) {
  const std::uint64_t now = NowMs();
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    Timer& timer = m_timers[TimerKey(&window, id)];
    timer.window = &window;
    timer.life = window.LifeToken();
    timer.id = id;
    timer.interval = elapseMs;
    timer.due = now + elapseMs;
    timer.sequence = ++m_timerSequence;
  }
  Wake();
  return true;
}

bool Dispatcher::KillTimer(CWnd& window, std::uintptr_t id) {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_timers.erase(TimerKey(&window, id)) != 0;
}

void Dispatcher::KillTimers(const CWnd& window) {
  std::lock_guard<std::mutex> guard(m_mutex);
  for (auto it = m_timers.begin(); it != m_timers.end();) {
    it = it->first.first == &window ? m_timers.erase(it) : std::next(it);
  }
}

bool Dispatcher::HasTimer(const CWnd& window, std::uintptr_t id) const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_timers.count(TimerKey(&window, id)) != 0;
}

bool Dispatcher::RunPostedMessages() {
  std::size_t count;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    count = m_queue.size();
  }
  bool ran = false;
  // Only what was posted before this pass: a message that posts again runs in the next pass.
  for (std::size_t i = 0; i < count; ++i) {
    Posted posted;
    {
      std::lock_guard<std::mutex> guard(m_mutex);
      if (m_queue.empty()) break;
      posted = std::move(m_queue.front());
      m_queue.pop_front();
    }
    if (posted.hasTarget && posted.target.expired()) {
      if (posted.cancel) posted.cancel();
      continue;
    }
    RunGuarded(posted.run);
    ran = true;
  }
  return ran;
}

bool Dispatcher::RunDueTimers() {
  const std::uint64_t now = NowMs();
  std::vector<std::pair<std::uint64_t, std::uint64_t>> order;  // (due, sequence)
  std::vector<TimerKey> keys;
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    for (const auto& [key, timer] : m_timers) {
      if (timer.due <= now && !timer.running) {
        order.emplace_back(timer.due, timer.sequence);
        keys.push_back(key);
      }
    }
  }
  std::vector<std::size_t> index(keys.size());
  for (std::size_t i = 0; i < index.size(); ++i) index[i] = i;
  std::sort(index.begin(), index.end(), [&](std::size_t a, std::size_t b) { return order[a] < order[b]; });

  bool ran = false;
  for (std::size_t i : index) {
    CWnd* window = nullptr;
    std::uintptr_t id = 0;
    std::shared_ptr<const int> life;
    {
      std::lock_guard<std::mutex> guard(m_mutex);
      auto it = m_timers.find(keys[i]);
      // Killed or set again by an earlier handler of this pass.
      if (it == m_timers.end() || it->second.running || it->second.sequence != order[i].second) continue;
      life = it->second.life.lock();
      if (!life) {
        m_timers.erase(it);
        continue;
      }
      it->second.running = true;
      it->second.due = now + it->second.interval;
      window = it->second.window;
      id = it->second.id;
    }
    RunGuarded([window, id] { window->OnTimer(id); });
    ran = true;
    std::lock_guard<std::mutex> guard(m_mutex);
    auto it = m_timers.find(keys[i]);
    if (it != m_timers.end()) it->second.running = false;
  }
  return ran;
}

bool Dispatcher::ProcessPending() {
  const bool messages = RunPostedMessages();
  const bool timers = RunDueTimers();
  return messages || timers;
}

std::uint32_t Dispatcher::MillisecondsToNextTimer() const {
  const std::uint64_t now = NowMs();
  std::uint64_t next = kLongestWaitMs;
  std::lock_guard<std::mutex> guard(m_mutex);
  for (const auto& [key, timer] : m_timers) {
    if (timer.running) continue;
    next = std::min<std::uint64_t>(next, timer.due > now ? timer.due - now : 0);
  }
  return static_cast<std::uint32_t>(next);
}

void Dispatcher::WaitForWork(std::uint32_t timeoutMs) {
  if (timeoutMs == 0) return;
  if (m_backend) {
    m_backend->WaitForEvents(timeoutMs);
    return;
  }
  std::unique_lock<std::mutex> lock(m_wakeMutex);
  m_wakeCondition.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_woken; });
  m_woken = false;
}

void Dispatcher::Wake() {
  if (m_backend) m_backend->Wake();
  std::lock_guard<std::mutex> guard(m_wakeMutex);
  m_woken = true;
  m_wakeCondition.notify_all();
}

bool Dispatcher::PumpUntil(const std::function<bool()>& done, std::uint32_t timeoutMs, bool stopOnQuit) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    ProcessPending();
    if (m_backend) m_backend->ProcessEvents();
    if (done()) return true;
    if (stopOnQuit && QuitRequested()) return false;
    std::uint32_t wait = MillisecondsToNextTimer();
    {
      std::lock_guard<std::mutex> guard(m_mutex);
      if (!m_queue.empty()) wait = 0;
    }
    if (timeoutMs != kWaitForever) {
      const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
      if (elapsed >= static_cast<long long>(timeoutMs)) return false;
      wait = std::min<std::uint32_t>(wait, timeoutMs - static_cast<std::uint32_t>(elapsed));
    }
    WaitForWork(wait);
  }
}

bool Dispatcher::RunWhilePumping(std::function<void()> work) {
  auto finished = std::make_shared<std::atomic<bool>>(false);
  auto task = std::make_shared<std::function<void()>>(std::move(work));
  platform::Thread helper;
  const bool started = helper.Start([this, finished, task] {
    RunGuarded(*task);
    finished->store(true);
    Wake();
  });
  if (!started) {
    // No helper thread: the work runs here and nothing is pumped meanwhile.
    platform::DebugOutput("ui: no helper thread, work runs on the user-interface thread\r\n");
    RunGuarded(*task);
    return !QuitRequested();
  }
  PumpUntil([&] { return finished->load(); }, kWaitForever, false);
  helper.Join();
  return !QuitRequested();
}

void Dispatcher::PostQuit(int exitCode) {
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_quit = true;
    m_exitCode = exitCode;
  }
  Wake();
}

bool Dispatcher::QuitRequested() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_quit;
}

int Dispatcher::ExitCode() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_exitCode;
}

void RunOnUiThread(const std::function<void()>& work) {
  Dispatcher* dispatcher = Dispatcher::Current();
  if (!dispatcher || dispatcher->IsUiThread()) {
    RunGuarded(work);
    return;
  }
  dispatcher->Send(work);
}

}  // namespace ui
