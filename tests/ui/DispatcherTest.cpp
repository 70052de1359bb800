// The user-interface thread's loop: posted messages, timers on a fixed clock, sent messages
// from workers, and the pump-while-waiting loops.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ui/Dispatcher.h"
#include "ui/Wnd.h"

namespace {

class TimerLog : public ui::CWnd {
 public:
  explicit TimerLog(std::vector<std::string>& log, std::string name) : m_log(log), m_name(std::move(name)) {}
  void OnTimer(std::uintptr_t id) override { m_log.push_back(m_name + ":" + std::to_string(id)); }

 private:
  std::vector<std::string>& m_log;
  std::string m_name;
};

struct FixedClock {
  std::uint64_t now = 1000;
};

TEST(Dispatcher, TimersFireInDueOrderOnAFixedClock) {
  ui::Dispatcher dispatcher;
  FixedClock clock;
  dispatcher.SetClock([&] { return clock.now; });
  std::vector<std::string> log;
  TimerLog a(log, "a"), b(log, "b");
  ASSERT_EQ(a.SetTimer(1, 300), 1u);
  ASSERT_EQ(b.SetTimer(2, 100), 2u);
  ASSERT_EQ(a.SetTimer(3, 200), 3u);

  dispatcher.ProcessPending();
  EXPECT_TRUE(log.empty());  // nothing due yet

  clock.now += 250;
  dispatcher.ProcessPending();
  EXPECT_EQ(log, (std::vector<std::string>{"b:2", "a:3"}));

  // An overdue timer fires once and is next due one period after it fired.
  log.clear();
  clock.now += 1000;
  dispatcher.ProcessPending();
  EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:2", "a:3"}));  // due 1300, 1350, 1450
  log.clear();
  clock.now += 100;
  dispatcher.ProcessPending();
  EXPECT_EQ(log, (std::vector<std::string>{"b:2"}));  // a:3 is due at 2450, a:1 at 2550
}

TEST(Dispatcher, EqualDueTimesFireInTheOrderTheyWereSet) {
  ui::Dispatcher dispatcher;
  FixedClock clock;
  dispatcher.SetClock([&] { return clock.now; });
  std::vector<std::string> log;
  TimerLog a(log, "a"), b(log, "b");
  b.SetTimer(7, 500);
  a.SetTimer(1, 500);
  clock.now += 500;
  dispatcher.ProcessPending();
  EXPECT_EQ(log, (std::vector<std::string>{"b:7", "a:1"}));
}

TEST(Dispatcher, KilledTimersAndTimersOfDestroyedWindowsStayQuiet) {
  ui::Dispatcher dispatcher;
  FixedClock clock;
  dispatcher.SetClock([&] { return clock.now; });
  std::vector<std::string> log;
  TimerLog a(log, "a");
  a.SetTimer(1, 10);
  EXPECT_TRUE(a.KillTimer(1));
  EXPECT_FALSE(a.KillTimer(1));
  {
    TimerLog gone(log, "gone");
    gone.SetTimer(5, 10);
  }
  clock.now += 100;
  dispatcher.ProcessPending();
  EXPECT_TRUE(log.empty());
}

TEST(Dispatcher, ResettingATimerRestartsItsPeriod) {
  ui::Dispatcher dispatcher;
  FixedClock clock;
  dispatcher.SetClock([&] { return clock.now; });
  std::vector<std::string> log;
  TimerLog a(log, "a");
  a.SetTimer(1, 100);
  clock.now += 90;
  a.SetTimer(1, 100);
  clock.now += 20;
  dispatcher.ProcessPending();
  EXPECT_TRUE(log.empty());
  clock.now += 80;
  dispatcher.ProcessPending();
  EXPECT_EQ(log, (std::vector<std::string>{"a:1"}));
}

TEST(Dispatcher, PostedMessagesRunInOrderAndThoseToDeadWindowsAreDropped) {
  ui::Dispatcher dispatcher;
  std::vector<int> order;
  auto window = std::make_unique<ui::CWnd>();
  dispatcher.Post([&] { order.push_back(1); });
  dispatcher.PostTo(*window, [&] { order.push_back(2); });
  dispatcher.Post([&] {
    order.push_back(3);
    // Posted while running: runs in the next pass.
    dispatcher.Post([&] { order.push_back(5); });
  });
  ui::CWnd survivor;
  dispatcher.PostTo(survivor, [&] { order.push_back(4); });
  window.reset();
  dispatcher.ProcessPending();
  EXPECT_EQ(order, (std::vector<int>{1, 3, 4}));
  dispatcher.ProcessPending();
  EXPECT_EQ(order, (std::vector<int>{1, 3, 4, 5}));
}

TEST(Dispatcher, AHandlerThatThrowsDoesNotStopTheLoop) {
  ui::Dispatcher dispatcher;
  bool after = false;
  dispatcher.Post([] { throw std::runtime_error("broken handler"); });
  dispatcher.Post([&] { after = true; });
  EXPECT_NO_THROW(dispatcher.ProcessPending());
  EXPECT_TRUE(after);
}

TEST(Dispatcher, PumpUntilTimesOutAndStopsOnQuit) {
  ui::Dispatcher dispatcher;
  EXPECT_FALSE(dispatcher.PumpUntil([] { return false; }, 20));
  dispatcher.PostQuit(3);
  EXPECT_FALSE(dispatcher.PumpUntil([] { return false; }));
  EXPECT_EQ(dispatcher.ExitCode(), 3);
}

TEST(DispatcherThreads, SendRunsOnTheUiThreadWhileItPumps) {
  ui::Dispatcher dispatcher;
  const std::thread::id uiThread = std::this_thread::get_id();
  std::atomic<bool> ranOnUiThread{false};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    const bool ran = dispatcher.Send([&] { ranOnUiThread = std::this_thread::get_id() == uiThread; });
    done = ran;
  });
  EXPECT_TRUE(dispatcher.PumpUntil([&] { return done.load(); }, 10000));
  worker.join();
  EXPECT_TRUE(ranOnUiThread);
}

