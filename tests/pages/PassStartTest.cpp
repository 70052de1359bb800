// What a Start of the production page refuses before any drive is touched: a station setting
// that names no station (or no station settings file at all), a chosen parameter file that is
// not the working copy, a limit setting that every drive would fail on, and a pass that could
// not record what it does (a log folder or its slot report folder, the station's log folder,
// MPTestSummary, Summary.csv or the serial record that cannot be written). The operator is
// told the file and key or the folder, no task runs, no serial number is used; the line of the
// run options says what is wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "ProductionPageFixture.h"
#include "device/StationHelpers.h"
#include "pages/production/ProductionPageLayout.h"
#include "pages/production/RunFiles.h"
#include "platform/FileFaults.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Profile.h"

namespace {

class PassStart : public pagestest::ProductionPageFixture {
 public:
  void SetStation(const std::string& name) {
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", name);
  }
  // Start is pressed and refused: the operator is told (the text is returned), no pass starts,
  // no slot is touched and the serial series has not moved.
  std::string PressStartAndBeRefused() {
    const std::string serialSettings = test.station.ReadFile("SATA_Setting.ini");
    const std::size_t boxes = test.host.MessageBoxes().size();
    page.StartButton().Click();
    EXPECT_FALSE(page.IsRunning());
    EXPECT_EQ(page.PassesStarted(), 0);
    for (int port = 1; port <= 24; ++port) EXPECT_EQ(PortStateOf(port), kPortIdle) << port;
    EXPECT_EQ(test.sim.Station().SlotOfDrive(1)->Drive()->FirmwareName(), "SBR1.0.0");
    EXPECT_EQ(test.station.ReadFile("SATA_Setting.ini"), serialSettings);
    EXPECT_TRUE(page.StartButton().IsWindowEnabled());
    EXPECT_EQ(test.host.MessageBoxes().size(), boxes + 1);
    return test.host.MessageBoxes().empty() ? std::string() : test.host.MessageBoxes().back().text;
  }
  std::string Native(const std::string& stationPath) const { return platform::ToNativePath(stationPath).string(); }
};

TEST_F(PassStart, AStationSettingThatNamesNoStationStartsNoPass) {
  const std::string file = ".\\Configuration\\System\\MPToolSetting.ini";
  const struct {
    const char* name;
    std::function<void(PassStart&)> setUp;
    std::string problem;
  } cases[] = {
      {"a typo", [](PassStart& t) { t.SetStation("Garbage"); },
       "[General Info] TestStation of " + file + " is \"Garbage\": it names no station"},
      {"no station", [](PassStart& t) { t.SetStation(""); },
       "[General Info] TestStation of " + file + " is empty: it names no station"},
      {"no settings file",
       [](PassStart& t) { std::filesystem::remove(t.test.station.Folder() / "Configuration/System/MPToolSetting.ini"); },
       file + " is missing: [General Info] TestStation names the station"},
  };
  Open();
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.name);
    refused.setUp(*this);
    platform::FlushProfileCache();
    page.OnSetActive();
    EXPECT_EQ(page.GetDlgItemText(production_ids::kRunOptions).rfind("Station: none (" + refused.problem + ")   Kind: ", 0),
              0u)
        << page.GetDlgItemText(production_ids::kRunOptions);
    EXPECT_EQ(PressStartAndBeRefused(), refused.problem + "; the pass does not start.");
  }
}

