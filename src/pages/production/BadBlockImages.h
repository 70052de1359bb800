#pragma once
// The bad-block view of a port's block-information file ("#%d.bin" under Configuration\Temp):
// for every record of the chosen tag ("SCA1" Scan 1 (Early Bad), "SCA2" Scan 2 (All Bad),
// "RDT"), per CE 0..15 and channel slot 0..1, each plane's counts as "%d / %d" (early / later)
// and their sum. The file is a plain sequence of whole records; a partial record at its end
// (an interrupted append) is not read.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/BlockInfoRecord.h"
#include "run/BlockInfoFile.h"  // BlockInfoFilePath: the station path of a port's file

inline constexpr int kBadBlockImageCes = 16;
inline constexpr int kBadBlockImageChannels = 2;

struct BadBlockImagePlane {
  std::uint32_t early = 0;
  std::uint32_t later = 0;  // word 0 of the plane's later-bad block: the total
  std::string text;         // "%d / %d"
  std::uint32_t sum = 0;    // early + later
};

struct BadBlockImageRow {
  int ce = 0;
  int channel = 0;
  std::array<BadBlockImagePlane, kBlockInfoPlanes> planes;
};

struct BadBlockImage {
  std::string tag;
  std::uint32_t perPlaneLimit = 0;
  std::uint32_t allBadLimit = 0;
  std::vector<BadBlockImageRow> rows;  // CE 0 channel 0, CE 0 channel 1, CE 1 channel 0, ...
};

// The views of every record of the file whose tag is the given one, in file order; empty when
// the file is missing, unreadable or holds no such record.
std::vector<BadBlockImage> ScanBadBlockImages(const std::string& path, std::string_view tag);
