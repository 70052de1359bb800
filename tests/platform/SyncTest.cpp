#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Sync.h"

namespace {

using platform::Event;
using platform::kWaitTimeout;
using platform::Semaphore;
using platform::WaitForAll;
using platform::WaitForAny;

// Critical sections are recursive, as on Windows: the owner enters again without blocking
// itself, and other threads get in only once every Enter has been left.
TEST(CriticalSectionThreads, TheOwnerEntersAgainAndOthersWaitUntilEveryEnterIsLeft) {
  platform::CriticalSection section;
  const auto anotherThreadGetsIn = [&section] {
    bool entered = false;
    std::thread other([&] {
      entered = section.TryEnter();
      if (entered) section.Leave();
    });
    other.join();
    return entered;
  };
  section.Enter();
  EXPECT_TRUE(section.TryEnter());
  { platform::CriticalSectionGuard nested(section); }
  EXPECT_FALSE(anotherThreadGetsIn());
  section.Leave();
  EXPECT_FALSE(anotherThreadGetsIn());
  section.Leave();
  EXPECT_TRUE(anotherThreadGetsIn());
}

TEST(CriticalSectionThreads, NestedGuardsKeepACountExact) {
  platform::CriticalSection section;
  int count = 0;  // guarded by the section only
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) {
        platform::CriticalSectionGuard outer(section);
        platform::CriticalSectionGuard inner(section);
        ++count;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(count, 8000);
}

TEST(Event, ManualResetStaysSetUntilReset) {
  Event event(true, false);
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(0));
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, AutoResetReleasesOneWait) {
  Event event(false, true);
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  event.Set();  // setting twice still releases one wait
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(5));
}

TEST(Semaphore, CountsDownAndRefusesToPassTheMaximum) {
  Semaphore semaphore(1, 3);
  EXPECT_EQ(semaphore.Count(), 1);
  EXPECT_TRUE(semaphore.Release(2));
  EXPECT_EQ(semaphore.Count(), 3);
  EXPECT_FALSE(semaphore.Release(1));
  EXPECT_EQ(semaphore.Count(), 3);
  EXPECT_FALSE(semaphore.Release(0));
  EXPECT_FALSE(semaphore.Release(-1));
  EXPECT_TRUE(semaphore.Wait(0));
  EXPECT_TRUE(semaphore.Wait(0));
  EXPECT_TRUE(semaphore.Wait(0));
  EXPECT_FALSE(semaphore.Wait(0));
  EXPECT_EQ(semaphore.Count(), 0);
}

TEST(Semaphore, OutOfRangeCountsAreBroughtIntoRange) {
  EXPECT_EQ(Semaphore(5, 2).Count(), 2);
  EXPECT_EQ(Semaphore(-1, 2).Count(), 0);
  Semaphore noMaximum(0, 0);
  EXPECT_TRUE(noMaximum.Release());
  EXPECT_FALSE(noMaximum.Release());
}

TEST(WaitForAny, LowestSignalledIndexWinsAndOnlyItIsConsumed) {
  Event first(false, false);
  Semaphore second(1, 1);
  Event third(false, true);
  EXPECT_EQ(WaitForAny({&first, &second, &third}, 0), 1);
  EXPECT_EQ(second.Count(), 0);
  EXPECT_TRUE(third.Wait(0));  // not consumed by the wait above
  third.Set();
  first.Set();
  EXPECT_EQ(WaitForAny({&first, &second, &third}, 0), 0);
  EXPECT_EQ(WaitForAny({&first, &second, &third}, 0), 2);
  EXPECT_EQ(WaitForAny({&first, &second, &third}, 5), kWaitTimeout);
}

TEST(WaitForAny, EmptyOrNullListsFailAtOnce) {
  EXPECT_EQ(WaitForAny({}, platform::kInfinite), kWaitTimeout);
  Event set(true, true);
  EXPECT_EQ(WaitForAny({&set, nullptr}, platform::kInfinite), kWaitTimeout);
}

TEST(WaitForAll, ConsumesAllOnlyWhenAllAreSignalled) {
  Semaphore semaphore(1, 5);
  Event autoEvent(false, true);
  Event manual(true, false);
  EXPECT_FALSE(WaitForAll({&semaphore, &autoEvent, &manual}, 5));
  EXPECT_EQ(semaphore.Count(), 1);  // nothing consumed on a time-out
  EXPECT_TRUE(autoEvent.Wait(0));
  autoEvent.Set();

  manual.Set();
  EXPECT_TRUE(WaitForAll({&semaphore, &autoEvent, &manual}, 0));
  EXPECT_EQ(semaphore.Count(), 0);
  EXPECT_FALSE(autoEvent.Wait(0));
  EXPECT_TRUE(manual.Wait(0));  // a manual-reset event stays set
}

