#pragma once
// Every command the station sends to a drive or a tester board, in ONE table: its code, its
// sub-operation, how it moves data, how much, its time-out and how often a failed request is
// sent again. Codes that the controller's documentation gives are marked "given"; the others
// are codes of ours, chosen here so that they can be changed in one place.
//
// Where the arguments sit.
//  - ATA commands: the standard ATA registers in an ATA PASS-THROUGH (16) block (CommandBlocks.h).
//  - Vendor commands (family Vendor): the vendor block of CommandBlocks.h, or in bridge mode
//    its ATA PASS-THROUGH (16) form with the same registers:
//      command       = `code`                 (vendor block byte 1;  ATA command register)
//      sub-operation = `subOperation`         (vendor block byte 2;  ATA features register)
//      sector count  = transfer length in 512-byte sectors for a data command, 0 otherwise
//                                             (vendor block bytes 4-5; ATA count register)
//      argument      = 48-bit argument        (vendor block bytes 6-11, bits 47..40 first;
//                                              ATA LBA registers)
//      device        = kAtaDeviceLba          (vendor block byte 12; ATA device register)
//    Each entry's `arguments` text says which bits of the argument carry what. "first sector"
//    is the first 512-byte sector of the named area that the transfer starts at.
//  - Tester commands (family Tester): the tester block; parameters 0..3 are bytes 3..6 and
//    the data length in bytes is bytes 7..10. A tester board shows each of its slots as a
//    device of its own, so a tester command acts on the slot of the device it is sent to.
//  - SCSI commands: INQUIRY (6) and READ CAPACITY (16) as the SCSI standard has them.
// Reply layouts of the commands that answer with a record are in ReplyLayouts.h.
//
// Retries: a request that could not be delivered for a passing reason (EINTR, EAGAIN,
// EBUSY, EIO), that timed out, that the host aborted or reset, or that got BUSY or a UNIT
// ATTENTION is sent again up to `retries` more times. A command whose repetition could do
// harm (erase, program, power, boot jumps) has 0.
#include <array>
#include <cstddef>
#include <cstdint>

#include "device/CommandBlocks.h"

