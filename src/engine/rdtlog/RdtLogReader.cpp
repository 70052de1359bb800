#include "engine/rdtlog/RdtLogReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "device/records/IdentifyData.h"
#include "device/records/InfoBlock.h"
#include "device/records/SystemInfoSector.h"
#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "engine/core/SettingLists.h"
#include "engine/core/SlotReportText.h"
#include "engine/rdtlog/BadBlockJudgement.h"
#include "engine/rdtlog/BadBlockStatistics.h"
#include "engine/rdtlog/RdtResultCode.h"
#include "engine/rdtlog/SdrLog.h"
#include "engine/rdtlog/TemperatureLog.h"
#include "platform/Path.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "ui/ProgressCtrl.h"

namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kPieceSectors = 128;
// The log commands address sectors with 16 bits.
constexpr std::uint64_t kMaxLogSectors = 65536;
constexpr std::uint32_t kKeyWaitMs = 300;
constexpr const char* kMemoryFailure = "Memory malloc fail !!";
constexpr const char* kSpecialLogDumpPath = ".\\STLLogdata.BIN";

const char* LogName(std::size_t kind) {
  static const char* const kNames[] = {"Temperature_Time", "SDR", "BadBlock_Special", "BadBlock"};
  return kNames[kind];
}

const char* ReadFailure(std::size_t kind) {
  static const char* const kMessages[] = {
      "Issue Get_RDT_Temperature_Time_Log command Failed !!", "Issue Get_RDT_SDR_Log command Failed !!",
      "Issue Get_RDT_BadBlock_SpecialLog command Failed !!", "Issue Get_RDT_BadBlock_Log command Failed !!"};
  return kMessages[kind];
}

// The text of an identify field in reading order, zero bytes dropped, blanks trimmed.
template <std::size_t N>
std::string IdentifyText(const WordSwappedText<N>& field) {
  char text[N];
  field.CopyTo(text);
  std::string result(text, N);
  result.erase(std::remove(result.begin(), result.end(), '\0'), result.end());
  return platform::Trim(result);
}

std::string TurnedTag(std::string tag) {
  std::replace(tag.begin(), tag.end(), 'x', 'T');
  return tag;
}

}  // namespace

CRdtLogReader::CRdtLogReader(CMPDevice& engine, const CMPDevice::RdtReadRequest& request)
    : m_engine(engine), m_request(request) {}

// ---- output ---------------------------------------------------------------------------------

// A piece of collected report rows goes out once it has grown this large.
constexpr std::size_t kReportRowPieceBytes = 256 * 1024;

void CRdtLogReader::ReportLine(const std::string& text) {
  if (!m_collectingRows) {
    m_engine.WriteReportLine(text, CMPDevice::kPlainLine);
    return;
  }
  engine::report::AppendPlainLine(m_reportRows, text);  // as WriteReportLine frames it
  if (m_reportRows.size() >= kReportRowPieceBytes) FlushReportRows();
}

void CRdtLogReader::FlushReportRows() {
  if (m_reportRows.empty()) return;
  m_engine.m_ReportFile = m_engine.SlotReportPath();
  m_engine.AppendToReport(m_engine.m_ReportFile, m_reportRows, CMPDevice::MissingReport::Start);
  m_reportRows.clear();
}

bool CRdtLogReader::Writes(RdtCsv csv) const { return m_csv[static_cast<std::size_t>(csv)].IsOpen(); }

void CRdtLogReader::TempReportLine(const std::string& text) {
  m_engine.WriteTempReportLine(text, CMPDevice::kPlainLine, "");
}

void CRdtLogReader::CsvLine(RdtCsv csv, const std::string& line) {
  CRdtCsvFile& file = m_csv[static_cast<std::size_t>(csv)];
  if (!file.Write(line)) NoteLostCsv(file);
}

void CRdtLogReader::NoteLostCsv(const CRdtCsvFile& file) {
  m_engine.NoteRecordWriteFailure(file.Path(), file.Error());
}

