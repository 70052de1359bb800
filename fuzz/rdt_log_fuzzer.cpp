// libFuzzer target of the RDT log parsers: the temperature/time log with its information
// record, the DRAM log, the special-test sections, the bad-block log with its ECC-bit section
// in both forms, its statistics and the bad-block judgement. The first bytes of an input set
// the drive's geometry and the settings; the rest is the log that every parser reads.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "engine/BlockInfoRecord.h"
#include "engine/rdtlog/BadBlockJudgement.h"
#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/BadBlockStatistics.h"
#include "engine/rdtlog/RdtResultCode.h"
#include "engine/rdtlog/SdrLog.h"
#include "engine/rdtlog/SpecialTestLog.h"
#include "engine/rdtlog/TemperatureLog.h"

namespace {

// The parameter bytes at the head of an input.
struct FuzzParameters {
  std::uint8_t flags;          // bit 0 DRAM only, 1 ProgramtoRead, 2 CEs numbered by the map, 3 limit request
  std::uint8_t planes;
  std::uint8_t pageSectors[2];
  std::uint8_t blocksPerCe[2];
  std::int8_t eccRange;
  std::uint8_t blockRange[2];
  std::uint8_t diesPerCe;
  std::uint8_t ceMap[8];
  std::uint8_t totalLoops;
  char limitText[4];
};
static_assert(sizeof(FuzzParameters) == 23);

std::uint32_t Word(const std::uint8_t (&bytes)[2]) { return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8); }

void ReadSpecialLog(std::span<const std::uint8_t> log, RdtOutput& out) {
  SpecialTestTallies tallies;
  std::size_t rows = 0;
  for (const SpecialSection section : {SpecialSection::TlcSpecial, SpecialSection::SlcSpecial,
                                       SpecialSection::TlcBaking, SpecialSection::SlcBaking}) {
    WalkSpecialSection(log, section, tallies, [&rows](const std::string& row) { rows += row.size(); });
  }
  CFailingFlashList special;
  CheckLaterBadTable(tallies.specialLaterBad, 0, "STL", special, out);
  CFailingFlashList baking;
  CheckLaterBadTable(tallies.bakingLaterBad, 1, "BTL", baking, out);
  for (const auto& hit : tallies.hits) out.ReportLine(EccCriteriaHitLine(hit));
  SpecialLogHasBlankEntry(log);
}

void ReadBadBlockLog(std::span<const std::uint8_t> log, const FuzzParameters& parameters, RdtOutput& out) {
  RdtFlashGeometry geometry;
  geometry.planes = parameters.planes;
  geometry.blocksPerCe = Word(parameters.blocksPerCe);
  geometry.diesPerCe = parameters.diesPerCe;

  BadBlockWalkSettings settings;
  settings.programToRead = (parameters.flags & 0x02) != 0;
  settings.pageBytes = Word(parameters.pageSectors) * 512;
  settings.planes = geometry.planes;
  auto tallies = std::make_unique<RdtBadBlockTallies>();
  BadBlockWalkResult result;
  WalkBadBlockLog(log, settings, *tallies, result, out);
  WriteEccStatistics(result.eccValues, parameters.eccRange, out);
  WriteLateBadDistribution(result.lateBadAddresses, geometry.blocksPerCe,
                           static_cast<std::int16_t>(Word(parameters.blockRange)), out);
  WalkRunningBadBlockLog(log, parameters.totalLoops, out);

  std::uint64_t ceMap = 0;
  std::memcpy(&ceMap, parameters.ceMap, sizeof(ceMap));
  RdtLimitRequest request{(parameters.flags & 0x08) != 0,
                          std::string(parameters.limitText, strnlen(parameters.limitText, sizeof(parameters.limitText)))};
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  BadBlockJudgementInputs inputs;
  inputs.tallies = tallies.get();
  inputs.maxAllBad = 100;
  inputs.maxBadPerPlane = 10;
  inputs.geometry = geometry;
  inputs.ceMap = ceMap;
  inputs.ceNumberedByMap = (parameters.flags & 0x04) != 0;
  inputs.request = &request;
  inputs.blockInfo = record.get();
  JudgeRdtBadBlocks(inputs, out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(FuzzParameters)) return 0;
  FuzzParameters parameters;
  std::memcpy(&parameters, data, sizeof(parameters));
  // A log of its own allocation, so that a read past its end is caught.
  const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size - sizeof(parameters) + 1]);
  std::memcpy(copy.get(), data + sizeof(parameters), size - sizeof(parameters));
  const std::span<const std::uint8_t> log(copy.get(), size - sizeof(parameters));
  RdtNullOutput out;

  CTemperatureText temperatures;
  const TemperatureLogSummary summary = WalkTemperatureLog(log, (parameters.flags & 0x01) != 0, temperatures, out);
  if (const auto info = FindRdtInfoRecord(log)) {
    WriteRdtInfoLines(*info, "FUZZDATE", out);
    JudgeRdtResultCode(*info, summary.maxTimeMs, parameters.eccRange);
  }
  WalkSdrLog(log, temperatures, out);
  ReadSpecialLog(log, out);
  ReadBadBlockLog(log, parameters, out);
  return 0;
}
