#include "pages/bbt/BbtWorkers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

#include "device/Crc16.h"
#include "device/records/InfoBlock.h"
#include "engine/scan/BlockMapLayout.h"
#include "pages/bbt/BbtFileNames.h"
#include "pages/bbt/BbtImages.h"
#include "pages/bbt/BbtPage.h"
#include "pages/bbt/BbtWorkerRun.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "ui/FileDialog.h"

namespace {

using Record = std::array<std::uint8_t, kBbtRecordBytes>;

constexpr int kEraseProgressEnd = 70;
constexpr std::uint16_t kChecksumPreset = 0xFFFF;
constexpr std::uint32_t kTextFileCeCountAll = 64;

constexpr const char* kPassText = "Pass, please re-plug in!!";
constexpr const char* kTextFilter = "(*.txt)|*.txt||";
constexpr const char* kSotFilter = "(*.sot)|*.sot||";

// Tags and messages of the workers' own failures.
constexpr const char* kTableTag = "F_D01";
constexpr const char* kThirdPartyTag = "F_x50";
constexpr const char* kLoadFileTag = "S_xMA";
constexpr const char* kSaveFileTag = "A_x08";
constexpr const char* kGetTableFailed = "Get Bad Table fail!!";
constexpr const char* kWriteThirdPartyFailed = "Write Bad Table fail!!";
constexpr const char* kTableSizeError = "BBT Info BBTSize error!!!";
constexpr const char* kRdtChecksumMismatch = "BBT Info check sum is not match!!!";
constexpr const char* kTableChecksumMismatch = "BBT check sum is not match!!!";
constexpr const char* kNoParameterMagic = "BBT Parameter without DBTP !!!";
constexpr const char* kNotSotFile = "File error, not '*.sot' file!!";
constexpr const char* kLoadFileFailed = "Load BBT File: %s failed!!!";
constexpr const char* kSaveFileFailed = "Open saving file-%s Failed";

MpInfo RdtInfoOf(const Record& record) {
  MpInfo info;
  std::memcpy(&info, record.data(), sizeof(info));
  return info;
}

bool HasRdtMagic(const Record& record) { return RdtInfoOf(record).signature.Get() == kRdtInfoSignature; }

// CHCEMap of [Options] in param.ini, hexadecimal; 0 when it is empty.
std::uint16_t CeMapOfSettings() {
  const std::string text = platform::Trim(settings::ReadText(settings::keys::CHCEMap, 10));
  return static_cast<std::uint16_t>(text.empty() ? 0 : platform::ParseHex(text, 0));
}

// The CE map comes from the RDT info when the drive (or the file) has one; it is handed to the
// engine's CE-map setting when the settings ask for a map, dynamic CEs are on or the RDT info
// says its map applies.
void ApplyCeMap(CMPDevice& engine, const Record& rdtInfo, bool rdtInfoValid) {
  const std::uint16_t settingsMap = CeMapOfSettings();
  const MpInfo info = RdtInfoOf(rdtInfo);
  const std::uint16_t rdtMap = rdtInfoValid ? static_cast<std::uint16_t>(info.ceBitMap.Get()) : 0;
  engine.m_CEMap = rdtMap;
  const bool dynamicCe = settings::ReadInt(settings::keys::AutoCapacityDynamicCEEn) != 0;
  if (settingsMap == 0 && !dynamicCe && (info.runFlags.Get() & kRunFlagDynamicCe) == 0) return;
  if (rdtMap != 0) {
    engine.SetCEMap(0, 1);
  } else {
    engine.SetCEMap(settingsMap, 1);
  }
}

// The path the operator chooses in a file dialog of the current folder; empty when cancelled.
std::string AskForFile(bool open, const char* filter) {
  const std::uint32_t flags = ui::OFN_HIDEREADONLY | ui::OFN_NOCHANGEDIR |
                              (open ? ui::OFN_FILEMUSTEXIST : ui::OFN_OVERWRITEPROMPT);
  ui::CFileDialog dialog(open, open ? "" : "txt", "", flags, filter);
  dialog.SetInitialFolder(platform::StationFolderText());
  return dialog.DoModal() == ui::IDOK ? dialog.GetPathName() : std::string();
}

// ---- Get BBT ---------------------------------------------------------------------------------

// Saves the bad-block text file and its image: the ".dll" of the controller's table (tvBbt) or
// the ".sot" of the third-party table.
bool SaveTableFiles(CBbtWorkerRun& run, bool tvBbt, const std::string& textFile, const Record& parameter,
                    const Record& rdtInfo, std::uint32_t thirdPartyLength) {
  CMPDevice& engine = run.Engine();
  const std::optional<std::string> imageFile = ImageNameOf(textFile, tvBbt ? kDllExtension : kSotExtension);
  if (!imageFile) {
    return run.FailWithRecord(kSaveFileTag, platform::Format(kSaveFileFailed, textFile.c_str()),
                              "A file name of fewer than 4 characters names no image.");
  }
  const std::uint32_t ceCount = engine.m_CEMaskFlag != 0 ? kTextFileCeCountAll : engine.m_CECount;
  if (!engine.SaveBadBlockFile(textFile, ceCount, parameter.data(), rdtInfo.data())) return run.FailWithEngineError();
  if (tvBbt) {
    std::string problem;
    const std::optional<std::vector<std::uint8_t>> image =
        BuildDllImage(parameter.data(), rdtInfo.data(), engine.m_BBTBuffer, problem);
    if (!image) return run.FailWithRecord(kSaveFileTag, platform::Format(kSaveFileFailed, imageFile->c_str()), problem);
    if (!engine.SaveBufferToFile(*imageFile, image->data(), image->size())) return run.FailWithEngineError();
  } else {
    const std::size_t length = std::min<std::size_t>(thirdPartyLength, engine.m_WholeTableBuffer.size());
    if (!engine.SaveBufferToFile(*imageFile, engine.m_WholeTableBuffer.data(), length)) return run.FailWithEngineError();
    engine.m_WholeTableBuffer.clear();
    engine.m_WholeTableBuffer.shrink_to_fit();
  }
  return true;
}

bool GetBadBlockTable(CBbtWorkerRun& run) {
  CMPDevice& engine = run.Engine();
  // Read once: the box stays free while the worker runs.
  const bool tvBbt = run.Page().TvBbtChecked();
  Record parameter{};
  Record rdtInfo{};
  std::uint16_t tableChecksum = kChecksumPreset;
  std::uint16_t rdtChecksum = kChecksumPreset;
  bool rdtRead = false;
  bool tableRead = false;
  std::uint32_t thirdPartyLength = 0;
  if (tvBbt) {
    rdtRead = engine.ReadRDTInfo(rdtInfo.data(), &rdtChecksum) != 0;
  } else {
    tableRead = engine.ReadBadBlockTable(parameter.data(), &tableChecksum) != 0;
    // The third-party table's bad blocks go into a table of good blocks; only a table buffer
    // the engine holds is cleared, and never beyond its end.
    const std::size_t cleared = std::min(DllTableBytes(parameter.data()), engine.m_BBTBuffer.size());
    std::fill_n(engine.m_BBTBuffer.begin(), cleared, 0);
    if (!engine.ReadWhole3rdBBT(engine.m_BBTBuffer, parameter.data(), engine.m_WholeTableBuffer, &thirdPartyLength)) {
      return run.Fail(kThirdPartyTag, kGetTableFailed);
    }
  }
  ApplyCeMap(engine, rdtInfo, rdtRead);
  if (tvBbt) tableRead = engine.ReadBadBlockTable(parameter.data(), &tableChecksum) != 0;
  if (!tableRead) return run.Fail(kTableTag, kGetTableFailed);

  const std::string textFile = AskForFile(false, kTextFilter);
  // A cancelled dialog saves nothing.
  if (!textFile.empty() && !SaveTableFiles(run, tvBbt, textFile, parameter, rdtInfo, thirdPartyLength)) return false;
  engine.m_BBTBuffer.clear();

  const MpInfo info = RdtInfoOf(rdtInfo);
  const char* source = (info.runWord.Get() & kRunWordRdtBuildDbt) != 0 ? "from RDT" : "Not from RDT";
  run.Pass(platform::Format(tableChecksum == rdtChecksum ? "Pass(CheckSum OK, %s), please re-plug in!!"
                                                         : "Pass(CheckSum Fail, %s), please re-plug in!!",
                            source),
           textFile);
  return true;
}

// ---- Write BBT from a text file ----------------------------------------------------------------

// The file's table fits the drive when its block map has the shape of the drive's own: the
// same CE slots, blocks per slot and table sectors. A table of another drive's shape would put
// its blocks in the wrong places, or reach past the end of the drive's table.
bool SameBlockMapShape(const BlockMapLayout& file, const BlockMapLayout& drive) {
  return file.ceSlots == drive.ceSlots && file.blocksPerSlot == drive.blocksPerSlot &&
         file.tableSectors == drive.tableSectors;
}

// The table checksum the drive's RDT info will name once the table is written: the file's
// record goes with the table when it carries "TVRT"; otherwise the drive keeps its own record
// (none when the drive has none).
std::optional<std::uint16_t> ChecksumTheRdtInfoWillName(CMPDevice& engine, const Record& fileRdtInfo) {
  if (HasRdtMagic(fileRdtInfo)) return static_cast<std::uint16_t>(RdtInfoOf(fileRdtInfo).dbtCheckSum.Get());
  Record driveRdtInfo{};
  std::uint16_t checksum = kChecksumPreset;
  if (!engine.ReadRDTInfo(driveRdtInfo.data(), &checksum)) return std::nullopt;
  return checksum;
}

// Every check of the write is made before anything reaches the drive: the file loads whole,
// its table has the shape of the drive's own, and the RDT info that goes with it (or stays)
// names the checksum of the table written. The drive is then read back.
bool WriteTableFromText(CBbtWorkerRun& run) {
  CMPDevice& engine = run.Engine();
  Record parameter{};
  Record rdtInfo{};
  const std::string textFile = AskForFile(true, kTextFilter);
  // A file that does not load whole writes nothing: a table is never built from a part of one.
  if (!engine.LoadRDTInfoRaw(textFile, rdtInfo.data()) || !engine.LoadBBTParameterRaw(textFile, parameter.data())) {
    return run.FailWithRecord(kTableTag, engine.m_ErrorMessage);
  }
  if (std::memcmp(parameter.data(), kBbtParameterMagic, 4) != 0) return run.FailWithRecord(kTableTag, kNoParameterMagic);
  const std::optional<BlockMapLayout> layout = DescribeBlockMap(parameter.data());
  engine.ReadSystemInfo();

  Record driveParameter{};
  if (!engine.ReadBadBlockTable(driveParameter.data(), nullptr)) {
    return run.FailWithRecord(engine.m_ErrorTag, engine.m_ErrorMessage);
  }
  const std::optional<BlockMapLayout> driveLayout = DescribeBlockMap(driveParameter.data());
  if (!layout || !driveLayout || !SameBlockMapShape(*layout, *driveLayout)) {
    const std::string fileTable =
        layout ? platform::Format("a table of %u sectors (block map of %u bytes)", layout->tableSectors, layout->mapBytes)
               : std::string("no table that holds its block map");
    return run.FailWithRecord(
        kTableTag, kTableSizeError,
        platform::Format("BBT file: %s; the drive's: %u sectors (%u bytes)", fileTable.c_str(),
                         driveLayout ? driveLayout->tableSectors : 0u, driveLayout ? driveLayout->mapBytes : 0u));
  }
  engine.m_BBTBuffer.assign(layout->TableBytes(), 0xFF);
  std::fill_n(engine.m_BBTBuffer.begin(), layout->mapBytes, 0);
  if (!engine.LoadBadBlockFile(textFile, engine.m_BBTBuffer, parameter.data(), rdtInfo.data())) {
    return run.FailWithRecord(kTableTag, engine.m_ErrorMessage);
  }
  const std::uint16_t tableChecksum = CCrc16::Ccitt(engine.m_BBTBuffer.data(), layout->mapBytes, kChecksumPreset);
  const std::optional<std::uint16_t> named = ChecksumTheRdtInfoWillName(engine, rdtInfo);
  if (named && *named != tableChecksum) return run.FailWithRecord(kTableTag, kRdtChecksumMismatch);
  ApplyCeMap(engine, rdtInfo, HasRdtMagic(rdtInfo));

  std::uint16_t written = kChecksumPreset;
  if (!engine.WriteBadBlockTable(engine.m_BBTBuffer, rdtInfo.data(), parameter.data(), &written, 0)) {
    return run.FailWithEngineError();
  }
  std::uint16_t rdtChecksum = kChecksumPreset;
  if (engine.ReadRDTInfo(rdtInfo.data(), &rdtChecksum)) {
    if (written != rdtChecksum) return run.FailWithRecord(kTableTag, kRdtChecksumMismatch);
    const MpInfo info = RdtInfoOf(rdtInfo);
    if ((info.runFlags.Get() & kRunFlagDynamicCe) != 0) {
      engine.m_CEMap = static_cast<std::uint16_t>(info.ceBitMap.Get());
      engine.SetCEMap(0, 1);
    }
  }
  std::uint16_t readBack = kChecksumPreset;
  if (engine.ReadBadBlockTable(parameter.data(), &readBack) && written != readBack) {
    return run.FailWithRecord(kTableTag, kTableChecksumMismatch);
  }
  run.Pass(kPassText, textFile);
  return true;
}

// ---- Write BBT from a ".sot" image ---------------------------------------------------------------

bool WriteThirdPartyFromImage(CBbtWorkerRun& run) {
  CMPDevice& engine = run.Engine();
  const std::string imageFile = AskForFile(true, kSotFilter);
  if (!imageFile.empty() && !HasSotExtension(imageFile)) return run.Refuse(kNotSotFile);
  const std::optional<std::string> bytes = imageFile.empty() ? std::nullopt : platform::ReadWholeFile(imageFile);
  const std::string loadFailed = platform::Format(kLoadFileFailed, imageFile.c_str());
  if (!bytes) return run.FailWithRecord(kLoadFileTag, loadFailed);

  engine.ReadSystemInfo();
  if (std::optional<std::string> shortfall = SotImageShortfall(bytes->size(), engine.m_BlocksPerCE)) {
    return run.FailWithRecord(kLoadFileTag, loadFailed, "BBT image: " + *shortfall);
  }
  Record parameter{};
  engine.ReadBadBlockTable(parameter.data(), nullptr);
  SotDriveGeometry drive;
  drive.blocksPerCe = engine.m_BlocksPerCE;
  drive.ceMapInUse = engine.m_CEMap;
  drive.ceNumberedByMap = engine.m_CEMaskFlag != 0;
  drive.systemCeMap = engine.m_SystemCEMap;
  drive.addressingMode = engine.m_CEAddressingMode;
  drive.unitsPerCe = engine.m_UnitsPerCE;
  std::string problem;
  const auto image = std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
  const std::optional<SotWritePlan> plan = PlanSotWrite(image, parameter.data(), drive, problem);
  if (!plan) return run.FailWithRecord(kThirdPartyTag, kWriteThirdPartyFailed, "BBT image: " + problem);
  for (const SotSliceWrite& write : plan->writes) {
    if (!engine.Write3rdBBTForCE(write.slice, plan->sliceSectors, write.chip)) {
      return run.Fail(kThirdPartyTag, kWriteThirdPartyFailed);
    }
  }
  run.Pass(kPassText, imageFile);
  return true;
}

}  // namespace