TEST(WaitForAll, RefusesEmptyNullAndDuplicateLists) {
  Semaphore semaphore(1, 2);
  EXPECT_FALSE(WaitForAll({}, 0));
  EXPECT_FALSE(WaitForAll({&semaphore, nullptr}, 0));
  EXPECT_FALSE(WaitForAll({&semaphore, &semaphore}, platform::kInfinite));
  EXPECT_EQ(semaphore.Count(), 1);
}

TEST(SyncThreads, SetWakesAnInfiniteWait) {
  for (int round = 0; round < 50; ++round) {
    Event started(true, false);
    Event go(false, false);
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
      started.Set();
      woke = go.Wait();
    });
    ASSERT_TRUE(started.Wait());
    go.Set();
    waiter.join();
    EXPECT_TRUE(woke);
    EXPECT_FALSE(go.Wait(0));  // the waiter consumed the auto-reset event
  }
}

TEST(SyncThreads, SemaphoreHandsOutEveryReleaseExactlyOnce) {
  constexpr int kProducers = 4;
  constexpr int kConsumers = 4;
  constexpr int kPerProducer = 2000;
  Semaphore items(0, 64);
  Event stop(true, false);
  std::atomic<int> consumed{0};
  std::vector<std::thread> threads;
  for (int c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&] {
      for (;;) {
        const int which = WaitForAny({&items, &stop});
        if (which == 0) consumed.fetch_add(1);
        if (which == 1) return;
      }
    });
  }
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&] {
      for (int i = 0; i < kPerProducer; ++i) {
        while (!items.Release()) std::this_thread::yield();  // full: wait for the consumers
      }
    });
  }
  for (auto& producer : producers) producer.join();
  while (items.Count() > 0) std::this_thread::yield();
  stop.Set();
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(consumed.load(), kProducers * kPerProducer);
}

// A wait-all must never hold one of its objects while it waits for the others: a token of
// `first` stays available to everybody until `second` is signalled too.
TEST(SyncThreads, WaitForAllNeverTakesPartOfItsObjects) {
  for (int round = 0; round < 200; ++round) {
    Semaphore first(0, 2);
    Semaphore second(0, 1);
    std::thread waiter([&] { EXPECT_TRUE(WaitForAll({&first, &second})); });
    ASSERT_TRUE(first.Release());
    ASSERT_TRUE(first.Wait(platform::kInfinite));  // still ours, whatever the waiter does
    ASSERT_TRUE(first.Release());
    ASSERT_TRUE(second.Release());
    waiter.join();
    EXPECT_EQ(first.Count(), 0);
    EXPECT_EQ(second.Count(), 0);
  }
}

