// The refresh of AutoMapping.ini and the port-to-drive table, over hand-made listings and over
// the simulated station's listing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "device/Transport.h"
#include "pages/common/AutoMapping.h"
#include "platform/Profile.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"
#include "support/ScratchStation.h"

namespace {

constexpr char kMappingFile[] = "drives/c/MP_SSD_NODE/AutoMapping.ini";

// A listing of (node, path) pairs; a path "NULL" is an entry without a device.
ROOT_Device Listing(const std::vector<std::pair<std::string, std::string>>& devices) {
  ROOT_Device root{};
  root.deviceCount = static_cast<std::uint32_t>(devices.size());
  for (std::size_t j = 0; j < devices.size(); ++j) {
    std::strncpy(root.devices[j].nodeText, devices[j].first.c_str(), kDeviceTextLength - 1);
    std::strncpy(root.devices[j].devicePath, devices[j].second.c_str(), kDeviceTextLength - 1);
  }
  return root;
}

std::string Key(int section, const char* key) {
  return platform::ReadProfileString(kAutoMappingIniPath, "Port" + std::to_string(section), key, "<none>");
}

class AutoMapping : public ::testing::Test {
 protected:
  void WriteMapping(const std::string& text) {
    station.WriteFile(kMappingFile, text);
    platform::FlushProfileCache();
  }
  testsupport::ScratchStation station;
};

TEST_F(AutoMapping, WithoutTheFileNothingIsMappedAndNothingIsWritten) {
  const PortDeviceTable table = RefreshAutoMapping(Listing({{"HUB\\1", "/dev/sg1"}}), kMappingByHub);
  EXPECT_EQ(table, PortDeviceTable{});
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / kMappingFile));
}

TEST_F(AutoMapping, BlankNodesGetEmptyLinkAndNodeKeysEveryTime) {
  WriteMapping("[Port0]\r\nPortNode=   \r\nSymbolicLink=/dev/old\r\n");
  RefreshAutoMapping(Listing({}), 99);
  EXPECT_EQ(Key(0, "SymbolicLink"), "");
  EXPECT_EQ(Key(0, "PortNode"), "");
  EXPECT_EQ(Key(23, "SymbolicLink"), "");
  EXPECT_EQ(Key(23, "PortNode"), "");
}

TEST_F(AutoMapping, NoMappingGivesTheKthPresentDriveToPortKPlusOne) {
  WriteMapping("[Port5]\r\nPortNode=HUB\\B\r\n");
  const PortDeviceTable table =
      RefreshAutoMapping(Listing({{"HUB\\A", "/dev/sg1"}, {"HUB\\X", "NULL"}, {"HUB\\B", "/dev/sg3"}}), kMappingNone);
  EXPECT_EQ(table[1], 1u);
  EXPECT_EQ(table[2], 3u);  // the second present drive is the third listed
  for (std::size_t p = 3; p < table.size(); ++p) EXPECT_EQ(table[p], 0u) << p;
  EXPECT_EQ(Key(0, "Symbolic_temp"), "/dev/sg1");
  EXPECT_EQ(Key(1, "Symbolic_temp"), "/dev/sg3");
  EXPECT_EQ(Key(2, "Symbolic_temp"), "<none>");
  // Port 6 kept its node from the file and found its link in the refresh step.
  EXPECT_EQ(Key(5, "SymbolicLink"), "/dev/sg3");
}

TEST_F(AutoMapping, ByHubTheJthListedDriveIsPortJPlusOne) {
  WriteMapping("[Port0]\r\nPortNode=HUB\\OLD\r\nSymbolicLink=/dev/old\r\n");
  const PortDeviceTable table =
      RefreshAutoMapping(Listing({{"HUB\\X", "NULL"}, {"HUB\\B", "/dev/sg2"}, {"HUB\\C", "/dev/sg3"}}), kMappingByHub);
  EXPECT_EQ(table[1], 0u);
  EXPECT_EQ(table[2], 2u);
  EXPECT_EQ(table[3], 3u);
  EXPECT_EQ(Key(0, "PortNode"), "");
  EXPECT_EQ(Key(0, "SymbolicLink"), "");
  EXPECT_EQ(Key(1, "PortNode"), "HUB\\B");
  EXPECT_EQ(Key(1, "SymbolicLink"), "/dev/sg2");
  EXPECT_EQ(Key(2, "PortNode"), "HUB\\C");
}

