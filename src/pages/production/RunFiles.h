#pragma once
// The files a pass of the production page makes and reads: the temporary folder it empties,
// the log folder of its slot reports and the work-order file whose results list the tasks
// fill. When the pass ends the page adds it to the summary log (run/SummaryLog.h).
#include <string>
#include <string_view>
#include <vector>

// "Configuration\Temp" under the program folder: emptied (and made when missing) at the start
// of every pass, so that the block-information files hold the records of that pass only.
// False when it could not be emptied.
bool ClearRunTempFolder();

// The work number: g_WorkingNo, or WorkingNo of [General Info] in param.ini when it is empty.
std::string CurrentWorkingNo();

// The log folder of a kind of work, ".\<work number>_<computer name>\<kind>" (the station name
// of a pass, "QC" or "EA" of the bad-block-table page); characters a folder name cannot hold
// become "_". The folder is not made.
std::string LogFolderText(std::string_view kind);

// Sets g_WorkFolder (the station folder with a trailing "\") and returns the log folder of the
// station, ".\<work number>_<computer name>\<station name>", made when missing.
std::string PrepareLogFolder(int stationIndex);

// "<log folder>\WO_<work number>_<yyyymmdd>.txt" of today.
std::string WorkOrderFilePath(const std::string& logFolder);

// Makes the work-order file "<log folder>\WO_<work number>_<yyyymmdd>.txt" with its WorkOrder
// entry in [Base Info] (results of earlier passes stay) and publishes its path in
// g_WorkOrderFilePath; returns the path, empty when it could not be written (no results list
// is written then).
std::string PrepareWorkOrderFile(const std::string& logFolder);

// Before the first command that changes a drive, a pass knows that it can record what it does:
// the folders of every record of the pass (the log folder with its reports, the temporary
// folder of the block-information files, the station log folder of the RDT result station,
// MPTestSummary where Summary.csv is written, and where serial numbers are handed out the
// folders of SATA_Setting.ini and of the serial record) take data, their disks have room for
// what a pass of the plan's drives writes there (RecordRoom.h), and Summary.csv, which takes
// its rows by appends, can be opened for writing. Folders that are missing are made.
// Returns "" when the pass can record, else the message that names the folder or file and the
// reason; the work-order file, already written by PrepareWorkOrderFile, is given ("" when it
// could not be).
struct PassRecordsPlan {
  int stationIndex = 0;
  int taskKind = 1;
  bool onlyDoIsp = false;
  int drives = 0;  // the drives of the pass
};
std::string CheckPassRecords(const PassRecordsPlan& plan, const std::string& logFolder, const std::string& workOrder);

// "" when every limit setting the flow of the plan could read, for any drive, is one a drive
// can be judged by, else the message that names the file, the section and the key, as a drive
// that read it would fail with.
std::string CheckLimitSettings(const PassRecordsPlan& plan);

// A pass tests its drives on the recipe of the chosen parameter file only: "" when the working
// copy .\paramFDB.ini is the copy of the chosen file (copiedFile: the path of the chosen file
// whose copy was last made, "" when the copy of the chosen file failed) or no file is chosen,
// else the message that names the chosen file.
std::string CheckWorkingParameterFile(const std::string& copiedFile);
