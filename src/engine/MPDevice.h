#pragma once
// CMPDevice: the per-drive engine object. One is made for every slot and operation; it owns
// its device-command object, its page buffers, its log writer and the volume lock of its
// drive. Every step returns a byte (1 pass, 0 fail, sometimes 2) and, on failure, leaves an
// error tag ("I_x06": class letter, "_", phase letter, two characters) and a message in
// m_ErrorTag / m_ErrorMessage; a step whose description says so has also written the fail
// record into the slot report (WriteFailReport). No exception leaves a step.
//
// One class, its source files split by topic:
//   core/      constructors, report writers and fail record, error tags, tester control,
//              IO state, running code, identification, capacity, volume lock (the core)
//   firmware/  firmware download and drive preparation
//   scan/      flash scan, burn-in tests and bad-block tables
//   rdtlog/    the RDT log reader and judgement
//   reports/   the report sections (settings snapshot, info block, SMART, block statistics)
// The declarations below are grouped by the folder that implements them. Each block may
// add private helpers and fields of its own inside its own block only.
//
// Record arguments: a "64-byte record" is the RDT information record (MpInfo layout) or the
// bad-block-table parameter block; a "512-byte buffer" is one sector. Pointers to them may
// be null where the description says "or none".
//
// Threads: an object is used by one thread at a time (the slot's worker or a page worker).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceCommand.h"
#include "device/LogFile.h"
#include "device/VolumeLock.h"
#include "engine/BlockInfoRecord.h"
#include "engine/core/BadPercentSettings.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"

class CColorEdit;
namespace ui {
class CWnd;
class CProgressCtrl;
}  // namespace ui

// Code of the host's Windows version (1 to 9); 5 until the legacy page sets it.
extern int g_WindowsVersionCode;

class CMPDevice {
 public:
  // Sizes of the engine's page buffers.
  static constexpr std::size_t kSectorBytes = 512;
  static constexpr std::size_t kIdentifyBytes = 512;
  static constexpr std::size_t kSystemInfoBytes = 1024;
  static constexpr std::size_t kTransferBytes = 64 * 1024;
  static constexpr std::size_t kInfoBlockImageBytes = 512;
  static constexpr std::size_t kTesterPageBytes = 528;
  static constexpr std::size_t kFlashIdBytes = 7;
  static constexpr std::size_t kRecordBytes = 64;

  // ---- construction (core/MPDevice.cpp) ------------------------------------------------
  // Settings form: the engine of a slot. Reads the station index and the report name (the
  // MAC text of ".\PC_MAC_Address.txt", else the computer name); the slot report is
  // "<log folder>\D_Reports\<report name>_<port>_Report.txt". The status cell and the page
  // pointer are kept; the engine does not use them.
  CMPDevice(int driveNumber, int taskKind, int portNumber, std::string logFolder, CColorEdit* statusCell,
            ui::CWnd* keptPage);
  // Light form: buffers and device command only, no settings read (station index -1). It has
  // no slot report of its own; the text is kept in m_FileName (the callers write their
  // temporary reports to it through WriteTempReportLine).
  CMPDevice(int driveNumber, int taskKind, std::string fileName, int, int);
  // Frees everything the engine owns; a volume that a flow left locked is closed.
  ~CMPDevice();
  CMPDevice(const CMPDevice&) = delete;
  CMPDevice& operator=(const CMPDevice&) = delete;

