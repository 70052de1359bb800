#pragma once
// Drives of the simulated station as the tests stage them: on the burner code, on the MP
// firmware from flash (its info block blank, or written by an earlier MP run), on the RDT
// firmware whose test has finished.
#include <cstdint>

#include "device/records/InfoBlock.h"
#include "sim/SimDrive.h"

namespace testsupport {

// A drive powered up already on the burner code.
inline sim::DriveProfile OnBurner() {
  sim::DriveProfile profile;
  profile.startOnBurner = true;
  return profile;
}

enum class InfoBlockState { Blank, Written };

// A drive on the MP firmware from its flash; its info block blank, or holding the record of an
// earlier MP run with the good mark given (byte 511).
inline sim::DriveProfile OnMpFirmware(InfoBlockState infoBlock, std::uint8_t goodMark = 0) {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Mp;
  if (infoBlock == InfoBlockState::Written) {
    profile.infoBlockWritten = true;
    profile.goodMark = goodMark;
  }
  return profile;
}

// A drive as an MP pass leaves it: on the MP firmware from flash, the info block written with
// the MP mark.
inline sim::DriveProfile OnMpFirmwareAfterMp() { return OnMpFirmware(InfoBlockState::Written, kGoodMarkMp); }

// A drive on the RDT firmware from its flash whose test has finished.
inline sim::DriveProfile OnRdtFirmware() {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Rdt;
  profile.rdt.state = sim::RdtState::Done;
  return profile;
}

}  // namespace testsupport
