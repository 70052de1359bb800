// Firmware into the controller: its program RAM (LoadPRAMCode), its firmware area on flash
// (ProgramFlashFirmware, DoEraseISPCode, UpdateInfoCode) and the running MP firmware's
// download command (UpgradeFirmware).
#include <array>
#include <cstring>

#include "device/records/InfoCode.h"
#include "engine/MPDevice.h"
#include "engine/firmware/DriveProgress.h"
#include "engine/firmware/StationImage.h"
#include "platform/Text.h"

namespace fw = engine::firmware;

namespace {

constexpr char kTagPramWrite[] = "I_x40";
constexpr char kTagPramCompare[] = "I_x41";
constexpr char kTagPramStart[] = "I_x42";
constexpr char kTagFlashStart[] = "I_x43";
constexpr char kTagInfoCodeRead[] = "I_x48";
constexpr char kTagInfoCodeWrite[] = "I_x49";
constexpr char kTagFlashRead[] = "F_x90";
constexpr char kTagFlashDiffers[] = "F_x91";
constexpr char kTagFlashWrite[] = "F_x92";
constexpr char kTagMicrocode[] = "F_x93";
constexpr char kTagEraseIsp[] = "F_x94";

}  // namespace

std::uint8_t CMPDevice::LoadPRAMCode(std::uint8_t loadRdtImage, std::string_view sectionSelector) {
  const fw::StationImage loaded = fw::LoadStationImage(loadRdtImage != 0, sectionSelector, m_CECount);
  if (!loaded.image) return FailWithRecord(loaded.tag, loaded.message);
  const std::vector<std::uint8_t>& ram = loaded.image->ramSection;

  const fw::SectionTransfer sent = fw::SendSection(Command(), fw::SectionTarget::ProgramRam, ram);
  if (!sent.ok) {
    return FailWithRecord(kTagPramWrite, platform::Format("Issue Write PRAM command Fail.(Sector %u)", sent.sector));
  }
  const fw::SectionTransfer checked = fw::VerifySection(Command(), fw::SectionTarget::ProgramRam, ram);
  if (!checked.ok) {
    return FailWithRecord(kTagPramCompare, checked.differs
                                               ? platform::Format("PRAM code compare Fail.(Sector %u)", checked.sector)
                                               : platform::Format("Issue Read PRAM command Fail.(Sector %u)", checked.sector));
  }
  // The header's checksum is the sum of the section, which is what the start asks for.
  if (Command().StartPram(static_cast<std::uint16_t>(loaded.image->header.ramCodeChecksum.Get())) == 0) {
    return FailWithRecord(kTagPramStart, "Issue Start PRAM command Fail.");
  }
  if (WaitForStartedCode() == 0) {
    WriteFailReport();
    return 0;
  }
  // The RAM code now runs as the burner code: its version is the one the flows compare (the
  // timing-window scan needs burner code from version 0.6 on).
  const std::string ramName = loaded.image->RamCodeName();
  if (ramName.rfind("SBB", 0) == 0) m_BurnerVersion = ramName.substr(3);
  WriteReportLine(
      platform::Format("Load PRAM Code %s OK (%s)", loaded.image->RamCodeName().c_str(), loaded.path.c_str()),
      kPlainLine);
  return 1;
}

