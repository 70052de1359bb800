// Opening a file with the desktop: xdg-open is started and not waited for. How it ends is
// learnt on a thread of its own; a failed end is told afterwards on the user-interface thread,
// in a message box that names the file and xdg-open's reason. A program that xdg-open started
// and that keeps running is no failure, nothing waits for it, and it does not depend on the
// station: its standard error goes where the station's goes, also once the station has ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "HostScope.h"
#include "platform/FileDescriptor.h"
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

// Lets go, at the end of the test, of the programs that hold xdg-open's standard error while
// the folder is there and the file "released" is not (so that one that looks only after the
// release, or after the folder's removal, lets go as well).
struct HoldersRelease {
  std::filesystem::path folder;
  ~HoldersRelease() { std::ofstream(folder / "released"); }
};

TEST(DesktopOpenThreads, AnXdgOpenThatFailsIsToldWithTheFileAndItsReason) {
  testsupport::ScratchStation station;
  station.WriteFile("notes.txt", "hello\r\n");
  const std::string file = (station.Folder() / "notes.txt").string();
  const HoldersRelease release{station.Folder()};
  const std::string holder = "(while [ -d '" + station.Folder().string() + "' ] && [ ! -e '" +
                             (station.Folder() / "released").string() + "' ]; do sleep 0.01; done) &\n";
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

constexpr char kStandInLog[] = "station-stderr.log";

int OpenLog(const std::filesystem::path& file) {
  return ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}

// A station folder for the stand-in: the file it opens, FIFOs of the given names, and a fake
// xdg-open first on PATH while the object lives.
struct StandInFolder {
  explicit StandInFolder(std::initializer_list<const char*> fifos) {
    station.WriteFile("notes.txt", "hello\r\n");
    for (const char* fifo : fifos) fifosMade = ::mkfifo((path / fifo).c_str(), 0600) == 0 && fifosMade;
  }
  testsupport::ScratchStation station;
  const std::filesystem::path path = station.Folder();
  bool fifosMade = true;
  const testsupport::FakeXdgOpen xdgOpen{path / "bin"};
};

// The station's stand-in (see standin/DesktopOpenStandIn.cpp), started in the folder with the
// given standard error as a process group of its own, as a station started from a terminal is
// (its standard output, and so that of the programs it starts, is no concern of the test's).
class StandIn {
 public:
  StandIn(const std::filesystem::path& folder, std::vector<std::string> options, int standardError) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, standardError, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    char standIn[] = DESKTOP_OPEN_STAND_IN, file[] = "notes.txt", started[] = "started";
    std::vector<char*> argv = {standIn, file, started};
    for (std::string& option : options) argv.push_back(option.data());
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, standIn, &actions, &attributes, argv.data(), environ) != 0) m_pid = 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  // Its standard error goes to the file kStandInLog in the folder (the file is made anew).
  StandIn(const std::filesystem::path& folder, std::vector<std::string> options)
      : StandIn(folder, std::move(options), platform::FileDescriptor(OpenLog(folder / kStandInLog)).Get()) {}
  // One not waited for (a test that failed half-way) is ended, with its process group.
  ~StandIn() {
    if (m_pid != 0) ::kill(-m_pid, SIGKILL);
    Wait();
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  // Its process, which leads its process group; 0 when it did not start.
  pid_t Process() const { return m_pid; }
  // Whether it has ended (it is not reaped yet).
  bool Ended() const {
    siginfo_t info{};
    return m_pid == 0 || (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                          info.si_pid == m_pid);
  }
  // Waits for its end; its wait status, -1 when it did not start.
  int Wait() {
    if (m_pid != 0 && ::waitpid(m_pid, &m_status, 0) == m_pid) m_pid = 0;
    return m_status;
  }

 private:
  pid_t m_pid = 0;
  int m_status = -1;
};

