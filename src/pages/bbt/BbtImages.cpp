#include "pages/bbt/BbtImages.h"

#include <algorithm>
#include <cstring>

#include "device/records/BadBlockTable.h"
#include "platform/Text.h"

namespace {

constexpr std::size_t kSectorBytes = 512;

BbtParameterRecord RecordOf(const std::uint8_t* parameter64) {
  BbtParameterRecord record;
  std::memcpy(&record, parameter64, sizeof(record));
  return record;
}

bool CeSkipped(const BbtParameterRecord& record, unsigned ce, const SotDriveGeometry& drive) {
  if (drive.ceMapInUse != 0 && ((drive.ceMapInUse >> ce) & 1) == 0) return true;
  if (record.ceAddress[ce] == kAbsentCeAddress) return true;
  return drive.ceNumberedByMap && ((drive.systemCeMap >> ce) & 1) == 0;
}

}  // namespace

std::size_t DllTableBytes(const std::uint8_t* parameter64) {
  return static_cast<std::size_t>(RecordOf(parameter64).tableSectors.Get()) * kSectorBytes;
}

std::optional<std::vector<std::uint8_t>> BuildDllImage(const std::uint8_t* parameter64, const std::uint8_t* rdtInfo64,
                                                       std::span<const std::uint8_t> table, std::string& problem) {
  const std::size_t tableBytes = DllTableBytes(parameter64);
  if (table.size() < tableBytes) {
    problem = platform::Format("the table buffer holds %zu of the %zu bytes of the table", table.size(), tableBytes);
    return std::nullopt;
  }
  std::vector<std::uint8_t> image(kDllImageHeaderBytes + tableBytes);
  std::memcpy(image.data(), parameter64, kBbtRecordBytes);
  std::memcpy(image.data() + kBbtRecordBytes, rdtInfo64, kBbtRecordBytes);
  std::copy_n(table.begin(), tableBytes, image.begin() + kDllImageHeaderBytes);
  return image;
}

std::optional<DllImage> ParseDllImage(std::span<const std::uint8_t> bytes, std::string& problem) {
  if (bytes.size() < kDllImageHeaderBytes) {
    problem = platform::Format("%zu bytes hold no two records", bytes.size());
    return std::nullopt;
  }
  const std::size_t tableBytes = DllTableBytes(bytes.data());
  if (bytes.size() != kDllImageHeaderBytes + tableBytes) {
    problem = platform::Format("%zu bytes, but the parameter record gives a table of %zu bytes", bytes.size(), tableBytes);
    return std::nullopt;
  }
  DllImage image;
  std::copy_n(bytes.begin(), kBbtRecordBytes, image.parameter.begin());
  std::copy_n(bytes.begin() + kBbtRecordBytes, kBbtRecordBytes, image.rdtInfo.begin());
  image.table.assign(bytes.begin() + kDllImageHeaderBytes, bytes.end());
  return image;
}

std::size_t SotSliceBytes(std::uint32_t blocksPerCe) {
  return static_cast<std::size_t>(ThirdPartySliceSectors(blocksPerCe)) * kSectorBytes;
}

std::optional<std::string> SotImageShortfall(std::size_t imageBytes, std::uint32_t blocksPerCe) {
  const std::size_t sliceBytes = SotSliceBytes(blocksPerCe);
  if (sliceBytes == 0) return std::string("the drive reports no blocks per CE");
  if (imageBytes < kSotSlices * sliceBytes) {
    return platform::Format("the image holds %zu bytes, %u slices of %zu bytes need %zu", imageBytes, kSotSlices,
                            sliceBytes, kSotSlices * sliceBytes);
  }
  return std::nullopt;
}

std::optional<SotWritePlan> PlanSotWrite(std::span<const std::uint8_t> image, const std::uint8_t* parameter64,
                                         const SotDriveGeometry& drive, std::string& problem) {
  if (std::optional<std::string> shortfall = SotImageShortfall(image.size(), drive.blocksPerCe)) {
    problem = std::move(*shortfall);
    return std::nullopt;
  }
  const std::size_t sliceBytes = SotSliceBytes(drive.blocksPerCe);
  const BbtParameterRecord record = RecordOf(parameter64);
  if (record.magic.Get() != std::string_view(kBbtParameterMagic, 4)) {
    problem = "the drive's BBT parameter record lacks \"DBTP\"";
    return std::nullopt;
  }
  if (drive.addressingMode != 1 && drive.addressingMode != 2) {
    problem = platform::Format("CE addressing mode %u gives no chip numbers", drive.addressingMode);
    return std::nullopt;
  }
  SotWritePlan plan;
  plan.sliceSectors = static_cast<std::uint32_t>(sliceBytes / kSectorBytes);
  for (unsigned ce = 0; ce < kSotSlices; ++ce) {
    if (CeSkipped(record, ce, drive)) continue;
    const std::optional<std::uint8_t> chip = ThirdPartyChipNumber(record, ce, drive.addressingMode, drive.unitsPerCe);
    if (!chip) {
      problem = platform::Format("the chip number of CE%u divides by 0 (parameter bytes 40, 42, 44: %u, %u, %u)", ce,
                                 record.chipModulus, record.shiftDivisor, record.unitsPerCe);
      return std::nullopt;
    }
    SotSliceWrite write;
    write.ce = ce;
    write.chip = *chip;
    write.slice.assign(image.begin() + static_cast<std::ptrdiff_t>(ce * sliceBytes),
                       image.begin() + static_cast<std::ptrdiff_t>((ce + 1) * sliceBytes));
    SealThirdPartySlice(write.slice);
    plan.writes.push_back(std::move(write));
  }
  return plan;
}
