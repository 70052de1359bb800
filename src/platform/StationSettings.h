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

// The registry: every key the system reads, in ONE list. Each X(...) line declares the
// constant settings::keys::<Id> and enters it in AllKeys(), so a key cannot be declared
// without being listed. To add a key, append a line in its group (file, then section):
//
//     X(<Id>, <file constant>, "<section>", "<key>", "<default text>")
//
// ending with a backslash like its neighbours. Never declare a Key outside this list (a test checks
// that no key is listed twice and that no Key constant is declared elsewhere).
#define STATION_SETTINGS_KEYS(X)                                                        \
  /* MPToolSetting.ini, [General Info] */                                               \
  X(TestStation, kMpToolSettingIni, "General Info", "TestStation", "")                  \
  X(BuildVersion, kMpToolSettingIni, "General Info", "BuildVersion", "")                \
  X(TvU2A, kMpToolSettingIni, "General Info", "TV_U2A", "1")                            \
  X(Language, kMpToolSettingIni, "General Info", "Language", "0")                       \
  X(FlashTypeFile, kMpToolSettingIni, "General Info", "FlashTypeFile", "")              \
  X(FlashCEType, kMpToolSettingIni, "General Info", "FlashCEType", "")                  \
  X(IniFilePath, kMpToolSettingIni, "General Info", "IniFilePath", "")                  \
  X(MappingType, kMpToolSettingIni, "General Info", "MappingType", "0")                 \
  X(ColorEditTextH, kMpToolSettingIni, "General Info", "ColorEditTextH", "0")           \
  X(ColorEditTextW, kMpToolSettingIni, "General Info", "ColorEditTextW", "0")           \
  /* MPToolSetting.ini, [OP Setting] */                                                 \
  X(SetUIPage, kMpToolSettingIni, "OP Setting", "SetUIPage", "")                        \
  X(IniPassword, kMpToolSettingIni, "OP Setting", "INIPassword", "")                    \
  /* param.ini, [Options] */                                                            \
  X(Pretest, kParamIni, "Options", "Pretest", "0")                                      \
  /* param.ini, [General Info] */                                                       \
  X(WorkingNo, kParamIni, "General Info", "WorkingNo", "")                              \
  /* Debug.ini, [DEBUG] */                                                              \
  X(DebugEraseType, kDebugIni, "DEBUG", "EraseType", "0")                               \
  /* end of the key list */

namespace keys {
#define STATION_SETTINGS_DECLARE_KEY(id, file, section, name, defaultValue) \
  inline constexpr Key id{file, section, name, defaultValue};
STATION_SETTINGS_KEYS(STATION_SETTINGS_DECLARE_KEY)
#undef STATION_SETTINGS_DECLARE_KEY
}  // namespace keys

// Every key of the list above, in list order, for checks of the registry and of the
// station template.
const Key* const* AllKeys(std::size_t& count);

}  // namespace settings
