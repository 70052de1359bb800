#include "engine/firmware/PreformatData.h"

#include <cstring>

#include "device/records/PreformatParameters.h"
#include "platform/StationSettings.h"

namespace engine::firmware {

namespace {

struct SmartSetting {
  std::uint8_t attributeId;
  const settings::Key& disable;
};

// The SMART attributes the parameter file can switch off, in the order of the array.
const SmartSetting kSmartSettings[] = {
    {0x01, settings::keys::DisableSmart01}, {0xC2, settings::keys::DisableSmartC2},
    {0xC3, settings::keys::DisableSmartC3}, {0xC4, settings::keys::DisableSmartC4},
    {0xC5, settings::keys::DisableSmartC5}, {0xC7, settings::keys::DisableSmartC7},
};

PreformatHead MakeHead(std::uint8_t run, std::uint8_t flags, std::uint16_t ceMap) {
  PreformatHead head;
  std::memset(&head, 0, sizeof(head));
  head.mark.Set(kPreformatMark);
  head.run = run;
  head.flags = flags;
  head.ceMap.Set(ceMap);
  const bool c4ReInit = settings::ReadInt(settings::keys::SmartC4ReInit) != 0;
  for (const SmartSetting& setting : kSmartSettings) {
    PreformatSmartSwitch& entry = head.smart[head.smartCount++];
    entry.attributeId = setting.attributeId;
    entry.enabled = settings::ReadInt(setting.disable) == 0 ? 1 : 0;
    entry.reInit = setting.attributeId == 0xC4 && c4ReInit ? 1 : 0;
  }
  return head;
}

}  // namespace

PreformatRdtSettings ReadPreformatRdtSettings(std::uint32_t driveTlcLoops, std::uint32_t driveSlcLoops) {
  namespace strict = settings::strict;
  // The first limit that cannot be used is named; the record is not made then.
  settings::StrictReads reads;
  const auto byte = [&reads](const settings::StrictKey& key) { return static_cast<std::uint8_t>(reads.Number(key)); };
  const auto count = [&reads](const settings::StrictKey& key) {
    return static_cast<std::uint16_t>(reads.Number(key));
  };
  // The drive's own loop counts unless the parameter file sets its own.
  const auto loops = [&byte](const settings::Key& enable, const settings::StrictKey& set, std::uint32_t drives) {
    return settings::ReadInt(enable) != 0 ? byte(set) : static_cast<std::uint8_t>(drives);
  };
  PreformatRdtParameters rdt;
  std::memset(&rdt, 0, sizeof(rdt));
  rdt.planeMaxBadRatio = byte(strict::RdtPlaneMaxBadBlkRatioTV);
  rdt.maxEraseBadRatio = byte(strict::RdtMaxEraseBadBlkRatio);
  rdt.maxProgBadRatio = byte(strict::RdtMaxProgBadBlkRatio);
  rdt.maxReadBadRatio = byte(strict::RdtMaxReadBadBlkRatio);
  rdt.maxEraseBadCount.Set(count(strict::RdtMaxEraseBadBlkCount));
  rdt.maxProgBadCount.Set(count(strict::RdtMaxProgBadBlkCount));
  rdt.maxReadBadCount.Set(count(strict::RdtMaxReadBadBlkCount));
  rdt.tlcEccThreshold = byte(strict::EccThreshold);
  rdt.slcEccThreshold = byte(strict::SlcEccThreshold);
  rdt.fixTemperature = byte(strict::TemperatureFixed);
  rdt.maxTemperature = byte(strict::TemperatureMax);
  rdt.tlcLoops = loops(settings::keys::EnableSetCycle, strict::Cycle, driveTlcLoops);
  rdt.slcLoops = loops(settings::keys::EnableSetCycleSLC, strict::CycleSLC, driveSlcLoops);
  rdt.dynamicCe = settings::ReadInt(settings::keys::RdtDynamicCEEn) != 0 ? 1 : 0;
  rdt.onlyDoFlash = settings::ReadInt(settings::keys::OnlyDoFlash) != 0 ? 1 : 0;
  PreformatRdtSettings read;
  read.problem = reads.FirstProblem();
  if (read.problem.empty()) read.parameters = rdt;
  return read;
}

std::vector<std::uint8_t> BuildPreformatParameters(std::uint8_t run, std::uint8_t flags, std::uint16_t ceMap,
                                                   const PreformatRdtParameters& rdt,
                                                   std::span<const std::uint8_t, 512> infoBlock) {
  const PreformatHead head = MakeHead(run, flags, ceMap);
  std::vector<std::uint8_t> parameters(kPreformatSectors * 512, 0);
  std::memcpy(parameters.data(), &head, sizeof(head));
  std::memcpy(parameters.data() + 512, &rdt, sizeof(rdt));
  std::memcpy(parameters.data() + kPreformatInfoBlockOffset, infoBlock.data(), infoBlock.size());
  return parameters;
}

}  // namespace engine::firmware
