#pragma once
// The tests' waits for what other threads bring about. A wait is for exactly the state the test
// then checks, never for a state the worker reaches before it writes what is checked. A wait
// whose state never comes fails after a minute, saying what it waited for and, when given a
// way to tell, what it saw last.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "ui/Dispatcher.h"

namespace testsupport {

inline constexpr std::uint32_t kWaitLimitMs = 60000;

// What the state looks like, for the failure of a wait that never saw it.
using SeenState = std::function<std::string()>;

inline ::testing::AssertionResult StateNeverCame(const char* how, const SeenState& seen) {
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << how << " " << kWaitLimitMs / 1000 << " s and the awaited state never came";
  if (seen) failure << "; last seen: " << seen();
  return failure;
}

// Polls, from a thread that serves no messages, until the condition holds.
inline ::testing::AssertionResult WaitUntil(const std::function<bool()>& done, const SeenState& seen = {}) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitLimitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return StateNeverCame("polled for", seen);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return ::testing::AssertionSuccess();
}

// Pumps the user-interface thread until the condition holds and no posted message waits: what
// a worker posted before it brought the condition about (a notice shown without waiting, a
// last look at its state) has run too.
inline ::testing::AssertionResult PumpUntil(ui::Dispatcher& dispatcher, const std::function<bool()>& done,
                                            const SeenState& seen = {}) {
  if (dispatcher.PumpUntil([&] { return done() && dispatcher.PendingCount() == 0; }, kWaitLimitMs)) {
    return ::testing::AssertionSuccess();
  }
  if (dispatcher.QuitRequested()) return ::testing::AssertionFailure() << "a quit was requested during the wait";
  return StateNeverCame("pumped for", seen);
}

}  // namespace testsupport
