// One program per station folder: the first program holds the lock file, a second one - in
// this process or in another - is refused with the holder named and changes no byte of the
// folder; the lock goes with its holder.
#include "platform/StationLock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Clock.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

// Every file of the folder with its bytes and time of last change.
std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> Snapshot(const ScratchStation& station) {
  std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(station.Folder())) {
    if (!item.is_regular_file()) continue;
    const std::string relative = std::filesystem::relative(item.path(), station.Folder()).string();
    files[relative] = {station.ReadFile(relative), item.last_write_time()};
  }
  return files;
}

class StationLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetFixedLocalTime(platform::LocalTime{2024, 5, 6, 7, 8, 9, 0, 1});
    station.WriteFile("param.ini", "[Options]\r\nLoopCount=1\r\n");
  }
  void TearDown() override { platform::SetFixedLocalTime(std::nullopt); }
  ScratchStation station{ScratchStation::Template::Empty};
};

TEST_F(StationLockTest, TheHolderIsNamedInTheLockFile) {
  std::string refusal;
  const auto lock = platform::StationLock::Take(station.Folder(), refusal);
  ASSERT_TRUE(lock) << refusal;
  EXPECT_EQ(station.ReadFile(platform::kStationLockFile), platform::StationLock::HolderText() + "\n");
  EXPECT_EQ(platform::StationLock::HolderText().rfind("process " + std::to_string(::getpid()) + " (", 0), 0u);
  EXPECT_NE(platform::StationLock::HolderText().find(", started 2024/05/06 07:08:09)"), std::string::npos);
}

TEST_F(StationLockTest, ASecondTakerIsRefusedWithTheHolderAndTouchesNothing) {
  std::string refusal;
  auto first = platform::StationLock::Take(station.Folder(), refusal);
  ASSERT_TRUE(first) << refusal;
  const auto before = Snapshot(station);
  std::string second;
  EXPECT_FALSE(platform::StationLock::Take(station.Folder(), second));
  EXPECT_EQ(second, "The station folder " + station.Folder().string() + " is in use by " +
                        platform::StationLock::HolderText() +
                        ". Only one program may run in a station folder at a time; this one ends without changing "
                        "anything.");
  EXPECT_EQ(Snapshot(station), before);
  // The lock goes with its holder: the folder can be taken again.
  first.reset();
  EXPECT_TRUE(platform::StationLock::Take(station.Folder(), refusal)) << refusal;
}

TEST_F(StationLockTest, ASecondProgramExitsWithItsMessageAndChangesNoByte) {
  std::string refusal;
  const auto first = platform::StationLock::Take(station.Folder(), refusal);
  ASSERT_TRUE(first) << refusal;
  const auto before = Snapshot(station);
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The second program: it asks for the lock and, refused, says why and ends.
    ::close(pipeEnds[0]);
    std::string message;
    const bool taken = platform::StationLock::Take(station.Folder(), message) != nullptr;
    const ssize_t written = ::write(pipeEnds[1], message.data(), message.size());
    ::_exit(taken || written < 0 ? 1 : 2);
  }
  ::close(pipeEnds[1]);
  std::string message;
  char buffer[512];
  for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, got);
  ::close(pipeEnds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(message.find(" is in use by process " + std::to_string(::getpid()) + " ("), std::string::npos) << message;
  EXPECT_EQ(Snapshot(station), before);
}

TEST_F(StationLockTest, AFolderThatCannotHoldTheLockFileIsRefused) {
  std::string refusal;
  EXPECT_FALSE(platform::StationLock::Take(station.Folder() / "missing", refusal));
  EXPECT_EQ(refusal.rfind("The station folder " + (station.Folder() / "missing").string() + " cannot be locked: ", 0),
            0u);
  EXPECT_NE(refusal.find("No such file or directory"), std::string::npos);
}

}  // namespace
