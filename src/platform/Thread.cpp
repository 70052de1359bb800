// Threads on pthreads. The stack size is set on the thread attributes (rounded up to whole
// pages and to the system minimum); the priority becomes the thread's nice value, which an
// unprivileged process may only lower: a refused change is ignored, as the priority is a hint.
#include "platform/Thread.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cxxabi.h>
#include <exception>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

#include "platform/Debug.h"

namespace platform {

namespace {

int NiceValue(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::Lowest: return 10;
    case ThreadPriority::BelowNormal: return 5;
    case ThreadPriority::Normal: return 0;
    case ThreadPriority::AboveNormal: return -5;
    case ThreadPriority::Highest: return -10;
    case ThreadPriority::TimeCritical: return -20;
  }
  return 0;
}

// Applies the priority to the calling thread; EPERM/EACCES (not allowed to raise it) are
// expected for an ordinary user and ignored.
void ApplyPriority(ThreadPriority priority) {
  if (priority == ThreadPriority::Normal) return;
  (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), NiceValue(priority));
}

std::size_t RoundedStackSize(std::size_t requested) {
  const long page = ::sysconf(_SC_PAGESIZE);
  const std::size_t pageSize = page > 0 ? static_cast<std::size_t>(page) : 4096;
  std::size_t size = requested < static_cast<std::size_t>(PTHREAD_STACK_MIN)
                         ? static_cast<std::size_t>(PTHREAD_STACK_MIN)
                         : requested;
  return (size + pageSize - 1) / pageSize * pageSize;
}

struct StartBlock {
  std::function<void()> body;
  ThreadPriority priority;
};

// The thread's entry: no exception leaves a thread body; one that would is reported on
// the debug output and ends only that thread.
void* ThreadEntry(void* argument) {
  StartBlock* raw = static_cast<StartBlock*>(argument);
  std::function<void()> body = std::move(raw->body);
  const ThreadPriority priority = raw->priority;
  delete raw;
  ApplyPriority(priority);
  try {
    body();
  } catch (abi::__forced_unwind&) {
    throw;  // thread cancellation must unwind
  } catch (const std::exception& error) {
    DebugOutput(std::string("thread ended by an exception: ") + error.what() + "\n");
  } catch (...) {
    DebugOutput("thread ended by an unknown exception\n");
  }
  return nullptr;
}

// Creates the thread, joinable or detached; false when it could not be created.
bool CreateThread(pthread_t& handle, std::function<void()> body, std::size_t stackSize,
                  ThreadPriority priority, bool detached) {
  if (!body) return false;
  pthread_attr_t attributes;
  if (::pthread_attr_init(&attributes) != 0) return false;
  bool ok = true;
  if (stackSize != 0) ok = ::pthread_attr_setstacksize(&attributes, RoundedStackSize(stackSize)) == 0;
  if (ok && detached) ok = ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED) == 0;
  if (ok) {
    auto* block = new StartBlock{std::move(body), priority};
    ok = ::pthread_create(&handle, &attributes, &ThreadEntry, block) == 0;
    if (!ok) delete block;
  }
  ::pthread_attr_destroy(&attributes);
  return ok;
}

}  // namespace

Thread::~Thread() { Join(); }

Thread::Thread(Thread&& other) noexcept
    : m_handle(other.m_handle), m_started(std::exchange(other.m_started, false)) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    m_handle = other.m_handle;
    m_started = std::exchange(other.m_started, false);
  }
  return *this;
}

bool Thread::Start(std::function<void()> body, std::size_t stackSize, ThreadPriority priority) {
  if (m_started) return false;  // one thread per object; join the previous one first
  m_started = CreateThread(m_handle, std::move(body), stackSize, priority, false);
  return m_started;
}

void Thread::Join() {
  if (!m_started) return;
  m_started = false;
  // A thread that joins itself (its object dies on its own thread) cannot wait for its
  // own end; it is detached instead so that its resources are still freed.
  if (::pthread_equal(m_handle, ::pthread_self())) {
    ::pthread_detach(m_handle);
    return;
  }
  ::pthread_join(m_handle, nullptr);
}

bool StartDetachedThread(std::function<void()> body, std::size_t stackSize, ThreadPriority priority) {
  pthread_t handle;
  return CreateThread(handle, std::move(body), stackSize, priority, true);
}

unsigned long CurrentThreadId() {
  static std::atomic<unsigned long> nextId{1};
  thread_local const unsigned long id = nextId.fetch_add(1, std::memory_order_relaxed);
  return id;
}

}  // namespace platform