  // ---- slot report and logs (core/SlotReport.cpp) ---------------------------------------
  // The line form of a report text other than "START" and "END" (which take either).
  static constexpr std::uint8_t kSuccessLine = 0;  // "[ Success ] %s \r\n"
  static constexpr std::uint8_t kPlainLine = 1;    // "   %s \r\n"
  // "START" creates the slot report and writes its banner, "END" its end line and pass line;
  // any other text is appended in the line form that `plain` names.
  // Stores the report's path in m_ReportFile. Never fails towards the caller: a line that
  // cannot be written is noted as a lost record (NoteRecordWriteFailure). When the banner
  // cannot be written, no later text of this engine goes into that file (it still holds an
  // earlier run), so a report never mixes two runs; once a record was lost, "END" (whose
  // pass line would say PASS) is not written.
  void WriteReportLine(std::string_view text, std::uint8_t plain);
  // "END" at the given time (the text of engine::report::EndText): true when the end line and
  // the pass line reached the slot report; false when they did not, or when a record of the
  // run was lost before them (nothing is written then).
  bool WriteReportEnd(const platform::LocalTime& time);
  // A page's worker whose log folder a station's passes share (the later-bad page and the
  // bad-block-table page write into the QC station's folder) keeps the reports it would
  // replace: at "START" an existing slot report is moved aside to
  // "<report folder>Earlier\<report name>_<slot>_Report_<yyyymmdd>_<hhmmss>_<ms>.txt" (the time
  // it was moved aside) before the banner is written. When it cannot be moved the report is
  // not started (as a banner that cannot be written) and the failure is a lost record.
  void KeepEarlierReports() { m_KeepEarlierReports = true; }
  // The same for the given path when it is not empty, else for the temporary report
  // "<report folder>\<report name>_<port>_Report_Temp.txt"; "START" writes its header.
  void WriteTempReportLine(std::string_view text, std::uint8_t plain, std::string_view path);
  // Appends the fail record of m_ErrorTag / m_ErrorMessage to the slot report, copies the
  // report (when it is this engine's own, OwnsReport) into the log folder's "Fail_Log" folder
  // and, when SetLogFileNames has set it, adds the failure to the error log.
  void WriteFailReport();
  // Stores the station index and sets the total and error log paths under the log folder.
  void SetLogFileNames(int stationIndex);
  // True when the file at the path is this engine's own report: it wrote the file's banner,
  // or started the file with a line of its own. A report whose banner it could not write (or
  // never wrote) still holds an earlier run, perhaps its PASS: no copy of it is this run's.
  bool OwnsReport(const std::string& path) const;
  // What this run's slot report would hold for a copy when the file is not its own: the
  // banner the report could not take (none when "START" was never written) and the fail
  // record of m_ErrorTag / m_ErrorMessage at the current time.
  std::string UnwrittenReportText() const;
  // Where WriteFailReport copies the slot report: "<log folder>\Fail_Log\<report name>_<slot>_Report.txt"
  // ("" for an engine without a log folder).
  std::string FailLogCopyPath() const;
  // Copies a slot report to its Fail_Log path, making the folder; false when the copy failed.
  static bool CopyReportToFailLog(std::string_view report, std::string_view copy);

  // Records before verdicts. Every write of a record of this drive that did not reach its
  // file (slot report and its twin, report sections, fail record and its copies, error log,
  // the RDT CSV logs, and the task's slot logs, results list, Summary.csv and
  // block-information file) is noted
  // here, with its path and the errno of the failure (0: platform::LastFileErrno()). The task
  // fails a slot whose engine noted one, whatever its flow returned.
  void NoteRecordWriteFailure(std::string_view path, int error = 0);
  bool RecordsFailed() const { return !m_RecordFailureText.empty(); }
  // "Log write failed: <path>: <reason>" of the first failure; empty while there was none.
  const std::string& RecordFailureText() const { return m_RecordFailureText; }
  // Writes a buffer into a file (created or truncated); "A_x08" when it cannot.
  std::uint8_t SaveBufferToFile(std::string_view path, const std::uint8_t* buffer, std::size_t length);

  // ---- error tags (core/ErrorTagText.cpp, table in ErrorTags.cpp) -------------------------
  // A text whose second character is "_" is an error tag and becomes "0x%03X" of its code
  // (looked up again with its third character replaced by "x" when it is not in the table;
  // 0xFFF when neither is); any other text comes back unchanged.
  static std::string ErrorTagToCode(std::string_view text);

  // ---- tester control and IO state (core/TesterControl.cpp) ------------------------------
  // Card detect, up to `tries` times: 1 present, 4 or 5 no card, 255 unknown state, 0 when
  // the command failed ("T_x07").
  std::uint8_t DetectCard(int tries);
  // Mode 0 switches the slot's power off ("T_x06" "Power off Failed"), mode 1 on ("T_x02").
  std::uint8_t PowerOffOnCard(std::uint8_t mode, std::uint8_t value1, std::uint8_t value2, std::uint8_t devSleep);
  // Power off and on, then waits for the drive; tag, message and fail record on failure.
  std::uint8_t ResetCardAndTesterPower(std::uint8_t value1, std::uint8_t value2, std::uint8_t devSleep);
  // Power reset of the card, then waits for the drive; tags with phase letter "x".
  std::uint8_t ResetCardPower(std::uint8_t value1);
  // Powers and detects the slot's drive and checks that it answers ("P_A01": no drive in
  // the slot, "P_x01": the drive does not answer); kind 4 also compares the serial number
  // with the scanned bar code (m_BarCodeText).
  std::uint8_t CheckIOState(int taskKind);
  // DEVSLP through the tester: the drive sleeps and wakes again.
  std::uint8_t CheckDEVSLP();
  // The slot's maximum current in mA (selector 0 = maximum).
  std::uint8_t ReadMaxCurrent(double& milliamps, std::uint8_t selector);
  // The tester's 528-byte USB page: tester type, version text "%d.%02x", extra value.
  std::uint8_t ReadTesterInfo();
  std::uint8_t GetTesterFWVersion();

