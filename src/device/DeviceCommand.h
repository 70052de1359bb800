#pragma once
// CDeviceCommand: the object through which every ATA, vendor and tester-board command goes.
// One object per engine object. Every command is one pass-through request on the installed
// transport with the time-out and the retries of its entry in the command table
// (VendorCommands.h); in bridge mode (g_U2AMode) a vendor command takes its ATA PASS-THROUGH
// form; tester-board commands keep their own block in both modes (a USB-to-ATA bridge without
// a tester refuses them).
//
// The disk. The first command that finds the drive (DevicePaths.h) takes what the transport
// knows the disk by (its identity, Transport.h: for a real drive its address on the bus; for
// the simulator its path), in one lookup, and holds it; every later command of the
// object goes to that disk only, through whatever node the transport finds it under at the
// time. A drive that vanished fails its next command as a pulled drive does, and is reached
// again when it comes back at its address; a disk that later takes its node, its drive number
// or its place in a listing is never sent one.
//
// Sent again. A device that answers UNIT ATTENTION did not run the command: a reset or a power
// cycle of a bridge or tester board leaves one for the next command, and a reset may queue
// several (power on or reset, then capacity data changed after a firmware jump, then reported
// LUNs changed). The command goes again up to five times, the retries the SCSI midlayer allows
// the sd driver's own commands. A device that answers BUSY could not take it yet: a few more
// tries follow, each after a short pause. Neither counts against the command's retries, which
// are spent on failures that may pass when the command is sent again (time-outs, passing host
// and system errors).
//
// Every command returns a byte, 1 when the drive did what was asked and 0 otherwise. After a
// failure the object keeps what went wrong for the caller: the kind of failure and a message,
// the system error, the SCSI, host and driver status, the sense bytes and what they say, the
// ATA output registers when they came back, and the bytes moved. Buffers are checked against
// the command's transfer size before anything is sent; a buffer that is too short fails the
// command without a request. A reply is never copied beyond the bytes the command asks for.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "device/CommandBlocks.h"
#include "device/Sense.h"
#include "device/Transport.h"
#include "device/VendorCommands.h"

namespace device {

enum class CommandError : std::uint8_t {
  None,
  NoTransport,       // no transport is installed
  NoDevice,          // the drive number or path names no device (vanished or never listed)
  BadArgument,       // buffer too short, sector count outside the command's range
  NotDelivered,      // the system could not deliver the request (errno in LastSystemError)
  TimedOut,          // no answer within the command's time-out
  HostError,         // the host adapter or its driver reported a failure
  CheckCondition,    // the device answered CHECK CONDITION (sense kept) or another bad status
  AtaError,          // the ATA command ended with ERR or DF in its status
  ShortTransfer,     // fewer bytes moved than the command asks for
  BadReply,          // the answer does not make sense (more bytes than asked, broken data)
};

const char* CommandErrorName(CommandError error);

}  // namespace device

class CDeviceCommand {
 public:
  // Commands for the drive with this number (1-based), looked up in the current mode.
  explicit CDeviceCommand(int driveNumber);
  // Commands for a path text: "\\.\PhysicalDrive%d" or a device path of the listing.
  explicit CDeviceCommand(std::string pathText);

  int DriveNumber() const { return m_driveNumber; }
  // The block device whose partitions are the volumes of the object's disk (Transport::
  // BlockDeviceOf), the disk found now when no command has found it yet; none when the drive
  // is not connected, has no volumes or is a disk the machine claims (said so, with why).
  device::BlockDeviceLookup BlockDevice();

