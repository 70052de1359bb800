// Writes the sample MP and RDT firmware images of the station template into a station folder:
//   make_sample_firmware <station folder>
// gives <station folder>/FW/MP/TV3160_MP_Sample.bin and <station folder>/FW/RDT/TV3160_RDT_Sample.bin.
// Each image is checked with the loader's own checks before it is written.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "engine/firmware/FirmwareImage.h"
#include "engine/firmware/SampleImages.h"

namespace {

bool WriteImage(const std::filesystem::path& station, const char* stationPath, bool rdt) {
  namespace fw = engine::firmware;
  const std::vector<std::uint8_t> image = fw::BuildFirmwareImage(fw::SampleImageContents(rdt));
  fw::ImageCheck check;
  if (!fw::ParseFirmwareImage(image, check)) {
    std::fprintf(stderr, "make_sample_firmware: %s: %s\n", stationPath, check.message.c_str());
    return false;
  }
  std::string relative(stationPath);
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  const std::filesystem::path target = station / relative;
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  const std::filesystem::path temporary = target.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (!out) {
      std::fprintf(stderr, "make_sample_firmware: cannot write %s\n", temporary.c_str());
      return false;
    }
  }
  std::filesystem::rename(temporary, target, error);
  if (error) {
    std::fprintf(stderr, "make_sample_firmware: cannot write %s\n", target.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_firmware <station folder>\n");
    return 2;
  }
  const std::filesystem::path station(argv[1]);
  const bool mp = WriteImage(station, engine::firmware::kSampleMpImagePath, false);
  const bool rdt = WriteImage(station, engine::firmware::kSampleRdtImagePath, true);
  return mp && rdt ? 0 : 1;
}
