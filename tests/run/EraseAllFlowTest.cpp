// The erase flow on the simulated station: each running code brought down to boot code, the
// MP firmware in RAM, the erase, the power reset and the pass ending; absent drives, failing
// steps and their tags; the CE-map setting and bridge mode.
#include "run/RunFixture.h"

namespace runtest {
namespace {

class EraseAllFlow : public RunTest {
 protected:
  // Runs the erase flow of a port as Run would, keeping the task for inspection.
  std::uint8_t RunFlow(int port = 1) {
    task.reset(NewTask(port));
    EXPECT_TRUE(task->MakeDevice(nullptr));
    task->SetSlotStatus(kSlotTesting, "Testing", "");
    return task->RunEraseAllFlow();
  }
  bool ReportHas(const std::string& text, int port = 1) const {
    return Report(port).find(text) != std::string::npos;
  }
  // A failed flow: the tag in the result text and the task, its code in the red cell, no "END".
  void ExpectFailedWith(const std::string& tag) {
    EXPECT_EQ(ResultText(1), tag);
    EXPECT_EQ(task->ErrorTag(), tag);
    EXPECT_EQ(PortStateOf(1), kPortFail);
    EXPECT_EQ(Cell(1).GetWindowText().substr(0, 2), "0x");
    EXPECT_EQ(Cell(1).GetBkColor(), ui::RGB(255, 0, 0));
    EXPECT_EQ(std::string(Cell(1).GetStateText()), "Error");
    EXPECT_FALSE(ReportHas("END        :")) << Report(1);
    EXPECT_EQ(page.resultCodes[0], kPortResultShown);
  }
  std::unique_ptr<TaskProbe> task;
};

TEST_F(EraseAllFlow, ADriveOnBootCodeChecksItsFlashIdIsErasedAndPasses) {
  EXPECT_EQ(RunFlow(), 1);
  EXPECT_TRUE(ReportHas("   Boot mode \r\n")) << Report(1);
  EXPECT_FALSE(ReportHas("ROM mode"));
  EXPECT_FALSE(ReportHas("Drive Letter"));
  EXPECT_TRUE(ReportHas("Erase All Block(Type 9) OK"));
  EXPECT_TRUE(ReportHas("[ Success ] Erase Progress OK, Total take(sec): "));
  EXPECT_TRUE(ReportHas("Result     : PASS"));
  EXPECT_EQ(ResultText(1), "0_00");
  EXPECT_EQ(PortStateOf(1), kPortPass);
  EXPECT_EQ(Cell(1).GetWindowText(), "Pass");
  EXPECT_EQ(Cell(1).GetBkColor(), ui::RGB(0, 255, 0));
  EXPECT_EQ(page.bars[0].GetPos(), 0);
  // Four CEs carry flash on the simulated drive: the scan-all-flash-ID table counts them.
  EXPECT_EQ(task->m_pDevice->m_CECount, 4u);
  EXPECT_EQ(Slot(1).Drive()->Code(), sim::RunningCode::Boot);
}

TEST_F(EraseAllFlow, ADriveOnBurnerCodeIsJumpedToBootCodeWithoutAModeLine) {
  sim::DriveProfile burner;
  burner.startOnBurner = true;
  Install(burner);
  EXPECT_EQ(RunFlow(), 1);
  EXPECT_FALSE(ReportHas("Boot mode"));
  EXPECT_FALSE(ReportHas("ROM mode"));
  EXPECT_EQ(ResultText(1), "0_00");
}

TEST_F(EraseAllFlow, ADriveOnFlashCodeTriesTheVolumeLockAndIsForcedToBootCode) {
  sim::DriveProfile flash;
  flash.flashFirmware = sim::FlashFirmware::Mp;
  Install(flash);
  EXPECT_EQ(RunFlow(), 1);
  // The simulated drive carries no mounted volume.
  EXPECT_TRUE(ReportHas("   Drive Letter are Not Locked. \r\n   ROM mode \r\n")) << Report(1);
  EXPECT_FALSE(ReportHas("Boot mode"));
  EXPECT_EQ(task->m_VolumesLocked, 0);
  EXPECT_EQ(ResultText(1), "0_00");
}

TEST_F(EraseAllFlow, AnEmptySlotWaitsWithoutFailColours) {
  Install(sim::DriveProfile{}, 4, {1});
  page.resultTexts[0].Set("H_F8");
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(ResultText(1), "P_A01");
  EXPECT_EQ(PortStateOf(1), kPortWaiting);
  EXPECT_EQ(Cell(1).GetWindowText(), "");
  EXPECT_EQ(Cell(1).GetBkColor(), ui::RGB(255, 255, 255));
  EXPECT_EQ(page.resultCodes[0], kPortResultPosted);
}

TEST_F(EraseAllFlow, AnEraseThatTimesOutFailsWithTheStepsTag) {
  Fault(1, "Erase By Type", sim::FaultAction::Timeout);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailedWith(task->m_pDevice->m_ErrorTag);
  EXPECT_EQ(ResultText(1).substr(0, 2), "F_");
  EXPECT_EQ(std::string(Cell(1).GetMainText()), CMPDevice::ErrorTagToCode(ResultText(1)));
}

TEST_F(EraseAllFlow, ADrivePulledMidEraseFails) {
  Fault(1, "Erase By Type", sim::FaultAction::Pull);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailedWith(task->m_pDevice->m_ErrorTag);
  EXPECT_FALSE(ResultText(1).empty());
}

TEST_F(EraseAllFlow, AFailedPowerResetReportsItsTagWithIInPlaceOfX) {
  // The IO-state check powers the slot on first; the reset's power-off is the second call.
  Fault(1, "Tester Power", sim::FaultAction::Timeout, 1, 0);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailedWith("T_I06");
  EXPECT_TRUE(ReportHas("Erase All Block(Type 9) OK"));
}

TEST_F(EraseAllFlow, AnUnsupportedControllerFailsWithIV01AndItsOwnFailRecord) {
  sim::DriveProfile other;
  other.icVersion = 0x1234;
  Install(other);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailedWith("I_V01");
  EXPECT_EQ(task->m_pDevice->m_ErrorMessage, "IC ver error!!");
  EXPECT_TRUE(ReportHas("Error Tag  : I_V01\r\n")) << Report(1);
}

TEST_F(EraseAllFlow, AWrongFlashIdOnBootCodeFailsWithIV02) {
  SetKey(".\\paramFDB.ini", "Flash Info", "Flh_ID", "11 22 33 44 55 66 77");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailedWith("I_V02");
  EXPECT_EQ(task->m_pDevice->m_ErrorMessage, "Controller version is not correct!!");
  EXPECT_TRUE(ReportHas("Error Tag  : I_V02\r\n"));
}

TEST_F(EraseAllFlow, TheFlashChipsFoundChooseTheBinTypeOfTheFirmwareLoad) {
  // The sample image is of bin type 1; above two chips the second type applies.
  SetKey(".\\paramFDB.ini", "Flash Info", "Flh_MPBinType", "7312");
  SetKey(".\\paramFDB.ini", "Flash Info", "Flash2ndBinCELimit", "2");
  SetKey(".\\paramFDB.ini", "Flash Info", "Flash2ndMPBinType", "1");
  // The engine's count from before the flow is replaced by what the flash-ID table shows.
  const auto runWithEarlierCount = [this](std::uint32_t earlierCount) {
    task.reset(NewTask(1));
    EXPECT_TRUE(task->MakeDevice(nullptr));
    task->m_pDevice->m_CECount = earlierCount;
    task->SetSlotStatus(kSlotTesting, "Testing", "");
    return task->RunEraseAllFlow();
  };
  sim::DriveProfile threeChips;
  threeChips.geometry.ceMap = 0x7;
  Install(threeChips);
  EXPECT_EQ(runWithEarlierCount(0), 1) << Report(1);
  EXPECT_EQ(ResultText(1), "0_00");

  sim::DriveProfile twoChips;
  twoChips.geometry.ceMap = 0x3;
  Install(twoChips);
  EXPECT_EQ(runWithEarlierCount(5), 0);
  ExpectFailedWith("S_x30");

  // A table of all-zero flash IDs counts no chip.
  sim::DriveProfile noIds = threeChips;
  noIds.startOnBurner = true;
  noIds.geometry.flashId = {};
  Install(noIds);
  EXPECT_EQ(runWithEarlierCount(5), 0);
  ExpectFailedWith("S_x30");
  EXPECT_EQ(task->m_pDevice->m_CECount, 0u);
}

TEST_F(EraseAllFlow, TheCeMapIsSetFromItsHexadecimalTextUnlessSkipped) {
  SetKey(".\\param.ini", "Options", "CHCEMap", " 1F ");
  EXPECT_EQ(RunFlow(), 1);
  EXPECT_TRUE(ReportHas("UI CE Map=1f, Compare=0")) << Report(1);

  SetKey(".\\param.ini", "Options", "SkipCEMapAtEraseAll", "1");
  EXPECT_EQ(RunFlow(2), 1);
  EXPECT_FALSE(ReportHas("UI CE Map", 2));
}

TEST_F(EraseAllFlow, AnEmptyOrZeroCeMapLeavesTheMapAlone) {
  SetKey(".\\param.ini", "Options", "CHCEMap", "0");
  EXPECT_EQ(RunFlow(1), 1);
  EXPECT_FALSE(ReportHas("UI CE Map", 1));
  SetKey(".\\param.ini", "Options", "CHCEMap", "");
  EXPECT_EQ(RunFlow(2), 1);
  EXPECT_FALSE(ReportHas("UI CE Map", 2));
}

TEST_F(EraseAllFlow, TheWholeCeMapIsTestedBeforeItIsCutToSixteenBits) {
  // 0x10000 is not zero: the map is set, with the 16 bits the drive takes.
  SetKey(".\\param.ini", "Options", "CHCEMap", "10000");
  EXPECT_EQ(RunFlow(1), 1);
  EXPECT_TRUE(ReportHas("UI CE Map=0, Compare=0", 1)) << Report(1);
  SetKey(".\\param.ini", "Options", "CHCEMap", "1000F");
  EXPECT_EQ(RunFlow(2), 1);
  EXPECT_TRUE(ReportHas("UI CE Map=f, Compare=0", 2)) << Report(2);
}

TEST_F(EraseAllFlow, BridgeModeSkipsThePresenceCheckAndThePowerReset) {
  g_U2AMode = 1;
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);
  // Every tester power command would fail: none is sent. Without the power reset the drive
  // still runs the code loaded into its RAM when the flow checks for boot code again.
  Fault(1, "Tester Power", sim::FaultAction::Timeout, 0, 0);
  RunFlow();
  EXPECT_TRUE(ReportHas("Erase All Block(Type 9) OK")) << Report(1);
  EXPECT_NE(ResultText(1).substr(0, 2), "T_");
  EXPECT_NE(ResultText(1).substr(0, 2), "P_");
}

}  // namespace
}  // namespace runtest
