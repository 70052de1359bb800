// Opening a file with the desktop: xdg-open is started and not waited for. How it ends is
// learnt on a thread of its own; a failed end is told afterwards on the user-interface thread,
// in a message box that names the file and xdg-open's reason. A program that xdg-open started
// and that keeps running is no failure, and nothing waits for it.
#include <gtest/gtest.h>

#include <string>

#include "HostScope.h"
#include "support/FakeXdgOpen.h"
#include "support/ScratchStation.h"
#include "support/Waits.h"
#include "ui/DesktopOpen.h"
#include "ui/Dispatcher.h"
#include "ui/Host.h"
#include "ui/ScriptedHost.h"

namespace {

TEST(DesktopOpenThreads, AnXdgOpenThatFailsIsToldWithTheFileAndItsReason) {
  testsupport::ScratchStation station;
  station.WriteFile("notes.txt", "hello\r\n");
  const std::string file = (station.Folder() / "notes.txt").string();
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
      {"exit status 4 and its reason on standard error",
       "echo 'gio: no default application' >&2\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 4",
       file + " could not be opened: xdg-open could not open it (exit status 4: the action failed), saying "
              "\"xdg-open: no method available for opening '" + file + "'\"."},
      {"ended by a signal", "kill -TERM $$", file + " could not be opened: xdg-open was ended by signal 15 (SIGTERM)."},
      {"exit status 0 while the program it started runs on", "sleep 30 >/dev/null &\nexit 0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    xdgOpen.Runs(c.script);
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
  }
}

}  // namespace