std::uint32_t EraseAllThread(CPropertyPage_DBT* page) {
  CBbtWorkerRun run(*page, CBbtWorkerRun::kEraseTask);
  if (!run.BringToRamCode(false)) return 1;
  CMPDevice& engine = run.Engine();
  if (!engine.DoEraseAllBlock(CMPDevice::kEraseAll, 1, &page->Progress(), kEraseProgressEnd, run.Polling())) {
    run.FailWithEngineError();
    return 1;
  }
  run.Progress(90);
  // The erase leaves the controller on the RAM code it was given until the drive is plugged in
  // again; that it still answers on it is what is checked.
  if (!engine.ChkRC(CMPDevice::kRequireBurnerCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                    nullptr)) {
    run.FailWithEngineError();
    return 1;
  }
  run.Pass(kPassText);
  return 1;
}

std::uint32_t GetBbtThread(CPropertyPage_DBT* page) {
  CBbtWorkerRun run(*page, CBbtWorkerRun::kTableTask);
  if (run.BringToRamCode(true)) GetBadBlockTable(run);
  return 1;
}

std::uint32_t WriteBbtFromTextThread(CPropertyPage_DBT* page) {
  CBbtWorkerRun run(*page, CBbtWorkerRun::kTableTask);
  if (run.BringToRamCode(true)) WriteTableFromText(run);
  return 1;
}

std::uint32_t WriteBbtFromSotThread(CPropertyPage_DBT* page) {
  CBbtWorkerRun run(*page, CBbtWorkerRun::kTableTask);
  if (run.BringToRamCode(true)) WriteThirdPartyFromImage(run);
  return 1;
}
