#pragma once
// The station's settings files and every key the system reads, with its default, in one
// place. Settings are read at the point of use, every time (the profile cache keeps that
// cheap); nothing here caches a value.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace settings {

// Path texts of the settings files, relative to the station folder.
inline constexpr const char* kMpToolSettingIni = ".\\Configuration\\System\\MPToolSetting.ini";
inline constexpr const char* kParamIni = ".\\param.ini";
inline constexpr const char* kParamFdbIni = ".\\paramFDB.ini";
inline constexpr const char* kTesterSettingIni = ".\\TesterSetting.ini";
inline constexpr const char* kDebugIni = ".\\Configuration\\System\\Debug.ini";
// The station's own platform settings (drive roots, transport, time scale).
inline constexpr const char* kPlatformIni = ".\\Platform.ini";
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

// The file a settings file was copied from, noted where the copy is made (the chosen
// parameter file that .\paramFDB.ini is the working copy of): while the file stays as it was
// copied, the problems that name a key of it name that file too, as the one to edit. A file
// changed since (or a station folder changed) is named alone.
void NoteCopyOrigin(const char* file, const std::string& origin);
// "<file>", or "<file> (copied from <origin>)" while the file is the noted copy.
std::string FilePlace(const char* file);
// "<key> of [<section>] in <file>" (the file as FilePlace names it), as the problems name a key.
std::string KeyPlace(const Key& key);

