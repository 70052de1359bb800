// The bad-block text file: its text byte for byte, a file written by the engine and read back
// gives the same table and records, and a file cut short or garbled anywhere is refused by
// all three loaders without touching what the caller gave them.
#include <array>
#include <cstring>

#include "ScanFixture.h"
#include "engine/scan/BadBlockTextFile.h"

namespace {

using scantest::ScanTest;
using scantest::SmallDrive;
using Record = std::array<std::uint8_t, 64>;

// Two CEs of eight blocks: a factory block, an OLB, an RDT block, a run failure and a block
// that carries a mark only.
BadBlockFileImage SmallImage() {
  BadBlockFileImage image;
  image.ceSlots = 2;
  image.ceMap = 0x3;
  image.blocksPerSlot = 8;
  image.unitsPerCe = 1;
  image.planes = 2;
  image.map.assign(16, 0);
  image.map[1] = 0x80;
  image.map[3] = 0x84;
  image.map[8 + 2] = 0x44;
  image.map[8 + 5] = 0x02;
  image.map[8 + 6] = 0x10;
  std::memcpy(image.rdtInfo.data(), "TVRT", 4);
  const std::uint8_t parameter[0x30] = {'D', 'B', 'T', 'P', 0, 1, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
                                        0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 16, 0, 1, 2, 1, 1, 1, 0};
  std::memcpy(image.bbtParameter.data(), parameter, sizeof(parameter));
  return image;
}

const char kSmallFile[] =
    "[Bad Block File]\r\n"
    "CE Count=2\r\n"
    "CE Map=0000000000000003\r\n"
    "CE Numbered By Map=0\r\n"
    "Block Per CE=8\r\n"
    "Die Per CE=1\r\n"
    "Plane Number=2\r\n"
    "Map Bytes=16\r\n"
    "Map CRC=0x8FB7\r\n"
    "\r\n"
    "[Early Bad Block]\r\n"
    "Count=2\r\n"
    "CE:0,Die:0,Plane:1,Block:1(0x0001),Status=0x80\r\n"
    "CE:0,Die:0,Plane:1,Block:3(0x0003),Status=0x84,Erase-OLB\r\n"
    "\r\n"
    "[Later Bad Block]\r\n"
    "Count=2\r\n"
    "CE:1,Die:0,Plane:1,Block:5(0x0005),Status=0x02,Program Bad-Run\r\n"
    "CE:1,Die:0,Plane:0,Block:6(0x0006),Status=0x10\r\n"
    "\r\n"
    "[RDT Bad Block]\r\n"
    "Count=1\r\n"
    "CE:1,Die:0,Plane:0,Block:2(0x0002),Status=0x44,Erase Bad-RDT\r\n"
    "\r\n"
    "[RDT Info]\r\n"
    "54 56 52 54 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
    "CRC=0x1CF6\r\n"
    "\r\n"
    "[BBT Parameter]\r\n"
    "44 42 54 50 00 01 3F 3F 3F 3F 3F 3F 3F 3F 3F 3F\r\n"
    "3F 3F 3F 3F 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
    "00 00 00 00 08 00 00 00 10 00 01 02 01 01 01 00\r\n"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
    "CRC=0xE2A2\r\n"
    "\r\n"
    "[End]\r\n";

TEST(BadBlockTextFile, TheFileOfASmallMapByteForByte) {
  EXPECT_EQ(FormatBadBlockFile(SmallImage()), kSmallFile);
}

TEST(BadBlockTextFile, ReadBackGivesTheSameMapAndRecords) {
  std::string problem;
  const std::optional<BadBlockFileImage> image = ParseBadBlockFile(kSmallFile, problem);
  ASSERT_TRUE(image) << problem;
  const BadBlockFileImage expected = SmallImage();
  EXPECT_EQ(image->map, expected.map);
  EXPECT_EQ(image->rdtInfo, expected.rdtInfo);
  EXPECT_EQ(image->bbtParameter, expected.bbtParameter);
  EXPECT_EQ(image->ceMap, 0x3u);
  EXPECT_EQ(image->planes, 2u);
  // Line ends of either kind read the same.
  std::string unixText = kSmallFile;
  for (std::size_t at = unixText.find("\r\n"); at != std::string::npos; at = unixText.find("\r\n", at)) {
    unixText.erase(at, 1);
  }
  ASSERT_TRUE(ParseBadBlockFile(unixText, problem)) << problem;
}

TEST(BadBlockTextFile, EveryCutOfTheFileIsRefused) {
  const std::string text = kSmallFile;
  std::string problem;
  for (std::size_t length = 0; length + 2 < text.size(); ++length) {
    EXPECT_FALSE(ParseBadBlockFile(text.substr(0, length), problem)) << "cut at " << length;
  }
}

TEST(BadBlockTextFile, GarbledLinesAreRefusedWithTheirReason) {
  const struct {
    const char* from;
    const char* to;
    const char* reason;
  } cases[] = {
      {"Block:3(0x0003)", "Block:3(0x0004)", "line 14: block number and its hexadecimal form differ"},
      {"Block:1(0x0001),Status=0x80", "Block:1(0x0001),Status=0x02", "line 13: status does not belong to this section"},
      {"CE:0,Die:0,Plane:1,Block:1", "CE:0,Die:0,Plane:0,Block:1", "line 13: die or plane does not match the block"},
      {"Block:5(0x0005)", "Block:9(0x0009)", "line 18: bad-block entry outside the block map"},
      {"CE:1,Die:0,Plane:0,Block:6", "CE:2,Die:0,Plane:0,Block:6", "line 19: CE not listed in the file's CE map"},
      {"Block:6(0x0006),Status=0x10", "Block:5(0x0005),Status=0x10", "line 19: die or plane does not match the block"},
      {"[Later Bad Block]\r\nCount=2", "[Later Bad Block]\r\nCount=3", "line 21: fewer entries than counted"},
      {"[Later Bad Block]\r\nCount=2", "[Later Bad Block]\r\nCount=1", "line 19: more entries than counted"},
      {"54 56 52 54 00", "54 56 52 55 00", "line 30: [RDT Info] fails its CRC"},
      {"3F 3F 3F 3F 00 00", "3F 3F 3F 3F 00 0", "line 34: record line must hold 16 bytes of two hexadecimal digits"},
      {"CRC=0xE2A2", "CRC=0xE2A", "line 37: [BBT Parameter] fails its CRC"},
      {"[RDT Bad Block]", "[RDT Bad Blocks]", "line 21: [RDT Bad Block] expected"},
      {"Map Bytes=16", "Map Bytes=15", "line 8: the CEs listed do not fit the block map"},
      {"Plane Number=2", "Plane Number=5", "line 7: Plane Number=<value> expected"},
      {"Status=0x84,", "Status=0x94,", "line 9: the listed blocks do not give the map's CRC"},
      {"Status=0x84", "Status=0x84;", "line 14: bad-block entry does not parse"},
      {"[End]\r\n", "[End]\r\nmore\r\n", "line 40: text after the end line"},
      {"[End]\r\n", "", "line 39: [End] missing (file cut short)"},
  };
  for (const auto& garble : cases) {
    std::string text = kSmallFile;
    const std::size_t at = text.find(garble.from);
    ASSERT_NE(at, std::string::npos) << garble.from;
    text.replace(at, std::strlen(garble.from), garble.to);
    std::string problem;
    EXPECT_FALSE(ParseBadBlockFile(text, problem)) << garble.to;
    EXPECT_EQ(problem, garble.reason) << garble.to;
  }
  // A block listed twice.
  std::string twice = kSmallFile;
  twice.replace(twice.find("[Early Bad Block]\r\nCount=2"), 26, "[Early Bad Block]\r\nCount=3");
  twice.insert(twice.find("\r\n\r\n[Later"), "\r\nCE:0,Die:0,Plane:1,Block:1(0x0001),Status=0x80");
  std::string problem;
  EXPECT_FALSE(ParseBadBlockFile(twice, problem));
  EXPECT_EQ(problem, "line 15: block listed twice");
}

// Any single changed byte either reads as a consistent file or is refused; the reader never
// leaves the text or the map it builds.
TEST(BadBlockTextFile, EverySingleByteChangeIsReadSafely) {
  const std::string original = kSmallFile;
  std::size_t accepted = 0;
  for (std::size_t at = 0; at < original.size(); ++at) {
    for (const char replacement : {'0', '9', 'F', ',', '\n', '[', ':', '%', '\0'}) {
      if (original[at] == replacement) continue;
      std::string text = original;
      text[at] = replacement;
      std::string problem;
      const std::optional<BadBlockFileImage> image = ParseBadBlockFile(text, problem);
      if (!image) {
        EXPECT_FALSE(problem.empty());
        continue;
      }
      ++accepted;
      EXPECT_EQ(image->map, SmallImage().map) << "byte " << at;
      EXPECT_EQ(image->rdtInfo, SmallImage().rdtInfo) << "byte " << at;
      EXPECT_EQ(image->bbtParameter, SmallImage().bbtParameter) << "byte " << at;
    }
  }
  // Only changes that say nothing about the table (a kind text) read, and as before.
  EXPECT_GT(accepted, 0u);
}

class BadBlockFileTest : public ScanTest {
 protected:
  void SetUp() override {
    ScanTest::SetUp();
    sim::DriveProfile profile = SmallDrive({{0, 5, 0x80}, {0, 10, 0x04}, {1, 7, 0x02}, {1, 33, 0x01}});
    profile.rdt.state = sim::RdtState::Done;
    Install(profile);
    Set(settings::keys::ScanMaxBadPercent, "50");
    ASSERT_EQ(device->ScanBadBlock(0, 0, nullptr, 0, 0, nullptr, 0), 1) << device->m_ErrorMessage;
    ASSERT_EQ(device->ReadBadBlockTable(parameter.data(), nullptr), 1);
    ASSERT_EQ(device->ReadRDTInfo(rdtInfo.data(), nullptr), 1);
    table = device->m_BBTBuffer;
  }
  // The file's text as saved.
  std::string Saved() const { return station.ReadFile("table.txt"); }