bool CRdtLogReader::CreateCsv(RdtCsv csv, const char* kind, const char* failureFormat) {
  CRdtCsvFile& file = m_csv[static_cast<std::size_t>(csv)];
  if (!file.Create(m_engine.m_LogFolder, kind, m_identifySerial, m_engine.m_SlotNumber)) {
    // The reading ends with the step's own failure; the log it could not begin is a lost
    // record of the drive as well.
    NoteLostCsv(file);
    return FailWithRecord("A_T08", platform::Format(failureFormat, file.Path().c_str()));
  }
  return true;
}

void CRdtLogReader::WriteCsvHead(RdtCsv csv, const char* columns) {
  CsvLine(csv, platform::Format("Serial Number: %s   F/W Version: %s   SSD Capacity: %d GB   AP Version: %s   "
                                "Flash Number: %d   FlashID: %s\r\n",
                                m_identifySerial.c_str(), m_engine.m_FirmwareName.c_str(),
                                static_cast<int>(m_engine.m_CapacityMB / 1024), m_apVersionText.c_str(),
                                static_cast<int>(m_engine.m_CECount), m_flashIdText.c_str()));
  CsvLine(csv, std::string(columns) + "\r\n");
}

void CRdtLogReader::CloseCsvFiles() {
  for (auto& file : m_csv) {
    if (!file.Close()) NoteLostCsv(file);
  }
}

void CRdtLogReader::AdvanceProgress() {
  if (m_request.progress != nullptr) m_request.progress->SetPos(m_request.progress->GetPos() + m_request.progressSpan / 2);
}

// ---- failures -------------------------------------------------------------------------------

bool CRdtLogReader::FailWithRecord(const char* tag, std::string message) {
  m_engine.FailWithRecord(tag, std::move(message));
  return false;
}

bool CRdtLogReader::CalleeFailed() {
  return FailWithRecord(TurnedTag(m_engine.m_ErrorTag).c_str(), m_engine.m_ErrorMessage);
}

bool CRdtLogReader::EnableKey(std::uint8_t checkReply) {
  return m_engine.EnableAPKey(checkReply, kKeyWaitMs) != 0 || CalleeFailed();
}

// ---- the run ----------------------------------------------------------------------------------

std::uint8_t CRdtLogReader::Run() {
  const std::uint8_t result = ReadAndJudge();
  // Whichever way the reading ended, the rows its CSV logs gathered go out now, and a log that
  // did not take them is noted before the caller shows a verdict.
  CloseCsvFiles();
  return result;
}

std::uint8_t CRdtLogReader::ReadAndJudge() {
  m_engine.WriteTempReportLine("START", CMPDevice::kSuccessLine, "");
  m_engine.m_RDTResultCode = 0;
  // The RDT result page's limit serves this reading only.
  m_limitRequest.pending = m_engine.m_RdtRequest != 0;
  m_limitRequest.limitText = m_engine.m_RdtLimitText;
  m_engine.m_RdtRequest = 0;
  m_dynamicCe = settings::ReadInt(settings::keys::AutoCapacityDynamicCEEn) != 0;
  if (m_request.probe) return Probe();

  if (!CheckRunningCode() || !CheckStatusMarks()) return 0;
  TakeIdentifyTexts();
  if (!ReadLogSizes() || !TemperaturePhase() || !SerialFromDrive() || !FlashIdPhase()) return 0;
  if (!BadBlockLimitsPhase() || !SpecialTestPhase()) return 0;
  m_pass = true;
  if (!m_request.dramOnly) {
    if (!BadBlockPhase()) return 0;
    JudgementPhase();
  }
  AdvanceProgress();
  ReportLine("");
  if (SizeOf(LogKind::Sdr).sectors != 0 && !DramPhase()) return 0;
  return Finish();
}

