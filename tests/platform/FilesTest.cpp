#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "platform/Files.h"
#include "support/ScratchStation.h"

namespace {

using namespace std::string_literals;
using testsupport::ScratchStation;

std::vector<std::string> Names(const std::vector<platform::FileEntry>& entries) {
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.name);
  return names;
}

// Every name in a native folder, temporary files included.
std::vector<std::string> NativeListing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class Files : public testing::Test {
 protected:
  void SetUp() override {
    m_station.WriteFile("data/Report.txt", "report");
    m_station.WriteFile("data/report_2.TXT", "second report");
    m_station.WriteFile("data/notes.log", "n");
    m_station.WriteFile("data/.hidden", "h");
    m_station.WriteFile("data/Sub/inner.bin", "\x01\x02"s);
  }
  ScratchStation m_station;
};

TEST_F(Files, FindMatchesWildcardsWithoutRegardToCase) {
  EXPECT_EQ(Names(platform::FindFiles(".\\data\\*.txt")), (std::vector<std::string>{"Report.txt", "report_2.TXT"}));
  EXPECT_EQ(Names(platform::FindFiles("data\\REPORT_?.txt")), (std::vector<std::string>{"report_2.TXT"}));
  EXPECT_EQ(Names(platform::FindFiles("data\\*.*")),
            (std::vector<std::string>{".hidden", "notes.log", "Report.txt", "report_2.TXT", "Sub"}));
  EXPECT_EQ(Names(platform::FindFiles("data\\*")), Names(platform::FindFiles("data\\*.*")));
  EXPECT_EQ(Names(platform::FindFiles("data\\*.")), (std::vector<std::string>{"Sub"}));
  EXPECT_EQ(Names(platform::FindFiles("data\\report.*")), (std::vector<std::string>{"Report.txt"}));
  EXPECT_EQ(Names(platform::FindFiles("data\\sub")), (std::vector<std::string>{"Sub"}));
  EXPECT_EQ(Names(platform::FindFiles("data\\R*t.t?t")), (std::vector<std::string>{"Report.txt"}));
}

TEST_F(Files, FindReportsWhyNothingWasFound) {
  EXPECT_TRUE(platform::FindFiles("data\\*.csv").empty());
  EXPECT_EQ(platform::LastFileError(), platform::kErrorFileNotFound);
  EXPECT_TRUE(platform::FindFiles("missing\\*.txt").empty());
  EXPECT_EQ(platform::LastFileError(), platform::kErrorPathNotFound);
  EXPECT_TRUE(platform::FindFiles("data\\").empty());
  EXPECT_FALSE(platform::FindFiles("data\\*.log").empty());
  EXPECT_EQ(platform::LastFileError(), platform::kErrorSuccess);
}

TEST_F(Files, EntriesCarrySizesAttributesAndTimes) {
  ASSERT_TRUE(platform::SetModifiedTime("data\\Report.txt", 1700000000));
  ASSERT_TRUE(platform::SetReadOnly("data\\notes.log", true));
  const auto entries = platform::FindFiles("data\\*");
  ASSERT_EQ(entries.size(), 5u);
  const auto& hidden = entries[0];
  const auto& notes = entries[1];
  const auto& report = entries[2];
  const auto& sub = entries[4];
  EXPECT_EQ(hidden.attributes, platform::kAttributeArchive | platform::kAttributeHidden);
  EXPECT_EQ(notes.attributes, platform::kAttributeArchive | platform::kAttributeReadOnly);
  EXPECT_EQ(report.attributes, static_cast<std::uint32_t>(platform::kAttributeArchive));
  EXPECT_EQ(report.size, 6u);
  EXPECT_EQ(report.modifiedSeconds, 1700000000);
  EXPECT_TRUE(sub.IsDirectory());
  EXPECT_EQ(sub.attributes, static_cast<std::uint32_t>(platform::kAttributeDirectory));
  EXPECT_EQ(sub.size, 0u);

  EXPECT_EQ(platform::FileAttributes("DATA\\NOTES.LOG"), notes.attributes);
  ASSERT_TRUE(platform::SetReadOnly("data\\notes.log", false));
  EXPECT_EQ(platform::FileAttributes("data\\notes.log"), static_cast<std::uint32_t>(platform::kAttributeArchive));
}