  // ---- running code, identification, info block (core/RunningCode.cpp, Identification.cpp,
  //      InfoBlockChecks.cpp) ----------------------------------------------------------------
  // Vendor-command access with up to 3 tries, "Set AP Key retry = %d" after each failed try.
  std::uint8_t EnableAPKey(std::uint8_t checkReply, std::uint32_t waitMs);
  // The code ChkRC requires to run; any other value takes any code.
  static constexpr std::uint8_t kRequireBootCode = 0;
  static constexpr std::uint8_t kRequireBurnerCode = 1;  // the burner: the RAM code a download starts
  static constexpr std::uint8_t kRequireFlashCode = 2;
  static constexpr std::uint8_t kRequireAnyCode = 3;
  // ChkRC's version-check flag (cleared on entry: no version check runs either way) and its
  // fail-record flag.
  static constexpr std::uint8_t kNoVersionCheck = 0;
  static constexpr std::uint8_t kCheckVersions = 1;
  static constexpr std::uint8_t kWriteFailRecord = 1;
  // Running-code check: required code 0 boot, 1 burner, 2 flash, 3 or 4 any code. The
  // version-check flag is cleared on entry (no version check runs). Sets the running-code
  // flags and m_FirmwareName; copies IDENTIFY data into identify512 (when given) for a drive
  // on flash code that is not the RDT firmware.
  std::uint8_t ChkRC(std::uint8_t requiredCode, std::uint8_t checkVersions, std::uint8_t writeFailRecord,
                     std::string_view expectedName, std::uint8_t* identify512);
  // IDENTIFY DEVICE into the 512-byte buffer and the firmware name into m_FirmwareName
  // ("I_x06", in bridge mode "I_B06").
  std::uint8_t ReadFirmwareName(std::uint8_t* identify512, std::uint8_t bridgeMode);
  std::uint8_t ReadSystemInfo();
  // The seven flash-ID bytes into m_FlashID, checked against the parameter file's Flh_ID.
  std::uint8_t ReadFlashID(std::uint8_t firstValue, std::uint8_t secondValue);
  // 64 entries of 8 bytes, one per CE, into the 512-byte table.
  std::uint8_t ReadAllFlashID(std::uint8_t* table512);
  // Flash ID read through the boot code against Flh_ID; 0 on a mismatch without a tag.
  std::uint8_t CheckFlashID();
  // Every CE's flash ID against Flh_ID, the CE map and the flash count of the parameter file.
  std::uint8_t CheckAllFlashID(std::uint8_t compareCeMap, std::uint8_t compareCount, std::uint8_t writeFailRecord,
                               std::uint8_t reserved);
  std::uint8_t CheckICVer();
  // Bin type of the flash-type table (FlashInfo.ini) against Flh_RDTBinType (1) or
  // Flh_MPBinType (0); 0 on a mismatch without setting a tag.
  std::uint8_t CheckBinType(std::uint8_t rdtClass);
  // Identify, serial number and WWN check; with compareBarCode the serial must equal the
  // scanned bar code.
  std::uint8_t CheckSerialNumber(std::uint8_t reserved, std::uint8_t compareBarCode);
  // Capacity, HPA and info-block checks of the programmed drive (mode 0: the full check).
  std::uint8_t CheckInfoBlock(std::uint8_t mode);
  // Parameter file against the device; with checkInfoBlock also the drive's info block.
  std::uint8_t VerifyDeviceInfo(int taskKind, std::uint8_t checkInfoBlock, const std::uint8_t* runInfo64);
  // The firmware on flash against the MP firmware image.
  std::uint8_t VerifyFlashFirmware();
  // Reads (write 0) or writes (write 1) an info-block page after the AP key.
  std::uint8_t DirectAccessInfoBlock(std::uint8_t* buffer512, std::uint8_t write, std::uint8_t page);
  // The drive's info block (page 0) into a 512-byte buffer ("I_x45").
  std::uint8_t ReadInfoBlock(std::uint8_t* infoBlock512);
  // The info page into m_InfoBlockImage ("I_D45").
  std::uint8_t ReadInfoPage();
  // Sets the stage's mark in byte 511 of m_InfoBlockImage and writes the block ("I_Q10").
  std::uint8_t WriteGoodCardMark(std::uint8_t stage);
  // Waits up to limitSeconds for the drive to be ready ("I_x24", "I_x87").
  std::uint8_t PollDeviceStatus(std::uint32_t limitSeconds);

  // ---- drive checks (core/DriveChecks.cpp) -----------------------------------------------
  std::uint8_t CheckEFuse(std::uint8_t afterCut, std::uint8_t qcCheck, std::uint8_t uartCut, std::uint8_t jtagCut);
  std::uint8_t CutEFuse(std::uint8_t uart, std::uint8_t jtag, std::uint8_t aes);
  std::uint8_t CheckSmartReturnStatus();
  std::uint8_t CheckThermalSensor();
  std::uint8_t ResetSmart();
  std::uint8_t DoSecurityErase();
  // DMA write, read and compare of the controller's DRAM.
  std::uint8_t DoSDRWriteReadTest(ui::CProgressCtrl* progress, int progressPoints, std::uint8_t reserved);

