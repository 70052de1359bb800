// Erase by type with and without status polling, the CE map in use and the unique IDs.
#include <array>

#include "FirmwareFixture.h"
#include "ui/ProgressCtrl.h"

namespace {

using firmwaretest::FirmwareTest;
using sim::FaultAction;
using testsupport::OnBurner;
using testsupport::SetKey;

class EraseTest : public FirmwareTest {
 protected:
  void SetUp() override {
    FirmwareTest::SetUp();
    platform::SetTickSource([] { return std::uint64_t{1000}; });
    bar.SetRange32(0, 100);
    bar.SetPos(10);
  }
  void TearDown() override {
    platform::SetTickSource({});
    FirmwareTest::TearDown();
  }
  ui::CProgressCtrl bar;
};

TEST_F(EraseTest, EraseAllTakesFirmwareAndUserDataAndMovesTheBar) {
  Use(OnBurner());
  ASSERT_EQ(device->ProgramFlashFirmware(0, 1), 1);
  Drive().ForceToBoot();
  ASSERT_EQ(device->LoadPRAMCode(0, ""), 1);
  ASSERT_EQ(device->DoEraseAllBlock(9, 1, &bar, 70, 0), 1) << device->m_ErrorMessage;
  EXPECT_EQ(Drive().FlashHolds(), sim::FlashFirmware::None);
  EXPECT_EQ(bar.GetPos(), 80);
  EXPECT_TRUE(ReportHas("[ Success ] Erase All Block(Type 9) OK, Total take 0.000 sec. \r\n"));
}

TEST_F(EraseTest, PollingFollowsTheDrivesProgress) {
  Use(OnBurner());
  ASSERT_EQ(device->DoEraseAllBlock(5, 1, &bar, 40, 1), 1) << device->m_ErrorMessage;
  EXPECT_EQ(bar.GetPos(), 50);
  EXPECT_TRUE(ReportHas("Erase All Block(Type 5) OK"));
}

TEST_F(EraseTest, WithoutAProgressBar) {
  Use(OnBurner());
  EXPECT_EQ(device->DoEraseAllBlock(9, 1, nullptr, 70, 1), 1) << device->m_ErrorMessage;
}

TEST_F(EraseTest, EraseFailures) {
  EXPECT_EQ(device->DoEraseAllBlock(9, 1, &bar, 70, 0), 0);  // boot code does not erase
  ExpectFailure("F_E03", "Issue Erase All Block command Fail.(Type 9)");
  EXPECT_TRUE(HasFailRecord("F_E03"));
  EXPECT_EQ(bar.GetPos(), 10);

  Use(OnBurner());
  Fault("Read Device Status", FaultAction::Sense, 1, 0);
  EXPECT_EQ(device->DoEraseAllBlock(9, 1, &bar, 70, 1), 0);
  ExpectFailure("F_E04", "Polling Erase All Block status Fail.");
  EXPECT_TRUE(HasFailRecord("F_E04"));
}

using CeMapTest = FirmwareTest;

TEST_F(CeMapTest, WithoutCompareTheGivenMapIsSetAndSent) {
  Use(OnBurner());
  device->m_CEMap = 0x00FF;
  device->m_CECount = 8;
  ASSERT_EQ(device->SetCEMap(0x001F, 0), 1);
  EXPECT_EQ(device->m_CEMap, 0x001F);
  EXPECT_EQ(device->m_CECount, 5u);
  EXPECT_EQ(Drive().CeMapInUse(), 0x001F);
  EXPECT_TRUE(ReportHas("   Original CE Map=ff, UI CE Map=1f, Compare=0 \r\n   Set CE Map=1f \r\n"));
}

TEST_F(CeMapTest, CompareReconcilesAndSendsOnlyWithDynamicCe) {
  Use(OnBurner());
  struct Case {
    std::uint16_t engineMap, given, result;
  };
  for (const Case c : {Case{0x000F, 0x0000, 0x000F}, Case{0x0000, 0x0033, 0x0033}, Case{0x00F0, 0x0033, 0x0030}}) {
    device->m_CEMap = c.engineMap;
    ASSERT_EQ(device->SetCEMap(c.given, 1), 1);
    EXPECT_EQ(device->m_CEMap, c.result);
    EXPECT_EQ(Drive().CeMapInUse(), 0);  // the drive keeps its own map
  }
  EXPECT_EQ(device->m_CECount, 2u);
  EXPECT_TRUE(ReportHas("   Original CE Map=f0, UI CE Map=33, Compare=1 \r\n   Set CE Map=30 \r\n"));

  SetKey(".\\paramFDB.ini", "RDT", "RDT_DynamicCE_En", "1");
  device->m_CEMap = 0x000F;
  ASSERT_EQ(device->SetCEMap(0x0003, 1), 1);
  EXPECT_EQ(Drive().CeMapInUse(), 0x0003);
  SetKey(".\\paramFDB.ini", "RDT", "RDT_DynamicCE_En", "0");
  SetKey(".\\paramFDB.ini", "Options", "AutoCapacity_DynamicCE_En", "1");
  ASSERT_EQ(device->SetCEMap(0x0001, 1), 1);
  EXPECT_EQ(Drive().CeMapInUse(), 0x0001);
}

TEST_F(CeMapTest, ZeroMapKeepsTheCeCountAndCommandFailureIsNotRecorded) {
  Use(OnBurner());
  device->m_CECount = 4;
  ASSERT_EQ(device->SetCEMap(0, 0), 1);
  EXPECT_EQ(device->m_CECount, 4u);
  Fault("Set CE Map", FaultAction::Sense);
  EXPECT_EQ(device->SetCEMap(0x0003, 0), 0);
  ExpectFailure("F_x51", "Issue Set CE Map command Fail.");
  EXPECT_FALSE(HasFailRecord("F_x51"));
}

using UniqueIdTest = FirmwareTest;

TEST_F(UniqueIdTest, EveryCeWithAFlashIdGivesItsUniqueId) {
  sim::DriveProfile profile;
  profile.serialNumber = "UIDSERIAL0123456";
  profile.geometry.ceMap = 0x0005;
  Use(profile);
  ASSERT_EQ(device->ReadAllUniqueID(), 1) << device->m_ErrorMessage;
  ASSERT_EQ(device->m_UniqueIds.size(), 64u * CMPDevice::kUniqueIdBytes);
  // The simulated ID: the CE number, then the drive's serial characters.
  EXPECT_TRUE(ReportHas("   CE0 UID: 0055494453455249414C303132333435 \r\n"));
  EXPECT_TRUE(ReportHas("   CE2 UID: 0255494453455249414C303132333435 \r\n"));
  EXPECT_FALSE(ReportHas("CE1 UID"));
  EXPECT_EQ(device->m_UniqueIds[2 * CMPDevice::kUniqueIdBytes], 2);
  EXPECT_EQ(device->m_UniqueIds[2 * CMPDevice::kUniqueIdBytes + 1], 'U');
  EXPECT_EQ(device->m_UniqueIds[1 * CMPDevice::kUniqueIdBytes + 1], 0);
}

TEST_F(UniqueIdTest, Failures) {
  Fault("Scan All Flash ID", FaultAction::Sense);
  EXPECT_EQ(device->ReadAllUniqueID(), 0);
  ExpectFailure("I_x11", "Issue Scan All Flash ID command Fail.");
  Fault("Read Unique ID", FaultAction::Sense);
  EXPECT_EQ(device->ReadAllUniqueID(), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x52");
  EXPECT_EQ(device->m_ErrorMessage.rfind("Issue Read Unique ID command Fail.(CE ", 0), 0u);
  EXPECT_FALSE(HasFailRecord("F_x52"));
}

}  // namespace