TEST_F(Files, FactsOfSinglePaths) {
  EXPECT_TRUE(platform::FileExists("data\\report_2.txt"));
  EXPECT_TRUE(platform::FileExists("data\\sub"));
  EXPECT_FALSE(platform::FileExists("data\\none.txt"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorFileNotFound);
  EXPECT_FALSE(platform::FileExists("nodir\\none.txt"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorPathNotFound);
  EXPECT_TRUE(platform::IsDirectory("data\\Sub"));
  EXPECT_FALSE(platform::IsDirectory("data\\notes.log"));
  EXPECT_EQ(platform::FileSize("data\\report_2.txt"), 13u);
  EXPECT_EQ(platform::FileSize("data\\Sub"), std::nullopt);
  EXPECT_EQ(platform::FileSize("data\\none"), std::nullopt);
  const auto info = platform::FileInfo("data\\REPORT.TXT");
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->name, "Report.txt");  // the name as stored
  EXPECT_FALSE(platform::SetModifiedTime("data\\none", 1));
  EXPECT_FALSE(platform::SetReadOnly("data\\none", true));
}

TEST_F(Files, CopyWithAndWithoutReplace) {
  ASSERT_TRUE(platform::CopyFile("data\\Report.txt", "data\\copy.txt", true));
  EXPECT_EQ(m_station.ReadFile("data/copy.txt"), "report");

  EXPECT_FALSE(platform::CopyFile("data\\notes.log", "data\\copy.txt", true));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorFileExists);
  EXPECT_EQ(m_station.ReadFile("data/copy.txt"), "report");

  ASSERT_TRUE(platform::CopyFile("data\\notes.log", "data\\COPY.txt", false));
  EXPECT_EQ(m_station.ReadFile("data/copy.txt"), "n");
  EXPECT_EQ(NativeListing(m_station.Folder() / "data"),
            (std::vector<std::string>{".hidden", "Report.txt", "Sub", "copy.txt", "notes.log", "report_2.TXT"}));
}

TEST_F(Files, CopyKeepsTimeAndAttributesAndNeverOverwritesReadOnly) {
  ASSERT_TRUE(platform::SetModifiedTime("data\\Report.txt", 1600000000));
  ASSERT_TRUE(platform::SetReadOnly("data\\Report.txt", true));
  ASSERT_TRUE(platform::CopyFile("data\\Report.txt", "kept.txt", false));
  const auto copy = platform::FileInfo("kept.txt");
  ASSERT_TRUE(copy.has_value());
  EXPECT_EQ(copy->modifiedSeconds, 1600000000);
  EXPECT_NE(copy->attributes & platform::kAttributeReadOnly, 0u);

  EXPECT_FALSE(platform::CopyFile("data\\notes.log", "kept.txt", false));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorAccessDenied);
  EXPECT_EQ(m_station.ReadFile("kept.txt"), "report");
}

TEST_F(Files, CopyFailuresLeaveNothingBehind) {
  EXPECT_FALSE(platform::CopyFile("data\\none.txt", "data\\x.txt", false));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorFileNotFound);
  EXPECT_FALSE(platform::CopyFile("data\\Report.txt", "nodir\\x.txt", false));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorPathNotFound);
  EXPECT_FALSE(platform::CopyFile("data\\Sub", "data\\x", false));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorAccessDenied);
  EXPECT_FALSE(platform::CopyFile("data\\Report.txt", "data\\Sub", false));
  EXPECT_FALSE(platform::CopyFile("data\\Report.txt", "data\\report.TXT", false));  // onto itself
  EXPECT_EQ(m_station.ReadFile("data/Report.txt"), "report");
  EXPECT_EQ(NativeListing(m_station.Folder() / "data"),
            (std::vector<std::string>{".hidden", "Report.txt", "Sub", "notes.log", "report_2.TXT"}));
}

