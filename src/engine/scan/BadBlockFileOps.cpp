// The bad-block text file (BadBlockTextFile.h): the engine's block map and the two records
// saved into it, and read back. A file that does not read back whole and consistent is
// refused, and nothing the caller gave is changed then.
#include <algorithm>
#include <cstring>

#include "engine/MPDevice.h"
#include "engine/scan/BadBlockTextFile.h"
#include "engine/scan/BlockMapLayout.h"
#include "engine/scan/ScanTags.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {

// The whole file, read and checked; its own parameter record must describe the map it lists.
std::optional<BadBlockFileImage> ReadBadBlockFileImage(std::string_view path, std::string& problem) {
  const std::optional<std::string> text = path.empty() ? std::nullopt : platform::ReadWholeFile(path);
  if (!text) {
    problem = "cannot be read";
    return std::nullopt;
  }
  std::optional<BadBlockFileImage> image = ParseBadBlockFile(*text, problem);
  if (!image) return std::nullopt;
  const std::optional<BlockMapLayout> layout = DescribeBlockMap(image->bbtParameter.data(), &problem);
  if (!layout) return std::nullopt;
  if (layout->mapBytes != image->map.size() || layout->blocksPerSlot != image->blocksPerSlot) {
    problem = "BBT Parameter does not describe the listed block map";
    return std::nullopt;
  }
  return image;
}

}  // namespace

std::uint8_t CMPDevice::SaveBadBlockFile(std::string_view path, std::uint32_t ceCount, const std::uint8_t* bbtParameter64,
                                         const std::uint8_t* rdtInfo64) {
  using namespace scan_tags;
  const std::string pathText(path);
  std::string problem;
  const std::optional<BlockMapLayout> layout = DescribeBlockMap(bbtParameter64, &problem);
  if (!layout) return Fail(kSaveFile, platform::Format(kSaveFileFailed, pathText.c_str()) + " (" + problem + ")");
  if (m_BBTBuffer.size() < layout->mapBytes) {
    return Fail(kSaveFile, platform::Format(kSaveFileFailed, pathText.c_str()) + " (no bad-block table read)");
  }
  BadBlockFileImage image;
  image.ceSlots = ceCount == 0 || ceCount > layout->ceSlots ? layout->ceSlots : ceCount;
  image.ceMap = m_SystemCEMap;
  image.ceNumberedByMap = m_CEMaskFlag != 0;
  image.blocksPerSlot = layout->blocksPerSlot;
  image.unitsPerCe = layout->unitsPerCe;
  image.planes = m_Planes == 0 ? 1 : m_Planes;
  // The file holds the CE slots it lists; the rest of the map reads back good.
  image.map.assign(layout->mapBytes, 0);
  std::copy_n(m_BBTBuffer.begin(), static_cast<std::size_t>(image.ceSlots) * image.blocksPerSlot, image.map.begin());
  std::memcpy(image.bbtParameter.data(), bbtParameter64, kRecordBytes);
  if (rdtInfo64) std::memcpy(image.rdtInfo.data(), rdtInfo64, kRecordBytes);
  if (pathText.empty() || !platform::WriteWholeFile(pathText, FormatBadBlockFile(image))) {
    return Fail(kSaveFile, platform::Format(kSaveFileFailed, pathText.c_str()));
  }
  return 1;
}

std::uint8_t CMPDevice::RefuseBadBlockFile(std::string_view path, const std::string& problem) {
  const std::string pathText(path);
  WriteReportLine(platform::Format("Bad block file %s: %s", pathText.c_str(), problem.c_str()), kPlainLine);
  return Fail(scan_tags::kLoadFile, platform::Format(scan_tags::kLoadFileFailed, pathText.c_str()));
}

std::uint8_t CMPDevice::LoadBadBlockFile(std::string_view path, std::span<std::uint8_t> tableBuffer,
                                         std::uint8_t* bbtParameter64, std::uint8_t* rdtInfo64) {
  std::string problem;
  const std::optional<BadBlockFileImage> image = ReadBadBlockFileImage(path, problem);
  if (!image) return RefuseBadBlockFile(path, problem);
  if (tableBuffer.size() < image->map.size()) {
    return RefuseBadBlockFile(path, platform::Format("block map of %zu bytes does not fit the table buffer of %zu bytes",
                                                     image->map.size(), tableBuffer.size()));
  }
  std::memcpy(tableBuffer.data(), image->map.data(), image->map.size());
  if (bbtParameter64) std::memcpy(bbtParameter64, image->bbtParameter.data(), kRecordBytes);
  if (rdtInfo64) std::memcpy(rdtInfo64, image->rdtInfo.data(), kRecordBytes);
  return 1;
}

std::uint8_t CMPDevice::LoadFileRecord(std::string_view path, std::uint8_t* record64, bool rdtInfo) {
  std::string problem;
  const std::optional<BadBlockFileImage> image = ReadBadBlockFileImage(path, problem);
  if (!image) return RefuseBadBlockFile(path, problem);
  if (record64) std::memcpy(record64, (rdtInfo ? image->rdtInfo : image->bbtParameter).data(), kRecordBytes);
  return 1;
}

std::uint8_t CMPDevice::LoadRDTInfoRaw(std::string_view path, std::uint8_t* rdtInfo64) {
  return LoadFileRecord(path, rdtInfo64, true);
}

std::uint8_t CMPDevice::LoadBBTParameterRaw(std::string_view path, std::uint8_t* bbtParameter64) {
  return LoadFileRecord(path, bbtParameter64, false);
}
