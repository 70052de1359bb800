#pragma once
// The simulated TV3160 drive: the controller's running-code state machine and everything the
// station reads from or writes to the drive. Records are made by the encoders of this folder,
// so each is byte for byte what the station reads.
//
// Running code:
//   power on  -> code from flash when flash holds firmware (the MP firmware "SBF.." or the
//                RDT firmware "RDT.."), else boot code ("SBR..")
//   boot code -- program-RAM load + start --> burner code ("SBB.."; the MP firmware in RAM)
//   boot, burner -- jump to boot -->         boot code
//   flash     -- jump to boot -->            restart: the boot code starts the firmware on
//                                            flash again
//   flash     -- force to boot -->           boot code
//   burner    -- flash program -->           flash holds the image; runs after the next
//                                            power cycle or force-to-flash start; RDT
//                                            firmware programmed so runs its test as soon as
//                                            it first starts, and has finished it at once
//                                            (the results the scenario's RDT keys plan)
//   any       -- ISP erase -->               flash firmware gone (boot code at next power on)
//   power off -> nothing answers; RAM code is lost
//
// Commands that need a given code refuse in any other (ATA "aborted"): the program-RAM load
// needs boot code; erase, scan, window scan, preformat, DRAM test and flash program need the
// burner code (the scan also runs on the MP firmware from flash, which scans the programmed
// drive); user-data reads and writes need the MP firmware from flash.
//
// Thread safety: a drive is reached only through its slot, whose lock the transport holds for
// a whole command (SimSlot::Lock), so commands to one drive run one at a time.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "sim/BadBlockMap.h"
#include "sim/BadBlockTableRecords.h"
#include "sim/DramStore.h"
#include "sim/FaultInjector.h"
#include "sim/FlashGeometry.h"
#include "sim/IdentifyRecord.h"
#include "device/ReplyLayouts.h"
#include "device/records/InfoBlock.h"
#include "sim/RdtOutcome.h"
#include "sim/SmartPage.h"
#include "sim/SparseMedia.h"
#include "sim/SystemInfoRecord.h"

namespace sim {

enum class RunningCode { Boot, Burner, Flash };
enum class FlashFirmware { None, Mp, Rdt };

// Everything a scenario says about one drive.
struct DriveProfile {
  FlashFirmware flashFirmware = FlashFirmware::None;  // what flash holds at power on
  bool startOnBurner = false;                         // powered up already on burner code
  std::string bootName = "SBR1.0.0";
  std::string burnerName = "SBB1.0.3";
  std::string flashName = "SBF10A01";
  std::string rdtName = "RDT10A01";
  std::string serialNumber;                           // empty: made from the slot
  std::uint64_t worldWideName = 0;                    // IDENTIFY words 108..111; 0: none
  std::string modelNumber = "TV3160 SATA SSD";
  std::string binType = "1";
  std::uint16_t icVersion = 0x3160;
  FlashGeometry geometry;
  BadBlockPlan badBlocks;
  RdtPlan rdt;
  std::uint8_t goodMark = 0;                          // info block byte 511
  bool infoBlockWritten = false;                      // the info block holds an MP's record
  // The flash section of a firmware image that an earlier run programmed into flash (with
  // flashFirmware Mp or Rdt); the firmware then runs under the image's name. Empty: the flash
  // holds firmware of the profile's name whose code the station never sent.
  std::vector<std::uint8_t> flashImage;
  bool dramFail = false;
  bool eFuseBad = false;
  bool smartThresholdExceeded = false;
  bool apKeyRefused = false;
  std::vector<SmartAttribute> smart;
  std::vector<FaultRule> faults;
};

// What a command did, as the drive reports it.
enum class DriveStatus {
  Ok,
  Aborted,      // ATA error: command refused or failed (ABRT)
  Gone,         // no drive: pulled, or its slot has no power
};

class SimDrive {
 public:
  static constexpr std::uint64_t kDramSectors = 64u * 1024 * 1024 / 512;   // 64 MB
  static constexpr unsigned kBusyPolls = 3;

  SimDrive(const DriveProfile& profile, std::string defaultSerial);

  // Faults the drive's profile names; the slot takes them over (once) when the drive is
  // first inserted.
  std::vector<FaultRule> TakeProfileFaults() { return std::exchange(m_profile.faults, {}); }