  // ---- ATA commands ------------------------------------------------------------------
  // IDENTIFY DEVICE into a 512-byte buffer. Data whose integrity word carries the
  // signature 0xA5 must also carry a matching checksum.
  std::uint8_t Identify(std::span<std::uint8_t> buffer);
  std::uint8_t SmartReadData(std::span<std::uint8_t> buffer);
  // SMART RETURN STATUS; thresholdExceeded tells what the drive answered.
  std::uint8_t SmartReturnStatus(bool& thresholdExceeded);
  std::uint8_t SecuritySetPassword(std::span<std::uint8_t> passwordSector);
  std::uint8_t SecurityErasePrepare();
  std::uint8_t SecurityEraseUnit(std::span<std::uint8_t> passwordSector);
  // One piece of DOWNLOAD MICROCODE: subcommand (0x03 with offsets, 0x07 whole image), the
  // piece's offset in sectors and its length in sectors (1..255).
  std::uint8_t DownloadMicrocode(std::span<std::uint8_t> buffer, std::uint8_t subcommand,
                                 std::uint16_t offsetSectors, std::uint32_t sectorCount);
  std::uint8_t StandbyImmediate();
  std::uint8_t ReadDma(std::span<std::uint8_t> buffer, std::uint64_t lba, std::uint32_t sectorCount);
  std::uint8_t WriteDma(std::span<std::uint8_t> buffer, std::uint64_t lba, std::uint32_t sectorCount);
  std::uint8_t ReadPio(std::span<std::uint8_t> buffer, std::uint64_t lba, std::uint32_t sectorCount);
  std::uint8_t WritePio(std::span<std::uint8_t> buffer, std::uint64_t lba, std::uint32_t sectorCount);

  // ---- Vendor commands: access and identification --------------------------------------
  // Sends the AP key; the reply (ApKeyReply) tells whether the drive enabled its vendor set.
  std::uint8_t SetApKey(std::span<std::uint8_t> reply);
  std::uint8_t ReadFirmwareName(std::span<std::uint8_t> buffer);
  // Controller system information, sectorCount sectors (1 or 2).
  std::uint8_t GetSystemInfo(std::span<std::uint8_t> buffer, std::uint32_t sectorCount);
  std::uint8_t ReadFlashId(std::span<std::uint8_t> buffer, std::uint8_t firstValue, std::uint8_t secondValue);
  // 64 entries of 8 bytes, entry n for CE n.
  std::uint8_t ScanAllFlashId(std::span<std::uint8_t> buffer);
  std::uint8_t ReadUniqueId(std::span<std::uint8_t> buffer, std::uint8_t ce);
  std::uint8_t ReadRegister(std::span<std::uint8_t> buffer, std::uint32_t address);
  std::uint8_t ReadDeviceStatus(std::span<std::uint8_t> buffer);

  // ---- Vendor commands: running code and firmware ----------------------------------------
  std::uint8_t JumpToBoot();
  std::uint8_t ForceToBoot();
  std::uint8_t WritePram(std::span<std::uint8_t> buffer, std::uint32_t firstSector, std::uint32_t sectorCount);
  std::uint8_t ReadPram(std::span<std::uint8_t> buffer, std::uint32_t firstSector, std::uint32_t sectorCount);
  std::uint8_t StartPram(std::uint16_t codeChecksum);
  std::uint8_t WriteFlashCode(std::span<std::uint8_t> buffer, std::uint32_t firstSector, std::uint32_t sectorCount);
  std::uint8_t ReadFlashCode(std::span<std::uint8_t> buffer, std::uint32_t firstSector, std::uint32_t sectorCount);
  std::uint8_t EraseIspCode();
  // The burner code starts the firmware it programmed into flash.
  std::uint8_t StartFlashCode();
  std::uint8_t ReadInfoCode(std::span<std::uint8_t> buffer);
  std::uint8_t WriteInfoCode(std::span<std::uint8_t> buffer);

  // ---- Vendor commands: flash work -------------------------------------------------------
  // With polling the command returns at once and the caller polls ReadDeviceStatus.
  std::uint8_t EraseByType(std::uint8_t eraseType, bool polling);
  std::uint8_t ScanFlash(std::uint8_t scanMode, bool firstScan, bool polling);
  std::uint8_t WindowScan(std::span<std::uint8_t> result);
  std::uint8_t SetCeMap(std::uint16_t ceMap);
  std::uint8_t Preformat(std::span<std::uint8_t> parameters, std::uint32_t sectorCount, std::uint16_t ceMap,
                         std::uint8_t options, bool polling);
  std::uint8_t ResetSmart();

