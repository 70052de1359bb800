#include "engine/scan/ScanReportLines.h"

#include "platform/Text.h"

namespace {

std::string PlaneCountLine(const ScanDieTally& die, const char* label,
                           const std::array<std::uint32_t, kScanMaxPlanes>& counts, unsigned planes) {
  std::string line = platform::Format("     CENo_%u/Die_%u-> Channel:%u,%s:", die.ce, die.die, die.channel, label);
  for (unsigned plane = 0; plane < planes; ++plane) {
    if (plane != 0) line += ',';
    line += platform::Format("Plane%u=%u", plane, counts[plane]);
  }
  return line;
}

std::string BadBlockLine(const ScanDieTally& die, const ScanBadBlock& bad) {
  const BlockKind kind = ClassifyBlock(bad.status);
  return platform::Format("     Channel:%u,CE:%u,Die:%u,Plane:%u;    %s Bad Block_%u (0x%04x)%.*s", die.channel, die.ce,
                          die.die, bad.plane, IsEarlyGroup(kind.group) ? "Early" : "Later", bad.block, bad.block,
                          static_cast<int>(kind.text.size()), kind.text.data());
}

std::string AllBadLine(const ScanDieTally& die) {
  const std::uint32_t allBad = die.AllBad();
  const double percent = die.blocks == 0 ? 0.0 : 100.0 * allBad / die.blocks;
  return platform::Format("     CENo_%u/Die_%u-> All Bad Block Count= %u(%.2f%%)", die.ce, die.die, allBad, percent);
}

}  // namespace

std::vector<std::string> ScanGeometryLines(const ScanLimitLines& limits) {
  return {
      platform::Format("Die Per Flash= %u;", limits.dies),
      platform::Format("Plane Number = %u;", limits.planes),
      platform::Format("Max Block Per CE= %u; ", limits.blocksPerCe),
      platform::Format("Get Max Bad block number Percent= %u ", limits.percent),
      platform::Format("Get Max Bad block number per Plane = %u", limits.maxBadPerPlane),
  };
}

std::vector<std::string> ScanDieLines(const ScanTally& tally, bool listBlocks) {
  std::vector<std::string> lines;
  for (const ScanDieTally& die : tally.dies) {
    lines.push_back(PlaneCountLine(die, "EarlyBad", die.factory, tally.planes));
    lines.push_back(PlaneCountLine(die, "LaterBad", die.run, tally.planes));
    if (listBlocks) {
      for (const ScanBadBlock& bad : die.bad) lines.push_back(BadBlockLine(die, bad));
    }
    lines.push_back(AllBadLine(die));
  }
  return lines;
}

std::vector<std::string> ScanCountLines(const ScanTally& tally) {
  const std::uint32_t bad = tally.Factory() + tally.Rdt() + tally.Run();
  return {
      platform::Format("OB + OLB     Count = %u", tally.Factory()),
      platform::Format("RDT      Bad Count = %u", tally.Rdt()),
      platform::Format("Later    Bad Count = %u", tally.Run()),
      platform::Format("All Good Blk Count = %u", tally.Blocks() - bad),
  };
}

std::vector<std::string> ScanPlaneErrorLines(const ScanTally& tally, std::uint32_t maxBadPerPlane) {
  std::vector<std::string> lines;
  if (maxBadPerPlane == 0) return lines;
  for (const ScanDieTally& die : tally.dies) {
    for (unsigned plane = 0; plane < kScanMaxPlanes; ++plane) {
      const std::uint32_t allBad = die.AllBadOfPlane(plane);
      if (allBad <= maxBadPerPlane) continue;
      lines.push_back(platform::Format("[Error] CE: %u, CH: %u, Die: %u, P%u, All Bad PrePlane Number(%u) over Spec(%u)",
                                       die.ce, die.channel, die.die, plane, allBad, maxBadPerPlane));
    }
  }
  return lines;
}
