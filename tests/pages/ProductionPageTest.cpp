// The production page, headless: its layout and captions, the parameter file it copies, the
// scan and the port cells, Start and the end of a pass, passes that repeat or stop, the disk
// watch and the guards while a pass runs.
#include <gtest/gtest.h>

#include "ProductionPageFixture.h"
#include "UntraceableMountTransport.h"
#include "support/ForwardingTransport.h"
#include "pages/common/DiskSelectClaim.h"
#include "pages/common/PageGlobals.h"
#include "pages/production/ProductionPageLayout.h"
#include "platform/Clock.h"
#include "platform/Files.h"

namespace {

namespace ids = production_ids;

class ProductionPageTest : public pagestest::ProductionPageFixture {
 protected:
  // Presses Start and pumps until every pass of the run has ended.
  void RunToTheEnd() {
    page.StartButton().Click();
    ASSERT_TRUE(page.IsRunning());
    ASSERT_TRUE(test.PumpUntil([&] { return !page.IsRunning(); }));
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& request : test.host.MessageBoxes()) texts.push_back(request.text);
    return texts;
  }
};

TEST_F(ProductionPageTest, TwentyFourPortGroupsInAGridOfSixAcross) {
  Open();
  EXPECT_EQ(page.GetTitle(), "Production");
  for (int port = 1; port <= 24; ++port) {
    EXPECT_EQ(page.GetDlgItem(ids::PortCell(port)), &page.PortCell(port));
    EXPECT_EQ(page.GetDlgItem(ids::PortProgress(port)), &page.PortProgress(port));
    EXPECT_EQ(page.PortCheck(port).GetWindowText(), "Port " + std::to_string(port));
  }
  // Port 7 starts the second row under port 1; port 2 sits right of port 1.
  const ui::CRect first = page.PortCell(1).GetWindowRect();
  EXPECT_EQ(page.PortCell(7).GetWindowRect().left, first.left);
  EXPECT_GT(page.PortCell(7).GetWindowRect().top, first.bottom);
  EXPECT_EQ(page.PortCell(2).GetWindowRect().top, first.top);
  EXPECT_GT(page.PortCell(2).GetWindowRect().left, first.right);
  EXPECT_EQ(page.ScanButton().GetWindowText(), "Scan");
  EXPECT_EQ(page.StartButton().GetWindowText(), "Start");
}

TEST_F(ProductionPageTest, CaptionsComeFromTheCaptionFile) {
  test.station.WriteFile("Configuration/System/ENG.ini",
                         "[Production Page]\r\nScan=Find\r\nStart=Go\r\nPort=Slot\r\nTime=Elapsed :\r\n");
  platform::FlushProfileCache();
  Open();
  EXPECT_EQ(page.ScanButton().GetWindowText(), "Find");
  EXPECT_EQ(page.StartButton().GetWindowText(), "Go");
  EXPECT_EQ(page.PortCheck(12).GetWindowText(), "Slot 12");
  EXPECT_EQ(page.GetDlgItemText(ids::kElapsedLabel), "Elapsed :");
}

