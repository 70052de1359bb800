#include "sim/IdentifyRecord.h"

#include <algorithm>
#include <cstring>

namespace sim {

IdentifyData EncodeIdentify(const IdentifyFacts& facts) {
  IdentifyData data;
  std::memset(&data, 0, sizeof(data));
  data.generalConfiguration.Set(0x0040);  // fixed device
  data.cylinders.Set(16383);
  data.heads.Set(16);
  data.sectorsPerTrack.Set(63);
  data.serialNumber.Set(facts.serialNumber);
  data.firmwareRevision.Set(facts.firmwareRevision);
  data.modelNumber.Set(facts.modelNumber);
  data.maxSectorsPerDrq.Set(0x8010);
  data.capabilities.Set(0x0F00);          // LBA and DMA, IORDY
  data.validFields.Set(0x0007);
  data.lba28Sectors.Set(std::min<std::uint64_t>(facts.sectors, 0x0FFFFFFF));
  data.multiwordDma.Set(0x0007);
  data.pioModes.Set(0x0003);
  data.queueDepth.Set(31);
  data.sataCapabilities.Set(0x010E);      // NCQ, 1.5 / 3 / 6 Gb/s
  data.majorVersion.Set(0x01F0);
  data.commandSets[0].Set(0x746B);        // SMART, security, write cache, ...
  data.commandSets[1].Set(0x7D09);        // 48-bit addressing, DOWNLOAD MICROCODE
  data.commandSets[2].Set(0x6063);
  data.commandSets[3].Set(0x7469);
  data.commandSets[4].Set(0xBC09);
  data.commandSets[5].Set(0x6063);
  data.ultraDma.Set(0x007F);
  data.lba48Sectors.Set(facts.sectors);
  data.rdtStatus = facts.rdtStatus;
  if (facts.worldWideName != 0) {
    // Word 87 bit 8 says the name is there; words 108..111 hold it, most significant word first.
    data.commandSets[5].Set(data.commandSets[5].Get() | 0x0100);
    for (unsigned i = 0; i < 4; ++i) {
      data.words104to140[4 + i].Set((facts.worldWideName >> (48 - 16 * i)) & 0xFFFF);
    }
  }
  data.rotationRate.Set(1);
  std::uint8_t sum = 0xA5;
  const auto bytes = BytesOf(data);
  for (std::size_t i = 0; i + 2 < bytes.size(); ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  data.integrity.Set(0xA5 | (static_cast<std::uint16_t>(static_cast<std::uint8_t>(-sum)) << 8));
  return data;
}

}  // namespace sim
