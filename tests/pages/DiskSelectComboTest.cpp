// The "Disk :" drop-down on a dialog of its own over the simulated station's listing: the ports
// it lists and their order, the port-to-drive table and the mapping records for mapping types
// 0, 1 and 2, the choice and the page's own step after it, and the drive claims of the pages'
// workers.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "PageTestStation.h"
#include "UntraceableMountTransport.h"
#include "pages/common/DiskSelectClaim.h"
#include "pages/common/DiskSelectCombo.h"
#include "pages/common/PageGlobals.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "ui/Dialog.h"

namespace {

using pagestest::PageTestStation;

constexpr int kComboId = 1894;
constexpr char kMappingFile[] = "drives/c/MP_SSD_NODE/AutoMapping.ini";

const ui::DialogTemplate kChooserTemplate{4000, "Chooser", 200, 100, ui::DialogFont{},
                                          {ui::DialogItem{kComboId, ui::ControlKind::ComboBox, "", 10, 10, 40, 100,
                                                          ui::CBS_DROPDOWN | ui::CBS_SORT | ui::WS_VSCROLL}}};

// A page that chooses its drive and counts the steps it ran after a choice.
class ChooserDialog : public ui::CDialog {
 public:
  ChooserDialog() : CDialog(&kChooserTemplate) {}
  void DoDataExchange(ui::CDataExchange* exchange) override { ui::DDX_Control(exchange, kComboId, disk); }
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    disk.ClearSelection();
    disk.SetAfterSelection([this] { chosenDrives.push_back(disk.SelectedDevice()); });
    return true;
  }
  bool OnCommand(int id, int code) override {
    if (disk.HandleCommand(id, code)) return true;
    return CDialog::OnCommand(id, code);
  }

  CDiskSelectCombo disk;
  std::vector<std::int32_t> chosenDrives;
};

// A station of `slots` drives on one board; the nodes read "SIM\TERVID_BOARD01\PORT_%02d".
std::string Station(int slots) {
  return "[Station]\r\nBoards=1\r\nSeed=5\r\n[Board1]\r\nSlots=" + std::to_string(slots) + "\r\n[Drive]\r\nCode=Boot\r\n";
}

std::string Node(int slot) { return platform::Format("SIM\\TERVID_BOARD01\\PORT_%02d", slot); }

class DiskSelectComboTest : public ::testing::Test {
 protected:
  explicit DiskSelectComboTest(int slots = 3) : test(Station(slots), true) {}
  void SetUp() override { ASSERT_TRUE(dialog.Create(nullptr)); }
  void TearDown() override { g_MappingType.store(0); }

  void WriteMapping(const std::string& text) {
    test.station.WriteFile(kMappingFile, text);
    platform::FlushProfileCache();
  }
  std::string Key(int section, const char* key) {
    return platform::ReadProfileString(kAutoMappingIniPath, "Port" + std::to_string(section), key, "<none>");
  }
  // The user opens the list at a mapping type.
  std::vector<std::string> DropDown(int mappingType) {
    g_MappingType.store(mappingType);
    dialog.disk.UserDropDown();
    return dialog.disk.Items();
  }

  PageTestStation test;
  ChooserDialog dialog;
};

TEST_F(DiskSelectComboTest, PortsAreListedSortedAsTextAndMapToTheirDrives) {
  // The file's sections 1, 9 and 23 hold the three drives' nodes: items 2, 10 and 24.
  WriteMapping("[Port1]\r\nPortNode=" + Node(1) + "\r\n[Port9]\r\nPortNode=" + Node(2) + "\r\n[Port23]\r\nPortNode=" +
               Node(3) + "\r\n");
  EXPECT_EQ(DropDown(kMappingByDriveNumber), (std::vector<std::string>{"10", "2", "24"}));
  const PortDeviceTable& table = dialog.disk.PortDevices();
  for (std::size_t port = 0; port < table.size(); ++port) {
    const std::uint32_t expected = port == 2 ? 1 : port == 10 ? 2 : port == 24 ? 3 : 0;
    EXPECT_EQ(table[port], expected) << "port " << port;
  }
  EXPECT_EQ(dialog.disk.SelectedDevice(), CDiskSelectCombo::kNoDevice);
}

