// The operator's re-plug menu while a slot runs a command: a thread standing for the command
// holds the slot's lock until the test lets the command end. The runner of the chosen
// re-plugs is seen from outside: which thread a re-plug runs on, and what a thread waits for.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "SimRequests.h"
#include "sim/OperatorReplug.h"
#include "support/ThreadWaits.h"
#include "support/Waits.h"

namespace {

// A re-plug handed to the runner, as the test sees it: the thread it runs on, and its end.
struct WatchedReplug {
  std::atomic<pid_t> thread{0};
  std::atomic<bool> ended{false};

  std::function<bool()> Of(std::function<bool()> replug) {
    return [this, replug = std::move(replug)] {
      thread = ::gettid();
      const bool replugged = replug();
      ended = true;
      return replugged;
    };
  }
  // Whether it waits for the mutex, or has gone past it.
  bool WaitsForOrPassed(std::mutex& mutex) const {
    const pid_t runningOn = thread;
    return ended || (runningOn != 0 && testsupport::WaitsForMutex(runningOn, mutex));
  }
};

// A command the slot runs: a thread of its own holds the slot's lock from the object's making
// until the test lets the command end. Its last step switches the slot off.
class SlotCommand {
 public:
  explicit SlotCommand(sim::SimSlot& slot)
      : m_thread([this, &slot] {
          const std::lock_guard<std::mutex> lock(slot.Lock());
          m_runs.count_down();
          m_mayEnd.wait();
          slot.SetPower(false);
        }) {
    m_runs.wait();
  }
  ~SlotCommand() { End(); }
  SlotCommand(const SlotCommand&) = delete;
  SlotCommand& operator=(const SlotCommand&) = delete;

  // Lets the command end and waits for its end.
  void End() {
    if (!m_thread.joinable()) return;
    m_mayEnd.count_down();
    m_thread.join();
  }

 private:
  std::latch m_runs{1};
  std::latch m_mayEnd{1};
  std::thread m_thread;
};

TEST(OperatorReplugThreads, TheMenuAndAnotherSlotWaitForNoBusySlotAndTheBusySlotsChoiceWaitsForIt) {
  const std::shared_ptr<sim::SimStation> station = simtest::MakeStation({8});
  station->SlotOfDrive(7)->Pull();
  sim::SimSlot& busy = *station->SlotOfDrive(3);
  SlotCommand command(busy);

  std::vector<sim::ReplugChoice> choices;
  std::future<bool> menu = std::async(std::launch::async, [&] {
    choices = sim::ReplugChoices(station);
    return choices.size() == 7 && choices[0].replug();
  });
  const bool doneWhileBusy = menu.wait_for(std::chrono::minutes(1)) == std::future_status::ready;
  std::future<bool> busyChoice;
  if (doneWhileBusy && menu.get()) busyChoice = std::async(std::launch::async, [&] { return choices[2].replug(); });
  command.End();
  ASSERT_TRUE(doneWhileBusy) << "the menu waited for the slot that runs a command";
  ASSERT_TRUE(busyChoice.valid()) << "the menu listed the wrong slots, or re-plugging slot 1 failed";
  EXPECT_EQ(choices[2].label, "Tester 3 (board 1, slot 3)");
  // The busy slot is re-plugged after its command has ended: its drive is powered again.
  EXPECT_TRUE(busyChoice.get());
  EXPECT_TRUE(busy.SlotPowered());
}

// The operator chooses a busy slot's re-plug on the window's thread (here the test's): the
// choice returns at once, and the re-plug runs on a thread of its own, under the slot's lock,
// after the slot's command.
TEST(OperatorReplugThreads, ABusySlotsReplugRunsOnAThreadOfItsOwnAfterTheSlotsCommand) {
  const std::shared_ptr<sim::SimStation> station = simtest::MakeStation({4});
  sim::SimSlot& busy = *station->SlotOfDrive(2);
  const std::vector<sim::ReplugChoice> choices = sim::ReplugChoices(station);
  WatchedReplug replug;
  std::latch commandRuns(1);
  bool replugEndedDuringTheCommand = false;
  std::thread command([&] {
    const std::lock_guard<std::mutex> lock(busy.Lock());
    commandRuns.count_down();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return replug.WaitsForOrPassed(busy.Lock()); }));
    replugEndedDuringTheCommand = replug.ended;
    busy.SetPower(false);  // the command's last step switches the slot off
  });
  commandRuns.wait();
  sim::ReplugRunner runner;
  const bool started = runner.Start(replug.Of(choices[1].replug));
  command.join();
  ASSERT_TRUE(started);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return replug.ended.load(); }));
  EXPECT_NE(replug.thread, ::gettid()) << "the re-plug ran on the thread that chose it";
  EXPECT_FALSE(replugEndedDuringTheCommand) << "the re-plug did not wait for the slot's command";
  EXPECT_TRUE(busy.SlotPowered()) << "the slot's drive was not plugged in again after the command";
}

