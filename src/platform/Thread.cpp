// Threads on pthreads. The stack size is set on the thread attributes (rounded up to whole
// pages and to the system minimum); the priority becomes the thread's nice value, which an
// unprivileged process may only lower: a refused change is ignored, as the priority is a hint.
//
// A joinable thread with a chosen stack size runs on a stack of the process's own, kept for
// the next thread of that size once the thread has been joined: a worker pool that does not
// keep its workers starts 24 threads with 3 MB stacks for every pass, more than the C
// library keeps for reuse, and a stack it maps and unmaps again costs the whole process a
// flush of its address translations. Each such stack has a guard page below it, as the library's own have.
#include "platform/Thread.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cxxabi.h>
#include <exception>
#include <string>
#include <mutex>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

std::size_t PageSize();

std::size_t RoundedStackSize(std::size_t requested) {
  const std::size_t pageSize = PageSize();
  std::size_t size = requested < static_cast<std::size_t>(PTHREAD_STACK_MIN)
                         ? static_cast<std::size_t>(PTHREAD_STACK_MIN)
                         : requested;
  return (size + pageSize - 1) / pageSize * pageSize;
}

std::size_t PageSize() {
  const long page = ::sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

// Room above the asked size for what the C library keeps at the top of a stack it is given
// (the thread's descriptor and its static thread-local storage).
constexpr std::size_t kStackTopRoom = 256 * 1024;
// Stacks kept for reuse, at most.
constexpr std::size_t kStacksKept = 64;

class StackStore {
 public:
  // A stack for a thread that asks for `size` bytes; an empty one when none can be mapped.
  Thread::Stack Take(std::size_t size) {
    {
      std::lock_guard lock(m_mutex);
      for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if (it->size == size) {
          const Thread::Stack stack = *it;
          m_kept.erase(it);
          return stack;
        }
      }
    }
    Thread::Stack stack;
    const std::size_t guard = PageSize();
    const std::size_t mapped = guard + size + kStackTopRoom;
    void* base = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (base == MAP_FAILED) return stack;
    if (::mprotect(base, guard, PROT_NONE) != 0) {
      ::munmap(base, mapped);
      return stack;
    }
    stack.base = base;
    stack.mapped = mapped;
    stack.size = size;
    return stack;
  }
  // A stack whose thread has ended.
  void Give(const Thread::Stack& stack) {
    if (stack.base == nullptr) return;
    {
      std::lock_guard lock(m_mutex);
      if (m_kept.size() < kStacksKept) {
        m_kept.push_back(stack);
        return;
      }
    }
    ::munmap(stack.base, stack.mapped);
  }

 private:
  std::mutex m_mutex;
  std::vector<Thread::Stack> m_kept;
};

StackStore& Stacks() {
  static StackStore* const store = new StackStore;  // threads may end while the program exits
  return *store;
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

// Creates the thread, joinable or detached; false when it could not be created. A joinable
// thread with a chosen stack size gets a stack of the store (left in `stack`).
bool CreateThread(pthread_t& handle, std::function<void()> body, std::size_t stackSize,
                  ThreadPriority priority, bool detached, Thread::Stack* stack = nullptr) {
  if (!body) return false;
  pthread_attr_t attributes;
  if (::pthread_attr_init(&attributes) != 0) return false;
  bool ok = true;
  Thread::Stack own;
  if (stackSize != 0 && !detached && stack != nullptr) {
    own = Stacks().Take(RoundedStackSize(stackSize));
    if (own.base != nullptr) {
      const std::size_t guard = PageSize();
      ok = ::pthread_attr_setstack(&attributes, static_cast<char*>(own.base) + guard, own.mapped - guard) == 0;
    }
  }
  if (ok && stackSize != 0 && own.base == nullptr) {
    ok = ::pthread_attr_setstacksize(&attributes, RoundedStackSize(stackSize)) == 0;
  }
  if (ok && detached) ok = ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED) == 0;
  if (ok) {
    auto* block = new StartBlock{std::move(body), priority};
    ok = ::pthread_create(&handle, &attributes, &ThreadEntry, block) == 0;
    if (!ok) delete block;
  }
  ::pthread_attr_destroy(&attributes);
  if (!ok) {
    Stacks().Give(own);
  } else if (stack != nullptr) {
    *stack = own;
  }
  return ok;
}

}  // namespace

Thread::~Thread() { Join(); }

Thread::Thread(Thread&& other) noexcept
    : m_handle(other.m_handle),
      m_started(std::exchange(other.m_started, false)),
      m_stack(std::exchange(other.m_stack, Stack{})) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    m_handle = other.m_handle;
    m_started = std::exchange(other.m_started, false);
    m_stack = std::exchange(other.m_stack, Stack{});
  }
  return *this;
}

bool Thread::Start(std::function<void()> body, std::size_t stackSize, ThreadPriority priority) {
  if (m_started) return false;  // one thread per object; join the previous one first
  m_started = CreateThread(m_handle, std::move(body), stackSize, priority, false, &m_stack);
  return m_started;
}

void Thread::Join() {
  if (!m_started) return;
  m_started = false;
  const Stack stack = std::exchange(m_stack, Stack{});
  // A thread that joins itself (its object dies on its own thread) cannot wait for its
  // own end; it is detached instead so that its resources are still freed (all but a stack
  // of the store, which it runs on until its very end and which is therefore never reused).
  if (::pthread_equal(m_handle, ::pthread_self())) {
    ::pthread_detach(m_handle);
    return;
  }
  ::pthread_join(m_handle, nullptr);
  Stacks().Give(stack);
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