TEST_F(ProductionPageTest, OpeningCopiesTheChosenParameterFileAndMapsEveryTesterPort) {
  test.station.WriteFile("paramFDB.ini", "stale");
  test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "MappingType", "1");
  Open();
  EXPECT_EQ(test.station.ReadFile("paramFDB.ini"), test.station.ReadFile("Configuration/Param/TV3160_Sample.ini"));
  EXPECT_EQ(page.ParameterList().GetCount(), 1);
  EXPECT_EQ(page.ParameterList().GetLBText(page.ParameterList().GetCurSel()), "TV3160_Sample.ini");
  EXPECT_EQ(g_MappingType.load(), 1);
  for (int port = 1; port <= 24; ++port) {
    EXPECT_EQ(page.DriveOfPort(port), port);
    EXPECT_EQ(page.PortCell(port).GetWindowText(), " " + std::to_string(port) + " ");
    EXPECT_EQ(page.PortCell(port).GetBkColor(), ui::RGB(0, 0, 0));
    EXPECT_EQ(page.PortCell(port).GetTextColor(), ui::RGB(255, 0, 0));
    EXPECT_TRUE(page.PortCheck(port).IsWindowEnabled());
    EXPECT_EQ(page.PortCheck(port).GetCheck(), ui::BST_CHECKED);
  }
  EXPECT_EQ(page.GetDlgItemText(ids::kScanStatus), "24 port(s) mapped to drives (tester boards)");
  EXPECT_EQ(page.GetDlgItemText(ids::kRunOptions),
            "Station: EraseAll   Kind: 1   Passes: 1   Mapping: by hub   Tester");
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(ProductionPageTest, ChoosingAParameterFileWritesTheChoiceAndCopiesIt) {
  test.station.WriteFile("Configuration/Param/Other.ini", "[Flash Info]\r\nFlh_Number=2\r\n");
  Open();
  ASSERT_EQ(page.ParameterList().GetCount(), 2);
  page.ParameterList().UserSelect(page.ParameterList().FindStringExact(-1, "Other.ini"));
  EXPECT_EQ(test.station.ReadFile("paramFDB.ini"), "[Flash Info]\r\nFlh_Number=2\r\n");
  EXPECT_EQ(platform::ReadProfileString(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "IniFilePath", ""),
            ".\\Configuration\\Param\\Other.ini");
}

TEST_F(ProductionPageTest, WithoutTestersTheOperatorIsToldAndStartPostsNothing) {
  device::SetTransport(nullptr);
  Open();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Detect SATA Testers failed !!!"});
  for (int port = 1; port <= 24; ++port) {
    EXPECT_EQ(page.DriveOfPort(port), 0);
    EXPECT_EQ(page.PortCell(port).GetWindowText(), "");
    EXPECT_FALSE(page.PortCheck(port).IsWindowEnabled());
  }
  EXPECT_FALSE(page.StartRun());
  EXPECT_FALSE(page.IsRunning());
  EXPECT_EQ(MessageTexts().back(), "No port is mapped and selected: press Scan and select the ports to test.");
  EXPECT_TRUE(page.StartButton().IsWindowEnabled());
}

// A mount that cannot be traced keeps every disk out of the listing: each Scan says why, in
// tester and in bridge mode, and a Scan that lists the disks again says nothing.
TEST_F(ProductionPageTest, ScanNamesTheMountThatKeepsEveryDiskOutOfTheListing) {
  const auto toldWhy = [](const std::string& text) {
    return text.find(pagestest::kUntraceableMount) != std::string::npos;
  };
  device::SetTransport(std::make_shared<pagestest::UntraceableMountTransport>());
  Open();
  ASSERT_EQ(MessageTexts().size(), 2u);
  EXPECT_EQ(MessageTexts()[0], "Detect SATA Testers failed !!!");
  EXPECT_TRUE(toldWhy(MessageTexts()[1])) << MessageTexts()[1];

  g_U2AMode.store(1);
  page.ScanButton().Click();
  ASSERT_EQ(MessageTexts().size(), 3u);
  EXPECT_TRUE(toldWhy(MessageTexts()[2])) << MessageTexts()[2];
  for (int port = 1; port <= 24; ++port) EXPECT_EQ(page.DriveOfPort(port), 0) << port;

  device::SetTransport(std::make_shared<sim::SimTransport>(test.sim.Shared()));
  page.ScanButton().Click();
  EXPECT_EQ(MessageTexts().size(), 3u);
  EXPECT_EQ(page.DriveOfPort(1), 1);
}

// The simulated station, with disks that the machine's md array holds beside its drives.
class HeldDisksTransport : public testsupport::ForwardingTransport {
 public:
  using ForwardingTransport::ForwardingTransport;
  std::vector<device::HeldDisk> HeldDisks() override { return held; }
  std::vector<device::HeldDisk> held{{device::HeldDisk::Kind::ByDevice, "sdy is held by md127"},
                                     {device::HeldDisk::Kind::ByDevice, "sdz is held by md127"}};
};

