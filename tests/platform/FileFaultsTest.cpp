// The file layer's fault seam and the all-or-nothing append: an armed fault fails the kind of
// write it names, on the files whose name matches, the way the system would (a read-only
// file system before anything is made, a full disk after part of the data), and whatever
// fails leaves the earlier file byte for byte and no temporary file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileFaults.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

std::vector<std::string> Listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class FileFaults : public ::testing::Test {
 protected:
  void SetUp() override { station.WriteFile("logs/a.log", "earlier\r\n"); }
  void TearDown() override { platform::DisarmFileFaults(); }
  ScratchStation station;
};

TEST_F(FileFaults, AReplacementFailsWithTheArmedErrorAndLeavesTheEarlierFile) {
  for (const int error : {EROFS, EACCES, ENOSPC, EIO}) {
    SCOPED_TRACE(platform::ErrnoText(error));
    platform::ScopedFileFault fault({"A.LOG", platform::kWriteReplace, error});
    EXPECT_FALSE(platform::WriteWholeFile(".\\logs\\a.log", "new contents"));
    EXPECT_EQ(platform::LastFileErrno(), error);
    EXPECT_EQ(station.ReadFile("logs/a.log"), "earlier\r\n");
    EXPECT_EQ(Listing(station.Folder() / "logs"), std::vector<std::string>{"a.log"});
    // Another name and another kind of write are not struck.
    EXPECT_TRUE(platform::WriteWholeFile(".\\logs\\b.log", "b"));
    EXPECT_TRUE(platform::AppendToFile(".\\logs\\b.log", "+", false));
    EXPECT_EQ(platform::FileFaultStrikes(), 1u);
    std::filesystem::remove(station.Folder() / "logs" / "b.log");
  }
  EXPECT_EQ(platform::ErrnoText(ENOSPC), "No space left on device");
  EXPECT_EQ(platform::ErrnoText(EROFS), "Read-only file system");
}

TEST_F(FileFaults, AnAppendIsWholeOrNothing) {
  for (const int error : {ENOSPC, EIO, EROFS}) {
    SCOPED_TRACE(platform::ErrnoText(error));
    platform::ScopedFileFault fault({"*.log", platform::kWriteAppend, error});
    EXPECT_FALSE(platform::AppendToFile(".\\logs\\a.log", "a line that would be torn\r\n", false));
    EXPECT_EQ(platform::LastFileErrno(), error);
    EXPECT_EQ(station.ReadFile("logs/a.log"), "earlier\r\n");
    // A file the append would have made is not left behind.
    EXPECT_FALSE(platform::AppendToFile(".\\logs\\new.log", "first line\r\n", true));
    EXPECT_FALSE(std::filesystem::exists(station.Folder() / "logs" / "new.log"));
  }
  EXPECT_TRUE(platform::AppendToFile(".\\logs\\a.log", "more\r\n", false));
  EXPECT_EQ(station.ReadFile("logs/a.log"), "earlier\r\nmore\r\n");
}

TEST_F(FileFaults, AppendCreatesOnlyWhenAskedAndRefusesAFolder) {
  EXPECT_FALSE(platform::AppendToFile(".\\logs\\missing.log", "x", false));
  EXPECT_EQ(platform::LastFileErrno(), ENOENT);
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / "logs" / "missing.log"));
  EXPECT_TRUE(platform::AppendToFile(".\\logs\\missing.log", "x", true));
  EXPECT_EQ(station.ReadFile("logs/missing.log"), "x");
  EXPECT_FALSE(platform::AppendToFile(".\\logs", "x", true));
  EXPECT_FALSE(platform::AppendToFile(".\\no\\folder\\x.log", "x", true));
  EXPECT_EQ(platform::LastFileErrno(), ENOENT);
}

