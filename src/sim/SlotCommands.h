#pragma once
// Decoding and running one pass-through request on a simulated tester slot. The fields of a
// command block are read with the device layer's block decoders (ATA PASS-THROUGH (16), the
// vendor block and its bridge form, the tester block, INQUIRY and READ CAPACITY (16)); which
// command the block asks for is told by the simulator's own codes (KnownCommands.h), never by
// the station's command table, so a wrong byte on the station's side is refused as a real
// drive would refuse it. The data phase is checked (the direction the drive moves the
// command's data in, and the lengths of the command's table entry) before anything runs, and
// no reply is ever written past the caller's buffer.
#include <cstdint>
#include <string>

#include "device/CommandBlocks.h"
#include "device/Transport.h"
#include "device/VendorCommands.h"
#include "sim/SimBoard.h"

namespace sim {

struct DecodedCommand {
  const device::CommandSpec* spec = nullptr;   // null: no command the simulator knows
  device::TransferProtocol protocol = device::TransferProtocol::NonData;  // as the drive moves its data
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