TEST_F(AutoMapping, ByDriveNumberANewDriveTakesTheFirstFreePortAndAKnownOneKeepsItsPort) {
  WriteMapping("[Port0]\r\nPortNode=HUB\\GONE\r\n[Port2]\r\nPortNode=HUB\\KNOWN\r\n");
  const PortDeviceTable table =
      RefreshAutoMapping(Listing({{"HUB\\NEW", "/dev/sg1"}, {"HUB\\KNOWN", "/dev/sg2"}}), kMappingByDriveNumber);
  // Port 1 still belongs to the absent drive; the new one takes port 2, the known one stays on 3.
  EXPECT_EQ(table[1], 0u);
  EXPECT_EQ(table[2], 1u);
  EXPECT_EQ(table[3], 2u);
  EXPECT_EQ(Key(0, "PortNode"), "HUB\\GONE");
  EXPECT_EQ(Key(1, "PortNode"), "HUB\\NEW");
  EXPECT_EQ(Key(1, "SymbolicLink"), "/dev/sg1");
  EXPECT_EQ(Key(2, "SymbolicLink"), "/dev/sg2");
}

TEST_F(AutoMapping, ByDriveNumberADriveWithoutAFreePortIsLeftOut) {
  std::string file;
  for (int i = 0; i < kMappedPorts; ++i) file += "[Port" + std::to_string(i) + "]\r\nPortNode=N" + std::to_string(i) + "\r\n";
  WriteMapping(file);
  const PortDeviceTable table = RefreshAutoMapping(Listing({{"EXTRA", "/dev/sg9"}}), kMappingByDriveNumber);
  EXPECT_EQ(table, PortDeviceTable{});
  EXPECT_EQ(platform::ReadProfileString(kAutoMappingIniPath, "Port0", "PortNode", ""), "N0");
}

TEST_F(AutoMapping, TheRefreshComparesNodesExactlyTheMatchIgnoresCase) {
  WriteMapping("[Port0]\r\nPortNode=hub\\a\r\nSymbolicLink=/dev/kept\r\n");
  // "HUB\A" is not the node "hub\a" for the refresh, so the link stays unknown and port 1 maps
  // nothing.
  PortDeviceTable table = RefreshAutoMapping(Listing({{"HUB\\A", "/dev/sg1"}}), 7);
  EXPECT_EQ(table[1], 0u);
  EXPECT_EQ(Key(0, "SymbolicLink"), "/dev/kept");
  // With a link found for the exact node, a drive whose node differs only in case is matched too.
  table = RefreshAutoMapping(Listing({{"hub\\a", "/dev/sg1"}, {"HUB\\A", "/dev/sg2"}}), 7);
  EXPECT_EQ(table[1], 2u);  // the later drive in listing order wins
  EXPECT_EQ(Key(0, "SymbolicLink"), "/dev/sg1");
}

TEST_F(AutoMapping, ACountBeyondTheRecordIsCutToTheListing) {
  WriteMapping("");
  ROOT_Device root = Listing({{"HUB\\A", "/dev/sg1"}});
  root.deviceCount = 100000;  // a damaged record
  const PortDeviceTable table = RefreshAutoMapping(root, kMappingNone);
  EXPECT_EQ(table[1], 1u);
}

TEST_F(AutoMapping, TheSimulatedStationsDrivesAreMappedByDriveNumber) {
  std::string error;
  sim::StationPlan plan;
  station.WriteFile("Configuration/Sim/Two.ini", "[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=3\r\nEmpty=2\r\n");
  ASSERT_TRUE(sim::LoadStationPlan("Two.ini", plan, error)) << error;
  device::SetTransport(std::make_shared<sim::SimTransport>(sim::BuildStation(plan)));
  WriteMapping("");
  const PortDeviceTable table = RefreshPortMapping(kMappingByDriveNumber);
  device::SetTransport(nullptr);
  // An empty slot still lists its board's device, so all three are mapped in order.
  EXPECT_EQ(table[1], 1u);
  EXPECT_EQ(table[2], 2u);
  EXPECT_EQ(table[3], 3u);
  EXPECT_EQ(Key(2, "PortNode"), "SIM\\TERVID_BOARD01\\PORT_03");
}

}  // namespace
