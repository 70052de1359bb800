#include "engine/rdtlog/RdtBadBlockSpec.h"

#include <climits>
#include <cmath>

#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

// The percentage text is read into a fixed buffer of this size (one byte for the terminator).
constexpr std::size_t kPercentTextBuffer = 5;

// A count that a drive reported as 0 is left out of a division.
std::uint32_t Divisor(std::uint32_t count) { return count == 0 ? 1 : count; }

int DieSizeGb(const RdtFlashGeometry& geometry) {
  const double size = std::ldexp(1.0, static_cast<int>(std::min<std::uint32_t>(geometry.ceSizeExponent, 64))) /
                      Divisor(geometry.diesPerCe);
  return size >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

struct PercentRow {
  const char* text;
  std::size_t compared;
  double factor;
};
constexpr PercentRow kPercentRows[] = {
    {"2%", 2, 0.02}, {"2.5%", 4, 0.025}, {"3%", 2, 0.03}, {"3.5%", 4, 0.035}, {"4%", 2, 0.04},
};

}  // namespace

RdtSpecSettings RdtSpecSettings::Read(std::uint32_t ceCount) {
  namespace strict = settings::strict;
  RdtSpecSettings values;
  // Every number that sets a limit is read strictly; the first that cannot be used is named.
  settings::StrictReads reads;
  values.skipBadSpecByFw = settings::ReadInt(settings::keys::SkipBadSpecByFw);
  values.earlyBadSpec = reads.Number(strict::EarlyBadSpec);
  values.earlyBadSpecPercent =
      platform::Trim(settings::ReadText(settings::keys::EarlyBadSpecPercent, kPercentTextBuffer));
  values.totalLaterBadSpec = reads.Number(strict::TotalLaterBadSpec);
  values.badPercent = engine::ReadBadPercentSettings(ceCount, false);
  reads.Note(values.badPercent.problem);
  values.stlLaterBadSpec = reads.Number(strict::StlLaterBadSpec);
  values.btlLaterBadSpec = reads.Number(strict::BtlLaterBadSpec);
  values.problem = reads.FirstProblem();
  return values;
}

std::uint32_t EarlyBadSpecFromPercent(const std::string& percentText, std::uint32_t blocksPerCe,
                                      std::uint32_t fallback) {
  if (percentText.empty()) return fallback;
  for (const auto& row : kPercentRows) {
    if (percentText.size() >= row.compared &&
        platform::EqualsNoCase(std::string_view(percentText).substr(0, row.compared),
                               std::string_view(row.text, row.compared))) {
      return static_cast<std::uint32_t>(blocksPerCe * row.factor);
    }
  }
  return fallback;
}

std::uint32_t MaxBadPerPlaneOf(const RdtFlashGeometry& geometry, std::uint32_t percent) {
  return geometry.blocksPerCe * percent / 100 / Divisor(geometry.diesPerCe) / Divisor(geometry.planes);
}

RdtBadBlockSpec BuildRdtBadBlockSpec(const RdtSpecSettings& settings, const RdtFlashGeometry& geometry,
                                     RdtCapacityChoice& capacity, RdtOutput& out) {
  RdtBadBlockSpec spec;
  if (settings.skipBadSpecByFw == 0) out.ReportLine(platform::Format("Die Size = %d GB", DieSizeGb(geometry)));

  spec.earlyBadSpec = EarlyBadSpecFromPercent(settings.earlyBadSpecPercent, geometry.blocksPerCe,
                                              static_cast<std::uint32_t>(settings.earlyBadSpec));
  spec.totalLaterBadSpec = static_cast<std::uint32_t>(settings.totalLaterBadSpec);

  const engine::BadPercentSettings& badPercent = settings.badPercent;
  spec.maxBadPercent = static_cast<std::uint32_t>(badPercent.scanMaxBadPercent);
  if (spec.maxBadPercent == 0 && badPercent.table) {
    // A size that is empty or "0" leaves the choice to the parameter files.
    const std::uint32_t capacityGb = badPercent.setSsdSize > 0 ? static_cast<std::uint32_t>(badPercent.setSsdSize)
                                                               : capacity.CapacityGb(*badPercent.table);
    const std::uint32_t percent = capacity.MaxBadPercentFor(*badPercent.table, capacityGb);
    if (percent != 0) {
      spec.maxBadPercent = percent;
      out.ReportLine(platform::Format("Get XCE %d GB, Max Bad block number Percent= %d ", static_cast<int>(capacityGb),
                                      static_cast<int>(percent)));
    }
  }

  out.ReportLine(platform::Format("Die Per Flash    = %d;", static_cast<int>(geometry.diesPerCe)));
  out.ReportLine(platform::Format("Plane Number     = %d;", static_cast<int>(geometry.planes)));
  out.ReportLine(platform::Format("Max Block Per CE = %d; ", static_cast<int>(geometry.blocksPerCe)));
  out.ReportLine(platform::Format("Get Max Bad block number Percent   = %d ", static_cast<int>(spec.maxBadPercent)));

  spec.maxBadPerPlane = MaxBadPerPlaneOf(geometry, spec.maxBadPercent);
  out.ReportLine(platform::Format("Get Max Bad block number per Plane = %d", static_cast<int>(spec.maxBadPerPlane)));

  spec.maxAllBad = geometry.blocksPerCe * spec.maxBadPercent / 100;
  out.ReportLine(platform::Format("Max All Bad Block = %d, EarlyBad_Spec = %d", static_cast<int>(spec.maxAllBad),
                                  static_cast<int>(spec.earlyBadSpec)));
  if (spec.maxAllBad < spec.earlyBadSpec) {
    spec.maxAllBad = spec.earlyBadSpec;
    out.ReportLine(platform::Format("Max All Bad Block = EarlyBad_Spec = %d", static_cast<int>(spec.maxAllBad)));
  }

  out.ReportLine("Read RDT Log:");
  out.ReportLine(platform::Format("[start]Total CE Number = %d, Die per CE = %d", static_cast<int>(geometry.ceCount),
                                  static_cast<int>(geometry.diesPerCe)));
  spec.stlLaterBadSpec = static_cast<std::uint32_t>(settings.stlLaterBadSpec);
  spec.btlLaterBadSpec = static_cast<std::uint32_t>(settings.btlLaterBadSpec);
  return spec;
}

std::string RdtApVersionText() { return platform::Format("%d.%02x %s", 2, 10, ""); }
