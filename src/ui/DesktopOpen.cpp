#include "ui/DesktopOpen.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/FileDescriptor.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Thread.h"

extern char** environ;

namespace ui {
namespace {

// What is kept of xdg-open's standard error: its end, where it says why it failed.
constexpr std::size_t kKeptErrorBytes = 512;

std::atomic<std::size_t> g_watchedOpens{0};

// xdg-open's exit statuses (xdg-utils): what the status means for the file, and its meaning.
struct XdgOpenStatus {
  int status;
  const char* outcome;
  const char* meaning;
};
constexpr XdgOpenStatus kXdgOpenStatuses[] = {
    {1, "xdg-open did not take its command line", "error in command line syntax"},
    {2, "xdg-open did not find it", "a file does not exist"},
    {3, "xdg-open found no program for it", "a required tool could not be found"},
    {4, "xdg-open could not open it", "the action failed"},
};

// An xdg-open and its watch. The watching thread is there before xdg-open is started and
// waits until it is handed the process, so that every xdg-open started is reaped.
struct DesktopOpenWatch {
  platform::Event handedOver{true, false};
  pid_t pid = 0;                         // 0: nothing was started
  platform::FileDescriptor endHandle;    // readable once xdg-open has ended (pidfd); none on old kernels
  platform::FileDescriptor errorPipe;    // the read end of xdg-open's standard error
  std::string errorTail;                 // the last kKeptErrorBytes bytes read from it
  std::function<void(const std::string&)> failed;
};

// Starts xdg-open on the path with its standard error on a pipe whose read end goes to
// errorPipe; the process, or 0 when it could not be started.
pid_t SpawnXdgOpen(const std::string& nativePath, platform::FileDescriptor& errorPipe) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return 0;
  platform::FileDescriptor readEnd(ends[0]);
  platform::FileDescriptor writeEnd(ends[1]);
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return 0;
  // The write end becomes the child's standard error; both ends close at its exec, so the
  // child holds no other copy of the pipe.
  char program[] = "xdg-open";
  std::string argument = nativePath;
  char* argv[] = {program, argument.data(), nullptr};
  pid_t pid = 0;
  const bool started = posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDERR_FILENO) == 0 &&
                       posix_spawnp(&pid, program, &actions, nullptr, argv, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started) return 0;
  errorPipe.Reset(readEnd.Release());
  return pid;
}

// Reads what the pipe holds, keeping the end of it; false at the pipe's end or on an error.
bool ReadErrorOutput(DesktopOpenWatch& watch) {
  char buffer[256];
  for (;;) {
    const ssize_t got = ::read(watch.errorPipe.Get(), buffer, sizeof buffer);
    if (got > 0) {
      watch.errorTail.append(buffer, static_cast<std::size_t>(got));
      if (watch.errorTail.size() > kKeptErrorBytes) watch.errorTail.erase(0, watch.errorTail.size() - kKeptErrorBytes);
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    return false;
  }
}

bool PipeHasOutput(const DesktopOpenWatch& watch) {
  pollfd watched{watch.errorPipe.Get(), POLLIN, 0};
  return ::poll(&watched, 1, 0) > 0;
}

int WaitForEnd(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// Reads xdg-open's standard error until xdg-open has ended, and reaps it; its wait status.
// Its end shows on the process handle; without one, at the end of the pipe.
int WatchUntilEnd(DesktopOpenWatch& watch) {
  for (;;) {
    if (!watch.errorPipe.Valid()) return WaitForEnd(watch.pid);
    pollfd watched[2] = {{watch.errorPipe.Get(), POLLIN, 0}, {watch.endHandle.Get(), POLLIN, 0}};
    const nfds_t count = watch.endHandle.Valid() ? 2 : 1;
    if (::poll(watched, count, -1) < 0) {
      if (errno == EINTR) continue;
      return WaitForEnd(watch.pid);
    }
    if (watched[0].revents != 0 && !ReadErrorOutput(watch)) watch.errorPipe.Close();
    if (count == 2 && watched[1].revents != 0) return WaitForEnd(watch.pid);
  }
}

std::string LastLine(std::string_view text) {
  const std::string trimmed = platform::TrimRight(text);
  const std::size_t lineEnd = trimmed.find_last_of("\r\n");
  return platform::Trim(lineEnd == std::string::npos ? trimmed : trimmed.substr(lineEnd + 1));
}

// Why xdg-open did not open the path; nothing when it ended well.
std::optional<std::string> FailureOf(int status, const std::string& errorTail) {
  std::string reason;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    const char* name = sigabbrev_np(signal);
    reason = name ? platform::Format("xdg-open was ended by signal %d (SIG%s)", signal, name)
                  : platform::Format("xdg-open was ended by signal %d", signal);
  } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
    const int exitStatus = WEXITSTATUS(status);
    reason = platform::Format("xdg-open failed (exit status %d)", exitStatus);
    for (const XdgOpenStatus& known : kXdgOpenStatuses) {
      if (known.status == exitStatus) {
        reason = platform::Format("%s (exit status %d: %s)", known.outcome, exitStatus, known.meaning);
      }
    }
  } else {
    return std::nullopt;
  }
  const std::string said = LastLine(errorTail);
  if (!said.empty()) reason += platform::Format(", saying \"%s\"", platform::Utf8ToCp950(said).c_str());
  return reason;
}

// The watching thread's work once it has the process: xdg-open's end is handed on; then the
// pipe is read until every holder has closed it, as a program xdg-open started may keep its
// standard error: a pipe nobody reads would block that program, a closed one end it (SIGPIPE).
void Watch(DesktopOpenWatch& watch) {
  const int status = WatchUntilEnd(watch);
  // Its last words may still wait in the pipe.
  while (watch.errorPipe.Valid() && PipeHasOutput(watch)) {
    if (!ReadErrorOutput(watch)) watch.errorPipe.Close();
  }
  if (const std::optional<std::string> failure = FailureOf(status, watch.errorTail)) watch.failed(*failure);
  g_watchedOpens.fetch_sub(1);
  while (watch.errorPipe.Valid() && ReadErrorOutput(watch)) {
  }
}

}  // namespace

bool StartDesktopOpen(const std::string& nativePath, std::function<void(const std::string& reason)> failed) {
  auto watch = std::make_shared<DesktopOpenWatch>();
  watch->failed = std::move(failed);
  if (!platform::StartDetachedThread([watch] {
        watch->handedOver.Wait();
        if (watch->pid != 0) Watch(*watch);
      })) {
    return false;
  }
  watch->pid = SpawnXdgOpen(nativePath, watch->errorPipe);
  if (watch->pid != 0) {
    watch->endHandle.Reset(static_cast<int>(::syscall(SYS_pidfd_open, watch->pid, 0)));
    g_watchedOpens.fetch_add(1);
  }
  const bool started = watch->pid != 0;
  watch->handedOver.Set();
  return started;
}

std::size_t WatchedDesktopOpens() { return g_watchedOpens.load(); }

}  // namespace ui
