#pragma once
// A machine with a file system that cannot be traced to its disks, as the SCSI generic driver's
// transport finds it: it lists no disk, sends nothing, and tells why.
#include <cerrno>
#include <string>
#include <vector>

#include "device/Transport.h"

namespace pagestest {

inline constexpr char kUntraceableMount[] =
    "the file system at /tank cannot be traced to its disks (a ZFS pool), so no disk can be told apart from the "
    "machine's own and none is listed";

class UntraceableMountTransport : public device::Transport {
 public:
  std::vector<device::TransportDisk> ListDisks() override { return {}; }
  device::PassThroughResult Execute(const std::string&, device::PassThroughRequest&) override {
    device::PassThroughResult result;
    result.systemError = ENODEV;
    return result;
  }
  std::string ListingProblem() override { return kUntraceableMount; }
};

}  // namespace pagestest