  // ---- capacity (core/Capacity.cpp) ------------------------------------------------------
  // The capacity in GB the settings give the drive; `table`: the capacity table read for a
  // limit, whose sizes stand for AutoCapacity_SizeArray.
  std::uint32_t GetCapacity(const engine::CapacityTable* table = nullptr);
  std::uint32_t GetSelectedCapacity() const { return m_SelectedCapacity; }
  int GetDriveNumber() const { return m_DriveNumber; }
  // The maximum bad-block percentage for a capacity from the capacity table read for this
  // drive's CE count (AutoCapacity_SizeArray and AutoCapacity_MaxBadPercent_%dCE), with the
  // "Select" line of the list; 0 when the lists give none.
  std::uint32_t SelectAutoCapacity(const engine::CapacityTable& table, std::uint32_t capacityGB);

  // ---- block-information file and volume lock (core/BlockInfoFile.cpp, DiskVolumes.cpp)
  // The first "RDT" record of the slot's "#%d.bin": CEs 0..15 against the all-bad limit.
  std::uint8_t LoadBlockInfoFile();
  // Non-zero when every mounted volume of the drive was unmounted and the drive is held
  // (kept in m_VolumeLock); 0 for a drive with nothing mounted, which is held all the same
  // until the unlock or the end of the engine object.
  int LockDiskVolumes();
  // Unmounts what was mounted on the drive again meanwhile and releases it; non-zero on success.
  int UnlockDiskVolumes();

  // ---- firmware download and preparation (firmware/*.cpp) -------------------------------
  // Erase types of DoEraseAllBlock that the flows and pages name (GetPretestEraseType gives the
  // station's type; what each type erases is the drive's business).
  static constexpr std::uint8_t kEraseNone = 1;             // nothing is erased: the flows skip the erase
  static constexpr std::uint8_t kEraseAll = 9;              // every block, the earlier RDT information with them
  static constexpr std::uint8_t kEraseKeepingRdtInfo = 17;  // the drive's later-bad counter is kept
  static constexpr std::uint8_t kEraseForSlcCycleRdt = 0;   // a drive whose RDT cycles SLC blocks only
  std::uint8_t DoEraseAllBlock(std::uint8_t eraseType, std::uint8_t reserved, ui::CProgressCtrl* progress,
                               int progressPoints, std::uint8_t usePolling);
  std::uint8_t DoEraseISPCode();
  std::uint8_t ForceToBootCode();
  // The pause after the jump command that every caller of JumpToBootAndWait gives it.
  static constexpr std::uint32_t kJumpToBootPauseMs = 5000;
  std::uint8_t JumpToBootAndWait(std::uint32_t pauseMs);
  // The firmware image of the parameter file that LoadPRAMCode puts into the controller's
  // program RAM and ProgramFlashFirmware writes into flash.
  static constexpr std::uint8_t kMpImage = 0;   // ISP_MPBINCode: the MP firmware
  static constexpr std::uint8_t kRdtImage = 1;  // ISP_RDTBINCode: the RDT firmware
  std::uint8_t LoadPRAMCode(std::uint8_t loadRdtImage, std::string_view sectionSelector);
  std::uint8_t ModifyInfoBlock(std::uint8_t serialOnly, std::uint8_t keepDeviceInfo, const std::uint8_t* runInfo64,
                               std::uint8_t temperatureLog);
  std::uint8_t MakeSerialNumber();
  std::uint8_t PreFormat(std::uint8_t fromMpFlow, ui::CProgressCtrl* progress, int progressPoints,
                         std::uint8_t keepRdt, std::uint8_t usePolling, std::uint16_t ceMap);
  std::uint8_t ProgramFlashFirmware(std::uint8_t rdtImage, std::uint8_t shortRun, std::string_view text = {});
  std::uint8_t ReadAllUniqueID();
  std::uint8_t SetCEMap(std::uint16_t ceMap, std::uint8_t compare);
  std::uint8_t StandByImmediate();
  std::uint8_t UpdateInfoCode();
  std::uint8_t UpgradeFirmware();

