#include "device/LogFile.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/Debug.h"
#include "platform/Text.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

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

  const std::string shared = station.ReadFile("shared.log");
  for (int slot = 1; slot <= kSlots; ++slot) {
    std::string expected;
    for (int line = 0; line < kLines; ++line) {
      const std::string text = platform::Format("   slot %d line %d \r\n", slot, line);
      expected += text;
      EXPECT_NE(shared.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(station.ReadFile(platform::Format("D_Reports/MAC_%d_Report.txt", slot)), expected);
  }
}

}  // namespace
