// Tester control on the simulated station: card detect, slot power, power resets, device
// readiness, the IO state, DEVSLP, current and the tester's USB page.
#include "EngineFixture.h"
#include "device/DeviceListing.h"

namespace {

using enginetest::EngineTest;
using sim::FaultAction;

TEST_F(EngineTest, DetectCardNamesEachState) {
  EXPECT_EQ(device->DetectCard(2), 1);

  Slot().SetPower(false);
  EXPECT_EQ(device->DetectCard(2), 5);
  Slot().SetPower(true);

  Slot().SetReportedCardState(0x37);
  EXPECT_EQ(device->DetectCard(2), 255);
  ExpectFailure("T_x07", "UnKnown Card Detect State");
  Slot().SetReportedCardState(std::nullopt);

  Slot().Pull();
  EXPECT_EQ(device->DetectCard(2), 4);
}

TEST_F(EngineTest, DetectCardTriesAsOftenAsAskedBeforeItFails) {
  Fault("Card Detect", FaultAction::Timeout, 0, 1);
  EXPECT_EQ(device->DetectCard(2), 1);  // the second try answers

  Fault("Card Detect", FaultAction::Timeout, 0, 2);
  EXPECT_EQ(device->DetectCard(2), 0);
  ExpectFailure("T_x07", "Issue Card Detect command Fail");
  EXPECT_FALSE(HasFailRecord("T_x07"));
}

TEST_F(EngineTest, PowerOffAndOnSwitchTheSlot) {
  EXPECT_EQ(device->PowerOffOnCard(0, 0, 0, 0), 1);
  EXPECT_FALSE(Slot().SlotPowered());
  EXPECT_FALSE(Drive().Powered());
  EXPECT_EQ(device->PowerOffOnCard(1, 0, 0, 0), 1);
  EXPECT_TRUE(Drive().Powered());

  Fault("Tester Power", FaultAction::Timeout);
  EXPECT_EQ(device->PowerOffOnCard(0, 0, 0, 0), 0);
  ExpectFailure("T_x06", "Power off Failed");
  Fault("Tester Power", FaultAction::Timeout);
  EXPECT_EQ(device->PowerOffOnCard(1, 0, 0, 0), 0);
  ExpectFailure("T_x02", "Power on Failed");
}

TEST_F(EngineTest, PowerResetsRestartTheDrive) {
  sim::DriveProfile burner;
  burner.startOnBurner = true;
  Install(burner);
  ASSERT_EQ(Drive().Code(), sim::RunningCode::Burner);
  EXPECT_EQ(device->ResetCardAndTesterPower(1, 0, 0), 1);
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Boot);  // RAM code is lost with the power

  Drive().PowerOff();
  Slot().SetPower(false);
  EXPECT_EQ(device->ResetCardPower(1), 1);
  EXPECT_TRUE(Drive().Powered());
}

TEST_F(EngineTest, PowerResetFailuresWriteTheirRecords) {
  device->WriteReportLine("START", 0);
  Fault("Tester Power", FaultAction::Timeout);
  EXPECT_EQ(device->ResetCardAndTesterPower(1, 0, 0), 0);
  ExpectFailure("T_x06", "Power off Failed");
  EXPECT_TRUE(HasFailRecord("T_x06"));

  Fault("Tester Power", FaultAction::Timeout, 1);
  EXPECT_EQ(device->ResetCardPower(1), 0);
  ExpectFailure("T_x02", "Power on Failed");
  EXPECT_TRUE(HasFailRecord("T_x02"));

  // Power comes back, but the drive never answers its status.
  Fault("Read Device Status", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->ResetCardPower(1), 0);
  ExpectFailure("I_x87", "Issue Read Device Status command Fail.");
  EXPECT_TRUE(HasFailRecord("I_x87"));
}

TEST_F(EngineTest, PollDeviceStatusWaitsOutABusyDrive) {
  device->WriteReportLine("START", 0);
  // Ten polls a second: a limit of 5 seconds lets a drive be busy for 50 polls.
  Drive().StartBackgroundWork(50);
  EXPECT_EQ(device->PollDeviceStatus(5), 1);

  Drive().StartBackgroundWork(51);
  EXPECT_EQ(device->PollDeviceStatus(5), 0);
  ExpectFailure("I_x24", "Wait Device Ready Time Out(5 sec)");
  EXPECT_TRUE(HasFailRecord("I_x24"));

  Fault("Read Device Status", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->PollDeviceStatus(20), 0);
  ExpectFailure("I_x87", "Issue Read Device Status command Fail.");
  EXPECT_TRUE(HasFailRecord("I_x87"));
}

TEST_F(EngineTest, CheckIOStatePowersAndFindsTheDrive) {
  Slot().SetPower(false);
  EXPECT_EQ(device->CheckIOState(1), 1);
  EXPECT_TRUE(Slot().SlotPowered());
  EXPECT_TRUE(Drive().Powered());
}

TEST_F(EngineTest, CheckIOStateBehindABridgeOnlyAsksTheDrive) {
  Slot().SetReportedCardState(4);  // the tester would say "no card"
  Fault("Tester Power", FaultAction::Sense, 0, 0);
  g_U2AMode = 1;
  // The bridge reaches the drive by the device listing.
  auto listing = std::make_unique<ROOT_Device>();
  listing->request = kListRequest;
  ListTvDevice(listing.get());
  EXPECT_EQ(device->CheckIOState(1), 1) << device->m_ErrorMessage;
}

