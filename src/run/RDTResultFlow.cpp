// The flow of the RDT result station: a drive that ran its reliability test (RDT) must answer
// and run code from flash. On the RDT firmware its results are read and judged (the "RDT"
// block-information record stored whatever the verdict) and the status shows the verdict with
// the per-CE block statistics; a drive on other flash code (8- and 16-slot testers only) shows
// the statistics of its bad-block table in the orange pass state. The slot report the engine
// wrote is copied into the station's log folder after the checks of the drive and at the end
// (never a report that still holds an earlier test: CopyReportToStationLog).
#include <array>

#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "engine/BlockInfoRecord.h"
#include "engine/MPDevice.h"
#include "engine/rdtlog/RdtResultCode.h"
#include "engine/reports/BlockStatistics.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "run/SlotLayouts.h"
#include "run/SlotTestTask.h"

namespace {

// Progress points of the flow.
constexpr int kProgressDriveFound = 10;
constexpr int kProgressShown = 95;

constexpr int kRdtReadPoints = 70;
// Statistics items of the 8-slot and 16-slot layouts.
constexpr std::uint32_t kStatistics8Slots =
    engine::kStatisticsRdtItems | engine::kStatisticsSumItems | engine::kStatisticsPerCeItems;
constexpr std::uint32_t kStatistics16Slots = engine::kStatisticsRdtItems | engine::kStatisticsSumItems;

// The RDT result codes whose failure the station names itself.
struct RdtResultFailure {
  std::uint32_t code;
  const char* tag;
  const char* message;
};
constexpr RdtResultFailure kRdtResultFailures[] = {
    {kRdtResultTimeOut, "I_T52", "RDT_RESULT_FLH_TEST_TIME_OUT"},
    {kRdtResultBadBlockOver, "I_T53", "RDT_RESULT_FLH_TEST_BB_OVER"},
    {kRdtResultFlashIdError, "I_T55", "RDT_RESULT_FLH_ID_ERROR"},
    {kRdtResultFlashIdMissing, "I_T55", "RDT_RESULT_FLH_ID_MISS_ERROR"},
    {kRdtResultSystemBlockError, "I_T54", "RDT_RESULT_SYS_BlK_ERROR"},
};

// The statistics text of a layout: 8 slots "<prefix><statistics of kStatistics8Slots>", 16 slots
// the statistics of kStatistics16Slots; nullopt when the drive's table (no record given) could
// not be read.
std::optional<std::string> StatisticsText(CMPDevice& device, int slotLayout, std::string_view prefix8Slots,
                                          const BlockInfoRecord* blockInfo, const std::uint8_t* rdtInfo64) {
  const std::uint8_t fromRecord = blockInfo != nullptr ? 1 : 0;
  const std::uint32_t items = slotLayout == kEightSlotLayout ? kStatistics8Slots : kStatistics16Slots;
  const std::optional<std::string> statistics = device.FormatBlockStatistics(items, fromRecord, blockInfo, rdtInfo64);
  if (!statistics) return std::nullopt;
  return slotLayout == kEightSlotLayout ? std::string(prefix8Slots) + *statistics : *statistics;
}

}  // namespace

std::uint8_t CSlotTestTask::RunRDTResultFlow() {
  if (!m_pDevice) return 0;
  CMPDevice& device = *m_pDevice;
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", CMPDevice::kSuccessLine);
  SetProgress(kProgressStarted);
  const auto failOutWithLogCopy = [this] {
    CopyReportToStationLog();
    return StatusOnlyFail();
  };

  if (g_U2AMode == 0 && !device.CheckIOState(kTaskInit)) {
    if (!IsNoDriveTag(device.m_ErrorTag)) return failOutWithLogCopy();
    CopyReportToStationLog();
    return NoDriveOut(0);
  }
  SetProgress(kProgressDriveFound);
  if (!ControllerIsSupported()) return failOutWithLogCopy();
  if (!device.ChkRC(CMPDevice::kRequireAnyCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "", nullptr)) {
    return failOutWithLogCopy();
  }

  const int slotLayout = settings::ReadInt(settings::keys::SlotNumber);
  if (!device.m_RunOnFlashCode || (!ShowsBlockStatistics(slotLayout) && !device.m_RunRDTFirmware)) {
    SetFlowFailure("I_B67", "[ChkRC]Not Running on Flash Code now");
    return StatusOnlyFail();
  }
  const std::uint8_t passed =
      device.m_RunRDTFirmware ? JudgeRdtResults(slotLayout, start) : ShowBadBlockTableStatistics(slotLayout, start);
  return passed ? EndPass(true) : std::uint8_t{0};
}

