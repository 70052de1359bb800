// The station's stand-in for the tests of Open File: it opens a file through the desktop, waits
// until the program that xdg-open started has written a line into a FIFO and then ends, as the
// station does, while that program runs on. When xdg-open fails, it writes the reason into the
// file "failure". Options:
//   --after-xdg-open            it ends only once xdg-open's end has been learnt
//   --reaped                    then it checks that no child of its own is left unreaped
//   --until <FIFO>              then it waits for a line from that FIFO before it ends
//   --without-process-handle    xdg-open's end is learnt as where the kernel gives no pidfd
//   --end-while-passing-on      it ends once Open File's watching thread is blocked passing on
//                               to its standard error, and a thread of its own writes the file
//                               "ending" once its end waits (for that thread)
// Its exit status: 0; 2 when Open File could not start or an option is not known; 3 when a
// child was left unreaped.
//   desktop_open_stand_in <native path> <FIFO> [options]
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/ThreadWaits.h"
#include "ui/DesktopOpen.h"

namespace {

constexpr int kNotStarted = 2;
constexpr int kChildLeftUnreaped = 3;

// Waits for the children still running; whether one has ended without being reaped.
bool ChildLeftUnreaped() {
  siginfo_t info{};
  while (::waitid(P_ALL, 0, &info, WEXITED | WNOWAIT) < 0) {
    if (errno != EINTR) return false;  // ECHILD: no child is left
  }
  return true;
}

void SleepABit() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

// See --end-while-passing-on.
void EndWhilePassingOn() {
  while (!testsupport::AThreadWritesTo(STDERR_FILENO)) SleepABit();
  const pid_t ending = ::gettid();
  std::thread([ending] {
    while (!testsupport::WaitsInFutex(ending)) SleepABit();
    std::ofstream("ending");
  }).detach();
}

std::string ReadLine(const char* fifo) {
  std::string said;
  std::ifstream(fifo) >> said;
  return said;
}

}  // namespace

int main(int argc, char** argv) {
  bool afterXdgOpen = false;
  bool reaped = false;
  bool endWhilePassingOn = false;
  const char* until = nullptr;
  for (int at = 3; at < argc; ++at) {
    const std::string_view option = argv[at];
    if (option == "--after-xdg-open") {
      afterXdgOpen = true;
    } else if (option == "--reaped") {
      reaped = true;
    } else if (option == "--until" && at + 1 < argc) {
      until = argv[++at];
    } else if (option == "--end-while-passing-on") {
      endWhilePassingOn = true;
    } else if (option == "--without-process-handle") {
      ui::ReplaceProcessHandleOpener([](pid_t) {
        errno = ENOSYS;
        return -1;
      });
    } else {
      return kNotStarted;
    }
  }
  // The station holds dozens of descriptors (Qt's, the drives'): those it hands on are numbered above 9.
  for (int held = 0; held < 16; ++held) ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const auto failed = [](const std::string& reason) { std::ofstream("failure") << reason; };
  if (argc < 3 || !ui::StartDesktopOpen(argv[1], failed)) return kNotStarted;
  ReadLine(argv[2]);
  // The watch tells no event when it has learnt the end; its count is looked at until then.
  while (afterXdgOpen && ui::WatchedDesktopOpens() != 0) SleepABit();
  if (reaped && ChildLeftUnreaped()) return kChildLeftUnreaped;
  if (until) ReadLine(until);
  if (endWhilePassingOn) EndWhilePassingOn();
  return 0;
}