TEST_F(EngineTest, CheckIOStateOnAnEmptySlotIsTheAbsentDrive) {
  Install(sim::DriveProfile{}, 2, {1, 2});
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckIOState(1), 0);
  ExpectFailure("P_A01", "No Device in the slot.");
  EXPECT_TRUE(HasFailRecord("P_A01"));
}

TEST_F(EngineTest, CheckIOStateOfADriveThatDoesNotAnswer) {
  device->WriteReportLine("START", 0);
  Fault("Read Device Status", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->CheckIOState(1), 0);
  ExpectFailure("P_x01", "Device no response.");
  EXPECT_TRUE(HasFailRecord("P_x01"));

  Slot().Faults().Clear();
  Slot().SetReportedCardState(5);
  EXPECT_EQ(device->CheckIOState(1), 0);
  ExpectFailure("P_x01", "Device is not powered.");

  Slot().SetReportedCardState(9);
  EXPECT_EQ(device->CheckIOState(1), 0);
  ExpectFailure("T_x07", "UnKnown Card Detect State");
  EXPECT_TRUE(HasFailRecord("T_x07"));
}

TEST_F(EngineTest, CheckIOStateOfQcComparesTheSerialWithTheBarCode) {
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckIOState(4), 1);  // no bar code scanned: nothing to compare
  EXPECT_EQ(device->m_DriveSerial, "SIMSERIAL1");

  device->m_BarCodeText = "SIMSERIAL1";
  EXPECT_EQ(device->CheckIOState(4), 1);
  device->m_BarCodeText = "OTHERSERIAL";
  EXPECT_EQ(device->CheckIOState(4), 0);
  ExpectFailure("S_x16", "SN not match Bar Code(SIMSERIAL1, OTHERSERIAL)");
  EXPECT_TRUE(HasFailRecord("S_x16"));
  // Kind 1 does not compare.
  EXPECT_EQ(device->CheckIOState(1), 1);
}

TEST_F(EngineTest, CheckDEVSLPSleepsAndWakesTheDrive) {
  EXPECT_EQ(device->CheckDEVSLP(), 1);
  EXPECT_FALSE(Slot().DevSleep());

  device->WriteReportLine("START", 0);
  Fault("Set DEVSLP", FaultAction::Timeout);
  EXPECT_EQ(device->CheckDEVSLP(), 0);
  ExpectFailure("T_x05", "Issue DEVSLP command Fail.");
  Fault("Read Device Status", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->CheckDEVSLP(), 0);
  ExpectFailure("P_x05", "Device not wake up from DEVSLP.");
  EXPECT_TRUE(HasFailRecord("P_x05"));
}

TEST_F(EngineTest, ReadMaxCurrentFromTheTester) {
  double milliamps = 0;
  EXPECT_EQ(device->ReadMaxCurrent(milliamps, 0), 1);
  EXPECT_DOUBLE_EQ(milliamps, sim::kPeakCurrentMa);
  Fault("Read Current", FaultAction::Timeout, 0, 0);
  EXPECT_EQ(device->ReadMaxCurrent(milliamps, 0), 0);
  ExpectFailure("T_x04", "Issue Read Current command Fail.");
}

TEST_F(EngineTest, TesterPageGivesTypeVersionAndExtraValue) {
  simStation = std::make_shared<sim::SimStation>();
  sim::BoardProfile board;
  board.slots = 1;
  board.testerType = 4;
  board.versionMajor = 3;
  board.versionMinor = 0x03;
  board.extraValue = 0x5A;
  simStation->AddBoard(board);
  device::SetTransport(std::make_shared<sim::SimTransport>(simStation));

  EXPECT_EQ(device->GetTesterFWVersion(), 1);
  EXPECT_EQ(device->m_TesterType, 4u);
  EXPECT_EQ(device->m_TesterVersionText, "3.03");
  EXPECT_EQ(device->m_TesterExtraValue, 0);
  EXPECT_EQ(device->ReadTesterInfo(), 1);
  EXPECT_EQ(device->m_TesterExtraValue, 0x5A);

  // Type 4 below 3.03 and type 2 at any version keep no extra value.
  simStation = std::make_shared<sim::SimStation>();
  board.versionMinor = 0x02;
  simStation->AddBoard(board);
  board.testerType = 2;
  board.versionMinor = 0x09;
  simStation->AddBoard(board);
  device::SetTransport(std::make_shared<sim::SimTransport>(simStation));
  EXPECT_EQ(device->ReadTesterInfo(), 1);
  EXPECT_EQ(device->m_TesterVersionText, "3.02");
  EXPECT_EQ(device->m_TesterExtraValue, 0);
  CMPDevice second(2, 1, 2, enginetest::kLogFolder, nullptr, nullptr);
  EXPECT_EQ(second.ReadTesterInfo(), 1);
  EXPECT_EQ(second.m_TesterType, 2u);
  EXPECT_EQ(second.m_TesterVersionText, "3.09");
  EXPECT_EQ(second.m_TesterExtraValue, 0);

  Fault("Read Tester USB Page", FaultAction::Timeout, 0, 0);
  EXPECT_EQ(device->GetTesterFWVersion(), 0);
  ExpectFailure("T_A13", "Read Tester USB Page Fail.");
}

}  // namespace