// More re-plugs wait for busy slots than the machine has cores: the re-plug of an idle slot,
// chosen after them, is done while they still wait.
TEST(OperatorReplugThreads, AnIdleSlotsReplugWaitsForNoReplugOfABusySlot) {
  const unsigned waiting = std::max(1u, std::thread::hardware_concurrency()) + 1;
  struct Case {
    const char* name;
    unsigned busySlots;
  };
  const Case cases[] = {
      {"all of them for one busy slot", 1},
      {"each for a busy slot of its own", waiting},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::shared_ptr<sim::SimStation> station = simtest::MakeStation({c.busySlots + 1});
    const std::vector<sim::ReplugChoice> choices = sim::ReplugChoices(station);
    sim::ReplugRunner runner;
    // The busy slots' commands: they end before the runner does, which waits for the re-plugs.
    std::vector<std::unique_lock<std::mutex>> commands;
    for (unsigned slot = 0; slot < c.busySlots; ++slot) commands.emplace_back(station->Slots()[slot]->Lock());
    for (unsigned replug = 0; replug < waiting; ++replug) {
      ASSERT_TRUE(runner.Start(choices[replug % c.busySlots].replug));
    }
    WatchedReplug idle;
    ASSERT_TRUE(runner.Start(idle.Of(choices[c.busySlots].replug)));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return idle.ended.load(); }))
        << "the idle slot's re-plug waited for the busy slots' re-plugs";
  }
}

// The operator chooses a busy slot's re-plug, and once it waits for the slot's command, an
// idle slot's re-plug, both on the window's thread: the second choice returns at once, and the
// idle slot is re-plugged while the busy slot's re-plug still waits; that one is done once the
// command has ended.
TEST(OperatorReplugThreads, AnIdleSlotsReplugChosenWhileABusySlotsReplugWaitsIsDoneAtOnce) {
  const std::shared_ptr<sim::SimStation> station = simtest::MakeStation({2});
  sim::SimSlot& busy = *station->SlotOfDrive(1);
  sim::SimSlot& idle = *station->SlotOfDrive(2);
  idle.SetPower(false);  // a test that ended switched the idle slot off
  const std::vector<sim::ReplugChoice> choices = sim::ReplugChoices(station);
  SlotCommand command(busy);
  sim::ReplugRunner runner;
  WatchedReplug first;
  WatchedReplug second;
  std::latch chooseSecond(1);
  std::atomic<bool> secondChosen{false};
  bool firstStarted = false;
  bool secondStarted = false;
  // The window's thread: neither choice may keep it.
  std::thread window([&] {
    firstStarted = runner.Start(first.Of(choices[0].replug));
    chooseSecond.wait();
    secondStarted = runner.Start(second.Of(choices[1].replug));
    secondChosen = true;
  });
  const bool firstWaits = testsupport::WaitUntil([&] {
    const pid_t thread = first.thread;
    return thread != 0 && testsupport::WaitsForMutex(thread, busy.Lock());
  });
  chooseSecond.count_down();
  // A wait that fails takes a minute: the next is not waited for then.
  const bool secondReturned = firstWaits && testsupport::WaitUntil([&] { return secondChosen.load(); });
  const bool secondDone = secondReturned && testsupport::WaitUntil([&] { return second.ended.load(); });
  const bool firstEndedBeforeTheCommand = first.ended;
  command.End();
  window.join();
  ASSERT_TRUE(firstWaits) << "the busy slot's re-plug did not wait for the slot's command";
  ASSERT_TRUE(secondReturned) << "choosing the idle slot's re-plug waited for the busy slot's";
  EXPECT_TRUE(firstStarted);
  EXPECT_TRUE(secondStarted);
  EXPECT_TRUE(secondDone) << "the idle slot's re-plug waited for the busy slot's";
  EXPECT_TRUE(idle.SlotPowered());
  EXPECT_FALSE(firstEndedBeforeTheCommand);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return first.ended.load(); }));
  EXPECT_TRUE(busy.SlotPowered()) << "the busy slot's drive was not plugged in again after the command";
}

// The runner ends while a re-plug it started waits for its slot's command: its end waits for
// that re-plug, so that the re-plug does not outlive it.
TEST(OperatorReplugThreads, TheRunnersEndWaitsForTheReplugsStillRunning) {
  const std::shared_ptr<sim::SimStation> station = simtest::MakeStation({2});
  sim::SimSlot& busy = *station->SlotOfDrive(1);
  WatchedReplug replug;
  auto runner = std::make_unique<sim::ReplugRunner>();
  std::unique_lock<std::mutex> command(busy.Lock());
  ASSERT_TRUE(runner->Start(replug.Of(sim::ReplugChoices(station)[0].replug)));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return replug.WaitsForOrPassed(busy.Lock()); }));
  std::atomic<pid_t> ending{0};
  std::atomic<bool> runnerEnded{false};
  bool replugEndedFirst = false;
  std::thread end([&] {
    ending = ::gettid();
    runner.reset();
    replugEndedFirst = replug.ended;
    runnerEnded = true;
  });
  // The command ends once the runner's end waits (for a thread, in a futex), or is over.
  EXPECT_TRUE(testsupport::WaitUntil([&] {
    const pid_t thread = ending;
    return runnerEnded || (thread != 0 && testsupport::WaitsInFutex(thread));
  }));
  command.unlock();
  end.join();
  EXPECT_TRUE(replugEndedFirst) << "the runner ended before a re-plug it had started";
}

}  // namespace
