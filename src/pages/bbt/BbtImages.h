#pragma once
// The two binary images of a drive's bad-block table that the bad-block-table page saves beside
// the bad-block text file (all fields little-endian):
//
//  ".dll", the controller's own table ("TV BBT" checked), 128 + S x 512 bytes:
//      0   64       the BBT parameter record ("DBTP"; S = its 16-bit word at offset 46)
//      64  64       the RDT info record ("TVRT" when the drive has one)
//      128 S x 512  the table as read from the drive
//    It is only written by the station; ParseDllImage reads one back for checks.
//
//  ".sot", the third-party table ("TV BBT" cleared), 16 x n x 512 bytes with n = blocks per CE
//    divided by 500, rounded up: slice k (bytes k x n x 512 to (k + 1) x n x 512) is CE k's
//    table as the drive gave it, 0xFF throughout for a CE that was not read.
//
// Writing a ".sot" image back takes one write per CE, each with the CE's chip number (the rule
// of ThirdPartyChipNumber, device/records/BadBlockTable.h) and the additive checksum in the
// last two bytes of the slice's first sector. PlanSotWrite checks everything before the first
// write, so a write-back is refused whole rather than left half done: the image must hold all
// 16 slices, the drive's parameter record must carry "DBTP", its CE addressing mode must be 1
// or 2 and no CE to be written may need a divisor of 0. A CE is skipped when the CE map in use
// is not 0 and lacks it, when its address byte is 0x3F, or when the drive numbers its CEs by
// the map and its 64-bit CE map lacks it (such a CE has no unit and no chip number of its own;
// the reader skips it alike).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr std::size_t kBbtRecordBytes = 64;
inline constexpr std::size_t kDllImageHeaderBytes = 2 * kBbtRecordBytes;
inline constexpr unsigned kSotSlices = 16;

// ---- ".dll" --------------------------------------------------------------------------------
// The table's size in bytes that a parameter record gives (S x 512).
std::size_t DllTableBytes(const std::uint8_t* parameter64);
// The image of the records and the first S x 512 bytes of the table buffer; nullopt with the
// reason when the table buffer holds fewer bytes.
std::optional<std::vector<std::uint8_t>> BuildDllImage(const std::uint8_t* parameter64, const std::uint8_t* rdtInfo64,
                                                       std::span<const std::uint8_t> table, std::string& problem);

struct DllImage {
  std::array<std::uint8_t, kBbtRecordBytes> parameter{};
  std::array<std::uint8_t, kBbtRecordBytes> rdtInfo{};
  std::vector<std::uint8_t> table;
};
// An image read back; nullopt with the reason when its size is not 128 + S x 512.
std::optional<DllImage> ParseDllImage(std::span<const std::uint8_t> bytes, std::string& problem);

// ---- ".sot" --------------------------------------------------------------------------------
// What the engine knows of the drive that the write-back needs (after ReadSystemInfo and
// ReadBadBlockTable).
struct SotDriveGeometry {
  std::uint32_t blocksPerCe = 0;
  std::uint16_t ceMapInUse = 0;      // the engine's CE-map word
  bool ceNumberedByMap = false;      // the engine's CE-mask flag
  std::uint64_t systemCeMap = 0;     // the engine's 64-bit CE mask
  std::uint32_t addressingMode = 1;  // 1 or 2
  std::uint32_t unitsPerCe = 0;
};

struct SotSliceWrite {
  unsigned ce = 0;
  std::uint8_t chip = 0;
  std::vector<std::uint8_t> slice;   // n x 512 bytes, first sector sealed with its sum
};

struct SotWritePlan {
  std::uint32_t sliceSectors = 0;    // n
  std::vector<SotSliceWrite> writes; // in CE order
};

// The bytes of one slice of a drive (n x 512); 0 when n is 0.
std::size_t SotSliceBytes(std::uint32_t blocksPerCe);
// Why an image of that many bytes cannot be written back to the drive (it does not hold all
// 16 slices, or the drive has no slice size); nothing when it can.
std::optional<std::string> SotImageShortfall(std::size_t imageBytes, std::uint32_t blocksPerCe);
// Every write of an image, or nullopt with the reason when the write-back must be refused.
std::optional<SotWritePlan> PlanSotWrite(std::span<const std::uint8_t> image, const std::uint8_t* parameter64,
                                         const SotDriveGeometry& drive, std::string& problem);
