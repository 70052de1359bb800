#include "engine/rdtlog/BadBlockJudgement.h"

#include <bit>

#include "engine/rdtlog/FailingFlashList.h"
#include "platform/Text.h"

namespace {

// Sums of one CE and channel.
struct ChannelCounts {
  std::uint32_t factory = 0;
  std::uint32_t tlcLaterBad = 0;
  std::uint32_t slcLaterBad = 0;
  LaterBadCounters tlc;  // erase, program, read-related of the TLC entries
  LaterBadCounters slc;  // the same of the SLC entries
};

ChannelCounts SumPlanes(const RdtBadBlockTallies& tallies, std::size_t ce, std::size_t channel) {
  ChannelCounts sums;
  for (std::size_t plane = 0; plane < kRdtPlanes; ++plane) {
    const auto& tlc = tallies.tlc[ce][channel][plane];
    const auto& slc = tallies.slc[ce][channel][plane];
    sums.factory += tallies.factoryBad[ce][channel][plane];
    sums.tlcLaterBad += tlc.total;
    sums.slcLaterBad += slc.total;
    sums.tlc.erase += tlc.erase;
    sums.tlc.program += tlc.program;
    sums.tlc.readRelated += tlc.readRelated;
    sums.slc.erase += slc.erase;
    sums.slc.program += slc.program;
    sums.slc.readRelated += slc.readRelated;
  }
  return sums;
}

// "[OB]   CE: %d, CH: %d, Plane0=%d, ..." with the values of planes 0 up to the plane count
// less one; no line for a plane count outside 1-4.
void WritePlaneLine(const char* head, std::uint32_t ce, std::size_t channel, const std::uint32_t (&values)[kRdtPlanes],
                    std::uint32_t planes, RdtOutput& out) {
  if (planes < 1 || planes > kRdtPlanes) return;
  std::string line = platform::Format("%sCE: %d, CH: %d", head, static_cast<int>(ce), static_cast<int>(channel));
  for (std::uint32_t plane = 0; plane < planes; ++plane) {
    line += platform::Format(", Plane%d=%d", static_cast<int>(plane), static_cast<int>(values[plane]));
  }
  out.ReportLine(line);
}

void WritePlaneLines(const RdtBadBlockTallies& tallies, std::uint32_t printedCe, std::size_t ce, std::size_t channel,
                     std::uint32_t planes, RdtOutput& out) {
  std::uint32_t tlc[kRdtPlanes];
  std::uint32_t slc[kRdtPlanes];
  for (std::size_t plane = 0; plane < kRdtPlanes; ++plane) {
    tlc[plane] = tallies.tlc[ce][channel][plane].total;
    slc[plane] = tallies.slc[ce][channel][plane].total;
  }
  WritePlaneLine("[OB]   ", printedCe, channel, tallies.factoryBad[ce][channel], planes, out);
  WritePlaneLine("[RB]   ", printedCe, channel, tlc, planes, out);
  WritePlaneLine("[RB_SLC] ", printedCe, channel, slc, planes, out);
}

void StoreBlockInfo(const RdtBadBlockTallies& tallies, std::size_t ce, std::size_t channel, BlockInfoRecord& record) {
  for (std::size_t plane = 0; plane < kRdtPlanes; ++plane) {
    const auto& tlc = tallies.tlc[ce][channel][plane];
    record.early[ce][channel][plane] = tallies.factoryBad[ce][channel][plane];
    auto& later = record.later[ce][channel][plane];
    later[kLaterTotal] = tlc.total + tallies.slc[ce][channel][plane].total;
    later[kLaterErase] = tlc.erase;
    later[kLaterProgram] = tlc.program;
    later[kLaterRead] = tlc.readRelated;
  }
}

void WriteTotalLines(std::uint32_t printedCe, std::size_t channel, const ChannelCounts& sums, RdtOutput& out) {
  const std::uint32_t laterBad = sums.tlcLaterBad + sums.slcLaterBad;
  const int values[] = {
      static_cast<int>(printedCe),
      static_cast<int>(channel),
      static_cast<int>(sums.factory + laterBad),
      static_cast<int>(sums.factory),
      static_cast<int>(laterBad),
      static_cast<int>(sums.slc.erase),
      static_cast<int>(sums.slc.program),
      static_cast<int>(sums.slc.readRelated),
      static_cast<int>(sums.tlc.erase),
      static_cast<int>(sums.tlc.program),
      static_cast<int>(sums.tlc.readRelated),
      static_cast<int>(laterBad - sums.tlc.erase - sums.tlc.program - sums.tlc.readRelated),
  };
  const auto line = [&values](const char* format) {
    return platform::Format(format, values[0], values[1], values[2], values[3], values[4], values[5], values[6],
                            values[7], values[8], values[9], values[10], values[11]);
  };
  out.ReportLine(line("[total] CE_%d, CH_%d: All Bad = %d, OB = %d, RB = %d(SLCEB:%d/SLCPB:%d/SLCRB:%d/E:%d/P:%d/"
                      "R:%d/un:%d)"));
  out.TempReportLine(line("[total]CE%d,CH%d:AllB=%d,OB=%d,RB=%d(SLCEB:%d/SLCPB:%d/SLCRB:%d/E:%d/P:%d/R:%d/un:%d)"));
}

}  // namespace

