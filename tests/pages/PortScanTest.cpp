// Scan: tester boards give the ports in tester mode, the mapping file in bridge mode; the
// mapping file is made when missing and refreshed either way.
#include <gtest/gtest.h>

#include <filesystem>

#include "PageTestStation.h"
#include "pages/common/AutoMapping.h"
#include "pages/production/PortScan.h"
#include "platform/Profile.h"

namespace {

constexpr char kTwoBoards[] =
    "[Station]\r\nBoards=2\r\n[Board1]\r\nSlots=24\r\nEmpty=5\r\n[Board2]\r\nSlots=8\r\n[Drive]\r\nCode=Boot\r\n";

TEST(PortScan, InTesterModePortNIsTheSlotOfTesterN) {
  testsupport::ScratchStation station;
  pagestest::SimStationScope sim(station, kTwoBoards);
  const PortScanResult result = ScanPorts(false, kMappingByDriveNumber);
  EXPECT_TRUE(result.testersOk);
  EXPECT_EQ(result.mappedPorts, 24);
  // An empty slot's board still answers, so port 5 has its tester.
  for (int port = 1; port <= 24; ++port) EXPECT_EQ(result.drive[port], port) << port;
  // The mapping file was made and refreshed: 32 listed drives, the first 24 take the ports.
  EXPECT_TRUE(std::filesystem::exists(station.Folder() / "drives/c/MP_SSD_NODE/AutoMapping.ini"));
  platform::FlushProfileCache();
  EXPECT_EQ(platform::ReadProfileString(kAutoMappingIniPath, "Port23", "PortNode", ""), "SIM\\TERVID_BOARD01\\PORT_24");
}

TEST(PortScan, TestersOfTheSecondBoardAreReachedByTheirOwnNumbers) {
  testsupport::ScratchStation station;
  pagestest::SimStationScope sim(station,
                                 "[Station]\r\nBoards=2\r\n[Board1]\r\nSlots=4\r\nFirstTester=9\r\n[Board2]\r\nSlots=2\r\n"
                                 "FirstTester=1\r\n[Drive]\r\nCode=Boot\r\n");
  const PortScanResult result = ScanPorts(false, kMappingNone);
  EXPECT_EQ(result.mappedPorts, 6);
  EXPECT_EQ(result.drive[1], 5);   // board 2, slot 1: the fifth listed device
  EXPECT_EQ(result.drive[2], 6);
  EXPECT_EQ(result.drive[9], 1);
  EXPECT_EQ(result.drive[12], 4);
  EXPECT_EQ(result.drive[3], 0);
}

TEST(PortScan, InBridgeModeTheMappingFileGivesThePorts) {
  testsupport::ScratchStation station;
  pagestest::SimStationScope sim(station, "[Board1]\r\nSlots=3\r\n[Drive]\r\nCode=Boot\r\n", true);
  station.WriteFile("drives/c/MP_SSD_NODE/AutoMapping.ini",
                    "[Port4]\r\nPortNode=SIM\\TERVID_BOARD01\\PORT_02\r\n");
  platform::FlushProfileCache();
  const PortScanResult result = ScanPorts(true, kMappingByDriveNumber);
  EXPECT_TRUE(result.testersOk);  // no tester search in bridge mode
  EXPECT_EQ(result.mappedPorts, 3);
  EXPECT_EQ(result.drive[1], 1);  // new drives take the first free ports
  EXPECT_EQ(result.drive[2], 3);
  EXPECT_EQ(result.drive[5], 2);  // the drive the file knows keeps its port
}

TEST(PortScan, WithoutAnyDriveTheTesterSearchFails) {
  testsupport::ScratchStation station;
  const std::uint8_t bridge = g_U2AMode.exchange(0);
  const PortScanResult result = ScanPorts(false, kMappingByDriveNumber);
  g_U2AMode.store(bridge);
  EXPECT_FALSE(result.testersOk);
  EXPECT_EQ(result.mappedPorts, 0);
}

// The notice names every disk kept out and says how to release one of each kind it names. A disk
// with ZFS signs but no pool's name may be a member of the imported pool named beside it: its
// signs are to be wiped only once zdb -l shows that its labels name no imported pool.
TEST(PortScan, TheHeldDisksNoticeSaysHowToReleaseEachKindNamed) {
  using Kind = device::HeldDisk::Kind;
  const device::HeldDisk md{Kind::ByDevice, "sdc is held by md127"};
  const device::HeldDisk pool{Kind::ZfsPoolMember, "sdd is a member of the imported ZFS pool tank"};
  const device::HeldDisk signs{Kind::ZfsSigns,
                               "sde shows ZFS signs without a pool's name while the pool rpool is imported"};
  const device::HeldDisk unreadable{Kind::HoldersUnreadable,
                                    "sdf's holders cannot be read (sdf/holders: Permission denied)"};
  const struct {
    std::vector<device::HeldDisk> held;
    const char* notice;
  } cases[] = {
      {{md},
       "Scan does not list the disks that a device of this machine holds: sdc is held by md127. To test one, release "
       "it first (mdadm --stop for an md array, vgchange -an for LVM volumes)."},
      {{signs},
       "Scan does not list the disks that this machine holds or may hold: sde shows ZFS signs without a pool's name "
       "while the pool rpool is imported. To test one, release it first (wipefs -a for ZFS signs, only after zdb -l "
       "shows that the drive's labels name no imported pool)."},
      {{pool, signs, unreadable},
       "Scan does not list the disks that this machine holds or may hold: sdd is a member of the imported ZFS pool "
       "tank; sde shows ZFS signs without a pool's name while the pool rpool is imported; sdf's holders cannot be "
       "read (sdf/holders: Permission denied). To test one, release it first (zpool export for a ZFS pool, wipefs -a "
       "for ZFS signs, only after zdb -l shows that the drive's labels name no imported pool). A disk whose holders "
       "cannot be read is listed once they can be."},
  };
  for (const auto& c : cases) EXPECT_EQ(HeldDisksMessage(c.held), c.notice);
}

}  // namespace
