#pragma once
// The firmware image file (FW\MP\*.bin, FW\RDT\*.bin) and the checks made before any byte of
// it goes to a drive.
//
// Layout of a file:
//   [0, 512)                 the image header (device/records/FirmwareImageHeader.h): header
//                            mark "TV", IC version 0x3160 and its suffix, the size and the
//                            checksum of each code section, the name and bin type of the
//                            firmware the flash code runs as, the BCD build time, closing mark
//                            0x55 0xAA
//   [512, 512 + R)           the RAM code section, R = header RAM code size: what is loaded
//                            into the controller's program RAM
//   [512 + R, 512 + R + F)   the flash code section, F = header flash code size: what is
//                            programmed into flash (or sent with DOWNLOAD MICROCODE)
// and nothing after it. Each section starts with a 512-byte section head in the header's own
// layout (marks, IC version, at 0x20 the name the controller reports while the section's code
// runs: "SBB..." for the RAM code, "SBF..." or "RDT..." for the flash code, and at 0x28 the bin
// type it reports in its system information); the code follows the head. A section's checksum is the 16-bit sum of all its bytes, head included,
// which is also the checksum the controller's program-RAM start asks for.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/records/FirmwareImageHeader.h"
#include "platform/Clock.h"

namespace engine::firmware {

inline constexpr std::size_t kImageHeaderBytes = 512;
inline constexpr std::size_t kSectionHeadBytes = 512;
inline constexpr char kImageHeaderMark[] = "TV";
inline constexpr std::uint8_t kImageClosingMark[2] = {0x55, 0xAA};
inline constexpr std::uint16_t kImageIcVersion = 0x3160;
// Largest sections the controller takes: its program RAM and its firmware area.
inline constexpr std::uint64_t kMaxRamSectionBytes = 2u * 1024 * 1024;
inline constexpr std::uint64_t kMaxFlashSectionBytes = 8u * 1024 * 1024;
inline constexpr std::uint64_t kMaxImageBytes = kImageHeaderBytes + kMaxRamSectionBytes + kMaxFlashSectionBytes;

// What is wrong with an image, in the order the checks run.
enum class ImageError : std::uint8_t {
  None,
  CannotRead,        // the file is missing or cannot be read
  TooShort,          // shorter than the header
  TooLarge,          // larger than any image can be
  BadHeaderMark,
  BadClosingMark,
  WrongIcVersion,
  BadSectionSize,    // a section smaller than its head or larger than the controller takes
  SizeMismatch,      // header + sections is not the file's size
  RamChecksum,
  FlashChecksum,
  BadSectionHead,    // a section head without the marks or without a printable name
};

struct ImageCheck {
  ImageError error = ImageError::None;
  std::string message;   // for the report and the error message; empty when the image is good
};

struct FirmwareImage {
  FirmwareImageHeader header;
  std::vector<std::uint8_t> ramSection;     // head + RAM code
  std::vector<std::uint8_t> flashSection;   // head + flash code

  // The name the controller reports while the section's code runs.
  std::string RamCodeName() const;
  std::string FlashCodeName() const;
  // The bin type the firmware is built for (trailing blanks and zero bytes removed).
  std::string BinType() const;
};

// 16-bit sum of the bytes.
std::uint16_t SectionChecksum(std::span<const std::uint8_t> bytes);

// Checks a whole image file's bytes and splits them; nullopt with the reason in check.
std::optional<FirmwareImage> ParseFirmwareImage(std::span<const std::uint8_t> file, ImageCheck& check);
// Reads the image file at a station path text and parses it; the size is checked before the
// file is read.
std::optional<FirmwareImage> LoadFirmwareImage(std::string_view path, ImageCheck& check);

// The image file at a station path text, parsed once while the file stays the same
// (platform/ParsedFileCache.h): every drive of a pass shares one parse. The result and the
// check are those of LoadFirmwareImage.
std::shared_ptr<const FirmwareImage> LoadFirmwareImageOnce(std::string_view path, ImageCheck& check);

// What an image is made of (the sample-image tool and the tests build images with it).
struct ImageContents {
  std::string ramCodeName;     // at most 8 characters, e.g. "SBB2.0.1"
  std::string flashCodeName;   // at most 8 characters, e.g. "SBF20A01" or "RDT20A01"
  std::string binType;         // at most 4 characters
  std::uint16_t icVersion = kImageIcVersion;
  std::string icVersionSuffix = "AA";
  std::vector<std::uint8_t> ramCode;     // the code after the RAM section's head
  std::vector<std::uint8_t> flashCode;   // the code after the flash section's head
  platform::LocalTime buildTime;
};

std::vector<std::uint8_t> BuildFirmwareImage(const ImageContents& contents);

}  // namespace engine::firmware
