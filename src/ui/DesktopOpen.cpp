#include "ui/DesktopOpen.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <string_view>
#include <sys/eventfd.h>
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

// What a watching thread has read from xdg-open's pipe and not yet passed on would be lost if
// the station ended in between. A watching thread holds this lock from each read until what it
// read has been passed on; the station's end takes it and keeps it, so that it neither comes
// between the two nor lets a watching thread read on: what is left in the pipe is the relay's
// from then on. The end waits for it no longer than kEndWait, as a standard error that takes
// nothing must not keep the station from ending.
constexpr auto kEndWait = std::chrono::seconds(5);
std::atomic<bool> g_stationEnds{false};

std::timed_mutex& PassingOn() {
  static auto* const passingOn = new std::timed_mutex;  // watching threads may wait for it while the program exits
  return *passingOn;
}

void TakePipesFromWatchesAtEnd() {
  g_stationEnds = true;
  (void)PassingOn().try_lock_for(kEndWait);
}

int OpenPidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }
std::atomic<ProcessHandleOpener> g_openProcessHandle{OpenPidfd};

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

// The relay that serves xdg-open's standard error once the station has let go of it: a shell
// put in the background (its parent is then init, or the session's subreaper, as soon as the
// shell that started it has ended) waits until its lifeline (descriptor 3) ends, which the
// station's end brings about as well as the station's letting go; then it copies the pipe
// (descriptor 4) to the station's standard error until every holder has closed it. It runs in a
// session of its own from its start, so the hang-up of the station's terminal, which reaches the
// station's process group, does not reach it. A standard error that can take no more does not
// end it either: the rest is then drained into /dev/null, so that no program holding the pipe
// is blocked or killed by it.
constexpr int kRelayLifeline = 3;
constexpr int kRelayPipe = 4;
constexpr char kRelayScript[] =
    "{ trap '' PIPE; read -r line <&3; cat <&4 >&2 || cat <&4 >/dev/null; } >/dev/null &";

// An xdg-open and its watch. The watching thread is there before xdg-open is started and
// waits until it is handed the process, so that every xdg-open started is reaped.
struct DesktopOpenWatch {
  platform::Event handedOver{true, false};
  pid_t pid = 0;                            // 0: nothing was started
  pid_t relayStarter = 0;                   // the shell that started the relay; 0: no relay
  platform::FileDescriptor endHandle;       // readable once xdg-open has ended; none if it cannot be had
  platform::FileDescriptor errorPipe;       // the read end of xdg-open's standard error
  platform::FileDescriptor relayLifeline;   // the write end of the relay's lifeline
  bool passingOn = true;                    // what is read goes on to the station's standard error
  std::string errorTail;                    // the last kKeptErrorBytes bytes read from it
  std::function<void(const std::string&)> failed;
};

// A descriptor of the station's that a started program gets at a number of its own.
struct HandedDescriptor {
  int fd;
  int place;
};

enum class Session { Station, OwnSession };

// Starts a program (looked for on PATH when its name has no "/") with the descriptors handed to
// it at their places (the station's own descriptors are closed on exec), in the station's
// session or in one of its own; the process, or 0.
pid_t Spawn(const char* program, char* const argv[], std::initializer_list<HandedDescriptor> handed,
            Session session = Session::Station) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return 0;
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return 0;
  }
  bool ready = session == Session::Station || posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID) == 0;
  for (const HandedDescriptor& descriptor : handed) {
    ready = ready && posix_spawn_file_actions_adddup2(&actions, descriptor.fd, descriptor.place) == 0;
  }
  pid_t pid = 0;
  const bool started = ready && posix_spawnp(&pid, program, &actions, &attributes, argv, environ) == 0;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return started ? pid : 0;
}

// Starts xdg-open on the path with its standard error on a pipe whose read end goes to
// errorPipe; the process, or 0 when it could not be started. Its standard output stays the
// station's.
pid_t SpawnXdgOpen(const std::string& nativePath, platform::FileDescriptor& errorPipe) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return 0;
  platform::FileDescriptor readEnd(ends[0]);
  platform::FileDescriptor writeEnd(ends[1]);
  // Both ends close at its exec: the write end lives on as its standard error only.
  char program[] = "xdg-open";
  std::string argument = nativePath;
  char* argv[] = {program, argument.data(), nullptr};
  const pid_t pid = Spawn(program, argv, {{writeEnd.Get(), STDERR_FILENO}});
  if (pid != 0) errorPipe.Reset(readEnd.Release());
  return pid;
}

// Starts the relay on xdg-open's pipe; the station keeps the write end of its lifeline. Without
// a relay the station reads the pipe until every holder has closed it.
void StartRelay(DesktopOpenWatch& watch) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return;
  const platform::FileDescriptor lifelineRead(ends[0]);
  platform::FileDescriptor lifelineWrite(ends[1]);
  // The relay finds the lifeline at 3 and the pipe at 4 (a shell names no descriptor above 9).
  // Copies above those numbers are handed, so that neither is put over the other before it has
  // been handed.
  const platform::FileDescriptor lifeline(::fcntl(lifelineRead.Get(), F_DUPFD_CLOEXEC, kRelayPipe + 1));
  const platform::FileDescriptor pipe(::fcntl(watch.errorPipe.Get(), F_DUPFD_CLOEXEC, kRelayPipe + 1));
  if (!lifeline.Valid() || !pipe.Valid()) return;
  std::string script = kRelayScript;
  char shell[] = "sh";
  char command[] = "-c";
  char* argv[] = {shell, command, script.data(), nullptr};
  watch.relayStarter =
      Spawn("/bin/sh", argv, {{lifeline.Get(), kRelayLifeline}, {pipe.Get(), kRelayPipe}}, Session::OwnSession);
  if (watch.relayStarter != 0) watch.relayLifeline.Reset(lifelineWrite.Release());
}