namespace device {

enum class CommandFamily : std::uint8_t { Ata, Vendor, Tester, Scsi };

enum class CommandId : std::uint8_t {
  // ATA commands.
  IdentifyDevice,
  SmartReadData,
  SmartReturnStatus,
  SecuritySetPassword,
  SecurityErasePrepare,
  SecurityEraseUnit,
  DownloadMicrocode,
  StandbyImmediate,
  ReadDmaExt,
  WriteDmaExt,
  ReadSectorsExt,
  WriteSectorsExt,
  // Vendor commands: access and identification.
  SetApKey,
  ReadFirmwareName,
  GetSystemInfo,
  ReadFlashId,
  ScanAllFlashId,
  ReadUniqueId,
  ReadRegister,
  ReadDeviceStatus,
  // Vendor commands: running code and firmware.
  JumpToBoot,
  ForceToBoot,
  WritePram,
  ReadPram,
  StartPram,
  WriteFlashCode,
  ReadFlashCode,
  EraseIspCode,
  ReadInfoCode,
  WriteInfoCode,
  // Vendor commands: flash work.
  EraseByType,
  ScanFlash,
  WindowScan,
  SetCeMap,
  Preformat,
  ResetSmart,
  // Vendor commands: tables and records.
  ReadInfoBlock,
  WriteInfoBlock,
  ReadBbtParameter,
  ReadBadBlockTable,
  WriteBadBlockTable,
  ReadThirdPartyTable,
  WriteThirdPartyTable,
  WriteRdtInfo,
  ReadDebugData,
  // Vendor commands: eFuses and DRAM.
  ReadEFuse,
  CutEFuse,
  WriteDram,
  ReadDram,
  // Vendor commands: RDT results.
  GetRdtBadBlockLog,
  GetRdtTemperatureTimeLog,
  GetRdtSdrLog,
  ReadRdtInfo,
  GetRdtBadBlockSpecialLog,
  // Tester-board commands.
  TesterSetPower,
  TesterCardDetect,
  TesterReadCurrent,
  TesterReadUsbPage,
  TesterSetDevSleep,
  // SCSI commands.
  Inquiry,
  ReadCapacity16,
  // Vendor commands appended after the first table (running code and firmware).
  StartFlashCode,
  // SCSI commands appended: the size from bridges that refuse READ CAPACITY (16).
  ReadCapacity10,
  Count
};

inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(CommandId::Count);

// How the size of a command's data is set.
enum class TransferRule : std::uint8_t {
  None,           // no data
  FixedBytes,     // always `fixedBytes` bytes
  CallerSectors,  // the caller's sector count, 1..`maxSectors`, times 512
};

inline constexpr std::uint32_t kSectorSize = 512;

struct CommandSpec {
  CommandId id;
  const char* name;              // for messages: "Issue %s command failed"
  CommandFamily family;
  std::uint8_t code;             // ATA command, vendor ATA command, tester function, SCSI opcode
  std::uint8_t subOperation;     // ATA features, vendor sub-operation, SCSI service action
  TransferProtocol protocol;
  TransferRule transfer;
  std::uint32_t fixedBytes;      // FixedBytes: bytes moved
  std::uint32_t maxSectors;      // CallerSectors: largest sector count of one command
  bool extend;                   // ATA: 48-bit register form (vendor commands always are)
  bool returnsRegisters;         // ATA: CK_COND, the output registers come back in the sense
  std::uint16_t timeoutSeconds;
  std::uint8_t retries;          // further sends after a passing failure
  const char* arguments;         // where the arguments sit (see the top of this file)
  // Commands with an allocation length (INQUIRY, READ CAPACITY): a device may answer with
  // fewer bytes than asked, but at least these; 0: the whole transfer must move.
  std::uint32_t minimumReplyBytes = 0;
};

// Values that vendor and ATA commands carry.
inline constexpr std::uint8_t kRdtCommand = 0x21;             // given: RDT results family
inline constexpr std::uint8_t kVendorAccessCommand = 0x80;
inline constexpr std::uint8_t kVendorIdentifyCommand = 0x81;
inline constexpr std::uint8_t kVendorCodeCommand = 0x82;
inline constexpr std::uint8_t kVendorFlashCommand = 0x83;
inline constexpr std::uint8_t kVendorTableCommand = 0x84;
inline constexpr std::uint8_t kVendorFuseDramCommand = 0x85;
inline constexpr std::uint64_t kApKeyValue = 0x54563331;      // "TV31": unlocks the vendor set
inline constexpr std::uint64_t kSmartSignatureLba = 0xC24F00; // LBA mid 0x4F, high 0xC2
inline constexpr std::uint8_t kSmartThresholdExceededMid = 0xF4;
inline constexpr std::uint8_t kSmartThresholdExceededHigh = 0x2C;
// eFuse cut mask bits (CutEFuse argument bits 7..0).
inline constexpr std::uint8_t kEFuseUart = 0x01;
inline constexpr std::uint8_t kEFuseJtag = 0x02;
inline constexpr std::uint8_t kEFuseAes = 0x04;
// Argument flag of EraseByType, ScanFlash and Preformat: the command returns at once and the
// caller polls ReadDeviceStatus until the drive is ready.
inline constexpr std::uint64_t kArgumentPollingFlag = 1ull << 24;
// ReadCurrent selector (tester parameter 0).
inline constexpr std::uint8_t kCurrentMaximum = 0;
inline constexpr std::uint8_t kCurrentPresent = 1;
// INQUIRY allocation length of tester detection and READ CAPACITY (16) and (10) reply lengths.
inline constexpr std::uint32_t kInquiryLength = 96;
inline constexpr std::uint32_t kReadCapacity16Length = 32;
inline constexpr std::uint32_t kReadCapacity10Length = 8;
inline constexpr std::uint32_t kTesterUsbPageLength = 528;

namespace command_table_detail {
using enum CommandFamily;
using enum TransferRule;
using P = TransferProtocol;
using C = CommandId;
constexpr std::uint32_t kOne = kSectorSize;

inline constexpr std::array<CommandSpec, kCommandCount> kTable{{
    // ---- ATA (standard codes) --------------------------------------------------------
    {C::IdentifyDevice, "Identify", Ata, 0xEC, 0x00, P::PioIn, FixedBytes, kOne, 0, false, false, 10, 2,
     "none"},
    {C::SmartReadData, "SMART Read Data", Ata, 0xB0, 0xD0, P::PioIn, FixedBytes, kOne, 0, false, false, 10, 2,
     "LBA = kSmartSignatureLba"},
    {C::SmartReturnStatus, "SMART Return Status", Ata, 0xB0, 0xDA, P::NonData, None, 0, 0, false, true, 10, 2,
     "LBA = kSmartSignatureLba; LBA mid/high come back 0xF4/0x2C when a threshold is exceeded"},
    {C::SecuritySetPassword, "Security Set Password", Ata, 0xF1, 0x00, P::PioOut, FixedBytes, kOne, 0, false,
     false, 10, 0, "512-byte password sector"},
    {C::SecurityErasePrepare, "Security Erase Prepare", Ata, 0xF3, 0x00, P::NonData, None, 0, 0, false, false,
     10, 0, "none"},
    {C::SecurityEraseUnit, "Security Erase Unit", Ata, 0xF4, 0x00, P::PioOut, FixedBytes, kOne, 0, false, false,
     1800, 0, "512-byte password sector"},
    {C::DownloadMicrocode, "Download Microcode", Ata, 0x92, 0x00, P::PioOut, CallerSectors, 0, 255, false,
     false, 60, 0,
     "features = subcommand (0x03 with offsets, 0x07 whole); count = sectors of this piece; "
     "LBA 23..8 = offset of the piece in sectors"},
    {C::StandbyImmediate, "Standby Immediate", Ata, 0xE0, 0x00, P::NonData, None, 0, 0, false, false, 30, 0,
     "none"},
    {C::ReadDmaExt, "Read DMA Ext", Ata, 0x25, 0x00, P::DmaIn, CallerSectors, 0, 0xFFFF, true, false, 60, 2,
     "LBA = first sector; count = sectors"},
    {C::WriteDmaExt, "Write DMA Ext", Ata, 0x35, 0x00, P::DmaOut, CallerSectors, 0, 0xFFFF, true, false, 60, 0,
     "LBA = first sector; count = sectors"},
    {C::ReadSectorsExt, "Read Sectors Ext", Ata, 0x24, 0x00, P::PioIn, CallerSectors, 0, 0xFFFF, true, false,
     60, 2, "LBA = first sector; count = sectors"},
    {C::WriteSectorsExt, "Write Sectors Ext", Ata, 0x34, 0x00, P::PioOut, CallerSectors, 0, 0xFFFF, true, false,
     60, 0, "LBA = first sector; count = sectors"},
    // ---- Vendor: access and identification (codes of ours) ---------------------------
    {C::SetApKey, "Set AP Key", Vendor, kVendorAccessCommand, 0x01, P::PioIn, FixedBytes, kOne, 0, true, false,
     10, 0, "argument 31..0 = kApKeyValue; reply ApKeyReply"},
    {C::ReadFirmwareName, "Read Firmware Name", Vendor, kVendorIdentifyCommand, 0x01, P::PioIn, FixedBytes,
     kOne, 0, true, false, 10, 2, "none; reply FirmwareNameReply"},
    {C::GetSystemInfo, "GetSystemInfo", Vendor, kVendorIdentifyCommand, 0x02, P::PioIn, CallerSectors, 0, 2,
     true, false, 10, 2, "none; count = sectors (1 or 2)"},
    {C::ReadFlashId, "Read Flash ID", Vendor, kVendorIdentifyCommand, 0x03, P::PioIn, FixedBytes, kOne, 0, true,
     false, 10, 2, "argument 7..0 = first value, 15..8 = second value; reply: ID bytes from byte 0"},
    {C::ScanAllFlashId, "Scan All Flash ID", Vendor, kVendorIdentifyCommand, 0x04, P::PioIn, FixedBytes, kOne,
     0, true, false, 30, 2, "none; reply: 64 entries of 8 bytes, entry n for CE n"},
    {C::ReadUniqueId, "Read Unique ID", Vendor, kVendorIdentifyCommand, 0x05, P::PioIn, FixedBytes, kOne, 0,
     true, false, 10, 2, "argument 7..0 = CE; reply: the unique ID from byte 0"},
    {C::ReadRegister, "Read Register", Vendor, kVendorIdentifyCommand, 0x06, P::PioIn, FixedBytes, kOne, 0,
     true, false, 10, 2, "argument 31..0 = register address; reply: 512 bytes from that address"},
    {C::ReadDeviceStatus, "Read Device Status", Vendor, kVendorIdentifyCommand, 0x07, P::PioIn, FixedBytes,
     kOne, 0, true, false, 10, 2, "none; reply DeviceStatusReply"},
    // ---- Vendor: running code and firmware (codes of ours) ---------------------------
    {C::JumpToBoot, "Jump To Boot", Vendor, kVendorCodeCommand, 0x01, P::NonData, None, 0, 0, true, false, 20,
     0, "none"},
    {C::ForceToBoot, "Force To Boot", Vendor, kVendorCodeCommand, 0x02, P::NonData, None, 0, 0, true, false, 20,
     0, "none"},
    {C::WritePram, "Write PRAM", Vendor, kVendorCodeCommand, 0x03, P::PioOut, CallerSectors, 0, 128, true,
     false, 20, 0, "argument 31..0 = first sector in program RAM"},
    {C::ReadPram, "Read PRAM", Vendor, kVendorCodeCommand, 0x04, P::PioIn, CallerSectors, 0, 128, true, false,
     20, 2, "argument 31..0 = first sector in program RAM"},
    {C::StartPram, "Start PRAM", Vendor, kVendorCodeCommand, 0x05, P::NonData, None, 0, 0, true, false, 20, 0,
     "argument 15..0 = checksum of the loaded code: the sum of every byte written to program RAM from "
     "sector 0 up to the highest sector written, kept to 16 bits; the drive refuses (ABRT) a start "
     "whose checksum differs"},
    {C::WriteFlashCode, "Write Flash Code", Vendor, kVendorCodeCommand, 0x06, P::PioOut, CallerSectors, 0, 128,
     true, false, 60, 0, "argument 31..0 = first sector of the firmware area"},
    {C::ReadFlashCode, "Read Flash Code", Vendor, kVendorCodeCommand, 0x07, P::PioIn, CallerSectors, 0, 128,
     true, false, 60, 2, "argument 31..0 = first sector of the firmware area"},
    {C::EraseIspCode, "Erase ISP Code", Vendor, kVendorCodeCommand, 0x08, P::NonData, None, 0, 0, true, false,
     60, 0, "none"},
    {C::ReadInfoCode, "Read Info Code", Vendor, kVendorCodeCommand, 0x09, P::PioIn, FixedBytes, kOne, 0, true,
     false, 10, 2, "none"},
    {C::WriteInfoCode, "Write Info Code", Vendor, kVendorCodeCommand, 0x0A, P::PioOut, FixedBytes, kOne, 0,
     true, false, 10, 0, "none"},
    // ---- Vendor: flash work (codes of ours) ------------------------------------------
    {C::EraseByType, "Erase By Type", Vendor, kVendorFlashCommand, 0x01, P::NonData, None, 0, 0, true, false,
     1200, 0, "argument 7..0 = erase type; bit 24 = kArgumentPollingFlag"},
    {C::ScanFlash, "Scan Flash", Vendor, kVendorFlashCommand, 0x02, P::NonData, None, 0, 0, true, false, 1800, 0,
     "argument 7..0 = scan mode, 15..8 = 1 for the early-bad (first) scan; bit 24 = kArgumentPollingFlag; "
     "the drive records what it finds in its bad-block table (read with ReadBbtParameter and "
     "ReadBadBlockTable)"},
    {C::WindowScan, "Window Scan", Vendor, kVendorFlashCommand, 0x03, P::PioIn, FixedBytes, kOne, 0, true,
     false, 600, 0, "none; reply: the window-scan result sector"},
    {C::SetCeMap, "Set CE Map", Vendor, kVendorFlashCommand, 0x04, P::NonData, None, 0, 0, true, false, 10, 0,
     "argument 15..0 = CE map (bit k = CE k)"},
    {C::Preformat, "Preformat", Vendor, kVendorFlashCommand, 0x05, P::PioOut, CallerSectors, 0, 128, true, false,
     600, 0,
     "argument 15..0 = CE map, 23..16 = options (bit 0 keep RDT); bit 24 = kArgumentPollingFlag; "
     "data = the preformat parameter sectors"},
    {C::ResetSmart, "Reset SMART", Vendor, kVendorFlashCommand, 0x06, P::NonData, None, 0, 0, true, false, 30, 0,
     "none"},
    // ---- Vendor: tables and records (codes of ours) ----------------------------------
    {C::ReadInfoBlock, "Read Info Block", Vendor, kVendorTableCommand, 0x01, P::PioIn, FixedBytes, kOne, 0, true,
     false, 10, 2, "argument 7..0 = info-block page"},
    {C::WriteInfoBlock, "Write Info Block", Vendor, kVendorTableCommand, 0x02, P::PioOut, FixedBytes, kOne, 0,
     true, false, 10, 0, "argument 7..0 = info-block page"},
    {C::ReadBbtParameter, "Read BBT Parameter", Vendor, kVendorTableCommand, 0x03, P::PioIn, FixedBytes, kOne, 0,
     true, false, 10, 2, "none; reply: the 64-byte \"DBTP\" record from byte 0"},
    {C::ReadBadBlockTable, "Read BBT", Vendor, kVendorTableCommand, 0x04, P::PioIn, CallerSectors, 0, 128, true,
     false, 30, 2, "argument 31..0 = first sector of the table"},
    {C::WriteBadBlockTable, "Write BBT", Vendor, kVendorTableCommand, 0x05, P::PioOut, CallerSectors, 0, 128,
     true, false, 30, 0, "argument 31..0 = first sector of the table"},
    {C::ReadThirdPartyTable, "Read 3rd BBT", Vendor, kVendorTableCommand, 0x06, P::PioIn, CallerSectors, 0, 256,
     true, false, 30, 2, "argument 7..0 = chip number; count = the CE's slice in sectors"},
    {C::WriteThirdPartyTable, "Write 3rd BBT", Vendor, kVendorTableCommand, 0x07, P::PioOut, CallerSectors, 0,
     256, true, false, 30, 0, "argument 7..0 = chip number; count = the CE's slice in sectors"},
    {C::WriteRdtInfo, "Write RDT Info", Vendor, kVendorTableCommand, 0x08, P::PioOut, FixedBytes, kOne, 0, true,
     false, 10, 0, "data: the 64-byte \"TVRT\" record from byte 0"},
    {C::ReadDebugData, "Read Debug Data", Vendor, kVendorTableCommand, 0x09, P::PioIn, CallerSectors, 0, 128,
     true, false, 30, 2, "argument 15..0 = first sector, 23..16 = selector (0 SMART page, 1 info block)"},
    // ---- Vendor: eFuses and DRAM (codes of ours) -------------------------------------
    {C::ReadEFuse, "Read eFuse", Vendor, kVendorFuseDramCommand, 0x01, P::PioIn, FixedBytes, kOne, 0, true,
     false, 10, 2, "none; reply: the eFuse sector"},
    {C::CutEFuse, "Cut eFuse", Vendor, kVendorFuseDramCommand, 0x02, P::NonData, None, 0, 0, true, false, 30, 0,
     "argument 7..0 = kEFuseUart | kEFuseJtag | kEFuseAes"},
    {C::WriteDram, "Write DRAM", Vendor, kVendorFuseDramCommand, 0x03, P::DmaOut, CallerSectors, 0, 128, true,
     false, 30, 0, "argument 31..0 = DRAM address in sectors"},
    {C::ReadDram, "Read DRAM", Vendor, kVendorFuseDramCommand, 0x04, P::DmaIn, CallerSectors, 0, 128, true,
     false, 30, 2, "argument 31..0 = DRAM address in sectors"},
    // ---- Vendor: RDT results (command 0x21 given; 0x50 and 0x54 given) ---------------
    {C::GetRdtBadBlockLog, "Get_RDT_BadBlock_Log", Vendor, kRdtCommand, 0x50, P::PioIn, CallerSectors, 0, 128,
     true, false, 30, 2, "argument 15..0 = first sector, 23..16 = byte argument"},
    {C::GetRdtTemperatureTimeLog, "Get_RDT_Temperature_Time_Log", Vendor, kRdtCommand, 0x51, P::PioIn,
     CallerSectors, 0, 128, true, false, 30, 2, "argument 15..0 = first sector, 23..16 = byte argument"},
    {C::GetRdtSdrLog, "Get_RDT_SDR_Log", Vendor, kRdtCommand, 0x52, P::PioIn, CallerSectors, 0, 128, true, false,
     30, 2, "argument 15..0 = first sector"},
    {C::ReadRdtInfo, "ReadRDTInfo", Vendor, kRdtCommand, 0x53, P::PioIn, FixedBytes, kOne, 0, true, false, 10, 2,
     "none; reply: the 64-byte \"TVRT\" record from byte 0"},
    {C::GetRdtBadBlockSpecialLog, "Get_RDT_BadBlock_SpecialLog", Vendor, kRdtCommand, 0x54, P::PioIn,
     CallerSectors, 0, 128, true, false, 30, 2, "argument 15..0 = first sector"},
    // ---- Tester board (codes of ours) -------------------------------------------------
    {C::TesterSetPower, "Tester Power", Tester, 0x01, 0x00, P::NonData, None, 0, 0, false, false, 20, 0,
     "parameter 0 = mode (0 off, 1 on), 1 and 2 = further values, 3 = DEVSLP control"},
    {C::TesterCardDetect, "Card Detect", Tester, 0x02, 0x00, P::PioIn, FixedBytes, kOne, 0, false, false, 10, 0,
     "none; reply CardDetectReply"},
    {C::TesterReadCurrent, "Read Current", Tester, 0x03, 0x00, P::PioIn, FixedBytes, kOne, 0, false, false, 10,
     2, "parameter 0 = kCurrentMaximum or kCurrentPresent; reply CurrentReply"},
    {C::TesterReadUsbPage, "Read Tester USB Page", Tester, 0x04, 0x00, P::PioIn, FixedBytes,
     kTesterUsbPageLength, 0, false, false, 10, 2, "none; reply TesterUsbPage (528 bytes)"},
    {C::TesterSetDevSleep, "Set DEVSLP", Tester, 0x05, 0x00, P::NonData, None, 0, 0, false, false, 10, 0,
     "parameter 0 = 1 assert DEVSLP, 0 release it"},
    // ---- SCSI -------------------------------------------------------------------------
    {C::Inquiry, "Inquiry", Scsi, cdb::kInquiryOpcode, 0x00, P::PioIn, FixedBytes, kInquiryLength, 0, false,
     false, 5, 1, "standard data; reply InquiryData", 5},
    {C::ReadCapacity16, "Read Capacity (16)", Scsi, cdb::kServiceActionIn16Opcode,
     cdb::kReadCapacity16ServiceAction, P::PioIn, FixedBytes, kReadCapacity16Length, 0, false, false, 10, 2,
     "reply ReadCapacity16Data", 12},
    // ---- Vendor, appended: running code and firmware (codes of ours) -----------------
    {C::StartFlashCode, "Start Flash Code", Vendor, kVendorCodeCommand, 0x0B, P::NonData, None, 0, 0, true,
     false, 20, 0, "none; the burner code starts the firmware it programmed into flash"},
    // ---- SCSI, appended ---------------------------------------------------------------
    {C::ReadCapacity10, "Read Capacity (10)", Scsi, cdb::kReadCapacity10Opcode, 0x00, P::PioIn, FixedBytes,
     kReadCapacity10Length, 0, false, false, 10, 2, "reply ReadCapacity10Data"},
}};

constexpr bool TableInIdOrder() {
  for (std::size_t i = 0; i < kTable.size(); ++i) {
    if (static_cast<std::size_t>(kTable[i].id) != i) return false;
  }
  return true;
}
static_assert(TableInIdOrder(), "kTable entries must follow the order of CommandId");

constexpr bool CodesUnique() {
  for (std::size_t i = 0; i < kTable.size(); ++i) {
    for (std::size_t j = i + 1; j < kTable.size(); ++j) {
      if (kTable[i].family == kTable[j].family && kTable[i].code == kTable[j].code &&
          kTable[i].subOperation == kTable[j].subOperation) {
        return false;
      }
    }
  }
  return true;
}
static_assert(CodesUnique(), "two commands of one family share code and sub-operation");
}  // namespace command_table_detail

inline constexpr const std::array<CommandSpec, kCommandCount>& kCommandTable = command_table_detail::kTable;

constexpr const CommandSpec& Spec(CommandId id) { return kCommandTable[static_cast<std::size_t>(id)]; }

// The command of a family with this code and sub-operation (tester and SCSI commands: the
// sub-operation of the table), or nullptr. The simulator dispatches with it.
const CommandSpec* FindCommand(CommandFamily family, std::uint8_t code, std::uint8_t subOperation);

// Bytes a command moves for a caller's sector count (ignored unless CallerSectors); 0 when
// the command has no data or the count is outside 1..maxSectors.
std::uint32_t TransferBytes(const CommandSpec& spec, std::uint32_t sectorCount);

}  // namespace device
