#pragma once
// The SCSI side of a simulated device's answers: sense data in the fixed form (for SCSI
// errors) and the descriptor form with the ATA status return (for ATA pass-through), the
// INQUIRY data of a tester slot and the READ CAPACITY (16) data of a drive.
#include <cstdint>
#include <string>

#include "device/CommandBlocks.h"
#include "device/ReplyLayouts.h"
#include "device/Sense.h"
#include "device/Transport.h"

namespace sim {

using device::kSenseAbortedCommand;
using device::kSenseIllegalRequest;
using device::kSenseNotReady;
using device::kSenseRecoveredError;

inline constexpr std::uint8_t kAscMediumNotPresent = 0x3A;
inline constexpr std::uint8_t kAscNotReady = 0x04;
inline constexpr std::uint8_t kAscInvalidOpcode = 0x20;
inline constexpr std::uint8_t kAscInvalidFieldInCdb = 0x24;
inline constexpr std::uint8_t kAscqAtaInformationAvailable = 0x1D;

inline constexpr std::uint8_t kAtaErrorAbort = 0x04;
inline constexpr std::uint8_t kAtaStatusReady = 0x50;   // DRDY | DSC
inline constexpr std::uint8_t kAtaStatusReadyError = 0x51;

// CHECK CONDITION with fixed-format sense (response code 0x70).
void SetFixedSense(device::PassThroughResult& result, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
// CHECK CONDITION with descriptor sense (0x72) carrying the ATA status return descriptor.
void SetAtaSense(device::PassThroughResult& result, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                 const device::AtaOutputRegisters& registers);

device::InquiryData EncodeTesterInquiry(const std::string& product, std::uint8_t versionMajor,
                                        std::uint8_t versionMinor, std::uint8_t testerNumber);
device::ReadCapacity16Data EncodeReadCapacity16(std::uint64_t sectors);
// The last LBA reads 0xFFFFFFFF for a drive too large for READ CAPACITY (10).
device::ReadCapacity10Data EncodeReadCapacity10(std::uint64_t sectors);

}  // namespace sim
