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
#include "support/CommandTrace.h"
#include <iostream>
namespace runtest {
namespace {
class MPTrace : public MPFlow {};
TEST_F(MPTrace, Print) {
  for (int code = 0; code < 3; ++code) {
    sim::DriveProfile p;
    if (code == 1) p.startOnBurner = true;
    if (code == 2) { p.flashFirmware = sim::FlashFirmware::Rdt; p.rdt.state = sim::RdtState::Done; }
    Install(p);
    auto inner = device::GetTransport();
    auto trace = std::make_shared<testsupport::CommandTrace>(inner, inner->DevicePathOfDrive(1));
    device::SetTransport(trace);
    EXPECT_EQ(RunFlow(), 1);
    auto names = trace->Names();
    std::cerr << "code " << code << " total " << names.size() << "\n";
    std::string last; int run = 0;
    for (size_t i = 0; i <= names.size(); ++i) {
      if (i < names.size() && names[i] == last) { ++run; continue; }
      if (!last.empty()) std::cerr << "  " << (i - run) << " " << last << " x" << run << "\n";
      if (i < names.size()) { last = names[i]; run = 1; }
    }
  }
}
}
}