TEST_F(DiskSelectComboTest, MappingTypeNoneGivesTheKthDriveToPortKPlusOneWhateverTheFileSays) {
  WriteMapping("[Port5]\r\nPortNode=" + Node(3) + "\r\n");
  EXPECT_EQ(DropDown(kMappingNone), (std::vector<std::string>{"1", "2", "3"}));
  const PortDeviceTable& table = dialog.disk.PortDevices();
  EXPECT_EQ(table[1], 1u);
  EXPECT_EQ(table[2], 2u);
  EXPECT_EQ(table[3], 3u);
  // Port 6 kept its node and found its link in the refresh, but the drives go by their order.
  EXPECT_EQ(table[6], 0u);
  EXPECT_NE(Key(5, "SymbolicLink"), "");
  // "Symbolic_temp" records the link each port got: port 3 has the drive at port 6's node.
  EXPECT_EQ(Key(2, "Symbolic_temp"), Key(5, "SymbolicLink"));
  EXPECT_NE(Key(0, "Symbolic_temp"), Key(1, "Symbolic_temp"));
  EXPECT_NE(Key(0, "Symbolic_temp"), "<none>");
  EXPECT_EQ(Key(3, "Symbolic_temp"), "<none>");
  // Mapping type 0 writes no nodes of its own; a port without a node gets empty keys.
  EXPECT_EQ(Key(0, "PortNode"), "");
  EXPECT_EQ(Key(5, "PortNode"), Node(3));
}

TEST_F(DiskSelectComboTest, MappingByHubGivesTheJthListedDriveToPortJPlusOneAndRecordsIt) {
  WriteMapping("[Port0]\r\nPortNode=" + Node(3) + "\r\n[Port7]\r\nPortNode=HUB\\GONE\r\nSymbolicLink=/dev/old\r\n");
  EXPECT_EQ(DropDown(kMappingByHub), (std::vector<std::string>{"1", "2", "3"}));
  const PortDeviceTable& table = dialog.disk.PortDevices();
  for (std::size_t port = 1; port <= 3; ++port) EXPECT_EQ(table[port], port);
  for (std::size_t port = 4; port < table.size(); ++port) EXPECT_EQ(table[port], 0u) << port;
  for (int section = 0; section < 3; ++section) EXPECT_EQ(Key(section, "PortNode"), Node(section + 1));
  EXPECT_EQ(Key(7, "PortNode"), "");
  EXPECT_EQ(Key(7, "SymbolicLink"), "");
}

TEST_F(DiskSelectComboTest, MappingByDriveNumberKeepsKnownPortsAndGivesNewDrivesTheFirstFreeOnes) {
  // Drive 2 is known on port 5; port 1 still belongs to a drive that is gone.
  WriteMapping("[Port0]\r\nPortNode=HUB\\GONE\r\n[Port4]\r\nPortNode=" + Node(2) + "\r\n");
  EXPECT_EQ(DropDown(kMappingByDriveNumber), (std::vector<std::string>{"2", "3", "5"}));
  const PortDeviceTable& table = dialog.disk.PortDevices();
  EXPECT_EQ(table[1], 0u);
  EXPECT_EQ(table[2], 1u);
  EXPECT_EQ(table[3], 3u);
  EXPECT_EQ(table[5], 2u);
  EXPECT_EQ(Key(0, "PortNode"), "HUB\\GONE");
  EXPECT_EQ(Key(1, "PortNode"), Node(1));
  EXPECT_EQ(Key(2, "PortNode"), Node(3));
  // The next drop-down finds every drive where the last one put it.
  EXPECT_EQ(DropDown(kMappingByDriveNumber), (std::vector<std::string>{"2", "3", "5"}));
}

