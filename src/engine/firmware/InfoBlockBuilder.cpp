#include "engine/firmware/InfoBlockBuilder.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "device/records/InfoBlock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace engine::firmware {

namespace {

struct TemplateValue {
  const InfoBlockField& field;
  std::uint32_t value;
};

// The firmware's feature defaults that every block starts from: the ATA features the drive
// reports (NCQ, 48-bit commands, write cache, transfer modes, power management, TRIM,
// security, download microcode) and its SMART self-test times.
const TemplateValue kTemplateValues[] = {
    {InfoField("ubNCQSupport"), 1},
    {InfoField("ub48BitCmdSupport"), 1},
    {InfoField("ubXferModeEnable"), 1},
    {InfoField("ubMultiDMAMode[0]"), 0x07},
    {InfoField("ubMultiDMAMode[1]"), 0x02},
    {InfoField("ubUltraDMAMode[0]"), 0x7F},
    {InfoField("ubUltraDMAMode[1]"), 0x06},
    {InfoField("ubWriteCacheSupport"), 1},
    {InfoField("ubHIPMSupport"), 1},
    {InfoField("ubDIPMSupport"), 1},
    {InfoField("ubSecuritySupport"), 1},
    {InfoField("ubDLMCSupport"), 1},
    {InfoField("ubTrimSupport"), 1},
    {InfoField("ubSMARTShortSelfTestTimeMin"), 2},
    {InfoField("ubSMARTConveyanceSelfTestTimeMin"), 5},
    {InfoField("uwSMARTExtendedSelfTestTimeMin"), 10},
};

// Identity fields that keep the drive's own values when the device information is kept.
const InfoBlockField* const kDeviceIdentity[] = {
    &InfoField("ubSerialNumber"), &InfoField("ubModelNumber"), &InfoField("ubFWVersionEnable"),
    &InfoField("ubFWVersion"),    &InfoField("ubWWNSupport"),  &InfoField("uwWWN[0]"),
    &InfoField("uwWWN[1]"),       &InfoField("uwWWN[2]"),      &InfoField("uwWWN[3]"),
    &InfoField("ubTSB_SerialNumber_Customer"),
};

std::uint32_t SettingNumber(const settings::Key& key) { return static_cast<std::uint32_t>(settings::ReadInt(key)); }
bool SettingIsOne(const settings::Key& key) { return settings::ReadInt(key) == 1; }

void CopyField(InfoBlockSpan to, const std::uint8_t* from, const InfoBlockField& field) {
  std::memcpy(to.data() + field.offset, from + field.offset, field.size);
}

void SetIdentityFromSettings(InfoBlockSpan block, const std::string& serial) {
  SetInfoFieldText(block, InfoField("ubSerialNumber"), serial);
  SetInfoFieldText(block, InfoField("ubModelNumber"), platform::Trim(settings::ReadText(settings::keys::ModelName, 255)));
  const std::string firmware = platform::Trim(settings::ReadText(settings::keys::SetFirmwareName, 255));
  SetInfoFieldValue(block, InfoField("ubFWVersionEnable"), firmware.empty() ? 0 : 1);
  if (!firmware.empty()) SetInfoFieldText(block, InfoField("ubFWVersion"), firmware);
}

void SetRunSwitchesFromSettings(InfoBlockSpan block) {
  SetInfoFieldValue(block, InfoField("MpInfo.RunInfo.MP_BoardType"), SettingNumber(settings::keys::MPBoardType));
  SetInfoFieldValue(block, InfoField("MpInfo.RunInfo.AutoCap_DynamicCE_En"),
                    settings::ReadInt(settings::keys::AutoCapacityDynamicCEEn) != 0 ? 1 : 0);
  SetInfoFieldValue(block, InfoField("MpInfo.RunInfo.MP_SmartC4Reset"),
                    settings::ReadInt(settings::keys::SmartC4ReInit) != 0 ? 1 : 0);
  SetInfoFieldValue(block, InfoField("MpInfo.RunInfo.MP_Performance1_EN"),
                    settings::ReadInt(settings::keys::MPPerformance1EN) != 0 ? 1 : 0);
  SetInfoFieldValue(block, InfoField("MpInfo.RunInfo.MP_Performance2_EN"),
                    settings::ReadInt(settings::keys::MPPerformance2EN) != 0 ? 1 : 0);
  SetInfoFieldValue(block, InfoField("MpInfo.RunInfo.RUN_FixTemperature"),
                    SettingNumber(settings::keys::TemperatureFixed));
  SetInfoFieldValue(block, InfoField("MpInfo.RunInfo.RUN_MaxTemperature"),
                    SettingNumber(settings::keys::TemperatureMax));
}

void SetApArea(InfoBlockSpan block, const platform::LocalTime& now) {
  const auto version = VersionNumbers(settings::ReadText(settings::keys::BuildVersion, 250));
  SetInfoFieldValue(block, InfoField("ubAP_APVer1"), version[0]);
  SetInfoFieldValue(block, InfoField("ubAP_APVer2"), version[1]);
  const InfoBlockField& apVersion = InfoField("ubAP_APVer");
  SetInfoFieldElement(block, apVersion, 0, 'A');
  SetInfoFieldElement(block, apVersion, 1, 'P');
  SetInfoFieldElement(block, apVersion, 2, 'V');
  SetInfoFieldElement(block, apVersion, 3, version[0]);
  SetInfoFieldElement(block, apVersion, 4, version[1]);
  SetInfoFieldValue(block, InfoField("ubAP_ScanMaxBad"), SettingNumber(settings::keys::ScanMaxBadPercent));
  SetInfoFieldText(block, InfoField("ubAP_WO"), platform::Trim(settings::ReadText(settings::keys::WorkingNo, 251)),
                   '\0');
  SetInfoFieldValue(block, InfoField("ubAP_ToolID"), kStationToolId);
  InfoBlockDate date;
  date.yearDigit = now.year >= 2010 ? static_cast<unsigned>(now.year - 2010) : 0;
  date.month = static_cast<unsigned>(now.month);
  date.day = static_cast<unsigned>(now.day);
  date.hour = static_cast<unsigned>(now.hour);
  date.minute = static_cast<unsigned>(now.minute);
  SetInfoBlockDate(block, date);
}

}  // namespace