std::uint8_t CRdtLogReader::Probe() {
  if (!m_engine.m_RunOnFlashCode) {
    FailWithRecord("M_T50", "Device NOT run on RDT FW and run on Boot Mode !!!");
    return 0;
  }
  if (m_engine.m_RunRDTFirmware) return 1;
  if (!EnableKey(1)) return 0;
  InfoBlockRecord page;
  std::memset(&page, 0, sizeof(page));
  if (!m_engine.m_DeviceCommand->DirectReadInfoBlock(BytesOf(page), 0)) {
    FailWithRecord("I_T45", "Issue ReadInfoPage Command Failed!!!");
    return 0;
  }
  // The good-card marks sit in the last byte of the info block, where WriteGoodCardMark
  // sets them.
  const bool mpPassed = (page.apGoodMark & kGoodMarkMp) != 0;
  const bool rdtGood = (page.apGoodMark & kGoodMarkBurnIn) != 0;
  if (mpPassed && rdtGood) {
    FailWithRecord("M_T49", "Device run on Normal Code(MP OK), And have RDT Good Card Mark!!!");
  } else if (mpPassed) {
    FailWithRecord("M_T23", "Device run on Normal Code(MP OK), Can't get RDT Table.!!!");
  } else {
    FailWithRecord("M_T29", "Device run on Normal Code(MP Fail), Can't get RDT Table.!!!");
  }
  return 0;
}

bool CRdtLogReader::CheckRunningCode() {
  if (!m_engine.m_RunRDTFirmware) return FailWithRecord("M_T35", "Device NOT run on RDT FW !!!");
  if (!m_engine.ReadSystemInfo()) return CalleeFailed();
  auto& identify = m_engine.m_IdentifyBuffer;
  std::fill(identify.begin(), identify.end(), 0);
  if (!m_engine.m_DeviceCommand->Identify(identify)) return FailWithRecord("I_T06", "Issue Identify Command Fail.");
  return true;
}

bool CRdtLogReader::CheckStatusMarks() {
  if (settings::ReadInt(settings::keys::SkipRdtStatusCheck) != 0) return true;
  const std::uint8_t status = m_engine.m_IdentifyBuffer[offsetof(IdentifyData, rdtStatus)];
  const bool started = (status & kRdtStartMarkBit) != 0;
  const bool ended = (status & kRdtEndMarkBit) != 0;
  if (started) {
    ReportLine("   RDT Flash start mark ok.");
  } else {
    m_engine.m_ErrorMessage = platform::Format("   Don't got RDT Flash testing start mark. (%02x)", status);
    ReportLine(m_engine.m_ErrorMessage);
  }
  if (ended) {
    ReportLine("   RDT Flash end mark ok.");
  } else {
    m_engine.m_ErrorMessage = platform::Format("   Don't got RDT Flash testing end mark. (%02x)", status);
    ReportLine(m_engine.m_ErrorMessage);
  }
  if (!started && !ended) return FailWithRecord("M_T18", "Don't do RDT Testing !!!");
  if (!started) return FailWithRecord("M_T24", "RDT Testing not completed !!!");
  if (!ended) {
    // Still testing: the reading goes on, and the bad-block log shows its loop marks.
    m_engine.m_ErrorTag = "M_T24";
    m_engine.m_ErrorMessage = "RDT Testing not completed !!!";
    m_running = true;
  }
  return true;
}

void CRdtLogReader::TakeIdentifyTexts() {
  IdentifyData identify;
  std::memcpy(&identify, m_engine.m_IdentifyBuffer.data(), sizeof(identify));
  m_identifySerial = IdentifyText(identify.serialNumber);
  // The drive's own serial number, as the drive's records name it.
  m_engine.m_DriveSerial = m_identifySerial;
  m_engine.m_FirmwareRevision = IdentifyText(identify.firmwareRevision);
}