  // ---- Vendor commands: tables and records ---------------------------------------------
  // One 512-byte info-block page.
  std::uint8_t DirectReadInfoBlock(std::span<std::uint8_t> buffer, std::uint8_t page);
  std::uint8_t DirectWriteInfoBlock(std::span<std::uint8_t> buffer, std::uint8_t page);
  std::uint8_t ReadBbtParameter(std::span<std::uint8_t> buffer);
  std::uint8_t ReadBadBlockTable(std::span<std::uint8_t> buffer, std::uint32_t firstSector, std::uint32_t sectorCount);
  std::uint8_t WriteBadBlockTable(std::span<std::uint8_t> buffer, std::uint32_t firstSector, std::uint32_t sectorCount);
  // One CE's slice of the third-party table: sectorCount sectors for the chip number.
  std::uint8_t Read3rdBbt(std::span<std::uint8_t> slice, std::uint32_t sectorCount, std::uint8_t chipNumber);
  std::uint8_t Write3rdBbt(std::span<std::uint8_t> slice, std::uint32_t sectorCount, std::uint8_t chipNumber);
  std::uint8_t ReadRdtInfo(std::span<std::uint8_t> buffer);
  std::uint8_t WriteRdtInfo(std::span<std::uint8_t> buffer);
  // Debug-information sectors (at most 128) with a selector (0 SMART page, 1 info block).
  std::uint8_t ReadDebugData(std::span<std::uint8_t> buffer, std::uint8_t selector, std::uint16_t firstSector,
                             std::uint32_t sectorCount);

  // ---- Vendor commands: eFuses and DRAM --------------------------------------------------
  std::uint8_t ReadEFuse(std::span<std::uint8_t> buffer);
  std::uint8_t CutEFuse(bool uart, bool jtag, bool aes);
  std::uint8_t WriteDram(std::span<std::uint8_t> buffer, std::uint32_t addressSectors, std::uint32_t sectorCount);
  std::uint8_t ReadDram(std::span<std::uint8_t> buffer, std::uint32_t addressSectors, std::uint32_t sectorCount);

  // ---- Vendor commands: RDT results (sector counts at most 128) ----------------------------
  std::uint8_t Get_RDT_BadBlock_Log(std::span<std::uint8_t> buffer, std::uint8_t argument, std::uint16_t firstSector,
                                    std::uint16_t sectorCount);
  std::uint8_t Get_RDT_BadBlock_SpecialLog(std::span<std::uint8_t> buffer, std::uint16_t sectorCount,
                                           std::uint16_t firstSector);
  std::uint8_t Get_RDT_SDR_Log(std::span<std::uint8_t> buffer, std::uint16_t sectorCount, std::uint16_t firstSector);
  std::uint8_t Get_RDT_Temperature_Time_Log(std::span<std::uint8_t> buffer, std::uint8_t argument,
                                            std::uint16_t firstSector, std::uint16_t sectorCount);

  // ---- Tester-board commands ---------------------------------------------------------------
  // Slot power: mode 0 off, 1 on; two further values; the DEVSLP control byte.
  std::uint8_t TesterSetPower(std::uint8_t mode, std::uint8_t value1, std::uint8_t value2, std::uint8_t devSleep);
  // The slot's card state (kCardPresent, kCardEmpty, kCardNoPower; other values as sent).
  std::uint8_t TesterCardDetect(std::uint8_t& state);
  std::uint8_t TesterReadCurrent(std::uint8_t selector, double& milliamps);
  // The 528-byte tester USB page.
  std::uint8_t TesterReadUsbPage(std::span<std::uint8_t> buffer);
  std::uint8_t TesterSetDevSleep(bool assert);

  // ---- SCSI commands -------------------------------------------------------------------------
  // Standard INQUIRY data (96 bytes asked; a device may answer with fewer, LastTransferred()).
  std::uint8_t Inquiry(std::span<std::uint8_t> buffer);
  std::uint8_t ReadCapacity16(std::uint64_t& lastLba, std::uint32_t& blockLength);
  // READ CAPACITY (10); fails for a disk too large for it (last LBA 0xFFFFFFFF).
  std::uint8_t ReadCapacity10(std::uint64_t& lastLba, std::uint32_t& blockLength);