// Scan lists the drives and names beside them the disks that it left out because something
// holds them, with how to release one; the notice comes again only when they change.
TEST_F(ProductionPageTest, ScanNamesTheDisksThatADeviceOfTheMachineHolds) {
  const auto transport = std::make_shared<HeldDisksTransport>(std::make_shared<sim::SimTransport>(test.sim.Shared()));
  device::SetTransport(transport);
  Open();
  EXPECT_EQ(page.DriveOfPort(1), 1);
  EXPECT_NE(page.ScanStatusText().find("not listed: sdy is held by md127; sdz is held by md127"), std::string::npos)
      << page.ScanStatusText();
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0],
            "Scan does not list the disks that a device of this machine holds: sdy is held by md127; sdz is held by "
            "md127. To test one, release it first (mdadm --stop for an md array, vgchange -an for LVM volumes).");
  page.ScanButton().Click();
  EXPECT_EQ(MessageTexts().size(), 1u);
  transport->held = {{device::HeldDisk::Kind::ByDevice, "sdy is held by md127"}};
  page.ScanButton().Click();
  ASSERT_EQ(MessageTexts().size(), 2u);
  EXPECT_NE(MessageTexts()[1].find(": sdy is held by md127. "), std::string::npos) << MessageTexts()[1];
}

TEST_F(ProductionPageTest, APassRunsTheSelectedPortsOnlyAndEndsWithItsLogs) {
  Open();
  for (int port = 3; port <= 24; ++port) page.PortCheck(port).Click();
  test.station.WriteFile("Configuration/Temp/#9.bin", "left from an earlier run");
  page.StartButton().Click();
  ASSERT_TRUE(page.IsRunning());
  EXPECT_FALSE(page.StartButton().IsWindowEnabled());
  EXPECT_FALSE(page.ScanButton().IsWindowEnabled());
  EXPECT_FALSE(page.ParameterList().IsWindowEnabled());
  EXPECT_FALSE(page.PortCheck(1).IsWindowEnabled());
  EXPECT_FALSE(platform::FileExists("Configuration\\Temp\\#9.bin"));
  EXPECT_FALSE(g_WorkOrderFilePath.Empty());
  // Closing the sheet is refused while the pass runs.
  EXPECT_FALSE(page.OnQueryCancel());
  ASSERT_TRUE(test.PumpUntil([&] { return !page.IsRunning(); }));

  EXPECT_TRUE(page.StartButton().IsWindowEnabled());
  EXPECT_TRUE(page.ScanButton().IsWindowEnabled());
  EXPECT_TRUE(page.OnQueryCancel());
  EXPECT_EQ(page.PassesStarted(), 1);
  for (int port = 1; port <= 2; ++port) {
    EXPECT_EQ(page.ResultTextOfPort(port), "0_00") << port;
    EXPECT_EQ(PortStateOf(port), kPortPass);
    EXPECT_EQ(page.PortCell(port).GetWindowText(), "Pass");
  }
  for (int port = 3; port <= 24; ++port) {
    EXPECT_EQ(page.ResultTextOfPort(port), "") << port;
    EXPECT_EQ(PortStateOf(port), kPortIdle);
    EXPECT_EQ(page.PortCell(port).GetWindowText(), " " + std::to_string(port) + " ");
  }
  EXPECT_NE(page.ElapsedText().find(':'), std::string::npos);
  const std::string summary = test.ReadStationFile(page.LogFolder(), "_Summary.log");
  EXPECT_NE(summary.find("[Results]\r\nPass=2\r\n"), std::string::npos) << summary;
  EXPECT_EQ(summary.find("TotalErrorCount"), std::string::npos) << summary;
  EXPECT_NE(test.Report(page.LogFolder(), 1).find("Result     : PASS"), std::string::npos);
  // EraseAll writes no results list, but the work-order file is there with its work order.
  EXPECT_EQ(platform::ReadProfileString(g_WorkOrderFilePath.Get(), "Base Info", "WorkOrder", ""), "WO0001");
}

