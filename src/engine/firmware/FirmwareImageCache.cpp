// The parses of the firmware image files, one per file while it stays the same.
#include <mutex>
#include <string>
#include <unordered_map>

#include "engine/firmware/FirmwareImage.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Path.h"

namespace engine::firmware {
namespace {

// A station names two images (MP and RDT); a few more may be tried by hand.
constexpr std::size_t kMaximumImages = 8;

struct CachedImage {
  platform::FileIdentity identity;
  bool settled = false;
  std::string bytes;  // kept while the times are too recent to tell a change
  std::shared_ptr<const FirmwareImage> image;
  ImageCheck check;
};

struct ImageCache {
  std::mutex mutex;
  std::unordered_map<std::string, CachedImage> images;
};

ImageCache& TheCache() {
  static ImageCache* const cache = new ImageCache;  // workers may still load while the program exits
  return *cache;
}

}  // namespace

std::shared_ptr<const FirmwareImage> LoadFirmwareImageOnce(std::string_view path, ImageCheck& check) {
  const std::string native = platform::ToNativePath(path).string();
  platform::FileIdentity now;
  if (native.empty() || !platform::StatIniFile(native, now)) {
    // Missing or no file: the plain load gives the reason.
    std::optional<FirmwareImage> image = LoadFirmwareImage(path, check);
    return image ? std::make_shared<const FirmwareImage>(std::move(*image)) : nullptr;
  }
  ImageCache& cache = TheCache();
  // One load at a time: the drives of a pass that start together wait for the first parse.
  std::lock_guard lock(cache.mutex);
  const auto found = cache.images.find(native);
  if (found != cache.images.end() && found->second.identity == now && found->second.settled) {
    check = found->second.check;
    return found->second.image;
  }
  const std::int64_t readAtNs = platform::FileClockNowNs();
  std::optional<std::string> bytes;
  if (now.size <= kMaxImageBytes) bytes = platform::ReadWholeFile(path);
  if (found != cache.images.end() && found->second.identity == now && bytes && *bytes == found->second.bytes) {
    // The same bytes: the parse stands, and once the times have settled the bytes may go.
    if (platform::IdentityHasSettled(now, readAtNs)) {
      found->second.settled = true;
      std::string().swap(found->second.bytes);
    }
    check = found->second.check;
    return found->second.image;
  }

  std::shared_ptr<const FirmwareImage> image;
  if (!bytes) {
    std::optional<FirmwareImage> loaded = LoadFirmwareImage(path, check);  // the reason, as a plain load gives it
    if (loaded) image = std::make_shared<const FirmwareImage>(std::move(*loaded));
  } else {
    std::optional<FirmwareImage> parsed = ParseFirmwareImage(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()), check);
    if (parsed) image = std::make_shared<const FirmwareImage>(std::move(*parsed));
  }
  if (!bytes) return image;  // unreadable: nothing to keep
  if (found == cache.images.end() && cache.images.size() >= kMaximumImages) cache.images.erase(cache.images.begin());
  CachedImage& entry = cache.images[native];
  entry.identity = now;
  entry.settled = platform::IdentityHasSettled(now, readAtNs);
  entry.bytes = entry.settled ? std::string() : std::move(*bytes);
  entry.image = image;
  entry.check = check;
  return image;
}

}  // namespace engine::firmware
