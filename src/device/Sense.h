#pragma once
// Sense data as a device returns it after a SCSI command: fixed format (0x70/0x71) or
// descriptor format (0x72/0x73), and the ATA registers that an ATA PASS-THROUGH command
// brings back (the ATA Status Return descriptor, or the ATA fields of fixed-format sense in
// either of the two places Linux has put them). Parsing never reads past the bytes the device
// returned.
#include <cstdint>
#include <span>
#include <string>

#include "device/CommandBlocks.h"

namespace device {

inline constexpr std::uint8_t kSenseNoSense = 0x00;
inline constexpr std::uint8_t kSenseRecoveredError = 0x01;
inline constexpr std::uint8_t kSenseNotReady = 0x02;
inline constexpr std::uint8_t kSenseMediumError = 0x03;
inline constexpr std::uint8_t kSenseHardwareError = 0x04;
inline constexpr std::uint8_t kSenseIllegalRequest = 0x05;
inline constexpr std::uint8_t kSenseUnitAttention = 0x06;
inline constexpr std::uint8_t kSenseAbortedCommand = 0x0B;

inline constexpr std::uint8_t kAtaStatusReturnDescriptor = 0x09;

struct SenseInfo {
  bool valid = false;              // a known response code with a sense key
  bool descriptorFormat = false;
  std::uint8_t responseCode = 0;
  std::uint8_t senseKey = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  bool hasAtaRegisters = false;    // the ATA output registers below came back
  AtaOutputRegisters ata;

  // "ATA pass through information available" (0x00/0x1D) with RECOVERED ERROR (the answer of
  // an ATA command sent with CK_COND) or NO SENSE (as some USB bridges answer): not an error.
  bool AtaInformationAvailable() const {
    return (senseKey == kSenseRecoveredError || senseKey == kSenseNoSense) && asc == 0x00 && ascq == 0x1D;
  }
  // Whether the sense reports a failure (anything but NO SENSE and a RECOVERED ERROR).
  bool ReportsError() const {
    return valid && senseKey != kSenseNoSense && senseKey != kSenseRecoveredError;
  }
};

// The command that sense data answer. Fixed-format sense says by itself that it carries ATA
// registers only with "ATA pass through information available"; otherwise its information and
// command-specific fields hold ATA registers in the answer to an ATA PASS-THROUGH, and that
// command's own values (a failing block's address) in the answer to any other.
enum class SenseOf : std::uint8_t { AnyCommand, AtaPassThrough };

SenseInfo ParseSense(std::span<const std::uint8_t> sense, SenseOf command = SenseOf::AnyCommand);

// "sense key 0x5, ASC 0x24, ASCQ 0x00" (and the ATA status and error when they came back).
std::string DescribeSense(const SenseInfo& sense);

}  // namespace device
