#pragma once
// The legacy slot page on a simulated station of 48 drives (two boards of 24 slots, testers 1
// to 48), with param.ini naming the supported controller and 48 slots.
#include <gtest/gtest.h>

#include <string>

#include "pages/PageTestStation.h"
#include "pages/legacy/FirstPropertyPage.h"
#include "pages/legacy/LegacyPageLayout.h"
#include "platform/Host.h"
#include "platform/Profile.h"
#include "ui/Keyboard.h"

namespace legacytest {

namespace ids = legacy_ids;

inline const std::string kFortyEightDrives =
    "[Station]\r\nBoards=2\r\nSeed=3160\r\n[Board1]\r\nSlots=24\r\n[Board2]\r\nSlots=24\r\n[Drive]\r\nCode=Boot\r\n";

inline constexpr char kParam[] = ".\\param.ini";

class LegacyPageTest : public ::testing::Test {
 protected:
  explicit LegacyPageTest(const std::string& scenario = kFortyEightDrives) : test(scenario) {
    test.SetKey(kParam, "Device Info", "ControllerType", "TV3160");
    test.SetKey(kParam, "General Info", "SlotNumber", "48");
    test.SetKey(kParam, "General Info", "WorkingNo", "W123");
    g_ExchangePhase = 0;
  }
  ~LegacyPageTest() override { g_ExchangePhase = 0; }

  void Open() { ASSERT_TRUE(page.Create(nullptr)); }
  // The log folder as the page makes it.
  std::string ExpectedLogFolder() const { return ".\\W123_" + platform::ComputerName(); }
  std::string LogFile(const std::string& name) const { return test.ReadStationFile(page.LogFolder(), name); }
  std::string Key(const std::string& file, const char* section, const char* key) {
    platform::FlushProfileCache();
    return platform::ReadProfileString(page.LogFolder() + "\\" + file, section, key, "<none>");
  }
  void KeyUp(unsigned key) {
    ui::KeyMessage message;
    message.type = ui::KeyMessage::Type::KeyUp;
    message.virtualKey = key;
    ui::DispatchKey(page, message);
  }
  // The message boxes shown so far. A worker's notice, shown without waiting, is posted to this
  // thread before the flow that made it ends: what was posted runs first.
  std::vector<std::string> MessageTexts() {
    test.dispatcher.ProcessPending();
    std::vector<std::string> texts;
    for (const auto& request : test.host.MessageBoxes()) texts.push_back(request.text);
    return texts;
  }

  pagestest::PageTestStation test;
  CFirstPropertyPage page;
};

inline constexpr unsigned kF4 = 0x73;
inline constexpr unsigned kF8 = 0x77;

}  // namespace legacytest
