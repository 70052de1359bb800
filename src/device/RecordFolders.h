#pragma once
// The folders the station's records go to, whose disks are never a target: the station folder
// (logs, reports, summaries, work orders, the serial-number settings), the folder of every
// drive that [Drives] of Platform.ini maps (the server drive of the fail-serial logs among
// them), the serial-number record folder (SN_Log_Path) and the legacy page's log folder
// (SetLogFolderPath of [Log Path] in param.ini). Read at every call: the settings may change
// between listings.
#include <filesystem>
#include <vector>

namespace device {

std::vector<std::filesystem::path> StationRecordFolders();

}  // namespace device