  // Presence and power (tester side).
  bool Present() const { return m_present; }
  void Pull() { m_present = false; }
  void Reinsert() { m_present = true; }
  bool Powered() const { return m_powered; }
  void PowerOff();
  void PowerOn();
  bool Answers() const { return m_present && m_powered; }

  // Running code.
  RunningCode Code() const { return m_code; }
  FlashFirmware FlashHolds() const { return m_flashFirmware; }
  std::string FirmwareName() const;
  DriveStatus LoadProgramRam(std::uint32_t offset, std::span<const std::uint8_t> bytes);
  DriveStatus ReadProgramRam(std::uint32_t offset, std::span<std::uint8_t> out) const;
  // Starts the loaded code when the checksum matches: the 16-bit sum of every loaded byte.
  DriveStatus StartProgramRam(std::uint16_t checksum);
  static std::uint16_t ProgramRamChecksum(std::span<const std::uint8_t> image);
  DriveStatus JumpToBoot();
  DriveStatus ForceToBoot();
  DriveStatus ProgramFlash(std::uint32_t offset, std::span<const std::uint8_t> bytes);
  DriveStatus ReadFlashCode(std::uint32_t offset, std::span<std::uint8_t> out) const;
  DriveStatus StartFlashCode();
  DriveStatus EraseIspCode();
  // DOWNLOAD MICROCODE on the running MP firmware: the pieces replace the flash firmware,
  // which runs under the image's name from the next power on.
  DriveStatus DownloadMicrocode(std::uint32_t offset, std::span<const std::uint8_t> bytes);

  // Identification.
  IdentifyData Identify() const;
  SystemInfoSector SystemInfo() const;
  std::array<std::uint8_t, 512> AllFlashIds() const;
  std::uint16_t IcVersion() const { return m_profile.icVersion; }
  // The flash ID of the first CE that carries flash, from byte 0 of the reply.
  DriveStatus ReadFlashId(std::span<std::uint8_t> out) const;
  // Controller registers: address 0 holds the IC version (high byte first).
  DriveStatus ReadRegister(std::uint32_t address, std::span<std::uint8_t> out) const;
  // One CE's unique ID (16 bytes, derived from the serial and the CE); Aborted for a CE
  // without flash.
  DriveStatus UniqueId(unsigned ce, std::span<std::uint8_t> out) const;
  DriveStatus SetApKey();
  bool ApKeyEnabled() const { return m_apKey; }

  // Info block and info code (512 bytes each).
  DriveStatus ReadInfoBlock(unsigned page, std::span<std::uint8_t> out) const;
  DriveStatus WriteInfoBlock(unsigned page, std::span<const std::uint8_t> in);
  DriveStatus ReadInfoCode(std::span<std::uint8_t> out) const;
  DriveStatus WriteInfoCode(std::span<const std::uint8_t> in);

  // RDT results. The information record is the one the station last wrote, else the one the
  // RDT firmware left, else the info block's MpInfo when it carries the signature; none
  // reads as 64 zero bytes.
  std::optional<MpInfo> RdtInfo() const;
  DriveStatus WriteRdtInfo(std::span<const std::uint8_t> in);
  // Sectors [first, first + count) of a log; Aborted when they pass the log's end.
  DriveStatus ReadRdtLog(RdtLogKind log, std::uint32_t firstSector, std::uint32_t count,
                         std::span<std::uint8_t> out) const;

