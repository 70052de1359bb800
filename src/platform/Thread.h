#pragma once
// Threads with a chosen stack size and a best-effort priority.
#include <cstddef>
#include <functional>
#include <memory>
#include <pthread.h>

namespace platform {

enum class ThreadPriority { Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };

class Thread {
 public:
  Thread() = default;
  ~Thread();  // joins a thread that is still joinable
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;

  // Starts the body on a new thread; stackSize 0 takes the system default. The priority is
  // applied when the system allows it and ignored otherwise. False when no thread started.
  bool Start(std::function<void()> body, std::size_t stackSize = 0,
             ThreadPriority priority = ThreadPriority::Normal);
  bool Joinable() const { return m_started; }
  void Join();

  // A stack of the thread's own (see Thread.cpp); public for the stack store only.
  struct Stack {
    void* base = nullptr;     // lowest address of the mapping (its guard page)
    std::size_t mapped = 0;   // bytes mapped
    std::size_t size = 0;     // the size asked for
  };

 private:
  pthread_t m_handle{};
  bool m_started = false;
  Stack m_stack;  // given back for the next thread once this one has been joined
};

// Starts a detached thread (the caller keeps no handle); false when none started.
bool StartDetachedThread(std::function<void()> body, std::size_t stackSize = 0,
                         ThreadPriority priority = ThreadPriority::Normal);

// A small number that identifies the calling thread in logs.
unsigned long CurrentThreadId();

}  // namespace platform