TEST_F(DiskSelectComboTest, WithoutTheMappingFileTheListStaysEmptyAndNoFileIsMade) {
  EXPECT_TRUE(DropDown(kMappingByDriveNumber).empty());
  EXPECT_FALSE(std::filesystem::exists(test.station.Folder() / "drives"));
  EXPECT_EQ(dialog.disk.SelectedDevice(), CDiskSelectCombo::kNoDevice);
}

// A mount that cannot be traced keeps every disk out of the listing: the ports that held the
// drives before are listed no more, and nothing chosen gives a drive.
TEST_F(DiskSelectComboTest, AMountThatCannotBeTracedLeavesTheListEmpty) {
  WriteMapping("");
  ASSERT_EQ(DropDown(kMappingByDriveNumber).size(), 3u);
  dialog.disk.UserSelect(0);
  device::SetTransport(std::make_shared<pagestest::UntraceableMountTransport>());
  EXPECT_TRUE(DropDown(kMappingByDriveNumber).empty());
  EXPECT_EQ(dialog.disk.PortDevices(), PortDeviceTable{});
  EXPECT_EQ(dialog.disk.SelectedDevice(), CDiskSelectCombo::kNoDevice);
}

TEST_F(DiskSelectComboTest, AChoiceGivesTheDriveOfThePortAndRunsThePagesStep) {
  // The third drive's node is known on port 2; the others take ports 1 and 3.
  WriteMapping("[Port1]\r\nPortNode=" + Node(3) + "\r\n");
  ASSERT_EQ(DropDown(kMappingByDriveNumber), (std::vector<std::string>{"1", "2", "3"}));
  dialog.disk.UserSelect(2);  // port 3
  EXPECT_EQ(dialog.disk.ChosenPort(), 3);
  EXPECT_EQ(dialog.disk.SelectedDevice(), 2);
  dialog.disk.UserSelect(1);  // port 2
  EXPECT_EQ(dialog.disk.SelectedDevice(), 3);
  EXPECT_EQ(dialog.chosenDrives, (std::vector<std::int32_t>{2, 3}));
  // A drop-down forgets the choice; the page's step does not run for it.
  DropDown(kMappingByDriveNumber);
  EXPECT_EQ(dialog.disk.SelectedDevice(), CDiskSelectCombo::kNoDevice);
  EXPECT_EQ(dialog.disk.ChosenPort(), 0);
  EXPECT_EQ(dialog.chosenDrives.size(), 2u);
}

TEST_F(DiskSelectComboTest, AnItemOfAPortWithoutADriveOrBeyondTheTableGivesNoDrive) {
  WriteMapping("");
  ASSERT_EQ(DropDown(kMappingNone).size(), 3u);
  dialog.disk.UserSelect(0);
  ASSERT_EQ(dialog.disk.SelectedDevice(), 1);
  dialog.disk.AddString(" 7 ");
  dialog.disk.AddString("999999");
  dialog.disk.AddString("-3");
  for (const char* text : {" 7 ", "999999", "-3"}) {
    dialog.disk.UserSelect(dialog.disk.FindStringExact(-1, text));
    EXPECT_EQ(dialog.disk.SelectedDevice(), CDiskSelectCombo::kNoDevice) << text;
  }
  EXPECT_EQ(CDiskSelectCombo::PortOfItemText(" 12 "), 12);
  EXPECT_EQ(CDiskSelectCombo::PortOfItemText("x"), 0);
  EXPECT_EQ(CDiskSelectCombo::PortOfItemText(""), 0);
}

TEST_F(DiskSelectComboTest, CommandsOfOtherControlsAreLeftToThePage) {
  EXPECT_FALSE(dialog.disk.HandleCommand(kComboId + 1, ui::CBN_DROPDOWN));
  EXPECT_FALSE(dialog.disk.HandleCommand(kComboId, ui::BN_CLICKED));
  EXPECT_TRUE(dialog.disk.HandleCommand(kComboId, ui::CBN_SELCHANGE));
}