// The day's work-order file is there (no write at Start needs a byte of data) and the disk of
// the records is full: it still makes folders and empty files, but takes no data - or it has
// less room left than a pass of the station's drives writes. Start names the log folder, the
// first the records go to, and the reason; a folder that takes data but has too little room
// is told so, in the unit it counts in, with what to do.
TEST_F(PassStart, ADiskWithoutRoomForThePassStartsNoPass) {
  const std::string tail = ": the pass does not start, and no drive is touched.";
  const struct {
    const char* name;
    std::function<void()> fill;
    std::string told;  // after the folder
    std::string end;
  } cases[] = {
      {"full", [] { platform::ArmFileFault({"*", platform::kWriteAny & ~platform::kWriteFolder, ENOSPC}); },
       " cannot be written (No space left on device)" + tail, tail},
      {"nearly full", [] { platform::ArmSpaceFault(8u << 20); },
       " has too little room for the pass: 8.0 MiB left, and a pass of 24 drives needs ",
       " MiB there; free space on its disk or choose another folder" + tail},
  };
  SetStation("MP");
  const std::string logFolder = LogFolderText("MP");
  ASSERT_NE(MakeDirectoryPath(logFolder), 0);
  ASSERT_FALSE(PrepareWorkOrderFile(logFolder).empty());
  Open();
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.name);
    refused.fill();
    const std::string told = PressStartAndBeRefused();
    platform::DisarmFileFaults();
    EXPECT_EQ(told.rfind(Native(logFolder) + refused.told, 0), 0u) << told;
    EXPECT_TRUE(told.ends_with(refused.end)) << told;
  }
}

TEST_F(PassStart, APassThatCouldNotRecordWhatItDoesStartsNoPass) {
  const std::string logFolder = LogFolderText("MP");
  const std::string logRoot = logFolder.substr(2, logFolder.rfind('\\') - 2);
  std::string reportFolder = logFolder.substr(2) + "/D_Reports";
  std::replace(reportFolder.begin(), reportFolder.end(), '\\', '/');
  const struct {
    const char* name;
    const char* station;
    std::string placed;  // a file where the pass needs a folder (relative to the station)
    std::string named;   // the start of the station path the message names
    std::function<void(PassStart&)> setUp;
  } cases[] = {
      {"log folder", "MP", logRoot, logFolder + "\\WO_", nullptr},
      {"slot report folder", "MP", reportFolder, logFolder + "\\D_Reports", nullptr},
      {"MPTestSummary", "MP", "MPTestSummary", ".\\MPTestSummary", nullptr},
      {"serial record folder", "RDT", "SerialRecords", ".\\SerialRecords",
       [](PassStart& t) { t.test.SetKey(".\\SATA_Setting.ini", "Global_Setting", "SN_Log_Path", ".\\SerialRecords"); }},
      {"station log folder", "RDTResult", "Log", ".\\Log", nullptr},
  };
  Open();
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.name);
    SetStation(refused.station);
    if (refused.setUp) refused.setUp(*this);
    test.station.WriteFile(refused.placed, "a file, not a folder");
    platform::FlushProfileCache();
    const std::string told = PressStartAndBeRefused();
    EXPECT_EQ(told.rfind(Native(refused.named), 0), 0u) << told;
    EXPECT_TRUE(told.ends_with(" cannot be written (Not a directory): the pass does not start, and no drive is touched."))
        << told;
    std::filesystem::remove(test.station.Folder() / refused.placed);
  }
  // Summary.csv, which takes its rows by appends, must open for writing.
  SetStation("MP");
  std::filesystem::create_directories(test.station.Folder() / "MPTestSummary" / "Summary.csv");
  const std::string told = PressStartAndBeRefused();
  EXPECT_EQ(told.rfind(Native(".\\MPTestSummary\\Summary.csv") + " cannot be written (Is a directory)", 0), 0u) << told;
}

