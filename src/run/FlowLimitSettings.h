#pragma once
// The settings that decide how hard a flow judges a drive, as its steps read them strictly
// (settings::strict): the flows' own (the capacity range of the MP flow), and the check the
// Start of a pass makes of every one that the station's flow reads the same way for every
// drive, with the very readers the steps use: a setting that would fail every drive the same
// way is refused before any drive is touched. A percentage list of the capacity table, which
// only a drive of its CE count reads, is left to the drive's own check.
#include <string>

#include "run/FlowDispatch.h"

// MaxCapacity and MinCapacity of .\param.ini in GB: the range the MP flow judges a drive's
// size against (no range while MaxCapacity is 0 or below MinCapacity).
struct CapacityRangeSettings {
  int maxGb = 0;
  int minGb = 0;
  std::string problem;  // the first that is not a whole number in its range, "" none
};
CapacityRangeSettings ReadCapacityRangeSettings();

// The problem a step of the flow would fail a drive with ("" none): the message names the
// file, the section and the key, as the step's does.
std::string FlowLimitSettingsProblem(SlotFlow flow);
