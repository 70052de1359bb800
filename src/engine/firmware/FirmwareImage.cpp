#include "engine/firmware/FirmwareImage.h"

#include <algorithm>
#include <cstring>

#include "platform/Files.h"
#include "platform/Text.h"

namespace engine::firmware {

namespace {

bool MarksRight(const FirmwareImageHeader& header) {
  return header.headerMark.Get() == std::string_view(kImageHeaderMark, 2) &&
         static_cast<std::uint8_t>(header.closingMark.chars[0]) == kImageClosingMark[0] &&
         static_cast<std::uint8_t>(header.closingMark.chars[1]) == kImageClosingMark[1];
}

// The characters of a text field up to the first blank or zero byte.
std::string FieldText(std::string_view field) {
  const std::size_t end = field.find_first_of(std::string_view(" \0", 2));
  return std::string(field.substr(0, end));
}

// A section head carries the marks and a name of printable characters.
bool SectionHeadRight(std::span<const std::uint8_t> section, std::uint16_t icVersion) {
  FirmwareImageHeader head;
  if (!ReadRecord(section, head) || !MarksRight(head) || head.icVersion.Get() != icVersion) return false;
  const std::string name = FieldText(head.firmwareName.Get());
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x21 && c <= 0x7E; });
}

std::uint8_t Bcd(int value) { return static_cast<std::uint8_t>(((value / 10) % 10) << 4 | (value % 10)); }

void SetMarks(FirmwareImageHeader& header, std::uint16_t icVersion) {
  header.headerMark.Set(kImageHeaderMark);
  header.icVersion.Set(icVersion);
  header.closingMark.chars[0] = static_cast<char>(kImageClosingMark[0]);
  header.closingMark.chars[1] = static_cast<char>(kImageClosingMark[1]);
}

std::vector<std::uint8_t> BuildSection(std::string_view name, std::string_view binType, std::uint16_t icVersion,
                                       const std::vector<std::uint8_t>& code) {
  FirmwareImageHeader head;
  std::memset(&head, 0, sizeof(head));
  SetMarks(head, icVersion);
  head.firmwareName.Set(name);
  head.binType.Set(binType);
  std::vector<std::uint8_t> section(BytesOf(head).begin(), BytesOf(head).end());
  section.insert(section.end(), code.begin(), code.end());
  return section;
}

std::optional<FirmwareImage> Fail(ImageCheck& check, ImageError error, std::string message) {
  check.error = error;
  check.message = std::move(message);
  return std::nullopt;
}

}  // namespace

std::string FirmwareImage::RamCodeName() const {
  FirmwareImageHeader head;
  return ReadRecord(ramSection, head) ? FieldText(head.firmwareName.Get()) : std::string();
}

std::string FirmwareImage::FlashCodeName() const {
  FirmwareImageHeader head;
  return ReadRecord(flashSection, head) ? FieldText(head.firmwareName.Get()) : std::string();
}

std::string FirmwareImage::BinType() const { return FieldText(header.binType.Get()); }

std::uint16_t SectionChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t byte : bytes) sum += byte;
  return static_cast<std::uint16_t>(sum);
}