// Opens the FIFO for writing once a reader has opened it; -1 when none does.
int OpenForWritingOnceRead(const std::filesystem::path& fifo) {
  int fd = -1;
  (void)testsupport::WaitUntil([&] { return (fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0; });
  return fd;
}

// Writes a line into the FIFO once a reader has opened it; false when none did.
bool Tell(const std::filesystem::path& fifo) {
  const int fd = OpenForWritingOnceRead(fifo);
  const bool told = fd >= 0 && ::write(fd, "go\n", 3) == 3;
  if (fd >= 0) ::close(fd);
  return told;
}

// A program that xdg-open starts, as a shell script: it says in the FIFO "started" that it runs,
// waits for a line from the FIFO "go", then writes more than a pipe holds to its standard
// error (kProgramLines lines, the last "the last words") and leaves its exit status in the
// file "status". It takes no notice of a hang-up, as a program that outlives its terminal.
constexpr std::ptrdiff_t kProgramLines = 20001;
std::string ProgramWritingMuch(const std::string& words) {
  return "(trap '' HUP; (echo > started; read go < go; yes '" + words +
         "' | head -n 20000 >&2; echo 'the last words' >&2); echo $? > status.new; mv status.new status)";
}

// Waits for the program's end: whether it ended well.
::testing::AssertionResult ProgramEndedWell(const testsupport::ScratchStation& station) {
  if (!testsupport::WaitUntil([&] { return std::filesystem::exists(station.Folder() / "status"); })) {
    return ::testing::AssertionFailure() << "the program did not end";
  }
  const std::string status = station.ReadFile("status");
  if (status == "0\n") return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the program's exit status: " << status << " (141: killed by SIGPIPE)";
}

// The file the station's standard error went to, once it holds the program's last words.
std::string LogWithLastWords(const testsupport::ScratchStation& station) {
  std::string words;
  EXPECT_TRUE(testsupport::WaitUntil([&] {
    words = station.ReadFile(kStandInLog);
    return words.find("the last words") != std::string::npos;
  }));
  return words;
}

std::ptrdiff_t Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

// The station's stand-in opens a file and ends while the program that xdg-open started runs on;
// that program then writes more to its standard error than a pipe holds. Neither the station
// nor that program is killed (SIGPIPE) or blocked, and what it and xdg-open wrote, before the
// station's end and after, reaches where the station's standard error went.
TEST(DesktopOpenThreads, AProgramThatXdgOpenStartedOutlivesTheStation) {
  const StandInFolder folder({"started", "go"});
  ASSERT_TRUE(folder.fifosMade);
  const std::string program = ProgramWritingMuch("words after its end");
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
    std::filesystem::remove(folder.path / "status");
    folder.xdgOpen.Runs("echo 'words while the station runs' >&2\n" + (*c.ends ? program + " &" : program));
    int unread[2];
    ASSERT_EQ(::pipe2(unread, O_CLOEXEC), 0);
    ::close(unread[0]);
    const platform::FileDescriptor log(OpenLog(folder.path / kStandInLog));
    std::vector<std::string> options;
    if (*c.ends) options.emplace_back(c.ends);
    const int standInStatus = StandIn(folder.path, options, c.readable ? log.Get() : unread[1]).Wait();
    ::close(unread[1]);
    ASSERT_EQ(standInStatus, 0) << "13: killed by SIGPIPE";
    std::ofstream(folder.path / "go") << "go\n";
    ASSERT_TRUE(ProgramEndedWell(folder.station));
    if (c.readable) {
      const std::string words = LogWithLastWords(folder.station);
      EXPECT_NE(words.find("words while the station runs"), std::string::npos);
      EXPECT_EQ(Lines(words), kProgramLines + 1);
    }
  }
}

