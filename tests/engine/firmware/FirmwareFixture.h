#pragma once
// The engine on the simulated station with the sample MP and RDT images in FW\MP and FW\RDT,
// as param.ini of the template names them.
#include <array>
#include <string>
#include <vector>

#include "engine/core/EngineFixture.h"
#include "engine/firmware/FirmwareImage.h"
#include "engine/firmware/SampleImages.h"
#include "platform/Profile.h"

namespace firmwaretest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes SampleImage(bool rdt) {
  return engine::firmware::BuildFirmwareImage(engine::firmware::SampleImageContents(rdt));
}

// The image's section as it goes to the drive: RAM section (ram true) or flash section.
inline Bytes SampleSection(bool rdt, bool ram) {
  const Bytes image = SampleImage(rdt);
  engine::firmware::ImageCheck check;
  const auto parsed = engine::firmware::ParseFirmwareImage(image, check);
  return ram ? parsed->ramSection : parsed->flashSection;
}

class FirmwareTest : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    WriteImage("FW/MP/TV3160_MP_Sample.bin", SampleImage(false));
    WriteImage("FW/RDT/TV3160_RDT_Sample.bin", SampleImage(true));
    device->WriteReportLine("START", 0);
  }
  void WriteImage(const std::string& path, const Bytes& image) {
    station.WriteFile(path, std::string(image.begin(), image.end()));
  }
  // Replaces an engine on a drive of this profile; the report starts again.
  void Use(const sim::DriveProfile& profile) {
    Install(profile);
    device->WriteReportLine("START", 0);
  }
  void SetKey(const char* file, const char* section, const char* key, const std::string& value) {
    ASSERT_TRUE(platform::WriteProfileString(file, section, key, value));
  }
  // What the drive holds in a code area, as many bytes as the section has.
  Bytes ProgramRam(std::size_t bytes) {
    Bytes out(bytes);
    EXPECT_EQ(Drive().ReadProgramRam(0, out), sim::DriveStatus::Ok);
    return out;
  }
  Bytes FlashCode(std::size_t bytes) {
    Bytes out(bytes);
    EXPECT_EQ(Drive().ReadFlashCode(0, out), sim::DriveStatus::Ok);
    return out;
  }
  std::array<std::uint8_t, 512> DriveInfoBlock() {
    std::array<std::uint8_t, 512> block{};
    EXPECT_EQ(Drive().ReadInfoBlock(0, block), sim::DriveStatus::Ok);
    return block;
  }
  unsigned DriveCalls() { return Slot().Faults().Calls(); }
};

inline sim::DriveProfile OnBurner() {
  sim::DriveProfile profile;
  profile.startOnBurner = true;
  return profile;
}

inline sim::DriveProfile OnMpFirmware() {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Mp;
  return profile;
}

}  // namespace firmwaretest