TEST_F(FileFaults, CopiesAndFoldersFailToo) {
  {
    platform::ScopedFileFault fault({"copy.log", platform::kWriteCopy, ENOSPC});
    EXPECT_FALSE(platform::CopyFile(".\\logs\\a.log", ".\\logs\\copy.log", false));
    EXPECT_EQ(Listing(station.Folder() / "logs"), std::vector<std::string>{"a.log"});
  }
  {
    platform::ScopedFileFault fault({"Fail_Log", platform::kWriteFolder, EROFS});
    EXPECT_FALSE(platform::CreateDirectory(".\\logs\\Fail_Log"));
    EXPECT_EQ(platform::LastFileErrno(), EROFS);
    EXPECT_FALSE(std::filesystem::exists(station.Folder() / "logs" / "Fail_Log"));
    // A folder that is already there is no write.
    EXPECT_TRUE(platform::CreateDirectory(".\\logs"));
  }
}

TEST_F(FileFaults, SkipAndTimesChooseWhichWritesFail) {
  platform::ScopedFileFault fault({"*", platform::kWriteAppend, EIO, 2, 1});
  EXPECT_TRUE(platform::AppendToFile(".\\logs\\a.log", "1", false));
  EXPECT_TRUE(platform::AppendToFile(".\\logs\\a.log", "2", false));
  EXPECT_FALSE(platform::AppendToFile(".\\logs\\a.log", "3", false));
  EXPECT_TRUE(platform::AppendToFile(".\\logs\\a.log", "4", false));
  EXPECT_EQ(station.ReadFile("logs/a.log"), "earlier\r\n124");
  EXPECT_EQ(platform::FileFaultStrikes(), 1u);
}

// A full disk (or a full quota, or a file at its size limit) refuses data, not names: an empty
// file is still made, an empty append or copy still succeeds, and no strike is spent on them.
// A read-only file system refuses the empty file too.
TEST_F(FileFaults, AFullDiskTakesAnEmptyFileButNoData) {
  station.WriteFile("logs/empty.log", "");
  const struct {
    int error;
    bool takesEmptyFile;
  } cases[] = {{ENOSPC, true}, {EDQUOT, true}, {EFBIG, true}, {EROFS, false}};
  for (const auto& disk : cases) {
    SCOPED_TRACE(platform::ErrnoText(disk.error));
    platform::ScopedFileFault fault({"*", platform::kWriteAny, disk.error});
    EXPECT_EQ(platform::WriteWholeFile(".\\logs\\new.log", ""), disk.takesEmptyFile);
    EXPECT_EQ(platform::AppendToFile(".\\logs\\a.log", "", false), disk.takesEmptyFile);
    EXPECT_EQ(platform::CopyFile(".\\logs\\empty.log", ".\\logs\\copy.log", false), disk.takesEmptyFile);
    EXPECT_FALSE(platform::AppendToFile(".\\logs\\a.log", "data\r\n", false));
    EXPECT_EQ(platform::LastFileErrno(), disk.error);
    EXPECT_EQ(platform::FileFaultStrikes(), disk.takesEmptyFile ? 1u : 4u);
    EXPECT_EQ(station.ReadFile("logs/a.log"), "earlier\r\n");
    std::filesystem::remove(station.Folder() / "logs" / "new.log");
    std::filesystem::remove(station.Folder() / "logs" / "copy.log");
  }
}