// The station's terminal is closed while a program that xdg-open started runs on: a hang-up
// reaches the station's process group, and so the station, xdg-open, the program and the relay
// of the program's standard error. The program takes no notice of it, and is not killed by its
// standard error (SIGPIPE): what it writes afterwards reaches where the station's went.
TEST(DesktopOpenThreads, AHangUpOfTheStationsProcessGroupLeavesTheStartedProgramItsStandardError) {
  const StandInFolder folder({"started", "go", "until"});
  ASSERT_TRUE(folder.fifosMade);
  const std::string program = ProgramWritingMuch("words after the hang-up");
  struct Case {
    const char* name;
    bool xdgOpenEnded;  // xdg-open starts the program and ends, or waits for it
  };
  const Case cases[] = {
      {"xdg-open has ended: the relay copies", true},
      {"xdg-open waits for the program: the relay waits for the station", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(folder.path / "status");
    folder.xdgOpen.Runs(c.xdgOpenEnded ? program + " &" : program);
    std::vector<std::string> options = {"--until", "until"};
    if (c.xdgOpenEnded) options.insert(options.begin(), "--after-xdg-open");
    StandIn standIn(folder.path, options);
    ASSERT_NE(standIn.Process(), 0);
    // The stand-in reads from "until" once it is as far as the case asks: the hang-up comes then.
    const platform::FileDescriptor until(OpenForWritingOnceRead(folder.path / "until"));
    ASSERT_TRUE(until.Valid()) << "the stand-in did not get as far as the hang-up";
    ::kill(-standIn.Process(), SIGHUP);
    const int standInStatus = standIn.Wait();
    ASSERT_TRUE(WIFSIGNALED(standInStatus) && WTERMSIG(standInStatus) == SIGHUP) << "the station outlived its terminal";
    ASSERT_TRUE(Tell(folder.path / "go")) << "the program did not outlive the hang-up";
    ASSERT_TRUE(ProgramEndedWell(folder.station));
    EXPECT_EQ(Lines(LogWithLastWords(folder.station)), kProgramLines);
  }
}

// Open File starts xdg-open and, beside it, a shell that starts the relay in the background
// and ends. Once xdg-open's end has been learnt, the station has reaped both: no Open File
// leaves it a child that has ended, however its end is learnt.
TEST(DesktopOpenThreads, OpenFileLeavesTheStationNoChildUnreaped) {
  const StandInFolder folder({"started"});
  ASSERT_TRUE(folder.fifosMade);
  folder.xdgOpen.Runs("echo > started");
  struct Case {
    const char* name;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"with a process handle", {"--after-xdg-open", "--reaped"}},
      {"without a process handle", {"--after-xdg-open", "--reaped", "--without-process-handle"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StandIn(folder.path, c.options).Wait(), 0) << "768: a child of the station's was left unreaped";
  }
}

// A program that xdg-open started writes more than a pipe holds once xdg-open has ended, while
// the station runs on: it is not blocked, and what it writes reaches where the station's
// standard error goes, before the station ends.
TEST(DesktopOpenThreads, AProgramThatWritesMuchAfterXdgOpenEndedIsNotBlockedWhileTheStationRuns) {
  const StandInFolder folder({"started", "go", "until"});
  ASSERT_TRUE(folder.fifosMade);
  folder.xdgOpen.Runs(ProgramWritingMuch("words while the station runs") + " &");
  StandIn standIn(folder.path, {"--after-xdg-open", "--until", "until"});
  bool toldToWrite = false;
  bool writtenWhileTheStationRuns = false;
  {
    // The stand-in reads from "until" once it has learnt xdg-open's end, and ends when told.
    const platform::FileDescriptor until(OpenForWritingOnceRead(folder.path / "until"));
    toldToWrite = until.Valid() && Tell(folder.path / "go");
    writtenWhileTheStationRuns =
        toldToWrite && testsupport::WaitUntil([&] { return std::filesystem::exists(folder.path / "status"); });
  }
  EXPECT_EQ(standIn.Wait(), 0);
  ASSERT_TRUE(toldToWrite) << "the stand-in or the program did not get as far as the writing";
  EXPECT_TRUE(writtenWhileTheStationRuns) << "the program was blocked while the station ran";
  ASSERT_TRUE(ProgramEndedWell(folder.station));
  EXPECT_EQ(Lines(LogWithLastWords(folder.station)), kProgramLines);
}

// Whether the process (not the test's child) ends within the tests' wait limit.
bool Ends(pid_t process) {
  const int handle = static_cast<int>(::syscall(SYS_pidfd_open, process, 0));
  pollfd ended{handle, POLLIN, 0};
  const bool ends = handle >= 0 && ::poll(&ended, 1, static_cast<int>(testsupport::kWaitLimitMs)) == 1;
  if (handle >= 0) ::close(handle);
  return ends;
}

// Reads the pipe (non-blocking) until every writer has closed it; false when that takes longer
// than the tests' wait limit.
bool ReadToEnd(int pipe, std::string& read) {
  return testsupport::WaitUntil([&] {
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(pipe, buffer, sizeof buffer)) > 0) read.append(buffer, static_cast<std::size_t>(got));
    return got == 0 || (errno != EAGAIN && errno != EINTR);
  });
}

// A pipe for the stand-in's standard error that is slow: it holds one page.
struct SlowPipe {
  platform::FileDescriptor readEnd;  // non-blocking
  platform::FileDescriptor writeEnd;
  bool made = false;
  SlowPipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    readEnd.Reset(ends[0]);
    writeEnd.Reset(ends[1]);
    made = ::fcntl(readEnd.Get(), F_SETFL, O_NONBLOCK) == 0 && ::fcntl(writeEnd.Get(), F_SETPIPE_SZ, 4096) > 0;
  }
  // Fills it: a write then blocks until it is read.
  bool Fill() {
    const int flags = ::fcntl(writeEnd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(writeEnd.Get(), F_SETFL, flags | O_NONBLOCK) != 0) return false;
    const std::string page(4096, '.');
    while (::write(writeEnd.Get(), page.data(), page.size()) > 0) {
    }
    const bool full = errno == EAGAIN;
    return ::fcntl(writeEnd.Get(), F_SETFL, flags) == 0 && full;
  }
};