  // ---- flash scan, burn-in tests and bad-block tables (scan/*.cpp) ----------------------
  // The engine's block map is m_BBTBuffer as ReadBadBlockTable filled it (m_TableSizeBytes of
  // status bytes, CE slot after CE slot); tags and texts in scan/ScanTags.h.
  // Blocks 0..3 of every CE in use must be good ("F_x44"); writes its fail record.
  std::uint8_t CheckFirst4Blocks(std::uint8_t reserved);
  std::uint8_t CopyCompareTestDMA(ui::CProgressCtrl* progress, int progressPoints);
  std::uint8_t CopyCompareTestPIO(ui::CProgressCtrl* progress, int progressPoints);
  std::uint32_t CountBadBlocks(std::uint32_t ceSlots, int ce, const std::uint8_t* bbtParameter64, std::uint8_t kindMask,
                               std::uint8_t exclusionMask);
  // The parameter record ("DBTP") and the table into m_BBTBuffer; the checksum is the CRC-16
  // (CCITT) of the block map. On failure ("F_D01") the record out is all zero.
  std::uint8_t ReadBadBlockTable(std::uint8_t* bbtParameter64, std::uint16_t* checksumOut);
  std::uint8_t ReadDebugData(std::span<std::uint8_t> buffer, std::uint32_t sectorCount, std::uint8_t selector);
  std::uint8_t ReadRDTInfo(std::uint8_t* rdtInfo64, std::uint16_t* checksumOut);
  std::uint8_t ReadWhole3rdBBT(std::span<std::uint8_t> tableBuffer, const std::uint8_t* bbtParameter64,
                               std::vector<std::uint8_t>& wholeTable, std::uint32_t* lengthOut);
  // scanMode 0 lists every bad block in the report, 2 only counts; scanOption 1 polls the
  // drive's status while it scans; romMode 1 (a drive on its ROM code) reads the table without
  // a test. Takes the later-bad request that TakeLaterBadRequest moved into this engine.
  std::uint8_t ScanBadBlock(std::uint8_t firstScan, std::uint8_t scanMode, ui::CProgressCtrl* progress,
                            int progressPoints, std::uint8_t scanOption, BlockInfoRecord* blockInfo,
                            std::uint8_t romMode);
  // Whether ScanBadBlock chooses the drive's capacity by the capacity table after the scan
  // (AutoCapacity_Enable), which it never does for a later-bad page request (that gives its
  // own limit). The scan reads its limit settings with the table then (ReadBadPercentSettings).
  static bool ChoosesCapacityAfterScan(bool laterBadRequest);
  std::uint8_t ScanWindow();
  // The checksum continues from its preset (0xFFFF). The RDT record is written with the table
  // when it carries "TVRT"; flag 1 (a table the station rebuilt) gives it, or else the
  // drive's own record, the new table's checksum.
  std::uint8_t WriteBadBlockTable(std::span<const std::uint8_t> tableBuffer, const std::uint8_t* rdtInfo64,
                                  const std::uint8_t* bbtParameter64, std::uint16_t* checksum, std::uint8_t flag);
  std::uint8_t WriteReadBurnIn(ui::CProgressCtrl* progress, int progressPoints, float amount,
                               std::uint8_t byCapacity, std::uint32_t loops);
  std::uint8_t Write3rdBBTForCE(std::span<const std::uint8_t> slice, std::uint32_t sectors, std::uint8_t chip);
  // The bad-block text file (scan/BadBlockTextFile.h). The loaders check the whole file and
  // change nothing they were given when it does not read back ("S_xMA").
  std::uint8_t SaveBadBlockFile(std::string_view path, std::uint32_t ceCount, const std::uint8_t* bbtParameter64,
                                const std::uint8_t* rdtInfo64);
  std::uint8_t LoadBadBlockFile(std::string_view path, std::span<std::uint8_t> tableBuffer,
                                std::uint8_t* bbtParameter64, std::uint8_t* rdtInfo64);
  std::uint8_t LoadRDTInfoRaw(std::string_view path, std::uint8_t* rdtInfo64);
  std::uint8_t LoadBBTParameterRaw(std::string_view path, std::uint8_t* bbtParameter64);
  // Called by the later-bad page's worker before its ScanBadBlock: moves the page's one-shot
  // request (g_LaterBadRequest, g_LaterBadLimitText, scan/LaterBadRequest.h) into this engine
  // and clears the globals, so that no other engine's scan takes it.
  void TakeLaterBadRequest();

 private:
  // Scan helpers (scan/*.cpp).
  // Scan_MaxBadPercent, or the percentage chosen by capacity when it is 0.
  std::uint32_t ScanMaxBadPercent(const engine::BadPercentSettings& limitSettings);
  std::uint8_t SendScanCommand(std::uint8_t firstScan, std::uint8_t scanMode, std::uint8_t polling,
                               ui::CProgressCtrl* progress, int progressPoints);
  std::uint32_t ChooseAutoCapacity(const engine::CapacityTable& table, std::uint32_t worstPlane,
                                   std::uint32_t& percentOut);
  void WriteScanRdtInfoLines();
  std::uint8_t CopyCompareTest(ui::CProgressCtrl* progress, int progressPoints, bool dma);
  std::uint8_t BeginWriteReadTest(std::uint64_t& userSectors);
  void EndWriteReadTest(const char* what, std::uint64_t start);
  std::uint8_t WriteReadRange(bool dma, bool write, std::uint64_t lba, std::uint32_t count, std::uint32_t pass);
  std::uint8_t RefuseBadBlockFile(std::string_view path, const std::string& problem);
  std::uint8_t LoadFileRecord(std::string_view path, std::uint8_t* record64, bool rdtInfo);

