#include "run/FlowLimitSettings.h"

#include "engine/MPDevice.h"
#include "engine/core/BadPercentSettings.h"
#include "engine/firmware/PreformatData.h"
#include "engine/rdtlog/RdtBadBlockSpec.h"
#include "platform/StationSettings.h"

namespace {

// The steps of a flow that read limit settings strictly.
struct FlowLimitReads {
  bool scan = false;           // the bad-block scan (CMPDevice::ScanBadBlock)
  bool rdtJudgement = false;   // the judgement of the drive's RDT logs (CMPDevice::ReadRDTLog)
  bool preformat = false;      // the preformat's RDT parameters (CMPDevice::PreFormat)
  bool capacityRange = false;  // the MP flow's check of the drive's size
};

// The MP flow scans, judges the RDT results of a drive back from the RDT, preformats and checks
// the size; the RDT pretest scans and preformats; QC scans; the RDT result station judges. A
// flow that comes to read a strict setting its entry here leaves out fails its drives in the
// whole-run test of every station, which spoils every setting the Start lets through.
FlowLimitReads LimitReadsOf(SlotFlow flow) {
  switch (flow) {
    case SlotFlow::MP:
      return {.scan = true, .rdtJudgement = true, .preformat = true, .capacityRange = true};
    case SlotFlow::RDT:
      return {.scan = true, .preformat = true};
    case SlotFlow::QC:
      return {.scan = true};
    case SlotFlow::RDTResult:
      return {.rdtJudgement = true};
    default:
      return {};
  }
}

}  // namespace

CapacityRangeSettings ReadCapacityRangeSettings() {
  settings::StrictReads reads;
  CapacityRangeSettings range;
  range.maxGb = reads.Number(settings::strict::MaxCapacity);
  range.minGb = reads.Number(settings::strict::MinCapacity);
  range.problem = reads.FirstProblem();
  return range;
}

std::string FlowLimitSettingsProblem(SlotFlow flow) {
  const FlowLimitReads reads = LimitReadsOf(flow);
  std::string problem;
  if (reads.scan) {
    // A later-bad page request never comes with a pass.
    const bool capacityAfterScan = CMPDevice::ChoosesCapacityAfterScan(false);
    problem = engine::ReadBadPercentSettings(engine::kNoPercentList, capacityAfterScan).problem;
  }
  if (problem.empty() && reads.rdtJudgement) problem = RdtSpecSettings::Read(engine::kNoPercentList).problem;
  if (problem.empty() && reads.preformat) problem = engine::firmware::ReadPreformatRdtSettings(0, 0).problem;
  if (problem.empty() && reads.capacityRange) problem = ReadCapacityRangeSettings().problem;
  return problem;
}
