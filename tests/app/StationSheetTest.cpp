// The station's own sheet: the pages this build has join by their page-mask bits, with the
// tab names of the template station's caption file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MPToolApp.h"
#include "app/SheetPages.h"
#include "pages/bbt/BbtPage.h"
#include "pages/production/ProductionPage.h"
#include "pages/results/LaterBadResultPage.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"
#include "ui/PropertySheet.h"

namespace {

TEST(StationSheet, TheBadBlockTablePageJoinsByBitFive) {
  testsupport::ScratchStation station(testsupport::ScratchStation::Template::Copy);
  platform::FlushProfileCache();
  CMPToolApp app(StationSheetPages());
  auto sheet = app.BuildSheet();  // the template's mask, 35: bits 0, 2, 4 and 5
  ASSERT_EQ(sheet->GetPageCount(), 3);
  EXPECT_NE(dynamic_cast<CProductionPage*>(sheet->GetPage(0)), nullptr);
  EXPECT_NE(dynamic_cast<CPropertyPage_LBResult*>(sheet->GetPage(1)), nullptr);
  EXPECT_EQ(sheet->GetPage(1)->GetTitle(), "Later Bad Result");
  EXPECT_NE(dynamic_cast<CPropertyPage_DBT*>(sheet->GetPage(2)), nullptr);
  EXPECT_EQ(sheet->GetPage(2)->GetTitle(), "Bad Block Table");
  sheet.reset();  // the sheet goes before the pages it shows
  app.ExitInstance();

  ASSERT_TRUE(platform::WriteProfileString(".\\Configuration\\System\\MPToolSetting.ini", "OP Setting", "SetUIPage", "1F"));
  sheet = app.BuildSheet();  // bits 0 to 4: no bad-block-table page
  EXPECT_EQ(sheet->GetPageCount(), 3);
  EXPECT_EQ(sheet->GetPage(1)->GetTitle(), "RDT Result");
  sheet.reset();
  app.ExitInstance();
}

}  // namespace
