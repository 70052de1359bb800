#pragma once
// The sample MP and RDT firmware image files, and a station that has them where the template's
// param.ini names them (FW\MP and FW\RDT).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/firmware/FirmwareImage.h"
#include "engine/firmware/SampleImages.h"
#include "support/ScratchStation.h"

namespace testsupport {

inline std::vector<std::uint8_t> SampleImage(bool rdt) {
  return engine::firmware::BuildFirmwareImage(engine::firmware::SampleImageContents(rdt));
}

inline void WriteSampleImages(const ScratchStation& station) {
  for (const bool rdt : {false, true}) {
    const std::vector<std::uint8_t> image = SampleImage(rdt);
    std::string path(rdt ? engine::firmware::kSampleRdtImagePath : engine::firmware::kSampleMpImagePath);
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    station.WriteFile(path, std::string(image.begin(), image.end()));
  }
}

}  // namespace testsupport