// A limit setting that a step of the station's flow would fail every drive on (naming the file,
// the section and the key) is refused at Start with the step's own message, before a serial
// number is taken or a command sent. A value of the chosen parameter file is named in its
// working copy and in the chosen file, the one to edit; a value put into the working copy
// itself is named there alone.
TEST_F(PassStart, ALimitSettingEveryDriveWouldFailOnStartsNoPass) {
  const std::string tail = ": the pass does not start, and no drive is touched.";
  const std::string recipe = ".\\Configuration\\Param\\TV3160_Sample.ini";
  const std::string copied = ".\\paramFDB.ini (copied from " + recipe + ")";
  const struct {
    const char* station;
    std::string file;  // where the value is put
    const char* section;
    const char* key;
    const char* value;
    std::string told;
  } cases[] = {
      {"MP", ".\\param.ini", "Options", "Scan_MaxBadPercent", "abc",
       "Scan_MaxBadPercent of [Options] in .\\param.ini is \"abc\": expected a whole number from 0 to 100"},
      {"MP", ".\\param.ini", "Options", "MinCapacity", "480GB",
       "MinCapacity of [Options] in .\\param.ini is \"480GB\": expected a whole number from 0 to 1048576"},
      {"QC", recipe, "Options", "AutoCapacity_SizeArray", "32, 64GB",
       "AutoCapacity_SizeArray of [Options] in " + copied +
           " is \"32, 64GB\": item \"64GB\" is not a whole number from 1 to 1048576"},
      {"RDT", recipe, "RDT", "RDT_MaxEraseBadBlkRatio", "1x",
       "RDT_MaxEraseBadBlkRatio of [RDT] in " + copied + " is \"1x\": expected a whole number from 0 to 100"},
      {"RDT", ".\\paramFDB.ini", "RDT", "ECC_threshold", "4O",
       "ECC_threshold of [RDT] in .\\paramFDB.ini is \"4O\": expected a whole number from 0 to 255"},
      {"RDTResult", ".\\param.ini", "Options", "EarlyBad_Spec", "-3",
       "EarlyBad_Spec of [Options] in .\\param.ini is \"-3\": expected a whole number from 0 to 16777216"},
  };
  Open();
  ui::CComboBox& list = page.ParameterList();
  // A value of the chosen file reaches the working copy when the file is chosen again.
  const auto put = [&](const std::string& file, const char* section, const char* key, const std::string& value) {
    test.SetKey(file.c_str(), section, key, value);
    if (file == recipe) list.UserSelect(list.FindStringExact(-1, "TV3160_Sample.ini"));
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(std::string(refused.station) + ": " + refused.key);
    SetStation(refused.station);
    // The capacity table is what the limit comes from while the percentage is 0.
    test.SetKey(".\\param.ini", "Options", "Scan_MaxBadPercent", "0");
    const std::string kept = platform::ReadProfileString(refused.file, refused.section, refused.key, "");
    put(refused.file, refused.section, refused.key, refused.value);
    EXPECT_EQ(PressStartAndBeRefused(), refused.told + tail);
    put(refused.file, refused.section, refused.key, kept);
  }
}

// A percentage list of the capacity table is read only by a drive of its CE count: Start lets
// it through, a drive of that count fails on a value that is no list of percentages (naming
// the key), and a drive of another count passes.
TEST_F(PassStart, APercentListOfOneCeCountIsCheckedAtTheDrivesThatReadIt) {
  // Two drives of 4 CEs (256 GB) as the MP station leaves them, judged at QC by the table.
  test.sim.Install(test.station,
                   "[Station]\r\nSeed=3160\r\n[Board1]\r\nSlots=2\r\n[Drive]\r\nCode=Flash\r\n"
                   "FlashImage=FW\\MP\\TV3160_MP_Sample.bin\r\nInfoBlock=Written\r\nGoodMark=01\r\n");
  SetStation("QC");
  const std::string recipe = ".\\Configuration\\Param\\TV3160_Sample.ini";
  test.SetKey(".\\param.ini", "Options", "Scan_MaxBadPercent", "0");
  test.SetKey(recipe.c_str(), "Options", "AutoCapacity_SizeArray", "128,256");
  test.SetKey(recipe.c_str(), "Options", "AutoCapacity_MaxBadPercent_4CE", "4,5");
  const struct {
    const char* key;
    const char* value;
    std::string failure;  // "" the drives pass
  } cases[] = {
      {"AutoCapacity_MaxBadPercent_16CE", "n/a", ""},
      {"AutoCapacity_MaxBadPercent_4CE", "4,5 x",
       "AutoCapacity_MaxBadPercent_4CE of [Options] in .\\paramFDB.ini (copied from " + recipe +
           ") is \"4,5 x\": item \"x\" is not a whole number from 0 to 100"},
  };
  Open();
  ui::CComboBox& list = page.ParameterList();
  for (const auto& pass : cases) {
    SCOPED_TRACE(std::string(pass.key) + "=" + pass.value);
    test.SetKey(recipe.c_str(), "Options", pass.key, pass.value);
    list.UserSelect(list.FindStringExact(-1, "TV3160_Sample.ini"));
    page.StartButton().Click();
    ASSERT_TRUE(page.IsRunning()) << test.host.MessageBoxes().size() << " message(s)";
    ASSERT_TRUE(test.PumpUntil([&] { return !page.IsRunning(); }));
    for (int port = 1; port <= 2; ++port) {
      EXPECT_EQ(page.ResultTextOfPort(port), pass.failure.empty() ? "0_00" : "S_x43") << port;
      EXPECT_EQ(std::string(page.PortCell(port).GetSubText()), pass.failure) << port;
    }
  }
}