TEST_F(Files, DeleteRefusesReadOnlyFilesAndFolders) {
  ASSERT_TRUE(platform::DeleteFile("data\\NOTES.log"));
  EXPECT_FALSE(platform::FileExists("data\\notes.log"));
  EXPECT_FALSE(platform::DeleteFile("data\\notes.log"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorFileNotFound);

  ASSERT_TRUE(platform::SetReadOnly("data\\Report.txt", true));
  EXPECT_FALSE(platform::DeleteFile("data\\Report.txt"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorAccessDenied);
  EXPECT_TRUE(platform::FileExists("data\\Report.txt"));
  EXPECT_FALSE(platform::DeleteFile("data\\Sub"));
  EXPECT_TRUE(platform::IsDirectory("data\\Sub"));
}

TEST_F(Files, MoveRenamesAndReplacesOnlyWhenAsked) {
  ASSERT_TRUE(platform::MoveFile("data\\notes.log", "data\\Sub\\moved.log"));
  EXPECT_FALSE(platform::FileExists("data\\notes.log"));
  EXPECT_EQ(m_station.ReadFile("data/Sub/moved.log"), "n");

  EXPECT_FALSE(platform::MoveFile("data\\Report.txt", "data\\report_2.txt"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorAlreadyExists);
  EXPECT_EQ(m_station.ReadFile("data/report_2.TXT"), "second report");

  ASSERT_TRUE(platform::MoveFile("data\\Report.txt", "data\\report_2.txt", true));
  EXPECT_EQ(m_station.ReadFile("data/report_2.TXT"), "report");
  EXPECT_FALSE(platform::FileExists("data\\Report.txt"));

  EXPECT_FALSE(platform::MoveFile("data\\report_2.txt", "data\\Sub", true));  // never onto a folder
  EXPECT_FALSE(platform::MoveFile("data\\none", "data\\other"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorFileNotFound);
}

TEST_F(Files, MoveChangesTheCaseOfANameAndMovesFolders) {
  ASSERT_TRUE(platform::MoveFile("data\\Report.txt", "data\\REPORT.TXT"));
  EXPECT_EQ(Names(platform::FindFiles("data\\report.txt")), (std::vector<std::string>{"REPORT.TXT"}));
  ASSERT_TRUE(platform::MoveFile("data\\Sub", "Moved"));
  EXPECT_EQ(m_station.ReadFile("Moved/inner.bin"), "\x01\x02"s);
  EXPECT_FALSE(platform::FileExists("data\\Sub"));
}

TEST_F(Files, CreateRemoveAndClearFolders) {
  EXPECT_TRUE(platform::CreateDirectory("data\\New"));
  EXPECT_TRUE(platform::CreateDirectory("data\\new"));  // exists afterwards: fine
  EXPECT_FALSE(platform::CreateDirectory("data\\notes.log"));
  EXPECT_FALSE(platform::CreateDirectory("nodir\\deeper"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorPathNotFound);

  EXPECT_FALSE(platform::RemoveDirectory("data"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorDirNotEmpty);
  EXPECT_FALSE(platform::RemoveDirectory("data\\notes.log"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorDirectoryName);
  EXPECT_TRUE(platform::RemoveDirectory("data\\New"));
  EXPECT_FALSE(platform::FileExists("data\\New"));

  ASSERT_TRUE(platform::SetReadOnly("data\\Report.txt", true));
  ASSERT_TRUE(platform::ClearDirectory("DATA"));
  EXPECT_TRUE(platform::IsDirectory("data"));
  EXPECT_TRUE(NativeListing(m_station.Folder() / "data").empty());
  EXPECT_FALSE(platform::ClearDirectory("data\\none"));
  m_station.WriteFile("file.txt", "x");
  EXPECT_FALSE(platform::ClearDirectory("file.txt"));
  EXPECT_EQ(m_station.ReadFile("file.txt"), "x");
}

TEST_F(Files, WholeFileRoundTrip) {
  const std::string bytes = "line 1\r\n\0\xFF\xA2\x58 end"s;
  ASSERT_TRUE(platform::WriteWholeFile("data\\Sub\\blob.bin", bytes));
  EXPECT_EQ(platform::ReadWholeFile("DATA\\sub\\BLOB.bin"), bytes);
  ASSERT_TRUE(platform::WriteWholeFile("data\\Sub\\blob.bin", ""));
  EXPECT_EQ(platform::ReadWholeFile("data\\Sub\\blob.bin"), "");
  EXPECT_EQ(NativeListing(m_station.Folder() / "data" / "Sub"), (std::vector<std::string>{"blob.bin", "inner.bin"}));

  EXPECT_EQ(platform::ReadWholeFile("data\\none.bin"), std::nullopt);
  EXPECT_EQ(platform::LastFileError(), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::ReadWholeFile("data\\Sub"), std::nullopt);
  EXPECT_FALSE(platform::WriteWholeFile("nodir\\x.bin", "x"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorPathNotFound);
  EXPECT_FALSE(platform::WriteWholeFile("data\\Sub", "x"));
}

TEST_F(Files, WholeFileWriteKeepsTheModeAndRefusesReadOnly) {
  const auto native = m_station.Folder() / "data" / "notes.log";
  ASSERT_EQ(::chmod(native.c_str(), 0640), 0);
  ASSERT_TRUE(platform::WriteWholeFile("data\\notes.log", "new"));
  struct stat info {};
  ASSERT_EQ(::stat(native.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  ASSERT_TRUE(platform::SetReadOnly("data\\notes.log", true));
  EXPECT_FALSE(platform::WriteWholeFile("data\\notes.log", "newer"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorAccessDenied);
  EXPECT_EQ(m_station.ReadFile("data/notes.log"), "new");
}

// The slots of a pass replace their reports in one folder at the same moment: each file ends
// with its writer's last bytes, keeps its mode, and no temporary file is left beside them.
TEST(FilesThreads, ReplacementsInOneFolderAtOnceKeepEveryFileWhole) {
  constexpr int kWriters = 12;
  constexpr int kRounds = 20;
  ScratchStation station;
  station.WriteFile("reports/keep.txt", "kept");
  std::vector<std::thread> writers;
  std::atomic<int> failures{0};
  for (int writer = 0; writer < kWriters; ++writer) {
    writers.emplace_back([&, writer] {
      const std::string path = "reports\\slot_" + std::to_string(writer) + ".txt";
      for (int round = 0; round < kRounds; ++round) {
        const std::string bytes = "slot " + std::to_string(writer) + " round " + std::to_string(round) + "\r\n";
        if (!platform::WriteWholeFile(path, bytes + std::string(static_cast<std::size_t>(round) * 100, 'x'))) {
          failures.fetch_add(1);
        }
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(failures.load(), 0);
  std::vector<std::string> expected{"keep.txt"};
  for (int writer = 0; writer < kWriters; ++writer) {
    const std::string name = "slot_" + std::to_string(writer) + ".txt";
    expected.push_back(name);
    const std::string last = "slot " + std::to_string(writer) + " round " + std::to_string(kRounds - 1) + "\r\n";
    EXPECT_EQ(station.ReadFile("reports/" + name), last + std::string((kRounds - 1) * 100, 'x'));
    struct stat info {};
    ASSERT_EQ(::stat((station.Folder() / "reports" / name).c_str(), &info), 0);
    EXPECT_EQ(info.st_nlink, 1u);  // the temporary name is gone, not left as a second link
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(NativeListing(station.Folder() / "reports"), expected);
  EXPECT_EQ(station.ReadFile("reports/keep.txt"), "kept");
}

// A replacement that fails leaves the target as it was and no file of its own: a write
// refused on a read-only target, and one into a folder that is not there.
TEST_F(Files, FailedReplacementsLeaveNoTemporaryFile) {
  ASSERT_TRUE(platform::SetReadOnly("data\\notes.log", true));
  EXPECT_FALSE(platform::WriteWholeFile("data\\notes.log", "new"));
  EXPECT_FALSE(platform::WriteWholeFile("data\\missing\\x.log", "new"));
  EXPECT_EQ(platform::LastFileError(), platform::kErrorPathNotFound);
  EXPECT_EQ(NativeListing(m_station.Folder() / "data"),
            (std::vector<std::string>{".hidden", "Report.txt", "Sub", "notes.log", "report_2.TXT"}));
  EXPECT_EQ(m_station.ReadFile("data/notes.log"), "n");
}

TEST(FileErrors, SystemTexts) {
  EXPECT_EQ(platform::FileErrorText(platform::kErrorFileNotFound), "The system cannot find the file specified.\r\n");
  EXPECT_EQ(platform::FileErrorText(platform::kErrorPathNotFound), "The system cannot find the path specified.\r\n");
  EXPECT_EQ(platform::FileErrorText(platform::kErrorAlreadyExists),
            "Cannot create a file when that file already exists.\r\n");
  EXPECT_EQ(platform::FileErrorText(99999), "");
}

}  // namespace
