#pragma once
// Decoding and running one pass-through request on a simulated tester slot. The command
// block is decoded with the device layer's own decoders and command table (ATA PASS-THROUGH
// (16), the vendor block and its bridge form, the tester block, INQUIRY and READ CAPACITY
// (16)); the data phase is checked against the table (direction and length) before anything
// runs, and no reply is ever written past the caller's buffer.
#include <cstdint>
#include <string>

#include "device/CommandBlocks.h"
#include "device/Transport.h"
#include "device/VendorCommands.h"
#include "sim/SimBoard.h"

namespace sim {

struct DecodedCommand {
  const device::CommandSpec* spec = nullptr;   // null: not a command of the table
  device::AtaTaskFile registers;               // ATA commands
  bool checkCondition = false;                 // ATA CK_COND
  device::cdb::VendorFields vendor;                // vendor commands (either form)
  device::cdb::TesterFields tester;            // tester commands
  std::uint32_t allocationLength = 0;          // INQUIRY, READ CAPACITY (16)
  std::uint32_t dataBytes = 0;                 // bytes the command moves
  bool invalidField = false;                   // a known command with impossible fields

  // The name faults match against: the table's name, or "Unknown".
  std::string Name() const { return spec ? spec->name : "Unknown"; }
};

DecodedCommand DecodeCommand(const device::PassThroughRequest& request);

// The simulated duration of a command, in milliseconds before scaling.
std::uint32_t CommandDurationMs(const DecodedCommand& command);

// Runs a decoded command on a slot whose lock the caller holds; fills the result and the
// caller's data buffer.
void RunSlotCommand(SimSlot& slot, const BoardProfile& board, const DecodedCommand& command,
                    device::PassThroughRequest& request, device::PassThroughResult& result);

}  // namespace sim
