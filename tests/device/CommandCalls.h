#pragma once
// One call of every command of CDeviceCommand, with arguments whose place in the block a test
// can find again, and the block the call must send, written out byte by byte. The bytes are
// written from what a drive and a tester board take, never from the station's command table:
// ATA commands as the ATA command set codes them, in the ATA PASS-THROUGH (16) block of the
// SCSI/ATA translation standard; the RDT results family as the controller codes it (vendor
// command 0x21; sub-operations 0x50 for the bad-block log and 0x54 for the special-test log);
// INQUIRY and READ CAPACITY (16) and (10) as SCSI has them. The controller's other vendor operations,
// the vendor block's layout and the tester boards' functions and block carry codes of our own,
// pinned here as chosen.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FakeTransport.h"
#include "device/DeviceCommand.h"

namespace devicetest {

using Block = std::array<std::uint8_t, 16>;

// A block from its bytes written as two-digit hexadecimal numbers separated by blanks
// ("85 08 0E ..."); missing bytes are zero.
Block Hex(std::string_view text);
// The bytes of a block in the same form, for messages.
std::string HexOf(const Block& block);

struct CommandCall {
  device::CommandId id;
  std::function<std::uint8_t(CDeviceCommand&, std::vector<std::uint8_t>&)> call;
  std::uint32_t sectors = 0;                 // caller's sector count (CallerSectors commands)
  std::uint64_t argument = 0;                // vendor argument / ATA LBA
  std::uint16_t features = 0;                // ATA features the caller sets (DOWNLOAD MICROCODE)
  std::array<std::uint8_t, 4> parameters{};  // tester parameters
  // What the call must send: its block, the block's length and the bytes of data it moves.
  // Vendor commands take another block in bridge mode; every other command sends one block
  // in both modes.
  Block block{};
  std::optional<Block> bridgeBlock{};
  std::uint8_t blockLength = 16;
  std::uint32_t dataBytes = 0;
};

std::vector<CommandCall> AllCommandCalls();

// Makes every call once on drive 2 of a fake transport, in tester mode or in bridge mode, and
// hands each call with the one request it sent to the check; fails the test when a call sends
// no request or more than one, or when a command of the table has no call.
void SendEveryCall(bool bridge, const std::function<void(const CommandCall&, const RecordedRequest&)>& check);

// Sets the bridge-mode flag for one test and puts the previous value back.
class BridgeMode {
 public:
  explicit BridgeMode(std::uint8_t value);
  ~BridgeMode();
  BridgeMode(const BridgeMode&) = delete;
  BridgeMode& operator=(const BridgeMode&) = delete;

 private:
  std::uint8_t m_previous;
};

// Lists the installed transport's disks into g_RootDevice (and so g_DevicePathTable).
void ListDrives();

}  // namespace devicetest
