// A drive after a production pass: the pass switches every tested slot off, so the result
// pages and the bad-block-table page cannot reach the drive, also after a new scan; the
// operator plugs the drive in again, the tester board powers its slot, and the pages reach it.
// The pages' workers run on threads of their own while the test pumps, hence the suite's name.
#include <gtest/gtest.h>

#include "ProductionPageFixture.h"
#include "pages/bbt/BbtPage.h"
#include "pages/results/LaterBadResultPage.h"
#include "results/ResultPageStation.h"
#include "sim/OperatorReplug.h"

namespace {

class ReplugAfterPassThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(pagestest::OpenProductionPage(test, production));
    ASSERT_TRUE(bbt.Create(nullptr));
    ASSERT_TRUE(laterBad.Create(nullptr));
    laterBad.OnSetActive();
  }
  void RunPass() {
    production.StartButton().Click();
    ASSERT_TRUE(test.PumpUntil([&] { return !production.IsRunning(); }));
  }
  // The scan runs while the click pumps.
  void Scan() { production.ScanButton().Click(); }
  // Get BBT on the port, the file dialog cancelled (nothing saved): the status it leaves.
  std::string GetBbt(int port) {
    bbt.DiskCombo().UserDropDown();
    bbt.DiskCombo().UserSelect(bbt.DiskCombo().FindStringExact(-1, std::to_string(port)));
    test.host.AnswerNextFileDialog(std::nullopt);
    bbt.GetBbtButton().Click();
    EXPECT_TRUE(test.PumpUntil([&] { return !bbt.IsWorking(); }));
    return bbt.StatusBox().GetWindowText();
  }
  std::string ShowResult(int port) {
    laterBad.Disk().SetCurSel(laterBad.Disk().FindStringExact(-1, std::to_string(port)));
    laterBad.ShowResultButton().Click();
    EXPECT_TRUE(test.PumpUntil([&] { return !laterBad.IsBusy(); }));
    return laterBad.Status().GetWindowText();
  }
  // The operator's re-plug of the drive in the board's slot.
  void Replug(unsigned slot) {
    for (const sim::ReplugChoice& choice : sim::ReplugChoices(test.sim.Shared())) {
      if (choice.label == "Tester " + std::to_string(slot) + " (board 1, slot " + std::to_string(slot) + ")") {
        ASSERT_TRUE(choice.replug());
        return;
      }
    }
    FAIL() << "no drive in slot " << slot;
  }

  resultstest::ResultPageStation test;
  CProductionPage production;
  CPropertyPage_DBT bbt;
  CPropertyPage_LBResult laterBad;
};

TEST_F(ReplugAfterPassThreads, APassLeavesItsDrivesUnpoweredUntilTheyArePluggedInAgain) {
  RunPass();
  EXPECT_FALSE(test.sim.Station().SlotOfDrive(3)->SlotPowered());
  EXPECT_EQ(GetBbt(3), "Fail, 0x42B, IC ver Error");
  EXPECT_EQ(ShowResult(1), "Fail, 0x42B, Detect Error Please Re-Plug!!");
  // A scan maps the ports again; it gives no slot its power.
  Scan();
  EXPECT_EQ(GetBbt(3), "Fail, 0x42B, IC ver Error");

  Replug(3);
  EXPECT_EQ(GetBbt(3), "Pass(CheckSum Fail, Not from RDT), please re-plug in!!");
  Replug(1);
  EXPECT_EQ(ShowResult(1), "Pass");
  // The bad-block-table work leaves the drive on its RAM code: plugged in again, it runs the
  // work again.
  Replug(3);
  EXPECT_EQ(GetBbt(3), "Pass(CheckSum Fail, Not from RDT), please re-plug in!!");
}

}  // namespace