 public:

  // ---- RDT log reader and judgement (rdtlog/*.cpp) --------------------------------------
  std::uint8_t ReadRDTLog(std::uint8_t saveCsv, std::uint8_t ignored, ui::CProgressCtrl* progress,
                          int progressSpan, std::uint8_t dramOnly, std::uint8_t probe, std::uint8_t* infoRecordOut64,
                          BlockInfoRecord* blockInfo, std::uint8_t ignoreBadBlockVerdict);
  // The same reading with its inputs named: a caller sets the ones it needs (designated
  // initializers) and leaves the others as they are here.
  struct RdtReadRequest {
    bool saveCsv = false;                   // the logs are saved as CSV files too
    ui::CProgressCtrl* progress = nullptr;  // the bar the reading advances
    int progressSpan = 0;                   // the points it may add to the bar
    bool dramOnly = false;                  // no bad-block log and judgement: the DRAM log only
    bool probe = false;                     // only whether the drive runs the RDT firmware
    std::uint8_t* infoRecordOut = nullptr;  // 64 bytes for the RDT information record, or none
    BlockInfoRecord* blockInfo = nullptr;   // the block-information record to fill, or none
    bool ignoreBadBlockVerdict = false;     // a failing bad-block judgement does not fail the drive
  };
  std::uint8_t ReadRDTLog(const RdtReadRequest& request);
  // Called by the RDT result page's worker before its ReadRDTLog: moves the page's one-shot
  // limit (g_RdtRequest, g_RdtLimitText) into this engine and clears g_RdtRequest, so that
  // no other engine's reading takes it.
  void TakeRdtLimitRequest();
  // The reader object of one ReadRDTLog call uses the core helpers.
  friend class CRdtLogReader;

  // ---- report sections (reports/*.cpp) --------------------------------------------------
  void WriteReportSettings();
  void WriteInfoBlockReport(const std::uint8_t* infoBlock512);
  std::string WriteSmartReport(const std::uint8_t* smartPage512);
  // The statistics text of the block-information record (fromRecord set) or of the drive's
  // bad-block table read now; the empty text without the records it needs. nullopt when the
  // table could not be read: the read's tag and message are left for the caller, as counts of
  // a block map that was not read would be made up.
  std::optional<std::string> FormatBlockStatistics(std::uint32_t itemMask, std::uint8_t fromRecord,
                                                   const BlockInfoRecord* blockInfo, const std::uint8_t* rdtInfo64);

  // ======================================================================================
  // Fields. The flows and pages read and write these directly.

