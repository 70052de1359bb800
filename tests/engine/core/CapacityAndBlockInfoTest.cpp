// The capacity the settings give, the automatic capacity's bad-block percentage and the
// check of the slot's block-information file.
#include <cstring>

#include "EngineFixture.h"

namespace {

using enginetest::EngineTest;

void WriteSettings(const testsupport::ScratchStation& station, const std::string& tool, const std::string& fdb) {
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\n" + tool);
  station.WriteFile("paramFDB.ini", fdb);
  platform::FlushProfileCache();
}

TEST_F(EngineTest, GetCapacityTakesTheFirstSettingThatGivesOne) {
  WriteSettings(station, "Capacity=240\r\n", "[Flash Info]\r\nFlh_Capacity=256\r\n");
  EXPECT_EQ(device->GetCapacity(), 240u);
  WriteSettings(station, "Capacity=default\r\n", "[Flash Info]\r\nFlh_Capacity=256\r\n");
  EXPECT_EQ(device->GetCapacity(), 256u);
  WriteSettings(station, "",
                "[Flash Info]\r\nFlh_SingleCE_Capacity=64\r\n[Options]\r\nAutoCapacity_Enable=1\r\n"
                "AutoCapacity_SizeArray=120, 240 480\r\n");
  EXPECT_EQ(device->GetCapacity(), 480u);
  // The single-CE capacity is in MB: 4 CEs of 65536 MB make 256 GB.
  WriteSettings(station, "", "[Flash Info]\r\nFlh_SingleCE_Capacity=65536\r\n");
  device->m_CECount = 4;
  EXPECT_EQ(device->GetCapacity(), 256u);
  WriteSettings(station, "", "");
  EXPECT_EQ(device->GetCapacity(), 0u);
}

TEST_F(EngineTest, SelectAutoCapacityReadsTheListsOfTheCeCount) {
  WriteSettings(station, "",
                "[Options]\r\nAutoCapacity_SizeArray=120 240,480\r\nAutoCapacity_MaxBadPercent_4CE=3,5 8\r\n"
                "AutoCapacity_MaxBadPercent_2CE=9 9 9\r\n");
  // The table as a limit reads it for the drive's CE count.
  const auto select = [this](std::uint32_t capacityGb) {
    return device->SelectAutoCapacity(*engine::ReadBadPercentSettings(device->m_CECount, true).table, capacityGb);
  };
  device->m_CECount = 4;
  device->WriteReportLine("START", 0);
  EXPECT_EQ(select(240), 5u);
  EXPECT_TRUE(ReportHas("   Select AutoCapacity_MaxBadPercent_4CE \r\n"));
  EXPECT_EQ(select(480), 8u);
  EXPECT_EQ(select(256), 0u);
  device->m_CECount = 2;
  EXPECT_EQ(select(120), 9u);
  device->m_CECount = 17;
  EXPECT_EQ(select(120), 0u);
  device->m_CECount = 0;
  EXPECT_EQ(select(120), 0u);
  // A percentage list shorter than the size list gives nothing for the sizes it lacks.
  WriteSettings(station, "", "[Options]\r\nAutoCapacity_SizeArray=120 240\r\nAutoCapacity_MaxBadPercent_1CE=4\r\n");
  device->m_CECount = 1;
  EXPECT_EQ(select(120), 4u);
  EXPECT_EQ(select(240), 0u);
}

class BlockInfoFileTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    device->m_BlocksPerCE = 1000;  // limit 1000 x 50 / 100 / 1 die / 2 planes = 250
    device->m_DiesPerCE = 1;
    device->m_Planes = 2;
    device->WriteReportLine("START", 0);
  }
  static std::unique_ptr<BlockInfoRecord> Record(const char* tag) {
    auto record = std::make_unique<BlockInfoRecord>();
    record->Clear();
    record->SetTag(tag);
    return record;
  }
  void WriteRecords(const std::vector<const BlockInfoRecord*>& records, std::size_t tail = 0) {
    std::string bytes;
    for (const BlockInfoRecord* record : records) {
      bytes.append(reinterpret_cast<const char*>(record), sizeof(*record));
    }
    bytes.append(tail, '\0');
    station.WriteFile("Configuration/Temp/#1.bin", bytes);
  }
};

