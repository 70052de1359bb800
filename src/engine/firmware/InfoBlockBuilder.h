#pragma once
// The info block the station writes to a drive: built from a template, the settings, the
// drive's serial number and the run information, field by field through the info-block
// field table (engine/InfoBlockFields.h).
//
// What goes where:
//   template            "Tervid" and the firmware's feature defaults (below, kTemplateValues)
//   identity            ubSerialNumber (the serial number), ubModelNumber ([General Info]
//                       ModelName of .\param.ini), ubFWVersion and ubFWVersionEnable ([Options]
//                       "Set Firmware Name"); kept from the drive's own block instead (with
//                       the WWN fields and the customer serial) when the caller keeps the
//                       device information
//   geometry            ubCENumber (CEs that carry flash), ulSSDSize_LBA (the capacity in GB by
//                       the IDEMA rule), ubFormFactor ([Device Info] FormFactor),
//                       ubFlashInterface and ubFlashClk ([Flash Info] Flh_Interface and
//                       Flh_Clock of .\paramFDB.ini)
//   features            ubThermalSensorMode (Put_Thermal_Sensor is 1), ubDEVSLPSupport
//                       (DEVSLP_Enable is 1), ubSSC_Enable ([Other] SATA_SSC_Enable)
//   MpInfo              the run information's 64 bytes when the caller takes them over (a record
//                       with the "TVRT" signature); otherwise zero, with the run switches
//                       MP_BoardType, AutoCap_DynamicCE_En, MP_SmartC4Reset,
//                       MP_Performance1_EN / 2_EN, RUN_FixTemperature and RUN_MaxTemperature
//                       from the settings
//   AP area             ubAP_APVer1 / ubAP_APVer2 and ubAP_APVer ("APV" with the major and minor
//                       number of [General Info] BuildVersion of MPToolSetting.ini),
//                       ubAP_ScanMaxBad (Scan_MaxBadPercent), ubAP_WO (WorkingNo), ubAP_RDTFWVer
//                       (the run information's firmware version when taken over), ubAP_ToolID,
//                       ubAP_CurrentDate (now), ubAP_GoodMark (kept from the drive's block, so a
//                       rewrite never loses a stage mark)
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/InfoBlockFields.h"
#include "platform/Clock.h"

namespace engine::firmware {

// The station's tool identifier in ubAP_ToolID.
inline constexpr std::uint8_t kStationToolId = 0x01;

// User sectors of a capacity in GB by the IDEMA LBA1-03 rule, 97696368 + 1953504 x (GB - 50),
// in 64 bits; 0 GB gives 0 (the firmware then takes the flash's own size).
std::uint64_t IdemaSectors(std::uint32_t gigabytes);

// Major and minor number of a version text such as "V1.2.3" (0 where a number is missing).
std::array<std::uint8_t, 2> VersionNumbers(const std::string& versionText);

struct InfoBlockSources {
  std::string serialNumber;
  std::uint32_t ceCount = 0;
  std::uint32_t capacityGB = 0;
  const std::uint8_t* runInfo64 = nullptr;      // the RDT information record, or none
  bool takeRunInfo = false;                      // take the record over when it is signed
  const std::uint8_t* deviceBlock512 = nullptr;  // the drive's own block (with its mark), or none
  bool keepDeviceInfo = false;                   // identity from the drive's own block
  platform::LocalTime now;
};

struct BuiltInfoBlock {
  std::array<std::uint8_t, kInfoBlockBytes> block{};
  bool tookRunInfo = false;
  std::string error;       // why no block could be built; empty when it was
};

BuiltInfoBlock BuildInfoBlock(const InfoBlockSources& sources);

// True when the 512 bytes carry the info block's "Tervid" mark.
bool HasInfoBlockMark(const std::uint8_t* block512);

}  // namespace engine::firmware