bool CRdtLogReader::ReadLogSizes() {
  if (!EnableKey(1)) return false;
  auto& buffer = m_engine.m_SystemInfoBuffer;
  std::fill(buffer.begin(), buffer.end(), 0);
  if (!m_engine.m_DeviceCommand->GetSystemInfo(buffer, 1)) {
    return FailWithRecord("I_T08", "Issue GetSystemInfo Command Failed.");
  }
  SystemInfoSector info;
  std::memcpy(&info, buffer.data(), sizeof(info));
  const auto size = [](std::uint64_t units, std::uint32_t unitBytes) {
    LogSize log;
    log.bytes = units * unitBytes;
    log.sectors = static_cast<std::uint32_t>(std::min<std::uint64_t>((log.bytes + kSectorBytes - 1) / kSectorBytes,
                                                                      kMaxLogSectors + 1));
    return log;
  };
  SizeOf(LogKind::BadBlock) = size(info.badBlockLogUnits.Get(), kLargeLogUnitBytes);
  SizeOf(LogKind::Temperature) = size(info.temperatureLogRecords.Get(), kRecordLogUnitBytes);
  SizeOf(LogKind::Sdr) = size(info.sdrLogRecords.Get(), kRecordLogUnitBytes);
  SizeOf(LogKind::Special) = size(info.specialLogUnits.Get(), kLargeLogUnitBytes);
  m_engine.m_RDT_Loops = info.rdtLoops;
  m_engine.m_RDTFastPageLoops = info.rdtFastPageLoops;
  const std::string_view date = info.rdtFirmwareDate.Get();
  m_firmwareDate = std::string(date.substr(0, date.find('\0')));
  ReportLine(platform::Format("m_RDT_Loops= %d, m_RDTFastPageLoops= %d", static_cast<int>(m_engine.m_RDT_Loops),
                              static_cast<int>(m_engine.m_RDTFastPageLoops)));
  return true;
}

// ---- reading a log ----------------------------------------------------------------------------

std::uint8_t CRdtLogReader::ReadPiece(LogKind kind, std::uint16_t firstSector, std::uint16_t sectors) {
  CDeviceCommand& command = *m_engine.m_DeviceCommand;
  const std::span<std::uint8_t> buffer(m_engine.m_TransferBuffer.data(), static_cast<std::size_t>(sectors) * kSectorBytes);
  switch (kind) {
    case LogKind::Temperature: return command.Get_RDT_Temperature_Time_Log(buffer, 0, firstSector, sectors);
    case LogKind::Sdr: return command.Get_RDT_SDR_Log(buffer, sectors, firstSector);
    case LogKind::Special: return command.Get_RDT_BadBlock_SpecialLog(buffer, sectors, firstSector);
    case LogKind::BadBlock: return command.Get_RDT_BadBlock_Log(buffer, 0, firstSector, sectors);
  }
  return 0;
}

bool CRdtLogReader::FetchLog(LogKind kind, std::vector<std::uint8_t>& log, bool checkKeyOnLastPiece) {
  const std::size_t index = static_cast<std::size_t>(kind);
  const std::uint32_t sectors = SizeOf(kind).sectors;
  if (sectors > kMaxLogSectors) {
    return FailWithRecord("I_T51", platform::Format("RDT %s log size %llu bytes is beyond the %llu bytes the drive "
                                                    "can send !!",
                                                    LogName(index),
                                                    static_cast<unsigned long long>(SizeOf(kind).bytes),
                                                    static_cast<unsigned long long>(kMaxLogSectors * kSectorBytes)));
  }
  try {
    log.assign(static_cast<std::size_t>(sectors) * kSectorBytes, 0);
  } catch (const std::bad_alloc&) {
    return FailWithRecord("I_T51", kMemoryFailure);
  }
  auto& transfer = m_engine.m_TransferBuffer;
  for (std::uint32_t first = 0; first < sectors; first += kPieceSectors) {
    const std::uint32_t count = std::min(kPieceSectors, sectors - first);
    const bool lastPiece = count < kPieceSectors;
    if (!EnableKey(lastPiece && !checkKeyOnLastPiece ? 0 : 1)) {
      log.clear();
      return false;
    }
    std::fill(transfer.begin(), transfer.end(), 0);
    if (!ReadPiece(kind, static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(count))) {
      log.clear();
      return FailWithRecord("I_T51", ReadFailure(index));
    }
    std::memcpy(log.data() + static_cast<std::size_t>(first) * kSectorBytes, transfer.data(),
                static_cast<std::size_t>(count) * kSectorBytes);
  }
  return true;
}

