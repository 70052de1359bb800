#pragma once
// The commands the simulated tester boards and drives answer to, by the bytes that name them,
// written out here as a board's and a drive's firmware know them. The simulator recognises a
// request by these bytes alone and never by the station's command table
// (device/VendorCommands.h): a wrong byte in that table makes the simulated drive refuse the
// command (ILLEGAL REQUEST, invalid operation code) and the simulated passes fail, as they
// would on a real tester.
//
// Standard ATA commands carry the ATA command codes (ATA/ATAPI command set); SMART commands
// are told apart by their features register (SMART READ DATA 0xD0, SMART RETURN STATUS 0xDA),
// every other ATA command by its code alone. The RDT results family of the controller is
// command 0x21 with its log sub-operations; the controller's other vendor commands and the
// tester boards' functions carry the codes the station chose for them.
#include <cstdint>
#include <span>

#include "device/CommandBlocks.h"
#include "device/VendorCommands.h"

namespace sim {

// Operation codes of the command blocks a simulated board takes.
inline constexpr std::uint8_t kAtaPassThrough16Block = 0x85;  // ATA PASS-THROUGH (16)
inline constexpr std::uint8_t kVendorBlock = 0xF0;            // the controller's vendor block
inline constexpr std::uint8_t kTesterBlock = 0xF1;            // the tester board's own block
inline constexpr std::uint8_t kInquiryBlock = 0x12;           // INQUIRY (6)
inline constexpr std::uint8_t kServiceActionIn16Block = 0x9E; // READ CAPACITY (16) ...
inline constexpr std::uint8_t kReadCapacity16Action = 0x10;   // ... its service action
inline constexpr std::uint8_t kReadCapacity10Block = 0x25;    // READ CAPACITY (10)

struct KnownCommand {
  device::CommandId id;
  device::CommandFamily family;
  std::uint8_t code;          // ATA command, vendor command, tester function, SCSI operation code
  std::uint8_t subOperation;  // SMART features, vendor sub-operation, SCSI service action; else 0
  device::TransferProtocol protocol;  // how the drive or board moves the command's data
};

// Every command the simulated station knows.
std::span<const KnownCommand> KnownCommands();

// The command of a family with this code and sub-operation, or nullptr. For ATA commands the
// sub-operation is the features register, which names the command only for SMART.
const KnownCommand* FindKnownCommand(device::CommandFamily family, std::uint8_t code, std::uint8_t subOperation);

}  // namespace sim
