// The third-party bad-block table: read whole, slice by slice, and parsed into the engine's
// block map (its bad blocks become factory bad blocks); one slice written per command.
#include <array>
#include <cstring>

#include "device/VendorCommands.h"
#include "device/records/BadBlockTable.h"
#include "engine/MPDevice.h"
#include "engine/scan/BlockMapLayout.h"
#include "engine/scan/ScanTags.h"
#include "platform/Text.h"

namespace {
// The largest slice one read or write command carries (sectors).
std::uint32_t MaxSliceSectors(device::CommandId command) { return device::Spec(command).maxSectors; }
}  // namespace

std::uint8_t CMPDevice::ReadWhole3rdBBT(std::span<std::uint8_t> tableBuffer, const std::uint8_t* bbtParameter64,
                                        std::vector<std::uint8_t>& wholeTable, std::uint32_t* lengthOut) {
  using namespace scan_tags;
  if (!ReadSystemInfo()) return 0;
  if (bbtParameter64 == nullptr) return Fail(kTransfer, "Read 3rd BBT: no BBT parameter record !!!");
  const BbtParameterRecord record = ParameterRecordOf(bbtParameter64);
  const std::uint64_t sliceSectors = ThirdPartySliceSectors(m_BlocksPerCE);
  const std::uint32_t maxSectors = MaxSliceSectors(device::CommandId::ReadThirdPartyTable);
  if (sliceSectors == 0 || sliceSectors > maxSectors) {
    return Fail(kTransfer, platform::Format("Read 3rd BBT: %u blocks per CE give no slice of 1..%u sectors !!!",
                                            m_BlocksPerCE, maxSectors));
  }
  const std::size_t sliceBytes = static_cast<std::size_t>(sliceSectors) * kSectorBytes;
  wholeTable.assign(kThirdPartyCes * sliceBytes, 0xFF);
  // The block map that receives the slices' bad blocks, when the record describes one that
  // the buffer holds.
  const std::optional<BlockMapLayout> layout = DescribeBlockMap(record);
  const bool parse = layout && tableBuffer.size() >= layout->mapBytes;
  const bool numbered = m_CEMaskFlag != 0;
  for (unsigned ce = 0; ce < kThirdPartyCes; ++ce) {
    if (m_CEMap != 0 && ((m_CEMap >> ce) & 1) == 0) continue;
    if (record.ceAddress[ce] == kAbsentCeAddress) continue;
    if (numbered && ((m_SystemCEMap >> ce) & 1) == 0) continue;   // the CE has no unit of its own
    const std::optional<std::uint8_t> chip = ThirdPartyChipNumber(record, ce, m_CEAddressingMode, m_UnitsPerCE);
    if (!chip) return Fail(kTransfer, platform::Format("%s (CE%u has no chip number)", kRead3rdFailed, ce));
    const std::span<std::uint8_t> slice(wholeTable.data() + ce * sliceBytes, sliceBytes);
    if (!Command().Read3rdBbt(slice, static_cast<std::uint32_t>(sliceSectors), *chip)) {
      return Fail(kTransfer, platform::Format("%s (CE%u)", kRead3rdFailed, ce));
    }
    if (!ThirdPartySliceSealed(slice)) return Fail(kTransfer, platform::Format("%s (CE%u checksum)", kRead3rdFailed, ce));
    if (!parse) continue;
    const std::optional<unsigned> slot = SlotOfCe(ce, m_SystemCEMap, numbered);
    if (!slot || *slot >= layout->ceSlots) continue;
    const std::uint32_t blocks = std::min(m_BlocksPerCE, layout->blocksPerSlot);
    for (std::uint32_t block = 0; block < blocks; ++block) {
      if (slice[ThirdPartyBlockOffset(block)] == 0) continue;
      tableBuffer[static_cast<std::size_t>(*slot) * layout->blocksPerSlot + block] |= kBlockFactoryBad;
    }
  }
  if (lengthOut) *lengthOut = static_cast<std::uint32_t>(wholeTable.size());
  return 1;
}

std::uint8_t CMPDevice::Write3rdBBTForCE(std::span<const std::uint8_t> slice, std::uint32_t sectors, std::uint8_t chip) {
  using namespace scan_tags;
  const std::uint64_t bytes = static_cast<std::uint64_t>(sectors) * kSectorBytes;
  if (sectors == 0 || sectors > MaxSliceSectors(device::CommandId::WriteThirdPartyTable) || bytes > slice.size()) {
    return Fail(kTransfer, platform::Format("Write 3rd BBT: %u sectors do not fit the slice of %zu bytes !!!", sectors,
                                            slice.size()));
  }
  std::vector<std::uint8_t> data(slice.begin(), slice.begin() + static_cast<std::ptrdiff_t>(bytes));
  if (!Command().Write3rdBbt(data, sectors, chip)) {
    return Fail(kTransfer, platform::Format("Write 3rd BBT Failed !!! (chip %u)", chip));
  }
  return 1;
}