// ---- temperature/time log -------------------------------------------------------------------

bool CRdtLogReader::TemperaturePhase() {
  std::vector<std::uint8_t> buffer;
  if (!FetchLog(LogKind::Temperature, buffer)) return false;
  const std::span<const std::uint8_t> log(buffer.data(), static_cast<std::size_t>(SizeOf(LogKind::Temperature).bytes));
  if (m_request.saveCsv) {
    if (!CreateCsv(RdtCsv::Temperature, "Temperature", "Open Temperature Save File: %s Failed!!!")) return false;
    WriteCsvHead(RdtCsv::Temperature, kTemperatureColumns);
  }
  ReportLine("Temperature_Time Log:");
  ReportLine(kTemperatureColumns);
  const TemperatureLogSummary summary = WalkTemperatureLog(log, m_request.dramOnly, m_temperatures, *this);
  m_maxTemperatureTimeMs = summary.maxTimeMs;
  m_temperatureNotEmpty = summary.notEmpty;
  m_temperatureRecords = summary.records;
  if (const auto info = FindRdtInfoRecord(log)) {
    TakeInformationRecord(*info);
    const auto failure =
        JudgeRdtResultCode(*info, m_maxTemperatureTimeMs, settings::ReadInt(settings::keys::TimeOutLimitTV));
    if (failure) {
      CloseCsvFiles();
      return FailWithRecord(failure->tag.c_str(), failure->message);
    }
  }
  CloseCsvFiles();
  return true;
}

void CRdtLogReader::TakeInformationRecord(const MpInfo& info) {
  if (m_request.infoRecordOut != nullptr) {
    MpInfo copy = info;
    if (m_dynamicCe) {
      copy.runFlags.Set(copy.runFlags.Get() | kRunFlagDynamicCe);
      m_engine.m_RDTCEMap = static_cast<std::uint16_t>(copy.ceBitMap.Get());
    }
    std::memcpy(m_request.infoRecordOut, &copy, sizeof(copy));
    ReportLine(platform::Format("Get CE Map=%x, bIsDynamicCE=%d", static_cast<unsigned>(copy.ceBitMap.Get()),
                                m_dynamicCe ? 1 : 0));
  }
  WriteRdtInfoLines(info, m_firmwareDate, *this);
  m_engine.m_RDTResultCode = RdtResultCode(info);
  if (m_request.blockInfo != nullptr) m_request.blockInfo->rdtCeMap = static_cast<std::uint16_t>(info.ceBitMap.Get());
}

bool CRdtLogReader::SerialFromDrive() {
  if (settings::ReadInt(settings::keys::GetSNFromSelfBNLog) != 1) return true;
  if (m_identifySerial.empty()) {
    return FailWithRecord("S_T15", "GetSN_From_SelfBNLog is empty, Check used RDT F/W version!");
  }
  m_engine.m_SerialNumber = m_identifySerial;
  return true;
}

bool CRdtLogReader::FlashIdPhase() {
  if (!m_engine.ReadFlashID(0, 0)) return CalleeFailed();
  const std::uint8_t* id = m_engine.m_FlashID;
  m_flashIdText = platform::Format("%02xh %02xh %02xh %02xh %02xh %02xh %02xh", id[0], id[1], id[2], id[3], id[4],
                                   id[5], id[6]);
  return true;
}

// ---- bad-block limits -----------------------------------------------------------------------

namespace {
class EngineCapacityChoice final : public RdtCapacityChoice {
 public:
  explicit EngineCapacityChoice(CMPDevice& engine) : m_engine(engine) {}
  std::uint32_t CapacityGb(const engine::CapacityTable& table) override { return m_engine.GetCapacity(&table); }
  std::uint32_t MaxBadPercentFor(const engine::CapacityTable& table, std::uint32_t capacityGb) override {
    return m_engine.SelectAutoCapacity(table, capacityGb);
  }

