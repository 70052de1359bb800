#pragma once
// The sample MP and RDT firmware images of the station template (FW\MP\TV3160_MP_Sample.bin
// and FW\RDT\TV3160_RDT_Sample.bin, as the template's param.ini names them). They are made
// at build time by tools/make-sample-firmware and run on the simulated station: their RAM
// code runs as burner code, the MP image's flash code as the MP firmware and the RDT image's
// as the RDT firmware. Their code bytes are a fixed pattern, so every build makes the same
// files.
#include "engine/firmware/FirmwareImage.h"

namespace engine::firmware {

inline constexpr const char* kSampleMpImagePath = "FW\\MP\\TV3160_MP_Sample.bin";
inline constexpr const char* kSampleRdtImagePath = "FW\\RDT\\TV3160_RDT_Sample.bin";

// The contents of the sample RDT image (rdt true) or MP image (false).
ImageContents SampleImageContents(bool rdt);

}  // namespace engine::firmware
