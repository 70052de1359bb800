#pragma once
// The RDT DRAM (SDR) test log: 8-byte records (result, cycle, step, temperature code,
// Time(ms)) ended by CC 33 CC 33 CC 33 CC 33 or by a record whose result byte is 0xFF.
#include <cstdint>
#include <span>

#include "engine/rdtlog/RdtOutput.h"
#include "engine/rdtlog/TemperatureText.h"

inline constexpr const char* kDdrColumns = "Cycle,Step,Temp,Results,Time(ms)";

struct SdrLogSummary {
  std::uint32_t totalTimeMs = 0;  // sum of the records' times
  bool notEmpty = false;
  bool failed = false;            // a record with a failing or unknown result
};

// Walks the log; each record writes its row to the DDR CSV and to the report.
SdrLogSummary WalkSdrLog(std::span<const std::uint8_t> log, CTemperatureText& temperatures, RdtOutput& out);