TEST(SyncThreads, WaitForAllCompetitorsConserveTokens) {
  constexpr int kRounds = 3000;
  Semaphore a(0, 100000);
  Semaphore b(0, 100000);
  std::atomic<int> pairsTaken{0};
  std::atomic<int> singlesTaken{0};
  Event stop(true, false);
  std::thread pairs([&] {
    while (WaitForAny({&stop}, 0) == kWaitTimeout) {
      if (WaitForAll({&a, &b}, 1)) pairsTaken.fetch_add(1);
    }
  });
  std::thread singles([&] {
    while (WaitForAny({&stop}, 0) == kWaitTimeout) {
      if (a.Wait(1)) singlesTaken.fetch_add(1);
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    ASSERT_TRUE(a.Release());
    ASSERT_TRUE(b.Release());
  }
  stop.Set();
  pairs.join();
  singles.join();
  EXPECT_EQ(pairsTaken + singlesTaken + a.Count(), kRounds);
  EXPECT_EQ(pairsTaken + b.Count(), kRounds);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Who is woken: a change serves the waiters of its own object, in the order they came

namespace {

// Waits (without a time limit) until `sleepers` more waits than at `before` have gone to sleep.
void AwaitSleepers(const platform::WaitCounts& before, std::uint64_t sleepers) {
  while (platform::CurrentWaitCounts().sleeps < before.sleeps + sleepers) std::this_thread::yield();
}

TEST(SyncThreads, AReleaseGoesToTheThreadAlreadyWaitingNotToALaterLook) {
  for (int round = 0; round < 50; ++round) {
    Semaphore semaphore(0, 1);
    const platform::WaitCounts before = platform::CurrentWaitCounts();
    std::thread waiter([&] { EXPECT_TRUE(semaphore.Wait()); });
    AwaitSleepers(before, 1);
    ASSERT_TRUE(semaphore.Release());
    // The count went to the waiter as it was released: nothing is left for a look now.
    EXPECT_FALSE(semaphore.Wait(0));
    waiter.join();
    EXPECT_EQ(semaphore.Count(), 0);
  }
}

TEST(SyncThreads, ASignalWakesOnlyTheWaitersOfItsObject) {
  Event watched(true, false);
  Event other(false, false);
  constexpr int kWaiters = 6;
  const platform::WaitCounts before = platform::CurrentWaitCounts();
  std::vector<std::thread> waiters;
  for (int i = 0; i < kWaiters; ++i) waiters.emplace_back([&] { EXPECT_TRUE(watched.Wait()); });
  AwaitSleepers(before, kWaiters);
  const std::uint64_t wakeUpsWhileAsleep = platform::CurrentWaitCounts().wakeUps;
  for (int i = 0; i < 200; ++i) {
    other.Set();
    EXPECT_TRUE(other.Wait(0));
  }
  EXPECT_EQ(platform::CurrentWaitCounts().wakeUps, wakeUpsWhileAsleep);
  watched.Set();  // a manual-reset event serves every one of its waiters
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(platform::CurrentWaitCounts().wakeUps, wakeUpsWhileAsleep + kWaiters);
}

TEST(SyncThreads, OneReleaseServesOneWaiterInTheOrderTheyCame) {
  Semaphore semaphore(0, 10);
  constexpr int kWaiters = 4;
  std::vector<int> served;
  std::mutex servedLock;
  std::vector<std::thread> waiters;
  for (int i = 0; i < kWaiters; ++i) {
    const platform::WaitCounts before = platform::CurrentWaitCounts();
    waiters.emplace_back([&, i] {
      ASSERT_TRUE(semaphore.Wait());
      std::lock_guard lock(servedLock);
      served.push_back(i);
    });
    AwaitSleepers(before, 1);  // each is asleep before the next comes
  }
  for (int i = 0; i < kWaiters; ++i) {
    const std::uint64_t wakeUps = platform::CurrentWaitCounts().wakeUps;
    ASSERT_TRUE(semaphore.Release());
    while (platform::CurrentWaitCounts().wakeUps == wakeUps) std::this_thread::yield();
    // Exactly one woke, and the others still wait: the count went to it.
    EXPECT_EQ(semaphore.Count(), 0);
  }
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(served.size(), static_cast<std::size_t>(kWaiters));
  // They were served first come, first served (they may record it in another order).
  std::sort(served.begin(), served.end());
  EXPECT_EQ(served, (std::vector<int>{0, 1, 2, 3}));
}

TEST(SyncThreads, AWaitThatTimedOutTakesNothingLater) {
  Semaphore semaphore(0, 5);
  EXPECT_FALSE(semaphore.Wait(1));
  EXPECT_EQ(WaitForAny({&semaphore}, 2), kWaitTimeout);
  Event event(false, false);
  EXPECT_FALSE(WaitForAll({&semaphore, &event}, 1));
  // Nobody is left waiting for them: what comes now stays for the next look.
  ASSERT_TRUE(semaphore.Release(2));
  event.Set();
  EXPECT_EQ(semaphore.Count(), 2);
  EXPECT_TRUE(WaitForAll({&semaphore, &event}, 0));
  EXPECT_EQ(semaphore.Count(), 1);
}

TEST(SyncThreads, AWaitAllIsServedWhenItsLastObjectComesWhileAWaitAnyTakesWhatItCan) {
  for (int round = 0; round < 100; ++round) {
    Semaphore first(0, 1);
    Semaphore second(0, 1);
    const platform::WaitCounts before = platform::CurrentWaitCounts();
    std::thread all([&] { EXPECT_TRUE(WaitForAll({&first, &second})); });
    AwaitSleepers(before, 1);
    std::atomic<int> anyWinner{-2};
    const platform::WaitCounts beforeAny = platform::CurrentWaitCounts();
    std::thread any([&] { anyWinner = WaitForAny({&first}); });
    AwaitSleepers(beforeAny, 1);
    // The wait-all cannot take `first` alone; the wait-any, listed later, can.
    ASSERT_TRUE(first.Release());
    any.join();
    EXPECT_EQ(anyWinner.load(), 0);
    ASSERT_TRUE(first.Release());
    ASSERT_TRUE(second.Release());
    all.join();
    EXPECT_EQ(first.Count(), 0);
    EXPECT_EQ(second.Count(), 0);
  }
}

}  // namespace
