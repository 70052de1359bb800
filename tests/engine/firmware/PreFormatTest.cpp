// The preformat: the bytes of its data and its effect on the simulated drive.
#include <array>
#include <cstring>

#include "FirmwareFixture.h"
#include "engine/firmware/PreformatData.h"
#include "platform/StationSettings.h"
#include "ui/ProgressCtrl.h"

namespace {

namespace fw = engine::firmware;
using firmwaretest::Bytes;
using firmwaretest::FirmwareTest;
using sim::FaultAction;
using testsupport::OnBurner;
using testsupport::SetKey;

using Block = std::array<std::uint8_t, 512>;

class PreFormatTest : public FirmwareTest {
 protected:
  void SetUp() override {
    FirmwareTest::SetUp();
    platform::SetTickSource([] { return std::uint64_t{5000}; });
    bar.SetRange32(0, 100);
    Use(OnBurner());
  }
  void TearDown() override {
    platform::SetTickSource({});
    FirmwareTest::TearDown();
  }
  // An RDT information record the station wrote to the drive earlier.
  void WriteRdtInfo() {
    std::array<std::uint8_t, 512> sector{};
    std::memcpy(sector.data(), "TVRT", 4);
    sector[0x13] = 0x0F;
    ASSERT_EQ(Drive().WriteRdtInfo(sector), sim::DriveStatus::Ok);
  }
  ui::CProgressCtrl bar;
};

TEST_F(PreFormatTest, DataCarriesSmartArrayRdtParametersAndInfoBlock) {
  SetKey(".\\param.ini", "Options", "DisableSmartC2", "1");
  SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "SmartC4ReInit", "1");
  SetKey(".\\paramFDB.ini", "RDT", "Enable_Set_Cycle", "1");
  SetKey(".\\paramFDB.ini", "RDT", "Cycle", "7");
  SetKey(".\\paramFDB.ini", "RDT", "ECC_threshold", "40");
  SetKey(".\\paramFDB.ini", "RDT", "SLC_ECC_threshold", "30");
  SetKey(".\\paramFDB.ini", "RDT", "RDT_MaxProgBadBlkCount", "300");
  SetKey(".\\paramFDB.ini", "RDT", "RDT_DynamicCE_En", "1");
  SetKey(".\\param.ini", "Options", "Temperature_Max", "85");
  Block block{};
  block[0] = 'T';
  block[511] = 0x77;
  const fw::PreformatRdtSettings settings = fw::ReadPreformatRdtSettings(3, 5);
  ASSERT_TRUE(settings.parameters) << settings.problem;
  const Bytes data = fw::BuildPreformatParameters(1, 0x09, 0x00F3, *settings.parameters, block);
  ASSERT_EQ(data.size(), 3u * 512);
  const Bytes head(data.begin(), data.begin() + 0x28);
  EXPECT_EQ(head, (Bytes{'P', 'F', 'M', 'T', 1, 0x09, 0xF3, 0x00, 6, 0, 0, 0, 0, 0, 0, 0,
                         0x01, 1, 0, 0, 0xC2, 0, 0, 0, 0xC3, 1, 0, 0, 0xC4, 1, 1, 0, 0xC5, 1, 0, 0,
                         0xC7, 1, 0, 0}));
  const Bytes rdt(data.begin() + 512, data.begin() + 512 + 0x12);
  // TLC loops set by the file, SLC loops the drive's own; ratios of the template (3, 1, 1, 1).
  EXPECT_EQ(rdt, (Bytes{7, 5, 40, 30, 3, 1, 1, 1, 0, 0, 0x2C, 0x01, 0, 0, 1, 0, 0, 85}));
  EXPECT_EQ(Bytes(data.begin() + 1024, data.end()), Bytes(block.begin(), block.end()));
}

