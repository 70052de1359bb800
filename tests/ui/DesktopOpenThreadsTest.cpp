// Opening a file with the desktop: xdg-open is started and not waited for. How it ends is
// learnt on a thread of its own; a failed end is told afterwards on the user-interface thread,
// in a message box that names the file and xdg-open's reason. A program that xdg-open started
// and that keeps running is no failure, nothing waits for it, and it does not depend on the
// station: its standard error goes where the station's goes, also once the station has ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "HostScope.h"
#include "support/FakeXdgOpen.h"
#include "support/ScratchStation.h"
#include "support/Waits.h"
#include "ui/DesktopOpen.h"
#include "ui/Dispatcher.h"
#include "ui/Host.h"
#include "ui/ScriptedHost.h"

extern char** environ;

namespace {

// Puts a process handle opener in place while the object lives.
struct ProcessHandleOpenerScope {
  ui::ProcessHandleOpener replaced;
  explicit ProcessHandleOpenerScope(ui::ProcessHandleOpener opener) : replaced(ui::ReplaceProcessHandleOpener(opener)) {}
  ~ProcessHandleOpenerScope() { ui::ReplaceProcessHandleOpener(replaced); }
};

// Lets go, at the end of the test, of the programs that hold xdg-open's standard error until
// they read from the FIFO "hold".
struct HoldersRelease {
  std::filesystem::path folder;
  ~HoldersRelease() { std::ofstream(folder / "hold") << "go\n"; }
};

TEST(DesktopOpenThreads, AnXdgOpenThatFailsIsToldWithTheFileAndItsReason) {
  testsupport::ScratchStation station;
  station.WriteFile("notes.txt", "hello\r\n");
  const std::string file = (station.Folder() / "notes.txt").string();
  ASSERT_EQ(::mkfifo((station.Folder() / "hold").c_str(), 0600), 0);
  const HoldersRelease release{station.Folder()};
  const std::string holder = "read go < '" + (station.Folder() / "hold").string() + "' &\n";
  const testsupport::FakeXdgOpen xdgOpen(station.Folder() / "bin");
  ui::Dispatcher dispatcher;
  ui::ScriptedHost host;
  host.CarryOutShellRequests();
  const uitest::HostScope scope(host);
  struct Case {
    const char* name;
    std::string script;
    std::string message;  // empty: none
  };
  const Case cases[] = {
      {"exit status 3", "exit 3",
       file + " could not be opened: xdg-open found no program for it (exit status 3: a required tool could not be "
              "found)."},
      {"exit status 4 and its reason on standard error, which a program it started keeps",
       holder + "echo 'gio: no default application' >&2\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 4",
       file + " could not be opened: xdg-open could not open it (exit status 4: the action failed), saying "
              "\"xdg-open: no method available for opening '" + file + "'\"."},
      {"ended by a signal", "kill -TERM $$", file + " could not be opened: xdg-open was ended by signal 15 (SIGTERM)."},
      {"exit status 0 while the program it started runs on", holder + "exit 0", ""},
  };
  // Where no process handle is to be had (a kernel before 5.3, a seccomp filter), the end is
  // learnt all the same when it comes, and xdg-open is reaped.
  const ui::ProcessHandleOpener refused = [](pid_t) {
    errno = ENOSYS;
    return -1;
  };
  for (const bool handles : {true, false}) {
    std::optional<ProcessHandleOpenerScope> refusal;
    if (!handles) refusal.emplace(refused);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (handles ? "" : ", without a process handle"));
      xdgOpen.Runs("echo $$ > '" + station.Folder().string() + "/pid'\n" + c.script);
      const std::size_t shown = host.MessageBoxes().size();
      EXPECT_TRUE(ui::OpenFileOrSaySo("notes.txt", nullptr));
      ASSERT_TRUE(testsupport::PumpUntil(dispatcher, [] { return ui::WatchedDesktopOpens() == 0; }));
      const std::vector<ui::MessageBoxRequest> boxes = host.MessageBoxes();
      if (c.message.empty()) {
        EXPECT_EQ(boxes.size(), shown);
      } else {
        ASSERT_EQ(boxes.size(), shown + 1);
        EXPECT_EQ(boxes.back().text, c.message);
      }
      siginfo_t info{};
      const int waited = ::waitid(P_PID, std::stoi(station.ReadFile("pid")), &info, WEXITED | WNOHANG | WNOWAIT);
      const int error = errno;
      EXPECT_TRUE(waited == -1 && error == ECHILD) << "xdg-open was not reaped";
    }
  }
}

// Runs the station's stand-in in the folder with the given standard error (its standard output,
// and so that of the programs it starts, is no concern of the test's); its wait status.
int RunStandIn(const std::filesystem::path& folder, std::string ends, int standardError) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, standardError, STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  char standIn[] = DESKTOP_OPEN_STAND_IN, file[] = "notes.txt", started[] = "started";
  char* argv[] = {standIn, file, started, ends.empty() ? nullptr : ends.data(), nullptr};
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, standIn, &actions, nullptr, argv, environ) == 0) ::waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

// The station's stand-in opens a file and ends while the program that xdg-open started runs on;
// that program then writes more to its standard error than a pipe holds. Neither the station
// nor that program is killed (SIGPIPE) or blocked, and what it and xdg-open wrote, before the
// station's end and after, reaches where the station's standard error went.
TEST(DesktopOpenThreads, AProgramThatXdgOpenStartedOutlivesTheStation) {
  testsupport::ScratchStation station;
  station.WriteFile("notes.txt", "hello\r\n");
  const std::filesystem::path folder = station.Folder();
  ASSERT_EQ(::mkfifo((folder / "started").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((folder / "go").c_str(), 0600), 0);
  const std::string program =
      "(echo > started; read go < go;"
      " yes 'words after its end' | head -n 20000 >&2; echo 'the last words' >&2); echo $? > status.new; mv status.new status";
  const testsupport::FakeXdgOpen xdgOpen(folder / "bin");
  struct Case {
    const char* name;
    const char* ends;  // the stand-in ends once xdg-open's end is known, or at once
    bool readable;     // false: the station's standard error is a pipe that nobody reads
  };
  const Case cases[] = {
      {"xdg-open starts the program and ends", "--after-xdg-open", true},
      {"xdg-open waits for the program", "", true},
      {"the station's standard error is a pipe that nobody reads", "--after-xdg-open", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(folder / "status");
    xdgOpen.Runs("echo 'words while the station runs' >&2\n" + (*c.ends ? "(" + program + ") &" : program));
    int unread[2];
    ASSERT_EQ(::pipe2(unread, O_CLOEXEC), 0);
    ::close(unread[0]);
    const int log = ::open((folder / "station-stderr.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int standInStatus = RunStandIn(folder, c.ends, c.readable ? log : unread[1]);
    ::close(log);
    ::close(unread[1]);
    ASSERT_EQ(standInStatus, 0) << "13: killed by SIGPIPE";
    std::ofstream(folder / "go") << "go\n";
    ASSERT_TRUE(testsupport::WaitUntil([&] { return std::filesystem::exists(folder / "status"); }));
    ASSERT_EQ(station.ReadFile("status"), "0\n") << "141: killed by SIGPIPE";
    std::string words;
    ASSERT_TRUE(testsupport::WaitUntil([&] {
      words = station.ReadFile("station-stderr.log");
      return !c.readable || words.find("the last words") != std::string::npos;
    }));
    if (c.readable) {
      EXPECT_NE(words.find("words while the station runs"), std::string::npos);
      EXPECT_EQ(std::count(words.begin(), words.end(), '\n'), 20002);
    }
  }
}

}  // namespace
