// Texts of the legacy page and the summary page that come from files: the product information
// list, capacity and serial-range texts, the Windows version table and the host texts, the
// Base64 file encoder, the summary rows with their rates and the firmware-header panel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/legacy/HostInfo.h"
#include "pages/legacy/LegacyGlobals.h"
#include "pages/legacy/ProductInfo.h"
#include "pages/legacy/SummaryReport.h"
#include "platform/Profile.h"
#include "run/RunGlobals.h"
#include "support/ScratchStation.h"

namespace {

using testsupport::ScratchStation;

class LegacyTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    g_WorkingNo.Set("");
    platform::FlushProfileCache();
  }
  void Param(const std::string& text) {
    station.WriteFile("param.ini", text);
    platform::FlushProfileCache();
  }
  ScratchStation station;
};

TEST_F(LegacyTexts, ProductInformationListsElevenLinesFromParamIni) {
  Param(
      "[Device Info]\r\nControllerType= TV3160L \r\nISP_MPBINCode=FW\\MP\\TV3160_MP_Sample.bin\r\n"
      "[General Info]\r\nModelName=TV SSD\r\nWorkingNo=W123\r\n"
      "[Flash Info]\r\nFlh_Capacity=1536\r\nFlh_MakeCode=98\r\nFlh_Type=TLC\r\nFlh_Number=4\r\nFlh_ID=98 3C\r\n"
      "[Options]\r\nDDRSize=512\r\n");
  const std::vector<std::string> expected = {
      "Info Source : param.INI ", "(1) Working Order : W123", "(2) Controller Type : TV3160L",
      "(3) Model Name : TV SSD",  "(4) ISP_FW Code : TV3160_MP_Sample.bin", "(5) SSD Total Capacity : 1 GB",
      "      DDR Size : 512 MB",  "(6) Flash MakeCode : 98", "(7) Flash Type : TLC",
      "(8) Flash Number : 4",     "(9) Flash ID : 98 3C"};
  EXPECT_EQ(ProductInfoLines("param.INI", ""), expected);
  EXPECT_EQ(g_ModelName.Get(), "TV SSD");
  // The cached work number wins over the file's.
  EXPECT_EQ(ProductInfoLines("param.INI", "CACHED")[1], "(1) Working Order : CACHED");
}

TEST_F(LegacyTexts, AnotherControllerShowsNoIspCodeAndMissingKeysAreEmpty) {
  Param("[Device Info]\r\nControllerType=XX9000\r\nISP_MPBINCode=FW\\MP\\a.bin\r\n");
  const std::vector<std::string> lines = ProductInfoLines("param.INI", "");
  EXPECT_EQ(lines[4], "(4) ISP_FW Code : ");
  EXPECT_EQ(lines[5], "(5) SSD Total Capacity : 0 MB");
  EXPECT_EQ(lines[6], "      DDR Size :  MB");
  EXPECT_EQ(lines[10], "(9) Flash ID : ");
}

TEST_F(LegacyTexts, CapacityAndSerialRangeTexts) {
  EXPECT_EQ(CapacityText(1023), "1023 MB");
  EXPECT_EQ(CapacityText(1024), "1 GB");
  EXPECT_EQ(CapacityText(1536), "1 GB");
  EXPECT_EQ(CapacityText(0), "0 MB");
  EXPECT_EQ(SerialRangeText("00000001", "ABCDEFGHIJKL00000100"), "ABCDEFGHIJKL00000001 ~ 00000099");
  EXPECT_EQ(SerialRangeText("00000001", ""), "00000001 ~ ");
}