TEST_F(PreFormatTest, MpPreformatStoresTheBuiltBlockAndTheCeMap) {
  WriteRdtInfo();
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  ASSERT_EQ(device->ModifyInfoBlock(0, 0, nullptr, 1), 1);
  Block other{};  // the preformat itself carries the block to the drive
  ASSERT_EQ(Drive().WriteInfoBlock(0, other), sim::DriveStatus::Ok);
  bar.SetPos(45);
  ASSERT_EQ(device->PreFormat(1, &bar, 10, 0, 1, 0x0003), 1) << device->m_ErrorMessage;
  const Block stored = DriveInfoBlock();
  EXPECT_EQ(Bytes(stored.begin(), stored.end()), device->m_InfoBlockImage);
  EXPECT_EQ(Drive().CeMapInUse(), 0x0003);
  EXPECT_FALSE(Drive().RdtInfo().has_value());  // not kept
  EXPECT_EQ(bar.GetPos(), 55);
  EXPECT_TRUE(ReportHas("[ Success ] PreFormat OK, Total take 0.000 sec. \r\n"));
}

TEST_F(PreFormatTest, RdtPretestBuildsTheBlockAndKeepsTheRdtInformation) {
  WriteRdtInfo();
  device->m_CEMap = 0x000C;
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  ASSERT_EQ(device->PreFormat(0, nullptr, 5, 1, 0, 0), 1) << device->m_ErrorMessage;
  const Block block = DriveInfoBlock();
  EXPECT_EQ(std::string(block.begin(), block.begin() + 6), "Tervid");
  EXPECT_EQ(block[0x13], '0');  // "00000000" word-swapped
  EXPECT_EQ(Drive().CeMapInUse(), 0x000C);
  ASSERT_TRUE(Drive().RdtInfo().has_value());
  EXPECT_EQ(Drive().RdtInfo()->ceBitMap.Get(), 0x000F);
}

// The limits the drive's own test judges it against are read strictly: a ratio, count or
// threshold that is no whole number in its field's range fails the preformat for its
// settings, naming the file and the key, and nothing is sent to the drive.
TEST_F(PreFormatTest, AnRdtLimitThatIsNoNumberInItsRangeFailsBeforeTheDriveIsPreformatted) {
  const struct {
    const settings::Key* key;
    const char* value;
    std::string problem;
  } cases[] = {
      {&settings::keys::RdtPlaneMaxBadBlkRatioTV, "three",
       "RDT_Plane_MaxBadBlkRatio_TV of [RDT] in .\\paramFDB.ini is \"three\": expected a whole number from 0 to 100"},
      {&settings::keys::RdtMaxEraseBadBlkCount, "70000",
       "RDT_MaxEraseBadBlkCount of [RDT] in .\\paramFDB.ini is \"70000\": expected a whole number from 0 to 65535"},
      {&settings::keys::EccThreshold, "4O",
       "ECC_threshold of [RDT] in .\\paramFDB.ini is \"4O\": expected a whole number from 0 to 255"},
      {&settings::keys::TemperatureMax, "hot",
       "Temperature_Max of [Options] in .\\param.ini is \"hot\": expected a whole number from 0 to 255"},
  };
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.key->name);
    Use(OnBurner());
    const std::string before = settings::ReadText(*bad.key);
    ASSERT_TRUE(settings::WriteText(*bad.key, bad.value));
    ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
    EXPECT_EQ(device->PreFormat(0, &bar, 5, 1, 0, 0x000C), 0);
    ExpectFailure("S_x43", bad.problem);
    EXPECT_TRUE(HasFailRecord("S_x43"));
    EXPECT_NE(Drive().CeMapInUse(), 0x000C);  // the drive was not preformatted
    ASSERT_TRUE(settings::WriteText(*bad.key, before));
  }
}

TEST_F(PreFormatTest, Failures) {
  Use(sim::DriveProfile{});  // boot code cannot preformat
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  EXPECT_EQ(device->PreFormat(0, &bar, 5, 0, 0, 0), 0);
  ExpectFailure("F_x60", "Issue PreFormat command Fail.");
  EXPECT_TRUE(HasFailRecord("F_x60"));

  Use(OnBurner());
  EXPECT_EQ(device->PreFormat(0, &bar, 5, 0, 0, 0), 0);  // no serial number, blank drive
  ExpectFailure("S_x40", "No Serial Number for Info Block.");

  Use(OnBurner());
  ASSERT_EQ(device->ModifyInfoBlock(1, 0, nullptr, 0), 1);
  Fault("Read Device Status", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->PreFormat(0, &bar, 5, 0, 1, 0), 0);
  ExpectFailure("F_x61", "Polling PreFormat status Fail.");
  EXPECT_TRUE(HasFailRecord("F_x61"));
}

}  // namespace
