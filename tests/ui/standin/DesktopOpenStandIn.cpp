// The station's stand-in for the tests of Open File: it opens a file through the desktop, waits
// until the program that xdg-open started has written a line into a FIFO and, with a third
// argument, until xdg-open's end has been learnt; then it ends, as the station does, while that
// program runs on.
//   desktop_open_stand_in <native path> <FIFO> [--after-xdg-open]
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <thread>

#include "ui/DesktopOpen.h"

int main(int argc, char** argv) {
  // The station holds dozens of descriptors (Qt's, the drives'): those it hands on are numbered above 9.
  for (int held = 0; held < 16; ++held) ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (argc < 3 || !ui::StartDesktopOpen(argv[1], [](const std::string&) {})) return 2;
  std::string said;
  std::ifstream(argv[2]) >> said;
  // The watch tells no event when it has learnt the end; its count is looked at until then.
  while (argc > 3 && ui::WatchedDesktopOpens() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 0;
}