 private:
  CMPDevice& m_engine;
};

RdtFlashGeometry GeometryOf(const CMPDevice& engine) {
  RdtFlashGeometry geometry;
  geometry.blocksPerCe = engine.m_BlocksPerCE;
  geometry.diesPerCe = engine.m_DiesPerCE;
  geometry.planes = engine.m_Planes;
  geometry.ceCount = engine.m_CECount;
  geometry.ceSizeExponent = engine.m_CESizeExponent;
  return geometry;
}
}  // namespace

bool CRdtLogReader::BadBlockLimitsPhase() {
  const RdtSpecSettings settings = RdtSpecSettings::Read(m_engine.m_CECount);
  if (!settings.problem.empty()) return FailWithRecord(engine::kLimitSettingTag, settings.problem);
  EngineCapacityChoice capacity(m_engine);
  m_spec = BuildRdtBadBlockSpec(settings, GeometryOf(m_engine), capacity, *this);
  // A per-plane limit of 0 judges nothing: without one from the settings (or from the RDT
  // result page) the bad-block log is not judged at all, and the drive fails.
  const std::string pageLimit = platform::Trim(m_limitRequest.limitText);
  const bool pageGivesLimit = m_limitRequest.pending && !pageLimit.empty() && pageLimit != "0";
  if (m_spec.maxBadPerPlane == 0 && !pageGivesLimit && !m_request.dramOnly) {
    return FailWithRecord(engine::kLimitSettingTag,
                          engine::NoBadBlockLimitText(m_spec.maxBadPercent, m_engine.m_BlocksPerCE));
  }
  if (m_request.blockInfo != nullptr) {
    m_request.blockInfo->SetTag("RDT");
    m_request.blockInfo->perPlaneLimit = m_spec.maxBadPerPlane;
    m_request.blockInfo->allBadLimit = m_spec.maxAllBad;
  }
  m_apVersionText = RdtApVersionText();
  return true;
}

// ---- special-test and baking-test logs ---------------------------------------------------------

bool CRdtLogReader::SpecialTestPhase() {
  SpecialTestTallies tallies;
  try {
    tallies.hits.reserve(kMaxEccCriteriaHits);
  } catch (const std::bad_alloc&) {
    return FailWithRecord("I_T51", kMemoryFailure);
  }
  const std::uint32_t sectors = SizeOf(LogKind::Special).sectors;
  const std::uint32_t badBlockSectors = SizeOf(LogKind::BadBlock).sectors;
  if (sectors == 0 || (m_request.dramOnly && badBlockSectors == 0)) return true;
  std::vector<std::uint8_t> log;
  if (!FetchLog(LogKind::Special, log, false)) return false;
  for (const SpecialSection section : kSpecialTestSections) {
    if (!WriteSpecialSection(log, section, tallies)) return false;
  }
  if (!JudgeSpecialTest(log, tallies)) return false;
  for (const SpecialSection section : kBakingTestSections) {
    if (!WriteSpecialSection(log, section, tallies)) return false;
  }
  return JudgeBakingTest(tallies);
}

bool CRdtLogReader::WriteSpecialSection(std::span<const std::uint8_t> log, SpecialSection section,
                                        SpecialTestTallies& tallies) {
  ReportLine(SpecialSectionTitle(section));
  ReportLine(SpecialSectionColumns(section));
  // The rows of the section go into the report in one append; a report that cannot take
  // them fails the step (a report that is there but cannot be written is a lost record too).
  const std::string path = m_engine.m_ReportFile;
  std::string rows;
  WalkSpecialSection(log, section, tallies,
                     [&rows](const std::string& row) { engine::report::AppendPlainLine(rows, row); });
  if (!m_engine.AppendToReport(path, rows, CMPDevice::MissingReport::Drop)) {
    return FailWithRecord("A_T08", platform::Format("Open Log Save File: %s Failed!!!", path.c_str()));
  }
  return true;
}

