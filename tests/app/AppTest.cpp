// The application shell: page mask, sheet caption, pages in bit order and the start-up run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DeviceLayerHooks.h"
#include "app/MPToolApp.h"
#include "app/PageMask.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"
#include "ui/PropertySheet.h"
#include "ui/ScriptedHost.h"

namespace {

TEST(PageMask, EmptyZeroHexAndJunk) {
  EXPECT_EQ(ParseUIPageMask(""), 0x35u);
  EXPECT_EQ(ParseUIPageMask("   "), 0x35u);
  EXPECT_EQ(ParseUIPageMask("0"), 0x01u);
  EXPECT_EQ(ParseUIPageMask("3F"), 0x3Fu);
  EXPECT_EQ(ParseUIPageMask("3f"), 0x3Fu);
  EXPECT_EQ(ParseUIPageMask("FF"), 0xFFu);
  EXPECT_EQ(ParseUIPageMask("34"), 0x35u);  // bit 0 is always set
  EXPECT_EQ(ParseUIPageMask("0x10"), 0x11u);
  EXPECT_EQ(ParseUIPageMask("3Fzz"), 0x3Fu);
  EXPECT_EQ(ParseUIPageMask("junk"), 0x35u);
  EXPECT_EQ(ParseUIPageMask("-"), 0x35u);
}

TEST(PageMask, ReadFromTheStationSettings) {
  testsupport::ScratchStation station;
  EXPECT_EQ(ReadUIPageMask(), 0x35u);  // no settings file
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[OP Setting]\r\nSetUIPage=08\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(ReadUIPageMask(), 0x09u);
}

TEST(SheetCaption, SataSsdMpToolAndTheBuildVersion) {
  EXPECT_EQ(MakeSheetCaption("V1.0.0"), "SATA SSD MP Tool V1.0.0");
  EXPECT_EQ(MakeSheetCaption(""), "SATA SSD MP Tool ");
}

const ui::DialogTemplate kPageTemplates[] = {
    {100, "Production", 100, 50, ui::DialogFont{}, {}}, {101, "Setting", 100, 50, ui::DialogFont{}, {}},
    {102, "New Setting", 100, 50, ui::DialogFont{}, {}}, {103, "RDT Result", 100, 50, ui::DialogFont{}, {}},
    {104, "LaterBad Result", 100, 50, ui::DialogFont{}, {}}, {105, "BBT", 100, 50, ui::DialogFont{}, {}},
};

template <int N>
class NumberedPage : public ui::CPropertyPage {
 public:
  NumberedPage() : CPropertyPage(&kPageTemplates[N]) {}
};

// Bits 1 and 2 (the settings pages) are not built.
const SheetPageEntry kTestPages[] = {
    {0, "ProductionPage", &MakePage<NumberedPage<0>>}, {1, "SettingPage", nullptr},
    {2, "NewSettingPage", nullptr},                    {3, "RDTResultPage", &MakePage<NumberedPage<3>>},
    {4, "LaterBadResultPage", &MakePage<NumberedPage<4>>}, {5, "BBTPage", &MakePage<NumberedPage<5>>},
};

std::vector<std::string> Titles(const ui::CPropertySheet& sheet) {
  std::vector<std::string> titles;
  for (int i = 0; i < sheet.GetPageCount(); ++i) titles.push_back(sheet.GetPage(i)->GetTitle());
  return titles;
}

TEST(MPToolApp, PagesJoinTheSheetInBitOrderWhenBuiltAndMasked) {
  testsupport::ScratchStation station;
  station.WriteFile("Configuration/System/MPToolSetting.ini",
                    "[General Info]\r\nBuildVersion=V2.0a\r\nLanguage=1\r\n[OP Setting]\r\nSetUIPage=3F\r\n");
  station.WriteFile("Configuration/System/ENG.ini", "[Property Sheet]\r\nRDTResultPage= RDT \r\n");
  platform::FlushProfileCache();
  CMPToolApp app(kTestPages);
  auto sheet = app.BuildSheet();
  EXPECT_EQ(sheet->GetWindowText(), "SATA SSD MP Tool V2.0a");
  EXPECT_EQ(Titles(*sheet), (std::vector<std::string>{"Production", "RDT", "LaterBad Result", "BBT"}));

  station.WriteFile("Configuration/System/MPToolSetting.ini", "[OP Setting]\r\nSetUIPage=0\r\n");
  platform::FlushProfileCache();
  sheet.reset();  // the sheet goes before the pages it shows
  sheet = app.BuildSheet();
  EXPECT_EQ(Titles(*sheet), (std::vector<std::string>{"Production"}));

  station.WriteFile("Configuration/System/MPToolSetting.ini", "[OP Setting]\r\nSetUIPage=\r\n");
  platform::FlushProfileCache();
  sheet.reset();
  sheet = app.BuildSheet();  // 0x35: bits 0, 2, 4, 5
  EXPECT_EQ(Titles(*sheet), (std::vector<std::string>{"Production", "LaterBad Result", "BBT"}));
}

TEST(MPToolApp, InitInstanceRunsTheSheetBetweenLoadingAndUnloadingTheListing) {
  testsupport::ScratchStation station;
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\nTV_U2A=0\r\n");
  platform::FlushProfileCache();
  ui::ScriptedHost host;
  ui::SetHost(&host);
  std::vector<std::string> steps;
  DeviceLayerHooks saved = GetDeviceLayerHooks();
  GetDeviceLayerHooks().loadListing = [&] {
    steps.push_back("load");
    return true;
  };
  GetDeviceLayerHooks().setBridgeMode = [&](std::uint8_t mode) { steps.push_back("bridge " + std::to_string(mode)); };
  GetDeviceLayerHooks().unloadListing = [&] { steps.push_back("unload"); };
  host.ScriptNextSheet([&](ui::CPropertySheet& sheet) {
    steps.push_back("sheet " + sheet.GetWindowText() + " page " + sheet.GetActivePage()->GetTitle());
    sheet.RequestClose();
  });

  CMPToolApp app(kTestPages);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(steps, (std::vector<std::string>{"load", "bridge 0", "sheet SATA SSD MP Tool  page Production", "unload"}));
  EXPECT_EQ(app.BridgeMode(), 0);
  EXPECT_EQ(app.ExitInstance(), 0);

  // TV_U2A missing: bridge mode 1.
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\n");
  platform::FlushProfileCache();
  steps.clear();
  CMPToolApp second(kTestPages);
  second.InitInstance();
  EXPECT_EQ(second.BridgeMode(), 1);
  GetDeviceLayerHooks() = saved;
  ui::SetHost(nullptr);
}

}  // namespace
