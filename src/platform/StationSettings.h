#pragma once
// The station's settings files and every key the system reads, with its default, in one
// place. Settings are read at the point of use, every time (the profile cache keeps that
// cheap); nothing here caches a value.
#include <cstddef>
#include <string>

namespace settings {

// Path texts of the settings files, relative to the station folder.
inline constexpr const char* kMpToolSettingIni = ".\\Configuration\\System\\MPToolSetting.ini";
inline constexpr const char* kParamIni = ".\\param.ini";
inline constexpr const char* kParamFdbIni = ".\\paramFDB.ini";
inline constexpr const char* kTesterSettingIni = ".\\TesterSetting.ini";
inline constexpr const char* kDebugIni = ".\\Configuration\\System\\Debug.ini";
inline constexpr const char* kFlashMapFolder = ".\\Configuration\\Flash Map Cfg\\";
inline constexpr const char* kTempFolder = "Configuration\\Temp";

// One key of one settings file with its default text (an integer key's default is its
// decimal text).
struct Key {
  const char* file;
  const char* section;
  const char* name;
  const char* defaultValue;
};

std::string ReadText(const Key& key, std::size_t bufferSize = static_cast<std::size_t>(-1));
int ReadInt(const Key& key);
bool WriteText(const Key& key, const std::string& value);

// The registry. Group by file, then section; later work adds keys here as it reads them.
namespace keys {
// MPToolSetting.ini, [General Info]
inline constexpr Key TestStation{kMpToolSettingIni, "General Info", "TestStation", ""};
inline constexpr Key BuildVersion{kMpToolSettingIni, "General Info", "BuildVersion", ""};
inline constexpr Key TvU2A{kMpToolSettingIni, "General Info", "TV_U2A", "1"};
inline constexpr Key Language{kMpToolSettingIni, "General Info", "Language", "0"};
inline constexpr Key FlashTypeFile{kMpToolSettingIni, "General Info", "FlashTypeFile", ""};
inline constexpr Key FlashCEType{kMpToolSettingIni, "General Info", "FlashCEType", ""};
inline constexpr Key IniFilePath{kMpToolSettingIni, "General Info", "IniFilePath", ""};
inline constexpr Key MappingType{kMpToolSettingIni, "General Info", "MappingType", "0"};
inline constexpr Key ColorEditTextH{kMpToolSettingIni, "General Info", "ColorEditTextH", "0"};
inline constexpr Key ColorEditTextW{kMpToolSettingIni, "General Info", "ColorEditTextW", "0"};
// MPToolSetting.ini, [OP Setting]
inline constexpr Key SetUIPage{kMpToolSettingIni, "OP Setting", "SetUIPage", ""};
inline constexpr Key IniPassword{kMpToolSettingIni, "OP Setting", "INIPassword", ""};
// param.ini, [Options]
inline constexpr Key Pretest{kParamIni, "Options", "Pretest", "0"};
// param.ini, [General Info]
inline constexpr Key WorkingNo{kParamIni, "General Info", "WorkingNo", ""};
// Debug.ini, [DEBUG]
inline constexpr Key DebugEraseType{kDebugIni, "DEBUG", "EraseType", "0"};
}  // namespace keys

// Every key above, for checks of the registry and of the station template.
const Key* const* AllKeys(std::size_t& count);

}  // namespace settings
