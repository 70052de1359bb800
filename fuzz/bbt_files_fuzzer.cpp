// libFuzzer target of the bad-block-table page's file loaders: the ".dll" image, the ".sot"
// image with the write-back plan and its chip numbers, the bad-block text file, and the names
// and listed lines of the page's files. The first byte of an input chooses the loader:
//   0  the rest is a ".dll" image; one that loads must build again byte for byte;
//   1  a drive (struct SotInput) and a ".sot" image; every planned slice must lie in the
//      image, be one slice long and carry its sum;
//   2  the rest is a bad-block text file; one that loads must load again, unchanged, from the
//      text it formats; its lines and the names made after it are taken too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "device/records/BadBlockTable.h"
#include "engine/scan/BadBlockTextFile.h"
#include "pages/bbt/BbtFileNames.h"
#include "pages/bbt/BbtImages.h"

namespace {

// The drive's side of a write-back, at the head of a ".sot" input.
struct SotInput {
  std::uint8_t parameter[64];
  std::uint8_t blocksPerCe[2];
  std::uint8_t ceMapInUse[2];
  std::uint8_t systemCeMap[8];
  std::uint8_t flags;            // bit 0: CEs numbered by the map
  std::uint8_t addressingMode;
  std::uint8_t unitsPerCe;
  std::uint8_t shortBy[2];       // the image is this many bytes shorter than 16 slices
};
static_assert(sizeof(SotInput) == 81);

void Require(bool condition) {
  if (!condition) std::abort();
}

void LoadDll(std::span<const std::uint8_t> bytes) {
  std::string problem;
  const auto image = ParseDllImage(bytes, problem);
  if (!image) return;
  const auto built = BuildDllImage(image->parameter.data(), image->rdtInfo.data(), image->table, problem);
  Require(built && std::equal(built->begin(), built->end(), bytes.begin(), bytes.end()));
}

void PlanSot(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < sizeof(SotInput)) return;
  SotInput input;
  std::memcpy(&input, bytes.data(), sizeof(input));
  SotDriveGeometry drive;
  drive.blocksPerCe = static_cast<std::uint32_t>(input.blocksPerCe[0] | input.blocksPerCe[1] << 8) % 4000;
  drive.ceMapInUse = static_cast<std::uint16_t>(input.ceMapInUse[0] | input.ceMapInUse[1] << 8);
  std::memcpy(&drive.systemCeMap, input.systemCeMap, sizeof(drive.systemCeMap));
  drive.ceNumberedByMap = (input.flags & 1) != 0;
  drive.addressingMode = input.addressingMode;
  drive.unitsPerCe = input.unitsPerCe;
  // The image: the rest of the input, repeated to the length asked for.
  const std::size_t full = kSotSlices * SotSliceBytes(drive.blocksPerCe);
  const std::size_t shortBy = static_cast<std::size_t>(input.shortBy[0] | input.shortBy[1] << 8) % 600;
  const std::size_t length = full > shortBy ? full - shortBy : 0;
  const std::span<const std::uint8_t> rest = bytes.subspan(sizeof(input));
  const std::unique_ptr<std::uint8_t[]> image(new std::uint8_t[length + 1]);
  for (std::size_t i = 0; i < length; ++i) image[i] = rest.empty() ? 0xFF : rest[i % rest.size()];

  std::string problem;
  const auto plan = PlanSotWrite(std::span(image.get(), length), input.parameter, drive, problem);
  if (!plan) {
    Require(!problem.empty());
    return;
  }
  const std::size_t sliceBytes = SotSliceBytes(drive.blocksPerCe);
  Require(length >= full && plan->sliceSectors * 512u == sliceBytes);
  for (const SotSliceWrite& write : plan->writes) {
    Require(write.ce < kSotSlices && write.slice.size() == sliceBytes && ThirdPartySliceSealed(write.slice));
    // Only the first sector's last two bytes (its sum) differ from the image.
    const std::uint8_t* source = image.get() + write.ce * sliceBytes;
    Require(std::equal(write.slice.begin(), write.slice.begin() + 510, source));
    Require(std::equal(write.slice.begin() + 512, write.slice.end(), source + 512));
  }
}

void LoadText(std::span<const std::uint8_t> bytes) {
  const std::string text(bytes.begin(), bytes.end());
  std::string problem;
  if (const auto image = ParseBadBlockFile(text, problem)) {
    const std::string formatted = FormatBadBlockFile(*image);
    const auto again = ParseBadBlockFile(formatted, problem);
    Require(again && again->map == image->map && again->rdtInfo == image->rdtInfo &&
            again->bbtParameter == image->bbtParameter && again->ceSlots == image->ceSlots &&
            again->blocksPerSlot == image->blocksPerSlot);
  }
  for (const std::string& line : ListedLines(text)) Require(line.size() <= 511);
  // The text as a path: the names made after it keep everything but its last four characters.
  const std::string_view path(text.data(), std::min<std::size_t>(text.size(), 300));
  if (const auto name = ImageNameOf(path, kSotExtension)) Require(name->size() >= path.size());
  if (const auto name = NamedAfter(path, kTextExtension)) Require(name->size() == path.size());
  HasSotExtension(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The input in an allocation of its own, so that a read past its end is caught.
  const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
  std::memcpy(copy.get(), data, size);
  const std::span<const std::uint8_t> rest(copy.get() + 1, size - 1);
  switch (copy[0] % 3) {
    case 0: LoadDll(rest); break;
    case 1: PlanSot(rest); break;
    default: LoadText(rest); break;
  }
  return 0;
}
