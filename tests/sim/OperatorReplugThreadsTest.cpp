// The operator's re-plug menu while a slot runs a command: a thread standing for the command
// holds the slot's lock until the test lets the command end.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <latch>
#include <mutex>
#include <thread>

#include "SimRequests.h"
#include "sim/OperatorReplug.h"

namespace {

TEST(OperatorReplugThreads, TheMenuAndAnotherSlotWaitForNoBusySlotAndTheBusySlotsChoiceWaitsForIt) {
  const std::shared_ptr<sim::SimStation> station = simtest::MakeStation({8});
  station->SlotOfDrive(7)->Pull();
  sim::SimSlot& busy = *station->SlotOfDrive(3);
  std::latch commandRuns(1);
  std::latch commandMayEnd(1);
  std::thread command([&] {
    const std::lock_guard<std::mutex> lock(busy.Lock());
    commandRuns.count_down();
    commandMayEnd.wait();
    busy.SetPower(false);  // the command's last step switches the slot off
  });
  commandRuns.wait();

  std::vector<sim::ReplugChoice> choices;
  std::future<bool> menu = std::async(std::launch::async, [&] {
    choices = sim::ReplugChoices(station);
    return choices.size() == 7 && choices[0].replug();
  });
  const bool doneWhileBusy = menu.wait_for(std::chrono::minutes(1)) == std::future_status::ready;
  std::future<bool> busyChoice;
  if (doneWhileBusy && menu.get()) busyChoice = std::async(std::launch::async, [&] { return choices[2].replug(); });
  commandMayEnd.count_down();
  command.join();
  ASSERT_TRUE(doneWhileBusy) << "the menu waited for the slot that runs a command";
  ASSERT_TRUE(busyChoice.valid()) << "the menu listed the wrong slots, or re-plugging slot 1 failed";
  EXPECT_EQ(choices[2].label, "Tester 3 (board 1, slot 3)");
  // The busy slot is re-plugged after its command has ended: its drive is powered again.
  EXPECT_TRUE(busyChoice.get());
  EXPECT_TRUE(busy.SlotPowered());
}

}  // namespace
