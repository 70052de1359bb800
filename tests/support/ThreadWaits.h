#pragma once
// What a thread of the calling process is blocked in, as the kernel shows it: the system call a
// blocked thread is in, with its arguments, is in /proc/self/task/<thread>/syscall ("running"
// while it runs). A thread that waits for a mutex held elsewhere is in a futex wait on the
// mutex's own word, its first.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <sys/syscall.h>
#include <sys/types.h>

namespace testsupport {

struct BlockedCall {
  long number;
  std::uintptr_t firstArgument;
};

// The system call the thread is blocked in; none while it runs.
inline std::optional<BlockedCall> BlockedIn(pid_t thread) {
  std::ifstream shown("/proc/self/task/" + std::to_string(thread) + "/syscall");
  long number = 0;
  std::string firstArgument;
  if (!(shown >> number >> firstArgument)) return std::nullopt;
  return BlockedCall{number, static_cast<std::uintptr_t>(std::stoull(firstArgument, nullptr, 16))};
}

// Whether the thread waits in a futex (for a mutex, a condition, a thread's end).
inline bool WaitsInFutex(pid_t thread) {
  const std::optional<BlockedCall> call = BlockedIn(thread);
  return call && call->number == SYS_futex;
}

// Whether the thread waits for the mutex.
inline bool WaitsForMutex(pid_t thread, std::mutex& mutex) {
  const std::optional<BlockedCall> call = BlockedIn(thread);
  return call && call->number == SYS_futex &&
         call->firstArgument == reinterpret_cast<std::uintptr_t>(mutex.native_handle());
}

// Whether a thread of the process is blocked writing to the descriptor.
inline bool AThreadWritesTo(int fd) {
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    const std::optional<BlockedCall> call = BlockedIn(std::stoi(task.path().filename().string()));
    if (call && call->number == SYS_write && call->firstArgument == static_cast<std::uintptr_t>(fd)) return true;
  }
  return false;
}

}  // namespace testsupport