TEST_F(BlockInfoFileTest, TheFirstRdtRecordIsCheckedAndScanRecordsAreIgnored) {
  auto scan = Record("SCA1");
  scan->later[0][0][0][kLaterTotal] = 900;  // over the limit, but not an RDT record
  auto rdt = Record("RDT");
  rdt->rdtCeMap = 0x0003;
  rdt->early[1][0][1] = 100;
  rdt->later[1][0][1][kLaterTotal] = 150;  // 250 in all: at the limit
  auto secondRdt = Record("RDT");
  secondRdt->later[0][0][0][kLaterTotal] = 900;
  WriteRecords({scan.get(), rdt.get(), secondRdt.get()});
  EXPECT_EQ(device->LoadBlockInfoFile(), 1) << device->m_ErrorMessage;
}

TEST_F(BlockInfoFileTest, ACeOverTheLimitFails) {
  auto rdt = Record("RDT");
  rdt->later[9][1][1][kLaterTotal] = 251;                    // CE 9 sits on channel slot 1
  rdt->early[3][0][0] = 200;
  rdt->later[3][0][0][kLaterTotal] = 51;                     // early + later over the limit
  rdt->later[2][1][0][kLaterTotal] = 900;                    // CE 2 on channel 1: not its slot
  WriteRecords({rdt.get()});
  EXPECT_EQ(device->LoadBlockInfoFile(), 0);
  ExpectFailure("F_x31", "Block Info CE(3,9) Bad Block over limit(250)");
  EXPECT_TRUE(HasFailRecord("F_x31"));
}

TEST_F(BlockInfoFileTest, OnlyTheCesTheRdtTestedAreChecked) {
  auto rdt = Record("RDT");
  rdt->rdtCeMap = 0x0001;
  rdt->later[1][0][0][kLaterTotal] = 900;  // CE 1 was not tested
  WriteRecords({rdt.get()});
  EXPECT_EQ(device->LoadBlockInfoFile(), 1);
  rdt->rdtCeMap = 0x0002;
  WriteRecords({rdt.get()});
  EXPECT_EQ(device->LoadBlockInfoFile(), 0);
  ExpectFailure("F_x31", "Block Info CE(1) Bad Block over limit(250)");
}

TEST_F(BlockInfoFileTest, MissingFileNoRdtRecordAndAShortTail) {
  EXPECT_EQ(device->LoadBlockInfoFile(), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x32");
  EXPECT_EQ(device->m_ErrorMessage, "Load Block Info file fail(S:\\Configuration\\Temp\\#1.bin)");

  auto scan = Record("SCA2");
  WriteRecords({scan.get()});
  EXPECT_EQ(device->LoadBlockInfoFile(), 0);
  ExpectFailure("F_x32", "No RDT record in Block Info file(S:\\Configuration\\Temp\\#1.bin)");

  // An RDT record cut short is no record.
  std::string bytes(reinterpret_cast<const char*>(scan.get()), sizeof(BlockInfoRecord));
  bytes += "RDT";
  bytes.append(100, '\0');
  station.WriteFile("Configuration/Temp/#1.bin", bytes);
  EXPECT_EQ(device->LoadBlockInfoFile(), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x32");
}

TEST(BlockInfoRecordLayout, ThreeAppendedRecordsSitAtTheirOffsets) {
  static_assert(sizeof(BlockInfoRecord) * 3 == 688176);
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  record->SetTag("RDT");
  EXPECT_EQ(record->Tag(), "RDT");
  EXPECT_EQ(record->tag[3], '\0');
  record->perPlaneLimit = 0x11223344;
  record->later[2][1][3][kLaterProgram] = 0xA1B2C3D4;
  record->rdtCeMap = 0x8001;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(record.get());
  EXPECT_EQ(bytes[4], 0x44);
  EXPECT_EQ(bytes[7], 0x11);
  const std::size_t later = 0x400C + 2 * 0xD00 + 1 * 0xD0 + 3 * 0x34 + 2 * 4;
  EXPECT_EQ(bytes[later], 0xD4);
  EXPECT_EQ(bytes[later + 3], 0xA1);
  EXPECT_EQ(bytes[0x3800C], 0x01);
  EXPECT_EQ(bytes[0x3800D], 0x80);
}

}  // namespace