bool CRdtLogReader::JudgeSpecialTest(std::span<const std::uint8_t> log, SpecialTestTallies& tallies) {
  CFailingFlashList failing;
  if (CheckLaterBadTable(tallies.specialLaterBad, m_spec.stlLaterBadSpec, "STL", failing, *this)) {
    return FailWithRecord("F_T36", "RDT STL Testing failed!!! Replace above abnormal Flash." + failing.Closed());
  }
  if (tallies.overEcc) return FailWithRecord("F_T37", "Have found Over ECC in STL log !!!");
  if (SpecialLogHasBlankEntry(log)) {
    m_engine.SaveBufferToFile(kSpecialLogDumpPath, log.data(), log.size());
    return FailWithRecord("F_T38", "Have found Abnormal Log (All 0x00) in STL log !!!");
  }
  if (settings::ReadInt(settings::keys::SpecialTestCheckECC) != 0) {
    for (const EccCriteriaHit& hit : tallies.hits) ReportLine(EccCriteriaHitLine(hit));
    if (!tallies.hits.empty()) return FailWithRecord("F_T40", "Max Error Bit Over Criteria.");
  }
  tallies.hits.clear();
  tallies.hits.shrink_to_fit();
  return true;
}

bool CRdtLogReader::JudgeBakingTest(SpecialTestTallies& tallies) {
  CFailingFlashList failing;
  if (CheckLaterBadTable(tallies.bakingLaterBad, m_spec.btlLaterBadSpec, "BTL", failing, *this)) {
    return FailWithRecord("F_T36", "RDT BTL Testing failed!!! Replace above abnormal Flash." + failing.Closed());
  }
  if (tallies.overEcc) return FailWithRecord("F_T37", "Have found Over ECC in BTL log !!!");
  return true;
}

// ---- bad-block log and judgement ---------------------------------------------------------------

bool CRdtLogReader::BadBlockPhase() {
  std::vector<std::uint8_t> log;
  if (!FetchLog(LogKind::BadBlock, log)) return false;
  if (m_request.saveCsv) {
    if (!CreateCsv(RdtCsv::BadBlock, "BadBlock", "Open BadBlock Save File: %s Failed!!!")) return false;
    if (!CreateCsv(RdtCsv::EccBit, "ECCBit", "Open ECCBit Save File: %s Failed!!!")) {
      CloseCsvFiles();
      return false;
    }
    WriteCsvHead(RdtCsv::BadBlock, kBadBlockCsvColumns);
    WriteCsvHead(RdtCsv::EccBit, kEccBitCsvColumns);
  }
  if (m_running) {
    ReportLine(kLoopMarkColumns);
    WalkRunningBadBlockLog(log, m_engine.m_RDT_Loops + m_engine.m_RDTFastPageLoops, *this);
    CloseCsvFiles();
    // The running-state check left "M_T24", "RDT Testing not completed !!!".
    m_engine.WriteFailReport();
    return false;
  }
  ReportLine("Bad Block Log:");
  ReportLine(kBadBlockReportColumns);
  BadBlockWalkSettings walk;
  walk.programToRead = settings::ReadInt(settings::keys::ProgramtoRead) != 0;
  walk.pageBytes = m_engine.m_PageSectors * kSectorBytes;
  walk.planes = m_engine.m_Planes;
  BadBlockWalkResult result;
  m_collectingRows = true;
  WalkBadBlockLog(log, walk, m_tallies, result, *this);
  WriteEccStatistics(std::move(result.eccValues), settings::ReadInt(settings::keys::RdtEccRange), *this);
  WriteLateBadDistribution(result.lateBadAddresses, m_engine.m_BlocksPerCE,
                           settings::ReadInt(settings::keys::RdtBbRange), *this);
  m_collectingRows = false;
  FlushReportRows();
  std::string().swap(m_reportRows);
  CloseCsvFiles();
  return true;
}

