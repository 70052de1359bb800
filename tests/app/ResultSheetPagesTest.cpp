// The station's own sheet table: the RDT result page joins by page-mask bit 3, the later-bad
// result page by bit 4, with their tab names from the caption file.
#include <gtest/gtest.h>

#include "app/MPToolApp.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"

namespace {

TEST(ResultSheetPages, TheResultPagesJoinByTheirPageMaskBits) {
  testsupport::ScratchStation station;
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\nLanguage=1\r\n[OP Setting]\r\nSetUIPage=19\r\n");
  station.WriteFile("Configuration/System/ENG.ini",
                    "[Property Sheet]\r\nRDTResultPage=RDT Result\r\nLaterBadResultPage=Later Bad Result\r\n");
  platform::FlushProfileCache();
  CMPToolApp app;
  auto sheet = app.BuildSheet();
  ASSERT_EQ(sheet->GetPageCount(), 3);
  EXPECT_NE(dynamic_cast<CPropertyPage_RDTResult*>(sheet->GetPage(1)), nullptr);
  EXPECT_NE(dynamic_cast<CPropertyPage_LBResult*>(sheet->GetPage(2)), nullptr);
  EXPECT_EQ(sheet->GetPage(1)->GetTitle(), "RDT Result");
  EXPECT_EQ(sheet->GetPage(2)->GetTitle(), "Later Bad Result");

  station.WriteFile("Configuration/System/MPToolSetting.ini", "[OP Setting]\r\nSetUIPage=11\r\n");
  platform::FlushProfileCache();
  sheet.reset();
  sheet = app.BuildSheet();  // bits 0 and 4
  ASSERT_EQ(sheet->GetPageCount(), 2);
  EXPECT_NE(dynamic_cast<CPropertyPage_LBResult*>(sheet->GetPage(1)), nullptr);
}

}  // namespace
