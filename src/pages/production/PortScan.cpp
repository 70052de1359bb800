#include "pages/production/PortScan.h"

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

std::string HeldDisksList(const std::vector<std::string>& heldDisks) {
  std::string list;
  for (const std::string& disk : heldDisks) list += (list.empty() ? "" : "; ") + disk;
  return list;
}

std::string HeldDisksMessage(const std::vector<std::string>& heldDisks) {
  return "Scan does not list the disks that a device of this machine holds: " + HeldDisksList(heldDisks) +
         ". To test one, release it first (mdadm --stop for an md array, vgchange -an for LVM volumes).";
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
