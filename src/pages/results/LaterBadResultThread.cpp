// LaterBadResultThread: the later-bad page's Show Result worker. It makes its own engine object
// for the chosen drive, checks the controller and its running code, then either reads the RDT
// results (a drive on its RDT firmware) or prepares the drive and scans it with the page's
// limit, and in every case reads the slot report back into the page.
#include <array>
#include <cstring>
#include <memory>

#include "device/records/InfoBlock.h"
#include "engine/BlockInfoRecord.h"
#include "engine/MPDevice.h"
#include "engine/scan/LaterBadRequest.h"
#include "pages/results/BadBlockLists.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/ResultWorkerSteps.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"

namespace {

// Task kind of the worker's engine and the kind its logs are named by.
constexpr int kEngineTaskKind = 10;
constexpr int kLogKind = 5;
// Characters of the CE map setting read at most (a buffer of 10).
constexpr std::size_t kCeMapBuffer = 10;

// The CE map of the parameter file: key CHCEMap, hexadecimal; 0 when it is empty.
std::uint16_t SettingsCeMap() {
  const std::string text = platform::Trim(settings::ReadText(settings::keys::CHCEMap, kCeMapBuffer));
  if (text.empty()) return 0;
  return static_cast<std::uint16_t>(platform::ParseHex(text, 0) & 0xFFFF);
}

// The running-code line of the slot report.
const char* RunningCodeText(const CMPDevice& engine) {
  if (engine.m_RunOnFlashCode && engine.m_RunRDTFirmware) return "ROM mode - RDTFW";
  if (engine.m_RunOnFlashCode) return "ROM mode";
  if (engine.m_RunOnBootCode) return "Boot mode";
  return "Burn mode";
}

// A drive without the RDT firmware: the CE map, then the scan.
bool ChooseCeMapAndScan(CMPDevice& engine, ui::CProgressCtrl& progress, std::uint8_t romMode) {
  progress.SetPos(40);
  const std::uint16_t settingsMap = SettingsCeMap();
  std::array<std::uint8_t, CMPDevice::kRecordBytes> record{};
  std::uint16_t driveMap = 0;
  if (engine.ReadRDTInfo(record.data(), nullptr)) {
    MpInfo info;
    std::memcpy(&info, record.data(), sizeof(info));
    driveMap = static_cast<std::uint16_t>(info.ceBitMap.Get());
    engine.m_CEMap = driveMap;
  } else {
    // No RDT information: the drive gives no CE map; that is no failure.
    record.fill(0);
    engine.m_CEMap = 0;
  }
  const int dynamicCe = settings::ReadInt(settings::keys::AutoCapacityDynamicCEEn);
  if (settingsMap != 0 || dynamicCe != 0) {
    if (driveMap != 0) {
      engine.m_CEMap = driveMap;
      engine.SetCEMap(0, 1);
    } else {
      engine.SetCEMap(settingsMap, 1);
    }
  }
  return engine.ScanBadBlock(0, 0, &progress, 50, 1, nullptr, romMode) != 0;
}

}  // namespace

void LaterBadResultThread(CPropertyPage_LBResult& page, const ResultRun& run) {
  CResultWorkerSteps steps(page.Status(), page.Progress());
  auto engine = std::make_unique<CMPDevice>(run.driveNumber, kEngineTaskKind, run.location.port, run.location.logFolder,
                                            &page.Status(), nullptr);
  // Only this engine's scan takes the page's limit.
  engine->TakeLaterBadRequest();
  engine->SetLogFileNames(kLogKind);
  // The page writes into the QC station's folder: the reports of its passes are kept.
  engine->KeepEarlierReports();
  engine->WriteReportLine("START", CMPDevice::kSuccessLine);
  page.Progress().SetPos(5);

  bool driveDone = steps.CheckController(*engine, CMPDevice::kRequireAnyCode);
  if (driveDone) {
    engine->WriteReportLine(RunningCodeText(*engine), CMPDevice::kPlainLine);
    page.Progress().SetPos(20);
    if (engine->m_RunRDTFirmware) {
      engine->WriteTempReportLine("START", CMPDevice::kSuccessLine, "");
      std::array<std::uint8_t, CMPDevice::kRecordBytes> record{};
      auto blockInfo = std::make_unique<BlockInfoRecord>();
      if (engine->ReadRDTLog({.progress = &page.Progress(),
                              .progressSpan = kRdtReadingProgressSpan,
                              .infoRecordOut = record.data(),
                              .blockInfo = blockInfo.get()})) {
        page.SetReportKind(kRdtReportKind);
        page.FillBadBlockLists(kRdtReportKind);
        page.LayoutBadBlockSummary(kRdtReportKind);
      } else {
        driveDone = steps.Fail(*engine);
      }
    } else {
      std::uint8_t romMode = 0;
      bool prepared = true;
      if (!engine->m_RunOnFlashCode) {
        page.Status().SetWindowText("Not Rom mode!");
        prepared = engine->m_RunOnBootCode ? engine->LoadPRAMCode(CMPDevice::kMpImage, "") != 0
                                           : engine->ReadSystemInfo() != 0;
      } else {
        romMode = 1;
        page.Progress().SetPos(30);
        prepared = engine->ReadSystemInfo() != 0;
      }
      if (!prepared) {
        driveDone = steps.Fail(*engine);
      } else if (!ChooseCeMapAndScan(*engine, page.Progress(), romMode)) {
        driveDone = steps.Fail(*engine);
      } else {
        page.SetReportKind(kScanReportKind);
        page.FillBadBlockLists(kScanReportKind);
        page.LayoutBadBlockSummary(kScanReportKind);
      }
    }
    if (driveDone) page.Progress().SetPos(90);
  }
  page.ReadReportBack(run.location.reportPath);
  steps.Finish(driveDone);
  engine.reset();
  platform::Sleep(kWorkerPauseMs);
}