TEST_F(LegacyTexts, WindowsVersionTable) {
  using Platform = WindowsVersionFacts::Platform;
  struct Row {
    WindowsVersionFacts facts;
    const char* text;
    int code;
  };
  const Row rows[] = {
      {{4, 0, Platform::WindowsNT}, "Microsoft Windows NT 4.0", 1},
      {{4, 0, Platform::Windows9x}, "Microsoft Windows 95", 1},
      {{4, 0, Platform::Other}, "", 1},
      {{4, 10}, "Microsoft Windows 98", 2},
      {{4, 90}, "Microsoft Windows Me", 3},
      {{5, 0}, "Microsoft Windows 2000", 4},
      {{5, 1}, "Microsoft Windows XP", 5},
      {{5, 2, Platform::WindowsNT, true, true}, "Microsoft Windows XP Professional x64 Edition", 6},
      {{5, 2, Platform::WindowsNT, false, false, false}, "Microsoft Windows Server 2003", 6},
      {{5, 2, Platform::WindowsNT, false, false, true}, "Microsoft Windows Server 2003 R2", 6},
      {{6, 0, Platform::WindowsNT, true}, "Microsoft Windows Vista", 7},
      {{6, 0, Platform::WindowsNT, false}, "Microsoft Windows Server 2008", 7},
      {{6, 1, Platform::WindowsNT, true}, "Microsoft Windows 7", 8},
      {{6, 1, Platform::WindowsNT, false}, "Microsoft Windows Server 2008 R2", 8},
      {{6, 2, Platform::WindowsNT, true}, "Microsoft Windows 8", 9},
      {{6, 2, Platform::WindowsNT, false}, "Microsoft Windows Server 2012", 9},
      // Not in the table: the code stays.
      {{10, 0}, "Unknow", 42},
      {{6, 3}, "", 42},
      {{5, 7}, "", 42},
  };
  for (const Row& row : rows) {
    int code = 42;
    EXPECT_EQ(WindowsVersionName(row.facts, code), row.text) << row.facts.major << "." << row.facts.minor;
    EXPECT_EQ(code, row.code) << row.facts.major << "." << row.facts.minor;
  }
  // This Linux host names itself; the engine's code keeps its value.
  EXPECT_FALSE(GetWindowsVersionName().empty());
}

TEST_F(LegacyTexts, HostTextsOfTheCurrentAdapter) {
  const std::string mac = GetHostMacText();
  EXPECT_EQ(mac.find(':'), std::string::npos);
  EXPECT_TRUE(mac.empty() || mac.size() == 12u) << mac;
  EXPECT_LE(GetCpuBrandText().size(), 48u);
}

TEST_F(LegacyTexts, FileLinesAreEncodedOneByOneAndEmptyLinesDropped) {
  station.WriteFile("plain.txt", "  foobar \r\n\r\nf\r\n   \r\nfo");
  station.WriteFile("coded.txt", "old contents");
  ASSERT_TRUE(EncodeFileLinesBase64(" plain.txt ", "coded.txt"));
  EXPECT_EQ(station.ReadFile("coded.txt"), "Zm9vYmFy\r\nZg==\r\nZm8=\r\n");
  EXPECT_FALSE(EncodeFileLinesBase64("  ", "coded.txt"));
  EXPECT_FALSE(EncodeFileLinesBase64("missing.txt", "coded.txt"));
  EXPECT_EQ(station.ReadFile("coded.txt"), "Zm9vYmFy\r\nZg==\r\nZm8=\r\n");
}

TEST_F(LegacyTexts, IsFolderTellsFoldersFromFiles) {
  station.WriteFile("Logs/a.txt", "x");
  EXPECT_TRUE(IsFolder(".\\Logs"));
  EXPECT_TRUE(IsFolder(".\\Logs\\"));
  EXPECT_FALSE(IsFolder(".\\Logs\\a.txt"));
  EXPECT_FALSE(IsFolder(".\\Nothing"));
  EXPECT_FALSE(IsFolder("\\\\nohost\\share"));
}

TEST_F(LegacyTexts, CardTotalRowsWithRates) {
  std::vector<SummaryRow> rows = CardTotalRows(3, 97);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].item, "Total Card");
  EXPECT_EQ(rows[0].count, "100");
  EXPECT_EQ(rows[0].rate, "100%");
  EXPECT_EQ(rows[1].item, "Total Pass Card");
  EXPECT_EQ(rows[1].count, "97");
  EXPECT_EQ(rows[1].rate, "97.00%");
  EXPECT_EQ(rows[2].item, "Total Fail Card");
  EXPECT_EQ(rows[2].count, "3");
  EXPECT_EQ(rows[2].rate, "3.00%");
  rows = CardTotalRows(0, 0);
  EXPECT_EQ(rows[0].rate, "100%");
  EXPECT_EQ(rows[1].rate, "0.00%");
  EXPECT_EQ(rows[2].rate, "0.00%");
  rows = CardTotalRows(1, 2);
  EXPECT_EQ(rows[1].rate, "66.67%");
  EXPECT_EQ(rows[2].rate, "33.33%");
}