// Where no process handle is to be had, a thread of its own waits for xdg-open's end without
// reaping it (the watching thread reaps it, as it does with a process handle) and then makes
// the end handle, an eventfd, readable. Without either the end shows at the end of the pipe.
void WatchEndOnThread(const std::shared_ptr<DesktopOpenWatch>& watch) {
  watch->endHandle.Reset(::eventfd(0, EFD_CLOEXEC));
  if (watch->endHandle.Valid() && platform::StartDetachedThread([watch] {
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(watch->pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
        }
        const std::uint64_t ended = 1;
        [[maybe_unused]] const ssize_t signalled = ::write(watch->endHandle.Get(), &ended, sizeof ended);
      })) {
    return;
  }
  watch->endHandle.Close();
}

// What xdg-open and the programs it starts write to their standard error goes on to the
// station's, where it went before the pipe was there. A standard error that takes no more (it
// is closed, or a pipe nobody reads: SIGPIPE is blocked on the watching thread, so the write
// fails) ends the passing on, not the station.
void PassOn(DesktopOpenWatch& watch, const char* bytes, std::size_t size) {
  while (watch.passingOn && size > 0) {
    const ssize_t put = ::write(STDERR_FILENO, bytes, size);
    if (put > 0) {
      bytes += put;
      size -= static_cast<std::size_t>(put);
    } else if (put == 0 || errno != EINTR) {
      watch.passingOn = false;
    }
  }
}

// Waits until the pipe holds something or is at its end, then reads what it holds, passing it
// on and keeping the end of it; false at the pipe's end or on an error.
bool ReadErrorOutput(DesktopOpenWatch& watch) {
  pollfd readable{watch.errorPipe.Get(), POLLIN, 0};
  while (::poll(&readable, 1, -1) < 0 && errno == EINTR) {
  }
  std::unique_lock<std::timed_mutex> passingOn(PassingOn());
  if (g_stationEnds) {
    // The station ends (its end waits for this lock, or has it no more): the rest of the pipe is
    // the relay's.
    passingOn.unlock();
    for (;;) ::pause();
  }
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(watch.errorPipe.Get(), buffer, sizeof buffer);
    if (got > 0) {
      PassOn(watch, buffer, static_cast<std::size_t>(got));
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
// Its end shows on the end handle; without one, at the end of the pipe. (poll passes over a
// descriptor that is not there.)
int WatchUntilEnd(DesktopOpenWatch& watch) {
  for (;;) {
    if (!watch.endHandle.Valid() && !watch.errorPipe.Valid()) return WaitForEnd(watch.pid);
    pollfd watched[2] = {{watch.errorPipe.Get(), POLLIN, 0}, {watch.endHandle.Get(), POLLIN, 0}};
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return WaitForEnd(watch.pid);
    }
    if (watched[0].revents != 0 && !ReadErrorOutput(watch)) watch.errorPipe.Close();
    if (watched[1].revents != 0) return WaitForEnd(watch.pid);
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
// pipe goes to the relay, which serves a program that xdg-open started and that keeps its
// standard error, whether the station runs or has ended. Without a relay the station reads the
// pipe on until every holder has closed it: a pipe nobody reads would block such a program, a
// closed one end it (SIGPIPE).
void Watch(DesktopOpenWatch& watch) {
  if (watch.relayStarter != 0) WaitForEnd(watch.relayStarter);
  const int status = WatchUntilEnd(watch);
  // Its last words may still wait in the pipe.
  while (watch.errorPipe.Valid() && PipeHasOutput(watch)) {
    if (!ReadErrorOutput(watch)) watch.errorPipe.Close();
  }
  if (const std::optional<std::string> failure = FailureOf(status, watch.errorTail)) watch.failed(*failure);
  g_watchedOpens.fetch_sub(1);
  if (watch.relayLifeline.Valid()) {
    // Letting go of the lifeline hands the pipe to the relay.
    watch.errorPipe.Close();
    watch.relayLifeline.Close();
    return;
  }
  while (watch.errorPipe.Valid() && ReadErrorOutput(watch)) {
  }
}

void BlockPipeSignal() {
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
}

}  // namespace

bool StartDesktopOpen(const std::string& nativePath, std::function<void(const std::string& reason)> failed) {
  static const bool endTakesPipes = std::atexit(TakePipesFromWatchesAtEnd) == 0;
  (void)endTakesPipes;
  auto watch = std::make_shared<DesktopOpenWatch>();
  watch->failed = std::move(failed);
  if (!platform::StartDetachedThread([watch] {
        BlockPipeSignal();
        watch->handedOver.Wait();
        if (watch->pid != 0) Watch(*watch);
      })) {
    return false;
  }
  watch->pid = SpawnXdgOpen(nativePath, watch->errorPipe);
  if (watch->pid != 0) {
    watch->endHandle.Reset(g_openProcessHandle.load()(watch->pid));
    if (!watch->endHandle.Valid()) WatchEndOnThread(watch);
    StartRelay(*watch);
    g_watchedOpens.fetch_add(1);
  }
  const bool started = watch->pid != 0;
  watch->handedOver.Set();
  return started;
}

std::size_t WatchedDesktopOpens() { return g_watchedOpens.load(); }

ProcessHandleOpener ReplaceProcessHandleOpener(ProcessHandleOpener opener) { return g_openProcessHandle.exchange(opener); }

}  // namespace ui
