#pragma once
// Whole passes through the application's sheet on the simulated station at time scale 0: the
// sheet with the production page first, Scan on opening, Start pressed through the model and
// the dispatcher pumped until the pass has ended.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/MPToolApp.h"
#include "pages/PageTestStation.h"
#include "pages/production/ProductionPage.h"
#include "platform/FileFaults.h"
#include "run/VerdictRecords.h"

namespace e2etest {

// A pass runs on the pool's workers and the page's helper thread: suites whose names end in
// "Threads" are also checked under ThreadSanitizer, where a pass costs many times what it costs
// elsewhere; a suite that checks only what a pass records keeps a name without it.
class SheetPassTest : public ::testing::Test {
 protected:
  explicit SheetPassTest(const std::string& scenario = pagestest::kTwentyFourDrives) : test(scenario) {}

  void SetUp() override {
    sheet = app.BuildSheet();
    ASSERT_TRUE(sheet->CreateSheet());
    page = dynamic_cast<CProductionPage*>(sheet->GetActivePage());
    ASSERT_NE(page, nullptr) << "the production page is the sheet's first page";
    ASSERT_TRUE(test.PumpUntil([&] { return page->HasScanned(); }));
  }
  void TearDown() override {
    platform::DisarmFileFaults();
    ForgetOwedTakeBacks();
    sheet->DestroyWindow();
    sheet.reset();
    app.ExitInstance();
  }
  // The pass has ended when the page has written its summary log and enabled Start again;
  // the wait also lets the notices its workers posted run (support/Waits.h).
  void PressStartAndWait() {
    ASSERT_TRUE(page->StartButton().IsWindowEnabled());
    page->StartButton().Click();
    ASSERT_TRUE(page->IsRunning());
    ASSERT_TRUE(test.PumpUntil([&] { return !page->IsRunning(); }));
  }

  pagestest::PageTestStation test;
  CMPToolApp app;
  std::unique_ptr<ui::CPropertySheet> sheet;
  CProductionPage* page = nullptr;
};

}  // namespace e2etest
