#pragma once
// The bad-block text file: a drive's bad-block table as a text an operator can read, with the
// two 64-byte records that belong to it. Lines end with CR LF; the sections come in this
// order and each is required:
//
//   [Bad Block File]
//   CE Count=<CE slots listed>
//   CE Map=<64-bit CE map, 16 hexadecimal digits>
//   CE Numbered By Map=<0 or 1>
//   Block Per CE=<status bytes of one CE slot>
//   Die Per CE=<units per CE>
//   Plane Number=<planes>
//   Map Bytes=<size of the block map>
//   Map CRC=0x<CRC-16 (CCITT) of the block map>
//   (blank line)
//   [Early Bad Block]        factory bad blocks, OLBs included
//   Count=<entries>
//   CE:<ce>,Die:<die>,Plane:<plane>,Block:<block>(0x<block, 4+ hex digits>),Status=0x<status>,<kind>
//   ...
//   [Later Bad Block]        blocks that failed in a scan of the station (and marked blocks)
//   [RDT Bad Block]          blocks the drive's reliability test found bad
//   [RDT Info]               the RDT information record: 4 lines of 16 hexadecimal bytes
//   CRC=0x<CRC-16 (CCITT) of the 64 bytes>
//   [BBT Parameter]          the BBT parameter record ("DBTP"), the same way
//   [End]
//
// Every block whose status byte is not 0 is listed once, with the status byte itself, so a
// file read back gives the block map byte for byte; every other block of the map is 0 (good).
// The CE is the drive's CE number; the CE map and the numbering flag tell its slot in the map.
// The reader refuses anything it cannot account for: a missing or misplaced section or key;
// an entry that does not parse, whose block lies outside the map, whose decimal and
// hexadecimal block numbers differ, whose die or plane does not match its block, whose status
// does not belong to its section or that repeats a block; a count that differs from the
// entries; listed blocks that do not give the map's CRC; a raw record that is not 64 bytes or
// fails its CRC; a missing end line.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct BadBlockFileImage {
  std::uint32_t ceSlots = 0;          // CE slots listed (the first ones of the map)
  std::uint64_t ceMap = 0;
  bool ceNumberedByMap = false;
  std::uint32_t blocksPerSlot = 0;
  std::uint32_t unitsPerCe = 1;
  std::uint32_t planes = 1;
  std::vector<std::uint8_t> map;      // the whole block map (Map Bytes)
  std::array<std::uint8_t, 64> rdtInfo{};
  std::array<std::uint8_t, 64> bbtParameter{};
};

// The largest block map a table can carry (65535 sectors of 512 bytes).
inline constexpr std::uint32_t kLargestBlockMapBytes = 65535u * 512u;

std::string FormatBadBlockFile(const BadBlockFileImage& image);
// nullopt with the reason in `problem` when the text is not a whole, consistent file.
std::optional<BadBlockFileImage> ParseBadBlockFile(std::string_view text, std::string& problem);
