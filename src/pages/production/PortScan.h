#pragma once
// Scan of the production page: finds the ports and the drive number behind each. It always
// refreshes the port-mapping file (the page creates the file when it is missing, since the
// page owns the mapping); with tester boards (tester mode) port n is the slot that reports
// tester number n, with drives behind USB-to-ATA bridges (bridge mode) port p is the drive
// the mapping file gives it. Runs on a page worker thread.
#include <array>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "run/RunGlobals.h"

struct PortScanResult {
  std::array<int, kPortCount + 1> drive{};  // drive number of port p (1..24); 0 none
  int mappedPorts = 0;
  bool testersOk = true;                    // tester mode: false when the search failed or found none
  // Tester mode: testers numbered beyond the page's ports (25..48) that hold a drive; no port
  // shows them, so the page names them.
  std::vector<int> unshownTesters;
  // Why the listing left out every disk (a mount that cannot be traced to its disks), as the
  // transport tells it; empty when nothing kept the disks out.
  std::string listingProblem;
  // The disks the listing left out and named, with what holds them or may hold them ("sdc is held
  // by md127", "sdd is a member of the imported ZFS pool tank").
  std::vector<device::HeldDisk> heldDisks;
};

// The text shown when no tester board is found.
inline constexpr const char* kNoTesterMessage = "Detect SATA Testers failed !!!";

// The text shown when the listing left out every disk, naming why.
std::string ListingProblemMessage(const std::string& listingProblem);

// The text that names the disks the listing left out because something holds them or may hold
// them, and how the operator releases one of each kind named.
std::string HeldDisksMessage(const std::vector<device::HeldDisk>& heldDisks);
// The held disks one after another: "sdy is held by md127; sdz is held by md127".
std::string HeldDisksList(const std::vector<device::HeldDisk>& heldDisks);

PortScanResult ScanPorts(bool bridgeMode, int mappingType);