void CRdtLogReader::JudgementPhase() {
  BadBlockJudgementInputs inputs;
  inputs.tallies = &m_tallies;
  inputs.maxAllBad = m_spec.maxAllBad;
  inputs.maxBadPerPlane = m_spec.maxBadPerPlane;
  inputs.geometry = GeometryOf(m_engine);
  inputs.ceMap = m_engine.m_SystemCEMap;
  inputs.ceNumberedByMap = m_engine.m_CEMaskFlag != 0;
  inputs.request = &m_limitRequest;
  inputs.blockInfo = m_request.blockInfo;
  const BadBlockJudgement judgement = JudgeRdtBadBlocks(inputs, *this);
  m_engine.m_RdtLimitText = m_limitRequest.limitText;
  m_totalLaterBad = judgement.totalLaterBad;
  if (!judgement.failing || m_request.ignoreBadBlockVerdict) return;
  m_pass = false;
  FailWithRecord("F_T31", "[end]RDT Testing failed!!! Replace above abnormal Flash." + judgement.failingFlash);
}

// ---- DRAM log ------------------------------------------------------------------------------------

bool CRdtLogReader::DramPhase() {
  std::vector<std::uint8_t> buffer;
  if (!FetchLog(LogKind::Sdr, buffer)) return false;
  const std::span<const std::uint8_t> log(buffer.data(), static_cast<std::size_t>(SizeOf(LogKind::Sdr).bytes));
  if (m_request.saveCsv) {
    if (!CreateCsv(RdtCsv::Ddr, "DDR", "Open SDR Save File: %s Failed!!!")) return false;
    WriteCsvHead(RdtCsv::Ddr, kDdrColumns);
  }
  ReportLine("DDR Log:");
  ReportLine(kDdrColumns);
  const SdrLogSummary summary = WalkSdrLog(log, m_temperatures, *this);
  m_sdrTimeMs = summary.totalTimeMs;
  // With skip_DRAM a DRAM failure is reported but does not fail the drive.
  const bool skipDram = settings::ReadInt(settings::keys::SkipDRAM) != 0;
  const auto dramFailure = [this, skipDram](const char* message) {
    if (skipDram) {
      m_engine.m_ErrorTag = "D_T07";
      m_engine.m_ErrorMessage = message;
      return;
    }
    m_pass = false;
    FailWithRecord("D_T07", message);
  };
  if (summary.notEmpty) {
    ReportLine(platform::Format("     SDR testing time= %d seconds", static_cast<int>(summary.totalTimeMs / 1000)));
  } else {
    m_pass = false;
    FailWithRecord("S_T13", "[end] SDR Log is empty!!!");
    dramFailure("[end]Don't do SDR Testing !!!");
  }
  if (summary.failed) dramFailure("[end]SDR Testing Failed, replace it.");
  CloseCsvFiles();
  return true;
}

// ---- end of the run --------------------------------------------------------------------------------

std::uint8_t CRdtLogReader::Finish() {
  if (!m_temperatureNotEmpty) {
    FailWithRecord("S_T13", platform::Format("[end]CE_%d, Temperature_Time Log is empty!!!",
                                             static_cast<int>(m_temperatureRecords)));
    return 0;
  }
  ReportLine(platform::Format("     Flash testing time= %d seconds", static_cast<int>(m_maxTemperatureTimeMs / 1000)));
  const std::uint32_t startWait = static_cast<std::uint32_t>(settings::ReadInt(settings::keys::StartWaitTime));
  const std::uint32_t total = (m_sdrTimeMs + m_maxTemperatureTimeMs + startWait) / 1000;
  m_engine.m_RDTTotalTime = total;
  ReportLine("");
  ReportLine("RDT Total testing time= " +
             platform::Format("%d:%d:%d", static_cast<int>(total / 3600), static_cast<int>(total % 3600 / 60),
                              static_cast<int>(total % 60)) +
             ".");
  if (m_spec.totalLaterBadSpec > 0 && m_totalLaterBad > m_spec.totalLaterBadSpec) {
    m_pass = false;
    FailWithRecord("F_T27", platform::Format("[end]RDT Test Failed, Total Later Bad(%d) > Setting Spec.(%d)",
                                             static_cast<int>(m_totalLaterBad),
                                             static_cast<int>(m_spec.totalLaterBadSpec)));
  }
  if (!m_pass) return 0;
  AdvanceProgress();
  m_engine.WriteReportLine("[end]Read RDT Log ok.", CMPDevice::kSuccessLine);
  return 1;
}
