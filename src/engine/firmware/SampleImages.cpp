#include "engine/firmware/SampleImages.h"

namespace engine::firmware {

namespace {

constexpr std::size_t kSampleRamCodeBytes = 48 * 1024;
constexpr std::size_t kSampleFlashCodeBytes = 160 * 1024 + 300;  // not a whole number of sectors

// A fixed byte pattern (a linear congruential sequence) standing in for machine code.
std::vector<std::uint8_t> CodePattern(std::size_t bytes, std::uint32_t seed) {
  std::vector<std::uint8_t> code(bytes);
  std::uint32_t state = seed;
  for (auto& byte : code) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return code;
}

}  // namespace

ImageContents SampleImageContents(bool rdt) {
  ImageContents contents;
  contents.ramCodeName = rdt ? "SBB2.0.2" : "SBB2.0.1";
  contents.flashCodeName = rdt ? "RDT20A01" : "SBF20A01";
  contents.binType = "1";
  contents.ramCode = CodePattern(kSampleRamCodeBytes, rdt ? 0x52445431u : 0x4D503031u);
  contents.flashCode = CodePattern(kSampleFlashCodeBytes, rdt ? 0x52445446u : 0x4D503046u);
  contents.buildTime.year = 2016;
  contents.buildTime.month = 5;
  contents.buildTime.day = 12;
  contents.buildTime.hour = 10;
  contents.buildTime.minute = 30;
  contents.buildTime.second = 0;
  return contents;
}

}  // namespace engine::firmware