// The RDT path: the RDT results read and judged, the "RDT" record stored whatever the verdict.
std::uint8_t CSlotTestTask::JudgeRdtResults(int slotLayout, std::uint64_t startMs) {
  CMPDevice& device = *m_pDevice;
  std::array<std::uint8_t, CMPDevice::kRecordBytes> rdtInfo{};
  const auto blockInfo = std::make_unique<BlockInfoRecord>();
  blockInfo->Clear();
  const std::uint8_t judged = device.ReadRDTLog({.saveCsv = settings::ReadInt(settings::keys::SaveRDTLog) == 1,
                                                 .progress = m_pProgress,
                                                 .progressSpan = kRdtReadPoints,
                                                 .dramOnly = settings::ReadInt(settings::keys::OnlyDoDRAM) == 1,
                                                 .infoRecordOut = rdtInfo.data(),
                                                 .blockInfo = blockInfo.get()});
  WriteBlockInfoToFile(*blockInfo);
  if (!judged) {
    for (const RdtResultFailure& failure : kRdtResultFailures) {
      if (failure.code == device.m_RDTResultCode) SetFlowFailure(failure.tag, failure.message);
    }
    CopyReportToStationLog();
    TakeEngineErrorTag();
    device.m_HasExtraStatus = 0;
    device.m_ExtraStatusText.clear();
    // A bad-block judgement that failed shows the statistics it judged.
    if (ShowsBlockStatistics(slotLayout) && m_ErrorTag == "F_T31") {
      device.m_ExtraStatusText = *StatisticsText(device, slotLayout, "CE:OB/RB*", blockInfo.get(), rdtInfo.data());
      device.m_HasExtraStatus = 1;
    }
    SetSlotStatus(kSlotFail, m_ErrorTag, device.m_ErrorMessage);
    return 0;
  }
  SetProgress(kProgressShown);
  std::string text = "Pass";
  if (ShowsBlockStatistics(slotLayout)) {
    text += "*" + *StatisticsText(device, slotLayout, "CE:OB/RB*", blockInfo.get(), rdtInfo.data());
  }
  SetSlotStatus(kSlotPass, text, "");
  WriteTotalTimeLine("Read RDT Log,", startMs);
  return 1;
}

// The bad-block-table path: the statistics of the drive's table and RDT information.
std::uint8_t CSlotTestTask::ShowBadBlockTableStatistics(int slotLayout, std::uint64_t startMs) {
  CMPDevice& device = *m_pDevice;
  if (!device.ReadSystemInfo()) {
    TurnErrorTagPhase('S');
    device.WriteFailReport();
    return StatusOnlyFail();
  }
  std::array<std::uint8_t, CMPDevice::kRecordBytes> parameters{};
  std::array<std::uint8_t, CMPDevice::kRecordBytes> rdtInfo{};
  // A drive that never ran the RDT has no information: its statistics go without.
  device.ReadRDTInfo(rdtInfo.data(), nullptr);
  // Statistics of a table that could not be read would be made up: no pass without it, at this
  // read or at the statistics' own.
  const auto tableUnread = [&] {
    device.WriteFailReport();
    return StatusOnlyFail();
  };
  if (!device.ReadBadBlockTable(parameters.data(), nullptr)) return tableUnread();
  const std::optional<std::string> statistics =
      StatisticsText(device, slotLayout, "CE:OB+OLB/RB*", nullptr, rdtInfo.data());
  if (!statistics) return tableUnread();
  SetSlotStatus(kSlotPassOrange, "Pass*" + *statistics, "");
  SetProgress(kProgressShown);
  WriteTotalTimeLine("Read BBT Info,", startMs);
  return 1;
}