  // ---- core fields ----------------------------------------------------------------------
  std::string m_ErrorTag;
  std::string m_ErrorMessage;
  std::string m_SerialCounterText;     // the serial-number counter text
  std::string m_SerialNumber;          // the serial number used in logs and file names
  std::string m_DriveSerial;           // the drive's serial number
  // The serial number the drive's records name: the drive's own (IDENTIFY), else the one
  // handed out to it in this run (a drive on burner code is not identified).
  const std::string& RecordedSerial() const { return m_DriveSerial.empty() ? m_SerialNumber : m_DriveSerial; }
  std::string m_BarCodeText;           // the scanned bar code of the slot (empty: none scanned)
  std::string m_IdentifierText;        // identifier text of the fail-serial record (never set by a step)
  // Running code, set by ChkRC.
  std::uint8_t m_RunningCodeCheck = 0;  // set by the pages before ChkRC; ChkRC sets the flags either way
  std::uint8_t m_RunOnBootCode = 0;     // "SBR"
  std::uint8_t m_RunOnBurnerCode = 0;   // "SBB"
  std::uint8_t m_RunOnFlashCode = 0;    // ROM code: "SBF", the RDT firmware or the MP firmware
  std::uint8_t m_RunRDTFirmware = 0;    // "SBS", "RBS", "RDT" (set only with m_RunOnFlashCode)
  std::string m_BurnerVersion;          // the burner code's version text ("1.0.3" of "SBB1.0.3")
  std::string m_FirmwareName;           // the running code's name
  std::string m_FirmwareRevision;       // IDENTIFY words 23..26
  // Geometry and identification (ReadSystemInfo, ReadFlashID).
  std::uint32_t m_CapacityMB = 0;
  std::uint32_t m_CECount = 0;          // CEs that carry flash (also the flash chips found)
  std::uint16_t m_CEMap = 0;            // the CE map in use (bit k = CE k)
  std::uint64_t m_SystemCEMap = 0;      // the 64-bit CE map of the system information
  std::uint32_t m_CEMaskFlag = 0;       // CE-numbering flag: CEs are numbered by the map
  std::uint32_t m_CEAddressingMode = 1; // 1 or 2
  std::uint32_t m_DiesPerCE = 0;
  std::uint32_t m_Planes = 0;
  std::uint32_t m_BlocksPerCE = 0;
  std::uint32_t m_CESizeExponent = 0;   // a CE holds 2^n GB
  std::uint32_t m_PageSectors = 0;
  std::uint32_t m_RDT_Loops = 0;
  std::uint32_t m_RDTFastPageLoops = 0;
  std::uint8_t m_TwoPlaneFlag = 0;      // bit 1 of system-information byte 0xE4
  std::uint8_t m_B0KBFlag = 0;          // the two-plane layout that one-CE drives cannot run
  std::uint8_t m_FlashID[kFlashIdBytes] = {};
  std::uint64_t m_IdentifiedSectors = 0;  // user capacity of the last identify
  std::uint32_t m_SelectedCapacity = 0;   // capacity in GB that the auto-capacity choice selected
  // Flags that PreFormat reads; the flows set them.
  std::uint32_t m_RDTInfoValid = 0;
  std::uint32_t m_RDTTwoPass = 0;
  std::uint8_t m_SLCCycleRDT = 0;
  std::uint16_t m_RunInfoCEMap = 0;     // CE map of the run information
  std::uint32_t m_ScanStage = 0;        // later-bad counter; the scan and the RDT judgement compare it with 2
  // Write-read current statistics.
  std::uint8_t m_WRCurrentStatistics = 0;
  std::uint8_t m_WRCurrentPending = 0;
  std::string m_StandbyCurrentText;
  std::string m_WRCurrentText;
  std::string m_WindowScanText;         // set by ScanWindow
  std::uint8_t m_HasExtraStatus = 0;
  std::string m_ExtraStatusText;
  // Buffers.
  std::vector<std::uint8_t> m_IdentifyBuffer;     // 512 bytes
  std::vector<std::uint8_t> m_SystemInfoBuffer;   // 1024 bytes; bytes 348-351 hold the bin type
  std::vector<std::uint8_t> m_TransferBuffer;     // 64 KB
  std::vector<std::uint8_t> m_InfoBlockImage;     // 512 bytes: the info block as last read or built
  std::vector<std::uint8_t> m_TesterPage;         // 528 bytes: the tester's USB page
  std::vector<std::uint8_t> m_BBTBuffer;          // the bad-block-table buffer
  std::vector<std::uint8_t> m_WholeTableBuffer;   // whole / 3rd-party table (the caller releases it)
  // Report, logs and slot.
  int m_DriveNumber = 0;
  int m_TaskKind = 0;
  int m_SlotNumber = 0;                 // the port, 1..24
  int m_StationIndex = 0;
  std::string m_LogFolder;
  std::string m_ReportFolder;           // "<log folder>\D_Reports\" (ends with a backslash)
  std::string m_ReportName;             // the host label: MAC text or computer name
  std::string m_ReportFile;             // the slot report's path, stored by WriteReportLine
  std::string m_TotalLogPath;
  std::string m_ErrorLogPath;
  std::string m_FileName;               // light form: the caller's file name
  CLogFile m_LogFile;
  // Tester.
  std::uint32_t m_TesterType = 0;
  std::string m_TesterVersionText;
  std::uint8_t m_TesterExtraValue = 0;
  // The kept volume lock and the device command.
  std::unique_ptr<CVolumeLock> m_VolumeLock;  // the kept volume handle
  std::unique_ptr<CDeviceCommand> m_DeviceCommand;
  CColorEdit* m_StatusCell = nullptr;
  ui::CWnd* m_KeptPage = nullptr;

  // ---- firmware fields (firmware/*.cpp) ---------------------------------------------------
  std::uint8_t m_ReadUniqueIdFlag = 0;  // the two unique-ID flags
  std::uint8_t m_KeepUniqueIdFlag = 0;
  static constexpr std::size_t kUniqueIdBytes = 16;
  std::vector<std::uint8_t> m_UniqueIds;  // kUniqueIdBytes per CE, 64 CEs (ReadAllUniqueID)

