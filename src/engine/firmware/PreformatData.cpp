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

std::uint8_t Byte(const settings::Key& key) { return static_cast<std::uint8_t>(settings::ReadInt(key)); }

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

// The drive's own loop counts unless the parameter file sets its own.
PreformatRdtParameters MakeRdtParameters(std::uint32_t tlcLoops, std::uint32_t slcLoops) {
  PreformatRdtParameters rdt;
  std::memset(&rdt, 0, sizeof(rdt));
  rdt.tlcLoops = settings::ReadInt(settings::keys::EnableSetCycle) != 0 ? Byte(settings::keys::Cycle)
                                                                         : static_cast<std::uint8_t>(tlcLoops);
  rdt.slcLoops = settings::ReadInt(settings::keys::EnableSetCycleSLC) != 0 ? Byte(settings::keys::CycleSLC)
                                                                            : static_cast<std::uint8_t>(slcLoops);
  rdt.tlcEccThreshold = Byte(settings::keys::EccThreshold);
  rdt.slcEccThreshold = Byte(settings::keys::SlcEccThreshold);
  rdt.planeMaxBadRatio = Byte(settings::keys::RdtPlaneMaxBadBlkRatioTV);
  rdt.maxEraseBadRatio = Byte(settings::keys::RdtMaxEraseBadBlkRatio);
  rdt.maxProgBadRatio = Byte(settings::keys::RdtMaxProgBadBlkRatio);
  rdt.maxReadBadRatio = Byte(settings::keys::RdtMaxReadBadBlkRatio);
  rdt.maxEraseBadCount.Set(static_cast<std::uint16_t>(settings::ReadInt(settings::keys::RdtMaxEraseBadBlkCount)));
  rdt.maxProgBadCount.Set(static_cast<std::uint16_t>(settings::ReadInt(settings::keys::RdtMaxProgBadBlkCount)));
  rdt.maxReadBadCount.Set(static_cast<std::uint16_t>(settings::ReadInt(settings::keys::RdtMaxReadBadBlkCount)));
  rdt.dynamicCe = settings::ReadInt(settings::keys::RdtDynamicCEEn) != 0 ? 1 : 0;
  rdt.onlyDoFlash = settings::ReadInt(settings::keys::OnlyDoFlash) != 0 ? 1 : 0;
  rdt.fixTemperature = Byte(settings::keys::TemperatureFixed);
  rdt.maxTemperature = Byte(settings::keys::TemperatureMax);
  return rdt;
}

}  // namespace

std::string PreformatSettingsProblem() {
  namespace keys = settings::keys;
  struct Limit {
    const settings::Key& key;
    int high;
  };
  const Limit limits[] = {
      {keys::RdtPlaneMaxBadBlkRatioTV, settings::kMaxPercentSetting},
      {keys::RdtMaxEraseBadBlkRatio, settings::kMaxPercentSetting},
      {keys::RdtMaxProgBadBlkRatio, settings::kMaxPercentSetting},
      {keys::RdtMaxReadBadBlkRatio, settings::kMaxPercentSetting},
      {keys::RdtMaxEraseBadBlkCount, 0xFFFF},
      {keys::RdtMaxProgBadBlkCount, 0xFFFF},
      {keys::RdtMaxReadBadBlkCount, 0xFFFF},
      {keys::EccThreshold, 0xFF},
      {keys::SlcEccThreshold, 0xFF},
      {keys::TemperatureFixed, 0xFF},
      {keys::TemperatureMax, 0xFF},
  };
  for (const Limit& limit : limits) {
    const settings::StrictNumber number = settings::ReadStrictInt(limit.key, 0, limit.high);
    if (!number.value) return number.problem;
  }
  // The loop counts are the drive's own unless the parameter file sets them.
  const struct {
    const settings::Key& enable;
    const settings::Key& loops;
  } cycles[] = {{keys::EnableSetCycle, keys::Cycle}, {keys::EnableSetCycleSLC, keys::CycleSLC}};
  for (const auto& cycle : cycles) {
    if (settings::ReadInt(cycle.enable) == 0) continue;
    const settings::StrictNumber number = settings::ReadStrictInt(cycle.loops, 0, 0xFF);
    if (!number.value) return number.problem;
  }
  return {};
}

std::vector<std::uint8_t> BuildPreformatParameters(std::uint8_t run, std::uint8_t flags, std::uint16_t ceMap,
                                                   std::uint32_t driveTlcLoops, std::uint32_t driveSlcLoops,
                                                   std::span<const std::uint8_t, 512> infoBlock) {
  const PreformatHead head = MakeHead(run, flags, ceMap);
  const PreformatRdtParameters rdt = MakeRdtParameters(driveTlcLoops, driveSlcLoops);
  std::vector<std::uint8_t> parameters(kPreformatSectors * 512, 0);
  std::memcpy(parameters.data(), &head, sizeof(head));
  std::memcpy(parameters.data() + 512, &rdt, sizeof(rdt));
  std::memcpy(parameters.data() + kPreformatInfoBlockOffset, infoBlock.data(), infoBlock.size());
  return parameters;
}

}  // namespace engine::firmware