// xdg-open writes more than the pipes on its way hold and fails while the station's standard
// error is slow: it takes one page at a time, and nothing until xdg-open has ended. The failure
// still quotes the last line xdg-open wrote, however xdg-open's end is learnt.
TEST(DesktopOpenThreads, AFailureQuotesXdgOpensLastLineAfterLongOutputToASlowStandardError) {
  const StandInFolder folder({"started"});
  ASSERT_TRUE(folder.fifosMade);
  // About 28 kB: more than the station's standard error and the piece it reads at a time hold,
  // less than those and xdg-open's pipe together, so that xdg-open ends.
  folder.xdgOpen.Runs(
      "echo $$ > pid.new; mv pid.new pid; echo > started\n"
      "yes 'gio: still looking' | head -n 1500 >&2\n"
      "echo \"xdg-open: no method available for opening '$1'\" >&2\nexit 4");
  struct Case {
    const char* name;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"with a process handle", {"--after-xdg-open"}},
      {"without a process handle", {"--after-xdg-open", "--without-process-handle"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(folder.path / "pid");
    std::filesystem::remove(folder.path / "failure");
    SlowPipe standardError;
    ASSERT_TRUE(standardError.made);
    StandIn standIn(folder.path, c.options, standardError.writeEnd.Get());
    standardError.writeEnd.Close();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return std::filesystem::exists(folder.path / "pid"); }));
    EXPECT_TRUE(Ends(std::stoi(folder.station.ReadFile("pid"))));
    std::string passedOn;
    EXPECT_TRUE(ReadToEnd(standardError.readEnd.Get(), passedOn));
    EXPECT_EQ(standIn.Wait(), 0);
    EXPECT_EQ(folder.station.ReadFile("failure"),
              "xdg-open could not open it (exit status 4: the action failed), saying \"xdg-open: no method available "
              "for opening 'notes.txt'\"");
  }
}

// The station ends while its watching thread is passing on what xdg-open wrote to a standard
// error that is slow (it holds one page and takes nothing until the station's end waits): what
// the station has read from xdg-open's pipe it passes on before it ends, the rest the relay
// copies, and nothing is lost.
TEST(DesktopOpenThreads, WhatXdgOpenWroteIsNotLostWhenTheStationEndsWhilePassingItOn) {
  const StandInFolder folder({"started"});
  ASSERT_TRUE(folder.fifosMade);
  constexpr std::ptrdiff_t kLines = 600;  // about 17 kB: more than the pipe and a piece read at a time
  folder.xdgOpen.Runs("yes 'words while the station runs' | head -n " + std::to_string(kLines) +
                      " >&2\necho > started");
  SlowPipe standardError;
  ASSERT_TRUE(standardError.made);
  StandIn standIn(folder.path, {"--end-while-passing-on"}, standardError.writeEnd.Get());
  standardError.writeEnd.Close();
  // The stand-in says in the file "ending" that its end waits; an end that does not wait is over.
  EXPECT_TRUE(
      testsupport::WaitUntil([&] { return std::filesystem::exists(folder.path / "ending") || standIn.Ended(); }));
  std::string passedOn;
  EXPECT_TRUE(ReadToEnd(standardError.readEnd.Get(), passedOn));
  EXPECT_EQ(standIn.Wait(), 0);
  EXPECT_EQ(Lines(passedOn), kLines);
}

// The station ends while its watching thread is blocked passing on what xdg-open wrote to a
// standard error that takes nothing: a full pipe that nobody reads (a stopped terminal holds
// the station as long). The station's end waits for the watching thread only a while, and the
// station ends.
TEST(DesktopOpenThreads, TheStationEndsWhileItsStandardErrorTakesNothing) {
  const StandInFolder folder({"started"});
  ASSERT_TRUE(folder.fifosMade);
  folder.xdgOpen.Runs("echo 'words while the station runs' >&2\necho > started");
  // Its read end is held and not read: the stand-in, and the relay after it, wait on writes.
  SlowPipe standardError;
  ASSERT_TRUE(standardError.made);
  ASSERT_TRUE(standardError.Fill());
  StandIn standIn(folder.path, {"--end-while-passing-on"}, standardError.writeEnd.Get());
  standardError.writeEnd.Close();
  // One that has not ended by then is killed at the end of the test.
  ASSERT_TRUE(testsupport::WaitUntil([&] { return standIn.Ended(); }))
      << "the station's end waits for a standard error that takes nothing";
  EXPECT_EQ(standIn.Wait(), 0);
}

}  // namespace
