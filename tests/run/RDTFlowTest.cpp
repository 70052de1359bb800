// The RDT pretest flow on the simulated station, one drive at a time.
#include "run/BlockInfoFile.h"
#include "run/RunFixture.h"

namespace runtest {
namespace {

class RDTFlow : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    SetStation("RDT");
  }
  std::uint8_t RunFlow(int port = 1) {
    task.reset(NewTask(port));
    EXPECT_TRUE(task->MakeDevice(nullptr));
    task->SetSlotStatus(kSlotTesting, "Testing", "");
    return task->RunRDTFlow();
  }
  std::unique_ptr<TaskProbe> task;
};

TEST_F(RDTFlow, Smoke) {
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  std::cout << Report(1);
}

}  // namespace
}  // namespace runtest
namespace runtest {
namespace {
class QCFlowSmoke : public RunTest {};
TEST_F(QCFlowSmoke, AfterMp) {
  SetStation("MP");
  std::unique_ptr<TaskProbe> task(NewTask(1));
  ASSERT_TRUE(task->MakeDevice(nullptr));
  ASSERT_EQ(task->RunMPFlow(), 1) << Report(1);
  SetStation("QC");
  task.reset(NewTask(1, kTaskQC));
  ASSERT_TRUE(task->MakeDevice(nullptr));
  EXPECT_EQ(task->RunQCFlow(), 1) << Report(1);
  std::cout << Report(1) << Cell(1).GetWindowText() << "\n";
}
TEST_F(QCFlowSmoke, RdtResult) {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Rdt;
  profile.rdt.state = sim::RdtState::Done;
  Install(profile);
  SetStation("RDTResult");
  std::unique_ptr<TaskProbe> task(NewTask(1, kTaskRDTResult));
  ASSERT_TRUE(task->MakeDevice(nullptr));
  EXPECT_EQ(task->RunRDTResultFlow(), 1) << Report(1);
  std::cout << Cell(1).GetWindowText() << "\n";
}
}
}
