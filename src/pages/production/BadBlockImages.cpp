#include "pages/production/BadBlockImages.h"

#include <fstream>
#include <memory>

#include "device/StationHelpers.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace {

BadBlockImage ImageOf(const BlockInfoRecord& record) {
  BadBlockImage image;
  image.tag = std::string(record.Tag());
  image.perPlaneLimit = record.perPlaneLimit;
  image.allBadLimit = record.allBadLimit;
  for (int ce = 0; ce < kBadBlockImageCes; ++ce) {
    for (int channel = 0; channel < kBadBlockImageChannels; ++channel) {
      BadBlockImageRow row;
      row.ce = ce;
      row.channel = channel;
      for (std::size_t plane = 0; plane < kBlockInfoPlanes; ++plane) {
        BadBlockImagePlane& cell = row.planes[plane];
        cell.early = record.early[ce][channel][plane];
        cell.later = record.later[ce][channel][plane][kLaterTotal];
        cell.text = platform::Format("%u / %u", cell.early, cell.later);
        cell.sum = cell.early + cell.later;
      }
      image.rows.push_back(std::move(row));
    }
  }
  return image;
}

}  // namespace

std::vector<BadBlockImage> ScanBadBlockImages(const std::string& path, std::string_view tag) {
  std::vector<BadBlockImage> images;
  std::ifstream file(platform::ToNativePath(path), std::ios::binary);
  if (!file.is_open()) return images;
  auto record = std::make_unique<BlockInfoRecord>();
  // One whole record at a time; a short read is the partial record of an interrupted append.
  while (file.read(reinterpret_cast<char*>(record.get()), static_cast<std::streamsize>(kBlockInfoRecordBytes))) {
    if (record->Tag() == tag) images.push_back(ImageOf(*record));
  }
  return images;
}
