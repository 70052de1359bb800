// The engine object's two forms, what it reads when it is made, its volume lock and what its
// destructor releases.
#include <memory>
#include <vector>

#include "EngineFixture.h"
#include "support/FakeVolumes.h"

namespace {

using enginetest::EngineTest;
using testsupport::FakeVolumes;
using testsupport::VolumeTransport;

// The drive seen as the block device /dev/sdb with one mounted partition; the drive's node
// opens as handle 7.
constexpr char kBlockDevice[] = "/dev/sdb";
std::shared_ptr<FakeVolumes> DriveVolumes() { return FakeVolumes::Mounted({{"/dev/sdb1", "/media/ssd"}}, 7); }

TEST_F(EngineTest, SettingsFormReadsTheStationAndTheReportName) {
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\nTestStation=QC\r\n");
  platform::FlushProfileCache();
  CMPDevice engine(3, 4, 5, ".\\LOGS", nullptr, nullptr);
  EXPECT_EQ(engine.GetDriveNumber(), 3);
  EXPECT_EQ(engine.m_TaskKind, 4);
  EXPECT_EQ(engine.m_SlotNumber, 5);
  EXPECT_EQ(engine.m_StationIndex, 5);
  EXPECT_EQ(engine.m_LogFolder, ".\\LOGS");
  EXPECT_EQ(engine.m_ReportFolder, ".\\LOGS\\D_Reports\\");
  EXPECT_EQ(engine.m_ReportName, enginetest::kHost);
  EXPECT_EQ(engine.m_IdentifyBuffer.size(), 512u);
  EXPECT_EQ(engine.m_SystemInfoBuffer.size(), 1024u);
  EXPECT_EQ(engine.m_TransferBuffer.size(), 64u * 1024);
  EXPECT_EQ(engine.m_InfoBlockImage.size(), 512u);
  EXPECT_EQ(engine.GetSelectedCapacity(), 0u);
  EXPECT_TRUE(engine.m_TotalLogPath.empty());
}

TEST_F(EngineTest, LightFormReadsNoSettings) {
  CMPDevice engine(1, 11, "C:\\FW\\MP.bin", 0, 0);
  EXPECT_EQ(engine.GetDriveNumber(), 1);
  EXPECT_EQ(engine.m_TaskKind, 11);
  EXPECT_EQ(engine.m_FileName, "C:\\FW\\MP.bin");
  EXPECT_TRUE(engine.m_ReportName.empty());
  EXPECT_TRUE(engine.m_ReportFolder.empty());
  EXPECT_EQ(engine.m_StationIndex, -1);
  EXPECT_EQ(engine.m_TransferBuffer.size(), 64u * 1024);
  // It still reaches its drive.
  EXPECT_EQ(engine.DetectCard(1), 1);
}

TEST_F(EngineTest, AnEngineWithoutLogFolderReportsIntoTheStation) {
  CMPDevice engine(1, 1, 2, "", nullptr, nullptr);
  EXPECT_EQ(engine.m_ReportFolder, ".\\D_Reports\\");
  engine.WriteReportLine("START", 0);
  EXPECT_FALSE(station.ReadFile("D_Reports/HOST_2_Report.txt").empty());
}

TEST_F(EngineTest, VolumesOfASimulatedDriveCannotBeLocked) {
  EXPECT_EQ(device->LockDiskVolumes(), 0);
  EXPECT_EQ(device->UnlockDiskVolumes(), 0);
}

TEST_F(EngineTest, LockAndUnlockTheDrivesVolume) {
  device::SetTransport(std::make_shared<VolumeTransport>(device::GetTransport(), kBlockDevice));
  auto volumes = DriveVolumes();
  device->m_VolumeLock = std::make_unique<CVolumeLock>(volumes);
  EXPECT_NE(device->LockDiskVolumes(), 0);
  EXPECT_EQ(volumes->opened, std::vector<std::string>{"/dev/sdb"});
  EXPECT_NE(device->UnlockDiskVolumes(), 0);
  EXPECT_EQ(volumes->unmounted, std::vector<std::string>{"/media/ssd"});
  EXPECT_EQ(volumes->closed, std::vector<int>{7});
}

TEST_F(EngineTest, DestructorClosesAVolumeAFlowLeftLocked) {
  device::SetTransport(std::make_shared<VolumeTransport>(device::GetTransport(), kBlockDevice));
  auto volumes = DriveVolumes();
  auto engine = std::make_unique<CMPDevice>(1, 1, 1, enginetest::kLogFolder, nullptr, nullptr);
  engine->m_VolumeLock = std::make_unique<CVolumeLock>(volumes);
  ASSERT_NE(engine->LockDiskVolumes(), 0);
  engine.reset();
  EXPECT_EQ(volumes->closed, std::vector<int>{7});
  EXPECT_EQ(volumes->unmounted, std::vector<std::string>{"/media/ssd"});  // by the lock alone
}

}  // namespace