// The registry: every key the system reads, in ONE list. Each X(...) line declares the
// constant settings::keys::<Id> and enters it in AllKeys(), so a key cannot be declared
// without being listed. To add a key, append a line in its group (file, then section):
//
//     X(<Id>, <file constant>, "<section>", "<key>", "<default text>")
//
// ending with a backslash like its neighbours. Never declare a Key outside this list (a test checks
// that no key is listed twice and that no Key constant is declared elsewhere).
#define STATION_SETTINGS_KEYS(X)                                                        \
  /* Platform.ini: the station's own platform settings. [Drives] also holds one key per */ \
  /* drive name ("C=drives/c"), read by the path mapping itself.                       */ \
  X(StationDrive, kPlatformIni, "Drives", "Station", "S")                               \
  X(PlatformTransport, kPlatformIni, "Device", "Transport", "sim")                      \
  X(PlatformScenario, kPlatformIni, "Device", "Scenario", "Default.ini")                \
  X(PlatformTimeScale, kPlatformIni, "Time", "Scale", "1")                              \
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
  X(MPVerProjectName, kMpToolSettingIni, "General Info", "MPVerProjectName", "")        \
  X(Capacity, kMpToolSettingIni, "General Info", "Capacity", "")                        \
  X(Short, kMpToolSettingIni, "General Info", "Short", "0")                             \
  X(RDTLimit, kMpToolSettingIni, "General Info", "RDTLimit", "")                        \
  X(Class, kMpToolSettingIni, "General Info", "Class", "")                              \
  X(SmartC4ReInit, kMpToolSettingIni, "General Info", "SmartC4ReInit", "")              \
  X(IL2B, kMpToolSettingIni, "General Info", "IL2B", "")                                \
  X(ProgramtoRead, kMpToolSettingIni, "General Info", "ProgramtoRead", "0")             \
  X(KeepSN, kMpToolSettingIni, "General Info", "KeepSN", "0")                          \
  X(SlotNumber, kMpToolSettingIni, "General Info", "SlotNumber", "8")                   \
  X(SSDSizePercent, kMpToolSettingIni, "General Info", "SSDSizePercent", "")            \
  X(RDTUseMPBin, kMpToolSettingIni, "General Info", "RDTUseMPBin", "0")                  \
  /* MPToolSetting.ini, [OP Setting] */                                                 \
  X(SetUIPage, kMpToolSettingIni, "OP Setting", "SetUIPage", "")                        \
  X(IniPassword, kMpToolSettingIni, "OP Setting", "INIPassword", "")                    \
  /* param.ini, [Options] */                                                            \
  X(Pretest, kParamIni, "Options", "Pretest", "0")                                      \
  X(SetFirmwareName, kParamIni, "Options", "Set Firmware Name", "")                     \
  X(SetSSDSize, kParamIni, "Options", "SetSSDSize", "")                                 \
  X(AutoIncreseSerialNum, kParamIni, "Options", "AutoIncreseSerialNum", "")             \
  X(KeepModelFWSN, kParamIni, "Options", "KeepModelFWSN", "")                           \
  X(SkipMPScan, kParamIni, "Options", "SkipMPScan", "0")                                \
  X(PutThermalSensor, kParamIni, "Options", "Put_Thermal_Sensor", "0")                  \
  X(DevslpEnable, kParamIni, "Options", "DEVSLP_Enable", "0")                           \
  X(ScanMaxBadPercent, kParamIni, "Options", "Scan_MaxBadPercent", "")                  \
  X(MaxCapacity, kParamIni, "Options", "MaxCapacity", "0")                              \
  X(MinCapacity, kParamIni, "Options", "MinCapacity", "0")                              \
  X(SkipRDTScan, kParamIni, "Options", "SkipRDTScan", "")                               \
  X(AfterMpDoResetSMART, kParamIni, "Options", "AfterMpDoResetSMART", "0")              \
  X(DisableSmart01, kParamIni, "Options", "DisableSmart01", "")                         \
  X(DisableSmartC2, kParamIni, "Options", "DisableSmartC2", "")                         \
  X(DisableSmartC3, kParamIni, "Options", "DisableSmartC3", "")                         \
  X(DisableSmartC4, kParamIni, "Options", "DisableSmartC4", "")                         \
  X(DisableSmartC5, kParamIni, "Options", "DisableSmartC5", "")                         \
  X(DisableSmartC7, kParamIni, "Options", "DisableSmartC7", "")                         \
  X(TemperatureFixed, kParamIni, "Options", "Temperature_Fixed", "")                    \
  X(TemperatureMax, kParamIni, "Options", "Temperature_Max", "")                        \
  X(CHCEMap, kParamIni, "Options", "CHCEMap", "")                                       \
  X(SkipRdtStatusCheck, kParamIni, "Options", "Skip_RDT_Status_Check", "0")             \
  X(SkipBadSpecByFw, kParamIni, "Options", "skip_BadSpec_byFW", "0")                    \
  X(EarlyBadSpec, kParamIni, "Options", "EarlyBad_Spec", "")                            \
  X(EarlyBadSpecPercent, kParamIni, "Options", "EarlyBad_Spec_Percent", "")             \
  X(TotalLaterBadSpec, kParamIni, "Options", "Total_LaterBad_Spec", "0")                \
  X(StlLaterBadSpec, kParamIni, "Options", "STL_LaterBad_Spec", "0")                    \
  X(BtlLaterBadSpec, kParamIni, "Options", "BTL_LaterBad_Spec", "0")                    \
  X(SpecialTestCheckECC, kParamIni, "Options", "SpecialTest_CheckECC", "0")             \
  X(CutEFuse, kParamIni, "Options", "Cut_eFuse", "0")                                   \
  X(CutUART, kParamIni, "Options", "Cut_UART", "0")                                     \
  X(CutJTAG, kParamIni, "Options", "Cut_JTAG", "0")                                     \
  X(LoopCount, kParamIni, "Options", "LoopCount", "1")                                  \
  X(OnlyDoISP, kParamIni, "Options", "OnlyDoISP", "0")                                 \
  X(DevslpControl, kParamIni, "Options", "DEVSLP_Control", "0")                        \
  X(UsePolling, kParamIni, "Options", "use_polling", "0")                              \
  X(SkipCEMapAtEraseAll, kParamIni, "Options", "SkipCEMapAtEraseAll", "0")             \
  X(SetServerPath, kParamIni, "Options", "SetServerPath", "")                          \
  X(SkipCheckINIBinClass, kParamIni, "Options", "SkipCheckINIBinClass", "0")           \
  X(SaveRDTLog, kParamIni, "Options", "save_RDT_log", "0")                             \
  X(OnlyDoDRAM, kParamIni, "Options", "only_do_DRAM", "0")                             \
  X(SkipCheckSelfBurnInLog, kParamIni, "Options", "Skip_Check_SelfBurnIn_Log", "0")    \
  X(SkipSortBBT, kParamIni, "Options", "SkipSortBBT", "0")                             \
  X(ShowSortBBTFail, kParamIni, "Options", "ShowSortBBTFail", "0")                     \
  X(SkipScanWindowTest, kParamIni, "Options", "Skip_Scan_Window_Test", "0")            \
  X(DoScanWindowTest, kParamIni, "Options", "Do_Scan_Window_Test", "0")                \
  X(SkipCheckEFuse, kParamIni, "Options", "Skip_Check_eFuse", "0")                     \
  X(SkipSDRWriteReadTest, kParamIni, "Options", "Skip_SDR_WriteRead_Test", "0")        \
  X(SkipCopyCompare, kParamIni, "Options", "SkipCopyCompare", "0")                     \
  X(SkipCheckFWBinHeader, kParamIni, "Options", "SkipCheckFWBinHeader", "0")           \
  X(ChkFirst4Blk, kParamIni, "Options", "ChkFirst4Blk", "0")                           \
  X(SkipGoodMarkCheck, kParamIni, "Options", "SkipGoodMarkCheck", "0")                 \
  X(SaveBadBlockLog, kParamIni, "Options", "Save_BadBlock_Log", "0")                   \
  X(SkipSecurityEraseQC, kParamIni, "Options", "Skip_SecurityErase_QC", "0")           \
  X(SkipBuildFAT, kParamIni, "Options", "SkipBuildFAT", "0")                           \
  X(DoResetSMART, kParamIni, "Options", "DoResetSMART", "0")                           \
  /* param.ini, [Special] */                                                           \
  X(KeepDeviceInfo, kParamIni, "Special", "Keep_Device_Info", "0")                     \
  /* param.ini, [Write_Read BurnIn] */                                                 \
  X(BurnInEnable, kParamIni, "Write_Read BurnIn", "Enable", "0")                       \
  X(BurnInLoop, kParamIni, "Write_Read BurnIn", "Loop", "1")                           \
  X(BurnInSetPercent, kParamIni, "Write_Read BurnIn", "SetPercent", "0")               \
  X(BurnInPercent, kParamIni, "Write_Read BurnIn", "Percent", "")                      \
  X(BurnInSetCapacity, kParamIni, "Write_Read BurnIn", "SetCapacity", "0")             \
  X(BurnInCapacity, kParamIni, "Write_Read BurnIn", "Capacity", "")                    \
  /* param.ini, [RD Debug] */                                                          \
  X(StopIfFail, kParamIni, "RD Debug", "StopIfFail", "0")                              \
  X(TestInFinity, kParamIni, "RD Debug", "TestInFinity", "0")                          \
  /* param.ini, [General Info] */                                                       \
  X(WorkingNo, kParamIni, "General Info", "WorkingNo", "")                              \
  X(ModelName, kParamIni, "General Info", "ModelName", "")                              \
  X(SerialNum, kParamIni, "General Info", "SerialNum", "0")                              \
  /* param.ini, [Device Info] */                                                        \
  X(IspMPBinCode, kParamIni, "Device Info", "ISP_MPBINCode", "")                        \
  X(IspRDTBinCode, kParamIni, "Device Info", "ISP_RDTBINCode", "")                      \
  X(MPBoardType, kParamIni, "Device Info", "MP_BoardType", "")                          \
  X(FormFactor, kParamIni, "Device Info", "FormFactor", "0")                             \
  X(SSDSize, kParamIni, "Device Info", "SSD Size", "")                                 \
  /* param.ini, [Other] */                                                              \
  X(SataSscEnable, kParamIni, "Other", "SATA_SSC_Enable", "")                           \
  /* param.ini, [BardCode Setting] */                                                   \
  X(GetSNFromSelfBNLog, kParamIni, "BardCode Setting", "GetSN_From_SelfBNLog", "0")     \
  /* Debug.ini, [DEBUG] */                                                              \
  X(DebugEraseType, kDebugIni, "DEBUG", "EraseType", "0")                               \
  /* paramFDB.ini, [Flash Info] */                                                      \
  X(FlhType, kParamFdbIni, "Flash Info", "Flh_Type", "")                                \
  X(FlhMakeCode, kParamFdbIni, "Flash Info", "Flh_MakeCode", "")                        \
  X(FlhCapacity, kParamFdbIni, "Flash Info", "Flh_Capacity", "")                        \
  X(FlhNumber, kParamFdbIni, "Flash Info", "Flh_Number", "")                            \
  X(FlhID, kParamFdbIni, "Flash Info", "Flh_ID", "")                                    \
  X(FlhMPBinType, kParamFdbIni, "Flash Info", "Flh_MPBinType", "")                      \
  X(FlhRDTBinType, kParamFdbIni, "Flash Info", "Flh_RDTBinType", "")                    \
  X(FlhSingleCECapacity, kParamFdbIni, "Flash Info", "Flh_SingleCE_Capacity", "")       \
  X(Flash2ndBinCELimit, kParamFdbIni, "Flash Info", "Flash2ndBinCELimit", "0")          \
  X(Flash2ndRDTBinType, kParamFdbIni, "Flash Info", "Flash2ndRDTBinType", "")           \
  X(Flash2ndMPBinType, kParamFdbIni, "Flash Info", "Flash2ndMPBinType", "")             \
  X(FlhInterface, kParamFdbIni, "Flash Info", "Flh_Interface", "0")                      \
  X(FlhClock, kParamFdbIni, "Flash Info", "Flh_Clock", "0")                              \
  /* paramFDB.ini, [Options] */                                                         \
  X(FlhIDMask, kParamFdbIni, "Options", "FlhIDMask", "")                                \
  X(AutoCapacityEnable, kParamFdbIni, "Options", "AutoCapacity_Enable", "0")            \
  X(AutoCapacitySizeArray, kParamFdbIni, "Options", "AutoCapacity_SizeArray", "")       \
  X(AutoCapacityMaxBadPercent1CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_1CE", "") \
  X(AutoCapacityMaxBadPercent2CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_2CE", "") \
  X(AutoCapacityMaxBadPercent3CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_3CE", "") \
  X(AutoCapacityMaxBadPercent4CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_4CE", "") \
  X(AutoCapacityMaxBadPercent5CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_5CE", "") \
  X(AutoCapacityMaxBadPercent6CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_6CE", "") \
  X(AutoCapacityMaxBadPercent7CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_7CE", "") \
  X(AutoCapacityMaxBadPercent8CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_8CE", "") \
  X(AutoCapacityMaxBadPercent9CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_9CE", "") \
  X(AutoCapacityMaxBadPercent10CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_10CE", "") \
  X(AutoCapacityMaxBadPercent11CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_11CE", "") \
  X(AutoCapacityMaxBadPercent12CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_12CE", "") \
  X(AutoCapacityMaxBadPercent13CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_13CE", "") \
  X(AutoCapacityMaxBadPercent14CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_14CE", "") \
  X(AutoCapacityMaxBadPercent15CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_15CE", "") \
  X(AutoCapacityMaxBadPercent16CE, kParamFdbIni, "Options", "AutoCapacity_MaxBadPercent_16CE", "") \
  X(MPPerformance1EN, kParamFdbIni, "Options", "MPPerformance1EN", "")                  \
  X(MPPerformance2EN, kParamFdbIni, "Options", "MPPerformance2EN", "")                  \
  X(AutoCapacityDynamicCEEn, kParamFdbIni, "Options", "AutoCapacity_DynamicCE_En", "0")  \
  /* paramFDB.ini, [RDT] */                                                             \
  X(OnlyDoFlash, kParamFdbIni, "RDT", "only_do_Flash", "")                              \
  X(RdtDynamicCEEn, kParamFdbIni, "RDT", "RDT_DynamicCE_En", "")                        \
  X(RdtPlaneMaxBadBlkRatioTV, kParamFdbIni, "RDT", "RDT_Plane_MaxBadBlkRatio_TV", "")   \
  X(RdtEnAutoCapMaxBadPercent, kParamFdbIni, "RDT", "RDT_En_AutoCap_MaxBadPercent", "") \
  X(RdtMaxEraseBadBlkRatio, kParamFdbIni, "RDT", "RDT_MaxEraseBadBlkRatio", "")         \
  X(RdtMaxProgBadBlkRatio, kParamFdbIni, "RDT", "RDT_MaxProgBadBlkRatio", "")           \
  X(RdtMaxReadBadBlkRatio, kParamFdbIni, "RDT", "RDT_MaxReadBadBlkRatio", "")           \
  X(RdtMaxEraseBadBlkCount, kParamFdbIni, "RDT", "RDT_MaxEraseBadBlkCount", "")         \
  X(RdtMaxProgBadBlkCount, kParamFdbIni, "RDT", "RDT_MaxProgBadBlkCount", "")           \
  X(RdtMaxReadBadBlkCount, kParamFdbIni, "RDT", "RDT_MaxReadBadBlkCount", "")           \
  X(EnableSetCycle, kParamFdbIni, "RDT", "Enable_Set_Cycle", "")                        \
  X(Cycle, kParamFdbIni, "RDT", "Cycle", "")                                            \
  X(EnableSetCycleSLC, kParamFdbIni, "RDT", "Enable_Set_Cycle_SLC", "")                 \
  X(CycleSLC, kParamFdbIni, "RDT", "Cycle_SLC", "")                                     \
  X(EccThreshold, kParamFdbIni, "RDT", "ECC_threshold", "")                             \
  X(SlcEccThreshold, kParamFdbIni, "RDT", "SLC_ECC_threshold", "")                      \
  X(TimeOutLimitTV, kParamFdbIni, "RDT", "TimeOutLimit_TV", "0")                        \
  X(StartWaitTime, kParamFdbIni, "RDT", "start_wait_time", "15")                        \
  X(SkipDRAM, kParamFdbIni, "RDT", "skip_DRAM", "0")                                    \
  X(RdtEccRange, kParamFdbIni, "RDT", "RDT_ECC_Range", "0")                             \
  X(RdtBbRange, kParamFdbIni, "RDT", "RDT_BB_Range", "0")                               \
  /* SATA_Setting.ini (beside the program), [Global_Setting] */                          \
  X(LastSN, ".\\SATA_Setting.ini", "Global_Setting", "Last SN", "")                      \
  X(SNLogPath, ".\\SATA_Setting.ini", "Global_Setting", "SN_Log_Path", "")               \
  /* PC_MAC_Address.txt, [PC Info] */                                                  \
  X(PcMacAddress, ".\\PC_MAC_Address.txt", "PC Info", "MAC_Address", "")               \
  /* FlashInfo.ini: one section per flash, named at the point of use by the flash's ID  */ \
  /* bytes in hex ("983C98B3767208"); "<flash ID>" stands for that name here           */ \
  X(FlashInfoMPBinType, ".\\Configuration\\System\\FlashInfo.ini", "<flash ID>", "MPBinType", "") \
  X(FlashInfoRDTBinType, ".\\Configuration\\System\\FlashInfo.ini", "<flash ID>", "RDTBinType", "") \
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

// A key that sets a limit a drive is judged against (or what is done to it), read strictly:
// the range of its numbers and the size of the buffer its text is read into, as the station
// always read it (kWholeText: all of it).
struct StrictKey {
  const Key* key;
  int low;
  int high;
  std::size_t bufferSize;
};
inline constexpr std::size_t kWholeText = static_cast<std::size_t>(-1);
// The ranges the limit settings are read in: percentages, capacities in GB, block counts.
inline constexpr int kMaxPercentSetting = 100;
inline constexpr int kMaxCapacityGbSetting = 1 << 20;
inline constexpr int kMaxBlockCountSetting = 1 << 24;

// The keys read strictly, in ONE list: the strict reads below take only these, so that the
// Start of a pass can check every one that a pass could read (AllStrictKeys). Each S(...) line
// declares settings::strict::<Id> for the key settings::keys::<Id>:
//
//     S(<Id>, <low>, <high>, <buffer size>)
#define STATION_STRICT_KEYS(S)                                                \
  /* param.ini, [Options] */                                                  \
  S(ScanMaxBadPercent, 0, kMaxPercentSetting, kWholeText)                     \
  S(SetSSDSize, 0, kMaxCapacityGbSetting, 20)                                 \
  S(EarlyBadSpec, 0, kMaxBlockCountSetting, 20)                               \
  S(TotalLaterBadSpec, 0, kMaxBlockCountSetting, kWholeText)                  \
  S(StlLaterBadSpec, 0, kMaxBlockCountSetting, kWholeText)                    \
  S(BtlLaterBadSpec, 0, kMaxBlockCountSetting, kWholeText)                    \
  S(MaxCapacity, 0, kMaxCapacityGbSetting, kWholeText)                        \
  S(MinCapacity, 0, kMaxCapacityGbSetting, kWholeText)                        \
  S(TemperatureFixed, 0, 0xFF, kWholeText)                                    \
  S(TemperatureMax, 0, 0xFF, kWholeText)                                      \
  /* paramFDB.ini, [Options]: the capacity table (lists) */                   \
  S(AutoCapacitySizeArray, 1, kMaxCapacityGbSetting, kWholeText)              \
  S(AutoCapacityMaxBadPercent1CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent2CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent3CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent4CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent5CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent6CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent7CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent8CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent9CE, 0, kMaxPercentSetting, kWholeText)          \
  S(AutoCapacityMaxBadPercent10CE, 0, kMaxPercentSetting, kWholeText)         \
  S(AutoCapacityMaxBadPercent11CE, 0, kMaxPercentSetting, kWholeText)         \
  S(AutoCapacityMaxBadPercent12CE, 0, kMaxPercentSetting, kWholeText)         \
  S(AutoCapacityMaxBadPercent13CE, 0, kMaxPercentSetting, kWholeText)         \
  S(AutoCapacityMaxBadPercent14CE, 0, kMaxPercentSetting, kWholeText)         \
  S(AutoCapacityMaxBadPercent15CE, 0, kMaxPercentSetting, kWholeText)         \
  S(AutoCapacityMaxBadPercent16CE, 0, kMaxPercentSetting, kWholeText)         \
  /* paramFDB.ini, [RDT]: what the preformat sets for the drive's own test */ \
  S(RdtPlaneMaxBadBlkRatioTV, 0, kMaxPercentSetting, kWholeText)              \
  S(RdtMaxEraseBadBlkRatio, 0, kMaxPercentSetting, kWholeText)                \
  S(RdtMaxProgBadBlkRatio, 0, kMaxPercentSetting, kWholeText)                 \
  S(RdtMaxReadBadBlkRatio, 0, kMaxPercentSetting, kWholeText)                 \
  S(RdtMaxEraseBadBlkCount, 0, 0xFFFF, kWholeText)                            \
  S(RdtMaxProgBadBlkCount, 0, 0xFFFF, kWholeText)                             \
  S(RdtMaxReadBadBlkCount, 0, 0xFFFF, kWholeText)                             \
  S(EccThreshold, 0, 0xFF, kWholeText)                                        \
  S(SlcEccThreshold, 0, 0xFF, kWholeText)                                     \
  S(Cycle, 0, 0xFF, kWholeText)                                               \
  S(CycleSLC, 0, 0xFF, kWholeText)                                            \
  /* end of the strict key list */

namespace strict {
#define STATION_STRICT_DECLARE_KEY(id, low, high, bufferSize) \
  inline constexpr StrictKey id{&keys::id, low, high, bufferSize};
STATION_STRICT_KEYS(STATION_STRICT_DECLARE_KEY)
#undef STATION_STRICT_DECLARE_KEY
}  // namespace strict

// Every key of the strict list, in list order.
const StrictKey* const* AllStrictKeys(std::size_t& count);

// A number read strictly: its text (cut to the key's buffer, blanks trimmed) is empty, which
// gives the key's default, or a whole decimal number in the key's range. Anything else is
// refused: no value, and the problem, which names the file, the section and the key
// ("Scan_MaxBadPercent of [Options] in .\param.ini is "abc": expected a whole number from 0 to
// 100"). Never read as 0.
struct StrictNumber {
  std::optional<int> value;
  std::string problem;
};
StrictNumber ReadStrictInt(const StrictKey& key);
// The same for a list of such numbers separated by blanks, tabs or commas (empty: no item).
struct StrictNumberList {
  std::optional<std::vector<int>> values;
  std::string problem;
};
StrictNumberList ReadStrictIntList(const StrictKey& key);
// Several numbers read strictly for one purpose: each read gives its value (0 when it is
// refused), and the problem of the first refused is kept; nothing is to be formed from the
// values while there is one.
class StrictReads {
 public:
  int Number(const StrictKey& key);
  // A problem found by another reader, kept when it is the first.
  void Note(const std::string& problem);
  const std::string& FirstProblem() const { return m_problem; }

 private:
  std::string m_problem;
};

}  // namespace settings
