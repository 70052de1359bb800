#pragma once
// Helpers of the RDT log tests: an output that collects every line and CSV row, and logs
// built entry by entry from the on-drive records.
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "device/records/FieldTypes.h"
#include "device/records/RdtLogs.h"
#include "engine/rdtlog/RdtOutput.h"

namespace rdtlogtest {

class CollectedOutput final : public RdtOutput {
 public:
  void ReportLine(const std::string& text) override { report.push_back(text); }
  void TempReportLine(const std::string& text) override { temp.push_back(text); }
  void CsvLine(RdtCsv csv, const std::string& line) override { csv_[csv] += line; }
  std::string Csv(RdtCsv csv) const {
    const auto found = csv_.find(csv);
    return found == csv_.end() ? std::string() : found->second;
  }

  std::vector<std::string> report;
  std::vector<std::string> temp;

 private:
  std::map<RdtCsv, std::string> csv_;
};

// A log that grows record by record.
class LogBytes {
 public:
  template <typename Record>
  LogBytes& Add(const Record& record) {
    const auto bytes = BytesOf(record);
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
  }
  LogBytes& AddBytes(std::initializer_list<std::uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // Pads with zero bytes up to a multiple of the size (a whole number of sectors).
  LogBytes& PadTo(std::size_t multiple) {
    m_bytes.resize((m_bytes.size() + multiple - 1) / multiple * multiple, 0);
    return *this;
  }
  LogBytes& PadToSize(std::size_t size) {
    m_bytes.resize(size, 0);
    return *this;
  }
  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
};

// A bad-block log entry.
struct BadBlock {
  std::uint8_t type = 0x02;
  std::uint8_t ce = 0;
  std::uint8_t channel = 0;
  std::uint8_t plane = 0;
  std::uint16_t block = 0;
  std::uint8_t slc = 0;
  std::uint16_t overBits = 0;
  std::uint16_t page = 0;
  std::uint8_t totalLoop = 8;
  std::uint8_t runLoop = 1;
  std::uint8_t runCycle = 2;
  std::uint8_t stepAndStage = 0x12;
  std::uint32_t timeStamp = 100;
  RdtBadBlockLogEntry Entry() const;
};

// A special-test log entry.
struct Special {
  std::uint8_t type = 0x02;
  std::uint8_t ce = 0;
  std::uint8_t channel = 0;
  std::uint8_t plane = 0;
  std::uint16_t block = 0;
  std::uint16_t page = 0;
  std::int8_t temperature = 40;
  std::uint8_t retry = 0;
  std::uint8_t cellMode = 0;
  std::uint16_t rawBits = 0;
  std::uint8_t kind = kSpecialKindTlc;
  std::uint32_t programTimeUs = 1500;
  std::uint16_t cycle = 0;
  RdtSpecialLogEntry Entry() const;
};

// The bad-block log's end mark as one 32-byte slot.
std::vector<std::uint8_t> EndMarkSlot();

}  // namespace rdtlogtest
