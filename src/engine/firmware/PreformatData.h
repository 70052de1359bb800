#pragma once
// The data of the preformat command (device/records/PreformatParameters.h) made from the
// settings: the SMART array from DisableSmart01 / C2 / C3 / C4 / C5 / C7 of .\param.ini (an
// attribute is kept unless its key is non-zero; C4 starts again when SmartC4ReInit of
// MPToolSetting.ini is set), the RDT parameters from [RDT] of .\paramFDB.ini (the loops are
// the drive's own unless Enable_Set_Cycle / Enable_Set_Cycle_SLC set Cycle / Cycle_SLC) and
// Temperature_Fixed / Temperature_Max of .\param.ini, and the info block.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/records/PreformatParameters.h"

namespace engine::firmware {

// The limits the drive's own reliability test judges it against, and what is set for the
// test ([RDT] ratios, counts, ECC thresholds and loop counts of .\paramFDB.ini, and the
// temperatures of .\param.ini), read strictly and once into the record the preformat sends
// (the loops are the drive's own, given here, unless the file sets them). Every one must be
// empty or a whole number in the range its field holds; else no record, and the problem naming
// the file and the key: the drive is not preformatted with a limit that a setting lost.
struct PreformatRdtSettings {
  std::optional<PreformatRdtParameters> parameters;
  std::string problem;
};
PreformatRdtSettings ReadPreformatRdtSettings(std::uint32_t driveTlcLoops, std::uint32_t driveSlcLoops);

// Three sectors: head, RDT parameters, info block.
std::vector<std::uint8_t> BuildPreformatParameters(std::uint8_t run, std::uint8_t flags, std::uint16_t ceMap,
                                                   const PreformatRdtParameters& rdt,
                                                   std::span<const std::uint8_t, 512> infoBlock);

}  // namespace engine::firmware
