// The MP flow on the simulated station.
#include "run/RunFixture.h"

namespace runtest {
namespace {

class MPFlow : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    SetStation("MP");
  }
  std::uint8_t RunFlow(int port = 1) {
    task.reset(NewTask(port));
    EXPECT_TRUE(task->MakeDevice(nullptr));
    task->SetSlotStatus(kSlotTesting, "Testing", "");
    return task->RunMPFlow();
  }
  bool ReportHas(const std::string& text, int port = 1) const {
    return Report(port).find(text) != std::string::npos;
  }
  std::unique_ptr<TaskProbe> task;
};

TEST_F(MPFlow, ADriveOnBootCodePasses) {
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_EQ(PortStateOf(1), kPortPass);
}
TEST_F(MPFlow, ADriveOnBurnerPasses) {
  sim::DriveProfile p; p.startOnBurner = true; Install(p);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_EQ(PortStateOf(1), kPortPass);
}
TEST_F(MPFlow, ADriveOnFlashPasses) {
  sim::DriveProfile p; p.flashFirmware = sim::FlashFirmware::Mp; p.infoBlockWritten = true; p.goodMark = 1; Install(p);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_EQ(PortStateOf(1), kPortPass);
}
TEST_F(MPFlow, ADriveOnRdtPasses) {
  sim::DriveProfile p; p.flashFirmware = sim::FlashFirmware::Rdt; p.rdt.state = sim::RdtState::Done; Install(p);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_EQ(PortStateOf(1), kPortPass);
}

}  // namespace
}  // namespace runtest
