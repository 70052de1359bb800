#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Debug.h"
#include "platform/Sync.h"
#include "platform/Thread.h"

namespace {

using platform::Thread;
using platform::ThreadPriority;

constexpr std::size_t kWorkerStack = 3 * 1024 * 1024;

std::size_t CurrentStackSize() {
  pthread_attr_t attributes;
  std::size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    pthread_attr_getstacksize(&attributes, &size);
    pthread_attr_destroy(&attributes);
  }
  return size;
}

// Fills a 2 MB array on the stack, which needs more than the usual small thread stacks of
// some systems and fits in the 3 MB the worker pool asks for.
bool UseTwoMegabytesOfStack() {
  volatile char big[2 * 1024 * 1024];
  for (std::size_t i = 0; i < sizeof big; i += 512) big[i] = static_cast<char>((i >> 9) & 0x7F);
  for (std::size_t i = 0; i < sizeof big; i += 512) {
    if (big[i] != static_cast<char>((i >> 9) & 0x7F)) return false;
  }
  return true;
}

TEST(Thread, RunsTheBodyAndJoins) {
  std::atomic<int> runs{0};
  Thread thread;
  EXPECT_FALSE(thread.Joinable());
  ASSERT_TRUE(thread.Start([&] { runs.fetch_add(1); }));
  EXPECT_TRUE(thread.Joinable());
  thread.Join();
  EXPECT_FALSE(thread.Joinable());
  EXPECT_EQ(runs.load(), 1);
}

TEST(Thread, StackSizeIsHonoured) {
  std::size_t stackSize = 0;
  bool usable = false;
  Thread thread;
  ASSERT_TRUE(thread.Start(
      [&] {
        stackSize = CurrentStackSize();
        usable = UseTwoMegabytesOfStack();
      },
      kWorkerStack, ThreadPriority::Highest));
  thread.Join();
  EXPECT_GE(stackSize, kWorkerStack);
  EXPECT_TRUE(usable);
}

TEST(Thread, EveryPriorityStartsAThread) {
  for (ThreadPriority priority : {ThreadPriority::Lowest, ThreadPriority::BelowNormal, ThreadPriority::Normal,
                                  ThreadPriority::AboveNormal, ThreadPriority::Highest,
                                  ThreadPriority::TimeCritical}) {
    std::atomic<bool> ran{false};
    Thread thread;
    ASSERT_TRUE(thread.Start([&] { ran = true; }, 0, priority));
    thread.Join();
    EXPECT_TRUE(ran);
  }
}

TEST(Thread, RefusesAnEmptyBodyAndASecondStart) {
  Thread thread;
  EXPECT_FALSE(thread.Start(std::function<void()>()));
  EXPECT_FALSE(thread.Joinable());
  platform::Event release(true, false);
  ASSERT_TRUE(thread.Start([&] { release.Wait(); }));
  EXPECT_FALSE(thread.Start([] {}));
  release.Set();
  thread.Join();
}

TEST(Thread, MoveHandsOverTheThread) {
  std::atomic<int> runs{0};
  Thread first;
  ASSERT_TRUE(first.Start([&] { runs.fetch_add(1); }));
  Thread second(std::move(first));
  EXPECT_FALSE(first.Joinable());
  EXPECT_TRUE(second.Joinable());
  Thread third;
  third = std::move(second);
  EXPECT_FALSE(second.Joinable());
  third.Join();
  EXPECT_EQ(runs.load(), 1);
}

TEST(Thread, DestructorJoins) {
  std::atomic<bool> finished{false};
  {
    Thread thread;
    ASSERT_TRUE(thread.Start([&] { finished = true; }));
  }
  EXPECT_TRUE(finished);
}

TEST(Thread, AnExceptionEndsOnlyItsThreadAndIsReported) {
  std::mutex lock;
  std::vector<std::string> lines;
  platform::SetDebugSink([&](std::string_view text) {
    std::lock_guard<std::mutex> guard(lock);
    lines.emplace_back(text);
  });
  Thread thread;
  ASSERT_TRUE(thread.Start([] { throw std::runtime_error("disk gone"); }));
  thread.Join();
  platform::SetDebugSink({});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("disk gone"), std::string::npos);
}

TEST(Thread, DetachedThreadRuns) {
  platform::Event done(true, false);
  ASSERT_TRUE(platform::StartDetachedThread([&] { done.Set(); }, kWorkerStack));
  EXPECT_TRUE(done.Wait());
  EXPECT_FALSE(platform::StartDetachedThread(std::function<void()>()));
}

TEST(ThreadIdThreads, IdsAreSmallStableAndUnique) {
  constexpr int kThreads = 16;
  const unsigned long mine = platform::CurrentThreadId();
  EXPECT_EQ(platform::CurrentThreadId(), mine);
  std::mutex lock;
  std::set<unsigned long> ids{mine};
  std::vector<Thread> threads(kThreads);
  for (Thread& thread : threads) {
    ASSERT_TRUE(thread.Start([&] {
      const unsigned long id = platform::CurrentThreadId();
      EXPECT_EQ(platform::CurrentThreadId(), id);
      std::lock_guard<std::mutex> guard(lock);
      ids.insert(id);
    }));
  }
  for (Thread& thread : threads) thread.Join();
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(kThreads + 1));
  EXPECT_LT(*ids.rbegin(), 100000u);
}

}  // namespace

namespace {

// The pool starts its workers afresh for every pass: stacks of joined threads serve the next
// ones, whole and with their own thread-local storage.
TEST(ThreadThreads, PassesOfWorkersWithChosenStacksRunOneAfterAnother) {
  constexpr int kPasses = 4;
  constexpr int kWorkers = 24;
  std::atomic<int> usable{0};
  std::atomic<int> freshLocals{0};
  std::set<void*> stacksSeen;
  std::mutex stacksLock;
  for (int pass = 0; pass < kPasses; ++pass) {
    std::vector<Thread> workers(kWorkers);
    for (Thread& worker : workers) {
      ASSERT_TRUE(worker.Start(
          [&] {
            thread_local int local = 0;
            if (local++ == 0) freshLocals.fetch_add(1);
            if (CurrentStackSize() >= kWorkerStack && UseTwoMegabytesOfStack()) usable.fetch_add(1);
            pthread_attr_t attributes;
            void* stack = nullptr;
            std::size_t size = 0;
            if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
              pthread_attr_getstack(&attributes, &stack, &size);
              pthread_attr_destroy(&attributes);
            }
            std::lock_guard lock(stacksLock);
            stacksSeen.insert(stack);
          },
          kWorkerStack, ThreadPriority::Highest));
    }
    for (Thread& worker : workers) worker.Join();
  }
  EXPECT_EQ(usable.load(), kPasses * kWorkers);
  EXPECT_EQ(freshLocals.load(), kPasses * kWorkers);
  // Later passes ran on the stacks of the first.
  EXPECT_EQ(stacksSeen.size(), static_cast<std::size_t>(kWorkers));
}

}  // namespace