  Record parameter{};
  Record rdtInfo{};
  std::vector<std::uint8_t> table;
};

TEST_F(BadBlockFileTest, AFileWrittenAndReadBackGivesIdenticalBytes) {
  ASSERT_EQ(device->SaveBadBlockFile("table.txt", 2, parameter.data(), rdtInfo.data()), 1) << device->m_ErrorMessage;
  EXPECT_NE(Saved().find("CE:0,Die:0,Plane:0,Block:10(0x000A),Status=0x44,Erase Bad-RDT\r\n"), std::string::npos);
  Record loadedInfo{};
  Record loadedParameter{};
  ASSERT_EQ(device->LoadRDTInfoRaw("table.txt", loadedInfo.data()), 1);
  ASSERT_EQ(device->LoadBBTParameterRaw("table.txt", loadedParameter.data()), 1);
  EXPECT_EQ(loadedInfo, rdtInfo);
  EXPECT_EQ(loadedParameter, parameter);
  // The page's buffer: the table's sectors of 0xFF with the block map zeroed.
  std::vector<std::uint8_t> buffer(512, 0xFF);
  std::fill_n(buffer.begin(), 128, 0);
  Record fileInfo{};
  Record fileParameter{};
  ASSERT_EQ(device->LoadBadBlockFile("table.txt", buffer, fileParameter.data(), fileInfo.data()), 1);
  EXPECT_EQ(buffer, table);
  EXPECT_EQ(fileInfo, rdtInfo);
  EXPECT_EQ(fileParameter, parameter);
  // And written to the drive it is the drive's own table again.
  std::uint16_t written = 0xFFFF;
  ASSERT_EQ(device->WriteBadBlockTable(buffer, fileInfo.data(), fileParameter.data(), &written, 0), 1);
  std::uint16_t recorded = 0;
  ASSERT_EQ(device->ReadRDTInfo(nullptr, &recorded), 1);
  EXPECT_EQ(written, recorded);
}

TEST_F(BadBlockFileTest, TruncatedOrGarbledFilesFailEveryLoaderCleanly) {
  ASSERT_EQ(device->SaveBadBlockFile("table.txt", 2, parameter.data(), rdtInfo.data()), 1);
  const std::string whole = Saved();
  const std::string cut = whole.substr(0, whole.find("[BBT Parameter]") + 20);
  std::string garbled = whole;
  garbled.replace(garbled.find("Block:7(0x0007)"), 15, "Block:8(0x0007)");
  for (const std::string& text : {cut, garbled, std::string()}) {
    station.WriteFile("bad.txt", text);
    Record info;
    info.fill(0xAA);
    Record record;
    record.fill(0xAA);
    std::vector<std::uint8_t> buffer(512, 0x5A);
    EXPECT_EQ(device->LoadRDTInfoRaw("bad.txt", info.data()), 0);
    ExpectFailure("S_xMA", "Load BBT File: bad.txt failed!!!");
    EXPECT_EQ(device->LoadBBTParameterRaw("bad.txt", record.data()), 0);
    EXPECT_EQ(device->m_ErrorTag, "S_xMA");
    EXPECT_EQ(device->LoadBadBlockFile("bad.txt", buffer, record.data(), info.data()), 0);
    EXPECT_EQ(device->m_ErrorTag, "S_xMA");
    Record untouched;
    untouched.fill(0xAA);
    EXPECT_EQ(info, untouched);
    EXPECT_EQ(record, untouched);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(512, 0x5A));
  }
  EXPECT_TRUE(ReportHas("   Bad block file bad.txt: line 32: record line must hold 16 bytes of two hexadecimal digits \r\n"));
  EXPECT_TRUE(ReportHas("   Bad block file bad.txt: line 21: block number and its hexadecimal form differ \r\n"));
  EXPECT_TRUE(ReportHas("   Bad block file bad.txt: line 1: [Bad Block File] missing (file cut short) \r\n"));
  EXPECT_EQ(device->LoadRDTInfoRaw("missing.txt", rdtInfo.data()), 0);
  EXPECT_TRUE(ReportHas("   Bad block file missing.txt: cannot be read \r\n"));
  EXPECT_EQ(device->LoadRDTInfoRaw("", rdtInfo.data()), 0);
}

