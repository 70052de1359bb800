#include "engine/scan/BlockKinds.h"

#include "device/records/BadBlockTable.h"

namespace {

// The kind texts of one group, by failure bit; `plain` is the text without a failure bit.
struct GroupTexts {
  std::string_view erase;
  std::string_view program;
  std::string_view read;
  std::string_view raid;
  std::string_view plain;
};

constexpr GroupTexts kFactoryTexts{"Erase-OLB", "Program-OLB", "Read-OLB", "Raid-OLB", ""};
constexpr GroupTexts kRdtTexts{"Erase Bad-RDT", "Program Bad-RDT", "Read Bad-RDT", "Raid Read Bad-RDT", "RDT_Bad"};
constexpr GroupTexts kRunTexts{"Erase Bad-Run", "Program Bad-Run", "Read Bad-Run", "Raid Read Bad-Run", ""};
// An RDT read failure that the RDT found while programming the block (mark 0x10).
constexpr std::string_view kRdtReadAtProgram = "Read Bad-RDT(P)";
// A raid read failure of a run whose test phase is not known (mark 0x20).
constexpr std::string_view kRaidReadNoPhase = "Raid Read Bad";

std::string_view KindText(const GroupTexts& texts, std::uint8_t status) {
  if (status & kBlockEraseFail) return texts.erase;
  if (status & kBlockProgramFail) return texts.program;
  if (status & kBlockReadFail) return texts.read;
  if (status & kBlockRaidReadFail) return texts.raid;
  return texts.plain;
}

}  // namespace

BlockKind ClassifyBlock(std::uint8_t status) {
  if (status == 0) return {BlockGroup::Good, ""};
  if (status & kBlockRdtBad) {
    const bool readOnly = (status & (kBlockEraseFail | kBlockProgramFail)) == 0 && (status & kBlockReadFail) != 0;
    if (readOnly && (status & kBlockMarkB)) return {BlockGroup::Rdt, kRdtReadAtProgram};
    return {BlockGroup::Rdt, KindText(kRdtTexts, status)};
  }
  if (status & kBlockFactoryBad) return {BlockGroup::Factory, KindText(kFactoryTexts, status)};
  if ((status & kBlockFailureBits) == 0) return {BlockGroup::Marked, ""};
  if ((status & kBlockFailureBits) == kBlockRaidReadFail && (status & kBlockMarkA)) {
    return {BlockGroup::Run, kRaidReadNoPhase};
  }
  return {BlockGroup::Run, KindText(kRunTexts, status)};
}