std::uint64_t IdemaSectors(std::uint32_t gigabytes) {
  if (gigabytes == 0) return 0;
  const std::int64_t sectors = 97696368 + 1953504 * (static_cast<std::int64_t>(gigabytes) - 50);
  return sectors > 0 ? static_cast<std::uint64_t>(sectors) : 0;
}

std::array<std::uint8_t, 2> VersionNumbers(const std::string& versionText) {
  std::array<std::uint8_t, 2> numbers{};
  std::size_t at = versionText.find_first_of("0123456789");
  for (std::size_t n = 0; n < numbers.size() && at != std::string::npos && at < versionText.size(); ++n) {
    unsigned value = 0;
    while (at < versionText.size() && versionText[at] >= '0' && versionText[at] <= '9') {
      value = std::min(255u, value * 10 + static_cast<unsigned>(versionText[at] - '0'));
      ++at;
    }
    numbers[n] = static_cast<std::uint8_t>(value);
    if (at >= versionText.size() || versionText[at] != '.') break;
    ++at;
  }
  return numbers;
}

bool HasInfoBlockMark(const std::uint8_t* block512) {
  return block512 != nullptr && std::memcmp(block512, kInfoBlockMark, 6) == 0;
}

BuiltInfoBlock BuildInfoBlock(const InfoBlockSources& sources) {
  BuiltInfoBlock built;
  InfoBlockSpan block(built.block);
  const bool haveDevice = HasInfoBlockMark(sources.deviceBlock512);
  if (sources.keepDeviceInfo && !haveDevice) {
    built.error = "Keep device info: the drive's info block has no Tervid mark";
    return built;
  }
  const std::uint64_t sectors = IdemaSectors(sources.capacityGB);
  if (sectors > 0xFFFFFFFFu) {
    built.error = platform::Format("Capacity %u GB does not fit the info block", sources.capacityGB);
    return built;
  }

  SetInfoFieldText(block, InfoField("u8bTervidInfoMark"), kInfoBlockMark);
  for (const TemplateValue& value : kTemplateValues) SetInfoFieldValue(block, value.field, value.value);

  if (sources.keepDeviceInfo) {
    for (const InfoBlockField* field : kDeviceIdentity) CopyField(block, sources.deviceBlock512, *field);
  } else {
    SetIdentityFromSettings(block, sources.serialNumber);
  }
  SetInfoFieldValue(block, InfoField("ubCENumber"), sources.ceCount);
  SetInfoFieldValue(block, InfoField("ulSSDSize_LBA"), static_cast<std::uint32_t>(sectors));
  SetInfoFieldValue(block, InfoField("ubFormFactor"), SettingNumber(settings::keys::FormFactor));
  SetInfoFieldValue(block, InfoField("ubFlashInterface"), SettingNumber(settings::keys::FlhInterface));
  SetInfoFieldValue(block, InfoField("ubFlashClk"), SettingNumber(settings::keys::FlhClock));
  SetInfoFieldValue(block, InfoField("ubThermalSensorMode"), SettingIsOne(settings::keys::PutThermalSensor) ? 1 : 0);
  SetInfoFieldValue(block, InfoField("ubDEVSLPSupport"), SettingIsOne(settings::keys::DevslpEnable) ? 1 : 0);
  SetInfoFieldValue(block, InfoField("ubSSC_Enable"), settings::ReadInt(settings::keys::SataSscEnable) != 0 ? 1 : 0);

  const bool signedRecord = sources.runInfo64 != nullptr &&
                            std::memcmp(sources.runInfo64, kRdtInfoSignature, 4) == 0;
  if (sources.takeRunInfo && signedRecord) {
    std::memcpy(block.data() + kMpInfoOffset, sources.runInfo64, kMpInfoBytes);
    const std::string firmware = GetInfoFieldText(MpInfoAsBlock(std::span<const std::uint8_t, kMpInfoBytes>(
                                                      sources.runInfo64, kMpInfoBytes)),
                                                  InfoField("MpInfo.FW_Version"));
    SetInfoFieldText(block, InfoField("ubAP_RDTFWVer"), firmware.substr(0, firmware.find('\0')));
    built.tookRunInfo = true;
  } else {
    SetRunSwitchesFromSettings(block);
  }
  SetApArea(block, sources.now);
  if (haveDevice) {
    const InfoBlockField& goodMark = InfoField("ubAP_GoodMark");
    built.block[goodMark.offset] = sources.deviceBlock512[goodMark.offset];
  }
  return built;
}

}  // namespace engine::firmware
