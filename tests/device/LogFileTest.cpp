#include "device/LogFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

TEST(LogFile, AppendsToAnExistingFileAndEchoesTheText) {
  ScratchStation station;
  station.WriteFile("D_Reports/r.txt", "first\r\n");
  std::string echoed;
  platform::SetDebugSink([&](std::string_view text) { echoed += text; });
  CLogFile log;
  EXPECT_EQ(log.AppendText(".\\D_Reports\\r.txt", "second\r\n"), 0);
  platform::SetDebugSink({});
  EXPECT_EQ(station.ReadFile("D_Reports/r.txt"), "first\r\nsecond\r\n");
  EXPECT_EQ(echoed, "second\r\n");
}

TEST(LogFile, NeverCreatesAMissingFile) {
  ScratchStation station;
  CLogFile log;
  EXPECT_EQ(log.AppendText(".\\D_Reports\\missing.txt", "text"), -1);
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / "D_Reports" / "missing.txt"));
  // A folder is not a log file either.
  station.WriteFile("folder/keep", "");
  EXPECT_EQ(log.AppendText(".\\folder", "text"), -1);
}

// A report starts with its banner, which replaces the file; the lines after it go to the new
// file without opening it again, end up after whatever another writer appended meanwhile, and
// go to the file found at the path once the held one has been replaced by someone else.
TEST(LogFile, ReplacedTextIsHeldForTheLinesAfterIt) {
  ScratchStation station;
  station.WriteFile("D_Reports/r.txt", "an earlier run\r\n");
  CLogFile log;
  EXPECT_EQ(log.AppendText(".\\D_Reports\\r.txt", "its last line\r\n"), 0);
  EXPECT_EQ(log.ReplaceText(".\\D_Reports\\r.txt", "=== banner ===\r\n"), 0);
  EXPECT_EQ(log.AppendText(".\\D_Reports\\r.txt", "line 1\r\n"), 0);
  EXPECT_TRUE(platform::AppendToFile(".\\D_Reports\\r.txt", "other writer\r\n", false));
  EXPECT_EQ(log.AppendText(".\\D_Reports\\r.txt", "line 2\r\n"), 0);
  EXPECT_EQ(station.ReadFile("D_Reports/r.txt"), "=== banner ===\r\nline 1\r\nother writer\r\nline 2\r\n");
  EXPECT_TRUE(platform::WriteWholeFile(".\\D_Reports\\r.txt", "replaced\r\n"));
  EXPECT_EQ(log.AppendText(".\\D_Reports\\r.txt", "line 3\r\n"), 0);
  EXPECT_EQ(station.ReadFile("D_Reports/r.txt"), "replaced\r\nline 3\r\n");
  struct stat info {};
  ASSERT_EQ(::stat((station.Folder() / "D_Reports" / "r.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666u & ~CurrentUmask());  // the mode of the file it replaced
}

// A banner that cannot replace the file leaves it as it was and holds nothing: the next line
// opens the file at the path again.
TEST(LogFile, AFailedReplacementLeavesTheFileAndHoldsNothing) {
  ScratchStation station;
  station.WriteFile("D_Reports/r.txt", "kept\r\n");
  CLogFile log;
  EXPECT_EQ(log.AppendText(".\\D_Reports\\r.txt", "held\r\n"), 0);
  ASSERT_TRUE(platform::SetReadOnly(".\\D_Reports\\r.txt", true));
  EXPECT_EQ(log.ReplaceText(".\\D_Reports\\r.txt", "banner\r\n"), -1);
  EXPECT_EQ(station.ReadFile("D_Reports/r.txt"), "kept\r\nheld\r\n");
  EXPECT_EQ(log.ReplaceText(".\\Missing\\r.txt", "banner\r\n"), -1);
  EXPECT_EQ(platform::LastFileErrno(), ENOENT);
  ASSERT_TRUE(platform::SetReadOnly(".\\D_Reports\\r.txt", false));
  EXPECT_EQ(log.AppendText(".\\D_Reports\\r.txt", "again\r\n"), 0);
  EXPECT_EQ(station.ReadFile("D_Reports/r.txt"), "kept\r\nheld\r\nagain\r\n");
}

TEST(LogFileThreads, TwentyFourWritersLoseNoLine) {
  ScratchStation station;
  constexpr int kSlots = 24;
  constexpr int kLines = 200;
  for (int slot = 1; slot <= kSlots; ++slot) {
    station.WriteFile(platform::Format("D_Reports/MAC_%d_Report.txt", slot), "");
  }
  // Each slot writes its own report and, under no lock, one shared file as well.
  station.WriteFile("shared.log", "");
  std::vector<std::thread> writers;
  for (int slot = 1; slot <= kSlots; ++slot) {
    writers.emplace_back([slot] {
      CLogFile log;
      for (int line = 0; line < kLines; ++line) {
        const std::string text = platform::Format("   slot %d line %d \r\n", slot, line);
        log.AppendText(platform::Format(".\\D_Reports\\MAC_%d_Report.txt", slot), text);
        log.AppendText(".\\shared.log", text);
      }
    });
  }
  for (auto& writer : writers) writer.join();

  // The shared file's lines, read once: each line written is there whole, and only once.
  std::multiset<std::string> shared;
  std::istringstream sharedText(station.ReadFile("shared.log"));
  for (std::string line; std::getline(sharedText, line);) shared.insert(line + "\n");
  for (int slot = 1; slot <= kSlots; ++slot) {
    std::string expected;
    for (int line = 0; line < kLines; ++line) {
      const std::string text = platform::Format("   slot %d line %d \r\n", slot, line);
      expected += text;
      EXPECT_EQ(shared.count(text), 1u) << text;
    }
    EXPECT_EQ(station.ReadFile(platform::Format("D_Reports/MAC_%d_Report.txt", slot)), expected);
  }
}

}  // namespace