  // ---- scan fields (scan/*.cpp) ------------------------------------------------------------
  std::uint32_t m_UnitsPerCE = 0;       // unit (die) count per CE, from the system information
  std::uint32_t m_TableSizeBytes = 0;   // size of the block map in bytes
  std::uint8_t m_LaterBadRequest = 0;   // the later-bad page's request (TakeLaterBadRequest);
  std::string m_LaterBadLimitText;      // the next ScanBadBlock takes and clears it

  // ---- RDT log fields (rdtlog/*.cpp) -------------------------------------------------------
  std::uint32_t m_RDTResultCode = 0;
  std::uint16_t m_RDTCEMap = 0;
  std::uint32_t m_RDTTotalTime = 0;     // seconds
  std::uint8_t m_RdtRequest = 0;        // the RDT result page's limit request (TakeRdtLimitRequest);
  std::string m_RdtLimitText;           // the next ReadRDTLog takes and clears it

 private:
  // ---- core helpers, for every block ------------------------------------------------------
  // Sets tag and message; returns 0 so that a failing step reads "return Fail(...)".
  std::uint8_t Fail(std::string_view tag, std::string message);
  // The same, and writes the fail record.
  std::uint8_t FailWithRecord(std::string_view tag, std::string message);
  // Writes the fail record of the tag and message already set; returns 0.
  std::uint8_t RecordFailure();
  CDeviceCommand& Command() { return *m_DeviceCommand; }
  // Path of the slot report and of its temporary twin ("" for an engine without a report).
  std::string SlotReportPath() const;
  std::string TempReportPath() const;
  void InitBuffers();
  // Appends a line form to a report; "START" creates or empties it with the banner.
  void WriteLineTo(const std::string& path, std::string_view text, std::uint8_t plain);
  // The end line and the pass line; none once a record of the run was lost.
  bool WriteEndTo(const std::string& path, const platform::LocalTime& time);
  // Appends text to a report of this engine; false when it was not written. A report whose
  // banner this engine could not write takes nothing more. A missing report is started with
  // the text (Start: lines and fail records) or the text is dropped without a note (Drop:
  // report sections); any other failure is noted as a lost record.
  enum class MissingReport { Start, Drop };
  bool AppendToReport(const std::string& path, std::string_view text, MissingReport missing);
  bool ReportUnstarted(const std::string& path) const;
  // The fail record of m_ErrorTag / m_ErrorMessage at the given time.
  std::string FailRecordAt(const platform::LocalTime& time) const;
  std::string m_RecordFailureText;
  std::vector<std::string> m_UnstartedReports;  // reports whose banner could not be written
  std::vector<std::string> m_OwnReports;        // reports this engine started (OwnsReport)
  std::string m_UnwrittenBanner;                // the banner the slot report could not take
  bool m_KeepEarlierReports = false;            // KeepEarlierReports was asked
  // Moves an existing slot report aside (KeepEarlierReports); false when it could not.
  bool MoveEarlierReportAside(const std::string& path, const platform::LocalTime& now);
  // Polls the device status (ten polls a second) until the drive is ready.
  enum class ReadyState { Ready, Busy, NoAnswer };
  ReadyState WaitDeviceReady(std::uint32_t limitSeconds);
  // Slot power off and on, then PollDeviceStatus; tags, messages and fail record on failure.
  std::uint8_t PowerCycleAndWait(std::uint8_t value1, std::uint8_t value2, std::uint8_t devSleep);
  // IDENTIFY into m_IdentifyBuffer; takes the drive's serial, firmware revision and size.
  std::uint8_t IdentifyDrive(std::string_view failTag);
  // With a scanned bar code, the drive's serial must equal it ("S_x16").
  std::uint8_t CompareSerialWithBarCode();
  // The flash ID bytes of the drive into m_FlashID (Read Flash ID through the running code).
  std::uint8_t ReadFlashIdBytes(std::uint8_t firstValue, std::uint8_t secondValue);
  // A flash ID against the parameter file's Flh_ID, bytes masked by FlhIDMask.
  bool FlashIdMatchesParameters(const std::uint8_t* id) const;

  // ---- firmware helpers (firmware/*.cpp) ---------------------------------------------------
  // Waits for code the controller was told to start or jump to ("I_x24" not ready in time,
  // "I_x87" status command failed); writes no fail record.
  std::uint8_t WaitForStartedCode();
  // The info block for this drive (firmware/InfoBlockBuilder.h), reading the drive's own block
  // first for its identity and stage marks; tag, message and fail record on failure.
  std::uint8_t BuildDriveInfoBlock(bool keepDeviceInfo, const std::uint8_t* runInfo64, bool takeRunInfo,
                                   std::span<std::uint8_t, kInfoBlockImageBytes> block, bool& tookRunInfo);
  // Writes the block, reads it back and keeps it in m_InfoBlockImage; fail record on failure.
  std::uint8_t WriteInfoBlockImage(std::span<const std::uint8_t, kInfoBlockImageBytes> block);
};
