// The slot's block-information file: records appended raw and whole, the folder made on the
// first append, short writes cut back to the old size, and readers that take whole records.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "run/BlockInfoFile.h"
#include "run/RunFixture.h"

namespace runtest {
namespace {

class BlockInfoFile : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    task.reset(NewTask(2));
    ASSERT_TRUE(task->MakeDevice(nullptr));
    task->m_pDevice->WriteReportLine("START", 1);
  }
  static std::unique_ptr<BlockInfoRecord> Record(const char* tag, std::uint32_t limit) {
    auto record = std::make_unique<BlockInfoRecord>();
    record->Clear();
    record->SetTag(tag);
    record->perPlaneLimit = limit;
    record->early[1][0][2] = 7;
    record->later[0][1][3][kLaterTotal] = 9;
    record->rdtCeMap = 0x00F0;
    return record;
  }
  std::filesystem::path FilePath() const { return station.Folder() / "Configuration" / "Temp" / "#2.bin"; }
  std::unique_ptr<TaskProbe> task;
};

TEST_F(BlockInfoFile, RecordsAreAppendedRawOneAfterTheOther) {
  EXPECT_EQ(BlockInfoFilePath(2), "S:\\Configuration\\Temp\\#2.bin");
  task->WriteBlockInfoToFile(*Record("RDT", 11));
  task->WriteBlockInfoToFile(*Record("SCA1", 22));
  task->WriteBlockInfoToFile(*Record("SCA2", 33));
  EXPECT_EQ(std::filesystem::file_size(FilePath()), 688176u);
  const std::string bytes = station.ReadFile("Configuration/Temp/#2.bin");
  EXPECT_EQ(bytes.substr(0, 4), std::string("RDT\0", 4));
  EXPECT_EQ(bytes.substr(229392, 4), "SCA1");
  EXPECT_EQ(bytes.substr(458784, 4), "SCA2");
  // Little-endian fields at their file offsets.
  EXPECT_EQ(static_cast<unsigned char>(bytes[229392 + 4]), 22);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0xC + 0x100 + 2 * 4]), 7);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0x400C + 0xD0 + 3 * 0x34]), 9);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0x3800C]), 0xF0);

  const std::vector<BlockInfoRecord> records = ReadBlockInfoRecords(BlockInfoFilePath(2));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Tag(), "RDT");
  EXPECT_EQ(records[1].Tag(), "SCA1");
  EXPECT_EQ(records[2].Tag(), "SCA2");
  EXPECT_EQ(records[2].perPlaneLimit, 33u);
  EXPECT_EQ(records[1].later[0][1][3][kLaterTotal], 9u);
}

TEST_F(BlockInfoFile, AnAllZeroRecordIsStillAppended) {
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  task->WriteBlockInfoToFile(*record);
  EXPECT_EQ(station.ReadFile("Configuration/Temp/#2.bin"), std::string(kBlockInfoRecordBytes, '\0'));
}

TEST_F(BlockInfoFile, AMissingTempFolderIsMadeOnTheFirstAppend) {
  std::filesystem::remove_all(station.Folder() / "Configuration" / "Temp");
  task->WriteBlockInfoToFile(*Record("SCA1", 1));
  EXPECT_EQ(std::filesystem::file_size(FilePath()), kBlockInfoRecordBytes);
}

TEST_F(BlockInfoFile, ReadersIgnoreAPartialRecordAtTheEnd) {
  task->WriteBlockInfoToFile(*Record("SCA2", 5));
  {
    std::ofstream tail(FilePath(), std::ios::binary | std::ios::app);
    tail << std::string(1000, 'R');
  }
  const auto records = ReadBlockInfoRecords(BlockInfoFilePath(2));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Tag(), "SCA2");
  EXPECT_TRUE(ReadBlockInfoRecords("S:\\Configuration\\Temp\\#9.bin").empty());
}

TEST_F(BlockInfoFile, AShortWriteIsCutBackToTheOldSizeAndReported) {
  task->WriteBlockInfoToFile(*Record("SCA1", 1));
  // The file may grow by only 1000 bytes: the next record is written in part.
  struct sigaction ignore {}, previousAction {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previousAction), 0);
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  rlimit limited = previous;
  limited.rlim_cur = kBlockInfoRecordBytes + 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  task->WriteBlockInfoToFile(*Record("SCA2", 2));
  setrlimit(RLIMIT_FSIZE, &previous);
  sigaction(SIGXFSZ, &previousAction, nullptr);
  EXPECT_EQ(std::filesystem::file_size(FilePath()), kBlockInfoRecordBytes);
  EXPECT_NE(Report(2).find("   WriteBlockInfoToFile write fail!! \r\n"), std::string::npos);
  // The next record lands whole after the first.
  task->WriteBlockInfoToFile(*Record("RDT", 3));
  const auto records = ReadBlockInfoRecords(BlockInfoFilePath(2));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].Tag(), "RDT");
}

TEST_F(BlockInfoFile, AFolderOrFileThatCannotBeMadeIsReported) {
  std::filesystem::create_directories(FilePath());
  task->WriteBlockInfoToFile(*Record("SCA1", 1));
  EXPECT_NE(Report(2).find("   WriteBlockInfoToFile create file fail!! \r\n"), std::string::npos);

  std::filesystem::remove_all(station.Folder() / "Configuration" / "Temp");
  station.WriteFile("Configuration/Temp", "a file where the folder should be");
  task->WriteBlockInfoToFile(*Record("SCA1", 1));
  EXPECT_NE(Report(2).find("   WriteBlockInfoToFile create folder fail!! \r\n"), std::string::npos);
}

}  // namespace
}  // namespace runtest
