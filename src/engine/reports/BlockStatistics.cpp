#include "engine/reports/BlockStatistics.h"

#include <string>
#include <string_view>

#include "platform/Text.h"

namespace engine {
namespace {

// Channel group of a CE in the record: 0 for CEs 0-7, 1 for CEs 8-15.
std::size_t ChannelGroup(int ce) { return ce >= 8 ? 1 : 0; }

// Moves up to ten program fails to the read fails.
void ShiftPair(long long& program, long long& read) {
  if (program >= 10) {
    program -= 10;
    read += 10;
  } else {
    read += program;
    program = 0;
  }
}

// The RDT figures, read from the information record through the info-block table.
struct RdtFigures {
  int temperature = 0;
  std::string firmware;  // ":" and the second to fourth version characters
  int tlcEcc = 0;
  int slcEcc = 0;
  int tlcLoops = 0;
  int slcLoops = 0;
  std::int32_t totalSeconds = 0;
};

RdtFigures ReadRdtFigures(std::span<const std::uint8_t, kMpInfoBytes> rdtInfo) {
  const auto block = MpInfoAsBlock(rdtInfo);
  const InfoBlockView view(block);
  RdtFigures figures;
  figures.temperature = static_cast<int>(GetInfoFieldValue(view, InfoField("MpInfo.Temperature")));
  figures.tlcEcc = static_cast<int>(GetInfoFieldValue(view, InfoField("MpInfo.TLC_ECC_Threshold")));
  figures.slcEcc = static_cast<int>(GetInfoFieldValue(view, InfoField("MpInfo.SLC_ECC_Threshold")));
  figures.tlcLoops = static_cast<int>(GetInfoFieldValue(view, InfoField("MpInfo.TLC_RDT_Loop")));
  figures.slcLoops = static_cast<int>(GetInfoFieldValue(view, InfoField("MpInfo.SLC_RDT_Loop")));
  // A reverse test runs every loop twice.
  if (GetInfoFieldValue(view, InfoField("MpInfo.RunInfo.RDT_Reverse_Test")) != 0) {
    figures.tlcLoops *= 2;
    figures.slcLoops *= 2;
  }
  figures.totalSeconds = static_cast<std::int32_t>(GetInfoFieldValue(view, InfoField("MpInfo.RDT_TotalTime")));
  const std::string version = GetInfoFieldText(view, InfoField("MpInfo.FW_Version"));
  // ":" and the version's characters after its first, up to a zero byte.
  const std::string_view tail = version.size() > 1 ? std::string_view(version).substr(1) : std::string_view();
  figures.firmware = ":" + std::string(tail.substr(0, tail.find('\0')));
  return figures;
}

long long Sum(const std::array<long long, kStatisticsCes>& perCe) {
  long long sum = 0;
  for (long long value : perCe) sum += value;
  return sum;
}

}  // namespace

BlockStatisticsCounts CountBlockInfoRecord(const BlockInfoRecord& record) {
  BlockStatisticsCounts counts;
  counts.fromRecord = true;
  for (int ce = 0; ce < kStatisticsCes; ++ce) {
    const std::size_t group = ChannelGroup(ce);
    for (std::size_t plane = 0; plane < kBlockInfoPlanes; ++plane) {
      const std::uint32_t* later = record.later[ce][group][plane];
      counts.factoryBad[ce] += record.early[ce][group][plane];
      counts.rdtBad[ce] += later[kLaterTotal];
      counts.programFail[ce] += later[kLaterProgram];
      counts.eraseRb += later[kLaterErase];
      counts.programRb += later[kLaterProgram];
      counts.readRb += later[kLaterRead];
    }
  }
  return counts;
}

BlockStatisticsCounts CountBlockMap(const BlockStatusCounter& count) {
  BlockStatisticsCounts counts;
  counts.fromRecord = false;
  // Marks that keep a block out of the OLB counts (RDT bad and the further marks) and out
  // of the RB counts (factory bad and the further marks), and every mark but factory bad.
  constexpr std::uint8_t kNotOlb = kBlockRdtBad | kBlockMarkA | kBlockMarkB;
  constexpr std::uint8_t kNotRb = kBlockFactoryBad | kBlockMarkA | kBlockMarkB;
  constexpr std::uint8_t kAnyOtherMark = static_cast<std::uint8_t>(~kBlockFactoryBad);
  static_assert(kNotOlb == 0x70 && kNotRb == 0xB0 && kAnyOtherMark == 0x7F);
  for (int ce = 0; ce < kStatisticsCes; ++ce) {
    counts.factoryBad[ce] = count(ce, kBlockFactoryBad, kBlockRdtBad);
    counts.rdtBad[ce] = count(ce, kBlockRdtBad, kNotRb);
    counts.programFail[ce] = count(ce, kBlockProgramFail, kNotOlb);
    counts.programOlb += count(ce, kBlockProgramFail, kNotOlb);
    counts.programRb += count(ce, kBlockProgramFail, kNotRb);
    counts.eraseOlb += count(ce, kBlockEraseFail, kNotOlb);
    counts.eraseRb += count(ce, kBlockEraseFail, kNotRb);
    counts.readOlb += count(ce, kBlockReadFail, kNotOlb);
    counts.readRb += count(ce, kBlockReadFail, kNotRb);
    counts.pureFactoryBad += count(ce, kBlockFactoryBad, kAnyOtherMark);
  }
  return counts;
}

void ShiftProgramToRead(BlockStatisticsCounts& counts) {
  ShiftPair(counts.programOlb, counts.readOlb);
  ShiftPair(counts.programRb, counts.readRb);
}

std::string FormatBlockStatisticsText(std::uint32_t itemMask, const BlockStatisticsCounts& counts,
                                      std::span<const std::uint8_t, kMpInfoBytes> rdtInfo) {
  std::string text;
  if (itemMask & kStatisticsPerCeItems) {
    for (int ce = 0; ce < kStatisticsCes; ++ce) {
      text += platform::Format("%02d: %lld/ %lld (P: %lld)*", ce, counts.factoryBad[ce], counts.rdtBad[ce],
                               counts.programFail[ce]);
    }
  }
  const long long sumFactoryBad = Sum(counts.factoryBad);
  const long long sumRdtBad = Sum(counts.rdtBad);
  if (counts.fromRecord) {
    text += platform::Format("OB/RB:%lld/%lld*", sumFactoryBad, sumRdtBad);
  } else {
    text += platform::Format("OB+OLB/RB:%lld+%lld/%lld*", counts.pureFactoryBad,
                             sumFactoryBad - counts.pureFactoryBad, sumRdtBad);
  }
  if (itemMask & kStatisticsSumItems) {
    text += platform::Format("P OLB+RB:%lld*", counts.programOlb + counts.programRb);
    text += platform::Format("E OLB+RB:%lld*", counts.eraseOlb + counts.eraseRb);
    text += platform::Format("R OLB+RB:%lld*", counts.readOlb + counts.readRb);
  } else if (itemMask & kStatisticsPairItems) {
    text += platform::Format("P OLB/RB:%lld/%lld*", counts.programOlb, counts.programRb);
    text += platform::Format("E OLB/RB:%lld/%lld*", counts.eraseOlb, counts.eraseRb);
    text += platform::Format("R OLB/RB:%lld/%lld*", counts.readOlb, counts.readRb);
  }
  const RdtFigures figures = ReadRdtFigures(rdtInfo);
  // The degree sign is 0xA2 0x58 in code page 950.
  text += platform::Format("T(\xA2\x58"
                           "C):%d*",
                           figures.temperature);
  if (itemMask & kStatisticsRdtItems) {
    text += platform::Format("FW%s*", figures.firmware.c_str());
    text += platform::Format("ECC(T/S):%d/%d*", figures.tlcEcc, figures.slcEcc);
    text += platform::Format("Loop(T/S):%d/%d*", figures.tlcLoops, figures.slcLoops);
    const std::int32_t t = figures.totalSeconds;
    const std::int32_t hours = t / 3600;
    const std::int32_t minutes = (t - hours * 3600) / 60;
    const std::int32_t seconds = t - hours * 3600 - minutes * 60;
    text += platform::Format("Time:%02d:%02d:%02d", hours, minutes, seconds);
  }
  return text;
}

}  // namespace engine