PrintedCe PrintedCeOf(std::uint32_t index, std::uint64_t ceMap, bool ceNumberedByMap, std::uint32_t previous) {
  if ((ceMap & 0xFFFFFFFFull) == 0) return {true, index};
  if (ceNumberedByMap) return {((ceMap >> index) & 1) != 0, index};
  // The position of the (index + 1)-th set bit of the map.
  std::uint64_t rest = ceMap;
  for (std::uint32_t skipped = 0; skipped < index && rest != 0; ++skipped) rest &= rest - 1;
  if (rest == 0) return {true, previous};
  return {true, static_cast<std::uint32_t>(std::countr_zero(rest))};
}

BadBlockJudgement JudgeRdtBadBlocks(const BadBlockJudgementInputs& inputs, RdtOutput& out) {
  const RdtBadBlockTallies& tallies = *inputs.tallies;
  BadBlockJudgement judgement;
  out.ReportLine(platform::Format("[All Bad Spec] %d", static_cast<int>(inputs.maxAllBad)));
  out.ReportLine(platform::Format("[Plane Bad Spec] %d", static_cast<int>(inputs.maxBadPerPlane)));
  std::uint32_t maxBadPerPlane = inputs.maxBadPerPlane;
  CFailingFlashList failing;
  std::uint32_t printedCe = 0;
  for (std::uint32_t ce = 0; ce < kRdtCes; ++ce) {
    const PrintedCe printed = PrintedCeOf(ce, inputs.ceMap, inputs.ceNumberedByMap, printedCe);
    if (!printed.visited) continue;
    printedCe = printed.number;
    for (std::size_t channel = 0; channel < kRdtChannels; ++channel) {
      const ChannelCounts sums = SumPlanes(tallies, ce, channel);
      const bool present = tallies.present[ce][channel];
      if (present) WritePlaneLines(tallies, printedCe, ce, channel, inputs.geometry.planes, out);
      if (inputs.blockInfo != nullptr) StoreBlockInfo(tallies, ce, channel, *inputs.blockInfo);
      judgement.totalLaterBad += sums.tlcLaterBad + sums.slcLaterBad;
      if (!present) continue;
      if (inputs.request != nullptr) {
        maxBadPerPlane = ApplyRdtLimitRequest(*inputs.request, inputs.geometry, maxBadPerPlane, out);
      }
      for (std::size_t plane = 0; maxBadPerPlane != 0 && plane < kRdtPlanes; ++plane) {
        const std::uint32_t allBad = tallies.factoryBad[ce][channel][plane] + tallies.tlc[ce][channel][plane].total +
                                     tallies.slc[ce][channel][plane].total;
        if (allBad <= maxBadPerPlane) continue;
        out.ReportLine(platform::Format("[Error] CE: %d, CH: %d, P%d, All Bad PrePlane Number(%d) over Spec(%d)",
                                        static_cast<int>(printedCe), static_cast<int>(channel), static_cast<int>(plane),
                                        static_cast<int>(allBad), static_cast<int>(maxBadPerPlane)));
        judgement.failing = true;
        failing.Add(static_cast<std::uint16_t>(printedCe));
      }
      WriteTotalLines(printedCe, channel, sums, out);
    }
  }
  judgement.failingFlash = failing.Closed();
  return judgement;
}
