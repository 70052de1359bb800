#pragma once
// Small helpers about the station itself: its folders, its test station, the erase type of the
// pretest, the flash package of a CE, the caption file and the debugger output.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Test stations: index 0..10 and the name used in log names.
enum TestStationIndex : int {
  kStationEraseAll = 0,
  kStationRDT = 1,
  kStationRDTResult = 2,  // also "CSB" and "0MB"
  kStationMP = 3,
  kStationEraseMP = 4,
  kStationQC = 5,         // also "FQC"
  kStationUpdateFW = 6,
  kStationReRDT = 7,
  kStationSortMP = 8,
  kStationSortRDT = 9,
  kStationRMADBG = 10,
};

// Folder of the running program (the station folder) without a trailing "\".
std::string GetModuleFolder();

// Creates every missing level of a folder path (at most 10 new levels); an existing level
// counts as made. Non-zero on success.
int MakeDirectoryPath(std::string_view path);

// Total size in bytes of the files in a folder and its sub-folders; 0 when it is missing or empty.
std::uint64_t GetFolderSize(std::string_view path);

// Station index from key TestStation of [General Info] in MPToolSetting.ini; a name that
// matches no station gives 1 (RDT).
int GetTestStationIndex();
// The station index of a station name; 1 for a name that matches no station.
int TestStationIndexOf(std::string_view stationName);
// The station index of a station name (without regard to case, blanks trimmed), or nothing.
std::optional<int> FindTestStationIndex(std::string_view stationName);
// The station read strictly, for what decides what is done to the drives: the index, or
// nothing with the reason (the station settings file missing, TestStation empty or naming no
// station), which names the file and the key.
struct TestStationSetting {
  std::optional<int> index;
  std::string problem;
};
TestStationSetting ReadTestStationSetting();
// "EraseAll", "RDT", "RDTResult", "MP", "EraseMP", "QC", "UpdateFW", "ReRDT", "SortMP",
// "SortRDT", "RMADBG"; "unKnown" for any other index.
const char* GetTestStationName(int index);

// Erase type of the pretest erase step (type 1: the flows run no erase). Never fails.
int GetPretestEraseType();

// Flash package that holds a CE, from the flash map file named by FlashTypeFile and the
// section named by FlashCEType: "F%d" when shortForm is 0, else "%d"; empty when no map is
// configured or no package holds the CE.
std::string GetFlashCEType(std::uint16_t ce, int shortForm);

// Caption file: ".\Configuration\System\ENG.ini", "CHS.ini" or "CHT.ini" by the Language key,
// else by the user's language.
std::string GetLanguageIniPath();

// printf-style line to the debugger output, cut to 260 characters.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