// A read-only chosen parameter file (a recipe kept safe from edits) leaves a working copy that
// is the station's own: the next choice replaces it, and the pass starts.
TEST_F(PassStart, AReadOnlyChosenParameterFileLeavesAWorkingCopyTheNextChoiceReplaces) {
  const std::string sample = test.station.ReadFile("Configuration/Param/TV3160_Sample.ini");
  test.station.WriteFile("Configuration/Param/Locked.ini", sample + "; kept safe from edits\r\n");
  std::filesystem::permissions(test.station.Folder() / "Configuration/Param/Locked.ini",
                               std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  Open();
  const std::size_t boxes = test.host.MessageBoxes().size();
  ui::CComboBox& list = page.ParameterList();
  list.UserSelect(list.FindStringExact(-1, "Locked.ini"));
  const std::optional<std::uint32_t> workingCopy = platform::FileAttributes(".\\paramFDB.ini");
  ASSERT_TRUE(workingCopy);
  EXPECT_EQ(*workingCopy & platform::kAttributeReadOnly, 0u);
  list.UserSelect(list.FindStringExact(-1, "TV3160_Sample.ini"));
  EXPECT_EQ(test.host.MessageBoxes().size(), boxes) << test.host.MessageBoxes().back().text;
  EXPECT_EQ(test.station.ReadFile("paramFDB.ini"), sample);
  page.StartButton().Click();
  EXPECT_TRUE(page.IsRunning());
  ASSERT_TRUE(test.PumpUntil([&] { return !page.IsRunning(); }));
}

// A chosen parameter file that could not be copied leaves the working copy of another recipe:
// Start names the file and refuses until a file that copies is chosen.
TEST_F(PassStart, AChosenParameterFileThatIsNotTheWorkingCopyStartsNoPass) {
  test.station.WriteFile("Configuration/Param/Gone.ini", "[Flash Info]\r\n");
  test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "IniFilePath",
              ".\\Configuration\\Param\\ProductB.ini");
  Open();
  EXPECT_EQ(test.host.MessageBoxes().back().text,
            "Copy parameter file fail (ProductB.ini): .\\Configuration\\Param\\ProductB.ini cannot be copied to "
            ".\\paramFDB.ini (No such file or directory)");
  const auto refused = [](const std::string& name) {
    return "Copy parameter file fail (" + name + "): .\\paramFDB.ini is not a copy of .\\Configuration\\Param\\" + name +
           "; choose a parameter file that can be copied: the pass does not start, and no drive is touched.";
  };
  EXPECT_EQ(PressStartAndBeRefused(), refused("ProductB.ini"));

  ui::CComboBox& list = page.ParameterList();
  std::filesystem::remove(test.station.Folder() / "Configuration/Param/Gone.ini");
  list.UserSelect(list.FindStringExact(-1, "Gone.ini"));
  EXPECT_EQ(PressStartAndBeRefused(), refused("Gone.ini"));

  list.UserSelect(list.FindStringExact(-1, "TV3160_Sample.ini"));
  page.StartButton().Click();
  EXPECT_TRUE(page.IsRunning());
  ASSERT_TRUE(test.PumpUntil([&] { return !page.IsRunning(); }));
}

}  // namespace
