// One RDT CSV log written through the file layer: rows go out in whole pieces, a piece that
// cannot be written ends the log with the rows before it intact and its errno kept, and a
// log that cannot be begun says why.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "engine/rdtlog/RdtCsvFile.h"
#include "platform/FileFaults.h"
#include "support/ScratchStation.h"

namespace {

constexpr char kPath[] = "Logs/RDT/BadBlock/BadBlock_SN_1_3.csv";

class RdtCsvFileTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::DisarmFileFaults(); }
  // Rows "<n>,<40 digits>\r\n" until at least `bytes` were written; returns their text.
  static std::string WriteRows(CRdtCsvFile& file, std::size_t bytes, bool& allTaken) {
    std::string written;
    allTaken = true;
    for (int row = 0; written.size() < bytes; ++row) {
      const std::string line = std::to_string(row) + "," + std::string(40, '7') + "\r\n";
      allTaken = file.Write(line) && allTaken;
      written += line;
    }
    return written;
  }
  testsupport::ScratchStation station;
};

TEST_F(RdtCsvFileTest, RowsReachTheFileWholeAndAnEarlierFileIsReplaced) {
  station.WriteFile(kPath, "an earlier reading\r\n");
  CRdtCsvFile file;
  ASSERT_TRUE(file.Create(".\\Logs", "BadBlock", "SN/1", 3));
  EXPECT_EQ(file.Path(), ".\\Logs\\RDT\\BadBlock\\BadBlock_SN_1_3.csv");
  EXPECT_EQ(station.ReadFile(kPath), "");
  bool allTaken = false;
  const std::string rows = WriteRows(file, 200 * 1024, allTaken);
  EXPECT_TRUE(allTaken);
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(file.Error(), 0);
  EXPECT_EQ(station.ReadFile(kPath), rows);
}

TEST_F(RdtCsvFileTest, APieceThatCannotBeWrittenEndsTheLogAndKeepsTheRowsBeforeIt) {
  for (const int error : {ENOSPC, EIO}) {
    SCOPED_TRACE(error);
    CRdtCsvFile file;
    ASSERT_TRUE(file.Create(".\\Logs", "BadBlock", "SN/1", 3));
    platform::ScopedFileFault second({"BadBlock_*.csv", platform::kWriteAppend, error, 1});
    bool allTaken = true;
    const std::string first = WriteRows(file, 64 * 1024, allTaken);  // the first piece goes out
    EXPECT_TRUE(allTaken);
    WriteRows(file, 100 * 1024, allTaken);
    EXPECT_FALSE(allTaken);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Error(), error);
    EXPECT_TRUE(file.Close());  // the failure was told once, by the write that met it
    EXPECT_EQ(station.ReadFile(kPath), first);
    EXPECT_EQ(platform::FileFaultStrikes(), 1u);
  }
}

TEST_F(RdtCsvFileTest, TheLastRowsAreCheckedAtTheClose) {
  CRdtCsvFile file;
  ASSERT_TRUE(file.Create(".\\Logs", "DDR", "SN", 1));
  EXPECT_TRUE(file.Write("Cycle,Step\r\n"));
  platform::ScopedFileFault full({"DDR_*.csv", platform::kWriteAppend, ENOSPC});
  EXPECT_FALSE(file.Close());
  EXPECT_EQ(file.Error(), ENOSPC);
  EXPECT_EQ(station.ReadFile("Logs/RDT/DDR/DDR_SN_1.csv"), "");
}

TEST_F(RdtCsvFileTest, ALogThatCannotBeBegunKeepsItsPathAndReason) {
  platform::ScopedFileFault readOnly({"*.csv", platform::kWriteReplace, EROFS});
  CRdtCsvFile file;
  EXPECT_FALSE(file.Create(".\\Logs", "ECCBit", "SN", 2));
  EXPECT_EQ(file.Path(), ".\\Logs\\RDT\\ECCBit\\ECCBit_SN_2.csv");
  EXPECT_EQ(file.Error(), EROFS);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.Write("dropped\r\n"));
  EXPECT_EQ(station.ReadFile("Logs/RDT/ECCBit/ECCBit_SN_2.csv"), "");
}

}  // namespace