TEST(DispatcherThreads, ASendStillWaitingWhenTheDispatcherEndsIsReleased) {
  auto dispatcher = std::make_unique<ui::Dispatcher>();
  ui::Dispatcher* raw = dispatcher.get();
  std::atomic<int> result{-1};
  std::thread worker([&result, raw] { result = raw->Send([] {}) ? 1 : 0; });
  // Wait until the message is queued, without pumping it.
  while (raw->PendingCount() == 0) std::this_thread::yield();
  dispatcher.reset();
  worker.join();
  EXPECT_EQ(result, 0);
}

TEST(DispatcherThreads, ALinkPostsFromAnotherThreadUntilTheDispatcherHasGone) {
  auto dispatcher = std::make_unique<ui::Dispatcher>();
  const ui::DispatcherLink link = dispatcher->Link();
  bool ran = false;
  std::thread([&] { EXPECT_TRUE(link.Post([&] { ran = true; })); }).join();
  dispatcher->ProcessPending();
  EXPECT_TRUE(ran);
  dispatcher.reset();
  std::thread([&] { EXPECT_FALSE(link.Post([] {})); }).join();
}

TEST(DispatcherThreads, RunWhilePumpingServesMessagesUntilTheWorkEnds) {
  ui::Dispatcher dispatcher;
  std::atomic<int> served{0};
  const bool ok = dispatcher.RunWhilePumping([&] {
    for (int i = 0; i < 20; ++i) dispatcher.Send([&] { ++served; });
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(served, 20);
}

TEST(DispatcherThreads, AQuitDuringRunWhilePumpingWaitsForTheWork) {
  ui::Dispatcher dispatcher;
  std::atomic<bool> finished{false};
  const bool ok = dispatcher.RunWhilePumping([&] {
    dispatcher.PostQuit(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    finished = true;
  });
  EXPECT_FALSE(ok);
  EXPECT_TRUE(finished);
}

}  // namespace
