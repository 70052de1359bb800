#include "pages/production/PortScan.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "device/ScsiPassThrough.h"
#include "device/StationHelpers.h"
#include "pages/common/AutoMapping.h"
#include "platform/Files.h"

namespace {

void MakeMappingFileWhenMissing() {
  const std::string path = kAutoMappingIniPath;
  if (platform::FileExists(path)) return;
  MakeDirectoryPath(path.substr(0, path.rfind('\\')));
  platform::WriteWholeFile(path, "");
}

}  // namespace

std::string ListingProblemMessage(const std::string& listingProblem) {
  return "Scan lists no drive: " + listingProblem + ".";
}

std::string HeldDisksList(const std::vector<device::HeldDisk>& heldDisks) {
  std::string list;
  for (const device::HeldDisk& disk : heldDisks) list += (list.empty() ? "" : "; ") + disk.text;
  return list;
}

namespace {

using HeldKind = device::HeldDisk::Kind;

// How the operator releases a disk kept out for each kind of holder that can be released. A disk
// with ZFS signs but no pool's name may be a member of the imported pool named beside it: its
// signs are wiped only once its labels are seen to name no imported pool.
struct Release {
  HeldKind kind;
  const char* how;
};
constexpr Release kReleases[] = {
    {HeldKind::ByDevice, "mdadm --stop for an md array, vgchange -an for LVM volumes"},
    {HeldKind::ZfsPoolMember, "zpool export for a ZFS pool"},
    {HeldKind::ZfsSigns,
     "wipefs -a for ZFS signs, only after zdb -l shows that the drive's labels name no imported pool"},
};

}  // namespace

std::string HeldDisksMessage(const std::vector<device::HeldDisk>& heldDisks) {
  const auto named = [&](HeldKind kind) {
    return std::any_of(heldDisks.begin(), heldDisks.end(),
                       [&](const device::HeldDisk& disk) { return disk.kind == kind; });
  };
  const bool onlyDevices = std::all_of(heldDisks.begin(), heldDisks.end(),
                                       [](const device::HeldDisk& disk) { return disk.kind == HeldKind::ByDevice; });
  std::string text = std::string(onlyDevices ? "Scan does not list the disks that a device of this machine holds: "
                                             : "Scan does not list the disks that this machine holds or may hold: ") +
                     HeldDisksList(heldDisks) + ".";
  std::string ways;
  for (const Release& release : kReleases) {
    if (named(release.kind)) ways += (ways.empty() ? "" : ", ") + std::string(release.how);
  }
  if (!ways.empty()) text += " To test one, release it first (" + ways + ").";
  if (named(HeldKind::HoldersUnreadable)) text += " A disk whose holders cannot be read is listed once they can be.";
  return text;
}

PortScanResult ScanPorts(bool bridgeMode, int mappingType) {
  PortScanResult result;
  MakeMappingFileWhenMissing();
  PortDeviceTable mapped;
  {
    // The reason is read under the hold of the listing it belongs to: a drop-down's listing
    // cannot come between.
    std::lock_guard<std::recursive_mutex> mapping(PortMappingLock());
    mapped = RefreshPortMapping(mappingType);
    result.listingProblem = ListingProblemOfLastListing();
    result.heldDisks = HeldDisksOfLastListing();
  }
  if (bridgeMode) {
    for (int port = 1; port <= kPortCount; ++port) result.drive[port] = static_cast<int>(mapped[port]);
  } else {
    CScsiPassThrough testers;
    result.testersOk = testers.DetectTesterBoards(0, std::string()) != 0;
    for (int port = 1; port <= kPortCount; ++port) result.drive[port] = static_cast<int>(testers.m_TesterDrive[port]);
    for (int tester = kPortCount + 1; tester <= device::kMaxTesterNumber; ++tester) {
      if (testers.m_TesterDrive[tester] != 0) result.unshownTesters.push_back(tester);
    }
  }
  for (int port = 1; port <= kPortCount; ++port) {
    if (result.drive[port] != 0) ++result.mappedPorts;
  }
  return result;
}