  // ---- What the last command did ---------------------------------------------------------------
  device::CommandError LastError() const { return m_lastError; }
  const std::string& LastErrorMessage() const { return m_lastMessage; }
  device::CommandId LastCommand() const { return m_lastCommand; }
  int LastSystemError() const { return m_lastResult.systemError; }
  std::uint8_t LastScsiStatus() const { return m_lastResult.scsiStatus; }
  std::uint8_t LastHostStatus() const { return m_lastResult.hostStatus; }
  std::uint8_t LastDriverStatus() const { return m_lastResult.driverStatus; }
  std::span<const std::uint8_t> LastSense() const {
    return std::span<const std::uint8_t>(m_lastResult.sense.data(), m_lastResult.senseLength);
  }
  const device::SenseInfo& LastSenseInfo() const { return m_lastSense; }
  // The ATA output registers, when the last command brought them back.
  bool HasAtaRegisters() const { return m_lastSense.hasAtaRegisters; }
  const device::AtaOutputRegisters& LastAtaRegisters() const { return m_lastSense.ata; }
  std::uint32_t LastTransferred() const { return m_lastResult.transferred; }
  // Requests sent for the last command (1 + the times it was sent again).
  std::uint32_t LastAttempts() const { return m_lastAttempts; }
  // Totals over the object's life.
  std::uint64_t RequestsSent() const { return m_requestsSent; }
  std::uint64_t Retries() const { return m_retries; }
  std::uint64_t TimeOuts() const { return m_timeOuts; }

 private:
  // Whether a failed request is sent again.
  enum class Again : std::uint8_t {
    Never,
    OnRetry,        // while the command has retries left
    UnitAttention,  // a few times, whatever the retries; then as OnRetry
    Busy,           // a few times after a pause, whatever the retries; then as OnRetry
  };
  struct Outcome {
    device::CommandError error = device::CommandError::None;
    Again again = Again::Never;
    std::string message;
  };
  // The disk the object's commands go to, once a command has found it: the transport, and the
  // disk's identity on it (empty when the transport did not know the drive's path).
  struct BoundDisk {
    std::weak_ptr<device::Transport> transport;
    std::string identity;
  };

  std::uint8_t RunAta(device::CommandId id, device::AtaTaskFile taskFile, std::span<std::uint8_t> buffer,
                      std::uint32_t sectorCount);
  std::uint8_t RunVendor(device::CommandId id, std::uint64_t argument, std::span<std::uint8_t> buffer,
                         std::uint32_t sectorCount);
  std::uint8_t RunTester(device::CommandId id, std::array<std::uint8_t, 4> parameters,
                         std::span<std::uint8_t> buffer);
  std::uint8_t RunScsi(device::CommandId id, const std::array<std::uint8_t, 16>& cdb, std::uint8_t cdbLength,
                       std::span<std::uint8_t> buffer);
  // Sends the request with the command's time-out and retries and judges the answer.
  std::uint8_t Send(const device::CommandSpec& spec, device::PassThroughRequest& request);
  // Finds the drive for the first command (or the first after the transport changed); false
  // when there is none.
  bool BindDisk(const std::shared_ptr<device::Transport>& transport);
  // Why BindDisk found no drive: not listed for the listing's problem, kept out for what keeps its
  // disk out, or not connected, each named.
  std::string NotFoundText(device::Transport& transport) const;
  // "drive 3", or the path text the object was made for.
  std::string TargetText() const;
  Outcome Judge(const device::CommandSpec& spec, const device::PassThroughRequest& request);
  // Starts a command: forgets the last one's outcome, checks the buffer against the command
  // and the sector count and fills the request's data fields. The command's entry, or null
  // (the failure kept) when the buffer or the count does not fit.
  const device::CommandSpec* Begin(device::CommandId id, std::span<std::uint8_t> buffer, std::uint32_t sectorCount,
                                   device::PassThroughRequest& request);
  // Keeps a failure; returns 0 so a failing command reads "return Fail(...)".
  std::uint8_t Fail(device::CommandError error, std::string message);

  int m_driveNumber = 0;
  std::string m_pathText;   // set when the object was made for a path text
  BoundDisk m_disk;

  device::CommandId m_lastCommand = device::CommandId::Count;
  device::CommandError m_lastError = device::CommandError::None;
  std::string m_lastMessage;
  device::PassThroughResult m_lastResult;
  device::SenseInfo m_lastSense;
  std::uint32_t m_lastAttempts = 0;
  std::uint64_t m_requestsSent = 0;
  std::uint64_t m_retries = 0;
  std::uint64_t m_timeOuts = 0;
};
