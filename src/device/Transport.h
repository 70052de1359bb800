#pragma once
// One SCSI pass-through request and the interface that carries it to a device. Two
// transports implement it: the Linux SCSI generic driver and the simulated station.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace device {

enum class DataDirection : std::uint8_t { None, In, Out };

struct PassThroughRequest {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::None;
  std::uint8_t* data = nullptr;      // caller's buffer, dataLength bytes
  std::uint32_t dataLength = 0;
  std::uint32_t timeoutSeconds = 10;
};

struct PassThroughResult {
  // errno-style code of the system when the request could not be delivered (0 = delivered).
  int systemError = 0;
  std::uint8_t scsiStatus = 0;       // 0 GOOD, 2 CHECK CONDITION, ...
  std::uint8_t hostStatus = 0;
  std::uint8_t driverStatus = 0;
  std::array<std::uint8_t, 32> sense{};
  std::uint8_t senseLength = 0;
  std::uint32_t transferred = 0;     // bytes actually moved
  bool Succeeded() const {
    return systemError == 0 && scsiStatus == 0 && hostStatus == 0 && driverStatus == 0;
  }
};

// A disk the transport can reach.
struct TransportDisk {
  std::string devicePath;   // the native node ("/dev/sg3") or the simulator's name
  std::string nodeText;     // where it hangs (bus / port), for the listing record
};

class Transport {
 public:
  virtual ~Transport() = default;
  // The disks in drive-number order: entry n is "\\.\PhysicalDrive<n>".
  virtual std::vector<TransportDisk> ListDisks() = 0;
  // Sends one request to the device at devicePath (an entry of ListDisks or a bridge path).
  virtual PassThroughResult Execute(const std::string& devicePath, PassThroughRequest& request) = 0;
};

}  // namespace device