std::optional<FirmwareImage> ParseFirmwareImage(std::span<const std::uint8_t> file, ImageCheck& check) {
  check = ImageCheck{};
  FirmwareImage image;
  if (!ReadRecord(file, image.header)) {
    return Fail(check, ImageError::TooShort, platform::Format("BIN file is too short (%zu bytes)", file.size()));
  }
  if (file.size() > kMaxImageBytes) {
    return Fail(check, ImageError::TooLarge, platform::Format("BIN file is too large (%zu bytes)", file.size()));
  }
  const FirmwareImageHeader& header = image.header;
  if (header.headerMark.Get() != std::string_view(kImageHeaderMark, 2)) {
    return Fail(check, ImageError::BadHeaderMark, "BIN header mark error");
  }
  if (!MarksRight(header)) return Fail(check, ImageError::BadClosingMark, "BIN header closing mark error");
  if (header.icVersion.Get() != kImageIcVersion) {
    return Fail(check, ImageError::WrongIcVersion,
                platform::Format("BIN IC version %04X is not %04X", static_cast<unsigned>(header.icVersion.Get()),
                                 static_cast<unsigned>(kImageIcVersion)));
  }
  // Sizes from the file, in 64 bits, checked before any byte is taken.
  const std::uint64_t ramBytes = header.ramCodeSize.Get();
  const std::uint64_t flashBytes = header.flashCodeSize.Get();
  if (ramBytes <= kSectionHeadBytes || ramBytes > kMaxRamSectionBytes || flashBytes <= kSectionHeadBytes ||
      flashBytes > kMaxFlashSectionBytes) {
    return Fail(check, ImageError::BadSectionSize,
                platform::Format("BIN code size error (PRAM %llu, Flash %llu)",
                                 static_cast<unsigned long long>(ramBytes),
                                 static_cast<unsigned long long>(flashBytes)));
  }
  if (kImageHeaderBytes + ramBytes + flashBytes != file.size()) {
    return Fail(check, ImageError::SizeMismatch,
                platform::Format("BIN file size %zu is not header + PRAM %llu + Flash %llu", file.size(),
                                 static_cast<unsigned long long>(ramBytes),
                                 static_cast<unsigned long long>(flashBytes)));
  }
  const auto ram = file.subspan(kImageHeaderBytes, static_cast<std::size_t>(ramBytes));
  const auto flash = file.subspan(kImageHeaderBytes + static_cast<std::size_t>(ramBytes));
  if (SectionChecksum(ram) != header.ramCodeChecksum.Get()) {
    return Fail(check, ImageError::RamChecksum,
                platform::Format("BIN PRAM code checksum %04X is not %04X", SectionChecksum(ram),
                                 static_cast<unsigned>(header.ramCodeChecksum.Get())));
  }
  if (SectionChecksum(flash) != header.flashCodeChecksum.Get()) {
    return Fail(check, ImageError::FlashChecksum,
                platform::Format("BIN Flash code checksum %04X is not %04X", SectionChecksum(flash),
                                 static_cast<unsigned>(header.flashCodeChecksum.Get())));
  }
  if (!SectionHeadRight(ram, kImageIcVersion) || !SectionHeadRight(flash, kImageIcVersion)) {
    return Fail(check, ImageError::BadSectionHead, "BIN code section head error");
  }
  image.ramSection.assign(ram.begin(), ram.end());
  image.flashSection.assign(flash.begin(), flash.end());
  return image;
}

std::optional<FirmwareImage> LoadFirmwareImage(std::string_view path, ImageCheck& check) {
  check = ImageCheck{};
  const std::optional<std::uint64_t> size = platform::FileSize(path);
  if (!size) return Fail(check, ImageError::CannotRead, platform::Format("Open BIN file %.*s Failed", static_cast<int>(path.size()), path.data()));
  if (*size > kMaxImageBytes) {
    return Fail(check, ImageError::TooLarge,
                platform::Format("BIN file is too large (%llu bytes)", static_cast<unsigned long long>(*size)));
  }
  const std::optional<std::string> bytes = platform::ReadWholeFile(path);
  if (!bytes) return Fail(check, ImageError::CannotRead, platform::Format("Read BIN file %.*s Failed", static_cast<int>(path.size()), path.data()));
  return ParseFirmwareImage(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()), check);
}

std::vector<std::uint8_t> BuildFirmwareImage(const ImageContents& contents) {
  const std::vector<std::uint8_t> ram = BuildSection(contents.ramCodeName, contents.binType, contents.icVersion, contents.ramCode);
  const std::vector<std::uint8_t> flash =
      BuildSection(contents.flashCodeName, contents.binType, contents.icVersion, contents.flashCode);
  FirmwareImageHeader header;
  std::memset(&header, 0, sizeof(header));
  SetMarks(header, contents.icVersion);
  header.ramCodeSize.Set(ram.size());
  header.ramCodeChecksum.Set(SectionChecksum(ram));
  header.flashCodeSize.Set(flash.size());
  header.flashCodeChecksum.Set(SectionChecksum(flash));
  header.icVersionSuffix.Set(contents.icVersionSuffix);
  header.firmwareName.Set(contents.flashCodeName);
  header.binType.Set(contents.binType);
  const platform::LocalTime& time = contents.buildTime;
  header.buildYear[0] = Bcd(time.year / 100);
  header.buildYear[1] = Bcd(time.year % 100);
  header.buildMonth = Bcd(time.month);
  header.buildDay = Bcd(time.day);
  header.buildHour = Bcd(time.hour);
  header.buildMinute = Bcd(time.minute);
  header.buildSecond = Bcd(time.second);
  std::vector<std::uint8_t> image(BytesOf(header).begin(), BytesOf(header).end());
  image.insert(image.end(), ram.begin(), ram.end());
  image.insert(image.end(), flash.begin(), flash.end());
  return image;
}

}  // namespace engine::firmware
