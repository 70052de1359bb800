#pragma once
// The RDT temperature/time log: 8-byte records (cycle, step and record kind, temperature
// code, 32-bit value) ended by AA 55 AA 55 AA 55 AA 55. Kinds 1-6 set the texts of sensors
// 1-6, kind 15 is a time stamp that writes one row with the current texts; the RDT
// information record ("TVRT", the MpInfo layout) lies in the same log.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/records/InfoBlock.h"
#include "engine/rdtlog/RdtOutput.h"
#include "engine/rdtlog/TemperatureText.h"

inline constexpr const char* kTemperatureColumns = "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)";

struct TemperatureLogSummary {
  std::uint32_t maxTimeMs = 0;   // the largest Time(ms) of the time stamps
  bool notEmpty = false;         // a record came before the end record
  std::size_t records = 0;       // records walked before the end record
};

// Walks the log up to its end record or its end; each time stamp writes its row to the
// Temperature CSV and to the report. A DRAM-only run prints three temperatures per row.
TemperatureLogSummary WalkTemperatureLog(std::span<const std::uint8_t> log, bool dramOnly,
                                         CTemperatureText& temperatures, RdtOutput& out);

// The first "TVRT" record that starts at an 8-byte boundary and lies wholly inside the log.
std::optional<MpInfo> FindRdtInfoRecord(std::span<const std::uint8_t> log);

// The information lines of a record, in their order; firmwareDate is the RDT firmware date
// of the system information.
void WriteRdtInfoLines(const MpInfo& info, const std::string& firmwareDate, RdtOutput& out);

// The RDT result code of a record (byte 0x04).
std::uint8_t RdtResultCode(const MpInfo& info);
