#include "device/VendorCommands.h"

namespace device {

const CommandSpec* FindCommand(CommandFamily family, std::uint8_t code, std::uint8_t subOperation) {
  for (const CommandSpec& spec : kCommandTable) {
    if (spec.family == family && spec.code == code && spec.subOperation == subOperation) return &spec;
  }
  return nullptr;
}

std::uint32_t TransferBytes(const CommandSpec& spec, std::uint32_t sectorCount) {
  switch (spec.transfer) {
    case TransferRule::None: return 0;
    case TransferRule::FixedBytes: return spec.fixedBytes;
    case TransferRule::CallerSectors:
      if (sectorCount == 0 || sectorCount > spec.maxSectors) return 0;
      return sectorCount * kSectorSize;
  }
  return 0;
}

}  // namespace device
