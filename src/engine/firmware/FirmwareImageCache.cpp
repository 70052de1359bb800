// The parses of the firmware image files, one per file while it stays the same, kept by the
// platform's cache of parsed files.
#include "engine/firmware/FirmwareImage.h"
#include "platform/ParsedFileCache.h"

namespace engine::firmware {
namespace {

struct ImageParse {
  bool read = false;  // the file was read: the parse and its check stand for it
  std::shared_ptr<const FirmwareImage> image;
  ImageCheck check;
};

std::shared_ptr<const void> ParseImage(platform::IniFileRead& read) {
  auto parse = std::make_shared<ImageParse>();
  if (read.status != platform::IniFileRead::Status::Ok) return parse;
  parse->read = true;
  std::optional<FirmwareImage> image = ParseFirmwareImage(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(read.bytes.data()), read.bytes.size()),
      parse->check);
  if (image) parse->image = std::make_shared<const FirmwareImage>(std::move(*image));
  return parse;
}

}  // namespace

std::shared_ptr<const FirmwareImage> LoadFirmwareImageOnce(std::string_view path, ImageCheck& check) {
  const std::shared_ptr<const void>& cached = platform::CachedFileParse(path, &ParseImage);
  const auto* parse = static_cast<const ImageParse*>(cached.get());
  if (parse != nullptr && parse->read) {
    check = parse->check;
    return parse->image;
  }
  // A file that is missing or cannot be read: the plain load names the reason.
  std::optional<FirmwareImage> image = LoadFirmwareImage(path, check);
  return image ? std::make_shared<const FirmwareImage>(std::move(*image)) : nullptr;
}

}  // namespace engine::firmware