  // Bad blocks.
  BbtParameterRecord BbtParameters() const;
  DriveStatus ReadBadBlockTable(std::uint32_t firstSector, std::uint32_t count, std::span<std::uint8_t> out) const;
  DriveStatus WriteBadBlockTable(std::uint32_t firstSector, std::uint32_t count, std::span<const std::uint8_t> in);
  DriveStatus ReadThirdPartyTable(unsigned chip, std::span<std::uint8_t> out) const;
  DriveStatus WriteThirdPartyTable(unsigned chip, std::span<const std::uint8_t> in);
  // Tests every block; the drive's table learns what the test finds: the factory marks, and
  // in a full scan (not the early-bad scan) the later failures (erase, program, read).
  DriveStatus ScanFlash(bool earlyBadOnly);
  const BadBlockMap& BadBlocks() const { return m_badBlocks; }
  DriveStatus EraseAll(unsigned eraseType);
  // Long commands sent with the polling flag answer at once; the drive then reports busy for
  // a few status polls (a test may ask for more). Each poll advances the work.
  void StartBackgroundWork(unsigned busyPolls = kBusyPolls);
  bool PollReady(std::uint8_t& progress);
  // Timing-window scan (device::WindowScanReply): per channel the pass window (first, last
  // setting) of 16 settings and the chosen one.
  DriveStatus WindowScan(std::span<std::uint8_t> out);
  DriveStatus SetCeMap(std::uint16_t map);
  std::uint16_t CeMapInUse() const { return m_ceMapInUse; }
  // The preformat: with the station's parameter layout the drive stores the info block (its
  // capacity cut to what the flash holds), takes
  // a non-zero CE map and, without the keep-RDT option, forgets the RDT information written to
  // it; SMART starts again either way.
  DriveStatus Preformat(std::span<const std::uint8_t> parameters, std::uint16_t ceMap, std::uint8_t options);
  // The controller's DRAM: what is written reads back (until the power goes off), except on a
  // drive with a DRAM fault, where bit 0 of every 64th byte reads flipped.
  DriveStatus WriteDram(std::uint32_t sector, std::span<const std::uint8_t> in);
  DriveStatus ReadDram(std::uint32_t sector, std::span<std::uint8_t> out) const;

  // eFuses: the state as the read command reports it (device::EFuseReply); a bad eFuse bank
  // reads back noise, with flags and sum that disagree.
  DriveStatus ReadEFuses(std::span<std::uint8_t> out) const;
  DriveStatus CutEFuses(bool uart, bool jtag, bool aes);

  // SMART and debug data.
  std::array<std::uint8_t, kSmartPageBytes> SmartPage() const;
  bool SmartThresholdExceeded() const { return m_profile.smartThresholdExceeded; }
  DriveStatus ResetSmart();
  // Debug-information sectors [first, first + count): selector 0 the SMART page, 1 the info
  // block, each in its first sector and zeros after it.
  DriveStatus ReadDebugData(unsigned selector, std::uint32_t firstSector, std::uint32_t count,
                            std::span<std::uint8_t> out) const;

  // User data and ATA housekeeping.
  DriveStatus ReadSectors(std::uint64_t lba, std::uint32_t count, std::span<std::uint8_t> out) const;
  DriveStatus WriteSectors(std::uint64_t lba, std::uint32_t count, std::span<const std::uint8_t> in);
  std::uint64_t UserSectors() const;
  DriveStatus SecurityErase();
  DriveStatus StandbyImmediate();
  bool InStandby() const { return m_standby; }
  const SparseMedia& Media() const { return m_media; }

 private:
  bool RunsMpFirmware() const;
  // The bin type of the image the running code came from, when it names one.
  std::optional<std::string> RunningBinType() const;
  void BootFromPowerOn();
  // The RDT firmware the station programmed, started for the first time: it runs its test.
  void RunProgrammedRdt();
  void RebuildRdtLogs();
  std::span<const std::uint8_t> LogBytes(RdtLogKind log) const;
  BbtGeometry TableGeometry() const;
  std::uint16_t TableCheckSum() const;

  DriveProfile m_profile;
  std::string m_serial;
  bool m_present = true;
  bool m_powered = true;
  RunningCode m_code = RunningCode::Boot;
  FlashFirmware m_flashFirmware = FlashFirmware::None;
  std::string m_flashName;
  std::vector<std::uint8_t> m_programRam;
  std::vector<std::uint8_t> m_flashImage;
  bool m_rdtDue = false;                             // programmed RDT firmware not yet started
  bool m_apKey = false;
  bool m_standby = false;
  std::uint16_t m_ceMapInUse = 0;
  unsigned m_busyPolls = 0;
  unsigned m_busyTotal = 0;
  std::optional<MpInfo> m_writtenRdtInfo;
  DramStore m_dram{kDramSectors};
  std::array<std::uint8_t, 512> m_infoBlock{};
  std::array<std::uint8_t, 512> m_infoCode{};
  BadBlockMap m_badBlocks;
  std::vector<std::uint8_t> m_table;                 // the controller's table, status per block
  std::vector<std::vector<std::uint8_t>> m_thirdParty;  // per chip number of CEs 0..15
  RdtLogs m_rdtLogs;
  bool m_uartCut = false;
  bool m_jtagCut = false;
  bool m_aesCut = false;
  std::vector<SmartAttribute> m_smart;
  SparseMedia m_media;
};

}  // namespace sim
