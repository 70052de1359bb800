#pragma once
// The settings snapshot at the head of a slot report: which settings the run used, read from
// the station settings file and the two parameter files as they stand on disk. Three groups,
// "[MPToolSetting]", "[Param]" and "[ParamFDB]", of lines "<key>=<value> \r\n", then a line of
// 60 asterisks. A value is copied as it is read (at most 249 characters); a missing file,
// section or key gives an empty value. Nothing reads the snapshot back.
#include <string>
#include <vector>

namespace engine {

// The texts of the snapshot's appends, in order: the three groups, then the closing line.
std::vector<std::string> FormatSettingsSnapshot();

}  // namespace engine