class DiskSelectComboOfTwentyFour : public DiskSelectComboTest {
 protected:
  DiskSelectComboOfTwentyFour() : DiskSelectComboTest(26) {}
};

TEST_F(DiskSelectComboOfTwentyFour, AtMostTwentyFourPortsAreListedWhateverTheListingHolds) {
  WriteMapping("");
  const std::vector<std::string> items = DropDown(kMappingNone);
  ASSERT_EQ(items.size(), 24u);
  EXPECT_EQ(items.front(), "1");
  EXPECT_EQ(items[1], "10");
  EXPECT_EQ(items.back(), "9");
  EXPECT_EQ(dialog.disk.PortDevices()[24], 24u);
  EXPECT_EQ(dialog.disk.PortDevices()[25], 0u);
}

TEST(DiskClaim, ADriveHasOneHolderUntilItIsGivenBack) {
  CDiskClaim first = CDiskClaim::Take(7, "bad-block-table page");
  ASSERT_TRUE(first);
  EXPECT_EQ(first.DriveNumber(), 7);
  std::string holder;
  EXPECT_FALSE(CDiskClaim::Take(7, "RDT result page", &holder));
  EXPECT_EQ(holder, "bad-block-table page");
  EXPECT_EQ(DiskClaimHolder(7), "bad-block-table page");
  EXPECT_TRUE(CDiskClaim::Take(8, "RDT result page"));  // another drive; given back at once
  EXPECT_EQ(DiskClaimHolder(8), "");

  CDiskClaim moved = std::move(first);
  EXPECT_FALSE(first);
  first.Release();  // an empty claim gives back nothing
  EXPECT_EQ(DiskClaimHolder(7), "bad-block-table page");
  moved.Release();
  EXPECT_EQ(DiskClaimHolder(7), "");
  EXPECT_TRUE(CDiskClaim::Take(7, "RDT result page"));
  EXPECT_FALSE(CDiskClaim::Take(0, "page"));
  EXPECT_FALSE(CDiskClaim::Take(-1, "page"));
  EXPECT_EQ(DiskInUseText(5, "production page"), "Disk 5 is in use by the production page, please wait!!");
}

TEST(DiskClaimThreads, WorkersThatRaceForOneDriveHoldItOneAtATime) {
  std::atomic<int> holders{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> turns{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < 500; ++i) {
        CDiskClaim claim = CDiskClaim::Take(3, "worker " + std::to_string(w));
        if (!claim) continue;
        if (holders.fetch_add(1) != 0) overlaps.fetch_add(1);
        turns.fetch_add(1);
        holders.fetch_sub(1);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_GT(turns.load(), 0);
  EXPECT_EQ(DiskClaimHolder(3), "");
}

// The production page's mapping worker and a page's drop-down refresh the same file at once:
// each refresh holds the mapping lock for its listing and its file access, so every one of them
// reads the records whole and maps the drives alike.
TEST(DiskSelectMappingThreads, RefreshesOnTwoThreadsAllMapEveryDriveToItsPort) {
  PageTestStation test(Station(4), true);
  test.station.WriteFile(kMappingFile, "[Port0]\r\nPortNode=" + Node(4) + "\r\n");
  platform::FlushProfileCache();
  std::vector<PortDeviceTable> results(2 * 20);
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&results, t] {
      for (int i = 0; i < 20; ++i) results[static_cast<std::size_t>(t * 20 + i)] = RefreshPortMapping(kMappingByDriveNumber);
    });
  }
  for (std::thread& thread : threads) thread.join();
  PortDeviceTable expected{};
  expected[1] = 4;
  expected[2] = 1;
  expected[3] = 2;
  expected[4] = 3;
  for (const PortDeviceTable& table : results) EXPECT_EQ(table, expected);
}

}  // namespace