TEST_F(FileFaults, ProfileWritesFailWholeAndSayWhy) {
  station.WriteFile("logs/Total.log", "[Total Results]\r\nTotal=4\r\n");
  const platform::ProfileValue values[] = {
      {"Total Results", "Total", "5"}, {"Total Results", "Good", "3"}, {"Time", "End Time", "2024-05-06 07:08:09"}};
  {
    platform::ScopedFileFault fault({"Total.log", platform::kWriteReplace, ENOSPC});
    EXPECT_FALSE(platform::WriteProfileString(".\\logs\\Total.log", "Total Results", "Total", "5"));
    EXPECT_FALSE(platform::WriteProfileStrings(".\\logs\\Total.log", values));
    EXPECT_EQ(platform::LastFileErrno(), ENOSPC);
  }
  EXPECT_EQ(station.ReadFile("logs/Total.log"), "[Total Results]\r\nTotal=4\r\n");
  // Every value in one replacement of the file, in the order given.
  EXPECT_TRUE(platform::WriteProfileStrings(".\\logs\\Total.log", values));
  EXPECT_EQ(station.ReadFile("logs/Total.log"),
            "[Total Results]\r\nTotal=5\r\nGood=3\r\n[Time]\r\nEnd Time=2024-05-06 07:08:09\r\n");
  // A value that would not read back refuses the whole write.
  const platform::ProfileValue broken[] = {{"Total Results", "Total", "6"}, {"Time", "A=B", "x"}};
  EXPECT_FALSE(platform::WriteProfileStrings(".\\logs\\Total.log", broken));
  EXPECT_EQ(platform::LastFileErrno(), EINVAL);
  EXPECT_EQ(platform::ReadProfileInt(".\\logs\\Total.log", "Total Results", "Total", 0), 5);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// A file held open for appends

namespace {

TEST_F(FileFaults, AHeldFileTakesWholeAppendsAndFaultsLikeAnyAppend) {
  platform::AppendFile file;
  ASSERT_TRUE(file.Open(".\\logs\\a.log"));
  EXPECT_TRUE(file.Append("one\r\n"));
  EXPECT_EQ(station.ReadFile("logs/a.log"), "earlier\r\none\r\n");  // there as soon as the call returns
  for (const int error : {ENOSPC, EIO, EROFS}) {
    SCOPED_TRACE(platform::ErrnoText(error));
    platform::ScopedFileFault fault({"a.log", platform::kWriteAppend, error});
    EXPECT_FALSE(file.Append("a line that would be torn\r\n"));
    EXPECT_EQ(platform::LastFileErrno(), error);
    EXPECT_EQ(station.ReadFile("logs/a.log"), "earlier\r\none\r\n");
  }
  EXPECT_TRUE(file.Append("two\r\n"));
  EXPECT_EQ(station.ReadFile("logs/a.log"), "earlier\r\none\r\ntwo\r\n");
}

TEST_F(FileFaults, AHeldFileFollowsItsPathWhenTheFileIsReplacedOrRemoved) {
  platform::AppendFile file;
  ASSERT_TRUE(file.Open(".\\logs\\a.log"));
  ASSERT_TRUE(platform::WriteWholeFile(".\\logs\\a.log", "replaced\r\n"));
  EXPECT_TRUE(file.Append("after\r\n"));
  EXPECT_EQ(station.ReadFile("logs/a.log"), "replaced\r\nafter\r\n");
  std::filesystem::remove(station.Folder() / "logs" / "a.log");
  EXPECT_FALSE(file.Append("lost?\r\n"));  // no file: an append never makes one
  EXPECT_EQ(platform::LastFileErrno(), ENOENT);
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / "logs" / "a.log"));
  station.WriteFile("logs/a.log", "made again\r\n");
  EXPECT_TRUE(file.Append("found\r\n"));
  EXPECT_EQ(station.ReadFile("logs/a.log"), "made again\r\nfound\r\n");
  // Closed, it opens the same file again at the next append.
  file.Close();
  EXPECT_TRUE(file.Append("reopened\r\n"));
  EXPECT_EQ(station.ReadFile("logs/a.log"), "made again\r\nfound\r\nreopened\r\n");
}

TEST_F(FileFaults, AHeldFileIsNeverMadeAndNeverAFolder) {
  platform::AppendFile file;
  EXPECT_FALSE(file.Open(".\\logs\\missing.log"));
  EXPECT_EQ(platform::LastFileErrno(), ENOENT);
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / "logs" / "missing.log"));
  EXPECT_FALSE(file.Open(".\\logs"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorAccessDenied);
}

}  // namespace
