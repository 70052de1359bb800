#pragma once
// The reader object of one CMPDevice::ReadRDTLog call: it checks the drive's running state,
// reads the RDT logs in 128-sector pieces, writes the CSV logs and report lines and judges
// the results. One method per phase, in the order of the reading; each phase returns false
// when the reading ends there with 0 (tag, message and fail record already set). Buffers and
// files live for the phase that uses them.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/records/InfoBlock.h"
#include "engine/BlockInfoRecord.h"
#include "engine/MPDevice.h"
#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/RdtBadBlockSpec.h"
#include "engine/rdtlog/RdtCsvFile.h"
#include "engine/rdtlog/RdtLimitRequest.h"
#include "engine/rdtlog/RdtOutput.h"
#include "engine/rdtlog/SpecialTestLog.h"
#include "engine/rdtlog/TemperatureText.h"

namespace ui {
class CProgressCtrl;
}

class CRdtLogReader final : private RdtOutput {
 public:
  CRdtLogReader(CMPDevice& engine, const CMPDevice::RdtReadRequest& request);
  std::uint8_t Run();

 private:
  enum class LogKind { Temperature, Sdr, Special, BadBlock };
  // A log's size as the system information gives it.
  struct LogSize {
    std::uint64_t bytes = 0;
    std::uint32_t sectors = 0;
  };

  // RdtOutput: the engine's report writers and the CSV files of this reading.
  void ReportLine(const std::string& text) override;
  void TempReportLine(const std::string& text) override;
  void CsvLine(RdtCsv csv, const std::string& line) override;
  bool Writes(RdtCsv csv) const override;
  // The rows of the bad-block log go to the report in pieces, not one append per row.
  void FlushReportRows();

  // The phases in order; Run closes the CSV logs after them.
  std::uint8_t ReadAndJudge();
  std::uint8_t Probe();
  bool CheckRunningCode();
  bool CheckStatusMarks();
  void TakeIdentifyTexts();
  bool ReadLogSizes();
  bool TemperaturePhase();
  void TakeInformationRecord(const MpInfo& info);
  bool SerialFromDrive();
  bool FlashIdPhase();
  // The limits of the judgement; false (kLimitSettingTag with its record) when a setting
  // they come from cannot be used or they come to no per-plane limit at all.
  bool BadBlockLimitsPhase();
  bool SpecialTestPhase();
  bool WriteSpecialSection(std::span<const std::uint8_t> log, SpecialSection section, SpecialTestTallies& tallies);
  bool JudgeSpecialTest(std::span<const std::uint8_t> log, SpecialTestTallies& tallies);
  bool JudgeBakingTest(SpecialTestTallies& tallies);
  bool BadBlockPhase();
  void JudgementPhase();
  bool DramPhase();
  std::uint8_t Finish();

  // Reads a whole log in pieces of 128 sectors through the transfer buffer, with the AP key
  // before every piece (the last, shorter piece checks the key's reply only when asked).
  bool FetchLog(LogKind kind, std::vector<std::uint8_t>& log, bool checkKeyOnLastPiece = true);
  std::uint8_t ReadPiece(LogKind kind, std::uint16_t firstSector, std::uint16_t sectors);
  // The AP key; on failure the callee's tag with every 'x' turned into 'T' and the fail record.
  bool EnableKey(std::uint8_t checkReply);
  // A callee's failure reported as the reader's own: its tag with 'x' turned into 'T'.
  bool CalleeFailed();
  bool FailWithRecord(const char* tag, std::string message);
  bool CreateCsv(RdtCsv csv, const char* kind, const char* failureFormat);
  // The first two lines of a CSV file: the drive's header line, then the columns.
  void WriteCsvHead(RdtCsv csv, const char* columns);
  LogSize& SizeOf(LogKind kind) { return m_logSizes[static_cast<std::size_t>(kind)]; }
  // Closes the CSV logs; one whose rows did not all reach it is noted as a lost record.
  void CloseCsvFiles();
  void NoteLostCsv(const CRdtCsvFile& file);
  void AdvanceProgress();

  CMPDevice& m_engine;
  CMPDevice::RdtReadRequest m_request;
  RdtLimitRequest m_limitRequest;   // the RDT result page's limit, taken from the engine
  bool m_dynamicCe = false;
  bool m_running = false;           // start mark without end mark: the RDT still runs
  bool m_pass = false;              // the verdict from the bad-block phase on
  std::string m_identifySerial;     // the serial number of the identify data
  std::string m_firmwareDate;
  std::string m_apVersionText;      // made by the bad-block limits phase
  std::string m_flashIdText;        // made by the flash-ID phase
  std::array<LogSize, 4> m_logSizes; // by LogKind
  CTemperatureText m_temperatures;
  std::uint32_t m_maxTemperatureTimeMs = 0;
  bool m_temperatureNotEmpty = false;
  std::size_t m_temperatureRecords = 0;
  std::uint32_t m_sdrTimeMs = 0;
  RdtBadBlockSpec m_spec;
  RdtBadBlockTallies m_tallies;
  std::uint32_t m_totalLaterBad = 0;
  std::array<CRdtCsvFile, 4> m_csv;  // by RdtCsv
  bool m_collectingRows = false;       // report lines are collected in m_reportRows
  std::string m_reportRows;
};