TEST_F(BadBlockFileTest, AFileWhoseMapDoesNotFitTheBufferIsRefused) {
  ASSERT_EQ(device->SaveBadBlockFile("table.txt", 2, parameter.data(), rdtInfo.data()), 1);
  std::vector<std::uint8_t> buffer(100, 0x5A);
  EXPECT_EQ(device->LoadBadBlockFile("table.txt", buffer, nullptr, nullptr), 0);
  EXPECT_EQ(device->m_ErrorTag, "S_xMA");
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(100, 0x5A));
  EXPECT_TRUE(ReportHas("block map of 128 bytes does not fit the table buffer of 100 bytes"));
}

TEST_F(BadBlockFileTest, SavingNeedsAPathAndATable) {
  EXPECT_EQ(device->SaveBadBlockFile("", 2, parameter.data(), rdtInfo.data()), 0);
  ExpectFailure("A_x08", "Open saving file- Failed");
  device->m_BBTBuffer.clear();
  EXPECT_EQ(device->SaveBadBlockFile("table.txt", 2, parameter.data(), rdtInfo.data()), 0);
  ExpectFailure("A_x08", "Open saving file-table.txt Failed (no bad-block table read)");
  EXPECT_EQ(device->SaveBadBlockFile("table.txt", 2, nullptr, rdtInfo.data()), 0);
  EXPECT_EQ(device->m_ErrorTag, "A_x08");
  EXPECT_EQ(Saved(), "");
}

TEST_F(BadBlockFileTest, ACeCountBelowTheMapsListsTheFirstCesOnly) {
  ASSERT_EQ(device->SaveBadBlockFile("table.txt", 1, parameter.data(), nullptr), 1);
  EXPECT_NE(Saved().find("CE Count=1\r\n"), std::string::npos);
  EXPECT_EQ(Saved().find("CE:1,"), std::string::npos);
  Record info{};
  ASSERT_EQ(device->LoadRDTInfoRaw("table.txt", info.data()), 1);
  EXPECT_EQ(info, Record{});   // no RDT record given: zeros
}

}  // namespace