TEST_F(LegacyTexts, ErrorCodeRowsComeFromTheErrorListSectionInFileOrder) {
  station.WriteFile("_Summary.log",
                    "[Time]\r\nEnd Time=2024-05-06 07:08:09\r\n[Results]\r\nPass=7\r\nTotalErrorCount=4\r\n"
                    "[ErrorList]\r\nErrorCode=count\r\nI_x06=3\r\nF_E03=1\r\n");
  platform::FlushProfileCache();
  const std::vector<SummaryRow> rows = ErrorCodeRows(".\\_Summary.log", 4);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].item, "ErrorCode");
  EXPECT_EQ(rows[0].count, "0");
  EXPECT_EQ(rows[0].rate, "0.00%");
  EXPECT_EQ(rows[1].item, "I_x06");
  EXPECT_EQ(rows[1].count, "3");
  EXPECT_EQ(rows[1].rate, "75.00%");
  EXPECT_EQ(rows[2].item, "F_E03");
  EXPECT_EQ(rows[2].rate, "25.00%");
  // No failed card: every rate is 0.00% instead of a division by zero.
  for (const SummaryRow& row : ErrorCodeRows(".\\_Summary.log", 0)) EXPECT_EQ(row.rate, "0.00%");
  EXPECT_TRUE(ErrorCodeRows(".\\missing.log", 4).empty());
}

TEST_F(LegacyTexts, SummaryLogPathGetsTheSeparatorItLacks) {
  EXPECT_EQ(SummaryLogPath(".\\W1_PC\\QC\\"), ".\\W1_PC\\QC\\_Summary.log");
  EXPECT_EQ(SummaryLogPath("D:\\Logs"), "D:\\Logs\\_Summary.log");
}

TEST_F(LegacyTexts, FirmwareHeaderLines) {
  std::vector<std::uint8_t> header(512, 0);
  header[0] = 'T';
  header[1] = 'V';
  header[2] = 0x31;
  header[3] = 0x60;
  const std::uint8_t pram[] = {0x00, 0x01, 0x20, 0x00};
  std::copy(std::begin(pram), std::end(pram), header.begin() + 7);
  header[11] = 0xAB;
  header[12] = 0xCD;
  const std::uint8_t flash[] = {0x00, 0x02, 0x00, 0x10};
  std::copy(std::begin(flash), std::end(flash), header.begin() + 14);
  header[18] = 0x12;
  header[19] = 0x34;
  header[21] = 'A';
  header[22] = 'B';
  const std::uint8_t build[] = {0x20, 0x24, 0x1A, 0x05, 0x13, 0x45, 0x59};
  std::copy(std::begin(build), std::end(build), header.begin() + 503);
  header[510] = 0x55;
  header[511] = 0xAA;
  const std::vector<std::string> expected = {
      "BIN Build Time: 2024-0105-13:45:59\r", "Header Mark: TV\r",           "IC Version: 12640AB\r",
      "IC Firmware Version: 3160\r",         "PRAM Code Size= 0x00012000\r", "PRAM Code CHKSUM= abcd\r",
      "Flash Code Size= 0x00020010\r",       "Flash Code CHKSUM= 1234\r",    "Header Mark: 55aa\r"};
  EXPECT_EQ(BinHeaderLines(header), expected);
  EXPECT_EQ(BcdValue(0x1A), 1);
  EXPECT_EQ(BcdValue(0x59), 59);
  EXPECT_EQ(BcdValue(0xA1), 0);
  // A short image is read as far as it goes; the rest counts as zeros.
  const std::vector<std::string> shortLines = BinHeaderLines(std::vector<std::uint8_t>{'M', 'P'});
  EXPECT_EQ(shortLines[0], "BIN Build Time: 0000-0000-00:00:00\r");
  EXPECT_EQ(shortLines[1], "Header Mark: MP\r");
  EXPECT_EQ(shortLines[8], "Header Mark: 0000\r");
}

}  // namespace