TEST_F(ProductionPageTest, APassHoldsItsDrivesAndADriveAnotherPageHoldsKeepsItFromStarting) {
  Open();
  {
    CDiskClaim held = CDiskClaim::Take(page.DriveOfPort(3), "bad-block-table page");
    ASSERT_TRUE(held);
    EXPECT_FALSE(page.StartRun());
    EXPECT_FALSE(page.IsRunning());
    EXPECT_EQ(MessageTexts().back(), "Disk 3 is in use by the bad-block-table page, please wait!!");
    // The drives claimed before the refused one were given back.
    EXPECT_EQ(DiskClaimHolder(page.DriveOfPort(1)), "");
  }
  page.StartButton().Click();
  ASSERT_TRUE(page.IsRunning());
  EXPECT_EQ(DiskClaimHolder(page.DriveOfPort(24)), "production page");
  ASSERT_TRUE(test.PumpUntil([&] { return !page.IsRunning(); }));
  EXPECT_EQ(DiskClaimHolder(page.DriveOfPort(24)), "");
}

TEST_F(ProductionPageTest, TheRunOptionsAskForMorePasses) {
  test.SetKey(".\\param.ini", "Options", "LoopCount", "3");
  Open();
  for (int port = 2; port <= 24; ++port) page.PortCheck(port).Click();
  RunToTheEnd();
  EXPECT_EQ(page.PassesStarted(), 3);
  const std::string summary = test.ReadStationFile(page.LogFolder(), "_Summary.log");
  EXPECT_NE(summary.find("Pass=3\r\n"), std::string::npos) << summary;
}

TEST_F(ProductionPageTest, AStoppedRunStartsNoFurtherPass) {
  test.SetKey(".\\param.ini", "Options", "LoopCount", "3");
  test.SetKey(".\\param.ini", "RD Debug", "StopIfFail", "1");
  Open();
  test.sim.Station().SlotOfDrive(1)->Faults().Add(sim::FaultRule{"Erase By Type", 0, 0, sim::FaultAction::Timeout});
  for (int port = 3; port <= 24; ++port) page.PortCheck(port).Click();
  RunToTheEnd();
  EXPECT_EQ(page.PassesStarted(), 1);
  EXPECT_EQ(g_StopAll.load(), 1);
  EXPECT_EQ(PortStateOf(1), kPortFail);
}

TEST_F(ProductionPageTest, AChangedDiskListIsRescannedWhileNoPassRuns) {
  Open();
  test.sim.Install(test.station, "[Board1]\r\nSlots=4\r\n[Drive]\r\nCode=Boot\r\n");
  ASSERT_TRUE(test.PumpUntil([&] { return page.DriveOfPort(5) == 0; }));
  EXPECT_EQ(page.DriveOfPort(4), 4);
  EXPECT_EQ(page.PortCell(5).GetWindowText(), "");
  EXPECT_FALSE(page.PortCheck(5).IsWindowEnabled());
}

TEST_F(ProductionPageTest, BecomingActiveMarksTheProductionPage) {
  Open();
  g_ActivePage = kActiveRdtResultPage;
  page.OnSetActive();
  EXPECT_EQ(g_ActivePage.load(), kActiveProductionPage);
}

}  // namespace

namespace {

// The end of a pass comes from the pool (its last task ended), not from the one-second timer:
// with a clock that never moves, no timer fires, and a loop of passes still runs to its end.
TEST_F(ProductionPageTest, PassesEndWhenTheirLastTaskEndsWithoutTheTimer) {
  test.SetKey(".\\param.ini", "Options", "LoopCount", "2");
  Open();
  test.dispatcher.SetClock([] { return std::uint64_t{0}; });
  // The pass's time does not move either, however long the machine takes for it.
  platform::SetTickSource([] { return std::uint64_t{1000}; });
  for (int port = 4; port <= 24; ++port) page.PortCheck(port).Click();
  RunToTheEnd();
  platform::SetTickSource({});
  EXPECT_EQ(page.PassesStarted(), 2);
  for (int port = 1; port <= 3; ++port) EXPECT_EQ(PortStateOf(port), kPortPass);
  EXPECT_EQ(page.ElapsedText(), "00:00:00");
  const std::string summary = test.ReadStationFile(page.LogFolder(), "_Summary.log");
  EXPECT_NE(summary.find("Pass=6\r\n"), std::string::npos) << summary;
  EXPECT_TRUE(page.StartButton().IsWindowEnabled());
}

}  // namespace
