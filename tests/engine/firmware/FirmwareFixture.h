#pragma once
// The engine on the simulated station with the sample MP and RDT images in FW\MP and FW\RDT,
// as param.ini of the template names them; the tests stage drives and settings with the
// helpers of support/.
#include <array>
#include <string>
#include <vector>

#include "engine/core/EngineFixture.h"
#include "engine/firmware/FirmwareImage.h"
#include "support/DriveProfiles.h"
#include "support/SampleImageFiles.h"
#include "support/SettingKeys.h"

namespace firmwaretest {

using Bytes = std::vector<std::uint8_t>;

// The image's section as it goes to the drive: RAM section (ram true) or flash section.
inline Bytes SampleSection(bool rdt, bool ram) {
  const Bytes image = testsupport::SampleImage(rdt);
  engine::firmware::ImageCheck check;
  const auto parsed = engine::firmware::ParseFirmwareImage(image, check);
  return ram ? parsed->ramSection : parsed->flashSection;
}

class FirmwareTest : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    testsupport::WriteSampleImages(station);
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
  unsigned DriveCalls() { return Slot().Faults().Calls(); }
};

}  // namespace firmwaretest
