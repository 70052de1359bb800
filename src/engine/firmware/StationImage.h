#pragma once
// The firmware images the station sends to its drives, and how their sections travel.
//
// The MP image is the file named by [Device Info] ISP_MPBINCode of .\param.ini, the RDT
// image the one named by ISP_RDTBINCode (a caller may name another file instead). A path
// that does not lead to the file is tried again as the file's name in the program's folder.
// Before any byte goes to a drive the image passes the checks of FirmwareImage.h and its
// bin type must hold the bin type of the parameter file: Flh_MPBinType (Flh_RDTBinType for
// the RDT image) of [Flash Info] in .\paramFDB.ini, or Flash2ndMPBinType (Flash2ndRDTBinType)
// when Flash2ndBinCELimit is 1 to 16 and the drive has more flash chips than that. An empty
// bin type in the parameter file takes any image.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/firmware/FirmwareImage.h"

class CDeviceCommand;

namespace engine::firmware {

// Tags of the firmware steps (the error-tag table describes them).
inline constexpr char kTagImageNotValid[] = "A_x09";
inline constexpr char kTagBinType[] = "S_x30";

struct StationImage {
  std::shared_ptr<const FirmwareImage> image;  // shared by every drive while the file is unchanged
  std::string path;        // the file that was read
  std::string tag;         // when there is no image
  std::string message;
};

// The bin type the parameter file asks of the MP (rdt false) or RDT image for a drive with
// that many flash chips.
std::string ExpectedBinType(bool rdt, std::uint32_t flashChips);

// Reads and checks the MP or RDT image (or the one at pathText when it is not empty).
StationImage LoadStationImage(bool rdt, std::string_view pathText, std::uint32_t flashChips);

// Where a section goes: the program RAM, the firmware area of flash, or the running MP
// firmware through DOWNLOAD MICROCODE.
enum class SectionTarget : std::uint8_t { ProgramRam, Flash, Microcode };

// Sectors sent or read back with one command.
inline constexpr std::uint32_t kSectionPieceSectors = 128;
// DOWNLOAD MICROCODE subcommand: pieces with their offsets.
inline constexpr std::uint8_t kDownloadWithOffsets = 0x03;

struct SectionTransfer {
  bool ok = true;
  bool readBack = false;         // the failure is in the read-back, not in the sending
  bool differs = false;          // the bytes read back differ from those sent
  std::uint32_t sector = 0;      // first sector of the failing piece
};

// Sends a section from sector 0 in pieces, the last piece padded with zero bytes (which leave
// its 16-bit sum as it is).
SectionTransfer SendSection(CDeviceCommand& command, SectionTarget target, std::span<const std::uint8_t> section);
// Reads a section back from the program RAM or the flash and compares it with what was sent.
SectionTransfer VerifySection(CDeviceCommand& command, SectionTarget target, std::span<const std::uint8_t> section);

}  // namespace engine::firmware