std::uint8_t CMPDevice::ProgramFlashFirmware(std::uint8_t rdtImage, std::uint8_t shortRun, std::string_view text) {
  const fw::StationImage loaded = fw::LoadStationImage(rdtImage != 0, text, m_CECount);
  if (!loaded.image) return FailWithRecord(loaded.tag, loaded.message);
  const std::vector<std::uint8_t>& flash = loaded.image->flashSection;

  const fw::SectionTransfer sent = fw::SendSection(Command(), fw::SectionTarget::Flash, flash);
  if (!sent.ok) {
    return FailWithRecord(kTagFlashWrite,
                          platform::Format("Issue Write Flash Code command Fail.(Sector %u)", sent.sector));
  }
  const fw::SectionTransfer checked = fw::VerifySection(Command(), fw::SectionTarget::Flash, flash);
  if (!checked.ok) {
    return FailWithRecord(checked.differs ? kTagFlashDiffers : kTagFlashRead,
                          checked.differs ? platform::Format("Flash code verify Fail.(Sector %u)", checked.sector)
                                          : platform::Format("Issue Read Flash Code command Fail.(Sector %u)",
                                                             checked.sector));
  }
  if (Command().StartFlashCode() == 0) return FailWithRecord(kTagFlashStart, "Issue Start Flash Code command Fail.");
  const std::string expected = loaded.image->FlashCodeName();
  if (shortRun != 0) {
    WriteReportLine("Short, skip check running code!!", kPlainLine);
  } else {
    if (WaitForStartedCode() == 0) {
      WriteFailReport();
      return 0;
    }
    if (ChkRC(kRequireFlashCode, kNoVersionCheck, kWriteFailRecord, expected, nullptr) == 0) return 0;
  }
  WriteReportLine(platform::Format("Program Flash Code %s OK", expected.c_str()), kPlainLine);
  return 1;
}

std::uint8_t CMPDevice::UpgradeFirmware() {
  const fw::StationImage loaded = fw::LoadStationImage(false, {}, m_CECount);
  if (!loaded.image) return FailWithRecord(loaded.tag, loaded.message);
  const fw::SectionTransfer sent =
      fw::SendSection(Command(), fw::SectionTarget::Microcode, loaded.image->flashSection);
  if (!sent.ok) {
    return FailWithRecord(kTagMicrocode,
                          platform::Format("Issue Download Microcode command Fail.(Sector %u)", sent.sector));
  }
  WriteReportLine(platform::Format("Download Microcode %s OK", loaded.image->FlashCodeName().c_str()), kPlainLine);
  return 1;
}

std::uint8_t CMPDevice::DoEraseISPCode() {
  if (Command().EraseIspCode() == 0) return FailWithRecord(kTagEraseIsp, "Issue Erase ISP Code command Fail.");
  return 1;
}

std::uint8_t CMPDevice::UpdateInfoCode() {
  const fw::StationImage loaded = fw::LoadStationImage(false, {}, m_CECount);
  if (!loaded.image) return FailWithRecord(loaded.tag, loaded.message);
  std::array<std::uint8_t, kSectorBytes> sector{};
  if (Command().ReadInfoCode(sector) == 0) return FailWithRecord(kTagInfoCodeRead, "Issue Read Info Code command Fail.");
  InfoCodeRecord record;
  ReadRecord(sector, record);
  // A sector the station never wrote starts its count; every other byte stays as the drive had it.
  const bool written = record.mark.Get() == std::string_view(kInfoCodeMark, 4);
  const std::uint64_t updates = written ? record.updateCount.Get() + 1 : 1;
  record.mark.Set(kInfoCodeMark);
  record.firmwareName.Set(loaded.image->FlashCodeName());
  record.binType.Set(loaded.image->BinType());
  record.flashCodeSize.Set(loaded.image->flashSection.size());
  record.flashCodeChecksum.Set(loaded.image->header.flashCodeChecksum.Get());
  record.updateCount.Set(updates > 0xFFFF ? 0xFFFF : updates);
  std::memcpy(sector.data(), &record, sizeof(record));
  if (Command().WriteInfoCode(sector) == 0) return FailWithRecord(kTagInfoCodeWrite, "Issue Write Info Code command Fail.");
  std::array<std::uint8_t, kSectorBytes> readBack{};
  if (Command().ReadInfoCode(readBack) == 0) return FailWithRecord(kTagInfoCodeRead, "Issue Read Info Code command Fail.");
  if (readBack != sector) return FailWithRecord(kTagInfoCodeWrite, "Info Code verify Fail.");
  WriteReportLine(platform::Format("Update Info Code %s OK", loaded.image->FlashCodeName().c_str()), kPlainLine);
  return 1;
}
